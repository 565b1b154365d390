#include "Extension_Unit_Class/Extension_Unit_Device_Protocol.h"

Extension_Unit_Device_Protocol::Extension_Unit_Device_Protocol(Extension_Unit_Base_Class* device,
                                                               const char* product_name)
    : device_(device), product_name_(product_name) {}

Extension_Unit_Device_Protocol::~Extension_Unit_Device_Protocol() = default;

const char* Extension_Unit_Device_Protocol::Get_Product_Name() {
    return product_name_.c_str();
}

Extension_Unit_Base_Class* Extension_Unit_Device_Protocol::Detach_Device() {
    return device_.release();
}
