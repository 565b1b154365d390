#pragma once
// The SPI opcodes a chip's flash controller is loaded with for one family of flash parts,
// with the family's program-mode byte. Copied by value.
#include <array>
#include <cstdint>

struct Flash_Command_Set {
    // Opcode slot n (1 to 12, as sent on the slot selector) is Opcode[n - 1]: read, fast read,
    // read status, write enable, write disable, sector erase, block erase, chip erase, program,
    // auto-address-increment program, enable write status, write status.
    std::array<std::uint8_t, 12> Opcode{};
    std::uint8_t Program_Mode = 0;
    std::uint8_t Family = 0;

    friend constexpr bool operator==(const Flash_Command_Set&, const Flash_Command_Set&) = default;
};
static_assert(sizeof(Flash_Command_Set) == 14);
