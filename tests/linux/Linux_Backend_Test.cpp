// The Linux backend end to end: the camera library over libusb, sysfs and udev, on a umockdev
// test bed whose cameras are the simulated chips.
#include <gtest/gtest.h>

#include <grp.h>
#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>

#include "Extension_Unit_Class/Chip_Probes.h"
#include "Extension_Unit_Class/Device_Path_Id.h"
#include "Linux_Host.h"
#include "application/Choose_Backend.h"
#include "extension_unit/Log_Capture.h"
#include "extension_unit/Simulated_Host.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "platform/linux/Udev_Device_Watch.h"
#include "platform/linux/Usb_Device_Names.h"
#include "platform/linux/Uvc_Control_Channel.h"

namespace {

using platform::HRESULT;
using platform::Win32_Error;
using test::Usb_Location;

const auto Gd25q40 = test::Flash_Part({0xC8, 0x40, 0x13}); // flash model 38

bool Class_Requests_Reached(const test::Emulated_Usb_Device& device) {
    const auto requests = device.Requests();
    return std::any_of(requests.begin(), requests.end(),
                       [](const test::Setup_Packet& setup) { return (setup.Request_Type & 0x60) == 0x20; });
}

TEST(Linux_Backend, RefreshListsIdentifiesAndPlacesEveryCameraThroughLibusb) {
    test::Log_Capture log;
    test::Linux_Host host;
    host.Add_Bus(1);
    host.bed.Add_Root_Hub(2, 2, 0x0300);
    const auto twin = [](const char* serial) {
        return platform::simulated::Usb_Camera_Description{
            .Vid = 0x0C45, .Pid = 0x6366, .Product = "Desk Camera", .Serial = serial};
    };
    host.Add_Camera({1, {1}}, "SPCA2620", "direct", twin("TWIN-1"), Gd25q40);
    host.bed.Add_Device({1, {2}}, test::Real_Camera_Description("logitech_streamcam"),
                        {{{0, "uvcvideo"}, {1, "uvcvideo"}}});
    host.bed.Add_Hub({1, {3}}, 4);
    host.Add_Camera({1, {3, 2}}, "SPCA2281", "direct-first", {.Vid = 0x1B3F, .Pid = 0x2247, .Bcd = 0x0317});
    host.Add_Camera({1, {3, 4}}, "SPCA2620", "direct", twin("TWIN-2"), Gd25q40);
    host.Add_Camera({1, {4}}, "SPCA2650", "G10@2", {.Pid = 0x5602});
    // A camera of another maker that carries one of the probes' GUIDs (G4), so pairing opens it.
    host.bed.Add_Device({2, {1}}, test::Real_Camera_Description("trust_webcam"),
                        {{{0, "uvcvideo"}, {1, "uvcvideo"}}});
    host.Start();
    auto list = test::Simulated_Host::Discover();

    struct Expected {
        Usb_Location At;
        const char* Product_Name;
        const char* Hub;
        std::uint16_t Vid, Pid, Bcd;
        const char* Serial;
        int Flash_Model;
    };
    const Expected cameras[] = {
        {{1, {1}}, "ZUN_8M_1", "usb1", 0x0C45, 0x6366, 0x0100, "TWIN-1", 38},
        {{1, {3, 2}}, "ZUN_3M_1", "1-3", 0x1B3F, 0x2247, 0x0317, "", 0},
        {{1, {3, 4}}, "ZUN_8M_1", "1-3", 0x0C45, 0x6366, 0x0100, "TWIN-2", 38},
        {{1, {4}}, "ZUNQ_56_2", "usb1", 0x0A1B, 0x5602, 0x0100, "", 0},
    };
    ASSERT_EQ(list->Count(), std::size(cameras)) << log.Text();
    for (std::uint32_t i = 0; i < std::size(cameras); ++i) {
        const Expected& expected = cameras[i];
        SCOPED_TRACE(expected.At.Sysfs_Name());
        const Device_Info_Record record = Device_List_Get_Info(list.get(), i);
        Extension_Unit_Base_Protocol* protocol = Device_List_Get_Protocol(list.get(), i);
        EXPECT_EQ(
            std::tuple(std::string(Protocol_Get_Product_Name(protocol)), std::string(record.Device_Path),
                       std::string(record.Hub_Port_Path), record.Port_Number, record.Node_Word,
                       Protocol_Get_Flash_Model(protocol)),
            std::tuple(std::string(expected.Product_Name),
                       platform::linux_host::Video_Input_Path(expected.Vid, expected.Pid, expected.At, 0),
                       std::string(expected.Hub), std::uint32_t{expected.At.Port()}, 3u,
                       expected.Flash_Model));
        EXPECT_EQ(std::tuple(record.idVendor, record.idProduct, record.bcdDevice,
                             std::string(record.Manufacturer), std::string(record.Product),
                             std::string(record.Serial_Number)),
                  std::tuple(expected.Vid, expected.Pid, expected.Bcd, std::string("ZUNQ"),
                             std::string(expected.Vid == 0x0C45 ? "Desk Camera" : "USB Camera"),
                             std::string(expected.Serial)));
        // Held: the kernel driver is off the video-control interface, which the tool claims.
        EXPECT_EQ(host.bed.Device(expected.At).Driver(0), "usbfs");
        EXPECT_EQ(host.bed.Device(expected.At).Detaches(), 1u);
    }
    const Device_Info_Record twin_1 = Device_List_Get_Info(list.get(), 0);
    const Device_Info_Record twin_2 = Device_List_Get_Info(list.get(), 2);
    EXPECT_NE(std::memcmp(&twin_1.Device_Path_Id, &twin_2.Device_Path_Id, sizeof twin_1.Device_Path_Id), 0)
        << "identical cameras on two ports have paths of their own";

    // The unit a binding reaches is the one its GUID names, not the one its node would number:
    // the camera's G10 unit (id 4) answered for the probe's node 2 and node 3 alike.
    for (const test::Setup_Packet& setup : host.bed.Device({1, {4}}).Requests()) {
        if ((setup.Request_Type & 0x60) == 0x20) {
            EXPECT_EQ(setup.Index, 0x0400) << "unit 4 of interface 0";
        }
    }

    // Cameras no probe recognised were not disturbed: no class request, their driver stays.
    for (const Usb_Location& foreign : {Usb_Location{1, {2}}, Usb_Location{2, {1}}}) {
        EXPECT_FALSE(Class_Requests_Reached(host.bed.Device(foreign))) << foreign.Sysfs_Name();
        EXPECT_EQ(host.bed.Device(foreign).Driver(0), "uvcvideo");
        EXPECT_EQ(host.bed.Device(foreign).Detaches(), 0u);
    }

    // A refresh, for a device plugged elsewhere on the host: every camera stays held as it
    // was, its kernel driver neither given back nor taken again.
    list.reset(); // Device_List_Release
    host.bed.Add_Device({1, {3, 1}}, platform::simulated::Plain_Device(0x046D, 0xC31C));
    list = test::Simulated_Host::Discover();
    EXPECT_EQ(list->Count(), std::size(cameras));
    for (const Expected& expected : cameras) {
        EXPECT_EQ(std::tuple(host.bed.Device(expected.At).Driver(0), host.bed.Device(expected.At).Detaches(),
                             host.bed.Device(expected.At).Attaches()),
                  std::tuple(std::string("usbfs"), 1u, 0u))
            << expected.At.Sysfs_Name();
    }

    // The tool ends: each camera gets its kernel driver back.
    list.reset();
    host.installed.reset();
    host.backend.reset();
    for (const Expected& expected : cameras) {
        EXPECT_EQ(host.bed.Device(expected.At).Driver(0), "uvcvideo") << expected.At.Sysfs_Name();
        EXPECT_EQ(host.bed.Device(expected.At).Attaches(), 1u);
    }
}

// Discovery on `backend`, installed for the discovery's time, as another program on the host
// runs it.
test::Owned_Device_List Discover_With(const std::shared_ptr<platform::Backend>& backend) {
    const platform::Scoped_Backend installed(backend);
    return test::Simulated_Host::Discover();
}

// Two instances of the tool on one host. A burns the camera on port 2 of the USB 2 root hub:
// it holds the camera's place from the press, releases its device list and lists the cameras
// again as its preparation does, and the camera restarts and comes back on the peer port of the
// USB 3 root hub. B starts at each of those moments. The camera stays A's throughout, found
// again on the peer; B is refused it, and sends it nothing, not even a descriptor request.
TEST(Linux_Backend, ACameraHeldForABurnStaysItsOwnAcrossRefreshesRestartsAndAnotherInstance) {
    test::Log_Capture log;
    test::Linux_Host host;
    host.Add_Bus(1);
    host.bed.Add_Root_Hub(2, 4, 0x0300);
    host.bed.Pair_Ports({1, {}}, 2, {2, {}}, 2);
    host.Add_Camera({1, {2}}, "SPCA2620", "direct", {}, Gd25q40);
    std::shared_ptr<platform::Backend> a = host.New_Backend();
    const std::shared_ptr<platform::Backend> b = host.New_Backend();
    const auto camera_of = [](const test::Owned_Device_List& list) {
        return std::pair(Device_List_Get_Protocol(list.get(), 0), Device_List_Get_Info(list.get(), 0));
    };

    auto list_a = Discover_With(a);
    auto [protocol, record] = camera_of(list_a);
    ASSERT_NE(protocol, nullptr) << log.Text();
    EXPECT_EQ(std::tuple(std::string(record.Hub_Port_Path), record.Port_Number), std::tuple("usb1", 2u));
    std::string why;
    auto hold = a->Hold_Camera_Place(record.Hub_Port_Path, record.Port_Number, why);
    ASSERT_NE(hold, nullptr) << why;

    list_a.reset(); // A's refresh lets its list go
    const std::size_t sent = host.bed.Device({1, {2}}).Requests().size();
    EXPECT_EQ(camera_of(Discover_With(b)).first, nullptr) << "B starts";
    EXPECT_EQ(host.bed.Device({1, {2}}).Requests().size(), sent) << "B sent A's camera nothing";
    for (const auto& [hub, port] : {std::pair("usb1", 2u), std::pair("usb2", 2u)}) {
        EXPECT_EQ(b->Hold_Camera_Place(hub, port, why), nullptr) << hub << " port " << port;
        EXPECT_EQ(why, std::string("another program holds the camera on port 2 of hub ") + hub);
    }
    EXPECT_NE(b->Hold_Camera_Place("usb1", 3, why), nullptr) << "another port is free";
    EXPECT_NE(b->Hold_Camera_Place("", 0, why), nullptr) << "a camera the hub walk could not place";

    list_a = Discover_With(a);
    ASSERT_NE(camera_of(list_a).first, nullptr) << "A finds its camera again";
    EXPECT_EQ(std::tuple(host.bed.Device({1, {2}}).Driver(0), host.bed.Device({1, {2}}).Detaches(),
                         host.bed.Device({1, {2}}).Attaches()),
              std::tuple(std::string("usbfs"), 1u, 0u))
        << "A never let the camera go";

    // The camera restarts and comes back at the other speed; B looks first.
    list_a.reset();
    host.Plug_Again({1, {2}}, {2, {2}});
    EXPECT_EQ(camera_of(Discover_With(b)).first, nullptr);
    EXPECT_TRUE(host.bed.Device({2, {2}}).Requests().empty()) << "B sent the camera nothing";
    EXPECT_NE(log.Text().find("]=E another program holds its place for a burn"), std::string::npos)
        << log.Text();
    list_a = Discover_With(a);
    std::tie(protocol, record) = camera_of(list_a);
    ASSERT_NE(protocol, nullptr);
    EXPECT_EQ(Protocol_Get_Flash_Model(protocol), 38);
    EXPECT_TRUE(a->Same_Camera_Place("usb1", 2, record.Hub_Port_Path, record.Port_Number))
        << record.Hub_Port_Path << " port " << record.Port_Number;
    EXPECT_FALSE(a->Same_Camera_Place("usb1", 2, "usb2", 3));
    EXPECT_FALSE(a->Same_Camera_Place("usb1", 3, "usb2", 2));

    // The burn ends and A ends: the camera is B's to take.
    hold.reset();
    list_a.reset();
    a.reset();
    EXPECT_EQ(host.bed.Device({2, {2}}).Driver(0), "uvcvideo");
    EXPECT_NE(camera_of(Discover_With(b)).first, nullptr);
}

// A camera whose kernel driver an earlier run left unbound (killed while it held the camera)
// gets it back when this run lets the camera go.
TEST(Linux_Backend, ACameraFoundWithoutItsKernelDriverGetsItBack) {
    test::Linux_Host host;
    host.Add_Bus(1);
    host.Add_Camera({1, {1}}, "SPCA2620", "direct");
    host.bed.Device({1, {1}}).Unbind_Driver(0);
    host.Start();
    EXPECT_NE(Device_List_Get_Protocol(test::Simulated_Host::Discover().get(), 0), nullptr);
    EXPECT_EQ(host.bed.Device({1, {1}}).Driver(0), "usbfs");
    host.installed.reset();
    host.backend.reset();
    EXPECT_EQ(host.bed.Device({1, {1}}).Driver(0), "uvcvideo");
    EXPECT_EQ(host.bed.Device({1, {1}}).Attaches(), 1u);
}

// One camera's control channel, as the library's device object gets it.
struct Channel_Rig {
    test::Linux_Host host;
    std::shared_ptr<platform::simulated::Simulated_Camera> camera;
    std::unique_ptr<platform::Video_Input_Device> device;
    std::unique_ptr<platform::Video_Input_Filter> filter;
    std::unique_ptr<platform::Ks_Control> control;

    explicit Channel_Rig(std::uint32_t timeout_ms) {
        host.Add_Bus(1);
        camera = host.Add_Camera({1, {2}}, "SPCA2620", "direct");
        host.Start(timeout_ms);
        std::vector<std::unique_ptr<platform::Video_Input_Device>> devices;
        EXPECT_EQ(host.backend->Enumerate_Video_Inputs(devices), platform::S_OK);
        EXPECT_EQ(devices.size(), 1u);
        device = std::move(devices.at(0));
        filter = device->Bind_Filter();
        control = filter->Query_Control();
    }

    test::Emulated_Usb_Device& Usb() { return host.bed.Device({1, {2}}); }

    HRESULT Request(const platform::GUID& unit, std::uint32_t selector, std::uint32_t flags, void* data,
                    std::uint32_t length, std::uint32_t* returned = nullptr,
                    std::uint32_t property_length = sizeof(platform::KSP_NODE)) {
        platform::KSP_NODE property{};
        property.Property.Set = unit;
        property.Property.Id = selector;
        property.Property.Flags = flags;
        property.NodeId = 3;
        return control->Ks_Property(property, property_length, data, length, returned);
    }
};

constexpr std::uint32_t Get = platform::KSPROPERTY_TYPE_GET | platform::KSPROPERTY_TYPE_TOPOLOGY;
constexpr std::uint32_t Set = platform::KSPROPERTY_TYPE_SET | platform::KSPROPERTY_TYPE_TOPOLOGY;

TEST(Linux_Backend, ControlChannelCarriesRequestsAndMapsEveryOutcome) {
    test::Log_Capture log;
    Channel_Rig rig(200);
    std::uint32_t returned = 0;

    // Pairing: answered from the descriptors; the camera is opened but nothing is sent.
    EXPECT_EQ(rig.Request(Unit_G2, 0, Get, nullptr, 0, &returned), platform::E_MORE_DATA);
    EXPECT_EQ(returned, 1u);
    EXPECT_EQ(rig.Request(Unit_G10, 0, Get, nullptr, 0),
              platform::Hresult_From_Win32(Win32_Error::Set_Not_Found));
    EXPECT_FALSE(Class_Requests_Reached(rig.Usb()));
    EXPECT_EQ(rig.Usb().Driver(0), "uvcvideo") << "pairing detaches nothing";

    // Requests: a length query, a register read (address, then data).
    EXPECT_EQ(rig.Request(Unit_G2, 15, Get, nullptr, 0, &returned), platform::E_MORE_DATA);
    EXPECT_EQ(returned, 1024u);
    std::uint8_t address[2] = {0xFF, 0x20};
    std::uint8_t value = 0;
    EXPECT_EQ(rig.Request(Unit_G2, 2, Set, address, 2), platform::S_OK);
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1, &returned), platform::S_OK);
    EXPECT_EQ(value, 0xD2);
    EXPECT_EQ(returned, 1u);
    const test::Setup_Packet last = rig.Usb().Requests().back(); // G2 is unit 6 on interface 0
    EXPECT_EQ(std::tuple(last.Request_Type, last.Request, last.Value, last.Index),
              std::tuple(0xA1, 0x81, 0x0300, 0x0600));

    // What the host refuses before anything is sent.
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1, nullptr, 31),
              platform::Hresult_From_Win32(Win32_Error::Invalid_Parameter));
    EXPECT_EQ(rig.Request(Unit_G2, 3, platform::KSPROPERTY_TYPE_GET, &value, 1),
              platform::Hresult_From_Win32(Win32_Error::Invalid_Parameter));
    EXPECT_EQ(rig.Request(Unit_G2, 0x100, Get, &value, 1),
              platform::Hresult_From_Win32(Win32_Error::Invalid_Parameter));
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, nullptr, 1), platform::E_POINTER);

    // What the camera refuses: a stall, however the chip refused it.
    rig.camera->Faults().Fail_Request(rig.camera->Request_Count() + 1, -1);
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1), platform::Hresult_From_Win32(Win32_Error::Gen_Failure))
        << "never the library's own -1";
    EXPECT_EQ(rig.Request(Unit_G2, 99, Get, &value, 1),
              platform::Hresult_From_Win32(Win32_Error::Gen_Failure));

    // An answer shorter than asked would leave part of the buffer as it was.
    rig.Usb().Answer_Short(true);
    std::uint8_t word[2] = {};
    EXPECT_EQ(rig.Request(Unit_G2, 5, Get, word, 2, &returned),
              platform::Hresult_From_Win32(Win32_Error::Invalid_Data));
    EXPECT_EQ(returned, 1u);
    rig.Usb().Answer_Short(false);

    // A camera that does not answer: the host's timeout ends the transfer.
    rig.Usb().Hold_Transfers(true);
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1),
              platform::Hresult_From_Win32(Win32_Error::Sem_Timeout));
    rig.Usb().Hold_Transfers(false);
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1), platform::S_OK) << "the next request goes through";

    // A camera that is gone: a result of its own, and a line in the trace log.
    rig.Usb().Unplug();
    const HRESULT gone = platform::Hresult_From_Win32(Win32_Error::Device_Not_Connected);
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1), gone);
    EXPECT_EQ(rig.Request(Unit_G2, 2, Set, address, 2), gone);
    EXPECT_NE(log.Text().find("]=E the camera is gone (the device is gone)"), std::string::npos)
        << log.Text();
}

// A camera that stops answering but stays plugged in: a few timeouts, then nothing more is sent
// to it and its requests fail at once, never with the library's -1, until it is opened again.
TEST(Linux_Backend, CameraThatStopsAnsweringFailsAtOnceUntilOpenedAgain) {
    test::Log_Capture log;
    Channel_Rig rig(20);
    const HRESULT timeout = platform::Hresult_From_Win32(Win32_Error::Sem_Timeout);
    std::uint8_t value = 0;
    const auto sent = [&] { return rig.Usb().Requests().size(); };

    // Timeouts with an answer between them are not in a row.
    rig.Usb().Hold_Transfers(true);
    for (unsigned i = 1; i < platform::linux_host::Timeouts_Before_Giving_Up; ++i)
        EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1), timeout);
    rig.Usb().Hold_Transfers(false);
    EXPECT_EQ(rig.Request(Unit_G2, 99, Get, &value, 1),
              platform::Hresult_From_Win32(Win32_Error::Gen_Failure))
        << "a refusal is an answer too";

    rig.Usb().Hold_Transfers(true);
    for (unsigned i = 0; i < platform::linux_host::Timeouts_Before_Giving_Up; ++i) {
        const auto before = sent();
        EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1), timeout);
        EXPECT_EQ(sent(), before + 1) << "timeout " << i + 1 << " went to the camera";
    }
    const auto given_up = sent();
    rig.Usb().Hold_Transfers(false); // answering again makes no difference to this session
    std::uint8_t address[2] = {0xFF, 0x20};
    std::uint32_t returned = 7;
    EXPECT_EQ(rig.Request(Unit_G2, 2, Set, address, 2), timeout);
    EXPECT_EQ(rig.Request(Unit_G2, 15, Get, nullptr, 0, &returned), timeout);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(rig.Request(Unit_G2, 0, Get, nullptr, 0), timeout) << "nor does it pair";
    EXPECT_EQ(sent(), given_up) << "nothing more reached the camera";
    EXPECT_NE(log.Text().find("]=E the camera stopped answering: nothing more is sent to it until it is "
                              "opened again (the device did not answer in time)"),
              std::string::npos)
        << log.Text();

    // Opened again (the next refresh binds anew): it is asked again.
    rig.filter = rig.device->Bind_Filter();
    rig.control = rig.filter->Query_Control();
    EXPECT_EQ(rig.Request(Unit_G2, 2, Set, address, 2), platform::S_OK);
    EXPECT_EQ(rig.Request(Unit_G2, 3, Get, &value, 1), platform::S_OK);
    EXPECT_EQ(value, 0xD2);
}

// The tool started on real cameras says when there is none, rather than showing an empty list.
TEST(Linux_Backend, ToolOnAHostWithoutCamerasSaysWhereToLook) {
    test::Linux_Host host;
    host.Add_Bus(1);
    ::unsetenv("ZUNQ_SF_SIMULATION");
    const platform::Scoped_Backend restored(nullptr);
    std::string error;
    EXPECT_TRUE(Choose_Backend(error));
    EXPECT_EQ(error, "no camera was found on this host; docs/linux.md says what the tool needs to reach one");
    EXPECT_EQ(Start_Up_Notice(), error + "\r\n") << "for the dialog's log box";
    EXPECT_NE(platform::Current_Backend()->Watch_Video_Device_Changes([](const auto&) {}), nullptr)
        << "the host's backend, so a camera plugged in later is seen";

    host.Add_Camera({1, {1}}, "SPCA2620", "direct");
    EXPECT_TRUE(Choose_Backend(error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(Start_Up_Notice(), "");
}

TEST(Linux_Backend, CameraAnotherProgramHoldsIsNotListed) {
    test::Log_Capture log;
    test::Linux_Host host;
    host.Add_Bus(1);
    host.Add_Camera({1, {1}}, "SPCA2620", "direct");
    host.bed.Link_Driver({1, {1}}, 0, "usbfs");
    host.bed.Device({1, {1}}).Refuse_Claims(true);
    host.Start();
    const auto list = test::Simulated_Host::Discover();
    EXPECT_EQ(Device_List_Get_Protocol(list.get(), 0), nullptr);
    EXPECT_FALSE(Class_Requests_Reached(host.bed.Device({1, {1}})));
    EXPECT_NE(
        log.Text().find("[camera 1-1 interface 0, USB 0a1b:2c3d, /dev/bus/usb/001/002]=E another program "
                        "holds its video-control interface (another program holds the device)"),
        std::string::npos)
        << log.Text();
}

// Run in a child of its own: the user that may not open the camera's node is a real one.
void Discover_Without_Permission() {
    test::Log_Capture log;
    test::Linux_Host host;
    host.Add_Bus(1);
    host.Add_Camera({1, {1}}, "SPCA2620", "direct");
    host.bed.Share_With_Every_User();
    host.bed.Lock_Node({1, {1}});
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                           setresuid(65534, 65534, 65534) != 0))
        _exit(2);
    host.Start();
    const auto list = test::Simulated_Host::Discover();
    const bool listed = Device_List_Get_Protocol(list.get(), 0) != nullptr;
    const bool logged =
        log.Text().find("cannot open its device node: install the tool's udev rule") != std::string::npos;
    std::fprintf(stderr, "%s", log.Text().c_str());
    // The tool's start says so, on standard error and in its dialog, whether or not a log is kept.
    ::unsetenv("ZUNQ_SF_SIMULATION");
    const platform::Scoped_Backend restored(nullptr);
    std::string error;
    const bool chosen = Choose_Backend(error);
    const std::string expected =
        "1 camera on this host may not be opened by this user: install the tool's udev "
        "rule (70-zunq-uvc-camera.rules) with scripts/setup and plug them in again; "
        "docs/linux.md says more";
    std::fprintf(stderr, "start: %s\n", error.c_str());
    const bool told = chosen && error == expected && Start_Up_Notice() == expected + "\r\n";
    _exit(!listed && logged && told && !Class_Requests_Reached(host.bed.Device({1, {1}})) ? 0 : 1);
}

TEST(Linux_Backend, CameraThisUserMayNotOpenIsNotListedAndTheToolSaysWhy) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Discover_Without_Permission(), testing::ExitedWithCode(0), "");
}

struct Change_Record {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<platform::Device_Change_Event> events;

    void Add(const platform::Device_Change_Event& event) {
        const std::lock_guard lock(mutex);
        events.push_back(event);
        changed.notify_all();
    }
    // The events once `count` have come (or after a while, however many have).
    std::vector<platform::Device_Change_Event> Wait_For(std::size_t count) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::seconds(5), [&] { return events.size() >= count; });
        return events;
    }
};

TEST(Linux_Backend, WatchReportsVideoInterfacesComingAndGoingOnly) {
    test::Linux_Host host;
    host.Add_Bus(1);
    host.Start();
    Change_Record record;
    auto watch = host.backend->Watch_Video_Device_Changes(
        [&](const platform::Device_Change_Event& event) { record.Add(event); });
    ASSERT_NE(watch, nullptr);

    // The bed tells udev's monitors of every device it adds (a keyboard has no video interface).
    host.bed.Add_Device({1, {3}}, platform::simulated::Plain_Device(0x046D, 0xC31C));
    host.Add_Camera({1, {2}}, "SPCA2281", "direct", {.Vid = 0x0C45, .Pid = 0x62C0});
    host.bed.Announce_Interfaces({1, {2}}, "unbind"); // the kernel driver letting go is no change
    host.bed.Announce_Interfaces({1, {2}}, "bind");
    host.bed.Remove_Device({1, {2}});

    const std::string path = platform::linux_host::Video_Input_Path(0x0C45, 0x62C0, {1, {2}}, 0);
    const auto events = record.Wait_For(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Kind, platform::Device_Change_Kind::Arrival);
    EXPECT_EQ(events[0].Device_Path, path);
    EXPECT_EQ(events[1].Kind, platform::Device_Change_Kind::Removal);
    EXPECT_EQ(events[1].Device_Path, path);

    watch.reset();
    host.bed.Announce_Interfaces({1, {3}}, "remove");
    EXPECT_EQ(record.Wait_For(2).size(), 2u) << "nothing comes after the watch ends";

    // And the next refresh no longer finds the camera that went.
    const auto list = test::Simulated_Host::Discover();
    EXPECT_EQ(Device_List_Get_Protocol(list.get(), 0), nullptr);
}

// A burst of events overflows the monitor socket's buffer: the socket reports ENOBUFS, and
// stays ready until that is read. The watch clears it and delivers one change with no device
// path, for which the tool refreshes its list, then goes on with the events that follow. A
// netlink socket of the user-space protocol overflows as udev's does.
TEST(Linux_Backend, WatchStandsOneRefreshForEventsLostInAnOverflow) {
    const int receiver = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_USERSOCK);
    const int sender = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_USERSOCK);
    ASSERT_GE(receiver, 0);
    ASSERT_GE(sender, 0);
    sockaddr_nl group{};
    group.nl_family = AF_NETLINK;
    // The groups are the host's: one by the process's number keeps two runs at once apart.
    group.nl_groups = 1u << (static_cast<unsigned>(getpid()) % 32);
    ASSERT_EQ(bind(receiver, reinterpret_cast<sockaddr*>(&group), sizeof group), 0) << std::strerror(errno);
    const int smallest = 1;
    setsockopt(receiver, SOL_SOCKET, SO_RCVBUF, &smallest, sizeof smallest);
    const auto send_event = [&](const std::string& name) {
        std::vector<char> message(NLMSG_SPACE(name.size() + 1));
        auto* header = reinterpret_cast<nlmsghdr*>(message.data());
        header->nlmsg_len = static_cast<std::uint32_t>(NLMSG_LENGTH(name.size() + 1));
        std::memcpy(NLMSG_DATA(header), name.c_str(), name.size() + 1);
        // To the group; the copy to the kernel's own port is refused, as there is none.
        sendto(sender, message.data(), header->nlmsg_len, 0, reinterpret_cast<sockaddr*>(&group),
               sizeof group);
    };
    for (int burst = 0; burst < 200; ++burst)
        send_event("burst");

    Change_Record record;
    auto watch = platform::linux_host::Watch_Event_Socket(
        receiver,
        [&]() -> std::optional<platform::Device_Change_Event> {
            char bytes[256];
            const ssize_t length = recv(receiver, bytes, sizeof bytes, 0);
            if (length < static_cast<ssize_t>(NLMSG_HDRLEN))
                return std::nullopt;
            const auto* header = reinterpret_cast<const nlmsghdr*>(bytes);
            const std::string name(static_cast<const char*>(NLMSG_DATA(header)));
            return name == "burst" ? std::nullopt : std::optional(platform::Device_Change_Event{{}, name});
        },
        [&](const platform::Device_Change_Event& event) { record.Add(event); });
    ASSERT_NE(watch, nullptr);
    ASSERT_EQ(record.Wait_For(1).size(), 1u) << "the overflow was not told";
    // Once the burst is read, an event has room again and arrives as itself.
    const auto read_until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (pollfd queued{receiver, POLLIN, 0};
         poll(&queued, 1, 0) > 0 && std::chrono::steady_clock::now() < read_until; queued.revents = 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    send_event("after");
    const auto events = record.Wait_For(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].Kind, platform::Device_Change_Kind::Arrival);
    EXPECT_EQ(events[0].Device_Path, "");
    EXPECT_EQ(events[1].Device_Path, "after");
    watch.reset();
    close(sender);
    close(receiver);
}

} // namespace
