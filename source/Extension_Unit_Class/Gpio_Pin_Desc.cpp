#include "Extension_Unit_Class/Gpio_Pin_Desc.h"

int Get_Gpio_Pin_Desc(std::uint32_t pin, Gpio_Pin_Desc* desc) {
    if (!desc)
        return -1;
    if (pin < Gpio_Pins_0_To_11.size())
        *desc = Gpio_Pins_0_To_11[pin];
    else if (pin >= 128 && pin - 128 < Gpio_Pins_128_To_129.size())
        *desc = Gpio_Pins_128_To_129[pin - 128];
    else if (pin >= 256)
        *desc = Gpio_Pin_256_And_Above;
    else
        return -1;
    return 0;
}
