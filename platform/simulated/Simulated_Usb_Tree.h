#pragma once
// A simulated USB tree: host controllers, each with a root hub; external hubs on hub ports,
// nested as deep as wanted; devices on hub ports, cameras among them. It serves the Usb_Host
// seam as a host would: device sets by interface class (and of all devices), host controllers
// and hubs opened by path and name, and per port the connection information, the driver key
// name, the name of a hub on it, and the descriptors of the device on it.
//
// Building one (a scenario loader does the same):
//
//   Simulated_Usb_Tree& tree = backend->Usb_Tree();
//   Simulated_Usb_Hub& root = tree.Add_Host_Controller(4).Root_Hub();
//   Simulated_Usb_Hub& hub = tree.Add_Hub(root, 2, 4);       // an external hub on root port 2
//   Simulated_Usb_Device& camera = tree.Add_Camera(hub, 3, {.Serial = "SN0001"});
//   camera.Capture_Path();   // the path the camera's video-input device carries
//
// Every name, path, instance id and driver key the tree makes up is unique on the tree. Build
// the tree before the walk runs; the walk reads it from one thread. Devices may be added and
// taken off (cameras leaving the host and coming back) from other threads while a walk runs:
// the tree's operations and its hub handles take one lock, and what they answer are copies.
// The accessors of the hubs and devices themselves are for building and for tests.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Devnode_Set.h"
#include "platform/Usb_Host.h"
#include "platform/simulated/Usb_Devices.h"

namespace platform::simulated {

class Simulated_Usb_Hub;

// The properties the host keeps for one device (devnode).
using Simulated_Devnode = Devnode;

class Simulated_Usb_Device {
public:
    Simulated_Usb_Device(Usb_Device_Description desc, Simulated_Usb_Hub& hub, std::uint8_t port)
        : desc_(std::move(desc)), hub_(hub), port_(port) {}

    const Usb_Device_Description& Spec() const { return desc_; }
    Simulated_Usb_Hub& Hub() const { return hub_; }
    std::uint8_t Port() const { return port_; }
    std::uint16_t Address() const { return address_; }

    const Simulated_Devnode& Devnode() const { return devnode_; }
    // The USB device interface path (empty when the device is not listed).
    const std::string& Device_Path() const { return device_path_; }
    // The capture function, for a camera: its devnode and the path its video-input device
    // carries (\\?\usb#vid_v&pid_p&mi_ii#instance#{capture class}\global). Empty otherwise.
    const std::optional<Simulated_Devnode>& Capture_Devnode() const { return capture_; }
    const std::string& Capture_Path() const { return capture_path_; }
    // The hub this device is, for an external hub's device.
    Simulated_Usb_Hub* Downstream_Hub() const { return downstream_.get(); }

private:
    friend class Simulated_Usb_Tree;
    Usb_Device_Description desc_;
    Simulated_Usb_Hub& hub_;
    std::uint8_t port_;
    std::uint16_t address_ = 0;
    Simulated_Devnode devnode_;
    std::string device_path_;
    std::optional<Simulated_Devnode> capture_;
    std::string capture_path_;
    std::unique_ptr<Simulated_Usb_Hub> downstream_;
};

class Simulated_Usb_Hub {
public:
    Simulated_Usb_Hub(std::uint8_t ports, Simulated_Usb_Device* upstream)
        : ports_(ports), upstream_(upstream) {}

    // The name the hub is opened by, e.g. USB#ROOT_HUB30#4&1A2B3C4D&0&0#{f18a0e88-...}.
    const std::string& Name() const { return name_; }
    std::uint8_t Port_Count() const { return static_cast<std::uint8_t>(ports_.size()); }
    bool Is_Root() const { return upstream_ == nullptr; }
    // For an external hub, its own device on the parent hub's port.
    Simulated_Usb_Device* Upstream_Device() const { return upstream_; }
    // The root hub's devnode; an external hub's is its device's.
    const Simulated_Devnode& Devnode() const { return upstream_ ? upstream_->Devnode() : devnode_; }
    Simulated_Usb_Device* Device_On(std::uint8_t port) const;

    // Faults: the hub cannot be opened; a port's state cannot be read.
    void Refuse_Open(bool refuse = true) { refuse_open_ = refuse; }
    void Fail_Connection_Information(std::uint8_t port) { failing_ports_.insert(port); }

    bool Opens() const { return !refuse_open_; }
    bool Connection_Fails(std::uint8_t port) const { return failing_ports_.contains(port); }

private:
    friend class Simulated_Usb_Tree;
    std::vector<std::unique_ptr<Simulated_Usb_Device>> ports_;
    Simulated_Usb_Device* upstream_;
    std::string name_;
    Simulated_Devnode devnode_;
    bool refuse_open_ = false;
    std::set<std::uint8_t> failing_ports_;
};

class Simulated_Usb_Host_Controller {
public:
    Simulated_Usb_Hub& Root_Hub() const { return *root_hub_; }
    const std::string& Path() const { return path_; }
    const Simulated_Devnode& Devnode() const { return devnode_; }

private:
    friend class Simulated_Usb_Tree;
    std::unique_ptr<Simulated_Usb_Hub> root_hub_;
    std::string path_;
    Simulated_Devnode devnode_;
};

class Simulated_Usb_Tree final : public Usb_Host {
public:
    // A host controller with a root hub of `root_ports` ports.
    Simulated_Usb_Host_Controller& Add_Host_Controller(std::uint8_t root_ports = 4);
    // The controller appears once more in the host-controller set (a host that reports it
    // twice); it is still one controller.
    void Report_Again(const Simulated_Usb_Host_Controller& controller);
    // An external hub with `ports` ports on port `port` of `parent`.
    Simulated_Usb_Hub& Add_Hub(Simulated_Usb_Hub& parent, std::uint8_t port, std::uint8_t ports = 4,
                               Usb_Device_Description device = Hub_Device());
    // A device on port `port` of `hub`; the port must be free and exist (else the program
    // stops: a test or scenario that builds such a tree is wrong).
    Simulated_Usb_Device& Add_Device(Simulated_Usb_Hub& hub, std::uint8_t port, Usb_Device_Description desc);
    Simulated_Usb_Device& Add_Camera(Simulated_Usb_Hub& hub, std::uint8_t port,
                                     const Usb_Camera_Description& camera = {}) {
        return Add_Device(hub, port, Camera_Device(camera));
    }

    // Unplugging: the device whose capture function has `capture_path` (null when none has),
    // and taking a device that is not a hub off its port, which gives back its desc so that it
    // can be plugged in again (Add_Device), where it is named anew as the host would.
    Simulated_Usb_Device* Find_Capture_Device(const std::string& capture_path) const;
    Usb_Device_Description Unplug(Simulated_Usb_Device& device);

    const std::vector<std::unique_ptr<Simulated_Usb_Host_Controller>>& Host_Controllers() const {
        return controllers_;
    }

    // The Usb_Host seam.
    std::unique_ptr<Device_Set> Open_Device_Set(const GUID* interface_class) override;
    std::unique_ptr<Usb_Host_Controller> Open_Host_Controller(const std::string& path) override;
    std::unique_ptr<Usb_Hub> Open_Hub(const std::string& name) override;

private:
    std::uint32_t Next_Number() { return ++numbers_; }
    std::string Next_Driver_Key(const char* class_guid);
    void Name_Device(Simulated_Usb_Device& device);
    void Name_Capture_Function(Simulated_Usb_Device& device, const Capture_Function_Description& capture);
    Simulated_Usb_Device& Plug(Simulated_Usb_Hub& hub, std::uint8_t port, Usb_Device_Description desc);
    const Simulated_Usb_Hub* Find_Hub(const std::string& name) const;

    mutable std::mutex mutex_; // every operation of the tree and of its hub handles
    std::vector<std::unique_ptr<Simulated_Usb_Host_Controller>> controllers_;
    std::vector<const Simulated_Usb_Host_Controller*> reported_again_;
    std::uint32_t numbers_ = 0;
    std::uint32_t driver_keys_ = 0;
};

} // namespace platform::simulated
