#include "ui/controls/Switcher.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QtGlobal>
#include <algorithm>
#include <cmath>

#include "core/InternalError.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"

namespace vt {

QColor SysColor(const QPalette& palette, TSysColor color) {
    switch (color) {
        case TSysColor::BtnFace: return palette.color(QPalette::Active, QPalette::Button);
        case TSysColor::BtnHighlight: return palette.color(QPalette::Active, QPalette::Light);
        case TSysColor::BtnShadow: return palette.color(QPalette::Active, QPalette::Dark);
        case TSysColor::ActiveCaption: return palette.color(QPalette::Active, QPalette::Highlight);
        case TSysColor::InactiveCaption: return palette.color(QPalette::Active, QPalette::Mid);
        case TSysColor::CaptionText: return palette.color(QPalette::Active, QPalette::HighlightedText);
        case TSysColor::Window: return palette.color(QPalette::Active, QPalette::Window);
        case TSysColor::WindowText: return palette.color(QPalette::Active, QPalette::WindowText);
    }
    return palette.color(QPalette::Active, QPalette::Button);
}

namespace {
double RelativeLuminance(const QColor& c) {
    auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}
}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableCaptionText(const QColor& captionText, const QColor& fill) {
    if (ContrastRatio(captionText, fill) >= 4.5) return captionText;
    const QColor black(Qt::black), white(Qt::white);
    return ContrastRatio(black, fill) >= ContrastRatio(white, fill) ? black : white;
}

bool HasHelpContextArgument(const std::vector<std::string>& arguments) {
    const std::size_t n = std::min<std::size_t>(arguments.size(), 255);
    for (std::size_t i = 0; i < n; ++i)
        if (UpperCase(arguments[i]) == "HELPCONTEXT") return true;
    return false;
}

std::string SwitcherFullPath(std::string_view mnemonic, std::optional<std::string_view> pageGroup) {
    if (mnemonic.empty()) return {};
    if (mnemonic.front() == ':') return std::string(mnemonic.substr(1));
    if (!pageGroup || pageGroup->empty()) return std::string(mnemonic);
    // "*" is the root's own group: its commands join it without a colon ("*Run").
    std::string path(*pageGroup);
    if (*pageGroup != "*") path += ':';
    path += mnemonic;
    return path;
}

// ---------------------------------------------------------------------------------------------------

TKitContext::TKitContext(TFindHandler find, std::vector<std::string> arguments)
    : Find_(std::move(find)), Arguments_(std::move(arguments)) {}

bool TKitContext::IsHelpContextMode() {
    if (HelpMode_ == THelpMode::Undetermined)
        HelpMode_ = HasHelpContextArgument(Arguments_) ? THelpMode::On : THelpMode::Off;
    return HelpMode_ == THelpMode::On;
}

void TKitContext::LogUnboundMnemonic([[maybe_unused]] std::string_view path, [[maybe_unused]] const QString& caption) {
#ifndef NDEBUG
    const std::string line = "Switcher \"" + caption.toStdString() + "\": no setting \"" + std::string(path) + "\"";
    if (Log_) {
        Log_(line);
    } else {
        qWarning("%s", line.c_str());
    }
#endif
}

TKitContext* FindKit(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (auto* host = dynamic_cast<const IKitHost*>(w)) return &const_cast<IKitHost*>(host)->Kit();
    return nullptr;
}

void KitBeep(const TKitContext* kit) {
    if (kit && kit->Beep) {
        kit->Beep();
    } else {
        QApplication::beep();
    }
}

void TFormTextSink::Write(std::string_view key, std::string_view value) const {
    File.WriteLangString(Section, key, value);
}

bool TFormTextSource::Read(std::string_view key, std::string& value) const {
    return Language.ReadLangText(File, Section, key, value);
}

bool TFormTextSource::ReadItems(std::string_view key, std::size_t expectedCount,
                                std::vector<std::string>& items) const {
    return Language.ReadLangItems(File, Section, key, expectedCount, items);
}

// ---------------------------------------------------------------------------------------------------
// Painting helpers

namespace {

enum class TFrameLook { Raised, Sunken, Flat };

// One one-pixel 3D frame along the rectangle's edge; the rectangle shrinks by one pixel.
void Frame3D(QPainter& p, QRect& r, TFrameLook look, const QPalette& pal, const QColor& own) {
    QColor topLeft = own, bottomRight = own;
    if (look == TFrameLook::Raised) {
        topLeft = SysColor(pal, TSysColor::BtnHighlight);
        bottomRight = SysColor(pal, TSysColor::BtnShadow);
    } else if (look == TFrameLook::Sunken) {
        topLeft = SysColor(pal, TSysColor::BtnShadow);
        bottomRight = SysColor(pal, TSysColor::BtnHighlight);
    }
    if (r.width() <= 0 || r.height() <= 0) return;
    p.setPen(topLeft);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(bottomRight);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    r.adjust(1, 1, -1, -1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

TRC_Switcher::TRC_Switcher(QWidget* parent) : QWidget(parent) {
    setGeometry(4, 0, 103, 65);
    setFocusPolicy(Qt::ClickFocus);  // no tab stop; a click takes the focus
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TRC_Switcher::~TRC_Switcher() {
    // Unbinding here, not only in the interface's destructor, keeps the handler from calling into a
    // control whose descendant part is already gone.
    UnbindFromHandler();
}

void TRC_Switcher::SetWithHot(bool withHot) {
    if (WithHot_ == withHot) return;
    WithHot_ = withHot;
    update();
}

void TRC_Switcher::SetFrameless(bool frameless) {
    if (Frameless_ == frameless) return;
    Frameless_ = frameless;
    update();
}

void TRC_Switcher::SetMnemonics(std::string_view mnemonics) {
    Mnemonics_ = std::string(mnemonics);
    if (Handler_) BindToHandler(false);
}

std::string TRC_Switcher::GetFullMnemonic() const {
    std::optional<std::string_view> group;
    if (const auto* page = dynamic_cast<const TRC_RightMenuPanel*>(parentWidget())) group = page->GroupMnemonics();
    return SwitcherFullPath(Mnemonics_, group);
}

TKitContext* TRC_Switcher::Kit() const { return Kit_ ? Kit_ : FindKit(this); }

void TRC_Switcher::BindToHandler(bool firstTime) {
    if (firstTime && Handler_) VT_INTERNAL_ERROR(AllMyControlsUnit, "Switchers Registation repeated");
    if (Mnemonics_ == NoneHandlerMnemonic) return;
    const std::string path = GetFullMnemonic();
    if (path.empty()) VT_INTERNAL_ERROR(AllMyControlsUnit, "RS Switcher " + Caption_.toStdString() + " No mnemonic");
    TKitContext* kit = Kit();
    THandler* found = kit ? kit->FindHandler(path) : nullptr;
    if (!found && kit) kit->LogUnboundMnemonic(path, Caption_);
    if (found == Handler_) return;
    UnbindFromHandler();
    Handler_ = found;
    if (!found) return;
    found->RegisterSwitcher(*this);
    CheckHandler();
}

void TRC_Switcher::UnbindFromHandler() {
    if (!Handler_) return;
    THandler* old = Handler_;
    Handler_ = nullptr;
    old->UnregisterSwitcher(*this);
}

void TRC_Switcher::SetCaption(const QString& caption) {
    if (Caption_ == caption) return;
    Caption_ = caption;
    update();
}

void TRC_Switcher::SetHelpContext(int context) {
    HelpContext_ = context;
    update();
}

void TRC_Switcher::UpdateFromHandler() {
    if (Handler_) setEnabled(!Handler_->IsDisabled());
    update();
    if (OnUpdateMe_) OnUpdateMe_(*this);
}

void TRC_Switcher::HandlerValueChanged(THandler&) { UpdateFromHandler(); }
void TRC_Switcher::HandlerEnabledChanged(THandler&, bool) { UpdateFromHandler(); }

void TRC_Switcher::HandlerUnbound(THandler& handler) {
    if (Handler_ == &handler) Handler_ = nullptr;
    update();
}

QRect TRC_Switcher::ContentRect() const {
    const QRect r = rect();
    if (Frameless_) return r;
    const int top = WithHot_ ? SwitcherTitleHeight : 2;
    return QRect(QPoint(r.left() + 2, r.top() + top), QPoint(r.right() - 2, r.bottom() - 2));
}

QString TRC_Switcher::TitleText() const {
    TKitContext* kit = Kit();
    if (kit && kit->IsHelpContextMode()) return QString::number(HelpContext_) + QLatin1Char(' ') + Caption_;
    return Caption_;
}

// Titles take the application font on every page, whatever smaller font a page takes for its items.
QFont TRC_Switcher::TitleFont() const { return FittedFont(QApplication::font(), TitleText(), TitleRoom()); }

QFont FittedFont(const QFont& font, const QString& text, int room, double leastPoints) {
    QFont fitted = font;
    // Mnemonic ampersands take no room.
    QString shown = text;
    shown.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(QLatin1Char('&')).replace(QLatin1Char('\x01'), QLatin1Char('&'));
    auto fits = [&] { return QFontMetrics(fitted).horizontalAdvance(shown) <= room; };
    // Narrower letters first: they stay legible where a smaller size soon does not, and every control
    // of a page keeps one letter height.
    for (int stretch = 95; !fits() && stretch >= 50; stretch -= 5) fitted.setStretch(stretch);
    while (!fits() && fitted.pointSizeF() > leastPoints)
        fitted.setPointSizeF(std::max(leastPoints, fitted.pointSizeF() - 0.5));
    return fitted;
}

void TRC_Switcher::PaintContent(QPainter& painter, const QRect& rect) {
    painter.fillRect(rect, palette().color(backgroundRole()));
}

int TRC_Switcher::KindHeight() const {
    if (Frameless_) return 0;
    return (WithHot_ ? SwitcherTitleHeight : 2) + 2;
}

void TRC_Switcher::WriteLangTexts(const TFormTextSink&, std::string_view) const {}
void TRC_Switcher::ApplyLangTexts(const TFormTextSource&, std::string_view) {}

void TRC_Switcher::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    const QPalette& pal = palette();
    const QColor own = pal.color(backgroundRole());
    // The control claims every pixel of its rectangle: under a fractional or doubled scale its one-pixel
    // frame lines leave device pixels between them, and those would keep what was there before.
    p.fillRect(rect(), own);
    if (!Frameless_) {
        QRect r = rect();
        const bool enabled = isEnabled();
        if (WithHot_) {
            Frame3D(p, r, TFrameLook::Raised, pal, own);
            Frame3D(p, r, enabled && Focused_ ? TFrameLook::Sunken : TFrameLook::Flat, pal, own);
            const QRect title(QPoint(2, 2), QPoint(width() - 3, SwitcherTitleHeight - 1));
            const TSysColor fill = !enabled ? TSysColor::BtnFace
                                   : Focused_ ? TSysColor::ActiveCaption
                                              : TSysColor::InactiveCaption;
            const QColor fillColor = SysColor(pal, fill);
            p.fillRect(title, fillColor);
            // Before the metrics: a long caption shrinks to fit the bar.
            const QString text = TitleText();
            p.setFont(TitleFont());
            const QFontMetrics fm(p.font());
            const int textTop = title.top() + (title.height() - fm.boundingRect(QLatin1Char('W')).height()) / 2;
            const QRect textRect(title.left() + 4, textTop, title.width() - 8, title.bottom() - textTop + 1);
            const int align = (layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft) |
                              Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs | Qt::TextShowMnemonic;
            // Captions follow the mnemonic convention: "Channel && BW" shows one ampersand.
            if (!enabled) {
                p.setPen(Qt::white);
                p.drawText(textRect.translated(1, 1), align, text);
                p.setPen(SysColor(pal, TSysColor::InactiveCaption));
            } else {
                p.setPen(ReadableCaptionText(SysColor(pal, TSysColor::CaptionText), fillColor));
            }
            p.drawText(textRect, align, text);
            p.setFont(font());
        } else {
            Frame3D(p, r, Focused_ ? TFrameLook::Raised : TFrameLook::Flat, pal, own);
            Frame3D(p, r, TFrameLook::Flat, pal, own);
        }
    }
    const QRect content = ContentRect();
    p.setBrush(Qt::NoBrush);
    PaintContent(p, content);
}

void TRC_Switcher::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) update();
}

void TRC_Switcher::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    Focused_ = true;
    update();
}

void TRC_Switcher::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    Focused_ = false;
    update();
}

void TRC_Switcher::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    setFocus(Qt::MouseFocusReason);
}

// ---------------------------------------------------------------------------------------------------

std::vector<TRC_Switcher*> SwitchersOf(const QWidget& container) {
    std::vector<TRC_Switcher*> result;
    for (QObject* child : container.children())
        if (auto* sw = dynamic_cast<TRC_Switcher*>(child)) result.push_back(sw);
    return result;
}

void BindSwitchersOf(QWidget& container) {
    for (TRC_Switcher* sw : SwitchersOf(container))
        if (!sw->GetHandler()) sw->BindToHandler(true);
}

TRC_RightMenuPanel::TRC_RightMenuPanel(QWidget* parent) : QWidget(parent) {
    setGeometry(DefaultLeft, DefaultTop, DefaultWidth, DefaultHeight);
    setVisible(false);
}

TRC_RightMenuPanel::~TRC_RightMenuPanel() {
    for (TRC_Switcher* sw : SwitchersOf(*this)) sw->UnbindFromHandler();
}

void TRC_RightMenuPanel::SetGroupMnemonics(std::string_view group) {
    if (GroupMnemonics_ == group) return;
    GroupMnemonics_ = std::string(group);
    RebindSwitchers();
}

void TRC_RightMenuPanel::RebindSwitchers() {
    for (TRC_Switcher* sw : SwitchersOf(*this)) sw->BindToHandler(false);
}

void TRC_RightMenuPanel::SetWithoutFrame(bool withoutFrame) {
    WithoutFrame_ = withoutFrame;
    update();
}

QFont TRC_RightMenuPanel::CaptionFont() const {
    // The frame's caption is a section title: the application font, narrowed to the frame's top edge.
    return FittedFont(QApplication::font(), Caption_, width() - 16);
}

void TRC_RightMenuPanel::SetCaption(const QString& caption) {
    Caption_ = caption;
    update();
}

void TRC_RightMenuPanel::SetHelpContext(int context) {
    HelpContext_ = context;
    update();
}

void TRC_RightMenuPanel::SetColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(backgroundRole(), color);
    setPalette(pal);
    setAutoFillBackground(true);
}

void TRC_RightMenuPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    if (!WithoutFrame_) {
        // An etched group-box frame below the caption line, the caption cut into its top edge.
        const QFont captionFont = CaptionFont();
        p.setFont(captionFont);
        const QFontMetrics fm(captionFont);
        const int top = fm.height() / 2;
        const QRect outer(QPoint(0, top), QPoint(width() - 1, height() - 1));
        p.setPen(SysColor(pal, TSysColor::BtnShadow));
        p.drawRect(outer.adjusted(0, 0, -1, -1));
        p.setPen(SysColor(pal, TSysColor::BtnHighlight));
        p.drawRect(outer.adjusted(1, 1, 0, 0));
        if (!Caption_.isEmpty()) {
            const int textWidth = fm.horizontalAdvance(Caption_);
            const QRect textRect(8, 0, textWidth + 4, fm.height());
            p.fillRect(textRect, pal.color(backgroundRole()));
            p.setPen(SysColor(pal, TSysColor::WindowText));
            p.drawText(textRect, Qt::AlignCenter | Qt::TextSingleLine, Caption_);
        }
    }
    TKitContext* kit = FindKit(this);
    if (kit && kit->IsHelpContextMode()) {
        const QRect strip(2, 0, width() - 4, SwitcherTitleHeight);
        p.setPen(Qt::red);
        p.drawText(strip, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::number(HelpContext_));
    }
}

}  // namespace vt
