#pragma once
// The SPCA2092 chip, product "ZUN_1080P_2": the SPCA2085 family's protocol under its own name.
#include "Extension_Unit_Class/Extension_Unit_SPCA2085_Protocol.h"

class Extension_Unit_SPCA2092_Protocol : public Extension_Unit_SPCA2085_Protocol {
public:
    // Takes ownership of `device`.
    explicit Extension_Unit_SPCA2092_Protocol(Extension_Unit_Base_Class* device);
    ~Extension_Unit_SPCA2092_Protocol() override;
};
