// Settings files come from the disk as any bytes: parsing, reading and writing one value
// must never fail, and a value written must read back while the rest of the text stays.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ui/files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zunq::ui::Profile_Text text(bytes);
    if (text.Text() != bytes) {
        std::abort(); // parsing alone changes nothing
    }
    (void)text.Get("SourceFileInfo", "iaudioproduct");
    const std::string_view value = bytes.substr(0, std::min<std::size_t>(size, 16));
    const bool written = text.Set("LoadBin", "vid", value);
    if (written) {
        const auto again = zunq::ui::Profile_Text(text.Text()).Get("LoadBin", "vid");
        const auto blanks = std::string_view(" \t");
        std::string_view trimmed = value;
        trimmed.remove_prefix(std::min(trimmed.find_first_not_of(blanks), trimmed.size()));
        trimmed.remove_suffix(trimmed.size() -
                              std::min(trimmed.find_last_not_of(blanks) + 1, trimmed.size()));
        if (!again || (again->size() > trimmed.size())) {
            std::abort();
        }
    }
    return 0;
}
