#pragma once
// Arrival and removal of video-input devices, from udev: a monitor of the USB interfaces that
// udev has finished setting up (so a new camera's device node already has the permissions its
// rules give), filtered to video-control interfaces. A kernel driver letting go of an
// interface or binding to it again (as the tool's own detaching does) is no arrival or
// removal and is not reported.
//
// The deliveries come from a thread of the watch; destroying the watch stops and joins it.
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/Device_Change.h"

namespace platform::linux_host {

// The change an interface event stands for: its action ("add", "remove"), the interface's
// kernel name ("1-4.2:1.0") and udev's PRODUCT ("c45/6366/100", hex vendor, product, release)
// and INTERFACE ("14/1/0", decimal class, subclass, protocol) properties. Nullopt for any other
// action or an interface that is no video-control interface; the device path is empty when
// the name or the product cannot be read.
std::optional<Device_Change_Event> Video_Interface_Change(std::string_view action, std::string_view name,
                                                          std::string_view product,
                                                          std::string_view interface);

// Null when udev cannot be watched (no udev, or no monitor socket).
std::unique_ptr<Device_Change_Watch> Watch_Video_Interfaces(Device_Change_Callback callback);

// Reads one event from the watched socket: the change it stands for, or nullopt for none.
using Event_Receiver = std::function<std::optional<Device_Change_Event>()>;

// The watch of one event socket (udev's monitor socket in Watch_Video_Interfaces), which must
// stay open while the watch lives: `receive` reads an event whenever the socket is readable.
// When the socket reports an error instead (ENOBUFS: events came faster than they were read
// and some were dropped), the error is cleared and one change with no device path stands for
// the events lost, so that the list is refreshed once. Null when no thread can be set up.
std::unique_ptr<Device_Change_Watch> Watch_Event_Socket(int socket, Event_Receiver receive,
                                                        Device_Change_Callback callback);

} // namespace platform::linux_host
