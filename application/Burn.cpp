// The burn's start, on the user-interface thread: the checks, the image put into the download
// buffer, the flash part recognised, the camera fixed as the burn's and the pages' edits applied
// at the press, the camera's chip prepared as its register 0x20FF says (some roads restart the
// camera, which leaves the host and comes back), then the timer, the download worker and the
// progress thread started.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "Download_State.h"
#include "Image_Loading.h"
#include "ZUNQ_USB_CAM.h"
#include "ZUNQ_USB_CAMDlg.h"
#include "firmware_image/Firmware_Factory.h"
#include "platform/Backend.h"

namespace {

constexpr std::uint8_t No_Device = 0xFF;

constexpr const char* No_Camera_Message = "请先选择设备!";
constexpr const char* No_Image_Message = "请先选择更新的程序！";
constexpr const char* Wrong_Image_Message = "设备与固件不匹配！";
constexpr const char* Preview_Running_Message = "请先关闭预览相机后再进行烧录！";
constexpr const char* Header_Unreadable_Message = "读取设备Flash失败，未写入任何数据！";
constexpr const char* Load_During_Burn_Message = "正在烧录，请在烧录结束后再加载程序！";
constexpr const char* Place_Held_Message = "该设备正被另一个程序使用，未写入任何数据！";
constexpr const char* Stranger_Message = "烧录失败！所选设备的端口上出现了另一台设备，未写入任何数据！";

constexpr const char* Image_Loaded_Line = "固件加载成功\r\n";
constexpr const char* Flash_Unknown_Lines = "Flash型号错误\r\n烧录失败\r\n";
constexpr const char* Flash_Unknown_Text = "Flash型号错误";
constexpr const char* Burn_Start_Lines = "设备校检完成\r\n烧录开始\r\n烧录进行中...\r\n";
constexpr const char* Check_Failed_Lines = "设备校检失败\r\n烧录失败\r\n";
constexpr const char* Close_After_Burn_Line = "烧录结束后将关闭窗口\r\n";

constexpr const char* Download_Text = "下载";
constexpr const char* Downloading_Text = "正在下载";

// The log box keeps the latest lines only, so a bench that burns all day does not hold every
// line of every burn: once a line would take it past Log_Box_Most bytes, its oldest whole lines
// go, down to about half of that, so it is trimmed once in some eighty burns.
constexpr std::size_t Log_Box_Most = 16 * 1024;

constexpr int Flash_Model_Reads = 10;
// A camera back from its restart may still be starting: its flash part is read until it answers.
constexpr int Flash_Model_Reads_On_Return = 11;
constexpr int Polls_After_Write = 30;
constexpr int Polls_After_Reset = 20;
constexpr UINT Delay_Ms = 1000;

// The chip's registers the preparation reads and writes.
constexpr std::uint16_t Road_Register = 0x20FF;
constexpr std::uint16_t Preview_Register = 0x2310;
constexpr std::uint8_t Preview_Running = 5;
constexpr std::uint16_t Download_Mode_Register = 0x20D8;
constexpr std::uint8_t Download_Mode_Value = 0x5A;

// The start of flash piece 0 that the 0xC5/0xC9 chips boot from: its first two bytes cleared
// and the rest of its first 64 bytes erased, so the chip restarts without its old code.
constexpr std::size_t Piece_Size = 4096;
constexpr std::size_t Header_Size = 64;

// A byte preset to 0: a read that writes nothing (no camera) reads 0.
std::uint8_t Read_Register(Extension_Unit_Base_Protocol* protocol, std::uint16_t address) {
    std::uint8_t value = 0;
    Protocol_Read_Reg(protocol, address, &value);
    return value;
}

} // namespace

// A one-second wait during which the dialog keeps handling its events, device changes among
// them, while a camera restarts.
void Delay_With_Message_Pump() {
    zunq::ui::Wait_Dispatching(Delay_Ms);
}

void ZUNQ_USB_CAMDlg::OnBnClickedDownload() {
    if (Is_Burn_Under_Way())
        return;
    m_eBurnStage = Burn_Stage::Preparing;
    m_strBurnFailure.Empty();
    Lock_Burn_Inputs(true);
    if (!Run_Burn_Steps())
        End_Burn();
}

// What is burnt, and into which camera, is what the press saw: a click on the list or an edit
// on a page during the waits of the preparation or the download would otherwise change it.
void ZUNQ_USB_CAMDlg::Lock_Burn_Inputs(bool locked) {
    m_CameraList.EnableWindow(!locked);
    for (CDialog* page :
         {static_cast<CDialog*>(&m_Page1), static_cast<CDialog*>(&m_Page2), static_cast<CDialog*>(&m_Page3)})
        page->EnableWindow(!locked);
}

bool ZUNQ_USB_CAMDlg::Run_Burn_Steps() {
    m_Page1.Reset_Page();
    m_Progress.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    m_Progress.SendMessage(PBM_SETPOS, 0);
    Set_Download_Button(Downloading_Text, FALSE);
    if (m_nSelectedDevice == No_Device) {
        Refuse_Burn(No_Camera_Message);
        return false;
    }
    Extension_Unit_Base_Protocol* protocol = Selected_Protocol();
    if (m_nImageSize == 0) {
        Refuse_Burn(No_Image_Message);
        return false;
    }
    if (!Hold_Burn_Place())
        return false;
    Fill_Download_Buffer();
    Append_Log(Image_Loaded_Line);
    if (!Check_Flash_Model(protocol)) {
        Stop_On_Unknown_Flash(protocol);
        return false;
    }
    Fix_Burn_Camera(protocol);
    Append_Log(Burn_Start_Lines);
    Apply_Edits_At_Press();
    // The box of edits that could not be applied lets device changes through.
    if (Find_Burn_Camera(protocol) == Burn_Camera_Search::Stranger) {
        Fail_On_Stranger();
        return false;
    }
    if (!Prepare_Camera(protocol) || !Start_Download())
        return false;
    m_Page1.Reset_Page();
    m_Page2.UpdateData(FALSE);
    return true;
}

void ZUNQ_USB_CAMDlg::Refuse_Burn(const char* message) {
    m_strBurnFailure = message;
    AfxMessageBox(message);
    Give_Download_Button_Back();
    m_Page1.Reset_Page();
    m_Page2.UpdateData(FALSE);
}

// The padded image, cut to the buffer: a 64 KB family's image read from a longer file has a
// 256 KB padded copy.
void ZUNQ_USB_CAMDlg::Fill_Download_Buffer() {
    std::fill_n(Download_Buffer.get(), Download_Size, 0);
    std::copy_n(m_pPaddedImage.get(), std::min(m_nPaddedSize, Download_Size), Download_Buffer.get());
}

bool ZUNQ_USB_CAMDlg::Check_Flash_Model(Extension_Unit_Base_Protocol* protocol) {
    for (int read = 0; read < Flash_Model_Reads; ++read) {
        m_nBurnFlashModel = Protocol_Get_Flash_Model(protocol);
        if ((m_nBurnFlashModel & 0xFFFF) != 0)
            return true;
    }
    return false;
}

void ZUNQ_USB_CAMDlg::Stop_On_Unknown_Flash(Extension_Unit_Base_Protocol* protocol) {
    m_strBurnFailure = Flash_Unknown_Text;
    Show_Flash_Notices(protocol);
    Append_Log(Flash_Unknown_Lines);
    Give_Download_Button_Back();
    m_Page1.Reset_Page();
    m_Page2.UpdateData(FALSE);
}

bool ZUNQ_USB_CAMDlg::Prepare_Camera(Extension_Unit_Base_Protocol* protocol) {
    switch (Read_Register(protocol, Road_Register)) {
    case 0x00:
    case 0x04:
        return Restart_Into_Download_Mode(protocol);
    case 0xFF:
        // This chip stays on the host through the write: the list it is in stays good.
        Protocol_Write_Reg(protocol, Download_Mode_Register, Download_Mode_Value);
        Delay_With_Message_Pump();
        return Poll_Camera(Polls_After_Write) != Burn_Camera_Search::Stranger;
    case 0xC5:
    case 0xC9:
        return Clear_Header_And_Restart(protocol);
    default:
        return true;
    }
}

// The chip leaves the host on the write and comes back ready for the download; it refuses
// while its preview runs.
bool ZUNQ_USB_CAMDlg::Restart_Into_Download_Mode(Extension_Unit_Base_Protocol* protocol) {
    if (Read_Register(protocol, Preview_Register) == Preview_Running) {
        Append_Log(Check_Failed_Lines);
        m_strBurnFailure = Preview_Running_Message;
        AfxMessageBox(Preview_Running_Message);
        Give_Download_Button_Back();
        return false;
    }
    Protocol_Write_Reg(protocol, Download_Mode_Register, Download_Mode_Value);
    Delay_With_Message_Pump();
    Recreate_Device_List();
    return Poll_Camera(Polls_After_Write) != Burn_Camera_Search::Stranger;
}

// Only an image of the chip's own kind may replace its boot code. A header that cannot be read
// is not rewritten: writing back what was not read would erase the rest of the sector.
bool ZUNQ_USB_CAMDlg::Clear_Header_And_Restart(Extension_Unit_Base_Protocol* protocol) {
    if (Download_Size < 2 || Download_Buffer[0] != 0x89 || Download_Buffer[1] != 0x17) {
        Refuse_Burn(Wrong_Image_Message);
        return false;
    }
    std::array<std::uint8_t, Piece_Size> piece;
    piece.fill(0xFF);
    if (Protocol_Read_ISP_Mem_Piece(protocol, 0, piece.data()) < 0) {
        Append_Log(Check_Failed_Lines);
        Refuse_Burn(Header_Unreadable_Message);
        return false;
    }
    piece[0] = piece[1] = 0x00;
    std::fill(piece.begin() + 2, piece.begin() + Header_Size, 0xFF);
    Protocol_Write_ISP_Mem_Piece(protocol, 0, piece.data());
    Protocol_Reset_Device(protocol);
    Delay_With_Message_Pump();
    Recreate_Device_List();
    return Poll_Camera(Polls_After_Reset) != Burn_Camera_Search::Stranger;
}

// A list the burn made again holds its cameras in the order they are there now, which a tool
// that hears no device changes does not follow: another camera may stand at the selected index
// (the selected one still away, or one unplugged before it), and that camera must not be
// prepared or burnt. Device changes keep the index on the remembered hub port.
Extension_Unit_Base_Protocol* ZUNQ_USB_CAMDlg::Selected_Protocol() {
    if (!Is_Remembered_Port(Device_List_Get_Info(m_hDeviceList, m_nSelectedDevice)))
        return nullptr;
    return Device_List_Get_Protocol(m_hDeviceList, m_nSelectedDevice);
}

// The place is held before the camera is asked anything: a camera another program burns is
// neither asked nor written.
bool ZUNQ_USB_CAMDlg::Hold_Burn_Place() {
    std::string why;
    m_pBurnHold = platform::Current_Backend()->Hold_Camera_Place(m_strSelectedHubPath.GetString(),
                                                                 m_nSelectedHubPort, why);
    if (m_pBurnHold != nullptr)
        return true;
    std::fprintf(stderr, "zunq_sf_tool: %s\n", why.c_str());
    Refuse_Burn(Place_Held_Message);
    return false;
}

// The camera selected at the press, with what tells it apart: its serial number, its chip and
// its flash part. A selected index where the list has no camera fixes a camera that is none: no
// camera that turns up on the place is taken for it.
void ZUNQ_USB_CAMDlg::Fix_Burn_Camera(Extension_Unit_Base_Protocol* protocol) {
    m_BurnCamera = Burn_Camera{};
    m_BurnCamera.Hub_Path = m_strSelectedHubPath;
    m_BurnCamera.Port = m_nSelectedHubPort;
    m_BurnCamera.Flash_Model = m_nBurnFlashModel;
    if (protocol == nullptr)
        return;
    m_BurnCamera.Serial =
        Device_Record_Text(Device_List_Get_Info(m_hDeviceList, m_nSelectedDevice).Serial_Number);
    m_BurnCamera.Chip = Protocol_Get_Product_Name(protocol);
    m_BurnCamera.Found_In_Generation = m_nListGeneration;
    m_BurnCamera.Found_At = m_nSelectedDevice;
}

// The download image made at the press, before any wait, and the identity it carries read from
// it: the values written, which the record of the burn gives.
void ZUNQ_USB_CAMDlg::Apply_Edits_At_Press() {
    Apply_Config_For_Download(Download_Buffer.get(), Download_Size);
    m_BurnIdentity = {m_strFwVid, m_strFwPid, m_strFwBcd, m_strFwProduct, m_strFwManufacturer, m_strFwSerial};
    if (const auto image = Create_Firmware_Object(Download_Buffer.get(), Download_Size))
        m_BurnIdentity = Image_Identity(*image);
}

// Device changes during the waits replace the list: the camera is looked for on its place in
// the list as it is now. A camera there that is not the burn's (another chip, flash part or
// serial number) is a stranger; one whose flash part does not answer yet is still starting.
// Serial numbers count only where both cameras have one: a chip that restarts from its boot
// code may come back without its strings.
ZUNQ_USB_CAMDlg::Burn_Camera_Search
ZUNQ_USB_CAMDlg::Find_Burn_Camera(Extension_Unit_Base_Protocol*& protocol) {
    protocol = nullptr;
    if (m_BurnCamera.Found_In_Generation == m_nListGeneration) {
        protocol = Device_List_Get_Protocol(m_hDeviceList, m_BurnCamera.Found_At);
        return protocol != nullptr ? Burn_Camera_Search::Found : Burn_Camera_Search::Away;
    }
    const auto backend = platform::Current_Backend();
    for (int i = 0; i < m_nDeviceCount; ++i) {
        const auto index = static_cast<std::uint32_t>(i);
        const Device_Info_Record record = Device_List_Get_Info(m_hDeviceList, index);
        if (!backend->Same_Camera_Place(Device_Record_Text(record.Hub_Port_Path).GetString(),
                                        record.Port_Number, m_BurnCamera.Hub_Path.GetString(),
                                        m_BurnCamera.Port))
            continue;
        Extension_Unit_Base_Protocol* candidate = Device_List_Get_Protocol(m_hDeviceList, index);
        const CString serial = Device_Record_Text(record.Serial_Number);
        if (m_BurnCamera.Chip.IsEmpty() || Protocol_Get_Product_Name(candidate) != m_BurnCamera.Chip ||
            (!serial.IsEmpty() && !m_BurnCamera.Serial.IsEmpty() && serial != m_BurnCamera.Serial))
            return Burn_Camera_Search::Stranger;
        int model = 0;
        for (int read = 0; read < Flash_Model_Reads_On_Return && (model & 0xFFFF) == 0; ++read)
            model = Protocol_Get_Flash_Model(candidate);
        if ((model & 0xFFFF) == 0)
            return Burn_Camera_Search::Away;
        if (model != m_BurnCamera.Flash_Model)
            return Burn_Camera_Search::Stranger;
        m_BurnCamera.Found_In_Generation = m_nListGeneration;
        m_BurnCamera.Found_At = index;
        protocol = candidate;
        return Burn_Camera_Search::Found;
    }
    return Burn_Camera_Search::Away;
}

// The list is read afresh on every try: device changes handled during the waits replace it.
ZUNQ_USB_CAMDlg::Burn_Camera_Search ZUNQ_USB_CAMDlg::Poll_Camera(int tries) {
    for (int tried = 0; tried < tries; ++tried) {
        Extension_Unit_Base_Protocol* protocol = nullptr;
        const Burn_Camera_Search search = Find_Burn_Camera(protocol);
        if (search == Burn_Camera_Search::Stranger) {
            Fail_On_Stranger();
            return search;
        }
        Delay_With_Message_Pump();
        if (search == Burn_Camera_Search::Found)
            return search;
    }
    return Burn_Camera_Search::Away;
}

// As a camera that does not come back, but said at once: the camera on the place is another
// one, and nothing is written into it.
void ZUNQ_USB_CAMDlg::Fail_On_Stranger() {
    Append_Log(Burn_Failure_Lines());
    Refuse_Burn(Stranger_Message);
}

// The waits may have replaced the device list: the worker gets the protocol of the burn's
// camera in the list as it is now, which stays until the worker has ended (device changes wait
// for it). A camera that did not come back leaves none, and the download fails at once.
bool ZUNQ_USB_CAMDlg::Start_Download() {
    Extension_Unit_Base_Protocol* protocol = nullptr;
    if (Find_Burn_Camera(protocol) == Burn_Camera_Search::Stranger) {
        Fail_On_Stranger();
        return false;
    }
    m_pBurnProtocol = protocol;
    Store_Download_Progress(0);
    Download_Result.store(0);
    m_bBurnOutcomeShown = false;
    m_bBurnSucceeded = false;
    m_eBurnStage = Burn_Stage::Downloading;
    SetTimer(Burn_Timer_Id, Burn_Timer_Period_Ms);
    m_BurnThreads.Start(m_pBurnProtocol, m_Progress);
    return true;
}

void ZUNQ_USB_CAMDlg::Set_Download_Button(const char* text, BOOL enabled) {
    CWnd* button = GetDlgItem(1009);
    button->SetWindowText(text);
    button->EnableWindow(enabled);
}

void ZUNQ_USB_CAMDlg::Give_Download_Button_Back() {
    Set_Download_Button(Download_Text, TRUE);
}

void ZUNQ_USB_CAMDlg::End_Burn() {
    const bool reached_download = m_eBurnStage == Burn_Stage::Downloading;
    m_eBurnStage = Burn_Stage::Idle;
    m_pBurnProtocol = nullptr;
    m_pBurnHold.reset();
    m_BurnCamera = Burn_Camera{};
    Lock_Burn_Inputs(false);
    for (const UINT event : std::exchange(m_DeferredDeviceChanges, {}))
        OnDeviceChange(event, 0);
    if (std::exchange(m_bSignalWaitedForBurn, false))
        Tell_Outcome_After_Signal(reached_download && m_bBurnSucceeded);
    if (std::exchange(m_bCloseAfterBurn, false))
        CDialogEx::OnCancel();
}

// Nobody sees the window once a termination signal has ended the tool: the outcome of the burn
// it waited for goes to standard error, and the exit status says whether the camera took it.
void ZUNQ_USB_CAMDlg::Tell_Outcome_After_Signal(bool succeeded) {
    if (succeeded) {
        std::fputs("zunq_sf_tool: the burn under way when the tool was asked to end succeeded\n", stderr);
        return;
    }
    const CString why = !m_strBurnFailure.IsEmpty()
                            ? m_strBurnFailure
                            : CString(Download_Failure_Message(Download_Result.load()));
    std::fprintf(stderr, "zunq_sf_tool: the burn under way when the tool was asked to end failed: %s\n",
                 why.GetString());
    theApp.m_nExitStatus = Burn_Failed_Exit_Status;
}

void ZUNQ_USB_CAMDlg::Append_Log(const char* text) {
    CWnd* log = GetDlgItem(1068);
    if (static_cast<std::size_t>(log->GetWindowTextLength()) + std::strlen(text) > Log_Box_Most) {
        CString shown;
        log->GetWindowText(shown);
        const std::string_view lines(shown.GetString(), static_cast<std::size_t>(shown.GetLength()));
        std::size_t cut = lines.size() - std::min(lines.size(), Log_Box_Most / 2);
        if (cut > 0 && lines[cut - 1] != '\n') { // from the next whole line on
            const std::size_t line_end = lines.find('\n', cut);
            cut = line_end == std::string_view::npos ? lines.size() : line_end + 1;
        }
        log->SendMessage(EM_SETSEL, 0, static_cast<LPARAM>(cut));
        log->SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    }
    const auto end = static_cast<WPARAM>(log->GetWindowTextLength());
    log->SendMessage(EM_SETSEL, end, static_cast<LPARAM>(end));
    log->SendMessage(EM_SCROLLCARET);
    log->SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void ZUNQ_USB_CAMDlg::Load_Burn_Glyphs() {
    std::string shown;
    for (const char* text : {Image_Loaded_Line, Flash_Unknown_Lines, Burn_Start_Lines, Check_Failed_Lines,
                             Close_After_Burn_Line, Burn_Outcome_Lines(), Downloading_Text, "0123456789%"})
        shown += text;
    zunq::ui::Load_Glyphs(*GetDlgItem(1068), shown.c_str());
}

// The close box, and a termination signal, during a burn: the dialog closes once it is over,
// so no thread outlives it and the camera is not left half written.
void ZUNQ_USB_CAMDlg::OnCancel() {
    if (!Is_Burn_Under_Way()) {
        CDialogEx::OnCancel();
        return;
    }
    if (zunq::ui::Termination_Noted())
        m_bSignalWaitedForBurn = true;
    if (!std::exchange(m_bCloseAfterBurn, true))
        Append_Log(Close_After_Burn_Line);
}

// The image the burn reads stays as it is until the burn is over.
bool ZUNQ_USB_CAMDlg::Refuse_Load_During_Burn() {
    if (!Is_Burn_Under_Way())
        return false;
    AfxMessageBox(Load_During_Burn_Message);
    return true;
}
