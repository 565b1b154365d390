#include "firmware_image/Firmware_Massage_2089_class.h"

#include "firmware_image/Firmware_Factory.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::uint32_t Descriptor_Search_Start = 0x2000;
constexpr std::uint32_t Descriptor_Search_End = 0xFEFF;
// A stored device descriptor of USB 2.00, class EF/02/01, 64-byte endpoint 0 and one
// configuration; the nine bytes between (ids and string indexes) are free.
constexpr std::array<std::uint8_t, 10> Device_Descriptor_Start{0x00, 0x12, 0x12, 0x01, 0x00,
                                                               0x02, 0xEF, 0x02, 0x01, 0x40};
constexpr std::size_t Device_Descriptor_Last = Stored_Device_Size - 1;
constexpr std::uint8_t One_Configuration = 0x01;

constexpr std::uint32_t Microphone_Slot = 0x0400;
constexpr std::uint16_t Microphone_Room = Stored_String_Size;
constexpr std::uint32_t Table_Marker_Offset = 0xFF00;
constexpr std::array<std::uint8_t, 2> Table_Marker{0x5A, 0x3C};
// The table has slots for string indexes 1 to 3; each slot ends where the next begins
// (the last where the identity override begins).
constexpr std::array<std::uint16_t, 3> Table_Slots{0xFF02, 0xFF44, 0xFF86};
constexpr std::uint16_t Table_Slot_Room = 66;
constexpr std::uint32_t Identity_Override = 0xFFC8;
constexpr std::array<std::uint8_t, 2> Identity_Override_Tag{0x00, 0x08};
constexpr std::uint32_t Release_Override = 0xFFD2;
constexpr std::array<std::uint8_t, 2> Release_Override_Tag{0x00, 0x04};
constexpr std::uint32_t End_Marker_Offset = 0xFFFE;
constexpr std::array<std::uint8_t, 2> End_Marker{0x10, 0xEF};

// The found stored descriptors: the language list, then four strings.
constexpr std::size_t Found_Count = 5;
constexpr std::size_t Found_Microphone = 4;

constexpr std::size_t Text_Limit = 28;

template <std::size_t N>
bool Holds(Byte_Span image, std::size_t offset, const std::array<std::uint8_t, N>& expected) {
    const Byte_Span bytes = Bytes_At(image, offset, N);
    return std::ranges::equal(bytes, expected);
}

std::uint32_t Find_Device_Descriptor(Byte_Span image) {
    // Only places holding the class byte (0xEF) are compared whole: the search runs over
    // nearly the whole image on every load.
    constexpr std::size_t Class_At = 6;
    for (std::size_t p = Next_Place_Holding(image, Descriptor_Search_Start, Descriptor_Search_End, Class_At,
                                            Device_Descriptor_Start[Class_At]);
         p <= Descriptor_Search_End; p = Next_Place_Holding(image, p + 1, Descriptor_Search_End, Class_At,
                                                            Device_Descriptor_Start[Class_At])) {
        if (Holds(image, p, Device_Descriptor_Start) &&
            Read_U8(image, p + Device_Descriptor_Last) == One_Configuration) {
            return static_cast<std::uint32_t>(p);
        }
    }
    return 0;
}

// An override holds a value and its complement; it counts only when both agree.
bool Override_Holds(Byte_Span image, std::size_t value_at, std::size_t complement_at) {
    return static_cast<std::uint16_t>(Read_U16_LE(image, value_at) + Read_U16_LE(image, complement_at)) ==
           0xFFFF;
}

void Store_Override(Mutable_Byte_Span image, std::size_t value_at, std::size_t complement_at,
                    std::uint16_t value) {
    Store_U16_LE(image, value_at, value);
    Store_U16_LE(image, complement_at, static_cast<std::uint16_t>(~value));
}

} // namespace

Firmware_Massage_2089_class::Firmware_Massage_2089_class(const std::uint8_t* buffer, std::uint32_t size)
    : Firmware_Massage_64K_class(buffer, size), Export_Buffer(Image_64K_Size, 0) {
    Parse_Records();
}

Firmware_Massage_2089_class::~Firmware_Massage_2089_class() = default;

std::int32_t Firmware_Massage_2089_class::Get_Firmware_Chip_Code() {
    return Firmware_Chip_2089;
}

bool Firmware_Massage_2089_class::Is_Type_2089() {
    return true;
}

bool Firmware_Massage_2089_class::Check_Image(bool skip) {
    return skip || Holds(Loaded_Image, End_Marker_Offset, End_Marker);
}

const std::uint8_t* Firmware_Massage_2089_class::Get_Export_Buffer() {
    Store_Bytes(Export_Buffer, Offset_2089_Export_External_ID,
                Bytes_At(Spare_Image, Offset_2089_External_ID, 16));
    return Export_Buffer.data();
}

std::uint32_t Firmware_Massage_2089_class::Get_Export_Size() {
    return Image_64K_Size;
}

std::uint32_t Firmware_Massage_2089_class::External_ID_Offset() const {
    return Offset_2089_External_ID;
}

void Firmware_Massage_2089_class::Parse_Record(Image_Descriptor_Record& record) const {
    const Byte_Span image = Loaded_Image;
    record = {};
    // Without a device descriptor the record reads the image's first bytes, as the
    // search leaves its offset at 0.
    record.Device_Offset = static_cast<std::uint16_t>(Find_Device_Descriptor(image));
    const Byte_Span device = Bytes_At(image, record.Device_Offset, Stored_Device_Size);
    std::copy(device.begin(), device.end(), record.Device.begin());

    std::array<std::uint32_t, Found_Count> found{};
    found[0] = Find_Next_String_Descriptor(image, record.Device_Offset, 6);
    for (std::size_t k = 1; k < Found_Count; ++k) {
        found[k] = Find_Next_String_Descriptor(image, found[k - 1] + 6, 4);
    }
    const bool table = Holds(image, Table_Marker_Offset, Table_Marker);
    // The table's slot when it holds a stored string, else the found descriptor, else the
    // slot again (with the table) or the image's start (without it).
    const auto source = [&](std::uint32_t slot, std::uint32_t found_at) -> std::uint32_t {
        if (table && Is_Stored_String(image, slot)) {
            return slot;
        }
        return found_at != 0 ? found_at : (table ? slot : 0);
    };

    for (const String_Kind kind : {String_Manufacturer, String_Product, String_Serial}) {
        const std::uint8_t index = record.String_Index(kind);
        // Only indexes with a table slot can be written back; any other is an absent string.
        if (index < 1 || index > Table_Slots.size()) {
            if (!table && kind == String_Serial) {
                // Without the table, an absent serial number ends the parse; the
                // microphone's name, read last, is then absent too.
                return;
            }
            continue;
        }
        const std::uint16_t slot = Table_Slots[index - 1];
        record.String_Offsets[kind] = slot;
        record.Rooms[kind] = Table_Slot_Room;
        Copy_Stored_String(image, source(slot, found[index]), record.Strings[kind]);
    }
    record.String_Offsets[String_Microphone] = Microphone_Slot;
    record.Rooms[String_Microphone] = Microphone_Room;
    Copy_Stored_String(image, source(Microphone_Slot, found[Found_Microphone]),
                       record.Strings[String_Microphone]);

    if (!table) {
        return;
    }
    if (Holds(image, Identity_Override, Identity_Override_Tag) &&
        Override_Holds(image, Identity_Override + 2, Identity_Override + 6) &&
        Override_Holds(image, Identity_Override + 4, Identity_Override + 8)) {
        record.Set_Field(Stored_Device_Vid, Read_U16_LE(image, Identity_Override + 2));
        record.Set_Field(Stored_Device_Pid, Read_U16_LE(image, Identity_Override + 4));
    }
    if (Holds(image, Release_Override, Release_Override_Tag) &&
        Override_Holds(image, Release_Override + 2, Release_Override + 4)) {
        record.Set_Field(Stored_Device_Bcd, Read_U16_LE(image, Release_Override + 2));
    }
}

void Firmware_Massage_2089_class::Write_Record(const Image_Descriptor_Record& record) {
    const Mutable_Byte_Span output = Output_Image;
    Store_Bytes(output, Table_Marker_Offset, Table_Marker);
    Store_Bytes(output, Identity_Override, Identity_Override_Tag);
    Store_Override(output, Identity_Override + 2, Identity_Override + 6, record.Get_Field(Stored_Device_Vid));
    Store_Override(output, Identity_Override + 4, Identity_Override + 8, record.Get_Field(Stored_Device_Pid));
    Store_Bytes(output, Release_Override, Release_Override_Tag);
    Store_Override(output, Release_Override + 2, Release_Override + 4, record.Get_Field(Stored_Device_Bcd));
    // The stored device descriptor is left as it is: the overrides carry the identity.
    for (const String_Kind kind : {String_Manufacturer, String_Product, String_Microphone, String_Serial}) {
        // A string read from elsewhere may be longer than its slot: it is cut to the slot.
        // One that is not a stored descriptor at all (nothing was found for it) is not
        // written over what the slot holds.
        if (record.Has_String(kind) && Is_Stored_String(record.Strings[kind], 0)) {
            Write_Stored_String(output, record.String_Offsets[kind], record.Strings[kind],
                                record.Rooms[kind]);
        }
    }
}

std::size_t Firmware_Massage_2089_class::String_Text_Limit(String_Kind) const {
    return Text_Limit;
}

void Firmware_Massage_2089_class::Store_String_Text(String_Kind kind, const String_Buffer_260& text) {
    Text_To_String_Descriptor(text, Edited_Record.Strings[kind]);
}
