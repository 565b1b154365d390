#include "platform/simulated/Spi_Master_A.h"

namespace platform::simulated {

namespace {

constexpr std::uint16_t Status = 0x2021;
constexpr std::uint16_t Send = 0x2022;
constexpr std::uint16_t Latch = 0x2023;
constexpr std::uint16_t Receive = 0x2024;
constexpr std::uint16_t Chip_Select = 0x2025;
constexpr std::uint8_t Release_Bit = 0x02;

constexpr std::uint8_t Ready = 0x00;

} // namespace

std::uint8_t Spi_Master_A::Read(Register_Bus& bus, std::uint16_t address) {
    switch (address) {
    case Status:
        return Ready;
    case Latch:
        return latch_;
    case Receive:
        latch_ = selected_ ? flash_.Exchange(0xFF) : 0xFF;
        return latch_;
    default:
        return bus.Peek(address);
    }
}

void Spi_Master_A::Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) {
    bus.Poke(address, value);
    if (address == Send && selected_) {
        flash_.Exchange(value);
    } else if (address == Chip_Select) {
        const bool select = (value & Release_Bit) == 0;
        if (select && !selected_)
            flash_.Select();
        if (!select && selected_) {
            // Released, the part starts the write it was given, and the host must wait for it.
            const std::uint64_t cycles = flash_.Part_Write_Cycles();
            flash_.Deselect();
            if (flash_.Part_Write_Cycles() != cycles)
                flash_.Busy_For(Status_Write_Busy_Ms);
        }
        selected_ = select;
    }
}

void Spi_Master_A::Power_On() {
    selected_ = false;
    latch_ = 0;
}

} // namespace platform::simulated
