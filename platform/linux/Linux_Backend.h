#pragma once
// The Linux backend: real UVC cameras through the kernel's USB stack.
//
//   video inputs    Linux_Video_Input.h (one per video-control interface, from sysfs)
//   control channel Uvc_Control_Channel.h (UVC class requests with libusb; the kernel driver
//                   is detached while the tool holds a camera)
//   USB tree        Sysfs_Usb_Host.h (for the hub walk)
//   device changes  Udev_Device_Watch.h (udev's monitor of video-control interfaces)
//   pacing          the real clock
//
// The program creates it once and installs it, when no simulation is asked for:
//
//   std::string error;
//   if (auto backend = platform::linux_host::Create_Backend(error))
//       platform::Install_Backend(backend);
//   else
//       report(error);    // libusb could not start; the null backend stays: no cameras
//
// Permissions: opening a camera needs write access to its node under /dev/bus/usb; the tool's
// udev rule grants it to the logged-in user (docs/linux.md).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Backend.h"

namespace platform::linux_host {

struct Linux_Backend_Options {
    // How long a control transfer may take before it fails (the kernel's camera driver allows
    // the same).
    std::uint32_t Control_Timeout_Ms = 5000;
};

// The backend, or null with the reason in `error` when the host's USB stack cannot be used.
std::shared_ptr<Backend> Create_Backend(std::string& error, const Linux_Backend_Options& options = {});

// How many of the host's cameras (USB devices with a video-control interface) this user may not
// open for lack of permission on their device node: without the tool's udev rule, all of them.
std::size_t Cameras_This_User_May_Not_Open();

} // namespace platform::linux_host
