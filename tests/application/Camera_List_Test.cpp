// The camera list: item texts, the selected camera's identity and flash part, and the list
// rebuilt as cameras are unplugged and plugged back, keeping the selection on its hub port;
// and the flash-model names and notices: the table, the names the demo cameras' parts get,
// and the supported-flash list chosen by the product name.
#include <algorithm>
#include <set>

#include "Flash_Model_Names.h"
#include "Tool_Test.h"

namespace zunq::application::tests {
namespace {

// Three cameras on ports 3, 5 and 6 of one hub; the first two carry the reference products'
// names, the third a name that only begins like one and no flash part.
constexpr const char* Three_Cameras = R"({
  "hubs": [{"name": "root", "ports": 7}],
  "cameras": [
    {"family": "SPCA2085", "flash": {"jedec": "C8 40 13", "id_90": "C8 12"},
     "usb": {"vid": "0x0C45", "pid": "0x6366", "bcd": "0x0100", "manufacturer": "ZUNQ",
             "product": "SPCA2085 PC Camera", "serial": "S1", "hub": "root", "port": 3}},
    {"family": "SPCA2650", "flash": {"jedec": "E0 40 13"},
     "usb": {"vid": "0x1BCF", "pid": "0x2C9A", "bcd": "0x1234", "manufacturer": "Maker",
             "product": "SPCA2650 PC Camera", "hub": "root", "port": 5}},
    {"family": "SPCA2281",
     "usb": {"vid": 1, "pid": 2, "product": "SPCA2085 PC Camera2", "hub": "root", "port": 6}}
  ]})";

class Camera_List : public Tool_Test {};

TEST_F(Camera_List, ItemsDevicePanelAndFlashNameShowEachCamerasRecord) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Parse(Three_Cameras));
    EXPECT_EQ(Items(dlg, 1016),
              (Texts{"    camera-0_Hubport-3", "    camera-1_Hubport-5", "    camera-2_Hubport-6"}));
    EXPECT_EQ(Device_Panel(), (Texts{"0c45", "6366", "0100", "PC Camera", "ZUNQ", "S1"}));
    Select(dlg, 1016, 1);
    EXPECT_EQ(Device_Panel(), (Texts{"1bcf", "2c9a", "1234", "PC Camera", "Maker", ""}));
    EXPECT_EQ(dlg.m_nSelectedDevice, 1);
    EXPECT_EQ(Text(dlg, 1141), "SF_BG25Q40A");
    EXPECT_EQ(Colours(dlg, 1141).text, RGB(0, 0, 0));
    Select(dlg, 1016, 2);
    EXPECT_EQ(Text(dlg, 1021), "SPCA2085 PC Camera2") << "only the whole reference name is replaced";
    EXPECT_EQ(Text(dlg, 1141), "SF_UNDEFINED") << "no flash part";
    EXPECT_EQ(Colours(dlg, 1141).text, RGB(255, 0, 0));
    EXPECT_GT(Pixels_In_Colour(dlg, 1141, RGB(255, 0, 0)), 0) << "shown in the colour asked at its paint";
    Select(dlg, 1016, 1);
    EXPECT_EQ(Pixels_In_Colour(dlg, 1141, RGB(255, 0, 0)), 0) << "and in black again";
    EXPECT_GT(Pixels_In_Colour(dlg, 1141, RGB(0, 0, 0)), 0);
    Select(dlg, 1016, 2);
    EXPECT_EQ(Colours(dlg, 1141).background, RGB(255, 255, 255));
    EXPECT_EQ(Colours(dlg, 1074).background, RGB(255, 255, 255));
    EXPECT_TRUE(Colours(dlg, 1119).transparent);

    // Ids wider than 16 bits keep all their digits; the identity strings follow the camera,
    // the microphone name and external ID are the image's.
    Device_Info_Record wide{};
    wide.idVendor = 0x12345;
    dlg.m_strMicName = "mic";
    dlg.Show_Device_Info(wide);
    EXPECT_EQ(Device_Panel(), (Texts{"12345", "0000", "0000", "", "", ""}));
    EXPECT_EQ(dlg.m_strMicName, "mic");

    // An arrival reads the selected camera's flash model again until it answers: once from a
    // camera with a part, 11 times from one without. A removal makes the list without reading it.
    for (const auto& [camera, reads] : {std::pair{1, 1u}, std::pair{2, 11u}}) {
        SCOPED_TRACE(camera);
        const std::uint64_t one_read = Select_Camera(camera);
        const std::uint64_t before = Requests(camera);
        const auto other = Unplug(0);
        const std::uint64_t removal = Requests(camera) - before;
        Plug(0, other);
        EXPECT_EQ(Requests(camera) - before - removal, removal + reads * one_read);
    }
}

TEST_F(Camera_List, TheSelectedCameraUnpluggedAndPluggedBackOnTheSameOrAnotherPort) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    Select(dlg, 1016, 2);
    EXPECT_EQ(Text(dlg, 1141), "SF_PM25LV512");
    const Texts selected_panel = Device_Panel();

    auto place = Unplug(2);
    EXPECT_EQ(Items(dlg, 1016).size(), 4u);
    EXPECT_EQ(Selection(dlg, 1016), -1);
    EXPECT_EQ(dlg.m_nSelectedDevice, 0xFF);
    EXPECT_EQ(Device_Panel(), Texts(6));
    EXPECT_EQ(Text(dlg, 1141), "");

    Plug(2, place);
    EXPECT_EQ(Items(dlg, 1016).size(), 5u);
    EXPECT_EQ(Selection(dlg, 1016), 2);
    EXPECT_EQ(dlg.m_nSelectedDevice, 2);
    EXPECT_EQ(Device_Panel(), selected_panel);
    EXPECT_EQ(Text(dlg, 1141), "SF_PM25LV512") << "read again on arrival";

    // Into a free port of the external hub: another place, so nothing is selected.
    Unplug(2);
    place.Hub = backend->Usb_Tree().Host_Controllers()[0]->Root_Hub().Device_On(4)->Downstream_Hub();
    place.Port = 2;
    Plug(2, place);
    EXPECT_EQ(Items(dlg, 1016).size(), 5u);
    EXPECT_EQ(Items(dlg, 1016)[2], "    camera-2_Hubport-2");
    EXPECT_EQ(Selection(dlg, 1016), -1);
    EXPECT_EQ(Device_Panel(), Texts(6));
    EXPECT_EQ(Text(dlg, 1141), "");
}

TEST_F(Camera_List, AnotherCameraComingAndGoingKeepsTheSelection) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    Select(dlg, 1016, 3);
    const Texts selected_panel = Device_Panel();
    const std::string flash = Text(dlg, 1141);

    const auto place = Unplug(0);
    EXPECT_EQ(Selection(dlg, 1016), 2) << "the same camera at its new index";
    EXPECT_EQ(dlg.m_nSelectedDevice, 2);
    EXPECT_EQ(Device_Panel(), selected_panel);
    EXPECT_EQ(Text(dlg, 1141), flash);
    Plug(0, place);
    EXPECT_EQ(Selection(dlg, 1016), 3);
    EXPECT_EQ(Text(dlg, 1141), flash);

    // Device events other than arrival and removal only show the members again.
    dlg.m_strFlashName = "shown again";
    dlg.Send_To_Map(WM_DEVICECHANGE, 0x0007, 0);
    EXPECT_EQ(Text(dlg, 1141), "shown again");
    EXPECT_EQ(Selection(dlg, 1016), 3);
    EXPECT_EQ(Items(dlg, 1016).size(), 5u);
}

// The two lists: 2 lines in 51 characters, 3 lines in 69.
bool Is_Short_List(std::string_view list) {
    return list.size() == 51 && std::count(list.begin(), list.end(), '\n') == 2;
}
bool Is_Long_List(std::string_view list) {
    return list.size() == 69 && std::count(list.begin(), list.end(), '\n') == 3;
}

TEST(Flash_Model_Names, OneNamedRowPerModelAndNothingOutside) {
    EXPECT_EQ(std::set<std::string_view>(Flash_Model_Names.begin(), Flash_Model_Names.end()).size(),
              Flash_Model_Names.size())
        << "every row names another part";
    EXPECT_STREQ(Flash_Model_Name(0), "SF_UNDEFINED");
    EXPECT_STREQ(Flash_Model_Name(78), "");
    EXPECT_STREQ(Flash_Model_Name(-1), "");
}

TEST(Supported_Flash_List, ShortForTheFiveProductsLongForEveryOtherName) {
    for (const char* product : {"ZUNQ_56_0", "ZUNQ_56_1", "ZUNQ_56_2", "ZUNQ_56_3", "ZUNQ_1080p_3D"})
        EXPECT_TRUE(Is_Short_List(Supported_Flash_List(product))) << product;
    for (const char* product :
         {"zunq_56_2", "ZUNQ_1080P_3D", "ZUNQ_56_2 ", "ZUN_8M_1", "", static_cast<const char*>(nullptr)})
        EXPECT_TRUE(Is_Long_List(Supported_Flash_List(product))) << (product ? product : "null");
}

class Flash_Notices : public Tool_Test {};

// The names shown for the demo cameras are those of the parts the scenario puts on them, so
// the table stays in step with the library's identification.
TEST_F(Flash_Notices, EachDemoCameraShowsItsFlashPartsName) {
    const Scenario demo = Demo_Scenario();
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(demo);
    ASSERT_EQ(Items(dlg, 1016).size(), demo.Cameras.size());
    for (std::size_t i = 0; i < demo.Cameras.size(); ++i) {
        Select(dlg, 1016, static_cast<int>(i));
        const std::string part = demo.Cameras[i].Chip.Flash->Name;
        EXPECT_NE(Text(dlg, 1141).find(part), std::string::npos) << Text(dlg, 1141) << " for " << part;
    }
}

TEST_F(Flash_Notices, QueryShowsTheListOfTheSelectedCamerasProduct) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    const auto show_for = [&](int camera) {
        dlg.Show_Flash_Notices(
            Device_List_Get_Protocol(dlg.m_hDeviceList, static_cast<std::uint32_t>(camera)));
    };
    show_for(3); // product "ZUNQ_56_2"
    EXPECT_TRUE(dlg.m_FlashErrorDlg.IsWindowVisible());
    EXPECT_FALSE(dlg.m_FlashListDlg.IsWindowVisible()) << "until the operator asks";
    Click(dlg.m_FlashErrorDlg, IDOK);
    EXPECT_FALSE(dlg.m_FlashErrorDlg.IsWindowVisible());
    EXPECT_TRUE(dlg.m_FlashListDlg.IsWindowVisible());
    EXPECT_TRUE(Is_Short_List(Text(dlg.m_FlashListDlg, 1140)));
    EXPECT_TRUE(Is_Read_Only(dlg.m_FlashListDlg, 1140));
    Click(dlg.m_FlashListDlg, IDCANCEL);
    EXPECT_FALSE(dlg.m_FlashListDlg.IsWindowVisible());

    show_for(0); // product "ZUN_8M_1"
    Click(dlg.m_FlashErrorDlg, IDCANCEL);
    EXPECT_FALSE(dlg.m_FlashErrorDlg.IsWindowVisible() || dlg.m_FlashListDlg.IsWindowVisible());
    EXPECT_TRUE(Is_Long_List(Text(dlg.m_FlashListDlg, 1140)));
}

} // namespace
} // namespace zunq::application::tests
