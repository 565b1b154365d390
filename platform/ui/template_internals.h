// Inside the template builder: what its three parts share. template_builder.cpp makes the
// widgets, notifications.cpp turns their events into the dialog's messages and
// control_registry.cpp keeps which object stands for which widget.
#pragma once

#include <QString>
#include <QWidget>

#include "platform/ui/dialog.h"

namespace zunq::ui {

// Properties every control widget of a template carries.
inline constexpr const char* Window_Property = "zunq_window";     // the object standing for it
inline constexpr const char* Dialog_Property = "zunq_dialog";     // the dialog its template made
inline constexpr const char* Kind_Property = "zunq_kind";         // its Control_Kind
inline constexpr const char* Raw_Text_Property = "zunq_text";     // a static's text as given
inline constexpr const char* Given_Bytes_Property = "zunq_bytes"; // an edit's text as given, in bytes

// A static's text as shown: "&&" is one '&', a single '&' marks a mnemonic.
QString Shown_Static_Text(const QString& raw);

// Runs one notification of a control to its dialog's message map.
void Notify(QWidget* control, UINT message, WPARAM wParam, LPARAM lParam);
// WM_COMMAND with the control's id and `code`.
void Notify_Command(QWidget* control, UINT code);

// Installs the key filter (and makes the colour filter) once per application.
void Ensure_Filters();
// The filter that applies OnCtlColor's colours before a control paints.
QObject* Control_Colour_Filter();

// The window of a dialog: its keys, close box, paint, size and dropped files reach the
// dialog's message map.
QWidget* New_Dialog_Window(CDialog& dialog, QWidget* parent, Qt::WindowFlags flags, DWORD style,
                           DWORD ex_style);
bool Is_Dialog_Window(const QWidget* widget);

} // namespace zunq::ui
