#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"
#include "firmware_image/Firmware_Massage_2688_class.h"
#include "test_images/Image_Builder.h"

#include <gtest/gtest.h>

namespace {

using Kind = IQ_Control_Kind;

test_images::Bytes Block(const test_images::Camera_Control_Spec& spec = {}) {
    test_images::Bytes block(IQ_Block_Size, 0);
    test_images::Put_Camera_Controls(block, 0, spec);
    return block;
}

std::int32_t Read(const Firmware_IQ_Adjust_Class_2688& block, std::uint32_t index, std::uint32_t field) {
    std::int32_t value = -99999;
    EXPECT_TRUE(block.Get_IQ_Control(index, field, &value)) << index << " " << field;
    return value;
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
            EXPECT_EQ(Read(block, index, IQ_Field_Current), record.Current);
            EXPECT_EQ(Read(block, index, IQ_Field_Minimum), record.Minimum);
            EXPECT_EQ(Read(block, index, IQ_Field_Maximum), record.Maximum);
            EXPECT_EQ(Read(block, index, IQ_Field_Fourth), record.Fourth);
            EXPECT_EQ(Read(block, index, IQ_Field_Default), record.Default);
            EXPECT_EQ(Read(block, index, IQ_Field_Byte), record.Byte);
            break;
        case Kind::Byte:
        case Kind::Power_Line:
            EXPECT_EQ(Read(block, index, IQ_Field_Current), record.Current);
            EXPECT_EQ(Read(block, index, IQ_Field_Default), record.Default);
            EXPECT_EQ(Read(block, index, IQ_Field_Byte), record.Byte);
            EXPECT_EQ(Read(block, index, IQ_Field_Minimum), 0) << "no such field";
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
    test_images::Camera_Control_Spec odd;
    odd.Records[14].Current = 30000;
    odd.Records[0].Minimum = -5;
    const Firmware_IQ_Adjust_Class_2688 raw(Block(odd).data());
    EXPECT_EQ(Read(raw, 14, IQ_Field_Current), 30000);
    EXPECT_EQ(Read(raw, 0, IQ_Field_Minimum), -5);
}

TEST(Camera_Controls, WritesFollowTheRangeAndEachKindsRule) {
    Firmware_IQ_Adjust_Class_2688 block(Block().data());
    // Current value and default: not below the minimum; minimum itself is fine.
    EXPECT_FALSE(Write(block, 0, IQ_Field_Current, -1));
    EXPECT_EQ(Read(block, 0, IQ_Field_Current), 100);
    EXPECT_TRUE(Write(block, 0, IQ_Field_Current, 0));
    EXPECT_EQ(Read(block, 0, IQ_Field_Current), 0);
    EXPECT_FALSE(Write(block, 0, IQ_Field_Current, 0x18000)) << "compared as a signed 16-bit value";
    // Flags are handled in the order 1, 2, 4, 16, 8 and a refusal stops them.
    EXPECT_TRUE(Write(block, 1, IQ_Field_Current | IQ_Field_Minimum, 50));
    EXPECT_EQ(Read(block, 1, IQ_Field_Minimum), 50);
    EXPECT_FALSE(Write(block, 1, IQ_Field_Current | IQ_Field_Minimum, 40));
    EXPECT_EQ(Read(block, 1, IQ_Field_Minimum), 50);
    // A maximum of 0 refuses the current value and the default.
    EXPECT_TRUE(Write(block, 2, IQ_Field_Maximum, 0));
    EXPECT_FALSE(Write(block, 2, IQ_Field_Current, 5));
    EXPECT_FALSE(Write(block, 2, IQ_Field_Default, 5));
    EXPECT_TRUE(Write(block, 2, IQ_Field_Fourth, 5)) << "the other fields take any value";
    // Flag 32 answers false, though the other flags are written.
    EXPECT_FALSE(Write(block, 3, IQ_Field_Current | IQ_Field_Byte, 7));
    EXPECT_EQ(Read(block, 3, IQ_Field_Current), 7);
    // 32-bit controls compare as signed 32-bit values.
    EXPECT_FALSE(Write(block, 16, IQ_Field_Current, -36001));
    EXPECT_TRUE(Write(block, 16, IQ_Field_Current | IQ_Field_Default, -36000));
    EXPECT_EQ(Read(block, 16, IQ_Field_Default), -36000);

    // Exposure takes steps: 0 is 10000, 1 is 20000 (both read back as 0), -13 is 1, and
    // steps outside the table write nothing.
    EXPECT_TRUE(Write(block, 14, IQ_Field_Current, 0));
    EXPECT_EQ(block.Get_Edited_Block()[IQ_Camera_Controls + 8 + 2], 0x27);
    EXPECT_EQ(block.Get_Edited_Block()[IQ_Camera_Controls + 8 + 3], 0x10);
    EXPECT_EQ(Read(block, 14, IQ_Field_Current), 0);
    EXPECT_TRUE(Write(block, 14, IQ_Field_Current, 1));
    EXPECT_EQ(Read(block, 14, IQ_Field_Current), 0);
    EXPECT_TRUE(Write(block, 14, IQ_Field_Current, -13));
    EXPECT_EQ(Read(block, 14, IQ_Field_Current), -13);
    EXPECT_TRUE(Write(block, 14, IQ_Field_Current, 2));
    EXPECT_TRUE(Write(block, 14, IQ_Field_Current, -14));
    EXPECT_EQ(Read(block, 14, IQ_Field_Current), -13);

    // The automatic switch stores 8 for on, 1 for off.
    EXPECT_TRUE(Write(block, 15, IQ_Field_Current | IQ_Field_Default, 3));
    EXPECT_EQ(block.Get_Edited_Block()[IQ_Camera_Controls + 4], 8);
    EXPECT_EQ(Read(block, 15, IQ_Field_Current), 1);
    EXPECT_TRUE(Write(block, 15, IQ_Field_Current, 0));
    EXPECT_EQ(block.Get_Edited_Block()[IQ_Camera_Controls + 4], 1);
    EXPECT_EQ(Read(block, 15, IQ_Field_Current), 0);
    // Power line 0 is stored as 2; byte controls take flags 1 and 8 only.
    EXPECT_TRUE(Write(block, 10, IQ_Field_Current | IQ_Field_Default, 0));
    EXPECT_EQ(Read(block, 10, IQ_Field_Current), 2);
    EXPECT_EQ(Read(block, 10, IQ_Field_Default), 2);
    EXPECT_TRUE(Write(block, 7, IQ_Field_Default, 0));
    EXPECT_EQ(Read(block, 7, IQ_Field_Default), 0);
    EXPECT_EQ(Read(block, 7, IQ_Field_Current), 1);
    EXPECT_FALSE(Write(block, 13, IQ_Field_Current | IQ_Field_Byte, 1));
    EXPECT_EQ(Read(block, 13, IQ_Field_Current), 1);

    EXPECT_FALSE(Write(block, 18, IQ_Field_Current, 0));
    EXPECT_FALSE(Write(block, 19, IQ_Field_Current, 0));
    EXPECT_FALSE(block.Set_IQ_Control(0, IQ_Field_Current, nullptr));
    // The block as copied in stays as it was.
    EXPECT_EQ(test_images::Bytes(block.Get_Original_Block().begin(), block.Get_Original_Block().end()),
              Block());
}

TEST(Camera_Controls, SwitchesModesAndWord) {
    test_images::Camera_Control_Spec spec;
    spec.Switches = {0, 1, 1, 0, 2, 1};
    spec.Modes = {2, 5};
    Firmware_IQ_Adjust_Class_2688 block(Block(spec));
    EXPECT_EQ(block.Get_IQ_Switch(0, 0), 0);
    EXPECT_EQ(block.Get_IQ_Switch(1, 0), 1);
    EXPECT_EQ(block.Get_IQ_Switch(0, 1), 1);
    EXPECT_EQ(block.Get_IQ_Switch(0, 2), -1) << "a stored 2 is no switch";
    EXPECT_EQ(block.Get_IQ_Switch(1, 3), -1);
    EXPECT_EQ(block.Set_IQ_Switch(0, 2, 1), -1);
    EXPECT_EQ(block.Set_IQ_Switch(1, 1, 1), 1);
    EXPECT_EQ(block.Get_IQ_Switch(1, 1), 1);

    EXPECT_EQ(block.Get_IQ_Mode(0), 2);
    EXPECT_EQ(block.Get_IQ_Mode(1), -1);
    EXPECT_EQ(block.Set_IQ_Mode(1, 0), -1) << "a byte above 3 is left alone";
    EXPECT_EQ(block.Set_IQ_Mode(0, 3), 3);
    EXPECT_EQ(block.Get_IQ_Mode(0), 3);

    EXPECT_EQ(block.Get_IQ_Word(0), 0x1234);
    EXPECT_EQ(block.Get_IQ_Word(1), -1);
    EXPECT_EQ(block.Set_IQ_Word(0, 0xBEEF), 0xBEEF);
    EXPECT_EQ(block.Set_IQ_Word(1, 1), -1);

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
