// The limit test's side menu offscreen (the parameter choice rebinds the switch and the conditions
// page, "Conditions..." only for an active parameter, the value and count fields follow the modes,
// every caption fits), and the demo under test: Ch2's positive width in Statistic display with its
// tested and failed counts in the strip; the picture goes to screenshots/limit_test_demo.png (_x11
// under a real X server).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QTest>
#include <map>

#include "UiTestSupport.h"
#include "acq/HistogramObjects.h"
#include "acq/SignalSources.h"
#include "analysis/Limit.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/DotNumberText.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"
#include "test_sidemenu_support.h"
#include "test_switcher_support.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenu.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/LimitMenu.h"

using namespace vt;
using namespace vt::test;

TEST(LimitMenu, TheChosenParameterRebindsTheSwitchAndTheConditions) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
    TDisplayFeature().FillRows(shell);
    TAnalysisFeature analysis;
    analysis.FillRows(shell);
    RegisterAllCommandHandlers(shell);
    ConnectSignalEnablity(shell.Records()->SignalsOn(), shell.CommandTree()->SignalEnablity());
    for (int s : {ssCh1, ssCh2}) shell.Records()->SignalsOn().SetOn(s, true);
    TKitContext kit{[&shell](std::string_view path) { return shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    TMeasurements& meas = analysis.Services()->Measurements();
    TLimitMenuFeature feature(shell, meas);
    feature.RegisterForms(menus);
    auto run = [&shell](const char* c) { shell.CommandTree()->ExecuteCommandString(c, false); };
    auto handler = [&shell](const std::string& path) { return shell.CommandTree()->Root().FindHandler(path); };

    menus.ShowSideMenu(mkLimitTest, 0);
    auto* form = dynamic_cast<TLimt_Form*>(menus.Form(0));
    ASSERT_NE(form, nullptr);
    window.show();
    EXPECT_EQ(form->ActivSwitch()->Caption(), QString::fromStdString(shell.LangStr("NoneParams")));
    EXPECT_FALSE(form->ConditionsButton()->isEnabled());

    // Two measurements whose statistics hold their ten values.
    run("Meas:Display Statistic");
    run("Meas:Ch1:YParam Max ON");
    run("Meas:Ch2:XParam PosWidth ON");
    auto prime = [&meas](bool on) {
        for (int slot = 0; slot < 2; ++slot) meas.List().Slot(slot)->LimitPrimed = on;
        meas.LimitTest().RefreshLimitParameters();
    };
    prime(true);
    form->UpdateMenu();
    EXPECT_EQ(form->ActivSwitch()->GetHandler(), handler("Limit1:Activ"));
    EXPECT_EQ(form->ActivSwitch()->Caption(), QString::fromStdString(meas.List().GetMeasLabel(0)));

    // The second parameter: the switch, its caption and the conditions page follow; "Conditions..."
    // opens only once it is active.
    auto* parameter = form->Page(1)->findChild<TRC_RadioSwitcher*>(QStringLiteral("rswParameter"));
    ASSERT_NE(parameter, nullptr);
    auto choose = [parameter](int item) { QTest::mouseClick(&parameter->Button(item), Qt::LeftButton); };
    choose(1);
    EXPECT_EQ(form->ActivSwitch()->GetHandler(), handler("Limit2:Activ"));
    EXPECT_EQ(form->ActivSwitch()->Caption(), QString::fromStdString(meas.List().GetMeasLabel(1)));
    EXPECT_EQ(form->Page(2)->GroupMnemonics(), "Limit2");
    EXPECT_FALSE(form->ConditionsButton()->isEnabled());
    run("Limit2:Activ ON");
    ASSERT_TRUE(form->ConditionsButton()->isEnabled());
    form->ConditionsButton()->click();
    EXPECT_EQ(form->CurrentPanel, form->Page(2));

    // The value fields by Mode and Delta; the run-until field by its choice.
    EXPECT_EQ(form->ValueEdit(0)->GetHandler(), handler("Limit2:CenterVal"));
    EXPECT_EQ(form->ValueEdit(1)->GetHandler(), handler("Limit2:StdDev"));
    EXPECT_EQ(form->ValueEdit(0)->Caption(), QStringLiteral("CENTER"));
    EXPECT_EQ(form->ValueEdit(1)->Caption(), QStringLiteral("DELTA"));
    run("Limit2:Delta UserPerc");
    EXPECT_EQ(form->ValueEdit(1)->GetHandler(), handler("Limit2:UserPerc"));
    run("Limit2:Mode Limit");
    EXPECT_EQ(form->ValueEdit(0)->GetHandler(), handler("Limit2:UpLimit"));
    EXPECT_EQ(form->ValueEdit(1)->GetHandler(), handler("Limit2:LowLimit"));
    EXPECT_EQ(form->ValueEdit(0)->Caption(), QStringLiteral("UPPER LIMIT"));
    EXPECT_EQ(form->ValueEdit(1)->Caption(), QStringLiteral("LOWER LIMIT"));
    EXPECT_EQ(form->RunUntilEdit()->GetHandler(), handler("Limit:NWfms"));
    run("Limit:RunUntil Failur");
    EXPECT_EQ(form->RunUntilEdit()->GetHandler(), handler("Limit:Failures"));
    EXPECT_EQ(form->RunUntilEdit()->Caption(), QStringLiteral("# OF FAILURES"));

    for (int page = 1; page <= TLimt_Form::PageCount; ++page) {
        form->SetTopPanel(page);
        EXPECT_EQ(form->CurrentPanel, form->Page(page));
        EXPECT_EQ(TextsThatDoNotFit(*form->Page(page)), std::vector<std::string>{}) << page;
        EXPECT_EQ(SwitchersNotWhole(*form->Page(page)), std::vector<std::string>{}) << page;
    }
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    // Limits seeded from a mean near -1 ns with a step of 0.2 ps show the digits of their step, and
    // still fit their fields.
    for (const char* name : {"Limit2:UpLimit", "Limit2:LowLimit"})
        if (auto* edit = dynamic_cast<TEditHandler*>(handler(name))) edit->SetFineStep(2e-13);
    run("Limit2:LowLimit -1.002923E-9");
    run("Limit2:UpLimit -0.996923E-9");
    EXPECT_EQ(form->ValueEdit(0)->ValueText().toStdString(), "-996.92 p");
    EXPECT_EQ(form->ValueEdit(1)->ValueText().toStdString(), "-1.00292 n");
    EXPECT_EQ(TextsThatDoNotFit(*form->Page(2)), std::vector<std::string>{});
    SaveScreenshot(*form, "limit_menu_conditions.png");

    // The statistics restart: the chosen parameter falls back to one without limits, and the menu to
    // its first page.
    choose(0);
    run("Limit1:Activ ON");
    form->SetTopPanel(2);
    prime(false);
    EXPECT_EQ(form->ActivSwitch()->GetHandler(), handler("Limit2:Activ"));
    EXPECT_EQ(form->CurrentPanel, form->Page(1));
    menus.ShowSideMenu(mkNone, 0);
    FlushDeletes();
}

namespace vt {
namespace {

TEST(LimitTestDemo, PositiveWidthOfCh2UnderTestWithItsCountsInTheStrip) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    std::map<std::pair<int, int>, std::string> cells;
    std::uint32_t tested = 0, failed = 0;
    std::string center;
    double mean = 0;
    auto list = [&shell]() -> TMeasList& {
        return dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().List();
    };
    rig.RunSteps(180000, [&] {
        TMorda_fr* m = test::ShownMainWindow();
        TNizText& strip = dynamic_cast<TScopeDisplayServices&>(shell.Display()).Panel()->BottomStrip();
        ASSERT_TRUE(rig.Until([&] {
            return shell.Records()->State(ssCh2) == srcUpToDate || shell.Records()->State(ssCh2) == srcFresh;
        }));
        strip.TextWatch = [&cells](const TPixelRect& r, const std::string& text, TColor) { cells[{r.Left, r.Top}] = text; };
        for (const char* c : {"Meas:Display Statistic", "Meas:Ch2:XParam PosWidth ON"}) shell.ExecuteCommandString(c);
        ASSERT_TRUE(rig.Until([&] { return list().Slot(0) && list().Slot(0)->LimitPrimed; }));
        // A band of one standard deviation around the running mean: the demo's noise fails some.
        for (const char* c : {"Limit1:Activ ON", "Limit1:Delta StdDev", "Limit1:StdDev 1", "Limit:TestOn ON"})
            shell.ExecuteCommandString(c);
        m->MouseDownOnButtonOfMainMenu(m->GetMainMenuButton(mkLimitTest), Qt::LeftButton);
        ASSERT_TRUE(rig.Until([&] { return list().Slot(0)->TestedCount >= 20 && list().Slot(0)->FailedCount != 0; }, 120000));
        // Stop first: the counts then hold still while the strip's last drawing is compared with them.
        shell.RunOn = false;
        if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
        const TPixelRect testedCell = NizCellRect(0, 4);
        ASSERT_TRUE(rig.Until([&] {
            tested = list().Slot(0)->TestedCount;
            failed = list().Slot(0)->FailedCount;
            return cells[{testedCell.Left, testedCell.Top}] == FormatDot("%5d", static_cast<int>(tested));
        }));
        // The CENTER field shows the running mean of the width in engineering form with its unit.
        for (QWidget* child : m->findChildren<QWidget*>())
            if (auto* form = dynamic_cast<TLimt_Form*>(child); form && form->isVisible()) {
                center = form->ValueEdit(0)->ValueText().toStdString();
                if (auto* h = dynamic_cast<TEditHandler*>(form->ValueEdit(0)->GetHandler())) mean = h->GetValueAsDouble();
            }
        const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
        QCoreApplication::processEvents();
        test::SaveScreenshot(*m, x11 ? "limit_test_demo_x11.png" : "limit_test_demo.png");
        strip.TextWatch = {};
    });
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    // The strip's columns 4 and 5 of the first row hold the counts of the moment of the picture.
    const TPixelRect testedCell = NizCellRect(0, 4);
    const TPixelRect failedCell = NizCellRect(0, 5);
    const std::string shownTested = cells[{testedCell.Left, testedCell.Top}];
    const std::string shownFailed = cells[{failedCell.Left, failedCell.Top}];
    EXPECT_EQ(shownTested, FormatDot("%5d", static_cast<int>(tested)));
    EXPECT_EQ(shownFailed, FormatDot("%5d", static_cast<int>(failed)));
    EXPECT_LT(failed, tested) << "a one-sigma band passes most values";
    // The demo's pulses on Ch2 are about a nanosecond wide: "<mantissa> ps" or "<mantissa> ns", the
    // mantissa the mean with five digits.
    ASSERT_GT(center.size(), 3u);
    const std::string unit = center.substr(center.size() - 3);
    ASSERT_TRUE(unit == " ps" || unit == " ns") << center;
    EXPECT_NEAR(std::stod(center) * (unit == " ps" ? 1e-12 : 1e-9), mean, std::fabs(mean) * 1e-4) << center;
}

}  // namespace
}  // namespace vt
