#include "test_dialogs.h"

#include <string>

namespace zunq::ui::tests {

namespace {
CWinApp test_app("ui-layer-test");

std::string Event(const char* name, long value) {
    return std::string(name) + " " + std::to_string(value);
}
} // namespace

void Start() {
    testing::Start_Headless(resources::Tool_Resources());
}

// ---- Page_Dialog.

BEGIN_MESSAGE_MAP(Page_Dialog, CDialogEx)
ON_EN_CHANGE(1030, &Page_Dialog::OnEnChangeEditVid)
ON_EN_CHANGE(1034, &Page_Dialog::OnEnChangeEditProduct)
ON_BN_CLICKED(1075, &Page_Dialog::OnBnClickedUnlockProduct)
ON_BN_CLICKED(1031, &Page_Dialog::OnBnClickedSave)
END_MESSAGE_MAP()

void Page_Dialog::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Text(dx, 1030, m_strVid);
}

// ---- Main_Dialog.

BEGIN_MESSAGE_MAP(Main_Dialog, CDialogEx)
ON_BN_CLICKED(1009, &Main_Dialog::OnBnClickedDownload)
ON_LBN_SELCHANGE(1016, &Main_Dialog::OnLbnSelchangeCameraList)
ON_NOTIFY(TCN_SELCHANGE, 1122, &Main_Dialog::OnTcnSelchangeTab)
ON_WM_TIMER()
ON_WM_DROPFILES()
ON_WM_DEVICECHANGE()
END_MESSAGE_MAP()

void Main_Dialog::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, 1016, m_CameraList);
    DDX_Control(dx, 1063, m_Progress);
    DDX_Control(dx, 1122, m_Tab);
}

BOOL Main_Dialog::OnInitDialog() {
    CDialogEx::OnInitDialog();
    m_Tab.InsertItem(0, "用户配置");
    m_Page.Create(IDD_DIALOG1, &m_Tab);
    m_Page.ShowWindow(SW_SHOW);
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = KSCATEGORY_VIDEO;
    registered = RegisterDeviceNotificationA(this, &filter, DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr;
    UpdateData(FALSE);
    return TRUE;
}

BOOL Main_Dialog::PreTranslateMessage(MSG* msg) {
    const bool enter_or_escape =
        msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
    return swallow_keys && enter_or_escape ? TRUE : CDialogEx::PreTranslateMessage(msg);
}

void Main_Dialog::OnCancel() {
    events.push_back("cancel");
    CDialogEx::OnCancel();
}

void Main_Dialog::OnBnClickedDownload() {
    events.push_back("BN_CLICKED 1009");
    SetTimer(1, 100, nullptr);
}

void Main_Dialog::OnLbnSelchangeCameraList() {
    events.push_back(Event("LBN_SELCHANGE", m_CameraList.GetCurSel()));
}

void Main_Dialog::OnTcnSelchangeTab(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto selected = static_cast<long>(m_Tab.SendMessage(TCM_GETCURSEL)); // as the tool reads it
    events.push_back(Event("TCN_SELCHANGE", static_cast<long>(header->idFrom) * 10 + selected));
}

void Main_Dialog::OnTimer(UINT_PTR id) {
    events.push_back(Event("WM_TIMER", static_cast<long>(id)));
    CDialogEx::OnTimer(id);
}

void Main_Dialog::OnDropFiles(HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        char name[260];
        DragQueryFileA(drop, i, name, sizeof name);
        dropped.push_back(name);
    }
    DragFinish(drop);
    CDialogEx::OnDropFiles(drop);
}

BOOL Main_Dialog::OnDeviceChange(UINT event_type, DWORD_PTR data) {
    events.push_back(Event("WM_DEVICECHANGE", static_cast<long>(event_type)));
    device_names.push_back(reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(data)->dbcc_name);
    return TRUE;
}

// ---- Notice_Dialog.

BEGIN_MESSAGE_MAP(Notice_Dialog, CDialogEx)
ON_BN_CLICKED(IDOK, &Notice_Dialog::OnBnClickedQuery)
END_MESSAGE_MAP()

// ---- Slider_Page.

BEGIN_MESSAGE_MAP(Slider_Page, CDialog)
ON_WM_HSCROLL()
ON_CBN_SELCHANGE(1116, &Slider_Page::OnCbnSelchangePowerLine)
END_MESSAGE_MAP()

void Slider_Page::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, 1088, m_Brightness);
    DDX_Control(dx, 1116, m_cbPowerLine);
}

void Slider_Page::OnHScroll(UINT code, UINT position, CScrollBar* bar) {
    CDialog::OnHScroll(code, position, bar);
    events.push_back("WM_HSCROLL " + std::to_string(bar->GetDlgCtrlID()) + " " + std::to_string(code) + " " +
                     std::to_string(position));
}

// ---- Format_Page.

BEGIN_MESSAGE_MAP(Format_Page, CDialogEx)
ON_LBN_SELCHANGE(1138, &Format_Page::OnLbnSelchangeResolutionList)
END_MESSAGE_MAP()

void Format_Page::DoDataExchange(CDataExchange* dx) {
    CDialogEx::DoDataExchange(dx);
    DDX_Control(dx, 1138, m_lstResolutions);
}

} // namespace zunq::ui::tests
