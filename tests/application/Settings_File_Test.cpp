// The settings file "./info.ini": the identity of every load, the record of a successful burn
// and the start-up load of the image it names, kept only while that image still carries the
// identity that was burnt. Each test runs in a folder of its own (Tool_Test), so "./info.ini"
// starts missing.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Burn_Tool.h"
#include "Download_State.h"
#include "Tool_Test.h"
#include "support/Fifo.h"

namespace zunq::application::tests {
namespace {

namespace fs = std::filesystem;
using namespace test_images;

// What Clear_Sections leaves (and a first start writes): the identity keys, without values.
constexpr const char* Identity_Keys_Empty =
    "vid=\r\npid=\r\nbcd=\r\niproduct=\r\nimanufacture=\r\niserialnumber=\r\n";
const std::string Empty_Record = std::string("[LoadBin]\r\n") + Identity_Keys_Empty + "[SourceFileInfo]\r\n" +
                                 Identity_Keys_Empty + "iaudioproduct=\r\n[DownloadInfo]\r\n" +
                                 Identity_Keys_Empty;
// The date of the burns here: 9:05:03 on 5 December 2026.
constexpr const char* Burn_Date = "[Date]\r\nYear_Month_Day=2026/12/5\r\nHour_Minute_Second=9:5:3\r\n";

class Settings_File : public Tool_Test {
protected:
    Settings_File() { Install_Host(nullptr); }

    std::string Ini() { return Read_File("info.ini"); }
    // The tool started again, as a new process: no burn buffer left from before.
    ZUNQ_USB_CAMDlg& Restart() {
        Download_Buffer.reset();
        Download_Size = 0;
        services.message_boxes.clear();
        return Start_Dialog();
    }
    // The record a successful burn writes, of an image that carries the identity page's values.
    void Record_Burn() {
        const CDialog1& page = dialog->m_Page1;
        dialog->m_BurnIdentity = {page.m_strVidText,     page.m_strPidText,          page.m_strBcdText,
                                  page.m_strProductText, page.m_strManufacturerText, page.m_strSerialText};
        dialog->Write_Download_Record();
    }
    // "加载程序" for `path`, then the record a successful burn of it writes.
    void Load_And_Record_Burn(const std::string& path) {
        Load(path);
        Record_Burn();
    }
    // No image counts as loaded: nothing to burn or save, the path box empty.
    void Expect_No_Image() {
        EXPECT_EQ(dialog->m_nImageSize, 0u);
        EXPECT_EQ(dialog->m_pImage, nullptr);
        EXPECT_EQ(Download_Buffer, nullptr);
        EXPECT_EQ(Text(*dialog, 1074), "");
        Click(dialog->m_Page1, 1031);
        EXPECT_EQ(Boxes(), Texts{"请先加载文件！"});
    }
};

TEST_F(Settings_File, ABurntImageIsReloadedWhileItCarriesTheBurntIdentity) {
    Start_Dialog(Demo_Scenario());
    const std::string path = Write_Image("camera.bin", Build_2089_Image({}));
    Load(path);
    Type(dialog->m_Page1, 1030, "abcd", true);
    services.local_time = {2026, 12, 6, 5, 9, 5, 3, 0};
    Record_Burn();
    const std::string identity = "vid=1bcf\r\npid=2c99\r\nbcd=0100\r\niproduct=Camera 2089\r\n"
                                 "imanufacture=Maker 2089\r\niserialnumber=SN2089-0001\r\n";
    EXPECT_EQ(Ini(), "[LoadBin]\r\n" + identity + "[SourceFileInfo]\r\n" + identity +
                         "iaudioproduct=" + path + "\r\n[DownloadInfo]\r\n" +
                         "vid=abcd\r\npid=2c99\r\nbcd=0100\r\niproduct=Camera 2089\r\n"
                         "imanufacture=Maker 2089\r\niserialnumber=SN2089-0001\r\n" +
                         Burn_Date);

    // Reloaded as a load by hand would show it: the image's values on the identity page.
    ZUNQ_USB_CAMDlg& dlg = Restart();
    EXPECT_EQ(Boxes(), Texts{});
    EXPECT_EQ(Text(dlg, 1074), path);
    EXPECT_EQ(dlg.m_strFileTitle, (working_directory.Path() / "camera").string());
    EXPECT_EQ(Text(dlg, 1027), "Camera 2089");
    EXPECT_EQ(Text(dlg.m_Page1, 1030), "1bcf");
    EXPECT_EQ(dlg.m_Page1.m_nChipCode, 108);
    EXPECT_EQ(Download_Size, 0x10000u);
    EXPECT_NE(Download_Buffer, nullptr);

    // A product text differing only in letter case still matches.
    Write_Image("camera.bin",
                Build_2089_Image({.Strings = {"MAKER 2089", "camera 2089", "SN2089-0001", "Mic"}}));
    EXPECT_EQ(Text(Restart(), 1027), "camera 2089");
    EXPECT_EQ(Text(*dialog, 1074), path);

    // Another VID: forgotten without a word, the date kept.
    Write_Image(
        "camera.bin",
        Build_2089_Image(
            {.Device = {.Vid = 0x1bd0, .Manufacturer_Index = 1, .Product_Index = 2, .Serial_Index = 3}}));
    Restart();
    EXPECT_EQ(Boxes(), Texts{});
    Expect_No_Image();
    EXPECT_NE(dialog->m_pPaddedImage, nullptr) << "kept for the pages";
    EXPECT_EQ(Text(*dialog, 1024), "");
    EXPECT_EQ(Ini(), Empty_Record + Burn_Date);
}

TEST_F(Settings_File, TheFirstStartLoadsNothingAnUnusablePathIsForgottenAnUnusableImageRefused) {
    Start_Dialog();
    EXPECT_EQ(Boxes(), Texts{});
    Expect_No_Image();
    EXPECT_EQ(Ini(), Empty_Record);

    // A path past 254 characters comes back cut, naming nothing.
    const fs::path folders = fs::path(std::string(90, 'a')) / std::string(90, 'b') / std::string(90, 'c');
    fs::create_directories(working_directory.Path() / folders);
    const std::string long_path = Write_Image(folders / "camera.bin", Build_Chip_Image({}));
    Load_And_Record_Burn(long_path);
    ASSERT_NE(Ini().find("iaudioproduct=" + long_path + "\r\n"), std::string::npos);
    Restart();
    EXPECT_EQ(Boxes(), Texts{});
    Expect_No_Image();
    EXPECT_EQ(Ini(), Empty_Record + Burn_Date);

    // Cut at exactly 254: a stored path one character past a 254-character one names that file.
    const fs::path exact = fs::path(std::string(120, 'd')) / std::string(120, 'e') / "camera-2.bin";
    ASSERT_EQ(exact.string().size(), 254u);
    fs::create_directories(exact.parent_path());
    Write_Image(exact, Build_Chip_Image({}));
    Load_And_Record_Burn(exact.string());
    std::string record = Ini();
    const std::string stored = "iaudioproduct=" + exact.string();
    ASSERT_NE(record.find(stored + "\r\n"), std::string::npos);
    record.replace(record.find(stored), stored.size(), stored + "/x");
    std::ofstream("info.ini", std::ios::binary) << record;
    Restart();
    EXPECT_EQ(Text(*dialog, 1074), exact.string());
    EXPECT_NE(dialog->m_nImageSize, 0u);

    // An image that no longer passes the check: refused, the record kept for the next start.
    const std::string path = Write_Image("camera.bin", Build_Chip_Image({}));
    Load_And_Record_Burn(path);
    Write_Image("camera.bin", Bytes(0x10000, 0x5a));
    record = Ini();
    for (int start = 0; start < 2; ++start) {
        Restart();
        EXPECT_EQ(Boxes(), Texts{"固件校检失败！"});
        EXPECT_EQ(dialog->m_nImageSize, 0u);
        EXPECT_EQ(Ini(), record);
    }
}

TEST_F(Settings_File, AFileWrittenByHandIsReadAndKeptAroundTheValuesWritten) {
    const std::string path = Write_Image("2092.bin", Build_Chip_Image({}));
    const std::string by_hand = "; written by hand\n[Other]\nkeep = \xff\xfe bytes\n\n"
                                "[sourcefileinfo]\n VID = 1BCF\npid=2c99\nbcd = 0100\niproduct = \"Camera\"\n"
                                "imanufacture=Maker\n\tiSerialNumber = SN0001\niaudioproduct = " +
                                path + "\n\n[LoadBin]\nvid = 0000 ; old\n\n[Date]\nYear_Month_Day=2025/1/2\n";
    std::ofstream("info.ini", std::ios::binary) << by_hand;
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
    EXPECT_EQ(Boxes(), Texts{});
    EXPECT_EQ(Text(dlg, 1074), path);
    std::string expected = by_hand;
    expected.replace(expected.find("vid = 0000 ; old\n"), 17,
                     "vid=1bcf\npid=2c99\r\nbcd=0100\r\niproduct=Camera\r\nimanufacture=Maker\r\n"
                     "iserialnumber=SN0001\r\n");
    EXPECT_EQ(Ini(), expected);

    // The start-up load sets the image family as a load by hand does, so the 2092's strings
    // still may not grow past what the image holds.
    Click(dlg.m_Page1, 1075);
    Type(dlg.m_Page1, 1034, "X");
    EXPECT_EQ(Text(dlg.m_Page1, 1034), "Camera");
    EXPECT_EQ(Boxes(), Texts{"字符长度超过限制！请重新输入！"});
}

// The record no longer matches the image: forgotten, but the pages shown from the image stay
// and "默认值" fills the camera-control page from it again; nothing counts as loaded, so the
// burn and the save still refuse.
TEST_F(Settings_File, AForgottenRecordKeepsThePagesOfTheImageButLoadsNothing) {
    Start_Dialog(Demo_Scenario());
    const std::string path = Write_Image("camera.bin", test_images::Build_2688_Image({}));
    std::ofstream("info.ini", std::ios::binary)
        << "[SourceFileInfo]\r\nvid=ffff\r\niaudioproduct=" + path + "\r\n";
    ZUNQ_USB_CAMDlg& dlg = Restart();
    EXPECT_EQ(Boxes(), Texts{});
    EXPECT_EQ(Items(dlg, 1122), (Texts{"用户配置", "参数配置", "USB配置"}));
    Select(dlg, 1122, 1);
    CDialog2& page = dlg.m_Page2;
    ASSERT_TRUE(page.IsWindowVisible());
    EXPECT_EQ(Text(page, 1068), "100") << "brightness, from the image";
    Press_Key(page, 1088, VK_LEFT);
    ASSERT_EQ(Text(page, 1068), "99");
    Click(page, 1118); // "默认值"
    EXPECT_EQ(Text(page, 1068), "100");
    EXPECT_EQ(Position(page, 1088), 100);

    Click(dlg, 1009);
    EXPECT_EQ(Boxes(), Texts{"请先选择更新的程序！"});
    Expect_No_Image();
}

// Burns through the dialog on a simulated camera, into the settings file of the test's folder.
class Settings_File_Burn : public Burn_Tool {
protected:
    ZUNQ_USB_CAMDlg& Start() {
        return Start_Dialog(
            One_Camera(R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x80"})"));
    }
    void Burn_Demo_Image() {
        Click_Download();
        ASSERT_TRUE(Run_Until_Burn_Ends());
        ASSERT_NE(Log_Box().find("烧录成功"), std::string::npos) << Log_Box();
    }
    // The lines written to standard error since the last call.
    std::vector<std::string> Error_Lines() {
        std::vector<std::string> lines;
        std::istringstream text(testing::internal::GetCapturedStderr());
        testing::internal::CaptureStderr();
        for (std::string line; std::getline(text, line);)
            if (line.starts_with("zunq_sf_tool:"))
                lines.push_back(line);
        return lines;
    }
};

// The record a real burn writes: the identity page's values as the operator left them, and
// the local time when the burn ended.
TEST_F(Settings_File_Burn, ABurnRecordsTheIdentityPageAndTheTimeItEnded) {
    ZUNQ_USB_CAMDlg& dlg = Start();
    services.local_time = {2026, 12, 6, 5, 9, 5, 3, 0};
    Load_Demo_Image("SPCA2650");
    Type(dlg.m_Page1, 1030, "1bcf", true);
    Type(dlg.m_Page1, 1032, "2c99", true);
    Click(dlg.m_Page1, 1075);
    Type(dlg.m_Page1, 1034, "Lab Camera", true);
    Click(dlg.m_Page1, 1076);
    Type(dlg.m_Page1, 1035, "Lab", true);
    Click_Download();
    services.local_time = {2027, 1, 3, 20, 8, 4, 7, 0};
    ASSERT_TRUE(Run_Until_Burn_Ends());
    ASSERT_NE(Log_Box().find("烧录成功"), std::string::npos) << Log_Box();
    const std::string ini = Read_File("info.ini");
    const auto download_info = ini.find("[DownloadInfo]");
    ASSERT_NE(download_info, std::string::npos) << ini;
    EXPECT_EQ(
        ini.substr(download_info),
        "[DownloadInfo]\r\nvid=1bcf\r\npid=2c99\r\nbcd=0301\r\niproduct=Lab Camera\r\nimanufacture=Lab\r\n"
        "iserialnumber=ZQ56-0004\r\n[Date]\r\nYear_Month_Day=2027/1/20\r\nHour_Minute_Second=8:4:7\r\n");
}

// A file that is no settings file of the tool's is left byte for byte as it was through a
// start, a load and a burn, which all work; the tool says so once.
TEST_F(Settings_File_Burn, AFileTooLargeOrNotRegularIsLeftAsItIsAndSaidOnce) {
    const std::string image = Write_Demo_Image("SPCA2650");
    const std::string record =
        "[SourceFileInfo]\r\nvid=0c45\r\npid=6380\r\nbcd=0301\r\niproduct=ZUNQ 5M USB Camera"
        "\r\nimanufacture=ZUNQ\r\niserialnumber=ZQ56-0004\r\niaudioproduct=" +
        image + "\r\n";
    const std::string largest = record + std::string(zunq::ui::Largest_Profile_File - record.size(), ';');
    std::ofstream("info.ini", std::ios::binary) << largest;
    Start();
    EXPECT_EQ(Text(*dialog, 1029), "ZQ56-0004") << "a file of the largest size is read";
    EXPECT_EQ(Error_Lines(), Texts{});

    const std::string too_large = largest + ";";
    std::ofstream("info.ini", std::ios::binary) << too_large;
    Start();
    EXPECT_EQ(Text(*dialog, 1029), "") << "the record is not read";
    Load(image);
    Burn_Demo_Image();
    EXPECT_EQ(Read_File("info.ini"), too_large);
    EXPECT_EQ(Error_Lines(),
              Texts{"zunq_sf_tool: settings file ./info.ini: holds more than 65536 bytes; it is "
                    "left as it is, and nothing is recorded"});

    std::filesystem::remove("info.ini");
    zunq::tests::Fifo fifo("info.ini");
    ASSERT_TRUE(fifo.Made());
    Start();
    Load(image);
    Burn_Demo_Image();
    EXPECT_TRUE(std::filesystem::is_fifo("info.ini")) << "nothing written in its place";
    EXPECT_EQ(fifo.Stop(), 0u) << "the FIFO was opened";
    EXPECT_EQ(Error_Lines(),
              Texts{"zunq_sf_tool: settings file ./info.ini: is a FIFO, not a regular file; it is "
                    "left as it is, and nothing is recorded"});
}

// A first start without the file says nothing; a file that is no file of the tool's only when
// a write reads it, and a write that fails, are said as a refusal at the start is.
TEST_F(Settings_File_Burn, AMissingFileIsNoRefusalARefusedOrFailedWriteIsSaid) {
    const fs::path elsewhere = Make_Test_Folder("zunq-image");
    const std::string image = Write_File(elsewhere / "SPCA2650.bin", Demo_Image("SPCA2650"));
    Start();
    EXPECT_TRUE(fs::is_regular_file("info.ini"));
    EXPECT_EQ(Error_Lines(), Texts{});

    const std::string too_large(zunq::ui::Largest_Profile_File + 1, ';');
    std::ofstream("info.ini", std::ios::binary) << too_large;
    Load(image);
    EXPECT_EQ(Read_File("info.ini"), too_large);
    const std::string told = "zunq_sf_tool: settings file ./info.ini: ";
    const std::string left = "; it is left as it is, and nothing is recorded";
    EXPECT_EQ(Error_Lines(), Texts{told + "holds more than 65536 bytes" + left});

    // The working folder gone, it takes no new file.
    fs::remove("info.ini");
    Start();
    fs::remove_all(working_directory.Path());
    Load(image);
    EXPECT_EQ(Error_Lines(), Texts{told + "cannot be written: No such file or directory" + left});
    fs::remove_all(elsewhere);
}

} // namespace
} // namespace zunq::application::tests
