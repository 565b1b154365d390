#pragma once
// The constants that tell the chip families apart, one row per family. The chip protocol
// classes share one implementation and read their differences from their family's row.
#include <array>
#include <cstdint>
#include <span>

// Which of the camera device object's two extension-unit bindings a family talks through.
enum class Unit_Binding : std::uint8_t {
    First,  // xu1, paired on node 2
    Second, // xu2, paired on node 3
};

struct Register_Write {
    std::uint16_t Address;
    std::uint8_t Value;
};

// Restart sequences: the chip restarts on the last write.
inline constexpr std::array<Register_Write, 5> Reset_Sequence_A{{
    {0x2030, 0xFF},
    {0x2031, 0x00},
    {0x2032, 0x00},
    {0x2033, 0x02},
    {0x2034, 0x01},
}};
inline constexpr std::array<Register_Write, 1> Reset_Sequence_B{{
    {0x20D8, 0xA5},
}};

struct Chip_Family {
    const char* Name;
    Unit_Binding Binding;
    std::uint16_t Unit_Field; // the extension-unit id written into every request record
    std::span<const Register_Write> Reset_Sequence;
    // The 16-byte external ID lies at this piece and offset of the flash, where the family's
    // images carry it.
    std::uint16_t ExID_Piece;
    std::uint16_t ExID_Offset;
    // Customer pieces by index. The last entry is piece 0, the image header: it can be read
    // through this table but never rewritten.
    std::array<std::uint16_t, 4> Customer_Pieces;
    std::uint8_t Customer_Piece_Count; // entries in use, the closing 0 included
};

inline constexpr Chip_Family SPCA2620_Family{"SPCA2620", Unit_Binding::Second, 4, Reset_Sequence_A, 13,
                                             3584,       {15, 14, 0},          3};
inline constexpr Chip_Family SPCA2281_Family{"SPCA2281", Unit_Binding::First, 3, Reset_Sequence_A, 6,
                                             790,        {13, 12, 0},         3};
inline constexpr Chip_Family SPCA2085_Family{"SPCA2085", Unit_Binding::Second, 4, Reset_Sequence_A, 13,
                                             3584,       {15, 14, 0},          3};
inline constexpr Chip_Family SPCA2650_Family{"SPCA2650", Unit_Binding::Second, 4, Reset_Sequence_B, 47,
                                             0,          {46, 45, 44, 0},      4};

inline constexpr std::array<const Chip_Family*, 4> Chip_Families{&SPCA2620_Family, &SPCA2281_Family,
                                                                 &SPCA2085_Family, &SPCA2650_Family};
