#pragma once
// The chip's 16-bit register address space as the extension-unit register selectors reach it.
// By default every register is a plain byte of memory. Behaviour is attached to address
// ranges: an attached range's reads and writes go to its behaviour instead (an SPI master that
// sends a byte when its data register is written, a register whose write restarts the chip).
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::simulated {

class Register_Bus;

struct Register_Value {
    std::uint16_t Address;
    std::uint8_t Value;
};

// What a range of registers does. The defaults behave as plain memory, so a behaviour
// overrides only what it changes.
class Register_Behaviour {
public:
    virtual ~Register_Behaviour() = default;
    // A chip read of `address`; the result is the value the host receives.
    virtual std::uint8_t Read(Register_Bus& bus, std::uint16_t address);
    // A chip write of `value` to `address`.
    virtual void Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value);
    // The chip powers on (first start or restart): forget any state of an earlier run.
    virtual void Power_On() {}
};

class Register_Bus {
public:
    Register_Bus();

    // Accesses as the chip carries them out: through an attached behaviour where there is one.
    std::uint8_t Read(std::uint16_t address);
    void Write(std::uint16_t address, std::uint8_t value);

    // The memory byte itself, never through a behaviour: for set-up, inspection by tests and
    // behaviours that keep their state in memory.
    std::uint8_t Peek(std::uint16_t address) const { return memory_[address]; }
    void Poke(std::uint16_t address, std::uint8_t value) { memory_[address] = value; }

    // Routes addresses first..last (inclusive) to `behaviour`. Where ranges overlap, the one
    // attached first serves.
    void Attach(std::uint16_t first, std::uint16_t last, std::shared_ptr<Register_Behaviour> behaviour);

    // The values the registers hold after power-on (all others are 0).
    void Set_Power_On_Values(std::vector<Register_Value> values);
    // Powers the chip on: memory back to the power-on values, every behaviour told.
    void Power_On();

private:
    struct Attachment {
        std::uint16_t First;
        std::uint16_t Last;
        std::shared_ptr<Register_Behaviour> Behaviour;
    };

    Register_Behaviour* Behaviour_At(std::uint16_t address) const;

    std::array<std::uint8_t, 0x10000> memory_{};
    std::vector<Attachment> attachments_;
    std::vector<Register_Value> power_on_values_;
};

} // namespace platform::simulated
