#pragma once
// The video-input devices of a Linux host: one per video-control interface (class 0x0E,
// subclass 0x01) of a configured USB device, in the order of bus, port path and interface
// number, which stays the same between calls while nothing is plugged or unplugged.
//
// Properties: "FriendlyName" is the device's product string ("USB Video Device" without one);
// "DevicePath" is the Windows form the library parses (Usb_Device_Names.h), unique per port
// and interface. A camera on Linux has no "Description" and no "WaveInID": reading them fails.
//
// Binding reads the camera's configuration again and pairs nothing with a camera that is gone
// or has been replaced since it was listed; the filter's control channels share one session
// (Uvc_Control_Channel.h). The backend keeps each session while its device is the same (same
// bus, address and interface), so a refresh of the device list binds the camera to the session
// it had: the claim on its interface is kept, and its kernel driver is neither given back nor
// taken again because something was plugged elsewhere on the host. A session ends when a
// listing no longer finds its device there, or with the backend and the last handle.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "platform/Video_Input.h"
#include "platform/linux/Camera_Places.h"
#include "platform/linux/Libusb_Transfer.h"
#include "platform/linux/Sysfs_Usb_Devices.h"
#include "platform/linux/Uvc_Control_Channel.h"

namespace platform::linux_host {

inline constexpr const char* Unnamed_Camera = "USB Video Device";

// A video-control interface of a device.
struct Video_Function {
    const Sysfs_Usb_Device* Device = nullptr;
    const Sysfs_Usb_Interface* Interface = nullptr;
};

// The video functions of `devices`, in their order.
std::vector<Video_Function> Video_Functions(const std::vector<Sysfs_Usb_Device>& devices);

// The camera sessions of one backend.
class Camera_Sessions {
public:
    Camera_Sessions(std::shared_ptr<Libusb_Context> context, std::shared_ptr<Camera_Places> places,
                    std::uint32_t timeout_ms)
        : context_(std::move(context)), places_(std::move(places)), timeout_ms_(timeout_ms) {}

    // The session of the camera's video-control interface: the one kept, bound again, or a new one.
    std::shared_ptr<Camera_Session> Bind(const Camera_Place& place, Video_Control_Interface units);
    // Ends the sessions of the devices that are no longer among `present`.
    void Keep_Only(const std::vector<Video_Function>& present);

private:
    using Key = std::tuple<Usb_Location, std::uint16_t, std::uint8_t>; // place, address, interface
    std::shared_ptr<Libusb_Context> context_;
    std::shared_ptr<Camera_Places> places_;
    std::uint32_t timeout_ms_;
    std::mutex mutex_;
    std::map<Key, std::shared_ptr<Camera_Session>> kept_;
};

// The video-input devices present now (the Backend::Enumerate_Video_Inputs contract).
HRESULT Enumerate_Linux_Video_Inputs(const std::shared_ptr<Camera_Sessions>& sessions,
                                     std::vector<std::unique_ptr<Video_Input_Device>>& devices);

} // namespace platform::linux_host
