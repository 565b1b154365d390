#pragma once
// The chip's register access over its extension unit: one selector takes the register address,
// the next moves the register's data. 8-bit access: address on selector 2, one data byte on
// selector 3. 16-bit access: address on selector 4, two data bytes on selector 5 (the bytes
// of `address` and `address + 1`, low byte first). Addresses and values travel low byte first.
#include <array>
#include <cstdint>

#include "platform/simulated/Register_Bus.h"
#include "platform/simulated/Simulated_Unit.h"

namespace platform::simulated {

enum class Register_Role : std::uint8_t { Address_8, Data_8, Address_16, Data_16 };

struct Register_Selector_Row {
    std::uint32_t Selector;
    Register_Role Role;
    std::uint32_t Width; // the control's length: what its length query answers
};

inline constexpr std::array<Register_Selector_Row, 4> Register_Selector_Rows{{
    {2, Register_Role::Address_8, 2},
    {3, Register_Role::Data_8, 1},
    {4, Register_Role::Address_16, 2},
    {5, Register_Role::Data_16, 2},
}};

// Adds the four register selectors to `unit`, reaching `bus` (which must outlive the unit).
void Add_Register_Selectors(Simulated_Unit& unit, Register_Bus& bus);

} // namespace platform::simulated
