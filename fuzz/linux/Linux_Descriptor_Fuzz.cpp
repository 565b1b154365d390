// What the Linux backend reads from outside, through its readers: a device's descriptors as
// sysfs keeps them (device descriptor, then whole configurations) and as a configuration alone,
// and the strings they name, and the kernel's and udev's texts (device, interface and port
// names, an event's properties). The readers stay inside the bytes, and what they accept comes
// back the same through the names.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "platform/linux/Camera_Places.h"
#include "platform/linux/Sysfs_Usb_Devices.h"
#include "platform/linux/Udev_Device_Watch.h"
#include "platform/linux/Usb_Device_Names.h"
#include "platform/linux/Uvc_Extension_Units.h"

namespace {

using namespace platform::linux_host;

void Require(bool condition) {
    if (!condition)
        std::abort();
}

void Read_Configuration(std::span<const std::uint8_t> configuration) {
    for (const Video_Control_Interface& interface : Read_Video_Control_Interfaces(configuration)) {
        for (const Extension_Unit& unit : interface.Extension_Units) {
            const auto found = Find_Extension_Unit(interface, unit.Guid);
            Require(found.has_value());
        }
    }
}

void Read_Names(std::string_view text) {
    if (const auto location = Parse_Device_Name(text)) {
        Require(location->Ports.size() <= Max_Port_Depth);
        Require(Parse_Device_Name(location->Sysfs_Name()) == location);
        Require(!Instance_Part(*location, 0).empty());
    }
    if (const auto interface = Parse_Interface_Name(text))
        Require(interface->Device.Ports.size() <= Max_Port_Depth);
    if (const auto port = Parse_Port_Name(text)) {
        const std::string directory = Port_Directory(*port);
        Require(Parse_Port_Name(directory.substr(directory.rfind('/') + 1)) == port);
    }
    // An event's four properties, one per line.
    std::string_view fields[4];
    std::string_view rest = text;
    for (std::string_view& field : fields) {
        const std::size_t end = rest.find('\n');
        field = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    if (const auto change = Video_Interface_Change(fields[0], fields[1], fields[2], fields[3]))
        Require(change->Device_Path.empty() || change->Device_Path.starts_with("\\\\?\\usb#vid_"));
    Speed_From_Text(text);
}

// The strings a device's descriptors name, with text for every one sysfs could have.
void Read_Strings(const Sysfs_Descriptors& descriptors) {
    Sysfs_Usb_Device device;
    device.Descriptor = descriptors.Device;
    device.Configurations = descriptors.Configurations;
    if (!device.Configurations.empty() && device.Configurations.front().size() >= 9)
        device.Configuration_Value = device.Configurations.front()[5];
    device.Manufacturer = device.Product = device.Serial = device.Configuration_Name = "text";
    for (std::uint8_t number = 0; number < 4; ++number)
        device.Interfaces.push_back({{{1, {1}}, 1, number}, "", 0, 0, 0, 0, 0, "", "interface"});
    for (const auto& [index, text] : Kept_Strings(device))
        Require(index != 0 && !text.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto descriptors = Split_Sysfs_Descriptors(bytes)) {
        std::size_t total = 18;
        for (const auto& configuration : descriptors->Configurations) {
            total += configuration.size();
            Read_Configuration(configuration);
        }
        Require(total <= size);
        Read_Strings(*descriptors);
    }
    Read_Configuration(bytes);
    Read_Names(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
