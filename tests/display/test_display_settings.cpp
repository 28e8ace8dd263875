// The display settings through the command tree with the panel behind them: the trace-mode rule, the
// format and screen choices, the refused items, the database on the screen and a setup's round trip.
#include <gtest/gtest.h>

#include <algorithm>
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

class TMaskPolygons : public TSerialServices {
public:
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
    EXPECT_EQ(Run("Displ:M3:Style?"), "DOTS") << "the refresh set the memories' styles by the rule";
    Run("Displ:Ch1:PersistTime 50");
    EXPECT_EQ(Real("Displ:Ch1:PersistTime"), 20);
    EXPECT_EQ(Real("Displ:F2:PersistTime"), 20) << "locked: copied to every trace";
    EXPECT_EQ(Panel().PersistTime[ssF2], 20);
    EXPECT_TRUE(Setting("Displ:TraceSel")->IsDisabled());

    // Per trace: a memory selected; locking again selects Ch1 and a remote change elsewhere is undone.
    Run("Displ:TraceMode PerTrace");
    EXPECT_FALSE(Setting("Displ:TraceSel")->IsDisabled());
    Run("Displ:TraceSel M2");
    Run("Displ:M1:Style VarPersist");
    EXPECT_EQ(Run("Displ:M1:Style?"), "DOTS");
    Run("Displ:Ch2:RefreshTime 50");
    Run("Displ:TraceMode AllLocked");
    EXPECT_EQ(Run("Displ:TraceSel?"), "CH1");
    Run("Displ:Ch1:Style IColorGrad");
    for (const char* m : {"M1", "M2", "M3", "M4"}) EXPECT_EQ(Run(std::string("Displ:") + m + ":Style?"), "DOTS") << m;
    EXPECT_EQ(Run("Displ:Ch2:Style?"), "ICOLORGRAD");
    EXPECT_EQ(Real("Displ:Ch2:RefreshTime"), 50) << "infinite grading copies no time";
    EXPECT_EQ(Panel().PaletteChoice[ssCh2], 0);
    EXPECT_EQ(Panel().GradeRefreshTime[ssCh2], 0);
    Run("Displ:S1:Style Dots");
    EXPECT_EQ(Run("Displ:S1:Style?"), "ICOLORGRAD") << "locked: the rule overwrites a trace not selected";

    Run("Displ:ResetAll");
    EXPECT_EQ(Run("Displ:S1:Style?"), "VARPERSIST");
    EXPECT_EQ(Real("Displ:S1:PersistTime"), 2);
    EXPECT_TRUE(Setting("Displ:Ch1:RefreshTime")->IsDisabled());
    EXPECT_FALSE(Setting("Displ:Ch1:PersistTime")->IsDisabled());
}

TEST_F(DisplaySettings, FormatsPlaceTheSourcesAndUnavailableItemsAreRefused) {
    EXPECT_EQ(Run("Displ:Screen4:F3?"), "4");
    EXPECT_EQ(Run("Displ:Screen2:Ch2?"), "2");
    EXPECT_EQ(Run("Displ:Screen4:Hist?"), "1");

    Run("Displ:Format XY");
    EXPECT_TRUE(Shell.Records()->SignalsOn().IsOn(ssXY));
    for (int s = 0; s < PlacedSourceCount; ++s) EXPECT_EQ(Panel().ScreenOfSource(s), 0) << s;
    EXPECT_FALSE(Setting("Displ:XAxis")->IsDisabled());

    Run("Displ:Format 4YT");
    EXPECT_FALSE(Shell.Records()->SignalsOn().IsOn(ssXY));
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 4);
    EXPECT_EQ(Panel().ScreenOfSource(ssCh2), 2);
    EXPECT_FALSE(Setting("Displ:Screen4:Ch1")->IsDisabled());
    EXPECT_TRUE(Setting("Displ:Screen4:F3")->IsDisabled()) << "F3 is off";
    Shell.Records()->SignalsOn().SetOn(ssF3, true);
    EXPECT_FALSE(Setting("Displ:Screen4:F3")->IsDisabled()) << "the choice follows the source's switch";
    Run("Displ:Screen4:F3 2");
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 2);
    Run("Displ:Screen2:F3 1");
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 2) << "a two-screen choice does not move a source in 4YT";

    Mask->Count = 1;
    Run("Displ:Format YT");
    Run("Displ:Format 4YT");
    EXPECT_EQ(Panel().ScreenOfSource(ssF3), 1) << "a mask keeps one screen";

    // Unavailable items are refused and the value stays.
    EXPECT_EQ(Run("Displ:TraceSel Hist"), "ERROR");
    EXPECT_EQ(Run("Displ:TraceSel?"), "CH1");
    EXPECT_EQ(Run("Displ:Screen2:Ch1 3"), "ERROR");
    EXPECT_EQ(Run("Displ:Screen2:Ch1?"), "1");
    EXPECT_EQ(Run("Displ:DBStyle Dots"), "ERROR");
    Run("Displ:DBStyle IColorGrad");
    EXPECT_EQ(Run("Displ:DBStyle?"), "ICOLORGRAD");
}

TEST_F(DisplaySettings, SetupsKeepEveryValueAndTheDatabaseAnswersTheServices) {
    Run("Displ:TraceMode PerTrace");
    Run("Displ:XY:Style VColorGrad");
    Run("Displ:XY:RefreshTime 7");
    Run("Displ:Screen4:XY 3");
    Run("Displ:Gratic Off");
    EXPECT_EQ(Services().XYDisplayStyle(), dsVColorGrad);
    EXPECT_EQ(Panel().GraticuleLayer(1)->Style(), gsOff);
    std::vector<std::string> setup;
    Shell.CommandTree()->Root().SaveAllSettings(setup);
    Run("Displ:XY:Style Dots");
    Run("Displ:XY:RefreshTime 1");
    Run("Displ:Screen4:XY 1");
    Run("Displ:TraceMode AllLocked");
    setup.push_back("Displ:???:Style Dots");
    EXPECT_EQ(Shell.CommandTree()->Root().LoadAllSettings(setup), 1) << "an old line without a name is refused";
    EXPECT_EQ(Run("Displ:XY:Style?"), "VCOLORGRAD");
    EXPECT_EQ(Real("Displ:XY:RefreshTime"), 7);
    EXPECT_EQ(Run("Displ:Screen4:XY?"), "3");
    EXPECT_EQ(Run("Displ:TraceMode?"), "PERTRACE");

    EXPECT_EQ(Services().GetSourceName(), NoDatabaseOnScreen);
    int followed = 0;
    const int id = Settings.AddEnablingListener([&] { ++followed; });
    Services().SetDatabase("/data/run.db");
    EXPECT_EQ(Services().GetSourceName(), "/data/run.db");
    EXPECT_EQ(followed, 1);
    Services().SetDatabase("/data/run.db");
    EXPECT_EQ(followed, 1) << "the same database again changes nothing";
    Services().SetDatabase({});
    EXPECT_FALSE(Settings.DataBaseExist().On());
    Settings.RemoveEnablingListener(id);
}
