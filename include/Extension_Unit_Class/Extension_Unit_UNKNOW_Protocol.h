#pragma once
// The refusing protocol, for a camera whose chip code selects no chip class. It holds no
// camera and answers every camera operation with -2 (Gpio_Set_Bit with 2), so a caller that
// ignores identification still gets a clean refusal. Nothing reaches the camera.
#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"
#include "Extension_Unit_Class/Refusing_Operations.h"

class Extension_Unit_UNKNOW_Protocol
    : public Refusing_Operations<Extension_Unit_Base_Protocol, Result_Refused> {
public:
    // This one refusal is 2, not -2; callers know it by that value, and it is no success either.
    int Gpio_Set_Bit(std::uint32_t) override { return 2; }
    const char* Get_Product_Name() override { return "UNKNOW"; }
};
