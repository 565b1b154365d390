#include "Image_Object_Helpers.h"
#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"
#include "firmware_image/String_Descriptor.h"
#include "test_images/Image_Builder.h"

#include <gtest/gtest.h>

using namespace test_images;
using namespace image_objects;

namespace {

const Format_Description Yuv{.Mjpeg = false, .Frames = Frames_Of({{640, 480}})};

Bytes Area(const Bytes& image, std::size_t c) {
    const auto start = image.begin() + Offset_2688_Configuration[c];
    return Bytes(start, start + 0x1000);
}

std::uint16_t Length_Entry(const Bytes& image, std::size_t entry) {
    return static_cast<std::uint16_t>(image[Offset_2688_Length_Table + 6 * entry] << 8 |
                                      image[Offset_2688_Length_Table + 6 * entry + 1]);
}

Bytes Format_Order(const Bytes& image) {
    return Bytes(image.begin() + Offset_2688_Format_Order, image.begin() + Offset_2688_Format_Order + 2);
}

// The tag byte the generator puts first in each resolution record, by position; both
// copies of the table must agree.
std::vector<std::uint8_t> Resolution_Order(const Bytes& image) {
    std::vector<std::uint8_t> order[2];
    for (std::size_t table = 0; table < 2; ++table) {
        for (std::size_t p = 0; p < 19; ++p) {
            order[table].push_back(image[Offset_2688_Resolutions[table] + Resolution_Record_Bytes * p]);
        }
        while (!order[table].empty() && order[table].back() == 0) {
            order[table].pop_back();
        }
    }
    EXPECT_EQ(order[0], order[1]);
    return order[0];
}

} // namespace

TEST(Image_2688, LoadsEditsAndReloads) {
    const Bytes image = Build_2688_Image(Camera_2688_Description());
    const auto object = Load(image);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Get_Firmware_Chip_Code(), Firmware_Chip_2688);
    EXPECT_TRUE(object->Check_Image(false));
    EXPECT_EQ(object->Get_VID(0, nullptr), 0x1BCF);
    EXPECT_EQ(Get_Texts(*object, 0), (Texts{"Test Maker", "Test Camera 2688", "SN0001", "Test Microphone"}));
    EXPECT_EQ(External_ID(*object), "EXTID-0000000001");
    const Descriptor_Set& original = Original_Set(*object);
    EXPECT_EQ(original.Filled, 1);
    EXPECT_EQ(original.Slot(Slot_Video_Format).Get_Number(), Format_Mode_Mjpeg_Then_Uncompressed);
    EXPECT_EQ(original.Slot(Slot_Microphone).Get_Byte(), 1);
    EXPECT_EQ(original.Slot(Slot_Microphone).Enabled, 1);
    EXPECT_EQ(original.Slot(Slot_Settings_Bytes).Get_Value_Byte(0), 1);
    EXPECT_EQ(original.Slot(Slot_Settings_Bytes).Get_Value_Byte(1), 0x40);
    EXPECT_EQ(Build(*object), image) << "untouched, the configuration is rebuilt to the same bytes";

    const Ids ids{0x1A2B, 0x3C4D, 0x0300};
    EXPECT_EQ(Set_Ids(*object, ids), 0);
    EXPECT_EQ(Set(*object, P, "Renamed Camera"), 0);
    EXPECT_EQ(Set(*object, Mic, "Renamed Mic"), 0);
    EXPECT_EQ(Set_External_ID(*object, "EXTID-0000000002"), 0);
    Edited_Set(*object).Slot(Slot_Video_Format).Apply(std::uint32_t{Format_Mode_Mjpeg});
    Edited_Set(*object).Slot(Slot_Microphone).Apply(std::uint8_t{0});
    Edited_Set(*object).Slot(Slot_Default_Resolution).Apply(std::uint16_t{640}, std::uint16_t{480});
    object->Set_Modify_Flag(true);
    const Bytes output = Build(*object);

    const auto reloaded = Load(output);
    EXPECT_EQ(Get_Ids(*reloaded), ids);
    EXPECT_EQ(Get_Texts(*reloaded, 0), (Texts{"Test Maker", "Renamed Camera", "SN0001", "Renamed Mic"}));
    EXPECT_EQ(External_ID(*reloaded), "EXTID-0000000002");
    const Descriptor_Set& after = Original_Set(*reloaded);
    EXPECT_EQ(after.Slot(Slot_Video_Format).Get_Number(), Format_Mode_Mjpeg);
    EXPECT_EQ(after.Slot(Slot_Microphone).Present, 0) << "the audio function is gone";
    EXPECT_EQ(after.Slot(Slot_Default_Resolution).Get_Width(), 640);
    ASSERT_EQ(after.Mjpeg_Frames.size(), 2U);
    EXPECT_EQ(after.Mjpeg_Frames[0].Width, 640) << "the default comes first";
    EXPECT_EQ(Resolution_Order(output), (std::vector<std::uint8_t>{0xA1, 0xA0}));
    EXPECT_EQ(Format_Order(output), (Bytes{2, 1}));
    const Bytes area = Area(output, 0);
    EXPECT_EQ(area[4], 2) << "bNumInterfaces";
    EXPECT_EQ(Length_Entry(output, 4), Get_U16_LE(area, 2));
    EXPECT_EQ(Bytes(area.begin() + Get_U16_LE(area, 2), area.begin() + Get_U16_LE(area, 2) + 2),
              (Bytes{0x55, 0xAA}));
    EXPECT_EQ(object->Get_VID(0, nullptr), 0x1BCF) << "the loaded image in the object is untouched";
}

TEST(Image_2688, SelectorOneAndStringSlots) {
    Image_2688_Description desc = Camera_2688_Description();
    desc.Selector = 1;
    desc.Devices[1] = {
        .Vid = 0x4455, .Pid = 0x6677, .Manufacturer_Index = 1, .Product_Index = 3, .Serial_Index = 0};
    desc.Configurations[1] = {.Video = Video_Function_Description{.Formats = {Yuv}}};
    desc.Strings[5] = "Beyond";
    const Bytes image = Build_2688_Image(desc);
    const auto object = Load(image);
    EXPECT_EQ(object->Get_VID(0, nullptr), 0x4455);
    EXPECT_EQ(Original_Set(*object).Slot(Slot_Video_Format).Get_Number(), Format_Mode_Uncompressed);

    std::int32_t status = -1;
    EXPECT_EQ(Get(*object, S, 0, &status), "StringNoUse");
    EXPECT_EQ(status, 3);
    EXPECT_EQ(Set(*object, S, "x"), 3);
    EXPECT_EQ(Add(*object, S, 1), "StringNoUse");
    status = -1;
    Get(*object, Mic, 0, &status);
    EXPECT_EQ(status, -1) << "the microphone getter leaves the status alone";

    String_Buffer_260 message;
    EXPECT_EQ(Set(*object, P, std::string(32, 'p'), &message), 2);
    EXPECT_EQ(message.Text(), "StringOverLength");
    EXPECT_EQ(Set(*object, P, std::string(31, 'p')), 0);
    EXPECT_EQ(Set(*object, Mic, std::string(32, 'm')), 2);
    EXPECT_EQ(Set(*object, M, "AB"), 0);
    object->Set_Modify_Flag(true);
    const Bytes output = Build(*object);
    const std::size_t slot_1 = Offset_2688_Strings + 128;
    EXPECT_EQ(Bytes(output.begin() + slot_1, output.begin() + slot_1 + 8),
              (Bytes{0x06, 0x03, 'A', 0x00, 'B', 0x00, 0x55, 0xAA}));
    EXPECT_EQ(Length_Entry(output, 11), 6);
    EXPECT_EQ(output[Offset_2688_Strings + 3 * 128], 64) << "31 characters: bLength 64";
    EXPECT_EQ(Length_Entry(output, 13), 64);

    EXPECT_EQ(Set_External_ID(*object, std::string(17, 'e'), &message), 2);
    EXPECT_EQ(message.Text(), "lenght error");

    // A string index past the table's twelve slots, and slots whose bLength is below 2
    // or past the slot.
    Bytes odd = image;
    odd[Offset_2688_Device[1] + 15] = 12;
    odd[Offset_2688_Strings + 128] = 1;
    odd[Offset_2688_Strings + 2 * 128] = 255;
    const auto odd_object = Load(odd);
    EXPECT_EQ(Get(*odd_object, P, 0, &status), "StringNoUse");
    EXPECT_EQ(status, 3);
    EXPECT_EQ(Get(*odd_object, M, 0), "");
    EXPECT_LE(Get(*odd_object, Mic, 0).size(), 63U);
    EXPECT_EQ(Add(*odd_object, M, 1), "");
}

TEST(Image_2688, ModifiedFlagOffKeepsIdentityButWritesVideoControlsAndId) {
    const auto object = Load(Build_2688_Image(Camera_2688_Description()));
    const std::uint16_t vid = 0x9999;
    object->Set_VID(&vid);
    Set(*object, P, "Not written");
    Set_External_ID(*object, "WRITTEN-ID");
    Edited_Set(*object).Slot(Slot_Video_Format).Apply(std::uint32_t{Format_Mode_Uncompressed_Then_Mjpeg});
    auto* controls = dynamic_cast<Firmware_Massage_IQ_Base_Class*>(object.get());
    ASSERT_NE(controls, nullptr);
    const std::int32_t brightness = 150;
    EXPECT_TRUE(controls->Set_Camera_Control(0, IQ_Field_Current, &brightness));

    const Bytes unmarked = Build(*object);
    const auto reloaded = Load(unmarked);
    EXPECT_EQ(reloaded->Get_VID(0, nullptr), 0x1BCF);
    EXPECT_EQ(Get(*reloaded, P, 0), "Test Camera 2688");
    EXPECT_EQ(External_ID(*reloaded), "WRITTEN-ID");
    EXPECT_EQ(Original_Set(*reloaded).Slot(Slot_Video_Format).Get_Number(),
              Format_Mode_Uncompressed_Then_Mjpeg);
    EXPECT_EQ(unmarked[Offset_2688_Format_Order], 1);
    // The camera-control block reaches the output only once marked edited.
    EXPECT_EQ(unmarked[Offset_2688_Camera_Controls + 71], 100);
    controls->Set_IQ_Modify_Flag(true);
    EXPECT_EQ(controls->Get_IQ_Modify_Flag(), 1);
    EXPECT_EQ(Build(*object)[Offset_2688_Camera_Controls + 71], 150);

    object->Set_Modify_Flag(true);
    EXPECT_EQ(Load(Build(*object))->Get_VID(0, nullptr), vid);
}

TEST(Image_2688, RebuildsEachFormatOrderWithAndWithoutMicrophone) {
    const Bytes image = Build_2688_Image(Camera_2688_Description());
    for (const std::uint32_t mode : {1, 2, 3, 4}) {
        for (const std::uint8_t microphone : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " microphone " << int(microphone));
            const auto object = Load(image);
            Edited_Set(*object).Slot(Slot_Video_Format).Apply(mode);
            Edited_Set(*object).Slot(Slot_Microphone).Apply(microphone);
            const Bytes output = Build(*object);
            EXPECT_EQ(Format_Order(output), mode <= 2 ? (Bytes{1, 2}) : (Bytes{2, 1}));
            const auto reloaded = Load(output);
            EXPECT_EQ(Original_Set(*reloaded).Slot(Slot_Video_Format).Get_Number(), mode);
            EXPECT_EQ(Original_Set(*reloaded).Slot(Slot_Microphone).Present, microphone);
            EXPECT_EQ(Area(output, 0)[4], microphone != 0 ? 4 : 2);
            EXPECT_EQ(Area(output, 1), Area(image, 1)) << "the other configuration stays";
        }
    }
}

TEST(Image_2688, ConfigurationStaysWhenItCannotBeRebuiltWhole) {
    // A source without the standard alternate settings grows by 176 bytes when rebuilt;
    // with enough frames that no longer fits the 4 KB area.
    Video_Function_Description big{.Formats = {Format_Description{.Frames = {}}},
                                   .Standard_Alternates = false};
    for (std::uint16_t width = 16; Build_Configuration({.Video = big}).size() + 176 + 2 <= 0x1000;
         width += 16) {
        big.Formats[0].Frames.push_back(Frames_Of({{width, 100}})[0]);
    }
    ASSERT_LE(Build_Configuration({.Video = big}).size() + 2, 0x1000U);
    Image_2688_Description fitting;
    fitting.Configurations[0] = {.Video = big};
    fitting.Configurations[0].Video->Formats[0].Frames.resize(big.Formats[0].Frames.size() - 6);
    const Bytes fitting_image = Build_2688_Image(fitting);
    EXPECT_NE(Build(*Load(fitting_image)), fitting_image) << "six frames fewer: rebuilt with its alternates";

    Image_2688_Description trailing = Camera_2688_Description();
    // An interface outside any association: the model does not cover it.
    trailing.Configurations[0].Trailing = {Bytes{0x09, 0x04, 0x05, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}};
    Image_2688_Description audio_first = Camera_2688_Description();
    audio_first.Configurations[0].Audio_First = true;
    Image_2688_Description too_big;
    too_big.Configurations[0] = {.Video = big};
    for (const auto& [name, desc] :
         {std::pair{"grows past 4 KB", too_big}, std::pair{"trailing interface", trailing},
          std::pair{"audio first", audio_first}}) {
        const Bytes image = Build_2688_Image(desc);
        const auto object = Load(image);
        Edited_Set(*object).Slot(Slot_Microphone).Apply(std::uint8_t{0});
        EXPECT_EQ(Build(*object), image) << name;
    }
    // No format wanted at all: nothing to write.
    const Bytes image = Build_2688_Image(Camera_2688_Description());
    const auto object = Load(image);
    Edited_Set(*object).Slot(Slot_Video_Format).Apply(std::uint32_t{0});
    EXPECT_EQ(Build(*object), image);
}

TEST(Image_2688, ResolutionTableIsReadToItsEndMarkOrCapacity) {
    const Format_Description many{.Frames = Frames_Of({{640, 480}, {320, 240}, {1280, 720}})};
    Image_2688_Description desc;
    desc.Configurations[0] = {.Video = Video_Function_Description{.Formats = {many}}};
    // An end mark after two records hides the third; a half-width kind matches twice its
    // width: 640 x 480 from the half-width record, 320 x 240, and no 1280 x 720.
    desc.Resolutions = {{320, 240, 1}, {320, 480, 15}, {0, 0, 1}, {1280, 720, 1}};
    EXPECT_EQ(Resolution_Order(Build(*Load(Build_2688_Image(desc)))),
              (std::vector<std::uint8_t>{0xA1, 0xA0}));

    // A full table: all nineteen records count, and both copies get the new order.
    desc.Resolutions.clear();
    for (std::uint16_t i = 0; i < 18; ++i) {
        desc.Resolutions.push_back({static_cast<std::uint16_t>(100 + i), 100, 1});
    }
    desc.Resolutions.push_back({1280, 720, 1});
    const auto object = Load(Build_2688_Image(desc));
    Edited_Set(*object).Slot(Slot_Default_Resolution).Apply(std::uint16_t{1280}, std::uint16_t{720});
    EXPECT_EQ(Resolution_Order(Build(*object)), (std::vector<std::uint8_t>{0xA0 + 18}));
}

TEST(Image_2688, CodesAndSizes) {
    const auto other = Load(Build_2688_Image({.Settings_Tag = Settings_Tag_Other}));
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->Get_Firmware_Chip_Code(), Firmware_Chip_2688);

    // A short image is filled up with zeros; a longer one than 256 KB is refused.
    const auto short_object = Load(Build_2688_Image({.Size = 0x34001}));
    ASSERT_NE(short_object, nullptr);
    EXPECT_EQ(short_object->Get_Image_Size(), Size_256K);
    EXPECT_EQ(Build(*short_object)[0x34001], 0);
    Bytes long_image = Build_2688_Image({});
    long_image.resize(Size_256K + 1, 0);
    EXPECT_EQ(Create_Firmware_Object(long_image.data(), static_cast<std::uint32_t>(long_image.size())),
              nullptr);

    // The edited set can be refilled from the work image after edits to it.
    const auto refilled = Load(Build_2688_Image(Camera_2688_Description()));
    Edited_Set(*refilled).Slot(Slot_Video_Format).Apply(std::uint32_t{1});
    refilled->Refresh_Edited_Descriptor_Set();
    EXPECT_EQ(Edited_Set(*refilled).Slot(Slot_Video_Format).Get_Number(),
              Format_Mode_Mjpeg_Then_Uncompressed);
}
