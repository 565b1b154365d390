#pragma once
// From a flash part's identification bytes to its model number, and from the model to the
// command set that drives it. Each step is a table, one row per entry, walked in order.
#include <array>
#include <cstdint>

#include "Extension_Unit_Class/Chip_Family.h"
#include "Extension_Unit_Class/Flash_Command_Set.h"

// The identification bytes as a family's way reads them. Opcode-slot chips answer three
// words, the answers to 0x9F, 0x90 and 0xAB, three bytes each, first received byte lowest.
// The SPI master and engine reads fill six bytes. What no read fills stays 0.
struct Flash_Id_Bytes {
    std::array<std::uint32_t, 3> Words{};
    std::array<std::uint8_t, 6> Id{};
};

// The three identification opcodes, in the order of the words.
inline constexpr std::array<std::uint8_t, 3> Flash_Id_Opcodes{0x9F, 0x90, 0xAB};

struct Id_Word_Row {
    std::uint8_t Word; // which answer
    std::array<std::uint8_t, 3> Bytes;
    std::uint32_t Model;
};

// Whole words compared; the first row that matches gives the model, none gives 0.
inline constexpr std::array<Id_Word_Row, 13> Id_Word_Rows{{
    {0, {0x1F, 0x84, 0x01}, 71},
    {0, {0xC2, 0x20, 0x10}, 1},
    {0, {0x9D, 0x40, 0x10}, 9},
    {0, {0xC8, 0x40, 0x10}, 16},
    {0, {0xA1, 0x31, 0x11}, 4},
    {0, {0x1C, 0x30, 0x13}, 76},
    {0, {0x9D, 0x40, 0x13}, 17},
    {0, {0xA1, 0x40, 0x13}, 45},
    {0, {0xC8, 0x40, 0x13}, 38},
    {0, {0x7F, 0x9D, 0x20}, 67},
    {1, {0xBF, 0x48, 0xBF}, 66},
    {1, {0xEF, 0x12, 0xEF}, 48},
    {2, {0x9D, 0x7B, 0x7F}, 69},
}};

inline constexpr std::int16_t Any_Byte = -1;

// The places compared (Any_Byte: not compared) and the model. The first row that holds gives
// the model, none gives 0. A row of model 0 ends the search: its part is known to be unusable
// in that form. Rows that compare id[0..2] as one run read them as the engine gives them
// (manufacturer, type, capacity); rows on id[1] and id[5] read the places the master fills.
struct Jedec_Id_Row {
    std::array<std::int16_t, 6> Id;
    std::uint32_t Model;
};

inline constexpr std::array<Jedec_Id_Row, 16> Jedec_Id_Rows{{
    {{0xA1, 0x40, 0x13, Any_Byte, Any_Byte, Any_Byte}, 45},
    {{0xEF, 0x30, 0x13, Any_Byte, Any_Byte, Any_Byte}, 48},
    {{Any_Byte, 0x1C, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 76},
    {{0x10, 0xC8, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 2},
    {{0x13, 0xC8, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 38},
    {{Any_Byte, 0xC8, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 0},
    {{Any_Byte, 0xC2, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 1},
    {{Any_Byte, 0x7F, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 67},
    {{Any_Byte, 0xA1, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 4},
    {{Any_Byte, 0x9D, Any_Byte, Any_Byte, Any_Byte, 0x10}, 18},
    {{Any_Byte, 0x9D, Any_Byte, Any_Byte, Any_Byte, 0x13}, 17},
    {{Any_Byte, 0xEF, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 48},
    {{0xE0, 0x40, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 37},
    {{0x1C, 0x30, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 76},
    {{0xC8, 0x40, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 38},
    {{0x1C, 0x31, Any_Byte, Any_Byte, Any_Byte, Any_Byte}, 75},
}};

// The command set of a model range, ranges tested in order; a model in none is driven as
// SF_MX (unrecognised parts included). SF_EON rows become SF_MX on chips whose controller
// drives EON parts with the MX set.
struct Flash_Model_Range {
    std::uint32_t First;
    std::uint32_t Last;
    std::uint8_t Family;
};

inline constexpr std::array<Flash_Model_Range, 7> Flash_Model_Ranges{{
    {1, 61, SF_MX},
    {62, 65, SF_MX32},
    {66, 66, SF_SST},
    {67, 69, SF_PMC},
    {70, 71, SF_UNKNOW},
    {72, 76, SF_EON},
    {77, 77, SF_AMIC},
}};

std::uint32_t Flash_Model_From_Id_Words(const std::array<std::uint32_t, 3>& words);
std::uint32_t Flash_Model_From_Jedec_Id(const std::array<std::uint8_t, 6>& id);
// The identification function of `family`'s way over `bytes`.
std::uint32_t Flash_Model_Of(const Chip_Family& family, const Flash_Id_Bytes& bytes);

// The SF_Type `model` gets on `family`'s chips, and its record into *set (not written for
// SF_UNKNOW, nor when `set` is null).
std::uint8_t Command_Set_For_Model(const Chip_Family& family, std::uint32_t model, Flash_Command_Set* set);
// Both steps: the family's identification function, then the model ranges.
std::uint8_t Get_Flash_Command_Set(const Chip_Family& family, const Flash_Id_Bytes& bytes,
                                   Flash_Command_Set* set);

// "SF_PMC", "SF_SST", "SF_MX", "SF_EON", "SF_AMIC", "SF_MX32"; "SF_UNKNOW" for anything else.
const char* Put_Serial_Flash_Type_Name(int sf_type);
