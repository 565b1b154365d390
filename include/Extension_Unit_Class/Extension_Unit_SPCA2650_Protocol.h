#pragma once
// The SPCA2650 family's protocol, product "ZUNQ_56_2".
#include "Extension_Unit_Class/Extension_Unit_Chip_Protocol.h"

class Extension_Unit_SPCA2650_Protocol : public Extension_Unit_Chip_Protocol {
public:
    // Takes ownership of `device`.
    explicit Extension_Unit_SPCA2650_Protocol(Extension_Unit_Base_Class* device);
    ~Extension_Unit_SPCA2650_Protocol() override;
};
