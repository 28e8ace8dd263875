#include "ui/MainMenuButton.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "ui/QtColor.h"
#include "ui/controls/Switcher.h"

namespace vt {

namespace {
constexpr TColor FrameColor{0x808080};
}

TButtonOfMainMenu::TButtonOfMainMenu(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::PreventContextMenu);  // the right button opens the right-hand menu
}

void TButtonOfMainMenu::SetState(TButtonOfMainMenuState state) {
    if (State_ == state) return;
    State_ = state;
    update();
}

bool TButtonOfMainMenu::LeftMenuOn() const {
    return isEnabled() &&
           (State_ == TButtonOfMainMenuState::bmmsLeft || State_ == TButtonOfMainMenuState::bmmsBoth);
}

bool TButtonOfMainMenu::RightMenuOn() const {
    return isEnabled() &&
           (State_ == TButtonOfMainMenuState::bmmsRight || State_ == TButtonOfMainMenuState::bmmsBoth);
}

void TButtonOfMainMenu::SetLeftMenuOn(bool on) {
    using S = TButtonOfMainMenuState;
    if (on) {
        if (State_ == S::bmmsOff) SetState(S::bmmsLeft);
        else if (State_ == S::bmmsRight) SetState(S::bmmsBoth);
    } else {
        if (State_ == S::bmmsLeft) SetState(S::bmmsOff);
        else if (State_ == S::bmmsBoth) SetState(S::bmmsRight);
    }
}

void TButtonOfMainMenu::SetRightMenuOn(bool on) {
    using S = TButtonOfMainMenuState;
    if (on) {
        if (State_ == S::bmmsOff) SetState(S::bmmsRight);
        else if (State_ == S::bmmsLeft) SetState(S::bmmsBoth);
    } else {
        if (State_ == S::bmmsRight) SetState(S::bmmsOff);
        else if (State_ == S::bmmsBoth) SetState(S::bmmsLeft);
    }
}

void TButtonOfMainMenu::SetCaption(const QString& caption) {
    if (Caption_ == caption) return;
    Caption_ = caption;
    // The new caption may change the size of its whole row.
    if (QWidget* row = parentWidget()) row->update();
    else update();
}

TColor TButtonOfMainMenu::FillColor() const {
    if (!isEnabled()) return TColor(0xC0C0C0);
    switch (State_) {
        case TButtonOfMainMenuState::bmmsLeft: return LeftMenuColor;
        case TButtonOfMainMenuState::bmmsRight: return RightMenuColor;
        case TButtonOfMainMenuState::bmmsBoth: return TColor(0xFFFFCC);
        case TButtonOfMainMenuState::bmmsOff: break;
    }
    return TColor(0xD0D0D0);
}

void TButtonOfMainMenu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    const QColor frame = ToQColor(FrameColor);
    p.fillRect(r, ToQColor(FillColor()));
    // Raised frame: light top-left, grey bottom-right.
    p.setPen(ToQColor(clWhite));
    p.drawLine(r.left(), r.top(), r.right() - 1, r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom() - 1);
    p.setPen(frame);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    // One pixel of frame colour in each inner corner.
    p.drawPoint(r.left() + 1, r.top() + 1);
    p.drawPoint(r.right() - 1, r.top() + 1);
    p.drawPoint(r.left() + 1, r.bottom() - 1);
    p.drawPoint(r.right() - 1, r.bottom() - 1);
    p.setPen(isEnabled() ? ToQColor(clBlack) : frame);
    // The caption keeps clear of the frame: it narrows to the room inside a margin on either side.
    p.setFont(CaptionFont());
    p.drawText(CaptionRoom(), Qt::AlignCenter | Qt::TextSingleLine, ShownCaption());
}

QRect TButtonOfMainMenu::CaptionRoom() const { return rect().adjusted(CaptionMargin, 0, -CaptionMargin, 0); }

double TButtonOfMainMenu::OwnCaptionPoints() const {
    const int room = CaptionRoom().width();
    if (OwnPointsCaption_ != Caption_ || OwnPointsRoom_ != room || OwnPointsFont_ != font()) {
        OwnPointsCaption_ = Caption_;
        OwnPointsRoom_ = room;
        OwnPointsFont_ = font();
        OwnPoints_ = FittedFont(font(), Caption_, room, MainMenuLeastPoints).pointSizeF();
    }
    return OwnPoints_;
}

QFont TButtonOfMainMenu::CaptionFont() const {
    // A row reads as one: every caption in it takes the size of its smallest, and only narrows its
    // letters further where it needs to.
    double points = OwnCaptionPoints();
    if (const QWidget* row = parentWidget())
        for (const QObject* child : row->children())
            if (const auto* b = dynamic_cast<const TButtonOfMainMenu*>(child);
                b && b != this && !b->Caption_.isEmpty() && b->y() == y())
                points = std::min(points, b->OwnCaptionPoints());
    QFont font = this->font();
    font.setPointSizeF(points);
    return FittedFont(font, Caption_, CaptionRoom().width(), MainMenuLeastPoints);
}

QString TButtonOfMainMenu::ShownCaption() const {
    // Cut at its end, a caption still starts as the user knows it; cut at both ends it reads as none.
    // (The toolkit's own elision measures narrowed letters at their full width.)
    const QFontMetrics metrics(CaptionFont());
    const int room = CaptionRoom().width();
    if (metrics.horizontalAdvance(Caption_) <= room) return Caption_;
    const QChar ellipsis(0x2026);
    QString start = Caption_;
    while (!start.isEmpty() && metrics.horizontalAdvance(start + ellipsis) > room) start.chop(1);
    return start + ellipsis;
}

void TButtonOfMainMenu::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) OnMouseDown(*this, event->button());
    event->accept();
}

void TButtonOfMainMenu::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

}  // namespace vt
