// The histogram's side menu offscreen (pages open, captions fit, editors follow the axis, the scale
// type and the run-until choice), and the demo's Ch1 histogram drawn as bars with its window box;
// the picture goes to screenshots/histogram_demo.png (_x11 under a real X server).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QGuiApplication>

#include "UiTestSupport.h"
#include "acq/HistogramObjects.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenLayers.h"
#include "link/InstrumentLink.h"
#include "test_sidemenu_support.h"
#include "test_switcher_support.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenu.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/HistogramMenu.h"

using namespace vt;
using namespace vt::test;

TEST(HistogramMenu, PagesFitAndTheEditorsFollowTheSettings) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
    TDisplayFeature().FillRows(shell);
    TAnalysisFeature analysis;
    analysis.FillRows(shell);
    RegisterAllCommandHandlers(shell);
    ConnectSignalEnablity(shell.Records()->SignalsOn(), shell.CommandTree()->SignalEnablity());
    shell.Records()->SignalsOn().SetOn(ssCh1, true);
    TKitContext kit{[&shell](std::string_view path) { return shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    THistMenuFeature feature(analysis.Services()->Histogram());
    feature.RegisterForms(menus);
    menus.ShowSideMenu(mkHistogram, 0);
    auto* form = dynamic_cast<THist_Form*>(menus.Form(0));
    ASSERT_NE(form, nullptr);
    auto handler = [&shell](const std::string& path) { return shell.CommandTree()->Root().FindHandler(path); };

    // Off: the other pages cannot open; the count of the chosen limit shows in the shared place.
    EXPECT_FALSE(form->PageOpener(2)->isEnabled());
    EXPECT_FALSE(form->PageOpener(4)->isEnabled());
    shell.CommandTree()->ExecuteCommandString("Hist:RunUntil Samples", false);
    EXPECT_TRUE(form->SamplesEditor()->isVisibleTo(form->Page(1)));
    EXPECT_FALSE(form->WaveformsEditor()->isVisibleTo(form->Page(1)));
    EXPECT_EQ(form->SamplesEditor()->geometry().top(), form->WaveformsEditor()->geometry().top());

    shell.CommandTree()->ExecuteCommandString("Hist:Axis Horiz", false);
    EXPECT_TRUE(form->PageOpener(3)->isEnabled());
    EXPECT_EQ(form->WindowEditor(heLeft)->GetHandler(), handler("Hist:WHor:Left"));
    EXPECT_EQ(form->ScaleEditor(0)->GetHandler(), handler("Hist:HorScale"));
    shell.CommandTree()->ExecuteCommandString("Hist:ScaleType Logarith", false);
    EXPECT_EQ(form->ScaleEditor(0)->GetHandler(), handler("Hist:HorDBScale"));
    EXPECT_EQ(form->ScaleEditor(1)->GetHandler(), handler("Hist:HorDBOffs"));
    shell.CommandTree()->ExecuteCommandString("Hist:Axis Vert", false);
    EXPECT_EQ(form->WindowEditor(heTop)->GetHandler(), handler("Hist:WVert:Top"));
    EXPECT_EQ(form->ScaleEditor(1)->GetHandler(), handler("Hist:VertDBOffs"));

    for (int page = 1; page <= 4; ++page) {
        form->SetTopPanel(page);
        EXPECT_EQ(form->CurrentPanel, form->Page(page));
        EXPECT_EQ(TextsThatDoNotFit(*form->Page(page)), std::vector<std::string>{}) << page;
        EXPECT_EQ(SwitchersNotWhole(*form->Page(page)), std::vector<std::string>{}) << page;
    }
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});
    form->SetTopPanel(2);
    SaveScreenshot(*form, "histogram_menu_window.png");
    // Axis Off takes the menu back to its first page.
    shell.CommandTree()->ExecuteCommandString("Hist:Axis Off", false);
    EXPECT_EQ(form->CurrentPanel, form->Page(1));
    menus.ShowSideMenu(mkNone, 0);
    FlushDeletes();
}

namespace vt {
namespace {

TEST(HistogramDemo, BarsAndWindowBoxOverTheDemoTrace) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    bool bars = false, box = false;
    std::uint64_t hits = 0;
    rig.RunSteps(120000, [&] {
        auto& services = dynamic_cast<TScopeDisplayServices&>(shell.Display());
        TScopeCRT& crt = *services.Panel();
        ASSERT_TRUE(rig.Until([&] { return services.SignalLayerDrawn(ssCh1); }));
        for (const char* c : {"Hist:Axis Vert", "Hist:Units Percent", "Hist:WVert:Left 20", "Hist:WVert:Right 80",
                              "Hist:WVert:Top 80", "Hist:WVert:Bottom 30"})
            shell.CommandTree()->ExecuteCommandString(c, false);  // as a client types it: in percent
        ASSERT_TRUE(rig.Until([&] { return shell.FullHist() && shell.FullHist()->GetWaveformCount() >= 5; }));
        if (const THistLayer* layer = crt.ExistingHistLayer()) {
            for (int p = 1; p < 1000 && !bars; ++p) bars = layer->BarLength(p) > 0;
        }
        auto* window = dynamic_cast<THistWindowLayer*>(crt.MarkerLayer(1));
        box = window != nullptr && window->BoxLeft() > 0 && window->BoxRight() > window->BoxLeft();
        hits = shell.FullHist()->GetTotalHits();
        const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
        test::SaveScreenshot(*test::ShownMainWindow(), x11 ? "histogram_demo_x11.png" : "histogram_demo.png");
        shell.RunOn = false;
        if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
    });
    EXPECT_TRUE(bars);
    EXPECT_TRUE(box);
    EXPECT_GT(hits, 0u);
}

}  // namespace
}  // namespace vt
