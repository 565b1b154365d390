#pragma once
// The SPCA2650 family's protocol, product "ZUNQ_56_2".
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

class Extension_Unit_SPCA2650_Protocol : public Extension_Unit_Chip_Protocol {
public:
    // Takes ownership of `device`.
    explicit Extension_Unit_SPCA2650_Protocol(Extension_Unit_Base_Class* device);
    ~Extension_Unit_SPCA2650_Protocol() override;

    // Status-register scripts, run first by a piece read, a piece write and a download. Always 0.
    virtual int Read_Flash_Reg();
    virtual int Write_Flash_Reg();
    virtual int DownLoad_Flash_Reg();
};
