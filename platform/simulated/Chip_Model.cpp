#include "platform/simulated/Chip_Model.h"

namespace platform::simulated {

std::vector<Register_Value> Chip_Identity(std::uint8_t reg_20ff, std::uint8_t reg_2051,
                                          std::uint8_t reg_20d9) {
    return {{Chip_Identity_Registers[0], reg_20ff},
            {Chip_Identity_Registers[1], reg_2051},
            {Chip_Identity_Registers[2], reg_20d9}};
}

} // namespace platform::simulated
