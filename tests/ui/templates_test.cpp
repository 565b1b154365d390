// Walks the tool's resource tables: every template builds, every row becomes a control of
// its class, text, visibility and place, and the strings and icon are there.
#include <gtest/gtest.h>

#include <set>

#include "test_dialogs.h"

namespace zunq::ui::tests {
namespace {

using namespace zunq::ui::testing;

template <typename Class>
bool Is(CWnd* window) {
    return dynamic_cast<Class*>(window) != nullptr;
}

// The class each kind of row becomes, in the order of Control_Kind.
constexpr bool (*Class_Of_Kind[])(CWnd*) = {
    Is<CButton>,   Is<CButton>,     Is<CButton>,       Is<CButton>,  Is<CStatic>,
    Is<CStatic>,   Is<CStatic>,     Is<CEdit>,         Is<CListBox>, Is<CCheckListBox>,
    Is<CComboBox>, Is<CSliderCtrl>, Is<CProgressCtrl>, Is<CTabCtrl>};

TEST(Templates, EveryRowBuildsIntoItsControl) {
    Start();
    Scripted_Services services;
    const auto& tables = resources::Tool_Resources();
    ASSERT_EQ(tables.dialogs.size(), 7u);
    for (const auto& dialog_template : tables.dialogs) {
        SCOPED_TRACE(dialog_template.id);
        CDialog host(IDD_ZUNQ_USB_CAM_DIALOG);
        CDialog dialog(static_cast<UINT>(dialog_template.id));
        const bool child = (dialog_template.style & WS_CHILD) != 0;
        if (child) {
            ASSERT_TRUE(host.Create(IDD_ZUNQ_USB_CAM_DIALOG));
        }
        ASSERT_TRUE(dialog.Create(static_cast<UINT>(dialog_template.id), child ? &host : nullptr));
        EXPECT_EQ(Text(dialog, 0), child ? "" : dialog_template.caption) << "pages have no caption";
        const RECT client = Window_Rect(dialog);
        std::set<int> ids;
        for (const auto& row : dialog_template.controls) {
            SCOPED_TRACE(row.id);
            EXPECT_LE(row.rect.x + row.rect.cx, dialog_template.cx);
            if (row.kind != Control_Kind::Combo_Box) { // a combo box's height is its drop-down list's
                EXPECT_LE(row.rect.y + row.rect.cy, dialog_template.cy);
            }
            if (row.id == IDC_STATIC) {
                continue;
            }
            EXPECT_TRUE(ids.insert(row.id).second) << "ids are unique within a template";
            CWnd* control = dialog.GetDlgItem(row.id);
            ASSERT_NE(control, nullptr);
            EXPECT_TRUE(Class_Of_Kind[static_cast<std::size_t>(row.kind)](control));
            EXPECT_EQ(control->GetDlgCtrlID(), row.id);
            EXPECT_EQ(control->GetParent(), &dialog);
            EXPECT_EQ(Is_Visible(dialog, row.id), (row.style & WS_VISIBLE) != 0);
            if (row.kind != Control_Kind::Edit && row.kind != Control_Kind::Static_Icon) {
                EXPECT_EQ(Text(dialog, row.id), row.text);
            }
            const RECT place = Control_Rect(dialog, row.id);
            EXPECT_GE(place.left, 0);
            EXPECT_LE(place.right, client.right - client.left);
            if (row.kind != Control_Kind::Combo_Box) {
                EXPECT_LE(place.bottom, client.bottom - client.top);
            }
        }
        EXPECT_EQ(dialog.GetDlgItem(4242), nullptr);
    }
    CString about;
    EXPECT_TRUE(about.LoadString(IDS_ABOUTBOX));
    EXPECT_EQ(about, "关于 ZUNQ SF TOOL");
    EXPECT_FALSE(about.LoadString(999));
    EXPECT_NE(AfxGetApp()->LoadIcon(IDR_MAINFRAME), nullptr);
}

// Dialog units follow the dialog font, which follows the screen's pixels per inch.
TEST(Templates, DialogUnitsScaleWithPixelsPerInch) {
    Start();
    RECT at_96;
    RECT at_144;
    for (int ppi : {96, 144}) {
        Scripted_Services services;
        services.pixels_per_inch = ppi;
        Main_Dialog dialog;
        ASSERT_TRUE(dialog.Create(IDD_ZUNQ_USB_CAM_DIALOG));
        (ppi == 96 ? at_96 : at_144) = Control_Rect(dialog, 1122);
    }
    // Whole-pixel character metrics make the scale near, not exactly, 1.5.
    EXPECT_GT(at_96.right - at_96.left, 500);
    const double wider = double(at_144.right - at_144.left) / (at_96.right - at_96.left);
    const double taller = double(at_144.bottom - at_144.top) / (at_96.bottom - at_96.top);
    EXPECT_GT(wider, 1.3);
    EXPECT_LT(wider, 1.8);
    EXPECT_GT(taller, 1.3);
    EXPECT_LT(taller, 1.8);
}

} // namespace
} // namespace zunq::ui::tests
