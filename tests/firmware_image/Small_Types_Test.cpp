#include "firmware_image/Edited_Value.h"
#include "firmware_image/Get_List_Item.h"
#include "firmware_image/String_Buffer_260.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(String_Buffer_260, KeepsAtMost260BytesAndTellsWhenNoNulFits) {
    const std::string full(260, 'A');
    const String_Buffer_260 too_long(full.c_str());
    EXPECT_FALSE(too_long.Has_Terminator());
    EXPECT_EQ(too_long.Length(), 260U);

    const std::string fits(259, 'B');
    const String_Buffer_260 longest(fits.c_str());
    EXPECT_TRUE(longest.Has_Terminator());
    EXPECT_EQ(longest.Text(), fits);

    EXPECT_EQ(String_Buffer_260(static_cast<const char*>(nullptr)).Length(), 0U);
    // Construction zero-fills, so nothing of an earlier text survives after the NUL.
    String_Buffer_260 reused("long earlier text");
    reused.Assign("ab");
    EXPECT_EQ(reused.Data()[3], '\0');
}

TEST(String_Buffer_260, StatusMessages) {
    struct Row {
        std::int32_t Status;
        const char* Message;
    };
    for (const Row row : {Row{String_Status_Done, ""}, Row{String_Status_Over_Length, "StringOverLength"},
                          Row{String_Status_No_Use, "StringNoUse"}}) {
        String_Buffer_260 message("previous message");
        EXPECT_EQ(Report_String_Status(message, row.Status), row.Status);
        EXPECT_EQ(message.Text(), row.Message);
        if (row.Status == String_Status_Done) {
            EXPECT_TRUE(std::all_of(message.Data(), message.Data() + 260, [](char c) { return c == 0; }));
        }
    }
    std::int32_t status = -7;
    Store_Status(&status, String_Status_No_Use);
    EXPECT_EQ(status, 3);
    Store_Status(nullptr, String_Status_No_Use); // an absent status pointer is allowed
}

TEST(Edited_Value, StoresWhenEnabledElseCompares) {
    Edited_Value slot;
    EXPECT_FALSE(slot.Apply(std::uint32_t{5})) << "a new slot holds 0 and is not enabled";
    slot.Present = 1;
    slot.Enabled = 1;
    EXPECT_TRUE(slot.Apply(std::uint32_t{5}));
    EXPECT_EQ(slot.Get_Number(), 5U);

    slot.Enabled = 0;
    EXPECT_TRUE(slot.Apply(std::uint32_t{0x00000005}));
    EXPECT_FALSE(slot.Apply(std::uint32_t{0x00000105}));
    EXPECT_EQ(slot.Get_Number(), 5U) << "a compare stores nothing";
    // All four bytes count, zero bytes included.
    EXPECT_FALSE(slot.Apply(std::uint32_t{0xFF000005}));
    EXPECT_TRUE(slot.Apply(std::uint8_t{5}));
    EXPECT_FALSE(slot.Apply(std::uint8_t{6}));

    slot.Enabled = 1;
    EXPECT_TRUE(slot.Apply(std::uint16_t{1280}, std::uint16_t{720}));
    EXPECT_EQ(slot.Get_Width(), 1280);
    EXPECT_EQ(slot.Get_Height(), 720);
    slot.Present = 0;
    EXPECT_TRUE(slot.Apply(std::uint16_t{1280}, std::uint16_t{720}));
    EXPECT_FALSE(slot.Apply(std::uint16_t{1280}, std::uint16_t{721}));
    EXPECT_EQ(slot.Get_Height(), 720);
}

TEST(Get_List_Item, BadPositionsGiveTheFirstAndEmptyListsNothing) {
    std::vector<int> list{10, 20, 30};
    EXPECT_EQ(*Get_List_Item(list, 0), 10);
    EXPECT_EQ(*Get_List_Item(list, 2), 30);
    EXPECT_EQ(*Get_List_Item(list, 3), 10);
    EXPECT_EQ(*Get_List_Item(list, 1000), 10);
    std::vector<int> empty;
    EXPECT_EQ(Get_List_Item(empty, 0), nullptr);
}
