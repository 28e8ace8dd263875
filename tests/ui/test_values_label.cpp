// The label switcher: the handler's value text, its colours, the override colour and the value field.
#include <gtest/gtest.h>

#include "core/EditHandlers.h"
#include "test_values_support.h"
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
    EXPECT_EQ(ValueFieldRect(content, 103, true, true), QRect(4, 22, 73, 20));
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

}  // namespace
