// The demo program acquiring headless: Run fills Ch1 with the simulated sine and Ch2 with the pulse,
// a hundred breaks and restarts in the middle of passes never trip the engine, and Single fills both
// channels once and ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <filesystem>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/InstrumentLink.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

TEST(DemoAcquisition, RunAndSingleFillBothChannelsThroughBreaks) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    // The measurement engine runs in each housekeeping pass (idle until the measurements are shown).
    EXPECT_NE(dynamic_cast<TScopeAnalysisServices*>(&shell.Analysis()), nullptr);
    int phase = 0, breaks = 0;
    std::vector<double> lowHigh;  // Ch1 and Ch2 after Run, then after Single
    auto cycleDone = [&](TSignalRecords& r) {
        if (r.State(ssCh1) != srcUpToDate || r.State(ssCh2) != srcUpToDate) return false;
        for (int s : {ssCh1, ssCh2}) {
            const TSignalObj& rec = r.Record(s);
            const auto [lo, hi] = std::minmax_element(rec.Data1(), rec.Data1() + rec.Length());
            lowHigh.insert(lowHigh.end(), {*lo, *hi});
        }
        return true;
    };
    rig.Run(60000, 5, [&] {
        if (!shell.AcqEnabled) return;
        TSignalRecords& r = *shell.Records();
        if (phase == 0 && shell.RunOn && cycleDone(r)) phase = 1;
        else if (phase == 1 && ++breaks % 2 == 0) shell.Link()->BreakAcquisition(true);
        else if (phase == 1) shell.ExecuteCommandString("*StopSingle Stop"), shell.ExecuteCommandString("*Run");
        if (phase == 1 && breaks == 100) {
            shell.ExecuteCommandString("*StopSingle Stop");
            for (int s : {ssCh1, ssCh2}) {
                r.SetState(s, srcOff);
                for (int i = 0; i < r.Record(s).Length(); ++i) r.Record(s).SetPoint(i, 0);
            }
            shell.ExecuteCommandString("*StopSingle Single");
            phase = 2;
        } else if (phase == 2 && !shell.SingleOn && cycleDone(r)) {
            phase = 3;
            test::CloseMainWindows();
        }
    });
    ASSERT_EQ(phase, 3);
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    // The sine of 0.5 V peak to peak, the pulse from 0 to 0.5 V (with the simulator's noise).
    ASSERT_EQ(lowHigh.size(), 8u);
    for (int k : {0, 4}) {
        EXPECT_NEAR(lowHigh[k + 1] - lowHigh[k], 0.5, 0.06) << k;
        EXPECT_NEAR(lowHigh[k + 2], 0, 0.04) << k;
        EXPECT_NEAR(lowHigh[k + 3], 0.5, 0.04) << k;
    }
}

}  // namespace
}  // namespace vt
