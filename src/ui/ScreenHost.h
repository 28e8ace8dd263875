#pragma once
// The window side of the drawing surfaces: a transparent widget over the display's place that paints
// the screens drawing through it, each at its own place, newer ones on top. Copies only mark the
// dirty rectangle; the rectangles of a display frame become one repaint at the frame's end.
#include <QWidget>
#include <vector>

#include "display/DrawingSurfaces.h"
#include "ui/FramePacedUpdates.h"

namespace vt {

class TScreenHost : public QWidget, public TScreenSink {
public:
    explicit TScreenHost(QWidget* parent = nullptr);
    ~TScreenHost() override;

    void CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) override;
    void PlaceChanged(const TScanLinesScreen& screen) override;
    void ScreenGone(const TScanLinesScreen& screen) override;
    const std::vector<const TScanLinesScreen*>& Screens() const { return Screens_; }
    TFramePacedUpdates& Updates() { return Updates_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<const TScanLinesScreen*> Screens_;
    TFramePacedUpdates Updates_{*this};
};

}  // namespace vt
