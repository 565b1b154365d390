#include "platform/simulated/Flash_Controller.h"

#include <algorithm>

namespace platform::simulated {

std::uint8_t Flash_Controller::Opcode(std::uint8_t slot) const {
    return slot >= First_Opcode_Slot && slot <= Last_Opcode_Slot ? opcodes_[slot] : 0;
}

void Flash_Controller::Set_Opcode(std::uint8_t slot, std::uint8_t opcode) {
    if (slot >= First_Opcode_Slot && slot <= Last_Opcode_Slot)
        opcodes_[slot] = opcode;
}

void Flash_Controller::Select() {
    if (part_)
        part_->Select();
}

void Flash_Controller::Deselect() {
    if (part_)
        part_->Deselect();
}

std::uint8_t Flash_Controller::Exchange(std::uint8_t out) {
    return part_ ? part_->Exchange(out) : 0xFF;
}

void Flash_Controller::Send(std::span<const std::uint8_t> out) {
    if (part_)
        part_->Send(out);
}

void Flash_Controller::Receive(std::span<std::uint8_t> in) {
    if (part_)
        part_->Receive(in);
    else
        std::fill(in.begin(), in.end(), 0xFF);
}

void Flash_Controller::Open(std::uint8_t opcode, std::uint32_t address) {
    Select();
    Exchange(opcode);
    Exchange(static_cast<std::uint8_t>(address >> 16));
    Exchange(static_cast<std::uint8_t>(address >> 8));
    Exchange(static_cast<std::uint8_t>(address));
}

void Flash_Controller::Write_Enable() {
    std::array<std::uint8_t, 0> none{};
    Transact(std::array<std::uint8_t, 1>{Opcode(Write_Enable_Slot)}, none);
}

void Flash_Controller::Erase_Sector(std::uint32_t address) {
    Write_Enable();
    Open(Opcode(Sector_Erase_Slot), address);
    Deselect();
}

void Flash_Controller::Program(std::uint32_t address, std::span<const std::uint8_t> data) {
    while (!data.empty()) {
        const std::size_t room = Flash_Page_Size - address % Flash_Page_Size;
        const std::size_t length = std::min(room, data.size());
        Write_Enable();
        Open(Opcode(Program_Slot), address);
        Send(data.first(length));
        Deselect();
        address += static_cast<std::uint32_t>(length);
        data = data.subspan(length);
    }
}

void Flash_Controller::Read(std::uint32_t address, std::span<std::uint8_t> data) {
    Open(Opcode(Read_Slot), address);
    Receive(data);
    Deselect();
}

std::uint64_t Flash_Controller::Part_Write_Cycles() const {
    return part_ ? part_->Write_Cycles() : 0;
}

void Flash_Controller::Busy_For(std::uint32_t milliseconds) {
    if (now_)
        busy_until_ = std::max(busy_until_, now_() + milliseconds);
}

bool Flash_Controller::Busy() const {
    return now_ && now_() < busy_until_;
}

void Flash_Controller::Power_On() {
    busy_until_ = 0;
    opcodes_.fill(0);
    chosen_slot_ = 0;
    program_mode_ = 0;
    transfer_address_ = 0;
    if (part_)
        part_->Power_On();
}

} // namespace platform::simulated
