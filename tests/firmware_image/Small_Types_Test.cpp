// The small types (260-byte strings, edited values, list items), the string descriptors
// and the external ID.
#include "firmware_image/Edited_Value.h"
#include "firmware_image/External_ID.h"
#include "firmware_image/Get_List_Item.h"
#include "firmware_image/String_Buffer_260.h"
#include "firmware_image/String_Descriptor.h"
#include "test_images/Image_Builder.h"

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

using namespace test_images;

namespace {

Stored_String Stored(std::string_view text) {
    Stored_String stored{};
    Text_To_String_Descriptor(String_Buffer_260(text), stored);
    return stored;
}

std::string Text_Of(const Stored_String& stored) {
    String_Buffer_260 text;
    return std::string(String_Descriptor_To_Text(text, stored).Text());
}

} // namespace

TEST(String_Descriptor, NumberingCarriesPassesSpacesAndStopsAtLetters) {
    struct Row {
        const char* Text;
        std::uint32_t N;
        const char* Expected;
    };
    for (const Row row :
         {Row{"SN0099", 1, "SN0100"}, Row{"A99", 1, "A00"}, Row{"12 34", 1, "12 35"},
          Row{"12 99", 1, "13 00"}, Row{"Camera", 1, "Camera"}, Row{"ID0007", 5, "ID0012"},
          Row{"999", 1, "000"}, Row{"7 \t", 2, "9 \t"}, Row{"000", 4294967295U, "295"}, Row{"", 1, ""}}) {
        Stored_String stored = Stored(row.Text);
        Add_Number_To_String_Descriptor(stored, row.N);
        EXPECT_EQ(Text_Of(stored), row.Expected) << row.Text;
    }
}

TEST(String_Descriptor, LengthsFromImagesAreClampedToTheRecord) {
    Stored_String stored = Stored("Camera");
    EXPECT_EQ(stored[2], 14);
    for (const std::uint8_t length : {0, 1}) {
        stored[1] = stored[2] = length;
        EXPECT_EQ(Text_Of(stored), "") << int(length);
        Add_Number_To_String_Descriptor(stored, 1); // no code unit: nothing to walk
    }
    // A bLength past the record reads only the record's 64 code units.
    Stored_String full{};
    for (std::size_t i = Stored_String_Head; i < full.size(); i += 2) {
        full[i] = 'x';
    }
    full[1] = full[2] = 250;
    EXPECT_EQ(Text_Of(full), std::string(64, 'x'));

    // A stored descriptor copied from an image keeps its head and no more than its
    // bLength, the record and the image hold.
    Bytes image(0x100, 0xEE);
    Put_Bytes(image, 0x80, Stored_String_Descriptor("AB"));
    image[0x81] = image[0x82] = 200;
    Copy_Stored_String(image, 0x80, stored);
    EXPECT_EQ(stored[2], 200);
    EXPECT_EQ(stored[Stored_String_Head + 0x7B], 0xEE) << "image bytes up to its end";
    EXPECT_EQ(stored[Stored_String_Head + 0x7C], 0) << "nothing past the image";
    EXPECT_EQ(Text_Of(stored).substr(0, 2), "AB");
}

TEST(String_Descriptor, TextsAndWriteBacksAreCutToTheirPlace) {
    // A text longer than the record holds is cut to it, never written past it.
    Stored_String stored{};
    const std::string long_text(259, 'z');
    EXPECT_EQ(Text_To_String_Descriptor(String_Buffer_260(long_text), stored), 2 * (63 + 1));
    EXPECT_EQ(Text_Of(stored), std::string(63, 'z'));
    EXPECT_EQ(Text_Into_String_Descriptor(String_Buffer_260(long_text), stored), 2 * 63U);

    // A write-back longer than its room is cut to whole units, with bLength to match.
    Bytes image(16, 0xEE);
    Write_Stored_String(image, 2, Stored("ABCDEF"), 9);
    EXPECT_EQ(image, (Bytes{0xEE, 0xEE, 0x00, 0x06, 0x06, 0x03, 'A', 0, 'B', 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                            0xEE}));
    Write_Stored_String(image, 12, Stored("ABCDEF"), 100);
    EXPECT_EQ(image.size(), 16U) << "nothing past the image";
}

TEST(String_Descriptor, FindsStoredDescriptorsBelowTheTable) {
    Bytes image(Size_64K, 0xEE);
    Put_Bytes(image, 0x3000, std::array<std::uint8_t, 6>{0x00, 0x04, 0x04, 0x03, 0x09, 0x04});
    Put_Bytes(image, 0x3010, Stored_String_Descriptor("X"));
    Put_Bytes(image, 0xFEFF, std::array<std::uint8_t, 4>{0x00, 0x04, 0x04, 0x03});
    EXPECT_EQ(Find_Next_String_Descriptor(image, 0x2000, 6), 0x3000U);
    EXPECT_EQ(Find_Next_String_Descriptor(image, 0x3006, 4), 0x3010U);
    EXPECT_EQ(Find_Next_String_Descriptor(image, 0x3011, 4), 0xFEFFU);
    EXPECT_EQ(Find_Next_String_Descriptor(image, 0xFF00, 4), 0U);
    EXPECT_EQ(Find_Next_String_Descriptor(image, 0x3006, 6), 0U) << "no second language list";
}

TEST(External_ID, ShorterIdsKeepTheOldTailInTheImage) {
    Bytes image(32, 0);
    Put_Text(image, 8, "ABCDEFGHIJKLMNOP");
    External_ID_Descriptor id;
    id.Load(image, 8);
    String_Buffer_260 text;
    std::int32_t status = -1;
    EXPECT_EQ(id.Get(text, &status).Text(), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(status, 0);

    String_Buffer_260 message("old");
    EXPECT_EQ(id.Set(String_Buffer_260("12345678901234567"), message, "too long"), 2);
    EXPECT_EQ(message.Text(), "too long");
    EXPECT_EQ(id.Set(String_Buffer_260("XY"), message, "too long"), 0);
    EXPECT_EQ(message.Length(), 0U);
    id.Store(image, 8);
    EXPECT_EQ(std::string(image.begin() + 8, image.begin() + 24), std::string("XY\0DEFGHIJKLMNOP", 16));
    EXPECT_EQ(id.Get(text, nullptr).Text(), "XY");

    EXPECT_EQ(id.Set(String_Buffer_260("ID0007"), message, ""), 0);
    EXPECT_EQ(id.Add_Number(text, 5).Text(), "ID0012");
    EXPECT_EQ(id.Set(String_Buffer_260(""), message, ""), 0);
    EXPECT_EQ(id.Get_Descriptor()[2], 2);
    EXPECT_EQ(id.Get(text, nullptr).Length(), 0U);
}
