// GUID text from outside (scenario files, device paths): parsing never reads past the text,
// and whatever parses formats back to text that parses to the same GUID.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Guid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto guid = platform::Parse_Guid(text);
    if (!guid)
        return 0;
    const std::string formatted = platform::Format_Guid(*guid);
    if (formatted.size() != 38 || platform::Parse_Guid(formatted) != guid)
        std::abort();
    return 0;
}
