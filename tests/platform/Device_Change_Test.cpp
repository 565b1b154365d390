// The simulated USB tree: the requests a device refuses (all else is seen through the hub walk),
// and unplugging and plugging cameras: where they hang, what they answer, and what the watches
// hear. (What the host lists meanwhile is seen through the tool's camera list.)
#include <gtest/gtest.h>

#include <vector>

#include "platform/simulated/Scenario.h"
#include "platform/simulated/Simulated_Usb_Tree.h"

namespace {

using namespace platform;
using namespace platform::simulated;

TEST(Simulated_Usb_Tree, RefusesWhatADeviceRefuses) {
    Simulated_Usb_Tree tree;
    Simulated_Usb_Hub& root = tree.Add_Host_Controller(3).Root_Hub();
    tree.Add_Camera(root, 2);
    const auto hub = tree.Open_Hub(root.Name());
    std::string name;
    std::vector<std::uint8_t> reply;
    EXPECT_LT(hub->Port_Hub_Name(2, name), 0) << "a camera is no hub";
    EXPECT_EQ(hub->Port_Descriptor(2, {3, 1, Language_English_US, 255}, reply), S_OK);
    EXPECT_LT(hub->Port_Descriptor(2, {3, 9, Language_English_US, 255}, reply), 0) << "a string it lacks";
    EXPECT_LT(hub->Port_Descriptor(2, {3, 1, 0x0407, 255}, reply), 0) << "a language it lacks";
    EXPECT_LT(hub->Port_Descriptor(1, {2, 0, 0, 9}, reply), 0) << "an empty port";
}

TEST(Device_Changes, UnpluggedCamerasLeaveTheHostAndComeBackOnAnyFreePort) {
    const Scenario_Load load = Parse_Scenario(R"({"hubs": [{"name": "root", "ports": 4}], "cameras": [
        {"family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1}},
        {"family": "SPCA2281", "usb": {"vid": 1, "pid": 3, "hub": "root", "port": 2}}]})");
    ASSERT_TRUE(load.Loaded) << load.Error;
    Simulated_Backend backend;
    const auto cameras = Build_Scenario(backend, *load.Loaded);
    Simulated_Camera& first = *cameras[0];
    std::vector<Device_Change_Event> heard;
    auto watch =
        backend.Watch_Video_Device_Changes([&](const Device_Change_Event& e) { heard.push_back(e); });
    auto channel = first.Open_Control();

    const std::string old_path = first.Video_Input().Device_Path;
    const auto place = backend.Unplug_Camera(first);
    ASSERT_NE(place.Hub, nullptr);
    EXPECT_EQ(place.Port, 1);
    EXPECT_EQ(place.Hub->Device_On(1), nullptr);
    KSP_NODE property;
    property.Property = {GUID{}, 0, KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY};
    std::uint32_t returned = 0;
    EXPECT_EQ(channel->Ks_Property(property, sizeof property, nullptr, 0, &returned),
              Hresult_From_Win32(Win32_Error::Device_Not_Connected))
        << "a channel opened before stays valid and fails";
    std::string text;
    EXPECT_LT(first.Read_Video_Property(Property_Friendly_Name, text), 0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].Kind, Device_Change_Kind::Removal);
    EXPECT_EQ(heard[0].Device_Path, old_path);

    EXPECT_FALSE(backend.Plug_Camera(first, *place.Hub, 2)) << "port 2 is taken";
    ASSERT_TRUE(backend.Plug_Camera(first, *place.Hub, 3));
    const Simulated_Usb_Device* device = place.Hub->Device_On(3);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(first.Video_Input().Device_Path, device->Capture_Path()) << "the hub walk pairs them again";
    EXPECT_EQ(first.Read_Video_Property(Property_Friendly_Name, text), S_OK);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1].Kind, Device_Change_Kind::Arrival);
    EXPECT_EQ(heard[1].Device_Path, device->Capture_Path());
    EXPECT_FALSE(backend.Plug_Camera(first, *place.Hub, 4)) << "already plugged";

    // With every camera gone the host lists none; a destroyed watch hears nothing more.
    backend.Unplug_Camera(*cameras[1]);
    backend.Unplug_Camera(first);
    std::vector<std::unique_ptr<Video_Input_Device>> devices;
    EXPECT_EQ(backend.Enumerate_Video_Inputs(devices), VFW_E_NOT_FOUND);
    watch.reset();
    backend.Plug_Camera(first, *place.Hub, 1);
    EXPECT_EQ(heard.size(), 4u);
}

} // namespace
