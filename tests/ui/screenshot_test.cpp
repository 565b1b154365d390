// A picture of the main template with Chinese texts, saved into the build tree so the
// rendering and the layout can be looked at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "test_dialogs.h"

namespace zunq::ui::tests {
namespace {

using namespace zunq::ui::testing;

TEST(Screenshot, MainTemplateWithPageAndChineseTexts) {
    Start();
    Scripted_Services services;
    Main_Dialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_ZUNQ_USB_CAM_DIALOG));
    dialog.ShowWindow(SW_SHOW);
    dialog.m_CameraList.AddString("    camera-0_Hubport-3");
    dialog.m_CameraList.AddString("    camera-1_Hubport-5");
    dialog.m_CameraList.SetCurSel(0);
    dialog.SetDlgItemText(1024, "0c45");
    dialog.SetDlgItemText(1027, "PC Camera");
    dialog.SetDlgItemText(1018, "0c45");
    dialog.SetDlgItemText(1021, "PC Camera");
    dialog.m_strFlashName = "SF_UNDEFINED";
    dialog.m_strPathEdit = "/home/user/固件/camera.bin";
    dialog.UpdateData(FALSE);
    dialog.SetDlgItemText(1068, "固件加载成功\r\n设备校检完成\r\n烧录开始\r\n烧录进行中...\r\n");
    dialog.m_Progress.SetPos(42);
    dialog.SetDlgItemText(1119, "42%");
    dialog.m_Page.m_strVid = "0c45";
    dialog.m_Page.m_strPid = "6366";
    dialog.m_Page.UpdateData(FALSE);

    const char* binary_dir = std::getenv("ZUNQ_BINARY_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(binary_dir != nullptr ? binary_dir : ".") / "screenshots";
    std::filesystem::create_directories(folder);
    const auto path = folder / "main_dialog.png";
    ASSERT_TRUE(Save_Screenshot(dialog, path.string()));
    EXPECT_GT(std::filesystem::file_size(path), 10000u); // a drawn dialog, not an empty picture

    Notice_Dialog notice;
    ASSERT_TRUE(notice.Create(IDD_DIALOG4, &dialog));
    notice.ShowWindow(SW_SHOW);
    EXPECT_TRUE(Save_Screenshot(notice, (folder / "flash_notice.png").string()));
}

} // namespace
} // namespace zunq::ui::tests
