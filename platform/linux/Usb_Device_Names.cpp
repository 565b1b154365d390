#include "platform/linux/Usb_Device_Names.h"

#include "platform/Text_Format.h"
#include "platform/Usb_Host.h"

namespace platform::linux_host {

namespace {

constexpr const char* Host_Controller_Prefix = "\\\\?\\usb_host#bus_";

// A port, bus, configuration or interface number in a kernel name.
std::optional<std::uint8_t> Small_Number(std::string_view text, unsigned least, unsigned most) {
    const auto value = Parse_Number(text, 10, 3, most);
    if (!value || *value < least)
        return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

// The port numbers, packed one byte each from the most significant, from `first` on (four).
std::uint32_t Packed_Ports(const Usb_Location& location, std::size_t first) {
    std::uint32_t packed = 0;
    for (std::size_t at = first; at < first + 4; ++at)
        packed = packed << 8 | (at < location.Ports.size() ? location.Ports[at] : 0u);
    return packed;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::optional<std::uint32_t> Parse_Number(std::string_view text, int base, std::size_t digits,
                                          std::uint32_t most) {
    if (text.empty() || text.size() > digits)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0 || digit >= base)
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > most)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

Usb_Location Usb_Location::Parent() const {
    Usb_Location parent = *this;
    if (!parent.Ports.empty())
        parent.Ports.pop_back();
    return parent;
}

std::string Usb_Location::Sysfs_Name() const {
    if (Ports.empty())
        return Format("usb%u", Bus);
    std::string name = Format("%u-%u", Bus, Ports.front());
    for (std::size_t at = 1; at < Ports.size(); ++at)
        name += Format(".%u", Ports[at]);
    return name;
}

std::optional<Usb_Location> Parse_Device_Name(std::string_view name) {
    Usb_Location location;
    if (name.starts_with("usb")) {
        const auto bus = Small_Number(name.substr(3), 1, 255);
        if (!bus)
            return std::nullopt;
        location.Bus = *bus;
        return location;
    }
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto bus = Small_Number(name.substr(0, dash), 1, 255);
    if (!bus)
        return std::nullopt;
    location.Bus = *bus;
    std::string_view ports = name.substr(dash + 1);
    while (true) {
        const std::size_t dot = ports.find('.');
        const auto port = Small_Number(ports.substr(0, dot), 1, 255);
        if (!port || location.Ports.size() == Max_Port_Depth)
            return std::nullopt;
        location.Ports.push_back(*port);
        if (dot == std::string_view::npos)
            return location;
        ports.remove_prefix(dot + 1);
    }
}

std::optional<Usb_Interface_Location> Parse_Interface_Name(std::string_view name) {
    const std::size_t colon = name.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    const std::string_view device = name.substr(0, colon);
    const std::string_view numbers = name.substr(colon + 1);
    const std::size_t dot = numbers.find('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    const auto configuration = Small_Number(numbers.substr(0, dot), 0, 255);
    const auto interface_number = Small_Number(numbers.substr(dot + 1), 0, 255);
    if (!configuration || !interface_number)
        return std::nullopt;
    Usb_Interface_Location location{{}, *configuration, *interface_number};
    const std::size_t dash = device.find('-');
    if (dash != std::string_view::npos && device.substr(dash + 1) == "0") {
        const auto bus = Small_Number(device.substr(0, dash), 1, 255);
        if (!bus)
            return std::nullopt;
        location.Device.Bus = *bus; // a root hub's interface
        return location;
    }
    const auto parsed = Parse_Device_Name(device);
    if (!parsed || parsed->Is_Root_Hub())
        return std::nullopt;
    location.Device = *parsed;
    return location;
}

std::string Instance_Part(const Usb_Location& location, std::uint16_t last) {
    return Format("%X&%08X&%X&%04X", location.Bus, Packed_Ports(location, 0), Packed_Ports(location, 4),
                  last);
}

std::string Video_Input_Path(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location,
                             std::uint8_t interface_number) {
    return Format("\\\\?\\usb#vid_%04x&pid_%04x&mi_%02x#", vid, pid, interface_number) +
           Lower(Instance_Part(location, interface_number)) + Capture_Path_Suffix;
}

std::string Capture_Instance_Id(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location,
                                std::uint8_t interface_number) {
    return Format("USB\\VID_%04X&PID_%04X&MI_%02X\\", vid, pid, interface_number) +
           Instance_Part(location, interface_number);
}

std::string Capture_Hardware_Id(std::uint16_t vid, std::uint16_t pid, std::uint16_t bcd,
                                std::uint8_t interface_number) {
    return Format("USB\\VID_%04X&PID_%04X&REV_%04X&MI_%02X", vid, pid, bcd, interface_number);
}

std::string Device_Instance_Id(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location) {
    return Format("USB\\VID_%04X&PID_%04X\\", vid, pid) + Instance_Part(location, 0);
}

std::string Device_Hardware_Id(std::uint16_t vid, std::uint16_t pid, std::uint16_t bcd) {
    return Format("USB\\VID_%04X&PID_%04X&REV_%04X", vid, pid, bcd);
}

std::string Device_Interface_Path(std::uint16_t vid, std::uint16_t pid, const Usb_Location& location) {
    return Format("\\\\?\\usb#vid_%04x&pid_%04x#", vid, pid) + Lower(Instance_Part(location, 0)) +
           Usb_Device_Path_Suffix;
}

std::string Root_Hub_Instance_Id(const Usb_Location& root, std::uint16_t bcd_usb) {
    return Format("USB\\ROOT_HUB%s\\", bcd_usb >= 0x0300 ? "30" : "20") + Instance_Part(root, 0);
}

std::string Host_Controller_Instance_Id(std::uint8_t bus) {
    return Format("USB_HOST\\BUS_%03u", bus);
}

std::string Host_Controller_Path(std::uint8_t bus) {
    return Host_Controller_Prefix + Format("%03u", bus) + Usb_Host_Controller_Path_Suffix;
}

std::optional<std::uint8_t> Parse_Host_Controller_Path(std::string_view path) {
    const std::string_view prefix = Host_Controller_Prefix;
    const std::string_view suffix = Usb_Host_Controller_Path_Suffix;
    if (!path.starts_with(prefix) || !path.ends_with(suffix) || path.size() < prefix.size() + suffix.size())
        return std::nullopt;
    return Small_Number(path.substr(prefix.size(), path.size() - prefix.size() - suffix.size()), 1, 255);
}

std::string Hub_Interface_Path(const Usb_Location& hub) {
    return "\\\\?\\" + hub.Sysfs_Name() + Usb_Hub_Path_Suffix;
}

std::string Device_Driver_Key(const Usb_Location& location) {
    return std::string(Usb_Setup_Class_Key) + "\\" + location.Sysfs_Name();
}

std::string Capture_Driver_Key(const Usb_Location& location, std::uint8_t interface_number) {
    return std::string(Camera_Setup_Class_Key) + "\\" + location.Sysfs_Name() +
           Format(":%u", interface_number);
}

std::string Host_Controller_Driver_Key(std::uint8_t bus) {
    return std::string(Usb_Setup_Class_Key) + Format("\\host-%u", bus);
}

} // namespace platform::linux_host
