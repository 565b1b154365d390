#include "platform/simulated/Spi_Engine_B.h"

#include <algorithm>
#include <array>

namespace platform::simulated {

namespace {

constexpr std::uint16_t Data = 0x2C24;
constexpr std::uint16_t Command = 0x2C25;
constexpr std::uint16_t Length_Low = 0x2C26;
constexpr std::uint16_t Length_High = 0x2C27;
constexpr std::uint16_t Mode = 0x2C2A;
constexpr std::uint16_t Poll_Mask = 0x2C2B;
constexpr std::uint16_t Poll_Value = 0x2C2C;

constexpr std::uint8_t Load = 0x10;
constexpr std::uint8_t Start = 0x01;
constexpr std::uint8_t Write_Command = 0x01;
constexpr std::uint8_t Done = 0x00;

// A queue the host fills without bound would grow without bound: a command is a few bytes.
constexpr std::size_t Queue_Limit = 64;
// Work is instant, so one poll sees the part ready; a part stuck busy is given up on.
constexpr int Poll_Limit = 16;

} // namespace

std::uint8_t Spi_Engine_B::Read(Register_Bus& bus, std::uint16_t address) {
    if (address == Command)
        return Done;
    if (address == Data) {
        if (received_.empty())
            return 0xFF;
        const std::uint8_t byte = received_.front();
        received_.pop_front();
        return byte;
    }
    return bus.Peek(address);
}

void Spi_Engine_B::Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) {
    bus.Poke(address, value);
    if (address == Data) {
        if (to_send_.size() < Queue_Limit)
            to_send_.push_back(value);
    } else if (address == Command && value == Load) {
        to_send_.clear();
        received_.clear();
    } else if (address == Command && value == Start) {
        Run(bus);
    }
}

void Spi_Engine_B::Run(Register_Bus& bus) {
    const std::size_t length = bus.Peek(Length_Low) | static_cast<std::size_t>(bus.Peek(Length_High)) << 8;
    received_.clear();
    if (bus.Peek(Mode) != Write_Command) {
        flash_.Select();
        for (std::uint8_t byte : to_send_)
            flash_.Exchange(byte);
        for (std::size_t i = 0; i < length && i < Queue_Limit; ++i)
            received_.push_back(flash_.Exchange(0xFF));
        flash_.Deselect();
        return;
    }
    const std::size_t sent = std::min(to_send_.size(), length + 1);
    const std::uint64_t cycles = flash_.Part_Write_Cycles();
    flash_.Select();
    for (std::size_t i = 0; i < sent; ++i)
        flash_.Exchange(to_send_[i]);
    flash_.Deselect();
    // The engine polls the part's write to its end before it takes the next request.
    if (flash_.Part_Write_Cycles() != cycles)
        flash_.Busy_For(Status_Write_Busy_Ms);
    if (sent >= to_send_.size())
        return; // no read-status opcode queued: nothing to poll
    const std::uint8_t read_status = to_send_[sent];
    for (int poll = 0; poll < Poll_Limit; ++poll) {
        std::array<std::uint8_t, 1> status{};
        flash_.Transact(std::array<std::uint8_t, 1>{read_status}, status);
        if ((status[0] & bus.Peek(Poll_Mask)) == bus.Peek(Poll_Value))
            break;
    }
}

void Spi_Engine_B::Power_On() {
    to_send_.clear();
    received_.clear();
}

} // namespace platform::simulated
