// The label switcher: the handler's value text, its colours, the override colour and the value field.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <tuple>

#include "core/EditHandlers.h"
#include "test_values_support.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/LabelSwitcher.h"
#include "ui/QtColor.h"

using namespace vt;
using namespace vt::test;

namespace {

class TFakeColors : public IColorSettings {
public:
    TColor Trace{0x123456};
    TColor Back{0xAB000000u | 0x0F0E0D};  // the alpha byte is not the controls' business
    TColor TraceColor(int) const override { return Trace; }
    TColor BackgroundColor() const override { return Back; }
    THandler* TraceColorHandler(int) const override { return nullptr; }
    THandler* BackgroundColorHandler() const override { return nullptr; }
};

TEST(LabelText, MegaIsShownAsM) {
    EXPECT_EQ(ShownValueText("2.5MEGHz"), "2.5MHz");
    EXPECT_EQ(ShownValueText("-1.000 MEG"), "-1.000 M");
    EXPECT_EQ(ShownValueText("3.00 mV"), "3.00 mV");
}

TEST(LabelField, PlacesWithAndWithoutTitle) {
    const QRect content(2, 18, 99, 29);
    EXPECT_EQ(ValueFieldRect(content, 103, true, false), QRect(12, 22, 80, 20));
    EXPECT_EQ(ValueFieldRect(content, 103, true, true), QRect(3, 22, 83, 20));
    const QRect bare(2, 2, 99, 45);
    EXPECT_EQ(ValueFieldRect(bare, 103, false, false), QRect(2, 2, 95, 20));
    EXPECT_EQ(ValueFieldRect(bare, 103, false, true), QRect(2, 2, 83, 20));
    EXPECT_EQ(ValueFieldRect(bare, 1000, false, false).width(), 255);
}

class LabelSwitcherTest : public ::testing::Test {
protected:
    TValuesFixture f;
    TRC_LabelSwitcher* sw = new TRC_LabelSwitcher(&f.Host);
    TDoubleEditHandler& Add(std::string_view path, int colorSource = NoColorSource) {
        return f.Tree->Root().AddDoubleEditHandler(
            path, {.Initial = 2e6,
                   .Config = {.Minimum = 0, .Maximum = 1e10, .Resolution = 1, .Units = "Hz", .Digits = 3},
                   .ColorSource = colorSource});
    }
    void Bind(std::string_view path) {
        sw->SetMnemonics(path);
        sw->BindToHandler(true);
    }
};

TEST_F(LabelSwitcherTest, ShowsTheFormattedValueAndFollowsTheHandler) {
    auto& h = Add("Gen:Rate");
    h.SetOnFormat([](TEditHandler&, double v) { return std::to_string(static_cast<int>(v / 1e6)) + " MEGHz"; });
    EXPECT_EQ(sw->height(), 49);
    Bind("Gen:Rate");
    EXPECT_EQ(sw->ValueText(), "2 MHz");
    h.SetValue(7e6);
    EXPECT_EQ(sw->ValueText(), "7 MHz");
}

TEST_F(LabelSwitcherTest, ColoursFromTheHandlerTheOverrideAndTheDisabledLook) {
    TFakeColors colors;
    f.Tree->SetColorSettings(&colors);
    auto& traced = Add("Ch1:Level", 2);
    auto& plain = Add("Ch2:Level");
    Bind("Ch1:Level");
    // The trace colour and the display background, each without its alpha byte.
    EXPECT_EQ(sw->TextColor(), TColor(0x123456));
    EXPECT_EQ(sw->BackColor(), TColor(0x0F0E0D));
    EXPECT_EQ(sw->ShownTextColor(), ToQColor(TColor(0x123456)));
    sw->SetValueColor(TColor(0x00FF00));
    EXPECT_EQ(sw->ShownTextColor(), ToQColor(TColor(0x00FF00)));
    EXPECT_EQ(sw->ShownBackColor(), ToQColor(TColor(0x0F0E0D)));
    sw->SetValueColor(std::nullopt);
    sw->SetMnemonics("Ch2:Level");
    EXPECT_EQ(sw->TextColor(), clWhite);
    EXPECT_EQ(sw->BackColor(), clBlack);
    plain.SetHighlighted(true);
    EXPECT_EQ(sw->TextColor(), clYellow);
    EXPECT_EQ(sw->BackColor(), clRed);
    plain.SetDisabled(true);
    EXPECT_FALSE(sw->isEnabled());
    EXPECT_EQ(sw->ShownTextColor(), ToQColor(TColor(0x808080)));
    EXPECT_EQ(sw->ShownBackColor(), SysColor(sw->palette(), TSysColor::BtnFace));
    (void)traced;
}

// Columns of the field that hold bright (value text) pixels on the dark field.
std::pair<int, int> InkColumns(QWidget& w, const QRect& field) {
    QImage image(w.size(), QImage::Format_ARGB32);
    w.render(&image);
    int first = -1, last = -1;
    for (int x = field.left() + 1; x < field.right(); ++x)
        for (int y = field.top() + 1; y < field.bottom(); ++y)
            if (qGray(image.pixel(x, y)) > 128) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(LabelSwitcherTest, ExponentFormIsShownInEngineeringFormAndTheFieldKeepsTheApplicationFont) {
    auto add = [&](const char* path, double value, const char* units, int mode = 0, int digits = 3) -> TEditHandler& {
        return f.Tree->Root().AddDoubleEditHandler(
            path, {.Initial = value,
                   .Config = {.Minimum = -1e12, .Maximum = 1e12, .Resolution = 1e-15, .Units = units, .FormatMode = mode,
                              .Digits = digits}});
    };
    // The demo signal's frequency and times, a limit's centre (no unit), by hand in engineering form.
    const struct {
        const char* Path;
        double Value;
        const char* Units;
        const char* Shown;
    } cases[] = {{"Gss:Frequency", 1e8, "Hz", "100 MHz"}, {"Gss:Jitter", 2e-12, "s", "2 ps"},
                 {"Gss:PulseWidth", 4.6e-9, "s", "4.6 ns"},
                 {"Gss:RiseTime", 4.67e-9, "s", "4.67 ns"}, {"Limit:CenterVal", 1e-8, "", "10 n"},
                 {"Ch1:Volts", 0.5, "V", "0.5 V"},           {"Acq:Count", 20, "", "20 "}};
    for (const auto& c : cases) {
        TEditHandler& h = add(c.Path, c.Value, c.Units);
        sw->SetMnemonics(c.Path);
        if (!sw->GetHandler()) sw->BindToHandler(true);
        EXPECT_EQ(sw->ValueText(), QString::fromUtf8(c.Shown)) << c.Path;
        if (std::string_view(c.Path) == "Gss:Frequency") {
            EXPECT_EQ(h.FormatValue(false), "1E8 Hz");  // replies keep it
        }
    }
    // A feature's own text is shown as it stands.
    TEditHandler& own = add("Gss:Own", 3, "");
    own.SetOnFormat([](TEditHandler&, double) { return std::string("1E3 x"); });
    sw->SetMnemonics("Gss:Own");
    EXPECT_EQ(sw->ValueText(), "1E3 x");

    // A page with a smaller caption font: its value fields still write at the application font, whole.
    f.Host.setFont(QFont(QStringLiteral("Liberation Sans"), 7));
    add("Ch1:Scale", 0.5, "Rho/div", 3, 4);
    auto* wide = new TRC_EditSwitcher(&f.Host);
    wide->SetWithHot(false);
    wide->setGeometry(0, 0, 200, 24);
    wide->SetMnemonics("Ch1:Scale");
    wide->BindToHandler(true);
    ASSERT_EQ(wide->ValueText(), "500 mRho/div");
    const QFontMetrics app(QApplication::font());
    auto [first, last] = InkColumns(*wide, ValueFieldRect(wide->ContentRect(), wide->width(), false, true));
    EXPECT_NEAR(last - first + 1, app.boundingRect(wide->ValueText()).width(), 3);
    // A field narrower than its value (86 wide here) narrows its letters rather than lose a digit or its unit.
    add("TB:ScaleA", 1.706667e-9, "s/div", 3, 6);
    auto* strip = new TRC_EditSwitcher(&f.Host);
    strip->SetWithHot(false);
    strip->setGeometry(0, 30, 86, 24);
    strip->SetMnemonics("TB:ScaleA");
    strip->BindToHandler(true);
    ASSERT_EQ(strip->ValueText(), "1.70667 ns/div");  // six significant digits
    const QRect field = ValueFieldRect(strip->ContentRect(), strip->width(), false, true);
    std::tie(first, last) = InkColumns(*strip, field);
    EXPECT_LE(last, field.right() - 2);
    EXPECT_GE(last - first + 1, app.boundingRect(strip->ValueText()).width() * 7 / 10);
}

}  // namespace
