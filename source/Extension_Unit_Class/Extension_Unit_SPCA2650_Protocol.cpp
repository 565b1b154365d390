#include "Extension_Unit_Class/Extension_Unit_SPCA2650_Protocol.h"

Extension_Unit_SPCA2650_Protocol::Extension_Unit_SPCA2650_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_Chip_Protocol(device, "ZUNQ_56_2", SPCA2650_Family) {}

Extension_Unit_SPCA2650_Protocol::~Extension_Unit_SPCA2650_Protocol() = default;
