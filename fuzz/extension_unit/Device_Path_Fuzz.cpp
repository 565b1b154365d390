// Device paths from outside: the parsers read only within the text whatever it holds, and a
// GUID they read formats back to text they read the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Extension_Unit_Class/Device_Path_Id.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Device_Path_Id id = Parse_Device_Path_Id(text);
    for (const platform::GUID& guid : {id.Class_Guid, Parse_Guid_Text(text)}) {
        if (Parse_Guid_Text(platform::Format_Guid(guid)) != guid)
            std::abort();
    }
    return 0;
}
