#pragma once
// The 16-byte GUID that names a camera's extension units, with its text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;
};
static_assert(sizeof(GUID) == 16 && offsetof(GUID, Data2) == 4 && offsetof(GUID, Data3) == 6 &&
              offsetof(GUID, Data4) == 8);

// The value of a hex digit in either letter case, or -1 for any other character.
constexpr int Hex_Digit_Value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace guid_detail {

// Reads `digits` hex digits at `text[at]`; nullopt when any of them is not a hex digit.
constexpr std::optional<std::uint32_t> Hex_Field(std::string_view text, std::size_t at, std::size_t digits) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int digit = Hex_Digit_Value(text[at + i]);
        if (digit < 0)
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

} // namespace guid_detail

// Parses the registry form, with or without the braces, in either letter case. Anything else
// (other lengths, misplaced dashes, non-hex digits, one brace alone) gives nullopt.
constexpr std::optional<GUID> Parse_Guid(std::string_view text) {
    if (text.size() == 38) {
        if (text.front() != '{' || text.back() != '}')
            return std::nullopt;
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    const auto data1 = guid_detail::Hex_Field(text, 0, 8);
    const auto data2 = guid_detail::Hex_Field(text, 9, 4);
    const auto data3 = guid_detail::Hex_Field(text, 14, 4);
    if (!data1 || !data2 || !data3)
        return std::nullopt;
    GUID guid;
    guid.Data1 = *data1;
    guid.Data2 = static_cast<std::uint16_t>(*data2);
    guid.Data3 = static_cast<std::uint16_t>(*data3);
    constexpr std::array<std::size_t, 8> byte_at{19, 21, 24, 26, 28, 30, 32, 34};
    for (std::size_t i = 0; i < byte_at.size(); ++i) {
        const auto byte = guid_detail::Hex_Field(text, byte_at[i], 2);
        if (!byte)
            return std::nullopt;
        guid.Data4[i] = static_cast<std::uint8_t>(*byte);
    }
    return guid;
}

// A GUID written in the code: refused at compile time when the text is not a GUID.
consteval GUID Guid_Literal(std::string_view text) {
    const auto guid = Parse_Guid(text);
    if (!guid)
        throw "not a GUID text"; // a compile-time error in a constant expression
    return *guid;
}

// The braced upper-case form, as the system writes GUIDs.
std::string Format_Guid(const GUID& guid);

} // namespace platform
