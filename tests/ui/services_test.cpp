// The scriptable services: timers on the virtual clock, waits that keep handling events,
// message boxes and device changes. (The screen, fonts and the file dialog are seen through
// the tool's own dialog.)
#include <csignal>

#include "test_dialogs.h"

namespace zunq::ui::tests {
namespace {

using namespace zunq::ui::testing;
using Events = std::vector<std::string>;

class Services_Test : public Layer_Test {};

TEST_F(Services_Test, TimersRunOnTheInjectedClockAndDuringWaits) {
    Open();
    Click(dialog, 1009); // starts timer 1, every 100 ms
    services.Advance_Clock(99);
    EXPECT_EQ(dialog.events, Events{"BN_CLICKED 1009"});
    services.Advance_Clock(151);
    EXPECT_EQ(dialog.events, (Events{"BN_CLICKED 1009", "WM_TIMER 1", "WM_TIMER 1"}));
    dialog.SetTimer(1, 100); // setting it again restarts it
    services.Advance_Clock(50);
    EXPECT_EQ(dialog.events.size(), 3u);

    // A wait lets timers tick and scheduled device changes arrive, then returns.
    dialog.events.clear();
    services.At(500, [&] { devices.Arrive("\\\\?\\usb#vid_0c45&pid_6366"); });
    Wait_Dispatching(1000);
    EXPECT_EQ(services.waits, std::vector<UINT>{1000});
    EXPECT_EQ(std::count(dialog.events.begin(), dialog.events.end(), "WM_TIMER 1"), 10);
    EXPECT_NE(std::find(dialog.events.begin(), dialog.events.end(), "WM_DEVICECHANGE 32768"),
              dialog.events.end());
    EXPECT_EQ(services.now_ms, 99u + 151 + 50 + 1000);

    dialog.KillTimer(1);
    dialog.events.clear();
    services.Advance_Clock(1000);
    EXPECT_EQ(dialog.events, Events{});

    // A test keeps another clock in step: it hears each step before what is due at its end
    // runs, and what the step brings (a device change) is handled before the wait returns.
    std::vector<std::uint64_t> steps;
    services.on_clock_advance = [&](std::uint64_t milliseconds) {
        steps.push_back(milliseconds);
        if (steps.size() == 4)
            devices.Arrive("\\\\?\\usb#vid_0c45&pid_6340");
    };
    dialog.SetTimer(3, 100);
    services.At(250, [&] { dialog.events.push_back("action"); });
    Wait_Dispatching(300);
    EXPECT_EQ(steps, (std::vector<std::uint64_t>{100, 100, 50, 50}));
    EXPECT_EQ(dialog.events,
              (Events{"WM_TIMER 3", "WM_TIMER 3", "action", "WM_DEVICECHANGE 32768", "WM_TIMER 3"}));
    services.on_clock_advance = nullptr;
    dialog.KillTimer(3);

    // A window's timers end with its window.
    dialog.SetTimer(2, 10);
    EXPECT_TRUE(services.Timer_Running(dialog, 2));
    dialog.DestroyWindow();
    EXPECT_FALSE(services.Timer_Running(dialog, 2));
}

TEST_F(Services_Test, MessageBoxesAreRecordedAndAnswered) {
    services.answer_message_box = [](const Message_Box_Request& request) {
        return (request.type & 0x0F) == MB_YESNO ? IDNO : IDOK;
    };
    EXPECT_EQ(AfxMessageBox("文件加载失败！"), IDOK);
    EXPECT_EQ(AfxMessageBox("Continue?", MB_YESNO | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(services.message_boxes.size(), 2u);
    EXPECT_EQ(services.message_boxes[0].text, "文件加载失败！");
    EXPECT_EQ(services.message_boxes[0].caption, "ui-layer-test");
    EXPECT_FALSE(services.message_boxes[0].from_other_thread);
}

// A termination signal ends the modal run of a dialog, and nobody may be left to answer what
// is asked for after it: each box answers as its Escape key would, without being shown. Once
// the run it ended is over, boxes are shown again.
TEST_F(Services_Test, BoxesAskedForAfterATerminationSignalAnswerUnshown) {
    Close_Main_Window_On_Termination_Signals();
    services.answer_message_box = [](const Message_Box_Request&) { return IDYES; };
    Main_Dialog modal;
    services.run_modal = [&](CDialog& shown) {
        std::raise(SIGTERM);
        Pump();
        EXPECT_FALSE(shown.Is_Modal_Running());
        EXPECT_EQ(AfxMessageBox("烧录失败"), IDOK);
        EXPECT_EQ(AfxMessageBox("Continue?", MB_YESNO | MB_ICONQUESTION), IDNO);
        EXPECT_EQ(AfxMessageBox("Go on?", MB_OKCANCEL), IDCANCEL);
    };
    EXPECT_EQ(modal.DoModal(), IDCANCEL);
    EXPECT_EQ(modal.events, Events{"cancel"});
    EXPECT_TRUE(services.message_boxes.empty());
    EXPECT_EQ(AfxMessageBox("Continue?", MB_YESNO), IDYES);
    EXPECT_EQ(services.message_boxes.size(), 1u);
}

TEST_F(Services_Test, DeviceChangesReachRegisteredWindowsOfTheirClass) {
    Open();
    ASSERT_TRUE(dialog.registered);
    devices.Remove("cam-1");
    devices.Arrive("other", Guid{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}}); // another interface class
    devices.Arrive("cam-1");
    Pump();
    EXPECT_EQ(dialog.events, (Events{"WM_DEVICECHANGE 32772", "WM_DEVICECHANGE 32768"}));
    EXPECT_EQ(dialog.device_names, (std::vector<std::string>{"cam-1", "cam-1"}));

    // Once its window is gone, nothing reaches it.
    dialog.DestroyWindow();
    devices.Arrive("cam-2");
    Pump();
    EXPECT_EQ(dialog.events.size(), 2u);

    // Without a source, registration fails (the tool's dialog shows a refusing source).
    Install_Device_Change_Source(nullptr);
    Main_Dialog unregistered;
    ASSERT_TRUE(unregistered.Create(IDD_ZUNQ_USB_CAM_DIALOG));
    EXPECT_FALSE(unregistered.registered);
}

} // namespace
} // namespace zunq::ui::tests
