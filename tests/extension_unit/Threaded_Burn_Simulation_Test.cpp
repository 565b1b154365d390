// Cameras leaving and coming back while the tool's threads use the host: a download worker
// pausing (its pauses bring cameras back on its thread) and restarting its camera, while the
// user-interface thread refreshes the device list, sends cameras away, plugs and unplugs, and
// advances the clock. And the real-time clock that brings cameras back by itself in the tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "Simulated_Host.h"
#include "platform/simulated/Scenario.h"
#include "test_images/Demo_Images.h"

namespace {

using namespace platform;
using namespace platform::simulated;
using test::Owned_Device_List;

constexpr const char* Three_Cameras = R"({"hubs": [{"name": "root", "ports": 4}], "cameras": [
    {"name": "burnt", "family": "SPCA2650", "flash": {"jedec": "E0 40 13", "size": 524288},
     "usb": {"vid": "0x0C45", "pid": "0x6380", "hub": "root", "port": 1},
     "leaves": [{"restart": true, "back_after_ms": 40}]},
    {"name": "bouncing", "family": "SPCA2620", "flash": {"jedec": "C8 40 13"},
     "usb": {"vid": "0x0C45", "pid": "0x6366", "hub": "root", "port": 2},
     "leaves": [{"write": {"0x20D8": "0x5A"}, "back_after_ms": 15, "registers": {"0x20FF": "0x80"}}]},
    {"name": "handled", "family": "SPCA2281", "flash": {"jedec": "EF 30 13"},
     "usb": {"vid": "0x0C45", "pid": "0x6340", "hub": "root", "port": 3}}]})";

// Every change heard, with the camera it was about (by its path at the time).
struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<Device_Change_Kind, std::string>> changes;

    void Hear(const Device_Change_Event& change) {
        {
            const std::lock_guard lock(mutex);
            changes.emplace_back(change.Kind, change.Device_Path);
        }
        changed.notify_all();
    }
};

Extension_Unit_Base_Protocol* Protocol_On_Port(Device_List* list, std::uint32_t port) {
    for (std::uint32_t i = 0; Extension_Unit_Base_Protocol* protocol = Device_List_Get_Protocol(list, i); ++i)
        if (Device_List_Get_Info(list, i).Port_Number == port)
            return protocol;
    return nullptr;
}

// A register write straight to the camera's chip unit (node 3, the family's second GUID), on its
// present connection, as the camera's own side of the host would see it.
void Write_Register(Simulated_Camera& camera, std::uint16_t address, std::uint8_t value) {
    KSP_NODE property;
    property.NodeId = 3;
    const GUID unit = (*Find_Chip_Family(camera.Model().Name)->Own_Units)[1];
    std::uint8_t address_bytes[2] = {static_cast<std::uint8_t>(address),
                                     static_cast<std::uint8_t>(address >> 8)};
    property.Property = {unit, 2, KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY};
    camera.Ks_Property(property, sizeof property, address_bytes, 2, nullptr);
    property.Property.Id = 3;
    camera.Ks_Property(property, sizeof property, &value, 1, nullptr);
}

// What a refresh reads of the host besides the cameras' units: the video inputs and their
// paths, the capture functions, and every root-hub port with its device's descriptor. (A
// refresh also probes every camera, which must wait while a download runs.)
void Read_The_Host(Simulated_Backend& backend) {
    std::vector<std::unique_ptr<Video_Input_Device>> devices;
    backend.Enumerate_Video_Inputs(devices);
    for (const auto& device : devices) {
        std::string path;
        device->Read_Property(Property_Device_Path, path);
    }
    const auto captures = backend.Usb().Open_Device_Set(&Capture_Interface_Class);
    std::string path;
    for (std::uint32_t i = 0; i < 4; ++i) {
        Device_Interface interface;
        if (captures->Interface(i, interface) >= 0)
            captures->Interface_Path(interface, path);
    }
    const auto hub = backend.Usb().Open_Hub(backend.Usb_Tree().Host_Controllers()[0]->Root_Hub().Name());
    for (std::uint32_t port = 1; port <= 4; ++port) {
        Usb_Connection_Information information;
        std::vector<std::uint8_t> reply;
        hub->Connection_Information(port, information);
        hub->Port_Descriptor(port, {2, 0, 0, 255}, reply);
    }
}

TEST(Threaded_Burn_Simulation, CamerasComeAndGoWhileADownloadRunsAndTheListRefreshes) {
    const Scenario_Load load = Parse_Scenario(Three_Cameras);
    ASSERT_TRUE(load.Loaded) << load.Error;
    auto backend = std::make_shared<Simulated_Backend>();
    Scoped_Backend installed(backend);
    const auto cameras = Build_Scenario(*backend, *load.Loaded);
    Simulated_Camera& bouncing = *cameras[1];
    Simulated_Camera& handled = *cameras[2];
    Heard heard;
    auto watch = backend->Watch_Video_Device_Changes([&](const Device_Change_Event& e) { heard.Hear(e); });
    const auto images = test_images::Demo_Images();
    const auto& image = std::find_if(images.begin(), images.end(), [](const auto& demo) {
                            return demo.Family == "SPCA2650";
                        })->Image;

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    // The worker's camera comes from a list the user-interface thread keeps until the worker
    // ends; its pauses move the clock on and bring cameras back on its thread.
    Owned_Device_List burn_list = test::Simulated_Host::Discover();
    Extension_Unit_Base_Protocol* burning = Protocol_On_Port(burn_list.get(), 1);
    ASSERT_NE(burning, nullptr);
    int download_result = 1;
    std::atomic<bool> worker_done = false;
    std::thread worker([&] {
        float progress = 0;
        download_result = Protocol_Download_Firmware(burning, image.data(),
                                                     static_cast<std::uint32_t>(image.size()), &progress);
        Protocol_Reset_Device(burning);
        worker_done = true;
    });
    // The camera side: one camera keeps leaving (back after 15 ms) whenever it is there, at
    // least once however late the thread gets to run.
    std::atomic<bool> stop = false;
    std::thread camera_side([&] {
        for (int i = 0; i < 500 && (i == 0 || !stop); ++i) {
            Write_Register(bouncing, 0x20D8, 0x5A);
            std::this_thread::yield();
        }
    });

    // The user-interface thread: reads the host, plugs and unplugs, advances the clock; once the
    // worker has ended it refreshes the whole device list as well.
    for (int round = 0; round < 80 || !worker_done; ++round) {
        Read_The_Host(*backend);
        if (worker_done)
            Device_List_Refresh(test::Simulated_Host::Discover().get());
        if (round % 3 == 0) {
            const auto place = backend->Unplug_Camera(handled);
            backend->Advance_Clock(5);
            backend->Plug_Camera(handled, *place.Hub, place.Port);
        }
        backend->Advance_Clock(7);
    }
    stop = true;
    camera_side.join();
    worker.join();
    burn_list.reset();
    backend->Advance_Clock(1000);
    const int present = Device_List_Refresh(test::Simulated_Host::Discover().get());
    testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();

    EXPECT_EQ(download_result, 0);
    const auto& flash = cameras[0]->Flash().Part()->Contents();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    EXPECT_EQ(present, 3) << "every camera is back";
    EXPECT_EQ(backend->Pending_Actions(), 0u);

    // Per camera, removals and arrivals alternate, each arrival under a path never seen before.
    std::map<std::string, std::vector<Event_Kind>> kinds;
    for (const Event& event : backend->Log().Events())
        if (event.Kind == Event_Kind::Plugged || event.Kind == Event_Kind::Unplugged)
            kinds[event.Camera].push_back(event.Kind);
    EXPECT_EQ(kinds.size(), 3u) << "every camera left and came back";
    std::size_t changes = 0;
    for (const auto& [camera, sequence] : kinds) {
        SCOPED_TRACE(camera);
        EXPECT_GE(sequence.size(), 2u);
        for (std::size_t i = 0; i < sequence.size(); ++i)
            EXPECT_EQ(sequence[i], i % 2 == 0 ? Event_Kind::Unplugged : Event_Kind::Plugged);
        changes += sequence.size();
    }
    const std::lock_guard lock(heard.mutex);
    EXPECT_EQ(heard.changes.size(), changes) << "every change was heard once";
    std::vector<std::string> arrived;
    for (const auto& [kind, path] : heard.changes)
        if (kind == Device_Change_Kind::Arrival)
            arrived.push_back(path);
    std::sort(arrived.begin(), arrived.end());
    EXPECT_EQ(std::adjacent_find(arrived.begin(), arrived.end()), arrived.end());
}

TEST(Threaded_Burn_Simulation, InRealTimeACameraComesBackByItself) {
    const Scenario_Load load = Parse_Scenario(R"({"cameras": [
        {"family": "SPCA2620", "usb": {"vid": 1, "pid": 2, "hub": "root", "port": 1},
         "leaves": [{"write": {"0x20D8": "0x5A"}, "back_after_ms": 1}]}]})");
    ASSERT_TRUE(load.Loaded) << load.Error;
    auto backend = std::make_shared<Simulated_Backend>(Simulated_Time::Real);
    EXPECT_EQ(backend->Time(), Simulated_Time::Real);
    const auto cameras = Build_Scenario(*backend, *load.Loaded);
    Heard heard;
    auto watch = backend->Watch_Video_Device_Changes([&](const Device_Change_Event& e) { heard.Hear(e); });
    {
        Scoped_Backend installed(backend);
        testing::internal::CaptureStdout();
        Owned_Device_List list = test::Simulated_Host::Discover();
        testing::internal::GetCapturedStdout();
        Protocol_Write_Reg(Device_List_Get_Protocol(list.get(), 0), 0x20D8, 0x5A);
        const auto& clock = dynamic_cast<const Real_Time_Clock&>(backend->Clock());
        const std::uint64_t slept = clock.Pauses();
        platform::Sleep(1);
        EXPECT_EQ(clock.Pauses(), slept + 1) << "a pause slept is counted";
    }
    std::unique_lock lock(heard.mutex);
    ASSERT_TRUE(
        heard.changed.wait_for(lock, std::chrono::seconds(30), [&] { return heard.changes.size() == 2; }));
    EXPECT_EQ(heard.changes[1].first, Device_Change_Kind::Arrival);
    // Which thread hands a change over is not fixed: one thread at a time delivers what is
    // queued, so a quick return may carry the leave along. That the return came while this
    // thread only waited shows the clock brought the camera back by itself.
    EXPECT_TRUE(backend->Log().Pauses().empty()) << "real pauses are waited, not recorded";
    lock.unlock();

    // An action far off neither runs nor holds up the backend's end.
    bool ran = false;
    backend->After(3'600'000, [&] { ran = true; });
    EXPECT_EQ(backend->Pending_Actions(), 1u);
    backend->Advance_Clock(3'600'000); // real time moves by itself only
    watch.reset();
    backend.reset();
    EXPECT_FALSE(ran);
}

} // namespace
