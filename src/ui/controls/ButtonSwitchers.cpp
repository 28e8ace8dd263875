#include "ui/controls/ButtonSwitchers.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <string>

#include "core/InternalError.h"
#include "core/LanguageFile.h"

namespace vt {

std::vector<QRect> LayoutButtonGrid(const QRect& content, int columns, int count) {
    std::vector<QRect> places;
    if (count <= 0) return places;  // nothing to divide the height among
    const int c = ClampButtonColumns(columns);
    const int w = (content.width() - 4) / c;
    const int mx = ((content.width() - 4 - w * c) + 1) / 2;
    const int rows = (count + c - 1) / c;
    const int h = content.height() / rows;
    const int my = (content.height() % rows) / 2;
    places.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        places.emplace_back(content.left() + mx + (i / rows) * w, content.top() + my + (i % rows) * h, w, h);
    return places;
}

int ClampButtonColumns(int columns) { return std::clamp(columns, 1, MaxButtonColumns); }

TChildHelp NumberChildHelp(int controlHelpContext, const QStringList& captions) {
    TChildHelp result;
    int running = controlHelpContext + 1;
    for (QString caption : captions) {
        if (caption.startsWith(QLatin1Char('_'))) {
            qsizetype end = 1;
            QString digits;
            while (end < caption.size() && (caption[end].isDigit() || caption[end] == QLatin1Char('_'))) {
                if (caption[end].isDigit()) digits += caption[end];
                ++end;
            }
            bool ok = false;
            const int number = digits.toInt(&ok);
            if (ok) running = number;  // no digits: the numbering goes on
            caption.remove(0, end);
        } else {
            while (caption.startsWith(QLatin1Char('~'))) {
                caption.remove(0, 1);
                --running;
            }
            while (caption.startsWith(QLatin1Char('*'))) {
                caption.remove(0, 1);
                ++running;
            }
        }
        result.Contexts.push_back(running);
        result.Captions.push_back(caption);
        ++running;
    }
    return result;
}

bool MaskBit(std::uint32_t mask, int i) { return i >= 0 && i < MaskedButtonCount && (mask >> i & 1U) != 0; }

// ---------------------------------------------------------------------------------------------------

TMyGridButton::TMyGridButton(TKind kind, int index, QWidget* parent, TOnClick onClick)
    : QWidget(parent), Kind_(kind), Index_(index), OnClick_(std::move(onClick)) {
    setFocusPolicy(Qt::ClickFocus);
}

void TMyGridButton::SetChecked(bool checked) {
    if (Checked_ == checked) return;
    Checked_ = checked;
    update();
}

void TMyGridButton::SetPushLike(bool pushLike) {
    if (PushLike_ == pushLike) return;
    PushLike_ = pushLike;
    update();
}

void TMyGridButton::SetCaption(const QString& caption) {
    if (Caption_ == caption) return;
    Caption_ = caption;
    update();
}

void TMyGridButton::Click() {
    if (!isEnabled()) return;
    Checked_ = Kind_ == TKind::Radio ? true : !Checked_;
    update();
    if (OnClick_) OnClick_(Index_, Checked_);
}

QRect TMyGridButton::CaptionRoom() const {
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.text = Caption_;
    const QStyle::SubElement room = PushLike_                 ? QStyle::SE_PushButtonContents
                                    : Kind_ == TKind::Radio ? QStyle::SE_RadioButtonContents
                                                            : QStyle::SE_CheckBoxContents;
    return style()->subElementRect(room, &opt, this);
}

QFont TMyGridButton::CaptionFont() const { return FittedFont(font(), Caption_, CaptionRoom().width()); }

void TMyGridButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // A long caption narrows its letters at the page's one size rather than losing its end.
    p.setFont(CaptionFont());
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.fontMetrics = p.fontMetrics();
    opt.text = Caption_;
    opt.state |= Checked_ ? QStyle::State_On : QStyle::State_Off;
    if (Down_) opt.state |= QStyle::State_Sunken;
    if (!hasFocus()) opt.state &= ~QStyle::State_HasFocus;
    if (PushLike_) {
        if (Checked_) opt.state |= QStyle::State_Sunken;
        style()->drawControl(QStyle::CE_PushButton, &opt, &p, this);
    } else {
        style()->drawControl(Kind_ == TKind::Radio ? QStyle::CE_RadioButton : QStyle::CE_CheckBox, &opt, &p, this);
    }
}

void TMyGridButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    Down_ = true;
    update();
}

void TMyGridButton::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const bool over = rect().contains(event->position().toPoint());
    if (over != Down_) {
        Down_ = over;
        update();
    }
}

void TMyGridButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const bool click = Down_ && rect().contains(event->position().toPoint());
    Down_ = false;
    update();
    if (click) Click();
}

void TMyGridButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        Down_ = true;
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMyGridButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && Down_) {
        Down_ = false;
        update();
        Click();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TMyGridButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        Down_ = false;
        update();
    }
}

void TMyGridButton::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
    QFocusEvent in(QEvent::FocusIn, event->reason());
    if (parentWidget()) QCoreApplication::sendEvent(parentWidget(), &in);
}

void TMyGridButton::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // A Space press ends with the focus: its release, coming later, must not click.
    Down_ = false;
    update();
    QFocusEvent out(QEvent::FocusOut, event->reason());
    if (parentWidget()) QCoreApplication::sendEvent(parentWidget(), &out);
}

// ---------------------------------------------------------------------------------------------------

TRC_PolyButtonSwitcher::TRC_PolyButtonSwitcher(QWidget* parent) : TRC_Switcher(parent) {}

void TRC_PolyButtonSwitcher::SetViewAsButton(bool viewAsButton) {
    ViewAsButton_ = viewAsButton;
    for (TMyGridButton* b : Buttons_) b->SetPushLike(viewAsButton);
}

void TRC_PolyButtonSwitcher::SetHelpSeparate(bool helpSeparate) {
    if (HelpSeparate_ == helpSeparate) return;
    HelpSeparate_ = helpSeparate;
    ApplyHelpNumbers();
}

void TRC_PolyButtonSwitcher::SetDisabledButtons(std::uint32_t mask) {
    if (mask == DisabledMask_) return;
    const int n = std::min(ButtonCount(), MaskedButtonCount);
    for (int i = 0; i < n; ++i)
        if (MaskBit(mask, i) != MaskBit(DisabledMask_, i)) Button(i).setEnabled(!MaskBit(mask, i));
    DisabledMask_ = mask;
}

void TRC_PolyButtonSwitcher::SetColumns(int columns) {
    const int c = ClampButtonColumns(columns);
    if (c == Columns_) return;
    Columns_ = c;
    LayoutButtons();
    update();
}

void TRC_PolyButtonSwitcher::SetItems(const QStringList& items) {
    Items_ = items;
    RebuildButtons();
}

void TRC_PolyButtonSwitcher::ResizeChildren(int count, TMyGridButton::TKind kind) {
    while (ButtonCount() > count) {
        delete Buttons_.back();
        Buttons_.pop_back();
    }
    while (ButtonCount() < count) {
        auto onClick = [this](int index, bool checked) {
            if (!Updating_) ChildClicked(index, checked);
        };
        TMyGridButton* b = kind == TMyGridButton::TKind::Radio
                               ? static_cast<TMyGridButton*>(new TMyRadioButton(ButtonCount(), this, onClick))
                               : new TMyCheckBox(ButtonCount(), this, onClick);
        b->SetPushLike(ViewAsButton_);
        const int i = ButtonCount();
        b->setEnabled(!MaskBit(DisabledMask_, i));
        Buttons_.push_back(b);
    }
}

void TRC_PolyButtonSwitcher::RebuildChildren(const std::function<bool(int)>& checked) {
    SetButtonCount(static_cast<int>(Items_.size()));
    WhileUpdating([&] {
        for (int i = 0; i < ButtonCount(); ++i) {
            Button(i).SetCaption(Items_[i]);
            Button(i).SetChecked(checked(i));
        }
        ApplyHelpNumbers();
    });
    LayoutButtons();
    update();
}

int TRC_PolyButtonSwitcher::RowHeightNeeded() const {
    const int text = QFontMetrics(font()).height();
    if (ViewAsButton_) return text;
    // The children draw with the control's style: their indicator is the style's.
    const QStyle::PixelMetric indicator =
        dynamic_cast<const TRC_CustomRadioSwitcher*>(this) ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight;
    return std::max(text, style()->pixelMetric(indicator, nullptr, this));
}

int TRC_PolyButtonSwitcher::KindHeight() const {
    const int rows = (ButtonCount() + Columns_ - 1) / Columns_;
    return TRC_Switcher::KindHeight() + rows * RowHeightNeeded();
}

void TRC_PolyButtonSwitcher::LayoutButtons() {
    const std::vector<QRect> places = LayoutButtonGrid(ContentRect(), Columns_, ButtonCount());
    for (std::size_t i = 0; i < places.size(); ++i) {
        Buttons_[i]->setGeometry(places[i]);
        Buttons_[i]->setVisible(true);
    }
}

void TRC_PolyButtonSwitcher::ApplyHelpNumbers() {
    if (!HelpSeparate_) {
        for (int i = 0; i < ButtonCount(); ++i) Button(i).SetHelpContext(0);
        return;
    }
    QStringList shown;
    for (int i = 0; i < ButtonCount(); ++i) shown.push_back(i < Items_.size() ? Items_[i] : QString());
    const TChildHelp help = NumberChildHelp(HelpContext(), shown);
    for (int i = 0; i < ButtonCount(); ++i) {
        Button(i).SetHelpContext(help.Contexts[static_cast<std::size_t>(i)]);
        Button(i).SetCaption(help.Captions[i]);
    }
}

void TRC_PolyButtonSwitcher::showEvent(QShowEvent* event) {
    TRC_Switcher::showEvent(event);
    if (HelpSeparate_) ApplyHelpNumbers();
}

void TRC_PolyButtonSwitcher::resizeEvent(QResizeEvent* event) {
    TRC_Switcher::resizeEvent(event);
    LayoutButtons();
}

void TRC_PolyButtonSwitcher::WriteLangTexts(const TFormTextSink& sink, std::string_view key) const {
    std::vector<std::string> items;
    for (const QString& item : Items_) items.push_back(item.toStdString());
    sink.Write(std::string(key) + std::string(kLangItems), LangCommaText(items));
}

void TRC_PolyButtonSwitcher::ApplyLangTexts(const TFormTextSource& source, std::string_view key) {
    std::vector<std::string> items;
    if (!source.ReadItems(std::string(key) + std::string(kLangItems), static_cast<std::size_t>(Items_.size()), items))
        return;
    QStringList translated;
    for (const std::string& item : items) translated.push_back(QString::fromStdString(item));
    SetItems(translated);
}

// ---------------------------------------------------------------------------------------------------

void TRC_CustomRadioSwitcher::SetItemIndex(int index) {
    const int clamped = std::clamp(index, -1, ButtonCount() - 1);
    if (clamped == ItemIndex_) return;
    WhileUpdating([&] {
        if (ItemIndex_ >= 0 && ItemIndex_ < ButtonCount()) Button(ItemIndex_).SetChecked(false);
        ItemIndex_ = clamped;
        if (clamped >= 0) Button(clamped).SetChecked(true);
    });
}

void TRC_CustomRadioSwitcher::SetButtonCount(int count) {
    ResizeChildren(count, TMyGridButton::TKind::Radio);
    if (ItemIndex_ >= count) ItemIndex_ = -1;
}

void TRC_CustomRadioSwitcher::RebuildButtons() {
    RebuildChildren([this](int i) { return i == ItemIndex_; });
}

void TRC_CustomRadioSwitcher::ChildClicked(int index, bool) {
    // The child checked itself; the old one is unchecked here and the handler decides what stays.
    if (ItemIndex_ != index) {
        WhileUpdating([&] {
            if (ItemIndex_ >= 0 && ItemIndex_ < ButtonCount()) Button(ItemIndex_).SetChecked(false);
        });
        ItemIndex_ = index;
    }
    ApplyToHandler();
}

namespace {

// The bound handler as the class the control needs; anything else is an internal error.
template <class H>
H& HandlerAs(const TRC_Switcher& sw, const char* wrongClass) {
    auto* h = dynamic_cast<H*>(sw.GetHandler());
    if (!h) VT_INTERNAL_ERROR(AllMyControlsUnit, wrongClass);
    return *h;
}

template <class H>
void CheckButtonCount(const TRC_PolyButtonSwitcher& sw, const char* wrongClass) {
    const int handlerCount = static_cast<int>(HandlerAs<H>(sw, wrongClass).Items().size());
    if (handlerCount != sw.ButtonCount())
        VT_INTERNAL_ERROR(AllMyControlsUnit, "Incorrect Number of Buttons in " + sw.GetFullMnemonic() +
                                                 "\r\rHandler: " + std::to_string(handlerCount) +
                                                 " btns; Switcher: " + std::to_string(sw.ButtonCount()) + " btns");
}

// A refused change sends no notification: the control shows the handler's value again itself.
void ShowAgainUnlessChanged(TRC_Switcher& sw, const THandler& h, bool changed) {
    if (!changed && sw.GetHandler() == &h) sw.UpdateFromHandler();
}

}  // namespace

void TRC_RadioSwitcher::CheckHandler() { CheckButtonCount<TRadioSwHandler>(*this, "Handler not TRadioSwHandler"); }

void TRC_RadioSwitcher::UpdateFromHandler() {
    if (auto* h = dynamic_cast<TRadioSwHandler*>(GetHandler())) {
        const TRadioSwHandler::TState state = h->GetState();
        SetItemIndex(state.ItemIndex);
        SetDisabledButtons(state.DisabledMask);
    }
    TRC_Switcher::UpdateFromHandler();
}

void TRC_RadioSwitcher::ApplyToHandler() {
    auto& h = HandlerAs<TRadioSwHandler>(*this, "Handler not TRadioSwHandler");
    ShowAgainUnlessChanged(*this, h, h.SetItemIndexFromSwitcher(ItemIndex()));
}

TRC_OnOffSwitch::TRC_OnOffSwitch(QWidget* parent) : TRC_CustomRadioSwitcher(parent) {
    resize(width(), DefaultHeight);
    SetColumns(2);
    SetItems({QStringLiteral("On"), QStringLiteral("Off")});
}

int TRC_OnOffSwitch::KindHeight() const { return std::max(DefaultHeight, TRC_PolyButtonSwitcher::KindHeight()); }

void TRC_OnOffSwitch::UpdateFromHandler() {
    if (auto* h = dynamic_cast<TOnOffHandler*>(GetHandler())) SetItemIndex(h->GetOn() ? 0 : 1);
    TRC_Switcher::UpdateFromHandler();
}

void TRC_OnOffSwitch::ApplyToHandler() {
    auto& h = HandlerAs<TOnOffHandler>(*this, "Handler not TOnOffHandler");
    ShowAgainUnlessChanged(*this, h, h.SetOnFromSwitcher(ItemIndex() == 0));
}

// ---------------------------------------------------------------------------------------------------

void TRC_CustomCheckSwitcher::SetCheckedMask(std::uint32_t mask) {
    if (mask == Mask_) return;
    WhileUpdating([&] {
        const int n = std::min(ButtonCount(), MaskedButtonCount);
        for (int i = 0; i < n; ++i)
            if (MaskBit(mask, i) != MaskBit(Mask_, i)) Button(i).SetChecked(MaskBit(mask, i));
        Mask_ = mask;
    });
}

void TRC_CustomCheckSwitcher::SetDisabledButtons(std::uint32_t mask) {
    TRC_PolyButtonSwitcher::SetDisabledButtons(mask);
    ChooseTabChild();
}

void TRC_CustomCheckSwitcher::ChooseTabChild() {
    int tab = -1;
    if (Clicked_ >= 0 && Clicked_ < ButtonCount() && Button(Clicked_).isEnabledTo(this)) {
        tab = Clicked_;
    } else {
        for (int i = 0; i < ButtonCount() && tab < 0; ++i)
            if (Button(i).isEnabledTo(this)) tab = i;
    }
    TabChild_ = tab;
    for (int i = 0; i < ButtonCount(); ++i) Button(i).setFocusPolicy(i == tab ? Qt::StrongFocus : Qt::ClickFocus);
}

void TRC_CustomCheckSwitcher::SetButtonCount(int count) {
    ResizeChildren(count, TMyGridButton::TKind::Check);
    if (Clicked_ >= count) Clicked_ = -1;
}

void TRC_CustomCheckSwitcher::RebuildButtons() {
    RebuildChildren([this](int i) { return MaskBit(Mask_, i); });
    ChooseTabChild();
}

void TRC_CustomCheckSwitcher::ChildClicked(int index, bool checked) {
    Clicked_ = index;
    ClickedState_ = checked;
    ChooseTabChild();
    if (index < MaskedButtonCount) {
        const std::uint32_t bit = std::uint32_t{1} << index;
        Mask_ = checked ? (Mask_ | bit) : (Mask_ & ~bit);
    }
    ApplyToHandler();
}

void TRC_CheckSwitcher::CheckHandler() { CheckButtonCount<TCheckSwHandler>(*this, "Handler not TCheckSwHandler"); }

void TRC_CheckSwitcher::UpdateFromHandler() {
    if (auto* h = dynamic_cast<TCheckSwHandler*>(GetHandler())) {
        SetCheckedMask(h->GetMask());
        SetDisabledButtons(h->GetDisabledMask());
    }
    TRC_Switcher::UpdateFromHandler();
}

void TRC_CheckSwitcher::ApplyToHandler() {
    auto& h = HandlerAs<TCheckSwHandler>(*this, "Handler not TCheckSwHandler");
    ShowAgainUnlessChanged(*this, h, h.SetBitFromSwitcher(ClickedIndex(), ClickedState()));
}

TRC_OnOffCheckSwitcher::TRC_OnOffCheckSwitcher(QWidget* parent) : TRC_CustomCheckSwitcher(parent) {
    SetWithHot(false);
    resize(21, DefaultHeight);
    SetItems({QStringLiteral("  On")});
}

int TRC_OnOffCheckSwitcher::KindHeight() const {
    return std::max(DefaultHeight, TRC_PolyButtonSwitcher::KindHeight());
}

QString TRC_OnOffCheckSwitcher::ButtomsCaption() const { return Items().isEmpty() ? QString() : Items().front(); }

void TRC_OnOffCheckSwitcher::SetButtomsCaption(const QString& caption) {
    QStringList items = Items();
    if (items.isEmpty())
        items.push_back(caption);
    else
        items.front() = caption;
    SetItems(items);
}

void TRC_OnOffCheckSwitcher::UpdateFromHandler() {
    if (auto* h = dynamic_cast<TOnOffHandler*>(GetHandler())) SetCheckedMask(h->GetOn() ? 1U : 0U);
    TRC_Switcher::UpdateFromHandler();
}

void TRC_OnOffCheckSwitcher::ApplyToHandler() {
    auto& h = HandlerAs<TOnOffHandler>(*this, "Handler not TOnOffHandler");
    ShowAgainUnlessChanged(*this, h, h.SetOnFromSwitcher((CheckedMask() & 1U) != 0));
}

}  // namespace vt
