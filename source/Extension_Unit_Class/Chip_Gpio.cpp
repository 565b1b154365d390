// The GPIO pins of the chip families: read-modify-write of the bits the pin table names.
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Extension_Unit_Class/Gpio_Pin_Desc.h"

namespace {

std::uint8_t Bit_Mask(std::uint32_t entry) {
    return static_cast<std::uint8_t>(1u << Gpio_Entry_Bit(entry));
}

} // namespace

template <typename Change>
int Extension_Unit_Chip_Protocol::Update_Register(std::uint16_t address, Change change) {
    // Every access goes through; their results are ORed, so one failure shows in the result.
    std::uint8_t value = 0;
    const int read = Read_Reg(address, &value);
    const int write = Write_Reg(address, change(value));
    return read | write;
}

int Extension_Unit_Chip_Protocol::Gpio_Set_Bit(std::uint32_t pin) {
    Gpio_Pin_Desc desc;
    if (Get_Gpio_Pin_Desc(pin, &desc) != 0)
        return Result_Failed;
    const std::uint32_t set_clear = desc.Entry[0];
    return Update_Register(Gpio_Entry_Register(set_clear), [&](std::uint8_t value) {
        return static_cast<std::uint8_t>(value | Bit_Mask(set_clear));
    });
}

int Extension_Unit_Chip_Protocol::Gpio_Clear_Bit(std::uint32_t pin) {
    Gpio_Pin_Desc desc;
    if (Get_Gpio_Pin_Desc(pin, &desc) != 0)
        return Result_Failed;
    const std::uint32_t set_clear = desc.Entry[0];
    int result = Update_Register(Gpio_Entry_Register(set_clear), [&](std::uint8_t value) {
        return static_cast<std::uint8_t>(value & ~Bit_Mask(set_clear));
    });
    const std::uint32_t companion = desc.Entry[3];
    if (Gpio_Entry_Present(companion)) {
        result |= Update_Register(Gpio_Entry_Register(companion), [&](std::uint8_t value) {
            const std::uint8_t mask = Bit_Mask(companion);
            return static_cast<std::uint8_t>(Gpio_Entry_Flag(companion) != 0 ? value | mask : value & ~mask);
        });
    }
    return result;
}

int Extension_Unit_Chip_Protocol::Gpio_Write(std::uint32_t pin, std::uint8_t level) {
    Gpio_Pin_Desc desc;
    if (Get_Gpio_Pin_Desc(pin, &desc) != 0)
        return Result_Failed;
    const std::uint32_t output = desc.Entry[1];
    const std::uint8_t mask = Bit_Mask(output);
    return Update_Register(Gpio_Entry_Register(output), [&](std::uint8_t value) {
        return static_cast<std::uint8_t>((value & ~mask) | (level != 0 ? mask : 0));
    });
}

int Extension_Unit_Chip_Protocol::Gpio_Read(std::uint32_t pin, std::uint8_t* level) {
    Gpio_Pin_Desc desc;
    if (Get_Gpio_Pin_Desc(pin, &desc) != 0)
        return Result_Failed;
    if (!level)
        return Result_Refused;
    const std::uint32_t input = desc.Entry[2];
    std::uint8_t value = 0;
    const int result = Read_Reg(Gpio_Entry_Register(input), &value);
    *level = (value & Bit_Mask(input)) != 0 ? 1 : 0;
    return result;
}
