#include "ui/DisplayPanelView.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "core/Shell.h"
#include "ui/QtColor.h"

namespace vt {

namespace {
// The panel's single border: its screens lie inside it.
constexpr int Border = 2;
QRect PlaceOf(const TScanLinesScreen& s) { return QRect(s.Left(), s.Top(), s.Width(), s.Height()); }
}  // namespace

TDisplayPanelWidget::TDisplayPanelWidget(QWidget* parent, TScopeDisplayServices& services)
    : QWidget(parent), Services_(&services) {
    setObjectName(QStringLiteral("DisplayPanel"));
    // Every pixel is painted here: no background of the style beneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    lower();
    show();
}

TDisplayPanelWidget::~TDisplayPanelWidget() {
    if (Services_) Services_->ViewGone();
}

void TDisplayPanelWidget::Remember(const TScanLinesScreen& screen) {
    if (std::find(Surfaces_.begin(), Surfaces_.end(), &screen) == Surfaces_.end()) Surfaces_.push_back(&screen);
}

void TDisplayPanelWidget::CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) {
    Remember(screen);
    ++CopiedRects_;
    update(QRect(screen.Left() + rect.Left, screen.Top() + rect.Top, rect.Width(), rect.Height()));
}

void TDisplayPanelWidget::PlaceChanged(const TScanLinesScreen& screen) {
    Remember(screen);
    update();
}

void TDisplayPanelWidget::ScreenGone(const TScanLinesScreen& screen) {
    const auto it = std::find(Surfaces_.begin(), Surfaces_.end(), &screen);
    if (it == Surfaces_.end()) return;
    update(PlaceOf(screen));
    Surfaces_.erase(it);
}

void TDisplayPanelWidget::PlaceView(int left, int top, int width, int height) {
    setGeometry(left + Border, top + Border, std::max(0, width - 2 * Border), std::max(0, height - 2 * Border));
}

void TDisplayPanelWidget::SetViewVisible(bool visible) { setVisible(visible); }

void TDisplayPanelWidget::SetBackground(TColor colour) {
    Background_ = colour;
    update();
}

void TDisplayPanelWidget::PanelGone() {
    Services_ = nullptr;
    Surfaces_.clear();
}

void TDisplayPanelWidget::paintEvent(QPaintEvent* event) {
    ++PaintEvents_;
    QPainter painter(this);
    painter.fillRect(event->rect(), ToQColor(Background_));
    for (const TScanLinesScreen* s : Surfaces_) {
        if (!s->Visible() || s->Bitmap().Image().isNull()) continue;
        const QRect area = PlaceOf(*s).intersected(event->rect());
        if (area.isEmpty()) continue;
        painter.drawImage(area, s->Bitmap().Image(), area.translated(-s->Left(), -s->Top()));
    }
}

void GiveDisplayView(TShell& shell, QWidget& window) {
    auto* services = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
    if (!services) return;
    services->SetViewFactory([&window, services]() -> TDisplayPanelView* {
        return new TDisplayPanelWidget(&window, *services);
    });
}

}  // namespace vt
