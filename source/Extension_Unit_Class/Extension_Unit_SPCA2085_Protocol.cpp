#include "Extension_Unit_Class/Extension_Unit_SPCA2085_Protocol.h"

Extension_Unit_SPCA2085_Protocol::Extension_Unit_SPCA2085_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_Chip_Protocol(device, "ZUN_1080P_1", SPCA2085_Family) {}

Extension_Unit_SPCA2085_Protocol::~Extension_Unit_SPCA2085_Protocol() = default;

int Extension_Unit_SPCA2085_Protocol::Prepare_Flash_Regs() {
    return Run_Flash_Register_Script(Flash_Register_Operation::Prepare_Flash_Regs_2085);
}
