#pragma once
// What a simulated USB device says about itself: its device descriptor, its configuration,
// BOS and string descriptors as the bytes it sends, how its port sees it, and the properties
// the host keeps for it. A camera is a device whose configuration holds a video function and
// which has a capture function (the devnode a video-input device path names).
//
// Builders for the usual shapes sit beside the record: a UVC camera, a plain non-camera device,
// a hub. Tests and scenario loaders change any field before the device is plugged in.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Usb_Host.h"

namespace platform::simulated {

using Descriptor_Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint16_t Language_English_US = 0x0409;

// The capture function of a camera.
struct Capture_Function_Description {
    std::uint8_t Interface_Number = 0;
    // The instance part of the capture device's id and path, e.g. "6&2B0C5C1A&0&0000"; empty: one
    // the tree makes up, unique on the host.
    std::string Instance;
    // The capture device's first hardware id; empty: USB\VID_v&PID_p&REV_r&MI_ii from the
    // device descriptor.
    std::string Hardware_Id;
    // Whether the host tells which USB device the function belongs to (its parent device).
    bool Tells_Parent = true;
};

struct Usb_Device_Description {
    Usb_Device_Descriptor Descriptor{};
    // Configuration descriptors by configuration index, whole (wTotalLength bytes or not: the
    // device sends what is here).
    std::vector<Descriptor_Bytes> Configurations;
    std::optional<Descriptor_Bytes> Bos;
    // String descriptors as sent, by (index, language id); (0, 0) is the language list. A
    // request for a string not here is refused.
    std::map<std::pair<std::uint8_t, std::uint16_t>, Descriptor_Bytes> Strings;

    Usb_Speed Speed = Usb_Speed::High;
    Usb_Connection_Status Status = Usb_Connection_Status::Device_Connected;

    std::string Description = "USB Composite Device";
    std::string Service = "usbccgp";
    std::string Class = "USB";
    // The device's first hardware id; empty: USB\VID_v&PID_p&REV_r from the device descriptor.
    std::string Hardware_Id;
    // The instance part of the device's id, path and (for a hub) name; a host takes a device's
    // serial number for it. Empty: one the tree makes up, unique on the host.
    std::string Instance;
    // Whether the device exposes the USB device interface (a device the host could not set up
    // may not); without it the walk has no path for it.
    bool Listed = true;
    std::optional<Capture_Function_Description> Capture;

    // The language list (string descriptor 0).
    void Set_Languages(const std::vector<std::uint16_t>& languages);
    // A string at `index` in one language, from UTF-8 text.
    void Set_String(std::uint8_t index, std::string_view text, std::uint16_t language = Language_English_US);
};

// A string descriptor as a device sends it, and the language list (platform/Usb_Host.h).
inline Descriptor_Bytes String_Descriptor(std::string_view utf8_text) {
    return Usb_String_Descriptor(utf8_text);
}
inline Descriptor_Bytes Language_List_Descriptor(const std::vector<std::uint16_t>& languages) {
    return Usb_Language_List_Descriptor(languages);
}

// A UVC camera's configuration: the configuration descriptor, an interface association of the
// video class, the video-control interface with its class-specific header, and a
// video-streaming interface.
Descriptor_Bytes Camera_Configuration();

struct Usb_Camera_Description {
    std::uint16_t Vid = 0x0A1B;
    std::uint16_t Pid = 0x2C3D;
    std::uint16_t Bcd = 0x0100;
    std::uint16_t Usb_Version = 0x0200;
    // Strings at indexes 1, 2 and 3; an empty one is not there (its index is 0).
    std::string Manufacturer = "ZUNQ";
    std::string Product = "USB Camera";
    std::string Serial;
    std::vector<std::uint16_t> Languages{Language_English_US};
};

// A camera: device class "miscellaneous, interface association", the camera configuration,
// its strings in every language given, and its capture function on interface 0.
Usb_Device_Description Camera_Device(const Usb_Camera_Description& camera = {});
// A device that is no camera (a keyboard), with no strings.
Usb_Device_Description Plain_Device(std::uint16_t vid, std::uint16_t pid);
// The device of an external hub (the hub's ports are the tree's business).
Usb_Device_Description Hub_Device(std::uint16_t vid = 0x05E3, std::uint16_t pid = 0x0610);

} // namespace platform::simulated
