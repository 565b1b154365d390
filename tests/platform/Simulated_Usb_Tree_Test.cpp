// The simulated USB tree answers the USB-host seam as a host does, refusals included.
#include "platform/simulated/Simulated_Usb_Tree.h"

#include <gtest/gtest.h>

#include "platform/Backend.h"

namespace {

using namespace platform;
using namespace platform::simulated;

TEST(Simulated_Usb_Tree, AnswersSetsHubsAndPortsAsAHostAndRefusesWhatADeviceRefuses) {
    EXPECT_EQ(Current_Backend()->Usb().Open_Device_Set(&Usb_Device_Interface_Class), nullptr)
        << "the null backend has no USB devices";

    Simulated_Usb_Tree tree;
    Simulated_Usb_Host_Controller& controller = tree.Add_Host_Controller(3);
    Simulated_Usb_Hub& hub = tree.Add_Hub(controller.Root_Hub(), 1, 2);
    Simulated_Usb_Device& camera = tree.Add_Camera(hub, 2, {.Serial = "S1"});

    const auto captures = tree.Open_Device_Set(&Capture_Interface_Class);
    Device_Interface interface;
    std::string text;
    ASSERT_EQ(captures->Interface(0, interface), S_OK);
    ASSERT_EQ(captures->Interface_Path(interface, text), S_OK);
    EXPECT_EQ(text, camera.Capture_Path());
    ASSERT_EQ(captures->Property(interface.Element, Device_Property::Parent_Instance_Id, text), S_OK);
    EXPECT_EQ(text, camera.Devnode().Instance_Id);
    EXPECT_EQ(captures->Interface(1, interface), E_NO_MORE_ITEMS);
    Device_Element element;
    EXPECT_EQ(captures->Element(1, element), E_NO_MORE_ITEMS);
    const auto everything = tree.Open_Device_Set(nullptr);
    std::uint32_t count = 0;
    while (everything->Element(count, element) == S_OK)
        ++count;
    EXPECT_EQ(count, 5u) << "controller, root hub, hub, camera and its capture function";

    EXPECT_EQ(tree.Open_Host_Controller("\\\\?\\nothing"), nullptr);
    std::string root_name;
    ASSERT_EQ(tree.Open_Host_Controller(controller.Path())->Root_Hub_Name(root_name), S_OK);
    const auto root = tree.Open_Hub(root_name);
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->Port_Hub_Name(1, text), S_OK);
    EXPECT_EQ(text, hub.Name());
    Usb_Connection_Information connection;
    EXPECT_EQ(root->Connection_Information(2, connection), S_OK);
    EXPECT_EQ(connection.Connection_Status, 0u) << "an empty port";
    EXPECT_LT(root->Connection_Information(4, connection), 0) << "a port the hub lacks";
    std::vector<std::uint8_t> reply;
    EXPECT_LT(root->Port_Descriptor(2, {2, 0, 0, 9}, reply), 0);

    const auto on_hub = tree.Open_Hub(hub.Name());
    ASSERT_EQ(on_hub->Connection_Information(2, connection), S_OK);
    EXPECT_EQ(connection.Device_Descriptor.iSerialNumber, 3);
    EXPECT_LT(on_hub->Port_Hub_Name(2, text), 0) << "a camera is no hub";
    ASSERT_EQ(on_hub->Port_Descriptor(2, {2, 0, 0, 9}, reply), S_OK);
    EXPECT_EQ(reply, std::vector<std::uint8_t>(camera.Spec().Configurations[0].begin(),
                                               camera.Spec().Configurations[0].begin() + 9));
    ASSERT_EQ(on_hub->Port_Descriptor(2, {3, 3, Language_English_US, 255}, reply), S_OK);
    EXPECT_EQ(reply, String_Descriptor("S1"));
    EXPECT_LT(on_hub->Port_Descriptor(2, {3, 4, Language_English_US, 255}, reply), 0)
        << "a string it lacks stalls";
    EXPECT_LT(on_hub->Port_Descriptor(2, {3, 3, 0x0407, 255}, reply), 0) << "a language it lacks stalls";

    hub.Refuse_Open();
    EXPECT_EQ(tree.Open_Hub(hub.Name()), nullptr);
    hub.Fail_Connection_Information(2);
    EXPECT_LT(on_hub->Connection_Information(2, connection), 0);
}

} // namespace
