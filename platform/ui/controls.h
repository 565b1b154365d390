// The control classes. Each wraps the widget of one template control; members change the
// control without notifying the dialog (only user actions notify), as on Windows.
#pragma once

#include <atomic>

#include "platform/ui/cwnd.h"

class CStatic : public CWnd {};

class CButton : public CWnd {
public:
    // BST_CHECKED or BST_UNCHECKED; unchecking a radio button may leave its group with none.
    int GetCheck() const;
    void SetCheck(int check);

protected:
    LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CEdit : public CWnd {
public:
    BOOL SetReadOnly(BOOL read_only = TRUE);
    // Selection by byte positions of the window text ("\r\n" counts two); -1 or a position
    // past the end means the end.
    void SetSel(int start, int end, BOOL no_scroll = FALSE);
    void ReplaceSel(LPCTSTR text, BOOL can_undo = FALSE);
    void ScrollCaret();

protected:
    LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CListBox : public CWnd {
public:
    int AddString(LPCTSTR text); // index of the new item
    void ResetContent();
    int SetCurSel(int index); // -1 clears the selection
    int GetCurSel() const;    // LB_ERR (-1) when nothing is selected
    int GetCount() const;
    int GetText(int index, CString& text) const;
    int SetItemHeight(int index, UINT height);

protected:
    LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A list box with a check box per item. A user's change of a check mark (a click on the
// box, or the space bar) or of the selection reaches the map as LBN_SELCHANGE.
class CCheckListBox : public CListBox {
public:
    void SetCheck(int index, int check);
    int GetCheck(int index) const;
};

// A drop-down list. Adding items leaves the selection as it was (none after ResetContent).
class CComboBox : public CWnd {
public:
    int AddString(LPCTSTR text);
    void ResetContent();
    int SetCurSel(int index); // -1 clears the selection
    int GetCurSel() const;    // CB_ERR (-1) when nothing is selected
    int GetCount() const;
    void GetLBText(int index, CString& text) const;

protected:
    LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A trackbar. Its range takes 32-bit ends (TBM_SETRANGE only 16-bit ones); a position
// outside the range shows at its nearer end. A user's scroll reaches the map as WM_HSCROLL
// with the trackbar codes.
class CSliderCtrl : public CWnd {
public:
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE);
    int GetRangeMin() const;
    int GetRangeMax() const;
    void SetPos(int position);
    int GetPos() const;
    int SetLineSize(int size); // the previous size
    int GetLineSize() const;

protected:
    LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// SetPos and SetRange may be called from any thread: they never wait, and the bar shows the
// latest values once the user-interface thread runs.
class CProgressCtrl : public CWnd {
public:
    void SetRange(short lower, short upper);
    int SetPos(int position); // the previous position asked for
    int GetPos() const;

protected:
    LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Post_Update();
    std::atomic<int> position_{0};
    std::atomic<int> lower_{0};
    std::atomic<int> upper_{100};
    std::atomic<bool> update_posted_{false};
};

// A tab strip; its pages are separate dialogs created with the tab control as their parent
// and shown, hidden and moved by the dialog code.
class CTabCtrl : public CWnd {
public:
    int InsertItem(int index, LPCTSTR text);
    BOOL DeleteAllItems();
    BOOL DeleteItem(int index);
    int GetItemCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);

protected:
    LRESULT Control_Message(UINT message, WPARAM wParam, LPARAM lParam) override;
};
