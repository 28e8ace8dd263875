#pragma once
// A numeric setting shown as text in a sunken value field, in the colours its handler gives.
#include <QRect>
#include <QString>
#include <optional>

#include "ui/controls/Switcher.h"

namespace vt {

class TEditHandler;

// The handler's value text as the field shows it: the mega prefix "MEG" becomes "M".
QString ShownValueText(const std::string& formatted);
// What a field shows for the handler's value: its text, in engineering form where the setting's own
// format would write an exponent.
QString ShownValueText(const TEditHandler& h);
// The same for any value of the setting.
QString ShownValueText(const TEditHandler& h, double value);
// The font of every value field: the application's.
QFont ValueFont();
// The value field inside the content rectangle of a control of the given width; narrow leaves room for
// the edit switcher's arrows.
QRect ValueFieldRect(const QRect& content, int controlWidth, bool withHot, bool narrow);

class TRC_LabelSwitcher : public TRC_Switcher {
public:
    static constexpr int DefaultHeight = 49;
    static constexpr int ValueFieldHeight = 20;

    explicit TRC_LabelSwitcher(QWidget* parent = nullptr);

    // -1 (nothing): the handler's text colour.
    void SetValueColor(std::optional<TColor> color);
    std::optional<TColor> ValueColor() const { return ValueColor_; }

    TEditHandler* EditHandler() const;
    const QString& ValueText() const { return ValueText_; }
    TColor TextColor() const { return TextColor_; }
    TColor BackColor() const { return BackColor_; }
    QRect ValueField() const { return LayoutValueField(); }
    // The colours the value is painted in now.
    QColor ShownTextColor() const;
    QColor ShownBackColor() const;

    void UpdateFromHandler() override;
    void PaintContent(QPainter& painter, const QRect& rect) override;
    int KindHeight() const override;

protected:
    virtual QRect LayoutValueField() const;
    // Typing state, kept by the edit switcher.
    virtual bool TypingNow() const { return false; }
    virtual QString TypedText() const { return {}; }
    void PaintValueField(QPainter& painter);

private:
    QString ValueText_;
    TColor TextColor_ = clWhite;
    TColor BackColor_ = clBlack;
    std::optional<TColor> ValueColor_;
};

}  // namespace vt
