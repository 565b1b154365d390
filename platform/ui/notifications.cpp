// The user's actions and the window system's events on a dialog built from a template,
// turned into the dialog's messages: notifications of controls, the dialog window's keys,
// close box, paint, size and dropped files, the keys offered to PreTranslateMessage first,
// and the control colours asked of OnCtlColor.
#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

#include <unordered_map>

#include "platform/ui/detail.h"
#include "platform/ui/services.h"
#include "platform/ui/template_internals.h"

namespace zunq::ui {

namespace {

int notification_depth = 0;
const QWidget* painting_widget = nullptr;

// ---- The dialog window.
class Dialog_Window : public QWidget {
public:
    Dialog_Window(CDialog& dialog, QWidget* parent, Qt::WindowFlags flags, DWORD style, DWORD ex_style)
        : QWidget(parent, flags), dialog_(&dialog) {
        setAcceptDrops((ex_style & WS_EX_ACCEPTFILES) != 0);
        if ((style & WS_SYSMENU) != 0 && (style & WS_CHILD) == 0) {
            menu_ = new QMenu(this);
            setContextMenuPolicy(Qt::DefaultContextMenu);
        }
    }
    ~Dialog_Window() override {
        if (dialog_ != nullptr) {
            dialog_->Detach_Widget();
        }
    }
    void Release() { dialog_ = nullptr; }
    QMenu* Menu() const { return menu_; }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!isWindow() || dialog_ == nullptr) {
            event->ignore();
            return;
        }
        // The dialog manager's keys: Escape cancels, Enter presses the focused push button
        // or else the default one.
        if (event->key() == Qt::Key_Escape) {
            dialog_->Send_To_Map(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
                button != nullptr && isAncestorOf(button)) {
                button->click();
                return;
            }
            auto* parts = dialog_->Widget() == this ? dialog_->Layer_Parts() : nullptr;
            const int id = parts != nullptr ? parts->default_button : IDOK;
            dialog_->Send_To_Map(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED), 0);
            return;
        }
        if (event->key() == Qt::Key_Space && (event->modifiers() & Qt::AltModifier) != 0 &&
            menu_ != nullptr) {
            menu_->popup(mapToGlobal(QPoint(0, 0)));
            return;
        }
        event->ignore();
    }
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (dialog_ != nullptr) {
            dialog_->Send_To_Map(WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    }
    void paintEvent(QPaintEvent*) override {
        if (dialog_ == nullptr) {
            return;
        }
        painting_widget = this;
        dialog_->Send_To_Map(WM_PAINT, 0, 0);
        painting_widget = nullptr;
    }
    void resizeEvent(QResizeEvent* event) override {
        if (dialog_ != nullptr) {
            dialog_->Send_To_Map(WM_SIZE, 0, MAKEWPARAM(event->size().width(), event->size().height()));
        }
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (menu_ != nullptr && !menu_->isEmpty()) {
            menu_->popup(event->globalPos());
        }
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (acceptDrops() && event->mimeData()->hasUrls()) {
            event->acceptProposedAction();
        }
    }
    void dropEvent(QDropEvent* event) override {
        if (dialog_ == nullptr || !acceptDrops() || !event->mimeData()->hasUrls()) {
            return;
        }
        Drop_Object drop;
        for (const auto& url : event->mimeData()->urls()) {
            drop.files.push_back(To_Utf8(url.isLocalFile() ? url.toLocalFile() : url.toString()));
        }
        event->acceptProposedAction();
        ++notification_depth;
        dialog_->Send_To_Map(WM_DROPFILES, reinterpret_cast<WPARAM>(&drop), 0);
        --notification_depth;
    }

private:
    CDialog* dialog_;
    QMenu* menu_ = nullptr;
};

// ---- Keys go to PreTranslateMessage of the focused window and its parents first.
class Key_Filter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(target);
        // A key the focused widget ignores travels on to its parents as the same event; it
        // was offered to the windows' PreTranslateMessage once, at its first target.
        if (widget == nullptr) {
            return false;
        }
        const bool travelling =
            event == last_event_ && last_target_ != nullptr && last_target_->parentWidget() == widget;
        last_event_ = event;
        last_target_ = widget;
        if (travelling) {
            return false;
        }
        auto* key = static_cast<QKeyEvent*>(event);
        MSG msg;
        msg.message = event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP;
        msg.wParam = Virtual_Key(key->key());
        for (QWidget* w = widget; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget()) {
            if (CWnd* window = Window_Of(w)) {
                if (msg.hwnd == nullptr) {
                    msg.hwnd = window;
                }
                if (window->PreTranslateMessage(&msg) != FALSE) {
                    return true;
                }
            }
        }
        return false;
    }

private:
    const QEvent* last_event_ = nullptr;
    QPointer<QWidget> last_target_;
    static WPARAM Virtual_Key(int key) {
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        default:
            // Letters and digits have their ASCII upper-case codes, as on Windows.
            return (key >= 0x20 && key <= 0x7E) ? static_cast<WPARAM>(key) : 0;
        }
    }
};

// ---- Colours: OnCtlColor is asked before each paint of a control.
class Colour_Filter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(target);
            if (widget != nullptr && Window_Of(widget) == nullptr && widget->parentWidget() != nullptr) {
                widget = widget->parentWidget(); // the viewport of a list or multi-line edit
            }
            if (widget != nullptr && Window_Of(widget) != nullptr) {
                Apply(widget, Resolve_Colours(widget));
            }
        }
        return false;
    }

private:
    // The colours last applied to each control painted, so that a paint whose colours did not
    // change costs a comparison: building a text key and reading it back from the control's
    // properties cost more than the rest of the check together, at every paint.
    struct Applied {
        QPointer<QWidget> control; // null once the control is gone (its address may come back)
        Control_Colours colours;
    };

    void Apply(QWidget* control, const Control_Colours& colours) {
        const auto found = applied_.find(control);
        const bool known = found != applied_.end() && found->second.control == control;
        if (known && Same(found->second.colours, colours)) {
            return;
        }
        if (!known) {
            Forget_Gone_Controls();
        }
        applied_[control] = {control, colours};
        QPalette palette =
            control->parentWidget() != nullptr ? control->parentWidget()->palette() : control->palette();
        if (colours.text) {
            const QColor c(GetRValue(*colours.text), GetGValue(*colours.text), GetBValue(*colours.text));
            palette.setColor(QPalette::WindowText, c);
            palette.setColor(QPalette::Text, c);
            palette.setColor(QPalette::ButtonText, c);
        }
        const auto* line = qobject_cast<QLineEdit*>(control);
        const auto* text = qobject_cast<QPlainTextEdit*>(control);
        if ((line != nullptr && line->isReadOnly()) || (text != nullptr && text->isReadOnly())) {
            // Read-only edits sit on the dialog's colour unless the dialog says otherwise.
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        }
        if (colours.background) {
            const QColor c(GetRValue(*colours.background), GetGValue(*colours.background),
                           GetBValue(*colours.background));
            palette.setColor(QPalette::Base, c);
            palette.setColor(QPalette::Window, c);
        }
        control->setAutoFillBackground(colours.background.has_value() && !colours.transparent &&
                                       qobject_cast<QLabel*>(control) != nullptr);
        control->setPalette(palette);
    }

    static bool Same(const Control_Colours& a, const Control_Colours& b) {
        return a.text == b.text && a.background == b.background && a.transparent == b.transparent;
    }

    // Drops the entries of controls that are gone, once a new control is met: the map holds no
    // more entries than controls were ever alive at once, and a control made at a gone one's
    // address starts afresh.
    void Forget_Gone_Controls() {
        std::erase_if(applied_, [](const auto& entry) { return entry.second.control.isNull(); });
    }

    std::unordered_map<const QWidget*, Applied> applied_;
};

Key_Filter* key_filter = nullptr;
Colour_Filter* colour_filter = nullptr;

UINT Colour_Kind(const QWidget* control) {
    switch (Kind_Of(control)) {
    case Control_Kind::Edit: {
        const auto* line = qobject_cast<const QLineEdit*>(control);
        const auto* text = qobject_cast<const QPlainTextEdit*>(control);
        const bool read_only =
            (line != nullptr && line->isReadOnly()) || (text != nullptr && text->isReadOnly());
        return (read_only || !control->isEnabled()) ? CTLCOLOR_STATIC : CTLCOLOR_EDIT;
    }
    case Control_Kind::List_Box:
    case Control_Kind::Check_List_Box:
    case Control_Kind::Combo_Box:
        return CTLCOLOR_LISTBOX;
    case Control_Kind::Push_Button:
        return CTLCOLOR_BTN;
    default:
        return CTLCOLOR_STATIC;
    }
}

} // namespace

void Ensure_Filters() {
    Ensure_Ui_Dispatcher();
    if (key_filter == nullptr) {
        key_filter = new Key_Filter(qApp);
        qApp->installEventFilter(key_filter);
        colour_filter = new Colour_Filter(qApp);
    }
}

// Runs one notification of a control to its dialog's message map.
void Notify(QWidget* control, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = Dialog_Of_Control(control);
    if (dialog == nullptr) {
        return;
    }
    ++notification_depth;
    dialog->Send_To_Map(message, wParam, lParam);
    --notification_depth;
}

void Notify_Command(QWidget* control, UINT code) {
    const auto* parts_dialog = Dialog_Of_Control(control);
    if (parts_dialog == nullptr) {
        return;
    }
    Notify(control, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(Window_Of(control)->GetDlgCtrlID()), code),
           reinterpret_cast<LPARAM>(Window_Of(control)));
}

QWidget* New_Dialog_Window(CDialog& dialog, QWidget* parent, Qt::WindowFlags flags, DWORD style,
                           DWORD ex_style) {
    return new Dialog_Window(dialog, parent, flags, style, ex_style);
}

bool Is_Dialog_Window(const QWidget* widget) {
    return dynamic_cast<const Dialog_Window*>(widget) != nullptr;
}

QObject* Control_Colour_Filter() {
    return colour_filter;
}

bool In_Notification() {
    return notification_depth > 0;
}

bool Is_Painting(const QWidget* widget) {
    return widget != nullptr && painting_widget == widget;
}

void Release_Dialog_Window(QWidget* window) {
    if (auto* dialog_window = dynamic_cast<Dialog_Window*>(window)) {
        dialog_window->Release();
    }
}

QMenu* System_Menu_Of(QWidget* dialog_window) {
    auto* window = dynamic_cast<Dialog_Window*>(dialog_window);
    return window != nullptr ? window->Menu() : nullptr;
}

Control_Colours Resolve_Colours(QWidget* control) {
    Control_Colours colours;
    CDialog* dialog = Dialog_Of_Control(control);
    CWnd* window = Window_Of(control);
    if (dialog == nullptr || window == nullptr) {
        return colours;
    }
    CClientDC dc(window);
    Ctl_Color_Args args{&dc, window, Colour_Kind(control)};
    const auto brush =
        reinterpret_cast<HBRUSH>(dialog->Send_To_Map(WM_CTLCOLOR, 0, reinterpret_cast<LPARAM>(&args)));
    if (dc.text_colour_set) {
        colours.text = dc.text_colour;
    }
    colours.transparent = dc.back_mode == TRANSPARENT || (brush != nullptr && brush->hollow);
    if (brush != nullptr && !brush->hollow) {
        colours.background = RGB(brush->colour.red(), brush->colour.green(), brush->colour.blue());
    } else if (dc.back_colour_set && !colours.transparent) {
        colours.background = dc.back_colour;
    }
    return colours;
}

} // namespace zunq::ui
