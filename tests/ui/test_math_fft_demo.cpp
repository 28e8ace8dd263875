// Math and spectra in the demo program on the real engine: after a Single, F1 = Ch1 + Ch2 and its
// spectrum S1 peaks at the sine's bin 10; stopped, a new operator recomputes F1 at once and once only,
// a setup recall and its undo each once at their end; the low-jitter
// capture ends with F4 re-timing Ch1 ("mmm") and drawn, and its stop puts F4 back to Add and off.
// screenshots/math_fft_demo.png: F1 = Ch1 - Ch2 and S1 after a Single.
#include <gtest/gtest.h>

#include <QApplication>

#include "UiTestSupport.h"
#include "acq/SaveRecall.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

bool Shown(TSignalRecords& r, int s) { return r.State(s) == srcUpToDate || r.State(s) == srcFresh; }

TEST(MathFftDemo, FunctionAndSpectrumOfASingleThenTheLowJitterCapture) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    auto maxError = [&](int op) {
        const TSignalRecords& r = *shell.Records();
        const TSignalObj &f = r.Record(ssF1), &a = r.Record(ssCh1), &b = r.Record(ssCh2);
        double e = f.Length() == a.Length() && a.Length() > 0 ? 0 : 1;
        for (int i = 0; i < f.Length(); ++i)
            e = std::max(e, std::fabs(f.GetPoint(i) - (op == 0 ? a.GetPoint(i) + b.GetPoint(i) : a.GetPoint(i) - b.GetPoint(i))));
        return e;
    };
    rig.RunSteps(180000, [&] {
        TSignalRecords& r = *shell.Records();
        ASSERT_TRUE(rig.Until([&] { return Shown(r, ssCh1) && Shown(r, ssCh2); }));
        for (const char* line : {"F1:Operat Add", "F1:Source1 Ch1", "F1:Source2 Ch2", "F1:Display On",
                                 "Spectr1:Source F1", "Spectr1:Display On"})
            shell.ExecuteCommandString(line);
        ASSERT_TRUE(rig.Until([&] { return Shown(r, ssS1); }));
        shell.ExecuteCommandString("*StopSingle Stop");
        shell.ExecuteCommandString("*StopSingle Single");
        ASSERT_TRUE(rig.Until([&] { return !shell.SingleOn && Shown(r, ssS1); }));
        EXPECT_LT(maxError(0), 1e-12);
        const TSignalObj& s = r.Record(ssS1);
        double best = -1;
        int peakBin = -1;
        for (int k = 1; k <= s.Length() / 2; ++k)
            if (s.GetMagnitude(k) > best) best = s.GetMagnitude(k), peakBin = k;
        // The 100 MHz sine over 102.4 ns: 10.24 periods in the record.
        EXPECT_EQ(peakBin, 10);
        const TWaveformMath& math = dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Math();
        const std::string sumSetup = (rig.Home.Path() / "sum.set").string();
        SaveSetupFile(shell, sumSetup, false);
        // Stopped: the new operator shows at once, computed once.
        std::uint64_t before = math.Evaluations(0);
        shell.ExecuteCommandString("F1:Operat Sub");
        EXPECT_EQ(math.Evaluations(0) - before, 1u);
        EXPECT_LT(maxError(1), 1e-12);
        // The recall sets every setting twice over, Add among them: F1 is computed once, at its end.
        before = math.Evaluations(0);
        EXPECT_TRUE(RecallSetupFile(shell, sumSetup, false));
        EXPECT_EQ(math.Evaluations(0) - before, 1u);
        EXPECT_LT(maxError(0), 1e-12);
        // Its undo brings Sub back, and F1 with it.
        before = math.Evaluations(0);
        shell.ExecuteCommandString("*Undo Undo");
        EXPECT_EQ(math.Evaluations(0) - before, 1u);
        EXPECT_LT(maxError(1), 1e-12);
        // F1 below Ch1 in the picture, which it would otherwise cover.
        shell.ExecuteCommandString("Zoom:F1:Offset -2");
        // The next acquisition brings F1 up to date again.
        shell.ExecuteCommandString("*StopSingle Single");
        ASSERT_TRUE(rig.Until([&] { return !shell.SingleOn && Shown(r, ssF1); }));
        EXPECT_LT(maxError(1), 1e-12);
        EXPECT_TRUE(shell.Display().SignalLayerDrawn(ssF1) && shell.Display().SignalLayerDrawn(ssS1));
        QCoreApplication::processEvents();
        test::SaveScreenshot(*test::ShownMainWindow(), "math_fft_demo.png");
        shell.ExecuteCommandString("Trig:LowJitter On");
        shell.ExecuteCommandString("*Run");
        ASSERT_TRUE(rig.Until([&] {
            return ReadChoiceSetting(shell.CommandTree(), "F4:Operat", -1) == 18 && Shown(r, ssF4) &&
                   shell.Display().SignalLayerDrawn(ssF4);
        }));
        EXPECT_EQ(rig.Command("F4:Operat?"), "F4:OPERAT MMM");
        shell.ExecuteCommandString("Trig:LowJitter Off");
        EXPECT_EQ(rig.Command("F4:Operat?"), "F4:OPERAT ADD");
        EXPECT_FALSE(ReadOnOffSetting(shell.CommandTree(), "F4:Display", true));
    });
    for (const std::string& asked : rig.Dialogs.Asked) ADD_FAILURE() << asked;
}

}  // namespace
}  // namespace vt
