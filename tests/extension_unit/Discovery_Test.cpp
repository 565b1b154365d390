#include "Extension_Unit_Class/Device_Discovery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>

#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_UNKNOW_Protocol.h"
#include "Log_Capture.h"
#include "Simulated_Host.h"
#include "platform/simulated/Scenario.h"

namespace {

using platform::simulated::Event_Kind;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at)
        ++count;
    return count;
}

TEST(Discovery, NoCameraGivesEmptyListsAndSaysSo) {
    test::Log_Capture log;
    for (bool simulated : {false, true}) {
        log.Clear();
        std::optional<test::Simulated_Host> host;
        if (simulated)
            host.emplace();
        const auto list = test::Simulated_Host::Discover();
        EXPECT_EQ(Device_List_Refresh(list.get()), 0);
        EXPECT_EQ(Device_List_Get_Protocol(list.get(), 0), nullptr);
        const std::string source = "source/Extension_Unit_Class/Extension_Unit_Base_Protocol.cpp";
        const std::string text = log.Text();
        EXPECT_NE(text.find(source + "(454)-GetDeviceList\r\n\r\n " + source +
                            "(346)-EnumerateDevices\r\n\r\n " + source +
                            "(380)-EnumerateDevices\r\n\r\n Moniker Count is 0\r\n"),
                  std::string::npos)
            << text;
        EXPECT_EQ(text.find("(468)"), std::string::npos) << "no device: the enumeration failed";
    }
}

TEST(Discovery, KeepsRecordsAndProtocolsPairedAcrossCamerasItDrops) {
    test::Log_Capture log;
    test::Simulated_Host host;
    const auto first = host.Add("SPCA2620", "direct");
    host.Add("SPCA2620", "none"); // no probe recognises it
    host.Add("SPCA2281", "direct")->Video_Input().Fails = platform::simulated::Bind_Failure::Filter;
    const auto soc = host.Add("SOC_M5", "direct");
    host.Add("SPCA2650", "direct")->Video_Input().Fails = platform::simulated::Bind_Failure::Control;
    const auto last = host.Add("SPCA2282", "G10@2");
    testing::internal::CaptureStderr();
    const auto list = test::Simulated_Host::Discover();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Init fail pIBaseFilter is NULL\r\nInit fail pIKsControl is NULL\r\n")
        << "where each device that cannot be bound stopped";

    const std::vector<std::pair<std::shared_ptr<test::Simulated_Camera>, std::string>> kept{
        {first, "ZUN_8M_1"}, {soc, "ZUNQ_SOC_550_0"}, {last, "ZUNQ_1080p_3D"}};
    ASSERT_EQ(list->Count(), kept.size());
    for (std::uint32_t i = 0; i < kept.size(); ++i) {
        const Device_Info_Record record = Device_List_Get_Info(list.get(), i);
        const std::string path = kept[i].first->Video_Input().Device_Path;
        EXPECT_EQ(record.Device_Path, path);
        const Device_Path_Id id = Parse_Device_Path_Id(path);
        EXPECT_EQ(std::memcmp(&record.Device_Path_Id, &id, sizeof id), 0);
        EXPECT_EQ(Protocol_Get_Product_Name(Device_List_Get_Protocol(list.get(), i)), kept[i].second);
    }
    const std::string text = log.Text();
    EXPECT_EQ(Count(text, "Protocol mate unknown error"), 3u);
    EXPECT_EQ(Count(text, "Moniker Count is 6"), 1u);
    EXPECT_EQ(Count(text, "Get_Flash_Type="), 2u) << "every chip protocol chose its command set";
}

TEST(Discovery, ReadsThePropertiesItNeedsAndWritesNone) {
    test::Simulated_Host host;
    const auto plain = host.Add("SPCA2620", "direct");
    const auto described = host.Add("SPCA2620", "direct");
    described->Video_Input().Description = "USB Video Device";
    described->Video_Input().Wave_In_Id = 3;
    described->Video_Input().Device_Path = std::string(300, 'x');
    const auto list = test::Simulated_Host::Discover();
    std::map<std::string, std::vector<std::string>> reads;
    for (const auto& event : host.backend->Log().Events()) {
        if (event.Kind == Event_Kind::Property_Read)
            reads[event.Camera].push_back(event.Property);
    }
    EXPECT_EQ(reads[plain->Name()],
              (std::vector<std::string>{"Description", "FriendlyName", "WaveInID", "DevicePath"}));
    EXPECT_EQ(reads[described->Name()], (std::vector<std::string>{"Description", "WaveInID", "DevicePath"}));
    const Device_Info_Record record = Device_List_Get_Info(list.get(), 1);
    EXPECT_EQ(std::string(record.Device_Path), std::string(255, 'x')) << "cut to the field";
}

// Each code of the choice table is met by the scenario of every family below; any other code
// gets the refusing protocol, which frees the device it was offered.
TEST(Discovery, AnUnlistedChipCodeGetsTheRefusingProtocol) {
    test::Simulated_Host host;
    const auto camera = host.Add("SPCA2620", "direct");
    const long alone = camera.use_count();
    for (std::uint32_t other : {0x000u, 0x104u, 0x107u, 0xFFFFFFFFu}) {
        auto device = std::make_unique<Extension_Unit_Base_Class>(camera->Open_Control());
        const std::unique_ptr<Extension_Unit_Base_Protocol> protocol(
            Create_Protocol_For(other, std::move(device)));
        EXPECT_NE(dynamic_cast<Extension_Unit_UNKNOW_Protocol*>(protocol.get()), nullptr) << other;
        EXPECT_EQ(camera.use_count(), alone) << "the refusing protocol holds no device: it is gone";
    }
}

// One camera of every family and layout, an unrecognised one and one that cannot be bound,
// read from a scenario file named by the environment.
TEST(Discovery, AScenarioOfEveryFamilyAndLayout) {
    const std::string path = std::string(ZUNQ_SOURCE_DIR) + "/tests/data/scenarios/every-family.json";
    ::setenv(platform::simulated::Scenario_Environment_Variable, path.c_str(), 1);
    std::string error;
    const auto backend = platform::simulated::Backend_From_Environment(error);
    ::unsetenv(platform::simulated::Scenario_Environment_Variable);
    ASSERT_NE(backend, nullptr) << error;
    platform::Scoped_Backend installed(backend);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const auto list = test::Simulated_Host::Discover();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Init fail pIKsControl is NULL\r\n");

    struct Expected {
        std::string Product;
        int Flash_Model;
    };
    const std::vector<Expected> expected{
        {"ZUN_8M_1", 38},  {"ZUN_3M_1", 48},      {"ZUN_1080P_1", 66},   {"ZUN_1080P_2", 69},
        {"ZUNQ_56_2", 37}, {"ZUNQ_1080p_3D", 75}, {"ZUNQ_SOC_550_0", 0}, {"ZUNQ_56_2", 45},
        {"ZUN_8M_1", 17},  {"ZUN_1080P_1", 16},   {"ZUN_3M_1", 76},      {"ZUNQ_56_2", 38},
        {"ZUN_3M_1", 0},   {"ZUNQ_1080p_3D", 76},
    };
    ASSERT_EQ(Device_List_Refresh(list.get()), static_cast<int>(expected.size()));
    for (std::uint32_t i = 0; i < expected.size(); ++i) {
        Extension_Unit_Base_Protocol* protocol = Device_List_Get_Protocol(list.get(), i);
        EXPECT_EQ(Protocol_Get_Product_Name(protocol), expected[i].Product) << "camera " << i;
        EXPECT_EQ(Protocol_Get_Flash_Model(protocol), expected[i].Flash_Model) << "camera " << i;
        EXPECT_EQ(Device_List_Get_Info(list.get(), i).Device_Path_Id.Vid, 0x0C45);
    }
}

TEST(Device_Path, ReadsEveryFieldAndCutsWhatDoesNotFit) {
    const Device_Path_Id id = Parse_Device_Path_Id("\\\\?\\usb#vid_0a1b&pid_2c3d&mi_00#6&2b0c5c1a&0&0000#{"
                                                   "65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
    EXPECT_EQ(std::tuple(id.Vid, id.Pid, id.Interface_Number, id.Instance_1, id.Instance_2, id.Instance_3,
                         id.Instance_4, id.Class_Guid),
              std::tuple(0x0A1B, 0x2C3D, 0u, 6u, 0x2B0C5C1Au, 0u, 0u,
                         platform::Guid_Literal("{65E8773D-8F56-11D0-A3B9-00A0C9223196}")));

    const Device_Path_Id zero{};
    for (std::string_view nothing : {"", "\\\\?\\usb#vid&pid", "no underscores at all {65e8773d-8f56}"}) {
        const Device_Path_Id parsed = Parse_Device_Path_Id(nothing);
        EXPECT_EQ(std::memcmp(&parsed, &zero, sizeof zero), 0) << nothing;
    }
    // A hardware id form, a run longer than the token, and a run that does not fit its field.
    const Device_Path_Id cut =
        Parse_Device_Path_Id("USB\\VID_12345&PID_6366&MI_02\\1234567890ABCDEF0123&7&8&9");
    EXPECT_EQ(cut.Vid, 0x2345) << "a 16-bit field keeps the low bits";
    EXPECT_EQ(cut.Pid, 0x6366);
    EXPECT_EQ(cut.Interface_Number, 2u);
    EXPECT_EQ(cut.Instance_1, 0xFFFFFFFFu) << "15 digits read, past 32 bits";
    EXPECT_EQ(cut.Instance_2, 7u) << "the rest of the long run is skipped";
    EXPECT_EQ(cut.Instance_4, 9u);
    // The text ends at a NUL, and early text leaves the rest zero.
    const Device_Path_Id short_one = Parse_Device_Path_Id(std::string_view("x_0c45\0_6366", 12));
    EXPECT_EQ(short_one.Vid, 0x0C45);
    EXPECT_EQ(short_one.Pid, 0);

    EXPECT_EQ(Parse_Guid_Text("65e8773d-8f56-11d0-a3b9-00a0c9223196"),
              platform::Guid_Literal("{65E8773D-8F56-11D0-A3B9-00A0C9223196}"));
    platform::GUID partial;
    partial.Data1 = 0x65E8;
    EXPECT_EQ(Parse_Guid_Text("{65e8"), partial);
    EXPECT_TRUE(Is_Char_In_Set('\\', "#\\"));
    EXPECT_FALSE(Is_Char_In_Set('\0', "#\\"));
    EXPECT_FALSE(Is_Hex_Digit('g'));
}

} // namespace
