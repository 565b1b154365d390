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

// How a family's chip reads its flash part's identification bytes.
enum class Flash_Id_Way : std::uint8_t {
    Opcode_Slot,  // the chip runs opcode slot 13 and answers on selector 23: three 24-bit words
    Spi_Master_A, // the host clocks the part through registers 0x2020-0x2025, six bytes, twice
    Spi_Engine_B, // the host runs one command on registers 0x2C24-0x2C2A, three bytes
};

// What a family does differently in flash identification and in the transfer-length query.
struct Chip_Flash_Traits {
    Flash_Id_Way Id_Way;
    // Flash models 72 to 76 (EON parts) are driven with the MX command set instead of the EON set.
    bool Eon_Parts_As_Mx;
    // A PMC part's downloads use the MX command set (the chip's controller cannot take PMC's).
    bool Pmc_Downloads_With_Mx;
    // Get_Flash_Type prints the six identification bytes to the console.
    bool Prints_Id_Bytes;
    // Register 0x2501 is cleared before the transfer-length query.
    bool Clears_2501_First;
    std::uint16_t Mode_Selector; // where the program-mode byte goes
    std::uint16_t Length_Preset; // the transfer length when the chip does not answer the query
    bool Length_Always_4096;     // the family transfers 4096-byte pieces whatever the chip says
};

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
    Chip_Flash_Traits Flash;
};

inline constexpr Chip_Family SPCA2620_Family{
    .Name = "SPCA2620",
    .Binding = Unit_Binding::Second,
    .Unit_Field = 4,
    .Reset_Sequence = Reset_Sequence_A,
    .ExID_Piece = 13,
    .ExID_Offset = 3584,
    .Customer_Pieces = {15, 14, 0},
    .Customer_Piece_Count = 3,
    .Flash = {.Id_Way = Flash_Id_Way::Opcode_Slot,
              .Eon_Parts_As_Mx = false,
              .Pmc_Downloads_With_Mx = false,
              .Prints_Id_Bytes = false,
              .Clears_2501_First = false,
              .Mode_Selector = 16,
              .Length_Preset = 1024,
              .Length_Always_4096 = false},
};
inline constexpr Chip_Family SPCA2281_Family{
    .Name = "SPCA2281",
    .Binding = Unit_Binding::First,
    .Unit_Field = 3,
    .Reset_Sequence = Reset_Sequence_A,
    .ExID_Piece = 6,
    .ExID_Offset = 790,
    .Customer_Pieces = {13, 12, 0},
    .Customer_Piece_Count = 3,
    .Flash = {.Id_Way = Flash_Id_Way::Spi_Master_A,
              .Eon_Parts_As_Mx = true,
              .Pmc_Downloads_With_Mx = true,
              .Prints_Id_Bytes = true,
              .Clears_2501_First = false,
              .Mode_Selector = 16,
              .Length_Preset = 4096,
              .Length_Always_4096 = false},
};
inline constexpr Chip_Family SPCA2085_Family{
    .Name = "SPCA2085",
    .Binding = Unit_Binding::Second,
    .Unit_Field = 4,
    .Reset_Sequence = Reset_Sequence_A,
    .ExID_Piece = 13,
    .ExID_Offset = 3584,
    .Customer_Pieces = {15, 14, 0},
    .Customer_Piece_Count = 3,
    .Flash = {.Id_Way = Flash_Id_Way::Opcode_Slot,
              .Eon_Parts_As_Mx = false,
              .Pmc_Downloads_With_Mx = false,
              .Prints_Id_Bytes = false,
              .Clears_2501_First = true,
              .Mode_Selector = 16,
              .Length_Preset = 1024,
              .Length_Always_4096 = false},
};
inline constexpr Chip_Family SPCA2650_Family{
    .Name = "SPCA2650",
    .Binding = Unit_Binding::Second,
    .Unit_Field = 4,
    .Reset_Sequence = Reset_Sequence_B,
    .ExID_Piece = 47,
    .ExID_Offset = 0,
    .Customer_Pieces = {46, 45, 44, 0},
    .Customer_Piece_Count = 4,
    .Flash = {.Id_Way = Flash_Id_Way::Spi_Engine_B,
              .Eon_Parts_As_Mx = true,
              .Pmc_Downloads_With_Mx = false,
              .Prints_Id_Bytes = false,
              .Clears_2501_First = false,
              .Mode_Selector = 13,
              .Length_Preset = 4096,
              .Length_Always_4096 = true},
};

inline constexpr std::array<const Chip_Family*, 4> Chip_Families{&SPCA2620_Family, &SPCA2281_Family,
                                                                 &SPCA2085_Family, &SPCA2650_Family};
