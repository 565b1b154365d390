// Saving an edited image and editing the burn's buffer: the pages driven as the operator
// drives them, every result read back through the image model.
#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "Download_State.h"
#include "Tool_Test.h"
#include "firmware_image/Firmware_Factory.h"
#include "firmware_image/Firmware_IQ_Adjust_Class_2688.h"

namespace zunq::application::tests {
namespace {

namespace fs = std::filesystem;
using namespace test_images;
using Sizes = std::vector<Frame_Size>;

constexpr const char* Saved = "信息修改成功！";
constexpr const char* Stamp = "_2026-12-5-9-5-3.bin"; // the scripted local time

std::unique_ptr<Firmware_Massage_Base_class_Usb_Des> Reload(const Bytes& image) {
    return Create_Firmware_Object(image.data(), static_cast<std::uint32_t>(image.size()));
}

std::string Text_Of(String_Buffer_260 text) {
    return std::string(text.Text());
}

Sizes Sizes_Of(const std::vector<Frame_Size_Record>& frames) {
    Sizes sizes;
    for (const auto& frame : frames)
        sizes.push_back({frame.Width, frame.Height});
    return sizes;
}

// A camera control's current value and default (the fifth field) in a saved image.
std::pair<std::int32_t, std::int32_t> Control(const Bytes& image, std::uint32_t index) {
    const Firmware_IQ_Adjust_Class_2688 block(image.data() + IQ_Block_Offset);
    std::pair<std::int32_t, std::int32_t> fields;
    block.Get_IQ_Control(index, IQ_Field_Current, &fields.first);
    block.Get_IQ_Control(index, IQ_Field_Default, &fields.second);
    return fields;
}

class Saving : public Tool_Test {
protected:
    Saving() : folder(Make_Test_Folder("zunq-saving")) {
        Install_Host(nullptr);
        Start_Dialog();
    }
    ~Saving() override { fs::remove_all(folder); }

    // "加载程序" on `image` written as cam.bin into `where`.
    void Load(const Bytes& image, const fs::path& where) {
        loaded = where / "cam.bin";
        Tool_Test::Load(Write_File(loaded, image));
        Boxes();
    }
    void Load(const Bytes& image) { Load(image, folder); }
    void Save() { Click(dialog->m_Page1, 1031); }
    // Every file beside the loaded one, hidden ones included.
    std::vector<fs::path> Written() {
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(loaded.parent_path()))
            if (entry.path() != loaded)
                paths.push_back(entry.path());
        return paths;
    }
    // The one saved image, named by the VID and PID typed.
    Bytes Saved_Image(const std::string& vid_pid) {
        const fs::path name = folder / ("cam_" + vid_pid + "_BCD0100" + Stamp);
        EXPECT_EQ(Written(), std::vector<fs::path>{name});
        const std::string saved = Read_File(name);
        return {saved.begin(), saved.end()};
    }
    void Unlock_And_Type(int box, int edit, const std::string& text) {
        Click(dialog->m_Page1, box);
        Type(dialog->m_Page1, edit, text, true);
    }

    fs::path folder;
    fs::path loaded;
};

TEST_F(Saving, IdentityEditsAreSavedBesideTheLoadedImageWhichStaysAsItWas) {
    const Bytes original = Build_2688_Image({});
    Load(original);
    CDialog1& page = dialog->m_Page1;
    Type(page, 1030, "1a2b", true);
    Type(page, 1032, "", true);
    Press_Key(page, 1032, 0x08);
    Unlock_And_Type(1075, 1034, "New Camera");
    Unlock_And_Type(1076, 1035, "New Maker");
    Unlock_And_Type(1083, 1143, "New Mic");
    Unlock_And_Type(1079, 1078, "ID-42");
    const auto shown = [&] {
        return Texts{page.m_strVidText,          page.m_strPidText,           page.m_strProductText,
                     page.m_strManufacturerText, page.m_strMicNameText,       page.m_strExternalIdText,
                     dialog->m_strVid,           dialog->m_strProduct,        dialog->m_strExternalId,
                     Text(*dialog, 1024),        Text(dialog->m_Page2, 1068), Text(dialog->m_Page3, 1139)};
    };
    const Texts before = shown();
    Save();
    EXPECT_EQ(Boxes(), Texts{Saved});
    const Bytes saved = Saved_Image("VID1a2b_PID");
    ASSERT_EQ(saved.size(), 0x40000u);
    auto image = Reload(saved);
    String_Buffer_260 text;
    EXPECT_EQ(image->Get_VID(0, nullptr), 0x1A2B);
    EXPECT_EQ(image->Get_PID(0, nullptr), 0) << "an empty PID is 0";
    EXPECT_EQ(Text_Of(image->Get_Product_String(text, 0, nullptr)), "New Camera");
    EXPECT_EQ(Text_Of(image->Get_Manufacturer_String(text, 0, nullptr)), "New Maker");
    EXPECT_EQ(Text_Of(image->Get_Mic_String(text, 0, nullptr)), "New Mic");
    EXPECT_EQ(Text_Of(image->Get_External_ID()->Get_ExID(text, 0, nullptr)), "ID-42");
    EXPECT_EQ(Text_Of(image->Get_Serial_String(text, 0, nullptr)), "SN0001");
    EXPECT_EQ(image->Get_BcdDevice(0, nullptr), 0x0100);

    EXPECT_TRUE(std::equal(original.begin(), original.end(), dialog->m_pPaddedImage.get()));
    EXPECT_TRUE(std::equal(original.begin(), original.end(), Download_Buffer.get()));
    EXPECT_EQ(shown(), before);
    EXPECT_FALSE(Is_Checked(page, 1031));
    EXPECT_EQ(page.m_pSaveImage, nullptr);

    // A second save within the same second replaces the first file.
    Type(page, 1034, "Second", true);
    Save();
    EXPECT_EQ(Boxes(), Texts{Saved});
    EXPECT_EQ(Text_Of(Reload(Saved_Image("VID1a2b_PID"))->Get_Product_String(text, 0, nullptr)), "Second");

    // An empty VID is 0 too.
    fs::remove(folder / ("cam_VID1a2b_PID_BCD0100" + std::string(Stamp)));
    Type(page, 1030, "", true);
    Press_Key(page, 1030, 0x08);
    Save();
    EXPECT_EQ(Reload(Saved_Image("VID_PID"))->Get_VID(0, nullptr), 0);

    // An external ID written in another code page (GBK), which the edit shows with replacement
    // characters, is saved byte for byte when the operator edits only the VID.
    fs::remove(folder / ("cam_VID_PID_BCD0100" + std::string(Stamp)));
    Bytes other_code_page = original;
    const Bytes id{'I', 'D', 0xB2, 0xE2, 0xCA, 0xD4, 0x00};
    constexpr std::size_t External_ID_Offset = 0x2F000;
    std::copy(id.begin(), id.end(), other_code_page.begin() + External_ID_Offset);
    Load(other_code_page);
    Type(page, 1030, "1a2b", true);
    Save();
    EXPECT_EQ(Boxes(), Texts{Saved});
    const Bytes kept = Saved_Image("VID1a2b_PID2c99");
    EXPECT_TRUE(std::equal(id.begin(), id.end(), kept.begin() + External_ID_Offset));
}

// The 64 KB families take no video-format or camera-control edits, even with the pages still
// holding a 256 KB image's; the other settings tag takes no external ID either.
TEST_F(Saving, EachFamilyTakesOnlyTheEditsItHas) {
    const Bytes big = Build_2688_Image({});
    Load(big);
    Click(dialog->m_Page3, 1129);
    Select(dialog->m_Page2, 1116, 1);
    const struct {
        Bytes image;
        std::string product, saved_product;
    } families[] = {
        {Build_2089_Image({}), std::string(30, 'P'), "Camera 2089"}, // past the family's 28 characters
        {Build_Chip_Image({.Family = Chip_Family::F2092}), "Cam", "Cam"},
        {Build_Chip_Image({.Family = Chip_Family::F2620}), "Cam", "Cam"},
        {Build_Chip_Image({.Family = Chip_Family::F2281}), "Camera 2281", "Camera 2281"},
    };
    String_Buffer_260 text;
    for (const auto& family : families) {
        SCOPED_TRACE(family.saved_product);
        Load(family.image);
        Type(dialog->m_Page1, 1030, "0c45", true);
        Type(dialog->m_Page1, 1032, "6366", true);
        Unlock_And_Type(1075, 1034, family.product);
        Unlock_And_Type(1076, 1035, "Mk");
        Unlock_And_Type(1079, 1078, "EXT-64K");
        Save();
        EXPECT_EQ(Boxes(), Texts{Saved});
        const Bytes saved = Saved_Image("VID0c45_PID6366");
        fs::remove(folder / ("cam_VID0c45_PID6366_BCD0100" + std::string(Stamp)));
        ASSERT_EQ(saved.size(), 0x10000u);
        auto image = Reload(saved);
        EXPECT_EQ(image->Get_VID(0, nullptr), 0x0C45);
        EXPECT_EQ(image->Get_PID(0, nullptr), 0x6366);
        EXPECT_EQ(Text_Of(image->Get_Product_String(text, 0, nullptr)), family.saved_product);
        EXPECT_EQ(Text_Of(image->Get_Manufacturer_String(text, 0, nullptr)), "Mk");
        EXPECT_EQ(Text_Of(image->Get_External_ID()->Get_ExID(text, 0, nullptr)), "EXT-64K");
    }

    const Bytes other_tag = Build_2688_Image({.Settings_Tag = Settings_Tag_Other});
    Load(other_tag);
    Type(dialog->m_Page1, 1030, "0c45", true);
    Unlock_And_Type(1075, 1034, "Other");
    Save();
    const Bytes saved = Saved_Image("VID0c45_PID2c99");
    auto image = Reload(saved);
    EXPECT_EQ(image->Get_VID(0, nullptr), 0x0C45);
    EXPECT_EQ(Text_Of(image->Get_Product_String(text, 0, nullptr)), "Other");
    EXPECT_EQ(Text_Of(image->Get_External_ID()->Get_ExID(text, 0, nullptr)), "EXTID-0000000001");
    EXPECT_TRUE(std::equal(saved.begin() + 0x32000, saved.end(), other_tag.begin() + 0x32000))
        << "configurations and camera controls as they were";
}

TEST_F(Saving, VideoFormatEditsRemoveAndChooseResolutionsBySize) {
    CDialog3& page = dialog->m_Page3;
    const Frame_Size hd{1280, 720}, vga{640, 480}, qvga{320, 240}, qqvga{160, 120};
    const auto frames = Frames_Of({{1280, 720}, {640, 480}, {320, 240}, {160, 120}});
    const auto saved_set = [&] {
        Save();
        EXPECT_EQ(Boxes(), Texts{Saved});
        return *Reload(Saved_Image("VID1bcf_PID2c99"))->Get_Original_Descriptor_Set();
    };

    // Page and lists in the same order: YUV alone, the second and fourth unchecked, the
    // default from what remains; microphone off, stills at the preview resolution.
    Load(Video_Image({{.Frames = frames}, {.Mjpeg = false, .Frames = frames}}, 2, true));
    Click(page, 1130);
    Click_Item_Check(page, 1138, 1);
    Click_Item_Check(page, 1138, 3);
    Select(page, 1139, 1);
    Click(page, 1135);
    Click(page, 1133);
    Descriptor_Set set = saved_set();
    EXPECT_EQ(set.Format_Mode, 1u);
    EXPECT_EQ(Sizes_Of(set.Uncompressed_Frames), (Sizes{qvga, hd})) << "the default is written first";
    EXPECT_EQ(set.Uncompressed_Default_Width, 320);
    EXPECT_EQ(set.Slot(Slot_Microphone).Get_Byte(), 0);
    EXPECT_EQ(set.Still_Method, 1);

    // Both formats with other YUV sizes: a size the YUV list lacks removes nothing from it.
    Load(Video_Image({{.Frames = Frames_Of({{1280, 720}, {640, 480}, {320, 240}})},
                      {.Mjpeg = false, .Frames = Frames_Of({{1280, 720}, {320, 240}, {160, 120}})}}));
    Click_Item_Check(page, 1138, 1);
    set = saved_set();
    EXPECT_EQ(set.Format_Mode, 4u);
    EXPECT_EQ(Sizes_Of(set.Mjpeg_Frames), (Sizes{hd, qvga}));
    EXPECT_EQ(Sizes_Of(set.Uncompressed_Frames), (Sizes{hd, qvga, qqvga}));

    // The image's default is its third size, so the page lists it first: the size unchecked
    // and the size chosen are the ones the operator saw.
    Load(Video_Image(
        {{.Frames = Frames_Of({{1280, 720}, {800, 600}, {640, 480}, {320, 240}}), .Default_Index = 3}}));
    EXPECT_EQ(Items(page, 1138), (Texts{"640 X 480", "1280 X 720", "800 X 600", "320 X 240"}));
    Click_Item_Check(page, 1138, 2);
    Select(page, 1139, 1);
    set = saved_set();
    EXPECT_EQ(Sizes_Of(set.Mjpeg_Frames), (Sizes{hd, vga, qvga}));
    EXPECT_EQ(set.Mjpeg_Default_Width, 1280);

    // A size listed twice, one entry unticked and one left ticked, stays.
    Load(Video_Image(
        {{.Frames = Frames_Of({{640, 480}, {1280, 720}, {320, 240}, {1280, 720}}), .Default_Index = 3}}));
    EXPECT_EQ(Items(page, 1138), (Texts{"320 X 240", "640 X 480", "1280 X 720", "1280 X 720"}));
    Click_Item_Check(page, 1138, 1);
    Click_Item_Check(page, 1138, 2);
    EXPECT_EQ(Sizes_Of(saved_set().Mjpeg_Frames), (Sizes{qvga, hd, hd}));
}

TEST_F(Saving, CameraControlEditsReachBothFieldsOfEachControl) {
    Bytes original = Build_2688_Image({});
    Camera_Control_Description controls;
    controls.Records[10] = {.Current = 1, .Default = 2}; // power line: 50 Hz now, 60 Hz by default
    Put_Camera_Controls(original, Offset_2688_IQ_Block, controls);
    Load(original);
    CDialog2& page = dialog->m_Page2;
    dialog->Show_Page(1);
    const std::int32_t brightness = page.m_ControlRange[0].Current;
    Press_Key(page, 1088, VK_LEFT);
    Click(page, 1085);
    Select(page, 1116, 1);
    Select(page, 1117, 3);
    Save();
    Bytes saved = Saved_Image("VID1bcf_PID2c99");
    EXPECT_EQ(Control(saved, 0), std::make_pair(brightness - 1, brightness - 1));
    EXPECT_EQ(Control(saved, 7), std::make_pair(0, 0)) << "white balance no longer automatic";
    EXPECT_EQ(Control(saved, 10), std::make_pair(2, 2)) << "60Hz";
    EXPECT_EQ(Firmware_IQ_Adjust_Class_2688(saved.data() + IQ_Block_Offset).Get_IQ_Mode(0), 3);

    // No click empties a drop-down list's selection; the apply step still copes with none.
    page.m_cbPowerLine.SetCurSel(-1);
    Save();
    saved = Saved_Image("VID1bcf_PID2c99");
    EXPECT_EQ(Control(saved, 10), std::make_pair(1, 2)) << "no selection: left as it was";
}

// A folder on a file system with room for the loaded image but not for a copy: a small
// tmpfs, or where none can be mounted, a limit on the size of every file the process writes.
class Full_Folder {
public:
    explicit Full_Folder(const fs::path& path) : path_(path) {
        fs::create_directory(path_);
        mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=300k") == 0;
    }
    void Fill() {
        if (mounted_)
            return;
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = 0x20000;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~Full_Folder() {
        if (mounted_)
            ::umount2(path_.c_str(), MNT_DETACH);
        else
            ::setrlimit(RLIMIT_FSIZE, &old_);
    }

private:
    fs::path path_;
    bool mounted_ = false;
    rlimit old_{RLIM_INFINITY, RLIM_INFINITY};
};

TEST_F(Saving, AFailedSaveLeavesNoFileAndSaysWhy) {
    const Bytes original = Build_2688_Image({});
    const auto expect_no_save = [&](const std::string& message) {
        Save();
        EXPECT_EQ(Boxes(), Texts{message});
        EXPECT_TRUE(std::equal(original.begin(), original.end(), dialog->m_pPaddedImage.get()));
        EXPECT_FALSE(Is_Checked(dialog->m_Page1, 1031));
        EXPECT_EQ(dialog->m_Page1.m_pSaveImage, nullptr);
    };

    // The folder is gone and a file has its name: no file can be made in it, even by root.
    const fs::path gone = folder / "gone";
    fs::create_directory(gone);
    Load(original, gone);
    fs::remove_all(gone);
    std::ofstream(gone).put('x');
    expect_no_save("文件保存失败！目标文件夹不可写入，未写入文件。");

    {
        Full_Folder full(folder / "full");
        Load(original, folder / "full");
        full.Fill();
        expect_no_save("文件保存失败！磁盘空间不足，未写入文件。");
        EXPECT_EQ(Written(), std::vector<fs::path>{}) << "no partial or temporary file";
    }

    // An image the model cannot build (a load that was refused but kept in memory).
    fs::create_directory(folder / "kept");
    Load(original, folder / "kept");
    dialog->m_pPaddedImage[0x30000] ^= 0xFF; // the settings tag
    Save();
    EXPECT_EQ(Boxes(), Texts{"无法应用配置修改，未保存文件！"});
    EXPECT_EQ(Written(), std::vector<fs::path>{});
}

TEST_F(Saving, TheBurnEditsItsBufferInPlaceAsTheSaveDoesWhateverThePagesHold) {
    // Pages never filled and no image loaded: only the identity page's (empty) ids go in.
    Bytes buffer = Build_2688_Image({});
    const Bytes original = buffer;
    dialog->Apply_Config_For_Download(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    EXPECT_EQ(Reload(buffer)->Get_VID(0, nullptr), 0);
    EXPECT_TRUE(std::equal(buffer.begin() + 0x32000, buffer.end(), original.begin() + 0x32000));
    dialog->Apply_Config_For_Download(nullptr, 0);
    Bytes no_image(0x10000, 0x5A);
    dialog->Apply_Config_For_Download(no_image.data(), static_cast<std::uint32_t>(no_image.size()));
    EXPECT_EQ(no_image, Bytes(0x10000, 0x5A));
    EXPECT_EQ(Boxes(), Texts{"无法应用配置修改，将烧录未修改的固件！"});

    // The demo camera's formats: MJPEG 1280 x 720 and 640 x 480, YUV 640 x 480 alone. Unticking
    // 640 x 480 takes it from MJPEG only: emptied, the YUV list would take its format with it.
    Image_2688_Description camera = Camera_2688_Description();
    camera.Configurations[0].Video->Still_Method = 2;
    Load(Build_2688_Image(camera));
    Type(dialog->m_Page1, 1030, "abcd", true);
    ASSERT_EQ(Items(dialog->m_Page3, 1138), (Texts{"1280 X 720", "640 X 480"}));
    Click_Item_Check(dialog->m_Page3, 1138, 1);
    Select(dialog->m_Page2, 1116, 1);
    Save();
    const Bytes saved = Saved_Image("VIDabcd_PID2c99");
    dialog->Apply_Config_For_Download(Download_Buffer.get(), Download_Size);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), Download_Buffer.get()));
    const Descriptor_Set set = *Reload(saved)->Get_Original_Descriptor_Set();
    EXPECT_EQ(set.Format_Mode, 4u);
    EXPECT_EQ(Sizes_Of(set.Mjpeg_Frames), (Sizes{{1280, 720}}));
    EXPECT_EQ(Sizes_Of(set.Uncompressed_Frames), (Sizes{{640, 480}}));
}

} // namespace
} // namespace zunq::application::tests
