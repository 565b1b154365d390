#pragma once
// The generic protocol: 8-bit register access through the camera's second extension unit
// (unit id 4) and nothing else. Flash model 0, an all-zero command set, the name "UNKNOW";
// every other operation answers -1 without a request.
#include "Extension_Unit_Class/Extension_Unit_Device_Protocol.h"
#include "Extension_Unit_Class/Refusing_Operations.h"

class Extension_Unit_SPCA_Protocol
    : public Refusing_Operations<Extension_Unit_Device_Protocol, Result_Failed> {
public:
    // Takes ownership of `device`.
    explicit Extension_Unit_SPCA_Protocol(Extension_Unit_Base_Class* device);

    int Read_Reg(std::uint16_t address, std::uint8_t* value) override;
    int Write_Reg(std::uint16_t address, std::uint8_t value) override;
};
