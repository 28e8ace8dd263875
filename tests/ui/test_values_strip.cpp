// The quick controls below the display, and a picture of one value or list switcher of each kind.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>

#include "UiTestSupport.h"
#include "core/EditHandlers.h"
#include "core/Shell.h"
#include "core/SourceHandlers.h"
#include "test_values_support.h"
#include "ui/Morda.h"
#include "ui/PermanentControls.h"
#include "ui/controls/ListBoxSwitcher.h"
#include "ui/controls/SourceSwitcher.h"

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
    TRC_RightMenuPanel strip;
    BuildPermanentControls(strip);
    EXPECT_TRUE(strip.WithoutFrame());
    EXPECT_TRUE(strip.GroupMnemonics().empty());
    BindPermanentControls(strip, f.Kit);

    std::map<std::string, std::string> mnemonics;
    for (TRC_Switcher* sw : SwitchersOf(strip)) {
        mnemonics[sw->objectName().toStdString()] = sw->Mnemonics();
        EXPECT_FALSE(sw->WithHot());
        // Two rows inside the strip's 50 pixels, within the narrowest display area of the default size.
        EXPECT_GE(sw->y(), 0);
        EXPECT_LE(sw->geometry().bottom(), 49);
        EXPECT_LE(sw->geometry().right(), 548);
    }
    const std::map<std::string, std::string> expected{
        {"edswCh1Scale", "Ch1:Scale"},   {"edswCh1Offset", "Ch1:Offset"},         {"edswCh2Scale", "Ch2:Scale"},
        {"edswCh2Offset", "Ch2:Offset"}, {"edswTBScaleA", "TB:ScaleA"},           {"edswTBDelay", "TB:Delay"},
        {"lbswTBMode", "TB:Mode"},       {"edswTrigExtLevel", "Trig:ExtLevel"},   {"lbswTrigSource", "Trig:Source"},
        {"lbswTrigSlope", "Trig:Slope"},
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
    TRecordingSteps rec;
    TScriptedDialogs dialogs;
    TMorda_fr w(shell, rec.Steps, dialogs);
    auto* strip = dynamic_cast<TRC_RightMenuPanel*>(&w.PermanentControls());
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->objectName(), "rmpPermanentControls");
    EXPECT_EQ(SwitchersOf(*strip).size(), 10u);
}

// One switcher of each kind of the value and list family, drawn into a picture under the build folder.
TEST(ValuesScreenshot, OneSwitcherOfEachKind) {
    TValuesFixture f;
    f.Kit.SourceItems.HighestIndex = 3;
    f.Kit.SourceItems.Captions[0] = "Ch1";
    f.Kit.SourceItems.Captions[1] = "Ch2";
    f.Kit.SourceItems.Captions[2] = "M1";
    f.Kit.SourceItems.Captions[3] = "None";
    f.Kit.SourceItems.ColorOf = [](int s) { return s == 0 ? TColor(0x00FFFF) : TColor(0xFFFF00); };
    f.Tree->SignalEnablity().SetSourceOnQuery([](int s) { return s < 2; });
    f.Tree->Root().AddDoubleEditHandler("Gen:Rate", {.Initial = 2.5e6, .Config = {.Maximum = 1e10, .Units = "Hz"}});
    auto& level = f.Tree->Root().AddDoubleEditHandler(
        "Trig:ExtLevel", {.Initial = 0.125, .Config = {.Minimum = -1, .Maximum = 1, .FineStep = 0.001,
                                                       .FineKind = skGrid, .Resolution = 1e-4, .Units = "V"}});
    level.SetHighlighted(true);
    f.Tree->Root().AddRadioHandler("TB:Mode", {.Items = "A,AB,B", .Initial = 1});
    f.Tree->Root().AddSignalSourceHandler("Meas:Source", {.Items = "CH1,CH2,M1,NONE"});

    f.Host.resize(4 * 107 + 4, 70);
    f.Host.setAutoFillBackground(true);
    TRC_RightMenuPanel page(&f.Host);
    page.SetWithoutFrame(true);
    page.setGeometry(0, 0, f.Host.width(), f.Host.height());
    page.show();
    auto* label = new TRC_LabelSwitcher(&page);
    label->SetCaption("Rate");
    label->SetMnemonics("Gen:Rate");
    auto* edit = new TRC_EditSwitcher(&page);
    edit->SetCaption("Level");
    edit->SetMnemonics("Trig:ExtLevel");
    auto* list = new TRC_ListBoxSwitcher(&page);
    list->SetCaption("Mode");
    list->SetItems({"A", "AB", "B"});
    list->SetMnemonics("TB:Mode");
    auto* source = new TRC_SignalSourceSwitcher(&page);
    source->SetCaption("Source");
    source->SetMnemonics("Meas:Source");
    int left = 4;
    for (TRC_Switcher* sw : std::initializer_list<TRC_Switcher*>{label, edit, list, source}) {
        sw->move(left, 4);
        left += 107;
    }
    BindSwitchersOf(page);
    edit->SetFineMode(true);
    f.Host.show();

    const QImage shot = f.Host.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    // The edit's value field shows the highlighted colours: red behind the text.
    const QRect field = edit->ValueField().translated(edit->pos());
    EXPECT_EQ(QColor(shot.pixel(field.right() - 3, field.center().y())), QColor(Qt::red));
    EXPECT_EQ(source->List().currentIndex(), 0);
    const QString dir = QDir::current().absoluteFilePath("screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(shot.save(dir + "/value_switchers.png"));
}

}  // namespace
