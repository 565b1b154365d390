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
// (Uvc_Control_Channel.h).
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Video_Input.h"
#include "platform/linux/Libusb_Transfer.h"
#include "platform/linux/Sysfs_Usb_Devices.h"

namespace platform::linux_host {

inline constexpr const char* Unnamed_Camera = "USB Video Device";

// A video-control interface of a device.
struct Video_Function {
    const Sysfs_Usb_Device* Device = nullptr;
    const Sysfs_Usb_Interface* Interface = nullptr;
};

// The video functions of `devices`, in their order.
std::vector<Video_Function> Video_Functions(const std::vector<Sysfs_Usb_Device>& devices);

// The video-input devices present now (the Backend::Enumerate_Video_Inputs contract).
HRESULT Enumerate_Linux_Video_Inputs(const std::shared_ptr<Libusb_Context>& context, std::uint32_t timeout_ms,
                                     std::vector<std::unique_ptr<Video_Input_Device>>& devices);

} // namespace platform::linux_host
