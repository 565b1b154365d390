#include "firmware_image/Firmware_Massage_Chip_Families.h"

#include <algorithm>

namespace {

constexpr std::array<std::uint16_t, 6> Slots_2281{0x7800, 0x7830, 0x7880, 0x78D0, 0x7920, 0x7970};

constexpr std::array<Chip_Family_Layout, 3> Layouts{{
    {Firmware_Chip_2092,
     0x17,
     true,
     22,
     0,
     0x20,
     {},
     10,
     Room_Rule::Next_Pointer,
     0,
     false,
     false,
     false,
     Image_Check_Rule::Signature,
     106,
     {0x00, 0x27, 0x0A, 0x00, 0x00, 0x27, 0x0B, 0x00},
     0xDE00},
    {Firmware_Chip_2620,
     0x26,
     true,
     26,
     24,
     0x28,
     {},
     10,
     Room_Rule::Next_Pointer_Fixed_50,
     0,
     false,
     true,
     true,
     Image_Check_Rule::Signature,
     138,
     {0x00, 0x26, 0x0A, 0x00, 0x00, 0x26, 0x0B, 0x00},
     0xDE00},
    {Firmware_Chip_2281,
     0x16,
     false,
     0x6780,
     0,
     0,
     Slots_2281,
     5,
     Room_Rule::Next_Fixed_Slot,
     32,
     true,
     true,
     true,
     Image_Check_Rule::Fill_Count,
     0,
     {},
     0x6316},
}};

// The header offset of the image and the pointer table it leads to.
constexpr std::size_t Header_Pointer_Offset = 4;
// The microphone's name is string 4 in every family.
constexpr std::size_t Microphone_Index = 4;
// The 2620's manufacturer and serial-number strings have a fixed room.
constexpr std::uint16_t Fixed_Room = 50;
// The fill check: of these 64 bytes, at most half may be erased (0xFF) or empty (0x00).
constexpr std::size_t Fill_Check_Offset = 0xCF00;
constexpr std::size_t Fill_Check_Length = 64;
constexpr std::size_t Fill_Check_Most_Blank = 32;

constexpr std::array<String_Kind, 4> Serial_Then_Microphone{String_Manufacturer, String_Product,
                                                            String_Serial, String_Microphone};
constexpr std::array<String_Kind, 4> Microphone_Then_Serial{String_Manufacturer, String_Product,
                                                            String_Microphone, String_Serial};

std::size_t Room_Text_Limit(std::uint16_t room) {
    // Four stored bytes, then two bytes a character; a room below 4 holds only the empty
    // text, and no room lets a text past what the record's buffer holds.
    return room < Stored_String_Head
               ? 0
               : std::min<std::size_t>((room - Stored_String_Head) / 2, Stored_String_Max_Text);
}

} // namespace

std::span<const Chip_Family_Layout> Chip_Family_Layouts() {
    return Layouts;
}

const Chip_Family_Layout& Chip_Family_Layout_Of(Firmware_Chip_Code code) {
    const auto row = std::ranges::find(Layouts, code, &Chip_Family_Layout::Code);
    return row != Layouts.end() ? *row : Layouts.front();
}

Firmware_Massage_Chip_Family_class::Firmware_Massage_Chip_Family_class(const Chip_Family_Layout& layout,
                                                                       const std::uint8_t* buffer,
                                                                       std::uint32_t size)
    : Firmware_Massage_64K_class(buffer, size), Layout(layout) {
    Parse_Records();
}

Firmware_Massage_Chip_Family_class::~Firmware_Massage_Chip_Family_class() = default;

std::int32_t Firmware_Massage_Chip_Family_class::Get_Firmware_Chip_Code() {
    return Layout.Code;
}

std::uint32_t Firmware_Massage_Chip_Family_class::External_ID_Offset() const {
    return Layout.External_ID_Offset;
}

bool Firmware_Massage_Chip_Family_class::Check_Image(bool skip) {
    if (skip) {
        return true;
    }
    const Byte_Span image = Loaded_Image;
    if (Layout.Check == Image_Check_Rule::Fill_Count) {
        const Byte_Span checked = Bytes_At(image, Fill_Check_Offset, Fill_Check_Length);
        const auto blank =
            std::ranges::count_if(checked, [](std::uint8_t b) { return b == 0x00 || b == 0xFF; });
        return static_cast<std::size_t>(blank) <= Fill_Check_Most_Blank;
    }
    const std::uint16_t header = Read_U16_BE(image, Header_Pointer_Offset);
    const std::uint16_t signature = Read_U16_BE(image, std::size_t{header} + Layout.Signature_Pointer);
    return std::ranges::equal(Bytes_At(image, std::size_t{signature} + 2, Layout.Signature.size()),
                              Layout.Signature);
}

std::uint16_t Firmware_Massage_Chip_Family_class::String_Pointer(std::uint16_t header,
                                                                 std::size_t index) const {
    if (!Layout.Header_Table) {
        return index < Layout.Fixed_String_Slots.size() ? Layout.Fixed_String_Slots[index] : 0;
    }
    return Read_U16_BE(Loaded_Image, std::size_t{header} + Layout.String_Pointers + 2 * index);
}

std::uint16_t Firmware_Massage_Chip_Family_class::String_Room(std::uint16_t header, std::size_t index) const {
    std::size_t next = index + 1;
    if (Layout.Rooms == Room_Rule::Next_Pointer_Fixed_50) {
        if (index == 1 || index == 3) {
            return Fixed_Room;
        }
        if (index == 2) {
            next = Microphone_Index;
        }
    }
    if (Layout.Rooms == Room_Rule::Next_Fixed_Slot && next >= Layout.Fixed_String_Slots.size()) {
        // The last slot is as long as the one before it.
        return static_cast<std::uint16_t>(String_Pointer(header, index) - String_Pointer(header, index - 1));
    }
    const std::uint16_t here = String_Pointer(header, index);
    const std::uint16_t there = String_Pointer(header, next);
    // Pointers out of order give no room rather than a wrapped-around one.
    return there > here ? static_cast<std::uint16_t>(there - here) : 0;
}

std::span<const String_Kind> Firmware_Massage_Chip_Family_class::String_Order() const {
    return Layout.Serial_After_Microphone ? std::span<const String_Kind>(Microphone_Then_Serial)
                                          : std::span<const String_Kind>(Serial_Then_Microphone);
}

void Firmware_Massage_Chip_Family_class::Parse_Record(Image_Descriptor_Record& record) const {
    const Byte_Span image = Loaded_Image;
    record = {};
    const std::uint16_t header = Layout.Header_Table ? Read_U16_BE(image, Header_Pointer_Offset) : 0;
    record.Header_Offset = header;
    record.Device_Offset = Layout.Header_Table
                               ? Read_U16_BE(image, std::size_t{header} + Layout.Device_Pointer)
                               : Layout.Device_Pointer;
    const Byte_Span device = Bytes_At(image, record.Device_Offset, Stored_Device_Size);
    std::copy(device.begin(), device.end(), record.Device.begin());

    for (const String_Kind kind : String_Order()) {
        const std::size_t index = kind == String_Microphone ? Microphone_Index : record.String_Index(kind);
        // Index 0 names no string, and an index past the pointer table has no pointer.
        if (index == 0 || index > Layout.Last_String_Index) {
            continue;
        }
        const std::uint16_t offset = String_Pointer(header, index);
        Copy_Stored_String(image, offset, record.Strings[kind]);
        // What is not a stored string descriptor ends the parse: it and the strings after
        // it are absent.
        if (!Is_Stored_String(record.Strings[kind], 0)) {
            record.Strings[kind].fill(0);
            return;
        }
        record.String_Offsets[kind] = offset;
        record.Rooms[kind] = static_cast<std::uint16_t>(
            std::min<std::size_t>(String_Room(header, index), Image_64K_Size - offset));
    }
}

void Firmware_Massage_Chip_Family_class::Write_Record(const Image_Descriptor_Record& record) {
    const Mutable_Byte_Span output = Output_Image;
    Store_Bytes(output, record.Device_Offset, record.Device);
    if (Layout.Second_Device_Pointer != 0) {
        const std::uint16_t second =
            Read_U16_BE(Loaded_Image, std::size_t{record.Header_Offset} + Layout.Second_Device_Pointer);
        Store_U16_LE(output, std::size_t{second} + Stored_Device_Vid, record.Get_Field(Stored_Device_Vid));
        Store_U16_LE(output, std::size_t{second} + Stored_Device_Pid, record.Get_Field(Stored_Device_Pid));
    }
    for (const String_Kind kind : String_Order()) {
        const std::uint16_t offset = record.String_Offsets[kind];
        if (offset == 0) {
            continue;
        }
        if (!Is_Stored_String(output, offset)) {
            break;
        }
        // A string left as loaded is already in the output; writing only edited ones
        // keeps an image whose strings overlap exactly as it was.
        if (record.Strings[kind] != Loaded_Record.Strings[kind]) {
            Write_Stored_String(output, offset, record.Strings[kind], record.Rooms[kind]);
        }
    }
}

std::size_t Firmware_Massage_Chip_Family_class::String_Text_Limit(String_Kind kind) const {
    if (Layout.Fixed_Text_Limit != 0) {
        return Layout.Fixed_Text_Limit;
    }
    // An absent string has no room; a text that the record could hold is answered "absent".
    return Edited_Record.Has_String(kind) ? Room_Text_Limit(Edited_Record.Rooms[kind])
                                          : Stored_String_Max_Text;
}

void Firmware_Massage_Chip_Family_class::Store_String_Text(String_Kind kind, const String_Buffer_260& text) {
    if (Layout.Rebuilds_Strings) {
        Text_To_String_Descriptor(text, Edited_Record.Strings[kind]);
    } else {
        Text_Into_String_Descriptor(text, Edited_Record.Strings[kind]);
    }
}

String_Buffer_260& Firmware_Massage_Chip_Family_class::Get_String(String_Kind kind, String_Buffer_260& text,
                                                                  std::uint8_t which, std::int32_t* status) {
    if (kind == String_Microphone && !Layout.Serves_Microphone) {
        text.Assign(String_No_Use_Text); // the status is left as the caller had it
        return text;
    }
    return Firmware_Massage_64K_class::Get_String(kind, text, which, status);
}

std::int32_t Firmware_Massage_Chip_Family_class::Set_String(String_Kind kind, const String_Buffer_260& text,
                                                            String_Buffer_260& message) {
    if (kind == String_Microphone && !Layout.Serves_Microphone) {
        return String_Status_No_Use; // the message is left as the caller had it
    }
    return Firmware_Massage_64K_class::Set_String(kind, text, message);
}

Firmware_Massage_2092_class::Firmware_Massage_2092_class(const std::uint8_t* buffer, std::uint32_t size)
    : Firmware_Massage_Chip_Family_class(Chip_Family_Layout_Of(Firmware_Chip_2092), buffer, size) {}

Firmware_Massage_2620_class::Firmware_Massage_2620_class(const std::uint8_t* buffer, std::uint32_t size)
    : Firmware_Massage_Chip_Family_class(Chip_Family_Layout_Of(Firmware_Chip_2620), buffer, size) {}

Firmware_Massage_2281_class::Firmware_Massage_2281_class(const std::uint8_t* buffer, std::uint32_t size)
    : Firmware_Massage_Chip_Family_class(Chip_Family_Layout_Of(Firmware_Chip_2281), buffer, size) {}
