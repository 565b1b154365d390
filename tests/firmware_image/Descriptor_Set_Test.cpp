#include "firmware_image/Descriptor_Set.h"
#include "firmware_image/uvcDescriptor.h"
#include "test_images/Configuration_Builder.h"

#include <gtest/gtest.h>

using namespace test_images;

namespace {

Video_Stream_Model Model_Of(const std::vector<Format_Description>& formats, std::uint8_t still = 1) {
    const Bytes bytes = Build_Streaming_Class_Descriptors({.Formats = formats, .Still_Method = still});
    Video_Stream_Model model;
    model.Build_From_Header(bytes);
    return model;
}

const Format_Description Mjpeg{
    .Mjpeg = true, .Frames = Frames_Of({{1280, 720}, {640, 480}, {320, 240}}), .Default_Index = 2};
const Format_Description Yuv{
    .Mjpeg = false, .Frames = Frames_Of({{640, 480}, {320, 240}}), .Default_Index = 1};

std::vector<Frame_Size> Sizes_Of(const std::vector<Frame_Size_Record>& records) {
    std::vector<Frame_Size> sizes;
    for (const auto& record : records) {
        sizes.push_back({record.Width, record.Height});
    }
    return sizes;
}

} // namespace

// Format mode, default width and height and still method, as the slots hold them, and
// whether the three slots are enabled.
using Slots = std::tuple<std::uint32_t, std::uint16_t, std::uint16_t, std::uint32_t, std::array<int, 3>>;
Slots Slots_Of(const Descriptor_Set& set) {
    const auto& format = set.Slot(Slot_Video_Format);
    const auto& size = set.Slot(Slot_Default_Resolution);
    const auto& still = set.Slot(Slot_Still_Capture);
    return {format.Get_Number(),
            size.Get_Width(),
            size.Get_Height(),
            still.Get_Number(),
            {format.Enabled, size.Enabled, still.Enabled}};
}

TEST(Descriptor_Set, AssignsSlotsFromTheStreamModel) {
    Descriptor_Set set;
    Video_Stream_Model empty;
    empty.Still_Method = 2;
    empty.Format_Mode = 4;
    set.Slot(Slot_Video_Format).Set_Number(7);
    set.Assign_Stream_Model(empty);
    EXPECT_EQ(set.Slot(Slot_Video_Format).Get_Number(), 0U);
    EXPECT_EQ(set.Slot(Slot_Still_Capture).Get_Number(), 0U);
    EXPECT_TRUE(set.Resolutions.empty());
    EXPECT_EQ(set.Still_Method, 2) << "scalars are still copied";

    set.Assign_Stream_Model(Model_Of({Yuv}));
    EXPECT_EQ(Slots_Of(set), Slots(1, 640, 480, 1, {0, 0, 0}));
    ASSERT_EQ(set.Resolutions.size(), 2U);
    EXPECT_EQ(set.Resolutions[1].Width, 320);

    set.Assign_Stream_Model(Model_Of({Mjpeg, Yuv}, 3));
    EXPECT_EQ(Slots_Of(set), Slots(4, 640, 480, 3, {1, 1, 1})) << "the MJPEG default";
    EXPECT_EQ(set.Resolutions.size(), 3U) << "the MJPEG sizes";
}

TEST(Descriptor_Set, CollectsTheDefaultFirstThenTheSelected) {
    Descriptor_Set set;
    set.Assign_Stream_Model(Model_Of({Mjpeg, Yuv}));
    Video_Stream_Model model;
    std::vector<Frame_Size> sizes;

    set.Slot(Slot_Video_Format).Set_Number(0);
    set.Collect_Frame_Sizes(model, sizes);
    EXPECT_TRUE(sizes.empty());
    EXPECT_TRUE(model.Mjpeg_Frames.empty() && model.Uncompressed_Frames.empty());

    set.Slot(Slot_Video_Format).Set_Number(4);
    set.Resolutions[2].Selected = 0; // 320 x 240 unchecked
    set.Collect_Frame_Sizes(model, sizes);
    EXPECT_EQ(sizes, (std::vector<Frame_Size>{{640, 480}, {1280, 720}}))
        << "MJPEG sizes when both are wanted";
    EXPECT_EQ(Sizes_Of(model.Mjpeg_Frames), sizes);
    // The uncompressed list is filtered by the same positions.
    EXPECT_EQ(Sizes_Of(model.Uncompressed_Frames), (std::vector<Frame_Size>{{640, 480}, {320, 240}}));
    EXPECT_EQ(model.Still_Method, 1);

    set.Slot(Slot_Video_Format).Set_Number(1);
    set.Slot(Slot_Default_Resolution).Set_Size(320, 240);
    set.Collect_Frame_Sizes(model, sizes);
    EXPECT_EQ(sizes, (std::vector<Frame_Size>{{320, 240}, {640, 480}}));
    EXPECT_TRUE(model.Mjpeg_Frames.empty());

    // No record of the default size: the first record is an empty placeholder, which the
    // writer leaves out so the descriptors stay valid.
    set.Slot(Slot_Video_Format).Set_Number(3);
    set.Slot(Slot_Default_Resolution).Set_Size(1920, 1080);
    set.Collect_Frame_Sizes(model, sizes);
    ASSERT_EQ(model.Mjpeg_Frames.size(), 3U);
    EXPECT_EQ(model.Mjpeg_Frames[0].Valid, 0);
    Bytes out;
    Build_Streaming_Descriptors(model, out);
    Video_Stream_Model reread;
    reread.Build_From_Header(out);
    EXPECT_EQ(reread.Complete, 1);
    EXPECT_EQ(Sizes_Of(reread.Mjpeg_Frames), (std::vector<Frame_Size>{{1280, 720}, {640, 480}}));
    EXPECT_EQ(reread.Mjpeg_Default_Width, 1280) << "default index 1";
}

TEST(Descriptor_Set, ConfigurationRoundTripThroughTheSet) {
    // The path the 256 KB image takes: read, assign, collect, rebuild the function.
    for (const std::uint8_t still : {1, 2, 3}) {
        const Format_Description mjpeg{.Mjpeg = true, .Frames = Frames_Of({{1280, 720}, {640, 480}})};
        const Format_Description yuv{.Mjpeg = false, .Frames = Frames_Of({{1280, 720}})};
        const Bytes source = Build_Configuration(
            {.Video = Video_Function_Description{.Formats = {mjpeg, yuv}, .Still_Method = still},
             .Audio = Audio_Function_Description{}});
        const uvcDescriptor configuration(source.data(), source.size());
        Descriptor_Set set;
        set.Assign_Stream_Model(configuration.Get_Stream_Model());
        Video_Stream_Model wanted;
        std::vector<Frame_Size> sizes;
        set.Collect_Frame_Sizes(wanted, sizes);

        Bytes out(configuration.Get_Head().begin(), configuration.Get_Head().end());
        configuration.Serialise_Function(out, 0, wanted);
        configuration.Serialise_Function(out, 1, Video_Stream_Model{});
        EXPECT_EQ(out, source) << int(still);
    }
}
