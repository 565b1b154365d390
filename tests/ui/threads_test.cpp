// Calls into the user-interface layer from other threads: a worker's message box is shown
// on the user-interface thread while the worker waits, and the progress bar takes positions
// from a worker without waiting. (Device changes from the host's own thread are seen
// through the tool's dialog.)
#include <atomic>
#include <thread>

#include "test_dialogs.h"

namespace zunq::ui::tests {
namespace {

using namespace zunq::ui::testing;

class Threads : public Layer_Test {
protected:
    void SetUp() override { Open(false); }
    const std::thread::id ui_thread = std::this_thread::get_id();
};

TEST_F(Threads, WorkerMessageBoxIsShownOnTheUiThreadWhileTheWorkerWaits) {
    std::atomic<bool> worker_returned{false};
    std::atomic<int> answer{0};
    bool shown_on_ui_thread = false;
    bool worker_was_waiting = false;
    services.answer_message_box = [&](const Message_Box_Request&) {
        shown_on_ui_thread = std::this_thread::get_id() == ui_thread;
        worker_was_waiting = !worker_returned.load();
        return IDOK;
    };
    std::thread worker([&] {
        answer = AfxMessageBox("烧录失败！");
        worker_returned = true;
    });
    EXPECT_TRUE(Pump_Until([&] { return worker_returned.load(); }));
    worker.join();
    EXPECT_EQ(answer.load(), IDOK);
    EXPECT_TRUE(shown_on_ui_thread);
    EXPECT_TRUE(worker_was_waiting);
    ASSERT_EQ(services.message_boxes.size(), 1u);
    EXPECT_EQ(services.message_boxes[0].text, "烧录失败！");
    EXPECT_TRUE(services.message_boxes[0].from_other_thread);
}

TEST_F(Threads, WorkersMoveTheProgressBarAndSendMessagesSafely) {
    CProgressCtrl& bar = dialog.m_Progress;
    CWnd* label = dialog.GetDlgItem(1119);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        bar.SendMessage(PBM_SETRANGE, 0, static_cast<LPARAM>(100 << 16));
        for (int position = 0; position <= 100; ++position) {
            bar.SendMessage(PBM_SETPOS, static_cast<WPARAM>(position)); // a tight loop never floods
        }
        label->SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("100%")); // waits for the UI thread
        done = true;
    });
    EXPECT_TRUE(Pump_Until([&] { return done.load() && Position(dialog, 1063) == 100; }));
    worker.join();
    EXPECT_EQ(Text(dialog, 1119), "100%");
    EXPECT_EQ(bar.GetPos(), 100);

    // The program's own event loop, asleep between events, takes a worker's position too.
    std::thread mover([&] { bar.SendMessage(PBM_SETPOS, 40); });
    EXPECT_TRUE(Dispatch_Until([&] { return Position(dialog, 1063) == 40; }, 10000));
    mover.join();
    EXPECT_FALSE(Dispatch_Until([] { return false; }, 20)) << "ends at its time limit";
}

} // namespace
} // namespace zunq::ui::tests
