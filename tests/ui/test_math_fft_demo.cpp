// Math and spectra in the demo program on the real engine: after a Single, F1 = Ch1 + Ch2 and its
// spectrum S1 peaks at the sine's bin 10; stopped, a new operator recomputes F1 at once and once only,
// a setup recall and its undo each once at their end; the low-jitter
// capture ends with F4 re-timing Ch1 ("mmm") and drawn, and its stop puts F4 back to Add and off.
// screenshots/math_fft_demo.png: F1 = Ch1 - Ch2 and S1 after a Single.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <filesystem>

#include "UiTestSupport.h"
#include "acq/SaveRecall.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

bool Shown(TSignalRecords& r, int s) { return r.State(s) == srcUpToDate || r.State(s) == srcFresh; }

TEST(MathFftDemo, FunctionAndSpectrumOfASingleThenTheLowJitterCapture) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    int phase = 0, peakBin = -1, settled = 0;
    double sumError = 1, differenceError = 1, nextSingleError = 1, recalledError = 1, undoneError = 1;
    std::uint64_t subComputed = 0, recallComputed = 0, undoComputed = 0;
    bool recalled = false;
    std::string operatAtEnd, operatAfterStop;
    bool f4Drawn = false, f4OnAfterStop = true, derivedDrawn = false;
    auto maxError = [&](int op) {
        const TSignalRecords& r = *shell.Records();
        const TSignalObj &f = r.Record(ssF1), &a = r.Record(ssCh1), &b = r.Record(ssCh2);
        double e = f.Length() == a.Length() && a.Length() > 0 ? 0 : 1;
        for (int i = 0; i < f.Length(); ++i)
            e = std::max(e, std::fabs(f.GetPoint(i) - (op == 0 ? a.GetPoint(i) + b.GetPoint(i) : a.GetPoint(i) - b.GetPoint(i))));
        return e;
    };
    rig.Run(180000, 5, [&] {
        if (!shell.AcqEnabled) return;
        TSignalRecords& r = *shell.Records();
        if (phase == 0 && shell.RunOn && Shown(r, ssCh1) && Shown(r, ssCh2)) {
            for (const char* line : {"F1:Operat Add", "F1:Source1 Ch1", "F1:Source2 Ch2", "F1:Display On",
                                     "Spectr1:Source F1", "Spectr1:Display On"})
                shell.ExecuteCommandString(line);
            phase = 1;
        } else if (phase == 1 && Shown(r, ssS1)) {
            shell.ExecuteCommandString("*StopSingle Stop");
            shell.ExecuteCommandString("*StopSingle Single");
            phase = 2;
        } else if (phase == 2 && !shell.SingleOn && Shown(r, ssS1) && ++settled > 20) {
            sumError = maxError(0);
            const TSignalObj& s = r.Record(ssS1);
            double best = -1;
            for (int k = 1; k <= s.Length() / 2; ++k)
                if (s.GetMagnitude(k) > best) best = s.GetMagnitude(k), peakBin = k;
            const TWaveformMath& math = dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Math();
            const std::string sumSetup = (rig.Home.Path() / "sum.set").string();
            SaveSetupFile(shell, sumSetup, false);
            // Stopped: the new operator shows at once, computed once.
            std::uint64_t before = math.Evaluations(0);
            shell.ExecuteCommandString("F1:Operat Sub");
            subComputed = math.Evaluations(0) - before;
            differenceError = maxError(1);
            // The recall sets every setting twice over, Add among them: F1 is computed once, at its end.
            before = math.Evaluations(0);
            recalled = RecallSetupFile(shell, sumSetup, false);
            recallComputed = math.Evaluations(0) - before;
            recalledError = maxError(0);
            // Its undo brings Sub back, and F1 with it.
            before = math.Evaluations(0);
            shell.ExecuteCommandString("*Undo Undo");
            undoComputed = math.Evaluations(0) - before;
            undoneError = maxError(1);
            // F1 below Ch1 in the picture, which it would otherwise cover.
            shell.ExecuteCommandString("Zoom:F1:Offset -2");
            // The next acquisition brings F1 up to date again.
            shell.ExecuteCommandString("*StopSingle Single");
            settled = 0;
            phase = 3;
        } else if (phase == 3 && !shell.SingleOn && Shown(r, ssF1) && ++settled > 20) {
            nextSingleError = maxError(1);
            derivedDrawn = shell.Display().SignalLayerDrawn(ssF1) && shell.Display().SignalLayerDrawn(ssS1);
            QCoreApplication::processEvents();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = dynamic_cast<TMorda_fr*>(w)) test::SaveScreenshot(*m, "math_fft_demo.png");
            shell.ExecuteCommandString("Trig:LowJitter On");
            shell.ExecuteCommandString("*Run");
            phase = 4;
        } else if (phase == 4 &&
                   ReadChoiceSetting(shell.CommandTree(), "F4:Operat", -1) == 18) {
            if (Shown(r, ssF4) && shell.Display().SignalLayerDrawn(ssF4)) {
                f4Drawn = true;
                operatAtEnd = shell.CommandTree()->ExecuteCommandString("F4:Operat?", false);
                shell.ExecuteCommandString("Trig:LowJitter Off");
                operatAfterStop = shell.CommandTree()->ExecuteCommandString("F4:Operat?", false);
                f4OnAfterStop = ReadOnOffSetting(shell.CommandTree(), "F4:Display", true);
                phase = 5;
                test::CloseMainWindows();
            }
        }
    });
    ASSERT_EQ(phase, 5);
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    EXPECT_LT(sumError, 1e-12);
    // The 100 MHz sine over 102.4 ns: 10.24 periods in the record.
    EXPECT_EQ(peakBin, 10);
    EXPECT_LT(differenceError, 1e-12);
    EXPECT_EQ(subComputed, 1u);
    EXPECT_TRUE(recalled);
    EXPECT_EQ(recallComputed, 1u);
    EXPECT_LT(recalledError, 1e-12);
    EXPECT_EQ(undoComputed, 1u);
    EXPECT_LT(undoneError, 1e-12);
    EXPECT_LT(nextSingleError, 1e-12);
    EXPECT_TRUE(derivedDrawn);
    EXPECT_TRUE(f4Drawn);
    EXPECT_EQ(operatAtEnd, "F4:OPERAT MMM");
    EXPECT_EQ(operatAfterStop, "F4:OPERAT ADD");
    EXPECT_FALSE(f4OnAfterStop);
}

}  // namespace
}  // namespace vt
