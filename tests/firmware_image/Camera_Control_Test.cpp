#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"
#include "firmware_image/Firmware_Massage_2688_class.h"
#include "test_images/Image_Builder.h"

#include <gtest/gtest.h>

namespace {

using Kind = IQ_Control_Kind;

test_images::Bytes Block(const test_images::Camera_Control_Description& desc = {}) {
    test_images::Bytes block(IQ_Block_Size, 0);
    test_images::Put_Camera_Controls(block, 0, desc);
    return block;
}

std::int32_t Read(const Firmware_IQ_Adjust_Class_2688& block, std::uint32_t index, std::uint32_t field) {
    std::int32_t value = -99999;
    EXPECT_TRUE(block.Get_IQ_Control(index, field, &value)) << index << " " << field;
    return value;
}

// Current, minimum, maximum, fourth, default and byte field of a control.
using Fields = std::array<std::int32_t, 6>;
Fields Fields_Of(const Firmware_IQ_Adjust_Class_2688& block, std::uint32_t index) {
    Fields fields{};
    std::size_t i = 0;
    for (std::uint32_t field : {IQ_Field_Current, IQ_Field_Minimum, IQ_Field_Maximum, IQ_Field_Fourth,
                                IQ_Field_Default, IQ_Field_Byte})
        fields[i++] = Read(block, index, field);
    return fields;
}

bool Write(Firmware_IQ_Adjust_Class_2688& block, std::uint32_t index, std::uint32_t field,
           std::int32_t value) {
    return block.Set_IQ_Control(index, field, &value);
}

} // namespace

TEST(Camera_Controls, ReadsEveryControlAsStored) {
    const auto records = test_images::Default_Control_Records();
    const Firmware_IQ_Adjust_Class_2688 block(Block().data());
    const auto rows = IQ_Control_Rows();
    ASSERT_EQ(rows.size(), IQ_Control_Count);
    for (std::uint32_t index = 0; index < test_images::Control_Record_Count; ++index) {
        const auto& record = records[index];
        SCOPED_TRACE(index);
        switch (rows[index].Kind) {
        case Kind::Word:
        case Kind::Double:
            EXPECT_EQ(Fields_Of(block, index), (Fields{record.Current, record.Minimum, record.Maximum,
                                                       record.Fourth, record.Default, record.Byte}));
            break;
        case Kind::Byte:
        case Kind::Power_Line: // no minimum, maximum or fourth field
            EXPECT_EQ(Fields_Of(block, index),
                      (Fields{record.Current, 0, 0, 0, record.Default, record.Byte}));
            break;
        case Kind::Auto:
            EXPECT_EQ(Read(block, index, IQ_Field_Current), 1) << "8 is on";
            EXPECT_EQ(Read(block, index, IQ_Field_Byte), 1);
            break;
        case Kind::Exposure:
            // 312 lies in the step (156, 312]: step -5; the maximum 20000 is step 0.
            EXPECT_EQ(Read(block, index, IQ_Field_Current), -5);
            EXPECT_EQ(Read(block, index, IQ_Field_Default), -6);
            EXPECT_EQ(Read(block, index, IQ_Field_Minimum), -13);
            EXPECT_EQ(Read(block, index, IQ_Field_Maximum), 0);
            break;
        case Kind::None:
            break;
        }
        EXPECT_EQ(Read(block, index, IQ_Field_Current | IQ_Field_Minimum), 0) << "one field at a time";
    }
    std::int32_t value = 7;
    EXPECT_FALSE(block.Get_IQ_Control(18, IQ_Field_Current, &value)) << "roll has no record";
    EXPECT_FALSE(block.Get_IQ_Control(19, IQ_Field_Current, &value));
    EXPECT_FALSE(block.Get_IQ_Control(0, IQ_Field_Current, nullptr));
    EXPECT_EQ(value, 7);

    // Exposure values past the steps stay raw; negative 16-bit fields sign-extend.
    test_images::Camera_Control_Description odd;
    odd.Records[14].Current = 30000;
    odd.Records[0].Minimum = -5;
    const Firmware_IQ_Adjust_Class_2688 raw(Block(odd).data());
    EXPECT_EQ(Read(raw, 14, IQ_Field_Current), 30000);
    EXPECT_EQ(Read(raw, 0, IQ_Field_Minimum), -5);
}

TEST(Camera_Controls, WritesFollowTheRangeAndEachKindsRule) {
    constexpr std::uint32_t Cur = IQ_Field_Current, Min = IQ_Field_Minimum, Max = IQ_Field_Maximum,
                            Def = IQ_Field_Default;
    struct Step {
        std::uint32_t Index, Fields;
        std::int32_t Value;
        bool Accepted;
        std::uint32_t Read_Field;
        std::int32_t Reads;
    };
    const Step steps[] = {
        // Current value and default: not below the minimum (compared as signed 16-bit values).
        {0, Cur, -1, false, Cur, 100},
        {0, Cur, 0, true, Cur, 0},
        {0, Cur, 0x18000, false, Cur, 0},
        // Flags are handled in the order 1, 2, 4, 16, 8 and a refusal stops them.
        {1, Cur | Min, 50, true, Min, 50},
        {1, Cur | Min, 40, false, Min, 50},
        // A maximum of 0 refuses the current value and the default; other fields take any value.
        {2, Max, 0, true, Max, 0},
        {2, Cur, 5, false, Cur, 102},
        {2, Def, 5, false, Def, 102},
        {2, IQ_Field_Fourth, 5, true, IQ_Field_Fourth, 5},
        // Flag 32 answers false, though the other flags are written.
        {3, Cur | IQ_Field_Byte, 7, false, Cur, 7},
        // 32-bit controls compare as signed 32-bit values.
        {16, Cur, -36001, false, Cur, 0},
        {16, Cur | Def, -36000, true, Def, -36000},
        // Exposure takes steps: 0 is 10000, 1 is 20000 (both read back as 0), -13 is 1, and
        // steps outside the table write nothing.
        {14, Cur, 1, true, Cur, 0},
        {14, Cur, -13, true, Cur, -13},
        {14, Cur, 2, true, Cur, -13},
        {14, Cur, -14, true, Cur, -13},
        // The automatic switch stores 8 for on, 1 for off.
        {15, Cur | Def, 3, true, Cur, 1},
        {15, Cur, 0, true, Cur, 0},
        // Power line 0 is stored as 2; byte controls take flags 1 and 8 only.
        {10, Cur | Def, 0, true, Def, 2},
        {7, Def, 0, true, Def, 0},
        {13, Cur | IQ_Field_Byte, 1, false, Cur, 1},
    };
    Firmware_IQ_Adjust_Class_2688 block(Block().data());
    const auto stored = [&](std::size_t offset) {
        return block.Get_Edited_Block()[IQ_Camera_Controls + offset];
    };
    EXPECT_TRUE(Write(block, 14, Cur, 0));
    EXPECT_EQ(Read(block, 14, Cur), 0);
    EXPECT_EQ(stored(8 + 2) << 8 | stored(8 + 3), 10000);
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "control " << step.Index << " value " << step.Value);
        EXPECT_EQ(Write(block, step.Index, step.Fields, step.Value), step.Accepted);
        EXPECT_EQ(Read(block, step.Index, step.Read_Field), step.Reads);
    }
    EXPECT_EQ(stored(4), 1) << "automatic exposure off";
    EXPECT_EQ(Read(block, 10, Cur), 2);
    EXPECT_EQ(Read(block, 7, Cur), 1);
    EXPECT_FALSE(Write(block, 18, Cur, 0));
    EXPECT_FALSE(Write(block, 19, Cur, 0));
    EXPECT_FALSE(block.Set_IQ_Control(0, Cur, nullptr));
    // The block as copied in stays as it was.
    EXPECT_EQ(test_images::Bytes(block.Get_Original_Block().begin(), block.Get_Original_Block().end()),
              Block());
}

TEST(Camera_Controls, SwitchesModesAndWord) {
    test_images::Camera_Control_Description desc;
    desc.Switches = {0, 1, 1, 0, 2, 1};
    desc.Modes = {2, 5};
    Firmware_IQ_Adjust_Class_2688 block(Block(desc));
    // Switch 2 holds 2, which is no switch; there is no switch 3 in group 1.
    EXPECT_EQ(std::tuple(block.Get_IQ_Switch(0, 0), block.Get_IQ_Switch(1, 0), block.Get_IQ_Switch(0, 1),
                         block.Get_IQ_Switch(0, 2), block.Get_IQ_Switch(1, 3)),
              std::tuple(0, 1, 1, -1, -1));
    EXPECT_EQ(block.Set_IQ_Switch(0, 2, 1), -1);
    EXPECT_EQ(block.Set_IQ_Switch(1, 1, 1), 1);
    EXPECT_EQ(block.Get_IQ_Switch(1, 1), 1);

    EXPECT_EQ(block.Get_IQ_Mode(0), 2);
    EXPECT_EQ(block.Get_IQ_Mode(1), -1);
    EXPECT_EQ(block.Set_IQ_Mode(1, 0), -1) << "a byte above 3 is left alone";
    EXPECT_EQ(block.Set_IQ_Mode(0, 3), 3);
    EXPECT_EQ(block.Get_IQ_Mode(0), 3);

    EXPECT_EQ(std::tuple(block.Get_IQ_Word(0), block.Get_IQ_Word(1)), std::tuple(0x1234, -1));
    EXPECT_EQ(std::tuple(block.Set_IQ_Word(0, 0xBEEF), block.Set_IQ_Word(1, 1)), std::tuple(0xBEEF, -1));

    // A short block reads as zeros past its end.
    const test_images::Bytes whole = Block();
    const Firmware_IQ_Adjust_Class_2688 short_block(Byte_Span(whole).first(IQ_Camera_Controls + 72));
    EXPECT_EQ(Read(short_block, 0, IQ_Field_Current), 100);
    EXPECT_EQ(Read(short_block, 0, IQ_Field_Maximum), 0);

    // The image object serves the same block through its camera-control interface.
    const test_images::Bytes image = test_images::Build_2688_Image({});
    Firmware_Massage_2688_class object(image.data(), static_cast<std::uint32_t>(image.size()));
    EXPECT_EQ(object.Set_IQ_Word(0, 7), 7);
    EXPECT_EQ(object.Get_IQ_Block().Get_IQ_Word(0), 7);
    std::int32_t value = 0;
    EXPECT_TRUE(object.Get_Camera_Control(9, IQ_Field_Current, &value));
    EXPECT_EQ(value, 109);
}
