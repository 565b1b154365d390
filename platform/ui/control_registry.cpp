// The control registry of dialogs built from templates: which object stands for which
// widget (a bound member or the control's own object), the dialog and kind of each control,
// and window texts as the class library reads and writes them.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <limits>
#include <optional>

#include "platform/ui/detail.h"
#include "platform/ui/services.h"
#include "platform/ui/template_internals.h"

namespace zunq::ui {

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

namespace {

// The bytes an edit was given, while it still shows them. A text that is not UTF-8 (an image's
// string written in another code page) shows with replacement characters; read back as shown,
// a field the operator never touched would be written back changed.
std::optional<std::string> Bytes_As_Given(const QWidget* widget) {
    const auto* line = qobject_cast<const QLineEdit*>(widget);
    if (line == nullptr) {
        return std::nullopt;
    }
    const QByteArray given = line->property(Given_Bytes_Property).toByteArray();
    if (QString::fromUtf8(given) != line->text()) {
        return std::nullopt;
    }
    return given.toStdString();
}

} // namespace

std::string Window_Text(const QWidget* widget) {
    if (widget == nullptr) {
        return {};
    }
    if (widget->isWindow() || Is_Dialog_Window(widget)) {
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
        return Bytes_As_Given(line).value_or(To_Utf8(line->text()));
    }
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget)) {
        return To_Utf8(text->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return To_Utf8(combo->currentText());
    }
    return {};
}

namespace {

// Where a walk over the Win32 form of an edit's text stopped.
struct Edit_Walk {
    qsizetype index = 0;   // in the widget's own text
    std::size_t bytes = 0; // of the Win32 form before it
};

// Walks an edit's text character by character, counting the bytes Window_Text gives each (UTF-8,
// a multi-line edit's line break "\r\n"), up to the first character that does not end within
// `limit` bytes; nullopt for other widgets.
std::optional<Edit_Walk> Walk_Edit_Text(const QWidget* widget, std::size_t limit) {
    const auto* plain = qobject_cast<const QPlainTextEdit*>(widget);
    const auto* line = qobject_cast<const QLineEdit*>(widget);
    if (widget == nullptr || (plain == nullptr && line == nullptr) || widget->isWindow() ||
        Is_Dialog_Window(widget)) {
        return std::nullopt;
    }
    const QString text = plain != nullptr ? plain->toPlainText() : line->text();
    Edit_Walk walk;
    while (walk.index < text.size()) {
        const char16_t c = text[walk.index].unicode();
        qsizetype units = 1;
        std::size_t width = 3;
        if (c == u'\n' && plain != nullptr) {
            width = 2;
        } else if (c < 0x80) {
            width = 1;
        } else if (c < 0x800) {
            width = 2;
        } else if (QChar::isHighSurrogate(c) && walk.index + 1 < text.size() &&
                   QChar::isLowSurrogate(text[walk.index + 1].unicode())) {
            units = 2;
            width = 4;
        } else if (QChar::isSurrogate(c)) {
            width = static_cast<std::size_t>(QStringView(text).sliced(walk.index, 1).toUtf8().size());
        }
        if (walk.bytes + width > limit) {
            break;
        }
        walk.bytes += width;
        walk.index += units;
    }
    return walk;
}

} // namespace

std::size_t Window_Text_Length(const QWidget* widget) {
    if (const auto given = Bytes_As_Given(widget)) {
        return given->size();
    }
    if (const auto walk = Walk_Edit_Text(widget, std::numeric_limits<std::size_t>::max())) {
        return walk->bytes;
    }
    return Window_Text(widget).size();
}

int Edit_Text_Index(const QWidget* edit, int position) {
    const std::size_t limit =
        position < 0 ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(position);
    const auto walk = Walk_Edit_Text(edit, limit);
    return walk ? static_cast<int>(walk->index) : 0;
}

void Set_Window_Text(QWidget* widget, const char* utf8) {
    if (widget == nullptr) {
        return;
    }
    const QSignalBlocker quiet(widget);
    const QString text = To_Qt(utf8);
    if (widget->isWindow() || Is_Dialog_Window(widget)) {
        widget->setWindowTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setProperty(Raw_Text_Property, text);
        label->setText(Shown_Static_Text(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setProperty(Given_Bytes_Property, QByteArray(utf8 != nullptr ? utf8 : ""));
        line->setText(text);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edit->setPlainText(plain);
    }
}

// Nobody can undo in a read-only edit: a history there only grows, with every line a log box
// shows and every trim of it.
void Set_Text_Box_Read_Only(QPlainTextEdit& edit, bool read_only) {
    edit.setReadOnly(read_only);
    edit.setUndoRedoEnabled(!read_only);
}

} // namespace zunq::ui
