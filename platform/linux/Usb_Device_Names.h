#pragma once
// Where a USB device sits on a Linux host, and the names the platform seams give it.
//
// The kernel names a device by its bus and the path of hub ports that leads to it: "usb1" is
// the root hub of bus 1, "1-4" the device on its port 4, "1-4.2" the device on port 2 of the
// hub on that port; an interface adds ":<configuration>.<interface>" ("1-4.2:1.0"). That path
// is what stays the same when a camera is unplugged and plugged into the same port again.
//
// The camera library parses the Windows forms of device paths and ids, so the names given
// here keep those forms and carry the bus and port path in their instance part
// "B&PPPPPPPP&Q&IIII": B the bus, PPPPPPPP the first four port numbers one byte each, Q the
// further port numbers likewise, IIII the interface number (0 for a device). Two devices on
// different ports never share an instance part; a device plugged into the same port again gets
// the same one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::linux_host {

// USB allows seven tiers; a port path has at most six numbers, and the instance part has room
// for eight.
inline constexpr std::size_t Max_Port_Depth = 8;

struct Usb_Location {
    std::uint8_t Bus = 0;
    std::vector<std::uint8_t> Ports; // empty: the root hub of the bus

    friend auto operator<=>(const Usb_Location&, const Usb_Location&) = default;

    bool Is_Root_Hub() const { return Ports.empty(); }
    // The number of the port the device is plugged into (0 for a root hub).
    std::uint8_t Port() const { return Ports.empty() ? 0 : Ports.back(); }
    // The hub the device hangs on (a root hub is its own parent).
    Usb_Location Parent() const;
    // "usb1", "1-4.2".
    std::string Sysfs_Name() const;
};

struct Usb_Interface_Location {
    Usb_Location Device;
    std::uint8_t Configuration = 0;
    std::uint8_t Interface_Number = 0;
};

// A number as the kernel and udev write them in names and attributes: at most `digits` digits
// in `base` (10 or 16, either letter case), at most `most`, and nothing else around it.
std::optional<std::uint32_t> Parse_Number(std::string_view text, int base, std::size_t digits,
                                          std::uint32_t most);

// The kernel's names, as they come from sysfs and udev (outside text: anything that is not
// such a name, or a bus, port or interface number out of range, gives nullopt). A root hub's
// interfaces are named "1-0:1.0".
std::optional<Usb_Location> Parse_Device_Name(std::string_view name);
std::optional<Usb_Interface_Location> Parse_Interface_Name(std::string_view name);

// "B&PPPPPPPP&Q&IIII" (hex digits).
std::string Instance_Part(const Usb_Location& location, std::uint16_t last);

// The video-input device of a video-control interface:
// \\?\usb#vid_vvvv&pid_pppp&mi_ii#<instance>#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global.
std::string Video_Input_Path(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location,
                             std::uint8_t interface_number);
// The capture function (the video-control interface as a device of its own).
std::string Capture_Instance_Id(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location,
                                std::uint8_t interface_number);
std::string Capture_Hardware_Id(std::uint16_t vid, std::uint16_t pid, std::uint16_t bcd,
                                std::uint8_t interface_number);
// A USB device (a hub included).
std::string Device_Instance_Id(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location);
std::string Device_Hardware_Id(std::uint16_t vid, std::uint16_t pid, std::uint16_t bcd);
std::string Device_Interface_Path(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location);
// A root hub and its bus's host controller. The tree shows one host controller per bus: a
// controller that serves two buses (USB 2 and USB 3 ports) is shown once for each.
std::string Root_Hub_Instance_Id(const Usb_Location& root, std::uint16_t bcd_usb);
std::string Host_Controller_Instance_Id(std::uint8_t bus);
std::string Host_Controller_Path(std::uint8_t bus);
std::optional<std::uint8_t> Parse_Host_Controller_Path(std::string_view path);
// Hubs are opened by their kernel name ("usb1", "1-4"); this is the path of their interface.
std::string Hub_Interface_Path(const Usb_Location& hub);
// Driver keys: unique per device on the host, compared without regard to case.
std::string Device_Driver_Key(const Usb_Location& location);
std::string Capture_Driver_Key(const Usb_Location& location, std::uint8_t interface_number);
std::string Host_Controller_Driver_Key(std::uint8_t bus);

} // namespace platform::linux_host
