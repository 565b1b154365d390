#pragma once
// The fixed 1900-byte record the library keeps per camera and copies out whole to the tool:
// where the camera hangs on the USB tree, its USB identity and strings, its device paths and
// the ids parsed from them. Little-endian; strings are NUL-terminated 8-bit text. A record
// starts all zero, so every field nobody fills reads as zero.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Guid.h"

// Ids parsed from a device path of the form
// \\?\usb#vid_vvvv&pid_pppp&mi_ii#a&bbbbbbbb&c&dddd#{guid}\global.
struct Device_Path_Id {
    std::uint16_t Vid;
    std::uint16_t Pid;
    std::uint32_t Interface_Number;
    std::uint32_t Instance_1;
    std::uint32_t Instance_2;
    std::uint32_t Instance_3;
    std::uint32_t Instance_4;
    platform::GUID Class_Guid;
};

inline constexpr std::size_t Device_Info_Text_Size = 256;

struct Device_Info_Record {
    std::uint32_t Node_Word;                   // device-information type of the matched USB tree node
    char Hub_Port_Path[Device_Info_Text_Size]; // the hub the camera hangs on
    std::uint32_t Port_Number;                 // its port on that hub
    std::uint32_t idVendor;
    std::uint32_t idProduct;
    std::uint32_t bcdDevice; // shown as the firmware version
    char Manufacturer[Device_Info_Text_Size];
    char Product[Device_Info_Text_Size];
    char Serial_Number[Device_Info_Text_Size];
    char Device_Path[Device_Info_Text_Size];     // the video-input device's path
    char Usb_Device_Path[Device_Info_Text_Size]; // the matched USB device's interface path
    char Hardware_Id[Device_Info_Text_Size];     // first hardware id of the capture device
    ::Device_Path_Id Device_Path_Id;             // parsed from Device_Path
    ::Device_Path_Id Usb_Path_Id;                // parsed from Usb_Device_Path
    std::uint16_t Parent_Ids[4];                 // ids pairing the camera with its USB device
};

static_assert(std::endian::native == std::endian::little, "the record is copied out as little-endian bytes");
static_assert(sizeof(Device_Path_Id) == 40 && offsetof(Device_Path_Id, Interface_Number) == 4 &&
              offsetof(Device_Path_Id, Instance_1) == 8 && offsetof(Device_Path_Id, Instance_4) == 20 &&
              offsetof(Device_Path_Id, Class_Guid) == 24);
static_assert(sizeof(Device_Info_Record) == 1900);
static_assert(
    offsetof(Device_Info_Record, Hub_Port_Path) == 4 && offsetof(Device_Info_Record, Port_Number) == 260 &&
    offsetof(Device_Info_Record, idVendor) == 264 && offsetof(Device_Info_Record, idProduct) == 268 &&
    offsetof(Device_Info_Record, bcdDevice) == 272 && offsetof(Device_Info_Record, Manufacturer) == 276 &&
    offsetof(Device_Info_Record, Product) == 532 && offsetof(Device_Info_Record, Serial_Number) == 788 &&
    offsetof(Device_Info_Record, Device_Path) == 1044 &&
    offsetof(Device_Info_Record, Usb_Device_Path) == 1300 &&
    offsetof(Device_Info_Record, Hardware_Id) == 1556 &&
    offsetof(Device_Info_Record, Device_Path_Id) == 1812 &&
    offsetof(Device_Info_Record, Usb_Path_Id) == 1852 && offsetof(Device_Info_Record, Parent_Ids) == 1892);

// Copies `text` into a text field of the record: at most 255 bytes (a longer text is cut, never
// in the middle of a UTF-8 character), the rest of the field zero, so the field always ends
// with a NUL.
inline void Copy_Record_Text(char (&field)[Device_Info_Text_Size], std::string_view text) {
    std::size_t length = std::min(text.size(), Device_Info_Text_Size - 1);
    const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
    if (length < text.size()) {
        // A UTF-8 character is at most four bytes: step back over up to three continuation bytes.
        for (int back = 0; back < 3 && length > 0 && continuation(text[length]); ++back)
            --length;
    }
    std::fill(std::copy_n(text.begin(), length, field), field + Device_Info_Text_Size, '\0');
}
