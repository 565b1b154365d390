#include "platform/ui/testing/headless.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdlib>

#include "platform/ui/control_widgets.h"
#include "platform/ui/detail.h"

namespace zunq::ui::testing {

namespace {

QWidget* Control(CWnd& dialog, int id) {
    CWnd* item = dialog.GetDlgItem(id);
    return item != nullptr ? item->Widget() : nullptr;
}

void Send_Key(QWidget* widget, int key, const QString& text, Qt::KeyboardModifiers held = Qt::NoModifier) {
    if (widget == nullptr) {
        return;
    }
    QKeyEvent press(QEvent::KeyPress, key, held, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, held, text);
    QApplication::sendEvent(widget, &release);
}

// One mouse event as the window system delivers it: through the application, so filters,
// focus on click and disabled widgets behave as for a real mouse.
void Send_Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held,
                Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const QPointF local(at);
    QMouseEvent event(type, local, QPointF(target->mapTo(target->window(), at)),
                      QPointF(target->mapToGlobal(at)), button, held, keys);
    QApplication::sendEvent(target, &event);
}

void Mouse_Click(QWidget* target, QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    Send_Mouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, keys);
    Send_Mouse(target, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, keys);
}

// Where a user clicks a button: a check box or radio button on its box, others in the middle.
QPoint Click_Point(QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    if (qobject_cast<QRadioButton*>(button) != nullptr) {
        return button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button).center();
    }
    if (qobject_cast<QCheckBox*>(button) != nullptr) {
        return button->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, button).center();
    }
    return button->rect().center();
}

RECT To_Rect(const QRect& r) {
    return RECT{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

} // namespace

void Start_Headless(const Resource_Tables& resources) {
    if (qApp == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "zunq-headless";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // kept for the process: Qt does not support a second one
        QApplication::setQuitOnLastWindowClosed(false);
        Keep_Painting_On_One_Helper();
    }
    Ensure_Ui_Dispatcher();
    Install_Resources(resources);
}

// ---- Scripted_Services.

Scripted_Services::Scripted_Services() : previous_(&Services()) {
    Install_Dialog_Services(this);
}

Scripted_Services::~Scripted_Services() {
    Install_Dialog_Services(previous_);
}

int Scripted_Services::Message_Box(const Message_Box_Request& request) {
    message_boxes.push_back(request);
    return answer_message_box ? answer_message_box(request) : IDOK;
}

std::optional<std::string> Scripted_Services::Choose_File(const File_Dialog_Request& request) {
    file_requests.push_back(request);
    if (file_answers.empty()) {
        return std::nullopt;
    }
    auto answer = file_answers.front();
    file_answers.pop_front();
    return answer;
}

void Scripted_Services::Run_Modal(CDialog& dialog) {
    modal_templates.push_back(dialog.Template_Id());
    if (run_modal) {
        run_modal(dialog);
    }
    Pump();
    if (dialog.Is_Modal_Running()) {
        dialog.EndDialog(IDCANCEL);
    }
}

void Scripted_Services::Set_Timer(CWnd& window, UINT_PTR id, UINT milliseconds) {
    const std::uint64_t period = std::max<UINT>(milliseconds, 1);
    timers_[{&window, id}] = Timer{period, now_ms + period, window.Lifetime_Token()};
}

void Scripted_Services::Kill_Timer(CWnd& window, UINT_PTR id) {
    timers_.erase({&window, id});
}

void Scripted_Services::Kill_Timers(CWnd& window) {
    std::erase_if(timers_, [&](const auto& entry) { return entry.first.first == &window; });
}

bool Scripted_Services::Timer_Running(const CWnd& window, UINT_PTR id) const {
    return timers_.count({&window, id}) != 0;
}

void Scripted_Services::At(std::uint64_t delay_ms, std::function<void()> action) {
    actions_.push_back({now_ms + delay_ms, next_order_++, std::move(action)});
}

void Scripted_Services::Move_Clock_To(std::uint64_t time_ms) {
    if (time_ms <= now_ms) {
        return;
    }
    const std::uint64_t step = time_ms - now_ms;
    now_ms = time_ms;
    if (on_clock_advance) {
        on_clock_advance(step);
        Pump();
    }
}

void Scripted_Services::Advance_Clock(std::uint64_t milliseconds) {
    const std::uint64_t target = now_ms + milliseconds;
    for (;;) {
        // The earliest timer tick or action due by the target; actions first at a tie.
        auto action =
            std::min_element(actions_.begin(), actions_.end(), [](const Action& a, const Action& b) {
                return a.due != b.due ? a.due < b.due : a.order < b.order;
            });
        auto timer = std::min_element(timers_.begin(), timers_.end(), [](const auto& a, const auto& b) {
            return a.second.due < b.second.due;
        });
        const bool action_due = action != actions_.end() && action->due <= target;
        const bool timer_due = timer != timers_.end() && timer->second.due <= target;
        const bool action_first = action_due && (!timer_due || action->due <= timer->second.due);
        if (!action_first && !timer_due) {
            break;
        }
        const std::uint64_t due = action_first ? action->due : timer->second.due;
        if (due > now_ms) {
            // The step first; what it brought may change what is due, so look again.
            Move_Clock_To(due);
            continue;
        }
        if (action_first) {
            auto run = std::move(action->run);
            actions_.erase(action);
            run();
        } else {
            timer->second.due += timer->second.period;
            const auto key = timer->first;
            if (timer->second.alive.expired()) {
                timers_.erase(timer);
                continue;
            }
            Deliver_Timer(*const_cast<CWnd*>(key.first), key.second);
        }
        Pump();
    }
    Move_Clock_To(target);
}

void Scripted_Services::Wait_Dispatching(UINT milliseconds) {
    waits.push_back(milliseconds);
    Pump();
    Advance_Clock(milliseconds);
}

// ---- Scripted_Device_Source.

Scripted_Device_Source::Scripted_Device_Source() {
    Install_Device_Change_Source(this);
}

Scripted_Device_Source::~Scripted_Device_Source() {
    Install_Device_Change_Source(nullptr);
}

bool Scripted_Device_Source::Start(Device_Change_Sink& sink) {
    if (refuse_to_start) {
        return false;
    }
    std::lock_guard lock(mutex_);
    sink_ = &sink;
    return true;
}

void Scripted_Device_Source::Stop() {
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
}

void Scripted_Device_Source::Report(const Device_Change& change) {
    std::lock_guard lock(mutex_);
    if (sink_ != nullptr) {
        sink_->Device_Changed(change);
    }
}

void Scripted_Device_Source::Arrive(const std::string& device_name, const Guid& interface_class) {
    Report({DBT_DEVICEARRIVAL, interface_class, device_name});
}

void Scripted_Device_Source::Remove(const std::string& device_name, const Guid& interface_class) {
    Report({DBT_DEVICEREMOVECOMPLETE, interface_class, device_name});
}

// ---- Pumping.

void Pump() {
    for (int round = 0; round < 3; ++round) {
        Run_Posted_Tasks();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

bool Pump_Until(const std::function<bool()>& done, int timeout_ms) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        Pump();
        if (done()) {
            return true;
        }
        if (clock.elapsed() > timeout_ms) {
            return false;
        }
        QThread::msleep(1);
    }
}

bool Dispatch_Until(const std::function<bool()>& done, int timeout_ms) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                     [&] {
                         if (done()) {
                             loop.quit();
                         }
                     });
    loop.exec();
    return done();
}

// ---- Actions.

void Click(CWnd& dialog, int id) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(dialog, id))) {
        Mouse_Click(button, Click_Point(button));
    }
    Pump();
}

void Click_At(CWnd& dialog, int id, POINT at, bool with_control) {
    QWidget* widget = Control(dialog, id);
    if (auto* view = qobject_cast<QAbstractScrollArea*>(widget)) {
        widget = view->viewport();
    }
    if (widget != nullptr) {
        Mouse_Click(widget, QPoint(at.x, at.y), with_control ? Qt::ControlModifier : Qt::NoModifier);
    }
    Pump();
}

namespace {

// Where typed or pasted text goes: over the whole text (Ctrl+A), or after its end (End, or
// Ctrl+End in a multi-line edit), chosen with the keys a user presses.
QWidget* Place_Cursor(CWnd& dialog, int id, bool replace_all) {
    QWidget* widget = Control(dialog, id);
    if (replace_all) {
        Send_Key(widget, Qt::Key_A, QString(), Qt::ControlModifier);
    } else {
        const bool lines = qobject_cast<QPlainTextEdit*>(widget) != nullptr;
        Send_Key(widget, Qt::Key_End, QString(), lines ? Qt::ControlModifier : Qt::NoModifier);
    }
    return widget;
}

} // namespace

void Type(CWnd& dialog, int id, std::string_view text, bool replace_all) {
    QWidget* widget = Place_Cursor(dialog, id, replace_all);
    const QString characters = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (const QChar c : characters) {
        const int key = c.isLetterOrNumber() && c.unicode() < 0x80 ? c.toUpper().unicode() : 0;
        Send_Key(widget, key, QString(c));
    }
    Pump();
}

void Paste(CWnd& dialog, int id, std::string_view text, bool replace_all) {
    QWidget* widget = Place_Cursor(dialog, id, replace_all);
    QGuiApplication::clipboard()->setText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    Send_Key(widget, Qt::Key_V, QString(), Qt::ControlModifier);
    Pump();
}

void Press_Key(CWnd& dialog, int id, UINT virtual_key) {
    int key = 0;
    switch (virtual_key) {
    case VK_RETURN:
        key = Qt::Key_Return;
        break;
    case VK_ESCAPE:
        key = Qt::Key_Escape;
        break;
    case 0x08:
        key = Qt::Key_Backspace;
        break;
    case VK_LEFT:
        key = Qt::Key_Left;
        break;
    case VK_RIGHT:
        key = Qt::Key_Right;
        break;
    case VK_UP:
        key = Qt::Key_Up;
        break;
    case VK_DOWN:
        key = Qt::Key_Down;
        break;
    case VK_TAB:
        key = Qt::Key_Tab;
        break;
    default:
        key = static_cast<int>(virtual_key);
        break;
    }
    QWidget* target = id == 0 ? dialog.Widget() : Control(dialog, id);
    const QString text = key == Qt::Key_Return  ? QStringLiteral("\r")
                         : key == Qt::Key_Space ? QStringLiteral(" ")
                                                : QString();
    Send_Key(target, key, text);
    Pump();
}

namespace {

// Opens a combo box's drop-down with a click on the box, moves over the entry and clicks it.
// A release too close to the opening press, too soon after it, is taken by the combo box as
// the end of the opening click; the hand then clicks the entry again once that time is over.
void Choose_Combo_Entry(QComboBox* combo, int index) {
    Mouse_Click(combo, combo->rect().center());
    Pump();
    QAbstractItemView* view = combo->view();
    const QModelIndex entry = combo->model()->index(index, combo->modelColumn());
    if (!entry.isValid() || !view->isVisible()) {
        combo->hidePopup(); // the user presses Escape: nothing chosen
        return;
    }
    view->scrollTo(entry);
    const QPoint at = view->visualRect(entry).center();
    Send_Mouse(view->viewport(), QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    Mouse_Click(view->viewport(), at);
    if (view->isVisible()) {
        QThread::msleep(static_cast<unsigned long>(QApplication::doubleClickInterval()) + 10);
        Mouse_Click(view->viewport(), at);
    }
}

} // namespace

void Select(CWnd& dialog, int id, int index) {
    QWidget* widget = Control(dialog, id);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        if (QListWidgetItem* item = list->item(index)) {
            list->scrollToItem(item);
            Mouse_Click(list->viewport(), list->visualItemRect(item).center());
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        Choose_Combo_Entry(combo, index);
    } else if (auto* bar = widget != nullptr ? widget->findChild<QTabBar*>() : nullptr) {
        if (index >= 0 && index < bar->count()) {
            Mouse_Click(bar, bar->tabRect(index).center());
        }
    }
    Pump();
}

void Click_Item_Check(CWnd& dialog, int id, int index) {
    auto* list = dynamic_cast<Check_List*>(Control(dialog, id));
    if (list != nullptr && list->item(index) != nullptr) {
        list->scrollToItem(list->item(index));
        Mouse_Click(list->viewport(), list->Check_Box(index).center());
    }
    Pump();
}

void Drag_Slider(CWnd& dialog, int id, int position) {
    auto* slider = dynamic_cast<Track_Bar*>(Control(dialog, id));
    if (slider == nullptr) {
        return;
    }
    QPoint at = slider->Thumb_Point(slider->value());
    Send_Mouse(slider, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    const auto move_to = [&](int x) {
        at.setX(x);
        Send_Mouse(slider, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    };
    const int target = slider->Thumb_Point(position).x();
    while (at.x() != target) {
        move_to(at.x() + std::clamp(target - at.x(), -4, 4));
    }
    // Where the slider has fewer pixels than positions, the hand tries the pixels beside the
    // target and settles on the nearest position they show.
    int best_x = at.x();
    int best_distance = std::abs(slider->value() - position);
    for (const int nudge : {1, -1, 2, -2}) {
        if (best_distance == 0) {
            break;
        }
        move_to(target + nudge);
        if (const int distance = std::abs(slider->value() - position); distance < best_distance) {
            best_x = at.x();
            best_distance = distance;
        }
    }
    if (at.x() != best_x) {
        move_to(best_x);
    }
    Send_Mouse(slider, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    Pump();
}

void Drop_Files(CWnd& dialog, const std::vector<std::string>& paths) {
    QWidget* window = dialog.Widget();
    if (window == nullptr) {
        return;
    }
    QMimeData data;
    QList<QUrl> urls;
    for (const auto& path : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    }
    data.setUrls(urls);
    const QPointF centre(window->width() / 2.0, window->height() / 2.0);
    QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (enter.isAccepted()) {
        QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
    }
    Pump();
}

void Close(CWnd& dialog) {
    if (dialog.Widget() != nullptr) {
        QCloseEvent close;
        QApplication::sendEvent(dialog.Widget(), &close);
    }
    Pump();
}

bool Choose_System_Menu_Item(CWnd& dialog, UINT id) {
    QMenu* menu = System_Menu_Of(dialog.Widget());
    if (menu == nullptr) {
        return false;
    }
    // Alt+Space opens the menu; the item is clicked where the menu shows it.
    Send_Key(dialog.Widget(), Qt::Key_Space, QStringLiteral(" "), Qt::AltModifier);
    Pump();
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->data().toULongLong() == id && menu->isVisible()) {
            const QPoint at = menu->actionGeometry(action).center();
            Send_Mouse(menu, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
            Mouse_Click(menu, at);
            Pump();
            return true;
        }
    }
    menu->hide();
    return false;
}

// ---- Readings.

std::string Text(CWnd& dialog, int id) {
    return Window_Text(id == 0 ? dialog.Widget() : Control(dialog, id));
}

bool Is_Visible(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    return widget != nullptr && !widget->isHidden();
}

bool Is_Enabled(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    return widget != nullptr && widget->isEnabled();
}

bool Is_Checked(CWnd& dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(Control(dialog, id));
    return button != nullptr && button->isChecked();
}

bool Is_Read_Only(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        return line->isReadOnly();
    }
    auto* edit = qobject_cast<QPlainTextEdit*>(widget);
    return edit != nullptr && edit->isReadOnly();
}

int Undo_History(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        return (line->isUndoAvailable() ? 1 : 0) + (line->isRedoAvailable() ? 1 : 0);
    }
    auto* edit = qobject_cast<QPlainTextEdit*>(widget);
    return edit != nullptr ? edit->document()->availableUndoSteps() + edit->document()->availableRedoSteps()
                           : 0;
}

bool Is_Item_Checked(CWnd& dialog, int id, int index) {
    auto* list = qobject_cast<QListWidget*>(Control(dialog, id));
    return list != nullptr && list->item(index) != nullptr && list->item(index)->checkState() == Qt::Checked;
}

int Selection(CWnd& dialog, int id) {
    CWnd* item = dialog.GetDlgItem(id);
    if (auto* list = dynamic_cast<CListBox*>(item)) {
        return list->GetCurSel();
    }
    if (auto* combo = dynamic_cast<CComboBox*>(item)) {
        return combo->GetCurSel();
    }
    if (auto* tab = dynamic_cast<CTabCtrl*>(item)) {
        return tab->GetCurSel();
    }
    return -1;
}

std::vector<std::string> Items(CWnd& dialog, int id) {
    std::vector<std::string> items;
    QWidget* widget = Control(dialog, id);
    if (auto* list = qobject_cast<QListWidget*>(widget)) {
        for (int i = 0; i < list->count(); ++i) {
            items.push_back(To_Utf8(list->item(i)->text()));
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        for (int i = 0; i < combo->count(); ++i) {
            items.push_back(To_Utf8(combo->itemText(i)));
        }
    } else if (auto* bar = widget != nullptr ? widget->findChild<QTabBar*>() : nullptr) {
        for (int i = 0; i < bar->count(); ++i) {
            items.push_back(To_Utf8(bar->tabText(i)));
        }
    }
    return items;
}

int Position(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    if (auto* slider = qobject_cast<QSlider*>(widget)) {
        return slider->value();
    }
    auto* bar = qobject_cast<QProgressBar*>(widget);
    return bar != nullptr ? bar->value() : 0;
}

Control_Colours Colours(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    return widget != nullptr ? Resolve_Colours(widget) : Control_Colours{};
}

int Font_Point_Tenths(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    return widget != nullptr ? widget->property("zunq_point_tenths").toInt() : 0;
}

RECT Control_Rect(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    return widget != nullptr ? To_Rect(widget->geometry()) : RECT{};
}

RECT Window_Rect(CWnd& window) {
    return window.Widget() != nullptr ? To_Rect(window.Widget()->geometry()) : RECT{};
}

RECT Item_Rect(CWnd& dialog, int id, int index) {
    auto* list = qobject_cast<QListWidget*>(Control(dialog, id));
    return list != nullptr && list->item(index) != nullptr ? To_Rect(list->visualItemRect(list->item(index)))
                                                           : RECT{};
}

bool Save_Screenshot(CWnd& dialog, const std::string& png_path) {
    QWidget* widget = dialog.Widget();
    if (widget == nullptr) {
        return false;
    }
    Pump();
    return widget->grab().save(QString::fromStdString(png_path), "PNG");
}

COLORREF Shown_Colour(CWnd& dialog, int id, POINT at) {
    QWidget* widget = Control(dialog, id);
    if (widget == nullptr || widget->screen() == nullptr) {
        return 0;
    }
    Pump();
    // The screen's copy of the window: the offscreen platform keeps the window's backing store.
    const QPoint point = widget->mapTo(widget->window(), QPoint(at.x, at.y));
    const QColor colour = widget->screen()
                              ->grabWindow(widget->window()->winId(), point.x(), point.y(), 1, 1)
                              .toImage()
                              .pixelColor(0, 0);
    return RGB(colour.red(), colour.green(), colour.blue());
}

int Pixels_In_Colour(CWnd& dialog, int id, COLORREF colour) {
    QWidget* widget = Control(dialog, id);
    if (widget == nullptr || widget->screen() == nullptr) {
        return 0;
    }
    Pump();
    const QPoint corner = widget->mapTo(widget->window(), QPoint(0, 0));
    const QImage shown =
        widget->screen()
            ->grabWindow(widget->window()->winId(), corner.x(), corner.y(), widget->width(), widget->height())
            .toImage();
    const QColor wanted(GetRValue(colour), GetGValue(colour), GetBValue(colour));
    int count = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            count += shown.pixelColor(x, y).rgb() == wanted.rgb() ? 1 : 0;
        }
    }
    return count;
}

std::optional<double> Accessible_Value(CWnd& dialog, int id) {
    QWidget* widget = Control(dialog, id);
    QAccessibleInterface* accessible =
        widget != nullptr ? QAccessible::queryAccessibleInterface(widget) : nullptr;
    QAccessibleValueInterface* value = accessible != nullptr ? accessible->valueInterface() : nullptr;
    if (value == nullptr) {
        return std::nullopt;
    }
    return value->currentValue().toDouble();
}

// ---- Paint_Counter.

struct Paint_Counter::Filter : QObject {
    std::map<const QObject*, int> ids;
    std::map<int, int> paints;

    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            const auto found = ids.find(target);
            if (found != ids.end()) {
                ++paints[found->second];
            }
        }
        return false;
    }
};

Paint_Counter::Paint_Counter(CWnd& dialog, std::vector<int> ids) : filter_(std::make_unique<Filter>()) {
    Pump(); // what was already due is not counted
    for (int id : ids) {
        if (QWidget* widget = id == Dialog_Itself ? dialog.Widget() : Control(dialog, id)) {
            filter_->ids[widget] = id;
            widget->installEventFilter(filter_.get());
        }
    }
}

Paint_Counter::~Paint_Counter() = default;

int Paint_Counter::Paints(int id) const {
    Pump();
    const auto found = filter_->paints.find(id);
    return found != filter_->paints.end() ? found->second : 0;
}

void Paint_Counter::Reset() {
    Pump();
    filter_->paints.clear();
}

} // namespace zunq::ui::testing

// Fontconfig keeps its font cache for the life of the process and frees it only on an
// explicit call that Qt does not make; the leak checker of the sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
