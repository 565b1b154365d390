#include "platform/ui/control_widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>

#include <algorithm>

#include "platform/ui/detail.h"
#include "platform/ui/template_internals.h"

namespace zunq::ui {

namespace {

// The scroll code of a slider action, for WM_HSCROLL. Adding moves the thumb right, which
// the trackbar calls down.
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
    case QAbstractSlider::SliderToMinimum:
        return TB_TOP;
    case QAbstractSlider::SliderToMaximum:
        return TB_BOTTOM;
    default:
        return TB_THUMBTRACK;
    }
}

bool Is_Scroll_Key(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

// The check box of an item: a square at its left edge, centred in its height.
QRect Check_Box_In(const QRect& item, const QStyle* style) {
    const int side = std::max(1, std::min(item.height() - 2, style->pixelMetric(QStyle::PM_IndicatorWidth)));
    return QRect(item.left() + 2, item.top() + (item.height() - side) / 2, side, side);
}

// Draws each item as the owner-drawn check list does: its box, then its text beside it.
// Check marks change only through the list, never through the delegate's own editing.
class Check_Item_Delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
        const QRect box = Check_Box_In(option.rect, style);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        item.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        item.rect.setLeft(box.right() + 4);
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, option.widget);
        QStyleOptionViewItem check = option;
        check.rect = box;
        check.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected);
        check.state |=
            index.data(Qt::CheckStateRole).toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, option.widget);
    }

    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&, const QModelIndex&) override {
        return false;
    }
};

} // namespace

// ---- Track_Bar.

Track_Bar::Track_Bar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    // The action comes before the value changes, so each change is reported with its cause.
    connect(this, &QSlider::actionTriggered, this, [this](int action) { code_ = Scroll_Code(action); });
    connect(this, &QSlider::valueChanged, this, [this] { Report(code_); });
    connect(this, &QSlider::sliderReleased, this, [this] { Report(TB_THUMBPOSITION); });
}

QPoint Track_Bar::Thumb_Point(int value) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect thumb = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The thumb's left edge runs over the groove less its own width, as the slider maps it.
    const int span = groove.width() - thumb.width();
    const int left =
        groove.x() + QStyle::sliderPositionFromValue(minimum(), maximum(), value, span, option.upsideDown);
    return QPoint(left + thumb.width() / 2, thumb.center().y());
}

void Track_Bar::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    QSlider::mousePressEvent(event);
}

void Track_Bar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (pressed_ && event->button() == Qt::LeftButton) {
        pressed_ = false;
        Report(TB_ENDTRACK);
    }
}

void Track_Bar::keyReleaseEvent(QKeyEvent* event) {
    QSlider::keyReleaseEvent(event);
    if (Is_Scroll_Key(event->key()) && !event->isAutoRepeat()) {
        Report(TB_ENDTRACK);
    }
}

void Track_Bar::Report(UINT code) {
    const bool thumb = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
    Notify(this, WM_HSCROLL, MAKEWPARAM(code, thumb ? static_cast<unsigned>(value()) : 0u),
           reinterpret_cast<LPARAM>(Window_Of(this)));
}

// ---- List_Box.

List_Box::List_Box(QWidget* parent, bool notify) : QListWidget(parent), notify_(notify) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    if (notify_) {
        connect(this, &QListWidget::itemSelectionChanged, this,
                [this] { Notify_Command(this, LBN_SELCHANGE); });
    }
}

QItemSelectionModel::SelectionFlags List_Box::selectionCommand(const QModelIndex& index,
                                                               const QEvent* event) const {
    const auto command = QListWidget::selectionCommand(index, event);
    return !index.isValid() || command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                                               : command;
}

// ---- Check_List.

Check_List::Check_List(QWidget* parent, bool notify) : List_Box(parent, notify) {
    setItemDelegate(new Check_Item_Delegate(this));
}

QRect Check_List::Check_Box(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry != nullptr ? Check_Box_In(visualItemRect(entry), style()) : QRect();
}

int Check_List::Row_Of_Box_At(QPoint point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() && Check_Box(index.row()).contains(point) ? index.row() : -1;
}

void Check_List::mousePressEvent(QMouseEvent* event) {
    const int row = event->button() == Qt::LeftButton ? Row_Of_Box_At(event->position().toPoint()) : -1;
    box_pressed_ = row >= 0;
    if (!box_pressed_) {
        List_Box::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    Flip_Check(row);
}

void Check_List::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click on a box flips it back, as two clicks would.
    mousePressEvent(event);
}

void Check_List::mouseReleaseEvent(QMouseEvent* event) {
    if (box_pressed_) {
        box_pressed_ = false;
        return;
    }
    List_Box::mouseReleaseEvent(event);
}

void Check_List::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && currentRow() >= 0) {
        Flip_Check(currentRow());
        return;
    }
    List_Box::keyPressEvent(event);
}

void Check_List::Flip_Check(int row) {
    {
        // One notification for the click or key, whether or not the selection moved too.
        const QSignalBlocker quiet(this);
        setCurrentRow(row);
        QListWidgetItem* entry = item(row);
        entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    if (Notifies()) {
        Notify_Command(this, LBN_SELCHANGE);
    }
}

// ---- Progress_Bar.

Progress_Bar::Progress_Bar(QWidget* parent) : QProgressBar(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Progress_Bar::Show(int lower, int upper, int value) {
    if (minimum() == lower && maximum() == upper && this->value() == value) {
        return;
    }
    const int old_end = Done_End();
    setUpdatesEnabled(false);
    setRange(lower, upper);
    setValue(value);
    setUpdatesEnabled(true); // repaints the bar with the next paint
    // A label shows the part of the bar beneath it: it changes only where the done part's end
    // moved across it. Elsewhere the label keeps its pixels, and its text is not drawn again
    // for a bar that moved beside it.
    const int new_end = Done_End();
    const int from = std::min(old_end, new_end);
    const int to = std::max(old_end, new_end);
    for (const auto& label : labels_) {
        if (label == nullptr) {
            continue;
        }
        const int left = label->x() - x();
        if (from != to && from < left + label->width() && to > left) {
            label->update();
        }
    }
}

int Progress_Bar::Done_End() const {
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    const qint64 span = static_cast<qint64>(maximum()) - minimum();
    const qint64 done = span > 0 ? (static_cast<qint64>(value()) - minimum()) * inside.width() / span : 0;
    return inside.left() + static_cast<int>(std::clamp<qint64>(done, 0, inside.width()));
}

void Progress_Bar::Carry(QWidget* label) {
    labels_.emplace_back(label);
}

void Progress_Bar::Paint(QPainter& painter) const {
    const QPalette& colours = palette();
    const QRect whole = rect();
    // The frame in the shade of a style's outline, as four fills: a stroked rectangle costs
    // many times more.
    const QColor frame = colours.color(QPalette::Window).darker(140);
    painter.fillRect(QRect(whole.left(), whole.top(), whole.width(), 1), frame);
    painter.fillRect(QRect(whole.left(), whole.bottom(), whole.width(), 1), frame);
    painter.fillRect(QRect(whole.left(), whole.top() + 1, 1, whole.height() - 2), frame);
    painter.fillRect(QRect(whole.right(), whole.top() + 1, 1, whole.height() - 2), frame);
    const QRect inside = whole.adjusted(1, 1, -1, -1);
    const int done_width = Done_End() - inside.left();
    painter.fillRect(QRect(inside.left(), inside.top(), done_width, inside.height()),
                     colours.color(QPalette::Highlight));
    painter.fillRect(
        QRect(inside.left() + done_width, inside.top(), inside.width() - done_width, inside.height()),
        colours.color(QPalette::Base));
}

bool Progress_Bar::event(QEvent* event) {
    const bool handled = QProgressBar::event(event);
    // The style's polish, at the first show, takes the attribute back (its own bars leave
    // parts unpainted); without it, every new position would paint the dialog beneath first.
    if (event->type() == QEvent::Polish) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    return handled;
}

void Progress_Bar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}

// ---- Static_Label.

Static_Label::Static_Label(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void Static_Label::Lie_On(Progress_Bar& bar) {
    bar_ = &bar;
    bar.Carry(this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A label on a bar shows a percent, a new one at every step of a burn: digits need no
    // shaping, which cost more than all else of its paint. Only the strategy is set here; the
    // rest of the font still comes from the dialog.
    QFont unshaped;
    unshaped.setStyleStrategy(QFont::PreferNoShaping);
    setFont(unshaped);
}

const Progress_Bar* Static_Label::Bar_Beneath() const {
    const Progress_Bar* bar = bar_.data();
    return bar != nullptr && !bar->isHidden() && bar->parentWidget() == parentWidget() &&
                   bar->geometry().contains(geometry())
               ? bar
               : nullptr;
}

void Static_Label::paintEvent(QPaintEvent* event) {
    const Progress_Bar* bar = Bar_Beneath();
    if (bar != nullptr && !autoFillBackground()) {
        QPainter painter(this);
        painter.translate(bar->pos() - pos());
        bar->Paint(painter);
    }
    QLabel::paintEvent(event);
    // A bar moved or hidden since: the label is painted again, with what lies beneath it
    // painted by Qt.
    const bool opaque = bar != nullptr;
    if (testAttribute(Qt::WA_OpaquePaintEvent) != opaque) {
        setAttribute(Qt::WA_OpaquePaintEvent, opaque);
        update();
    }
}

} // namespace zunq::ui
