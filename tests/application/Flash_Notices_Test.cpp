// The flash-model names and notices: the table, the names the demo cameras' parts get, and
// the supported-flash list chosen by the product name.
#include <algorithm>
#include <set>

#include "Flash_Model_Names.h"
#include "Tool_Test.h"

namespace zunq::application::tests {
namespace {

// The two lists: 2 lines in 51 characters, 3 lines in 69.
bool Is_Short_List(std::string_view list) {
    return list.size() == 51 && std::count(list.begin(), list.end(), '\n') == 2;
}
bool Is_Long_List(std::string_view list) {
    return list.size() == 69 && std::count(list.begin(), list.end(), '\n') == 3;
}

TEST(Flash_Model_Names, OneNamedRowPerModelAndNothingOutside) {
    ASSERT_EQ(Flash_Model_Names.size(), 78u);
    std::set<std::string_view> names;
    for (const char* name : Flash_Model_Names) {
        const std::string_view row = name;
        EXPECT_EQ(row.rfind("SF_", 0), 0u) << row;
        EXPECT_LT(row.size(), 256u) << row;
        names.insert(row);
    }
    EXPECT_EQ(names.size(), 78u) << "every row names another part";
    EXPECT_STREQ(Flash_Model_Name(0), "SF_UNDEFINED");
    EXPECT_STREQ(Flash_Model_Name(77), "SF_AMICA25LS512");
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
