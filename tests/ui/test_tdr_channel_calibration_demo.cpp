// The channel calibration in the demo program with its real engine, cycle and dialog, Ch1 on G1 (so
// the channel reads the step negated). By hand from the demo's circuits (6.25e-5 V a code, an offset
// of -368 codes, the step 6720 codes, 0.1 ns points): TDR, started by the switch, measures the 50 ohm
// level 6720 x 0.5 + 368 codes = -0.233 V as the baseline and the open's reflection 6720 x 0.5 x 0.25
// x 2 codes = 0.105 V, its mid level 3 ns after the step at 7.3 ns plus 76 ps of rise; TDT, started by
// a command, needs no question and closes by itself: the transmitted 6720 codes = 0.420 V from
// -0.023 V, its mid level at 7.35 ns, and M4 holds the step as acquired.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"
#include "ui/dialogs/TdrChannelCalibrationForm.h"

namespace vt {
namespace {

TfrmTDR_CalibrChannel* OpenDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = dynamic_cast<TfrmTDR_CalibrChannel*>(w); d && d->isVisible()) return d;
    return nullptr;
}

TEST(TdrChannelCalibrationDemo, CalibratesBothModesOnTheDemoCircuits) {
    const test::TProgramHome programHome;
    const std::filesystem::path& home = programHome.Path();
    WriteDemoIdentity(home, kDefaultDemoName, 1, 1, true, 7, 12, 0xFF & ~(optGenerators | optTDT));
    TShell shell;
    TProgramLife life(shell);
    test::TScriptedDialogs dialogs;
    TProgramFeatures features(shell, life, dialogs, {"Default_Demo"}, 0);
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };
    const auto real = [&](std::string_view path) { return ReadRealSetting(shell.CommandTree(), path, -99); };
    int phase = 0, polls = 0;
    bool busy = false, dialogShown = false, commandDialogShown = false;
    std::string title, status;
    double refAmpl = 0, baseLine = 0, tdrPlane = 0, tdtAmpl = 0, tdtZero = 0, tdtPlane = 0;
    double m4First = 0, m4Last = 0;
    bool calibrated = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!shell.AcqEnabled || !shell.RunOn || busy || ++polls < 5) return;
        busy = true;
        auto* serial = dynamic_cast<TScopeSerialServices*>(&shell.Serial());
        ASSERT_NE(serial, nullptr);
        TTdrChannelCalibration& calibration = serial->TdrChannelCalibration();
        for (const char* line : {"TDR:Mode TDR", "TDR:Ch1:Destination G1", "GSS:Ch1 A", "GSS:A:Waweform TDR"}) run(line);
        // Waits until the run has ended (or 60 s have passed).
        const auto wait = [&](const std::function<void()>& each) {
            QElapsedTimer clock;
            clock.start();
            while (calibration.Open() && clock.elapsed() < 60000) {
                test::RunLoopFor(20);
                if (each) each();
            }
        };

        FindSetting<TRightCommandHandler>(shell.CommandTree(), "TDR:Ch1:DoVertCalibr")->PressFromSwitcher();
        wait([&] {
            TfrmTDR_CalibrChannel* dialog = OpenDialog();
            if (!dialog) return;
            dialogShown = true;
            if (!dialog->OkButton()->isEnabled()) return;
            title = dialog->windowTitle().toStdString();
            status = dialog->StatusLabel()->text().toStdString();
            test::SaveScreenshot(*dialog, "tdr_calibration_demo.png");
            dialog->OkButton()->click();
        });
        refAmpl = real("TDR:Ch1:RefAmpl");
        baseLine = real("TDR:Ch1:BaseLine");
        tdrPlane = real("TDR:Ch1:RefPlane");

        run("TDR:Mode TDT");
        run("GSS:A:TDTCircuit Stimul");
        run("TDR:Ch1:DoVertCalibr");
        wait([&] { commandDialogShown = commandDialogShown || OpenDialog() != nullptr; });
        tdtAmpl = real("TDR:Ch1:RefTDTAmpl");
        tdtZero = real("TDR:Ch1:RefTDTZero");
        tdtPlane = real("TDR:Ch1:RefPlane");
        calibrated = serial->Tdr().Calibrated(TdrChannel1);
        const TSignalObj& m4 = shell.Records()->Record(ssM4);
        if (m4.Length() > 0) {
            m4First = m4.Data1()[0];
            m4Last = m4.Data1()[m4.Length() - 1];
        }
        phase = 1;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = dynamic_cast<TMorda_fr*>(w)) m->close();
        busy = false;
    });
    poll.start(20);
    QTimer::singleShot(200000, [] { QCoreApplication::exit(3); });
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(RunMainBlock(*app, shell, life, {"--home", home.string(), "Default_Demo"}, dialogs), 0);
    ASSERT_EQ(phase, 1);
    // Asked only by the switch's run: its start and the step's connection.
    ASSERT_EQ(dialogs.Asked.size(), 2u) << (dialogs.Asked.empty() ? "" : dialogs.Asked.back());
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(commandDialogShown);
    EXPECT_EQ(title, "Vertical TDR Calibration of Channel 1");
    EXPECT_EQ(status, "Calibration complete!");
    EXPECT_NEAR(refAmpl, 0.105, 0.004);
    EXPECT_NEAR(baseLine, -0.233, 0.004);
    EXPECT_NEAR(tdrPlane, 10.35e-9, 0.15e-9);
    EXPECT_NEAR(tdtAmpl, 0.420, 0.008);
    EXPECT_NEAR(tdtZero, -0.023, 0.004);
    EXPECT_NEAR(tdtPlane, 7.35e-9, 0.15e-9);
    EXPECT_TRUE(calibrated);
    // As acquired on the negated channel: from -0.023 V down by the step.
    EXPECT_NEAR(m4First - m4Last, 0.420, 0.008);
}

}  // namespace
}  // namespace vt
