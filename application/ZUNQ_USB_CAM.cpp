#include "ZUNQ_USB_CAM.h"

#include "ZUNQ_USB_CAMDlg.h"

ZUNQ_USB_CAMApp theApp;

BEGIN_MESSAGE_MAP(ZUNQ_USB_CAMApp, CWinApp)
ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

ZUNQ_USB_CAMApp::ZUNQ_USB_CAMApp() {
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

// Runs the main dialog until its close box; returning FALSE ends the process without a
// message loop of the application's own.
BOOL ZUNQ_USB_CAMApp::InitInstance() {
    CWinApp::InitInstance();
    SetRegistryKey("应用程序向导生成的本地应用程序");
    ZUNQ_USB_CAMDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
