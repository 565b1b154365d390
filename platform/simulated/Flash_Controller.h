#pragma once
// The chip's side of its SPI flash: the opcode slots the host loads (the chip's flash
// transfers use the opcodes in them), the program-mode byte the host sends before asking for
// the transfer length, and the SPI bus with the flash part on it, or none. The mechanisms that
// reach the part (the identification selector, SPI master A, SPI engine B, and the flash
// transfer selectors) all go through this one bus.
#include <array>
#include <cstdint>
#include <memory>

#include "platform/simulated/Simulated_Flash_Part.h"

namespace platform::simulated {

// Slots 1 to 12 hold the command set (read, fast read, read status, write enable, write
// disable, sector erase, block erase, chip erase, program, auto-address-increment program,
// enable write status, write status); slot 13 the identification opcode.
inline constexpr std::uint8_t First_Opcode_Slot = 1;
inline constexpr std::uint8_t Last_Opcode_Slot = 13;
inline constexpr std::uint8_t Identification_Slot = 13;

class Flash_Controller {
public:
    // The flash part on the bus (null: none; every byte then reads 0xFF).
    void Attach_Part(std::shared_ptr<Simulated_Flash_Part> part) { part_ = std::move(part); }
    Simulated_Flash_Part* Part() const { return part_.get(); }
    const std::shared_ptr<Simulated_Flash_Part>& Shared_Part() const { return part_; }

    // Opcode slots, as the host loaded them (0 until loaded).
    std::uint8_t Opcode(std::uint8_t slot) const;
    void Set_Opcode(std::uint8_t slot, std::uint8_t opcode);
    // The slot the next opcode goes to (0: none chosen since power-on).
    std::uint8_t Chosen_Slot() const { return chosen_slot_; }
    void Choose_Slot(std::uint8_t slot) { chosen_slot_ = slot; }

    std::uint8_t Program_Mode() const { return program_mode_; }
    void Set_Program_Mode(std::uint8_t mode) { program_mode_ = mode; }

    // The SPI bus.
    void Select();
    void Deselect();
    std::uint8_t Exchange(std::uint8_t out);
    // One whole transaction: select, send `command`, clock `answer.size()` bytes in, release.
    template <std::size_t Sent, std::size_t Received>
    void Transact(const std::array<std::uint8_t, Sent>& command, std::array<std::uint8_t, Received>& answer) {
        Select();
        for (std::uint8_t byte : command)
            Exchange(byte);
        for (std::uint8_t& byte : answer)
            byte = Exchange(0xFF);
        Deselect();
    }

    // The chip powers on: slots, chosen slot and mode cleared, the part's volatile state gone.
    void Power_On();

private:
    std::array<std::uint8_t, Last_Opcode_Slot + 1> opcodes_{};
    std::uint8_t chosen_slot_ = 0;
    std::uint8_t program_mode_ = 0;
    std::shared_ptr<Simulated_Flash_Part> part_;
};

} // namespace platform::simulated
