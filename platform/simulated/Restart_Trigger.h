#pragma once
// Registers whose write restarts the chip: the chip leaves the bus, powers on again and comes
// back. The camera library restarts a chip with one of two write sequences; their last write
// is the trigger. Some chips also leave the bus on a write of their own (a switch into another
// boot mode) and come back reading other identity values.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/simulated/Register_Bus.h"

namespace platform::simulated {

struct Restart_Trigger {
    std::uint16_t Address;
    std::uint8_t Value;
};

// Sequence A writes 0x2030 = 0xFF, 0x2031 = 0, 0x2032 = 0, 0x2033 = 0x02 and then this.
inline constexpr Restart_Trigger Restart_By_Sequence_A{0x2034, 0x01};
// Sequence B is this one write.
inline constexpr Restart_Trigger Restart_By_Sequence_B{0x20D8, 0xA5};

// How a camera that leaves the host comes back: after a delay on the backend's clock, as a new
// device (a new capture path) on the port it left, its chip powered on with these registers.
struct Reconnection {
    std::optional<std::uint64_t> Back_After_Ms; // none: it never comes back
    // Power-on values once back, over the model's own (the restart that follows reads the model's
    // own again).
    std::vector<Register_Value> Registers = {};
};

// A register write that takes the camera off the host and brings it back as said.
struct Leave_Write {
    Restart_Trigger Write;
    Reconnection Then;
};

// One trigger register: a plain byte of memory that calls `triggered` with the value when one of
// its trigger values is written.
class Restart_Register final : public Register_Behaviour {
public:
    Restart_Register(std::vector<std::uint8_t> values, std::function<void(std::uint8_t value)> triggered)
        : values_(std::move(values)), triggered_(std::move(triggered)) {}

    void Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) override;

private:
    std::vector<std::uint8_t> values_;
    std::function<void(std::uint8_t value)> triggered_;
};

} // namespace platform::simulated
