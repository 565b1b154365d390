#include "Extension_Unit_Class/Device_Path_Parser.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool Is_Hex_Digit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool Is_Char_In_Set(char c, const char* set) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

// Reads up to `digits` characters at `text` as a hexadecimal number (stopping at the first that
// is no hex digit) and returns where the characters end.
const char* Read_Hex(const char* text, std::size_t digits, std::uint32_t& value) {
    char token[16] = {};
    std::size_t length = 0;
    while (length < digits && text[length] != '\0')
        ++length;
    std::memcpy(token, text, length);
    value = static_cast<std::uint32_t>(std::strtoul(token, nullptr, 16));
    return text + length;
}

const char* Skip_To_Hex_Digit(const char* text) {
    while (*text != '\0' && !Is_Hex_Digit(*text))
        ++text;
    return text;
}

// The GUID in a text: the first 8 hex characters, then the next 4, 4, and eight times 2, each
// group found by skipping to the next hex digit.
platform::GUID Parse_Guid_Text(const char* text) {
    platform::GUID guid;
    std::uint32_t value = 0;
    text = Read_Hex(Skip_To_Hex_Digit(text), 8, value);
    guid.Data1 = value;
    text = Read_Hex(Skip_To_Hex_Digit(text), 4, value);
    guid.Data2 = static_cast<std::uint16_t>(value);
    text = Read_Hex(Skip_To_Hex_Digit(text), 4, value);
    guid.Data3 = static_cast<std::uint16_t>(value);
    for (std::uint8_t& byte : guid.Data4) {
        text = Read_Hex(Skip_To_Hex_Digit(text), 2, value);
        byte = static_cast<std::uint8_t>(value);
    }
    return guid;
}

} // namespace

Device_Path_Id Parse_Device_Path_Id(const char* path) {
    Device_Path_Id id{};
    if (!path)
        return id;
    struct Field {
        const char* Delimiters;
        std::uint32_t Device_Path_Id::*Wide;
        std::uint16_t Device_Path_Id::*Narrow;
    };
    static constexpr Field fields[] = {
        {"_", nullptr, &Device_Path_Id::Vid},
        {"_", nullptr, &Device_Path_Id::Pid},
        {"_", &Device_Path_Id::Interface_Number, nullptr},
        {"#\\", &Device_Path_Id::Instance_1, nullptr},
        {"&", &Device_Path_Id::Instance_2, nullptr},
        {"&", &Device_Path_Id::Instance_3, nullptr},
        {"&", &Device_Path_Id::Instance_4, nullptr},
    };
    const char* at = path;
    for (const Field& field : fields) {
        while (*at != '\0' && !Is_Char_In_Set(*at, field.Delimiters))
            ++at;
        if (*at == '\0')
            break;
        ++at;
        std::size_t digits = 0;
        while (digits < 15 && Is_Hex_Digit(at[digits]))
            ++digits;
        std::uint32_t value = 0;
        Read_Hex(at, digits, value);
        at += digits;
        if (field.Wide)
            id.*field.Wide = value;
        else
            id.*field.Narrow = static_cast<std::uint16_t>(value);
    }
    id.Class_Guid = Parse_Guid_Text(at);
    return id;
}
