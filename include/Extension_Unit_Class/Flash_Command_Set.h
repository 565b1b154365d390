#pragma once
// The SPI opcodes a chip's flash controller is loaded with for one family of flash parts,
// with the family's program-mode byte, and the six families' records. Copied by value.
#include <array>
#include <cstddef>
#include <cstdint>

// Flash part families (SF_Type values).
inline constexpr std::uint8_t SF_PMC = 0;
inline constexpr std::uint8_t SF_SST = 1;
inline constexpr std::uint8_t SF_MX = 2; // also what an unrecognised part is driven as
inline constexpr std::uint8_t SF_EON = 3;
inline constexpr std::uint8_t SF_AMIC = 4;
inline constexpr std::uint8_t SF_MX32 = 5;   // MX parts of models 62 to 65
inline constexpr std::uint8_t SF_UNKNOW = 6; // a part that cannot be driven: it has no record

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

// Where the chip-erase opcode sits: the download set never carries it.
inline constexpr std::size_t Chip_Erase_Opcode = 7;

namespace flash_detail {
// The opcodes of the parts that follow the common command set; 0xFF marks a command the
// family does not have.
inline constexpr std::array<std::uint8_t, 12> Common_Opcodes{0x03, 0x0B, 0x05, 0x06, 0x04, 0x20,
                                                             0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01};
} // namespace flash_detail

// One record per family, indexed by SF_Type (SF_UNKNOW has none).
inline constexpr std::array<Flash_Command_Set, 6> Flash_Command_Sets{{
    {{0x03, 0x0B, 0x05, 0x06, 0x04, 0xD7, 0xD8, 0xC7, 0x02, 0xFF, 0xFF, 0x01}, 0, SF_PMC},
    {{0x03, 0xFF, 0x05, 0x06, 0x04, 0x20, 0x52, 0x60, 0x02, 0xAF, 0x50, 0x01}, 1, SF_SST},
    {flash_detail::Common_Opcodes, 0, SF_MX},
    {flash_detail::Common_Opcodes, 0, SF_EON},
    {flash_detail::Common_Opcodes, 0, SF_AMIC},
    {flash_detail::Common_Opcodes, 2, SF_MX32},
}};
