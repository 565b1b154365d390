#pragma once
// The chip's flash selectors on its extension unit, over its Flash_Controller:
//   7   one byte: the opcode slot (1 to 13) the next opcode on selector 8 goes to
//   8   one byte: the opcode for that slot
//   23  three bytes (get only): the chip runs slot 13's opcode on the flash and answers the
//       three bytes the part sends after it (the identification of chips that have it)
//   the program-mode selector (16, or 13 on some chips): one byte, the mode of the transfers
//   15  the flash data selector; its length query answers the chip's transfer length
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

// Selectors 7 and 8. `flash` must outlive the unit.
void Add_Opcode_Slot_Selectors(Simulated_Unit& unit, Flash_Controller& flash);
// Selector 23.
void Add_Flash_Id_Selector(Simulated_Unit& unit, Flash_Controller& flash);
// The one-byte program-mode selector at `selector`.
void Add_Program_Mode_Selector(Simulated_Unit& unit, std::uint32_t selector, Flash_Controller& flash);
// Selector 15 as far as the transfer length goes: its length query answers `chunk_length`;
// data transfers are stalled until a flash data mechanism replaces it.
void Add_Chunk_Length_Selector(Simulated_Unit& unit, std::uint32_t chunk_length);

} // namespace platform::simulated
