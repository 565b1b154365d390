#include "platform/simulated/Flash_Controller.h"

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

void Flash_Controller::Power_On() {
    opcodes_.fill(0);
    chosen_slot_ = 0;
    program_mode_ = 0;
    if (part_)
        part_->Power_On();
}

} // namespace platform::simulated
