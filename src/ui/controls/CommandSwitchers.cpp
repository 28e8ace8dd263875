#include "ui/controls/CommandSwitchers.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <algorithm>

#include "core/InternalError.h"
#include "core/LanguageFile.h"

namespace vt {

std::vector<QRect> CommandButtonRects(bool frameless, int count, const QRect& content) {
    if (frameless) return {content};
    if (count == 2) return {QRect(QPoint(4, 20), QPoint(51, 37)), QRect(QPoint(52, 20), QPoint(98, 37))};
    return {QRect(QPoint(4, 20), QPoint(68, 37))};
}

// ---------------------------------------------------------------------------------------------------

void TCommandButtonsLogic::SetCount(int count) {
    Count_ = std::clamp(count, 1, 2);
    if (Focused_ >= Count_) Focused_ = Count_ - 1;
}

int TCommandButtonsLogic::ShownState(int b) const {
    const int state = State(b);
    const int pressed = MousePressed_ >= 0 ? MousePressed_ : KeyPressed_;
    if (pressed == b && Over_ && state != cbsLatched) return cbsPushed;
    return state;
}

void TCommandButtonsLogic::SetLatching(bool latching) {
    Latching_ = latching;
    if (!latching) Releasable_ = false;
}

void TCommandButtonsLogic::SetReleasable(bool releasable) { Releasable_ = releasable && Latching_; }

void TCommandButtonsLogic::Leave() {
    Focused_ = -1;
    // A Space press whose release will never come must not leave the button pushed.
    if (KeyPressed_ >= 0) CancelPress();
}

void TCommandButtonsLogic::KeyLeft() {
    if (Focused_ == 1) Focused_ = 0;
}

void TCommandButtonsLogic::KeyRight() {
    if (Focused_ == 0 && Count_ == 2) Focused_ = 1;
}

bool TCommandButtonsLogic::MousePress(int button) {
    if (KeyPressed_ >= 0 || button < 0 || button >= Count_) return false;
    MousePressed_ = button;
    Over_ = true;
    return true;
}

void TCommandButtonsLogic::MouseMove(bool overPressedButton) {
    if (MousePressed_ >= 0) Over_ = overPressedButton;
}

int TCommandButtonsLogic::MouseRelease(bool overPressedButton) {
    if (MousePressed_ < 0) return -1;
    const int b = MousePressed_;
    return Release(b, overPressedButton);
}

bool TCommandButtonsLogic::SpacePress() {
    if (MousePressed_ >= 0 || KeyPressed_ >= 0 || Focused_ < 0) return false;
    KeyPressed_ = Focused_;
    Over_ = true;
    return true;
}

int TCommandButtonsLogic::SpaceRelease() {
    if (KeyPressed_ < 0) return -1;
    return Release(KeyPressed_, true);
}

void TCommandButtonsLogic::CancelPress() {
    MousePressed_ = -1;
    KeyPressed_ = -1;
    Over_ = false;
}

int TCommandButtonsLogic::Release(int b, bool over) {
    const int shown = ShownState(b);
    CancelPress();
    if (!over) return -1;  // the press was dragged off the button
    int next = shown;
    if (shown == cbsPushed) {
        next = Latching_ ? cbsLatched : cbsUp;
    } else if (shown == cbsLatched) {
        if (!Releasable_) return -1;
        next = cbsUp;
    }
    if (next == shown) return -1;
    SetState(b, next);
    return b;
}

// ---------------------------------------------------------------------------------------------------

TCommandMenuTable BuildCommandMenuTable(const QStringList& lines) {
    TCommandMenuTable table;
    for (int line = 0; line < lines.size(); ++line) {
        if (lines[line] == QLatin1String(CommandMenuDelimiter)) {
            table.LineEntry.push_back(-1);
        } else if (table.EntryCount() < MaxCommandMenuEntries) {
            table.LineEntry.push_back(table.EntryCount());
            table.EntryLine.push_back(line);
        } else {
            table.LineEntry.push_back(-2);
        }
    }
    return table;
}

int CommandMenuEntryOfName(const QString& name) {
    if (!name.startsWith(QLatin1String("Item"))) return -1;
    bool ok = false;
    const int n = name.mid(4).toInt(&ok);
    return ok && n >= 0 ? n : -1;
}

// ---------------------------------------------------------------------------------------------------

TRC_CustomCmmandSwitcher::TRC_CustomCmmandSwitcher(QWidget* parent, int buttonCount)
    : TRC_Switcher(parent), Logic_(buttonCount) {
    setFocusPolicy(Qt::StrongFocus);
}

void TRC_CustomCmmandSwitcher::SetTextColor(const QColor& color) {
    TextColor_ = color;
    update();
}

QString TRC_CustomCmmandSwitcher::ButtonText(int) const { return {}; }

void TRC_CustomCmmandSwitcher::SetButtonState(int button, int state) {
    if (Logic_.State(button) == state) return;
    Logic_.SetState(button, state);
    update();
}

int TRC_CustomCmmandSwitcher::ButtonAt(const QPoint& point) const {
    const std::vector<QRect> rects = ButtonRects();
    for (std::size_t b = 0; b < rects.size(); ++b)
        if (rects[b].contains(point)) return static_cast<int>(b);
    return -1;
}

void TRC_CustomCmmandSwitcher::PaintContent(QPainter& p, const QRect& rect) {
    TRC_Switcher::PaintContent(p, rect);
    const bool enabled = isEnabled();
    const std::vector<QRect> rects = ButtonRects();
    for (int b = 0; b < static_cast<int>(rects.size()); ++b) {
        const int state = enabled ? Logic_.ShownState(b) : cbsUp;
        QStyleOptionButton opt;
        opt.initFrom(this);
        opt.rect = rects[static_cast<std::size_t>(b)];
        opt.state &= ~QStyle::State_HasFocus;
        if (state == cbsPushed) opt.state |= QStyle::State_Sunken;
        if (state == cbsLatched) opt.state |= QStyle::State_On | QStyle::State_Sunken;
        if (state == cbsUp) opt.state |= QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &p, this);

        const QString text = ButtonText(b);
        QRect textRect = opt.rect.adjusted(3, 3, -3, -3);
        const int align = Qt::AlignCenter | Qt::TextSingleLine;
        // A narrowed button keeps its whole text: the text shrinks to the room it has.
        p.setFont(FittedFont(font(), text, textRect.width()));
        if (!enabled) {
            p.setPen(Qt::white);
            p.drawText(textRect.translated(1, 1), align, text);
            p.setPen(SysColor(palette(), TSysColor::InactiveCaption));
        } else {
            if (state == cbsPushed || state == cbsLatched) textRect.translate(0, 2);
            p.setPen(TextColor_);
        }
        p.drawText(textRect, align, text);

        if (enabled && hasFocus() && Logic_.Focused() == b) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = opt.rect.adjusted(3, 3, -3, -3);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
        }
    }
}

void TRC_CustomCmmandSwitcher::Released(int button) {
    update();
    if (button >= 0) ExecuteButton(button);
}

void TRC_CustomCmmandSwitcher::Click() {
    if (!isEnabled() || !Logic_.MousePress(0)) return;
    Released(Logic_.MouseRelease(true));
}

void TRC_CustomCmmandSwitcher::mousePressEvent(QMouseEvent* event) {
    TRC_Switcher::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && Logic_.MousePress(ButtonAt(event->position().toPoint()))) update();
}

void TRC_CustomCmmandSwitcher::mouseMoveEvent(QMouseEvent* event) {
    if (Logic_.MousePressed() < 0) return;
    const QRect r = ButtonRects()[static_cast<std::size_t>(Logic_.MousePressed())];
    const bool over = r.contains(event->position().toPoint());
    if (over == Logic_.PressIsOver()) return;
    Logic_.MouseMove(over);
    update();
}

void TRC_CustomCmmandSwitcher::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || Logic_.MousePressed() < 0) return;
    const QRect r = ButtonRects()[static_cast<std::size_t>(Logic_.MousePressed())];
    Released(Logic_.MouseRelease(r.contains(event->position().toPoint())));
}

void TRC_CustomCmmandSwitcher::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Left: Logic_.KeyLeft(); break;
        case Qt::Key_Right: Logic_.KeyRight(); break;
        case Qt::Key_Space:
            if (!event->isAutoRepeat()) Logic_.SpacePress();
            break;
        default: return TRC_Switcher::keyPressEvent(event);
    }
    update();
}

void TRC_CustomCmmandSwitcher::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && Logic_.KeyPressed() >= 0) {
        Released(Logic_.SpaceRelease());
        return;
    }
    TRC_Switcher::keyReleaseEvent(event);
}

void TRC_CustomCmmandSwitcher::focusInEvent(QFocusEvent* event) {
    Logic_.Enter();
    TRC_Switcher::focusInEvent(event);
}

void TRC_CustomCmmandSwitcher::focusOutEvent(QFocusEvent* event) {
    Logic_.Leave();
    TRC_Switcher::focusOutEvent(event);
}

void TRC_CustomCmmandSwitcher::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) Logic_.CancelPress();
    TRC_Switcher::changeEvent(event);
}

// ---------------------------------------------------------------------------------------------------

namespace {

class TQtHoldTimer : public ICommandHoldTimer {
public:
    explicit TQtHoldTimer(TRC_MainCommandSwitcher& sw) {
        Timer_.setSingleShot(true);
        QObject::connect(&Timer_, &QTimer::timeout, &sw, [&sw] { sw.HoldElapsed(); });
    }
    void Start(int ms) override { Timer_.start(ms); }
    void Stop() override { Timer_.stop(); }

private:
    QTimer Timer_;
};

}  // namespace

TRC_MainCommandSwitcher::TRC_MainCommandSwitcher(QWidget* parent) : TRC_CustomCmmandSwitcher(parent, 1) {
    SetFrameless(true);
    resize(50, MainCommandHeight);
    Hold_ = std::make_unique<TQtHoldTimer>(*this);
}

TRC_MainCommandSwitcher::~TRC_MainCommandSwitcher() = default;

void TRC_MainCommandSwitcher::SetHoldTimer(std::unique_ptr<ICommandHoldTimer> timer) { Hold_ = std::move(timer); }

QString TRC_MainCommandSwitcher::ButtonText(int button) const { return button == 0 ? TextBtn() : QString(); }

void TRC_MainCommandSwitcher::UpdateFromHandler() {
    if (GetHandler()) {
        auto* h = dynamic_cast<TMainCommandHandler*>(GetHandler());
        if (!h) VT_INTERNAL_ERROR(AllMyControlsUnit, "HANDLER ERROR");
        SyncLatch();
        SelectEntry(h->CurrentIndex());
    }
    TRC_Switcher::UpdateFromHandler();
}

void TRC_MainCommandSwitcher::CheckHandler() {
    auto* h = dynamic_cast<TMainCommandHandler*>(GetHandler());
    if (!h) VT_INTERNAL_ERROR(AllMyControlsUnit, "HANDLER ERROR");
    // A command with an on/off state latches (Run); one with a pair of state words can be released
    // (Stop/Single); a menu whose command remembers its choice shows the choice checked.
    SetLatching(h->Variable() != nullptr);
    SetReleasable(h->StateWords().size() == 2);
    CheckMarks_ = !h->MenuWords().empty() && h->CurrentIndex() >= 0;
    SyncLatch();
    SelectEntry(h->CurrentIndex());
    if (!MenuItems_.isEmpty() && !Menu_) BuildMenu(static_cast<int>(h->MenuWords().size()));
}

void TRC_MainCommandSwitcher::BuildMenu(int expectedEntries) {
    TCommandMenuTable table = BuildCommandMenuTable(MenuItems_);
    if (table.EntryCount() != expectedEntries) VT_INTERNAL_ERROR(AllMyControlsUnit, "Incorrent Number of Menu Items");
    Table_ = std::move(table);
    Menu_ = new QMenu(this);
    for (int line = 0; line < MenuItems_.size(); ++line) {
        const int entry = Table_.LineEntry[static_cast<std::size_t>(line)];
        if (entry == -1) {
            Menu_->addSeparator();
            continue;
        }
        if (entry < 0) continue;
        QAction* a = Menu_->addAction(MenuItems_[line]);
        a->setObjectName(QStringLiteral("Item%1").arg(entry));
        a->setCheckable(CheckMarks_);
        a->setChecked(entry == Selected_);
        if (entry == MenuDefaultItem_) Menu_->setDefaultAction(a);
        connect(a, &QAction::triggered, this, [this, a] { ChooseEntry(CommandMenuEntryOfName(a->objectName())); });
    }
}

void TRC_MainCommandSwitcher::SelectEntry(int entry) {
    if (entry == Selected_) return;
    const int old = Selected_;
    Selected_ = entry;
    if (!Menu_) return;
    const QString oldName = QStringLiteral("Item%1").arg(old);
    const QString newName = QStringLiteral("Item%1").arg(entry);
    for (QAction* a : Menu_->actions()) {
        if (old >= 0 && a->objectName() == oldName) a->setChecked(false);
        if (CheckMarks_ && entry >= 0 && a->objectName() == newName) a->setChecked(true);
    }
}

void TRC_MainCommandSwitcher::ChooseEntry(int entry) {
    if (entry < 0) return;
    SelectEntry(entry);
    if (auto* h = dynamic_cast<TMainCommandHandler*>(GetHandler())) h->SelectFromSwitcher(entry);
    DoUpdateMe();
}

void TRC_MainCommandSwitcher::SyncLatch() {
    auto* h = dynamic_cast<TMainCommandHandler*>(GetHandler());
    if (h && Logic().Latching()) SetButtonState(0, h->Variable() && *h->Variable() ? cbsLatched : cbsUp);
}

void TRC_MainCommandSwitcher::ExecuteButton(int button) {
    auto* h = dynamic_cast<TMainCommandHandler*>(GetHandler());
    if (!h) return;
    if (Logic().Latching()) {
        h->PressFromSwitcher(Logic().State(button) == cbsLatched);
        // A press that changed nothing sends no notification: show the command's state again.
        if (GetHandler() == h) SyncLatch();
    } else {
        h->SelectFromSwitcher(-1);
    }
}

void TRC_MainCommandSwitcher::OpenMenu(const QPoint& at) {
    if (!Menu_ || !isEnabled()) return;
    Menu_->popup(mapToGlobal(at));
}

void TRC_MainCommandSwitcher::HoldElapsed() {
    if (Logic().MousePressed() < 0 || !Menu_) return;
    MutableLogic().CancelPress();
    update();
    OpenMenu(ButtonRects().front().bottomLeft());
}

void TRC_MainCommandSwitcher::mousePressEvent(QMouseEvent* event) {
    TRC_CustomCmmandSwitcher::mousePressEvent(event);
    if (event->button() == Qt::RightButton) {
        OpenMenu(event->position().toPoint());
        return;
    }
    if (Logic().MousePressed() >= 0 && Menu_ && Hold_) Hold_->Start(HoldMs);
}

void TRC_MainCommandSwitcher::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && Hold_) Hold_->Stop();
    TRC_CustomCmmandSwitcher::mouseReleaseEvent(event);
}

void TRC_MainCommandSwitcher::WriteLangTexts(const TFormTextSink& sink, std::string_view key) const {
    sink.Write(std::string(key) + std::string(kLangHint), toolTip().toStdString());
    std::vector<std::string> items;
    for (const QString& item : MenuItems_) items.push_back(item.toStdString());
    sink.Write(std::string(key) + std::string(kLangMenu), LangCommaText(items));
}

void TRC_MainCommandSwitcher::ApplyLangTexts(const TFormTextSource& source, std::string_view key) {
    std::string hint;
    if (source.Read(std::string(key) + std::string(kLangHint), hint)) setToolTip(QString::fromStdString(hint));
    // The menu, once built, keeps its entries: only a menu not built yet takes translated lines.
    std::vector<std::string> items;
    if (Menu_ || !source.ReadItems(std::string(key) + std::string(kLangMenu),
                                   static_cast<std::size_t>(MenuItems_.size()), items))
        return;
    QStringList translated;
    for (const std::string& item : items) translated.push_back(QString::fromStdString(item));
    MenuItems_ = translated;
}

// ---------------------------------------------------------------------------------------------------

TRC_RightCommandSwitcher::TRC_RightCommandSwitcher(QWidget* parent) : TRC_CustomCmmandSwitcher(parent, 1) {
    resize(width(), RightCommandHeight);
}

void TRC_RightCommandSwitcher::UpdateFromHandler() {
    if (auto* h = dynamic_cast<TRightCommandHandler*>(GetHandler())) SetButtonState(0, h->Pressed() ? cbsLatched : cbsUp);
    TRC_Switcher::UpdateFromHandler();
}

void TRC_RightCommandSwitcher::ExecuteButton(int) {
    auto* h = dynamic_cast<TRightCommandHandler*>(GetHandler());
    if (!h) VT_INTERNAL_ERROR(AllMyControlsUnit, "HANDLER UNDEFINED");
    h->PressFromSwitcher();
}

TRC_RightPassiveCommandSwitcher::TRC_RightPassiveCommandSwitcher(QWidget* parent)
    : TRC_CustomCmmandSwitcher(parent, 1) {
    resize(width(), RightCommandHeight);
    SetMnemonics(NoneHandlerMnemonic);
}

void TRC_RightPassiveCommandSwitcher::ExecuteButton(int) { DoUpdateMe(); }

}  // namespace vt
