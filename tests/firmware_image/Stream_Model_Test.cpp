#include "firmware_image/Video_Stream_Model.h"
#include "test_images/Configuration_Builder.h"

#include <gtest/gtest.h>

using namespace test_images;

namespace {

Video_Stream_Model Model_Of(const Bytes& class_descriptors) {
    Video_Stream_Model model;
    model.Build_From_Header(class_descriptors);
    return model;
}

Bytes Written(const Video_Stream_Model& model) {
    Bytes out;
    Build_Streaming_Descriptors(model, out);
    return out;
}

Format_Description Format(bool mjpeg, std::vector<Frame_Description> frames, std::uint8_t default_index = 1) {
    return {.Mjpeg = mjpeg, .Frames = std::move(frames), .Default_Index = default_index};
}

} // namespace

TEST(Frame_Rates, RoundToMultiplesOfFiveAndNeverDivideByZero) {
    struct Row {
        std::uint32_t Interval;
        std::uint32_t Rate;
    };
    for (const Row row :
         {Row{333333, 3000}, Row{666666, 1500}, Row{333667, 2995}, Row{334001, 2995}, Row{333334, 3000},
          Row{333445, 2995}, Row{334113, 2990}, Row{0, 0}, Row{1, 1000000000}}) {
        EXPECT_EQ(Frame_Rate_From_Interval(row.Interval), row.Rate) << row.Interval;
    }
    for (const Row row : {Row{333333, 3000}, Row{666666, 1500}, Row{333889, 2995}, Row{0, 0}}) {
        EXPECT_EQ(Frame_Interval_From_Rate(row.Rate), row.Interval) << row.Rate;
    }
    EXPECT_EQ(Frame_Bit_Rate(3000, 640 * 480), 240U * 640 * 480 * 2);
    EXPECT_EQ(Frame_Bit_Rate(6000, 65535U * 65535U), 0xFFFFFFFFU) << "saturates instead of wrapping";
    EXPECT_EQ(Frame_Bit_Rate(0xFFFFFFFFU, 1), 687194766U) << "a wrapped intermediate is not kept";
    EXPECT_EQ(Frame_Bit_Rate(0xFFFFFFFFU, 65536), 0xFFFFFFFFU);
}

// Every format order and still method is read and written back in the configuration
// model's tests; here, what the writer does with what it cannot write as read.
TEST(Video_Stream_Model, KeepsNtscRatesToFivesOnWriting) {
    Frame_Description frame;
    frame.Intervals = {333667};
    const Video_Stream_Model model =
        Model_Of(Build_Streaming_Class_Descriptors({.Formats = {Format(true, {frame})}}));
    ASSERT_EQ(model.Mjpeg_Frames.size(), 1U);
    EXPECT_EQ(model.Mjpeg_Frames[0].Rates, std::vector<std::uint32_t>{2995});
    const Bytes out = Written(model);
    EXPECT_EQ(Get_U32_LE(out, 14 + 11 + 26), 333889U);
}

TEST(Video_Stream_Model, LowersModesAndKeepsCountsToWhatIsWritten) {
    Video_Stream_Model model = Model_Of(
        Build_Streaming_Class_Descriptors({.Formats = {Format(false, Frames_Of({{640, 480}, {320, 240}})),
                                                       Format(true, Frames_Of({{640, 480}}))}}));
    model.Mjpeg_Frames.clear();
    Bytes out = Written(model);
    EXPECT_EQ(out[0], 14) << "one format";
    EXPECT_EQ(out[3], 1);
    EXPECT_EQ(out[13], 0x00);

    // An empty placeholder and a continuous-interval record are not frames that can be
    // written: they are left out, and the counts and default index follow.
    model = Model_Of(Build_Streaming_Class_Descriptors(
        {.Formats = {Format(false, Frames_Of({{640, 480}, {320, 240}}))}, .Still_Method = 2}));
    model.Uncompressed_Frames.insert(model.Uncompressed_Frames.begin(), Frame_Size_Record{});
    model.Uncompressed_Frames[2].Rates.clear();
    model.Uncompressed_Default_Width = 800; // no frame has it
    out = Written(model);
    const Video_Stream_Model reread = Model_Of(out);
    EXPECT_EQ(reread.Complete, 1);
    ASSERT_EQ(reread.Uncompressed_Frames.size(), 1U);
    EXPECT_EQ(reread.Uncompressed_Frames[0].Width, 640);
    const long format = Find_Descriptor(out, 0x24, 0x04);
    EXPECT_EQ(out[format + 4], 1) << "bNumFrameDescriptors";
    EXPECT_EQ(out[format + 22], 1) << "bDefaultFrameIndex names a frame that exists";
    const long still = Find_Descriptor(out, 0x24, 0x03);
    EXPECT_EQ(out[still + 4], 1) << "bNumImageSizePatterns";

    model.Uncompressed_Frames.resize(1); // only the placeholder
    out = Written(model);
    EXPECT_EQ(out.size(), 13U) << "no format: the header alone";
}

TEST(Video_Stream_Model, UntrustedLengthsAndCounts) {
    // A header whose wTotalLength does not match: the lists are still read.
    Video_Function_Description desc{.Formats = {Format(true, Frames_Of({{640, 480}, {320, 240}}))}};
    desc.Header_Total_Length = 200;
    Video_Stream_Model model = Model_Of(Build_Streaming_Class_Descriptors(desc));
    EXPECT_EQ(model.Complete, 0);
    EXPECT_EQ(model.Mjpeg_Frames.size(), 2U);

    // bFrameIntervalType claiming more intervals than bLength holds.
    desc = {.Formats = {Format(true, Frames_Of({{640, 480}}, {3000}))}};
    desc.Formats[0].Frames[0].Interval_Count_Field = 200;
    model = Model_Of(Build_Streaming_Class_Descriptors(desc));
    ASSERT_EQ(model.Mjpeg_Frames.size(), 1U);
    EXPECT_EQ(model.Mjpeg_Frames[0].Rates.size(), 1U);

    // A frame descriptor too short for its fixed fields ends the run of frames.
    Bytes bytes =
        Build_Streaming_Class_Descriptors({.Formats = {Format(true, Frames_Of({{640, 480}, {320, 240}}))}});
    const long second = Find_Descriptor(bytes, 0x24, 0x07, 1);
    bytes[second] = 20;
    model = Model_Of(bytes);
    EXPECT_EQ(model.Mjpeg_Frames.size(), 1U);
    EXPECT_EQ(model.Complete, 0);
    for (const std::uint8_t length : {0, 1}) {
        bytes[second] = length;
        EXPECT_EQ(Model_Of(bytes).Mjpeg_Frames.size(), 1U);
    }
    // Cut anywhere, the walk stays within what it was given.
    bytes = Build_Streaming_Class_Descriptors({.Formats = {Format(true, Frames_Of({{640, 480}}))}});
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const Bytes cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
        EXPECT_EQ(Model_Of(cut).Complete, 0);
    }
}

TEST(Video_Stream_Model, EightBitFieldsAreCappedNotWrapped) {
    Video_Stream_Model model;
    model.Format_Mode = Format_Mode_Mjpeg;
    model.Still_Method = 2;
    Frame_Size_Record record;
    record.Subtype = 7;
    record.Width = 640;
    record.Height = 480;
    record.Default_Rate = 3000;
    record.Rates.assign(70, 3000);
    model.Mjpeg_Frames.assign(70, record);
    const Bytes out = Written(model);
    const Video_Stream_Model reread = Model_Of(out);
    EXPECT_EQ(reread.Complete, 1);
    ASSERT_EQ(reread.Mjpeg_Frames.size(), 70U);
    EXPECT_EQ(reread.Mjpeg_Frames[0].Rates.size(), 57U);
    EXPECT_EQ(out[Find_Descriptor(out, 0x24, 0x07)], 254);
    const long still = Find_Descriptor(out, 0x24, 0x03);
    EXPECT_EQ(out[still + 4], 61);
    EXPECT_EQ(out[still], 6 + 4 * 61 + 4);

    // Past a 16-bit wTotalLength nothing is written at all.
    model.Format_Mode = Format_Mode_Mjpeg_Then_Uncompressed;
    model.Mjpeg_Frames.assign(300, record);
    record.Subtype = 5;
    model.Uncompressed_Frames.assign(300, record);
    Bytes big{0xAB};
    EXPECT_EQ(Build_Streaming_Descriptors(model, big), 0);
    EXPECT_EQ(big, Bytes{0xAB});
}
