#include "Extension_Unit_Class/Extension_Unit_SPCA2650_Protocol.h"

Extension_Unit_SPCA2650_Protocol::Extension_Unit_SPCA2650_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_Chip_Protocol(device, "ZUNQ_56_2", SPCA2650_Family) {}

Extension_Unit_SPCA2650_Protocol::~Extension_Unit_SPCA2650_Protocol() = default;

int Extension_Unit_SPCA2650_Protocol::Read_Flash_Reg() {
    return Run_Flash_Register_Script(Flash_Register_Operation::Read_Flash_Reg_2650);
}

int Extension_Unit_SPCA2650_Protocol::Write_Flash_Reg() {
    return Run_Flash_Register_Script(Flash_Register_Operation::Write_Flash_Reg_2650);
}

int Extension_Unit_SPCA2650_Protocol::DownLoad_Flash_Reg() {
    return Run_Flash_Register_Script(Flash_Register_Operation::DownLoad_Flash_Reg_2650);
}
