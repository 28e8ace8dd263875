#include "ui/ScreenHost.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace vt {

namespace {
QRect PlaceOf(const TScanLinesScreen& s) { return QRect(s.Left(), s.Top(), s.Width(), s.Height()); }
}  // namespace

TScreenHost::TScreenHost(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

TScreenHost::~TScreenHost() = default;

void TScreenHost::CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) {
    if (std::find(Screens_.begin(), Screens_.end(), &screen) == Screens_.end()) Screens_.push_back(&screen);
    Updates_.Mark(QRect(screen.Left() + rect.Left, screen.Top() + rect.Top, rect.Width(), rect.Height()));
}

void TScreenHost::PlaceChanged(const TScanLinesScreen& screen) {
    if (std::find(Screens_.begin(), Screens_.end(), &screen) == Screens_.end()) Screens_.push_back(&screen);
    update();
}

void TScreenHost::ScreenGone(const TScanLinesScreen& screen) {
    const auto it = std::find(Screens_.begin(), Screens_.end(), &screen);
    if (it == Screens_.end()) return;
    update(PlaceOf(screen));
    Screens_.erase(it);
}

void TScreenHost::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const TScanLinesScreen* s : Screens_) {
        if (!s->Visible() || s->Bitmap().Image().isNull()) continue;
        const QRect area = PlaceOf(*s).intersected(event->rect());
        if (area.isEmpty()) continue;
        painter.drawImage(area, s->Bitmap().Image(), area.translated(-s->Left(), -s->Top()));
    }
}

}  // namespace vt
