#include "firmware_image/Firmware_Massage_2688_View.h"

#include <algorithm>

namespace {

constexpr std::array<std::uint8_t, 2> Stored_Area_End{0x55, 0xAA};
// Code units a string slot holds after its bLength and bDescriptorType.
constexpr std::size_t Slot_Head = 2;
constexpr std::size_t Slot_Max_Units = (String_Slot_Size - Slot_Head) / 2;

// In a resolution record: width and height (big-endian), then the format kind.
constexpr std::size_t Resolution_Width = 17;
constexpr std::size_t Resolution_Height = 19;
constexpr std::size_t Resolution_Kind = 22;
// Kinds whose records store half the frame width.
constexpr std::array<std::uint32_t, 2> Half_Width_Kinds{15, 16};

// Order bytes: which format (1 uncompressed, 2 MJPEG) the firmware offers first.
constexpr std::array<std::uint8_t, 2> Uncompressed_First{1, 2};
constexpr std::array<std::uint8_t, 2> Mjpeg_First{2, 1};

constexpr std::size_t Configuration_Total_Length = 2;
constexpr std::size_t Configuration_Interface_Count = 4;
constexpr std::uint8_t Interfaces_Per_Function = 2;

std::size_t Slot_Offset(std::size_t slot) {
    return Offset_2688_Strings + String_Slot_Size * slot;
}

std::size_t Slot_Units(std::uint8_t length) {
    return length < 2 ? 0 : std::min<std::size_t>((length - 2) / 2, Slot_Max_Units);
}

bool Record_Matches(Byte_Span record, Frame_Size size) {
    const std::uint16_t width = Read_U16_BE(record, Resolution_Width);
    const std::uint16_t height = Read_U16_BE(record, Resolution_Height);
    const bool half =
        std::ranges::find(Half_Width_Kinds, Read_U32_BE(record, Resolution_Kind)) != Half_Width_Kinds.end();
    const std::uint32_t stored_width = half ? 2U * width : width;
    return height == size.Height && stored_width == size.Width;
}

} // namespace

SfUsbGroup16_17_class_2688::SfUsbGroup16_17_class_2688(Byte_Span image) {
    for (std::size_t c = 0; c < Configurations.size(); ++c) {
        Configurations[c] = std::make_unique<uvcDescriptor>(
            Bytes_At(image, Offset_2688_Configuration[c], Configuration_Area_Size));
    }
}

SfUsbGroup16_17_class_2688::~SfUsbGroup16_17_class_2688() = default;

Firmware_Massage_2688_class_Usb_Des::Firmware_Massage_2688_class_Usb_Des() {
    Clear();
}

Firmware_Massage_2688_class_Usb_Des::Firmware_Massage_2688_class_Usb_Des(Mutable_Byte_Span image) {
    Build(image);
}

Firmware_Massage_2688_class_Usb_Des::~Firmware_Massage_2688_class_Usb_Des() = default;

void Firmware_Massage_2688_class_Usb_Des::Build(Mutable_Byte_Span image) {
    Image = image;
    Selector = Get_Byte(Offset_2688_Selector) == 1 ? 1 : 0;
    Configurations = std::make_unique<SfUsbGroup16_17_class_2688>(image);
}

void Firmware_Massage_2688_class_Usb_Des::Clear() {
    Image = {};
    Selector = 0;
    Configurations = std::make_unique<SfUsbGroup16_17_class_2688>(Byte_Span{});
}

std::uint8_t Firmware_Massage_2688_class_Usb_Des::Get_Byte(std::uint32_t offset) const {
    return Read_U8(Image, offset);
}

std::uint16_t Firmware_Massage_2688_class_Usb_Des::Get_Device_Field(std::size_t field) const {
    return Read_U16_LE(Image, Device_Offset() + field);
}

void Firmware_Massage_2688_class_Usb_Des::Set_Device_Field(std::size_t field, std::uint16_t value) {
    Store_U16_LE(Image, Device_Offset() + field, value);
}

std::size_t Firmware_Massage_2688_class_Usb_Des::Get_String_Slot(String_Kind kind) const {
    if (kind >= String_Microphone) {
        return String_Slot_Microphone;
    }
    const std::size_t index = Read_U8(Image, Device_Offset() + Device_Field_String_Indexes + kind);
    return index < String_Slot_Count ? index : 0;
}

String_Buffer_260& Firmware_Massage_2688_class_Usb_Des::Get_Slot_Text(String_Buffer_260& text,
                                                                      std::size_t slot) const {
    const std::size_t at = Slot_Offset(slot);
    return Code_Units_To_Text(text, Bytes_At(Image, at + Slot_Head, String_Slot_Size - Slot_Head),
                              Slot_Units(Read_U8(Image, at)));
}

void Firmware_Massage_2688_class_Usb_Des::Write_Slot(std::size_t slot, const String_Buffer_260& text) {
    const std::size_t at = Slot_Offset(slot);
    const std::size_t count = std::min(text.Length(), String_Slot_Max_Text);
    const auto length = static_cast<std::uint16_t>(2 * count + 2);
    for (std::size_t i = 0; i < count; ++i) {
        Store_U16_LE(Image, at + Slot_Head + 2 * i, static_cast<std::uint8_t>(text.Data()[i]));
    }
    Store_U8(Image, at, static_cast<std::uint8_t>(length)); // bDescriptorType stays
    Store_Bytes(Image, at + Slot_Head + 2 * count, Stored_Area_End);
    Store_Length_Entry(Length_Entry_String + slot, length);
}

void Firmware_Massage_2688_class_Usb_Des::Add_Slot_Number(std::size_t slot, std::uint32_t n) {
    const std::size_t at = Slot_Offset(slot);
    const std::uint8_t length = Read_U8(Image, at);
    if (length < 4 || at + String_Slot_Size > Image.size()) {
        return;
    }
    Add_Number_To_Code_Units(Image.subspan(at + Slot_Head, String_Slot_Size - Slot_Head), Slot_Units(length),
                             n);
}

void Firmware_Massage_2688_class_Usb_Des::Store_Length_Entry(std::size_t entry, std::uint16_t length) {
    Store_U16_BE(Image, Offset_2688_Length_Table + Length_Entry_Size * entry, length);
}

const uvcDescriptor& Firmware_Massage_2688_class_Usb_Des::Get_Selected_Configuration() const {
    return Configurations->Get_Configuration(Selector);
}

std::uint16_t Firmware_Massage_2688_class_Usb_Des::Rebuild_Configuration(const Video_Stream_Model& wanted,
                                                                         std::uint8_t microphone) {
    const uvcDescriptor& configuration = Get_Selected_Configuration();
    // Descriptors the model did not cover would be lost by a rebuild.
    if (configuration.Is_Empty() ||
        configuration.Get_Covered_Length() != configuration.Get_Declared_Length()) {
        return 0;
    }
    const std::size_t count = configuration.Get_Function_Count();
    const auto* first = configuration.Get_Function(0);
    const auto* second = configuration.Get_Function(1);
    const bool audio_second = count == 2 && second->Is_Audio_Function();
    // The rebuild writes the video function and, when asked, the microphone after it;
    // any other function would be dropped, so such a configuration stays as it is.
    if (first == nullptr || !first->Is_Video_Function() || count > 2 || (count == 2 && !audio_second)) {
        return 0;
    }
    const Byte_Span head = configuration.Get_Head();
    std::vector<std::uint8_t> rebuilt(head.begin(), head.end());
    if (configuration.Serialise_Function(rebuilt, 0, wanted) == 0) {
        return 0; // no video function with a format: the camera would have no video
    }
    std::uint8_t functions = 1;
    if (audio_second && microphone != 0) {
        configuration.Serialise_Function(rebuilt, 1, Video_Stream_Model{});
        ++functions;
    }
    const std::size_t area = Offset_2688_Configuration[Selector];
    if (rebuilt.size() + Stored_Area_End.size() > Configuration_Area_Size ||
        area + Configuration_Area_Size > Image.size()) {
        return 0;
    }
    const auto total = static_cast<std::uint16_t>(rebuilt.size());
    Write_U16_LE(rebuilt, Configuration_Total_Length, total);
    rebuilt[Configuration_Interface_Count] = static_cast<std::uint8_t>(Interfaces_Per_Function * functions);

    std::fill_n(Image.begin() + static_cast<std::ptrdiff_t>(area), Configuration_Area_Size, 0);
    Store_Bytes(Image, area, rebuilt);
    Store_Bytes(Image, area + rebuilt.size(), Stored_Area_End);
    Store_Length_Entry(Length_Entry_Configuration + Selector, total);
    // The order bytes follow the formats actually written.
    const std::uint32_t mode = Streaming_Format_Mode(wanted);
    if (mode == Format_Mode_Uncompressed || mode == Format_Mode_Uncompressed_Then_Mjpeg) {
        Store_Bytes(Image, Offset_2688_Format_Order, Uncompressed_First);
    } else if (mode == Format_Mode_Mjpeg || mode == Format_Mode_Mjpeg_Then_Uncompressed) {
        Store_Bytes(Image, Offset_2688_Format_Order, Mjpeg_First);
    }
    return total;
}

void Firmware_Massage_2688_class_Usb_Des::Reorder_Resolution_Table(const std::vector<Frame_Size>& sizes) {
    const Byte_Span stored = Bytes_At(Image, Offset_2688_Resolution_Tables[0], Resolution_Table_Size);
    const std::vector<std::uint8_t> old(stored.begin(), stored.end());
    // The records run to the first without a width and height, or to the table's capacity.
    std::size_t count = 0;
    while (count < Resolution_Record_Count &&
           Read_U16_BE(old, count * Resolution_Record_Size + Resolution_Width) != 0) {
        ++count;
    }
    std::array<std::uint8_t, Resolution_Table_Size> fresh{};
    const std::size_t positions = std::min(sizes.size(), Resolution_Record_Count);
    for (std::size_t p = 0; p < positions; ++p) {
        for (std::size_t r = 0; r < count; ++r) {
            const Byte_Span record = Bytes_At(old, r * Resolution_Record_Size, Resolution_Record_Size);
            if (Record_Matches(record, sizes[p])) {
                std::ranges::copy(record,
                                  fresh.begin() + static_cast<std::ptrdiff_t>(p * Resolution_Record_Size));
                break;
            }
        }
    }
    for (const std::uint32_t table : Offset_2688_Resolution_Tables) {
        Store_Bytes(Image, table, fresh);
    }
}

void Firmware_Massage_2688_class_Usb_Des::Fill_Descriptor_Set(Descriptor_Set& set) const {
    set.Filled = 0;
    for (std::size_t slot = Slot_Video_Settings; slot < Slot_Flags; ++slot) {
        set.Slots[slot].Reset();
    }
    set.Assign_Stream_Model(Video_Stream_Model{}); // empties the lists and zeroes the scalars
    set.Filled = 1;

    const uvcDescriptor& configuration = Get_Selected_Configuration();
    set.Assign_Stream_Model(configuration.Get_Stream_Model());
    for (std::size_t slot = Slot_Video_Settings; slot <= Slot_Still_Capture; ++slot) {
        set.Slots[slot].Present = 1;
    }
    set.Slot(Slot_Flags).Third_Flag = 1;

    const std::size_t count = configuration.Get_Function_Count();
    if (count > 1) {
        std::size_t video = 0;
        bool audio_seen = false;
        for (std::size_t i = 0; i < count; ++i) {
            const auto* function = configuration.Get_Function(i);
            video += function->Is_Video_Function() ? 1 : 0;
            if (function->Is_Audio_Function() && !audio_seen) {
                audio_seen = true;
                Edited_Value& microphone = set.Slot(Slot_Microphone);
                microphone.Present = 1;
                microphone.Enabled = 1;
                microphone.Apply(std::uint8_t{1});
            }
        }
        if (video > 1) {
            set.Slot(Slot_Multiple_Video).Present = 1;
            set.Slot(Slot_Multiple_Video).Enabled = 1;
        }
    }
    set.Slot(Slot_Video_Settings).Enabled = 1;
    set.Slot(Slot_Settings_Bytes).Enabled = 1;
    set.Slot(Slot_Flags).Enabled = 1;
    set.Slot(Slot_Settings_Bytes).Set_Value_Byte(0, Get_Byte(Offset_2688_Settings_Flag) != 0 ? 1 : 0);
    set.Slot(Slot_Settings_Bytes).Set_Value_Byte(1, Get_Byte(Offset_2688_Settings_Value));
}
