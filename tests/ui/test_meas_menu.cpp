// The measurements' side menu offscreen: every page's captions fit and its switchers are whole and
// bound; the page buttons open the pages of the source's kind and are enabled by the display; the
// bindings follow the statistics mode, the threshold unit and the margin mode.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFont>
#include <QTest>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"
#include "test_sidemenu_support.h"
#include "test_switcher_support.h"
#include "ui/SideMenu.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/MeasMenu.h"

using namespace vt;
using namespace vt::test;

TEST(MeasMenu, PagesFitBindAndFollowTheSource) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TDisplayFeature().FillRows(shell);
    TAnalysisFeature analysis;
    analysis.FillRows(shell);
    RegisterAllCommandHandlers(shell);
    ConnectSignalEnablity(shell.Records()->SignalsOn(), shell.CommandTree()->SignalEnablity());
    shell.Records()->SignalsOn().SetOn(ssCh1, true);
    shell.Records()->Record(ssS1).SetSpectrum(true);
    shell.Records()->SignalsOn().SetOn(ssS1, true);
    TKitContext kit{[&shell](std::string_view path) { return shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    TMeasMenuFeature feature(shell, analysis.Services()->Measurements().Settings());
    feature.RegisterForms(menus);
    auto run = [&shell](const char* command) { shell.CommandTree()->ExecuteCommandString(command, false); };
    run("Meas:Display Off");
    menus.ShowSideMenu(mkMeasurements, 0);
    auto* form = dynamic_cast<TMeas_Form*>(menus.Form(0));
    ASSERT_NE(form, nullptr);
    // Shown, so that each page is laid out as it is shown.
    window.show();
    form->show();
    EXPECT_EQ(TextsThatDoNotFit(*form), std::vector<std::string>{});
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    for (int page = 1; page <= TMeas_Form::PageCount; ++page) {
        form->SetTopPanel(page);
        EXPECT_EQ(form->CurrentPage, page);
        QCoreApplication::processEvents();
        EXPECT_EQ(SwitchersNotWhole(*form->Page(page)), std::vector<std::string>{}) << page;
        EXPECT_EQ(TextsThatDoNotFit(*form->Page(page)), std::vector<std::string>{}) << page;
    }
    form->SetTopPanel(11);
    EXPECT_EQ(form->CurrentPage, 1) << "an unknown page opens the first";
    // Off: no parameter pages to open.
    EXPECT_FALSE(form->XButton()->isEnabled());
    EXPECT_FALSE(form->StatisticsButton()->isEnabled());

    run("Meas:Display Statistic");
    EXPECT_TRUE(form->XButton()->isEnabled());
    EXPECT_TRUE(form->StatisticsButton()->isEnabled());
    EXPECT_TRUE(form->DualButton()->isEnabled());
    EXPECT_FALSE(form->ThresholdsButton()->isEnabled()) << "thresholds 10-90";
    form->XButton()->click();
    EXPECT_EQ(form->CurrentPage, 5);
    form->SetTopPanel(1);
    form->DefineButton()->click();
    EXPECT_EQ(form->CurrentPage, 2);
    form->SetTopPanel(8);
    EXPECT_EQ(form->StatEdit()->GetHandler(), shell.CommandTree()->Root().FindHandler("Meas:Window"));
    run("Meas:StatMode Weight");
    EXPECT_EQ(form->StatEdit()->GetHandler(), shell.CommandTree()->Root().FindHandler("Meas:Weight"));
    EXPECT_EQ(form->StatEdit()->Caption().toStdString(), shell.LangStr("UpWEIGHT"));
    run("Meas:Display Param");
    EXPECT_EQ(form->CurrentPage, 1) << "no statistics page without statistics";

    // The definition source's settings follow it; a spectrum opens the FFT pages.
    run("Meas:Ch1:Thresh Custom");
    run("Meas:Ch1:Unit Volt");
    run("Meas:Ch1:MargMode Slope");
    EXPECT_TRUE(form->ThresholdsButton()->isEnabled());
    EXPECT_EQ(form->Threshold(0)->GetHandler(), shell.CommandTree()->Root().FindHandler("Meas:Ch1:UpThresh"));
    EXPECT_EQ(form->Margin(1)->GetHandler(), shell.CommandTree()->Root().FindHandler("Meas:Ch1:RightSlope"));
    run("Meas:DisplSrc S1");
    EXPECT_FALSE(form->DualButton()->isEnabled());
    form->XButton()->click();
    EXPECT_EQ(form->CurrentPage, 10);
    EXPECT_EQ(form->Page(10)->GroupMnemonics(), "Meas:S1");
    form->SetTopPanel(1);
    form->DefineButton()->click();
    EXPECT_EQ(form->CurrentPage, 7);
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    SaveScreenshot(*form, "meas_menu.png");
    menus.ShowSideMenu(mkNone, 0);
    FlushDeletes();
}
