#pragma once
// The simulated backend: a virtual clock and the simulated cameras, all writing to one event
// log. A test builds one in code and installs it for its scope:
//
//   auto backend = std::make_shared<platform::simulated::Simulated_Backend>();
//   platform::Scoped_Backend installed(backend);
//   auto camera = backend->Add_Camera("cam0", model);
//   camera->Bind_Chip_Unit(3, unit_guid);
//   ... the library runs; backend->Log() holds every request and pause in order ...
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/simulated/Chip_Model.h"
#include "platform/simulated/Device_Change_Broadcast.h"
#include "platform/simulated/Event_Log.h"
#include "platform/simulated/Simulated_Camera.h"
#include "platform/simulated/Simulated_Usb_Tree.h"
#include "platform/simulated/Virtual_Clock.h"

namespace platform::simulated {

class Simulated_Backend : public Backend {
public:
    Simulated_Backend() : log_(std::make_shared<Event_Log>()), clock_(log_) {}

    Pacing_Clock& Clock() override { return clock_; }
    // Every camera of this backend, in the order they were added.
    HRESULT Enumerate_Video_Inputs(std::vector<std::unique_ptr<Video_Input_Device>>& devices) override;

    Virtual_Clock& Virtual_Time() { return clock_; }
    Event_Log& Log() { return *log_; }
    const std::shared_ptr<Event_Log>& Shared_Log() const { return log_; }

    // A new powered-on camera on this backend's log. As a video-input device it is named
    // `name` and has a capture path of vendor and product id 0 that is unique on this backend.
    std::shared_ptr<Simulated_Camera> Add_Camera(std::string name, Chip_Model model);
    const std::vector<std::shared_ptr<Simulated_Camera>>& Cameras() const { return cameras_; }

    // The USB tree: host controllers, hubs and the devices on their ports (cameras among them).
    Usb_Host& Usb() override { return usb_tree_; }
    Simulated_Usb_Tree& Usb_Tree() { return usb_tree_; }

    // Arrivals and removals of this backend's cameras, reported by Unplug_Camera and
    // Plug_Camera on the thread that calls them.
    std::unique_ptr<Device_Change_Watch> Watch_Video_Device_Changes(Device_Change_Callback callback) override;

    // Where a camera's USB device hangs: a hub and its port (null hub: nowhere).
    struct Usb_Place {
        Simulated_Usb_Hub* Hub = nullptr;
        std::uint8_t Port = 0;
    };
    // Unplugs a plugged camera: it leaves the video-input enumeration and, with its USB device,
    // the USB tree; its requests fail (Simulated_Camera::Unplug); then every watch hears of its
    // removal. Answers where its USB device was.
    Usb_Place Unplug_Camera(Simulated_Camera& camera);
    // Plugs an unplugged camera in on free port `port` of `hub`, the one it left or another:
    // its USB device is named anew there, the camera takes that place's capture path and
    // re-enters the enumeration; then every watch hears of its arrival. A camera that had no
    // USB device only re-enters the enumeration. False, with nothing changed, when the camera
    // is plugged or the port is missing or taken.
    // Plug and unplug one at a time, between refreshes of the device list, as the tree is built
    // between walks.
    bool Plug_Camera(Simulated_Camera& camera, Simulated_Usb_Hub& hub, std::uint8_t port);

private:
    std::shared_ptr<Event_Log> log_;
    Virtual_Clock clock_;
    mutable std::mutex cameras_mutex_; // enumeration may run on another thread than the set-up
    std::vector<std::shared_ptr<Simulated_Camera>> cameras_;
    Simulated_Usb_Tree usb_tree_;
    // The USB device each unplugged camera takes along, to be plugged in with it again.
    std::map<const Simulated_Camera*, Usb_Device_Description> unplugged_usb_;
    Device_Change_Broadcast device_changes_;
};

} // namespace platform::simulated
