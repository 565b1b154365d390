#include "platform/simulated/Timed_Events.h"

namespace platform::simulated {

void Timed_Events::Add(std::uint64_t due_ms, std::function<void()> action) {
    const std::lock_guard lock(mutex_);
    actions_.emplace(std::pair(due_ms, next_order_++), std::move(action));
}

void Timed_Events::Run_Due(std::uint64_t now_ms) {
    for (;;) {
        std::function<void()> action;
        {
            const std::lock_guard lock(mutex_);
            const auto first = actions_.begin();
            if (first == actions_.end() || first->first.first > now_ms)
                return;
            action = std::move(first->second);
            actions_.erase(first);
        }
        action();
    }
}

std::optional<std::uint64_t> Timed_Events::Next_Due() const {
    const std::lock_guard lock(mutex_);
    if (actions_.empty())
        return std::nullopt;
    return actions_.begin()->first.first;
}

std::size_t Timed_Events::Pending() const {
    const std::lock_guard lock(mutex_);
    return actions_.size();
}

} // namespace platform::simulated
