#include "firmware_image/uvcDescriptor.h"
#include "test_images/Configuration_Builder.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace test_images;

namespace {

// Head, then every function as the model writes it back with its own stream model.
Bytes Written_Back(const uvcDescriptor& model) {
    Bytes out(model.Get_Head().begin(), model.Get_Head().end());
    const Video_Stream_Model own = model.Get_Stream_Model();
    for (std::size_t i = 0; i < model.Get_Function_Count(); ++i) {
        model.Serialise_Function(out, static_cast<std::uint8_t>(i), own);
    }
    return out;
}

Configuration_Description With_Audio(Video_Function_Description video = {}) {
    return {.Video = std::move(video), .Audio = Audio_Function_Description{}};
}

} // namespace

TEST(uvcDescriptor, ReadsAndWritesBackEveryFormatOrderStillMethodAndLayout) {
    // Alternate settings 0 to 11 all stay in the streaming part when read.
    const Bytes full = Build_Configuration({});
    const uvcDescriptor full_model(full.data(), full.size());
    EXPECT_EQ(full_model.Get_Function(0)->Get_Streaming_List().size(), 1 + 4 + 11 * 2U);

    // A source with alternate setting 0 alone gets the eleven standard ones (the
    // configuration's own wTotalLength is the image writer's to update).
    const Bytes bare =
        Build_Configuration({.Video = Video_Function_Description{.Standard_Alternates = false}});
    const uvcDescriptor bare_model(bare.data(), bare.size());
    const Bytes rebuilt = Written_Back(bare_model);
    EXPECT_EQ(rebuilt.size(), bare.size() + 176);
    EXPECT_TRUE(std::equal(rebuilt.begin() + 9, rebuilt.end(), full.begin() + 9, full.end()));

    // Each format order with each still method, the control part after the streaming part, a
    // streaming interface numbered other than 1, and a still trigger kept by method 2: each
    // reads to its stream model and writes back to the same bytes.
    const Format_Description mjpeg{.Mjpeg = true,
                                   .Frames =
                                       Frames_Of({{1920, 1080}, {1280, 720}, {640, 480}}, {3000, 2500, 1500}),
                                   .Default_Index = 2};
    const Format_Description yuv{.Mjpeg = false, .Frames = Frames_Of({{640, 480}, {320, 240}}, {3000})};
    std::vector<std::pair<Video_Function_Description, std::uint32_t>> descs; // and the format mode read
    for (const auto& [formats, mode] :
         {std::pair{std::vector{yuv}, 1U}, std::pair{std::vector{yuv, mjpeg}, 2U},
          std::pair{std::vector{mjpeg}, 3U}, std::pair{std::vector{mjpeg, yuv}, 4U}}) {
        for (const std::uint8_t still : {0, 1, 2, 3}) {
            descs.push_back({{.Formats = formats, .Still_Method = still}, mode});
        }
    }
    descs.push_back({{.Streaming_First = true}, 3});
    descs.push_back({{.First_Interface = 4}, 3});
    descs.push_back({{.Still_Method = 2, .Trigger_Support = 1}, 3});
    for (const auto& [desc, mode] : descs) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " still " << int(desc.Still_Method));
        const Bytes source = Build_Configuration(With_Audio(desc));
        const uvcDescriptor model(source.data(), source.size());
        ASSERT_EQ(model.Get_Function_Count(), 2U);
        EXPECT_TRUE(model.Get_Function(0)->Is_Video_Function() && model.Get_Function(0)->Has_Stream_Model());
        EXPECT_TRUE(model.Get_Function(1)->Is_Audio_Function() && !model.Get_Function(1)->Has_Stream_Model());
        EXPECT_EQ(model.Get_Covered_Length(), source.size());
        const Video_Stream_Model read = model.Get_Stream_Model();
        EXPECT_EQ(read.Complete, 1);
        EXPECT_EQ(read.Format_Mode, mode);
        EXPECT_EQ(read.Still_Method, desc.Still_Method);
        EXPECT_EQ(Written_Back(model), source);
    }
    // A trigger without still method 2 is not kept.
    const Bytes triggered = Build_Configuration({.Video = Video_Function_Description{.Trigger_Support = 1}});
    const uvcDescriptor triggered_model(triggered.data(), triggered.size());
    const Bytes out = Written_Back(triggered_model);
    EXPECT_EQ(out[Find_Descriptor(out, 0x24, 0x01, 1) + 10], 0);
}

TEST(uvcDescriptor, WritesNothingForNothing) {
    const Bytes source = Build_Configuration(With_Audio());
    const uvcDescriptor model(source.data(), source.size());
    Bytes out;
    EXPECT_EQ(model.Serialise_Function(out, 0, Video_Stream_Model{}), 0) << "no frame sizes wanted";
    Video_Stream_Model no_format = model.Get_Stream_Model();
    no_format.Format_Mode = 9;
    EXPECT_EQ(model.Serialise_Function(out, 0, no_format), 0) << "no format could be written";
    EXPECT_EQ(model.Serialise_Function(out, 4, model.Get_Stream_Model()), 0) << "index past count + 1";
    EXPECT_TRUE(out.empty());
    EXPECT_GT(model.Serialise_Function(out, 3, model.Get_Stream_Model()), 0) << "count + 1 selects the first";

    const usbInterfaceAssociationCurrencyDes empty;
    EXPECT_TRUE(empty.Is_Empty());
    EXPECT_FALSE(empty.Is_Video_Function());
    EXPECT_FALSE(empty.Is_Audio_Function());
    EXPECT_EQ(empty.Get_Total_Length(), 0);
}

TEST(uvcDescriptor, UntrustedConfigurationsEndEveryWalk) {
    const Bytes source = Build_Configuration(With_Audio());
    const auto check = [](const Bytes& bytes, const char* what) {
        const uvcDescriptor model(bytes.data(), bytes.size());
        EXPECT_LE(model.Get_Covered_Length(), model.Get_Available_Length()) << what;
        Bytes out;
        for (std::size_t i = 0; i < model.Get_Function_Count(); ++i) {
            model.Serialise_Function(out, static_cast<std::uint8_t>(i), model.Get_Stream_Model());
        }
        return model.Get_Function_Count();
    };
    EXPECT_EQ(uvcDescriptor(nullptr, 100).Get_Function_Count(), 0U);
    Bytes not_configuration = source;
    not_configuration[1] = 0x01;
    EXPECT_TRUE(uvcDescriptor(not_configuration).Is_Empty());

    // Without an association there are no functions, and nothing to write.
    const Bytes no_iad = Build_Configuration({.Video = std::nullopt});
    const uvcDescriptor lonely(no_iad.data(), no_iad.size());
    EXPECT_EQ(lonely.Get_Function_Count(), 0U);
    EXPECT_EQ(lonely.Get_Stream_Model().Format_Mode, 0U);
    Bytes out;
    EXPECT_EQ(lonely.Serialise_Function(out, 0, Video_Stream_Model{}), 0);

    // bLength 0, 1 or too short for the type, anywhere: the walks end there.
    for (const std::uint8_t length : {0, 1, 5}) {
        for (const std::uint8_t type : {0x04, 0x0B, 0x24}) {
            const long at = Find_Descriptor(source, type, std::nullopt, 1);
            Bytes broken = source;
            broken[at] = length;
            check(broken, "short descriptor");
        }
    }
    // An association whose first interface is neither control nor streaming: an empty
    // function that ends the walk.
    const Bytes odd = Build_Configuration(With_Audio({.Control_Subclass = 0x03}));
    const uvcDescriptor odd_model(odd.data(), odd.size());
    ASSERT_EQ(odd_model.Get_Function_Count(), 1U);
    EXPECT_TRUE(odd_model.Get_Function(0)->Is_Empty());

    // wTotalLength past the bytes given, or short of them.
    Bytes declared_long = source;
    declared_long[2] = 0xFF;
    declared_long[3] = 0xFF;
    EXPECT_EQ(check(declared_long, "long wTotalLength"), 2U);
    for (std::size_t cut = 0; cut < source.size(); cut += 7) {
        check(Bytes(source.begin(), source.begin() + static_cast<long>(cut)), "cut");
        Bytes declared_short = source;
        declared_short[2] = static_cast<std::uint8_t>(cut);
        declared_short[3] = static_cast<std::uint8_t>(cut >> 8);
        check(declared_short, "short wTotalLength");
    }
}
