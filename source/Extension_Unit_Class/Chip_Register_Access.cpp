#include "Extension_Unit_Class/Chip_Register_Access.h"

#include <array>

#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"

namespace {

constexpr std::uint16_t Address_Selector_8 = 2;
constexpr std::uint16_t Data_Selector_8 = 3;
constexpr std::uint16_t Address_Selector_16 = 4;
constexpr std::uint16_t Data_Selector_16 = 5;

std::array<std::uint8_t, 2> Low_Byte_First(std::uint16_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
}

// The address pair, then `data`, the pair that moves the register's data.
int Access(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address_selector, std::uint16_t address,
           Ext_Unit_Request (&data)[2]) {
    const auto address_bytes = Low_Byte_First(address);
    Ext_Unit_Request address_pair[2] = {
        Ext_Unit_Request::Get_Len(address_selector, unit_field, 2),
        Ext_Unit_Request::Set_Cur(address_selector, unit_field, 2, address_bytes.data()),
    };
    const int address_result = unit.Send_Request_Pair(address_pair);
    const int data_result = unit.Send_Request_Pair(data);
    return address_result | data_result;
}

} // namespace

int Read_Chip_Register(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address, std::uint8_t* value) {
    if (!value)
        return Result_Refused;
    Ext_Unit_Request data[2] = {
        Ext_Unit_Request::Get_Len(Data_Selector_8, unit_field, 1),
        Ext_Unit_Request::Get_Cur(Data_Selector_8, unit_field, 1, value),
    };
    return Access(unit, unit_field, Address_Selector_8, address, data);
}

int Write_Chip_Register(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address, std::uint8_t value) {
    Ext_Unit_Request data[2] = {
        Ext_Unit_Request::Get_Len(Data_Selector_8, unit_field, 1),
        Ext_Unit_Request::Set_Cur(Data_Selector_8, unit_field, 1, &value),
    };
    return Access(unit, unit_field, Address_Selector_8, address, data);
}

int Read_Chip_Register16(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address,
                         std::uint16_t* value) {
    if (!value)
        return Result_Refused;
    // A failed read leaves the caller's value as it was.
    auto bytes = Low_Byte_First(*value);
    Ext_Unit_Request data[2] = {
        Ext_Unit_Request::Get_Len(Data_Selector_16, unit_field, 2),
        Ext_Unit_Request::Get_Cur(Data_Selector_16, unit_field, 2, bytes.data()),
    };
    const int result = Access(unit, unit_field, Address_Selector_16, address, data);
    *value = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    return result;
}

int Write_Chip_Register16(ExtUnit& unit, std::uint16_t unit_field, std::uint16_t address,
                          std::uint16_t value) {
    const auto bytes = Low_Byte_First(value);
    Ext_Unit_Request data[2] = {
        Ext_Unit_Request::Get_Len(Data_Selector_16, unit_field, 2),
        Ext_Unit_Request::Set_Cur(Data_Selector_16, unit_field, 2, bytes.data()),
    };
    return Access(unit, unit_field, Address_Selector_16, address, data);
}
