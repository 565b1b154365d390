#include "Extension_Unit_Class/Extension_Unit_SPCA2281_Protocol.h"

Extension_Unit_SPCA2281_Protocol::Extension_Unit_SPCA2281_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_Chip_Protocol(device, "ZUN_3M_1", SPCA2281_Family) {}

Extension_Unit_SPCA2281_Protocol::~Extension_Unit_SPCA2281_Protocol() = default;
