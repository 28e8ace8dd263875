#include "ui/DisplayPanelView.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/DisplayPanel.h"
#include "display/SignalScreen.h"
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
    // The pointer over the margin highlights channel markers, over a zoom frame it changes its shape.
    setMouseTracking(true);
    lower();
    show();
}

TDisplayPanelWidget::~TDisplayPanelWidget() {
    CancelDrag();
    Mice_.clear();
    if (Services_) Services_->ViewGone();
}

void TDisplayPanelWidget::Remember(const TScanLinesScreen& screen) {
    if (std::find(Surfaces_.begin(), Surfaces_.end(), &screen) == Surfaces_.end()) Surfaces_.push_back(&screen);
}

void TDisplayPanelWidget::CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) {
    Remember(screen);
    ++CopiedRects_;
    Updates_.Mark(QRect(screen.Left() + rect.Left, screen.Top() + rect.Top, rect.Width(), rect.Height()));
}

void TDisplayPanelWidget::PlaceChanged(const TScanLinesScreen& screen) {
    Remember(screen);
    update();
}

void TDisplayPanelWidget::ScreenGone(const TScanLinesScreen& screen) {
    if (PressedScreen_ == &screen) CancelDrag();
    std::erase_if(Mice_, [&screen](const TMouseOfScreen& m) { return m.Screen == &screen; });
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
    CancelDrag();
    Mice_.clear();
    Services_ = nullptr;
    Surfaces_.clear();
}

void TDisplayPanelWidget::paintEvent(QPaintEvent* event) {
    ++PaintEvents_;
    QPainter painter(this);
    // The screens' images are opaque: the background only where none lies.
    QRegion background = event->region();
    for (const TScanLinesScreen* s : Surfaces_) {
        if (!s->Visible() || s->Bitmap().Image().isNull()) continue;
        const QRect area = PlaceOf(*s).intersected(event->rect());
        if (area.isEmpty()) continue;
        painter.drawImage(area, s->Bitmap().Image(), area.translated(-s->Left(), -s->Top()));
        background -= area;
    }
    for (const QRect& r : background) painter.fillRect(r, ToQColor(Background_));
    // The dragged trace over its screen, inverting what lies below; the screen's buffer keeps its picture.
    if (!Pressed_ || !PressedScreen_ || !Pressed_->DragImage()) return;
    const TSignalScreen& s = *PressedScreen_;
    painter.setClipRect(PlaceOf(s));
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawImage(QPoint(s.Left() + Pressed_->DragOffsetX(), s.Top() + Pressed_->DragOffsetY()),
                      Pressed_->DragImage()->Image());
}

// ------------------------------------------------------------------------------------------- mouse

namespace {
int ButtonOf(Qt::MouseButton b) { return b == Qt::LeftButton ? mbLeft : b == Qt::RightButton ? mbRight : 0; }
int ButtonsOf(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? mbLeft : 0) | (b & Qt::RightButton ? mbRight : 0) | (b & Qt::MiddleButton ? 4 : 0);
}
int ShiftOf(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::AltModifier ? 2 : 0) | (m & Qt::ControlModifier ? 4 : 0);
}
}  // namespace

TSignalScreen* TDisplayPanelWidget::ScreenAt(const QPoint& at) const {
    TScopeCRT* panel = Services_ ? Services_->Panel() : nullptr;
    if (!panel) return nullptr;
    for (int k = 1; k <= MaxScreens; ++k) {
        TSignalScreen* s = panel->Screen(k);
        if (s && s->Visible() && PlaceOf(*s).contains(at)) return s;
    }
    return nullptr;
}

TScreenMouse& TDisplayPanelWidget::MouseOf(TSignalScreen& screen) {
    for (TMouseOfScreen& m : Mice_)
        if (m.Screen == &screen) return *m.Mouse;
    Mice_.push_back({&screen, std::make_unique<TScreenMouse>(*Services_->Panel(), screen, Services_->MouseActions,
                                                             &Services_->Shell())});
    return *Mice_.back().Mouse;
}

void TDisplayPanelWidget::FollowMouse(TScreenMouse& mouse) {
    switch (mouse.Cursor()) {
        case crCross: setCursor(Qt::CrossCursor); break;
        case crPointing: setCursor(Qt::PointingHandCursor); break;
        default: unsetCursor(); break;
    }
    if (&mouse == Pressed_ && PressedScreen_) update(PlaceOf(*PressedScreen_));
}

void TDisplayPanelWidget::CancelDrag() {
    TScreenMouse* pressed = Pressed_;
    const TSignalScreen* screen = PressedScreen_;
    Pressed_ = nullptr;
    PressedScreen_ = nullptr;
    if (!pressed) return;
    ++CancelledDrags_;
    const bool image = pressed->DragImage() != nullptr;
    pressed->Cancel();
    if (image && screen) update(PlaceOf(*screen));
}

void TDisplayPanelWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    TSignalScreen* screen = Pressed_ ? const_cast<TSignalScreen*>(PressedScreen_) : ScreenAt(at);
    // Off a screen straight from its marker: no move reaches that screen any more.
    if (!Pressed_) LeaveScreensBut(screen);
    if (!screen) return;
    TScreenMouse& mouse = Pressed_ ? *Pressed_ : MouseOf(*screen);
    mouse.Move(ButtonsOf(event->buttons()), ShiftOf(event->modifiers()), at.x() - screen->Left(), at.y() - screen->Top());
    FollowMouse(mouse);
}

void TDisplayPanelWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!Pressed_ || !PressedScreen_) return;
    const QPoint at = event->position().toPoint();
    TScreenMouse& mouse = *Pressed_;
    const TSignalScreen& screen = *PressedScreen_;
    const bool image = mouse.DragImage() != nullptr;
    Pressed_ = nullptr;
    PressedScreen_ = nullptr;
    mouse.Release(ButtonOf(event->button()), ShiftOf(event->modifiers()), at.x() - screen.Left(), at.y() - screen.Top());
    FollowMouse(mouse);
    if (image) update(PlaceOf(screen));
}

void TDisplayPanelWidget::LeaveScreensBut(const TSignalScreen* screen) {
    for (TMouseOfScreen& m : Mice_)
        if (m.Screen != screen) m.Mouse->Leave();
}

void TDisplayPanelWidget::leaveEvent(QEvent* event) {
    if (!Pressed_) LeaveScreensBut(nullptr);
    QWidget::leaveEvent(event);
}

void TDisplayPanelWidget::focusOutEvent(QFocusEvent* event) {
    CancelDrag();
    QWidget::focusOutEvent(event);
}

void TDisplayPanelWidget::hideEvent(QHideEvent* event) {
    CancelDrag();
    QWidget::hideEvent(event);
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
        if (TSignalScreen* screen = panel && !Pressed_ ? ScreenAt(at) : nullptr) {
            TScreenMouse& mouse = MouseOf(*screen);
            // Whatever the drag writes, up to the release, is one undo step.
            if (TUndoBuffer* undo = Services_->Shell().UndoBuffer()) undo->BeginStep();
            Pressed_ = &mouse;
            PressedScreen_ = screen;
            mouse.Press(ButtonOf(event->button()), ShiftOf(event->modifiers()), at.x() - screen->Left(),
                        at.y() - screen->Top());
            FollowMouse(mouse);
            return;
        }
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
