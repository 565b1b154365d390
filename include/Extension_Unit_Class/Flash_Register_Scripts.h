#pragma once
// The status-register scripts: fixed runs of chip-register accesses that drive the chip's SPI
// master A (registers 0x2020-0x2025, byte by byte) or engine B (0x2C24-0x2C2C, one loaded
// command at a time) by hand. They read the flash's identification or status register and
// write its status register: 0x00 clears the block protection before a transfer, 0x0C sets
// it again; some also touch controller registers. Nothing read is used, and every access is
// followed by a fixed pause: the scripts never look at a busy bit. One row per operation and
// group of flash families; an operation with no row for the part's SF_Type sends nothing.
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "Extension_Unit_Class/Chip_Family.h"
#include "Extension_Unit_Class/Chip_Register_Script.h"
#include "Extension_Unit_Class/Flash_Command_Set.h"

inline constexpr std::uint32_t Flash_Register_Pause_Ms = 5;

namespace flash_scripts {

template <std::size_t... Sizes>
constexpr auto Join(const std::array<Register_Step, Sizes>&... parts) {
    std::array<Register_Step, (Sizes + ...)> steps{};
    std::size_t at = 0;
    ((std::copy(parts.begin(), parts.end(), steps.begin() + at), at += Sizes), ...);
    return steps;
}

// SPI master A transactions: 0x2020 = 0x80 starts, 0x2025 = 0x00 selects the flash and 0x02
// releases it, 0x2022 sends a byte, 0x2021 is read after every byte, 0x2023 / 0x2024 receive.
inline constexpr std::array<Register_Step, 8> A_Read_Status{
    Write_Step(0x2020, 0x80), Write_Step(0x2025, 0x00), Write_Step(0x2022, 0x05), Read_Step(0x2021),
    Read_Step(0x2023),        Read_Step(0x2021),        Read_Step(0x2024),        Write_Step(0x2025, 0x02)};
inline constexpr std::array<Register_Step, 5> A_Write_Enable{
    Write_Step(0x2020, 0x80), Write_Step(0x2025, 0x00), Write_Step(0x2022, 0x06), Read_Step(0x2021),
    Write_Step(0x2025, 0x02)};
inline constexpr std::array<Register_Step, 5> A_Enable_Status_Write{
    Write_Step(0x2020, 0x80), Write_Step(0x2025, 0x00), Write_Step(0x2022, 0x50), Read_Step(0x2021),
    Write_Step(0x2025, 0x02)};
constexpr std::array<Register_Step, 7> A_Write_Status(std::uint8_t value) {
    return {Write_Step(0x2020, 0x80),  Write_Step(0x2025, 0x00), Write_Step(0x2022, 0x01), Read_Step(0x2021),
            Write_Step(0x2022, value), Read_Step(0x2021),        Write_Step(0x2025, 0x02)};
}
inline constexpr std::array<Register_Step, 18> A_Read_Id{
    Write_Step(0x2020, 0x80), Write_Step(0x2022, 0x04), Read_Step(0x2021), Write_Step(0x2025, 0x00),
    Write_Step(0x2022, 0x9F), Read_Step(0x2023),        Read_Step(0x2021), Read_Step(0x2024),
    Read_Step(0x2021),        Read_Step(0x2023),        Read_Step(0x2021), Read_Step(0x2024),
    Read_Step(0x2021),        Read_Step(0x2023),        Read_Step(0x2021), Read_Step(0x2024),
    Read_Step(0x2021),        Write_Step(0x2025, 0x02)};

// SPI engine B commands: 0x2C25 = 0x10 loads, 0x2C24 queues bytes, 0x2C26 / 0x2C27 the data
// length, 0x2C2A 0 reads and 1 writes, 0x2C25 = 0x01 runs.
inline constexpr std::array<Register_Step, 10> B_Read_Id{
    Write_Step(0x2C25, 0x10), Write_Step(0x2C24, 0x9F), Write_Step(0x2C26, 0x03), Write_Step(0x2C27, 0x00),
    Write_Step(0x2C2A, 0x00), Write_Step(0x2C25, 0x01), Read_Step(0x2C25),        Read_Step(0x2C24),
    Read_Step(0x2C24),        Read_Step(0x2C24)};
inline constexpr std::array<Register_Step, 7> B_Write_Enable{
    Write_Step(0x2C25, 0x10), Write_Step(0x2C24, 0x06), Write_Step(0x2C26, 0x00), Write_Step(0x2C27, 0x00),
    Write_Step(0x2C2A, 0x00), Write_Step(0x2C25, 0x01), Read_Step(0x2C25)};
// Write status 0x00, then poll it with read status (0x05) until the busy bit clears.
inline constexpr std::array<Register_Step, 10> B_Write_Status{
    Write_Step(0x2C25, 0x10), Write_Step(0x2C24, 0x01), Write_Step(0x2C24, 0x00), Write_Step(0x2C24, 0x05),
    Write_Step(0x2C26, 0x01), Write_Step(0x2C27, 0x00), Write_Step(0x2C2B, 0x01), Write_Step(0x2C2C, 0x00),
    Write_Step(0x2C2A, 0x01), Write_Step(0x2C25, 0x01)};

inline constexpr auto Clear_Protection_A =
    Join(A_Read_Status, A_Write_Enable, A_Write_Status(0x00), A_Read_Status);
// Parts of the SST kind take a status write after an enable-status-write instead.
inline constexpr auto Clear_Protection_Sst =
    Join(A_Read_Status, A_Enable_Status_Write, A_Write_Status(0x00), A_Read_Status);
inline constexpr auto Protect_Sst =
    Join(A_Read_Status, A_Enable_Status_Write, A_Write_Status(0x0C), A_Read_Status);
inline constexpr auto Clear_Protection_B = Join(B_Read_Id, B_Write_Enable, B_Write_Status);
inline constexpr auto Read_Id_2281 =
    Join(std::array{Read_Step(0x20D0)}, A_Read_Id,
         std::array{Read_Step(0x0700), Read_Step(0x0701), Read_Step(0x0702), Read_Step(0x0703)});
inline constexpr auto Download_Sst_2650 =
    Join(std::array{Read_Step(0x20DA), Read_Step(0x20D9)}, Clear_Protection_Sst,
         std::array{Read_Step(0x041B), Read_Step(0x04D2), Write_Step(0x2091, 0x54), Read_Step(0x2051)});
inline constexpr std::array<Register_Step, 6> Controller_Preparation{
    Read_Step(0x20DA), Read_Step(0x20D9),        Read_Step(0x041B),
    Read_Step(0x04D2), Write_Step(0x2091, 0x54), Read_Step(0x2051)};

} // namespace flash_scripts

constexpr std::uint8_t SF_Types(std::initializer_list<std::uint8_t> types) {
    std::uint8_t mask = 0;
    for (std::uint8_t type : types)
        mask = static_cast<std::uint8_t>(mask | 1u << type);
    return mask;
}

struct Flash_Register_Script_Row {
    Flash_Register_Operation Operation;
    std::uint8_t SF_Type_Mask; // bit n set: the row serves parts of SF_Type n
    std::span<const Register_Step> Steps;
};

// No row serves EON, AMIC or undrivable parts. The SPCA2281's Read_Flash_Reg has no row for
// MX parts: its script for them programs zeros into the first bytes of the stored image.
inline constexpr std::array<Flash_Register_Script_Row, 11> Flash_Register_Scripts{{
    {Flash_Register_Operation::Write_Flash_Reg_2281, SF_Types({SF_PMC, SF_MX, SF_MX32}),
     flash_scripts::Clear_Protection_A},
    {Flash_Register_Operation::Write_Flash_Reg_2281, SF_Types({SF_SST}), flash_scripts::Clear_Protection_Sst},
    {Flash_Register_Operation::Read_Flash_Reg_2281, SF_Types({SF_PMC}), flash_scripts::Read_Id_2281},
    {Flash_Register_Operation::Read_Flash_Reg_2281, SF_Types({SF_SST}), flash_scripts::Protect_Sst},
    {Flash_Register_Operation::Write_Flash_Reg_2650, SF_Types({SF_PMC, SF_MX, SF_MX32}),
     flash_scripts::Clear_Protection_B},
    {Flash_Register_Operation::Write_Flash_Reg_2650, SF_Types({SF_SST}), flash_scripts::Clear_Protection_Sst},
    {Flash_Register_Operation::Read_Flash_Reg_2650, SF_Types({SF_PMC, SF_MX, SF_MX32}),
     flash_scripts::Clear_Protection_B},
    {Flash_Register_Operation::Read_Flash_Reg_2650, SF_Types({SF_SST}), flash_scripts::Protect_Sst},
    {Flash_Register_Operation::DownLoad_Flash_Reg_2650, SF_Types({SF_PMC, SF_MX, SF_MX32}),
     flash_scripts::Clear_Protection_B},
    {Flash_Register_Operation::DownLoad_Flash_Reg_2650, SF_Types({SF_SST}), flash_scripts::Download_Sst_2650},
    {Flash_Register_Operation::Prepare_Flash_Regs_2085, SF_Types({SF_PMC, SF_MX}),
     flash_scripts::Controller_Preparation},
}};

// The steps `operation` runs for a part of `sf_type`: empty when no row serves it.
std::span<const Register_Step> Flash_Register_Script(Flash_Register_Operation operation,
                                                     std::uint8_t sf_type);
// The operation's name in trace lines ("Write_Flash_Reg", ...).
const char* Flash_Register_Operation_Name(Flash_Register_Operation operation);
