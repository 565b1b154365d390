#include "firmware_image/Firmware_Factory.h"
#include "test_images/Image_Builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace test_images;

namespace {

struct Detection_Case {
    const char* Name;
    Marker_Description Marks;
    Firmware_Chip_Code Expected;
};

Marker_Description Big(std::array<std::uint8_t, 2> marker, std::uint32_t size,
                       std::optional<std::uint32_t> tag) {
    return {.Size = size, .Big_Marker = marker, .Settings_Tag = tag};
}

std::vector<Detection_Case> Detection_Cases() {
    std::vector<Detection_Case> cases{
        {"2092", {.Start = Start_2092}, Firmware_Chip_2092},
        {"2281", {.Start = Start_2281}, Firmware_Chip_2281},
        {"2620", {.Start = Start_2620}, Firmware_Chip_2620},
        // The chip byte decides before any other marker is looked at.
        {"2092 with every other marker",
         {.Start = Start_2092,
          .Kun_Marker = true,
          .End_Marker = End_Marker_2089,
          .Big_Marker = Big_Marker_Letters},
         Firmware_Chip_2092},
        {"0x89 0x20 goes on to the 2089 marker",
         {.Start = std::array<std::uint8_t, 2>{0x89, 0x20},
          .Kun_Marker = true,
          .End_Marker = End_Marker_2089},
         Firmware_Chip_2089},
        {"2089", {.Kun_Marker = true, .End_Marker = End_Marker_2089}, Firmware_Chip_2089},
        {"2089 end marker 10 EE",
         {.Kun_Marker = true, .End_Marker = std::array<std::uint8_t, 2>{0x10, 0xEE}},
         Firmware_Chip_2089_Without_End_Marker},
        {"2089 without end marker", {.Kun_Marker = true}, Firmware_Chip_2089_Without_End_Marker},
        {"nothing", {}, Firmware_Chip_Unknown},
        {"nothing in 256 KB", {.Size = Size_256K}, Firmware_Chip_Unknown},
    };
    // Every size rule with both spellings of the 256 KB marker.
    for (const auto& marker : {Big_Marker_Letters, Big_Marker_Bytes}) {
        const std::vector<Detection_Case> big{
            {"0x34000, first tag", Big(marker, 0x34000, Settings_Tag_2688), Firmware_Chip_256K_Without_Tag},
            {"0x34001, first tag", Big(marker, 0x34001, Settings_Tag_2688), Firmware_Chip_2688},
            {"0x34000, other tag", Big(marker, 0x34000, Settings_Tag_Other), Firmware_Chip_2688_Other_Tag},
            {"0x34001, other tag", Big(marker, 0x34001, Settings_Tag_Other), Firmware_Chip_2688_Other_Tag},
            {"0x31800, other tag", Big(marker, 0x31800, Settings_Tag_Other), Firmware_Chip_256K_Without_Tag},
            {"0x31801, other tag", Big(marker, 0x31801, Settings_Tag_Other), Firmware_Chip_2688_Other_Tag},
            {"0x31801, first tag", Big(marker, 0x31801, Settings_Tag_2688), Firmware_Chip_256K_Without_Tag},
            {"256 KB, unknown tag", Big(marker, Size_256K, 0xCC33AA56), Firmware_Chip_256K_Without_Tag},
            {"256 KB, no tag", Big(marker, Size_256K, std::nullopt), Firmware_Chip_256K_Without_Tag},
            {"64 KB", Big(marker, Size_64K, Settings_Tag_2688), Firmware_Chip_256K_Without_Tag},
        };
        cases.insert(cases.end(), big.begin(), big.end());
    }
    return cases;
}

} // namespace

// Every code on generated images, and the factory's object for it: one of its family's size for
// each family's code, none for the other codes. (The family tests load full images of each.)
TEST(Detection, GivesEveryCodeAndTheFactoryBuildsEveryFamilyOnly) {
    std::set<Firmware_Chip_Code> built;
    for (const auto& c : Detection_Cases()) {
        SCOPED_TRACE(testing::Message()
                     << c.Name << " " << (c.Marks.Big_Marker ? (*c.Marks.Big_Marker)[0] : 0));
        const Bytes image = Build_Marked_Image(c.Marks);
        const auto size = static_cast<std::uint32_t>(image.size());
        EXPECT_EQ(Detect_Firmware_Chip_Code(image.data(), size), c.Expected);
        const auto object = Create_Firmware_Object(image.data(), size);
        const auto row = std::ranges::find(Firmware_Families(), c.Expected, &Firmware_Family_Row::Code);
        ASSERT_EQ(object != nullptr, row != Firmware_Families().end());
        if (object != nullptr) {
            built.insert(c.Expected);
            EXPECT_EQ(object->Get_Image_Size(), row->Image_Size);
        }
    }
    EXPECT_EQ(built.size(), Firmware_Families().size());
}

TEST(Detection, ShortBuffersAreUnknownWithoutBeingRead) {
    EXPECT_EQ(Detect_Firmware_Chip_Code(nullptr, Size_256K), Firmware_Chip_Unknown);
    // Each buffer holds exactly its size, so a read past it is a sanitizer error.
    for (const std::uint32_t size : {0U, 1U, 2U, 0x2003U, 0xFFFFU}) {
        Bytes image(size, 0);
        if (size >= 2) {
            image[0] = 0x89;
            image[1] = 0x17;
        }
        EXPECT_EQ(Detect_Firmware_Chip_Code(image.data(), size), Firmware_Chip_Unknown) << size;
    }
}
