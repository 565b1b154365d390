#pragma once
// A USB host on a umockdev test bed, for the Linux backend's tests: sysfs directories for a
// host controller's root hubs, hubs and devices (descriptors, strings, speed, address, the
// drivers bound to their interfaces), a device node for each, and an emulation of the kernel's
// usbfs behind every node, so that libusb opens, claims, detaches and sends control transfers
// as it would on a real host. As the kernel does, it lets one open file at a time claim an
// interface (the others get EBUSY), gives a file's claims back when it is closed, and keeps
// each interface's sysfs driver link as the bound driver is ("usbfs" while claimed). Hubs show
// their ports in sysfs (usb1-port2), and two ports can be made peers.
//
// Each device answers endpoint 0 from its Usb_Device_Description (GET_DESCRIPTOR of the device,
// configuration, string and BOS descriptors) and hands the UVC class requests of a routed
// extension unit to a simulated camera's control channel, as the (node, GUID) property the
// unit stands for. Whatever the camera refuses, and every request nothing answers, is stalled.
//
// The programs must run with umockdev's preload library (ctest runs them through
// umockdev-wrapper); Usb_Test_Bed fails the test otherwise.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Guid.h"
#include "platform/linux/Usb_Device_Names.h"
#include "platform/simulated/Simulated_Camera.h"
#include "platform/simulated/Usb_Devices.h"

// umockdev's types, kept out of the tests that use the bed.
struct _UMockdevTestbed;
struct _UMockdevIoctlBase;
struct _UMockdevIoctlClient;
struct _UMockdevIoctlData;

namespace test {

using platform::linux_host::Usb_Location;

// The setup packet of a control transfer as the device saw it.
struct Setup_Packet {
    std::uint8_t Request_Type = 0;
    std::uint8_t Request = 0;
    std::uint16_t Value = 0;
    std::uint16_t Index = 0;
    std::uint16_t Length = 0;
};

// One device's endpoint 0 and interfaces, as usbfs shows them to a program.
class Emulated_Usb_Device {
public:
    explicit Emulated_Usb_Device(platform::simulated::Usb_Device_Description desc) : desc_(std::move(desc)) {}
    ~Emulated_Usb_Device();

    // Class requests to extension unit `unit` of interface `interface` go to `camera` as its
    // property (node, guid).
    void Route_Unit(std::uint8_t interface, std::uint8_t unit, std::uint32_t node, const platform::GUID& guid,
                    std::shared_ptr<platform::simulated::Simulated_Camera> camera);

    // The driver bound to an interface now: its kernel driver, "usbfs" while a program has
    // claimed it, empty when none.
    void Bind_Driver(std::uint8_t interface, std::string driver);
    // Lets the kernel driver go from the interface without a program taking it, as a program
    // killed while it held the camera leaves it; a connect binds the driver again.
    void Unbind_Driver(std::uint8_t interface);
    // Called, under the device's lock, whenever the driver bound to an interface changes.
    void On_Driver_Change(std::function<void(std::uint8_t interface, const std::string& driver)> changed);
    std::string Driver(std::uint8_t interface) const;
    unsigned Detaches() const;
    unsigned Attaches() const;
    std::vector<Setup_Packet> Requests() const;

    // Faults: every request fails as on an unplugged device; control transfers are never
    // answered (the host's timeout ends them); gets are answered one byte short; a claim is
    // refused as busy.
    void Unplug();
    void Hold_Transfers(bool hold);
    void Answer_Short(bool short_answers);
    void Refuse_Claims(bool refuse);

    // The usbfs ioctl handler (umockdev's worker thread), and the end of an open file.
    bool Handle(_UMockdevIoctlClient* client);
    void Forget(_UMockdevIoctlClient* client);

private:
    struct Route {
        std::uint32_t Node;
        platform::GUID Guid;
        std::shared_ptr<platform::simulated::Simulated_Camera> Camera;
    };
    // Answers one control transfer: the URB status (0 or a negative errno) and the bytes moved.
    std::pair<int, int> Answer(const Setup_Packet& setup, std::uint8_t* data);
    std::pair<int, int> Answer_Class(const Setup_Packet& setup, std::uint8_t* data);
    void Set_Driver(std::uint8_t interface, std::string driver); // with the lock held

    platform::simulated::Usb_Device_Description desc_;
    mutable std::mutex mutex_;
    std::map<std::pair<std::uint8_t, std::uint8_t>, Route> routes_;
    std::map<std::uint8_t, std::string> drivers_;
    std::map<std::uint8_t, std::string> kernel_drivers_; // what a connect binds again
    std::map<std::uint8_t, _UMockdevIoctlClient*> claimants_;
    std::function<void(std::uint8_t, const std::string&)> driver_changed_;
    unsigned detaches_ = 0;
    unsigned attaches_ = 0;
    std::vector<Setup_Packet> requests_;
    bool unplugged_ = false;
    bool hold_ = false;
    bool short_ = false;
    bool refuse_claims_ = false;
    // URBs by the open file they were submitted on, as usbfs keeps them: completed ones (oldest
    // first) and ones not answered yet.
    struct Urbs {
        std::vector<_UMockdevIoctlData*> Reapable;
        std::vector<_UMockdevIoctlData*> Held;
    };
    std::map<_UMockdevIoctlClient*, Urbs> urbs_;
};

// How a device is added beyond its desc.
struct Device_Options {
    // The kernel driver of each interface (by interface number); unnamed interfaces get none.
    std::map<std::uint8_t, std::string> Interface_Drivers;
    // The bus's speed attribute.
    std::string Speed = "480";
};

class Usb_Test_Bed {
public:
    Usb_Test_Bed();
    ~Usb_Test_Bed();
    Usb_Test_Bed(const Usb_Test_Bed&) = delete;
    Usb_Test_Bed& operator=(const Usb_Test_Bed&) = delete;

    // The root hub of bus `bus` on a host controller of its own.
    Emulated_Usb_Device& Add_Root_Hub(std::uint8_t bus, std::uint8_t ports,
                                      std::uint16_t usb_version = 0x0200);
    // A hub with `ports` ports at `at` (its parent hub must be there).
    Emulated_Usb_Device& Add_Hub(const Usb_Location& at, std::uint8_t ports);
    // A device at `at`; its interfaces (configuration 1) appear in sysfs too.
    Emulated_Usb_Device& Add_Device(const Usb_Location& at, platform::simulated::Usb_Device_Description desc,
                                    const Device_Options& options = {});
    // Lets a program running as another user use the bed: it may make its sockets in the bed's
    // directory and reach every device's usbfs emulation.
    void Share_With_Every_User();
    // Makes the device's node one that only its owner (root) may open, as a camera's node is
    // without the tool's udev rule.
    void Lock_Node(const Usb_Location& at);
    // Takes the device (not a hub) away: its directories and node go, and its node fails. A
    // device may be added at the same place again (with another address).
    void Remove_Device(const Usb_Location& at);
    // Makes port `port` of hub `hub` and port `peer_port` of hub `peer_hub` peers (the "peer"
    // links of both), as an xHCI controller's two root hubs show one connector.
    void Pair_Ports(const Usb_Location& hub, std::uint8_t port, const Usb_Location& peer_hub,
                    std::uint8_t peer_port);
    // Sends udev's event `action` for every interface of the device (what a monitor sees).
    void Announce_Interfaces(const Usb_Location& at, const char* action);

    Emulated_Usb_Device& Device(const Usb_Location& at) { return *devices_.at(at).Device; }
    // Points the sysfs driver link of an interface elsewhere ("usbfs": another program holds it).
    void Link_Driver(const Usb_Location& at, std::uint8_t interface, const std::string& driver);
    // The test bed's own directory: what the programs see as / for /sys and /dev.
    std::string Root() const;

private:
    struct Placed {
        std::unique_ptr<Emulated_Usb_Device> Device;
        _UMockdevIoctlBase* Handler = nullptr;
        std::string Devpath; // below /sys
        std::uint16_t Address = 0;
        std::vector<std::string> Interface_Paths;
    };
    Emulated_Usb_Device& Place(const Usb_Location& at, platform::simulated::Usb_Device_Description desc,
                               const Device_Options& options, std::uint8_t ports);

    std::string Port_Directory(const Usb_Location& hub, std::uint8_t port) const;
    void Detach(const Usb_Location& at, Placed& placed);

    _UMockdevTestbed* bed_ = nullptr;
    std::map<Usb_Location, Placed> devices_;
    std::vector<std::pair<Usb_Location, Placed>> removed_; // their nodes may still be open
    std::map<std::uint8_t, std::uint16_t> next_address_;
};

// A camera configuration: the video function (interface association, video-control interface
// 0 with its extension units, video-streaming interface 1), as Camera_Device's but with the
// extension units (unit id, GUID) given.
std::vector<std::uint8_t>
Configuration_With_Units(const std::vector<std::pair<std::uint8_t, platform::GUID>>& units);

// A real camera's descriptors (tests/data/uvc-descriptors/NAME.device.bin and .config.bin) as a
// device desc; it has no strings.
platform::simulated::Usb_Device_Description Real_Camera_Description(const std::string& name);

} // namespace test
