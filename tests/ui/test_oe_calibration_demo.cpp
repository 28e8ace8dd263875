// The converter's calibrations in the demo program with its real engine, started as an automation
// client starts them: the demo unit carries the optics option (its DemoUnits.ini entry) and the
// converter feeds Ch1. The command's reply waits for the run's end while the acquisition and the
// other clients go on; no box is modal. The run leaves every setting it prepared as it was before and
// nothing to redo; a mask loaded before the run is gone while it runs and comes back whole with the
// run's undo step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
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

// The run's box: offscreen it is there but not shown.
TfrmCalibrOEConverter* OpenDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = dynamic_cast<TfrmCalibrOEConverter*>(w)) return dialog;
    return nullptr;
}

TEST(OEConvCalibrationDemo, ARemoteDarkLevelRunClosesItselfAndRestoresEveryPreparedSetting) {
    // The demo unit of the first model line with the optics option and no other.
    test::TProgramRig rig({.DemoOptions = 0xFF & ~optOptics});
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    bool sawDialogRunning = false, shotTaken = false;
    std::vector<std::string> during;
    int polygonsDuringRun = -1;
    rig.RunSteps(240000, [&] {
        ASSERT_TRUE(rig.Until([&] { return rig.Features().Automation().Automation() != nullptr; }));
        TAutomation* automation = rig.Features().Automation().Automation();
        TCommandTree* tree = shell.CommandTree();
        ASSERT_TRUE(shell.Identity() && shell.Identity()->Identity.HasOptOptics());
        // A remote destination change gives its cable instruction as a hint and asks nothing.
        std::string destReply = "none";
        automation->Service.Execute("OEConv:Dest Ch1", destReply);
        EXPECT_EQ(destReply, "");
        rig.CountOn(1);
        tree->ExecuteCommandString(std::string("NOGPIB:Mask ") + test::kStoredMask, true);
        // Lifted by 0.1 V, more than the compensation can take off (1 mV per percent above the demo
        // converter's dark point of 42 %), the mean keeps its sign and the search walks out of
        // 0.1 .. 99.9 within a few dozen readings: the run fails and closes itself.
        tree->ExecuteCommandString("GSS:A:Offset 0.1", true);
        const std::string maskBefore = test::MaskState(shell);
        EXPECT_EQ(maskBefore, test::kStoredMask);
        const std::vector<std::string> before = test::AllSettings(shell);
        ASSERT_FALSE(before.empty());
        const double darkBefore = ReadRealSetting(tree, "FLASH:OECalibr:DarkLvl", -1);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            TfrmCalibrOEConverter* dialog = OpenDialog();
            if (!dialog) return;
            // The run prepared its settings and took the mask before its dialog showed; a short run
            // may end before a poll sees its progress.
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
        std::string ignored, runReply = "none";
        automation->Service.Execute("FLASH:OECalibr:AutoDarkLvl", ignored, 0,
                                    [&runReply](const std::string& reply) { runReply = reply; });
        ASSERT_TRUE(rig.Until([&] { return runReply != "none"; }, 200000));
        watch.stop();
        // Nothing asked until the command replied (the close asks to store a changed dark level).
        EXPECT_EQ(dialogs.Asked.size(), 0u) << (dialogs.Asked.empty() ? "" : dialogs.Asked.front());
        // The failed search brings the old level back.
        EXPECT_EQ(runReply, "Calibration failed");
        EXPECT_NE(during, before);
        EXPECT_EQ(test::AllSettings(shell), before);
        EXPECT_EQ(test::MaskState(shell), maskBefore);
        EXPECT_DOUBLE_EQ(ReadRealSetting(tree, "FLASH:OECalibr:DarkLvl", -1), darkBefore);
        EXPECT_TRUE(shell.UndoBuffer()->RedoEmpty());
        EXPECT_TRUE(shell.RunOn);
    });
    EXPECT_TRUE(sawDialogRunning);
    EXPECT_EQ(polygonsDuringRun, 0);
}

// Each run from one client while a second asks `*RUN?` and for a calibration of its own: the second
// is answered at once ("ERROR" for its calibration, which starts nothing) while the acquisitions go
// on, and the run's reply comes at its end. Values derived from the demo's signal: with the generator
// as it starts, Ch1 carries generator A's sine (0.25 V, 100 MHz) plus the demo converter's dark
// output, 1 mV per percent of compensation below 42 %. Points 2 to 500 of a 512-point record at
// 10 ns/div span 9.98 periods, so the sine adds at most 0.25 V x 2 sin(0.02 pi) / (2 pi x 9.98) =
// 0.25 mV to their mean: the dark-level search, halving its step at each change of sign until it is
// below 0.002 %, ends at 42 % within 0.25 % plus a few final steps. Lifted by 30 mV at that level, the
// gain run's mean is 30 mV within 0.55 mV (the sine, the dark output, the 2 mV noise over 12,475
// points); at 0.3 mW that is 100 V/W within 2.
struct TOERunRow {
    const char* Name;
    std::vector<const char*> Setup;
    const char* Command;
    bool Held;
    const char* OtherRun;  // the calibration the second client asks for meanwhile
    bool Cancel;  // the run's box is cancelled once the second client was answered
    std::string Reply;
    const char* Value;  // the setting the run leaves, with its expected value (none: as before)
    std::optional<double> Expected;
    double Within;
};

TEST(OEConvCalibrationDemo, ScriptsRunsReplyAtTheirEndWhileOtherClientsAreServed) {
    const std::string notConnected =
        "ELECTRICAL OUTPUT of the O/E CONVERTER is not connected to any of the CHANNEL INPUT.";
    const char* dark = "FLASH:OECALIBR:AUTODARKLVL";
    const char* gain = "FLASH:OECALIBR:AUTOCALGAIN";
    const std::vector<TOERunRow> rows = {
        {"no channel", {"OEConv:Dest OEConv"}, dark, false, "", false, notConnected, "FLASH:OECalibr:DarkLvl", {}, 0},
        {"no channel, gain", {}, gain, false, "", false, notConnected, "Shadow:OECalibr1:Gain", {}, 0},
        {"dark level", {"OEConv:Dest Ch1"}, dark, true, gain, false, "", "FLASH:OECalibr:DarkLvl", 42, 0.3},
        {"gain", {"GSS:A:Offset 0.03"}, gain, true, "FLASH:CALIBR:AUTOCALCH", false, "", "Shadow:OECalibr1:Gain", 100, 2},
        {"cancelled", {"FLASH:OECalibr:DarkLvl 60"}, dark, true, dark, true, "ERROR", "FLASH:OECalibr:DarkLvl", {}, 0},
    };
    test::TProgramRig rig({.DemoOptions = 0xFF & ~optOptics});
    test::TTwoClients clients(rig);
    const std::vector<std::string>& arrived = clients.Arrived;
    std::string closeReply = "none", trigger;
    rig.RunSteps(240000, [&] {
        ASSERT_TRUE(clients.Connect());
        TCOMRC& service = rig.Features().Automation().Automation()->Service;
        TCommandTree* tree = rig.Shell.CommandTree();
        for (const TOERunRow& r : rows) {
            SCOPED_TRACE(r.Name);
            for (const char* line : r.Setup) rig.Command(line);
            clients.Arrived.clear();
            clients.Modal.clear();
            const int started = rig.Acquisitions();
            const double before = ReadRealSetting(tree, r.Value, -1);
            clients.Send(clients.Runner, std::string(r.Command) + "\n");
            if (r.Held) {
                ASSERT_TRUE(rig.Until([&] { return service.Deferred() || !arrived.empty(); }));
                if (!arrived.empty()) {
                    ADD_FAILURE() << "a held run replied at once: " << arrived.front();
                    continue;
                }
                clients.Send(clients.Other, "*RUN?\n" + std::string(r.OtherRun) + "\n");
                ASSERT_TRUE(rig.Until([&] { return arrived.size() >= 2; }));
                if (r.Cancel) {
                    TfrmCalibrOEConverter* box = OpenDialog();
                    ASSERT_NE(box, nullptr);
                    EXPECT_TRUE(rig.Shell.CalibrationRunning);
                    // Clicked from the loop, as a person's click comes: the box goes as the loop deletes it.
                    QTimer::singleShot(0, box->CancelButton(), &QPushButton::click);
                }
            }
            ASSERT_TRUE(rig.Until([&] { return arrived.size() >= (r.Held ? 3u : 1u); }, 120000));
            if (r.Held) {
                EXPECT_EQ(arrived, (std::vector<std::string>{"other: *RUN ON", "other: ERROR", "run: " + r.Reply}));
                // The second client was answered while the run went on: acquisitions came between.
                EXPECT_GT(clients.OtherAt, started);
                EXPECT_GT(clients.RunAt, clients.OtherAt);
            } else {
                EXPECT_EQ(arrived, std::vector<std::string>{"run: " + r.Reply});
            }
            EXPECT_NEAR(ReadRealSetting(tree, r.Value, -1), r.Expected.value_or(before), r.Within);
            EXPECT_FALSE(rig.Shell.CalibrationRunning);
            ASSERT_TRUE(rig.CountOn(2));
            EXPECT_EQ(clients.Modal, std::vector<std::string>{});
            EXPECT_EQ(OpenDialog(), nullptr);
            EXPECT_TRUE(rig.Shell.RunOn);
        }
        // The constants the runs changed go back to the stored ones: no question holds the close.
        rig.Command("FLASH:Calibr:RecallAll");
        ASSERT_TRUE(clients.Disconnect());
        // A close while a run goes on ends it first: the settings saved for the next start are the
        // user's, not the run's.
        trigger = rig.Command("Trig:Source?");
        std::string ignored;
        service.Execute("FLASH:OECalibr:AutoDarkLvl", ignored, 0,
                        [&closeReply](const std::string& reply) { closeReply = reply; });
        EXPECT_TRUE(rig.Shell.CalibrationRunning);
    });
    EXPECT_EQ(rig.Dialogs.Asked, std::vector<std::string>{});
    EXPECT_EQ(closeReply, "ERROR");
    std::ifstream powerOff(rig.Home.Path() / "Setup Files" / "~SetpPwrOffForDefaultDemo.set");
    const std::string saved((std::istreambuf_iterator<char>(powerOff)), std::istreambuf_iterator<char>());
    EXPECT_NE(trigger, "TRIG:SOURCE INTCLOCK");
    EXPECT_NE(saved.find(trigger + "\n"), std::string::npos) << saved.substr(saved.find("TRIG:SOURCE"), 40);
}

}  // namespace
}  // namespace vt
