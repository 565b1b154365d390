#pragma once
// Every camera operation of the protocol interface answered with one refusal and no request:
// the base of the protocols that offer little or nothing, which override only what they do
// offer. The flash model is 0 (no part recognised) and the command set all zero, never a
// refusal, so a caller that reads them sees "no flash" rather than an error.
#include <cstdint>

#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"

template <typename Base, int Refusal>
class Refusing_Operations : public Base {
public:
    using Base::Base;

    int Read_Reg(std::uint16_t, std::uint8_t*) override { return Refusal; }
    int Write_Reg(std::uint16_t, std::uint8_t) override { return Refusal; }
    int Read_Reg16(std::uint16_t, std::uint16_t*) override { return Refusal; }
    int Write_Reg16(std::uint16_t, std::uint16_t) override { return Refusal; }
    int Read_ISP_Mem_Piece(std::uint16_t, std::uint8_t*) override { return Refusal; }
    int Write_ISP_Mem_Piece(std::uint16_t, const std::uint8_t*) override { return Refusal; }
    int Set_Flash_type(std::uint8_t) override { return Refusal; }
    int Get_Flash_Model() override { return 0; }
    Flash_Command_Set Get_Flash_Type(std::uint8_t*) override { return {}; }
    int Get_Flash_Length_Mes(std::uint16_t*) override { return Refusal; }
    int Download_Firmware(const std::uint8_t*, std::uint32_t, float*) override { return Refusal; }
    int Reset_Device() override { return Refusal; }
    int Read_ExID(std::uint8_t*) override { return Refusal; }
    int Write_ExID(const std::uint8_t*) override { return Refusal; }
    int Read_Customer_Piece(std::uint16_t, std::uint8_t*) override { return Refusal; }
    int Write_Customer_Piece(std::uint16_t, const std::uint8_t*) override { return Refusal; }
    int Gpio_Set_Bit(std::uint32_t) override { return Refusal; }
    int Gpio_Clear_Bit(std::uint32_t) override { return Refusal; }
    int Gpio_Write(std::uint32_t, std::uint8_t) override { return Refusal; }
    int Gpio_Read(std::uint32_t, std::uint8_t*) override { return Refusal; }
};
