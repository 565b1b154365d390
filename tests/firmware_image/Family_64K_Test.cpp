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
Device_Spec Indexes(std::uint8_t manufacturer, std::uint8_t product, std::uint8_t serial) {
    return {.Manufacturer_Index = manufacturer, .Product_Index = product, .Serial_Index = serial};
}

struct Family_Case {
    const char* Name;
    Bytes Image;
    Firmware_Chip_Code Code;
    std::array<std::string, 4> Texts; // as the getters give them
    std::uint32_t External_ID_Offset;
};

std::vector<Family_Case> Family_Cases() {
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
        {"2620",
         Build_Chip_Image({.Family = Chip_Family::F2620}),
         Firmware_Chip_2620,
         {"Maker", "Camera", "SN0001", "Mic"},
         Chip_External_ID_Offset(Chip_Family::F2620)},
        {"2281",
         Build_Chip_Image({.Family = Chip_Family::F2281}),
         Firmware_Chip_2281,
         {"Maker", "Camera", "SN0001", "Mic"},
         Chip_External_ID_Offset(Chip_Family::F2281)},
    };
}

std::uint16_t Vid(Image_Object& object, std::uint8_t which = 1) {
    return object.Get_VID(which, nullptr);
}

// The longest text a string setter accepts: the last length answered 0.
std::size_t Longest_Accepted(Image_Object& object, std::size_t kind) {
    std::size_t n = 0;
    while (n < 260 && Set(object, kind, std::string(n + 1, 'x')) == 0) {
        ++n;
    }
    return n;
}

} // namespace

TEST(Family_64K, EveryFamilyLoadsEditsAndReloads) {
    for (const auto& c : Family_Cases()) {
        SCOPED_TRACE(c.Name);
        const auto object = Load(c.Image);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->Get_Firmware_Chip_Code(), c.Code);
        EXPECT_EQ(object->Has_External_ID(), 1);
        EXPECT_TRUE(object->Check_Image(false));
        EXPECT_EQ(object->Get_Image_Size(), Size_64K);
        EXPECT_EQ(Vid(*object, 0), 0x1BCF);
        EXPECT_EQ(object->Get_PID(0, nullptr), 0x2C99);
        EXPECT_EQ(object->Get_BcdDevice(0, nullptr), 0x0100);
        for (std::size_t kind = 0; kind < 4; ++kind) {
            EXPECT_EQ(Get(*object, kind, 0), c.Texts[kind]) << Strings[kind].Name;
            EXPECT_EQ(Get(*object, kind, 1), c.Texts[kind]) << Strings[kind].Name;
        }
        // Untouched, the output is the image itself.
        EXPECT_EQ(Build(*object), c.Image);

        const std::uint16_t vid = 0x1A2B, pid = 0x3C4D, bcd = 0x0205;
        EXPECT_EQ(object->Set_VID(&vid), 0);
        EXPECT_EQ(object->Set_PID(&pid, 0), 0);
        EXPECT_EQ(object->Set_BcdDevice(&bcd), 0);
        EXPECT_EQ(object->Set_VID(nullptr), -1);
        std::array<std::string, 4> edited = c.Texts;
        for (std::size_t kind = 0; kind < 4; ++kind) {
            if (c.Texts[kind] != No_Use) {
                edited[kind] = "New" + std::to_string(kind);
                EXPECT_EQ(Set(*object, kind, edited[kind]), 0) << Strings[kind].Name;
            }
        }
        EXPECT_EQ(Set_External_ID(*object, "NEW-EXTERNAL-ID9"), 0);
        EXPECT_EQ(Vid(*object, 0), 0x1BCF) << "the loaded values stay";
        EXPECT_EQ(Vid(*object, 1), vid);

        // Not marked modified: only the external ID reaches the output.
        Bytes expected = c.Image;
        Put_Text(expected, c.External_ID_Offset, "NEW-EXTERNAL-ID9");
        EXPECT_EQ(Build(*object), expected);

        object->Set_Modify_Flag(true);
        const Bytes output = Build(*object);
        const auto reloaded = Load(output);
        ASSERT_NE(reloaded, nullptr);
        EXPECT_TRUE(reloaded->Check_Image(false));
        EXPECT_EQ(Vid(*reloaded, 0), vid);
        EXPECT_EQ(reloaded->Get_PID(0, nullptr), pid);
        EXPECT_EQ(reloaded->Get_BcdDevice(0, nullptr), bcd);
        for (std::size_t kind = 0; kind < 4; ++kind) {
            EXPECT_EQ(Get(*reloaded, kind, 0), edited[kind]) << Strings[kind].Name;
        }
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
        const std::string full(260, 'A'); // no NUL in the buffer
        EXPECT_EQ(Set(*object, P, full, &message), 2);
        EXPECT_EQ(message.Text(), "StringOverLength");
        EXPECT_EQ(Set_External_ID(*object, "17-characters-id!", &message), 2);
        EXPECT_EQ(message.Text(), "StringOverLength");
        EXPECT_EQ(Add(*object, M, 1), c.Code == Firmware_Chip_2089 ? "Maker 2090" : "Maker")
            << "without digits: unchanged";
        EXPECT_EQ(Add(*object, S, 1), c.Texts[S] == "SN0001" ? "SN0002" : "SN2089-0002");
    }
    // Index 0, and indexes past each family's table, are absent strings: status 3.
    std::vector<std::pair<const char*, Bytes>> images{
        {"2089 index 4", Build_2089_Image({.Device = Indexes(0, 4, 3)})},
        {"2092 index 11", Build_Chip_Image({.Device = Indexes(0, 11, 3)})},
        {"2281 index 6", Build_Chip_Image({.Family = Chip_Family::F2281, .Device = Indexes(0, 6, 3)})},
    };
    for (const auto& [name, image] : images) {
        const auto object = Load(image);
        std::int32_t status = -1;
        EXPECT_EQ(Get(*object, M, 0, &status), No_Use) << name;
        EXPECT_EQ(status, 3);
        EXPECT_EQ(Get(*object, P, 1, &status), No_Use) << name;
        EXPECT_EQ(status, 3);
        String_Buffer_260 message;
        EXPECT_EQ(Set(*object, P, "fits", &message), 3) << name;
        EXPECT_EQ(message.Text(), "StringNoUse");
        EXPECT_EQ(Add(*object, P, 1), No_Use);
        Get(*object, S, 0, &status);
        EXPECT_EQ(status, 0);
    }
}

TEST(Family_64K, RoomArithmeticPerFamily) {
    // 2089: 28 characters in every string; the table slots hold them.
    {
        const auto object = Load(Build_2089_Image({}));
        for (std::size_t kind = 0; kind < 4; ++kind) {
            EXPECT_EQ(Longest_Accepted(*object, kind), 28U) << Strings[kind].Name;
        }
        EXPECT_EQ(Set(*object, P, std::string(28, 'p')), 0);
        object->Set_Modify_Flag(true);
        const Bytes output = Build(*object);
        EXPECT_EQ(output[Offset_2089_Table_Slots[1] + 2], 58) << "bLength of 28 characters";
    }
    // 2092: (room - 4) / 2, a room of 40 takes 18 characters; a room under 4 only the
    // empty text; pointers out of order give no room.
    {
        Image_Chip_Spec spec;
        spec.Rooms[2] = 40;
        spec.Rooms[3] = 3; // the empty serial number's four bytes reach into string 4's place
        spec.Strings[3] = "";
        spec.Strings[4] = std::nullopt;
        EXPECT_EQ(Longest_Accepted(*Load(Build_Chip_Image(spec)), P), 18U);
        const auto small = Load(Build_Chip_Image(spec));
        EXPECT_EQ(Longest_Accepted(*small, S), 0U);
        EXPECT_EQ(Set(*small, S, ""), 0);
        Bytes reversed = Build_Chip_Image({});
        Put_U16_BE(reversed, 0x0200 + 0x20 + 2 * 4, 0x0F00); // string 4 before string 3
        EXPECT_EQ(Longest_Accepted(*Load(reversed), S), 0U);
        spec.Rooms[1] = 200;
        EXPECT_EQ(Longest_Accepted(*Load(Build_Chip_Image(spec)), M), 63U) << "what the record holds";
    }
    // 2620: rooms of 50 for indexes 1 and 3, string 4's pointer for index 2, the
    // microphone's own room.
    {
        Image_Chip_Spec spec{.Family = Chip_Family::F2620};
        spec.Rooms[2] = 30;
        spec.Rooms[3] = 40;
        spec.Rooms[4] = 24;
        const auto object = Load(Build_Chip_Image(spec));
        EXPECT_EQ(Longest_Accepted(*object, M), 23U);
        EXPECT_EQ(Longest_Accepted(*object, P), 33U);
        EXPECT_EQ(Longest_Accepted(*object, S), 23U);
        EXPECT_EQ(Longest_Accepted(*object, Mic), 10U);
    }
    // 2281: 32 characters, written as a new descriptor.
    {
        const auto object = Load(Build_Chip_Image({.Family = Chip_Family::F2281}));
        for (std::size_t kind = 0; kind < 4; ++kind) {
            EXPECT_EQ(Longest_Accepted(*object, kind), 32U) << Strings[kind].Name;
        }
    }
}

TEST(Family_64K, ShorterTextsLeaveTheirTailsInPlace) {
    const Image_Chip_Spec spec{.Strings = {std::nullopt, "Maker", "Camera Long Name", "SN0001", "Mic"}};
    for (const Chip_Family family : {Chip_Family::F2092, Chip_Family::F2281}) {
        Image_Chip_Spec chip = spec;
        chip.Family = family;
        const Bytes image = Build_Chip_Image(chip);
        const std::uint32_t at = Chip_String_Offset(chip, 2);
        const auto object = Load(image);
        EXPECT_EQ(Set(*object, P, "AB"), 0);
        object->Set_Modify_Flag(true);
        const Bytes output = Build(*object);
        EXPECT_EQ(Bytes(output.begin() + at, output.begin() + at + 8),
                  (Bytes{0x00, 0x06, 0x06, 0x03, 'A', 0x00, 'B', 0x00}));
        // Only the new text's bytes are written: the old text's tail stays behind it.
        EXPECT_EQ(output[at + 8], 'm');
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
    const auto object = Load(broken);
    EXPECT_EQ(Get(*object, M), "Maker");
    EXPECT_EQ(Get(*object, P), No_Use);
    EXPECT_EQ(Get(*object, S), No_Use);

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
    const Image_Chip_Spec spec{.Family = Chip_Family::F2620};
    const auto twin = Load(Build_Chip_Image(spec));
    const std::uint16_t vid = 0xBEEF;
    twin->Set_VID(&vid);
    twin->Set_Modify_Flag(true);
    const Bytes output = Build(*twin);
    EXPECT_EQ(Get_U16_LE(output, spec.Second_Device_Offset + 10), vid);
    EXPECT_EQ(Get_U16_LE(output, spec.Device_Offset + 10), vid);
}

TEST(Family_64K, ImageChecks) {
    EXPECT_FALSE(Load(Build_Chip_Image({.Signature = false}))->Check_Image(false));
    EXPECT_TRUE(Load(Build_Chip_Image({.Signature = false}))->Check_Image(true));
    EXPECT_FALSE(
        Load(Build_Chip_Image({.Family = Chip_Family::F2620, .Signature = false}))->Check_Image(false));
    EXPECT_TRUE(
        Load(Build_Chip_Image({.Family = Chip_Family::F2281, .Blank_Check_Bytes = 32}))->Check_Image(false));
    EXPECT_FALSE(
        Load(Build_Chip_Image({.Family = Chip_Family::F2281, .Blank_Check_Bytes = 33}))->Check_Image(false));
    // A 2620 signature is not a 2092 one.
    Bytes mixed = Build_Chip_Image({});
    mixed[0x0800 + 3] = 0x26;
    EXPECT_FALSE(Load(mixed)->Check_Image(false));
}

TEST(Family_2089, WithoutTheTableStringsComeFromTheDescriptorsAndGoToTheTable) {
    Image_2089_Spec spec{.Table = false};
    spec.Strings[P] = std::string(40, 'L'); // longer than a table slot holds
    const Bytes image = Build_2089_Image(spec);
    const auto object = Load(image);
    EXPECT_EQ(Get(*object, M), "Maker 2089");
    EXPECT_EQ(Get(*object, P), std::string(40, 'L'));
    EXPECT_EQ(Get(*object, Mic), "Mic 2089");
    object->Set_Modify_Flag(true);
    const Bytes output = Build(*object);
    EXPECT_EQ(output[Offset_2089_Table], 0x5A);
    EXPECT_EQ(output[Offset_2089_Table + 1], 0x3C);
    EXPECT_EQ(Get_U16_LE(output, Offset_2089_Identity_Override + 2), 0x1BCF);
    EXPECT_EQ(Get_U16_LE(output, Offset_2089_Identity_Override + 6), 0xE430);
    const auto reloaded = Load(output);
    for (std::size_t kind : {M, S, Mic}) {
        EXPECT_EQ(Get(*reloaded, kind), Get(*object, kind)) << Strings[kind].Name;
    }
    // The long product is cut to its 66-byte slot; the serial number's slot after it
    // is whole.
    EXPECT_EQ(Get(*reloaded, P), std::string(31, 'L'));
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
    const auto good = Load(Build_2089_Image({.Override_Ids = ids}));
    EXPECT_EQ(Vid(*good, 0), 0x1111);
    EXPECT_EQ(good->Get_PID(0, nullptr), 0x2222);
    EXPECT_EQ(good->Get_BcdDevice(0, nullptr), 0x0333);
    const auto bad = Load(Build_2089_Image({.Override_Ids = ids, .Override_Complement_Wrong = true}));
    EXPECT_EQ(Vid(*bad, 0), 0x1BCF);
    EXPECT_EQ(bad->Get_BcdDevice(0, nullptr), 0x0100);
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
