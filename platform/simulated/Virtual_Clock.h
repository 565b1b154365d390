#pragma once
// A pacing clock that never sleeps: each pause returns at once, advances the virtual time and
// is written to the event log between the requests around it. A download that pauses 10 ms
// per chunk runs in milliseconds while its pauses stay assertable.
//
// Timed actions (After) run when the virtual time reaches them: through a pause of the library
// on the pausing thread, or through Advance, which a test calls to keep this clock in step with
// another virtual clock (the user-interface layer's) without a pause of the library.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Pacing_Clock.h"
#include "platform/simulated/Event_Log.h"
#include "platform/simulated/Timed_Events.h"

namespace platform::simulated {

class Virtual_Clock final : public Pacing_Clock {
public:
    explicit Virtual_Clock(std::shared_ptr<Event_Log> log) : log_(std::move(log)) {}

    void Sleep(std::uint32_t milliseconds) override {
        log_->Record_Pause(change_ ? change_(milliseconds) : milliseconds);
        events_.Run_Due(log_->Now_Ms());
    }
    // Moves the time on by `milliseconds` (no pause in the log) and runs what has come due.
    void Advance(std::uint64_t milliseconds) {
        log_->Advance_Time(milliseconds);
        events_.Run_Due(log_->Now_Ms());
    }
    // Runs `action` once the time has moved on by `delay_ms` from now.
    void After(std::uint64_t delay_ms, std::function<void()> action) {
        events_.Add(log_->Now_Ms() + delay_ms, std::move(action));
    }

    // Tests: every pause asked for is taken as `change` makes it (a pause dropped or
    // shortened), to show what the chips do when the host does not wait. Set it before the
    // library runs.
    void Change_Pauses(std::function<std::uint32_t(std::uint32_t)> change) { change_ = std::move(change); }

    std::uint64_t Now_Ms() const { return log_->Now_Ms(); }
    std::size_t Pending() const { return events_.Pending(); }
    const std::shared_ptr<Event_Log>& Log() const { return log_; }

private:
    std::shared_ptr<Event_Log> log_;
    Timed_Events events_;
    std::function<std::uint32_t(std::uint32_t)> change_;
};

} // namespace platform::simulated
