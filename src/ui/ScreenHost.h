#pragma once
// The window side of the drawing surfaces: a transparent widget over the display's place that paints
// the screens drawing through it, each at its own place, newer ones on top. Copies only mark the
// dirty rectangle; Qt repaints it once per turn of the event loop.
#include <QWidget>
#include <vector>

#include "display/DrawingSurfaces.h"

namespace vt {

class TScreenHost : public QWidget, public TScreenSink {
public:
    explicit TScreenHost(QWidget* parent = nullptr);
    ~TScreenHost() override;

    void CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) override;
    void PlaceChanged(const TScanLinesScreen& screen) override;
    void ScreenGone(const TScanLinesScreen& screen) override;
    const std::vector<const TScanLinesScreen*>& Screens() const { return Screens_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<const TScanLinesScreen*> Screens_;
};

}  // namespace vt
