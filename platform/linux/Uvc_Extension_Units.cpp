#include "platform/linux/Uvc_Extension_Units.h"

#include <algorithm>

namespace platform::linux_host {

namespace {

constexpr std::uint8_t Configuration_Type = 2;
constexpr std::uint8_t Interface_Type = 4;
constexpr std::uint8_t Interface_Association_Type = 11;
constexpr std::uint8_t Class_Interface_Type = 0x24;
constexpr std::uint8_t Extension_Unit_Subtype = 0x06;
// bLength, bDescriptorType, bDescriptorSubtype, bUnitID, then the 16-byte GUID.
constexpr std::size_t Extension_Unit_Guid_At = 4;
constexpr std::size_t Extension_Unit_Head = Extension_Unit_Guid_At + 16;

} // namespace

GUID Guid_From_Descriptor(std::span<const std::uint8_t, 16> bytes) {
    GUID guid;
    guid.Data1 = static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
                 static_cast<std::uint32_t>(bytes[3]) << 24;
    guid.Data2 = static_cast<std::uint16_t>(bytes[4] | bytes[5] << 8);
    guid.Data3 = static_cast<std::uint16_t>(bytes[6] | bytes[7] << 8);
    std::copy(bytes.begin() + 8, bytes.end(), guid.Data4.begin());
    return guid;
}

std::vector<Video_Control_Interface>
Read_Video_Control_Interfaces(std::span<const std::uint8_t> configuration) {
    std::vector<Video_Control_Interface> interfaces;
    if (configuration.size() < 4 || configuration[1] != Configuration_Type)
        return interfaces;
    const std::size_t total = configuration[2] | configuration[3] << 8;
    const std::span<const std::uint8_t> bytes = configuration.first(std::min(total, configuration.size()));
    // Class-specific descriptors belong to the interface descriptor before them.
    bool in_video_control = false;
    for (std::size_t at = 0; at + 2 <= bytes.size();) {
        const std::size_t length = bytes[at];
        if (length < 2 || at + length > bytes.size())
            break;
        const std::span<const std::uint8_t> descriptor = bytes.subspan(at, length);
        const std::uint8_t type = descriptor[1];
        if (type == Interface_Type || type == Interface_Association_Type) {
            in_video_control = type == Interface_Type && length >= 9 && descriptor[3] == 0 &&
                               descriptor[5] == Video_Class && descriptor[6] == Video_Control_Subclass;
            if (in_video_control)
                interfaces.push_back({descriptor[2], {}});
        } else if (in_video_control && type == Class_Interface_Type && length >= Extension_Unit_Head &&
                   descriptor[2] == Extension_Unit_Subtype) {
            const auto guid = descriptor.subspan(Extension_Unit_Guid_At).first<16>();
            interfaces.back().Extension_Units.push_back({Guid_From_Descriptor(guid), descriptor[3]});
        }
        at += length;
    }
    return interfaces;
}

std::optional<std::uint8_t> Find_Extension_Unit(const Video_Control_Interface& interface, const GUID& guid) {
    const auto found = std::find_if(interface.Extension_Units.begin(), interface.Extension_Units.end(),
                                    [&](const Extension_Unit& unit) { return unit.Guid == guid; });
    if (found == interface.Extension_Units.end())
        return std::nullopt;
    return found->Unit_Id;
}

} // namespace platform::linux_host
