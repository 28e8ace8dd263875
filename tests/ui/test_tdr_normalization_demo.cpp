// Both normalization flows in the demo program with its real engine and dialog: the TDR flow starts
// on a short (the wizard connects the 50 ohm load itself) and its OK writes the reflection step and
// baseline the demo's circuit gives by hand (step 6720 codes x 0.5, a reflection x 0.25, offset -368
// codes); F1 then shows an open with the chosen rise time and without the generator's overshoot; a
// refused or cancelled run leaves the channel uncalibrated (a cancelled one every setting as it was),
// only OK calibrates it; the TDT flow measures the transmitted step, and a record length changed under
// its correction switches the normalization off with a timed hint.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/HintStack.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "serial/ScopeSerialServices.h"
#include "serial/TdrSettings.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"
#include "ui/dialogs/TdrNormalizationForm.h"

namespace vt {
namespace {

TfrmTDR_TDT_Normalization* OpenDialog() { return test::VisibleWindow<TfrmTDR_TDT_Normalization>(); }

struct TEdge {
    double Fall = 0;       // 10-90 % time, s
    double Step = 0;       // level after less level before, V
    double Overshoot = 0;  // beyond the final level, as a part of the step
};

// The 10-90 % time and overshoot of the record's one step, from its first and last tenth.
TEdge MeasureEdge(const TSignalObj& r) {
    const int n = r.Length();
    const double* y = r.Data1();
    double before = 0, after = 0;
    for (int i = 0; i < n / 10; ++i) before += y[i] / (n / 10);
    for (int i = n - n / 10; i < n; ++i) after += y[i] / (n / 10);
    const double step = after - before;
    const auto crossing = [&](double part) {
        const double level = before + part * step;
        for (int i = 1; i < n; ++i)
            if ((y[i] - level) * (y[i - 1] - level) <= 0 && y[i] != y[i - 1])
                return (i - 1 + (level - y[i - 1]) / (y[i] - y[i - 1])) * r.SampleInterval();
        return 0.0;
    };
    double beyond = 0;
    for (int i = 0; i < n; ++i) beyond = std::max(beyond, (y[i] - after) / step);
    return {std::abs(crossing(0.9) - crossing(0.1)), step, beyond};
}

class TdrNormalizationDemo : public ::testing::Test {
protected:
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    double Real(std::string_view path) { return ReadRealSetting(Shell.CommandTree(), path, -99); }
    // Switches the channel's normalization on as its switch does; step acts on the dialog until it
    // returns true (or 120 s pass, which cancels).
    void Normalize(const std::function<bool(TfrmTDR_TDT_Normalization&)>& step) {
        QTimer watch;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&watch, &QTimer::timeout, [&] {
            TfrmTDR_TDT_Normalization* dialog = OpenDialog();
            if (!dialog) return;
            if (clock.elapsed() > 75000) {
                dialog->CancelButton()->click();
                return;
            }
            if (step(*dialog)) watch.stop();
        });
        watch.start(5);
        FindSetting<TOnOffHandler>(Shell.CommandTree(), "TDR:Ch1:Normalize")->SetOnFromSwitcher(true);
        watch.stop();
    }
    test::TProgramRig Rig{{.DemoOptions = 0xFF & ~(optGenerators | optTDT)}};
    TShell& Shell = Rig.Shell;
};

TEST_F(TdrNormalizationDemo, TheFlowsMeasureTheDemoCircuitsAndTheNormalizedOpenHasTheChosenRise) {
    test::TScriptedDialogs& dialogs = Rig.Dialogs;
    Rig.RunSteps(270000, [&] {
        Run("*StopSingle Stop");
        test::RunLoopFor(50);
        for (const char* line : {"TDR:Mode TDR", "TDR:Ch1:Destination G1", "GSS:Ch1 A", "GSS:A:Waweform TDR",
                                 "GSS:A:TDRCircuit Short", "Acq:Ch1:RecLen 2048", "TB:Mode A", "TB:ScaleA 1e-9"})
            Run(line);
        const int f1Before = ReadChoiceSetting(Shell.CommandTree(), "F1:Operat", -1);
        TTdrSettings& tdr = dynamic_cast<TScopeSerialServices&>(Shell.Serial()).Tdr();
        // A length that is no power of two is refused before the wizard opens.
        Run("Acq:Ch1:RecLen 1000");
        Normalize([](TfrmTDR_TDT_Normalization& d) {
            d.CancelButton()->click();
            return true;
        });
        EXPECT_FALSE(tdr.Calibrated(TdrChannel1));
        Run("Acq:Ch1:RecLen 2048");
        // Cancel in mid-run: every setting the wizard prepared returns. Undo waits for the close; a
        // remote change meanwhile stays, and stays the newest step.
        const std::vector<std::string> beforeCancel = test::AllSettings(Shell);
        EXPECT_FALSE(beforeCancel.empty());
        const double ch2Scale = Real("Ch2:Scale");
        Normalize([&](TfrmTDR_TDT_Normalization& d) {
            if (d.ProgressBar()->value() < 12) return false;
            Run("*UNDO");
            Run("Ch2:Scale " + std::to_string(ch2Scale / 2));
            d.CancelButton()->click();
            return true;
        });
        EXPECT_DOUBLE_EQ(Real("Ch2:Scale") / ch2Scale, 0.5);
        Run("*UNDO");
        const std::vector<std::string> afterCancel = test::AllSettings(Shell);
        EXPECT_EQ(afterCancel, beforeCancel) << [&] {
            std::string differing;
            for (std::size_t i = 0; i < afterCancel.size() && i < beforeCancel.size(); ++i)
                if (afterCancel[i] != beforeCancel[i]) differing += beforeCancel[i] + " -> " + afterCancel[i] + "\n";
            return differing;
        }();
        EXPECT_FALSE(tdr.Calibrated(TdrChannel1));
        int stateDuringRun = -1;
        Normalize([&](TfrmTDR_TDT_Normalization& d) {
            stateDuringRun = Shell.Serial().TdrChannelState(2);
            if (!d.OkButton()->isEnabled()) return false;
            EXPECT_EQ(d.StatusLabel()->text().toStdString(), "Normalization is ready");
            EXPECT_EQ(d.StatusLabel()->palette().color(QPalette::WindowText).name().toStdString(), "#008000");
            EXPECT_TRUE(test::TextsThatDoNotFit(d).empty());
            test::SaveScreenshot(d, "tdr_normalization_dialog.png");
            d.OkButton()->click();
            return true;
        });
        // While the wizard owned the channel it read in volts.
        EXPECT_EQ(stateDuringRun, 0);
        EXPECT_TRUE(tdr.Calibrated(TdrChannel1));
        // Reflection step 6720 x 0.5 x 0.25 x 2 (short to load) and load 6720 x 0.5 + 368 codes, at the
        // demo's 6.25e-5 V a code.
        EXPECT_NEAR(Real("TDR:Ch1:RefAmpl"), 0.105, 0.004);
        EXPECT_NEAR(Real("TDR:Ch1:BaseLine"), -0.233, 0.004);
        EXPECT_EQ(ReadChoiceSetting(Shell.CommandTree(), "F1:Operat", -1), 17);
        EXPECT_EQ(ReadChoiceSetting(Shell.CommandTree(), "F1:Source1", -1), ssCh1);

        // An open through the correction, rise 100 ps.
        Run("GSS:A:TDRCircuit Open");
        Run("TDR:Ch1:NormTime 1e-10");
        Rig.Acquire(8);
        const TEdge normalized = MeasureEdge(Shell.Records()->Record(ssF1));
        const TEdge raw = MeasureEdge(Shell.Records()->Record(ssCh1));
        EXPECT_NEAR(normalized.Step, -0.105, 0.105 * 0.03);
        EXPECT_NEAR(normalized.Fall, 1e-10, 1e-11);
        EXPECT_LT(normalized.Overshoot, 0.02);
        EXPECT_GT(raw.Overshoot, 0.03);
        EXPECT_GT(raw.Overshoot, 2 * normalized.Overshoot);

        // Off gives F1 back as it was and frees only this channel's record length.
        Run("TDR:Ch1:Normalize OFF");
        EXPECT_EQ(ReadChoiceSetting(Shell.CommandTree(), "F1:Operat", -1), f1Before);
        EXPECT_FALSE(ReadOnOffSetting(Shell.CommandTree(), "F1:Display", true));
        EXPECT_EQ(FindSetting<TIntEditHandler>(Shell.CommandTree(), "Acq:Ch1:RecLen")->MaxValue(), 4096);

        // TDT on the stimulus; the mode's change drops the TDR calibration.
        Run("TDR:Mode TDT");
        Run("GSS:A:TDTCircuit Stimul");
        EXPECT_FALSE(tdr.Calibrated(TdrChannel1));
        Normalize([&](TfrmTDR_TDT_Normalization& d) {
            if (!d.OkButton()->isEnabled()) return false;
            d.OkButton()->click();
            return true;
        });
        EXPECT_NEAR(Real("TDR:Ch1:RefTDTAmpl"), 0.420, 0.008);
        EXPECT_NEAR(Real("TDR:Ch1:RefTDTZero"), -0.023, 0.004);
        EXPECT_TRUE(tdr.Calibrated(TdrChannel1));
        // A shorter record under the correction: the next acquisition switches it off and says why.
        Run("Acq:Ch1:RecLen 1024");
        Rig.Acquire(8);
        EXPECT_FALSE(ReadOnOffSetting(Shell.CommandTree(), "TDR:Ch1:Normalize", true));
        EXPECT_EQ(ReadChoiceSetting(Shell.CommandTree(), "F1:Operat", -1), f1Before);
        const std::vector<THintStack::TEntry>& hints =
            dynamic_cast<TScopeDisplayServices&>(Shell.Display()).Hints().Entries();
        const auto hint = std::find_if(hints.begin(), hints.end(), [](const THintStack::TEntry& e) {
            return e.Text == "Ch1: the record length or interval changed: normalization off";
        });
        ASSERT_NE(hint, hints.end()) << hints.size();
        EXPECT_GT(hint->TimeOut, 0);
    });
    // Asked: the refused run's start and its error; the cancelled run's start and its refused undo;
    // the start, the load's connection; the TDT start.
    ASSERT_EQ(dialogs.Asked.size(), 7u) << (dialogs.Asked.empty() ? "" : dialogs.Asked.back());
    EXPECT_EQ(dialogs.Asked[1], "Error: The record length must be a power of two.");
    EXPECT_EQ(dialogs.Asked[3], "Error: Undo and redo wait until the TDR Normalization of Channel 1 has closed.");
}

}  // namespace
}  // namespace vt
