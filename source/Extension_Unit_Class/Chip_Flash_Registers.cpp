// The status-register scripts of the chip families: the table lookup by operation and SF_Type
// and the run with its pauses.
#include <algorithm>

#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"

std::span<const Register_Step> Flash_Register_Script(Flash_Register_Operation operation,
                                                     std::uint8_t sf_type) {
    if (sf_type >= 8)
        return {};
    const auto found =
        std::find_if(Flash_Register_Scripts.begin(), Flash_Register_Scripts.end(), [&](const auto& row) {
            return row.Operation == operation && (row.SF_Type_Mask >> sf_type & 1) != 0;
        });
    return found == Flash_Register_Scripts.end() ? std::span<const Register_Step>() : found->Steps;
}

const char* Flash_Register_Operation_Name(Flash_Register_Operation operation) {
    switch (operation) {
    case Flash_Register_Operation::Read_Flash_Reg_2281:
    case Flash_Register_Operation::Read_Flash_Reg_2650:
        return "Read_Flash_Reg";
    case Flash_Register_Operation::Write_Flash_Reg_2281:
    case Flash_Register_Operation::Write_Flash_Reg_2650:
        return "Write_Flash_Reg";
    case Flash_Register_Operation::DownLoad_Flash_Reg_2650:
        return "DownLoad_Flash_Reg";
    case Flash_Register_Operation::Prepare_Flash_Regs_2085:
        return "Prepare_Flash_Regs";
    case Flash_Register_Operation::None:
        break;
    }
    return "";
}

int Extension_Unit_Chip_Protocol::Run_Flash_Register_Script(Flash_Register_Operation operation) {
    if (operation == Flash_Register_Operation::None)
        return 0;
    // The controller preparation is quiet; the status scripts mark where they start and end.
    const bool traced = operation != Flash_Register_Operation::Prepare_Flash_Regs_2085;
    const char* name = Flash_Register_Operation_Name(operation);
    if (traced)
        Log_Location(Log_Source_Path(__FILE__), __LINE__, name);
    // The scripts never look at a busy bit: the pause after each access is what lets the
    // master, the engine and the part finish.
    Run_Register_Script(Flash_Register_Script(operation, SF_Type), {}, Flash_Register_Pause_Ms);
    if (traced)
        Log_Location(Log_Source_Path(__FILE__), __LINE__, name);
    return 0;
}
