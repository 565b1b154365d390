#include "platform/simulated/Scenario.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/Fifo.h"

namespace {

using namespace platform::simulated;

std::string Camera(const std::string& fields) {
    return R"({"cameras": [{"family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1})" +
           (fields.empty() ? "" : ", " + fields) + "}]}";
}

// (The demo's cameras, on their hubs and ports with their registers and flash parts, are seen
// through the tool's camera list and burns.)
TEST(Scenario, DefaultsAndImpliedRootHubs) {
    const Scenario_Load load = Parse_Scenario(Camera(R"("registers": {"0x20FF": "0xC9", "8273": 7})"));
    ASSERT_TRUE(load.Loaded) << load.Error;
    const Scenario& scenario = *load.Loaded;
    const Scenario_Camera& camera = scenario.Cameras[0];
    EXPECT_EQ(camera.Chip.Name, "camera-0");
    EXPECT_EQ(camera.Chip.Layout->Name, "direct");
    EXPECT_EQ(camera.Video.Friendly_Name, "camera-0");
    EXPECT_FALSE(camera.Chip.Flash);
    ASSERT_EQ(camera.Chip.Registers.size(), 2u);
    EXPECT_EQ(camera.Chip.Registers[0].Address, 0x20FF);
    EXPECT_EQ(camera.Chip.Registers[0].Value, 0xC9);
    EXPECT_EQ(camera.Chip.Registers[1].Address, 8273);
    ASSERT_EQ(scenario.Hubs.size(), 1u);
    EXPECT_EQ(scenario.Hubs[0].Name, "root");
    EXPECT_EQ(scenario.Hubs[0].Ports, 4u);
}

TEST(Scenario, BadInputGetsAnErrorThatSaysWhere) {
    const std::pair<std::string, std::string> cases[] = {
        {"{", "scenario: not JSON text: line 1, column 2: syntax error while parsing object key - unexpected "
              "end of input; expected string literal"},
        {"{\n  \"cameras\": [\n    {\"name\": \"\u00e9\" \"x\"}]}", // columns count characters, not bytes
         "scenario: not JSON text: line 3, column 20: syntax error while parsing object - unexpected string "
         "literal; expected '}'"},
        {"[]", "scenario: expected an object"},
        {R"({"cameras": [], "extra": 1})", "scenario.extra: unknown key"},
        {Camera(R"("colour": "red")"), "cameras[0].colour: unknown key"},
        {R"({"cameras": [{"family": "SPCA9999", "usb": {}}]})",
         "cameras[0].family: no chip family \"SPCA9999\""},
        {Camera(R"("layout": "G99@2")"), "cameras[0].layout: no unit layout \"G99@2\""},
        {R"({"cameras": [{"family": "SPCA2092", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1}}]})",
         "cameras[0].layout: the SPCA2092 family has no units of its own"},
        {R"({"cameras": [{"family": "SPCA2620", "usb": {"vid": 1, "hub": "root", "port": 1}}]})",
         "cameras[0].usb.pid: missing"},
        {R"({"cameras": [{"family": "SPCA2620", "usb": {"vid": "0x10000", "pid": 2, "hub": "root", "port": 1}}]})",
         "cameras[0].usb.vid: expected a whole number from 0 to 65535 (decimal, or text like \"0x1F\")"},
        {Camera(R"("flash": {"jedec": "C8 40"})"),
         "cameras[0].flash.jedec: expected 3 to 3 hex bytes separated by spaces, like \"C8 40 13\""},
        {Camera(R"("flash": {"jedec": "C8 40 1"})"),
         "cameras[0].flash.jedec: expected 3 to 3 hex bytes separated by spaces, like \"C8 40 13\""},
        {Camera(R"("flash": {"size": 3000000})"),
         "cameras[0].flash.size: a flash part's size is a power of two"},
        {Camera(R"("fails": "sometimes")"), "cameras[0].fails: expected \"none\", \"filter\" or \"control\""},
        {Camera(R"("registers": {"0x20FF": 1, "8447": 2})"),
         "cameras[0].registers.8447: the register is given twice"},
        {Camera(R"("registers": {"0x20FF": 256})"), "cameras[0].registers.0x20FF: expected a whole number "
                                                    "from 0 to 255 (decimal, or text like \"0x1F\")"},
        {R"({"hubs": [{"name": "root"}], "cameras": [{"family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "other", "port": 1}}]})",
         "cameras[0].usb.hub: no hub \"other\" listed before"},
        {R"({"hubs": [{"name": "root", "ports": 2}], "cameras": [{"family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 3}}]})",
         "cameras[0].usb.port: hub \"root\" has 2 ports"},
        {R"({"hubs": [{"name": "root"}, {"name": "ext", "parent": "root", "port": 1}],
             "cameras": [{"family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1}}]})",
         "cameras[0].usb.port: port 1 of \"root\" is taken"},
        {R"({"hubs": [{"name": "ext", "parent": "root", "port": 1}, {"name": "root"}], "cameras": []})",
         "hubs[0].parent: no hub \"root\" listed before"},
        {R"({"hubs": [{"name": "root", "port": 1}], "cameras": []})",
         "hubs[0].port: a hub with a parent hangs on one of its ports, a root hub on none"},
        {Camera(R"("flash": {"contents": "old.bin"})"),
         "cameras[0].flash.contents: files are named only in a scenario file"},
        {Camera(R"("soc": {"fail_create": true})"),
         "cameras[0].soc: the SPCA2620 family has no file channel"},
        {Camera(R"("faults": [{"request": 3}])"),
         "cameras[0].faults[0]: expected one of \"fail\", \"ignore\" and \"flip_byte\""},
        {Camera(R"("faults": [{"request": 3, "selector": 2, "ignore": true}])"),
         "cameras[0].faults[0]: expected one of \"request\", \"selector\" and \"unplug_after\""},
        {Camera(R"("faults": [{"unplug_after": 3, "fail": -1}])"),
         "cameras[0].faults[0]: an unplugged camera fails every later request"},
        {Camera(R"("faults": [{"request": 3, "fail": 5}])"),
         "cameras[0].faults[0].fail: expected a failure result: a negative number, or text like "
         "\"0x8007001F\""},
        {Camera(R"("faults": [{"request": 3, "code": "GET_CUR", "ignore": true}])"),
         "cameras[0].faults[0].code: a selector's faults take \"GET_CUR\", \"SET_CUR\" or \"GET_LEN\""},
        {Camera(R"("usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1, "product": ")" +
                std::string(127, 'p') + "\"}"),
         "cameras[0].usb.product: a USB string holds at most 126 UTF-16 units"},
    };
    for (const auto& [text, error] : cases) {
        const Scenario_Load load = Parse_Scenario(text);
        EXPECT_FALSE(load.Loaded) << text;
        EXPECT_EQ(load.Error, error) << text;
    }
    // Flash parts are held whole: 17 parts of 16 MiB are more than a simulation holds.
    std::string many = R"({"cameras": [)";
    for (int i = 0; i < 17; ++i)
        many += std::string(i ? "," : "") +
                R"({"family": "SPCA2620", "flash": {"size": 16777216}, "usb": {"vid": 1,
                 "pid": 2, "hub": "root", "port": )" +
                std::to_string(i + 1) + "}}";
    EXPECT_EQ(Parse_Scenario(many + "]}").Error,
              "cameras[16].flash.size: the cameras' flash parts take more than "
              "256 MiB together, more than a simulation holds");
    const Scenario_Load twice = Parse_Scenario(
        R"({"cameras": [{"name": "a", "family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "r", "port": 1}},
                        {"name": "a", "family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "r", "port": 2}}]})");
    EXPECT_EQ(twice.Error, "cameras[1].name: camera \"a\" is listed twice");
}

TEST(Scenario, FlashContentsTransferLengthAndFaultsFromTheFile) {
    const std::string directory = testing::TempDir();
    {
        std::ofstream(directory + "old_flash.bin", std::ios::binary) << "OLD";
        std::ofstream(directory + "burnt.bin", std::ios::binary) << std::string(9000, 'x'); // a longer one
        std::ofstream(directory + "flash_scenario.json") << Camera(
            R"("flash": {"size": 8192, "status": "0x1C", "contents": "old_flash.bin", "save_to": "burnt.bin"},
               "chunk_length": "0x10400",
               "faults": [{"request": 7, "fail": -1}, {"selector": 15, "code": "GET_CUR", "flip_byte": 3},
                          {"request": 9, "fail": "0x8007001F"}, {"unplug_after": 100}])");
    }
    const Scenario_Load load = Load_Scenario_File(directory + "flash_scenario.json");
    ASSERT_TRUE(load.Loaded) << load.Error;
    {
        Simulated_Backend backend;
        const auto camera = Build_Scenario(backend, *load.Loaded).at(0);
        const auto& contents = camera->Flash().Part()->Contents();
        EXPECT_EQ(std::string(contents.begin(), contents.begin() + 3), "OLD");
        EXPECT_EQ(contents[3], 0xFF);
        EXPECT_EQ(camera->Flash().Part()->Status(), 0x1C);
        EXPECT_EQ(camera->Chip_Unit()->Find(15)->Length(), 0x10400u);
        auto& faults = camera->Faults();
        EXPECT_EQ(faults.Fault_For(7, 2, Request_Code::Set_Cur)->Result, -1);
        EXPECT_EQ(faults.Fault_For(9, 2, Request_Code::Set_Cur)->Result,
                  static_cast<platform::HRESULT>(0x8007001F));
        EXPECT_EQ(faults.Fault_For(8, 15, Request_Code::Get_Cur)->Position, 3u);
        EXPECT_FALSE(faults.Fault_For(8, 15, Request_Code::Set_Cur));
        EXPECT_EQ(faults.Fault_For(101, 2, Request_Code::Set_Cur)->Result, Unplugged_Result);
        camera->Flash().Part()->Contents()[1] = 'U';
    }
    std::ifstream saved(directory + "burnt.bin", std::ios::binary);
    std::string text(3, '\0');
    saved.read(text.data(), 3);
    EXPECT_EQ(text, "OUD") << "saved when the simulation ends";
    EXPECT_EQ(std::filesystem::file_size(directory + "burnt.bin"), 8192u)
        << "the flash, and nothing after it";
    std::filesystem::remove(directory + "burnt.bin");

    std::ofstream(directory + "flash_scenario.json") << Camera(R"("flash": {"size": 4096, "contents": "."})");
    EXPECT_EQ(Load_Scenario_File(directory + "flash_scenario.json").Error,
              directory + "flash_scenario.json: cameras[0].flash.contents: " + directory +
                  ". is a directory");
    std::ofstream(directory + "old_flash.bin", std::ios::binary) << std::string(4097, 'x');
    std::ofstream(directory + "flash_scenario.json")
        << Camera(R"("flash": {"size": 4096, "contents": "old_flash.bin"})");
    EXPECT_EQ(Load_Scenario_File(directory + "flash_scenario.json").Error,
              directory + "flash_scenario.json: cameras[0].flash.contents: " + directory +
                  "old_flash.bin holds more than the part's 4096 bytes");
}

TEST(Scenario, TheEnvironmentNamesTheFileOrNothing) {
    std::string error = "stale";
    ::unsetenv(Scenario_Environment_Variable);
    EXPECT_EQ(Backend_From_Environment(error), nullptr);
    EXPECT_EQ(error, "");
    ::setenv(Scenario_Environment_Variable, "/no/such/scenario.json", 1);
    EXPECT_EQ(Backend_From_Environment(error), nullptr);
    EXPECT_EQ(error, "/no/such/scenario.json: cannot be read");
    ::setenv(Scenario_Environment_Variable, ZUNQ_SOURCE_DIR, 1);
    EXPECT_EQ(Backend_From_Environment(error), nullptr);
    EXPECT_EQ(error, std::string(ZUNQ_SOURCE_DIR) + ": is a directory");
    ::unsetenv(Scenario_Environment_Variable); // a named file is served: see the discovery tests
}

// A FIFO would hold the tool in open() until someone opened its other end, where no signal
// can end it: every name that is not a regular file is refused, a save_to already when the
// file is read, and one that becomes a FIFO by the end of the run is not written.
TEST(Scenario, NamesThatAreNoRegularFilesAreRefusedAndNeverWaitedFor) {
    const std::filesystem::path directory =
        std::filesystem::path(testing::TempDir()) / ("fifos-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory / "folder");
    const std::string scenario_file = (directory / "scenario.json").string();
    zunq::tests::Fifo fifo(directory / "fifo");
    ASSERT_TRUE(fifo.Made());
    const auto error_of = [&](const std::string& flash) {
        std::ofstream(scenario_file) << Camera(R"("flash": {"size": 4096, )" + flash + "}");
        return Load_Scenario_File(scenario_file).Error;
    };
    const std::string at = scenario_file + ": cameras[0].flash.";
    const std::string fifo_path = fifo.Path();
    const std::string folder_path = (directory / "folder").string();
    EXPECT_EQ(error_of(R"("contents": "fifo")"),
              at + "contents: " + fifo_path + " is a FIFO, not a regular file");
    EXPECT_EQ(error_of(R"("save_to": "fifo")"),
              at + "save_to: " + fifo_path + " is a FIFO, not a regular file");
    EXPECT_EQ(error_of(R"("save_to": "folder")"), at + "save_to: " + folder_path + " is a directory");
    ::setenv(Scenario_Environment_Variable, fifo_path.c_str(), 1);
    std::string error;
    EXPECT_EQ(Backend_From_Environment(error), nullptr);
    EXPECT_EQ(error, fifo_path + ": is a FIFO, not a regular file");
    ::unsetenv(Scenario_Environment_Variable);
    EXPECT_EQ(fifo.Stop(), 0u) << "the FIFO was opened";

    // The name was a file when the scenario was read and is a FIFO when the run ends.
    const std::string saved = (directory / "saved.bin").string();
    std::ofstream(saved) << "old";
    ASSERT_EQ(error_of(R"("name": "part", "save_to": "saved.bin")"), "");
    const Scenario_Load load = Load_Scenario_File(scenario_file);
    ASSERT_TRUE(load.Loaded);
    testing::internal::CaptureStderr();
    {
        std::filesystem::remove(saved);
        zunq::tests::Fifo later(saved);
        ASSERT_TRUE(later.Made());
        {
            Simulated_Backend backend;
            Build_Scenario(backend, *load.Loaded);
        }
        EXPECT_EQ(later.Stop(), 0u) << "the FIFO was opened";
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "simulated flash part: cannot write " + saved + "\n");
    std::filesystem::remove_all(directory);
}

TEST(Scenario, CamerasLeaveByAWriteOrTheirRestartAndComeBackOrNot) {
    const Scenario_Load load = Parse_Scenario(Camera(R"("leaves": [
        {"write": {"0x20D8": "0x5A"}, "back_after_ms": 2500, "registers": {"0x20FF": "0x80"}},
        {"restart": true, "back_after_ms": "never"}])"));
    ASSERT_TRUE(load.Loaded) << load.Error;
    // (How cameras leave and come back, or never do, is seen through the tool's burns.)
    const Chip_Camera_Description& chip = load.Loaded->Cameras[0].Chip;
    ASSERT_EQ(chip.Leave_Writes.size(), 1u);
    ASSERT_EQ(chip.Leave_Writes[0].Then.Registers.size(), 1u);
    EXPECT_EQ(chip.Leave_Writes[0].Then.Registers[0].Value, 0x80);

    const std::pair<std::string, std::string> cases[] = {
        {Camera(R"("leaves": {})"), "cameras[0].leaves: expected a list"},
        {Camera(R"("leaves": [{"back_after_ms": 1}])"),
         "cameras[0].leaves[0]: expected one of \"write\" and \"restart\""},
        {Camera(R"("leaves": [{"restart": true, "write": {"1": 2}, "back_after_ms": 1}])"),
         "cameras[0].leaves[0]: expected one of \"write\" and \"restart\""},
        {Camera(R"("leaves": [{"restart": true}])"), "cameras[0].leaves[0].back_after_ms: missing"},
        {Camera(R"("leaves": [{"restart": true, "back_after_ms": "soon"}])"),
         "cameras[0].leaves[0].back_after_ms: expected milliseconds from 0 to 3600000, or \"never\""},
        {Camera(R"("leaves": [{"restart": false, "back_after_ms": 1}])"),
         "cameras[0].leaves[0].restart: expected true"},
        {Camera(
             R"("leaves": [{"restart": true, "back_after_ms": 1}, {"restart": true, "back_after_ms": 2}])"),
         "cameras[0].leaves[1].restart: the restart is given twice"},
        {Camera(R"("leaves": [{"write": {"0x20D8": 1, "0x20D9": 2}, "back_after_ms": 1}])"),
         "cameras[0].leaves[0].write: expected one register write, like {\"0x20D8\": \"0x5A\"}"},
        {Camera(R"("leaves": [{"write": {"0x2034": 1}, "back_after_ms": 1}])"),
         "cameras[0].leaves[0].write: that write restarts the chip: use \"restart\""},
        {Camera(
             R"("leaves": [{"write": {"1": 2}, "back_after_ms": 1}, {"write": {"1": 2}, "back_after_ms": 3}])"),
         "cameras[0].leaves[1].write: the write is given twice"},
        {Camera(R"("leaves": [{"restart": true, "back_after_ms": 1, "when": 2}])"),
         "cameras[0].leaves[0].when: unknown key"},
        {R"({"cameras": [{"family": "SOC_M5", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1}, "leaves": []}]})",
         "cameras[0].leaves: the SOC_M5 family does not leave the host"},
    };
    for (const auto& [text, error] : cases)
        EXPECT_EQ(Parse_Scenario(text).Error, error) << text;
}

// The timeline unplugs cameras and plugs them back into their own ports on the backend's clock;
// the watches hear each change as it happens.
TEST(Scenario, TheTimelineUnplugsAndPlugsCamerasBackOnTheBackendsClock) {
    const Scenario_Load load = Parse_Scenario(R"({
      "hubs": [{"name": "root", "ports": 4}, {"name": "ext", "parent": "root", "port": 4}],
      "cameras": [{"name": "a", "family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1}},
                  {"name": "b", "family": "SPCA2650", "usb": {"vid": 3, "pid": 4, "hub": "ext", "port": 2}}],
      "timeline": [{"at_ms": 2000, "plug": "b"}, {"at_ms": 1000, "unplug": "b"}, {"at_ms": 1500, "plug": "a"}]})");
    ASSERT_TRUE(load.Loaded) << load.Error;
    Simulated_Backend backend;
    const auto cameras = Build_Scenario(backend, *load.Loaded);
    std::vector<std::string> heard;
    const auto watch = backend.Watch_Video_Device_Changes([&](const platform::Device_Change_Event& change) {
        heard.push_back((change.Kind == platform::Device_Change_Kind::Arrival ? "+" : "-") +
                        change.Device_Path);
    });
    const std::string path = cameras[1]->Video_Input().Device_Path;
    const auto listed = [&] {
        std::vector<std::unique_ptr<platform::Video_Input_Device>> devices;
        backend.Enumerate_Video_Inputs(devices);
        return devices.size();
    };
    backend.Advance_Clock(999);
    EXPECT_EQ(listed(), 2u);
    backend.Advance_Clock(1);
    EXPECT_EQ(listed(), 1u);
    EXPECT_EQ(heard, std::vector<std::string>{"-" + path});
    backend.Advance_Clock(1000);
    EXPECT_EQ(listed(), 2u) << "a, plugged already, stays; b is back";
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1], "+" + cameras[1]->Video_Input().Device_Path);
    EXPECT_EQ(backend.Usb_Tree().Find_Capture_Device(cameras[1]->Video_Input().Device_Path)->Port(), 2)
        << "on its own port";

    const std::pair<std::string, std::string> cases[] = {
        {R"({"cameras": [], "timeline": {}})", "timeline: expected a list"},
        {R"({"cameras": [], "timeline": [{"unplug": "a"}]})", "timeline[0].at_ms: missing"},
        {R"({"cameras": [], "timeline": [{"at_ms": 1}]})",
         "timeline[0]: expected one of \"unplug\" and \"plug\""},
        {R"({"cameras": [], "timeline": [{"at_ms": 1, "plug": "a", "unplug": "a"}]})",
         "timeline[0]: expected one of \"unplug\" and \"plug\""},
        {R"({"cameras": [], "timeline": [{"at_ms": 3600001, "plug": "a"}]})",
         "timeline[0].at_ms: expected a whole number from 0 to 3600000 (decimal, or text like \"0x1F\")"},
        {R"({"cameras": [], "timeline": [{"at_ms": 1, "plug": 7}]})", "timeline[0].plug: expected text"},
        {Camera(R"("name": "a"}], "timeline": [{"at_ms": 1, "unplug": "b")"),
         "timeline[0].unplug: no camera \"b\""},
        {R"({"cameras": [], "timeline": [{"at_ms": 1, "plug": "a", "when": 2}]})",
         "timeline[0].when: unknown key"},
    };
    for (const auto& [text, error] : cases)
        EXPECT_EQ(Parse_Scenario(text).Error, error) << text;
}

} // namespace
