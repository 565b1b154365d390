#include "Extension_Unit_Class/Gpio_Pin_Desc.h"

#include <gtest/gtest.h>

#include "Extension_Unit_Class/Extension_Unit_SPCA2620_Protocol.h"
#include "Simulated_Chip.h"

namespace {

using namespace platform;

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
