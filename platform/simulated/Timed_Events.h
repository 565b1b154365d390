#pragma once
// Actions due at a time of a simulation's clock, such as a camera that left the bus coming
// back after its delay. The clock that keeps them runs each action once its time has reached
// the action's due time, on the thread that moved the time on (or its own thread, in real
// time). Thread-safe: actions are added and run from any thread.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace platform::simulated {

class Timed_Events {
public:
    void Add(std::uint64_t due_ms, std::function<void()> action);

    // Runs every action due at `now_ms` or before, earliest first (in the order they were added
    // at equal times), one at a time and outside the lock, so an action may add further ones;
    // those due by `now_ms` run in the same call. Each action runs once, on one thread.
    void Run_Due(std::uint64_t now_ms);

    std::optional<std::uint64_t> Next_Due() const;
    std::size_t Pending() const;

private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::function<void()>> actions_; // (due, order)
    std::uint64_t next_order_ = 0;
};

} // namespace platform::simulated
