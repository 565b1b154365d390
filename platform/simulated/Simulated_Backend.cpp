#include "platform/simulated/Simulated_Backend.h"

#include <chrono>

#include "platform/simulated/Simulated_Video_Input.h"

namespace platform::simulated {

Simulated_Backend::Simulated_Backend(Simulated_Time time)
    : log_(std::make_shared<Event_Log>()), clock_(log_),
      real_clock_(time == Simulated_Time::Real ? std::make_unique<Real_Time_Clock>() : nullptr) {}

Simulated_Backend::~Simulated_Backend() {
    // Leaving cameras and timed actions reach into this backend: end both before it goes, the
    // leaves first (they add timed actions).
    std::vector<std::shared_ptr<Simulated_Camera>> cameras;
    {
        const std::lock_guard lock(cameras_mutex_);
        cameras = cameras_;
    }
    for (const auto& camera : cameras)
        camera->Set_Leave_Handler(nullptr);
    real_clock_.reset();
}

Pacing_Clock& Simulated_Backend::Clock() {
    if (real_clock_)
        return *real_clock_;
    return clock_;
}

std::uint64_t Simulated_Backend::Now_Ms() const {
    return real_clock_ ? real_clock_->Now_Ms() : clock_.Now_Ms();
}

void Simulated_Backend::After(std::uint64_t delay_ms, std::function<void()> action) {
    if (real_clock_)
        real_clock_->After(delay_ms, std::move(action));
    else
        clock_.After(delay_ms, std::move(action));
}

void Simulated_Backend::Advance_Clock(std::uint64_t milliseconds) {
    if (!real_clock_)
        clock_.Advance(milliseconds);
}

std::size_t Simulated_Backend::Pending_Actions() const {
    return real_clock_ ? real_clock_->Pending() : clock_.Pending();
}

std::shared_ptr<Simulated_Camera> Simulated_Backend::Add_Camera(std::string name, Chip_Model model) {
    auto camera = Simulated_Camera::Create(std::move(name), std::move(model), log_);
    camera->Set_Leave_Handler([this](Simulated_Camera& leaving, const Reconnection& reconnection) {
        Leave(leaving, reconnection);
    });
    // In real time the host's pauses are slept, not logged: the chip's busy time then runs
    // on the steady clock, or it would stay busy after its first chunk.
    if (real_clock_) {
        camera->Flash().Set_Time_Source([start = std::chrono::steady_clock::now()] {
            return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - start)
                                                  .count());
        });
    }
    const std::lock_guard lock(cameras_mutex_);
    camera->Video_Input().Friendly_Name = camera->Name();
    const std::uint32_t instance = next_path_instance_++;
    camera->Video_Input().Device_Path = Usb_Capture_Path(0, 0, instance, instance);
    cameras_.push_back(camera);
    return camera;
}

HRESULT Simulated_Backend::Enumerate_Video_Inputs(std::vector<std::unique_ptr<Video_Input_Device>>& devices) {
    const std::lock_guard lock(cameras_mutex_);
    if (cameras_.empty())
        return VFW_E_NOT_FOUND;
    const std::size_t before = devices.size();
    for (const auto& camera : cameras_)
        if (camera->Plugged())
            devices.push_back(Open_Video_Input(camera));
    return devices.size() != before ? S_OK : VFW_E_NOT_FOUND;
}

std::unique_ptr<Device_Change_Watch>
Simulated_Backend::Watch_Video_Device_Changes(Device_Change_Callback callback) {
    return device_changes_.Watch(std::move(callback));
}

void Simulated_Backend::Record(Event_Kind kind, const Simulated_Camera& camera, std::string path) {
    Event event;
    event.Kind = kind;
    event.Camera = camera.Name();
    event.Property = std::move(path);
    log_->Record(std::move(event));
}

Simulated_Backend::Usb_Place Simulated_Backend::Unplug_Camera(Simulated_Camera& camera) {
    std::unique_lock lock(plug_mutex_);
    const Usb_Place place = Unplug_Locked(camera);
    lock.unlock();
    Deliver_Changes();
    return place;
}

bool Simulated_Backend::Plug_Camera(Simulated_Camera& camera, Simulated_Usb_Hub& hub, std::uint8_t port) {
    std::unique_lock lock(plug_mutex_);
    const bool plugged = Plug_Locked(camera, &hub, port, false);
    lock.unlock();
    Deliver_Changes();
    return plugged;
}

void Simulated_Backend::Announce(Device_Change_Event change) {
    const std::lock_guard lock(changes_mutex_);
    changes_.push_back(std::move(change));
}

void Simulated_Backend::Deliver_Changes() {
    std::unique_lock lock(changes_mutex_);
    if (delivering_)
        return; // the thread delivering now (perhaps this one, from a watch) takes these too
    delivering_ = true;
    while (!changes_.empty()) {
        const Device_Change_Event change = std::move(changes_.front());
        changes_.pop_front();
        lock.unlock();
        device_changes_.Report(change);
        lock.lock();
    }
    delivering_ = false;
}

Simulated_Backend::Usb_Place Simulated_Backend::Unplug_Locked(Simulated_Camera& camera) {
    if (!camera.Plugged())
        return {};
    // Only plugging, under the same lock, changes the path.
    const std::string path = camera.Video_Input().Device_Path;
    Usb_Place place;
    if (Simulated_Usb_Device* device = usb_tree_.Find_Capture_Device(path)) {
        place = {&device->Hub(), device->Port()};
        Usb_Device_Description& kept = unplugged_usb_[&camera] = usb_tree_.Unplug(*device);
        created_usb_.try_emplace(&camera, kept);
    }
    camera.Unplug();
    Record(Event_Kind::Unplugged, camera);
    Announce({Device_Change_Kind::Removal, path});
    return place;
}

bool Simulated_Backend::Plug_Locked(Simulated_Camera& camera, Simulated_Usb_Hub* hub, std::uint8_t port,
                                    bool new_instance) {
    if (camera.Plugged())
        return false;
    // Only plugging, under the same lock, fills a port after the set-up.
    const bool port_free = hub && port >= 1 && port <= hub->Port_Count() && !hub->Device_On(port);
    const auto kept = unplugged_usb_.find(&camera);
    std::string path;
    if (kept != unplugged_usb_.end()) {
        if (!port_free)
            return false;
        Usb_Device_Description desc = std::move(kept->second);
        unplugged_usb_.erase(kept);
        if (new_instance) {
            // The host names a device that comes back anew, whatever path it had, and reads
            // the identity the chip started with.
            desc.Instance.clear();
            if (desc.Capture)
                desc.Capture->Instance.clear();
            Take_Started_Identity(camera, desc);
        }
        path = usb_tree_.Add_Device(*hub, port, std::move(desc)).Capture_Path();
    } else if (hub && !port_free) {
        return false;
    } else if (new_instance) {
        const std::lock_guard lock(cameras_mutex_);
        const std::uint32_t instance = next_path_instance_++;
        path = Usb_Capture_Path(0, 0, instance, instance);
    }
    camera.Plug_In(path);
    const std::string arrived = camera.Video_Input().Device_Path;
    Record(Event_Kind::Plugged, camera, arrived);
    Announce({Device_Change_Kind::Arrival, arrived});
    return true;
}

void Simulated_Backend::Take_Started_Identity(const Simulated_Camera& camera, Usb_Device_Description& desc) {
    const auto created = created_usb_.find(&camera);
    if (created != created_usb_.end()) {
        const Usb_Device_Descriptor& was = created->second.Descriptor;
        desc.Descriptor.idVendor = was.idVendor;
        desc.Descriptor.idProduct = was.idProduct;
        desc.Descriptor.bcdDevice = was.bcdDevice;
        desc.Descriptor.iManufacturer = was.iManufacturer;
        desc.Descriptor.iProduct = was.iProduct;
        desc.Descriptor.iSerialNumber = was.iSerialNumber;
        desc.Strings = created->second.Strings;
    }
    if (const auto booted = camera.Booted_Identity())
        Put_Boot_Identity(desc, *booted);
}

void Simulated_Backend::Leave(Simulated_Camera& camera, const Reconnection& reconnection) {
    std::unique_lock lock(plug_mutex_);
    if (!camera.Plugged())
        return; // unplugged meanwhile by another thread: it stays where that left it
    const Usb_Place place = Unplug_Locked(camera);
    if (reconnection.Back_After_Ms) {
        After(*reconnection.Back_After_Ms, [this, camera = camera.weak_from_this(), place] {
            if (const auto back = camera.lock())
                Return(*back, place);
        });
    }
    lock.unlock();
    Deliver_Changes();
}

void Simulated_Backend::Return(Simulated_Camera& camera, Usb_Place place) {
    std::unique_lock lock(plug_mutex_);
    Plug_Locked(camera, place.Hub, place.Port, true);
    lock.unlock();
    Deliver_Changes();
}

} // namespace platform::simulated
