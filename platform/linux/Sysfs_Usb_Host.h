#pragma once
// The USB tree of a Linux host, served to the hub walk through the Usb_Host seam (contract in
// platform/Usb_Host.h), from sysfs and, for what sysfs does not keep, from the devices:
//
//   host controllers  one per bus (a controller that serves a USB 2 and a USB 3 bus is shown
//                     once for each), opened by Host_Controller_Path; its root hub is "usbN"
//   hubs              opened by their kernel name ("usb1", "1-4"); port p of hub "1-4" holds
//                     device "1-4.p" when one is there
//   device sets       by interface class: host controllers, hubs (root and external), USB
//                     devices (not hubs), capture functions (one per video-control interface,
//                     with the video-input device path); with no class, all of these
//   descriptors       device and configuration descriptors from sysfs; strings and BOS by
//                     GET_DESCRIPTOR requests to the device, which needs opening it: a device
//                     this user may not open refuses them (a camera the tool lists can always
//                     be opened, so its record always gets its strings)
//
// Every set is a snapshot of sysfs taken when it is opened; hubs read their ports when asked.
#include <cstdint>
#include <memory>

#include "platform/Usb_Host.h"
#include "platform/linux/Libusb_Transfer.h"

namespace platform::linux_host {

class Sysfs_Usb_Host final : public Usb_Host {
public:
    Sysfs_Usb_Host(std::shared_ptr<Libusb_Context> context, std::uint32_t timeout_ms)
        : context_(std::move(context)), timeout_ms_(timeout_ms) {}

    std::unique_ptr<Device_Set> Open_Device_Set(const GUID* interface_class) override;
    std::unique_ptr<Usb_Host_Controller> Open_Host_Controller(const std::string& path) override;
    std::unique_ptr<Usb_Hub> Open_Hub(const std::string& name) override;

private:
    std::shared_ptr<Libusb_Context> context_;
    std::uint32_t timeout_ms_;
};

} // namespace platform::linux_host
