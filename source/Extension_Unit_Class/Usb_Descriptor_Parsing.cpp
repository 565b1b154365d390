#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/Guid.h"

namespace {

void Append_Utf8(std::string& text, std::uint32_t code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | code >> 18);
        text += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool Is_High_Surrogate(std::uint16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool Is_Low_Surrogate(std::uint16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Whether a descriptor of `type` may have `length` bytes; types the walk does not read may have
// any length it can step over.
bool Length_Fits_Type(std::uint8_t type, std::uint8_t length) {
    switch (type) {
    case Usb_Configuration_Descriptor_Type:
    case Usb_Other_Speed_Configuration_Type:
        return length == 9;
    case Usb_Interface_Descriptor_Type:
        return length == 9 || length == 11;
    case Usb_Interface_Association_Type:
        return length >= 8;
    default:
        return length >= 2;
    }
}

} // namespace

bool Same_Text_Ignoring_Case(std::string_view first, std::string_view second) {
    return std::equal(first.begin(), first.end(), second.begin(), second.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

std::array<std::uint16_t, 4> Parse_Four_Ids(std::string_view text) {
    std::array<std::uint16_t, 4> ids{};
    std::size_t at = 0;
    for (std::uint16_t& id : ids) {
        const std::size_t mark = text.find('_', at);
        if (mark == std::string_view::npos)
            break;
        at = mark + 1;
        std::uint32_t value = 0;
        for (int digit; at < text.size() && (digit = platform::Hex_Digit_Value(text[at])) >= 0; ++at)
            value = (value << 4 | static_cast<std::uint32_t>(digit)) & 0xFFFF;
        id = static_cast<std::uint16_t>(value);
    }
    return ids;
}

Configuration_String_Indexes Find_Configuration_Strings(std::span<const std::uint8_t> configuration) {
    Configuration_String_Indexes found;
    if (configuration.size() < 4)
        return found;
    const std::size_t total =
        std::min<std::size_t>(configuration.size(), configuration[2] | configuration[3] << 8);
    const auto take = [&](std::uint8_t index) {
        if (index != 0)
            found.Indexes.push_back(index);
    };
    for (std::size_t at = 0; at + 2 <= total;) {
        const std::uint8_t length = configuration[at];
        const std::uint8_t type = configuration[at + 1];
        if (at + length > total || !Length_Fits_Type(type, length))
            break;
        const auto descriptor = configuration.subspan(at, length);
        if (type == Usb_Configuration_Descriptor_Type || type == Usb_Other_Speed_Configuration_Type)
            take(descriptor[6]);
        else if (type == Usb_Interface_Descriptor_Type) {
            take(descriptor[8]);
            found.Has_Video_Interface |= descriptor[5] == Usb_Video_Class;
        } else if (type == Usb_Interface_Association_Type)
            take(descriptor[7]);
        at += length;
    }
    return found;
}

bool Starts_With_Function(std::span<const std::uint8_t> configuration, std::uint8_t function_class,
                          std::uint8_t interface_class) {
    // configuration (9 bytes) at 0, interface association (8) at 9, interface at 17, whose
    // class is its byte 5
    if (configuration.size() < 23)
        return false;
    return configuration[0] == 9 && configuration[1] == Usb_Configuration_Descriptor_Type &&
           configuration[9] == 8 && configuration[10] == Usb_Interface_Association_Type &&
           configuration[13] == function_class && configuration[17] == 9 &&
           configuration[18] == Usb_Interface_Descriptor_Type && configuration[22] == interface_class;
}

bool Is_Whole_String_Descriptor(std::span<const std::uint8_t> reply) {
    return reply.size() >= 2 && reply[1] == Usb_String_Descriptor_Type && reply[0] == reply.size() &&
           reply[0] % 2 == 0;
}

std::string String_Descriptor_Text(std::span<const std::uint8_t> descriptor) {
    std::string text;
    if (descriptor.size() < 2)
        return text;
    const std::size_t end = std::min<std::size_t>(descriptor.size(), descriptor[0]);
    std::vector<std::uint16_t> units;
    for (std::size_t at = 2; at + 1 < end; at += 2) {
        const auto unit = static_cast<std::uint16_t>(descriptor[at] | descriptor[at + 1] << 8);
        if (unit == 0)
            break;
        units.push_back(unit);
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::uint16_t unit = units[i];
        if (Is_High_Surrogate(unit) && i + 1 < units.size() && Is_Low_Surrogate(units[i + 1])) {
            Append_Utf8(text, 0x10000 + ((unit - 0xD800u) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else if (Is_High_Surrogate(unit) || Is_Low_Surrogate(unit)) {
            text += '?';
        } else {
            Append_Utf8(text, unit);
        }
    }
    return text;
}
