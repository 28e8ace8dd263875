#include "ui/controls/EditSwitcher.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QTimer>

#include "core/EditHandlers.h"
#include "core/InternalError.h"
#include "core/LanguageFile.h"
#include "ui/VeltraneApplication.h"

namespace vt {

namespace {

// The repeat timer of the running program.
class TQtStepTimer : public IStepTimer {
public:
    explicit TQtStepTimer(std::function<void()> onTick) {
        // A timer entry: an error goes to the application's error handler, never through the loop.
        QObject::connect(&Timer_, &QTimer::timeout, [tick = std::move(onTick)] { GuardedCall(tick); });
    }
    void SetInterval(int ms) override { Timer_.setInterval(ms); }
    int Interval() const override { return Timer_.interval(); }
    void SetEnabled(bool enabled) override {
        if (enabled) {
            Timer_.start();
        } else {
            Timer_.stop();
        }
    }
    bool Enabled() const override { return Timer_.isActive(); }

private:
    QTimer Timer_;
};

bool IsArrowKey(int key) { return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right; }

}  // namespace

TRC_EditSwitcher::TRC_EditSwitcher(QWidget* parent) : TRC_LabelSwitcher(parent) {
    setFocusPolicy(Qt::StrongFocus);  // a tab stop
    TimerFactory_ = [](std::function<void()> onTick) { return std::make_unique<TQtStepTimer>(std::move(onTick)); };
    Menu_ = new QMenu(this);
    auto add = [this](const char* name, const char* text) {
        QAction* a = Menu_->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, a] { MenuItemClick(*a); });
        return a;
    };
    Menu_->setDefaultAction(add("Calc", "Calculator"));
    Menu_->addSeparator();
    FineItem_ = add("Fine", "Fine");
    FineItem_->setCheckable(true);
    Menu_->addSeparator();
    add("Max", "Max");
    add("Mid", "Mid");
    add("Min", "Min");
}

TRC_EditSwitcher::~TRC_EditSwitcher() = default;

QRect TRC_EditSwitcher::LayoutValueField() const { return ValueFieldRect(ContentRect(), width(), WithHot(), true); }

QRect TRC_EditSwitcher::ArrowRect(int arrow) const {
    const QRect content = ContentRect();
    const QRect field = LayoutValueField();
    const int fieldEnd = field.x() + field.width();
    const int contentEnd = content.x() + content.width();
    if (WithHot()) {
        const int left = fieldEnd + 1;
        return {left, content.top() + 3 + 12 * arrow, contentEnd - 1 - left, 11};
    }
    const int left = fieldEnd + 1;
    return {left, content.top() + 10 * arrow, contentEnd - 1 - left, 10};
}

int TRC_EditSwitcher::ArrowAt(const QPoint& pos) const {
    for (int i = 0; i < 2; ++i)
        if (ArrowRect(i).contains(pos)) return i;
    return NoArrow;
}

void TRC_EditSwitcher::CheckHandler() {
    const TEditHandler* h = EditHandler();
    FineAvailable_ = h && h->FineStepKind() != skNone;
    FineItem_->setEnabled(FineAvailable_);
}

void TRC_EditSwitcher::SetFineMode(bool on) {
    FineMode_ = on;
    FineItem_->setChecked(on);
    update();
}

void TRC_EditSwitcher::Beep() { KitBeep(Kit()); }

void TRC_EditSwitcher::Step(int action) {
    if (TEditHandler* h = EditHandler()) h->Step(action);
}

int TRC_EditSwitcher::FirstStepAction(bool up) const {
    if (up) return FineMode_ ? saFineUp : saCoarseUp;
    return FineMode_ ? saFineDown : saCoarseDown;
}

// --- mouse run ---

void TRC_EditSwitcher::StartMouseRun(int arrow) {
    if (Timer_) VT_INTERNAL_ERROR(AllMyControlsUnit, "Taimer uze estj!");
    Pressed_[static_cast<std::size_t>(arrow)] = true;
    MouseArrow_ = arrow;
    update();
    Step(FirstStepAction(arrow == 0));
    Timer_ = TimerFactory_([this] { RepeatTick(); });
    Timer_->SetInterval(StepRepeatInterval(0));
    Timer_->SetEnabled(true);
}

void TRC_EditSwitcher::RepeatTick() {
    if (!Timer_) return;
    Timer_->SetEnabled(false);
    Step(saRepeat);
    if (!Timer_) return;  // the step's callbacks ended the run
    Timer_->SetInterval(StepRepeatInterval(1));
    Timer_->SetEnabled(true);
}

void TRC_EditSwitcher::EndMouseRun() {
    if (MouseArrow_ == NoArrow && !Timer_) return;
    Pressed_ = {};
    MouseArrow_ = NoArrow;
    update();
    Step(saEndOfRun);
    Timer_.reset();
}

void TRC_EditSwitcher::mousePressEvent(QMouseEvent* event) {
    TRC_LabelSwitcher::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || KeyRun_ || MouseArrow_ != NoArrow) return;
    const int arrow = ArrowAt(event->position().toPoint());
    if (arrow != NoArrow) StartMouseRun(arrow);
}

void TRC_EditSwitcher::mouseMoveEvent(QMouseEvent* event) {
    TRC_LabelSwitcher::mouseMoveEvent(event);
    if (MouseArrow_ == NoArrow) return;
    const bool over = ArrowRect(MouseArrow_).contains(event->position().toPoint());
    bool& pressed = Pressed_[static_cast<std::size_t>(MouseArrow_)];
    if (over == pressed) return;
    pressed = over;
    if (Timer_) Timer_->SetEnabled(over);
    update();
}

void TRC_EditSwitcher::mouseReleaseEvent(QMouseEvent* event) {
    TRC_LabelSwitcher::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) EndMouseRun();
}

void TRC_EditSwitcher::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click on an arrow steps like any press.
    if (ArrowAt(event->position().toPoint()) != NoArrow) {
        mousePressEvent(event);
        return;
    }
    TRC_LabelSwitcher::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && Tag_ >= 0) OpenCalculator();
}

void TRC_EditSwitcher::focusOutEvent(QFocusEvent* event) {
    TRC_LabelSwitcher::focusOutEvent(event);
    // The release of a held arrow or key now goes elsewhere, a pop-up included: a run left open would
    // step on and keep the arrows from taking the mouse.
    EndMouseRun();
    EndKeyRun();
    // The control's own pop-up menu does not take the entry away.
    if (event->reason() == Qt::PopupFocusReason) return;
    if (Typing_.Typing) LeaveTyping();
}

void TRC_EditSwitcher::changeEvent(QEvent* event) {
    TRC_LabelSwitcher::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        EndMouseRun();
        EndKeyRun();
    }
}

void TRC_EditSwitcher::hideEvent(QHideEvent* event) {
    TRC_LabelSwitcher::hideEvent(event);
    EndMouseRun();
    EndKeyRun();
}

// --- keys ---

void TRC_EditSwitcher::StartKeyRun(int key, bool up) {
    EndMouseRun();
    KeyRun_ = true;
    RunKey_ = key;
    Step(FirstStepAction(up));
}

void TRC_EditSwitcher::EndKeyRun() {
    if (!KeyRun_) return;
    KeyRun_ = false;
    RunKey_ = 0;
    Step(saEndOfRun);
}

void TRC_EditSwitcher::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (KeyRun_ && key == RunKey_) {
        Step(saRepeat);
        return;
    }
    EndKeyRun();
    if (key == Qt::Key_Delete) {
        if (Typing_.Typing) LeaveTyping();
        return;
    }
    if (!Typing_.Typing) {
        if (IsArrowKey(key)) {
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                SetFineMode(false);
            } else if (FineAvailable_) {
                SetFineMode(true);
            }
            StartKeyRun(key, key == Qt::Key_Up || key == Qt::Key_Right);
            return;
        }
        TEditHandler* h = EditHandler();
        switch (key) {
            case Qt::Key_End: EndMouseRun(); if (h) h->SetSpecialValue(0); return;
            case Qt::Key_Home: EndMouseRun(); if (h) h->SetSpecialValue(2); return;
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Clear: EndMouseRun(); if (h) h->SetSpecialValue(1); return;
            default: break;
        }
    }
    const QString text = event->text();
    if (text.size() == 1 && text.at(0).unicode() < 128) {
        TypeCharacter(static_cast<char>(text.at(0).unicode()));
        return;
    }
    TRC_LabelSwitcher::keyPressEvent(event);
}

void TRC_EditSwitcher::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat() && KeyRun_ && event->key() == RunKey_) {
        EndKeyRun();
        return;
    }
    TRC_LabelSwitcher::keyReleaseEvent(event);
}

// --- typing ---

void TRC_EditSwitcher::TypeCharacter(char c) {
    const TTypeResult r = TypeChar(Typing_, c);
    switch (r.Outcome) {
        case TTypeOutcome::Ignored: return;
        case TTypeOutcome::Refused: Beep(); return;
        case TTypeOutcome::Accepted:
        case TTypeOutcome::Left: update(LayoutValueField()); return;
        case TTypeOutcome::Commit:
            update(LayoutValueField());
            if (TEditHandler* h = EditHandler()) h->SetValueFromSwitcher(r.Value);
            return;
    }
}

void TRC_EditSwitcher::LeaveTyping() {
    Typing_ = {};
    update(LayoutValueField());
}

bool TRC_EditSwitcher::ProcessKey(int code) {
    if (code == PadBackspaceCode) {
        TypeCharacter(TypedBackspace);
    } else if (code == PadEscapeCode) {
        TypeCharacter(TypedEscape);
    } else if (code >= 0 && code < 128) {
        TypeCharacter(static_cast<char>(code));
    }
    return Typing_.Typing;
}

// --- menu ---

void TRC_EditSwitcher::OpenCalculator() {
    TKitContext* kit = Kit();
    if (kit && kit->Calculator) kit->Calculator(*this);
}

void TRC_EditSwitcher::MenuItemClick(const QAction& item) {
    const QString name = item.objectName();
    TEditHandler* h = EditHandler();
    if (name == QLatin1String("Max")) {
        if (h) h->SetSpecialValue(2);
    } else if (name == QLatin1String("Mid")) {
        if (h) h->SetSpecialValue(1);
    } else if (name == QLatin1String("Min")) {
        if (h) h->SetSpecialValue(0);
    } else if (name == QLatin1String("Fine")) {
        SetFineMode(!FineMode_);
    } else if (name == QLatin1String("Calc")) {
        OpenCalculator();
    } else {
        VT_INTERNAL_ERROR(AllMyControlsUnit, "Unknovn Menu Item");
    }
}

void TRC_EditSwitcher::contextMenuEvent(QContextMenuEvent* event) {
    // The menu takes the mouse and the keys: no run outlives its opening.
    EndMouseRun();
    EndKeyRun();
    Menu_->exec(event->globalPos());
}

// --- painting ---

void TRC_EditSwitcher::PaintContent(QPainter& p, const QRect& rect) {
    TRC_LabelSwitcher::PaintContent(p, rect);
    PaintArrow(p, 0);
    PaintArrow(p, 1);
}

void TRC_EditSwitcher::PaintArrow(QPainter& p, int arrow) {
    const QRect r = ArrowRect(arrow);
    if (r.width() <= 2 || r.height() <= 2) return;
    const bool pressed = Pressed_[static_cast<std::size_t>(arrow)];
    const QPalette& pal = palette();
    p.fillRect(r, SysColor(pal, TSysColor::BtnFace));
    const QColor light = SysColor(pal, TSysColor::BtnHighlight), dark = SysColor(pal, TSysColor::BtnShadow);
    p.setPen(pressed ? dark : light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(pressed ? light : dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    const QColor glyph = isEnabled() ? QColor(Qt::black) : SysColor(pal, TSysColor::InactiveCaption);
    const int shift = pressed ? 1 : 0;
    const int cx = r.center().x() + shift;
    const int cy = r.center().y() + shift;
    const int dir = arrow == 0 ? -1 : 1;  // the tip's side
    p.setPen(glyph);
    p.setBrush(glyph);
    if (FineMode_) {
        // Fine steps: a small tip over a bar.
        p.drawPolygon(QPolygon({QPoint(cx, cy + 2 * dir), QPoint(cx - 2, cy), QPoint(cx + 2, cy)}));
        p.drawLine(cx - 3, cy - dir, cx + 3, cy - dir);
    } else {
        p.drawPolygon(QPolygon({QPoint(cx, cy + 2 * dir), QPoint(cx - 3, cy - dir), QPoint(cx + 3, cy - dir)}));
    }
    p.setBrush(Qt::NoBrush);
}

// --- language texts ---

void TRC_EditSwitcher::WriteLangTexts(const TFormTextSink& sink, std::string_view key) const {
    std::string k(key);
    k += kLangDimension;
    if (const TEditHandler* h = EditHandler()) {
        sink.Write(k, h->Units());
    } else {
        const_cast<TRC_EditSwitcher*>(this)->Beep();
        sink.Write(k, kLangDimensionUndefined);
    }
}

void TRC_EditSwitcher::ApplyLangTexts(const TFormTextSource& source, std::string_view key) {
    std::string k(key);
    k += kLangDimension;
    std::string units;
    if (source.Read(k, units) && !units.empty())
        if (TEditHandler* h = EditHandler()) h->SetUnits(units);
}

}  // namespace vt
