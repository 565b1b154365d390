// Inside the user-interface layer: the widgets behind the class-library objects, the
// template builder's results and the cross-thread dispatcher. Not for the dialog code.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/services.h"

class QMenu;
class QPlainTextEdit;
class QPainter;

namespace zunq::ui {

// ---- The user-interface thread and work posted to it from other threads.

// Makes the dispatcher; the calling thread becomes the user-interface thread.
void Ensure_Ui_Dispatcher();
// Once the application exists: Qt's raster painting hands the pieces of a tall fill to no more
// than one thread of the global pool (see the definition).
void Keep_Painting_On_One_Helper();
bool Is_Ui_Thread();
// Runs `task` later on the user-interface thread; false when there is no dispatcher.
bool Post_To_Ui(std::function<void()> task);
// Runs `task` on the user-interface thread and waits for it (at once when called there).
bool Call_On_Ui(const std::function<void()>& task);
// Runs the tasks posted so far; user-interface thread only.
void Run_Posted_Tasks();

// value * numerator / denominator, rounded to the nearest whole number.
inline int Mul_Div(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) / denominator);
}

// ---- Objects behind the handles.

struct Font_Object {
    QFont font;
    int point_tenths = 0;
};

struct Icon_Object {
    QIcon icon;
    QPixmap pixmap; // 32 x 32
};

struct Brush_Object {
    bool hollow = false;
    QColor colour;
};

struct Drop_Object {
    std::vector<std::string> files;
    bool finished = false;
};

struct Menu_Object {
    QMenu* menu = nullptr;
    CWnd* window = nullptr;
};

// ---- Dialogs built from templates.

struct Control_Slot {
    int id = IDC_STATIC;
    Control_Kind kind = Control_Kind::Static_Text;
    DWORD style = 0;
    QWidget* widget = nullptr;
    std::unique_ptr<CWnd> own; // the object of the control's class that GetDlgItem gives
    CWnd* bound = nullptr;     // the member bound by DDX_Control, when there is one
    CWnd* Window() const { return bound != nullptr ? bound : own.get(); }
};

class Dialog_Parts {
public:
    CDialog* dialog = nullptr;
    const Dialog_Template* dialog_template = nullptr;
    QWidget* window = nullptr;
    std::vector<Control_Slot> controls;
    int default_button = IDOK;

    Control_Slot* Find(int id);
    Control_Slot* Find(const QWidget* widget);
    // Binds `member` to control `id`; false when the dialog has no such control.
    bool Bind(int id, CWnd& member);
    void Unbind(CWnd& member);
    // Detaches every object from the widgets, which are going away.
    void Detach_All();
};

// The dialog font of a template at `pixels_per_inch`, on an installed family.
QFont Dialog_Font(const Dialog_Template& dialog_template, int pixels_per_inch);
// Dialog units to pixels by the font's average character width and height.
QRect To_Pixels(const QFont& font, const Dialog_Rect& rect);

// Builds the window and its controls; `parent` is the owner's widget or null.
std::unique_ptr<Dialog_Parts> Build_Dialog(const Dialog_Template& dialog_template, CDialog& dialog,
                                           QWidget* parent, bool modal);

// The object that stands for a widget (a bound member, a control's own object, a dialog).
CWnd* Window_Of(const QWidget* widget);
void Set_Window_Of(QWidget* widget, CWnd* window);
// The dialog whose template made the control.
CDialog* Dialog_Of_Control(const QWidget* control);
Control_Kind Kind_Of(const QWidget* control);

// Win32 texts: lines end "\r\n"; statics show "&&" as "&".
QString To_Qt(const char* text);
std::string To_Utf8(const QString& text);
std::string Window_Text(const QWidget* widget);
void Set_Window_Text(QWidget* widget, const char* text);
// Window_Text(widget).size(); an edit's is counted without making its text, which may be long
// (a log box grows all session).
std::size_t Window_Text_Length(const QWidget* widget);
// The place in an edit's own text (QString index) of the Win32 form's byte `position`
// (negative or past the end: the end); a position inside a character, or inside a "\r\n",
// is the place before it. 0 for other widgets.
int Edit_Text_Index(const QWidget* edit, int position);
// Makes a multi-line edit read-only, without an undo history, or editable with one.
void Set_Text_Box_Read_Only(QPlainTextEdit& edit, bool read_only);

// The colours OnCtlColor gives a control; applied before each paint and read by the
// test driver.
Control_Colours Resolve_Colours(QWidget* control);

// True while a control's notification runs, so a window destroyed from a handler is
// deleted once the widget's signal has returned.
bool In_Notification();

// The point of a paint being handled for `widget`, or null outside its paint.
bool Is_Painting(const QWidget* widget);

// Device-change registrations of a window end with it.
void Forget_Device_Registrations(CWnd& window);

// A message box through the dialog services, from any thread; a null caption is the
// application's name. Once a termination signal has been noted, it answers at once as its
// Escape key would (No for a Yes/No box).
int Show_Message_Box(const char* text, const char* caption, UINT type);

// Stops a dialog window from reporting its destruction to its dialog object.
void Release_Dialog_Window(QWidget* window);

// The system menu of a dialog window (null when the template has no WS_SYSMENU).
QMenu* System_Menu_Of(QWidget* dialog_window);

} // namespace zunq::ui
