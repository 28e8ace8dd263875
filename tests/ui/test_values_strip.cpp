// The quick controls below the display.
#include <gtest/gtest.h>

#include <QLabel>

#include "UiTestSupport.h"
#include "core/EditHandlers.h"
#include "core/Shell.h"
#include "test_values_support.h"
#include "ui/MainWindow.h"
#include "ui/PermanentControls.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/ListBoxSwitcher.h"

using namespace vt;
using namespace vt::test;

namespace {

TEST(PermanentControls, EveryQuickControlInItsPlaceAndBoundWhenItsSettingExists) {
    TValuesFixture f;
    auto& scale = f.Tree->Root().AddDoubleEditHandler(
        "Ch1:Scale", {.Initial = 0.05, .Config = {.Minimum = 0.002, .Maximum = 0.5, .Resolution = 1e-7, .Units = "V"}});
    auto& mode = f.Tree->Root().AddRadioHandler("TB:Mode", {.Items = "A,AB,B", .Initial = 2});
    auto& slope = f.Tree->Root().AddRadioHandler("Trig:Slope", {.Items = "Pos,Neg", .Initial = 1});
    auto& trig = f.Tree->Root().AddRadioHandler("Trig:Source", {.Items = "Direct,ExtHF,IntClock,ClockRecov"});
    auto& display = f.OnOff("Ch2:Display");
    TRC_RightMenuPanel strip;
    // The narrowest display area of the default size.
    strip.resize(548, 50);
    BuildPermanentControls(strip);
    EXPECT_TRUE(strip.WithoutFrame());
    EXPECT_TRUE(strip.GroupMnemonics().empty());
    BindPermanentControls(strip, f.Kit);

    std::map<std::string, std::string> mnemonics;
    for (TRC_Switcher* sw : SwitchersOf(strip)) {
        mnemonics[sw->objectName().toStdString()] = sw->Mnemonics();
        EXPECT_FALSE(sw->WithHot()) << sw->objectName().toStdString();
        // Two rows inside the strip's 50 pixels, within the narrowest display area of the default size.
        EXPECT_GE(sw->y(), 0);
        EXPECT_LE(sw->geometry().bottom(), 49);
        EXPECT_LE(sw->geometry().right(), 548);
    }
    const std::map<std::string, std::string> expected{
        {"edswCh1Scale", "Ch1:Scale"},   {"edswCh1Offset", "Ch1:Offset"},         {"edswCh2Scale", "Ch2:Scale"},
        {"edswCh2Offset", "Ch2:Offset"}, {"edswTBScaleA", "TB:ScaleA"},           {"edswTBDelay", "TB:Delay"},
        {"lbswTBMode", "TB:Mode"},       {"edswTrigExtLevel", "Trig:ExtLevel"},   {"lbswTrigSource", "Trig:Source"},
        {"lbswTrigSlope", "Trig:Slope"},  {"chswCh1Display", "Ch1:Display"},     {"chswCh2Display", "Ch2:Display"},
    };
    EXPECT_EQ(mnemonics, expected);
    auto* ch1 = strip.findChild<QLabel*>("lbCh1");
    ASSERT_NE(ch1, nullptr);
    EXPECT_EQ(ch1->text(), "Ch 1");
    EXPECT_EQ(strip.findChild<QLabel*>("lbCh2")->text(), "Ch 2");

    auto* scaleSw = strip.findChild<TRC_EditSwitcher*>("edswCh1Scale");
    EXPECT_EQ(scaleSw->GetHandler(), &scale);
    EXPECT_EQ(scaleSw->ValueText(), QString::fromStdString(scale.FormatValue(false)));
    EXPECT_EQ(strip.findChild<TRC_ListBoxSwitcher*>("lbswTBMode")->ItemIndex(), 2);
    EXPECT_EQ(strip.findChild<TRC_ListBoxSwitcher*>("lbswTrigSlope")->ItemIndex(), 1);
    EXPECT_EQ(strip.findChild<TRC_ListBoxSwitcher*>("lbswTrigSource")->GetHandler(), &trig);
    EXPECT_EQ(strip.findChild<TRC_EditSwitcher*>("edswTBDelay")->GetHandler(), nullptr);
    EXPECT_EQ(strip.findChild<TRC_Switcher*>("chswCh2Display")->GetHandler(), &display);
    (void)mode;
    (void)slope;
    // A setting registered later binds when the strip is bound again.
    auto& delay = f.Tree->Root().AddDoubleEditHandler("TB:Delay", {.Config = {.Maximum = 10, .Resolution = 1e-4}});
    BindPermanentControls(strip, f.Kit);
    EXPECT_EQ(strip.findChild<TRC_EditSwitcher*>("edswTBDelay")->GetHandler(), &delay);
    EXPECT_EQ(scale.SwitcherCount(), 1);
}

TEST(PermanentControls, TheMainWindowCarriesTheStrip) {
    TShell shell;
    TRecordingLife rec{shell};
    TScriptedDialogs dialogs;
    test::TTestWindow w(shell, rec, dialogs);
    auto* strip = dynamic_cast<TRC_RightMenuPanel*>(&w.PermanentControls());
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->objectName(), "rmpPermanentControls");
    EXPECT_EQ(SwitchersOf(*strip).size(), 12u);
}

}  // namespace
