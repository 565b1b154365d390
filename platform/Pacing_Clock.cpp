#include "platform/Pacing_Clock.h"

#include <chrono>
#include <thread>

#include "platform/Backend.h"

namespace platform {

namespace {

class Thread_Clock final : public Pacing_Clock {
public:
    void Sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

} // namespace

Pacing_Clock& Real_Clock() {
    static Thread_Clock clock;
    return clock;
}

void Sleep(std::uint32_t milliseconds) {
    // The shared pointer keeps the backend alive for the whole pause, even when another
    // thread installs a new one meanwhile.
    const auto backend = Current_Backend();
    backend->Clock().Sleep(milliseconds);
}

} // namespace platform
