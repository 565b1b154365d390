#include "Extension_Unit_Class/Extension_Unit_SPCA_Protocol.h"

#include "Extension_Unit_Class/Chip_Register_Access.h"

namespace {

constexpr std::uint16_t Generic_Unit_Field = 4;

} // namespace

Extension_Unit_SPCA_Protocol::Extension_Unit_SPCA_Protocol(Extension_Unit_Base_Class* device)
    : Refusing_Operations(device, "UNKNOW") {}

int Extension_Unit_SPCA_Protocol::Read_Reg(std::uint16_t address, std::uint8_t* value) {
    if (!Device())
        return Result_Failed;
    return Read_Chip_Register(Device()->xu2, Generic_Unit_Field, address, value);
}

int Extension_Unit_SPCA_Protocol::Write_Reg(std::uint16_t address, std::uint8_t value) {
    if (!Device())
        return Result_Failed;
    return Write_Chip_Register(Device()->xu2, Generic_Unit_Field, address, value);
}
