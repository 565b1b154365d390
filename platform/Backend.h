#pragma once
// The backend-selection point. A backend bundles one implementation of every platform
// concern (one interface per concern, each with its contract on the interface); exactly one
// is current per process. The camera library and the tool include the interfaces only and
// ask Current_Backend() for a concern; what serves it (simulated cameras, the host's USB
// stack) is chosen once, by the program's start-up or by a test, with Install_Backend.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Device_Change.h"
#include "platform/Pacing_Clock.h"
#include "platform/Result_Code.h"
#include "platform/Usb_Host.h"
#include "platform/Video_Input.h"

namespace platform {

// A camera's place on the USB tree (a hub's port) held by this program for a burn, from the
// press to the burn's end, across the restarts and device-list refreshes of the camera's
// preparation: while the hold lives, no other program that holds places may take the camera
// on it or send it a request. Destroying the hold lets the place go.
class Camera_Hold {
public:
    virtual ~Camera_Hold() = default;
};

// The interface of a backend. Every concern has a default that offers nothing (no devices,
// no notifications) or the plain system service (the real clock), so this class itself is the
// null backend that is current until another is installed: a host with no camera the library
// can reach. Further concerns (video-input enumeration, the USB tree, device-change
// notifications) are added as further virtual members with such a default, so an existing
// backend keeps compiling and answers "none" until it implements them.
class Backend {
public:
    virtual ~Backend() = default;

    // Pacing: the clock every pause goes through. Must stay valid while the backend lives and
    // be usable from any thread.
    virtual Pacing_Clock& Clock() { return Real_Clock(); }

    // Video inputs: appends to `devices` one handle per video-input device present now, in the
    // host's order (stable between calls while nothing is plugged or unplugged). S_OK when at
    // least one was appended; VFW_E_NOT_FOUND when there is none, `devices` untouched; another
    // negative result (never -1) when the host cannot list its devices. A device handle stays
    // valid after its camera is gone: its operations then fail. Any thread may call it, one
    // call at a time per backend.
    virtual HRESULT Enumerate_Video_Inputs(std::vector<std::unique_ptr<Video_Input_Device>>& devices) {
        (void)devices;
        return VFW_E_NOT_FOUND;
    }

    // The USB tree: device-interface sets, host controllers, hubs and the devices on their
    // ports (contract in platform/Usb_Host.h). Must stay valid while the backend lives; used by
    // one walk at a time. The default is a host without USB devices.
    virtual Usb_Host& Usb() { return No_Usb_Host(); }

    // Device changes: starts delivering the arrival and removal of video-input devices to
    // `callback` until the returned watch is destroyed (contract in platform/Device_Change.h).
    // Null when the backend cannot watch; the default watches nothing.
    virtual std::unique_ptr<Device_Change_Watch> Watch_Video_Device_Changes(Device_Change_Callback callback) {
        (void)callback;
        return nullptr;
    }

    // Holds the place `port` of the hub named `hub` (as the USB tree names it) for a burn.
    // Null, with the reason in `why`, when another program holds it; the place is then left
    // as it is. The default is a host that no other program shares: a hold that holds nothing.
    virtual std::unique_ptr<Camera_Hold> Hold_Camera_Place(const std::string& hub, std::uint32_t port,
                                                           std::string& why) {
        (void)hub;
        (void)port;
        (void)why;
        return std::make_unique<Camera_Hold>();
    }

    // True when port `a_port` of hub `a_hub` and port `b_port` of hub `b_hub` are one physical
    // place, where a camera that left one may come back on the other: a host that shows one
    // connector under two hubs (one per speed) says so. The default: the same hub and port.
    virtual bool Same_Camera_Place(const std::string& a_hub, std::uint32_t a_port, const std::string& b_hub,
                                   std::uint32_t b_port) {
        return a_hub == b_hub && a_port == b_port;
    }
};

// The backend current now; never null. Safe to call from any thread. Callers keep the
// returned pointer only for the duration of one use, so that a replaced backend goes away
// once its last use ends.
std::shared_ptr<Backend> Current_Backend();

// Makes `backend` current (null: the null backend) and returns the one it replaces. Install
// before the library is used from other threads; requests already running finish on the
// backend they started with.
std::shared_ptr<Backend> Install_Backend(std::shared_ptr<Backend> backend);

// Installs a backend for one scope and puts the previous one back at its end; the way tests
// run the library over a simulated backend.
class Scoped_Backend {
public:
    explicit Scoped_Backend(std::shared_ptr<Backend> backend)
        : previous_(Install_Backend(std::move(backend))) {}
    ~Scoped_Backend() { Install_Backend(std::move(previous_)); }
    Scoped_Backend(const Scoped_Backend&) = delete;
    Scoped_Backend& operator=(const Scoped_Backend&) = delete;

private:
    std::shared_ptr<Backend> previous_;
};

} // namespace platform
