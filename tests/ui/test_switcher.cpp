// The switcher base: the path rule, binding and rebinding, the handler's notifications, unbinding in
// both directions, the help-context mode and the painting frame.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QTest>
#include <cmath>
#include <tuple>

#include "test_switcher_support.h"

using namespace vt;
using namespace vt::test;

namespace {

TEST(SwitcherPath, GroupAndMnemonicJoinAsTheFormsExpect) {
    EXPECT_EQ(SwitcherFullPath("Source", std::string_view("Trig")), "Trig:Source");
    EXPECT_EQ(SwitcherFullPath(":Trig:Source", std::string_view("Acq")), "Trig:Source");
    EXPECT_EQ(SwitcherFullPath(":Trig:Source", std::nullopt), "Trig:Source");
    EXPECT_EQ(SwitcherFullPath("Run", std::string_view("*")), "*Run");
    EXPECT_EQ(SwitcherFullPath("Source", std::string_view("")), "Source");
    EXPECT_EQ(SwitcherFullPath("Trig:Source", std::nullopt), "Trig:Source");
    EXPECT_EQ(SwitcherFullPath("", std::string_view("Trig")), "");
}

TEST(SwitcherHelpContext, ArgumentInAnyCaseAmongTheFirst255) {
    EXPECT_TRUE(HasHelpContextArgument({"-x", "helpContext"}));
    EXPECT_FALSE(HasHelpContextArgument({"HELPCONTEXTS", "HELP"}));
    std::vector<std::string> many(255, "a");
    many.push_back("HELPCONTEXT");
    EXPECT_FALSE(HasHelpContextArgument(many));
    many[254] = "HelpContext";
    EXPECT_TRUE(HasHelpContextArgument(many));
}

class SwitcherTest : public ::testing::Test {
protected:
    TKitFixture f;
    TKitHostWidget host{f.Kit};
    TOnOffHandler& source = f.OnOff("Trig:Source");
    TOnOffHandler& slope = f.OnOff("Acq:Source");
    TOnOffHandler& run = f.OnOff("*Run");
    TRC_RightMenuPanel* page = new TRC_RightMenuPanel(&host);

    TOnOffTestSwitcher* Add(std::string_view mnemonic, QWidget* parent = nullptr) {
        auto* sw = new TOnOffTestSwitcher(parent ? parent : page);
        sw->SetCaption("Cap");
        sw->SetMnemonics(mnemonic);
        return sw;
    }
};

TEST_F(SwitcherTest, PageBindsEachControlOnceAndShowsTheValueAtOnce) {
    page->SetGroupMnemonics("Trig");
    source.SetOn(true);
    auto* sw = Add("Source");
    auto* absolute = Add(":Acq:Source");
    int updates = 0;
    sw->SetOnUpdateMe([&](TRC_Switcher& s) {
        EXPECT_EQ(&s, sw);
        ++updates;
    });
    BindSwitchersOf(*page);
    EXPECT_EQ(sw->GetHandler(), &source);
    EXPECT_EQ(absolute->GetHandler(), &slope);
    EXPECT_TRUE(sw->ShownOn);
    EXPECT_EQ(updates, 1);  // the first notification comes with the binding
    // Opening the menu again binds nothing twice.
    BindSwitchersOf(*page);
    EXPECT_EQ(source.SwitcherCount(), 1);
    EXPECT_EQ(InternalErrorOf([&] { sw->BindToHandler(true); }), "Switchers Registation repeated");
    source.SetOn(false);
    EXPECT_FALSE(sw->ShownOn);
    EXPECT_EQ(updates, 2);
}

TEST_F(SwitcherTest, StarGroupAndControlsOutsidePages) {
    page->SetGroupMnemonics("*");
    auto* sw = Add("Run");
    auto* outside = Add("Trig:Source", &host);
    BindSwitchersOf(*page);
    BindSwitchersOf(host);
    EXPECT_EQ(sw->GetHandler(), &run);
    EXPECT_EQ(outside->GetHandler(), &source);
}

TEST_F(SwitcherTest, MissingAndPassiveMnemonicsStayUnbound) {
    auto* empty = Add("");
    EXPECT_EQ(InternalErrorOf([&] { empty->BindToHandler(true); }), "RS Switcher Cap No mnemonic");
    auto* passive = Add(NoneHandlerMnemonic);
    auto* unknown = Add("Nothing:Here");
    passive->BindToHandler(true);
    unknown->BindToHandler(true);
    EXPECT_EQ(passive->GetHandler(), nullptr);
    EXPECT_EQ(unknown->GetHandler(), nullptr);
#ifndef NDEBUG
    ASSERT_EQ(f.Log.size(), 1u);
    EXPECT_NE(f.Log[0].find("Nothing:Here"), std::string::npos);
#endif
}

TEST_F(SwitcherTest, WrongHandlerClassStopsTheBinding) {
    f.Tree->Root().AddRadioHandler("Trig:Mode", {.Items = "A,B"});
    Add(":Trig:Mode");
    EXPECT_EQ(InternalErrorOf([&] { BindSwitchersOf(*page); }), "OnOff Switcher Cap bound to wrong Handler");
}

TEST_F(SwitcherTest, GroupChangeMovesEveryControlAndSameGroupDoesNothing) {
    page->SetGroupMnemonics("Trig");
    auto* sw = Add("Source");
    BindSwitchersOf(*page);
    const int updates = sw->Updates;
    page->SetGroupMnemonics("Trig");
    EXPECT_EQ(sw->Updates, updates);
    page->SetGroupMnemonics("Acq");
    EXPECT_EQ(sw->GetHandler(), &slope);
    EXPECT_EQ(source.SwitcherCount(), 0);
    EXPECT_EQ(slope.SwitcherCount(), 1);
    // A group without that setting unbinds the control.
    page->SetGroupMnemonics("Disp");
    EXPECT_EQ(sw->GetHandler(), nullptr);
    EXPECT_EQ(slope.SwitcherCount(), 0);
}

TEST_F(SwitcherTest, MnemonicChangeRetargetsOnlyBoundControls) {
    page->SetGroupMnemonics("Trig");
    auto* sw = Add("Source");
    sw->SetMnemonics(":Acq:Source");
    EXPECT_EQ(sw->GetHandler(), nullptr);  // not bound yet: the menu binds it when opened
    BindSwitchersOf(*page);
    EXPECT_EQ(sw->GetHandler(), &slope);
    sw->SetMnemonics(":*Run");
    EXPECT_EQ(sw->GetHandler(), &run);
    EXPECT_EQ(slope.SwitcherCount(), 0);
    EXPECT_EQ(run.SwitcherCount(), 1);
}

TEST_F(SwitcherTest, DisabledHandlerDisablesItsControlsAndRefusesClicks) {
    page->SetGroupMnemonics("Trig");
    auto* a = Add("Source");
    auto* b = Add(":Trig:Source");
    BindSwitchersOf(*page);
    page->show();
    int updates = 0;
    a->SetOnUpdateMe([&](TRC_Switcher&) { ++updates; });
    source.SetDisabled(true);
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(b->isEnabled());
    EXPECT_EQ(updates, 1);
    QTest::mouseClick(a, Qt::LeftButton);
    EXPECT_FALSE(source.GetOn());
    source.SetDisabled(false);
    EXPECT_TRUE(a->isEnabled());
    EXPECT_TRUE(b->isEnabled());
    EXPECT_EQ(updates, 2);
    // A click goes to the handler as a switcher's change; every bound control shows the result.
    TWhoChanged who = wcvUnknown;
    source.SetOnAfterChange([&](THandler& h) { who = h.GetWhoChanged(); });
    QTest::mouseClick(a, Qt::LeftButton);
    EXPECT_TRUE(source.GetOn());
    EXPECT_EQ(who, wcvSwitcher);
    EXPECT_TRUE(a->ShownOn);
    EXPECT_TRUE(b->ShownOn);
}

TEST_F(SwitcherTest, NoBindingOutlivesEitherSide) {
    page->SetGroupMnemonics("Trig");
    auto* a = Add("Source");
    Add("Source");
    BindSwitchersOf(*page);
    EXPECT_EQ(source.SwitcherCount(), 2);
    delete a;
    EXPECT_EQ(source.SwitcherCount(), 1);
    source.SetOn(true);  // notifies only the control still alive
    delete page;
    page = nullptr;
    EXPECT_EQ(source.SwitcherCount(), 0);

    // A handler that goes first leaves its controls unbound, and they can bind again later.
    auto own = std::make_unique<TOnOffHandler>(TOnOffOptions{});
    TKitContext kit([&](std::string_view) -> THandler* { return own.get(); });
    TOnOffTestSwitcher sw;
    sw.SetKit(&kit);
    sw.SetMnemonics("Any");
    sw.BindToHandler(true);
    EXPECT_EQ(sw.GetHandler(), own.get());
    own.reset();
    EXPECT_EQ(sw.GetHandler(), nullptr);
    EXPECT_TRUE(sw.BoundHandlers().empty());
    sw.SetMnemonics("Other");
    sw.BindToHandler(true);
    EXPECT_EQ(sw.GetHandler(), nullptr);
}

// --- painting ---

QColor PixelAt(QWidget& w, int x, int y) {
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    w.render(&image);
    return QColor(image.pixel(x, y));
}

QColor Rgb(const QColor& c) { return QColor(c.rgb()); }

TEST_F(SwitcherTest, TitleBarAndContentFollowFocusStateAndFrameMode) {
    page->SetGroupMnemonics("Trig");
    auto* sw = Add("Source");
    BindSwitchersOf(*page);
    const QPalette& pal = sw->palette();
    EXPECT_EQ(sw->ContentRect(), QRect(QPoint(2, 18), QPoint(100, 62)));
    EXPECT_EQ(PixelAt(*sw, 90, 4), Rgb(SysColor(pal, TSysColor::InactiveCaption)));
    EXPECT_EQ(PixelAt(*sw, 50, 40), QColor(Qt::black));
    EXPECT_EQ(PixelAt(*sw, 0, 0), Rgb(SysColor(pal, TSysColor::BtnHighlight)));
    EXPECT_EQ(PixelAt(*sw, 102, 64), Rgb(SysColor(pal, TSysColor::BtnShadow)));
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(sw, &focusIn);
    EXPECT_TRUE(sw->Focused());
    EXPECT_EQ(PixelAt(*sw, 90, 4), Rgb(SysColor(pal, TSysColor::ActiveCaption)));
    EXPECT_EQ(PixelAt(*sw, 1, 30), Rgb(SysColor(pal, TSysColor::BtnShadow)));  // the sunken inner frame
    source.SetDisabled(true);
    EXPECT_EQ(PixelAt(*sw, 90, 4), Rgb(SysColor(pal, TSysColor::BtnFace)));
    source.SetDisabled(false);
    source.SetOn(true);
    EXPECT_EQ(PixelAt(*sw, 50, 40), QColor(Qt::green));
    sw->SetWithHot(false);
    EXPECT_EQ(sw->ContentRect(), QRect(QPoint(2, 2), QPoint(100, 62)));
    EXPECT_EQ(PixelAt(*sw, 50, 4), QColor(Qt::green));
}

// WCAG contrast, written out here apart from the kit's own helper.
double Luminance(QRgb c) {
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}
double Contrast(QRgb a, QRgb b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
// The title bar's fill (its right end, past the caption) and the drawn caption pixel that stands out most.
std::pair<QRgb, double> TitleFillAndCaptionContrast(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32);
    w.render(&image);
    const QRgb fill = image.pixel(w.width() - 5, 4);
    double best = 1;
    for (int y = 2; y < SwitcherTitleHeight; ++y)
        for (int x = 2; x < w.width() / 2; ++x) best = std::max(best, Contrast(image.pixel(x, y), fill));
    return {fill, best};
}

TEST_F(SwitcherTest, SectionTitlesReadOnTheirBarInEveryPaletteAndFocus) {
    page->SetGroupMnemonics("Trig");
    auto* sw = Add("Source");
    sw->SetCaption("SCALE");
    BindSwitchersOf(*page);
    // The application palette: light grey bar (about 2:1 with white text before), then the focused bar.
    auto [fill, contrast] = TitleFillAndCaptionContrast(*sw);
    EXPECT_EQ(QColor(fill), Rgb(SysColor(sw->palette(), TSysColor::InactiveCaption)));
    EXPECT_GE(contrast, 4.5);
    QFocusEvent focusIn(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(sw, &focusIn);
    std::tie(fill, contrast) = TitleFillAndCaptionContrast(*sw);
    EXPECT_EQ(QColor(fill), Rgb(SysColor(sw->palette(), TSysColor::ActiveCaption)));
    EXPECT_GE(contrast, 4.5);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(sw, &focusOut);
    // A palette whose caption text already reads on its bar keeps that text colour: white on navy.
    QPalette navy = sw->palette();
    navy.setColor(QPalette::Active, QPalette::Mid, QColor(0x00, 0x00, 0x80));
    navy.setColor(QPalette::Active, QPalette::HighlightedText, Qt::white);
    sw->setPalette(navy);
    QImage image(sw->size(), QImage::Format_ARGB32);
    sw->render(&image);
    bool white = false;
    for (int y = 2; y < SwitcherTitleHeight; ++y)
        for (int x = 2; x < 40; ++x) white = white || qGray(image.pixel(x, y)) > 200;
    EXPECT_TRUE(white);
    EXPECT_NEAR(ContrastRatio(Qt::white, QColor(0xB8, 0xB8, 0xB8)), 1.05 / (0.4793 + 0.05), 0.01);
}

TEST(SwitcherTitle, HelpContextModeShowsTheNumberBeforeTheCaption) {
    TKitContext plain({}, {"a"});
    TKitContext help({}, {"HelpContext"});
    TOnOffTestSwitcher sw;
    sw.SetCaption("Level");
    sw.SetHelpContext(412);
    sw.SetKit(&plain);
    EXPECT_EQ(sw.TitleText(), "Level");
    sw.SetKit(&help);
    EXPECT_EQ(sw.TitleText(), "412 Level");
}

}  // namespace
