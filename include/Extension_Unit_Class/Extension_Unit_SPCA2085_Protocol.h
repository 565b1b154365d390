#pragma once
// The SPCA2085 family's protocol, product "ZUN_1080P_1".
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

class Extension_Unit_SPCA2085_Protocol : public Extension_Unit_Chip_Protocol {
public:
    // Takes ownership of `device`.
    explicit Extension_Unit_SPCA2085_Protocol(Extension_Unit_Base_Class* device);
    ~Extension_Unit_SPCA2085_Protocol() override;

    // The controller preparation script (no operation of the library runs it). Always 0.
    virtual int Prepare_Flash_Regs();
};
