#pragma once
// The simulated backend: a virtual clock and the simulated cameras, all writing to one event
// log. A test builds one in code and installs it for its scope:
//
//   auto backend = std::make_shared<platform::simulated::Simulated_Backend>();
//   platform::Scoped_Backend installed(backend);
//   auto camera = backend->Add_Camera("cam0", model);
//   camera->Bind_Chip_Unit(3, unit_guid);
//   ... the library runs; backend->Log() holds every request and pause in order ...
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/simulated/Chip_Model.h"
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

private:
    std::shared_ptr<Event_Log> log_;
    Virtual_Clock clock_;
    mutable std::mutex cameras_mutex_; // enumeration may run on another thread than the set-up
    std::vector<std::shared_ptr<Simulated_Camera>> cameras_;
    Simulated_Usb_Tree usb_tree_;
};

} // namespace platform::simulated
