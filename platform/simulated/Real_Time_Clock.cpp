#include "platform/simulated/Real_Time_Clock.h"

namespace platform::simulated {

Real_Time_Clock::Real_Time_Clock()
    : state_(std::make_shared<State>()), thread_([state = state_] { state->Deliver(); }) {}

Real_Time_Clock::~Real_Time_Clock() {
    {
        const std::lock_guard lock(state_->Mutex);
        state_->Stopping = true;
    }
    state_->Wake.notify_all();
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach(); // an action dropped the clock's owner; the thread ends after it
    else
        thread_.join();
}

void Real_Time_Clock::Sleep(std::uint32_t milliseconds) {
    ++pauses_;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void Real_Time_Clock::After(std::uint64_t delay_ms, std::function<void()> action) {
    {
        // Added under the delivery lock, so the thread cannot miss it between looking and waiting.
        const std::lock_guard lock(state_->Mutex);
        state_->Events.Add(state_->Now_Ms() + delay_ms, std::move(action));
    }
    state_->Wake.notify_all();
}

std::uint64_t Real_Time_Clock::State::Now_Ms() const {
    const auto elapsed = std::chrono::steady_clock::now() - Start;
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void Real_Time_Clock::State::Deliver() {
    std::unique_lock lock(Mutex);
    while (!Stopping) {
        const auto due = Events.Next_Due();
        if (!due) {
            Wake.wait(lock);
        } else if (*due > Now_Ms()) {
            Wake.wait_until(lock, Start + std::chrono::milliseconds(*due));
        } else {
            lock.unlock();
            Events.Run_Due(Now_Ms());
            lock.lock();
        }
    }
}

} // namespace platform::simulated
