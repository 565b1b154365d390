// Flash identification and command sets of the chip families: reading the part's
// identification bytes, choosing its command set, loading the opcodes into the chip and
// asking the chip for its transfer length.
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

// None of these is offered by this build: each refuses before anything reaches the camera.

int Extension_Unit_Chip_Protocol::Set_Flash_type(std::uint8_t) {
    return Result_Failed;
}

int Extension_Unit_Chip_Protocol::Get_Flash_Model() {
    return Result_Failed;
}

Flash_Command_Set Extension_Unit_Chip_Protocol::Get_Flash_Type(std::uint8_t*) {
    return {};
}

int Extension_Unit_Chip_Protocol::Get_Flash_Length_Mes(std::uint16_t*) {
    return Result_Failed;
}
