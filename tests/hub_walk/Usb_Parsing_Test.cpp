// Reading what devices and the host send, and the tree's slots.
#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Usb_Tree.h"

namespace {

// Device paths themselves are read by the discovery tests.
TEST(Usb_Parsing, ReadsIdsFromInstanceIdsAndHardwareIds) {
    const Device_Path_Id instance = Parse_Device_Path_Id("USB\\VID_0A1B&PID_2C3D&MI_02\\6&2B0C5C1A&0&0002");
    EXPECT_EQ(std::tuple(instance.Vid, instance.Pid, instance.Interface_Number, instance.Instance_2),
              std::tuple(0x0A1B, 0x2C3D, 2u, 0x2B0C5C1Au));
    EXPECT_EQ(instance.Class_Guid, platform::GUID{});
    struct Row {
        const char* Text;
        std::array<std::uint16_t, 4> Ids;
    };
    for (const Row& row : {Row{"USB\\VID_0A1B&PID_2C3D&REV_0100&MI_02", {0x0A1B, 0x2C3D, 0x0100, 2}},
                           Row{"USB\\VID_0A1B&PID_2C3D&REV_0100", {0x0A1B, 0x2C3D, 0x0100, 0}},
                           Row{"USB\\VID_&PID_12345", {0, 0x2345, 0, 0}}, Row{"", {0, 0, 0, 0}}})
        EXPECT_EQ(Parse_Four_Ids(row.Text), row.Ids) << row.Text;
}

TEST(Usb_Parsing, WalksAConfigurationForItsStringsUpToTheFirstDescriptorThatDoesNotFit) {
    std::vector<std::uint8_t> configuration{
        9, 2,  0, 0, 2,  1,  1, 0x80, 0xFA, // iConfiguration 1
        8, 11, 0, 2, 14, 3,  0, 2,          // association, iFunction 2
        9, 4,  0, 0, 1,  14, 1, 0,    3,    // video control, iInterface 3
        9, 4,  1, 0, 0,  14, 2, 0,    0,    // video streaming, no string
        7, 4,  2, 0, 0,  1,  1,             // an interface descriptor 7 bytes long: the walk ends
        9, 4,  3, 0, 0,  1,  1, 0,    9,
    };
    configuration[2] = static_cast<std::uint8_t>(configuration.size());
    auto found = Find_Configuration_Strings(configuration);
    EXPECT_EQ(found.Indexes, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_TRUE(found.Has_Video_Interface);
    EXPECT_TRUE(Starts_With_Function(configuration, 14, 14));
    EXPECT_FALSE(Starts_With_Function(configuration, 14, 1));
    EXPECT_FALSE(Starts_With_Function(std::span(configuration).first(22), 14, 14));

    configuration[2] = 25; // wTotalLength ends inside the video-control interface
    found = Find_Configuration_Strings(configuration);
    EXPECT_EQ(found.Indexes, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_FALSE(found.Has_Video_Interface);
}

TEST(Usb_Parsing, TurnsStringDescriptorsIntoUtf8AndCutsRecordTexts) {
    const std::vector<std::uint8_t> text{12, 3, 'A', 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8};
    EXPECT_TRUE(Is_Whole_String_Descriptor(text));
    EXPECT_EQ(String_Descriptor_Text(text), "A\xE2\x82\xAC\xF0\x9F\x98\x80?") << "a lone surrogate is '?'";
    const std::vector<std::uint8_t> stops_at_zero{8, 3, 'O', 0, 0, 0, 'K', 0};
    EXPECT_EQ(String_Descriptor_Text(stops_at_zero), "O");
    EXPECT_EQ(String_Descriptor_Text(std::vector<std::uint8_t>{40, 3, 'S', 0, 'H'}), "S")
        << "bLength past the bytes";
    for (const std::vector<std::uint8_t>& refused :
         {std::vector<std::uint8_t>{3}, {4, 2, 'a', 0}, {5, 3, 'a', 0, 0}, {6, 3, 'a', 0}})
        EXPECT_FALSE(Is_Whole_String_Descriptor(refused));

    char field[Device_Info_Text_Size];
    std::memset(field, 'x', sizeof field);
    Copy_Record_Text(field, "short");
    EXPECT_STREQ(field, "short");
    EXPECT_EQ(field[255], 0);
    const std::string two_byte_chars = std::string(254, 'a') + "\xC3\xA9";
    Copy_Record_Text(field, two_byte_chars);
    EXPECT_EQ(std::string(field), std::string(254, 'a'));
    Copy_Record_Text(field, std::string(400, 'p'));
    EXPECT_EQ(std::string(field), std::string(255, 'p'));
}

TEST(Usb_Tree, KeepsLeavesPastTheSlotsInAContinuationOfTheSameHub) {
    auto hub = std::make_unique<Usb_Node_Info>();
    hub->Hub_Name = "hub";
    Usb_Tree_Level level(std::move(hub));
    for (std::uint32_t port = 1; port <= 300; ++port) {
        auto leaf = std::make_unique<Usb_Node_Info>();
        leaf->ConnectionInfo.Connection_Index = port;
        ASSERT_TRUE(level.Add_Leaf(std::move(leaf)));
    }
    std::uint32_t expected = 1;
    level.Visit_Leaves([&](const Usb_Node_Info& leaf, const Usb_Node_Info* owner) {
        EXPECT_EQ(leaf.ConnectionInfo.Connection_Index, expected++);
        EXPECT_EQ(owner, level.Owner());
        return true;
    });
    EXPECT_EQ(expected, 301u);
    EXPECT_FALSE(level.Add_Child(std::make_unique<Usb_Tree_Level>())) << "every slot is taken";

    Usb_Tree_Level top;
    for (std::size_t i = 0; i < Usb_Tree_Level::Slot_Count; ++i)
        ASSERT_TRUE(top.Add_Child(std::make_unique<Usb_Tree_Level>()));
    EXPECT_FALSE(top.Add_Child(std::make_unique<Usb_Tree_Level>()));
    EXPECT_FALSE(top.Add_Leaf(std::make_unique<Usb_Node_Info>())) << "the last slot holds a child level";
}

} // namespace
