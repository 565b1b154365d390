#include "Extension_Unit_Class/Device_Path_Id.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// The text up to its first NUL: a property copied into a fixed field ends there.
std::string_view Up_To_Nul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// Reads the leading hex digits of `token` (which holds at most 15, so 60 bits) the way a
// 32-bit conversion does: a number past 32 bits is the largest 32-bit value.
std::uint32_t Hex_Number(std::string_view token) {
    std::uint64_t value = 0;
    for (char c : token) {
        const int digit = platform::Hex_Digit_Value(c);
        if (digit < 0)
            break;
        value = value << 4 | static_cast<std::uint64_t>(digit);
    }
    return value > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                             : static_cast<std::uint32_t>(value);
}

// A scan over the text.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(Up_To_Nul(text)) {}

    // Moves past the next character of `delimiters` and reads the hex run there; 0 when the
    // text ends before a delimiter or no digit follows it.
    std::uint32_t Field_After(std::string_view delimiters) {
        while (at_ < text_.size() && !Is_Char_In_Set(text_[at_], delimiters))
            ++at_;
        if (at_ == text_.size())
            return 0;
        ++at_;
        const std::size_t start = at_;
        while (at_ < text_.size() && Is_Hex_Digit(text_[at_]))
            ++at_;
        const std::size_t digits = std::min(at_ - start, Device_Path_Token_Length);
        return Hex_Number(text_.substr(start, digits));
    }

    // Moves to the next hex digit and takes up to `count` characters there; 0 at the end.
    std::uint32_t Group(std::size_t count) {
        while (at_ < text_.size() && !Is_Hex_Digit(text_[at_]))
            ++at_;
        const std::string_view taken = text_.substr(at_, count);
        at_ += taken.size();
        return Hex_Number(taken);
    }

    std::string_view Rest() const { return text_.substr(at_); }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

bool Is_Hex_Digit(char c) {
    return platform::Hex_Digit_Value(c) >= 0;
}

bool Is_Char_In_Set(char c, std::string_view set) {
    return c != '\0' && set.find(c) != std::string_view::npos;
}

Device_Path_Id Parse_Device_Path_Id(std::string_view path) {
    Device_Path_Id id{};
    Scanner scan(path);
    id.Vid = static_cast<std::uint16_t>(scan.Field_After("_"));
    id.Pid = static_cast<std::uint16_t>(scan.Field_After("_"));
    id.Interface_Number = scan.Field_After("_");
    id.Instance_1 = scan.Field_After("#\\");
    id.Instance_2 = scan.Field_After("&");
    id.Instance_3 = scan.Field_After("&");
    id.Instance_4 = scan.Field_After("&");
    id.Class_Guid = Parse_Guid_Text(scan.Rest());
    return id;
}

platform::GUID Parse_Guid_Text(std::string_view text) {
    platform::GUID guid;
    Scanner scan(text);
    guid.Data1 = scan.Group(8);
    guid.Data2 = static_cast<std::uint16_t>(scan.Group(4));
    guid.Data3 = static_cast<std::uint16_t>(scan.Group(4));
    for (std::uint8_t& byte : guid.Data4)
        byte = static_cast<std::uint8_t>(scan.Group(2));
    return guid;
}
