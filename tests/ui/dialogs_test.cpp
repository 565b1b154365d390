// Dialogs on the real templates driven as a user would: data exchange, which actions
// notify, Enter and Escape where they are not swallowed, dropped files, modeless dialogs.
// (The tool's own dialog shows the swallowed keys, control colours and the modal about box.)
#include <gtest/gtest.h>

#include "test_dialogs.h"

namespace zunq::ui::tests {
namespace {

using namespace zunq::ui::testing;
using Events = std::vector<std::string>;

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        Start();
        ASSERT_TRUE(dialog.Create(IDD_ZUNQ_USB_CAM_DIALOG));
        dialog.ShowWindow(SW_SHOW);
    }
    Scripted_Services services;
    Scripted_Device_Source devices;
    Main_Dialog dialog;
};

TEST_F(Dialogs, DataExchangeBothWaysAndMultiLineTexts) {
    Page_Dialog& page = dialog.m_Page;
    page.m_strVid = "0c45";
    page.m_strPid = "6366";
    page.UpdateData(FALSE);
    EXPECT_EQ(Text(page, 1030), "0c45");
    EXPECT_EQ(Text(page, 1032), "6366");
    Type(page, 1030, "1a2b", true);
    page.UpdateData(TRUE);
    EXPECT_EQ(page.m_strVid, "1a2b");
    EXPECT_EQ(page.m_strPid, "6366");

    dialog.m_strFlashName = "SF_MX25L512";
    dialog.m_strPathEdit = "/固件/camera.bin";
    dialog.UpdateData(FALSE);
    EXPECT_EQ(Text(dialog, 1141), "SF_MX25L512");
    EXPECT_EQ(Text(dialog, 1074), "/固件/camera.bin");
    EXPECT_EQ(Text(dialog, 0), "ZUNQ SF Tool V4.120");

    // The log box: lines end "\r\n" both ways; appending puts the caret at the end first.
    CWnd* log = dialog.GetDlgItem(1068);
    log->SetWindowText("固件加载成功\r\n");
    const int length = log->GetWindowTextLength();
    EXPECT_EQ(length, static_cast<int>(std::string("固件加载成功\r\n").size()));
    log->SendMessage(EM_SETSEL, static_cast<WPARAM>(length), length);
    log->SendMessage(EM_SCROLLCARET);
    log->SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("烧录开始\r\n"));
    log->SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("烧录成功\r\n\r\n"));
    EXPECT_EQ(Text(dialog, 1068), "固件加载成功\r\n烧录开始\r\n烧录成功\r\n\r\n");
    CString read;
    dialog.GetDlgItemText(1068, read);
    EXPECT_EQ(read, Text(dialog, 1068));

    // Control messages reach the classes behind GetDlgItem.
    EXPECT_EQ(page.GetDlgItem(1034)->SendMessage(EM_SETREADONLY, TRUE), TRUE);
    EXPECT_TRUE(Is_Read_Only(page, 1034));
    page.GetDlgItem(1031)->SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(page.GetDlgItem(1031)->SendMessage(BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(page.IsDlgButtonChecked(1031), 1u);
    EXPECT_EQ(dialog.GetDlgItem(1122)->SendMessage(TCM_GETCURSEL), 0);
    const auto colours = Colours(dialog, 1074);
    EXPECT_FALSE(colours.text || colours.background || colours.transparent) << "without OnCtlColor: none";
}

TEST_F(Dialogs, OnlyUserActionsNotify) {
    Page_Dialog& page = dialog.m_Page;
    // Programmatic changes: nothing reaches the maps.
    dialog.m_CameraList.AddString("    camera-0_Hubport-3");
    dialog.m_CameraList.AddString("    camera-1_Hubport-5");
    dialog.m_CameraList.SetCurSel(1);
    page.SetDlgItemText(1030, "0c45");
    page.CheckDlgButton(1075, BST_CHECKED);
    page.m_strVid = "1234";
    page.UpdateData(FALSE);
    dialog.m_Tab.InsertItem(1, "参数配置");
    dialog.m_Tab.SetCurSel(1);
    dialog.m_Tab.SetCurSel(0);
    EXPECT_EQ(dialog.events, Events{});
    EXPECT_EQ(page.events, Events{});
    EXPECT_EQ(dialog.m_CameraList.GetCurSel(), 1);

    // The same changes by the user notify once each.
    Select(dialog, 1016, 0);
    Type(page, 1030, "5");
    Type(page, 1034, "PC");
    Click(page, 1075);
    Click(page, 1031);
    Select(dialog, 1122, 1);
    EXPECT_EQ(dialog.events, (Events{"LBN_SELCHANGE 0", "TCN_SELCHANGE 11221"}));
    EXPECT_EQ(page.events, (Events{"EN_CHANGE 1030", "EN_CHANGE 1034", "EN_CHANGE 1034", "BN_CLICKED 1075",
                                   "BN_CLICKED 1031"}));
    EXPECT_FALSE(Is_Checked(page, 1075)) << "the click unchecked the box checked above";
    EXPECT_EQ(Text(page, 1030), "12345");

    // A disabled button ignores the click.
    dialog.GetDlgItem(1009)->EnableWindow(FALSE);
    Click(dialog, 1009);
    EXPECT_EQ(dialog.events.size(), 2u);

    // Sliders and combo boxes of the camera-control page; a combo box has no selection
    // after items are added.
    Slider_Page sliders;
    ASSERT_TRUE(sliders.Create(IDD_DIALOG2, &dialog.m_Tab));
    sliders.m_Brightness.SetRange(0, 255, TRUE);
    sliders.m_Brightness.SetPos(128);
    sliders.m_cbPowerLine.AddString("50Hz");
    sliders.m_cbPowerLine.AddString("60Hz");
    EXPECT_EQ(sliders.m_cbPowerLine.GetCurSel(), CB_ERR);
    EXPECT_EQ(Text(sliders, 1116), "");
    sliders.m_cbPowerLine.SetCurSel(1);
    EXPECT_EQ(Text(sliders, 1116), "60Hz");
    EXPECT_EQ(sliders.events, Events{});
    Slide(sliders, 1088, 10);
    Select(sliders, 1116, 0);
    EXPECT_EQ(Position(sliders, 1088), 10);
    EXPECT_EQ(sliders.m_Brightness.GetPos(), 10);
    ASSERT_GE(sliders.events.size(), 2u);
    EXPECT_EQ(sliders.events.front(), "WM_HSCROLL 1088010");
    EXPECT_EQ(sliders.events.back(), "CBN_SELCHANGE 1116");

    // The check list and radio groups of the video-format page.
    Format_Page formats;
    ASSERT_TRUE(formats.Create(IDD_DIALOG3, &dialog.m_Tab));
    formats.m_lstResolutions.AddString("1920 X 1080");
    formats.m_lstResolutions.AddString("640 X 480");
    formats.m_lstResolutions.SetCheck(0, 1);
    formats.m_lstResolutions.SetCheck(1, 1);
    formats.CheckDlgButton(1127, BST_CHECKED);
    formats.CheckDlgButton(1133, BST_CHECKED);
    EXPECT_EQ(formats.events, Events{});
    Set_Item_Check(formats, 1138, 1, false);
    EXPECT_EQ(formats.m_lstResolutions.GetCheck(1), 0);
    Click(formats, 1129);
    EXPECT_EQ(formats.events, (Events{"LBN_SELCHANGE 1138", "BN_CLICKED 1129"}));
    EXPECT_FALSE(Is_Checked(formats, 1127)) << "radios of one group exclude each other";
    EXPECT_TRUE(Is_Checked(formats, 1133)) << "the still-capture radios are another group";
    formats.CheckDlgButton(1129, BST_UNCHECKED);
    EXPECT_FALSE(Is_Checked(formats, 1127) || Is_Checked(formats, 1128) || Is_Checked(formats, 1129) ||
                 Is_Checked(formats, 1130))
        << "the dialog code may leave a group with none checked";
}

TEST_F(Dialogs, WithoutTheFilterEscapeCancelsAndEnterPressesTheDefaultButton) {
    dialog.swallow_keys = false;
    Press_Key(dialog, 1074, VK_ESCAPE);
    EXPECT_EQ(dialog.events, Events{"cancel"});
    EXPECT_FALSE(dialog.IsWindowVisible()) << "a modeless dialog hides when it ends";

    Notice_Dialog notice;
    ASSERT_TRUE(notice.Create(IDD_DIALOG4, &dialog));
    notice.ShowWindow(SW_SHOW);
    Press_Key(notice, 0, VK_RETURN);
    EXPECT_EQ(notice.queries, 1) << "Enter presses the default button 查询";
    EXPECT_FALSE(notice.IsWindowVisible());
    notice.ShowWindow(SW_SHOW);
    Click(notice, IDCANCEL);
    EXPECT_FALSE(notice.IsWindowVisible());
    EXPECT_EQ(notice.GetParent(), &dialog);
}

TEST_F(Dialogs, DroppedFilesReachOnlyDialogsThatAcceptThem) {
    Notice_Dialog notice;
    ASSERT_TRUE(notice.Create(IDD_DIALOG4, &dialog));
    Drop_Files(notice, {"/tmp/one.bin"});
    Drop_Files(dialog, {"/tmp/a.bin", "/tmp/固件 b.bin"});
    EXPECT_EQ(dialog.dropped, (std::vector<std::string>{"/tmp/a.bin", "/tmp/固件 b.bin"}));
}

} // namespace
} // namespace zunq::ui::tests
