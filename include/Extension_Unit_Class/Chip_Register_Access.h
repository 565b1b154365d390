#pragma once
// Register access of the chips over one extension unit. Each access is two request pairs: the
// register address (selector 2, or 4 for 16-bit access), then the data (selector 3, or 5).
// Addresses and 16-bit values travel low byte first. The data pair is sent even when the
// address pair failed, and the result is the bitwise OR of the two (so -1 from either is -1).
// A null value pointer is refused with Result_Refused before any request.
#include <cstdint>

#include "Extension_Unit_Class/ExtUnit.h"

int Read_Chip_Register(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address, std::uint8_t* value);
int Write_Chip_Register(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address, std::uint8_t value);
int Read_Chip_Register16(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address,
                         std::uint16_t* value);
int Write_Chip_Register16(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address,
                          std::uint16_t value);
