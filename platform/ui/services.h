// The seams of the user-interface layer: what the dialogs ask of the desktop (message
// boxes, the file dialog, modal runs, the clock, the local time, the screen) and where
// device-change notifications come from. The desktop implementation uses Qt and the real
// clock; the test driver scripts them (platform/ui/testing/).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/ui/dialog_template.h"
#include "platform/ui/win_values.h"

class CWnd;
class CDialog;

namespace zunq::ui {

struct Message_Box_Request {
    std::string text;
    std::string caption;
    UINT type = MB_OK;
    bool from_other_thread = false; // asked by a worker, shown on the user-interface thread
};

struct File_Dialog_Request {
    bool open = true;
    std::string default_extension;
    std::string initial_name;
    std::string filter; // Windows form: "description|pattern|description|pattern"
};

// Every call comes on the user-interface thread.
class Dialog_Services {
public:
    virtual ~Dialog_Services() = default;

    // Shows a message box and returns the button chosen (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int Message_Box(const Message_Box_Request& request) = 0;
    // The path chosen, or nullopt when the user cancelled.
    virtual std::optional<std::string> Choose_File(const File_Dialog_Request& request) = 0;
    // Runs a dialog whose window exists and whose OnInitDialog has run, until its
    // EndDialog (Is_Modal_Running turns false); returns nothing: the dialog holds its result.
    virtual void Run_Modal(CDialog& dialog) = 0;

    // Timers of a window: WM_TIMER `id` every `milliseconds` (zunq::ui::Deliver_Timer)
    // until killed; a second Set_Timer of the same id restarts it.
    virtual void Set_Timer(CWnd& window, UINT_PTR id, UINT milliseconds) = 0;
    virtual void Kill_Timer(CWnd& window, UINT_PTR id) = 0;
    virtual void Kill_Timers(CWnd& window) = 0; // the window is going away
    // Returns after `milliseconds` of this clock, having handled the thread's events and
    // timers meanwhile.
    virtual void Wait_Dispatching(UINT milliseconds) = 0;

    virtual SYSTEMTIME Local_Time() = 0;
    virtual int Screen_Width() = 0;
    virtual int Screen_Height() = 0;
    virtual int Pixels_Per_Inch() = 0;
};

// Sends WM_TIMER `id` to the window's message map; for Dialog_Services implementations.
void Deliver_Timer(CWnd& window, UINT_PTR id);

// Installs the services (null: the desktop ones). The caller keeps them alive while installed.
void Install_Dialog_Services(Dialog_Services* services);
Dialog_Services& Services();

struct Device_Change {
    UINT event_type = 0; // DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, or another event
    Guid interface_class;
    std::string device_name;
};

// Where device changes come from: the simulated cameras in tests and the demo, the Linux
// backend otherwise.
class Device_Change_Sink {
public:
    virtual ~Device_Change_Sink() = default;
    // May be called from any thread; the change reaches the registered windows later, on
    // the user-interface thread.
    virtual void Device_Changed(const Device_Change& change) = 0;
};

class Device_Change_Source {
public:
    virtual ~Device_Change_Source() = default;
    // Starts reporting changes to `sink` until Stop. False when it cannot watch; the
    // window's registration then fails.
    virtual bool Start(Device_Change_Sink& sink) = 0;
    // After Stop returns, the sink is called no more.
    virtual void Stop() = 0;
};

// Installs the source that registrations use (null: none, registrations fail). The caller
// keeps it alive while installed; a change of source ends the registrations made before.
void Install_Device_Change_Source(Device_Change_Source* source);

// The application's templates, strings and icons.
void Install_Resources(const Resource_Tables& tables);
const Resource_Tables& Resources();

// What a dialog's OnCtlColor gives one of its controls; unset values keep the defaults.
struct Control_Colours {
    std::optional<COLORREF> text;
    std::optional<COLORREF> background;
    bool transparent = false;
};

// The dialog font of a template, mapped to an installed font family with the Chinese glyphs.
std::string Installed_Font_Family(const char* template_face);

} // namespace zunq::ui
