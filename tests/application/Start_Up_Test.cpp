// Start-up: the application object runs the main dialog, which comes up whole on the host's
// cameras, keeps Enter and Escape from closing it, lays its pages out for the screen, and
// writes the trace log only into a file the operator made; a picture of it, saved into the
// build tree so the layout and the Chinese texts can be looked at; and the simulated cameras it
// starts on, which keep no record of their requests.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "Choose_Backend.h"
#include "Extension_Unit_Class/Extension_Unit_Log.h"
#include "Tool_Test.h"
#include "Trace_Log.h"
#include "ZUNQ_USB_CAM.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"
#include "support/Fifo.h"

namespace zunq::application::tests {
namespace {

class Start_Up : public Tool_Test {};

TEST_F(Start_Up, TheApplicationRunsTheMainDialogOnTheDemoCamerasUntilItsCloseBox) {
    const Scenario demo = Demo_Scenario();
    Install_Host(&demo);
    bool ran = false;
    services.run_modal = [&](CDialog& shown) {
        if (shown.Template_Id() == IDD_ABOUTBOX) {
            EXPECT_EQ(Text(shown, 0), "关于 ZUNQ SF TOOL");
            Click(shown, IDOK);
            return;
        }
        ran = true;
        auto& dlg = dynamic_cast<ZUNQ_USB_CAMDlg&>(shown);
        EXPECT_EQ(Text(dlg, 0), "ZUNQ SF Tool V4.120");
        EXPECT_EQ(Items(dlg, 1016).size(), 5u);
        EXPECT_EQ(Selection(dlg, 1016), 0);
        EXPECT_EQ(Items(dlg, 1122), Texts{"用户配置"});
        EXPECT_TRUE(dlg.m_Page1.IsWindowVisible());
        EXPECT_FALSE(dlg.m_Page2.IsWindowVisible() || dlg.m_Page3.IsWindowVisible());
        for (int id : {1080, 1078, 1079})
            EXPECT_FALSE(Is_Visible(dlg.m_Page1, id)) << id;
        EXPECT_FALSE(dlg.m_FlashErrorDlg.IsWindowVisible() || dlg.m_FlashListDlg.IsWindowVisible());

        // Enter and Escape, on the dialog, its list, a page and its edits: nothing closes.
        for (UINT key : {VK_RETURN, VK_ESCAPE}) {
            Press_Key(dlg, 0, key);
            Press_Key(dlg, 1016, key);
            Press_Key(dlg.m_Page1, 1030, key);
            Press_Key(dlg.m_Page2, 0, key);
        }
        EXPECT_TRUE(dlg.Is_Modal_Running());

        ASSERT_TRUE(Choose_System_Menu_Item(dlg, IDM_ABOUTBOX));
        EXPECT_TRUE(dlg.Is_Modal_Running()) << "the about box returns to the dialog";
        Close(dlg);
        EXPECT_FALSE(dlg.Is_Modal_Running());
    };
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_TRUE(ran);
    EXPECT_EQ(services.modal_templates, (std::vector<UINT>{IDD_ZUNQ_USB_CAM_DIALOG, IDD_ABOUTBOX}));
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
}

TEST_F(Start_Up, PagesAndTheFlashNameFontFollowTheScreen) {
    struct Screen {
        int width, pixels_per_inch, page_offset, font_tenths;
    };
    constexpr Screen screens[] = {{1920, 96, 20, 90}, {2560, 144, 37, 120}};
    const Scenario demo = Demo_Scenario();
    Install_Host(&demo);
    for (const Screen& screen : screens) {
        SCOPED_TRACE(std::to_string(screen.width) + " pixels at " + std::to_string(screen.pixels_per_inch) +
                     " ppi");
        services.screen_width = screen.width;
        services.pixels_per_inch = screen.pixels_per_inch;
        ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
        EXPECT_EQ(dlg.m_nDpi, screen.pixels_per_inch);
        CRect tab;
        dlg.m_Tab.GetClientRect(&tab);
        for (CDialog* page : {static_cast<CDialog*>(&dlg.m_Page1), static_cast<CDialog*>(&dlg.m_Page2),
                              static_cast<CDialog*>(&dlg.m_Page3)}) {
            const RECT placed = Window_Rect(*page);
            EXPECT_EQ(placed.top - tab.top, screen.page_offset);
            EXPECT_EQ(placed.bottom, tab.bottom);
        }
        EXPECT_EQ(Font_Point_Tenths(dlg, 1141), screen.font_tenths);
    }
}

// Without device-change notifications (a source that cannot watch, or the null backend,
// which has no cameras either) the dialog still finishes its set-up.
TEST_F(Start_Up, WithoutNotificationsOrCamerasTheDialogIsStillSetUpWhole) {
    {
        const Scenario demo = Demo_Scenario();
        Install_Host(&demo);
        Scripted_Device_Source refusing; // installed in place of the backend's changes
        refusing.refuse_to_start = true;
        ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
        EXPECT_EQ(Font_Point_Tenths(dlg, 1141), 90);
        EXPECT_EQ(Text(dlg, 1141), "SF_GD25Q40C") << "the final data exchange ran";
        Unplug(0);
        EXPECT_EQ(Items(dlg, 1016).size(), 5u) << "no notification, no refresh";
    }
    Install_Host(nullptr);
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog();
    EXPECT_TRUE(Items(dlg, 1016).empty());
    EXPECT_EQ(dlg.m_nSelectedDevice, 0xFF);
    EXPECT_EQ(Text(dlg, 1141), "");
    EXPECT_EQ(Device_Panel(), std::vector<std::string>(6));
    EXPECT_EQ(Font_Point_Tenths(dlg, 1141), 90);
}

// What the start had to say of the host's cameras (none found, or some this user may not
// open) is in the log box as well, for an operator who did not start the tool from a terminal.
TEST_F(Start_Up, TheDialogShowsWhatTheStartSaidOfTheCameras) {
    const std::string said = "1 camera on this host may not be opened by this user";
    Set_Start_Up_Notice(said);
    EXPECT_EQ(Text(Start_Dialog(Demo_Scenario()), 1068), said + "\r\n");
    Set_Start_Up_Notice("");
    EXPECT_EQ(Text(Start_Dialog(Demo_Scenario()), 1068), "");
}

// In the test's own working directory.
TEST_F(Start_Up, TheTraceLogGoesOnlyIntoAnExistingLogFile) {
    const Scenario demo = Demo_Scenario();

    Start_Dialog(demo);
    EXPECT_FALSE(std::filesystem::exists("log.txt")) << "no log file is made";

    std::filesystem::create_directory("log.txt");
    Start_Dialog(demo);
    EXPECT_TRUE(std::filesystem::is_directory("log.txt"));
    std::filesystem::remove("log.txt");

    {
        // A FIFO nobody reads would hold the library's trace lines, and the tool with them,
        // once its buffer is full: not opened.
        zunq::tests::Fifo fifo("log.txt");
        ASSERT_TRUE(fifo.Made());
        Start_Dialog(demo);
        Select(*dialog, 1016, 1);
        dialog.reset();
        EXPECT_EQ(fifo.Stop(), 0u) << "the FIFO was opened";
    }

    {
        // A terminal (as /dev/null) is logged to: only what can hold the tool is refused. Lines
        // written faster than it shows them wait for it, as they would for a file: one read
        // late, once they are all written or the writer has waited a second, loses none.
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal, 0);
        ASSERT_EQ(::grantpt(terminal), 0);
        ASSERT_EQ(::unlockpt(terminal), 0);
        std::filesystem::create_symlink(::ptsname(terminal), "log.txt");
        // Held open, so the reader waits for lines rather than finding the terminal hung up.
        const int held = ::open("log.txt", O_WRONLY | O_NOCTTY);
        ASSERT_GE(held, 0);
        std::mutex lock;
        std::condition_variable changed;
        bool written = false;
        std::string shown;
        std::thread reader([&] {
            {
                std::unique_lock late(lock);
                changed.wait_for(late, std::chrono::seconds(1), [&] { return written; });
            }
            char bytes[4096];
            for (ssize_t got; (got = ::read(terminal, bytes, sizeof bytes)) > 0;)
                shown.append(bytes, static_cast<std::size_t>(got));
        });
        Start_Dialog(demo);
        Select(*dialog, 1016, 1);
        const std::string padding(90, '.');
        for (int line = 0; line < 2000; ++line)
            Log_Printf("late-line %04d %s\r\n", line, padding.c_str());
        {
            const std::lock_guard done(lock);
            written = true;
        }
        changed.notify_one();
        dialog.reset();
        // Another log, and the held end closed, hang the terminal up, which ends the reader.
        std::filesystem::remove("log.txt");
        std::ofstream("log.txt").close();
        Open_Trace_Log("log.txt");
        ::close(held);
        reader.join();
        ::close(terminal);
        const std::size_t first = shown.find("late-line 0000");
        EXPECT_TRUE(first != std::string::npos && first > 0) << "the tool's own lines, then these";
        std::size_t lines = 0;
        for (std::size_t at = first; at != std::string::npos; at = shown.find("late-line ", at + 1))
            ++lines;
        EXPECT_EQ(lines, 2000u) << "of 2000 lines written";
        std::filesystem::remove("log.txt");
    }

    std::ofstream("log.txt") << "earlier lines\n";
    Start_Dialog(demo);
    const std::string log = Read_File("log.txt");
    EXPECT_EQ(log.rfind("earlier lines\n", 0), 0u) << "appended to";
    EXPECT_GT(log.size(), std::string("earlier lines\n").size()) << "the library's lines";
}

TEST_F(Start_Up, ScreenshotOfTheMainDialogWithTheDemoCameras) {
    Select(Start_Dialog(Demo_Scenario()), 1016, 1);
    const auto path = std::filesystem::path(ZUNQ_BINARY_DIR) / "screenshots" / "application_main_dialog.png";
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(Save_Screenshot(*dialog, path.string()));
    EXPECT_GT(std::filesystem::file_size(path), 10000u);
}

// Nothing in the tool reads the event log, and a demo bench left burning for a day must not
// hold every request of every burn.
TEST_F(Start_Up, OnAScenarioTheCamerasKeepNoRecordOfTheirRequests) {
    ::setenv(platform::simulated::Scenario_Environment_Variable, ZUNQ_SOURCE_DIR "/scenarios/demo.json", 1);
    const platform::Scoped_Backend restored(nullptr);
    std::string error;
    const bool chosen = Choose_Backend(error);
    ::unsetenv(platform::simulated::Scenario_Environment_Variable);
    ASSERT_TRUE(chosen) << error;
    const auto chosen_backend = std::dynamic_pointer_cast<Simulated_Backend>(platform::Current_Backend());
    ASSERT_NE(chosen_backend, nullptr);

    Device_List* list = Device_List_Create();
    ASSERT_EQ(Device_List_Refresh(list), 5);
    const std::vector<std::uint8_t> piece(4096, 0x5A);
    for (int write = 0; write < 3; ++write)
        EXPECT_EQ(Protocol_Write_ISP_Mem_Piece(Device_List_Get_Protocol(list, 1), 0, piece.data()), 0);
    Device_List_Release(list);
    EXPECT_GT(chosen_backend->Cameras()[1]->Request_Count(), 100u);
    EXPECT_EQ(chosen_backend->Log().Size(), 0u);
    EXPECT_FALSE(chosen_backend->Log().Keeps_Request_Data());
    const auto* part = chosen_backend->Cameras()[1]->Flash().Part();
    ASSERT_NE(part, nullptr);
    EXPECT_GT(part->Write_Cycles(), 0u);
    EXPECT_TRUE(part->Opcodes().empty()) << "nor of the commands its flash took";
}

} // namespace
} // namespace zunq::application::tests
