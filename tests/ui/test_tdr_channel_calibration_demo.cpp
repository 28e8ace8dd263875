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
#include <QString>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "serial/ScopeSerialServices.h"
#include "ui/Automation.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/UserDialogs.h"
#include "ui/VeltraneApplication.h"
#include "ui/dialogs/TdrChannelCalibrationForm.h"
#include "ui/dialogs/TdrNormalizationForm.h"

namespace vt {
namespace {

TfrmTDR_CalibrChannel* OpenDialog() { return test::VisibleWindow<TfrmTDR_CalibrChannel>(); }

TEST(TdrChannelCalibrationDemo, CalibratesBothModesOnTheDemoCircuits) {
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT)});
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };
    const auto real = [&](std::string_view path) { return ReadRealSetting(shell.CommandTree(), path, -99); };
    int phase = 0;
    bool dialogShown = false, commandDialogShown = false;
    std::string title, status;
    double refAmpl = 0, baseLine = 0, tdrPlane = 0, tdtAmpl = 0, tdtZero = 0, tdtPlane = 0;
    double m4First = 0, m4Last = 0;
    bool calibrated = false;
    rig.Run(200000, 20, [&] {
        if (!rig.Acquiring()) return;
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
        // A command runs without a question and closes by itself; its dialog shows meanwhile.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] { commandDialogShown = commandDialogShown || OpenDialog() != nullptr; });
        watch.start(5);
        run("TDR:Ch1:DoVertCalibr");
        wait(nullptr);
        watch.stop();
        EXPECT_FALSE(calibration.Open());
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
        test::CloseMainWindows();
    });
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

// The program's own questions as an unattended bench meets them: without a screen the questions that
// wait aside take their answers and are logged (the dialogs' real path); the rest is scripted. With
// Screen set they are scripted too, as a person's clicks.
class TOffscreenQuestions : public test::TScriptedDialogs {
public:
    bool Screen = false;
    void AskOkCancelLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) override {
        if (Screen)
            test::TScriptedDialogs::AskOkCancelLater(parent, text, std::move(answered));
        else
            TMessageBoxDialogs([] { return false; }).AskOkCancelLater(parent, text, std::move(answered));
    }
    void AskOkCancelForCommandLater(QWidget* parent, const QString& text, std::function<void(bool ok)> answered) override {
        if (Screen)
            test::TScriptedDialogs::AskOkCancelForCommandLater(parent, text, std::move(answered));
        else
            TMessageBoxDialogs([] { return false; }).AskOkCancelForCommandLater(parent, text, std::move(answered));
    }
};

// The levels the demo's TDR step gives Ch1 on G1 (the step read negated), by hand from its circuits:
// 6.25e-5 V a code, an offset of -368 codes, the step 6720 codes of which the 50 ohm end sees half and
// the open's reflection a quarter more, 3 ns (twice its 1.5 ns line) after the step at 7.3 ns, its mid
// level 76 ps into the rise.
constexpr double DemoVoltsPerCode = 6.25e-5;
constexpr double DemoTdrBaseline = (-368 - 6720 * 0.5) * DemoVoltsPerCode;
constexpr double DemoTdrOpenAmplitude = 6720 * 0.25 * DemoVoltsPerCode;
constexpr double DemoTdrOpenPlane = 7.3e-9 + 2 * 1.5e-9 + 76e-12;

// The lines of a settings list that do not start with one of the headers.
std::vector<std::string> Without(std::vector<std::string> list, std::initializer_list<std::string_view> headers) {
    std::erase_if(list, [&](const std::string& line) {
        return std::any_of(headers.begin(), headers.end(), [&](std::string_view h) { return line.starts_with(h); });
    });
    return list;
}

// Sent as an automation client sends them, with Ch1 on G1 as above. A calibration command's reply waits
// for its run's close while other lines are answered (undo, redo, a second calibration and the
// normalization are refused with their reasons) and the run counts its acquisitions. Offscreen the
// question between the phases takes OK for the command's script: with the demo's step on the channel
// the run completes (a success's empty reply) with the values the step gives, every other setting as it
// was (the generator's Short circuit too) and Run acquiring again; the log holds the question with the
// answer taken. The normalization's question, met by a command, is its reply and is logged with its
// answer; the switch stays off.
TEST(TdrChannelCalibrationDemo, ACommandsReplyWaitsForTheCloseAndOffscreenItsQuestionTakesOk) {
    const test::TProgramHome programHome;
    const std::filesystem::path& home = programHome.Path();
    WriteDemoIdentity(home, kDefaultDemoName, 1, 1, true, 7, 12, 0xFF & ~(optGenerators | optTDT));
    TShell shell;
    TProgramLife life(shell);
    TOffscreenQuestions dialogs;
    TProgramFeatures features(shell, life, dialogs, {"Default_Demo"}, 0);
    int stage = 0, polls = 0, countTyped = 0, countLater = 0, acquiredAtClose = 0;
    std::map<std::string, std::string> replies;
    std::vector<std::string> later, before, after;
    bool runAfter = false, normalizeDuring = true, normalizeAfter = true, secondPhase = false;
    double refAmpl = 0, baseLine = 0, refPlane = 0;
    const auto acquired = [&] {
        auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        return display ? display->AcquisitionCount(TdrChannel1) : 0;
    };
    testing::internal::CaptureStderr();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TAutomation* automation = features.Automation().Automation();
        auto* serial = dynamic_cast<TScopeSerialServices*>(&shell.Serial());
        if (!automation || !serial || !shell.AcqEnabled) return;
        TCOMRC& service = automation->Service;
        TTdrChannelCalibration& calibration = serial->TdrChannelCalibration();
        const auto send = [&](const std::string& line) {
            std::string reply;
            service.Execute(line, reply, 0, [&](const std::string& text) { later.push_back(text); });
            return service.Deferred() ? std::string("(later)") : reply;
        };
        switch (stage) {
            case 0:
                if (!shell.RunOn || ++polls < 5) return;
                // Refused before it starts: no TDR mode.
                replies["off"] = send("TDR:CH1:DOVERTCALIBR");
                for (const char* line : {"TDR:MODE TDR", "TDR:CH1:DESTINATION G1", "GSS:CH1 A", "GSS:A:WAWEFORM TDR",
                                         "GSS:A:TDRCIRCUIT SHORT", "CH2:DISPLAY ON", "CH2:ACQUIRE ON"})
                    send(line);
                before = test::AllSettings(shell);
                replies["run"] = send("TDR:CH1:DOVERTCALIBR");
                stage = 1;
                return;
            case 1:
                if (!calibration.Open() || calibration.Count() < 3) return;
                replies["redo"] = send("*UNDO REDO");
                replies["undo"] = send("*UNDO");
                replies["second"] = send("TDR:CH2:DOVERTCALIBR");
                replies["normalizeDuring"] = send("TDR:CH1:NORMALIZE ON");
                normalizeDuring = ReadOnOffSetting(shell.CommandTree(), "TDR:Ch1:Normalize", true);
                countTyped = calibration.Count();
                stage = 2;
                return;
            case 2:
                countLater = std::max(countLater, calibration.Count());
                secondPhase = secondPhase || calibration.SecondPhase();
                if (later.empty()) return;
                after = test::AllSettings(shell);
                refAmpl = ReadRealSetting(shell.CommandTree(), "TDR:Ch1:RefAmpl", 0);
                baseLine = ReadRealSetting(shell.CommandTree(), "TDR:Ch1:BaseLine", 0);
                refPlane = ReadRealSetting(shell.CommandTree(), "TDR:Ch1:RefPlane", 0);
                runAfter = shell.RunOn;
                acquiredAtClose = acquired();
                replies["normalize"] = send("TDR:CH1:NORMALIZE ON");
                normalizeAfter = ReadOnOffSetting(shell.CommandTree(), "TDR:Ch1:Normalize", true);
                stage = 3;
                return;
            case 3:
                if (acquired() < acquiredAtClose + 3) return;
                stage = 4;
                test::CloseMainWindows();
                return;
            default: return;
        }
    });
    poll.start(5);
    const int exitCode = test::RunMainBlockFor(200000, shell, life, {"--home", home.string(), "Default_Demo"},
                                               features.Dialogs());
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(stage, 4) << log;
    EXPECT_EQ(replies["off"], "The channel calibration needs the TDR or TDT mode.");
    EXPECT_EQ(replies["run"], "(later)");
    const std::string waits = "Undo and redo wait until the Vertical TDR Calibration of Channel 1 has closed.";
    EXPECT_EQ(replies["redo"], waits);
    EXPECT_EQ(replies["undo"], waits);
    const std::string open = "Vertical TDR Calibration of Channel 1 is open: close it first.";
    EXPECT_EQ(replies["second"], open);
    EXPECT_EQ(replies["normalizeDuring"], open);
    EXPECT_FALSE(normalizeDuring);
    // The first phase went on after the lines were answered, then the question's OK began the second,
    // which was acquired whole.
    EXPECT_EQ(countLater, TdrCalibrationAcquisitions);
    EXPECT_LT(countTyped, countLater);
    EXPECT_TRUE(secondPhase);
    EXPECT_EQ(later, std::vector<std::string>{""});
    EXPECT_NE(log.find("veltrane: Connect the TDR step to the channel input and click OK. -- OK (on behalf of the remote "
                       "command that asked for it)"),
              std::string::npos)
        << log;
    EXPECT_NEAR(baseLine, DemoTdrBaseline, 0.004);
    EXPECT_NEAR(refAmpl, DemoTdrOpenAmplitude, 0.004);
    EXPECT_NEAR(refPlane, DemoTdrOpenPlane, 0.15e-9);
    // Every other setting as before, the circuit included, Run acquiring again.
    const auto others = [](const std::vector<std::string>& list) {
        return Without(list, {"TDR:CH1:REFAMPL", "TDR:CH1:BASELINE", "TDR:CH1:REFPLANE"});
    };
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(others(after), others(before));
    EXPECT_TRUE(runAfter);
    // The normalization's question: the reply, the log with Cancel's answer, the switch off.
    const std::string& question = replies["normalize"];
    ASSERT_GT(question.size(), 20u);
    EXPECT_NE(log.find("veltrane: " + QString::fromStdString(question).simplified().toStdString() +
                       " -- Cancel (asked while a remote command runs)"),
              std::string::npos)
        << log;
    EXPECT_FALSE(normalizeAfter);
}

// A client's runs where generator A shows its sine wave, so that no step reaches Ch1: offscreen the
// question takes OK and the second phase's amplitude check fails the run, every setting (the reference
// values, the generator's Short circuit) as it was. With a screen the question's Cancel, and offscreen
// the dialog's Cancel in the first phase (the circuit Open before), end the run with the circuit back.
TEST(TdrChannelCalibrationDemo, AClientsRunWithoutTheStepFailsAndEveryEndPutsTheCircuitBack) {
    TOffscreenQuestions dialogs;
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT), .OwnDialogs = &dialogs});
    TShell& shell = rig.Shell;
    bool done = false;
    std::vector<std::string> later, before, afterFailure, afterCancel, beforeOpen, afterOpen, asked;
    testing::internal::CaptureStderr();
    rig.Run(200000, 20, [&] {
        if (done || !rig.Acquiring()) return;
        TAutomation* automation = rig.Features().Automation().Automation();
        auto* serial = dynamic_cast<TScopeSerialServices*>(&shell.Serial());
        if (!automation || !serial) return;
        TTdrChannelCalibration& calibration = serial->TdrChannelCalibration();
        const auto send = [&](const std::string& line) {
            std::string reply;
            automation->Service.Execute(line, reply, 0, [&](const std::string& text) { later.push_back(text); });
        };
        // Until the run has closed (a guard of 60 s).
        const auto untilClosed = [&] {
            QElapsedTimer clock;
            clock.start();
            while (calibration.Open() && clock.elapsed() < 60000) test::RunLoopFor(20);
        };
        for (const char* line : {"TDR:MODE TDR", "TDR:CH1:DESTINATION G1", "GSS:CH1 A", "GSS:A:WAWEFORM SINEWAVE",
                                 "GSS:A:TDRCIRCUIT SHORT"})
            send(line);
        before = test::AllSettings(shell);
        send("TDR:CH1:DOVERTCALIBR");
        untilClosed();
        afterFailure = test::AllSettings(shell);

        dialogs.Screen = true;
        dialogs.Answers = {TDialogAnswer::Cancel};
        send("TDR:CH1:DOVERTCALIBR");
        untilClosed();
        afterCancel = test::AllSettings(shell);
        asked = dialogs.Asked;

        dialogs.Screen = false;
        send("GSS:A:TDRCIRCUIT OPEN");
        beforeOpen = test::AllSettings(shell);
        send("TDR:CH1:DOVERTCALIBR");
        QElapsedTimer clock;
        clock.start();
        while (calibration.Open() && calibration.Count() < 3 && clock.elapsed() < 60000) test::RunLoopFor(20);
        if (TfrmTDR_CalibrChannel* dialog = OpenDialog()) dialog->CancelButton()->click();
        untilClosed();
        afterOpen = test::AllSettings(shell);
        done = true;
        test::CloseMainWindows();
    });
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(done) << log;
    EXPECT_EQ(later, (std::vector<std::string>{"Calibration failed: The TDR step is smaller than 50 mV.",
                                               "Calibration canceled.", "Calibration canceled."}));
    const std::string question = "Connect the TDR step to the channel input and click OK.";
    EXPECT_NE(log.find("veltrane: " + question + " -- OK (on behalf of the remote command that asked for it)"),
              std::string::npos)
        << log;
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find(question), std::string::npos) << asked[0];
    ASSERT_NE(std::find(before.begin(), before.end(), "GSS:A:TDRCIRCUIT SHORT"), before.end());
    EXPECT_EQ(afterFailure, before);
    EXPECT_EQ(afterCancel, before);
    ASSERT_NE(std::find(beforeOpen.begin(), beforeOpen.end(), "GSS:A:TDRCIRCUIT OPEN"), beforeOpen.end());
    EXPECT_EQ(afterOpen, beforeOpen);
}

// The user's runs: while the normalization wizard is open a calibration is refused (from a client and
// from its switch); while a calibration's dialog is open the normalization and undo are refused, and
// the dialog's Cancel then puts every setting back, the generator's circuit included.
TEST(TdrChannelCalibrationDemo, TheNormalizationAndACalibrationRefuseEachOtherWhileOpen) {
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT)});
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    bool done = false, normalizeAfter = true, calibrationOpenDuring = true, wizardSeen = false;
    std::string clientReply = "none";
    std::vector<std::string> askedInWizard, askedInCalibration, before, after;
    rig.Run(120000, 20, [&] {
        if (done || !rig.Acquiring()) return;
        TAutomation* automation = rig.Features().Automation().Automation();
        if (!automation) return;
        auto* serial = dynamic_cast<TScopeSerialServices*>(&shell.Serial());
        ASSERT_NE(serial, nullptr);
        TTdrChannelCalibration& calibration = serial->TdrChannelCalibration();
        TCommandTree* tree = shell.CommandTree();
        for (const char* line : {"TDR:Mode TDR", "TDR:Ch1:Destination G1", "GSS:Ch1 A", "GSS:A:Waweform TDR",
                                 "GSS:A:TDRCircuit Short", "Acq:Ch1:RecLen 2048", "TB:Mode A", "TB:ScaleA 1e-9"})
            tree->ExecuteCommandString(line, false);

        // The wizard, started by its switch, holds the window; a client and the switch try meanwhile.
        QTimer inWizard;
        QObject::connect(&inWizard, &QTimer::timeout, [&] {
            auto* wizard = [] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* d = dynamic_cast<TfrmTDR_TDT_Normalization*>(w); d && d->isVisible()) return d;
                return static_cast<TfrmTDR_TDT_Normalization*>(nullptr);
            }();
            if (!wizard || wizardSeen) return;
            wizardSeen = true;
            const std::size_t asked = dialogs.Asked.size();
            automation->Service.Execute("TDR:CH1:DOVERTCALIBR", clientReply);
            FindSetting<TRightCommandHandler>(tree, "TDR:Ch1:DoVertCalibr")->PressFromSwitcher();
            calibrationOpenDuring = calibration.Open();
            askedInWizard.assign(dialogs.Asked.begin() + static_cast<std::ptrdiff_t>(asked), dialogs.Asked.end());
            wizard->CancelButton()->click();
        });
        inWizard.start(5);
        FindSetting<TOnOffHandler>(tree, "TDR:Ch1:Normalize")->SetOnFromSwitcher(true);
        inWizard.stop();

        // The calibration, started by its switch, leaves the window free.
        before = test::AllSettings(shell);
        FindSetting<TRightCommandHandler>(tree, "TDR:Ch1:DoVertCalibr")->PressFromSwitcher();
        const std::size_t asked = dialogs.Asked.size();
        FindSetting<TOnOffHandler>(tree, "TDR:Ch1:Normalize")->SetOnFromSwitcher(true);
        normalizeAfter = ReadOnOffSetting(tree, "TDR:Ch1:Normalize", true);
        FindSetting<TMainCommandHandler>(tree, "*Undo")->SelectFromSwitcher(0);
        askedInCalibration.assign(dialogs.Asked.begin() + static_cast<std::ptrdiff_t>(asked), dialogs.Asked.end());
        if (TfrmTDR_CalibrChannel* dialog = OpenDialog()) dialog->CancelButton()->click();
        test::RunLoopFor(50);
        after = test::AllSettings(shell);
        done = true;
        test::CloseMainWindows();
    });
    ASSERT_TRUE(done);
    ASSERT_TRUE(wizardSeen);
    const std::string wizardOpen = "TDR Normalization of Channel 1 is open: close it first.";
    EXPECT_EQ(clientReply, wizardOpen);
    EXPECT_EQ(askedInWizard, std::vector<std::string>{"Error: " + wizardOpen});
    EXPECT_FALSE(calibrationOpenDuring);
    EXPECT_EQ(askedInCalibration,
              (std::vector<std::string>{"Error: Vertical TDR Calibration of Channel 1 is open: close it first.",
                                        "Error: Undo and redo wait until the Vertical TDR Calibration of Channel 1 has closed."}));
    EXPECT_FALSE(normalizeAfter);
    // The generator's Short circuit too, which the run's first phase had made the terminated step.
    ASSERT_NE(std::find(before.begin(), before.end(), "GSS:A:TDRCIRCUIT SHORT"), before.end());
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace vt
