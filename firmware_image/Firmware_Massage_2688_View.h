// Typed access to the settings area of a 256 KB image: the selector, the two device
// descriptors, the string table, the length table, the settings groups, the resolution
// table and the two configuration areas with their parsed models. A view works in place
// on an image the 2688 object owns; every offset it uses is a fixed one of the layout, and
// every length it takes from the image is checked against the place it describes.
#pragma once

#include "firmware_image/Descriptor_Set.h"
#include "firmware_image/String_Buffer_260.h"
#include "firmware_image/String_Descriptor.h"
#include "firmware_image/uvcDescriptor.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

inline constexpr std::uint32_t Image_256K_Size = 0x40000;
inline constexpr std::uint32_t Offset_2688_External_ID = 0x2F000;
inline constexpr std::uint32_t Offset_2688_Selector = 0x30200;
inline constexpr std::uint32_t Offset_2688_Settings_Flag = 0x3021F;  // feeds slot 2, byte 0
inline constexpr std::uint32_t Offset_2688_Settings_Value = 0x30221; // feeds slot 2, byte 1
inline constexpr std::uint32_t Offset_2688_Format_Order = 0x30233;   // two bytes
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Resolution_Tables{0x30300, 0x30500};
inline constexpr std::size_t Resolution_Record_Size = 26;
inline constexpr std::size_t Resolution_Record_Count = 19;
inline constexpr std::size_t Resolution_Table_Size = 512;
inline constexpr std::uint32_t Offset_2688_Length_Table = 0x30E00;
inline constexpr std::size_t Length_Entry_Size = 6;
inline constexpr std::size_t Length_Entry_Configuration = 4; // entry 4 + c
inline constexpr std::size_t Length_Entry_String = 10;       // entry 10 + i
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Device{0x31000, 0x3103C};
inline constexpr std::uint32_t Offset_2688_Strings = 0x31800;
inline constexpr std::size_t String_Slot_Size = 128;
inline constexpr std::size_t String_Slot_Count = 12;
inline constexpr std::size_t String_Slot_Microphone = 2;
// The longest text a string slot takes.
inline constexpr std::size_t String_Slot_Max_Text = 31;
inline constexpr std::array<std::uint32_t, 2> Offset_2688_Configuration{0x32000, 0x33000};
inline constexpr std::size_t Configuration_Area_Size = 0x1000;

// iManufacturer, iProduct, iSerialNumber in a USB device descriptor.
inline constexpr std::size_t Device_Field_String_Indexes = 14;

// The two configuration areas, each with its parsed model.
class SfUsbGroup16_17_class_2688 {
public:
    explicit SfUsbGroup16_17_class_2688(Byte_Span image);
    virtual ~SfUsbGroup16_17_class_2688();

    SfUsbGroup16_17_class_2688(const SfUsbGroup16_17_class_2688&) = delete;
    SfUsbGroup16_17_class_2688& operator=(const SfUsbGroup16_17_class_2688&) = delete;

    const uvcDescriptor& Get_Configuration(std::size_t c) const { return *Configurations[c % 2]; }

private:
    std::array<std::unique_ptr<uvcDescriptor>, 2> Configurations;
};

class Firmware_Massage_2688_class_Usb_Des {
public:
    Firmware_Massage_2688_class_Usb_Des();
    explicit Firmware_Massage_2688_class_Usb_Des(Mutable_Byte_Span image);
    virtual ~Firmware_Massage_2688_class_Usb_Des();

    Firmware_Massage_2688_class_Usb_Des(const Firmware_Massage_2688_class_Usb_Des&) = delete;
    Firmware_Massage_2688_class_Usb_Des& operator=(const Firmware_Massage_2688_class_Usb_Des&) = delete;

    // Builds the view over an image of 256 KB from scratch; Clear empties it.
    void Build(Mutable_Byte_Span image);
    void Clear();

    // 0 or 1: which device descriptor and configuration are in use. Any other stored
    // selector counts as 0.
    std::size_t Get_Selector() const { return Selector; }

    // The 16-bit field at `offset` of the selected device descriptor.
    std::uint16_t Get_Device_Field(std::size_t offset) const;
    void Set_Device_Field(std::size_t offset, std::uint16_t value);
    // The string slot of a kind: the microphone's is slot 2; the others the selected
    // descriptor's index, 0 when it names no slot of the table (0 itself, or 12 and above).
    std::size_t Get_String_Slot(String_Kind kind) const;

    // The slot's text: (bLength - 2) / 2 code units, the low byte of each, within the
    // slot; empty when bLength is below 2 or the first unit is 0.
    String_Buffer_260& Get_Slot_Text(String_Buffer_260& text, std::size_t slot) const;
    // Writes a text of at most 31 characters into the slot with its end mark, and its
    // length into the length table.
    void Write_Slot(std::size_t slot, const String_Buffer_260& text);
    void Add_Slot_Number(std::size_t slot, std::uint32_t n);

    std::uint8_t Get_Byte(std::uint32_t offset) const;
    const uvcDescriptor& Get_Selected_Configuration() const;

    // Rebuilds the selected configuration from a stream model (microphone 0 leaves a
    // second, audio function out). Written only when the configuration was modelled
    // whole, the result holds a video function with a format, drops no function but the
    // switched-off microphone, and fits the 4 KB area with its end mark; then the area,
    // its length entry and the format order bytes are updated. Returns the new total
    // length, or 0 when nothing was written.
    std::uint16_t Rebuild_Configuration(const Video_Stream_Model& wanted, std::uint8_t microphone);
    // Puts the resolution records in the order of `sizes`, each position taking the first
    // record of that size; both copies of the table are rewritten.
    void Reorder_Resolution_Table(const std::vector<Frame_Size>& sizes);

    // Fills a descriptor set from the selected configuration and the settings bytes.
    void Fill_Descriptor_Set(Descriptor_Set& set) const;

private:
    std::size_t Device_Offset() const { return Offset_2688_Device[Selector]; }
    void Store_Length_Entry(std::size_t entry, std::uint16_t length);

    Mutable_Byte_Span Image;
    std::size_t Selector = 0;
    std::unique_ptr<SfUsbGroup16_17_class_2688> Configurations;
};
