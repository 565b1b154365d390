// Inside the template builder: the widgets of the controls whose Windows behaviour Qt's own
// widgets lack. The trackbar reports every scroll with the trackbar codes; the check list
// draws a check box at the left of each item and changes it by mouse and space bar itself;
// the progress bar and a static over it paint cheaply enough to follow a burn.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QSlider>

#include <vector>

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

// A progress bar painted flat: a frame, the control's background and the done part as one
// rectangle of the highlight colour. The style's bar (rounded, shaded, antialiased) cost more
// than all else a burn paints, at every new percent. It paints every pixel of its rectangle, so
// nothing beneath it is painted first. Still a QProgressBar: its value is published to
// assistive technology as before.
class Progress_Bar : public QProgressBar {
public:
    explicit Progress_Bar(QWidget* parent);

    // Shows `value` of `lower`..`upper`, repainted with whatever else changes before the next
    // paint (Qt would repaint a bar at once, in a pass of its own), a label lying on it with it
    // when the done part's end moved across the label; nothing is repainted when it shows them
    // already.
    void Show(int lower, int upper, int value);
    // Paints the bar with `painter`, whose origin is the bar's top left corner; the painter's
    // clip says which part.
    void Paint(QPainter& painter) const;
    // `label` lies on the bar and paints the bar's part beneath it itself: Qt takes it as
    // opaque and repaints it with the bar only when told.
    void Carry(QWidget* label);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Where the done part ends, in the bar's coordinates: the first pixel not done.
    int Done_End() const;

    std::vector<QPointer<QWidget>> labels_;
};

// A static text control. One that lies on a progress bar (the percent over the burn's bar)
// paints the part of the bar beneath it itself, so Qt takes it as opaque: a new text repaints
// the label alone, never the bar, and each new position of the bar repaints the label with it.
// Without a background colour of its own it looks as a transparent label over the bar does.
class Static_Label : public QLabel {
public:
    Static_Label(const QString& text, QWidget* parent);

    // The bar this label lies on.
    void Lie_On(Progress_Bar& bar);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Progress_Bar* Bar_Beneath() const; // null once it no longer covers the label
    QPointer<const Progress_Bar> bar_;
};

} // namespace zunq::ui
