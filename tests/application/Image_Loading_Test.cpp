// Image loading and the USB identity page: images of every family loaded by the file dialog
// and by drops, refused files leaving no image loaded, and the page's checks of what the
// operator types or pastes.
#include <algorithm>
#include <filesystem>
#include <random>

#include "Download_State.h"
#include "Tool_Test.h"
#include "support/Fifo.h"

namespace zunq::application::tests {
namespace {

namespace fs = std::filesystem;
using namespace test_images;

constexpr const char* Unreadable = "文件加载失败！";
constexpr const char* Failed_Check = "固件校检失败！";
constexpr const char* Bad_Character = "输入非法！请输入0~F,不区分大小写";
constexpr const char* Too_Long = "字符长度超过限制！请重新输入！";
const Texts One_Tab{"用户配置"};
const Texts Three_Tabs{"用户配置", "参数配置", "USB配置"};

class Image_Loading : public Tool_Test {
protected:
    Image_Loading() { Install_Host(nullptr); }
    bool Loaded() const { return dialog->m_nImageSize != 0 && Download_Buffer != nullptr; }
    // The image panel: VID, PID, firmware version, product, manufacturer.
    Texts Panel() {
        Texts texts;
        for (int id = 1024; id <= 1028; ++id)
            texts.push_back(Text(*dialog, id));
        return texts;
    }
};

TEST_F(Image_Loading, EveryFamilyLoadsByTheFileDialogOrADropAndShowsItsIdentity) {
    const Texts chip{"1bcf", "2c99", "0100", "Camera", "Maker"};
    const Texts big{"1bcf", "2c99", "0100", "Test Camera 2688", "Test Maker"};
    Bytes byte_marked = Build_2688_Image({});
    std::copy(Big_Marker_Bytes.begin(), Big_Marker_Bytes.end(), byte_marked.begin() + 0x100);
    const struct {
        Bytes image;
        Texts panel;
        std::string external_id; // "": hidden
        int chip_code;
    } families[] = {
        {Build_2089_Image({}),
         {"1bcf", "2c99", "0100", "Camera 2089", "Maker 2089"},
         "EXT2089-00000001",
         108},
        {Build_Chip_Image({.Family = Chip_Family::F2092}), chip, "EXTID-CHIP-00001", 107},
        {Build_Chip_Image({.Family = Chip_Family::F2620}), chip, "EXTID-CHIP-00001", 109},
        {Build_Chip_Image({.Family = Chip_Family::F2281}), chip, "EXTID-CHIP-00001", 105},
        {Build_2688_Image({}), big, "EXTID-0000000001", 110},
        {byte_marked, big, "EXTID-0000000001", 110},
        // The other settings tag: one tab, and no external ID (not the last image's either).
        {Build_2688_Image({.Settings_Tag = Settings_Tag_Other}), big, "", 366},
    };
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
    CDialog1& page = dlg.m_Page1;
    int row = 0;
    for (const auto& family : families) {
        SCOPED_TRACE(family.chip_code);
        const std::string path = Write_Image(std::to_string(row) + ".bin", family.image);
        ++row % 2 == 0 ? Drop_Files(dlg, {path}) : Load(path);
        EXPECT_EQ(Boxes(), Texts{});
        ASSERT_TRUE(Loaded());
        EXPECT_EQ(Text(dlg, 1074), path);
        EXPECT_EQ(Panel(), family.panel);
        EXPECT_EQ(Items(dlg, 1122), family.chip_code == 110 ? Three_Tabs : One_Tab);
        EXPECT_EQ(page.m_nChipCode, family.chip_code);
        EXPECT_EQ(
            (Texts{Text(page, 1030), Text(page, 1032), Text(page, 1033), Text(page, 1034), Text(page, 1035)}),
            family.panel);
        EXPECT_EQ(Is_Visible(page, 1078), !family.external_id.empty());
        EXPECT_EQ(Text(page, 1078), family.external_id);
        ASSERT_EQ(Download_Size, family.image.size());
        EXPECT_TRUE(std::equal(family.image.begin(), family.image.end(), Download_Buffer.get()));
    }

    // Absent manufacturer and microphone strings hide their groups; the panel says so.
    const Device_Description no_maker{.Manufacturer_Index = 0};
    Load(Write_Image("no-maker.bin",
                     Build_2688_Image({.Devices = {no_maker, no_maker},
                                       .Strings = {std::nullopt, std::nullopt, std::nullopt, "Camera"}})));
    EXPECT_EQ(Text(dlg, 1028), "StringNoUse");
    for (int id : {1058, 1035, 1076, 1142, 1143, 1083})
        EXPECT_FALSE(Is_Visible(page, id)) << id;
    EXPECT_TRUE(Is_Visible(page, 1034));
}

TEST_F(Image_Loading, PaddingAndRefusedFilesLeaveNoImageLoaded) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
    const std::string image_2688 = Write_Image("2688.bin", Build_2688_Image({}));
    Load(Write_Image("64k.bin", Build_Chip_Image({})));
    EXPECT_EQ(dlg.m_nPaddedSize, 0x10000u);

    // One byte more pads to 256 KB with zeros; random bytes are no image.
    Bytes noise(0x10001);
    std::mt19937 random(13);
    std::generate(noise.begin(), noise.end(), [&] { return static_cast<std::uint8_t>(random()); });
    Load(image_2688);
    Load(Write_Image("noise.bin", noise));
    EXPECT_EQ(Boxes(), Texts{Failed_Check});
    ASSERT_EQ(dlg.m_nPaddedSize, 0x40000u);
    EXPECT_TRUE(std::equal(noise.begin(), noise.end(), dlg.m_pPaddedImage.get()));
    EXPECT_EQ(std::count(dlg.m_pPaddedImage.get() + noise.size(), dlg.m_pPaddedImage.get() + 0x40000, 0),
              0x40000 - 0x10001);
    EXPECT_FALSE(Loaded());
    EXPECT_EQ(Items(dlg, 1122), One_Tab);
    EXPECT_EQ(Text(dlg, 1074) + Text(dlg.m_Page1, 1030), "");
    EXPECT_EQ(Text(dlg.m_Page1, 1078), "EXTID-0000000001") << "the page keeps its external ID";

    // Images of a known family that fail its own check: unsigned, or with too many blank
    // check bytes.
    for (const Image_Chip_Description& failing :
         {Image_Chip_Description{.Signature = false},
          Image_Chip_Description{.Family = Chip_Family::F2281, .Blank_Check_Bytes = 33}}) {
        Load(image_2688);
        Load(Write_Image("failing.bin", Build_Chip_Image(failing)));
        EXPECT_EQ(Boxes(), Texts{Failed_Check});
        EXPECT_FALSE(Loaded());
        EXPECT_EQ(Items(dlg, 1122), One_Tab);
    }

    Bytes too_large = Build_2688_Image({});
    too_large.push_back(0);
    const std::string vanished = Write_Image("vanished.bin", Build_Chip_Image({}));
    fs::remove(vanished);
    zunq::tests::Fifo fifo(working_directory.Path() / "fifo.bin"); // would wait for a writer
    ASSERT_TRUE(fifo.Made());
    for (const std::string& path : {Write_Image("too-large.bin", too_large), Write_Image("empty.bin", {}),
                                    working_directory.Path().string(), vanished, fifo.Path(),
                                    std::string("/proc/self/mem") /* opens, but reads fail */}) {
        SCOPED_TRACE(path);
        Load(image_2688);
        Boxes();
        Load(path);
        EXPECT_EQ(Boxes(), Texts{Unreadable});
        EXPECT_FALSE(Loaded());
        EXPECT_EQ(dlg.m_pPaddedImage, nullptr);
        EXPECT_EQ(Text(dlg, 1074), "");
        EXPECT_EQ(Panel(), Texts(5));
        EXPECT_EQ(Items(dlg, 1122), Three_Tabs) << "the tabs keep what they showed";
    }
    EXPECT_EQ(fifo.Stop(), 0u) << "the FIFO was opened";

    // The save box: refused without an image, and never left checked.
    Click(dlg.m_Page1, 1031);
    EXPECT_EQ(Boxes(), Texts{"请先加载文件！"});
    EXPECT_FALSE(Is_Checked(dlg.m_Page1, 1031));
}

TEST_F(Image_Loading, CancelReloadsTheLastFileAndSeveralDroppedFilesLoadNothing) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
    Load(std::nullopt);
    EXPECT_EQ(Boxes(), Texts{Unreadable}) << "cancelled with no earlier path";

    const std::string path = Write_Image("camera.x.bin", Build_2089_Image({}));
    Drop_Files(dlg, {path});
    EXPECT_EQ(dlg.m_strFileTitle, (working_directory.Path() / "camera.x").string());
    Load(std::nullopt);
    EXPECT_EQ(Boxes(), Texts{});
    EXPECT_TRUE(Loaded());
    EXPECT_EQ(Text(dlg, 1074), path);
    std::string shown_name = path;
    std::replace(shown_name.begin(), shown_name.end(), '/', '\\');
    EXPECT_EQ(services.file_requests.back().initial_name, shown_name);
    EXPECT_EQ(services.file_requests.back().filter, "Text files(*.bin)|*.bin");

    // Two files at once: nothing loaded, so the page is not even reset.
    Click(dlg.m_Page1, 1075);
    Drop_Files(dlg, {path, Write_Image("other.bin", Build_Chip_Image({}))});
    EXPECT_TRUE(Is_Checked(dlg.m_Page1, 1075));

    Load("C:\\fw\\camera.x.bin");
    EXPECT_EQ(dlg.m_strFilePath, "C:/fw/camera.x.bin");
    EXPECT_EQ(dlg.m_strFileTitle, "C:\\fw\\camera.x");
    EXPECT_EQ(Boxes(), Texts{Unreadable});
}

TEST_F(Image_Loading, IdentityFieldsTakeOnlyTheirCharactersUpToTheirLimits) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    CDialog1& page = dlg.m_Page1;
    EXPECT_TRUE(Is_Read_Only(page, 1034) && !Is_Read_Only(page, 1030)) << "reset at start-up";
    Load(Write_Image("2281.bin", Build_Chip_Image({.Family = Chip_Family::F2281})));

    // Hexadecimal fields: four digits of either case, none at all, no other character.
    Type(page, 1030, "1a2Bc", true);
    Type(page, 1032, "", true);
    Press_Key(page, 1032, 0x08);
    EXPECT_EQ(Boxes(), Texts{Too_Long});
    EXPECT_EQ(page.m_strVidText + "|" + page.m_strPidText, "1a2B|");
    Type(page, 1032, "g");
    EXPECT_EQ(Boxes(), Texts{Bad_Character});
    EXPECT_EQ(Text(page, 1030) + Text(page, 1032), "1bcf2c99") << "every field back to the loaded values";

    // Text fields: locked until unlocked; letters, digits and " .-_", typed or pasted.
    Type(page, 1034, "X");
    EXPECT_EQ(Text(page, 1034), "Camera");
    Click(page, 1075);
    Type(page, 1034, " 2_b.c-d");
    EXPECT_EQ(page.m_strProductText, "Camera 2_b.c-d");
    Type(page, 1034, std::string(32, 'x'), true);
    EXPECT_EQ(Text(page, 1034), std::string(31, 'x'));
    Paste(page, 1034, "Cam#");
    EXPECT_EQ(Text(page, 1034), "Camera");
    Paste(page, 1034, std::string(40, 'p'), true);
    EXPECT_EQ(Text(page, 1034), std::string(31, 'p'));
    EXPECT_EQ(Boxes(), (Texts{Too_Long, Bad_Character, Too_Long}));
    Click(page, 1075);
    EXPECT_TRUE(Is_Read_Only(page, 1034));

    // The external ID: 16 characters; a bad one brings back the loaded ID too.
    Click(page, 1079);
    Type(page, 1078, "Z");
    EXPECT_EQ(Text(page, 1078), "EXTID-CHIP-00001");
    Type(page, 1078, "AB", true);
    Type(page, 1078, "%");
    EXPECT_EQ(Boxes(), (Texts{Too_Long, Bad_Character}));
    EXPECT_EQ(Text(page, 1078), "EXTID-CHIP-00001");

    // The 2092 and 2620 families: a string may shrink, never grow past the loaded one.
    for (Chip_Family family : {Chip_Family::F2092, Chip_Family::F2620}) {
        Load(Write_Image("fixed-room.bin", Build_Chip_Image({.Family = family})));
        EXPECT_FALSE(Is_Checked(page, 1079)) << "reset by the load";
        Click(page, 1075);
        Type(page, 1034, "X");
        EXPECT_EQ(Text(page, 1034), "Camera");
        Type(page, 1034, "Cam", true);
        EXPECT_EQ(page.m_strProductText, "Cam");
    }
    Click(page, 1083);
    Type(page, 1143, "2");
    EXPECT_EQ(Text(page, 1143), "Mic");
    EXPECT_EQ(Boxes(), (Texts{Too_Long, Too_Long, Too_Long}));

    // Choosing a camera resets the page.
    Select(dlg, 1016, 1);
    EXPECT_FALSE(Is_Checked(page, 1075) || Is_Checked(page, 1083));
    EXPECT_TRUE(Is_Read_Only(page, 1034) && Is_Read_Only(page, 1143));
}

} // namespace
} // namespace zunq::application::tests
