#pragma once
// The device-change seam: arrival and removal of video-input devices, as the host reports
// them. The tool refreshes its camera list on each; the library itself never watches.
#include <functional>
#include <memory>
#include <string>

namespace platform {

enum class Device_Change_Kind {
    Arrival, // a video-input device appeared
    Removal, // a video-input device is gone (its requests already fail)
};

struct Device_Change_Event {
    Device_Change_Kind Kind = Device_Change_Kind::Arrival;
    // The device's "DevicePath", as discovery lists it; may be empty when the host cannot tell
    // (an arrival with no path also stands for changes the host lost track of).
    std::string Device_Path;
};

// Called for every change, in the order the host reports them, from a thread of the backend's
// choosing (never while the watch's owner is inside Watch_Video_Device_Changes). It must not
// destroy the watch that calls it.
using Device_Change_Callback = std::function<void(const Device_Change_Event&)>;

// An active watch. Destroying it ends the deliveries: when the destructor returns, the
// callback is running nowhere and will not be called again.
class Device_Change_Watch {
public:
    virtual ~Device_Change_Watch() = default;
};

} // namespace platform
