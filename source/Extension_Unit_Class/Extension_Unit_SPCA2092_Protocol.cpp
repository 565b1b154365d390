#include "Extension_Unit_Class/Extension_Unit_SPCA2092_Protocol.h"

Extension_Unit_SPCA2092_Protocol::Extension_Unit_SPCA2092_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_SPCA2085_Protocol(device) {
    Set_Product_Name("ZUN_1080P_2");
}

Extension_Unit_SPCA2092_Protocol::~Extension_Unit_SPCA2092_Protocol() = default;
