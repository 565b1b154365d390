// Dialogs, the file dialog, the application object, program start and device-change
// registration.
#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/ui/detail.h"
#include "platform/ui/services.h"

using zunq::ui::Services;

// ---- CDialog.

namespace {

// The modal dialogs running, innermost last, so that a termination signal can end them all.
std::vector<CDialog*>& Modal_Dialogs() {
    static std::vector<CDialog*> running;
    return running;
}

void Forget_Termination_Signal();

} // namespace

CDialog::CDialog(UINT template_id, CWnd* parent) : template_id_(template_id), parent_(parent) {}

CDialog::~CDialog() {
    DestroyWindow();
}

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CDialogEx, CDialog)
END_MESSAGE_MAP()

bool CDialog::Build_Window(UINT template_id, CWnd* parent, bool modal) {
    const auto* dialog_template =
        zunq::ui::Find_Dialog_Template(zunq::ui::Resources(), static_cast<int>(template_id));
    if (dialog_template == nullptr || Widget() != nullptr) {
        return false;
    }
    template_id_ = template_id;
    parent_ = parent;
    QWidget* parent_widget = parent != nullptr ? parent->Widget() : nullptr;
    if (parent_widget == nullptr && AfxGetApp() != nullptr && AfxGetApp()->m_pMainWnd != nullptr &&
        AfxGetApp()->m_pMainWnd != this) {
        parent_widget =
            AfxGetApp()->m_pMainWnd->Widget(); // a dialog without a parent is owned by the main window
    }
    parts_ = zunq::ui::Build_Dialog(*dialog_template, *this, parent_widget, modal);
    Attach_Widget(parts_->window, 0);
    return true;
}

INT_PTR CDialog::DoModal() {
    // A termination signal is ending the run of the dialogs open: nobody is left to answer.
    if (zunq::ui::Termination_Noted()) {
        return IDCANCEL;
    }
    if (!Build_Window(template_id_, parent_, true)) {
        return -1;
    }
    result_ = IDCANCEL;
    modal_running_ = true;
    Modal_Dialogs().push_back(this);
    OnInitDialog();
    if (modal_running_ && Widget() != nullptr) {
        if ((parts_->dialog_template->style & DS_CENTER) != 0) {
            CenterWindow();
        }
        Widget()->show();
        Services().Run_Modal(*this);
    }
    std::erase(Modal_Dialogs(), this);
    if (Modal_Dialogs().empty()) {
        Forget_Termination_Signal(); // the run it ended is over; the caller goes on as after a close
    }
    modal_running_ = false;
    const int result = result_;
    DestroyWindow();
    return result;
}

BOOL CDialog::Create(UINT template_id, CWnd* parent) {
    if (!Build_Window(template_id, parent, false)) {
        return FALSE;
    }
    const DWORD style = parts_->dialog_template->style;
    OnInitDialog();
    if (Widget() != nullptr) {
        if ((style & DS_CENTER) != 0) {
            CenterWindow();
        }
        Widget()->setVisible((style & WS_VISIBLE) != 0);
    }
    return TRUE;
}

void CDialog::Detach_Widget() {
    if (parts_) {
        parts_->Detach_All();
    }
    Services().Kill_Timers(*this);
    zunq::ui::Forget_Device_Registrations(*this);
    CWnd::Detach_Widget();
    parts_.reset();
    if (modal_running_) {
        modal_running_ = false;
        if (Modal_Loop != nullptr) {
            Modal_Loop->quit();
        }
    }
}

BOOL CDialog::DestroyWindow() {
    QWidget* window = Widget();
    if (window == nullptr) {
        return FALSE;
    }
    zunq::ui::Release_Dialog_Window(window);
    Detach_Widget();
    // A handler of one of the window's own controls may end it; the widgets then go once
    // the control's signal has returned.
    if (zunq::ui::In_Notification()) {
        window->hide();
        window->deleteLater();
    } else {
        delete window;
    }
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int result) {
    result_ = result;
    if (modal_running_) {
        modal_running_ = false;
        if (Modal_Loop != nullptr) {
            Modal_Loop->quit();
        }
        return;
    }
    ShowWindow(SW_HIDE); // a modeless dialog only hides
}

// ---- CFileDialog.

CFileDialog::CFileDialog(BOOL open_file_dialog, LPCTSTR default_extension, LPCTSTR file_name, DWORD,
                         LPCTSTR filter, CWnd*, DWORD, BOOL)
    : open_(open_file_dialog != FALSE),
      default_extension_(default_extension != nullptr ? default_extension : ""),
      file_name_(file_name != nullptr ? file_name : ""), filter_(filter != nullptr ? filter : "") {}

INT_PTR CFileDialog::DoModal() {
    if (zunq::ui::Termination_Noted()) {
        return IDCANCEL;
    }
    zunq::ui::File_Dialog_Request request;
    request.open = open_;
    request.default_extension = default_extension_;
    request.initial_name = file_name_;
    request.filter = filter_;
    const auto chosen = Services().Choose_File(request);
    if (!chosen) {
        return IDCANCEL;
    }
    path_ = *chosen;
    return IDOK;
}

// ---- CWinApp.

namespace {
CWinApp* the_app = nullptr;
} // namespace

CWinApp::CWinApp(LPCTSTR app_name) : m_strAppName(app_name) {
    the_app = this;
}

CWinApp::~CWinApp() {
    if (the_app == this) {
        the_app = nullptr;
    }
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

HICON CWinApp::LoadIcon(UINT id) const {
    // Icons are made once per process from their pixel tables and kept.
    static std::map<UINT, std::unique_ptr<zunq::ui::Icon_Object>> icons;
    if (auto found = icons.find(id); found != icons.end()) {
        return found->second.get();
    }
    const auto* resource = zunq::ui::Find_Icon(zunq::ui::Resources(), static_cast<int>(id));
    if (resource == nullptr) {
        return nullptr;
    }
    QImage image(resource->width, resource->height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < resource->height && y < static_cast<int>(resource->rows.size()); ++y) {
        const std::string_view row = resource->rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < resource->width && x < static_cast<int>(row.size()); ++x) {
            const int colour = row[static_cast<std::size_t>(x)] - 'a';
            if (colour >= 0 && colour < static_cast<int>(resource->palette.size())) {
                image.setPixel(x, y, resource->palette[static_cast<std::size_t>(colour)]);
            }
        }
    }
    auto icon = std::make_unique<zunq::ui::Icon_Object>();
    icon->pixmap = QPixmap::fromImage(image.scaled(32, 32, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    icon->icon = QIcon(icon->pixmap);
    icon->icon.addPixmap(
        QPixmap::fromImage(image.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    return icons.emplace(id, std::move(icon)).first->second.get();
}

void CWinApp::SetRegistryKey(LPCTSTR key) {
    m_strRegistryKey = key;
}

CWinApp* AfxGetApp() {
    return the_app;
}

int AfxMessageBox(LPCTSTR text, UINT type, UINT) {
    return zunq::ui::Show_Message_Box(text, nullptr, type);
}

namespace {

std::function<void()>& First_Paint_Callback() {
    static std::function<void()> painted;
    return painted;
}

// Watches every paint until the main window's first: the window paints itself and then its
// controls in the same pass, so the call waits for the next turn of the event loop.
class First_Paint_Watch final : public QObject {
public:
    explicit First_Paint_Watch(QObject* owner) : QObject(owner) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        const CWinApp* app = AfxGetApp();
        if (event->type() == QEvent::Paint && app != nullptr && app->m_pMainWnd != nullptr &&
            watched == app->m_pMainWnd->Widget()) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                std::exchange(First_Paint_Callback(), nullptr)();
                deleteLater();
            });
        }
        return false;
    }
};

} // namespace

void zunq::ui::Call_When_Main_Window_First_Painted(std::function<void()> painted) {
    First_Paint_Callback() = std::move(painted);
}

namespace {

// The termination signals reach the user-interface thread through a pipe: the handler only
// writes a byte to it (all a handler may safely do), and a notifier of the event loop reads it.
// The handlers are installed at once; a signal that comes before the event loop runs waits in
// the pipe and closes the main window as soon as it is up.
int signal_pipe[2] = {-1, -1};
QPointer<QSocketNotifier> signal_notifier; // goes with the application
bool termination_noted = false;            // user-interface thread only

extern "C" void Note_Termination_Signal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
    errno = saved;
}

// Nobody may be there to answer what the program shows, so every box and dialog open ends as
// its Escape key or close box ends it, and any shown later answers at once (Termination_Noted);
// code after them goes on as after a cancel. Their modal loops return once this handler has.
// The main window is closed last, as its close box closes it (after a burn under way).
void Close_Main_Window() {
    char bytes[16];
    while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
    }
    const CWinApp* app = AfxGetApp();
    CWnd* main_window = app != nullptr ? app->m_pMainWnd : nullptr;
    const std::vector<CDialog*> running = Modal_Dialogs();
    if (main_window == nullptr && running.empty()) {
        return; // nothing runs that the signal could end
    }
    termination_noted = true;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && (qobject_cast<QMessageBox*>(window) != nullptr ||
                                    qobject_cast<QFileDialog*>(window) != nullptr)) {
            static_cast<QDialog*>(window)->reject();
        }
    }
    for (auto inner = running.rbegin(); inner != running.rend(); ++inner) {
        if (*inner != main_window) {
            (*inner)->Send_To_Map(WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    }
    if (main_window != nullptr) {
        main_window->Send_To_Map(WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

// Touches nothing that static initialisation makes, so that a program can call it before
// that (from its .preinit_array). A parent may have started the program with the signals
// blocked, so that none is lost before the handlers are in place: they are unblocked once
// the handlers are, and one already pending is handled then.
void Catch_Termination_Signals() {
    if (signal_pipe[0] >= 0 || pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = Note_Termination_Signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A closed terminal (SIGHUP) and SIGQUIT end the program as the others do: at once, they
    // would leave a camera half written and without its kernel driver.
    sigset_t handled;
    sigemptyset(&handled);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaction(signal, &action, nullptr);
        sigaddset(&handled, signal);
    }
    pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
}

// User-interface thread, once the application exists.
void Watch_Termination_Signals() {
    if (signal_pipe[0] < 0 || signal_notifier != nullptr) {
        return;
    }
    signal_notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(signal_notifier, &QSocketNotifier::activated, qApp, [] { Close_Main_Window(); });
}

void Forget_Termination_Signal() {
    termination_noted = false;
}

} // namespace

bool zunq::ui::Termination_Noted() {
    return termination_noted;
}

void zunq::ui::Close_Main_Window_On_Termination_Signals() {
    Catch_Termination_Signals();
    if (qApp != nullptr) {
        Watch_Termination_Signals();
    }
}

int AfxWinMain(int argc, char** argv, const zunq::ui::Resource_Tables& resources) {
    QApplication application(argc, argv);
    // The modal loops end the program, not the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);
    if (First_Paint_Callback())
        application.installEventFilter(new First_Paint_Watch(&application));
    zunq::ui::Ensure_Ui_Dispatcher();
    zunq::ui::Keep_Painting_On_One_Helper();
    Watch_Termination_Signals();
    zunq::ui::Install_Resources(resources);
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return 1;
    }
    if (app->InitInstance() != FALSE) {
        QApplication::exec();
    }
    return app->ExitInstance();
}

// ---- Device-change registration.

namespace zunq::ui {

namespace {

class Device_Hub : public Device_Change_Sink {
public:
    void Device_Changed(const Device_Change& change) override {
        Post_To_Ui([this, change] { Deliver(change); });
    }

    void Use(Device_Change_Source* source) {
        if (source_ != nullptr && started_) {
            source_->Stop();
        }
        source_ = source;
        started_ = false;
        registrations_.clear();
    }

    HDEVNOTIFY Register(CWnd& window, const Guid& interface_class) {
        if (source_ == nullptr) {
            return nullptr;
        }
        if (!started_) {
            started_ = source_->Start(*this);
            if (!started_) {
                return nullptr;
            }
        }
        registrations_.push_back({&window, interface_class, window.Lifetime_Token(), next_handle_});
        return reinterpret_cast<HDEVNOTIFY>(static_cast<std::uintptr_t>(next_handle_++));
    }

    bool Unregister(HDEVNOTIFY handle) {
        const auto before = registrations_.size();
        std::erase_if(registrations_,
                      [&](const auto& r) { return reinterpret_cast<HDEVNOTIFY>(r.handle) == handle; });
        return registrations_.size() != before;
    }

    void Forget(CWnd& window) {
        std::erase_if(registrations_, [&](const auto& r) { return r.window == &window; });
    }

private:
    struct Registration {
        CWnd* window;
        Guid interface_class;
        std::weak_ptr<void> alive;
        std::uintptr_t handle;
    };

    void Deliver(const Device_Change& change) {
        // A handler may register or unregister; walk a copy and check each is still there.
        const auto registrations = registrations_;
        for (const auto& r : registrations) {
            const bool still_registered =
                std::any_of(registrations_.begin(), registrations_.end(),
                            [&](const auto& now) { return now.handle == r.handle; });
            if (!still_registered || r.alive.expired() || r.interface_class != change.interface_class) {
                continue;
            }
            std::vector<char> record(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + change.device_name.size());
            auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(record.data());
            header->dbcc_size = static_cast<DWORD>(record.size());
            header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            header->dbcc_classguid = change.interface_class;
            std::copy(change.device_name.begin(), change.device_name.end(), header->dbcc_name);
            r.window->Send_To_Map(WM_DEVICECHANGE, change.event_type,
                                  reinterpret_cast<LPARAM>(record.data()));
        }
    }

    Device_Change_Source* source_ = nullptr;
    bool started_ = false;
    std::vector<Registration> registrations_;
    std::uintptr_t next_handle_ = 1;
};

// Lives for the process: a source may still report from its thread while the program ends.
Device_Hub& Hub() {
    static auto* hub = new Device_Hub();
    return *hub;
}

} // namespace

void Install_Device_Change_Source(Device_Change_Source* source) {
    Hub().Use(source);
}

void Forget_Device_Registrations(CWnd& window) {
    Hub().Forget(window);
}

void Deliver_Timer(CWnd& window, UINT_PTR id) {
    window.Send_To_Map(WM_TIMER, id, 0);
}

void Wait_Dispatching(UINT milliseconds) {
    Services().Wait_Dispatching(milliseconds);
}

} // namespace zunq::ui

HDEVNOTIFY RegisterDeviceNotificationA(HWND recipient, const void* filter, DWORD) {
    const auto* header = static_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(filter);
    if (recipient == nullptr || header == nullptr || header->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
        return nullptr;
    }
    return zunq::ui::Hub().Register(*recipient, header->dbcc_classguid);
}

BOOL UnregisterDeviceNotification(HDEVNOTIFY handle) {
    return zunq::ui::Hub().Unregister(handle) ? TRUE : FALSE;
}
