// The jitter analysis as the user sees it, offscreen: the readouts on the bottom strip in the analysed
// channel's colour, the TJ histogram and DDJ-versus-bit windows drawn by the analyser, a closed window
// clearing its item, and the side menu's pages, captions and sampling-level edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <cmath>
#include <map>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "serial/ScopeSerialServices.h"
#include "test_sidemenu_support.h"
#include "test_switcher_support.h"
#include "ui/JitterPlotWindows.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/SideMenu.h"
#include "ui/VeltraneApplication.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/JitterMenu.h"

namespace vt {
namespace {

int CountColour(const TSLBMP& b, TColor c) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) n += (b.Pixel(x, y).Value & 0xFFFFFF) == c.Value;
    return n;
}

TJitterGraphFrm* Frame(int type) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = dynamic_cast<TJitterGraphFrm*>(w); f && f->Type() == type && f->isVisible()) return f;
    return nullptr;
}

TEST(JitterWindows, ReadoutsPlotsAndAClosedWindow) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    std::map<std::string, std::pair<std::string, TColor>> strip;  // label → value text, colour
    std::vector<std::pair<TPixelRect, std::string>> texts;
    TColor ch1;
    int tjPixels = 0, ddjPoints = 0, ddjPattern = 0;
    bool plotBitCleared = false, barTop = false, firstEdgePoint = false;
    rig.RunSteps(240000, [&] {
        ASSERT_TRUE(rig.CountOn(1));
        TMorda_fr* m = test::ShownMainWindow();
        auto& services = dynamic_cast<TScopeDisplayServices&>(shell.Display());
        TJitterAnalysis& jitter = dynamic_cast<TScopeSerialServices&>(shell.Serial()).Jitter();
        TCommandTree* tree = shell.CommandTree();
        TInstrumentIdentity& id = shell.Identity()->Identity;
        if (id.ModelType == 0) id.ModelType = 1;
        id.Options |= optPatSyncTrig;
        for (const char* c : {"GSS:CH1 C", "Ch2:Display OFF", "TRIG:PATTLEN 31", "TRIG:PATTERNLOCKMODE MANUAL"})
            shell.ExecuteCommandString(c);
        auto* params = FindSetting<TCheckSwHandler>(tree, "Jitter:JParam");
        auto* plots = FindSetting<TCheckSwHandler>(tree, "Jitter:JPlots");
        params->SetBit(jpDataDepend, true);
        params->SetBit(jpRandom, true);
        params->SetBit(jpDetermin, true);
        plots->SetBit(jpTjHist, true);
        plots->SetBit(jpDdjVsBit, true);
        m->resize(m->width() + 150, m->height() + 150);
        ch1 = services.Colors().SourceRGB(ssCh1);
        services.Panel()->BottomStrip().TextWatch = [&](const TPixelRect& r, const std::string& t, TColor c) {
            texts.emplace_back(r, t);
            for (std::size_t i = 0; i < 10; ++i)
                if (r == JitterCellRect(static_cast<int>(i), false)) strip[t] = {"", c};
        };
        shell.CommandTree()->ExecuteCommandString("JITTER:JITTERON ON", false);
        // The step after the results (state 5) shows them: the round after it runs.
        ASSERT_TRUE(rig.Until([&] {
            const auto& readouts = jitter.Readouts();
            return jitter.Analyser() && !readouts.empty() && !IsUndefinedValue(readouts.front().Value) &&
                   Frame(jpTjHist) && Frame(jpDdjVsBit);
        }, 120000));
        TJ_Obj* a = jitter.Analyser();
        for (const auto& [rect, text] : texts)
            for (std::size_t i = 0; i < jitter.Readouts().size(); ++i)
                if (rect == JitterCellRect(static_cast<int>(i), true))
                    strip[jitter.Readouts()[i].Label].first = text;
        TJitterGraphFrm* tj = Frame(jpTjHist);
        TJitterGraphFrm* bits = Frame(jpDdjVsBit);
        // Drawn once more now, against the histograms as they stand: the tallest bar reaches
        // exactly height - 26 rows above the base line at height - 20.
        jitter.DrawPlot(jpTjHist, 0, -1);
        jitter.DrawPlot(jpDdjVsBit, 0, -1);
        const TSLBMP& b = tj->Surface()->Bitmap();
        const TJitterHist& h4 = a->Histograms[4];
        int peakBin = 0;
        while (h4.Counts[static_cast<std::size_t>(peakBin)] != h4.PeakCount) ++peakBin;
        const int x = 23 + peakBin * (b.Width() - 31) / TJitterHist::BinCount;
        const int top = b.Height() - 20 - (b.Height() - 26) + 1;
        barTop = (b.Pixel(x, top).Value & 0xFFFFFF) == 0x80FF80 && (b.Pixel(x, top - 1).Value & 0xFFFFFF) == 0x661111;
        const TSLBMP& d = bits->Surface()->Bitmap();
        int p = 0;
        while (p < 30 && a->ShownEdgeDeviation[static_cast<std::size_t>(p)] == -2.0f) ++p;
        const double scale = (d.Height() - 31) / a->Histograms[0].FullRange();
        const int px = 43 + static_cast<int>(std::lround(p * static_cast<double>(d.Width() - 51) / 31));
        const int py = (d.Height() - 21) / 2 + 1 - static_cast<int>(std::lround(a->ShownEdgeDeviation[static_cast<std::size_t>(p)] * scale));
        const TColor c = d.Pixel(px + 1, py + 1);
        firstEdgePoint = (c.Value & 0xFFFFFF) == 0x00FFFF || (c.Value & 0xFFFFFF) == 0x008000 || (c.Value & 0xFFFFFF) == 0x0000FF;
        tjPixels = CountColour(tj->Surface()->Bitmap(), TColor(0x80FF80));
        ddjPoints = CountColour(bits->Surface()->Bitmap(), TColor(0x00FFFF));
        ddjPattern = CountColour(bits->Surface()->Bitmap(), TColor(0xFF0000));
        test::SaveScreenshot(*m, "jitter_readouts.png");
        test::SaveScreenshot(*bits, "jitter_ddj_vs_bit.png");
        test::SaveScreenshot(*tj, "jitter_tj_hist.png");
        tj->Button1->click();
        ASSERT_TRUE(rig.Until([&] { return (ReadMaskSetting(tree, "Jitter:JPlots", 0) & (1u << jpTjHist)) == 0; }));
        plotBitCleared = (ReadMaskSetting(tree, "Jitter:JPlots", 0) & (1u << jpDdjVsBit)) != 0;
        shell.CommandTree()->ExecuteCommandString("JITTER:JITTERON OFF", false);
        services.Panel()->BottomStrip().TextWatch = {};
        shell.RunOn = false;
    });
    const std::string dd = shell.LangStr("DataDependJpp"), rj = shell.LangStr("RandomJrms"), dt = shell.LangStr("DeterminJss");
    ASSERT_TRUE(strip.count(dd) && strip.count(rj) && strip.count(dt));
    EXPECT_EQ(strip[dd].second.Value & 0xFFFFFF, ch1.Value & 0xFFFFFF);
    EXPECT_EQ(strip[rj].second.Value & 0xFFFFFF, ch1.Value & 0xFFFFFF);
    // Values in seconds with their prefix: some picoseconds.
    EXPECT_NE(strip[rj].first.find("ps"), std::string::npos) << strip[rj].first;
    EXPECT_NE(strip[dd].first.find("s"), std::string::npos) << strip[dd].first;
    EXPECT_EQ(strip[dt].first, "");  // no computation: an empty cell
    EXPECT_GT(tjPixels, 50);
    EXPECT_GT(ddjPoints, 16 * 9 - 1);  // at least a 3 × 3 square per edge of the 31-bit pattern
    EXPECT_GT(ddjPattern, 100);
    EXPECT_TRUE(plotBitCleared);
    EXPECT_TRUE(barTop);
    EXPECT_TRUE(firstEdgePoint);
}

TEST(JitterWindows, TheSideMenuPagesAndItsLevelEdit) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TDisplayFeature().FillRows(shell);
    TSerialFeature().FillRows(shell);
    RegisterAllCommandHandlers(shell);
    TKitContext kit{[&shell](std::string_view path) { return shell.CommandTree()->Root().FindHandler(path); }};
    test::TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    TJitterUiFeature feature(shell);
    feature.RegisterForms(menus);
    menus.ShowSideMenu(mkJitter, 0);
    auto* form = dynamic_cast<TJitter_Form*>(menus.Form(0));
    ASSERT_NE(form, nullptr);
    for (int page = 1; page <= 4; ++page) {
        form->SetTopPanel(page);
        EXPECT_TRUE(form->Page(page)->isVisibleTo(form)) << page;
        EXPECT_EQ(test::TextsThatDoNotFit(*form->Page(page)), std::vector<std::string>{}) << page;
        if (page == 4) test::SaveScreenshot(*form, "jitter_menu_setup.png");
    }
    form->SetTopPanel(9);
    EXPECT_TRUE(form->Page(1)->isVisibleTo(form));
    auto* back = form->Page(3)->findChild<QPushButton*>("btnBack3");
    form->SetTopPanel(3);
    back->click();
    EXPECT_TRUE(form->Page(1)->isVisibleTo(form));
    const auto handler = [&shell](const char* path) { return shell.CommandTree()->Root().FindHandler(path); };
    EXPECT_EQ(form->LevelEdit()->GetHandler(), handler("Jitter:PercAmpl"));
    shell.CommandTree()->ExecuteCommandString("Jitter:SmplLvl Level", false);
    form->UpdateMenu();
    EXPECT_EQ(form->LevelEdit()->GetHandler(), handler("Jitter:CustLevel"));
    EXPECT_TRUE(handler("Jitter:PercAmpl")->IsDisabled());
    EXPECT_FALSE(handler("Jitter:CustLevel")->IsDisabled());
    menus.ShowSideMenu(mkNone, 0);
    test::FlushDeletes();
}

}  // namespace
}  // namespace vt
