#pragma once
// The SPCA2281 family's protocol, product "ZUN_3M_1".
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

class Extension_Unit_SPCA2281_Protocol : public Extension_Unit_Chip_Protocol {
public:
    // Takes ownership of `device`.
    explicit Extension_Unit_SPCA2281_Protocol(Extension_Unit_Base_Class* device);
    ~Extension_Unit_SPCA2281_Protocol() override;

    // Status-register scripts (no operation of the library runs Read_Flash_Reg; a piece write
    // runs Write_Flash_Reg first). Always 0.
    virtual int Read_Flash_Reg();
    virtual int Write_Flash_Reg();
};
