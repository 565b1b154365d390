// The hub-port walk over simulated USB trees, with records made as discovery makes them: a
// zeroed record per camera holding its video-input device path and the ids parsed from it;
// and the reading of what devices and the host send, and the tree's slots.
#include "Extension_Unit_Class/Usb_Hub_Walk.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <tuple>

#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Usb_Descriptor_Parsing.h"
#include "Extension_Unit_Class/Usb_Tree.h"
#include "extension_unit/Log_Capture.h"
#include "platform/simulated/Simulated_Backend.h"

namespace {

using namespace platform::simulated;

struct Hub_Walk : ::testing::Test {
    std::shared_ptr<Simulated_Backend> backend = std::make_shared<Simulated_Backend>();
    platform::Scoped_Backend installed{backend};
    Simulated_Usb_Tree& tree = backend->Usb_Tree();
    Simulated_Usb_Hub& root = tree.Add_Host_Controller(4).Root_Hub();
    std::list<Device_Info_Record> records;

    Device_Info_Record& Discover(const std::string& device_path) {
        Device_Info_Record& record = records.emplace_back();
        Copy_Record_Text(record.Device_Path, device_path);
        record.Device_Path_Id = Parse_Device_Path_Id(record.Device_Path);
        return record;
    }
    Device_Info_Record& Discover(const Simulated_Usb_Device& camera) {
        return Discover(camera.Capture_Path());
    }

    void Walk() { ASSERT_EQ(Assign_Hub_Ports(records), 0); }
};

// The fields the walk's last pass fills: all zero for a camera it did not match.
bool Unmatched(const Device_Info_Record& record) {
    return record.Node_Word == 0 && record.Hub_Port_Path[0] == 0 && record.idVendor == 0 &&
           record.Manufacturer[0] == 0 && record.Product[0] == 0 && record.Serial_Number[0] == 0 &&
           record.Usb_Device_Path[0] == 0;
}

using Strings = std::array<std::string, 3>;
Strings Strings_Of(const Device_Info_Record& record) {
    return {record.Manufacturer, record.Product, record.Serial_Number};
}

void Expect_Filled_From(const Device_Info_Record& record, const Simulated_Usb_Device& camera) {
    const auto& descriptor = camera.Spec().Descriptor;
    EXPECT_EQ(std::tuple(record.Node_Word, std::string(record.Hub_Port_Path), record.Port_Number,
                         record.idVendor, record.idProduct, record.bcdDevice,
                         std::string(record.Usb_Device_Path)),
              std::tuple(3u, camera.Hub().Name(), camera.Port(), descriptor.idVendor, descriptor.idProduct,
                         descriptor.bcdDevice, camera.Device_Path()));
    const Device_Path_Id usb_path_id = Parse_Device_Path_Id(camera.Device_Path().c_str());
    EXPECT_EQ(std::memcmp(&record.Usb_Path_Id, &usb_path_id, sizeof usb_path_id), 0);
    EXPECT_STREQ(record.Hardware_Id, camera.Capture_Devnode()->Hardware_Id.c_str());
    const auto ids = Parse_Four_Ids(record.Hardware_Id);
    EXPECT_TRUE(std::equal(ids.begin(), ids.end(), record.Parent_Ids));
}

TEST_F(Hub_Walk, FillsEveryCameraBehindRootAndExternalHubsAndLeavesOthersZero) {
    Simulated_Usb_Device& on_root = tree.Add_Camera(root, 1, {.Serial = "ROOT-1"});
    Simulated_Usb_Hub& hub = tree.Add_Hub(root, 2, 4);
    tree.Add_Device(root, 3, Plain_Device(0x046D, 0xC31C));
    Simulated_Usb_Device& on_hub = tree.Add_Camera(hub, 3, {.Pid = 0x1111, .Bcd = 0x0205, .Serial = "HUB-3"});
    Simulated_Usb_Hub& nested = tree.Add_Hub(hub, 4, 2);
    Simulated_Usb_Device& deep = tree.Add_Camera(nested, 1, {.Manufacturer = "Deep", .Product = "Nested"});
    Simulated_Usb_Hub& second_root = tree.Add_Host_Controller(2).Root_Hub();
    Simulated_Usb_Device& other = tree.Add_Camera(second_root, 2, {.Vid = 0x1BCF});

    Device_Info_Record& deep_record = Discover(deep);
    Device_Info_Record& hub_record = Discover(on_hub);
    Device_Info_Record& stranger =
        Discover("\\\\?\\usb#vid_9999&pid_0001&mi_00#6&1&0&0000#{65e8773d-8f56-11d0-a3b9-"
                 "00a0c9223196}\\global");
    Device_Info_Record& root_record = Discover(on_root);
    Device_Info_Record& other_record = Discover(other);
    Walk();

    Expect_Filled_From(root_record, on_root);
    Expect_Filled_From(hub_record, on_hub);
    Expect_Filled_From(deep_record, deep);
    Expect_Filled_From(other_record, other);
    // A root-hub port names the root hub, an external hub's port that hub.
    EXPECT_EQ(std::tuple(std::string(root_record.Hub_Port_Path), std::string(hub_record.Hub_Port_Path)),
              std::tuple(root.Name(), hub.Name()));
    EXPECT_EQ(Strings_Of(root_record), (Strings{"ZUNQ", "USB Camera", "ROOT-1"}));
    EXPECT_EQ(Strings_Of(hub_record)[2], "HUB-3");
    EXPECT_EQ(Strings_Of(deep_record), (Strings{"Deep", "Nested", ""}))
        << "no serial string: iSerialNumber 0";
    EXPECT_TRUE(Unmatched(stranger));
    EXPECT_EQ(stranger.Port_Number, 0u);
    EXPECT_EQ(stranger.Hardware_Id[0], 0);
}

TEST_F(Hub_Walk, CollectsConfigurationsThatOpenWithAVideoAssociationAndTheFirstTwentyOnly) {
    Usb_Device_Description bare = Camera_Device({.Serial = "BARE"});
    auto& configuration = bare.Configurations[0];
    configuration.erase(configuration.begin() + 9, configuration.begin() + 17); // no association
    configuration[2] = static_cast<std::uint8_t>(configuration.size());
    Device_Info_Record& bare_record = Discover(tree.Add_Device(root, 1, bare));

    // 21 cameras on three hubs of seven ports; they are discovered last to first.
    std::vector<Simulated_Usb_Device*> cameras;
    for (std::uint8_t hub_port = 2; hub_port <= 4; ++hub_port) {
        Simulated_Usb_Hub& hub = tree.Add_Hub(root, hub_port, 7);
        for (std::uint8_t port = 1; port <= 7; ++port)
            cameras.push_back(&tree.Add_Camera(hub, port, {.Serial = "C" + std::to_string(cameras.size())}));
    }
    for (auto camera = cameras.rbegin(); camera != cameras.rend(); ++camera)
        Discover(**camera);
    Walk();

    EXPECT_TRUE(Unmatched(bare_record));
    EXPECT_EQ(bare_record.Port_Number, 1u) << "the capture-interface pass still paired it";
    auto record = records.rbegin();
    for (std::size_t i = 0; i < 20; ++i, ++record)
        Expect_Filled_From(*record, *cameras[i]);
    EXPECT_TRUE(Unmatched(*record)) << "the 21st video device found depth first";
}

TEST_F(Hub_Walk, CollectsEveryRealCameraConfigurationThatIsWhole) {
    const std::filesystem::path folder =
        std::filesystem::path(ZUNQ_SOURCE_DIR) / "tests/data/uvc-descriptors";
    const auto read = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return Descriptor_Bytes(std::istreambuf_iterator<char>(in), {});
    };
    Simulated_Usb_Hub& hub = tree.Add_Hub(root, 1, 8);
    std::vector<std::pair<std::string, Device_Info_Record*>> cameras;
    std::uint8_t port = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".device.bin"))
            continue;
        const std::string stem = name.substr(0, name.size() - std::strlen(".device.bin"));
        const auto device = platform::Usb_Device_Descriptor_From(read(entry.path()));
        ASSERT_TRUE(device) << name;
        Usb_Device_Description desc = Camera_Device();
        desc.Descriptor = *device;
        desc.Configurations = {read(folder / (stem + ".config.bin"))};
        desc.Strings = {};
        desc.Set_Languages({Language_English_US});
        for (std::uint8_t index = 1; index <= 3; ++index)
            desc.Set_String(index, stem + "#" + std::to_string(index));
        cameras.emplace_back(stem, &Discover(tree.Add_Device(hub, ++port, desc)));
    }
    ASSERT_GE(cameras.size(), 7u);
    Walk();
    for (const auto& [stem, record] : cameras) {
        // customer.config.bin holds one byte less than its wTotalLength: never whole.
        EXPECT_EQ(record->Node_Word, stem == "customer" ? 0u : 3u) << stem;
        if (stem == "canyon_cne_cwc2") { // iManufacturer 2, iProduct 1, no serial
            EXPECT_EQ(Strings_Of(*record), (Strings{stem + "#2", stem + "#1", ""}));
        }
    }
}

TEST_F(Hub_Walk, TakesEachStringByItsIndexInTheFirstLanguage) {
    Usb_Device_Description desc = Camera_Device({.Languages = {0x0409, 0x0407}});
    desc.Descriptor.iManufacturer = 4;
    desc.Descriptor.iProduct = 5;
    desc.Descriptor.iSerialNumber = 6;
    for (const auto& [index, english, german] :
         {std::tuple{4, "Maker", "Hersteller"}, {5, "Camera", "Kamera"}, {6, "SN-42", "SN-42-de"}}) {
        desc.Set_String(static_cast<std::uint8_t>(index), english, 0x0409);
        desc.Set_String(static_cast<std::uint8_t>(index), german, 0x0407);
    }
    Device_Info_Record& record = Discover(tree.Add_Device(root, 2, desc));
    Walk();
    EXPECT_EQ(Strings_Of(record), (Strings{"Maker", "Camera", "SN-42"}));
}

TEST_F(Hub_Walk, FillsEachOfTwoIdenticalCamerasFromItsOwnDevice) {
    // Same ids, revision and strings but the serial; same port numbers on different hubs; the
    // second found in the tree is discovered first.
    Simulated_Usb_Hub& first_hub = tree.Add_Hub(root, 1, 4);
    Simulated_Usb_Hub& second_hub = tree.Add_Hub(root, 2, 4);
    Simulated_Usb_Device& first = tree.Add_Camera(first_hub, 3, {.Serial = "FIRST"});
    Simulated_Usb_Device& second = tree.Add_Camera(second_hub, 3, {.Serial = "SECOND"});
    Simulated_Usb_Device& neighbour = tree.Add_Camera(second_hub, 4, {.Serial = "NEIGHBOUR"});
    Device_Info_Record& second_record = Discover(second);
    Device_Info_Record& first_record = Discover(first);
    Device_Info_Record& neighbour_record = Discover(neighbour);
    Walk();
    Expect_Filled_From(first_record, first);
    Expect_Filled_From(second_record, second);
    Expect_Filled_From(neighbour_record, neighbour);
    EXPECT_EQ(std::tuple(Strings_Of(first_record)[2], Strings_Of(second_record)[2],
                         Strings_Of(neighbour_record)[2]),
              std::tuple("FIRST", "SECOND", "NEIGHBOUR"));

    // A host that does not tell which device a capture function belongs to: ids and port decide,
    // and no record is filled twice while the other stays empty.
    records.clear();
    Simulated_Usb_Hub& third_hub = tree.Add_Hub(root, 3, 4);
    Usb_Device_Description silent = Camera_Device({.Pid = 0x7777});
    silent.Capture->Tells_Parent = false;
    Device_Info_Record& a = Discover(tree.Add_Device(third_hub, 1, silent));
    Device_Info_Record& b = Discover(tree.Add_Device(first_hub, 1, silent));
    Walk();
    EXPECT_EQ(a.Node_Word, 3u);
    EXPECT_EQ(b.Node_Word, 3u);
    EXPECT_STRNE(a.Hub_Port_Path, b.Hub_Port_Path);
}

TEST_F(Hub_Walk, MatchesTheFourIdsOfBothHardwareIds) {
    Usb_Device_Description no_interface_number = Camera_Device({.Pid = 0x0001});
    no_interface_number.Capture->Hardware_Id = "USB\\VID_0A1B&PID_0001&REV_0100";
    Usb_Device_Description second_interface = Camera_Device({.Pid = 0x0002});
    second_interface.Capture->Interface_Number = 2;
    Device_Info_Record& plain = Discover(tree.Add_Device(root, 1, no_interface_number));
    Device_Info_Record& second = Discover(tree.Add_Device(root, 2, second_interface));
    Walk();
    EXPECT_EQ(plain.Parent_Ids[3], 0);
    EXPECT_EQ(plain.Node_Word, 3u) << "0 as the fourth id on both sides";
    EXPECT_EQ(second.Parent_Ids[3], 2);
    EXPECT_TRUE(Unmatched(second)) << "interface 2 against a device id without one";
}

TEST_F(Hub_Walk, WalksEachHostControllerOnceAndLeavesOutWhatCannotBeRead) {
    tree.Report_Again(*tree.Host_Controllers().front());
    Device_Info_Record& on_root = Discover(tree.Add_Camera(root, 1, {.Serial = "ONCE"}));
    Simulated_Usb_Hub& closed = tree.Add_Hub(root, 2, 2);
    closed.Refuse_Open();
    Device_Info_Record& behind_closed = Discover(tree.Add_Camera(closed, 1));
    root.Fail_Connection_Information(3);
    Device_Info_Record& unreadable_port = Discover(tree.Add_Camera(root, 3));
    Usb_Device_Description unlisted = Camera_Device({.Pid = 0x0099});
    unlisted.Listed = false;
    Device_Info_Record& without_path = Discover(tree.Add_Device(root, 4, unlisted));

    Usb_Tree_Level top;
    EXPECT_EQ(Enumerate_Usb_Tree(tree, top), 3) << "the devices on readable ports of the root hub, once";
    EXPECT_EQ(top.Child_Level_Count(), 1u);
    Walk();
    EXPECT_STREQ(on_root.Serial_Number, "ONCE");
    EXPECT_TRUE(Unmatched(behind_closed));
    EXPECT_TRUE(Unmatched(unreadable_port));
    EXPECT_TRUE(Unmatched(without_path));
}

TEST_F(Hub_Walk, CutsLongTextsAtTheirFields) {
    const std::string long_instance(300, 'A');
    Usb_Device_Description hub_device = Hub_Device();
    hub_device.Instance = long_instance;
    Simulated_Usb_Hub& hub = tree.Add_Hub(root, 1, 4, hub_device);
    Usb_Device_Description desc = Camera_Device();
    desc.Instance = long_instance + "B";
    desc.Capture->Hardware_Id = "USB\\VID_0A1B&PID_2C3D&REV_0100&MI_00&" + std::string(300, 'H');
    std::string euros = "a";
    for (int i = 0; i < 125; ++i)
        euros += "\xE2\x82\xAC"; // three bytes each
    desc.Set_String(2, euros);
    const Simulated_Usb_Device& camera = tree.Add_Device(hub, 2, desc);
    Device_Info_Record& record = Discover(camera);
    Walk();
    ASSERT_EQ(record.Node_Word, 3u);
    const auto expect_cut = [](const char(&field)[Device_Info_Text_Size], const std::string& whole,
                               std::size_t kept) {
        EXPECT_EQ(std::strlen(field), kept);
        EXPECT_EQ(std::string(field), whole.substr(0, kept));
    };
    expect_cut(record.Hub_Port_Path, hub.Name(), 255);
    expect_cut(record.Usb_Device_Path, camera.Device_Path(), 255);
    expect_cut(record.Hardware_Id, desc.Capture->Hardware_Id, 255);
    expect_cut(record.Product, euros, 1 + 84 * 3); // a character is kept whole or not at all
    EXPECT_EQ(record.Parent_Ids[0], 0x0A1B);
    EXPECT_EQ(record.Parent_Ids[3], 0);
    EXPECT_EQ(record.Usb_Path_Id.Vid, 0x0A1B);
}

TEST_F(Hub_Walk, TracesThePairingAndTheMatchedDevice) {
    test::Log_Capture capture;
    Simulated_Usb_Device& camera = tree.Add_Camera(root, 2);
    Discover(camera);
    Walk();
    const std::string log = capture.Text();
    // What each pass found: the capture function paired, the host controller walked, the
    // device matched on its port and its strings read.
    for (const std::string& line : std::vector<std::string>{
             "\t\t[szDIS]=HDID " + camera.Capture_Devnode()->Instance_Id + "\r\n",
             "\t\t[pinfo->Physical_ID]=HwId USB\\VID_0A1B&PID_2C3D&REV_0100&MI_00 \r\n",
             "\t\t[pinfo->PortNum]=SPDRP_ADDRESS 2\r\n",
             "\t\t[deviceDetailData->DevicePath]= " + tree.Host_Controllers()[0]->Path() + " \r\n",
             "\t\t[info->ConnectionInfo->ConnectionIndex]=2 \r\n",
             "\t\t[pstringDescs->StringDescriptor->bLength]=10 \r\n\t\t[output]=ZUNQ \r\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

// Device paths and instance ids themselves are read by the discovery tests.
TEST(Usb_Parsing, ReadsTheFourIdsOfHardwareIds) {
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
