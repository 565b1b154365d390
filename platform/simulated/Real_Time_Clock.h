#pragma once
// The simulation in real time, for a person watching it (the tool on a scenario): pauses
// sleep the calling thread, and timed actions (a camera coming back after its delay) run on a
// thread of the clock's own once that much real time has passed.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Pacing_Clock.h"
#include "platform/simulated/Timed_Events.h"

namespace platform::simulated {

class Real_Time_Clock final : public Pacing_Clock {
public:
    Real_Time_Clock();
    // Stops the delivery thread: an action running finishes, the ones not yet due never run.
    ~Real_Time_Clock() override;
    Real_Time_Clock(const Real_Time_Clock&) = delete;
    Real_Time_Clock& operator=(const Real_Time_Clock&) = delete;

    void Sleep(std::uint32_t milliseconds) override;
    // The pauses slept through this clock so far, on every thread.
    std::uint64_t Pauses() const { return pauses_.load(); }
    // Runs `action` on the delivery thread once `delay_ms` of real time have passed.
    void After(std::uint64_t delay_ms, std::function<void()> action);
    // Milliseconds since the clock was made.
    std::uint64_t Now_Ms() const { return state_->Now_Ms(); }
    std::size_t Pending() const { return state_->Events.Pending(); }

private:
    // Shared with the delivery thread, which may outlive the clock by the end of one action
    // when that action's owner destroys the clock.
    struct State {
        const std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
        Timed_Events Events;
        std::mutex Mutex; // with Wake: an action added, or the clock stopping
        std::condition_variable Wake;
        bool Stopping = false;

        std::uint64_t Now_Ms() const;
        void Deliver();
    };

    std::shared_ptr<State> state_;
    std::thread thread_;
    std::atomic<std::uint64_t> pauses_{0};
};

} // namespace platform::simulated
