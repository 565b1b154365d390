#include "Extension_Unit_Class/Extension_Unit_SPCA2282_Protocol.h"

Extension_Unit_SPCA2282_Protocol::Extension_Unit_SPCA2282_Protocol(Extension_Unit_Base_Class* device)
    : Extension_Unit_SPCA2650_Protocol(device) {
    Set_Product_Name("ZUNQ_1080p_3D");
}

Extension_Unit_SPCA2282_Protocol::~Extension_Unit_SPCA2282_Protocol() = default;
