// The main dialog's set-up, its message map and its small handlers.
#include "ZUNQ_USB_CAMDlg.h"

#include "Choose_Backend.h"
#include "Dialog_Keys.h"
#include "Trace_Log.h"

namespace {

constexpr const char* Window_Title = "ZUNQ SF Tool V4.120";
constexpr const char* Flash_Name_Face = "黑体";
constexpr const char* Trace_Log_File = "log.txt";
constexpr const char* Settings_File = "./info.ini";

// The pages start this far below the tab control's top (at 96 pixels per inch), clear of its
// tab strip, which is taller on screens wider than 1920 pixels.
constexpr int Page_Offset_At_96_Ppi(int screen_width) {
    return screen_width > 1920 ? 25 : 20;
}

} // namespace

ZUNQ_USB_CAMDlg::ZUNQ_USB_CAMDlg(CWnd* pParent) : CDialogEx(IDD_ZUNQ_USB_CAM_DIALOG, pParent) {
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

ZUNQ_USB_CAMDlg::~ZUNQ_USB_CAMDlg() {
    // A burn still under way (the dialog is closed only after one, but may be destroyed
    // otherwise) is waited for: no thread outlives the dialog, nor uses the list released here.
    KillTimer(Burn_Timer_Id);
    m_BurnThreads.Join();
    Device_List_Release(m_hDeviceList);
}

BEGIN_MESSAGE_MAP(ZUNQ_USB_CAMDlg, CDialogEx)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(1001, &ZUNQ_USB_CAMDlg::OnBnClickedLoadBin)
ON_LBN_SELCHANGE(1016, &ZUNQ_USB_CAMDlg::OnLbnSelchangeCameraList)
ON_BN_CLICKED(1086, &ZUNQ_USB_CAMDlg::OnBnClickedUserConfig)
ON_BN_CLICKED(1087, &ZUNQ_USB_CAMDlg::OnBnClickedParamConfig)
ON_WM_GETMINMAXINFO()
ON_WM_DEVICECHANGE()
ON_WM_DROPFILES()
ON_WM_SIZE()
ON_WM_CTLCOLOR()
ON_NOTIFY(TCN_SELCHANGE, 1122, &ZUNQ_USB_CAMDlg::OnTcnSelchangeTab)
ON_BN_CLICKED(1009, &ZUNQ_USB_CAMDlg::OnBnClickedDownload)
ON_WM_TIMER()
END_MESSAGE_MAP()

void ZUNQ_USB_CAMDlg::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, 1018, m_stDeviceVid);
    DDX_Control(pDX, 1019, m_stDevicePid);
    DDX_Control(pDX, 1020, m_stDeviceBcd);
    DDX_Control(pDX, 1021, m_stDeviceProduct);
    DDX_Control(pDX, 1022, m_stDeviceManufacturer);
    DDX_Control(pDX, 1023, m_stDeviceSerial);
    DDX_Control(pDX, 1016, m_CameraList);
    DDX_Control(pDX, 1063, m_Progress);
    DDX_Control(pDX, 1122, m_Tab);
    DDX_Text(pDX, 1024, m_strFwVid);
    DDX_Text(pDX, 1025, m_strFwPid);
    DDX_Text(pDX, 1026, m_strFwBcd);
    DDX_Text(pDX, 1027, m_strFwProduct);
    DDX_Text(pDX, 1028, m_strFwManufacturer);
    DDX_Text(pDX, 1029, m_strFwSerial);
    DDX_Text(pDX, 1074, m_strPathEdit);
    DDX_Text(pDX, 1141, m_strFlashName);
}

BOOL ZUNQ_USB_CAMDlg::PreTranslateMessage(MSG* pMsg) {
    if (Is_Enter_Or_Escape(pMsg))
        return TRUE;
    return CDialogEx::PreTranslateMessage(pMsg);
}

BOOL ZUNQ_USB_CAMDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    Add_About_Item();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_Tab.InsertItem(0, "用户配置");
    Create_Pages_And_Notices();
    Place_Pages();
    m_Page1.Reset_Page();
    for (int id : {1080, 1078, 1079}) // the external ID shows only for an image that has one
        m_Page1.GetDlgItem(id)->ShowWindow(SW_HIDE);
    // The image of the last successful burn comes back while it still carries what was burnt.
    Init_Key_Table();
    Load_Ini_Firmware(Settings_File);
    Open_Trace_Log(Trace_Log_File);
    m_hDeviceList = Device_List_Create();
    m_nDeviceCount = Device_List_Refresh(m_hDeviceList);
    SetWindowText(Window_Title);
    Fill_Camera_List();
    // Without device-change notifications the list is not refreshed on plugging, but the
    // dialog is still set up whole: the flash name and the camera found are shown.
    Register_For_Video_Device_Changes();
    Set_Flash_Name_Font();
    Load_Burn_Glyphs();
    UpdateData(FALSE);
    Append_Log(Start_Up_Notice().c_str()); // the cameras the start found it cannot reach
    return TRUE;
}

void ZUNQ_USB_CAMDlg::Add_About_Item() {
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu == nullptr)
        return;
    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (strAboutMenu.IsEmpty())
        return;
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
}

void ZUNQ_USB_CAMDlg::Create_Pages_And_Notices() {
    m_Page1.Create(IDD_DIALOG1, &m_Tab);
    m_Page2.Create(IDD_DIALOG2, &m_Tab);
    m_Page3.Create(IDD_DIALOG3, &m_Tab);
    m_FlashErrorDlg.Create(IDD_DIALOG4, this);
    m_FlashListDlg.Create(IDD_DIALOG5, this);
}

void ZUNQ_USB_CAMDlg::Place_Pages() {
    CClientDC dc(this);
    m_nDpi = dc.GetDeviceCaps(LOGPIXELSX);
    CRect rcPages;
    m_Tab.GetClientRect(&rcPages);
    rcPages.top += m_nDpi * Page_Offset_At_96_Ppi(GetSystemMetrics(SM_CXSCREEN)) / 96;
    for (CDialog* page :
         {static_cast<CDialog*>(&m_Page1), static_cast<CDialog*>(&m_Page2), static_cast<CDialog*>(&m_Page3)})
        page->MoveWindow(&rcPages, TRUE);
    Show_Page(0);
}

bool ZUNQ_USB_CAMDlg::Register_For_Video_Device_Changes() {
    DEV_BROADCAST_DEVICEINTERFACE_A filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = KSCATEGORY_VIDEO;
    return RegisterDeviceNotificationA(this, &filter, DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr;
}

// 9 points on a 1920-pixel-wide screen, in proportion on others.
void ZUNQ_USB_CAMDlg::Set_Flash_Name_Font() {
    m_FlashNameFont.CreatePointFont(GetSystemMetrics(SM_CXSCREEN) * 90 / 1920, Flash_Name_Face);
    GetDlgItem(1141)->SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(m_FlashNameFont.GetSafeHandle()),
                                  TRUE);
}

void ZUNQ_USB_CAMDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialogEx::OnSysCommand(nID, lParam);
    }
}

// Minimised, the dialog draws its icon centred in its client area.
void ZUNQ_USB_CAMDlg::OnPaint() {
    if (!IsIconic()) {
        CDialogEx::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR ZUNQ_USB_CAMDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

HBRUSH ZUNQ_USB_CAMDlg::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    HBRUSH hbr = CDialogEx::OnCtlColor(pDC, pWnd, nCtlColor);
    switch (pWnd->GetDlgCtrlID()) {
    case 1074: // the image path
        pDC->SetBkColor(RGB(255, 255, 255));
        pDC->SetTextColor(RGB(0, 0, 0));
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    case 1141: // the flash part's name: red when the part was not recognised
        pDC->SetBkColor(RGB(255, 255, 255));
        pDC->SetTextColor(m_strFlashName == "SF_UNDEFINED" ? RGB(255, 0, 0) : RGB(0, 0, 0));
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    case 1119: // the percentage over the progress bar
        pDC->SetBkMode(TRANSPARENT);
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    default:
        return hbr;
    }
}

void ZUNQ_USB_CAMDlg::OnTcnSelchangeTab(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    Show_Page(static_cast<int>(m_Tab.SendMessage(TCM_GETCURSEL)));
}

void ZUNQ_USB_CAMDlg::Show_Page(int index) {
    CDialog* pages[] = {&m_Page1, &m_Page2, &m_Page3};
    if (index < 0 || index >= 3)
        return;
    for (int i = 0; i < 3; ++i)
        pages[i]->ShowWindow(i == index ? SW_SHOW : SW_HIDE);
}

// The hidden page buttons: they stay hidden and nothing clicks them.
void ZUNQ_USB_CAMDlg::OnBnClickedUserConfig() {
    Show_First_Pages(m_Page1, m_Page2);
}

void ZUNQ_USB_CAMDlg::OnBnClickedParamConfig() {
    Show_First_Pages(m_Page2, m_Page1);
}

void ZUNQ_USB_CAMDlg::Show_First_Pages(CDialog& shown, CDialog& hidden) {
    m_Page1.MoveWindow(&m_rcPage, TRUE);
    m_Page2.MoveWindow(&m_rcPage, TRUE);
    shown.ShowWindow(SW_SHOW);
    hidden.ShowWindow(SW_HIDE);
    GetDlgItem(1085)->ShowWindow(SW_HIDE);
}

void ZUNQ_USB_CAMDlg::OnGetMinMaxInfo(MINMAXINFO* lpMMI) {
    CDialogEx::OnGetMinMaxInfo(lpMMI);
}

void ZUNQ_USB_CAMDlg::OnSize(UINT, int, int) {}

void ZUNQ_USB_CAMDlg::Invalidate_Percent_Label() {
    CRect rcLabel;
    GetDlgItem(1119)->GetWindowRect(&rcLabel);
    ScreenToClient(&rcLabel);
    InvalidateRect(&rcLabel, TRUE);
}
