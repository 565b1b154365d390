#pragma once
// The chip's side of its SPI flash: the opcode slots the host loads (the chip's flash
// transfers use the opcodes in them), the program-mode byte the host sends before asking for
// the transfer length, and the SPI bus with the flash part on it, or none. The mechanisms that
// reach the part (the identification selector, SPI master A, SPI engine B, and the flash
// transfer selectors) all go through this one bus.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "platform/simulated/Simulated_Flash_Part.h"

namespace platform::simulated {

// Slots 1 to 12 hold the command set (read, fast read, read status, write enable, write
// disable, sector erase, block erase, chip erase, program, auto-address-increment program,
// enable write status, write status); slot 13 the identification opcode.
inline constexpr std::uint8_t First_Opcode_Slot = 1;
inline constexpr std::uint8_t Last_Opcode_Slot = 13;
inline constexpr std::uint8_t Identification_Slot = 13;
// The slots the chip's own transfers use.
inline constexpr std::uint8_t Read_Slot = 1;
inline constexpr std::uint8_t Write_Enable_Slot = 4;
inline constexpr std::uint8_t Sector_Erase_Slot = 6;
inline constexpr std::uint8_t Program_Slot = 9;

// How long the chip works on after a request before it takes the next one, in the camera's
// time: the pauses the host keeps after a chunk it writes and after each access of a register
// script that writes the part's status.
inline constexpr std::uint32_t Chunk_Program_Busy_Ms = 10;
inline constexpr std::uint32_t Status_Write_Busy_Ms = 5;

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

    // The flash address the next data transfer starts at, as the host set it.
    std::uint32_t Transfer_Address() const { return transfer_address_; }
    void Set_Transfer_Address(std::uint32_t address) { transfer_address_ = address; }

    // The chip's own flash transfers, each made of SPI transactions with the opcodes the host
    // loaded into the slots (a slot never loaded sends opcode 0, which no part knows, so the
    // transfer does nothing and reads the floating bus). The program mode is not looked at:
    // every part here takes page programs.
    // Write enable, then the sector-erase opcode with the 24-bit address.
    void Erase_Sector(std::uint32_t address);
    // Per 256-byte page: write enable, then the program opcode, the address and the page's bytes.
    void Program(std::uint32_t address, std::span<const std::uint8_t> data);
    // The read opcode with the address, then every byte clocked in.
    void Read(std::uint32_t address, std::span<std::uint8_t> data);

    // The SPI bus.
    void Select();
    void Deselect();
    std::uint8_t Exchange(std::uint8_t out);
    // Exchange byte by byte, in one call: `out` sent, or `in` clocked in (0xFF without a part).
    void Send(std::span<const std::uint8_t> out);
    void Receive(std::span<std::uint8_t> in);
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

    // Completed write cycles of the part (0 without one): status writes, erases and programs
    // that changed it.
    std::uint64_t Part_Write_Cycles() const;

    // The chip is still working: until `milliseconds` of the camera's time have passed it
    // takes no request (Simulated_Camera ignores them). Without a time source it is never busy.
    void Busy_For(std::uint32_t milliseconds);
    bool Busy() const;
    // Where the camera's time comes from (the virtual clock's log), in milliseconds.
    void Set_Time_Source(std::function<std::uint64_t()> now) { now_ = std::move(now); }

    // The chip powers on: slots, chosen slot, mode and transfer address cleared, the part's
    // volatile state gone, no work left.
    void Power_On();

private:
    // Selects the part and sends `opcode` with the 24-bit `address`, most significant first.
    void Open(std::uint8_t opcode, std::uint32_t address);
    void Write_Enable();

    std::array<std::uint8_t, Last_Opcode_Slot + 1> opcodes_{};
    std::uint8_t chosen_slot_ = 0;
    std::uint8_t program_mode_ = 0;
    std::uint32_t transfer_address_ = 0;
    std::shared_ptr<Simulated_Flash_Part> part_;
    std::function<std::uint64_t()> now_;
    std::uint64_t busy_until_ = 0;
};

} // namespace platform::simulated
