#pragma once
// The SPCA2282 chip, product "ZUNQ_1080p_3D": the SPCA2650 family's protocol under its own name.
#include "Extension_Unit_Class/Extension_Unit_SPCA2650_Protocol.h"

class Extension_Unit_SPCA2282_Protocol : public Extension_Unit_SPCA2650_Protocol {
public:
    // Takes ownership of `device`.
    explicit Extension_Unit_SPCA2282_Protocol(Extension_Unit_Base_Class* device);
    ~Extension_Unit_SPCA2282_Protocol() override;
};
