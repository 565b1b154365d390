#include "Extension_Unit_Class/Extension_Unit_SPCA2620_Protocol.h"

Extension_Unit_SPCA2620_Protocol::Extension_Unit_SPCA2620_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_Chip_Protocol(device, "ZUN_8M_1", SPCA2620_Family) {}

Extension_Unit_SPCA2620_Protocol::~Extension_Unit_SPCA2620_Protocol() = default;
