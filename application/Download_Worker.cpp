// The download worker, the progress thread and the burn timer that reports the outcome.
#include "Download_Worker.h"

#include <cstdint>
#include <string>

#include "Download_State.h"
#include "ZUNQ_USB_CAMDlg.h"
#include "extension_unit_integrate/Extension_Unit_Integrate.h"

namespace {

constexpr std::uint16_t Result_Empty_Image = 0xFFFE; // -2
constexpr std::uint16_t Result_Wrong_Chip = 0xFFFD;  // -3
constexpr std::uint16_t Result_Step_Failed = 0xFFFF; // -1, or no camera: nothing to restart
constexpr const char* Empty_Image_Message = "加载固件失败！";
constexpr const char* Wrong_Chip_Message = "设备与固件不匹配！";
constexpr const char* Burn_Failed_Message = "烧录失败！";

constexpr const char* Success_Lines = "烧录结束\r\n刷新配置信息\r\n烧录成功\r\n\r\n";
constexpr const char* Failure_Lines = "固件校检失败\r\n烧录失败\r\n\r\n";

} // namespace

const char* Download_Failure_Message(std::uint16_t result) {
    switch (result) {
    case Result_Empty_Image:
        return Empty_Image_Message;
    case Result_Wrong_Chip:
        return Wrong_Chip_Message;
    default:
        return Burn_Failed_Message;
    }
}

const char* Burn_Outcome_Lines() {
    static const std::string lines = std::string(Success_Lines) + Failure_Lines;
    return lines.c_str();
}

const char* Burn_Failure_Lines() {
    return Failure_Lines;
}

int Download_Thread_Proc(Extension_Unit_Base_Protocol* protocol) {
    Download_Result.store(0);
    Store_Download_Progress(0);
    const int result =
        Protocol_Download_Firmware(protocol, Download_Buffer.get(), Download_Size, &Download_Progress);
    const auto word = static_cast<std::uint16_t>(result);
    Download_Result.store(word);
    if (word != 0)
        AfxMessageBox(Download_Failure_Message(word));
    if (word != Result_Step_Failed)
        Protocol_Reset_Device(protocol);
    return static_cast<std::int16_t>(word);
}

// The bar is handed a position only when the whole percent changed: each one it shows is a
// repaint on the user-interface thread.
void Progress_Thread_Proc(CProgressCtrl& bar, Burn_Threads& threads) {
    bar.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    int shown = -1;
    const auto show = [&] {
        const int position = static_cast<int>(Read_Download_Progress());
        if (position != shown)
            bar.SendMessage(PBM_SETPOS, static_cast<WPARAM>(position));
        shown = position;
    };
    while (Read_Download_Progress() < 100.0f && Download_Result.load() == 0) {
        show();
        if (threads.Wait_For_Worker())
            break;
    }
    show();
}

// ---- Burn_Threads.

void Burn_Threads::Start(Extension_Unit_Base_Protocol* protocol, CProgressCtrl& bar) {
    worker_ended_.store(false);
    worker_ = std::thread([this, protocol] {
        Download_Thread_Proc(protocol);
        Worker_Done();
    });
    progress_ = std::thread([this, &bar] { Progress_Thread_Proc(bar, *this); });
}

void Burn_Threads::Worker_Done() {
    {
        const std::lock_guard lock(mutex_);
        worker_ended_.store(true, std::memory_order_release);
    }
    worker_done_.notify_all();
}

bool Burn_Threads::Wait_For_Worker() {
    std::unique_lock lock(mutex_);
    return worker_done_.wait_for(lock, Progress_Interval, [this] { return worker_ended_.load(); });
}

void Burn_Threads::Join() {
    constexpr UINT Dispatch_Ms = 10;
    while (!Worker_Ended())
        zunq::ui::Wait_Dispatching(Dispatch_Ms);
    if (worker_.joinable())
        worker_.join();
    if (progress_.joinable())
        progress_.join();
}

// ---- The burn timer.

void ZUNQ_USB_CAMDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == Burn_Timer_Id && m_eBurnStage == Burn_Stage::Downloading)
        On_Burn_Tick();
    CDialogEx::OnTimer(nIDEvent);
}

// The label follows the progress value; the outcome is reported once, success only on the
// library's exact 100.0; the burn ends once the worker has ended too, so no burn and no load
// starts while it still uses the camera or the download buffer.
void ZUNQ_USB_CAMDlg::On_Burn_Tick() {
    const bool worker_ended = m_BurnThreads.Worker_Ended(); // first: then the values read are final
    const float progress = Read_Download_Progress();
    Show_Percent(progress);
    if (!m_bBurnOutcomeShown) {
        if (progress == 100.0f) {
            Append_Log(Success_Lines);
            Write_Download_Record();
            m_bBurnOutcomeShown = true;
            m_bBurnSucceeded = true;
        } else if (Download_Result.load() != 0 || worker_ended) {
            // A worker that ended without a verified download failed, whatever its result.
            Append_Log(Failure_Lines);
            m_bBurnOutcomeShown = true;
        }
    }
    if (!worker_ended)
        return;
    m_BurnThreads.Join();
    KillTimer(Burn_Timer_Id);
    Give_Download_Button_Back();
    End_Burn();
}

// The label over the bar is redrawn with the dialog's background under it: only when the
// percent it shows changes, not on every tick.
void ZUNQ_USB_CAMDlg::Show_Percent(float progress) {
    CString percent;
    percent.Format("%.0f%%", static_cast<double>(progress));
    CString shown;
    GetDlgItemText(1119, shown);
    if (percent == shown)
        return;
    SetDlgItemText(1119, percent);
    Invalidate_Percent_Label();
}
