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

// The fixed register scripts some families run on the flash's status register (and their
// controller) around flash transfers; which one runs also depends on the part's SF_Type.
enum class Flash_Register_Operation : std::uint8_t {
    None,
    Read_Flash_Reg_2281,
    Write_Flash_Reg_2281,
    Read_Flash_Reg_2650,
    Write_Flash_Reg_2650,
    DownLoad_Flash_Reg_2650,
    Prepare_Flash_Regs_2085,
};

// How a family moves flash pieces over the transfer selectors.
struct Chip_Transfer_Traits {
    // Scripts run first; their results are not looked at.
    Flash_Register_Operation Before_Piece_Read;
    Flash_Register_Operation Before_Piece_Write;
    Flash_Register_Operation Before_Download;
    // Set_Flash_type / Get_Flash_Length_Mes pairs before a piece transfer (some chips need
    // the opcodes loaded twice before they take them).
    std::uint8_t Preparation_Passes;
    // 0: the chip's answer to the transfer-length query. Otherwise the family always moves
    // chunks of this length; its piece writes and downloads then skip the query.
    std::uint16_t Fixed_Chunk_Length;
    std::uint32_t Pause_After_Piece_Erase_Ms; // before the first chunk of a piece write
    bool Traces_Piece_Read;                   // location lines in the piece read
};

// Where an image carries its chip's marker: the byte at Offset is one of First, the next one
// of Second.
struct Image_Signature {
    std::uint32_t Offset;
    std::array<std::uint8_t, 2> First;
    std::array<std::uint8_t, 2> Second;
};

// The family's firmware download.
struct Chip_Download_Traits {
    Image_Signature Signature;
    std::uint32_t Region; // flash bytes from address 0 the image is burnt into, erased whole
    // The progress after step k is k / Step_Divisor percent: the divisor makes the last step of
    // a download with the family's usual chunk length exactly 100.
    double Step_Divisor;
    bool Reads_Piece_0_First; // and stops on any negative result of that read
    // A second step before the preparation: three steps before the erase instead of two.
    bool Opening_Step;
    bool Traces_Chunks; // chunk count, chunk index and mismatch lines in the log
    bool Traces_Failed_Chunk_Requests;
    bool Prints_Progress_Target; // whether the progress pointer is null, after every step
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
    Chip_Transfer_Traits Transfer;
    Chip_Download_Traits Download;
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
    .Transfer = {.Before_Piece_Read = Flash_Register_Operation::None,
                 .Before_Piece_Write = Flash_Register_Operation::None,
                 .Before_Download = Flash_Register_Operation::None,
                 .Preparation_Passes = 2,
                 .Fixed_Chunk_Length = 0,
                 .Pause_After_Piece_Erase_Ms = 0,
                 .Traces_Piece_Read = false},
    .Download = {.Signature = {0, {0x89, 0x89}, {0x26, 0x26}},
                 .Region = 64 * 1024,
                 .Step_Divisor = 1.47,
                 .Reads_Piece_0_First = false,
                 .Opening_Step = false,
                 .Traces_Chunks = false,
                 .Traces_Failed_Chunk_Requests = false,
                 .Prints_Progress_Target = false},
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
    .Transfer = {.Before_Piece_Read = Flash_Register_Operation::None,
                 .Before_Piece_Write = Flash_Register_Operation::Write_Flash_Reg_2281,
                 .Before_Download = Flash_Register_Operation::None,
                 .Preparation_Passes = 1,
                 .Fixed_Chunk_Length = 0,
                 .Pause_After_Piece_Erase_Ms = 0,
                 .Traces_Piece_Read = false},
    .Download = {.Signature = {0, {0x89, 0x89}, {0x16, 0x16}},
                 .Region = 64 * 1024,
                 .Step_Divisor = 0.52,
                 .Reads_Piece_0_First = true,
                 .Opening_Step = true,
                 .Traces_Chunks = true,
                 .Traces_Failed_Chunk_Requests = false,
                 .Prints_Progress_Target = false},
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
    .Transfer = {.Before_Piece_Read = Flash_Register_Operation::None,
                 .Before_Piece_Write = Flash_Register_Operation::None,
                 .Before_Download = Flash_Register_Operation::None,
                 .Preparation_Passes = 2,
                 .Fixed_Chunk_Length = 0,
                 .Pause_After_Piece_Erase_Ms = 0,
                 .Traces_Piece_Read = true},
    .Download = {.Signature = {0, {0x89, 0x89}, {0x17, 0x17}},
                 .Region = 64 * 1024,
                 .Step_Divisor = 1.48,
                 .Reads_Piece_0_First = false,
                 .Opening_Step = true,
                 .Traces_Chunks = false,
                 .Traces_Failed_Chunk_Requests = true,
                 .Prints_Progress_Target = false},
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
    .Transfer = {.Before_Piece_Read = Flash_Register_Operation::Read_Flash_Reg_2650,
                 .Before_Piece_Write = Flash_Register_Operation::Write_Flash_Reg_2650,
                 .Before_Download = Flash_Register_Operation::DownLoad_Flash_Reg_2650,
                 .Preparation_Passes = 1,
                 .Fixed_Chunk_Length = 1024,
                 .Pause_After_Piece_Erase_Ms = 10,
                 .Traces_Piece_Read = false},
    .Download = {.Signature = {256, {0x43, 0x95}, {0x59, 0x27}}, // 'C' 'Y', or 0x95 0x27
                 .Region = 256 * 1024,
                 .Step_Divisor = 5.8,
                 .Reads_Piece_0_First = false,
                 .Opening_Step = true,
                 .Traces_Chunks = false,
                 .Traces_Failed_Chunk_Requests = false,
                 .Prints_Progress_Target = true},
};

inline constexpr std::array<const Chip_Family*, 4> Chip_Families{&SPCA2620_Family, &SPCA2281_Family,
                                                                 &SPCA2085_Family, &SPCA2650_Family};

// The chunk length a family's download normally moves: its fixed length, or what its chips
// answer when the query fails (which is also what they answer when it works).
constexpr std::uint32_t Usual_Chunk_Length(const Chip_Family& family) {
    return family.Transfer.Fixed_Chunk_Length != 0 ? family.Transfer.Fixed_Chunk_Length
                                                   : family.Flash.Length_Preset;
}

// Steps of a whole download moving chunks of `chunk_length`: those before the erase, one per
// sector, two per chunk (write, read-back) and the last one.
constexpr std::uint32_t Download_Step_Total(const Chip_Family& family, std::uint32_t chunk_length) {
    const Chip_Download_Traits& download = family.Download;
    return (download.Opening_Step ? 3 : 2) + download.Region / 4096 + 2 * (download.Region / chunk_length) +
           1;
}

constexpr bool Divisor_Ends_At_100(const Chip_Family* family) {
    const double steps = family->Download.Step_Divisor * 100;
    const std::uint32_t total = Download_Step_Total(*family, Usual_Chunk_Length(*family));
    return steps > total - 0.5 && steps < total + 0.5;
}
static_assert(Divisor_Ends_At_100(&SPCA2620_Family) && Divisor_Ends_At_100(&SPCA2281_Family) &&
              Divisor_Ends_At_100(&SPCA2085_Family) && Divisor_Ends_At_100(&SPCA2650_Family));
