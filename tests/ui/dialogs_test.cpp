// Dialogs on the real templates driven as a user would: which actions notify, Enter and Escape
// where they are not swallowed, dropped files, modeless dialogs. (The tool's own dialog shows
// data exchange, the log box, the swallowed keys, control colours and the modal about box.)
#include "test_dialogs.h"

namespace zunq::ui::tests {
namespace {

using namespace zunq::ui::testing;
using Events = std::vector<std::string>;

class Dialogs : public Layer_Test {
protected:
    void SetUp() override { Open(); }
};

TEST_F(Dialogs, TheLogBoxAppendsAtBytePlacesOfItsText) {
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
    // Byte places inside a character, or between "\r" and "\n", are the place before it.
    log->SetWindowText("固件\r\nab😀");
    EXPECT_EQ(log->GetWindowTextLength(), 3 + 3 + 2 + 2 + 4);
    const auto replace = [&](int start, int end, const char* text) {
        log->SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
        log->SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    };
    replace(4, 4, "X");   // inside "件"
    replace(8, 8, "Y");   // inside the line break
    replace(14, -1, "Z"); // from inside the last character to the end
    EXPECT_EQ(Text(dialog, 1068), "固X件Y\r\nabZ");
    CWnd* flash_name = dialog.GetDlgItem(1141);
    flash_name->SetWindowText("é1");
    flash_name->SendMessage(EM_SETSEL, 1, 3);
    flash_name->SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("e"));
    EXPECT_EQ(Text(dialog, 1141), "e");
}

// A log box shows lines all session long: what cannot be undone, and all a read-only edit
// shows, leaves no undo history behind; an editable one keeps what the user types.
TEST_F(Dialogs, WhatCannotBeUndoneLeavesNoUndoHistory) {
    const auto append = [](CWnd& window, int id, const char* text, BOOL can_undo) {
        CWnd* edit = window.GetDlgItem(id);
        const auto end = static_cast<WPARAM>(edit->GetWindowTextLength());
        edit->SendMessage(EM_SETSEL, end, static_cast<LPARAM>(end));
        edit->SendMessage(EM_REPLACESEL, can_undo, reinterpret_cast<LPARAM>(text));
    };
    CWnd* log = dialog.GetDlgItem(1068);
    for (int line = 1; line <= 200; ++line) {
        append(dialog, 1068, "烧录成功\r\n", FALSE);
        if (line % 50 == 0) { // the trim of the oldest lines
            log->SendMessage(EM_SETSEL, 0, 120);
            log->SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
        }
    }
    append(dialog, 1068, "x", TRUE);
    EXPECT_EQ(Undo_History(dialog, 1068), 0) << "a read-only edit keeps none";

    log->SendMessage(EM_SETREADONLY, FALSE);
    Type(dialog, 1068, "ab");
    EXPECT_GT(Undo_History(dialog, 1068), 0) << "typing can be undone";
    append(dialog, 1068, "c", FALSE);
    EXPECT_EQ(Undo_History(dialog, 1068), 0);
    append(dialog, 1068, "d", TRUE);
    EXPECT_GT(Undo_History(dialog, 1068), 0);
    log->SendMessage(EM_SETREADONLY, TRUE);
    EXPECT_EQ(Undo_History(dialog, 1068), 0);
    const std::string text = Text(dialog, 1068);
    EXPECT_EQ(text.substr(text.size() - 5), "xabcd");

    Type(dialog.m_Page, 1030, "5");
    EXPECT_EQ(Undo_History(dialog.m_Page, 1030), 1);
    append(dialog.m_Page, 1030, "6", FALSE);
    EXPECT_EQ(Undo_History(dialog.m_Page, 1030), 0) << "nor a line edit";
    EXPECT_EQ(Text(dialog.m_Page, 1030), "56");
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
}

// The list box tells the dialog of a selection the user made once it is made, and only then:
// the handler reads the item clicked or reached by key; a click below the items, Ctrl with a
// click on the selected item leave it as it is, unheard.
TEST_F(Dialogs, AListBoxNotifiesTheSelectionTheUserMade) {
    for (const char* item : {"    camera-0_Hubport-1", "    camera-1_Hubport-2", "    camera-2_Hubport-3"})
        dialog.m_CameraList.AddString(item);
    Select(dialog, 1016, 1);
    Press_Key(dialog, 1016, VK_DOWN);
    Press_Key(dialog, 1016, VK_UP);
    const RECT list = Control_Rect(dialog, 1016);
    Click_At(dialog, 1016, POINT{10, list.bottom - list.top - 6});
    const RECT item = Item_Rect(dialog, 1016, 1);
    Click_At(dialog, 1016, POINT{item.left + 10, (item.top + item.bottom) / 2}, true);
    EXPECT_EQ(dialog.events, (Events{"LBN_SELCHANGE 1", "LBN_SELCHANGE 2", "LBN_SELCHANGE 1"}));
    EXPECT_EQ(Selection(dialog, 1016), 1);
}

TEST_F(Dialogs, TrackbarsReportEveryScrollWithItsCodeAndCombosStartEmpty) {
    Slider_Page sliders;
    ASSERT_TRUE(sliders.Create(IDD_DIALOG2, &dialog.m_Tab));
    sliders.ShowWindow(SW_SHOW);
    sliders.m_cbPowerLine.AddString("50Hz");
    sliders.m_cbPowerLine.AddString("60Hz");
    EXPECT_EQ(sliders.m_cbPowerLine.GetCurSel(), CB_ERR);
    sliders.m_cbPowerLine.SetCurSel(1);
    EXPECT_EQ(Text(sliders, 1116), "60Hz");
    sliders.m_cbPowerLine.SendMessage(CB_RESETCONTENT);
    sliders.m_cbPowerLine.AddString("50Hz");
    EXPECT_EQ(sliders.m_cbPowerLine.GetCurSel(), CB_ERR) << "emptied, then filled: still no selection";
    EXPECT_EQ(Text(sliders, 1116), "");

    // Ranges past 16 bits through the 32-bit messages; code changes notify nothing.
    CSliderCtrl& bar = sliders.m_Brightness;
    bar.SendMessage(TBM_SETRANGEMIN, TRUE, -36000);
    bar.SendMessage(TBM_SETRANGEMAX, TRUE, 36000);
    EXPECT_EQ(bar.SendMessage(TBM_GETRANGEMIN), -36000);
    EXPECT_EQ(bar.GetRangeMax(), 36000);
    bar.SetRange(0, 100, TRUE);
    bar.SendMessage(TBM_SETLINESIZE, 0, 1);
    EXPECT_EQ(bar.SendMessage(TBM_GETLINESIZE), 1);
    bar.SendMessage(TBM_SETPOS, TRUE, 50);
    EXPECT_EQ(sliders.events, Events{});

    // A drag: the thumb's positions while it moves, where it was let go, the end.
    Drag_Slider(sliders, 1088, 10);
    EXPECT_EQ(bar.SendMessage(TBM_GETPOS), 10);
    ASSERT_GE(sliders.events.size(), 3u);
    const Events last_two(sliders.events.end() - 2, sliders.events.end());
    EXPECT_EQ(last_two, (Events{"WM_HSCROLL 1088 4 10", "WM_HSCROLL 1088 8 0"}));
    for (auto event = sliders.events.begin(); event != sliders.events.end() - 2; ++event) {
        EXPECT_EQ(event->substr(0, 17), "WM_HSCROLL 1088 5") << "thumb tracking";
    }
    EXPECT_EQ(sliders.events[sliders.events.size() - 3], "WM_HSCROLL 1088 5 10");

    // A key: a line, then the end; a disabled trackbar takes no drag.
    sliders.events.clear();
    Press_Key(sliders, 1088, VK_RIGHT);
    EXPECT_EQ(sliders.events, (Events{"WM_HSCROLL 1088 1 0", "WM_HSCROLL 1088 8 0"}));
    EXPECT_EQ(Position(sliders, 1088), 11);
    bar.EnableWindow(FALSE);
    Drag_Slider(sliders, 1088, 90);
    EXPECT_EQ(Position(sliders, 1088), 11);
    EXPECT_EQ(sliders.events.size(), 2u);
}

TEST_F(Dialogs, CheckListsFlipByMouseAndSpaceAndRadioGroupsMayHaveNoneChecked) {
    Format_Page formats;
    ASSERT_TRUE(formats.Create(IDD_DIALOG3, &dialog.m_Tab));
    formats.ShowWindow(SW_SHOW);
    CCheckListBox& list = formats.m_lstResolutions;
    for (const char* item : {"1920 X 1080", "1280 X 720", "640 X 480"}) {
        list.SetCheck(list.AddString(item), 1);
    }
    formats.CheckDlgButton(1127, BST_CHECKED);
    EXPECT_EQ(formats.events, Events{});

    // A click on a box flips it and selects its item, with one notification; so does the
    // space bar on the selected item; a click on an item's text only selects it.
    Click_Item_Check(formats, 1138, 1);
    EXPECT_EQ(list.GetCheck(1), 0);
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_EQ(formats.events, Events{"LBN_SELCHANGE 1138"});
    Press_Key(formats, 1138, VK_SPACE);
    EXPECT_EQ(list.GetCheck(1), 1);
    Select(formats, 1138, 2);
    EXPECT_EQ(formats.events.size(), 3u);
    EXPECT_TRUE(Is_Item_Checked(formats, 1138, 1) && Is_Item_Checked(formats, 1138, 2));

    // A disabled radio takes no click, and the dialog code may leave a group with none
    // checked. (How the groups follow the group flag is seen on the video-format page.)
    formats.GetDlgItem(1129)->EnableWindow(FALSE);
    Click(formats, 1129);
    formats.CheckDlgButton(1127, BST_UNCHECKED);
    EXPECT_FALSE(Is_Checked(formats, 1127) || Is_Checked(formats, 1128) || Is_Checked(formats, 1129) ||
                 Is_Checked(formats, 1130));
    EXPECT_EQ(formats.events.size(), 3u);
}

TEST_F(Dialogs, WithoutTheFilterEscapeCancelsEnterPressesTheDefaultButtonAndDropsArrive) {
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

    // Dropped files reach only dialogs that accept them.
    Drop_Files(notice, {"/tmp/one.bin"});
    Drop_Files(dialog, {"/tmp/a.bin", "/tmp/固件 b.bin"});
    EXPECT_EQ(dialog.dropped, (std::vector<std::string>{"/tmp/a.bin", "/tmp/固件 b.bin"}));
}

TEST_F(Dialogs, APercentOnTheBarRepaintsAloneAndShowsTheBarBeneathIt) {
    // The percent lies on the progress bar, and changes as the tool changes it: a new text and
    // the label's rectangle invalidated on the dialog.
    const RECT label = Control_Rect(dialog, 1119);
    const POINT label_edge{1, (label.bottom - label.top) / 2}; // beside the centred text
    const RECT bar = Control_Rect(dialog, 1063);
    const POINT bar_start{4, (bar.bottom - bar.top) / 2};
    const auto show_percent = [&](const char* text) {
        dialog.SetDlgItemText(1119, text);
        dialog.InvalidateRect(&label, TRUE);
    };
    Paint_Counter counter(dialog, {1063, 1119});
    show_percent("57%");
    EXPECT_EQ(counter.Paints(1119), 1);
    EXPECT_EQ(counter.Paints(1063), 0) << "the bar beneath the label is not repainted for it";

    counter.Reset();
    dialog.m_Progress.SetPos(100);
    EXPECT_EQ(counter.Paints(1063), 1);
    EXPECT_EQ(counter.Paints(1119), 1) << "the label over the bar is repainted with it";
    EXPECT_EQ(Accessible_Value(dialog, 1063), 100.0);
    const COLORREF done = Shown_Colour(dialog, 1063, bar_start);
    EXPECT_EQ(Shown_Colour(dialog, 1119, label_edge), done) << "the label shows the bar's done part";
    counter.Reset();
    dialog.m_Progress.SetPos(100);
    EXPECT_EQ(counter.Paints(1063), 0) << "the same position again";
    EXPECT_EQ(counter.Paints(1119), 0);

    dialog.m_Progress.SetPos(0);
    show_percent("0%");
    const COLORREF empty = Shown_Colour(dialog, 1063, bar_start);
    EXPECT_NE(empty, done);
    EXPECT_EQ(Shown_Colour(dialog, 1119, label_edge), empty) << "and the bar's background when empty";
    EXPECT_EQ(Accessible_Value(dialog, 1063), 0.0);

    // A tenth: done up to a tenth of the inside (within the frame's pixel), the rest empty,
    // sampled on both sides of its end and of the label.
    dialog.m_Progress.SetPos(10);
    const int inside = static_cast<int>(bar.right - bar.left) - 2;
    const int end = 1 + inside / 10;
    const int row = bar_start.y;
    for (const int x : {2, end - 2})
        EXPECT_EQ(Shown_Colour(dialog, 1063, {x, row}), done) << x;
    for (const int x : {end + 1, static_cast<int>(label.left - bar.left) - 2, inside - 1})
        EXPECT_EQ(Shown_Colour(dialog, 1063, {x, row}), empty) << x;
}

TEST_F(Dialogs, ABarMovingBesideItsPercentRepaintsTheBarAlone) {
    // Each new position of the bar in a burn repaints the bar; the percent lying on it only
    // when the done part's end moves under it, and the dialog beneath never.
    const RECT bar = Control_Rect(dialog, 1063);
    const RECT label = Control_Rect(dialog, 1119);
    const int inside = static_cast<int>(bar.right - bar.left) - 2;
    const auto end_of = [&](int percent) { return 1 + percent * inside / 100; }; // in the bar
    const int label_left = static_cast<int>(label.left - bar.left);
    const POINT label_corner{0, (label.bottom - label.top) / 2}; // beside the centred text
    ASSERT_LT(end_of(20), label_left);
    int under = 20;
    while (end_of(under) <= label_left)
        ++under;
    Paint_Counter counter(dialog, {1063, 1119, Paint_Counter::Dialog_Itself});
    dialog.m_Progress.SetPos(10);
    EXPECT_EQ(counter.Paints(1063), 1);
    EXPECT_EQ(counter.Paints(1119), 0) << "the percent keeps its pixels";
    EXPECT_EQ(counter.Paints(Paint_Counter::Dialog_Itself), 0) << "the bar paints each of its pixels";
    const COLORREF empty = Shown_Colour(dialog, 1119, label_corner);

    counter.Reset();
    dialog.m_Progress.SetPos(under);
    EXPECT_EQ(counter.Paints(1063), 1);
    EXPECT_EQ(counter.Paints(1119), 1) << "the done part's end is under the percent now";
    EXPECT_EQ(counter.Paints(Paint_Counter::Dialog_Itself), 0);
    const COLORREF done = Shown_Colour(dialog, 1063, {2, label_corner.y});
    EXPECT_NE(done, empty);
    EXPECT_EQ(Shown_Colour(dialog, 1119, label_corner), done);
}

} // namespace
} // namespace zunq::ui::tests
