#include "firmware_image/String_Descriptor.h"

#include <algorithm>

namespace {

constexpr std::uint8_t String_Descriptor_Type = 0x03;
constexpr std::array<std::uint8_t, 6> Language_List_Pattern{0x00, 0x04, 0x04, String_Descriptor_Type,
                                                            0x09, 0x04};
// Stored descriptors are searched below the 2089's string table.
constexpr std::uint32_t Search_End = 0xFEFF;

// Code units a bLength describes, within the record's buffer.
std::size_t Unit_Count(std::size_t length) {
    return length < 2 ? 0 : std::min((length - 2) / 2, Stored_String_Max_Units);
}

std::size_t Text_Length_For_Record(const String_Buffer_260& text) {
    return std::min(text.Length(), Stored_String_Max_Text);
}

void Put_Units(const String_Buffer_260& text, std::size_t count, Stored_String& stored) {
    for (std::size_t i = 0; i < count; ++i) {
        stored[Stored_String_Head + 2 * i] = static_cast<std::uint8_t>(text.Data()[i]);
        stored[Stored_String_Head + 2 * i + 1] = 0;
    }
}

} // namespace

std::size_t Stored_String_Length(Byte_Span stored) {
    return std::min<std::size_t>(Read_U8(stored, 2), Stored_String_Size - 2);
}

String_Buffer_260& Code_Units_To_Text(String_Buffer_260& text, Byte_Span units, std::size_t count) {
    std::array<char, String_Buffer_260::Capacity> low{};
    count = std::min(count, low.size());
    for (std::size_t i = 0; i < count; ++i) {
        low[i] = static_cast<char>(Read_U8(units, 2 * i));
    }
    text.Assign(std::string_view(low.data(), count)); // ends at the first 0
    return text;
}

String_Buffer_260& String_Descriptor_To_Text(String_Buffer_260& text, Byte_Span stored) {
    return Code_Units_To_Text(text, Bytes_At(stored, Stored_String_Head, Stored_String_Size),
                              Unit_Count(Stored_String_Length(stored)));
}

std::uint8_t Text_To_String_Descriptor(const String_Buffer_260& text, Stored_String& stored) {
    stored.fill(0);
    const std::size_t count = Text_Length_For_Record(text);
    const auto length = static_cast<std::uint8_t>(2 * (count + 1));
    stored[1] = length;
    stored[2] = length;
    stored[3] = String_Descriptor_Type;
    Put_Units(text, count, stored);
    return length;
}

std::size_t Text_Into_String_Descriptor(const String_Buffer_260& text, Stored_String& stored) {
    const std::size_t count = Text_Length_For_Record(text);
    const auto length = static_cast<std::uint8_t>(2 * (count + 1));
    stored[1] = length;
    stored[2] = length;
    Put_Units(text, count, stored);
    stored[Stored_String_Head + 2 * count] = 0;
    stored[Stored_String_Head + 2 * count + 1] = 0;
    return 2 * count;
}

void Add_Number_To_Code_Units(Mutable_Byte_Span units, std::size_t count, std::uint32_t n) {
    count = std::min(count, units.size() / 2);
    std::uint64_t carry = n;
    for (std::size_t i = count; i-- > 0;) {
        std::uint8_t& low = units[2 * i];
        if (low >= '0' && low <= '9') {
            const std::uint64_t sum = carry + static_cast<std::uint64_t>(low - '0');
            low = static_cast<std::uint8_t>('0' + sum % 10);
            carry = sum / 10;
        } else if (low > ' ') {
            break;
        }
    }
}

void Add_Number_To_String_Descriptor(Stored_String& stored, std::uint32_t n) {
    const std::size_t length = Stored_String_Length(stored);
    if (length < 4) {
        return;
    }
    Add_Number_To_Code_Units(Mutable_Byte_Span(stored).subspan(Stored_String_Head), Unit_Count(length), n);
}

std::uint32_t Find_Next_String_Descriptor(Byte_Span image, std::uint32_t start, std::size_t pattern_length) {
    pattern_length = std::min(pattern_length, Language_List_Pattern.size());
    // When the pattern has the descriptor type, only places holding it are looked at: zero runs
    // pass the other tests, and the search runs over nearly the whole image.
    constexpr std::size_t Type_At = 3;
    const auto next = [&](std::size_t from) {
        return pattern_length > Type_At
                   ? Next_Place_Holding(image, from, Search_End, Type_At, String_Descriptor_Type)
                   : from;
    };
    for (std::size_t p = next(start); p <= Search_End; p = next(p + 1)) {
        if (Read_U8(image, p) != 0 || Read_U8(image, p + 1) != Read_U8(image, p + 2)) {
            continue;
        }
        bool match = true;
        for (std::size_t k = 3; k < pattern_length && match; ++k) {
            match = Read_U8(image, p + k) == Language_List_Pattern[k];
        }
        if (match) {
            return static_cast<std::uint32_t>(p);
        }
    }
    return 0;
}

bool Is_Stored_String(Byte_Span bytes, std::size_t offset) {
    return offset < bytes.size() && bytes.size() - offset >= Stored_String_Head && bytes[offset] == 0 &&
           bytes[offset + 1] == bytes[offset + 2] && bytes[offset + 3] == String_Descriptor_Type;
}

void Copy_Stored_String(Byte_Span image, std::size_t offset, Stored_String& stored) {
    stored.fill(0);
    const Byte_Span head = Bytes_At(image, offset, Stored_String_Head);
    std::copy(head.begin(), head.end(), stored.begin());
    const std::size_t units = 2 * Unit_Count(Stored_String_Length(stored));
    const Byte_Span body = Bytes_At(image, offset + Stored_String_Head, units);
    std::copy(body.begin(), body.end(), stored.begin() + Stored_String_Head);
}

void Write_Stored_String(Mutable_Byte_Span image, std::size_t offset, const Stored_String& stored,
                         std::size_t room) {
    const std::size_t units = 2 * Unit_Count(Stored_String_Length(stored));
    const std::size_t fits = std::max(room, Stored_String_Head) - Stored_String_Head;
    if (units <= fits) {
        Store_Bytes(image, offset, Byte_Span(stored).first(Stored_String_Head + units));
        return;
    }
    // Cut to whole code units, and say so in bLength so the string stays one descriptor.
    const std::size_t kept = fits / 2 * 2;
    Stored_String cut = stored;
    cut[1] = static_cast<std::uint8_t>(kept + 2);
    cut[2] = cut[1];
    Store_Bytes(image, offset, Byte_Span(cut).first(Stored_String_Head + kept));
}

std::uint16_t Image_Descriptor_Record::Get_Field(std::size_t field) const {
    return Read_U16_LE(Device, field);
}

void Image_Descriptor_Record::Set_Field(std::size_t field, std::uint16_t value) {
    Store_U16_LE(Device, field, value);
}

std::uint8_t Image_Descriptor_Record::String_Index(String_Kind kind) const {
    return kind < String_Microphone ? Device[Stored_Device_String_Indexes + kind] : 0;
}
