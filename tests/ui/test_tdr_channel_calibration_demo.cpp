// The channel calibration in the demo program with its real engine, cycle and dialog, Ch1 on G1 (so
// the channel reads the step negated). By hand from the demo's circuits (6.25e-5 V a code, an offset
// of -368 codes, the step 6720 codes, 0.1 ns points): TDR, started by the switch, measures the 50 ohm
// level 6720 x 0.5 + 368 codes = -0.233 V as the baseline and the open's reflection 6720 x 0.5 x 0.25
// x 2 codes = 0.105 V, its mid level 3 ns after the step at 7.3 ns plus 76 ps of rise; TDT, started by
// a command, needs no question and closes by itself: the transmitted 6720 codes = 0.420 V from
// -0.023 V, its mid level at 7.35 ns, and M4 holds the step as acquired.
#include <gtest/gtest.h>

#include <QString>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <string>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "serial/ScopeSerialServices.h"
#include "ui/Automation.h"
#include "ui/MainWindow.h"
#include "ui/UserDialogs.h"
#include "ui/VeltraneApplication.h"
#include "ui/dialogs/TdrChannelCalibrationForm.h"
#include "ui/dialogs/TdrNormalizationForm.h"

namespace vt {
namespace {

TfrmTDR_CalibrChannel* OpenDialog() { return test::VisibleWindow<TfrmTDR_CalibrChannel>(); }

// The demo's options without the generators and TDT modules, so that Ch1 reads the TDR step.
constexpr std::uint8_t kDemoOptions = 0xFF & ~(optGenerators | optTDT);

TTdrChannelCalibration& CalibrationOf(TShell& shell) {
    return dynamic_cast<TScopeSerialServices&>(shell.Serial()).TdrChannelCalibration();
}

// The program's automation once it is up; null, and the test has failed, when it never comes.
TAutomation* AutomationOf(test::TProgramRig& rig) {
    const auto automation = [&] { return rig.Features().Automation().Automation(); };
    return rig.Until([&] { return automation() != nullptr; }) ? automation() : nullptr;
}

TEST(TdrChannelCalibrationDemo, CalibratesBothModesOnTheDemoCircuits) {
    test::TProgramRig rig({.DemoOptions = kDemoOptions});
    TShell& shell = rig.Shell;
    const auto real = [&](std::string_view path) { return ReadRealSetting(shell.CommandTree(), path, -99); };
    bool completeShown = false, commandDialogShown = false;
    rig.RunSteps(200000, [&] {
        TTdrChannelCalibration& calibration = CalibrationOf(shell);
        for (const char* line : {"TDR:Mode TDR", "TDR:Ch1:Destination G1", "GSS:Ch1 A", "GSS:A:Waweform TDR"})
            rig.Command(line);
        FindSetting<TRightCommandHandler>(shell.CommandTree(), "TDR:Ch1:DoVertCalibr")->PressFromSwitcher();
        ASSERT_TRUE(rig.Until([&] {
            if (TfrmTDR_CalibrChannel* dialog = OpenDialog(); dialog && dialog->OkButton()->isEnabled()) {
                completeShown = true;
                EXPECT_EQ(dialog->windowTitle().toStdString(), "Vertical TDR Calibration of Channel 1");
                EXPECT_EQ(dialog->StatusLabel()->text().toStdString(), "Calibration complete!");
                test::SaveScreenshot(*dialog, "tdr_calibration_demo.png");
                dialog->OkButton()->click();
            }
            return !calibration.Open();
        }));
        EXPECT_NEAR(real("TDR:Ch1:RefAmpl"), 0.105, 0.004);
        EXPECT_NEAR(real("TDR:Ch1:BaseLine"), -0.233, 0.004);
        EXPECT_NEAR(real("TDR:Ch1:RefPlane"), 10.35e-9, 0.15e-9);

        rig.Command("TDR:Mode TDT");
        rig.Command("GSS:A:TDTCircuit Stimul");
        // A command runs without a question and closes by itself; its dialog shows meanwhile.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] { commandDialogShown = commandDialogShown || OpenDialog() != nullptr; });
        watch.start(5);
        rig.Command("TDR:Ch1:DoVertCalibr");
        ASSERT_TRUE(rig.Until([&] { return !calibration.Open(); }));
        EXPECT_NEAR(real("TDR:Ch1:RefTDTAmpl"), 0.420, 0.008);
        EXPECT_NEAR(real("TDR:Ch1:RefTDTZero"), -0.023, 0.004);
        EXPECT_NEAR(real("TDR:Ch1:RefPlane"), 7.35e-9, 0.15e-9);
        EXPECT_TRUE(dynamic_cast<TScopeSerialServices&>(shell.Serial()).Tdr().Calibrated(TdrChannel1));
        // As acquired on the negated channel: from -0.023 V down by the step.
        const TSignalObj& m4 = shell.Records()->Record(ssM4);
        ASSERT_GT(m4.Length(), 0);
        EXPECT_NEAR(m4.Data1()[0] - m4.Data1()[m4.Length() - 1], 0.420, 0.008);
    });
    // Asked only by the switch's run: its start and the step's connection.
    EXPECT_EQ(rig.Dialogs.Asked.size(), 2u) << (rig.Dialogs.Asked.empty() ? "" : rig.Dialogs.Asked.back());
    EXPECT_TRUE(completeShown);
    EXPECT_TRUE(commandDialogShown);
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

// Sent as an automation client sends them, with Ch1 on G1 as above. A calibration command's reply waits
// for its run's close while other lines are answered (undo, redo, a second calibration and the
// normalization are refused with their reasons) and the run counts its acquisitions. Offscreen the
// question between the phases takes OK for the command's script: with the demo's step on the channel
// the run completes (a success's empty reply) with the values the step gives, every other setting as it
// was (the generator's Short circuit too) and Run acquiring again; the log holds the question with the
// answer taken. The normalization's question, met by a command, is its reply and is logged with its
// answer; the switch stays off.
TEST(TdrChannelCalibrationDemo, ACommandsReplyWaitsForTheCloseAndOffscreenItsQuestionTakesOk) {
    TOffscreenQuestions dialogs;
    test::TProgramRig rig({.DemoOptions = kDemoOptions, .OwnDialogs = &dialogs});
    TShell& shell = rig.Shell;
    std::vector<std::string> later;
    std::string question;
    testing::internal::CaptureStderr();
    rig.RunSteps(200000, [&] {
        TAutomation* automation = AutomationOf(rig);
        ASSERT_NE(automation, nullptr);
        TTdrChannelCalibration& calibration = CalibrationOf(shell);
        TCommandTree* tree = shell.CommandTree();
        const auto send = [&](const std::string& line) {
            std::string reply;
            automation->Service.Execute(line, reply, 0, [&](const std::string& text) { later.push_back(text); });
            return automation->Service.Deferred() ? std::string("(later)") : reply;
        };
        // Refused before it starts: no TDR mode.
        EXPECT_EQ(send("TDR:CH1:DOVERTCALIBR"), "The channel calibration needs the TDR or TDT mode.");
        for (const char* line : {"TDR:MODE TDR", "TDR:CH1:DESTINATION G1", "GSS:CH1 A", "GSS:A:WAWEFORM TDR",
                                 "GSS:A:TDRCIRCUIT SHORT", "CH2:DISPLAY ON", "CH2:ACQUIRE ON"})
            send(line);
        const std::vector<std::string> before = test::AllSettings(shell);
        EXPECT_EQ(send("TDR:CH1:DOVERTCALIBR"), "(later)");
        ASSERT_TRUE(rig.Until([&] { return calibration.Open() && calibration.Count() >= 3; }));
        const std::string waits = "Undo and redo wait until the Vertical TDR Calibration of Channel 1 has closed.";
        EXPECT_EQ(send("*UNDO REDO"), waits);
        EXPECT_EQ(send("*UNDO"), waits);
        const std::string open = "Vertical TDR Calibration of Channel 1 is open: close it first.";
        EXPECT_EQ(send("TDR:CH2:DOVERTCALIBR"), open);
        EXPECT_EQ(send("TDR:CH1:NORMALIZE ON"), open);
        EXPECT_FALSE(ReadOnOffSetting(tree, "TDR:Ch1:Normalize", true));
        const int countTyped = calibration.Count();
        int countLater = 0;
        bool secondPhase = false;
        ASSERT_TRUE(rig.Until([&] {
            countLater = std::max(countLater, calibration.Count());
            secondPhase = secondPhase || calibration.SecondPhase();
            return !later.empty();
        }));
        // The first phase went on after the lines were answered, then the question's OK began the
        // second, which was acquired whole.
        EXPECT_EQ(countLater, TdrCalibrationAcquisitions);
        EXPECT_LT(countTyped, countLater);
        EXPECT_TRUE(secondPhase);
        EXPECT_EQ(later, std::vector<std::string>{""});
        EXPECT_NEAR(ReadRealSetting(tree, "TDR:Ch1:BaseLine", 0), DemoTdrBaseline, 0.004);
        EXPECT_NEAR(ReadRealSetting(tree, "TDR:Ch1:RefAmpl", 0), DemoTdrOpenAmplitude, 0.004);
        EXPECT_NEAR(ReadRealSetting(tree, "TDR:Ch1:RefPlane", 0), DemoTdrOpenPlane, 0.15e-9);
        // Every other setting as before, the circuit included, Run acquiring again.
        const auto others = [](std::vector<std::string> list) {
            std::erase_if(list, [](const std::string& line) {
                return line.starts_with("TDR:CH1:REFAMPL") || line.starts_with("TDR:CH1:BASELINE") ||
                       line.starts_with("TDR:CH1:REFPLANE");
            });
            return list;
        };
        ASSERT_FALSE(before.empty());
        EXPECT_EQ(others(test::AllSettings(shell)), others(before));
        EXPECT_TRUE(shell.RunOn);
        question = send("TDR:CH1:NORMALIZE ON");
        EXPECT_FALSE(ReadOnOffSetting(tree, "TDR:Ch1:Normalize", true));
        rig.CountOn(3);
    });
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("veltrane: Connect the TDR step to the channel input and click OK. -- OK (on behalf of the remote "
                       "command that asked for it)"),
              std::string::npos)
        << log;
    // The normalization's question: the reply, and the log with Cancel's answer.
    ASSERT_GT(question.size(), 20u);
    EXPECT_NE(log.find("veltrane: " + QString::fromStdString(question).simplified().toStdString() +
                       " -- Cancel (asked while a remote command runs)"),
              std::string::npos)
        << log;
}

// A client's runs where generator A shows its sine wave, so that no step reaches Ch1: offscreen the
// question takes OK and the second phase's amplitude check fails the run, every setting (the reference
// values, the generator's Short circuit) as it was. With a screen the question's Cancel, and offscreen
// the dialog's Cancel in the first phase (the circuit Open before), end the run with the circuit back.
TEST(TdrChannelCalibrationDemo, AClientsRunWithoutTheStepFailsAndEveryEndPutsTheCircuitBack) {
    TOffscreenQuestions dialogs;
    test::TProgramRig rig({.DemoOptions = kDemoOptions, .OwnDialogs = &dialogs});
    TShell& shell = rig.Shell;
    std::vector<std::string> later;
    const std::string question = "Connect the TDR step to the channel input and click OK.";
    testing::internal::CaptureStderr();
    rig.RunSteps(200000, [&] {
        TAutomation* automation = AutomationOf(rig);
        ASSERT_NE(automation, nullptr);
        TTdrChannelCalibration& calibration = CalibrationOf(shell);
        const auto send = [&](const std::string& line) {
            std::string reply;
            automation->Service.Execute(line, reply, 0, [&](const std::string& text) { later.push_back(text); });
        };
        const auto untilClosed = [&] { return rig.Until([&] { return !calibration.Open(); }); };
        for (const char* line : {"TDR:MODE TDR", "TDR:CH1:DESTINATION G1", "GSS:CH1 A", "GSS:A:WAWEFORM SINEWAVE",
                                 "GSS:A:TDRCIRCUIT SHORT"})
            send(line);
        const std::vector<std::string> before = test::AllSettings(shell);
        ASSERT_NE(std::find(before.begin(), before.end(), "GSS:A:TDRCIRCUIT SHORT"), before.end());
        send("TDR:CH1:DOVERTCALIBR");
        ASSERT_TRUE(untilClosed());
        EXPECT_EQ(test::AllSettings(shell), before);

        dialogs.Screen = true;
        dialogs.Answers = {TDialogAnswer::Cancel};
        send("TDR:CH1:DOVERTCALIBR");
        ASSERT_TRUE(untilClosed());
        EXPECT_EQ(test::AllSettings(shell), before);
        ASSERT_EQ(dialogs.Asked.size(), 1u);
        EXPECT_NE(dialogs.Asked[0].find(question), std::string::npos) << dialogs.Asked[0];

        dialogs.Screen = false;
        send("GSS:A:TDRCIRCUIT OPEN");
        const std::vector<std::string> beforeOpen = test::AllSettings(shell);
        ASSERT_NE(std::find(beforeOpen.begin(), beforeOpen.end(), "GSS:A:TDRCIRCUIT OPEN"), beforeOpen.end());
        send("TDR:CH1:DOVERTCALIBR");
        ASSERT_TRUE(rig.Until([&] { return !calibration.Open() || calibration.Count() >= 3; }));
        if (TfrmTDR_CalibrChannel* dialog = OpenDialog()) dialog->CancelButton()->click();
        ASSERT_TRUE(untilClosed());
        EXPECT_EQ(test::AllSettings(shell), beforeOpen);
    });
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(later, (std::vector<std::string>{"Calibration failed: The TDR step is smaller than 50 mV.",
                                               "Calibration canceled.", "Calibration canceled."}));
    EXPECT_NE(log.find("veltrane: " + question + " -- OK (on behalf of the remote command that asked for it)"),
              std::string::npos)
        << log;
}

// The user's runs: while the normalization wizard is open a calibration is refused (from a client and
// from its switch); while a calibration's dialog is open the normalization and undo are refused, and
// the dialog's Cancel then puts every setting back, the generator's circuit included.
TEST(TdrChannelCalibrationDemo, TheNormalizationAndACalibrationRefuseEachOtherWhileOpen) {
    test::TProgramRig rig({.DemoOptions = kDemoOptions});
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    bool wizardSeen = false;
    rig.RunSteps(120000, [&] {
        TAutomation* automation = AutomationOf(rig);
        ASSERT_NE(automation, nullptr);
        TTdrChannelCalibration& calibration = CalibrationOf(shell);
        TCommandTree* tree = shell.CommandTree();
        for (const char* line : {"TDR:Mode TDR", "TDR:Ch1:Destination G1", "GSS:Ch1 A", "GSS:A:Waweform TDR",
                                 "GSS:A:TDRCircuit Short", "Acq:Ch1:RecLen 2048", "TB:Mode A", "TB:ScaleA 1e-9"})
            rig.Command(line);

        // The wizard, started by its switch, holds the window; a client and the switch try meanwhile.
        const std::string wizardOpen = "TDR Normalization of Channel 1 is open: close it first.";
        QTimer inWizard;
        QObject::connect(&inWizard, &QTimer::timeout, [&] {
            auto* wizard = test::VisibleWindow<TfrmTDR_TDT_Normalization>();
            if (!wizard || wizardSeen) return;
            wizardSeen = true;
            const std::size_t asked = dialogs.Asked.size();
            std::string clientReply;
            automation->Service.Execute("TDR:CH1:DOVERTCALIBR", clientReply);
            EXPECT_EQ(clientReply, wizardOpen);
            FindSetting<TRightCommandHandler>(tree, "TDR:Ch1:DoVertCalibr")->PressFromSwitcher();
            EXPECT_FALSE(calibration.Open());
            EXPECT_EQ(std::vector<std::string>(dialogs.Asked.begin() + static_cast<std::ptrdiff_t>(asked), dialogs.Asked.end()),
                      std::vector<std::string>{"Error: " + wizardOpen});
            wizard->CancelButton()->click();
        });
        inWizard.start(5);
        FindSetting<TOnOffHandler>(tree, "TDR:Ch1:Normalize")->SetOnFromSwitcher(true);
        inWizard.stop();

        // The calibration, started by its switch, leaves the window free.
        const std::vector<std::string> before = test::AllSettings(shell);
        FindSetting<TRightCommandHandler>(tree, "TDR:Ch1:DoVertCalibr")->PressFromSwitcher();
        const std::size_t asked = dialogs.Asked.size();
        FindSetting<TOnOffHandler>(tree, "TDR:Ch1:Normalize")->SetOnFromSwitcher(true);
        EXPECT_FALSE(ReadOnOffSetting(tree, "TDR:Ch1:Normalize", true));
        FindSetting<TMainCommandHandler>(tree, "*Undo")->SelectFromSwitcher(0);
        EXPECT_EQ(std::vector<std::string>(dialogs.Asked.begin() + static_cast<std::ptrdiff_t>(asked), dialogs.Asked.end()),
                  (std::vector<std::string>{"Error: Vertical TDR Calibration of Channel 1 is open: close it first.",
                                            "Error: Undo and redo wait until the Vertical TDR Calibration of Channel 1 has closed."}));
        if (TfrmTDR_CalibrChannel* dialog = OpenDialog()) dialog->CancelButton()->click();
        test::RunLoopFor(50);
        // The generator's Short circuit too, which the run's first phase had made the terminated step.
        ASSERT_NE(std::find(before.begin(), before.end(), "GSS:A:TDRCIRCUIT SHORT"), before.end());
        EXPECT_EQ(test::AllSettings(shell), before);
    });
    EXPECT_TRUE(wizardSeen);
}

}  // namespace
}  // namespace vt
