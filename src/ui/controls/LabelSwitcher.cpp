#include "ui/controls/LabelSwitcher.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cctype>

#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "ui/QtColor.h"

namespace vt {

QString ShownValueText(const std::string& formatted) {
    std::string text = formatted;
    if (const auto at = text.find("MEG"); at != std::string::npos) text.replace(at, 3, "M");
    return QString::fromStdString(text);
}

namespace {
// "1E8 Hz", "4.6E-9 s": a mantissa followed by E and a signed exponent.
bool HasExponentForm(const std::string& text) {
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] != 'E' || !std::isdigit(static_cast<unsigned char>(text[i - 1]))) continue;
        std::size_t j = i + 1;
        if (text[j] == '-' || text[j] == '+') ++j;
        if (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) return true;
    }
    return false;
}
}  // namespace

QString ShownValueText(const TEditHandler& h) { return ShownValueText(h, h.GetValueAsDouble()); }

QString ShownValueText(const TEditHandler& h, double value) {
    std::string text = h.FormatShown(value);
    // A field shows engineering form, as its neighbours do: the same significant digits with a prefix.
    // Only the handler's own format is rewritten, never a feature's text.
    const bool ownFormat = text == FloatToEngStr(h.FormatMode(), h.Digits(), h.IsInteger(), false, value) + h.Units();
    if (ownFormat && HasExponentForm(text))
        text = FloatToEngStr(3, h.Digits(), h.IsInteger(), false, value) + h.Units();
    return ShownValueText(text);
}

QFont ValueFont() { return QApplication::font(); }

QRect ValueFieldRect(const QRect& content, int controlWidth, bool withHot, bool narrow) {
    int left = content.left(), top = content.top(), width = 0;
    if (withHot) {
        // An edit's field leaves its arrows 13 pixels, as in the quick-control strip, so that a side
        // menu's field holds the widest values of its settings ("248.832 mBit/div").
        top += 4;
        left += narrow ? 1 : 10;
        width = controlWidth - (narrow ? 20 : 23);
    } else {
        width = controlWidth - (narrow ? 20 : 8);
    }
    return {left, top, std::clamp(width, 0, 255), TRC_LabelSwitcher::ValueFieldHeight};
}

TRC_LabelSwitcher::TRC_LabelSwitcher(QWidget* parent) : TRC_Switcher(parent) { resize(width(), DefaultHeight); }

TEditHandler* TRC_LabelSwitcher::EditHandler() const { return dynamic_cast<TEditHandler*>(GetHandler()); }

void TRC_LabelSwitcher::SetValueColor(std::optional<TColor> color) {
    ValueColor_ = color;
    update(LayoutValueField());
}

void TRC_LabelSwitcher::UpdateFromHandler() {
    if (TEditHandler* h = EditHandler()) {
        const QString text = ShownValueText(*h);
        if (text != ValueText_ || h->TextColor() != TextColor_ || h->BackColor() != BackColor_) {
            ValueText_ = text;
            TextColor_ = h->TextColor();
            BackColor_ = h->BackColor();
            update(LayoutValueField());
        }
    }
    TRC_Switcher::UpdateFromHandler();
}

// With a title the height the control is made with; without one the value field (and the edit's two
// arrows beside it) inside the frames.
int TRC_LabelSwitcher::KindHeight() const { return WithHot() ? DefaultHeight : 2 + ValueFieldHeight + 2; }

QRect TRC_LabelSwitcher::LayoutValueField() const { return ValueFieldRect(ContentRect(), width(), WithHot(), false); }

QColor TRC_LabelSwitcher::ShownTextColor() const {
    if (!isEnabled()) return ToQColor(TColor(0x808080));
    if (TypingNow()) return Qt::black;
    return ToQColor(ValueColor_.value_or(TextColor_));
}

QColor TRC_LabelSwitcher::ShownBackColor() const {
    if (!isEnabled()) return SysColor(palette(), TSysColor::BtnFace);
    if (TypingNow()) return Qt::white;
    return ToQColor(BackColor_);
}

void TRC_LabelSwitcher::PaintContent(QPainter& p, const QRect& rect) {
    TRC_Switcher::PaintContent(p, rect);
    PaintValueField(p);
}

void TRC_LabelSwitcher::PaintValueField(QPainter& p) {
    const QRect field = LayoutValueField();
    if (field.width() <= 0) return;
    // Sunken one-pixel frame: shadow top-left, highlight bottom-right.
    p.setPen(SysColor(palette(), TSysColor::BtnShadow));
    p.drawLine(field.topLeft(), field.topRight());
    p.drawLine(field.topLeft(), field.bottomLeft());
    p.setPen(SysColor(palette(), TSysColor::BtnHighlight));
    p.drawLine(field.bottomLeft(), field.bottomRight());
    p.drawLine(field.topRight(), field.bottomRight());
    p.fillRect(field.adjusted(1, 1, -1, -1), ShownBackColor());
    p.setPen(ShownTextColor());
    // Every page's value fields write at the application font, whatever font the page takes for its
    // captions; a value wider than its field narrows rather than losing digits or its unit.
    const QRect room = field.adjusted(4, 0, -1, 0);
    const QString text = TypingNow() ? TypedText() : ValueText_;
    p.setFont(FittedFont(ValueFont(), text, room.width()));
    p.drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

}  // namespace vt
