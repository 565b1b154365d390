// What the tool's burn needs of the simulated cameras, through the library's entry points on
// the virtual clock: a camera leaving the host on its register write or its restart and coming
// back as a new device on its port, and every demo camera taking its demo image by the road
// its register 0x20FF selects.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Simulated_Host.h"
#include "platform/simulated/Scenario.h"
#include "test_images/Demo_Images.h"

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

struct Scenario_Host {
    std::shared_ptr<Simulated_Backend> backend = std::make_shared<Simulated_Backend>();
    Scoped_Backend installed{backend};
    std::vector<std::shared_ptr<Simulated_Camera>> cameras;
    std::vector<Device_Change_Event> heard;
    std::unique_ptr<Device_Change_Watch> watch = backend->Watch_Video_Device_Changes(
        [this](const Device_Change_Event& change) { heard.push_back(change); });

    explicit Scenario_Host(const Scenario_Load& load) {
        EXPECT_TRUE(load.Loaded) << load.Error;
        if (load.Loaded)
            cameras = Build_Scenario(*backend, *load.Loaded);
    }
};

TEST(Camera_Leaves, OnItsWriteOrRestartAndComesBackAsANewDeviceOnItsPort) {
    Scenario_Host host(Parse_Scenario(R"({"hubs": [{"name": "root", "ports": 4}], "cameras": [
        {"name": "away", "family": "SPCA2650", "flash": {"jedec": "E0 40 13", "size": 524288},
         "usb": {"vid": "0x0C45", "pid": "0x6380", "hub": "root", "port": 2},
         "leaves": [{"write": {"0x20D8": "0x5A"}, "back_after_ms": 2500, "registers": {"0x20FF": "0x80"}},
                    {"restart": true, "back_after_ms": 2000}]},
        {"name": "gone", "family": "SPCA2620", "flash": {"jedec": "C8 40 13"},
         "usb": {"vid": "0x0C45", "pid": "0x6366", "hub": "root", "port": 3},
         "leaves": [{"restart": true, "back_after_ms": "never"}]}]})"));
    Simulated_Camera& away = *host.cameras.at(0);
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
    ASSERT_EQ(host.heard.size(), 1u);
    EXPECT_EQ(host.heard[0].Kind, Device_Change_Kind::Removal);
    EXPECT_EQ(host.heard[0].Device_Path, old_path);
    EXPECT_EQ(Device_List_Refresh(Discover().get()), 1);
    std::uint8_t value = 0;
    EXPECT_LT(Protocol_Read_Reg(old_protocol, 0x20FF, &value), 0);

    // Back after 2500 ms of the clock, by a test's advance or by a pause of the library.
    host.backend->Advance_Clock(2499);
    EXPECT_EQ(host.heard.size(), 1u);
    platform::Sleep(1);
    ASSERT_EQ(host.heard.size(), 2u);
    EXPECT_EQ(host.heard[1].Kind, Device_Change_Kind::Arrival);
    EXPECT_NE(host.heard[1].Device_Path, old_path) << "a new device instance";
    EXPECT_EQ(host.heard[1].Device_Path, away.Video_Input().Device_Path);
    EXPECT_LT(Protocol_Read_Reg(old_protocol, 0x20FF, &value), 0) << "what was opened before stays gone";

    Owned_Device_List after = Discover();
    Extension_Unit_Base_Protocol* protocol = Protocol_At(after.get(), place);
    ASSERT_NE(protocol, nullptr) << "on the port it left";
    EXPECT_STREQ(Protocol_Get_Product_Name(protocol), "ZUNQ_56_2");
    EXPECT_EQ(Register(protocol, 0x20FF), 0x80) << "the registers it comes back with";
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), flash.begin())) << "the flash keeps its contents";

    // The restart: away and back after 2000 ms, reading its own registers again.
    EXPECT_EQ(Protocol_Reset_Device(protocol), 0);
    ASSERT_EQ(host.heard.size(), 3u);
    host.backend->Advance_Clock(2000);
    ASSERT_EQ(host.heard.size(), 4u);
    EXPECT_NE(host.heard[3].Device_Path, host.heard[1].Device_Path);
    after = Discover();
    EXPECT_EQ(Register(Protocol_At(after.get(), place), 0x20FF), 0x00);
    EXPECT_EQ(away.Restart_Count(), 2u);

    // A camera that never comes back.
    EXPECT_EQ(Protocol_Reset_Device(Device_List_Get_Protocol(after.get(), 1)), 0);
    host.backend->Advance_Clock(3'600'000);
    EXPECT_EQ(host.heard.size(), 5u);
    EXPECT_EQ(host.backend->Pending_Actions(), 0u);
    EXPECT_EQ(Device_List_Refresh(after.get()), 1);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), flash.begin()));

    // A watch that pauses (a refresh may) and so brings the camera back from inside its
    // callback: the arrival is heard after the removal, not inside it.
    bool paused = false;
    auto pausing = host.backend->Watch_Video_Device_Changes([&](const Device_Change_Event& change) {
        if (change.Kind == Device_Change_Kind::Removal && !std::exchange(paused, true))
            platform::Sleep(5000);
    });
    EXPECT_EQ(Protocol_Write_Reg(Protocol_At(after.get(), place), 0x20D8, 0x5A), 0);
    ASSERT_EQ(host.heard.size(), 7u);
    EXPECT_EQ(host.heard[5].Kind, Device_Change_Kind::Removal);
    EXPECT_EQ(host.heard[6].Kind, Device_Change_Kind::Arrival);
    pausing.reset();

    std::vector<Event_Kind> away_events;
    for (const Event& event : host.backend->Log().Events())
        if (event.Camera == "away" && event.Kind != Event_Kind::Request &&
            event.Kind != Event_Kind::Property_Read)
            away_events.push_back(event.Kind);
    using enum Event_Kind;
    EXPECT_EQ(away_events, (std::vector{Restart, Unplugged, Plugged, Restart, Unplugged, Plugged, Restart,
                                        Unplugged, Plugged}));
}

// The burn's preparation of a camera by its register 0x20FF, with the tool's waits of a second
// on the clock; answers the polls it took to find the camera again (0 without a preparation).
int Prepare_For_Burn(Simulated_Backend& backend, Owned_Device_List& list, const Place& place,
                     const test_images::Bytes& image) {
    Extension_Unit_Base_Protocol* protocol = Protocol_At(list.get(), place);
    const std::uint8_t road = Register(protocol, 0x20FF);
    int tries = 0;
    bool recreate = true;
    if (road == 0x00 || road == 0x04) {
        EXPECT_NE(Register(protocol, 0x2310), 5) << "no demo camera has its preview running";
        Protocol_Write_Reg(protocol, 0x20D8, 0x5A);
        tries = 30;
    } else if (road == 0xFF) {
        Protocol_Write_Reg(protocol, 0x20D8, 0x5A);
        tries = 30;
        recreate = false;
    } else if (road == 0xC5 || road == 0xC9) {
        EXPECT_TRUE(image[0] == 0x89 && image[1] == 0x17);
        std::vector<std::uint8_t> piece(4096, 0xFF);
        Protocol_Read_ISP_Mem_Piece(protocol, 0, piece.data());
        std::fill(piece.begin(), piece.begin() + 64, 0xFF);
        piece[0] = piece[1] = 0x00;
        EXPECT_EQ(Protocol_Write_ISP_Mem_Piece(protocol, 0, piece.data()), 0);
        Protocol_Reset_Device(protocol);
        tries = 20;
    } else {
        return 0;
    }
    backend.Advance_Clock(1000);
    for (int tried = 1; tried <= tries; ++tried) {
        if (recreate) // as the tool's device-change handling does meanwhile
            list = Discover();
        protocol = Protocol_At(list.get(), place);
        backend.Advance_Clock(1000);
        if (protocol)
            return tried;
    }
    return -1;
}

TEST(Demo_Burn, EveryDemoCameraTakesItsDemoImageByItsRoad) {
    Scenario_Host host(Load_Scenario_File(std::string(ZUNQ_SOURCE_DIR) + "/scenarios/demo.json"));
    struct Expected {
        std::uint8_t Road; // register 0x20FF
        int Tries;
    };
    // Straight through; straight through; piece 0 and restart, back after 2 s; the write, back after
    // 2.5 s reading 0x80; the write, present at once.
    const std::vector<Expected> expected{{0xD2, 0}, {0xA8, 0}, {0xC5, 2}, {0x00, 3}, {0xFF, 1}};
    const auto images = test_images::Demo_Images();
    ASSERT_EQ(host.cameras.size(), expected.size());
    for (std::size_t i = 0; i < host.cameras.size(); ++i) {
        Simulated_Camera& camera = *host.cameras[i];
        SCOPED_TRACE(camera.Name());
        const auto image =
            std::find_if(images.begin(), images.end(), [&](const test_images::Demo_Image& demo) {
                return demo.Family == camera.Model().Name;
            });
        ASSERT_NE(image, images.end());
        const test_images::Bytes& bytes = image->Image;

        Owned_Device_List list = Discover();
        const Place place = Place_Of(list.get(), static_cast<std::uint32_t>(i));
        EXPECT_NE(
            Protocol_Get_Flash_Model(Device_List_Get_Protocol(list.get(), static_cast<std::uint32_t>(i))) &
                0xFFFF,
            0)
            << "the burn's flash check passes";
        EXPECT_EQ(Register(Protocol_At(list.get(), place), 0x20FF), expected[i].Road);
        EXPECT_EQ(Prepare_For_Burn(*host.backend, list, place, bytes), expected[i].Tries);

        float progress = 0;
        testing::internal::CaptureStderr();
        const int result = Protocol_Download_Firmware(Protocol_At(list.get(), place), bytes.data(),
                                                      static_cast<std::uint32_t>(bytes.size()), &progress);
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(progress, 100.0f);
        const auto& flash = camera.Flash().Part()->Contents();
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin())) << "the flash holds the image";

        // The worker's restart afterwards: the camera comes back with the image in its flash.
        Protocol_Reset_Device(Protocol_At(list.get(), place));
        host.backend->Advance_Clock(2000);
        list = Discover();
        EXPECT_NE(Protocol_At(list.get(), place), nullptr);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), flash.begin()));
    }
}

} // namespace
