#include "platform/simulated/Simulated_Flash_Part.h"

#include <algorithm>

namespace platform::simulated {

namespace {

constexpr std::uint8_t Floating_Bus = 0xFF;

std::uint8_t Repeating(const std::vector<std::uint8_t>& answer, std::size_t index) {
    return answer.empty() ? Floating_Bus : answer[index % answer.size()];
}

} // namespace

const std::vector<Simulated_Flash_Part::Command>& Simulated_Flash_Part::Command_Table() {
    using Part = Simulated_Flash_Part;
    static const std::vector<Command> table{
        {0x9F, &Part::Answer_Jedec_Id, &Part::Finish_Nothing},
        {0x90, &Part::Answer_Manufacturer_Device_Id, &Part::Finish_Nothing},
        {0xAB, &Part::Answer_Electronic_Signature, &Part::Finish_Nothing},
        {0x05, &Part::Answer_Status, &Part::Finish_Nothing},
        {0x06, &Part::Answer_Nothing, &Part::Set_Write_Enable},
        {0x04, &Part::Answer_Nothing, &Part::Clear_Write_Enable},
        {0x50, &Part::Answer_Nothing, &Part::Enable_Status_Write},
        {0x01, &Part::Take_Status_Byte, &Part::Write_Status},
    };
    return table;
}

Simulated_Flash_Part::Simulated_Flash_Part(Flash_Part_Identity identity)
    : identity_(std::move(identity)), contents_(identity_.Size, 0xFF) {}

void Simulated_Flash_Part::Select() {
    if (selected_)
        return;
    selected_ = true;
    opcode_seen_ = false;
    command_ = nullptr;
    index_ = 0;
    status_byte_.reset();
}

void Simulated_Flash_Part::Deselect() {
    if (!selected_)
        return;
    selected_ = false;
    if (command_)
        (this->*command_->Finish)();
    command_ = nullptr;
}

std::uint8_t Simulated_Flash_Part::Exchange(std::uint8_t out) {
    if (!selected_)
        return Floating_Bus;
    if (!opcode_seen_) {
        opcode_seen_ = true;
        opcodes_.push_back(out);
        const auto& table = Command_Table();
        const auto found = std::find_if(table.begin(), table.end(),
                                        [out](const Command& command) { return command.Opcode == out; });
        command_ = found == table.end() ? nullptr : &*found;
        return Floating_Bus; // nothing comes back while the opcode goes out
    }
    if (!command_)
        return Floating_Bus;
    return (this->*command_->Answer)(index_++, out);
}

void Simulated_Flash_Part::Power_On() {
    selected_ = false;
    command_ = nullptr;
    status_write_enabled_ = false;
    status_ &= static_cast<std::uint8_t>(~(Flash_Status_Write_Enable | Flash_Status_Busy));
}

std::uint8_t Simulated_Flash_Part::Answer_Jedec_Id(std::size_t index, std::uint8_t) {
    return index < identity_.Jedec_Id.size() ? identity_.Jedec_Id[index] : Floating_Bus;
}

std::uint8_t Simulated_Flash_Part::Answer_Manufacturer_Device_Id(std::size_t index, std::uint8_t) {
    return Repeating(identity_.Manufacturer_Device_Id, index);
}

std::uint8_t Simulated_Flash_Part::Answer_Electronic_Signature(std::size_t index, std::uint8_t) {
    return Repeating(identity_.Electronic_Signature, index);
}

std::uint8_t Simulated_Flash_Part::Answer_Status(std::size_t, std::uint8_t) {
    return status_;
}

std::uint8_t Simulated_Flash_Part::Take_Status_Byte(std::size_t index, std::uint8_t out) {
    if (index == 0)
        status_byte_ = out;
    return Floating_Bus;
}

std::uint8_t Simulated_Flash_Part::Answer_Nothing(std::size_t, std::uint8_t) {
    return Floating_Bus;
}

void Simulated_Flash_Part::Set_Write_Enable() {
    status_ |= Flash_Status_Write_Enable;
}

void Simulated_Flash_Part::Clear_Write_Enable() {
    status_ &= static_cast<std::uint8_t>(~Flash_Status_Write_Enable);
}

void Simulated_Flash_Part::Enable_Status_Write() {
    status_write_enabled_ = true;
}

void Simulated_Flash_Part::Write_Status() {
    // A status write goes through only after a write enable (or, on parts of the SST kind, an
    // enable-status-write) and, like every write, clears the write-enable latch. Without its
    // data byte the part ignores the command.
    if (!status_byte_)
        return;
    const bool allowed = (status_ & Flash_Status_Write_Enable) != 0 || status_write_enabled_;
    status_write_enabled_ = false;
    if (!allowed)
        return;
    status_ = static_cast<std::uint8_t>((status_ & ~Flash_Status_Writable) |
                                        (*status_byte_ & Flash_Status_Writable));
    Clear_Write_Enable();
}

} // namespace platform::simulated
