// The one place where a dialog template becomes widgets: the dialog window, one widget per
// control row, the user's actions turned into the dialog's notifications, the keys offered
// to PreTranslateMessage first, and the control colours asked of OnCtlColor.
#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>
#include <QUrl>

#include "platform/ui/detail.h"
#include "platform/ui/services.h"

namespace zunq::ui {

namespace {

constexpr const char* Window_Property = "zunq_window";
constexpr const char* Dialog_Property = "zunq_dialog";
constexpr const char* Kind_Property = "zunq_kind";
constexpr const char* Raw_Text_Property = "zunq_text";
constexpr const char* Colours_Property = "zunq_colours";

int notification_depth = 0;
const QWidget* painting_widget = nullptr;

// A static's text as shown: "&&" is one '&', a single '&' marks a mnemonic.
QString Shown_Static_Text(const QString& raw) {
    QString shown;
    for (int i = 0; i < raw.size(); ++i) {
        if (raw[i] == QLatin1Char('&')) {
            if (i + 1 < raw.size() && raw[i + 1] == QLatin1Char('&')) {
                shown += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        shown += raw[i];
    }
    return shown;
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

// ---- The tab control: a strip of tabs over a framed area; pages are separate windows
// placed over it by the dialog code.
class Tab_Widget : public QWidget {
public:
    explicit Tab_Widget(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
        bar_->setDrawBase(false);
        bar_->setExpanding(false);
        bar_->move(2, 0);
    }
    QTabBar* Bar() const { return bar_; }
    void Fit_Bar(int height) {
        bar_->setFixedHeight(height);
        bar_->resize(std::max(bar_->sizeHint().width(), 1), height);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(this);
        frame.rect = rect().adjusted(0, bar_->height() - 1, 0, 0);
        painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
    }
    void resizeEvent(QResizeEvent*) override { bar_->raise(); }

private:
    QTabBar* bar_;
};

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
    static void Apply(QWidget* control, const Control_Colours& colours) {
        const QString key = QStringLiteral("%1/%2/%3")
                                .arg(colours.text ? static_cast<qlonglong>(*colours.text) : -1)
                                .arg(colours.background ? static_cast<qlonglong>(*colours.background) : -1)
                                .arg(colours.transparent ? 1 : 0);
        if (control->property(Colours_Property).toString() == key) {
            return;
        }
        control->setProperty(Colours_Property, key);
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
};

Key_Filter* key_filter = nullptr;
Colour_Filter* colour_filter = nullptr;

void Ensure_Filters() {
    Ensure_Ui_Dispatcher();
    if (key_filter == nullptr) {
        key_filter = new Key_Filter(qApp);
        qApp->installEventFilter(key_filter);
        colour_filter = new Colour_Filter(qApp);
    }
}

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

// The scroll code of a slider's last user action, for WM_HSCROLL.
UINT Scroll_Code(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return TB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub:
        return TB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd:
        return TB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub:
        return TB_PAGEUP;
    default:
        return TB_THUMBTRACK;
    }
}

std::unique_ptr<CWnd> Object_For(Control_Kind kind) {
    switch (kind) {
    case Control_Kind::Push_Button:
    case Control_Kind::Check_Box:
    case Control_Kind::Radio_Button:
    case Control_Kind::Group_Box:
        return std::make_unique<CButton>();
    case Control_Kind::Edit:
        return std::make_unique<CEdit>();
    case Control_Kind::List_Box:
        return std::make_unique<CListBox>();
    case Control_Kind::Check_List_Box:
        return std::make_unique<CCheckListBox>();
    case Control_Kind::Combo_Box:
        return std::make_unique<CComboBox>();
    case Control_Kind::Slider:
        return std::make_unique<CSliderCtrl>();
    case Control_Kind::Progress_Bar:
        return std::make_unique<CProgressCtrl>();
    case Control_Kind::Tab_Control:
        return std::make_unique<CTabCtrl>();
    default:
        return std::make_unique<CStatic>();
    }
}

QPixmap Icon_Pixmap(int id) {
    HICON icon = AfxGetApp() != nullptr ? AfxGetApp()->LoadIcon(static_cast<UINT>(id)) : nullptr;
    return icon != nullptr ? icon->pixmap : QPixmap();
}

// One control widget of a template row, with its notifications wired.
QWidget* Make_Control(const Dialog_Control& row, QWidget* parent, QButtonGroup*& radio_group) {
    QWidget* widget = nullptr;
    const QString text = To_Qt(row.text);
    switch (row.kind) {
    case Control_Kind::Push_Button: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        button->setDefault((row.style & BS_DEFPUSHBUTTON) != 0);
        QObject::connect(button, &QPushButton::clicked, button,
                         [button] { Notify_Command(button, BN_CLICKED); });
        widget = button;
        break;
    }
    case Control_Kind::Check_Box: {
        auto* box = new QCheckBox(text, parent);
        QObject::connect(box, &QCheckBox::clicked, box, [box] { Notify_Command(box, BN_CLICKED); });
        widget = box;
        break;
    }
    case Control_Kind::Radio_Button: {
        auto* radio = new QRadioButton(text, parent);
        radio->setAutoExclusive(false);
        if ((row.style & WS_GROUP) != 0 || radio_group == nullptr) {
            radio_group = new QButtonGroup(parent);
        }
        radio_group->addButton(radio);
        QObject::connect(radio, &QRadioButton::clicked, radio,
                         [radio] { Notify_Command(radio, BN_CLICKED); });
        widget = radio;
        break;
    }
    case Control_Kind::Group_Box:
        widget = new QGroupBox(text, parent);
        break;
    case Control_Kind::Static_Text: {
        auto* label = new QLabel(Shown_Static_Text(text), parent);
        label->setWordWrap(true);
        Qt::Alignment align = (row.style & SS_CENTER) != 0  ? Qt::AlignHCenter
                              : (row.style & SS_RIGHT) != 0 ? Qt::AlignRight
                                                            : Qt::AlignLeft;
        label->setAlignment(align | ((row.style & SS_CENTERIMAGE) != 0 ? Qt::AlignVCenter : Qt::AlignTop));
        label->setProperty(Raw_Text_Property, text);
        widget = label;
        break;
    }
    case Control_Kind::Static_Frame: {
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        widget = frame;
        break;
    }
    case Control_Kind::Static_Icon: {
        auto* label = new QLabel(parent);
        label->setPixmap(Icon_Pixmap(text.toInt()));
        widget = label;
        break;
    }
    case Control_Kind::Edit:
        if ((row.style & ES_MULTILINE) != 0) {
            auto* edit = new QPlainTextEdit(parent);
            edit->setReadOnly((row.style & ES_READONLY) != 0);
            edit->setVerticalScrollBarPolicy((row.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAlwaysOn
                                                                           : Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode((row.style & WS_HSCROLL) != 0 ? QPlainTextEdit::NoWrap
                                                                : QPlainTextEdit::WidgetWidth);
            edit->viewport()->installEventFilter(colour_filter);
            QObject::connect(edit, &QPlainTextEdit::textChanged, edit,
                             [edit] { Notify_Command(edit, EN_CHANGE); });
            widget = edit;
        } else {
            auto* edit = new QLineEdit(parent);
            edit->setReadOnly((row.style & ES_READONLY) != 0);
            edit->setAlignment((row.style & ES_CENTER) != 0 ? Qt::AlignCenter
                                                            : Qt::AlignLeft | Qt::AlignVCenter);
            QObject::connect(edit, &QLineEdit::textEdited, edit, [edit] { Notify_Command(edit, EN_CHANGE); });
            widget = edit;
        }
        break;
    case Control_Kind::List_Box:
    case Control_Kind::Check_List_Box: {
        auto* list = new QListWidget(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setVerticalScrollBarPolicy((row.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
        list->viewport()->installEventFilter(colour_filter);
        const bool notify = (row.style & LBS_NOTIFY) != 0;
        if (notify) {
            QObject::connect(list, &QListWidget::currentRowChanged, list,
                             [list] { Notify_Command(list, LBN_SELCHANGE); });
        }
        if (row.kind == Control_Kind::Check_List_Box) {
            QObject::connect(list, &QListWidget::itemChanged, list, [list, notify] {
                if (notify) {
                    Notify_Command(list, LBN_SELCHANGE);
                }
            });
        }
        widget = list;
        break;
    }
    case Control_Kind::Combo_Box: {
        auto* combo = new QComboBox(parent);
        QObject::connect(combo, &QComboBox::activated, combo,
                         [combo] { Notify_Command(combo, CBN_SELCHANGE); });
        widget = combo;
        break;
    }
    case Control_Kind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        slider->setTickPosition((row.style & TBS_NOTICKS) != 0 ? QSlider::NoTicks : QSlider::TicksBelow);
        slider->setProperty("zunq_scroll_code", TB_THUMBTRACK);
        QObject::connect(slider, &QSlider::actionTriggered, slider, [slider](int action) {
            slider->setProperty("zunq_scroll_code", Scroll_Code(action));
        });
        QObject::connect(slider, &QSlider::valueChanged, slider, [slider](int value) {
            const UINT code = slider->property("zunq_scroll_code").toUInt();
            Notify(slider, WM_HSCROLL, MAKEWPARAM(code, static_cast<unsigned>(value)),
                   reinterpret_cast<LPARAM>(Window_Of(slider)));
        });
        QObject::connect(slider, &QSlider::sliderReleased, slider, [slider] {
            Notify(slider, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, static_cast<unsigned>(slider->value())),
                   reinterpret_cast<LPARAM>(Window_Of(slider)));
        });
        widget = slider;
        break;
    }
    case Control_Kind::Progress_Bar: {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        widget = bar;
        break;
    }
    case Control_Kind::Tab_Control: {
        auto* tab = new Tab_Widget(parent);
        QObject::connect(tab->Bar(), &QTabBar::currentChanged, tab, [tab] {
            NMHDR header;
            header.hwndFrom = Window_Of(tab);
            header.idFrom = static_cast<UINT_PTR>(Window_Of(tab)->GetDlgCtrlID());
            header.code = TCN_SELCHANGE;
            Notify(tab, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
        });
        widget = tab;
        break;
    }
    }
    widget->setEnabled((row.style & WS_DISABLED) == 0);
    widget->setProperty(Kind_Property, static_cast<int>(row.kind));
    widget->installEventFilter(colour_filter);
    return widget;
}

} // namespace

// ---- Dialog_Parts.

Control_Slot* Dialog_Parts::Find(int id) {
    for (auto& slot : controls) {
        if (slot.id == id && id != IDC_STATIC) {
            return &slot;
        }
    }
    return nullptr;
}

Control_Slot* Dialog_Parts::Find(const QWidget* widget) {
    for (auto& slot : controls) {
        if (slot.widget == widget) {
            return &slot;
        }
    }
    return nullptr;
}

bool Dialog_Parts::Bind(int id, CWnd& member) {
    auto* slot = Find(id);
    if (slot == nullptr) {
        return false;
    }
    if (slot->bound == &member) {
        return true;
    }
    if (slot->bound != nullptr) {
        slot->bound->Detach_Widget();
    }
    slot->own->Detach_Widget();
    slot->bound = &member;
    member.Attach_Widget(slot->widget, id);
    return true;
}

void Dialog_Parts::Unbind(CWnd& member) {
    for (auto& slot : controls) {
        if (slot.bound == &member) {
            slot.bound = nullptr;
            slot.own->Attach_Widget(slot.widget, slot.id);
        }
    }
}

void Dialog_Parts::Detach_All() {
    for (auto& slot : controls) {
        if (slot.bound != nullptr) {
            slot.bound->Detach_Widget();
            slot.bound = nullptr;
        }
        slot.own->Detach_Widget();
    }
}

// ---- Helpers on widgets.

CWnd* Window_Of(const QWidget* widget) {
    if (widget == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<CWnd*>(widget->property(Window_Property).value<quintptr>());
}

void Set_Window_Of(QWidget* widget, CWnd* window) {
    if (widget != nullptr) {
        widget->setProperty(Window_Property, QVariant::fromValue(reinterpret_cast<quintptr>(window)));
    }
}

CDialog* Dialog_Of_Control(const QWidget* control) {
    if (control == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<CDialog*>(control->property(Dialog_Property).value<quintptr>());
}

Control_Kind Kind_Of(const QWidget* control) {
    return static_cast<Control_Kind>(control->property(Kind_Property).toInt());
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

std::string Window_Text(const QWidget* widget) {
    if (widget == nullptr) {
        return {};
    }
    if (widget->isWindow() || dynamic_cast<const Dialog_Window*>(widget) != nullptr) {
        return To_Utf8(widget->windowTitle());
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return To_Utf8(label->property(Raw_Text_Property).toString());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return To_Utf8(button->text());
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return To_Utf8(group->title());
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
        return To_Utf8(line->text());
    }
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget)) {
        return To_Utf8(text->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return To_Utf8(combo->currentText());
    }
    return {};
}

void Set_Window_Text(QWidget* widget, const char* utf8) {
    if (widget == nullptr) {
        return;
    }
    const QSignalBlocker quiet(widget);
    const QString text = To_Qt(utf8);
    if (widget->isWindow() || dynamic_cast<Dialog_Window*>(widget) != nullptr) {
        widget->setWindowTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setProperty(Raw_Text_Property, text);
        label->setText(Shown_Static_Text(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(text);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edit->setPlainText(plain);
    }
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

// ---- Templates.

QFont Dialog_Font(const Dialog_Template& dialog_template, int pixels_per_inch) {
    QFont font(QString::fromStdString(Installed_Font_Family(dialog_template.font_face)));
    font.setPixelSize(std::max(1, Mul_Div(dialog_template.font_points, pixels_per_inch, 72)));
    return font;
}

QRect To_Pixels(const QFont& font, const Dialog_Rect& rect) {
    // The dialog base units: the average width of the Latin letters and the line height.
    const QFontMetrics metrics(font);
    const int base_x = std::max(
        1,
        (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) +
         26) /
            52);
    const int base_y = std::max(1, metrics.height());
    return QRect(Mul_Div(rect.x, base_x, 4), Mul_Div(rect.y, base_y, 8), Mul_Div(rect.cx, base_x, 4),
                 Mul_Div(rect.cy, base_y, 8));
}

std::unique_ptr<Dialog_Parts> Build_Dialog(const Dialog_Template& dialog_template, CDialog& dialog,
                                           QWidget* parent, bool modal) {
    Ensure_Filters();
    const bool child = (dialog_template.style & WS_CHILD) != 0;
    Qt::WindowFlags flags;
    if (!child) {
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;
        if ((dialog_template.style & WS_SYSMENU) != 0) {
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        }
        if ((dialog_template.style & WS_MINIMIZEBOX) != 0) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        if (parent != nullptr) {
            parent = parent->window();
        }
    }
    auto parts = std::make_unique<Dialog_Parts>();
    parts->dialog = &dialog;
    parts->dialog_template = &dialog_template;
    auto* window = new Dialog_Window(dialog, parent, flags, dialog_template.style, dialog_template.ex_style);
    parts->window = window;
    const QFont font = Dialog_Font(dialog_template, Services().Pixels_Per_Inch());
    window->setFont(font);
    window->setWindowTitle(To_Qt(dialog_template.caption));
    if (modal) {
        window->setWindowModality(Qt::ApplicationModal);
    }
    const QRect client = To_Pixels(font, Dialog_Rect{0, 0, dialog_template.cx, dialog_template.cy});
    if (child) {
        window->resize(client.size());
    } else {
        window->setFixedSize(client.size());
    }

    QButtonGroup* radio_group = nullptr;
    for (const auto& row : dialog_template.controls) {
        if (row.kind != Control_Kind::Radio_Button) {
            radio_group = nullptr; // a group of radio buttons ends at the next other control
        }
        QWidget* widget = Make_Control(row, window, radio_group);
        QRect geometry = To_Pixels(font, row.rect);
        if (row.kind == Control_Kind::Combo_Box) {
            geometry.setHeight(widget->sizeHint().height()); // the template's height is the list's
        }
        widget->setGeometry(geometry);
        if (auto* tab = dynamic_cast<Tab_Widget*>(widget)) {
            // The strip is as high as the dialog code's page offset on a 1920-pixel screen,
            // 20 pixels at 96 pixels per inch, so pages placed below it never cover it.
            tab->Fit_Bar(Mul_Div(20, Services().Pixels_Per_Inch(), 96));
        }
        widget->setVisible((row.style & WS_VISIBLE) != 0);
        widget->setProperty(Dialog_Property, QVariant::fromValue(reinterpret_cast<quintptr>(&dialog)));
        if ((row.style & BS_DEFPUSHBUTTON) != 0 && row.kind == Control_Kind::Push_Button) {
            parts->default_button = row.id;
        }
        Control_Slot slot;
        slot.id = row.id;
        slot.kind = row.kind;
        slot.style = row.style;
        slot.widget = widget;
        slot.own = Object_For(row.kind);
        slot.own->Attach_Widget(widget, row.id);
        parts->controls.push_back(std::move(slot));
    }
    return parts;
}

} // namespace zunq::ui
