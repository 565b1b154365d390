// The user-interface thread's dispatcher, the installed services and resources, and the
// small global calls (stock objects, metrics, local time, CString, message-map lookup).
#include <QApplication>
#include <QFontDatabase>
#include <QSocketNotifier>
#include <QThreadPool>

#include <cerrno>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <strings.h>
#include <thread>
#include <unistd.h>

#include "platform/ui/detail.h"
#include "platform/ui/services.h"

namespace zunq::ui {

// ---- Dispatcher.
//
// Other threads hand work to the user-interface thread through a queue guarded by a
// std::mutex and wake it through a pipe that a socket notifier watches. No Qt object is
// touched off the user-interface thread, and the thread sanitizer sees every hand-over.

namespace {

class Ui_Dispatcher {
public:
    Ui_Dispatcher() : ui_thread_(std::this_thread::get_id()) {
        if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
            pipe_[0] = pipe_[1] = -1;
            return;
        }
        notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, qApp);
        QObject::connect(notifier_, &QSocketNotifier::activated, qApp, [this] { Run(); });
    }

    bool Is_Ui_Thread() const { return std::this_thread::get_id() == ui_thread_; }

    bool Post(std::function<void()> task) {
        if (pipe_[1] < 0) {
            return false;
        }
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        if (!wake_pending_) {
            wake_pending_ = true;
            const char byte = 1;
            while (write(pipe_[1], &byte, 1) < 0 && errno == EINTR) {
            }
        }
        return true;
    }

    void Run() {
        char bytes[64];
        while (read(pipe_[0], bytes, sizeof bytes) > 0) {
        }
        std::deque<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            wake_pending_ = false;
            tasks.swap(tasks_);
        }
        for (auto& task : tasks) {
            task();
        }
    }

private:
    std::thread::id ui_thread_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
    bool wake_pending_ = false;
};

// Made once on the user-interface thread and kept for the life of the process, so a worker
// never meets a dispatcher that is going away.
std::atomic<Ui_Dispatcher*> dispatcher{nullptr};

} // namespace

void Ensure_Ui_Dispatcher() {
    if (dispatcher.load() == nullptr && qApp != nullptr) {
        dispatcher.store(new Ui_Dispatcher());
    }
}

// Qt's raster engine cuts every fill of more than about a hundred spans into pieces, hands
// them to the global thread pool, one thread each, and waits for them all. The dialog's fills
// are small (a log box, a bar, a list): waking a thread per piece and waiting for it costs
// more than the piece, several times over on a host where each wake-up is dear (tens of
// microseconds on a virtual machine), and each repaint of the progress bar paid it. With one
// helper the pieces run one after another on it; the pixels are the same.
void Keep_Painting_On_One_Helper() {
    QThreadPool::globalInstance()->setMaxThreadCount(1);
}

bool Is_Ui_Thread() {
    auto* d = dispatcher.load();
    return d == nullptr || d->Is_Ui_Thread();
}

bool Post_To_Ui(std::function<void()> task) {
    auto* d = dispatcher.load();
    return d != nullptr && d->Post(std::move(task));
}

bool Call_On_Ui(const std::function<void()>& task) {
    if (Is_Ui_Thread()) {
        task();
        return true;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable signal;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    if (!Post_To_Ui([done, &task] {
            task();
            std::lock_guard lock(done->mutex);
            done->done = true;
            done->signal.notify_all();
        })) {
        return false;
    }
    std::unique_lock lock(done->mutex);
    done->signal.wait(lock, [&] { return done->done; });
    return true;
}

void Run_Posted_Tasks() {
    if (auto* d = dispatcher.load()) {
        d->Run();
    }
}

// ---- Installed services and resources.

namespace {
Dialog_Services* installed_services = nullptr;
Resource_Tables installed_resources;
} // namespace

Dialog_Services& Desktop_Services(); // desktop_services.cpp

void Install_Dialog_Services(Dialog_Services* services) {
    installed_services = services;
}

Dialog_Services& Services() {
    return installed_services != nullptr ? *installed_services : Desktop_Services();
}

void Install_Resources(const Resource_Tables& tables) {
    installed_resources = tables;
}

const Resource_Tables& Resources() {
    return installed_resources;
}

const Dialog_Template* Find_Dialog_Template(const Resource_Tables& tables, int id) {
    for (const auto& dialog : tables.dialogs) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}

std::string_view Find_String(const Resource_Tables& tables, int id) {
    for (const auto& entry : tables.strings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

const Icon_Resource* Find_Icon(const Resource_Tables& tables, int id) {
    for (const auto& icon : tables.icons) {
        if (icon.id == id) {
            return &icon;
        }
    }
    return nullptr;
}

std::string Installed_Font_Family(const char* template_face) {
    // Every face the templates name ("MS Shell Dlg", "黑体" ...) must show Chinese text,
    // so all of them map to the first installed family that has the glyphs.
    static const char* const cjk_families[] = {"WenQuanYi Zen Hei", "Noto Sans CJK SC", "Noto Sans SC",
                                               "Droid Sans Fallback"};
    const auto families = QFontDatabase::families();
    for (const char* family : cjk_families) {
        if (families.contains(QString::fromUtf8(family))) {
            return family;
        }
    }
    return template_face != nullptr ? template_face : "";
}

// ---- Text.

QString To_Qt(const char* text) {
    return text != nullptr ? QString::fromUtf8(text) : QString();
}

std::string To_Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

} // namespace zunq::ui

// ---- Global calls.

HGDIOBJ GetStockObject(int object) {
    static const zunq::ui::Brush_Object white{false, QColor(255, 255, 255)};
    static const zunq::ui::Brush_Object hollow{true, QColor()};
    switch (object) {
    case WHITE_BRUSH:
        return &white;
    case NULL_BRUSH:
        return &hollow;
    default:
        return nullptr;
    }
}

int GetSystemMetrics(int index) {
    auto& services = zunq::ui::Services();
    switch (index) {
    case SM_CXSCREEN:
        return services.Screen_Width();
    case SM_CYSCREEN:
        return services.Screen_Height();
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    default:
        return 0;
    }
}

void GetLocalTime(SYSTEMTIME* time) {
    if (time != nullptr) {
        *time = zunq::ui::Services().Local_Time();
    }
}

// ---- CString.

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length < 0) {
        clear();
    } else {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<std::size_t>(length));
        assign(std::move(text));
    }
    va_end(args);
}

BOOL CString::LoadString(UINT id) {
    assign(zunq::ui::Find_String(zunq::ui::Resources(), static_cast<int>(id)));
    return empty() ? FALSE : TRUE;
}

int CString::Replace(char from, char to) {
    int count = 0;
    for (auto& c : *this) {
        if (c == from) {
            c = to;
            ++count;
        }
    }
    return count;
}

int CString::ReverseFind(char c) const {
    const auto at = rfind(c);
    return at == npos ? -1 : static_cast<int>(at);
}

int CString::Find(char c, int start) const {
    if (start < 0) {
        start = 0;
    }
    const auto at = find(c, static_cast<size_type>(start));
    return at == npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    return CString(substr(0, static_cast<size_type>(std::max(count, 0))));
}

CString CString::Mid(int first, int count) const {
    if (first < 0) {
        first = 0;
    }
    if (static_cast<size_type>(first) >= size()) {
        return CString();
    }
    return CString(substr(static_cast<size_type>(first), count < 0 ? npos : static_cast<size_type>(count)));
}

int CString::Compare(const char* other) const {
    return std::strcmp(c_str(), other != nullptr ? other : "");
}

int CString::CompareNoCase(const char* other) const {
    return strcasecmp(c_str(), other != nullptr ? other : "");
}

// ---- Message maps.

const zunq::ui::Message_Map* CCmdTarget::GetThisMessageMap() {
    static const zunq::ui::Message_Map_Entry entries[] = {{0, 0, 0, nullptr}};
    static const zunq::ui::Message_Map map = {nullptr, entries};
    return &map;
}

const zunq::ui::Message_Map* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

bool CCmdTarget::Dispatch_Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (const auto* map = GetMessageMap(); map != nullptr;
         map = map->base != nullptr ? map->base() : nullptr) {
        for (const auto* entry = map->entries; entry->thunk != nullptr; ++entry) {
            if (entry->message != message) {
                continue;
            }
            if (message == WM_COMMAND &&
                (entry->code != HIWORD(wParam) || (entry->id & 0xFFFF) != static_cast<int>(LOWORD(wParam)))) {
                continue;
            }
            if (message == WM_NOTIFY) {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header == nullptr || entry->code != header->code ||
                    static_cast<UINT_PTR>(entry->id) != header->idFrom) {
                    continue;
                }
            }
            result = entry->thunk(this, wParam, lParam);
            return true;
        }
    }
    return false;
}
