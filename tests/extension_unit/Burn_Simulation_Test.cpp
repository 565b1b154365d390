// What the tool's burn needs of the simulated cameras, through the library's entry points on
// the virtual clock: a camera leaving the host on its register write or its restart and coming
// back as a new device on its port. (Each demo camera taking its demo image by the road its
// register 0x20FF selects is the dialog's burn test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Simulated_Host.h"
#include "platform/simulated/Scenario.h"

namespace {

using namespace platform;
using namespace platform::simulated;
using test::Owned_Device_List;

// A camera's place as the hub walk records it: what the tool selects a camera by again.
struct Place {
    std::string Hub;
    std::uint32_t Port = 0;
};

Place Place_Of(Device_List* list, std::uint32_t index) {
    const Device_Info_Record record = Device_List_Get_Info(list, index);
    return {record.Hub_Port_Path, record.Port_Number};
}

Extension_Unit_Base_Protocol* Protocol_At(Device_List* list, const Place& place) {
    for (std::uint32_t i = 0; Extension_Unit_Base_Protocol* protocol = Device_List_Get_Protocol(list, i);
         ++i) {
        const Place at = Place_Of(list, i);
        if (at.Hub == place.Hub && at.Port == place.Port)
            return protocol;
    }
    return nullptr;
}

// Discovery of every camera present, its trace lines kept out of the test's output.
Owned_Device_List Discover() {
    testing::internal::CaptureStdout();
    Owned_Device_List list = test::Simulated_Host::Discover();
    testing::internal::GetCapturedStdout();
    return list;
}

std::uint8_t Register(Extension_Unit_Base_Protocol* protocol, std::uint16_t address) {
    std::uint8_t value = 0;
    Protocol_Read_Reg(protocol, address, &value);
    return value;
}

TEST(Camera_Leaves, OnItsWriteOrRestartAndComesBackAsANewDeviceOnItsPort) {
    const Scenario_Load load = Parse_Scenario(R"({"hubs": [{"name": "root", "ports": 4}], "cameras": [
        {"name": "away", "family": "SPCA2650", "flash": {"jedec": "E0 40 13", "size": 524288},
         "usb": {"vid": "0x0C45", "pid": "0x6380", "hub": "root", "port": 2},
         "leaves": [{"write": {"0x20D8": "0x5A"}, "back_after_ms": 2500, "registers": {"0x20FF": "0x80"}},
                    {"restart": true, "back_after_ms": 2000}]},
        {"name": "gone", "family": "SPCA2620", "flash": {"jedec": "C8 40 13"},
         "usb": {"vid": "0x0C45", "pid": "0x6366", "hub": "root", "port": 3},
         "leaves": [{"restart": true, "back_after_ms": "never"}]}]})");
    ASSERT_TRUE(load.Loaded) << load.Error;
    const auto backend = std::make_shared<Simulated_Backend>();
    Scoped_Backend installed(backend);
    const auto cameras = Build_Scenario(*backend, *load.Loaded);
    std::vector<Device_Change_Event> heard;
    const auto watch = backend->Watch_Video_Device_Changes(
        [&](const Device_Change_Event& change) { heard.push_back(change); });
    Simulated_Camera& away = *cameras.at(0);
    auto& flash = away.Flash().Part()->Contents();
    std::fill(flash.begin(), flash.begin() + 4096, 0x3C);
    const auto kept = flash;

    Owned_Device_List before = Discover();
    const Place place = Place_Of(before.get(), 0);
    Extension_Unit_Base_Protocol* old_protocol = Device_List_Get_Protocol(before.get(), 0);
    EXPECT_EQ(Register(old_protocol, 0x20FF), 0x00);
    const std::string old_path = away.Video_Input().Device_Path;

    // The write is answered, then the camera is off the host: unlisted, its port empty.
    EXPECT_EQ(Protocol_Write_Reg(old_protocol, 0x20D8, 0x5A), 0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].Kind, Device_Change_Kind::Removal);
    EXPECT_EQ(heard[0].Device_Path, old_path);
    EXPECT_EQ(Device_List_Refresh(Discover().get()), 1);
    std::uint8_t value = 0;
    EXPECT_LT(Protocol_Read_Reg(old_protocol, 0x20FF, &value), 0);

    // Back after 2500 ms of the clock, by a test's advance or by a pause of the library.
    backend->Advance_Clock(2499);
    EXPECT_EQ(heard.size(), 1u);
    platform::Sleep(1);
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[1].Kind, Device_Change_Kind::Arrival);
    EXPECT_NE(heard[1].Device_Path, old_path) << "a new device instance";
    EXPECT_EQ(heard[1].Device_Path, away.Video_Input().Device_Path);
    EXPECT_LT(Protocol_Read_Reg(old_protocol, 0x20FF, &value), 0) << "what was opened before stays gone";

    Owned_Device_List after = Discover();
    Extension_Unit_Base_Protocol* protocol = Protocol_At(after.get(), place);
    ASSERT_NE(protocol, nullptr) << "on the port it left";
    EXPECT_STREQ(Protocol_Get_Product_Name(protocol), "ZUNQ_56_2");
    EXPECT_EQ(Register(protocol, 0x20FF), 0x80) << "the registers it comes back with";
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), flash.begin())) << "the flash keeps its contents";

    // The restart: away and back after 2000 ms, reading its own registers again.
    EXPECT_EQ(Protocol_Reset_Device(protocol), 0);
    ASSERT_EQ(heard.size(), 3u);
    backend->Advance_Clock(2000);
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_NE(heard[3].Device_Path, heard[1].Device_Path);
    after = Discover();
    EXPECT_EQ(Register(Protocol_At(after.get(), place), 0x20FF), 0x00);
    EXPECT_EQ(away.Restart_Count(), 2u);

    // A camera that never comes back.
    EXPECT_EQ(Protocol_Reset_Device(Device_List_Get_Protocol(after.get(), 1)), 0);
    backend->Advance_Clock(3'600'000);
    EXPECT_EQ(heard.size(), 5u);
    EXPECT_EQ(backend->Pending_Actions(), 0u);
    EXPECT_EQ(Device_List_Refresh(after.get()), 1);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), flash.begin()));

    // A watch that pauses (a refresh may) and so brings the camera back from inside its
    // callback: the arrival is heard after the removal, not inside it.
    bool paused = false;
    auto pausing = backend->Watch_Video_Device_Changes([&](const Device_Change_Event& change) {
        if (change.Kind == Device_Change_Kind::Removal && !std::exchange(paused, true))
            platform::Sleep(5000);
    });
    EXPECT_EQ(Protocol_Write_Reg(Protocol_At(after.get(), place), 0x20D8, 0x5A), 0);
    ASSERT_EQ(heard.size(), 7u);
    EXPECT_EQ(heard[5].Kind, Device_Change_Kind::Removal);
    EXPECT_EQ(heard[6].Kind, Device_Change_Kind::Arrival);
    pausing.reset();

    std::vector<Event_Kind> away_events;
    for (const Event& event : backend->Log().Events())
        if (event.Camera == "away" && event.Kind != Event_Kind::Request &&
            event.Kind != Event_Kind::Property_Read)
            away_events.push_back(event.Kind);
    using enum Event_Kind;
    EXPECT_EQ(away_events, (std::vector{Restart, Unplugged, Plugged, Restart, Unplugged, Plugged, Restart,
                                        Unplugged, Plugged}));
}

} // namespace
