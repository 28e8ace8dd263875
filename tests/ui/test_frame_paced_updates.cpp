// The screens' copies reach the window as one paint per display frame, of the union of the frame's
// rectangles.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QTest>
#include <vector>

#include "display/DrawingSurfaces.h"
#include "ui/ScreenHost.h"

namespace vt {
namespace {

class TPaintRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) Rects.push_back(static_cast<QPaintEvent*>(event)->rect());
        return false;
    }
    std::vector<QRect> Rects;
};

TEST(FramePacedUpdates, TheCopiesOfAFrameBecomeOnePaintOfTheirUnion) {
    TScreenHost host;
    host.resize(400, 300);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    TScanLinesScreen screen(&host);
    screen.Resize(30, 20, 200, 100);
    host.Updates().EndFrame();
    QCoreApplication::processEvents();
    TPaintRecorder paints;
    host.installEventFilter(&paints);

    // Three changes in one frame, as an acquisition makes them, each followed by the window's update
    // requests (the toolkit would merge updates marked in one turn anyway; timers stay out, so the
    // frame cannot end early): nothing is painted until the frame ends.
    for (const TPixelRect& change : {TPixelRect{10, 5, 19, 14}, TPixelRect{100, 40, 109, 49}, TPixelRect{50, 80, 59, 89}}) {
        host.CopyToWindow(screen, change);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        EXPECT_TRUE(paints.Rects.empty()) << "painted before the frame ended";
    }
    EXPECT_EQ(host.Updates().Pending(), QRect(QPoint(40, 25), QPoint(139, 109)));
    host.Updates().EndFrame();
    QCoreApplication::processEvents();
    ASSERT_EQ(paints.Rects.size(), 1u);
    EXPECT_EQ(paints.Rects[0], QRect(QPoint(40, 25), QPoint(139, 109)));

    // A frame without changes paints nothing.
    host.Updates().EndFrame();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.Rects.size(), 1u);
    host.removeEventFilter(&paints);
}

}  // namespace
}  // namespace vt
