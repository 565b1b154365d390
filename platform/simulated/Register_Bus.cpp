#include "platform/simulated/Register_Bus.h"

namespace platform::simulated {

std::uint8_t Register_Behaviour::Read(Register_Bus& bus, std::uint16_t address) {
    return bus.Peek(address);
}

void Register_Behaviour::Write(Register_Bus& bus, std::uint16_t address, std::uint8_t value) {
    bus.Poke(address, value);
}

Register_Bus::Register_Bus() = default;

std::uint8_t Register_Bus::Read(std::uint16_t address) {
    Register_Behaviour* behaviour = Behaviour_At(address);
    return behaviour ? behaviour->Read(*this, address) : memory_[address];
}

void Register_Bus::Write(std::uint16_t address, std::uint8_t value) {
    if (Register_Behaviour* behaviour = Behaviour_At(address))
        behaviour->Write(*this, address, value);
    else
        memory_[address] = value;
}

void Register_Bus::Attach(std::uint16_t first, std::uint16_t last,
                          std::shared_ptr<Register_Behaviour> behaviour) {
    attachments_.push_back({first, last, std::move(behaviour)});
}

void Register_Bus::Set_Power_On_Values(std::vector<Register_Value> values) {
    power_on_values_ = std::move(values);
}

void Register_Bus::Power_On() {
    memory_.fill(0);
    for (const Register_Value& value : power_on_values_)
        memory_[value.Address] = value.Value;
    for (const Attachment& attachment : attachments_)
        attachment.Behaviour->Power_On();
}

Register_Behaviour* Register_Bus::Behaviour_At(std::uint16_t address) const {
    for (const Attachment& attachment : attachments_) {
        if (address >= attachment.First && address <= attachment.Last)
            return attachment.Behaviour.get();
    }
    return nullptr;
}

} // namespace platform::simulated
