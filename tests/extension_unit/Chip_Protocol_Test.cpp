// Every chip protocol class: its register requests and restart sequence, the protocols that
// refuse, and the GPIO pins.
#include <gtest/gtest.h>

#include "Chip_Classes.h"
#include "Extension_Unit_Class/Extension_Unit_SPCA_Protocol.h"
#include "Extension_Unit_Class/Extension_Unit_UNKNOW_Protocol.h"
#include "Extension_Unit_Class/Gpio_Pin_Desc.h"
#include "Protocol_Operations.h"
#include "Simulated_Chip.h"

namespace {

using namespace platform;
using test::Every_Operation;
using test::Expected;
using test::Register_Access;
using test::Request_Code;
using test::Results;
using test::Sent;

class Chip_Protocol : public testing::TestWithParam<test::Chip_Class> {
protected:
    test::Simulated_Chip chip;
    std::unique_ptr<Extension_Unit_Chip_Protocol> protocol{GetParam().Create(chip.New_Device())};
};

TEST_P(Chip_Protocol, RestartsTheChipWithItsFamilysSequence) {
    EXPECT_EQ(protocol->Reset_Device(), 0);
    const auto write = [&](std::uint16_t address, std::uint8_t value) {
        return Register_Access(GetParam().Node, address, Request_Code::Set_Cur, {value});
    };
    EXPECT_EQ(chip.Requests(), GetParam().Restarts_By_Sequence_B
                                   ? write(0x20D8, 0xA5)
                                   : write(0x2030, 0xFF) + write(0x2031, 0x00) + write(0x2032, 0x00) +
                                         write(0x2033, 0x02) + write(0x2034, 0x01));
    EXPECT_EQ(chip.camera->Restart_Count(), 1u);
}

TEST_P(Chip_Protocol, TalksThroughTheFamilysUnitWithTheExactRequests) {
    chip.Registers().Poke(0x3000, 0x34);
    chip.Registers().Poke(0x3001, 0x12);
    std::uint8_t value = 0;
    std::uint16_t word = 0;
    EXPECT_EQ(protocol->Read_Reg(0x20FF, &value), 0);
    EXPECT_EQ(value, 0xC9);
    EXPECT_EQ(protocol->Write_Reg(0x2041, 0xA5), 0);
    EXPECT_EQ(protocol->Read_Reg16(0x3000, &word), 0);
    EXPECT_EQ(word, 0x1234);
    EXPECT_EQ(protocol->Write_Reg16(0x3010, 0xBEEF), 0);
    EXPECT_EQ(chip.Registers().Peek(0x3011), 0xBE);
    const std::uint32_t node = GetParam().Node;
    const std::vector<Sent> word_access{{node, 4, Request_Code::Set_Cur, {0x00, 0x30}},
                                        {node, 5, Request_Code::Get_Cur, {0x34, 0x12}},
                                        {node, 4, Request_Code::Set_Cur, {0x10, 0x30}},
                                        {node, 5, Request_Code::Set_Cur, {0xEF, 0xBE}}};
    EXPECT_EQ(chip.Requests(), Register_Access(node, 0x20FF, Request_Code::Get_Cur, {0xC9}) +
                                   Register_Access(node, 0x2041, Request_Code::Set_Cur, {0xA5}) +
                                   word_access);
}

TEST_P(Chip_Protocol, OrsTheResultsOfBothPairsAndSendsTheSecondAfterAFailedFirst) {
    auto& faults = chip.camera->Faults();
    faults.Fail_Request(1, Failure_Result(0x10, 0x0F00));
    faults.Fail_Request(2, Failure_Result(0x10, 0x00F0));
    faults.Fail_Request(3, -1);
    faults.Fail_Request(6, -1);
    std::uint8_t value = 0x77;
    std::uint16_t word = 0xAAAA;
    EXPECT_EQ(protocol->Read_Reg(0x20FF, &value),
              Failure_Result(0x10, 0x0F00) | Failure_Result(0x10, 0x00F0));
    EXPECT_EQ(value, 0x77) << "a failed get leaves the value";
    EXPECT_EQ(protocol->Write_Reg(0x2041, 0x01), -1);
    EXPECT_EQ(chip.Registers().Peek(0x0000), 0x01) << "the data pair went out, to the address latched before";
    EXPECT_EQ(protocol->Read_Reg16(0x3000, &word), -1);
    EXPECT_EQ(word, 0xAAAA);
}

INSTANTIATE_TEST_SUITE_P(Every_Chip_Class, Chip_Protocol, testing::ValuesIn(test::Chip_Classes),
                         test::Chip_Class_Name);

TEST(Reset_Device, StopsOnlyOnExactMinusOne) {
    test::Simulated_Chip chip;
    Extension_Unit_SPCA2620_Protocol sequence_a(chip.New_Device());
    Extension_Unit_SPCA2282_Protocol sequence_b(chip.New_Device());
    auto& faults = chip.camera->Faults();
    faults.Fail_Request(4, Hresult_From_Win32(Win32_Error::Gen_Failure)); // data of the second write
    EXPECT_EQ(sequence_a.Reset_Device(), 0);
    EXPECT_EQ(chip.camera->Request_Count(), 10u) << "every write went out";
    faults.Fail_Request(10 + 5, -1); // address of the third write
    EXPECT_EQ(sequence_a.Reset_Device(), -1);
    EXPECT_EQ(chip.camera->Request_Count(), 16u) << "that write's data pair still went out, then it stopped";

    faults.Fail_Request(18, Failure_Result(7, 7));
    EXPECT_EQ(sequence_b.Reset_Device(), 0);
    faults.Fail_Request(20, -1);
    EXPECT_EQ(sequence_b.Reset_Device(), -1);
    EXPECT_EQ(chip.camera->Restart_Count(), 1u) << "only the first sequence reached its trigger";
}

TEST(Refusing_Protocols, AnswerWithTheirCodesAndTouchNoCamera) {
    Extension_Unit_UNKNOW_Protocol refusing;
    const Results refused = Every_Operation(refusing);
    EXPECT_EQ(refused, Expected(refused, -2, {{"Get_Flash_Model", 0}, {"Gpio_Set_Bit", 2}}));
    EXPECT_STREQ(refusing.Get_Product_Name(), "UNKNOW");

    test::Simulated_Chip chip;
    Extension_Unit_SPCA_Protocol generic(chip.New_Device());
    const Results failed = Every_Operation(generic);
    EXPECT_EQ(failed, Expected(failed, -1, {{"Get_Flash_Model", 0}, {"Read_Reg", 0}, {"Write_Reg", 0}}));
    EXPECT_EQ(chip.Requests(), Register_Access(3, 0x20FF, Request_Code::Get_Cur, {0xC9}) +
                                   Register_Access(3, 0x20FF, Request_Code::Set_Cur, {0x01}))
        << "only the two register accesses went out, on the second unit";
    EXPECT_STREQ(generic.Get_Product_Name(), "UNKNOW");
}

// Every pin with a descriptor, with the row the table gives it.
std::vector<std::pair<std::uint32_t, Gpio_Pin_Desc>> Described_Pins() {
    std::vector<std::pair<std::uint32_t, Gpio_Pin_Desc>> pins;
    for (std::uint32_t pin = 0; pin < Gpio_Pins_0_To_11.size(); ++pin)
        pins.emplace_back(pin, Gpio_Pins_0_To_11[pin]);
    for (std::uint32_t row = 0; row < Gpio_Pins_128_To_129.size(); ++row)
        pins.emplace_back(128 + row, Gpio_Pins_128_To_129[row]);
    for (std::uint32_t pin : {256u, 300u, 0xFFFFFFFFu})
        pins.emplace_back(pin, Gpio_Pin_256_And_Above);
    return pins;
}

std::uint8_t Mask(std::uint32_t entry) {
    return static_cast<std::uint8_t>(1u << Gpio_Entry_Bit(entry));
}

struct Gpio_Rig {
    test::Simulated_Chip chip;
    Extension_Unit_SPCA2620_Protocol protocol{chip.New_Device()};

    // Every register a pin names starts with a mixed pattern, so kept bits show.
    void Fill(const Gpio_Pin_Desc& desc, std::uint8_t pattern) {
        for (std::uint32_t entry : desc.Entry) {
            if (entry != Gpio_No_Entry)
                chip.Registers().Poke(Gpio_Entry_Register(entry), pattern);
        }
    }
    std::uint8_t At(std::uint32_t entry) const { return chip.Registers().Peek(Gpio_Entry_Register(entry)); }
};

TEST(Gpio, SetClearWriteAndReadTouchOnlyTheirBits) {
    for (const auto& [pin, desc] : Described_Pins()) {
        SCOPED_TRACE(pin);
        for (std::uint8_t pattern : {std::uint8_t{0xA5}, std::uint8_t{0x5A}}) {
            Gpio_Rig rig;
            Gpio_Pin_Desc found{};
            ASSERT_EQ(Get_Gpio_Pin_Desc(pin, &found), 0);
            ASSERT_EQ(found.Entry, desc.Entry);
            const auto [set_clear, output, input, companion] = desc.Entry;
            EXPECT_EQ(Gpio_Entry_Present(companion), pin < 7) << "only pins 0 to 6 have a companion bit";
            rig.Fill(desc, pattern);
            ASSERT_EQ(rig.protocol.Gpio_Set_Bit(pin), 0);
            EXPECT_EQ(rig.At(set_clear), pattern | Mask(set_clear));

            rig.Fill(desc, pattern);
            ASSERT_EQ(rig.protocol.Gpio_Clear_Bit(pin), 0);
            EXPECT_EQ(rig.At(set_clear), pattern & ~Mask(set_clear));
            if (Gpio_Entry_Present(companion)) {
                const std::uint8_t want =
                    Gpio_Entry_Flag(companion) != 0 ? pattern | Mask(companion) : pattern & ~Mask(companion);
                EXPECT_EQ(rig.At(companion), want);
            } else {
                EXPECT_EQ(rig.chip.Registers().Peek(0x20E8), 0) << "no companion bit is touched";
            }

            for (std::uint8_t level : {std::uint8_t{0}, std::uint8_t{1}, std::uint8_t{0x80}}) {
                rig.Fill(desc, pattern);
                ASSERT_EQ(rig.protocol.Gpio_Write(pin, level), 0);
                const std::uint8_t want = level ? pattern | Mask(output) : pattern & ~Mask(output);
                EXPECT_EQ(rig.At(output), want) << "level " << int(level);
            }

            rig.Fill(desc, pattern);
            std::uint8_t level = 0x55;
            ASSERT_EQ(rig.protocol.Gpio_Read(pin, &level), 0);
            EXPECT_EQ(level, (pattern & Mask(input)) ? 1 : 0);
        }
    }
}

TEST(Gpio, OnlyThePinsOfTheTableHaveADescriptor) {
    Gpio_Rig rig;
    std::uint8_t level = 0x55;
    Gpio_Pin_Desc desc{};
    EXPECT_EQ(Get_Gpio_Pin_Desc(0, nullptr), -1);
    for (std::uint32_t pin : {12u, 127u, 130u, 255u}) {
        EXPECT_EQ(Get_Gpio_Pin_Desc(pin, &desc), -1);
        EXPECT_EQ(rig.protocol.Gpio_Set_Bit(pin), -1);
        EXPECT_EQ(rig.protocol.Gpio_Clear_Bit(pin), -1);
        EXPECT_EQ(rig.protocol.Gpio_Write(pin, 1), -1);
        EXPECT_EQ(rig.protocol.Gpio_Read(pin, &level), -1);
    }
    EXPECT_EQ(level, 0x55);
    EXPECT_EQ(rig.protocol.Gpio_Read(0, nullptr), -2);
    EXPECT_EQ(rig.chip.camera->Request_Count(), 0u);
}

TEST(Gpio, AFailedReadCountsAsZeroAndEveryAccessStillGoesOut) {
    Gpio_Rig rig;
    rig.chip.Registers().Poke(0x2041, 0xF0);
    const HRESULT stall = Hresult_From_Win32(Win32_Error::Gen_Failure);
    rig.chip.camera->Faults().Fail_Selector(3, stall, test::Request_Code::Get_Cur);
    EXPECT_EQ(rig.protocol.Gpio_Set_Bit(1), stall);
    EXPECT_EQ(rig.chip.Registers().Peek(0x2041), 0x02) << "the write carried 0 | bit";
    EXPECT_EQ(rig.chip.camera->Request_Count(), 4u);

    // Clearing a pin with a companion bit: both updates go out and both failures show.
    rig.chip.Forget_Requests();
    EXPECT_EQ(rig.protocol.Gpio_Clear_Bit(0), stall);
    EXPECT_EQ(rig.chip.Requests().size(), 8u);
    std::uint8_t level = 0x55;
    EXPECT_EQ(rig.protocol.Gpio_Read(0, &level), stall);
    EXPECT_EQ(level, 0);
}

} // namespace
