#pragma once
// Every numeric operation of the protocol interface called once, for the tests of protocols
// that refuse most of them.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"

namespace test {

using Results = std::map<std::string, int>;

// Every operation that answers a number, called with harmless arguments. The outputs must
// stay untouched by a refusal.
inline Results Every_Operation(Extension_Unit_Base_Protocol& protocol) {
    std::array<std::uint8_t, ISP_Piece_Size> buffer{};
    std::uint8_t byte = 0x55;
    std::uint16_t word = 0x5555;
    float progress = 0.5f;
    Results results{{"Read_Reg", protocol.Read_Reg(0x20FF, &byte)},
                    {"Write_Reg", protocol.Write_Reg(0x20FF, 1)},
                    {"Read_Reg16", protocol.Read_Reg16(0x20FF, &word)},
                    {"Write_Reg16", protocol.Write_Reg16(0x20FF, 1)},
                    {"Read_ISP_Mem_Piece", protocol.Read_ISP_Mem_Piece(0, buffer.data())},
                    {"Write_ISP_Mem_Piece", protocol.Write_ISP_Mem_Piece(0, buffer.data())},
                    {"Set_Flash_type", protocol.Set_Flash_type(0)},
                    {"Get_Flash_Model", protocol.Get_Flash_Model()},
                    {"Get_Flash_Length_Mes", protocol.Get_Flash_Length_Mes(&word)},
                    {"Download_Firmware", protocol.Download_Firmware(buffer.data(), 4096, &progress)},
                    {"Reset_Device", protocol.Reset_Device()},
                    {"Read_ExID", protocol.Read_ExID(buffer.data())},
                    {"Write_ExID", protocol.Write_ExID(buffer.data())},
                    {"Read_Customer_Piece", protocol.Read_Customer_Piece(0, buffer.data())},
                    {"Write_Customer_Piece", protocol.Write_Customer_Piece(0, buffer.data())},
                    {"Gpio_Set_Bit", protocol.Gpio_Set_Bit(0)},
                    {"Gpio_Clear_Bit", protocol.Gpio_Clear_Bit(0)},
                    {"Gpio_Write", protocol.Gpio_Write(0, 1)},
                    {"Gpio_Read", protocol.Gpio_Read(0, &byte)}};
    std::uint8_t family = 0x55;
    EXPECT_EQ(protocol.Get_Flash_Type(&family), Flash_Command_Set{});
    EXPECT_EQ(family, 0x55);
    EXPECT_EQ(word, 0x5555);
    EXPECT_EQ(progress, 0.5f);
    return results;
}

// `results` with every value replaced by `value`, then the exceptions.
inline Results Expected(const Results& results, int value, const Results& exceptions) {
    Results expected = results;
    for (auto& [name, result] : expected)
        result = value;
    for (const auto& [name, result] : exceptions)
        expected[name] = result;
    return expected;
}

} // namespace test
