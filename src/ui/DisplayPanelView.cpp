#include "ui/DisplayPanelView.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "core/Shell.h"
#include "display/DisplayPanel.h"
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

void TDisplayPanelWidget::mousePressEvent(QMouseEvent* event) {
    TScopeCRT* panel = Services_ ? Services_->Panel() : nullptr;
    const QPoint at = event->position().toPoint();
    if (!panel || !panel->BottomStrip().Visible() || !PlaceOf(panel->BottomStrip()).contains(at)) {
        QWidget::mousePressEvent(event);
        return;
    }
    TNizText& strip = panel->BottomStrip();
    const int button = event->button() == Qt::LeftButton    ? TNizText::LeftButton
                       : event->button() == Qt::RightButton ? TNizText::RightButton
                                                            : 0;
    if (button == 0) return;
    strip.MousePress(button, at.x() - strip.Left(), at.y() - strip.Top());
    if (const TStripMenu* model = strip.PopupMenu()) ShowStripMenu(*model, event->globalPosition().toPoint());
}

void TDisplayPanelWidget::ShowStripMenu(const TStripMenu& model, const QPoint& at) {
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("StripPopupMenu"));
    for (const TStripMenuItem& item : model) {
        if (item.Separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdString(item.Caption));
        action->setData(QString::fromStdString(item.Command));
        action->setCheckable(item.Checked);
        action->setChecked(item.Checked);
        action->setEnabled(item.Enabled);
        if (item.Default) menu.setDefaultAction(action);
    }
    QAction* chosen = menu.exec(at);
    // The panel may have gone while the menu was open.
    TScopeCRT* panel = Services_ ? Services_->Panel() : nullptr;
    if (panel) panel->BottomStrip().ChoosePopupCommand(chosen ? chosen->data().toString().toStdString() : std::string());
}

}  // namespace vt
