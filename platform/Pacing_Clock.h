#pragma once
// The pacing seam: every fixed pause between camera accesses (5 ms after an SPI-master
// register access, 10 ms after a flash chunk, a second while a camera restarts) goes through
// platform::Sleep, which asks the current backend's clock. Production sleeps for real; tests
// install a virtual clock that returns at once and records the pause.
#include <cstdint>

namespace platform {

class Pacing_Clock {
public:
    virtual ~Pacing_Clock() = default;

    // Pauses the calling thread for `milliseconds` (0 included: a real clock yields). A virtual
    // clock returns at once and only advances its time. May be called from any thread, also
    // concurrently; the pauses of different threads are independent.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

// The clock that sleeps the calling thread for real; the default of every backend.
Pacing_Clock& Real_Clock();

// One pause through the clock of the backend current at the call.
void Sleep(std::uint32_t milliseconds);

} // namespace platform
