#pragma once
// The chip's flash selectors on its extension unit, over its Flash_Controller:
//   7   one byte: the opcode slot (1 to 13) the next opcode on selector 8 goes to
//   8   one byte: the opcode for that slot
//   23  three bytes (get only): the chip runs slot 13's opcode on the flash and answers the
//       three bytes the part sends after it (the identification of chips that have it)
//   the program-mode selector (16, or 13 on some chips): one byte, the mode of the transfers
//   13  four bytes (set only): erase the 4 KB sector at this flash address, little-endian; on
//       chips whose program-mode selector is 13, a one-byte set is the mode instead
//   14  four bytes: the flash address the next data transfer starts at, little-endian
//   15  the flash data: its length query answers the chip's transfer length, and a get or set
//       of that many bytes (or of its low 16 bits, what a host reads of a longer answer) reads
//       or programs them from the transfer address; after a set the chip is busy programming
//       for Chunk_Program_Busy_Ms
// A slot outside 1 to 13, or an opcode before any slot was chosen, is stalled as a device
// stalls a request it cannot take.
#include <cstdint>

#include "platform/simulated/Flash_Controller.h"
#include "platform/simulated/Simulated_Unit.h"

namespace platform::simulated {

inline constexpr std::uint32_t Opcode_Slot_Selector = 7;
inline constexpr std::uint32_t Opcode_Selector = 8;
inline constexpr std::uint32_t Flash_Id_Selector = 23;
inline constexpr std::uint32_t Flash_Data_Selector = 15;
inline constexpr std::uint32_t Erase_Selector = 13;
inline constexpr std::uint32_t Transfer_Address_Selector = 14;

// Selectors 7 and 8. `flash` must outlive the unit.
void Add_Opcode_Slot_Selectors(Simulated_Unit& unit, Flash_Controller& flash);
// Selector 23.
void Add_Flash_Id_Selector(Simulated_Unit& unit, Flash_Controller& flash);
// The one-byte program-mode selector at `selector`.
void Add_Program_Mode_Selector(Simulated_Unit& unit, std::uint32_t selector, Flash_Controller& flash);
// Selectors 13, 14 and 15, the data selector answering `chunk_length` to its length query and
// taking transfers of that length or its low 16 bits only (0 or a length past a chip's buffer:
// none). With
// `mode_on_erase_selector` selector 13 also takes the one-byte program mode; added after the
// program-mode selector, it replaces it.
void Add_Flash_Transfer_Selectors(Simulated_Unit& unit, Flash_Controller& flash, std::uint32_t chunk_length,
                                  bool mode_on_erase_selector);

} // namespace platform::simulated
