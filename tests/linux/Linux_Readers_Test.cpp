// The Linux backend's readers of outside data: cameras' configuration descriptors, sysfs's
// descriptors attribute, the kernel's device names and udev's events; the names it gives
// devices in the forms the library parses; its result table; its udev rule.
#include <gtest/gtest.h>

#include <fnmatch.h>

#include <fstream>
#include <iterator>
#include <set>

#include "Extension_Unit_Class/Chip_Probes.h"
#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"
#include "platform/Usb_Host.h"
#include "platform/linux/Libusb_Transfer.h"
#include "platform/linux/Sysfs_Usb_Devices.h"
#include "platform/linux/Udev_Device_Watch.h"
#include "platform/linux/Usb_Device_Names.h"
#include "platform/linux/Uvc_Extension_Units.h"

namespace {

using namespace platform::linux_host;
using Bytes = std::vector<std::uint8_t>;

Bytes Read_File(const std::string& path) {
    std::ifstream file(std::string(ZUNQ_SOURCE_DIR) + "/" + path, std::ios::binary);
    EXPECT_TRUE(file) << path;
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

Bytes Configuration_Of(const std::string& camera) {
    return Read_File("tests/data/uvc-descriptors/" + camera + ".config.bin");
}

struct Unit_Row {
    std::uint8_t Unit_Id;
    platform::GUID Guid;
};
struct Interface_Row {
    std::uint8_t Number;
    std::vector<Unit_Row> Units;
};
struct Real_Camera_Row {
    const char* Name;
    std::vector<Interface_Row> Interfaces;
};

using platform::Guid_Literal;
// The video-control interfaces and extension units of the real cameras, read off their bytes.
const Real_Camera_Row Real_Cameras[] = {
    {"anker_powerconf_c200", {{0, {{6, Guid_Literal("{41769EA2-04DE-E347-8B2B-F4341AFF003B}")}}}}},
    {"canyon_cne_cwc2", {{0, {{4, Unit_G4}}}}},
    {"customer", {{0, {}}}},
    {"dual_tusb", {{0, {}}, {2, {}}}},
    {"elp_h264", {{0, {{3, Unit_G4}, {4, Guid_Literal("{DDDF7394-973E-4727-BED9-04ED6426DC67}")}}}}},
    {"logitech_streamcam",
     {{0,
       {{14, Guid_Literal("{2C49D16A-32B8-4485-3EA8-643A152362F2}")},
        {6, Guid_Literal("{23E49ED0-1178-4F31-AE52-D2FB8A8D3B48}")},
        {8, Guid_Literal("{69678EE4-410F-40DB-A850-7420D7D8240E}")},
        {9, Guid_Literal("{1F5D4CA9-DE11-4487-840D-50933C8EC8D1}")},
        {10, Guid_Literal("{49E40215-F434-47FE-B158-0E885023E51B}")},
        {11, Guid_Literal("{FFE52D21-8030-4E2C-82D9-F587D00540BD}")}}}}},
    {"trust_webcam", {{0, {{4, Unit_G4}}}}},
};

const platform::GUID Probe_Guids[] = {Unit_G1,  Unit_G2,  Unit_G3,  Unit_G4,  Unit_G5,
                                      Unit_G6,  Unit_G7,  Unit_G8,  Unit_G9,  Unit_G10,
                                      Unit_G11, Unit_G12, Unit_G13, Unit_G14, Unit_G15};

TEST(Linux_Readers, ExtensionUnitsOfRealCamerasPairOnlyTheProbesGuidsTheyCarry) {
    for (const Real_Camera_Row& row : Real_Cameras) {
        SCOPED_TRACE(row.Name);
        const Bytes bytes = Configuration_Of(row.Name);
        const auto interfaces = Read_Video_Control_Interfaces(bytes);
        ASSERT_EQ(interfaces.size(), row.Interfaces.size());
        for (std::size_t i = 0; i < interfaces.size(); ++i) {
            EXPECT_EQ(interfaces[i].Interface_Number, row.Interfaces[i].Number);
            ASSERT_EQ(interfaces[i].Extension_Units.size(), row.Interfaces[i].Units.size());
            for (std::size_t u = 0; u < row.Interfaces[i].Units.size(); ++u) {
                EXPECT_EQ(interfaces[i].Extension_Units[u].Unit_Id, row.Interfaces[i].Units[u].Unit_Id);
                EXPECT_EQ(interfaces[i].Extension_Units[u].Guid, row.Interfaces[i].Units[u].Guid);
            }
            // What the probes' bindings reach: a unit only where the camera carries the GUID.
            for (const platform::GUID& probe : Probe_Guids) {
                const auto carried =
                    std::find_if(row.Interfaces[i].Units.begin(), row.Interfaces[i].Units.end(),
                                 [&](const Unit_Row& unit) { return unit.Guid == probe; });
                const auto paired = Find_Extension_Unit(interfaces[i], probe);
                EXPECT_EQ(paired.has_value(), carried != row.Interfaces[i].Units.end())
                    << platform::Format_Guid(probe);
                if (paired) {
                    EXPECT_EQ(*paired, carried->Unit_Id);
                }
            }
        }
    }
}

TEST(Linux_Readers, ExtensionUnitsCountOnlyWholeInsideAVideoControlInterface) {
    const Bytes unit_g4 = {24,   0x24, 0x06, 7,    0x70, 0x33, 0xF0, 0x28, 0x11, 0x63, 0x2E, 0x4A,
                           0xBA, 0x2C, 0x68, 0x90, 0xEB, 0x33, 0x40, 0x16, 0,    0,    0,    0};
    const auto configuration = [&](std::uint8_t subclass, std::uint8_t unit_length, std::uint16_t total) {
        Bytes bytes{9, 2, 0, 0, 1, 1, 0, 0x80, 50, 9, 4, 0, 0, 0, 0x0E, subclass, 0, 0};
        Bytes unit = unit_g4;
        unit[0] = unit_length;
        unit.resize(unit_length);
        bytes.insert(bytes.end(), unit.begin(), unit.end());
        bytes[2] = static_cast<std::uint8_t>(total ? total : bytes.size());
        return bytes;
    };
    const auto whole = Read_Video_Control_Interfaces(configuration(1, 24, 0));
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(Find_Extension_Unit(whole[0], Unit_G4), std::optional<std::uint8_t>(7));
    EXPECT_TRUE(Read_Video_Control_Interfaces(configuration(2, 24, 0)).empty()) << "a streaming interface";
    EXPECT_TRUE(Read_Video_Control_Interfaces(configuration(1, 19, 0)).at(0).Extension_Units.empty())
        << "too short to hold its GUID";
    EXPECT_TRUE(Read_Video_Control_Interfaces(configuration(1, 24, 30)).at(0).Extension_Units.empty())
        << "past wTotalLength";
}

TEST(Linux_Readers, KernelNamesParseAndComeBackTheSame) {
    struct Device_Name_Row {
        const char* Name;
        std::optional<Usb_Location> Location;
    };
    const Device_Name_Row devices[] = {
        {"usb1", Usb_Location{1, {}}},
        {"usb255", Usb_Location{255, {}}},
        {"3-1.4.2", Usb_Location{3, {1, 4, 2}}},
        {"1-1.2.3.4.5.6.7.8", Usb_Location{1, {1, 2, 3, 4, 5, 6, 7, 8}}},
        {"usb0", std::nullopt},
        {"usb256", std::nullopt},
        {"1-", std::nullopt},
        {"1-0", std::nullopt},
        {"1-1..2", std::nullopt},
        {"1-256", std::nullopt},
        {"-1", std::nullopt},
        {"1-1.2.3.4.5.6.7.8.9", std::nullopt},
        {"1-1:1.0", std::nullopt},
        {"1-+1", std::nullopt},
    };
    for (const Device_Name_Row& row : devices) {
        EXPECT_EQ(Parse_Device_Name(row.Name), row.Location) << row.Name;
        if (row.Location) {
            EXPECT_EQ(row.Location->Sysfs_Name(), row.Name);
        }
    }
    struct Interface_Name_Row {
        const char* Name;
        std::optional<Usb_Location> Device;
        std::uint8_t Number;
    };
    const Interface_Name_Row interfaces[] = {
        {"1-4.2:1.3", Usb_Location{1, {4, 2}}, 3},
        {"2-0:1.0", Usb_Location{2, {}}, 0},
        {"1-4.2", std::nullopt, 0},
        {"1-4.2:1", std::nullopt, 0},
        {"1-4.2:1.256", std::nullopt, 0},
        {"usb1:1.0", std::nullopt, 0},
    };
    for (const Interface_Name_Row& row : interfaces) {
        const auto parsed = Parse_Interface_Name(row.Name);
        ASSERT_EQ(parsed.has_value(), row.Device.has_value()) << row.Name;
        if (parsed) {
            EXPECT_EQ(parsed->Device, *row.Device) << row.Name;
            EXPECT_EQ(parsed->Interface_Number, row.Number) << row.Name;
        }
    }
}

TEST(Linux_Readers, NamesCarryTheBusAndPortPathInTheFormsTheLibraryParses) {
    const Usb_Location places[] = {
        {1, {2}}, {1, {3, 4}}, {2, {3, 4}}, {2, {1, 2, 3, 4, 5, 6}}, {2, {1, 2, 3, 4, 5, 7}}};
    std::set<std::vector<std::uint32_t>> seen;
    for (const Usb_Location& place : places) {
        SCOPED_TRACE(place.Sysfs_Name());
        const std::string path = Video_Input_Path(0x0C45, 0x6366, place, 2);
        const Device_Path_Id id = Parse_Device_Path_Id(path);
        EXPECT_EQ(id.Vid, 0x0C45);
        EXPECT_EQ(id.Pid, 0x6366);
        EXPECT_EQ(id.Interface_Number, 2u);
        EXPECT_EQ(id.Instance_1, place.Bus);
        EXPECT_EQ(id.Class_Guid, platform::Capture_Interface_Class);
        EXPECT_TRUE(path.starts_with("\\\\?\\usb#vid_")) << "the hub walk takes only such paths";
        // The hub walk pairs the path with its capture function by these numbers.
        const Device_Path_Id function = Parse_Device_Path_Id(Capture_Instance_Id(0x0C45, 0x6366, place, 2));
        EXPECT_EQ(std::tie(function.Vid, function.Pid, function.Instance_1, function.Instance_2,
                           function.Instance_3, function.Instance_4),
                  std::tie(id.Vid, id.Pid, id.Instance_1, id.Instance_2, id.Instance_3, id.Instance_4));
        EXPECT_TRUE(seen.insert({id.Instance_1, id.Instance_2, id.Instance_3, id.Instance_4}).second)
            << "another port gives other numbers";
        const auto ids = Parse_Four_Ids(Capture_Hardware_Id(0x0C45, 0x6366, 0x0100, 2));
        EXPECT_EQ(ids, (std::array<std::uint16_t, 4>{0x0C45, 0x6366, 0x0100, 2}));
    }
    EXPECT_EQ(Parse_Host_Controller_Path(Host_Controller_Path(7)), std::optional<std::uint8_t>(7));
    EXPECT_EQ(Parse_Host_Controller_Path("\\\\?\\usb_host#bus_1x#"), std::nullopt);
}

TEST(Linux_Readers, SysfsDescriptorsSplitIntoTheDeviceAndItsConfigurations) {
    const Bytes device = Read_File("tests/data/uvc-descriptors/dual_tusb.device.bin");
    const Bytes first = Configuration_Of("dual_tusb");
    const Bytes second = Configuration_Of("anker_powerconf_c200");
    Bytes blob = device;
    blob.insert(blob.end(), first.begin(), first.end());
    blob.insert(blob.end(), second.begin(), second.end());
    const auto whole = Split_Sysfs_Descriptors(blob);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->Device.idVendor, device[8] | device[9] << 8);
    EXPECT_EQ(whole->Configurations, (std::vector<Bytes>{first, second}));

    blob.resize(blob.size() - 100);
    const auto cut = Split_Sysfs_Descriptors(blob);
    ASSERT_TRUE(cut);
    ASSERT_EQ(cut->Configurations.size(), 2u);
    EXPECT_EQ(cut->Configurations[1].size(), second.size() - 100) << "what is left of the last";
    EXPECT_TRUE(Split_Sysfs_Descriptors(device)->Configurations.empty());
    EXPECT_FALSE(Split_Sysfs_Descriptors(Bytes(device.begin(), device.end() - 1)));
    Bytes not_a_device = device;
    not_a_device[1] = 2;
    EXPECT_FALSE(Split_Sysfs_Descriptors(not_a_device));
}

TEST(Linux_Readers, InterfaceEventsStandForVideoInputChangesOnly) {
    using platform::Device_Change_Kind;
    struct Event_Row {
        const char* Action;
        const char* Name;
        const char* Product;
        const char* Interface;
        std::optional<Device_Change_Kind> Kind;
        bool Has_Path;
    };
    const Event_Row rows[] = {
        {"add", "1-4.2:1.0", "c45/6366/100", "14/1/0", Device_Change_Kind::Arrival, true},
        {"remove", "1-4.2:1.0", "c45/6366/100", "14/1/0", Device_Change_Kind::Removal, true},
        {"bind", "1-4.2:1.0", "c45/6366/100", "14/1/0", std::nullopt, false},
        {"unbind", "1-4.2:1.0", "c45/6366/100", "14/1/0", std::nullopt, false},
        {"change", "1-4.2:1.0", "c45/6366/100", "14/1/0", std::nullopt, false},
        {"add", "1-4.2:1.1", "c45/6366/100", "14/2/0", std::nullopt, false},
        {"add", "1-4.2:1.0", "46d/c31c/100", "3/1/1", std::nullopt, false},
        {"add", "1-4.2:1.0", "", "14/1/0", Device_Change_Kind::Arrival, false},
        {"add", "1-4.2:1.0", "c45/16366/100", "14/1/0", Device_Change_Kind::Arrival, false},
        {"add", "hub", "c45/6366/100", "14/1/0", Device_Change_Kind::Arrival, false},
        {"add", "1-4.2:1.0", "c45/6366/100", "14", std::nullopt, false},
    };
    for (const Event_Row& row : rows) {
        SCOPED_TRACE(std::string(row.Action) + " " + row.Name + " " + row.Product + " " + row.Interface);
        const auto change = Video_Interface_Change(row.Action, row.Name, row.Product, row.Interface);
        ASSERT_EQ(change.has_value(), row.Kind.has_value());
        if (!change)
            continue;
        EXPECT_EQ(change->Kind, *row.Kind);
        EXPECT_EQ(change->Device_Path, row.Has_Path ? Video_Input_Path(0x0C45, 0x6366, {1, {4, 2}}, 0) : "");
    }
}

TEST(Linux_Readers, EveryLibusbErrorMapsToAFailureTheLibraryCanTellFromItsOwn) {
    const auto rows = Libusb_Result_Rows();
    std::set<int> errors;
    for (const Libusb_Result_Row& row : rows) {
        EXPECT_LT(row.Result, 0) << row.Meaning;
        EXPECT_NE(row.Result, -1) << "the library keeps -1 for its own failed steps";
        EXPECT_EQ(Result_From_Libusb(row.Libusb_Error), row.Result);
        errors.insert(row.Libusb_Error);
    }
    for (int error = -12; error <= -1; ++error)
        EXPECT_TRUE(errors.contains(error)) << "libusb error " << error << " has its row";
    const auto gone = platform::Hresult_From_Win32(platform::Win32_Error::Device_Not_Connected);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [&](const auto& row) { return row.Result == gone; }), 1)
        << "a device that is gone is told apart";
    EXPECT_EQ(Result_From_Libusb(4), platform::S_OK) << "bytes moved";
    EXPECT_EQ(Result_From_Libusb(-1000), platform::Hresult_From_Win32(platform::Win32_Error::Gen_Failure));
}

// The interface list udev's usb_id builtin gives a device: ":ccsspp" per interface kind, then ":".
std::string Udev_Interfaces(const Bytes& configuration) {
    std::string list = ":";
    for (std::size_t at = 0; at + 9 <= configuration.size() && configuration[at] >= 2;
         at += configuration[at]) {
        if (configuration[at + 1] != 4)
            continue;
        char kind[8];
        std::snprintf(kind, sizeof kind, "%02x%02x%02x:", configuration[at + 5], configuration[at + 6],
                      configuration[at + 7]);
        if (list.find(std::string(":") + kind) == std::string::npos)
            list += kind;
    }
    return list;
}

TEST(Linux_Readers, UdevRuleGrantsEveryCameraAndNothingElse) {
    const Bytes rule_bytes = Read_File("platform/linux/70-zunq-uvc-camera.rules");
    const std::string rule(rule_bytes.begin(), rule_bytes.end());
    const std::string key = "ENV{ID_USB_INTERFACES}==\"";
    const std::size_t grant = rule.find(key + "*");
    ASSERT_NE(grant, std::string::npos);
    const std::size_t from = grant + key.size();
    const std::string pattern = rule.substr(from, rule.find('"', from) - from);
    EXPECT_NE(rule.find("TAG+=\"uaccess\"", grant), std::string::npos);
    for (const char* wider : {"GROUP=", "MODE=", "OWNER="})
        EXPECT_EQ(rule.find(wider), std::string::npos) << wider << ": only the user at the seat";
    for (const Real_Camera_Row& row : Real_Cameras)
        EXPECT_EQ(fnmatch(pattern.c_str(), Udev_Interfaces(Configuration_Of(row.Name)).c_str(), 0), 0)
            << row.Name;
    const Bytes keyboard{9, 2, 34, 0, 1, 1, 0, 0xA0, 50, 9, 4, 0, 0, 1, 0x03, 0x01, 0x01, 0};
    const Bytes streaming_only{9, 2, 18, 0, 1, 1, 0, 0x80, 50, 9, 4, 0, 0, 0, 0x0E, 0x02, 0, 0};
    for (const Bytes& other : {keyboard, streaming_only})
        EXPECT_NE(fnmatch(pattern.c_str(), Udev_Interfaces(other).c_str(), 0), 0) << Udev_Interfaces(other);
}

} // namespace
