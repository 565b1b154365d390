#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"

Extension_Unit_SPCA2281_Protocol::Extension_Unit_SPCA2281_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_Chip_Protocol(device, "ZUN_3M_1", SPCA2281_Family) {}

Extension_Unit_SPCA2281_Protocol::~Extension_Unit_SPCA2281_Protocol() = default;

int Extension_Unit_SPCA2281_Protocol::Read_Flash_Reg() {
    return Run_Flash_Register_Script(Flash_Register_Operation::Read_Flash_Reg_2281);
}

int Extension_Unit_SPCA2281_Protocol::Write_Flash_Reg() {
    return Run_Flash_Register_Script(Flash_Register_Operation::Write_Flash_Reg_2281);
}
