#pragma once
// The simulated backend: a clock and the simulated cameras, all writing to one event log. A
// test builds one in code and installs it for its scope:
//
//   auto backend = std::make_shared<platform::simulated::Simulated_Backend>();
//   platform::Scoped_Backend installed(backend);
//   auto camera = backend->Add_Camera("cam0", model);
//   camera->Bind_Chip_Unit(3, unit_guid);
//   ... the library runs; backend->Log() holds every request and pause in order ...
//
// Its time is virtual (tests: pauses return at once, timed actions run as the virtual time
// moves on) or real (a program a person watches: pauses sleep, timed actions run on a thread of
// the clock's own).
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/simulated/Chip_Model.h"
#include "platform/simulated/Device_Change_Broadcast.h"
#include "platform/simulated/Event_Log.h"
#include "platform/simulated/Real_Time_Clock.h"
#include "platform/simulated/Simulated_Camera.h"
#include "platform/simulated/Simulated_Usb_Tree.h"
#include "platform/simulated/Virtual_Clock.h"

namespace platform::simulated {

enum class Simulated_Time : std::uint8_t {
    Virtual, // pauses are recorded and move the virtual time on; nothing waits
    Real,    // pauses sleep; timed actions come on their own
};

class Simulated_Backend : public Backend {
public:
    explicit Simulated_Backend(Simulated_Time time = Simulated_Time::Virtual);
    // Ends the cameras' leaving and stops the real-time clock's thread (an action running
    // finishes): no timed action runs once this has returned.
    ~Simulated_Backend() override;
    Simulated_Backend(const Simulated_Backend&) = delete;
    Simulated_Backend& operator=(const Simulated_Backend&) = delete;

    Pacing_Clock& Clock() override;
    // Every camera of this backend, in the order they were added.
    HRESULT Enumerate_Video_Inputs(std::vector<std::unique_ptr<Video_Input_Device>>& devices) override;

    Simulated_Time Time() const { return real_clock_ ? Simulated_Time::Real : Simulated_Time::Virtual; }
    // The virtual clock (in real time it is not the one pauses go through, and stands still).
    Virtual_Clock& Virtual_Time() { return clock_; }
    // Milliseconds on this backend's clock: virtual, or real since the backend was made.
    std::uint64_t Now_Ms() const;
    // Runs `action` once `delay_ms` have passed on this backend's clock: in virtual time on the
    // thread whose pause or Advance_Clock reaches it, in real time on the clock's own thread.
    void After(std::uint64_t delay_ms, std::function<void()> action);
    // Virtual time: moves it on by `milliseconds` (no pause in the log) and runs what has come
    // due, on the calling thread; a test keeps this clock in step with another virtual clock
    // (the user-interface layer's) this way. Real time: does nothing, the time moves by itself.
    void Advance_Clock(std::uint64_t milliseconds);
    // Timed actions not run yet.
    std::size_t Pending_Actions() const;

    Event_Log& Log() { return *log_; }
    const std::shared_ptr<Event_Log>& Shared_Log() const { return log_; }

    // A new powered-on camera on this backend's log. As a video-input device it is named
    // `name` and has a capture path of vendor and product id 0 that is unique on this backend.
    // When its model makes it leave the host, the backend unplugs it and brings it back (below).
    std::shared_ptr<Simulated_Camera> Add_Camera(std::string name, Chip_Model model);
    const std::vector<std::shared_ptr<Simulated_Camera>>& Cameras() const { return cameras_; }

    // The USB tree: host controllers, hubs and the devices on their ports (cameras among them).
    Usb_Host& Usb() override { return usb_tree_; }
    Simulated_Usb_Tree& Usb_Tree() { return usb_tree_; }

    // Arrivals and removals of this backend's cameras, reported by Unplug_Camera and
    // Plug_Camera, and by cameras leaving and coming back, in the order they happen: on the
    // thread that does it, before it returns, unless another thread is delivering at that
    // moment, which then delivers this one too.
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
    //
    // Plugging and unplugging, also by cameras leaving and coming back, may happen on any
    // thread, also while another thread refreshes the device list: one at a time, each with its
    // notification, in order.
    bool Plug_Camera(Simulated_Camera& camera, Simulated_Usb_Hub& hub, std::uint8_t port);

    // A camera leaving by itself (its model's leave writes, or its restart when that reconnects)
    // is unplugged at once, on the thread of the request. When its reconnection has a delay,
    // the backend's clock brings it back after it: plugged in on the port it left, always under
    // a new capture path, its chip as the reconnection says; when that port has been taken
    // meanwhile, or the camera is back already, the return does nothing. Cameras added without
    // a USB device come back under a new path of their own.
    //
    // Its USB device comes back with the identity (ids, release number, strings) its chip took
    // from the image in its flash when it restarted (Simulated_Camera::Booted_Identity), or,
    // when there was no image its chip runs, with the identity it had when it first left: the
    // one it was created with. Plugging a camera back (Plug_Camera) changes no identity.

private:
    Usb_Place Unplug_Locked(Simulated_Camera& camera);
    bool Plug_Locked(Simulated_Camera& camera, Simulated_Usb_Hub* hub, std::uint8_t port, bool new_instance);
    void Leave(Simulated_Camera& camera, const Reconnection& reconnection);
    void Return(Simulated_Camera& camera, Usb_Place place);
    // The identity a camera coming back from leaving shows: its booted one, or the one it was
    // created with.
    void Take_Started_Identity(const Simulated_Camera& camera, Usb_Device_Description& desc);
    void Record(Event_Kind kind, const Simulated_Camera& camera, std::string path = {});
    // Notifications leave in the order of the changes, outside the plug lock (a watch may
    // refresh, pause and so bring a camera back), one delivering thread at a time.
    void Announce(Device_Change_Event change);
    void Deliver_Changes();

    std::shared_ptr<Event_Log> log_;
    Virtual_Clock clock_;
    std::unique_ptr<Real_Time_Clock> real_clock_; // real time only
    mutable std::mutex cameras_mutex_;            // enumeration may run on another thread than the set-up
    std::vector<std::shared_ptr<Simulated_Camera>> cameras_;
    std::uint32_t next_path_instance_ = 0;
    Simulated_Usb_Tree usb_tree_;
    std::mutex plug_mutex_; // one plug or unplug at a time, with its notification
    // The USB device each unplugged camera takes along, to be plugged in with it again.
    std::map<const Simulated_Camera*, Usb_Device_Description> unplugged_usb_;
    // The USB device of each camera as it first left, the identity it comes back with when its
    // flash holds no image it runs.
    std::map<const Simulated_Camera*, Usb_Device_Description> created_usb_;
    Device_Change_Broadcast device_changes_;
    std::mutex changes_mutex_;
    std::deque<Device_Change_Event> changes_; // announced, not yet delivered
    bool delivering_ = false;
};

} // namespace platform::simulated
