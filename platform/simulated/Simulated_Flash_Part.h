#pragma once
// A simulated SPI NOR flash part as it hangs on a chip's SPI bus: a chip select, one byte out
// and one byte in per clocked byte, and the commands a part of its kind answers. It holds its
// identification answers, its size, its status register and its contents.
//
// A transaction is Select, one or more Exchange, Deselect. The first byte after Select is the
// opcode; the bytes after it are the command's. A command the part does not know (or that
// arrives while the part is not selected) is ignored and the part answers 0xFF, as a floating
// bus reads. Commands are rows of one table (see the .cpp); a command that changes the part
// (status write, sector erase, page program) takes effect when the chip select is released.
//
// NOR semantics: a sector erase sets its 4096 bytes to 0xFF, programming can only clear bits
// (new = old AND data), so a missing erase shows as wrong data when the page is read back.
// Erase and program need the write-enable latch (and clear it); while any block-protection bit
// is set the whole array is protected and they change nothing.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::simulated {

// Status register bits.
inline constexpr std::uint8_t Flash_Status_Busy = 0x01; // write in progress; never set: work is instant
inline constexpr std::uint8_t Flash_Status_Write_Enable = 0x02; // write-enable latch
// Bits a status write may change (block protection and the status-write protection bit).
inline constexpr std::uint8_t Flash_Status_Writable = 0xFC;
// Block-protection bits. Parts differ in how much of the array each value protects; here any
// of them protects the whole array, the reading that keeps a protected part unwritable.
inline constexpr std::uint8_t Flash_Status_Block_Protect = 0x1C;

inline constexpr std::uint32_t Flash_Sector_Size = 4096;
inline constexpr std::uint32_t Flash_Page_Size = 256;

struct Flash_Part_Identity {
    std::string Name;
    // Answer to 0x9F (JEDEC identification): manufacturer, memory type, capacity. A part that
    // does not know the command answers 0xFF.
    std::array<std::uint8_t, 3> Jedec_Id{0xFF, 0xFF, 0xFF};
    // Answers to 0x90 (manufacturer and device id) and 0xAB (electronic signature): the bytes
    // the part sends after the opcode, repeated for as long as the chip clocks. Empty: the
    // part does not know the command.
    std::vector<std::uint8_t> Manufacturer_Device_Id;
    std::vector<std::uint8_t> Electronic_Signature;
    std::uint32_t Size = 512 * 1024; // bytes
    // The contents at start, from address 0 (the rest erased); at most Size bytes are used.
    std::vector<std::uint8_t> Contents;
    std::uint8_t Status = 0; // the status register at start (its non-volatile bits)
    // When not empty, the contents are written to this file when the part goes away (the end
    // of a simulated run), so a burn can be inspected afterwards.
    std::string Save_Path;
};

// Reads a whole contents file of at most `most` bytes; false (and `error`) when it cannot be
// read or is larger.
bool Read_Flash_Contents_File(const std::string& path, std::uint32_t most,
                              std::vector<std::uint8_t>& contents, std::string& error);

class Simulated_Flash_Part {
public:
    // A part holding the identity's contents (every other byte erased, 0xFF) and status.
    explicit Simulated_Flash_Part(Flash_Part_Identity identity);
    // Saves the contents to the identity's Save_Path, when it names one.
    ~Simulated_Flash_Part();
    Simulated_Flash_Part(const Simulated_Flash_Part&) = delete;
    Simulated_Flash_Part& operator=(const Simulated_Flash_Part&) = delete;

    const Flash_Part_Identity& Identity() const { return identity_; }

    // The SPI side.
    void Select();
    void Deselect();
    bool Selected() const { return selected_; }
    // Clocks one byte: `out` goes to the part, the result is what the part sends back.
    std::uint8_t Exchange(std::uint8_t out);
    // Many bytes at once, as Exchange byte by byte: `out` sent (answers dropped), or `in`
    // filled with what the part sends for 0xFF. The data of a read or a page program moves in
    // one piece.
    void Send(std::span<const std::uint8_t> out);
    void Receive(std::span<std::uint8_t> in);

    // Contents and status, for set-up and inspection between requests.
    std::vector<std::uint8_t>& Contents() { return contents_; }
    const std::vector<std::uint8_t>& Contents() const { return contents_; }
    std::uint8_t Status() const { return status_; }
    void Set_Status(std::uint8_t status) { status_ = status; }
    // The opcodes of the transactions the part saw, oldest first (ignored ones included).
    const std::vector<std::uint8_t>& Opcodes() const { return opcodes_; }
    // Forgets the opcodes seen so far (a campaign of many runs on one part keeps none).
    void Forget_Opcodes() { opcodes_.clear(); }
    // Whether the opcodes are kept at all (at first they are): a program that reads none, such
    // as the tool on a scenario left running for days, keeps none.
    void Keep_Opcodes(bool keep) { keep_opcodes_ = keep; }
    // How many status writes, erases and programs took effect so far: each is a write cycle
    // of a real part, during which it is busy.
    std::uint64_t Write_Cycles() const { return write_cycles_; }
    // Writes the whole contents to `path`; false when the file cannot be written.
    bool Save_Contents(const std::string& path) const;

    // Power returns: the volatile state goes (write-enable latch, a transaction in progress);
    // contents and the non-volatile status bits stay.
    void Power_On();

    // One row of the command table: what the part answers to byte `index` (from 0) after the
    // opcode, given the byte the chip sent, and what it does when the chip select is released.
    struct Command {
        std::uint8_t Opcode;
        std::uint8_t (Simulated_Flash_Part::*Answer)(std::size_t index, std::uint8_t out);
        void (Simulated_Flash_Part::*Finish)();
    };

private:
    std::uint8_t Answer_Jedec_Id(std::size_t index, std::uint8_t out);
    std::uint8_t Answer_Manufacturer_Device_Id(std::size_t index, std::uint8_t out);
    std::uint8_t Answer_Electronic_Signature(std::size_t index, std::uint8_t out);
    std::uint8_t Answer_Status(std::size_t index, std::uint8_t out);
    std::uint8_t Take_Status_Byte(std::size_t index, std::uint8_t out);
    std::uint8_t Answer_Nothing(std::size_t index, std::uint8_t out);
    std::uint8_t Answer_Read(std::size_t index, std::uint8_t out);
    std::uint8_t Take_Address(std::size_t index, std::uint8_t out);
    std::uint8_t Take_Program_Byte(std::size_t index, std::uint8_t out);
    void Set_Write_Enable();
    void Clear_Write_Enable();
    void Enable_Status_Write();
    void Write_Status();
    void Erase_Sector();
    void Program_Page();
    void Finish_Nothing() {}
    // Whether an erase or program may change the array now; either way it uses up the
    // write-enable latch.
    bool Take_Write_Permission();

    // The commands the part knows, one row each.
    static const std::vector<Command>& Command_Table();

    Flash_Part_Identity identity_;
    std::vector<std::uint8_t> contents_;
    std::uint8_t status_ = 0;
    bool status_write_enabled_ = false; // set by 0x50, lets the next status write through

    bool selected_ = false;
    bool opcode_seen_ = false;
    const Command* command_ = nullptr;                 // the transaction's command; null: unknown, ignored
    std::size_t index_ = 0;                            // bytes exchanged after the opcode
    std::optional<std::uint8_t> status_byte_;          // a status write's value, until the select ends
    std::uint32_t address_ = 0;                        // the address bytes of a read, erase or program
    std::array<std::uint8_t, Flash_Page_Size> page_{}; // a program's data, 0xFF where none came
    std::vector<std::uint8_t> opcodes_;
    bool keep_opcodes_ = true;
    std::uint64_t write_cycles_ = 0;
};

} // namespace platform::simulated
