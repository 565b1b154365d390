#include "Image_Object_Helpers.h"
#include "firmware_image/String_Descriptor.h"
#include "test_images/Image_Builder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace test_images;
using namespace image_objects;

namespace {

const std::string No_Use(String_No_Use_Text);

// The 64 KB images' usual string indexes, with one changed.
Device_Description Indexes(std::uint8_t manufacturer, std::uint8_t product, std::uint8_t serial) {
    return {.Manufacturer_Index = manufacturer, .Product_Index = product, .Serial_Index = serial};
}

struct Family_Case {
    const char* Name;
    Bytes Image;
    Firmware_Chip_Code Code;
    Texts Loaded; // as the getters give them
    std::uint32_t External_ID_Offset;
};

std::vector<Family_Case> Family_Cases() {
    const Texts chip{"Maker", "Camera", "SN0001", "Mic"};
    return {
        {"2089",
         Build_2089_Image({}),
         Firmware_Chip_2089,
         {"Maker 2089", "Camera 2089", "SN2089-0001", "Mic 2089"},
         Offset_2089_External_ID},
        {"2092",
         Build_Chip_Image({}),
         Firmware_Chip_2092,
         {"Maker", "Camera", "SN0001", No_Use},
         Chip_External_ID_Offset(Chip_Family::F2092)},
        {"2620", Build_Chip_Image({.Family = Chip_Family::F2620}), Firmware_Chip_2620, chip,
         Chip_External_ID_Offset(Chip_Family::F2620)},
        {"2281", Build_Chip_Image({.Family = Chip_Family::F2281}), Firmware_Chip_2281, chip,
         Chip_External_ID_Offset(Chip_Family::F2281)},
    };
}

// The longest text each string setter accepts: the last length answered 0.
std::array<std::size_t, 4> Longest_Accepted(Image_Object& object) {
    std::array<std::size_t, 4> longest{};
    for (std::size_t kind = 0; kind < 4; ++kind) {
        while (longest[kind] < 260 && Set(object, kind, std::string(longest[kind] + 1, 'x')) == 0) {
            ++longest[kind];
        }
    }
    return longest;
}

} // namespace

TEST(Family_64K, EveryFamilyLoadsEditsAndReloads) {
    const Ids loaded{0x1BCF, 0x2C99, 0x0100}, edited_ids{0x1A2B, 0x3C4D, 0x0205};
    for (const auto& c : Family_Cases()) {
        SCOPED_TRACE(c.Name);
        const auto object = Load(c.Image);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->Get_Firmware_Chip_Code(), c.Code);
        EXPECT_EQ(object->Has_External_ID(), 1);
        EXPECT_TRUE(object->Check_Image(false));
        EXPECT_EQ(object->Get_Image_Size(), Size_64K);
        EXPECT_EQ(Get_Ids(*object), loaded);
        EXPECT_EQ(Get_Texts(*object, 0), c.Loaded);
        EXPECT_EQ(Get_Texts(*object, 1), c.Loaded);
        EXPECT_EQ(Build(*object), c.Image) << "untouched, the output is the image itself";

        EXPECT_EQ(Set_Ids(*object, edited_ids), 0);
        EXPECT_EQ(object->Set_VID(nullptr), -1);
        Texts edited = c.Loaded;
        for (std::size_t kind = 0; kind < 4; ++kind) {
            if (c.Loaded[kind] != No_Use) {
                edited[kind] = "New" + std::to_string(kind);
                EXPECT_EQ(Set(*object, kind, edited[kind]), 0) << Strings[kind].Name;
            }
        }
        EXPECT_EQ(Set_External_ID(*object, "NEW-EXTERNAL-ID9"), 0);
        EXPECT_EQ(Get_Ids(*object, 0), loaded) << "the loaded values stay";
        EXPECT_EQ(Get_Ids(*object, 1), edited_ids);

        // Not marked modified: only the external ID reaches the output.
        Bytes expected = c.Image;
        Put_Text(expected, c.External_ID_Offset, "NEW-EXTERNAL-ID9");
        EXPECT_EQ(Build(*object), expected);

        object->Set_Modify_Flag(true);
        const auto reloaded = Load(Build(*object));
        ASSERT_NE(reloaded, nullptr);
        EXPECT_TRUE(reloaded->Check_Image(false));
        EXPECT_EQ(Get_Ids(*reloaded), edited_ids);
        EXPECT_EQ(Get_Texts(*reloaded, 0), edited);
        EXPECT_EQ(External_ID(*reloaded), "NEW-EXTERNAL-ID9");

        // The factory refuses a 64 KB family handed over with more than 64 KB.
        Bytes padded = c.Image;
        padded.resize(Size_256K, 0);
        EXPECT_EQ(Create_Firmware_Object(padded.data(), Size_256K), nullptr);
    }
}

TEST(Family_64K, StatusesOfAbsentAndTooLongStrings) {
    for (const auto& c : Family_Cases()) {
        SCOPED_TRACE(c.Name);
        const auto object = Load(c.Image);
        String_Buffer_260 message("previous");
        EXPECT_EQ(Set(*object, P, std::string(260, 'A'), &message), 2) << "no NUL in the buffer";
        EXPECT_EQ(message.Text(), "StringOverLength");
        EXPECT_EQ(Set_External_ID(*object, "17-characters-id!", &message), 2);
        EXPECT_EQ(message.Text(), "StringOverLength");
        EXPECT_EQ(Add(*object, M, 1), c.Code == Firmware_Chip_2089 ? "Maker 2090" : "Maker")
            << "without digits: unchanged";
        EXPECT_EQ(Add(*object, S, 1), c.Loaded[S] == "SN0001" ? "SN0002" : "SN2089-0002");
    }
    // Index 0, and indexes past each family's table, are absent strings: status 3.
    for (const Bytes& image :
         {Build_2089_Image({.Device = Indexes(0, 4, 3)}), Build_Chip_Image({.Device = Indexes(0, 11, 3)}),
          Build_Chip_Image({.Family = Chip_Family::F2281, .Device = Indexes(0, 6, 3)})}) {
        const auto object = Load(image);
        std::int32_t statuses[3] = {-1, -1, -1};
        EXPECT_EQ(Get(*object, M, 0, &statuses[0]), No_Use);
        EXPECT_EQ(Get(*object, P, 1, &statuses[1]), No_Use);
        Get(*object, S, 0, &statuses[2]);
        EXPECT_EQ(std::vector(statuses, statuses + 3), (std::vector{3, 3, 0}));
        String_Buffer_260 message;
        EXPECT_EQ(Set(*object, P, "fits", &message), 3);
        EXPECT_EQ(message.Text(), "StringNoUse");
        EXPECT_EQ(Add(*object, P, 1), No_Use);
    }
}

TEST(Family_64K, RoomArithmeticPerFamily) {
    using Lengths = std::array<std::size_t, 4>;
    // 2089: 28 characters in every string; the table slots hold them.
    const auto object_2089 = Load(Build_2089_Image({}));
    EXPECT_EQ(Longest_Accepted(*object_2089), (Lengths{28, 28, 28, 28}));
    EXPECT_EQ(Set(*object_2089, P, std::string(28, 'p')), 0);
    object_2089->Set_Modify_Flag(true);
    EXPECT_EQ(Build(*object_2089)[Offset_2089_Table_Slots[1] + 2], 58) << "bLength of 28 characters";

    // 2092: (room - 4) / 2, a room of 40 takes 18 characters; a room under 4 only the empty
    // text; pointers out of order give no room; a big room what the record holds.
    Image_Chip_Description desc;
    desc.Rooms[1] = 200;
    desc.Rooms[2] = 40;
    desc.Rooms[3] = 3; // the empty serial number's four bytes reach into string 4's place
    desc.Strings[3] = "";
    desc.Strings[4] = std::nullopt;
    EXPECT_EQ(Longest_Accepted(*Load(Build_Chip_Image(desc))), (Lengths{63, 18, 0, 0}));
    EXPECT_EQ(Set(*Load(Build_Chip_Image(desc)), S, ""), 0);
    Bytes reversed = Build_Chip_Image({});
    Put_U16_BE(reversed, 0x0200 + 0x20 + 2 * 4, 0x0F00); // string 4 before string 3
    EXPECT_EQ(Longest_Accepted(*Load(reversed))[S], 0U);

    // 2620: rooms of 50 for indexes 1 and 3, string 4's pointer for index 2, the
    // microphone's own room.
    Image_Chip_Description spec_2620{.Family = Chip_Family::F2620};
    spec_2620.Rooms[2] = 30;
    spec_2620.Rooms[3] = 40;
    spec_2620.Rooms[4] = 24;
    EXPECT_EQ(Longest_Accepted(*Load(Build_Chip_Image(spec_2620))), (Lengths{23, 33, 23, 10}));
    // 2281: 32 characters, written as a new descriptor.
    EXPECT_EQ(Longest_Accepted(*Load(Build_Chip_Image({.Family = Chip_Family::F2281}))),
              (Lengths{32, 32, 32, 32}));
}

TEST(Family_64K, ShorterTextsLeaveTheirTailsInPlace) {
    for (const Chip_Family family : {Chip_Family::F2092, Chip_Family::F2281}) {
        const Image_Chip_Description chip{
            .Family = family, .Strings = {std::nullopt, "Maker", "Camera Long Name", "SN0001", "Mic"}};
        const std::uint32_t at = Chip_String_Offset(chip, 2);
        const auto object = Load(Build_Chip_Image(chip));
        EXPECT_EQ(Set(*object, P, "AB"), 0);
        object->Set_Modify_Flag(true);
        const Bytes output = Build(*object);
        // Only the new text's bytes are written: the old text's tail stays behind it.
        EXPECT_EQ(Bytes(output.begin() + at, output.begin() + at + 9),
                  (Bytes{0x00, 0x06, 0x06, 0x03, 'A', 0x00, 'B', 0x00, 'm'}));
        EXPECT_EQ(Get(*Load(output), P, 0), "AB");
    }
}

TEST(Family_64K, ParseOrdersAndWriteBackAroundBrokenStrings) {
    // The microphone's string is not a stored descriptor. The 2092 reads it last; the
    // 2620 and 2281 read it before the serial number, which is then absent.
    const std::array<std::optional<std::string>, 11> no_microphone{std::nullopt, "Maker", "Camera", "SN0001"};
    for (const auto& [family, serial] :
         {std::pair{Chip_Family::F2092, "SN0001"}, std::pair{Chip_Family::F2620, "StringNoUse"},
          std::pair{Chip_Family::F2281, "StringNoUse"}}) {
        const auto object = Load(Build_Chip_Image({.Family = family, .Strings = no_microphone}));
        EXPECT_EQ(Get(*object, S), serial) << int(family);
        EXPECT_EQ(Get(*object, P), "Camera");
    }
    // A broken product string ends the 2092's parse: the serial number is absent too.
    Bytes broken = Build_Chip_Image({});
    broken[Chip_String_Offset({}, 2) + 3] = 0x04;
    EXPECT_EQ(Get_Texts(*Load(broken)), (Texts{"Maker", No_Use, No_Use, No_Use}));

    // Without a manufacturer string the product is still written back.
    const auto no_maker = Load(Build_Chip_Image({.Device = Indexes(0, 2, 3)}));
    EXPECT_EQ(Set(*no_maker, P, "Written"), 0);
    no_maker->Set_Modify_Flag(true);
    EXPECT_EQ(Get(*Load(Build(*no_maker)), P), "Written");

    // The 2092 serves no microphone string, even when the image has one.
    const auto chip = Load(Build_Chip_Image({}));
    std::int32_t status = -7;
    String_Buffer_260 message("untouched");
    EXPECT_EQ(Get(*chip, Mic, 0, &status), No_Use);
    EXPECT_EQ(status, -7);
    EXPECT_EQ(Set(*chip, Mic, "x", &message), 3);
    EXPECT_EQ(message.Text(), "untouched");

    // The 2620's second device descriptor follows the identity.
    const auto twin = Load(Build_Chip_Image({.Family = Chip_Family::F2620}));
    const std::uint16_t vid = 0xBEEF;
    twin->Set_VID(&vid);
    twin->Set_Modify_Flag(true);
    const Bytes output = Build(*twin);
    EXPECT_EQ(Get_U16_LE(output, Chip_Second_Device_Offset + 10), vid);
    EXPECT_EQ(Get_U16_LE(output, Chip_Device_Offset + 10), vid);
}

TEST(Family_64K, ImageChecks) {
    const std::pair<Image_Chip_Description, bool> cases[] = {
        {{.Signature = false}, false},
        {{.Family = Chip_Family::F2620, .Signature = false}, false},
        {{.Family = Chip_Family::F2281, .Blank_Check_Bytes = 32}, true},
        {{.Family = Chip_Family::F2281, .Blank_Check_Bytes = 33}, false},
    };
    for (const auto& [desc, passes] : cases) {
        EXPECT_EQ(Load(Build_Chip_Image(desc))->Check_Image(false), passes) << desc.Blank_Check_Bytes;
    }
    EXPECT_TRUE(Load(Build_Chip_Image({.Signature = false}))->Check_Image(true));
    // A 2620 signature is not a 2092 one.
    Bytes mixed = Build_Chip_Image({});
    mixed[0x0800 + 3] = 0x26;
    EXPECT_FALSE(Load(mixed)->Check_Image(false));
}

TEST(Family_2089, WithoutTheTableStringsComeFromTheDescriptorsAndGoToTheTable) {
    Image_2089_Description desc{.Table = false};
    desc.Strings[P] = std::string(40, 'L'); // longer than a table slot holds
    const auto object = Load(Build_2089_Image(desc));
    EXPECT_EQ(Get_Texts(*object), (Texts{"Maker 2089", std::string(40, 'L'), "SN2089-0001", "Mic 2089"}));
    object->Set_Modify_Flag(true);
    const Bytes output = Build(*object);
    EXPECT_EQ(Bytes(output.begin() + Offset_2089_Table, output.begin() + Offset_2089_Table + 2),
              (Bytes{0x5A, 0x3C}));
    EXPECT_EQ(Get_U16_LE(output, Offset_2089_Identity_Override + 2), 0x1BCF);
    EXPECT_EQ(Get_U16_LE(output, Offset_2089_Identity_Override + 6), 0xE430);
    // The long product is cut to its 66-byte slot; the serial number's slot after it
    // is whole.
    EXPECT_EQ(Get_Texts(*Load(output)),
              (Texts{"Maker 2089", std::string(31, 'L'), "SN2089-0001", "Mic 2089"}));
    EXPECT_EQ(output[Offset_2089_Table_Slots[1] + 2], 64);

    // Without the table an absent serial number ends the parse: the microphone's name
    // is not read, so it is absent, and nothing is written over its slot.
    Bytes no_serial_image = Build_2089_Image({.Device = Indexes(1, 2, 0), .Table = false});
    Put_Bytes(no_serial_image, Offset_2089_Microphone, Stored_String_Descriptor("Old"));
    const auto no_serial = Load(no_serial_image);
    EXPECT_EQ(Get(*no_serial, S), No_Use);
    EXPECT_EQ(Get(*no_serial, Mic), No_Use);
    EXPECT_EQ(Set(*no_serial, Mic, "x"), 3);
    no_serial->Set_Modify_Flag(true);
    EXPECT_EQ(Get(*Load(Build(*no_serial)), Mic), "Old");
}

TEST(Family_2089, OverridesCountOnlyWithMatchingComplements) {
    const std::array<std::uint16_t, 3> ids{0x1111, 0x2222, 0x0333};
    EXPECT_EQ(Get_Ids(*Load(Build_2089_Image({.Override_Ids = ids}))), ids);
    EXPECT_EQ(Get_Ids(*Load(Build_2089_Image({.Override_Ids = ids, .Override_Complement_Wrong = true}))),
              (Ids{0x1BCF, 0x2C99, 0x0100}));
}

TEST(Family_2089, ExportBufferCarriesTheExternalId) {
    const auto object = Load(Build_2089_Image({}));
    ASSERT_EQ(object->Get_Export_Size(), Size_64K);
    const std::uint8_t* exported = object->Get_Export_Buffer();
    ASSERT_NE(exported, nullptr);
    EXPECT_EQ(std::string(exported + 0x6316, exported + 0x6316 + 16), "EXT2089-00000001");
    EXPECT_EQ(std::count(exported, exported + Size_64K, 0), Size_64K - 16);
    Set_External_ID(*object, "NEW");
    exported = object->Get_Export_Buffer();
    EXPECT_EQ(std::string(exported + 0x6316, exported + 0x6316 + 4), std::string("NEW\0", 4));
    EXPECT_EQ(Load(Build_Chip_Image({}))->Get_Export_Buffer(), nullptr);
}
