// CWnd, the drawing objects, menus, data exchange and dropped files.
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTextLayout>

#include <algorithm>
#include <cstring>

#include "platform/ui/detail.h"
#include "platform/ui/services.h"

using zunq::ui::Services;
using zunq::ui::Window_Of;

namespace {

QRect To_QRect(const RECT& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

RECT To_Rect(const QRect& r) {
    return RECT{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

} // namespace

// ---- CWnd.

struct CWnd::Lifetime {};

CWnd::CWnd() : lifetime_(std::make_shared<Lifetime>()) {}

CWnd::~CWnd() {
    lifetime_.reset();
    if (widget_ != nullptr) {
        CDialog* dialog = zunq::ui::Dialog_Of_Control(widget_);
        if (dialog != nullptr && dialog->Layer_Parts() != nullptr) {
            dialog->Layer_Parts()->Unbind(*this);
        }
        Detach_Widget();
    }
    Services().Kill_Timers(*this);
    zunq::ui::Forget_Device_Registrations(*this);
}

std::weak_ptr<void> CWnd::Lifetime_Token() const {
    return lifetime_;
}

void CWnd::Attach_Widget(QWidget* widget, int id) {
    widget_ = widget;
    id_ = id;
    m_hWnd = widget != nullptr ? this : nullptr;
    zunq::ui::Set_Window_Of(widget, this);
}

void CWnd::Detach_Widget() {
    if (widget_ != nullptr && Window_Of(widget_) == this) {
        zunq::ui::Set_Window_Of(widget_, nullptr);
    }
    widget_ = nullptr;
    m_hWnd = nullptr;
    system_menu_.reset();
}

BOOL CWnd::SetWindowText(LPCTSTR text) {
    zunq::ui::Set_Window_Text(widget_, text);
    return widget_ != nullptr ? TRUE : FALSE;
}

void CWnd::GetWindowText(CString& text) const {
    text = zunq::ui::Window_Text(widget_);
}

int CWnd::GetWindowText(char* buffer, int size) const {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const auto text = zunq::ui::Window_Text(widget_);
    const auto copied = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
    return static_cast<int>(copied);
}

int CWnd::GetWindowTextLength() const {
    return static_cast<int>(zunq::ui::Window_Text_Length(widget_));
}

BOOL CWnd::ShowWindow(int command) {
    if (widget_ == nullptr) {
        return FALSE;
    }
    const BOOL was_visible = widget_->isHidden() ? FALSE : TRUE;
    widget_->setVisible(command != SW_HIDE);
    return was_visible;
}

BOOL CWnd::EnableWindow(BOOL enable) {
    if (widget_ == nullptr) {
        return FALSE;
    }
    const BOOL was_disabled = widget_->isEnabled() ? FALSE : TRUE;
    widget_->setEnabled(enable != FALSE);
    return was_disabled;
}

BOOL CWnd::IsWindowEnabled() const {
    return widget_ != nullptr && widget_->isEnabled() ? TRUE : FALSE;
}

BOOL CWnd::IsWindowVisible() const {
    return widget_ != nullptr && widget_->isVisible() ? TRUE : FALSE;
}

BOOL CWnd::IsIconic() const {
    return widget_ != nullptr && widget_->isMinimized() ? TRUE : FALSE;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    if (widget_ == nullptr) {
        return;
    }
    widget_->setGeometry(x, y, width, height);
    if (repaint != FALSE) {
        widget_->update();
    }
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
    if (rect != nullptr) {
        MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
    }
}

void CWnd::GetClientRect(LPRECT rect) const {
    if (rect != nullptr) {
        *rect = widget_ != nullptr ? RECT{0, 0, widget_->width(), widget_->height()} : RECT{};
    }
}

void CWnd::GetWindowRect(LPRECT rect) const {
    if (rect == nullptr) {
        return;
    }
    if (widget_ == nullptr) {
        *rect = RECT{};
        return;
    }
    *rect = To_Rect(QRect(widget_->mapToGlobal(QPoint(0, 0)), widget_->size()));
}

namespace {
void Shift(LPRECT rect, QPoint by) {
    *rect = RECT{rect->left + by.x(), rect->top + by.y(), rect->right + by.x(), rect->bottom + by.y()};
}
} // namespace

void CWnd::ScreenToClient(LPRECT rect) const {
    if (rect != nullptr && widget_ != nullptr) {
        Shift(rect, widget_->mapFromGlobal(QPoint(0, 0)));
    }
}

void CWnd::ClientToScreen(LPRECT rect) const {
    if (rect != nullptr && widget_ != nullptr) {
        Shift(rect, widget_->mapToGlobal(QPoint(0, 0)));
    }
}

void CWnd::Invalidate(BOOL) {
    if (widget_ != nullptr) {
        widget_->update();
    }
}

void CWnd::InvalidateRect(LPCRECT rect, BOOL) {
    if (widget_ != nullptr) {
        if (rect != nullptr) {
            widget_->update(To_QRect(*rect));
        } else {
            widget_->update();
        }
    }
}

void CWnd::CenterWindow(CWnd* alternate_owner) {
    if (widget_ == nullptr) {
        return;
    }
    QRect area;
    if (alternate_owner != nullptr && alternate_owner->widget_ != nullptr) {
        area = alternate_owner->widget_->window()->geometry();
    } else if (widget_->parentWidget() != nullptr) {
        area = widget_->parentWidget()->window()->geometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (!widget_->isWindow()) {
        return;
    }
    widget_->move(area.center() - QPoint(widget_->width() / 2, widget_->height() / 2));
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
    if (widget_ == nullptr || font == nullptr || font->GetSafeHandle() == nullptr) {
        return;
    }
    widget_->setFont(font->GetSafeHandle()->font);
    widget_->setProperty("zunq_point_tenths", font->GetSafeHandle()->point_tenths);
    if (redraw != FALSE) {
        widget_->update();
    }
}

HICON CWnd::SetIcon(HICON icon, BOOL big_icon) {
    if (widget_ == nullptr) {
        return nullptr;
    }
    const char* property = big_icon != FALSE ? "zunq_big_icon" : "zunq_small_icon";
    auto previous = reinterpret_cast<HICON>(widget_->property(property).value<quintptr>());
    widget_->setProperty(property, QVariant::fromValue(reinterpret_cast<quintptr>(icon)));
    if (icon != nullptr && widget_->isWindow()) {
        widget_->setWindowIcon(icon->icon);
    }
    return previous;
}

CMenu* CWnd::GetSystemMenu(BOOL) {
    QMenu* menu = zunq::ui::System_Menu_Of(widget_);
    if (menu == nullptr) {
        return nullptr;
    }
    if (!system_menu_) {
        auto object = std::make_unique<zunq::ui::Menu_Object>();
        object->menu = menu;
        object->window = this;
        system_menu_ = std::make_unique<CMenu>(std::move(object));
    }
    return system_menu_.get();
}

CDC* CWnd::GetDC() {
    return new CClientDC(this);
}

int CWnd::ReleaseDC(CDC* dc) {
    delete dc;
    return 1;
}

CWnd* CWnd::GetDlgItem(int id) const {
    auto* parts = Parts();
    if (parts == nullptr) {
        return nullptr;
    }
    auto* slot = parts->Find(id);
    return slot != nullptr ? slot->Window() : nullptr;
}

int CWnd::GetDlgCtrlID() const {
    return id_;
}

CWnd* CWnd::GetParent() const {
    for (QWidget* w = widget_ != nullptr ? widget_->parentWidget() : nullptr; w != nullptr;
         w = w->parentWidget()) {
        if (CWnd* window = Window_Of(w)) {
            return window;
        }
    }
    return nullptr;
}

void CWnd::SetDlgItemText(int id, LPCTSTR text) {
    if (CWnd* item = GetDlgItem(id)) {
        item->SetWindowText(text);
    }
}

int CWnd::GetDlgItemText(int id, CString& text) const {
    CWnd* item = GetDlgItem(id);
    text = item != nullptr ? zunq::ui::Window_Text(item->widget_) : std::string();
    return text.GetLength();
}

void CWnd::CheckDlgButton(int id, UINT check) {
    if (auto* button = dynamic_cast<CButton*>(GetDlgItem(id))) {
        button->SetCheck(static_cast<int>(check));
    }
}

UINT CWnd::IsDlgButtonChecked(int id) const {
    auto* button = dynamic_cast<CButton*>(GetDlgItem(id));
    return button != nullptr ? static_cast<UINT>(button->GetCheck()) : 0;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse_ms, void*) {
    if (widget_ == nullptr) {
        return 0;
    }
    Services().Set_Timer(*this, id, elapse_ms);
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id) {
    Services().Kill_Timer(*this, id);
    return TRUE;
}

BOOL CWnd::UpdateData(BOOL save_and_validate) {
    if (widget_ == nullptr) {
        return FALSE;
    }
    CDataExchange exchange(this, save_and_validate);
    DoDataExchange(&exchange);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (zunq::ui::Is_Ui_Thread()) {
        return Window_Message(message, wParam, lParam);
    }
    if (message == PBM_SETPOS || message == PBM_SETRANGE) {
        return Control_Message(message, wParam, lParam); // the progress bar's own hand-over, no wait
    }
    LRESULT result = 0;
    zunq::ui::Call_On_Ui([&] { result = Window_Message(message, wParam, lParam); });
    return result;
}

LRESULT CWnd::Window_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        return SetWindowText(reinterpret_cast<LPCTSTR>(lParam));
    case WM_SETFONT:
        if (widget_ != nullptr && wParam != 0) {
            const auto* font = reinterpret_cast<HFONT>(wParam);
            widget_->setFont(font->font);
            widget_->setProperty("zunq_point_tenths", font->point_tenths);
        }
        return 0;
    case WM_SETICON:
        return reinterpret_cast<LRESULT>(SetIcon(reinterpret_cast<HICON>(lParam), wParam == ICON_BIG));
    default:
        return Control_Message(message, wParam, lParam);
    }
}

LRESULT CWnd::Control_Message(UINT message, WPARAM wParam, LPARAM lParam) {
    return Send_To_Map(message, wParam, lParam);
}

LRESULT CWnd::Send_To_Map(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (Dispatch_Message(message, wParam, lParam, result)) {
        return result;
    }
    switch (message) {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        return 0;
    case WM_DEVICECHANGE:
        return TRUE;
    default:
        return 0;
    }
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
    return zunq::ui::Show_Message_Box(text, caption, type);
}

namespace {

int Escape_Answer(UINT type) {
    switch (type & 0x0F) {
    case MB_OK:
        return IDOK;
    case MB_YESNO:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

} // namespace

int zunq::ui::Show_Message_Box(const char* text, const char* caption, UINT type) {
    Message_Box_Request request;
    request.text = text != nullptr ? text : "";
    request.type = type;
    request.from_other_thread = !Is_Ui_Thread();
    int answer = IDCANCEL;
    // A worker's box is shown by the user-interface thread while the worker waits.
    Call_On_Ui([&] {
        request.caption = caption != nullptr
                              ? std::string(caption)
                              : (AfxGetApp() != nullptr ? AfxGetApp()->m_strAppName : std::string());
        if (!Termination_Noted()) {
            answer = Services().Message_Box(request);
        }
        // A box ended by the signal, or shown after it: its Escape answer, not what the
        // services report for a box nobody answered.
        if (Termination_Noted()) {
            answer = Escape_Answer(type);
        }
    });
    return answer;
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CWnd::OnSysCommand(UINT id, LPARAM) {
    // The close box: the dialog manager turns it into the cancel command.
    if ((id & 0xFFF0) == SC_CLOSE) {
        Send_To_Map(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
}

void CWnd::OnPaint() {}
HCURSOR CWnd::OnQueryDragIcon() {
    return nullptr;
}
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) {}
BOOL CWnd::OnDeviceChange(UINT, DWORD_PTR) {
    return TRUE;
}
void CWnd::OnDropFiles(HDROP) {}
void CWnd::OnSize(UINT, int, int) {}
void CWnd::OnTimer(UINT_PTR) {}
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT) {
    return nullptr;
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*) {}

// ---- Data exchange.

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (dx != nullptr && dx->m_pDlgWnd != nullptr && dx->m_pDlgWnd->Layer_Parts() != nullptr) {
        dx->m_pDlgWnd->Layer_Parts()->Bind(id, control);
    }
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    CWnd* item = dx != nullptr && dx->m_pDlgWnd != nullptr ? dx->m_pDlgWnd->GetDlgItem(id) : nullptr;
    if (item == nullptr) {
        return;
    }
    if (dx->m_bSaveAndValidate != FALSE) {
        item->GetWindowText(value);
    } else {
        CString shown;
        item->GetWindowText(shown);
        if (shown != value) {
            item->SetWindowText(value);
        }
    }
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    CString text;
    if (dx != nullptr && dx->m_bSaveAndValidate != FALSE) {
        DDX_Text(dx, id, text);
        value = std::atoi(text.c_str());
    } else {
        text.Format("%d", value);
        DDX_Text(dx, id, text);
    }
}

// ---- Drawing objects.

COLORREF CDC::SetTextColor(COLORREF colour) {
    const COLORREF previous = text_colour;
    text_colour = colour;
    text_colour_set = true;
    return previous;
}

COLORREF CDC::SetBkColor(COLORREF colour) {
    const COLORREF previous = back_colour;
    back_colour = colour;
    back_colour_set = true;
    return previous;
}

int CDC::SetBkMode(int mode) {
    const int previous = back_mode;
    back_mode = mode;
    return previous;
}

int CDC::GetDeviceCaps(int index) const {
    return (index == LOGPIXELSX || index == LOGPIXELSY) ? Services().Pixels_Per_Inch() : 0;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
    if (window_ == nullptr || icon == nullptr || !zunq::ui::Is_Painting(window_->Widget())) {
        return FALSE;
    }
    QPainter painter(window_->Widget());
    painter.drawPixmap(x, y, icon->pixmap);
    return TRUE;
}

CClientDC::CClientDC(CWnd* window) {
    window_ = window;
}

CPaintDC::CPaintDC(CWnd* window) {
    window_ = window;
}

CFont::CFont() = default;
CFont::~CFont() = default;

BOOL CFont::CreatePointFont(int point_tenths, LPCTSTR face, CDC*) {
    auto font = std::make_unique<zunq::ui::Font_Object>();
    font->font = QFont(QString::fromStdString(zunq::ui::Installed_Font_Family(face)));
    font->font.setPixelSize(std::max(1, zunq::ui::Mul_Div(point_tenths, Services().Pixels_Per_Inch(), 720)));
    font->point_tenths = point_tenths;
    font_ = std::move(font);
    return TRUE;
}

BOOL CFont::DeleteObject() {
    font_.reset();
    return TRUE;
}

HFONT CFont::GetSafeHandle() const {
    return font_.get();
}

CMenu::CMenu(std::unique_ptr<zunq::ui::Menu_Object> menu) : menu_(std::move(menu)) {}
CMenu::~CMenu() = default;

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR id, LPCTSTR text) {
    if (!menu_ || menu_->menu == nullptr) {
        return FALSE;
    }
    if ((flags & MF_SEPARATOR) != 0) {
        menu_->menu->addSeparator();
        return TRUE;
    }
    QAction* action = menu_->menu->addAction(zunq::ui::To_Qt(text));
    action->setData(QVariant::fromValue(static_cast<qulonglong>(id)));
    CWnd* window = menu_->window;
    QObject::connect(action, &QAction::triggered, action,
                     [window, id] { window->Send_To_Map(WM_SYSCOMMAND, static_cast<WPARAM>(id), 0); });
    return TRUE;
}

// ---- Dropped files.

UINT DragQueryFileA(HDROP drop, UINT index, char* buffer, UINT size) {
    if (drop == nullptr) {
        return 0;
    }
    if (index == 0xFFFFFFFF) {
        return static_cast<UINT>(drop->files.size());
    }
    if (index >= drop->files.size()) {
        return 0;
    }
    const auto& name = drop->files[index];
    if (buffer == nullptr || size == 0) {
        return static_cast<UINT>(name.size());
    }
    const auto copied = std::min<std::size_t>(name.size(), size - 1);
    std::memcpy(buffer, name.data(), copied);
    buffer[copied] = '\0';
    return static_cast<UINT>(copied);
}

// The drop's memory belongs to the layer and ends with the notification; finishing only
// marks it.
void DragFinish(HDROP drop) {
    if (drop != nullptr) {
        drop->finished = true;
    }
}

// ---- Glyphs.

void zunq::ui::Load_Glyphs(CWnd& control, const char* text) {
    const QWidget* widget = control.Widget();
    if (widget == nullptr || text == nullptr) {
        return;
    }
    // One line, as wide as it needs: laying it out loads the glyphs' metrics, drawing it their
    // images, both kept by the font for every later paint.
    QString line = To_Qt(text);
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QTextLayout layout(line, widget->font());
    layout.beginLayout();
    QTextLine laid = layout.createLine();
    layout.endLayout();
    if (!laid.isValid()) {
        return;
    }
    QImage image(std::max(1, static_cast<int>(laid.naturalTextWidth()) + 2),
                 std::max(1, static_cast<int>(laid.height()) + 1), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // A glyph's image is kept for each quarter pixel it may start at.
    for (int quarter = 0; quarter < 4; ++quarter) {
        layout.draw(&painter, QPointF(quarter / 4.0, 0));
    }
}
