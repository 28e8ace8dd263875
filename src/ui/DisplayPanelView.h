#pragma once
// The display panel on the main window: a widget over the panel's inner area, in the background
// colour, that paints the panel's screens and strips at their places. Copies only mark the dirty
// rectangle; the rectangles of a display frame become one repaint at the frame's end. When the
// widget goes, the panel stays and draws into its buffers only.
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "display/ScopeDisplayServices.h"
#include "display/ScreenMouse.h"
#include "ui/FramePacedUpdates.h"

namespace vt {

class TDisplayPanelWidget : public QWidget, public TDisplayPanelView {
public:
    TDisplayPanelWidget(QWidget* parent, TScopeDisplayServices& services);
    ~TDisplayPanelWidget() override;

    void CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) override;
    void PlaceChanged(const TScanLinesScreen& screen) override;
    void ScreenGone(const TScanLinesScreen& screen) override;
    void PlaceView(int left, int top, int width, int height) override;
    void SetViewVisible(bool visible) override;
    void SetBackground(TColor colour) override;
    void PanelGone() override;

    const std::vector<const TScanLinesScreen*>& Surfaces() const { return Surfaces_; }
    // What reached the window: copied rectangles and paint events.
    std::uint64_t CopiedRects() const { return CopiedRects_; }
    std::uint64_t PaintEvents() const { return PaintEvents_; }
    TFramePacedUpdates& Updates() { return Updates_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    // A press on the bottom strip goes to its readouts; their popup menu shows here. Presses, moves
    // and releases on a screen go to its mouse; a trace being dragged is painted here inverted.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The mouse is lost: a drag ends moving nothing.
    void focusOutEvent(QFocusEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

public:
    // The screen's mouse that took the last press, while its button is held.
    TScreenMouse* PressedMouse() const { return Pressed_; }
    void CancelDrag();
    // Every screen but the one under the pointer (none: all) drops its marker highlight.
    void LeaveScreensBut(const TSignalScreen* screen);
    // Drags the widget ended because it lost the mouse.
    std::uint64_t CancelledDrags() const { return CancelledDrags_; }

private:
    struct TMouseOfScreen {
        const TSignalScreen* Screen;
        std::unique_ptr<TScreenMouse> Mouse;
    };
    TSignalScreen* ScreenAt(const QPoint& at) const;
    TScreenMouse& MouseOf(TSignalScreen& screen);
    void FollowMouse(TScreenMouse& mouse);
    void Remember(const TScanLinesScreen& screen);
    void ShowStripMenu(const TStripMenu& model, const QPoint& at);

    TScopeDisplayServices* Services_;
    TColor Background_;
    std::vector<const TScanLinesScreen*> Surfaces_;
    std::uint64_t CopiedRects_ = 0;
    std::uint64_t PaintEvents_ = 0;
    std::vector<TMouseOfScreen> Mice_;
    TScreenMouse* Pressed_ = nullptr;
    std::uint64_t CancelledDrags_ = 0;
    const TSignalScreen* PressedScreen_ = nullptr;
    TFramePacedUpdates Updates_{*this};
};

// Gives the display services the window's panel widget, made when the panel is created.
void GiveDisplayView(TShell& shell, QWidget& window);

}  // namespace vt
