#pragma once
// The USB devices of the host as the kernel shows them in sysfs (/sys/bus/usb/devices): one
// directory per device and per interface, with the device's descriptors as it sent them
// ("descriptors": the device descriptor, then every configuration whole; "bos_descriptors"), its
// strings in the kernel's chosen language (the device's, its configuration's, its interfaces'), its speed,
// address and port count, and the driver bound to each interface. Reading needs no permission on the devices
// and opens none of them.
//
// Everything read here is outside data: a device whose directory cannot be read whole, or
// whose descriptors are not a device descriptor, is left out; other attributes that are
// missing or malformed read as empty or 0.
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/Usb_Host.h"
#include "platform/linux/Usb_Device_Names.h"

namespace platform::linux_host {

inline constexpr std::uint8_t Hub_Class = 0x09;
inline constexpr const char* Usb_Devices_Directory = "/sys/bus/usb/devices";

struct Sysfs_Usb_Interface {
    Usb_Interface_Location Location;
    std::string Directory;
    std::uint8_t Alternate_Setting = 0;
    std::uint8_t Class = 0;
    std::uint8_t Subclass = 0;
    std::uint8_t Protocol = 0;
    std::uint8_t Endpoints = 0;
    std::string Driver; // the driver bound to it now; empty when none
    std::string Name;   // its string (iInterface), as the kernel read it
};

struct Sysfs_Usb_Device {
    Usb_Location Location;
    std::string Directory;
    std::uint16_t Address = 0; // the device number the kernel gave it on its bus
    Usb_Device_Descriptor Descriptor{};
    std::vector<std::vector<std::uint8_t>> Configurations; // by configuration index
    std::uint8_t Configuration_Value = 0;                  // the active one; 0 unconfigured
    Usb_Speed Speed = Usb_Speed::Full;
    std::uint8_t Port_Count = 0; // a hub's ports
    std::string Driver;
    std::string Manufacturer, Product, Serial;
    std::string Configuration_Name; // the active configuration's string
    std::vector<std::uint8_t> Bos;  // the BOS descriptor, where the kernel shows it (6.6 on)
    std::string Controller_Driver;  // a root hub's: the driver of its host controller
    std::vector<Sysfs_Usb_Interface> Interfaces;

    bool Is_Hub() const { return Location.Is_Root_Hub() || Descriptor.bDeviceClass == Hub_Class; }
    // The active configuration's descriptor; empty when the device is unconfigured.
    std::span<const std::uint8_t> Active_Configuration() const;
};

// The device descriptor and the configurations of a "descriptors" attribute: each
// configuration is wTotalLength bytes long (or what is left, for the last).
struct Sysfs_Descriptors {
    Usb_Device_Descriptor Device{};
    std::vector<std::vector<std::uint8_t>> Configurations;
};
std::optional<Sysfs_Descriptors> Split_Sysfs_Descriptors(std::span<const std::uint8_t> bytes);

// The strings the kernel keeps of a device, by descriptor index: its own three, its active
// configuration's and (by the configuration's interface descriptors) its interfaces'. Indexes
// the descriptors name but sysfs has no text for are left out.
std::map<std::uint8_t, std::string> Kept_Strings(const Sysfs_Usb_Device& device);

// The name of the driver bound to the device or interface of a sysfs directory ("uvcvideo";
// "usbfs" while a program holds it through libusb), or empty when none is.
std::string Bound_Driver(const std::string& directory);

// The speed attribute ("1.5", "12", "480", "5000" ... megabits per second).
Usb_Speed Speed_From_Text(std::string_view text);

// Every USB device present, with its interfaces, in the order of their locations (bus, then
// port path). Nullopt when the host has no USB devices directory it can list.
std::optional<std::vector<Sysfs_Usb_Device>> Read_Usb_Devices();
// One device, read now: nullopt when none is at `location`.
std::optional<Sysfs_Usb_Device> Read_Usb_Device(const Usb_Location& location);

} // namespace platform::linux_host
