#pragma once
// Registers whose write restarts the chip: the chip leaves the bus, powers on again and comes
// back. The camera library restarts a chip with one of two write sequences; their last write
// is the trigger.
#include <cstdint>
#include <functional>
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

// One trigger register: a plain byte of memory that calls `restart` when one of its trigger
// values is written.
class Restart_Register final : public Register_Behaviour {
public:
    Restart_Register(std::vector<std::uint8_t> values, std::function<void()> restart)
        : values_(std::move(values)), restart_(std::move(restart)) {}

    void Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) override;

private:
    std::vector<std::uint8_t> values_;
    std::function<void()> restart_;
};

} // namespace platform::simulated
