// The camera-control and video-format pages filled from generated 256 KB images loaded with
// "加载程序", reached by their tabs and driven with the mouse and keys.
#include "Tool_Test.h"

namespace zunq::application::tests {
namespace {

using test_images::Frames_Of;

// `automatic`: the byte of the white-balance and focus switches, when not the usual ones.
Bytes Camera_Control_Image(std::uint8_t orientation, std::optional<std::int32_t> automatic = {}) {
    Bytes image = test_images::Build_2688_Image({});
    test_images::Camera_Control_Description controls;
    controls.Records[0] = {.Current = 128, .Minimum = 0, .Maximum = 255, .Default = 128}; // brightness
    if (automatic)
        controls.Records[7].Current = controls.Records[13].Current = *automatic;
    controls.Modes = {orientation, 0};
    test_images::Put_Camera_Controls(image, test_images::Offset_2688_IQ_Block, controls);
    return image;
}

class Pages : public Tool_Test {
protected:
    void SetUp() override {
        // A 250% screen, where a trackbar has a pixel for each of 256 positions.
        services.pixels_per_inch = 240;
        Install_Host(nullptr);
        Start_Dialog();
    }

    // "加载程序" on a 256 KB image, then the tab of page `page` clicked (the load shows the first).
    void Load(const Bytes& image, int page) {
        Tool_Test::Load(Write_Image("page.bin", image));
        Select(*dialog, 1122, page);
        ASSERT_TRUE((page == 1 ? static_cast<CDialog&>(dialog->m_Page2) : dialog->m_Page3).IsWindowVisible());
    }
};

TEST_F(Pages, CameraControlPageShowsTheImageFollowsTheOperatorAndRestoresTheImage) {
    CDialog2& page = dialog->m_Page2;
    Load(Camera_Control_Image(2), 1);
    EXPECT_EQ(page.m_Sliders[0].GetRangeMin(), 0);
    EXPECT_EQ(page.m_Sliders[0].GetRangeMax(), 255);
    EXPECT_EQ(Position(page, 1088), 128);
    EXPECT_EQ(Text(page, 1068), "128");
    EXPECT_EQ(page.m_Sliders[12].GetRangeMin(), -36000) << "pan's range needs 32 bits";
    EXPECT_EQ(Text(page, 1116), "50Hz");
    EXPECT_EQ(Text(page, 1117), "垂直镜像");
    EXPECT_TRUE(Is_Visible(page, 1117) && Is_Visible(page, 1120));
    for (const int hidden : {1104, 1108, 1124, 1077, 1115})
        EXPECT_FALSE(Is_Visible(page, hidden)) << hidden;
    // The block has no roll record: the slider spans 0 to 0.
    EXPECT_EQ(page.m_Sliders[14].GetRangeMax(), 0);
    EXPECT_EQ(Position(page, 1103), 0);
    EXPECT_EQ(Text(page, 1107), "0");
    // White balance and exposure are automatic, focus is not.
    EXPECT_TRUE(Is_Checked(page, 1085) && !Is_Enabled(page, 1094) && page.m_nAutoWhiteBalance == 1);
    EXPECT_TRUE(Is_Checked(page, 1111) && !Is_Enabled(page, 1100) && page.m_nAutoExposure == 1);
    EXPECT_TRUE(!Is_Checked(page, 1110) && Is_Enabled(page, 1099) && page.m_nAutoFocus == 0);

    Drag_Slider(page, 1088, 10);
    EXPECT_EQ(Position(page, 1088), 10);
    EXPECT_EQ(Text(page, 1068), "10");
    Click(page, 1085);
    EXPECT_TRUE(Is_Enabled(page, 1094));
    EXPECT_EQ(page.m_nAutoWhiteBalance, 0);
    EXPECT_EQ(Text(page, 1073), "106") << "the value text keeps its value";
    Press_Key(page, 1094, VK_LEFT);
    EXPECT_EQ(Text(page, 1073), "105");
    Click(page, 1110);
    EXPECT_TRUE(!Is_Enabled(page, 1099) && page.m_nAutoFocus == 1);
    Select(page, 1117, 0);

    Click(page, 1118); // "默认值"
    EXPECT_EQ(Position(page, 1088), 128);
    EXPECT_EQ(page.m_strBrightness, "128");
    EXPECT_EQ(page.m_strWhiteBalance, "106");
    EXPECT_TRUE(Is_Checked(page, 1085) && !Is_Enabled(page, 1094) && page.m_nAutoWhiteBalance == 1);
    EXPECT_TRUE(!Is_Checked(page, 1110) && Is_Enabled(page, 1099) && page.m_nAutoFocus == 0);
    EXPECT_EQ(Text(page, 1117), "垂直镜像");

    // An image without an orientation setting hides it; the next one with it shows it again.
    // A switch byte other than 1 is not automatic.
    Load(Camera_Control_Image(0xFF, 2), 1);
    EXPECT_EQ(page.m_nOrientation, 0xFF);
    EXPECT_FALSE(Is_Visible(page, 1117) || Is_Visible(page, 1120));
    EXPECT_TRUE(!Is_Checked(page, 1085) && Is_Enabled(page, 1094) && page.m_nAutoWhiteBalance == 0);
    EXPECT_TRUE(!Is_Checked(page, 1110) && Is_Enabled(page, 1099) && page.m_nAutoFocus == 0);
    Load(Camera_Control_Image(0), 1);
    EXPECT_TRUE(Is_Visible(page, 1117) && Is_Visible(page, 1120));
    EXPECT_EQ(Text(page, 1117), "标准正向");
}

TEST_F(Pages, VideoFormatPageNarrowsTheImagesChoicesAndKeepsOneResolution) {
    CDialog3& page = dialog->m_Page3;
    Load(Video_Image({{.Frames = Frames_Of({{1280, 720}, {640, 480}, {320, 240}, {160, 120}})},
                      {.Mjpeg = false, .Frames = Frames_Of({{640, 480}})}},
                     2, true),
         2);
    EXPECT_EQ(page.Get_Video_Format(), 4);
    for (const int radio : {1127, 1128, 1129, 1130})
        EXPECT_TRUE(Is_Enabled(page, radio)) << radio;
    EXPECT_EQ(page.Get_Still_Mode(), 2);
    EXPECT_TRUE(Is_Enabled(page, 1133) && Is_Enabled(page, 1134));
    EXPECT_TRUE(Is_Checked(page, 1135));
    const Texts sizes{"1280 X 720", "640 X 480", "320 X 240", "160 X 120"};
    EXPECT_EQ(Items(page, 1138), sizes);
    EXPECT_EQ(Items(page, 1139), sizes);
    EXPECT_EQ(Selection(page, 1139), 0);

    Click(page, 1130);
    Click(page, 1133);
    EXPECT_EQ(page.Get_Video_Format(), 1);
    EXPECT_EQ(page.Get_Still_Mode(), 1);
    Select(page, 1139, 2);
    EXPECT_EQ(page.m_nDefaultWidth, 320);
    // Unchecking another resolution keeps the default chosen.
    Click_Item_Check(page, 1138, 1);
    EXPECT_EQ(Items(page, 1139), (Texts{"1280 X 720", "320 X 240", "160 X 120"}));
    EXPECT_EQ(Selection(page, 1139), 1);
    // Unchecking the default: the combo loses it and selects its first item.
    Click_Item_Check(page, 1138, 2);
    EXPECT_EQ(Items(page, 1139), (Texts{"1280 X 720", "160 X 120"}));
    EXPECT_EQ(Selection(page, 1139), 0);
    // Unchecking the rest one by one: the last one is refused and the first checked again.
    Click_Item_Check(page, 1138, 0);
    EXPECT_TRUE(services.message_boxes.empty());
    Click_Item_Check(page, 1138, 3);
    ASSERT_EQ(services.message_boxes.size(), 1u);
    EXPECT_EQ(services.message_boxes[0].text, "非法操作！必须勾选一个分辨率！");
    EXPECT_TRUE(Is_Item_Checked(page, 1138, 0));
    EXPECT_EQ(page.Get_Unchecked_Resolutions(), (std::vector<std::size_t>{2, 3, 4}));
    EXPECT_EQ(Items(page, 1139), Texts{"1280 X 720"});
    Press_Key(page, 1138, VK_SPACE); // on the item clicked last
    EXPECT_EQ(Items(page, 1139), (Texts{"1280 X 720", "160 X 120"}));

    // A second image, MJPEG only with stills at the preview resolution and no microphone:
    // everything comes from it, the first of its resolutions the default.
    Load(Video_Image({{.Frames = Frames_Of({{800, 600}, {640, 360}})}}), 2);
    EXPECT_EQ(page.Get_Video_Format(), 3);
    EXPECT_TRUE(Is_Enabled(page, 1129));
    for (const int radio : {1127, 1128, 1130, 1134, 1135})
        EXPECT_FALSE(Is_Enabled(page, radio)) << radio;
    EXPECT_EQ(page.Get_Still_Mode(), 1);
    EXPECT_FALSE(Is_Checked(page, 1135));
    EXPECT_EQ(Items(page, 1139), (Texts{"800 X 600", "640 X 360"}));
    EXPECT_EQ(Selection(page, 1139), 0);
    EXPECT_TRUE(page.Get_Unchecked_Resolutions().empty());
    Select(page, 1139, 1);
    EXPECT_EQ(page.m_nDefaultWidth, 640);
    EXPECT_EQ(page.m_nDefaultHeight, 360);

    // YUV alone, stills through a bulk endpoint (method 3): only "YUV" is offered, no still choice.
    Load(Video_Image({{.Mjpeg = false, .Frames = Frames_Of({{640, 480}})}}, 3), 2);
    EXPECT_EQ(page.Get_Video_Format(), 1);
    EXPECT_TRUE(Is_Enabled(page, 1130));
    for (const int radio : {1127, 1128, 1129, 1133, 1134})
        EXPECT_FALSE(Is_Enabled(page, radio)) << radio;
    EXPECT_EQ(page.Get_Still_Mode(), 0);

    // Two MJPEG formats make no mode the page knows: no format is offered.
    Load(Video_Image({{.Frames = Frames_Of({{800, 600}})}, {.Frames = Frames_Of({{640, 360}})}}), 2);
    EXPECT_EQ(page.Get_Video_Format(), 0);
    for (const int radio : {1127, 1128, 1129, 1130})
        EXPECT_FALSE(Is_Enabled(page, radio)) << radio;
}

// More resolutions than an image carries, built through the list: no position is cut off
// or wrapped, however many are unchecked and however far down they are.
TEST_F(Pages, EveryUncheckedResolutionReachesTheApplyStep) {
    CDialog3& page = dialog->m_Page3;
    dialog->Show_Page(2);
    std::vector<std::size_t> unchecked;
    for (std::uint16_t i = 0; i < 300; ++i) {
        page.m_AllResolutions.push_back({static_cast<std::uint16_t>(i + 1), 1});
        page.m_CheckedResolutions.push_back(page.m_AllResolutions.back());
        page.m_lstResolutions.AddString("entry");
        page.m_cbDefaultResolution.AddString("entry");
        page.m_lstResolutions.SetCheck(i, i % 4 != 1);
        if (i % 4 == 1)
            unchecked.push_back(i + 1u);
    }
    Click_Item_Check(page, 1138, 299);
    unchecked.push_back(300);
    EXPECT_EQ(page.Get_Unchecked_Resolutions(), unchecked);
    EXPECT_EQ(page.m_CheckedResolutions.size(), 300 - unchecked.size());
    EXPECT_EQ(page.m_CheckedResolutions.back().Width, 299);

    // A selection the checked list does not have keeps the default.
    Select(page, 1139, 0);
    EXPECT_EQ(page.m_nDefaultWidth, 1);
    page.m_CheckedResolutions.pop_back();
    Select(page, 1139, static_cast<int>(page.m_CheckedResolutions.size()));
    EXPECT_EQ(page.m_nDefaultWidth, 1);
}

} // namespace
} // namespace zunq::application::tests
