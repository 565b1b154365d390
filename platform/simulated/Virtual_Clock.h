#pragma once
// A pacing clock that never sleeps: each pause returns at once, advances the virtual time and
// is written to the event log between the requests around it. A download that pauses 10 ms
// per chunk runs in milliseconds while its pauses stay assertable.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Pacing_Clock.h"
#include "platform/simulated/Event_Log.h"

namespace platform::simulated {

class Virtual_Clock final : public Pacing_Clock {
public:
    explicit Virtual_Clock(std::shared_ptr<Event_Log> log) : log_(std::move(log)) {}

    void Sleep(std::uint32_t milliseconds) override {
        log_->Record_Pause(change_ ? change_(milliseconds) : milliseconds);
    }

    // Tests: every pause asked for is taken as `change` makes it (a pause dropped or
    // shortened), to show what the chips do when the host does not wait. Set it before the
    // library runs.
    void Change_Pauses(std::function<std::uint32_t(std::uint32_t)> change) { change_ = std::move(change); }

    std::uint64_t Now_Ms() const { return log_->Now_Ms(); }
    const std::shared_ptr<Event_Log>& Log() const { return log_; }

private:
    std::shared_ptr<Event_Log> log_;
    std::function<std::uint32_t(std::uint32_t)> change_;
};

} // namespace platform::simulated
