// Windows, message maps, data exchange and drawing objects of our class-library layer.
// A CWnd stands for one widget; controls are reached by id through their dialog, and
// user actions reach the dialog's message map as the Windows notifications would.
// Everything here runs on the user-interface thread, except where a member says otherwise.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/cstring.h"
#include "platform/ui/win_values.h"

class QWidget;
class CWnd;
class CDC;
class CFont;
class CMenu;
class CDataExchange;
class CSliderCtrl;
class CCmdTarget;

namespace zunq::ui {
struct Icon_Object;
struct Brush_Object;
struct Font_Object;
struct Drop_Object;
struct Menu_Object;
class Dialog_Parts;
} // namespace zunq::ui

using HWND = CWnd*;
using HICON = zunq::ui::Icon_Object*;
using HCURSOR = HICON;
using HBRUSH = const zunq::ui::Brush_Object*;
using HGDIOBJ = const void*;
using HFONT = zunq::ui::Font_Object*;
using HDROP = zunq::ui::Drop_Object*;
using HDEVNOTIFY = void*;
using CScrollBar = CWnd; // sliders report their scrolls with themselves as the scroll bar

constexpr WORD LOWORD(std::uintptr_t v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(unsigned low, unsigned high) {
    return (low & 0xFFFF) | ((high & 0xFFFF) << 16);
}
constexpr LPARAM MAKELPARAM(unsigned low, unsigned high) {
    return static_cast<LPARAM>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

class CRect : public RECT {
public:
    CRect() = default;
    CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
    CRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

HGDIOBJ GetStockObject(int object);
int GetSystemMetrics(int index);
// Local date and time, from the clock the dialog services give (scriptable in tests).
void GetLocalTime(SYSTEMTIME* time);

namespace zunq::ui {

// One row of a message map: which message (and for WM_COMMAND / WM_NOTIFY which
// notification code and control id) goes to which handler. The thunk casts the target
// to the class that declared the handler and unpacks the message's parameters.
struct Message_Map_Entry {
    UINT message;
    UINT code;
    int id;
    LRESULT (*thunk)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct Message_Map {
    const Message_Map* (*base)();
    const Message_Map_Entry* entries; // ends with a row whose thunk is null
};

template <class T>
struct Member_Of;
template <class C, class R, class... A>
struct Member_Of<R (C::*)(A...)> {
    using type = C;
};

template <auto F>
using Member_Class = typename Member_Of<decltype(F)>::type;

// Thunks, one per handler shape of the message maps.
template <auto F>
LRESULT Thunk_Void(CCmdTarget* t, WPARAM, LPARAM) {
    (static_cast<Member_Class<F>*>(t)->*F)();
    return 0;
}
template <auto F>
LRESULT Thunk_Notify(CCmdTarget* t, WPARAM, LPARAM l) {
    LRESULT result = 0;
    (static_cast<Member_Class<F>*>(t)->*F)(reinterpret_cast<NMHDR*>(l), &result);
    return result;
}
template <auto F>
LRESULT Thunk_Sys_Command(CCmdTarget* t, WPARAM w, LPARAM l) {
    (static_cast<Member_Class<F>*>(t)->*F)(static_cast<UINT>(w), l);
    return 0;
}
template <auto F>
LRESULT Thunk_Timer(CCmdTarget* t, WPARAM w, LPARAM) {
    (static_cast<Member_Class<F>*>(t)->*F)(static_cast<UINT_PTR>(w));
    return 0;
}
template <auto F>
LRESULT Thunk_Device_Change(CCmdTarget* t, WPARAM w, LPARAM l) {
    return (static_cast<Member_Class<F>*>(t)->*F)(static_cast<UINT>(w), static_cast<DWORD_PTR>(l));
}
template <auto F>
LRESULT Thunk_Drop_Files(CCmdTarget* t, WPARAM w, LPARAM) {
    (static_cast<Member_Class<F>*>(t)->*F)(reinterpret_cast<HDROP>(w));
    return 0;
}
template <auto F>
LRESULT Thunk_Size(CCmdTarget* t, WPARAM w, LPARAM l) {
    (static_cast<Member_Class<F>*>(t)->*F)(static_cast<UINT>(w), LOWORD(static_cast<std::uintptr_t>(l)),
                                           HIWORD(static_cast<std::uintptr_t>(l)));
    return 0;
}
template <auto F>
LRESULT Thunk_Min_Max(CCmdTarget* t, WPARAM, LPARAM l) {
    (static_cast<Member_Class<F>*>(t)->*F)(reinterpret_cast<MINMAXINFO*>(l));
    return 0;
}
template <auto F>
LRESULT Thunk_Query_Drag_Icon(CCmdTarget* t, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((static_cast<Member_Class<F>*>(t)->*F)());
}
// WM_CTLCOLOR carries its three arguments in one record.
struct Ctl_Color_Args {
    CDC* dc;
    CWnd* control;
    UINT kind;
};
template <auto F>
LRESULT Thunk_Ctl_Color(CCmdTarget* t, WPARAM, LPARAM l) {
    auto* args = reinterpret_cast<Ctl_Color_Args*>(l);
    return reinterpret_cast<LRESULT>(
        (static_cast<Member_Class<F>*>(t)->*F)(args->dc, args->control, args->kind));
}
template <auto F>
LRESULT Thunk_Scroll(CCmdTarget* t, WPARAM w, LPARAM l) {
    (static_cast<Member_Class<F>*>(t)->*F)(LOWORD(w), HIWORD(w), reinterpret_cast<CScrollBar*>(l));
    return 0;
}

} // namespace zunq::ui

#define afx_msg

// In the class: DECLARE_MESSAGE_MAP(). In the source file:
//   BEGIN_MESSAGE_MAP(MyDlg, CDialogEx)
//       ON_BN_CLICKED(1009, &MyDlg::OnBnClickedDownload)
//       ON_WM_TIMER()
//   END_MESSAGE_MAP()
// Rows are searched in order, then the base class's map.
#define DECLARE_MESSAGE_MAP()                                                                                \
protected:                                                                                                   \
    static const ::zunq::ui::Message_Map* GetThisMessageMap();                                               \
    virtual const ::zunq::ui::Message_Map* GetMessageMap() const;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const ::zunq::ui::Message_Map* theClass::GetMessageMap() const {                                         \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const ::zunq::ui::Message_Map* theClass::GetThisMessageMap() {                                           \
        using ThisClass [[maybe_unused]] = theClass;                                                         \
        using TheBaseClass = baseClass;                                                                      \
        static const ::zunq::ui::Message_Map_Entry entries[] = {

#define END_MESSAGE_MAP()                                                                                    \
    { 0, 0, 0, nullptr }                                                                                     \
    }                                                                                                        \
    ;                                                                                                        \
    static const ::zunq::ui::Message_Map map = {&TheBaseClass::GetThisMessageMap, entries};                  \
    return &map;                                                                                             \
    }

#define ON_COMMAND(id, memberFxn) {WM_COMMAND, 0, static_cast<int>(id), &::zunq::ui::Thunk_Void<memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) {WM_COMMAND, BN_CLICKED, (id), &::zunq::ui::Thunk_Void<memberFxn>},
#define ON_EN_CHANGE(id, memberFxn) {WM_COMMAND, EN_CHANGE, (id), &::zunq::ui::Thunk_Void<memberFxn>},
#define ON_LBN_SELCHANGE(id, memberFxn) {WM_COMMAND, LBN_SELCHANGE, (id), &::zunq::ui::Thunk_Void<memberFxn>},
#define ON_CBN_SELCHANGE(id, memberFxn) {WM_COMMAND, CBN_SELCHANGE, (id), &::zunq::ui::Thunk_Void<memberFxn>},
#define ON_NOTIFY(code, id, memberFxn) {WM_NOTIFY, (code), (id), &::zunq::ui::Thunk_Notify<memberFxn>},
#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, &::zunq::ui::Thunk_Sys_Command<&ThisClass::OnSysCommand>},
#define ON_WM_PAINT() {WM_PAINT, 0, 0, &::zunq::ui::Thunk_Void<&ThisClass::OnPaint>},
#define ON_WM_QUERYDRAGICON()                                                                                \
    {WM_QUERYDRAGICON, 0, 0, &::zunq::ui::Thunk_Query_Drag_Icon<&ThisClass::OnQueryDragIcon>},
#define ON_WM_GETMINMAXINFO()                                                                                \
    {WM_GETMINMAXINFO, 0, 0, &::zunq::ui::Thunk_Min_Max<&ThisClass::OnGetMinMaxInfo>},
#define ON_WM_DEVICECHANGE()                                                                                 \
    {WM_DEVICECHANGE, 0, 0, &::zunq::ui::Thunk_Device_Change<&ThisClass::OnDeviceChange>},
#define ON_WM_DROPFILES() {WM_DROPFILES, 0, 0, &::zunq::ui::Thunk_Drop_Files<&ThisClass::OnDropFiles>},
#define ON_WM_SIZE() {WM_SIZE, 0, 0, &::zunq::ui::Thunk_Size<&ThisClass::OnSize>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, &::zunq::ui::Thunk_Timer<&ThisClass::OnTimer>},
#define ON_WM_CTLCOLOR() {WM_CTLCOLOR, 0, 0, &::zunq::ui::Thunk_Ctl_Color<&ThisClass::OnCtlColor>},
#define ON_WM_HSCROLL() {WM_HSCROLL, 0, 0, &::zunq::ui::Thunk_Scroll<&ThisClass::OnHScroll>},

// The root of every class with a message map.
class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Looks the message up in this object's message maps; true with the handler's result
    // when a row took it.
    bool Dispatch_Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    static const zunq::ui::Message_Map* GetThisMessageMap();
    virtual const zunq::ui::Message_Map* GetMessageMap() const;
};

// A font made by CreatePointFont; the templates' Windows faces map to an installed font
// with the Chinese glyphs.
class CFont {
public:
    CFont();
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // `point_tenths` in tenths of a point, turned into pixels at the screen's pixels per inch.
    BOOL CreatePointFont(int point_tenths, LPCTSTR face, CDC* dc = nullptr);
    BOOL DeleteObject();
    HFONT GetSafeHandle() const;
    operator HFONT() const { return GetSafeHandle(); }

private:
    std::unique_ptr<zunq::ui::Font_Object> font_;
};

// A drawing context: what OnCtlColor sets (text colour, background colour and mode) and
// the device capabilities.
class CDC {
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    COLORREF SetTextColor(COLORREF colour);
    COLORREF SetBkColor(COLORREF colour);
    int SetBkMode(int mode);
    // LOGPIXELSX / LOGPIXELSY: the screen's pixels per logical inch (scriptable in tests).
    int GetDeviceCaps(int index) const;
    BOOL DrawIcon(int x, int y, HICON icon);
    const void* GetSafeHdc() const { return this; }

    bool text_colour_set = false;
    COLORREF text_colour = RGB(0, 0, 0);
    bool back_colour_set = false;
    COLORREF back_colour = RGB(255, 255, 255);
    int back_mode = OPAQUE;

protected:
    CWnd* window_ = nullptr; // where DrawIcon draws, during a paint
};

// The context of a window's client area.
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* window);
};

// The context of a paint handler: drawing goes onto the window being painted.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* window);
};

// A window's menu; the dialog's system menu opens with Alt+Space or a right click on the
// dialog, and its items send WM_SYSCOMMAND with their id.
class CMenu {
public:
    explicit CMenu(std::unique_ptr<zunq::ui::Menu_Object> menu);
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCTSTR text = nullptr);

private:
    std::unique_ptr<zunq::ui::Menu_Object> menu_;
};

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr; // this object while it stands for a window, else null
    HWND GetSafeHwnd() const { return m_hWnd; }

    BOOL SetWindowText(LPCTSTR text);
    // Multi-line edits give their lines joined by "\r\n".
    void GetWindowText(CString& text) const;
    int GetWindowText(char* buffer, int size) const;
    int GetWindowTextLength() const;
    BOOL ShowWindow(int command);
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
    void GetClientRect(LPRECT rect) const;
    void GetWindowRect(LPRECT rect) const; // in screen coordinates
    void ScreenToClient(LPRECT rect) const;
    void ClientToScreen(LPRECT rect) const;
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
    void CenterWindow(CWnd* alternate_owner = nullptr);
    void SetFont(CFont* font, BOOL redraw = TRUE);
    HICON SetIcon(HICON icon, BOOL big_icon);
    CMenu* GetSystemMenu(BOOL revert);
    CDC* GetDC();
    int ReleaseDC(CDC* dc);

    // The control `id` of this dialog (a control of a page belongs to the page), or null.
    // The object is the member bound by DDX_Control, else one of the control's own class.
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;
    // The window this one sits in: a control's dialog, a page's tab control, a notice's owner.
    CWnd* GetParent() const;
    void SetDlgItemText(int id, LPCTSTR text);
    int GetDlgItemText(int id, CString& text) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;

    // Timer `id` sends WM_TIMER every `elapse_ms` by the dialog services' clock.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse_ms, void* unused = nullptr);
    BOOL KillTimer(UINT_PTR id);

    // Data exchange: TRUE reads the controls into the members, FALSE shows the members.
    // Showing never sends notifications.
    BOOL UpdateData(BOOL save_and_validate = TRUE);

    // The control messages the dialog code uses (EM_*, BM_*, LB_*, CB_*, PBM_*, TBM_*,
    // TCM_GETCURSEL, WM_SETTEXT, WM_SETFONT, WM_SETICON), and this window's own map for
    // any other. Safe from any thread: another thread's call runs on the user-interface
    // thread and waits for it, except PBM_SETPOS and PBM_SETRANGE, which never wait.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

    virtual BOOL PreTranslateMessage(MSG* msg);

    // Default processing of the messages a map can take; handlers call them as the base
    // class's handler.
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    BOOL OnDeviceChange(UINT event_type, DWORD_PTR data);
    void OnDropFiles(HDROP drop);
    void OnSize(UINT type, int cx, int cy);
    void OnTimer(UINT_PTR id);
    HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind);
    void OnHScroll(UINT code, UINT position, CScrollBar* scroll_bar);

    // Sends a message through the message map, or its default processing. Layer use.
    LRESULT Send_To_Map(UINT message, WPARAM wParam, LPARAM lParam);

    // The widget this window stands for; layer and test-driver use.
    QWidget* Widget() const { return widget_; }
    // Binds this object to a control widget (DDX_Control does it). Layer use.
    void Attach_Widget(QWidget* widget, int id);
    // Forgets the widget, which is going away or passes to another object. Layer use.
    virtual void Detach_Widget();
    // The controls of a dialog built from a template; null for other windows. Layer use.
    zunq::ui::Dialog_Parts* Layer_Parts() const { return Parts(); }

protected:
    virtual void DoDataExchange(CDataExchange* dx);
    // Kind-specific control messages; 0 for one the kind does not know.
    virtual LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam);
    // The dialog's controls, for GetDlgItem; null for a plain control.
    virtual zunq::ui::Dialog_Parts* Parts() const { return nullptr; }

private:
    LRESULT Window_Message(UINT message, WPARAM wParam, LPARAM lParam);
    friend class CDataExchange;

    QWidget* widget_ = nullptr;
    int id_ = 0;
    std::unique_ptr<CMenu> system_menu_;
    struct Lifetime;
    std::shared_ptr<Lifetime> lifetime_;

public:
    // A token that tells work posted from another thread whether this object still exists.
    std::weak_ptr<void> Lifetime_Token() const;
};

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL save_and_validate)
        : m_bSaveAndValidate(save_and_validate), m_pDlgWnd(dialog) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds `control` to the dialog's control `id` (once; later calls do nothing).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// Exchanges the control's window text with `value`.
void DDX_Text(CDataExchange* dx, int id, CString& value);
void DDX_Text(CDataExchange* dx, int id, int& value);

// Dropped files.
UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT size);
void DragFinish(HDROP drop);
