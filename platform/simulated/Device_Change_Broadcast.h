#pragma once
// The simulated host's device-change notifications: every watch hears every arrival and
// removal, in the order they are reported, on the thread that reports them (the backend's
// delivering thread).
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/Device_Change.h"

namespace platform::simulated {

class Device_Change_Broadcast {
public:
    Device_Change_Broadcast() : watchers_(std::make_shared<Watchers>()) {}

    // A watch that hears every later Report until it is destroyed (the contract of
    // Backend::Watch_Video_Device_Changes). It may outlive the broadcast.
    std::unique_ptr<Device_Change_Watch> Watch(Device_Change_Callback callback);

    // Calls every watch's callback with `event`, one after another, before it returns. A
    // callback must not report, plug or unplug in turn.
    void Report(const Device_Change_Event& event);

private:
    // Deliveries run under the mutex, so a watch being destroyed waits for the one that is
    // running and is then called no more.
    struct Watchers {
        std::mutex mutex;
        std::map<std::uint64_t, Device_Change_Callback> callbacks;
        std::uint64_t next_id = 0;
    };
    std::shared_ptr<Watchers> watchers_;
};

} // namespace platform::simulated
