#include "Extension_Unit_Class/Extension_Unit_Base_Class.h"

Extension_Unit_Base_Class::Extension_Unit_Base_Class(std::unique_ptr<platform::Ks_Control> control)
    : pIKsControl(std::move(control)) {}

Extension_Unit_Base_Class::~Extension_Unit_Base_Class() = default;

std::uint32_t Extension_Unit_Base_Class::Get_Chip_Code() {
    return Chip_Code;
}

void Extension_Unit_Base_Class::Bind_Units(const platform::GUID& first_guid, std::uint16_t first_node,
                                           const platform::GUID& second_guid, std::uint16_t second_node) {
    xu1.set_KsControl(pIKsControl.get(), first_guid, first_node);
    xu2.set_KsControl(pIKsControl.get(), second_guid, second_node);
}
