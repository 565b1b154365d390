// What the Linux backend reads from outside, through its readers: a device's descriptors as
// sysfs keeps them (device descriptor, then whole configurations) and as a configuration alone,
// and the kernel's and udev's texts (device and interface names, an event's properties). The
// readers stay inside the bytes, and what they accept comes back the same through the names.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

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
    }
    Read_Configuration(bytes);
    Read_Names(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
