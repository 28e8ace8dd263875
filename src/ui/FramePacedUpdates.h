#pragma once
// A widget's updates gathered over a display frame: the rectangles its screens mark during a frame go
// to Qt as one update of their union when the frame ends, so the widget is painted at most once a
// frame however often the acquisition changes its screens.
#include <QRect>
#include <QTimer>

class QWidget;

namespace vt {

// 60 frames a second.
inline constexpr int DisplayFrameMs = 16;

class TFramePacedUpdates {
public:
    explicit TFramePacedUpdates(QWidget& widget);

    // A changed rectangle in the widget's coordinates; the first of a frame starts the frame.
    void Mark(const QRect& rect);
    // The frame's end (its timer's work): the union of the frame's rectangles, one update.
    void EndFrame();
    QRect Pending() const { return Dirty_; }

private:
    QWidget& Widget_;
    QRect Dirty_;
    QTimer Frame_;
};

}  // namespace vt
