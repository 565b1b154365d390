// Inside the template builder: the widgets of the controls whose Windows behaviour Qt's own
// widgets lack. The trackbar reports every scroll with the trackbar codes; the check list
// draws a check box at the left of each item and changes it by mouse and space bar itself.
#pragma once

#include <QListWidget>
#include <QSlider>

#include "platform/ui/win_values.h"

namespace zunq::ui {

// A horizontal trackbar. Every scroll reaches the dialog as WM_HSCROLL: TB_THUMBTRACK for
// each move of a dragged thumb, TB_THUMBPOSITION where it is let go, TB_LINEUP/DOWN,
// TB_PAGEUP/DOWN, TB_TOP and TB_BOTTOM for keys and clicks beside the thumb, then
// TB_ENDTRACK when the mouse button or key is released. The position goes with the two
// thumb codes only, as on Windows.
class Track_Bar : public QSlider {
public:
    explicit Track_Bar(QWidget* parent);

    // Where the thumb's centre is at `value`, in the slider's coordinates.
    QPoint Thumb_Point(int value) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Report(UINT code);
    UINT code_ = TB_THUMBTRACK;
    bool pressed_ = false;
};

// A single-selection list box. With LBS_NOTIFY the dialog hears LBN_SELCHANGE once the user's
// click or key has selected another item, so LB_GETCURSEL in the handler finds it: Qt makes an
// item current before it selects it on a click, and makes the first item current, selecting
// nothing, when the list takes the focus. As on Windows, a click below the items or with Ctrl
// on the selected item leaves the selection as it is. Changes made by code notify nothing.
class List_Box : public QListWidget {
public:
    List_Box(QWidget* parent, bool notify);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    bool Notifies() const { return notify_; }

private:
    bool notify_;
};

// An owner-drawn list box with a check box per item (LBS_OWNERDRAWFIXED with a check list
// class). A click on an item's box, or the space bar on the current item, selects the item
// and flips its check mark; the dialog hears one LBN_SELCHANGE for it (with LBS_NOTIFY), as
// for a change of the selection alone. Changes made by code notify nothing.
class Check_List : public List_Box {
public:
    Check_List(QWidget* parent, bool notify);

    // The check box of item `row`, in the viewport's coordinates.
    QRect Check_Box(int row) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int Row_Of_Box_At(QPoint point) const; // -1 when no item's box is there
    void Flip_Check(int row);
    bool box_pressed_ = false;
};

} // namespace zunq::ui
