// The display settings through the command tree with the panel behind them: the trace-mode rule, the
// format and screen choices, the refused items, the database on the screen and a setup's round trip.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/DisplaySettings.h"
#include "display/ScopeDisplayServices.h"

using namespace vt;

namespace {

struct TMaskPolygons : TSerialServices {
    int MaskPolygonCount() const override { return Count; }
    int Count = 0;
};

class DisplaySettings : public ::testing::Test {
protected:
    DisplaySettings() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        auto mask = std::make_unique<TMaskPolygons>();
        Mask = mask.get();
        Shell.SetSerialServices(std::move(mask));
        Display.FillRows(Shell);
        Settings.FillRows(Shell);
        Settings.AttachToProgram(Shell);
        RegisterAllCommandHandlers(Shell);
        Services().CreatePanel();
        Services().PlacePanel(0, 0, 604, 804);
        Run("Header OFF");
        Shell.AcqEnabled = true;
        Shell.Refresh.RunRow(Shell, TRefreshRow::RefreshDisplayHandlers);
    }
    TScopeDisplayServices& Services() { return dynamic_cast<TScopeDisplayServices&>(Shell.Display()); }
    TScopeCRT& Panel() { return *Services().Panel(); }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    double Real(std::string_view path) { return ReadRealSetting(Shell.CommandTree(), path, -1); }
    THandler* Setting(std::string_view path) { return Shell.CommandTree()->Root().FindHandler(path); }

    TShell Shell;
    TMaskPolygons* Mask = nullptr;
    TDisplayFeature Display;
    TDisplaySettings Settings{Shell};
};

}  // namespace

TEST_F(DisplaySettings, TheTraceModeRuleGovernsTheStylesAndTimes) {
    EXPECT_EQ(Run("Displ:Ch1:Style?"), "VARPERSIST");
    Run("Displ:Ch1:PersistTime 50");
    EXPECT_EQ(Real("Displ:F2:PersistTime"), 20) << "20 at most, and locked: copied to every trace";
    EXPECT_EQ(Panel().PersistTime[ssF2], 20);

    // Per trace: a memory selected; locking again selects Ch1 and a remote change elsewhere is undone.
    Run("Displ:TraceMode PerTrace;:Displ:TraceSel M2;:Displ:M1:Style VarPersist");
    EXPECT_EQ(Run("Displ:M1:Style?"), "DOTS");
    // A new panel takes every trace's time at the refresh, XY's included.
    Panel().PersistTime.fill(0);
    Shell.Refresh.RunRow(Shell, TRefreshRow::RefreshDisplayHandlers);
    EXPECT_EQ(Panel().PersistTime[XYLayerSlot], 20);
    Run("Displ:Ch2:RefreshTime 50;:Displ:TraceMode AllLocked");
    EXPECT_EQ(Run("Displ:TraceSel?"), "CH1");
    Run("Displ:Ch1:Style IColorGrad");
    for (const char* m : {"M1", "M2", "M3", "M4"}) EXPECT_EQ(Run(std::string("Displ:") + m + ":Style?"), "DOTS") << m;
    EXPECT_EQ(Real("Displ:Ch2:RefreshTime"), 50) << "infinite grading copies no time";
    Run("Displ:S1:Style Dots");
    EXPECT_EQ(Run("Displ:S1:Style?"), "ICOLORGRAD") << "locked: the rule overwrites a trace not selected";

    Run("Displ:ResetAll");
    EXPECT_EQ(Run("Displ:S1:Style?"), "VARPERSIST");
    EXPECT_EQ(Real("Displ:S1:PersistTime"), 2);
    EXPECT_TRUE(Setting("Displ:Ch1:RefreshTime")->IsDisabled());
}

TEST_F(DisplaySettings, FormatsPlaceTheSourcesAndUnavailableItemsAreRefused) {
    EXPECT_EQ(Run("Displ:Screen4:F3?"), "4");
    EXPECT_EQ(Run("Displ:Screen2:Ch2?"), "2");
    EXPECT_EQ(Run("Displ:Screen4:Hist?"), "1");

    Run("Displ:Format XY");
    EXPECT_TRUE(Shell.Records()->SignalsOn().IsOn(ssXY));
    for (int s = 0; s < PlacedSourceCount; ++s) EXPECT_EQ(Panel().ScreenOfSource(s), 0) << s;

    Run("Displ:Format 4YT");
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 4);
    EXPECT_EQ(Panel().ScreenOfSource(ssCh2), 2);
    EXPECT_TRUE(Setting("Displ:Screen4:F3")->IsDisabled()) << "F3 is off";
    Shell.Records()->SignalsOn().SetOn(ssF3, true);
    EXPECT_FALSE(Setting("Displ:Screen4:F3")->IsDisabled()) << "the choice follows the source's switch";
    Run("Displ:Screen4:F3 2");
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 2);
    Run("Displ:Screen2:F3 1");
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 2) << "a two-screen choice does not move a source in 4YT";

    Mask->Count = 1;
    Run("Displ:Format YT;:Displ:Format 4YT");
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 1) << "a mask keeps one screen";

    // Unavailable items are refused and the value stays.
    EXPECT_EQ(Run("Displ:TraceSel Hist;:Displ:Screen2:Ch1 3;:Displ:DBStyle Dots"), "ERRORERRORERROR");
    EXPECT_EQ(Run("Displ:TraceSel?;:Displ:Screen2:Ch1?;:Displ:DBStyle?"), "CH1;1;INFGRAYSCAL");
}

TEST_F(DisplaySettings, SetupsKeepEveryValueAndTheDatabaseAnswersTheServices) {
    Run("Displ:TraceMode PerTrace;:Displ:XY:Style VColorGrad;:Displ:XY:RefreshTime 7;:Displ:Screen4:XY 3");
    std::vector<std::string> setup;
    Shell.CommandTree()->Root().SaveAllSettings(setup);
    Run("Displ:XY:Style Dots;:Displ:Screen4:XY 1;:Displ:TraceMode AllLocked");
    setup.push_back("Displ:???:Style Dots");
    EXPECT_EQ(Shell.CommandTree()->Root().LoadAllSettings(setup), 1) << "an old line without a name is refused";
    EXPECT_EQ(Services().XYDisplayStyle(), dsVColorGrad);
    EXPECT_EQ(Real("Displ:XY:RefreshTime"), 7);
    EXPECT_EQ(Run("Displ:Screen4:XY?"), "3");
    EXPECT_EQ(Run("Displ:TraceMode?"), "PERTRACE");

    Services().SetDatabase("/data/run.db");
    EXPECT_EQ(Services().GetSourceName(), "/data/run.db");
    Services().SetDatabase({});
    EXPECT_EQ(Services().GetSourceName(), NoDatabaseOnScreen);
}
