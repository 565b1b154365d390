// The control classes over their widgets. Every change made here blocks the widget's
// signals, so only the user's own actions reach the dialog's message map.
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTextCursor>

#include <algorithm>

#include "platform/ui/control_widgets.h"
#include "platform/ui/detail.h"

namespace {

template <class W>
W* As(QWidget* widget) {
    return qobject_cast<W*>(widget);
}

void Forget_Colours(QWidget* widget) {
    widget->setProperty("zunq_colours", QVariant());
    widget->update();
}

} // namespace

// ---- CButton.

int CButton::GetCheck() const {
    auto* button = As<QAbstractButton>(Widget());
    return button != nullptr && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int check) {
    auto* button = As<QAbstractButton>(Widget());
    if (button == nullptr) {
        return;
    }
    const QSignalBlocker quiet(button);
    QButtonGroup* group = button->group();
    // A radio group may be left with none checked, as the dialog code expects.
    const bool exclusive = group != nullptr && group->exclusive();
    if (exclusive && check == BST_UNCHECKED) {
        group->setExclusive(false);
    }
    button->setChecked(check != BST_UNCHECKED);
    if (exclusive && check == BST_UNCHECKED) {
        group->setExclusive(true);
    }
}

LRESULT CButton::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_GETCHECK:
        return GetCheck();
    case BM_SETCHECK:
        SetCheck(static_cast<int>(wParam));
        return 0;
    default:
        return CWnd::Control_Message(message, wParam, lParam);
    }
}

// ---- CEdit.

// The colours depend on the state (OnCtlColor is asked as for a static), so they are asked
// again when it changes; setting the state it has changes nothing and repaints nothing.
BOOL CEdit::SetReadOnly(BOOL read_only) {
    const QSignalBlocker quiet(Widget());
    const bool wanted = read_only != FALSE;
    if (auto* line = As<QLineEdit>(Widget())) {
        if (line->isReadOnly() == wanted) {
            return TRUE;
        }
        line->setReadOnly(wanted);
    } else if (auto* text = As<QPlainTextEdit>(Widget())) {
        if (text->isReadOnly() == wanted) {
            return TRUE;
        }
        zunq::ui::Set_Text_Box_Read_Only(*text, wanted);
    } else {
        return FALSE;
    }
    Forget_Colours(Widget());
    return TRUE;
}

void CEdit::SetSel(int start, int end, BOOL no_scroll) {
    QWidget* widget = Widget();
    if (widget == nullptr || start == -1) {
        return; // -1 as the start keeps the caret and drops the selection's change
    }
    const int from = zunq::ui::Edit_Text_Index(widget, start);
    const int to = zunq::ui::Edit_Text_Index(widget, end);
    const QSignalBlocker quiet(widget);
    if (auto* line = As<QLineEdit>(widget)) {
        if (from == to) {
            line->setCursorPosition(to);
        } else {
            line->setSelection(from, to - from);
        }
    } else if (auto* text = As<QPlainTextEdit>(widget)) {
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
        if (no_scroll == FALSE) {
            text->ensureCursorVisible();
        }
    }
}

// A replacement that cannot be undone empties the edit's undo history (a read-only edit keeps
// none at all), so text appended all session long is not kept twice.
void CEdit::ReplaceSel(LPCTSTR text, BOOL can_undo) {
    QWidget* widget = Widget();
    const QSignalBlocker quiet(widget);
    if (auto* line = As<QLineEdit>(widget)) {
        line->insert(zunq::ui::To_Qt(text));
        if (can_undo == FALSE || line->isReadOnly()) {
            // Setting the text is the one way to empty a line edit's history.
            const int caret = line->cursorPosition();
            line->setText(line->text());
            line->setCursorPosition(caret);
        }
    } else if (auto* edit = As<QPlainTextEdit>(widget)) {
        QString plain = zunq::ui::To_Qt(text);
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        const bool keeps_history = edit->isUndoRedoEnabled();
        if (can_undo == FALSE && keeps_history) {
            edit->setUndoRedoEnabled(false);
        }
        QTextCursor cursor = edit->textCursor();
        cursor.insertText(plain);
        edit->setTextCursor(cursor);
        if (can_undo == FALSE && keeps_history) {
            edit->document()->clearUndoRedoStacks();
            edit->setUndoRedoEnabled(true);
        }
    }
}

void CEdit::ScrollCaret() {
    if (auto* text = As<QPlainTextEdit>(Widget())) {
        text->ensureCursorVisible();
    }
}

LRESULT CEdit::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case EM_SETSEL:
        SetSel(static_cast<int>(static_cast<INT_PTR>(wParam)), static_cast<int>(lParam));
        return 0;
    case EM_SCROLLCARET:
        ScrollCaret();
        return TRUE;
    case EM_REPLACESEL:
        ReplaceSel(reinterpret_cast<LPCTSTR>(lParam), static_cast<BOOL>(wParam));
        return 0;
    case EM_SETREADONLY:
        return SetReadOnly(static_cast<BOOL>(wParam));
    default:
        return CWnd::Control_Message(message, wParam, lParam);
    }
}

// ---- CListBox and CCheckListBox.

int CListBox::AddString(LPCTSTR text) {
    auto* list = As<QListWidget>(Widget());
    if (list == nullptr) {
        return LB_ERR;
    }
    const QSignalBlocker quiet(list);
    auto* item = new QListWidgetItem(zunq::ui::To_Qt(text));
    if (zunq::ui::Kind_Of(list) == zunq::ui::Control_Kind::Check_List_Box) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    const QVariant height = list->property("zunq_item_height");
    if (height.isValid()) {
        item->setSizeHint(QSize(0, height.toInt()));
    }
    list->addItem(item);
    return list->count() - 1;
}

void CListBox::ResetContent() {
    if (auto* list = As<QListWidget>(Widget())) {
        const QSignalBlocker quiet(list);
        list->clear();
    }
}

int CListBox::SetCurSel(int index) {
    auto* list = As<QListWidget>(Widget());
    if (list == nullptr) {
        return LB_ERR;
    }
    const QSignalBlocker quiet(list);
    if (index < 0 || index >= list->count()) {
        list->clearSelection();
        list->setCurrentRow(-1);
        return LB_ERR;
    }
    list->setCurrentRow(index);
    return index;
}

int CListBox::GetCurSel() const {
    auto* list = As<QListWidget>(Widget());
    if (list == nullptr) {
        return LB_ERR;
    }
    const int row = list->currentRow();
    return row >= 0 && list->item(row)->isSelected() ? row : LB_ERR;
}

int CListBox::GetCount() const {
    auto* list = As<QListWidget>(Widget());
    return list != nullptr ? list->count() : 0;
}

int CListBox::GetText(int index, CString& text) const {
    auto* list = As<QListWidget>(Widget());
    if (list == nullptr || index < 0 || index >= list->count()) {
        text.Empty();
        return LB_ERR;
    }
    text = zunq::ui::To_Utf8(list->item(index)->text());
    return text.GetLength();
}

int CListBox::SetItemHeight(int, UINT height) {
    auto* list = As<QListWidget>(Widget());
    if (list == nullptr) {
        return LB_ERR;
    }
    // Fixed-height items: one height for all, now and for items added later.
    list->setProperty("zunq_item_height", static_cast<int>(height));
    for (int i = 0; i < list->count(); ++i) {
        list->item(i)->setSizeHint(QSize(0, static_cast<int>(height)));
    }
    return 0;
}

LRESULT CListBox::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case LB_ADDSTRING:
        return AddString(reinterpret_cast<LPCTSTR>(lParam));
    case LB_RESETCONTENT:
        ResetContent();
        return 0;
    case LB_SETCURSEL:
        return SetCurSel(static_cast<int>(static_cast<INT_PTR>(wParam)));
    case LB_GETCURSEL:
        return GetCurSel();
    case LB_GETCOUNT:
        return GetCount();
    case LB_SETITEMHEIGHT:
        return SetItemHeight(static_cast<int>(wParam), static_cast<UINT>(lParam));
    default:
        return CWnd::Control_Message(message, wParam, lParam);
    }
}

void CCheckListBox::SetCheck(int index, int check) {
    auto* list = As<QListWidget>(Widget());
    if (list == nullptr || index < 0 || index >= list->count()) {
        return;
    }
    const QSignalBlocker quiet(list);
    list->item(index)->setCheckState(check != 0 ? Qt::Checked : Qt::Unchecked);
}

int CCheckListBox::GetCheck(int index) const {
    auto* list = As<QListWidget>(Widget());
    if (list == nullptr || index < 0 || index >= list->count()) {
        return 0;
    }
    return list->item(index)->checkState() == Qt::Checked ? 1 : 0;
}

// ---- CComboBox.

int CComboBox::AddString(LPCTSTR text) {
    auto* combo = As<QComboBox>(Widget());
    if (combo == nullptr) {
        return CB_ERR;
    }
    const QSignalBlocker quiet(combo);
    const int selected = combo->currentIndex();
    combo->addItem(zunq::ui::To_Qt(text));
    if (selected < 0) {
        combo->setCurrentIndex(-1); // the widget would select the first item; Windows selects none
    }
    return combo->count() - 1;
}

void CComboBox::ResetContent() {
    if (auto* combo = As<QComboBox>(Widget())) {
        const QSignalBlocker quiet(combo);
        combo->clear();
    }
}

int CComboBox::SetCurSel(int index) {
    auto* combo = As<QComboBox>(Widget());
    if (combo == nullptr) {
        return CB_ERR;
    }
    const QSignalBlocker quiet(combo);
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        return CB_ERR;
    }
    combo->setCurrentIndex(index);
    return index;
}

int CComboBox::GetCurSel() const {
    auto* combo = As<QComboBox>(Widget());
    return combo != nullptr ? combo->currentIndex() : CB_ERR;
}

int CComboBox::GetCount() const {
    auto* combo = As<QComboBox>(Widget());
    return combo != nullptr ? combo->count() : 0;
}

void CComboBox::GetLBText(int index, CString& text) const {
    auto* combo = As<QComboBox>(Widget());
    text = combo != nullptr && index >= 0 && index < combo->count()
               ? zunq::ui::To_Utf8(combo->itemText(index))
               : std::string();
}

LRESULT CComboBox::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case CB_ADDSTRING:
        return AddString(reinterpret_cast<LPCTSTR>(lParam));
    case CB_RESETCONTENT:
        ResetContent();
        return 0;
    case CB_SETCURSEL:
        return SetCurSel(static_cast<int>(static_cast<INT_PTR>(wParam)));
    case CB_GETCURSEL:
        return GetCurSel();
    case CB_GETCOUNT:
        return GetCount();
    default:
        return CWnd::Control_Message(message, wParam, lParam);
    }
}

// ---- CSliderCtrl.

void CSliderCtrl::SetRange(int minimum, int maximum, BOOL redraw) {
    if (auto* slider = As<QSlider>(Widget())) {
        const QSignalBlocker quiet(slider);
        slider->setRange(minimum, maximum);
        if (redraw != FALSE) {
            slider->update();
        }
    }
}

int CSliderCtrl::GetRangeMin() const {
    auto* slider = As<QSlider>(Widget());
    return slider != nullptr ? slider->minimum() : 0;
}

int CSliderCtrl::GetRangeMax() const {
    auto* slider = As<QSlider>(Widget());
    return slider != nullptr ? slider->maximum() : 0;
}

void CSliderCtrl::SetPos(int position) {
    if (auto* slider = As<QSlider>(Widget())) {
        const QSignalBlocker quiet(slider);
        slider->setValue(position);
    }
}

int CSliderCtrl::GetPos() const {
    auto* slider = As<QSlider>(Widget());
    return slider != nullptr ? slider->value() : 0;
}

int CSliderCtrl::GetLineSize() const {
    auto* slider = As<QSlider>(Widget());
    return slider != nullptr ? slider->singleStep() : 0;
}

int CSliderCtrl::SetLineSize(int size) {
    auto* slider = As<QSlider>(Widget());
    if (slider == nullptr) {
        return 0;
    }
    const int previous = slider->singleStep();
    slider->setSingleStep(size);
    return previous;
}

LRESULT CSliderCtrl::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TBM_GETPOS:
        return GetPos();
    case TBM_SETPOS:
        SetPos(static_cast<int>(lParam));
        return 0;
    case TBM_SETRANGE:
        SetRange(static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lParam))),
                 static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lParam))), static_cast<BOOL>(wParam));
        return 0;
    case TBM_SETRANGEMIN:
        SetRange(static_cast<int>(lParam), std::max(GetRangeMax(), static_cast<int>(lParam)),
                 static_cast<BOOL>(wParam));
        return 0;
    case TBM_SETRANGEMAX:
        SetRange(std::min(GetRangeMin(), static_cast<int>(lParam)), static_cast<int>(lParam),
                 static_cast<BOOL>(wParam));
        return 0;
    case TBM_GETRANGEMIN:
        return GetRangeMin();
    case TBM_GETRANGEMAX:
        return GetRangeMax();
    case TBM_SETLINESIZE:
        return SetLineSize(static_cast<int>(lParam));
    case TBM_GETLINESIZE:
        return GetLineSize();
    default:
        return CWnd::Control_Message(message, wParam, lParam);
    }
}

// ---- CProgressCtrl.

void CProgressCtrl::SetRange(short lower, short upper) {
    lower_.store(lower);
    upper_.store(upper);
    Post_Update();
}

int CProgressCtrl::SetPos(int position) {
    const int previous = position_.exchange(position);
    Post_Update();
    return previous;
}

int CProgressCtrl::GetPos() const {
    return position_.load();
}

void CProgressCtrl::Post_Update() {
    // The bar is repainted with whatever else changed before the next paint (the burn's start
    // resets it among the button and the log box), and not at all when it shows the values
    // already.
    auto apply = [this] {
        auto* bar = dynamic_cast<zunq::ui::Progress_Bar*>(Widget());
        if (bar == nullptr) {
            return;
        }
        const int lower = lower_.load();
        const int upper = std::max(lower, upper_.load());
        bar->Show(lower, upper, std::clamp(position_.load(), lower, upper));
    };
    if (zunq::ui::Is_Ui_Thread()) {
        apply();
        return;
    }
    // From another thread: one update at a time is queued and shows the latest values, so a
    // thread that sets the position in a tight loop cannot flood the event queue.
    if (!update_posted_.exchange(true)) {
        zunq::ui::Post_To_Ui([this, apply, alive = Lifetime_Token()] {
            if (alive.expired()) {
                return;
            }
            update_posted_.store(false);
            apply();
        });
    }
}

LRESULT CProgressCtrl::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case PBM_SETRANGE:
        SetRange(static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lParam))),
                 static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lParam))));
        return 0;
    case PBM_SETPOS:
        return SetPos(static_cast<int>(wParam));
    default:
        return CWnd::Control_Message(message, wParam, lParam);
    }
}

// ---- CTabCtrl.

namespace {
QTabBar* Bar_Of(QWidget* tab) {
    return tab != nullptr ? tab->findChild<QTabBar*>() : nullptr;
}
} // namespace

int CTabCtrl::InsertItem(int index, LPCTSTR text) {
    QTabBar* bar = Bar_Of(Widget());
    if (bar == nullptr) {
        return -1;
    }
    const QSignalBlocker quiet(bar);
    const int at = bar->insertTab(index, zunq::ui::To_Qt(text));
    bar->resize(bar->sizeHint().width(), bar->height());
    return at;
}

BOOL CTabCtrl::DeleteAllItems() {
    QTabBar* bar = Bar_Of(Widget());
    if (bar == nullptr) {
        return FALSE;
    }
    const QSignalBlocker quiet(bar);
    while (bar->count() > 0) {
        bar->removeTab(bar->count() - 1);
    }
    return TRUE;
}

BOOL CTabCtrl::DeleteItem(int index) {
    QTabBar* bar = Bar_Of(Widget());
    if (bar == nullptr || index < 0 || index >= bar->count()) {
        return FALSE;
    }
    const QSignalBlocker quiet(bar);
    bar->removeTab(index);
    return TRUE;
}

int CTabCtrl::GetItemCount() const {
    QTabBar* bar = Bar_Of(Widget());
    return bar != nullptr ? bar->count() : 0;
}

int CTabCtrl::GetCurSel() const {
    QTabBar* bar = Bar_Of(Widget());
    return bar != nullptr ? bar->currentIndex() : -1;
}

int CTabCtrl::SetCurSel(int index) {
    QTabBar* bar = Bar_Of(Widget());
    if (bar == nullptr) {
        return -1;
    }
    const QSignalBlocker quiet(bar);
    const int previous = bar->currentIndex();
    bar->setCurrentIndex(index);
    return previous;
}

LRESULT CTabCtrl::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TCM_GETCURSEL) {
        return GetCurSel();
    }
    return CWnd::Control_Message(message, wParam, lParam);
}
