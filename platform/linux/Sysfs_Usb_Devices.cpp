#include "platform/linux/Sysfs_Usb_Devices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace platform::linux_host {

namespace {

constexpr std::uint8_t Device_Descriptor_Type = 1;
constexpr std::uint8_t Configuration_Descriptor_Type = 2;
constexpr std::uint8_t Interface_Descriptor_Type = 4;
constexpr std::size_t Device_Descriptor_Length = 18;
// Far more than any device's descriptors (one configuration is at most 64 KB).
constexpr std::size_t Longest_Descriptors = 1 << 20;
constexpr std::size_t Longest_Text = 4096;

std::optional<std::string> Read_File(const std::string& path, std::size_t most) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes(most, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(most));
    if (file.bad())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

// A text attribute without its line end.
std::string Text_Attribute(const std::string& directory, const char* name) {
    std::string text = Read_File(directory + "/" + name, Longest_Text).value_or("");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// A number attribute's digits: some are printed right-aligned (" 0").
std::string Number_Text(const std::string& directory, const char* name) {
    std::string text = Text_Attribute(directory, name);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

// A number attribute in `base` (hex attributes carry no 0x); 0 when it is not one.
unsigned Number_Attribute(const std::string& directory, const char* name, int base) {
    return Parse_Number(Number_Text(directory, name), base, 8, 0xFFFFFFFFu).value_or(0);
}

std::uint8_t Byte_Attribute(const std::string& directory, const char* name, int base) {
    return static_cast<std::uint8_t>(std::min(Number_Attribute(directory, name, base), 255u));
}

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::vector<Sysfs_Usb_Interface> Read_Interfaces(const std::string& device_directory,
                                                 const Usb_Location& location) {
    std::vector<Sysfs_Usb_Interface> interfaces;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(device_directory, error), end; !error && entry != end;
         entry.increment(error)) {
        const auto parsed = Parse_Interface_Name(entry->path().filename().string());
        if (!parsed || parsed->Device != location)
            continue;
        Sysfs_Usb_Interface interface;
        interface.Location = *parsed;
        interface.Directory = entry->path().string();
        interface.Alternate_Setting = Byte_Attribute(interface.Directory, "bAlternateSetting", 10);
        interface.Class = Byte_Attribute(interface.Directory, "bInterfaceClass", 16);
        interface.Subclass = Byte_Attribute(interface.Directory, "bInterfaceSubClass", 16);
        interface.Protocol = Byte_Attribute(interface.Directory, "bInterfaceProtocol", 16);
        interface.Endpoints = Byte_Attribute(interface.Directory, "bNumEndpoints", 16);
        interface.Driver = Bound_Driver(interface.Directory);
        interface.Name = Text_Attribute(interface.Directory, "interface");
        interfaces.push_back(std::move(interface));
    }
    std::sort(interfaces.begin(), interfaces.end(), [](const auto& first, const auto& second) {
        return first.Location.Interface_Number < second.Location.Interface_Number;
    });
    return interfaces;
}

std::optional<Sysfs_Usb_Device> Read_Device_In(const std::string& directory, const Usb_Location& location) {
    const auto bytes = Read_File(directory + "/descriptors", Longest_Descriptors);
    if (!bytes)
        return std::nullopt;
    const auto descriptors = Split_Sysfs_Descriptors(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
    if (!descriptors)
        return std::nullopt;
    Sysfs_Usb_Device device;
    device.Location = location;
    device.Directory = directory;
    device.Descriptor = descriptors->Device;
    device.Configurations = descriptors->Configurations;
    device.Address = static_cast<std::uint16_t>(Number_Attribute(directory, "devnum", 10));
    device.Configuration_Value = Byte_Attribute(directory, "bConfigurationValue", 10);
    device.Speed = Speed_From_Text(Text_Attribute(directory, "speed"));
    device.Port_Count = Byte_Attribute(directory, "maxchild", 10);
    device.Driver = Bound_Driver(directory);
    device.Manufacturer = Text_Attribute(directory, "manufacturer");
    device.Product = Text_Attribute(directory, "product");
    device.Serial = Text_Attribute(directory, "serial");
    device.Configuration_Name = Text_Attribute(directory, "configuration");
    if (const auto bos = Read_File(directory + "/bos_descriptors", Longest_Descriptors))
        device.Bos.assign(bos->begin(), bos->end());
    if (location.Is_Root_Hub())
        device.Controller_Driver = Bound_Driver(directory + "/..");
    device.Interfaces = Read_Interfaces(directory, location);
    return device;
}

} // namespace

std::span<const std::uint8_t> Sysfs_Usb_Device::Active_Configuration() const {
    for (const auto& configuration : Configurations)
        if (configuration.size() >= 9 && configuration[5] == Configuration_Value && Configuration_Value != 0)
            return configuration;
    return {};
}

std::optional<Sysfs_Descriptors> Split_Sysfs_Descriptors(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < Device_Descriptor_Length || bytes[0] < Device_Descriptor_Length ||
        bytes[1] != Device_Descriptor_Type)
        return std::nullopt;
    Sysfs_Descriptors descriptors;
    descriptors.Device = *Usb_Device_Descriptor_From(bytes);
    for (std::size_t at = Device_Descriptor_Length; at + 9 <= bytes.size();) {
        if (bytes[at] < 9 || bytes[at + 1] != Configuration_Descriptor_Type)
            break;
        const std::size_t total = std::max<std::size_t>(Word(bytes, at + 2), 9);
        const std::size_t length = std::min(total, bytes.size() - at);
        descriptors.Configurations.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    return descriptors;
}

std::map<std::uint8_t, std::string> Kept_Strings(const Sysfs_Usb_Device& device) {
    std::map<std::uint8_t, std::string> strings;
    const auto keep = [&](std::uint8_t index, const std::string& text) {
        if (index != 0 && !text.empty())
            strings.emplace(index, text);
    };
    keep(device.Descriptor.iManufacturer, device.Manufacturer);
    keep(device.Descriptor.iProduct, device.Product);
    keep(device.Descriptor.iSerialNumber, device.Serial);
    const auto configuration = device.Active_Configuration();
    if (configuration.size() >= 9)
        keep(configuration[6], device.Configuration_Name);
    for (std::size_t at = 0; at + 9 <= configuration.size() && configuration[at] >= 2;
         at += configuration[at]) {
        const std::uint8_t* d = &configuration[at];
        if (d[0] < 9 || d[1] != Interface_Descriptor_Type || d[3] != 0)
            continue;
        for (const Sysfs_Usb_Interface& interface : device.Interfaces)
            if (interface.Location.Interface_Number == d[2])
                keep(d[8], interface.Name);
    }
    return strings;
}

std::string Bound_Driver(const std::string& directory) {
    std::error_code error;
    const auto target = std::filesystem::read_symlink(directory + "/driver", error);
    return error ? std::string() : target.filename().string();
}

Usb_Speed Speed_From_Text(std::string_view text) {
    if (text == "1.5")
        return Usb_Speed::Low;
    if (text == "480")
        return Usb_Speed::High;
    if (text == "5000" || text == "10000" || text == "20000")
        return Usb_Speed::Super;
    return Usb_Speed::Full;
}

std::optional<std::vector<Sysfs_Usb_Device>> Read_Usb_Devices() {
    std::error_code error;
    std::filesystem::directory_iterator entry(Usb_Devices_Directory, error);
    if (error)
        return std::nullopt;
    std::vector<Sysfs_Usb_Device> devices;
    for (const std::filesystem::directory_iterator end; !error && entry != end; entry.increment(error)) {
        const auto location = Parse_Device_Name(entry->path().filename().string());
        if (!location)
            continue; // an interface, or something else
        if (auto device = Read_Device_In(entry->path().string(), *location))
            devices.push_back(std::move(*device));
    }
    std::sort(devices.begin(), devices.end(),
              [](const auto& first, const auto& second) { return first.Location < second.Location; });
    return devices;
}

std::optional<Sysfs_Usb_Device> Read_Usb_Device(const Usb_Location& location) {
    return Read_Device_In(std::string(Usb_Devices_Directory) + "/" + location.Sysfs_Name(), location);
}

} // namespace platform::linux_host
