#pragma once
// A simulated SPI NOR flash part as it hangs on a chip's SPI bus: a chip select, one byte out
// and one byte in per clocked byte, and the commands a part of its kind answers. It holds its
// identification answers, its size, its status register and its contents.
//
// A transaction is Select, one or more Exchange, Deselect. The first byte after Select is the
// opcode; the bytes after it are the command's. A command the part does not know (or that
// arrives while the part is not selected) is ignored and the part answers 0xFF, as a floating
// bus reads. Commands are rows of one table (see the .cpp); a command that changes the part
// (status write, and later erase and program) takes effect when the chip select is released.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::simulated {

// Status register bits.
inline constexpr std::uint8_t Flash_Status_Busy = 0x01; // write in progress; never set: work is instant
inline constexpr std::uint8_t Flash_Status_Write_Enable = 0x02; // write-enable latch
// Bits a status write may change (block protection and the status-write protection bit).
inline constexpr std::uint8_t Flash_Status_Writable = 0xFC;

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
};

class Simulated_Flash_Part {
public:
    // A part with every byte erased (0xFF) and a clear status register.
    explicit Simulated_Flash_Part(Flash_Part_Identity identity);

    const Flash_Part_Identity& Identity() const { return identity_; }

    // The SPI side.
    void Select();
    void Deselect();
    bool Selected() const { return selected_; }
    // Clocks one byte: `out` goes to the part, the result is what the part sends back.
    std::uint8_t Exchange(std::uint8_t out);

    // Contents and status, for set-up and inspection between requests.
    std::vector<std::uint8_t>& Contents() { return contents_; }
    const std::vector<std::uint8_t>& Contents() const { return contents_; }
    std::uint8_t Status() const { return status_; }
    void Set_Status(std::uint8_t status) { status_ = status; }
    // The opcodes of the transactions the part saw, oldest first (ignored ones included).
    const std::vector<std::uint8_t>& Opcodes() const { return opcodes_; }

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
    void Set_Write_Enable();
    void Clear_Write_Enable();
    void Enable_Status_Write();
    void Write_Status();
    void Finish_Nothing() {}

    // The commands the part knows, one row each. Further commands (read, program, erase) are
    // further rows.
    static const std::vector<Command>& Command_Table();

    Flash_Part_Identity identity_;
    std::vector<std::uint8_t> contents_;
    std::uint8_t status_ = 0;
    bool status_write_enabled_ = false; // set by 0x50, lets the next status write through

    bool selected_ = false;
    bool opcode_seen_ = false;
    const Command* command_ = nullptr;        // the transaction's command; null: unknown, ignored
    std::size_t index_ = 0;                   // bytes exchanged after the opcode
    std::optional<std::uint8_t> status_byte_; // a status write's value, until the select ends
    std::vector<std::uint8_t> opcodes_;
};

} // namespace platform::simulated
