#include "ui/FramePacedUpdates.h"

#include <QWidget>

namespace vt {

TFramePacedUpdates::TFramePacedUpdates(QWidget& widget) : Widget_(widget) {
    Frame_.setSingleShot(true);
    Frame_.setInterval(DisplayFrameMs);
    QObject::connect(&Frame_, &QTimer::timeout, [this] { EndFrame(); });
}

void TFramePacedUpdates::Mark(const QRect& rect) {
    if (rect.isEmpty()) return;
    Dirty_ |= rect;
    if (!Frame_.isActive()) Frame_.start();
}

void TFramePacedUpdates::EndFrame() {
    Frame_.stop();
    if (Dirty_.isEmpty()) return;
    Widget_.update(Dirty_);
    Dirty_ = QRect();
}

}  // namespace vt
