// The burn through the dialog on simulated cameras: its refusals, the chip preparation of each
// road with its waits and polls on the virtual clock, the worker's results as the operator
// meets them, the outcome the timer reports, and what waits for a burn under way.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "Burn_Tool.h"
#include "Download_State.h"
#include "ZUNQ_USB_CAM.h"
#include "firmware_image/Firmware_Factory.h"

namespace zunq::application::tests {
namespace {

using platform::simulated::Camera_Answer;
using platform::simulated::Event;
using platform::simulated::Event_Kind;
using platform::simulated::Fault_Action;
using platform::simulated::Planned_Fault;
using platform::simulated::Request_Code;

const std::string Check_Failed = "设备校检失败\r\n烧录失败\r\n";
constexpr std::uint32_t Data_Selector = 15;                          // the flash data transfers
constexpr auto Refused = static_cast<platform::HRESULT>(0x8007001F); // a request the camera stalls

// The demo's cameras, in the list's order.
enum Demo { Desk_2620, Door_2281, Hall_2092, Lab_2650, Lab_2282 };

class Burn : public Burn_Tool {
protected:
    unsigned Restarts(int camera) { return cameras.at(static_cast<std::size_t>(camera))->Restart_Count(); }
    // The one-second waits of the burn so far.
    std::size_t Waits() {
        return static_cast<std::size_t>(std::count(services.waits.begin(), services.waits.end(), 1000u));
    }
    std::vector<Event> Events_Of(Event_Kind kind) {
        std::vector<Event> found;
        for (const Event& event : backend->Log().Events())
            if (event.Kind == kind)
                found.push_back(event);
        return found;
    }
    // Reads from every camera's video-input devices: the device list was made again.
    std::size_t Refreshes() { return Events_Of(Event_Kind::Property_Read).size(); }
    // The writes of 0x5A to register 0x20D8 any camera (or only camera `only`) received: the
    // address set on selector 2, then the value on selector 3.
    std::size_t Download_Mode_Writes(std::optional<int> only = std::nullopt) {
        std::map<std::string, Bytes> address;
        std::size_t writes = 0;
        for (const Event& request : backend->Log().Requests()) {
            if (request.Code != Request_Code::Set_Cur ||
                (only && request.Camera != cameras.at(static_cast<std::size_t>(*only))->Name()))
                continue;
            if (request.Selector == 2)
                address[request.Camera] = request.Data;
            else if (request.Selector == 3)
                writes += request.Data == Bytes{0x5A} && address[request.Camera] == Bytes{0xD8, 0x20};
        }
        return writes;
    }
    // Every box so far was the worker's, shown by the user-interface thread for it.
    bool Boxes_Came_From_The_Worker() {
        return std::all_of(services.message_boxes.begin(), services.message_boxes.end(),
                           [](const auto& box) { return box.from_other_thread; });
    }
    // The settings file's record of the last successful burn.
    std::string Source_Record() {
        const std::string text = Read_File(working_directory.Path() / "info.ini");
        const auto start = text.find("[SourceFileInfo]");
        return start == std::string::npos ? "" : text.substr(start, text.find("[DownloadInfo]") - start);
    }
    const std::string Source_Record_Before = "[SourceFileInfo]\r\nvid=\r\npid=\r\nbcd=\r\niproduct=\r\n"
                                             "imanufacture=\r\niserialnumber=\r\niaudioproduct=\r\n";
};

TEST_F(Burn, RefusalsGiveTheButtonBackAndWriteNothing) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Cameras_On_Root_Hub(
        {R"("family": "SPCA2620", )" + Flash_2620, R"("family": "SPCA2620")",
         R"("family": "SPCA2650", "registers": {"0x20FF": "0x00", "0x2310": "0x05"}, )" + Flash_2650,
         R"("family": "SPCA2085", )" + Flash_2620}));
    const auto no_change = [&](const std::string& why) {
        SCOPED_TRACE(why);
        EXPECT_TRUE(Burn_Button_Idle());
        EXPECT_FALSE(dlg.Is_Burn_Under_Way());
        EXPECT_EQ(Restarts(2) + Restarts(3), 0u);
        EXPECT_EQ(Events_Of(Event_Kind::Unplugged).size(), 1u) << "the test's own unplug only";
        EXPECT_TRUE(std::all_of(Flash(3).begin(), Flash(3).end(), [](std::uint8_t b) { return b == 0xFF; }));
    };

    // Neither a camera nor an image: only the camera is asked for.
    const auto place = Unplug(0);
    Click_Download();
    EXPECT_EQ(Boxes(), Texts{"请先选择设备!"});
    EXPECT_EQ(Log_Box(), "");
    no_change("no camera");
    Plug(0, place);
    Click_Download();
    EXPECT_EQ(Boxes(), Texts{"请先选择更新的程序！"});
    EXPECT_EQ(Log_Box(), "");
    no_change("no image");

    // No flash part: ten reads of the model, no more, then the notices.
    Load_Demo_Image("SPCA2620");
    const std::uint64_t no_part_read = Select_Camera(1);
    ASSERT_GT(no_part_read, 0u);
    const std::uint64_t before = Requests(1);
    Click_Download();
    EXPECT_EQ(Requests(1) - before, 10 * no_part_read);
    EXPECT_EQ(Log_Box(), "固件加载成功\r\nFlash型号错误\r\n烧录失败\r\n");
    EXPECT_TRUE(dlg.m_FlashErrorDlg.IsWindowVisible());
    EXPECT_EQ(dlg.m_FlashListDlg.m_strFlashList, Supported_Flash_List("ZUN_8M_1"));
    EXPECT_EQ(Boxes(), Texts{});
    no_change("no flash part");

    // The preview running: the check fails before anything is written; the part counts as
    // recognised on its tenth read.
    dlg.m_FlashErrorDlg.ShowWindow(SW_HIDE);
    dlg.SetDlgItemText(1068, "");
    const std::uint64_t preview_read = Select_Camera(2);
    for (std::uint64_t n = 1; n <= 9 * preview_read; ++n)
        cameras[2]->Faults().Fail_Request(Requests(2) + n, Refused);
    Click_Download();
    EXPECT_EQ(Log_Box(), Started + Check_Failed);
    EXPECT_EQ(Boxes(), Texts{"请先关闭预览相机后再进行烧录！"});
    EXPECT_EQ(Waits(), 0u);
    no_change("preview");

    // A chip that boots from piece 0 takes only an image of its own kind...
    dlg.SetDlgItemText(1068, "");
    Select(dlg, 1016, 3);
    Click_Download();
    EXPECT_EQ(Boxes(), Texts{"设备与固件不匹配！"});
    EXPECT_EQ(Log_Box(), Started);
    no_change("wrong image");

    // ... and its piece 0 is rewritten only when it could be read: not after a transport error,
    // nor after the library's own -1 for a failed transfer preparation or a chunk length that
    // does not divide the piece.
    Load_Demo_Image("SPCA2092");
    const std::pair<const char*, std::function<void(Simulated_Camera&)>> unreadable[] = {
        {"transport error",
         [](auto& camera) { camera.Faults().Fail_Selector(Data_Selector, Refused, Request_Code::Get_Cur); }},
        {"preparation -1",
         [](auto& camera) { camera.Faults().Fail_Selector(Data_Selector, -1, Request_Code::Get_Len); }},
        {"length refused",
         [](auto& camera) {
             camera.Change_Answers([](Camera_Answer& answer) {
                 if (answer.Code == Request_Code::Get_Len && answer.Selector == Data_Selector)
                     answer.Bytes_Returned = 1000;
             });
         }},
    };
    for (const auto& [why, fault] : unreadable) {
        fault(*cameras[3]);
        dlg.SetDlgItemText(1068, "");
        Click_Download();
        EXPECT_EQ(Boxes(), Texts{"读取设备Flash失败，未写入任何数据！"}) << why;
        EXPECT_EQ(Log_Box(), Started + Check_Failed) << why;
        no_change(why);
        cameras[3]->Faults().Clear();
        cameras[3]->Change_Answers(nullptr);
    }
}

TEST_F(Burn, EachRoadPreparesItsChipWithItsWaitsAndPolls) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    struct Road {
        Demo camera;
        std::size_t waits;     // one after the preparation, one per poll
        bool recreates;        // the device list made again
        unsigned restarts;     // by the preparation, and by the worker after the download
        std::size_t comebacks; // new connections: the camera back on its port as a new device
        std::size_t writes;    // of 0x5A to register 0x20D8
    };
    const Road roads[] = {
        {Desk_2620, 0, false, 1, 1, 0}, // no preparation; restarted afterwards
        {Door_2281, 0, false, 1, 1, 0},
        {Hall_2092, 3, true, 2, 2, 0}, // piece 0 and a restart: back after 2 s
        {Lab_2650, 4, true, 2, 2, 1},  // the write: back after 2.5 s reading 0x80
        {Lab_2282, 2, false, 1, 1, 1}, // the write: it stays
    };
    for (const Road& road : roads) {
        const int i = road.camera;
        SCOPED_TRACE(cameras[static_cast<std::size_t>(i)]->Name());
        Select(dlg, 1016, i);
        Load_Demo_Image(cameras[static_cast<std::size_t>(i)]->Model().Name);
        const std::string old_path = cameras[static_cast<std::size_t>(i)]->Video_Input().Device_Path;
        const unsigned restarts = Restarts(i);
        const std::size_t refreshes = Refreshes();
        const std::size_t plugged = Events_Of(Event_Kind::Plugged).size();
        const std::size_t writes = Download_Mode_Writes();
        services.waits.clear();
        dlg.SetDlgItemText(1068, "");

        Click_Download();
        EXPECT_EQ(Waits(), road.waits);
        EXPECT_EQ(Refreshes() > refreshes, road.recreates);
        EXPECT_EQ(Download_Mode_Writes() - writes, road.writes);
        const Bytes image = Download_Image();
        ASSERT_TRUE(Run_Until_Burn_Ends());
        EXPECT_EQ(Log_Box(), Started + Succeeded);
        EXPECT_EQ(Boxes(), Texts{});
        EXPECT_TRUE(std::equal(image.begin(), image.end(), Flash(i).begin()));

        // Restarted after the download, it comes back and is selected again.
        Run_Clock(3000);
        EXPECT_EQ(Restarts(i) - restarts, road.restarts);
        const auto comebacks = Events_Of(Event_Kind::Plugged);
        ASSERT_EQ(comebacks.size() - plugged, road.comebacks);
        EXPECT_NE(comebacks.back().Property, old_path);
        EXPECT_EQ(Items(dlg, 1016).size(), 5u);
        EXPECT_EQ(Selection(dlg, 1016), i);
    }

    // 0x04 with the camera present at once: the list is made again, and one poll finds it.
    Start_Dialog(
        One_Camera(R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x04"})"));
    Load_Demo_Image("SPCA2650");
    services.waits.clear();
    const std::size_t refreshes = Refreshes();
    Click_Download();
    EXPECT_EQ(Waits(), 2u);
    EXPECT_GT(Refreshes(), refreshes);
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_EQ(Log_Box(), Started + Succeeded);
}

TEST_F(Burn, ACameraThatNeverComesBackFailsWithoutARestart) {
    const std::string gone_after_write = R"("family": "SPCA2650", )" + Flash_2650 +
                                         R"(, "registers": {"0x20FF": "0x00"},
        "leaves": [{"write": {"0x20D8": "0x5A"}, "back_after_ms": "never"}])";
    const auto check = [&](const std::string& camera, const std::string& image, std::size_t waits) {
        Start_Dialog(One_Camera(camera));
        auto& flash = cameras[0]->Flash().Part()->Contents();
        std::fill(flash.begin(), flash.begin() + 4096, 0x3C);
        const Bytes before = flash;
        Load_Demo_Image(image);
        services.waits.clear();
        Click_Download();
        EXPECT_EQ(Waits(), waits);
        EXPECT_TRUE(Run_Until_Burn_Ends());
        EXPECT_EQ(Boxes(), Texts{"烧录失败！"});
        EXPECT_TRUE(Boxes_Came_From_The_Worker());
        EXPECT_EQ(Log_Box(), Started + Failed);
        EXPECT_EQ(Restarts(0), 1u) << "the preparation's, none after the download";
        return std::pair(before, flash);
    };
    {
        SCOPED_TRACE("the write");
        const auto [before, after] = check(gone_after_write, "SPCA2650", 31);
        EXPECT_EQ(before, after);
    }
    {
        SCOPED_TRACE("piece 0 and the restart");
        const auto [before, after] = check(R"("family": "SPCA2085", )" + Flash_2620 +
                                               R"(, "leaves": [{"restart": true, "back_after_ms": "never"}])",
                                           "SPCA2092", 21);
        // The start of piece 0 cleared, the rest of the flash as it was.
        EXPECT_EQ(after[0], 0x00);
        EXPECT_EQ(after[1], 0x00);
        EXPECT_TRUE(
            std::all_of(after.begin() + 2, after.begin() + 64, [](std::uint8_t b) { return b == 0xFF; }));
        EXPECT_TRUE(std::equal(after.begin() + 64, after.end(), before.begin() + 64));
    }

    // A tool that cannot watch device changes keeps its selection when the burn makes the list
    // again. Lab-56 is still away then, so lab-3d stands at its index: it is not written, the
    // polls look for the camera on lab-56's hub port, in vain.
    watch_device_changes = false;
    {
        SCOPED_TRACE("another camera at the selected index");
        Select(Start_Dialog(Demo_Scenario()), 1016, Lab_2650);
        Load_Demo_Image("SPCA2650");
        const Bytes lab_3d = Flash(Lab_2282);
        services.waits.clear();
        Click_Download();
        EXPECT_EQ(Waits(), 31u);
        EXPECT_TRUE(Run_Until_Burn_Ends());
        EXPECT_EQ(Boxes(), Texts{"烧录失败！"});
        EXPECT_TRUE(Flash(Lab_2282) == lab_3d) << "lab-3d written";

        // Burnt again, with lab-3d still at the selected index: it is not prepared either.
        Click_Download();
        EXPECT_TRUE(Run_Until_Burn_Ends());
        EXPECT_EQ(Download_Mode_Writes(Lab_2282), 0u) << "lab-3d prepared";
    }

    // The camera that never came back stays selected, an index the burn's new list has no
    // camera at. The next burn finds none there: the flash model reads -1, which counts as
    // recognised, and both registers read 0 (a read that writes nothing), so the write goes
    // nowhere and the burn makes the list again and polls for it.
    SCOPED_TRACE("a selection with no camera");
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Cameras_On_Root_Hub({R"("family": "SPCA2620")", gone_after_write}));
    Select(dlg, 1016, 1);
    Load_Demo_Image("SPCA2650");
    Click_Download();
    ASSERT_TRUE(Run_Until_Burn_Ends());
    ASSERT_EQ(Selection(dlg, 1016), 1);
    const std::size_t refreshes = Refreshes();
    const std::size_t writes = Download_Mode_Writes();
    services.waits.clear();
    dlg.SetDlgItemText(1068, "");
    Boxes();
    Click_Download();
    EXPECT_EQ(Waits(), 31u);
    EXPECT_GT(Refreshes(), refreshes);
    EXPECT_EQ(Download_Mode_Writes(), writes);
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_EQ(Log_Box(), Started + Failed);
    EXPECT_EQ(Boxes(), Texts{"烧录失败！"});
}

TEST_F(Burn, EveryFailedDownloadIsReportedByTheWorkerAndTheTimer) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    const struct {
        Demo camera;
        const char* image;
        bool empty; // the download buffer emptied: the download's refusal of an empty image
        std::optional<Fault_Action> reads; // what every chunk read meets
        Texts boxes;
    } failures[] = {
        {Desk_2620, "SPCA2620", true, {}, {"加载固件失败！"}},
        {Desk_2620, "SPCA2281", false, {}, {"设备与固件不匹配！"}},
        {Desk_2620, "SPCA2620", false, Fault_Action{.What = Fault_Action::Kind::Flip_Byte}, {"烧录失败！"}},
        // A transport error whose low word is 0 ends the download below 100 with the result
        // word 0: no box, but a failure all the same.
        {Door_2281,
         "SPCA2281",
         false,
         Fault_Action{.Result = static_cast<platform::HRESULT>(0x80040000)},
         {}},
        // A 256 KB image of the 2688 family: not this chip's, however long.
        {Desk_2620, "SPCA2650", false, {}, {"设备与固件不匹配！"}},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(&failure - failures);
        const auto camera = static_cast<std::size_t>(failure.camera);
        Select(dlg, 1016, failure.camera);
        Load_Demo_Image(failure.image);
        if (failure.empty)
            Download_Size = 0;
        if (failure.reads)
            cameras[camera]->Faults().Plan({.Which = Planned_Fault::Match::Selector,
                                            .Selector = Data_Selector,
                                            .Code = Request_Code::Get_Cur,
                                            .Action = *failure.reads});
        dlg.SetDlgItemText(1068, "");
        const unsigned restarts = Restarts(failure.camera);
        Click_Download();
        ASSERT_TRUE(Run_Until_Burn_Ends());
        EXPECT_TRUE(Boxes_Came_From_The_Worker());
        EXPECT_EQ(Boxes(), failure.boxes);
        EXPECT_EQ(Log_Box(), Started + Failed);
        EXPECT_EQ(Restarts(failure.camera), restarts + 1);
        EXPECT_TRUE(Burn_Button_Idle());
        EXPECT_FALSE(services.Timer_Running(dlg, ZUNQ_USB_CAMDlg::Burn_Timer_Id));
        CString label;
        label.Format("%.0f%%", static_cast<double>(Read_Download_Progress()));
        EXPECT_EQ(Text(dlg, 1119), label);
        EXPECT_EQ(Source_Record(), Source_Record_Before) << "no download record";
        cameras[camera]->Faults().Clear();
        Run_Clock(3000); // the camera back from its restart
    }
}

// Both transfer addresses of one chunk lost (the set before its write and the one before its
// read-back: requests 178 and 182 of the demo's desk camera, chunk 3 of its image, all zeros):
// the chunk goes over the chunk before it and is checked there, where it passes, since its
// bytes clear no bit the other's keep. The region read back once more finds the chunk's own
// place erased: the burn fails and records nothing.
TEST_F(Burn, AChunkWrittenAndCheckedAtAnotherPlaceFailsTheBurn) {
    Start_Dialog(Demo_Scenario());
    Load_Demo_Image("SPCA2620");
    constexpr std::uint32_t Chunk = 1024;
    constexpr std::uint64_t Lost[] = {178, 182};
    for (const std::uint64_t request : Lost)
        cameras[Desk_2620]->Faults().Ignore_Request(request);
    Click_Download();
    const Bytes image = Download_Image();
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_EQ(Boxes(), Texts{"烧录失败！"});
    EXPECT_EQ(Log_Box(), Started + Failed);
    EXPECT_EQ(Source_Record(), Source_Record_Before) << "no download record";
    EXPECT_EQ(Read_File(working_directory.Path() / "info.ini").find("[Date]"), std::string::npos);
    const Bytes& flash = Flash(Desk_2620);
    EXPECT_FALSE(std::equal(image.begin(), image.end(), flash.begin()));
    EXPECT_TRUE(std::all_of(flash.begin() + 3 * Chunk, flash.begin() + 4 * Chunk,
                            [](std::uint8_t b) { return b == 0xFF; }));

    // What the two lost requests were, and why the chunk's own check passed.
    for (const Event& event : backend->Log().Requests()) {
        if (event.Camera != cameras[Desk_2620]->Name() ||
            std::find(std::begin(Lost), std::end(Lost), event.Request_Number) == std::end(Lost))
            continue;
        EXPECT_EQ(event.Selector, 14u);
        EXPECT_EQ(event.Code, Request_Code::Set_Cur);
        EXPECT_EQ(event.Data, (Bytes{0x00, 0x0C, 0x00, 0x00})) << "chunk 3's transfer address";
    }
    for (std::uint32_t i = 0; i < Chunk; ++i)
        ASSERT_EQ(image[3 * Chunk + i] & image[2 * Chunk + i], image[3 * Chunk + i]) << i;
}

// A complete burn of the edited image, then a second one on the same camera whose last chunk
// reads back wrong: at 99.8 % the label already shows 100 %, and neither that nor the first
// burn's 100.0 is taken for a success.
TEST_F(Burn, OnlyTheLibrarysExact100IsASuccessOfThisBurn) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(
        One_Camera(R"("family": "SPCA2650", )" + Flash_2650 + R"(, "registers": {"0x20FF": "0x80"})"));
    Load_Demo_Image("SPCA2650");
    Type(dlg.m_Page1, 1032, "1234", true); // the PID edited on the identity page
    const Bytes before = Flash(0);
    const std::uint64_t first_start = Requests(0);
    // The worker held past 99 % until the bar shows 99: the bar still goes on to 100.
    std::atomic<bool> held = false;
    std::atomic<bool> go_on = false;
    cameras[0]->Change_Answers([&](Camera_Answer&) {
        if (Read_Download_Progress() >= 99.0f && !held.exchange(true))
            while (!go_on)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    Click_Download();
    EXPECT_EQ(Text(dlg, 1009), "正在下载");
    EXPECT_FALSE(Is_Enabled(dlg, 1009));
    const Bytes image = Download_Image();
    EXPECT_TRUE(Pump_Until([&] { return held && Position(dlg, 1063) == 99; }));
    go_on = true;
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_EQ(Log_Box(), Started + Succeeded);
    EXPECT_EQ(Text(dlg, 1119), "100%");
    EXPECT_EQ(Position(dlg, 1063), 100);
    EXPECT_EQ(Accessible_Value(dlg, 1063), 100.0) << "as assistive technology reads the bar";
    EXPECT_TRUE(Burn_Button_Idle());
    EXPECT_FALSE(services.Timer_Running(dlg, ZUNQ_USB_CAMDlg::Burn_Timer_Id));
    EXPECT_EQ(Restarts(0), 1u) << "after the download";
    // The edited image, and nothing beyond it.
    EXPECT_TRUE(std::equal(image.begin(), image.end(), Flash(0).begin()));
    EXPECT_TRUE(std::equal(Flash(0).begin() + image.size(), Flash(0).end(), before.begin() + image.size()));
    const auto burnt = Create_Firmware_Object(Flash(0).data(), static_cast<std::uint32_t>(image.size()));
    ASSERT_NE(burnt, nullptr);
    EXPECT_EQ(burnt->Get_PID(1, nullptr), 0x1234);
    const std::string record = Source_Record();
    EXPECT_NE(record.find("iproduct=ZUNQ"), std::string::npos) << record;

    // The same requests again, the last chunk's read-back flipped.
    std::uint64_t last_read = 0;
    for (const Event& event : backend->Log().Requests())
        if (event.Selector == Data_Selector && event.Code == Request_Code::Get_Cur)
            last_read = event.Request_Number;
    cameras[0]->Faults().Flip_Byte(Requests(0) + (last_read - first_start), 0);
    Click_Download();
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_EQ(Read_Download_Progress(), static_cast<float>(579 / 5.8));
    EXPECT_EQ(Text(dlg, 1119), "100%");
    EXPECT_EQ(Position(dlg, 1063), 99) << "the bar ends on the last value";
    EXPECT_EQ(Log_Box(), Started + Succeeded + Started + Failed);
    EXPECT_EQ(Boxes(), Texts{"烧录失败！"});
    EXPECT_EQ(Source_Record(), record);
    EXPECT_EQ(Restarts(0), 2u);
}

// A bench that burns all day: the log box keeps its latest whole lines, between 8 and 16 KiB.
TEST_F(Burn, TheLogBoxKeepsItsLatestLinesOnly) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    Load_Demo_Image("SPCA2620");
    std::string earlier;
    for (int line = 0; line < 860; ++line)
        earlier += "earlier line " + std::to_string(1000 + line) + "\r\n";
    dlg.SetDlgItemText(1068, earlier.c_str());
    Click_Download();
    ASSERT_TRUE(Run_Until_Burn_Ends());
    const std::string all = earlier + Started + Succeeded;
    const std::string log = Log_Box();
    EXPECT_LE(log.size(), 16384u);
    EXPECT_GE(log.size(), 8192u);
    EXPECT_EQ(all.compare(all.size() - log.size(), log.size(), log), 0) << "the latest lines, in order";
    EXPECT_EQ(log.rfind("earlier line ", 0), 0u) << "whole lines";
    EXPECT_EQ(Undo_History(dlg, 1068), 0) << "nor an undo history of the lines and trims";
}

// The copy into the download buffer stops at its end: a 64 KB family's image from a longer
// file has a 256 KB padded copy.
TEST_F(Burn, ThePaddedImageIsCutToTheDownloadBuffer) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    Load_Demo_Image("SPCA2620");
    ASSERT_EQ(Download_Size, 0x10000u);
    auto padded = std::make_unique<std::uint8_t[]>(0x40000);
    std::copy_n(dlg.m_pPaddedImage.get(), 0x10000, padded.get());
    std::fill_n(padded.get() + 0x10000, 0x30000, 0xA5);
    dlg.m_pPaddedImage = std::move(padded);
    dlg.m_nPaddedSize = 0x40000;
    Click_Download();
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_EQ(Log_Box(), Started + Succeeded);
}

// While the worker downloads (here: while it waits for the operator to close its box) a second
// "下载" does nothing, loads are refused and free nothing, the camera being burnt is asked
// nothing, device changes wait for the worker's end and a close for the burn's.
TEST_F(Burn, WhileTheWorkerRunsLoadsDeviceChangesAndACloseWait) {
    ZUNQ_USB_CAMDlg& dlg = Start_Dialog(Demo_Scenario());
    const std::string other = Write_Demo_Image("SPCA2620");
    Load_Demo_Image("SPCA2281"); // not the camera's: the worker fails and asks for its box
    const std::string flash_name = Text(dlg, 1141);
    bool held = false;
    services.answer_message_box = [&](const zunq::ui::Message_Box_Request& box) {
        if (!box.from_other_thread || std::exchange(held, true))
            return IDOK;
        const std::uint8_t* buffer = Download_Buffer.get();
        Click_Download();
        Load(other);
        Drop_Files(dlg, {other});
        EXPECT_EQ(Download_Buffer.get(), buffer);
        EXPECT_EQ(dlg.m_strFilePath, (working_directory.Path() / "SPCA2281.bin").string());
        const std::uint64_t requests = Requests(Desk_2620);
        Select(dlg, 1016, 1);
        Select(dlg, 1016, 0);
        EXPECT_EQ(Requests(Desk_2620), requests);
        EXPECT_EQ(Text(dlg, 1141), flash_name);
        Unplug(Lab_2282);
        EXPECT_EQ(Items(dlg, 1016).size(), 5u);
        Close(dlg);
        EXPECT_TRUE(dlg.IsWindowVisible());
        return IDOK;
    };
    Click_Download();
    ASSERT_TRUE(Run_Until_Burn_Ends());
    EXPECT_TRUE(held);
    const std::string refused = "正在烧录，请在烧录结束后再加载程序！";
    EXPECT_EQ(Boxes(), (Texts{"设备与固件不匹配！", refused, refused}));
    // The failure lines come at the first tick after the worker's result, which may be before
    // or after its box (and the close asked for while it was up).
    const std::string close_line = "烧录结束后将关闭窗口\r\n";
    const std::string log = Log_Box();
    EXPECT_TRUE(log == Started + close_line + Failed || log == Started + Failed + close_line) << log;
    EXPECT_EQ(Items(dlg, 1016).size(), 3u) << "the unplug, and the burnt camera's restart";
    EXPECT_FALSE(dlg.IsWindowVisible()) << "closed once the burn was over";
    Run_Clock(3000);
    EXPECT_EQ(Items(dlg, 1016).size(), 4u);
}

// A dialog destroyed while its worker still waits for its box: the box is shown, the worker
// ends, and only then is the device list released.
TEST_F(Burn, ADialogDestroyedDuringABurnWaitsForItsWorker) {
    Start_Dialog(Demo_Scenario());
    Load_Demo_Image("SPCA2281");
    Click_Download();
    dialog.reset();
    EXPECT_EQ(Boxes(), Texts{"设备与固件不匹配！"});
    for (const auto& camera : cameras)
        EXPECT_EQ(camera->Open_Channels(), 0u) << camera->Name();
}

// SIGTERM and SIGINT close the tool as its close box does: after a burn under way, and then the
// application's dialog releases every camera. Nobody sees the window then: the burn's outcome
// goes to standard error, and a failed one makes the exit status say so.
TEST_F(Burn, TerminationSignalsCloseTheToolAfterTheBurnAndTellItsOutcome) {
    const Scenario demo = Demo_Scenario();
    Install_Host(&demo);
    zunq::ui::Close_Main_Window_On_Termination_Signals();
    theApp.m_nExitStatus = 0;
    const struct Run {
        const char* image; // none: no burn
        int signal;
        std::string lines; // on standard error
        int status;
    } runs[] = {
        {"SPCA2620", SIGTERM, "zunq_sf_tool: the burn under way when the tool was asked to end succeeded\n",
         0},
        {"SPCA2281", SIGINT,
         "zunq_sf_tool: the burn under way when the tool was asked to end failed: 设备与固件不匹配！\n",
         Burn_Failed_Exit_Status},
        {nullptr, SIGINT, "", Burn_Failed_Exit_Status},
    };
    const Run* run = runs;
    services.run_modal = [&](CDialog& shown) {
        running = &dynamic_cast<ZUNQ_USB_CAMDlg&>(shown);
        if (run->image == nullptr) {
            std::raise(run->signal);
            Pump();
            EXPECT_FALSE(shown.Is_Modal_Running());
            return;
        }
        Load_Demo_Image(run->image);
        Click_Download();
        std::raise(run->signal);
        Pump();
        EXPECT_TRUE(shown.Is_Modal_Running());
        EXPECT_TRUE(Run_Until_Burn_Ends());
        EXPECT_FALSE(shown.Is_Modal_Running());
        EXPECT_NE(Log_Box().find("烧录结束后将关闭窗口\r\n"), std::string::npos);
    };
    for (; run != std::end(runs); ++run) {
        SCOPED_TRACE(run - runs);
        testing::internal::GetCapturedStderr();
        testing::internal::CaptureStderr();
        EXPECT_EQ(theApp.InitInstance(), FALSE);
        std::string told;
        std::istringstream error(testing::internal::GetCapturedStderr());
        for (std::string line; std::getline(error, line);)
            if (line.starts_with("zunq_sf_tool: the burn"))
                told += line + "\n";
        testing::internal::CaptureStderr();
        EXPECT_EQ(told, run->lines);
        EXPECT_EQ(theApp.m_nExitStatus, run->status);
        running = nullptr;
        for (const auto& camera : cameras)
            EXPECT_EQ(camera->Open_Channels(), 0u) << camera->Name();
        Run_Clock(3000); // the burnt camera back from its restart
    }
    theApp.m_nExitStatus = 0;
}

} // namespace
} // namespace zunq::application::tests
