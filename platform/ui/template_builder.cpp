// The one place where a dialog template becomes widgets: the dialog window and one widget
// per control row, each with its notifications wired (notifications.cpp turns them into the
// dialog's messages; control_registry.cpp keeps which object stands for which widget).
#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

#include "platform/ui/control_widgets.h"
#include "platform/ui/detail.h"
#include "platform/ui/services.h"
#include "platform/ui/template_internals.h"

namespace zunq::ui {

namespace {

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
        if (radio_group == nullptr) {
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
        auto* label = new Static_Label(Shown_Static_Text(text), parent);
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
            Set_Text_Box_Read_Only(*edit, (row.style & ES_READONLY) != 0);
            edit->setVerticalScrollBarPolicy((row.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAlwaysOn
                                                                           : Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode((row.style & WS_HSCROLL) != 0 ? QPlainTextEdit::NoWrap
                                                                : QPlainTextEdit::WidgetWidth);
            edit->viewport()->installEventFilter(Control_Colour_Filter());
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
        const bool notify = (row.style & LBS_NOTIFY) != 0;
        auto* list = row.kind == Control_Kind::Check_List_Box ? new Check_List(parent, notify)
                                                              : new List_Box(parent, notify);
        list->setVerticalScrollBarPolicy((row.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAsNeeded
                                                                       : Qt::ScrollBarAlwaysOff);
        list->viewport()->installEventFilter(Control_Colour_Filter());
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
        auto* slider = new Track_Bar(parent);
        slider->setTickPosition((row.style & TBS_NOTICKS) != 0 ? QSlider::NoTicks : QSlider::TicksBelow);
        widget = slider;
        break;
    }
    case Control_Kind::Progress_Bar: {
        auto* bar = new Progress_Bar(parent);
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
    widget->installEventFilter(Control_Colour_Filter());
    return widget;
}

} // namespace

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
    auto* window = New_Dialog_Window(dialog, parent, flags, dialog_template.style, dialog_template.ex_style);
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
    std::vector<Progress_Bar*> bars; // beneath the controls that follow them
    for (const auto& row : dialog_template.controls) {
        if ((row.style & WS_GROUP) != 0) {
            radio_group = nullptr; // a group runs from one WS_GROUP control to the next
        }
        QWidget* widget = Make_Control(row, window, radio_group);
        QRect geometry = To_Pixels(font, row.rect);
        if (row.kind == Control_Kind::Combo_Box) {
            geometry.setHeight(widget->sizeHint().height()); // the template's height is the list's
        }
        widget->setGeometry(geometry);
        if (auto* bar = dynamic_cast<Progress_Bar*>(widget)) {
            bars.push_back(bar);
        } else if (auto* label = dynamic_cast<Static_Label*>(widget)) {
            const auto beneath = std::find_if(bars.rbegin(), bars.rend(), [&](const Progress_Bar* bar) {
                return bar->geometry().contains(geometry);
            });
            if (beneath != bars.rend()) {
                label->Lie_On(**beneath);
            }
        }
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