// The converter's dark-level calibration in the demo program with its real engine, started as an
// automation client starts it: the demo unit carries the optics option (its DemoUnits.ini entry), the
// converter feeds Ch1, and the command returns once the run has closed itself, with every setting the
// run prepared as it was before and nothing left to redo. A mask loaded before the run is gone while
// it runs and comes back whole with the run's undo step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <filesystem>
#include <string>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "core/temp_folder.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "serial/ScopeSerialServices.h"
#include "ui/Automation.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"
#include "ui/dialogs/OEConvCalibrationForm.h"

namespace vt {
namespace {

// A stored mask with two polygons and margins, as a setup carries it.
constexpr const char* kStoredMask =
    "#Poly=2,BitP=4.01878E-10,TB=6.69797E-11,X0=0,VDiv=0.1,V0=0,StdI=3,MskI=2,\"MskNm=OC-48 eye\",Marg=-20,"
    "Kind=1,\"Poly1=800,512_1200,700_2800,700_3200,512_2800,324_1200,324_\",\"Poly2=100,1000_3900,1000_3900,1023_100,1023_\","
    "#MgPly=2,\"MgPly1=880,512_1240,662_2760,662_3120,512_2760,362_1240,362_\",\"MgPly2=100,980_3900,980_3900,1023_100,1023_\"";

std::string MaskState(TShell& shell) {
    return dynamic_cast<TScopeSerialServices&>(shell.Serial()).MaskTest().Mask().StateText();
}

TfrmCalibrOEConverter* OpenDialog() { return test::VisibleWindow<TfrmCalibrOEConverter>(); }

TEST(OEConvCalibrationDemo, ARemoteDarkLevelRunClosesItselfAndRestoresEveryPreparedSetting) {
    // The demo unit of the first model line with the optics option and no other.
    test::TProgramRig rig({.DemoOptions = 0xFF & ~optOptics});
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    int phase = 0;
    bool optics = false, sawDialogRunning = false, shotTaken = false, runAfter = false, redoLeft = true;
    double darkBefore = -1, darkAfter = -2;
    std::string destReply = "none", runReply = "none", result;
    std::size_t askedDuringRun = 99;
    std::vector<std::string> before, during, after;
    std::string maskBefore, maskAfter;
    int polygonsDuringRun = -1;
    rig.Run(240000, 20, [&] {
        if (!rig.Acquiring()) return;
        TAutomation* automation = rig.Features().Automation().Automation();
        if (!automation) return;
        TCommandTree* tree = shell.CommandTree();
        if (phase == 0) {
            optics = shell.Identity() && shell.Identity()->Identity.HasOptOptics();
            // A remote destination change gives its cable instruction as a hint and asks nothing.
            automation->Service.Execute("OEConv:Dest Ch1", destReply);
            phase = 1;
        } else if (phase == 1) {
            tree->ExecuteCommandString(std::string("NOGPIB:Mask ") + kStoredMask, true);
            // Lifted by 0.1 V, more than the compensation can take off (1 mV per percent above the
            // demo converter's dark point of 42 %), the mean keeps its sign and the search walks out
            // of 0.1 .. 99.9 within a few dozen readings: the run fails and closes itself.
            tree->ExecuteCommandString("GSS:A:Offset 0.1", true);
            maskBefore = MaskState(shell);
            before = test::AllSettings(shell);
            darkBefore = ReadRealSetting(tree, "FLASH:OECalibr:DarkLvl", -1);
            QTimer watch;
            QObject::connect(&watch, &QTimer::timeout, [&] {
                TfrmCalibrOEConverter* dialog = OpenDialog();
                if (!dialog) return;
                if (!dialog->ResultLabel()->isHidden()) result = dialog->ResultLabel()->text().toStdString();
                // The run prepared its settings and took the mask before its dialog showed; a short
                // run may end before a poll sees its progress.
                if (!sawDialogRunning) {
                    sawDialogRunning = true;
                    during = test::AllSettings(shell);
                    polygonsDuringRun = shell.Serial().MaskPolygonCount();
                }
                const bool running = !dialog->ProgressBar()->isHidden() && dialog->ProgressBar()->value() >= 1;
                if (shotTaken || !(running || !dialog->ResultLabel()->isHidden())) return;
                shotTaken = true;
                EXPECT_TRUE(test::TextsThatDoNotFit(*dialog).empty());
                test::SaveScreenshot(*dialog, "oeconv_calibration_demo.png");
            });
            watch.start(2);
            automation->Service.Execute("FLASH:OECalibr:AutoDarkLvl", runReply);
            watch.stop();
            askedDuringRun = dialogs.Asked.size();
            after = test::AllSettings(shell);
            maskAfter = MaskState(shell);
            darkAfter = ReadRealSetting(tree, "FLASH:OECalibr:DarkLvl", -1);
            redoLeft = !shell.UndoBuffer()->RedoEmpty();
            runAfter = shell.RunOn;
            phase = 2;
            test::CloseMainWindows();
        }
    });
    ASSERT_TRUE(optics);
    ASSERT_EQ(phase, 2);
    // Nothing asked until the command replied (the close asks to store a changed dark level).
    EXPECT_EQ(askedDuringRun, 0u) << (dialogs.Asked.empty() ? "" : dialogs.Asked.front());
    EXPECT_EQ(destReply, "");
    EXPECT_EQ(runReply, "");
    EXPECT_TRUE(sawDialogRunning);
    ASSERT_FALSE(before.empty());
    EXPECT_NE(during, before);
    EXPECT_EQ(after, before);
    EXPECT_EQ(maskBefore, kStoredMask);
    EXPECT_EQ(polygonsDuringRun, 0);
    EXPECT_EQ(maskAfter, maskBefore);
    // The failed search brings the old level back.
    EXPECT_EQ(result, "Calibration failed");
    EXPECT_DOUBLE_EQ(darkAfter, darkBefore);
    EXPECT_FALSE(redoLeft);
    EXPECT_TRUE(runAfter);
}

// With the generator as it starts, the converter's output on Ch1 is generator A's sine (0.25 V, 100 MHz)
// plus the demo converter's dark output, 1 mV per percent of compensation below 42 %. Points 2 to 500
// of a 512-point record at 10 ns/div span 9.98 periods, so the sine adds at most
// 0.25 V x 2 sin(0.02 pi) / (2 pi x 9.98) = 0.25 mV to their mean: the search, halving its step at each
// change of sign until it is below 0.002 %, ends at 42 % within 0.25 % plus a few final steps, and
// the command replies once the run has closed itself with success.
TEST(OEConvCalibrationDemo, ARemoteDarkLevelRunWithTheStartingGeneratorNarrowsToTheConvertersDarkPoint) {
    test::TProgramRig rig({.DemoOptions = 0xFF & ~optOptics});
    TShell& shell = rig.Shell;
    bool done = false, runAfter = false;
    double darkBefore = -1, darkAfter = -1, scale = 0, frequency = 0, amplitude = 0, offset = -1;
    std::string reply = "none", result;
    rig.Run(240000, 20, [&] {
        if (done || !rig.Acquiring()) return;
        TAutomation* automation = rig.Features().Automation().Automation();
        if (!automation) return;
        TCommandTree* tree = shell.CommandTree();
        std::string ignored;
        automation->Service.Execute("OEConv:Dest Ch1", ignored);
        scale = ReadRealSetting(tree, "TB:ScaleA", 0);
        frequency = ReadRealSetting(tree, "GSS:A:Frequency", 0);
        amplitude = ReadRealSetting(tree, "GSS:A:Amplitude", 0);
        offset = ReadRealSetting(tree, "GSS:A:Offset", -1);
        darkBefore = ReadRealSetting(tree, "FLASH:OECalibr:DarkLvl", -1);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (TfrmCalibrOEConverter* dialog = OpenDialog(); dialog && !dialog->ResultLabel()->isHidden())
                result = dialog->ResultLabel()->text().toStdString();
        });
        watch.start(5);
        automation->Service.Execute("FLASH:OECalibr:AutoDarkLvl", reply);
        watch.stop();
        darkAfter = ReadRealSetting(tree, "FLASH:OECalibr:DarkLvl", -1);
        runAfter = shell.RunOn;
        done = true;
        test::CloseMainWindows();
    });
    ASSERT_TRUE(done);
    // The starting generator and timebase the bound above was derived for.
    EXPECT_DOUBLE_EQ(scale, 1e-8);
    EXPECT_DOUBLE_EQ(frequency, 1e8);
    EXPECT_DOUBLE_EQ(amplitude, 0.5);
    EXPECT_DOUBLE_EQ(offset, 0);
    EXPECT_DOUBLE_EQ(darkBefore, 50);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(result, "Calibration complete!");
    EXPECT_NEAR(darkAfter, 42, 0.3);
    EXPECT_TRUE(runAfter);
}

}  // namespace
}  // namespace vt
