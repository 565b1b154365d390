#pragma once
// The USB tree of a Linux host, served to the hub walk through the Usb_Host seam (contract in
// platform/Usb_Host.h), from sysfs alone:
//
//   host controllers  one per bus (a controller that serves a USB 2 and a USB 3 bus is shown
//                     once for each), opened by Host_Controller_Path; its root hub is "usbN"
//   hubs              opened by their kernel name ("usb1", "1-4"); port p of hub "1-4" holds
//                     device "1-4.p" when one is there
//   device sets       by interface class: host controllers, hubs (root and external), USB
//                     devices (not hubs), capture functions (one per video-control interface,
//                     with the video-input device path); with no class, all of these
//   descriptors       all from sysfs, where the kernel keeps them: device, configuration and
//                     BOS descriptors (BOS from Linux 6.6; before, refused), and the strings the
//                     kernel read (the device's, its active configuration's and its
//                     interfaces'), served in the one language US English (0x0409); any other
//                     string is refused. No request goes to a device: one that another program
//                     is flashing is never disturbed by the walk.
//
// Every set is a snapshot of sysfs taken when it is opened; hubs read their ports when asked.
#include <memory>

#include "platform/Usb_Host.h"

namespace platform::linux_host {

class Sysfs_Usb_Host final : public Usb_Host {
public:
    std::unique_ptr<Device_Set> Open_Device_Set(const GUID* interface_class) override;
    std::unique_ptr<Usb_Host_Controller> Open_Host_Controller(const std::string& path) override;
    std::unique_ptr<Usb_Hub> Open_Hub(const std::string& name) override;
};

} // namespace platform::linux_host
