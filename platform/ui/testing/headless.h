// The headless test driver of the user-interface layer: scripted dialog services (message
// boxes recorded and answered, file dialogs and modal dialogs answered by the test, a
// virtual clock, a fixed local time and screen), a device-change source the test feeds,
// and actions and readings on a dialog's controls by id. Runs on Qt's offscreen platform.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/afx.h"

namespace zunq::ui::testing {

// Makes the process's Qt application once (offscreen unless QT_QPA_PLATFORM says
// otherwise) on the calling thread, which becomes the user-interface thread, and installs
// the resource tables.
void Start_Headless(const Resource_Tables& resources);

// Installed for its lifetime; the previous services come back when it ends.
class Scripted_Services : public Dialog_Services {
public:
    Scripted_Services();
    ~Scripted_Services() override;
    Scripted_Services(const Scripted_Services&) = delete;
    Scripted_Services& operator=(const Scripted_Services&) = delete;

    // Every message box asked for, in order; answered by `answer_message_box` (IDOK when unset).
    std::vector<Message_Box_Request> message_boxes;
    std::function<int(const Message_Box_Request&)> answer_message_box;

    // File dialogs take the answers in order (a nullopt answer or none left: cancelled).
    std::deque<std::optional<std::string>> file_answers;
    std::vector<File_Dialog_Request> file_requests;

    // A modal dialog is shown, handed to `run_modal` (which may drive it and end it), and
    // cancelled if it is still running afterwards.
    std::function<void(CDialog&)> run_modal;
    std::vector<UINT> modal_templates;

    // The virtual clock: timers and scheduled actions run only when the clock advances,
    // through Advance_Clock or a dialog's Wait_Dispatching.
    std::uint64_t now_ms = 0;
    std::vector<UINT> waits; // each Wait_Dispatching's length
    // Told each step the clock takes (the milliseconds it moved on), before what is due at
    // the step's end runs and with the posted work handled after it: a test keeps another
    // virtual clock in step, such as the simulated cameras' (Simulated_Backend::Advance_Clock).
    std::function<void(std::uint64_t milliseconds)> on_clock_advance;
    void Advance_Clock(std::uint64_t milliseconds);
    void At(std::uint64_t delay_ms, std::function<void()> action);
    bool Timer_Running(const CWnd& window, UINT_PTR id) const;

    SYSTEMTIME local_time{2026, 12, 6, 5, 9, 5, 3, 0};
    int screen_width = 1920;
    int screen_height = 1080;
    int pixels_per_inch = 96;

    int Message_Box(const Message_Box_Request& request) override;
    std::optional<std::string> Choose_File(const File_Dialog_Request& request) override;
    void Run_Modal(CDialog& dialog) override;
    void Set_Timer(CWnd& window, UINT_PTR id, UINT milliseconds) override;
    void Kill_Timer(CWnd& window, UINT_PTR id) override;
    void Kill_Timers(CWnd& window) override;
    void Wait_Dispatching(UINT milliseconds) override;
    SYSTEMTIME Local_Time() override { return local_time; }
    int Screen_Width() override { return screen_width; }
    int Screen_Height() override { return screen_height; }
    int Pixels_Per_Inch() override { return pixels_per_inch; }

private:
    struct Timer {
        std::uint64_t period;
        std::uint64_t due;
        std::weak_ptr<void> alive;
    };
    struct Action {
        std::uint64_t due;
        std::uint64_t order;
        std::function<void()> run;
    };
    void Move_Clock_To(std::uint64_t time_ms);

    Dialog_Services* previous_;
    std::map<std::pair<const CWnd*, UINT_PTR>, Timer> timers_;
    std::vector<Action> actions_;
    std::uint64_t next_order_ = 0;
};

// Installed for its lifetime. Reports may come from any thread.
class Scripted_Device_Source : public Device_Change_Source {
public:
    Scripted_Device_Source();
    ~Scripted_Device_Source() override;

    bool refuse_to_start = false;

    bool Start(Device_Change_Sink& sink) override;
    void Stop() override;

    void Report(const Device_Change& change);
    void Arrive(const std::string& device_name, const Guid& interface_class = KSCATEGORY_VIDEO);
    void Remove(const std::string& device_name, const Guid& interface_class = KSCATEGORY_VIDEO);

private:
    std::mutex mutex_;
    Device_Change_Sink* sink_ = nullptr;
};

// Runs the work posted to the user-interface thread and the pending events.
void Pump();
// Pumps until `done` (true) or until `timeout_ms` of real time passed (false); for
// waiting on worker threads.
bool Pump_Until(const std::function<bool()>& done, int timeout_ms = 10000);
// Runs the event loop as the program does, asleep until events come, until `done` holds when
// the loop is about to sleep again (true) or `timeout_ms` of real time passed (false). Nothing
// polls: what the process does meanwhile is the program's own work, for a benchmark to count.
bool Dispatch_Until(const std::function<bool()>& done, int timeout_ms);

// Actions as a user does them: each notifies the dialog as the user's action would.
// A click is the left mouse button pressed and released over a button (on the box of a
// check box or radio button); a disabled control takes no mouse input.
void Click(CWnd& dialog, int id);
// A click at `at` in the control (in the item area of a list box), Ctrl held if asked.
void Click_At(CWnd& dialog, int id, POINT at, bool with_control = false);
void Type(CWnd& dialog, int id, std::string_view text, bool replace_all = false);
// Typing and pasting go over the whole text after Ctrl+A (`replace_all`), else after End.
// Puts `text` on the clipboard and presses Ctrl+V in the edit.
void Paste(CWnd& dialog, int id, std::string_view text, bool replace_all = false);
void Press_Key(CWnd& dialog, int id, UINT virtual_key); // VK_RETURN, VK_ESCAPE, VK_SPACE, VK_TAB, arrows ...
// A click on item `index` of a list box (scrolled into view first, on the item's text), on a
// tab, or on a combo box and then on its entry in the drop-down; an index the control does
// not have chooses nothing.
void Select(CWnd& dialog, int id, int index);
// A click on the check box of item `index` of a check list, scrolled into view first.
void Click_Item_Check(CWnd& dialog, int id, int index);
// Drags a trackbar's thumb with the mouse, a few pixels per move, to where it shows
// `position` (or as near as the slider's pixels allow), and lets it go.
void Drag_Slider(CWnd& dialog, int id, int position);
void Drop_Files(CWnd& dialog, const std::vector<std::string>& paths);
void Close(CWnd& dialog); // the close box
// Alt+Space opens the system menu, then a click on the item; false when it has none such.
bool Choose_System_Menu_Item(CWnd& dialog, UINT id);

// Readings.
std::string Text(CWnd& dialog, int id); // id 0: the dialog's own caption
bool Is_Visible(CWnd& dialog, int id);  // the control's own visibility
bool Is_Enabled(CWnd& dialog, int id);
bool Is_Checked(CWnd& dialog, int id);
bool Is_Read_Only(CWnd& dialog, int id);
// What an edit keeps to undo and redo: its steps (a line edit tells only whether it has any).
int Undo_History(CWnd& dialog, int id);
bool Is_Item_Checked(CWnd& dialog, int id, int index);
int Selection(CWnd& dialog, int id); // list, combo or tab selection; -1 for none
std::vector<std::string> Items(CWnd& dialog, int id);
int Position(CWnd& dialog, int id); // slider or progress bar as shown
Control_Colours Colours(CWnd& dialog, int id);
int Font_Point_Tenths(CWnd& dialog, int id);     // of a font set by SetFont, 0 otherwise
RECT Control_Rect(CWnd& dialog, int id);         // in its parent's client coordinates
RECT Window_Rect(CWnd& window);                  // a window (page, dialog) in its parent's coordinates
RECT Item_Rect(CWnd& dialog, int id, int index); // a list box's item, in its item area

// Saves a picture of the dialog as it is drawn.
bool Save_Screenshot(CWnd& dialog, const std::string& png_path);
// The colour at `at` (in the control's coordinates) as the window shows it now: what its
// paints left there, the ones that covered only part of it included.
COLORREF Shown_Colour(CWnd& dialog, int id, POINT at);
// How many of the control's pixels the window shows in `colour` now (a text's colour: the
// cores of its strokes).
int Pixels_In_Colour(CWnd& dialog, int id, COLORREF colour);
// The value a control publishes to assistive technology (a progress bar's or a slider's
// position); nullopt when it publishes none.
std::optional<double> Accessible_Value(CWnd& dialog, int id);

// Counts the paints of the controls named, from its making, for checks that a change repaints
// what shows it and nothing else.
class Paint_Counter {
public:
    static constexpr int Dialog_Itself = -1; // the dialog's own window, among the ids
    Paint_Counter(CWnd& dialog, std::vector<int> ids);
    ~Paint_Counter();
    Paint_Counter(const Paint_Counter&) = delete;
    Paint_Counter& operator=(const Paint_Counter&) = delete;

    int Paints(int id) const; // since the making or the last Reset
    void Reset();

private:
    struct Filter;
    std::unique_ptr<Filter> filter_;
};

} // namespace zunq::ui::testing
