// Dialogs built from the resource templates, the file dialog, message boxes and the
// application object.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/cwnd.h"
#include "platform/ui/dialog_template.h"

class QEventLoop;

class CDialog : public CWnd {
public:
    // The dialog of template `template_id`; `parent` owns it when it is created.
    explicit CDialog(UINT template_id, CWnd* parent = nullptr);
    ~CDialog() override;

    // Builds the window, runs OnInitDialog and runs the dialog modally through the dialog
    // services until EndDialog; the window is destroyed before it returns the result.
    virtual INT_PTR DoModal();
    // Builds the window modeless under `parent` (a page under its tab control, a notice
    // under its dialog) and runs OnInitDialog; shown when the template says WS_VISIBLE.
    virtual BOOL Create(UINT template_id, CWnd* parent = nullptr);
    BOOL DestroyWindow();

    virtual BOOL OnInitDialog(); // shows the members (UpdateData(FALSE)); TRUE
    virtual void OnOK();         // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel();     // EndDialog(IDCANCEL)
    // Ends a modal dialog with `result`; hides a modeless one.
    void EndDialog(int result);

    UINT Template_Id() const { return template_id_; }
    // True between DoModal's start of the modal run and EndDialog.
    bool Is_Modal_Running() const { return modal_running_; }
    int Modal_Result() const { return result_; }
    // The event loop of a running modal dialog, for the dialog services.
    QEventLoop* Modal_Loop = nullptr;

    void Detach_Widget() override;

protected:
    zunq::ui::Dialog_Parts* Parts() const override { return parts_.get(); }
    DECLARE_MESSAGE_MAP()

private:
    bool Build_Window(UINT template_id, CWnd* parent, bool modal);

    UINT template_id_;
    CWnd* parent_;
    std::unique_ptr<zunq::ui::Dialog_Parts> parts_;
    int result_ = IDCANCEL;
    bool modal_running_ = false;
};

class CDialogEx : public CDialog {
public:
    using CDialog::CDialog;

protected:
    DECLARE_MESSAGE_MAP()
};

// The open and save file dialog, through the dialog services (scriptable in tests).
class CFileDialog {
public:
    // `filter` in the Windows form "Text files(*.bin)|*.bin|".
    explicit CFileDialog(BOOL open_file_dialog, LPCTSTR default_extension = nullptr,
                         LPCTSTR file_name = nullptr, DWORD flags = 0, LPCTSTR filter = nullptr,
                         CWnd* parent = nullptr, DWORD size = 0, BOOL vista_style = TRUE);
    virtual ~CFileDialog() = default;
    virtual INT_PTR DoModal(); // IDOK with a chosen path, else IDCANCEL
    CString GetPathName() const { return path_; }

private:
    bool open_;
    std::string default_extension_;
    std::string file_name_;
    std::string filter_;
    CString path_;
};

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(LPCTSTR app_name = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    HICON LoadIcon(UINT id) const;
    void SetRegistryKey(LPCTSTR key);
    // The tool ships no help file, so there is nothing for the help command to open.
    void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
    CString m_strAppName;
    CString m_strRegistryKey;

protected:
    DECLARE_MESSAGE_MAP()
};

inline constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;

CWinApp* AfxGetApp();

// A message box on the user-interface thread, through the dialog services. From another
// thread the box is shown on the user-interface thread and the caller waits for the
// answer (IDCANCEL when the user-interface thread has gone).
int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT help_id = 0);

// The class library's program start: makes the Qt application, installs the desktop
// dialog services and the resource tables, and runs the application object's
// InitInstance; the process ends when it returns.
int AfxWinMain(int argc, char** argv, const zunq::ui::Resource_Tables& resources);

// Registers `recipient` for device-change notifications of the filter's interface class
// (a DEV_BROADCAST_DEVICEINTERFACE_A). Null when no device-change source is installed or
// the source cannot watch.
HDEVNOTIFY RegisterDeviceNotificationA(HWND recipient, const void* filter, DWORD flags);
BOOL UnregisterDeviceNotification(HDEVNOTIFY handle);

namespace zunq::ui {
// Has `painted` called once, on the user-interface thread, after the application's main window
// (CWinApp::m_pMainWnd) has been painted for the first time, its controls with it. Set before
// AfxWinMain; how a program tells another one that its window is up.
void Call_When_Main_Window_First_Painted(std::function<void()> painted);

// Makes SIGINT (a terminal's Ctrl+C), SIGTERM, SIGHUP (the terminal closed) and SIGQUIT
// (Ctrl+\) reach the application's main window as its close box does, on the user-interface
// thread, so that the program ends the way closing its dialog ends it: handlers run,
// destructors release what the program holds. Message boxes, file dialogs and modal dialogs
// open then are ended as their Escape key or close box ends them, and those shown afterwards
// answer so at once, so none holds the program up. Call it as early
// as the program can (a signal before the main window is up closes it once it is): before
// static initialisation too (from the program's .preinit_array: before the application exists
// it only installs the handlers, and needs nothing constructed), then again once the
// application exists, or only then, on its user-interface thread. The four signals are
// unblocked once their handlers are installed, so a parent may start the program with them
// blocked and lose none that it sends during the start.
void Close_Main_Window_On_Termination_Signals();

// True from the moment a termination signal reaches the user-interface thread until the modal
// run of the main dialog it ends is over: the program is ending, and no box or dialog waits for
// an answer. User-interface thread only.
bool Termination_Noted();

// Waits `milliseconds` by the dialog services' clock while the user-interface thread keeps
// handling its events (timers, device changes, clicks).
void Wait_Dispatching(UINT milliseconds);

// Lays out and draws `text` once, off-screen, in `control`'s font, so that the controls in that
// font later show its characters without loading their glyphs first (for a line of Chinese
// text, font work that costs more than the paint it holds up).
void Load_Glyphs(CWnd& control, const char* text);
} // namespace zunq::ui
