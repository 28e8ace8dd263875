// The TDR/TDT channel calibration on scripted acquisitions whose levels give the reference values by
// hand: 1024 points of 0.1 ns, the step at point 300 (its mid level crossed half a point before).
// TDR: the terminated level -0.2 V, the open's -0.3 V (amplitude 0.1 V, baseline -0.2 V); TDT: 0 to
// 0.4 V (amplitude 0.4 V, initial level 0, taken over points 280 to 290, 2 ns to 1 ns before the step).
// Each acquisition carries +-10 mV that the average of 32 must cancel. Covered: the two questions of a
// run the user started, the progress, success and the three failures, the set-up's undo, the values
// kept by a failure or a Cancel, a command-started run closing by itself, the TDT reference written
// back with its acquired sign, and the step or record that the plateau's window cannot measure.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SerialTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandService.h"
#include "core/CommandTree.h"
#include "core/DisplayServices.h"
#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UserServices.h"
#include "link/LinkTestSupport.h"
#include "link/UtilSettings.h"
#include "serial/TdrChannelCalibration.h"
#include "serial/TdrSettings.h"

namespace vt {
namespace {

struct TScriptedUser : TUserServices {
    std::vector<std::string> Asked;
    std::vector<bool> Answers;  // taken from the front; OK when none is left
    bool ConfirmOkCancel(const std::string& text) override {
        Asked.push_back(text);
        if (Answers.empty()) return true;
        const bool answer = Answers.front();
        Answers.erase(Answers.begin());
        return answer;
    }
    // As on a visible screen: the question waits aside until the test answers it.
    std::vector<std::string> AskedAside;
    std::function<void(bool ok)> Waiting;
    void ConfirmOkCancelLater(const std::string& text, std::function<void(bool ok)> answered) override {
        AskedAside.push_back(text);
        Waiting = std::move(answered);
    }
    void Answer(bool ok) {
        auto answered = std::move(Waiting);
        Waiting = nullptr;
        answered(ok);
    }
};

struct THintRecorder : TDisplayServices {
    std::vector<std::pair<std::string, int>> Hints;
    void PushHint(const std::string& text, int durationMs) override { Hints.emplace_back(text, durationMs); }
};

constexpr double Interval = 1e-10;
constexpr double StepTime = 299.5 * Interval;  // the time of point 299.5

class TdrChannelCalibration : public ::testing::Test {
protected:
    TdrChannelCalibration() {
        auto user = std::make_unique<TScriptedUser>();
        User = user.get();
        Shell.SetUserServices(std::move(user));
        auto display = std::make_unique<THintRecorder>();
        Display = display.get();
        Shell.SetDisplayServices(std::move(display));
        test::SetUpTdrShell(Shell, std::make_unique<TInstrumentLink>(TLinkTiming{}, &Clock));
        Settings.CreateTDRHandlers();
        Settings.ChannelCalibration = &Run;
        Shell.Records()->SignalsOn().SetOn(ssCh1, true);
        Shell.AcqEnabled = true;
    }

    std::string Command(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    const TTdrSettings::TChannelHandlers& Ch1() const { return Settings.Channel(TdrChannel1); }
    std::array<double, 5> Five() const {
        const auto& h = Ch1();
        return {h.RefAmpl->GetValue(), h.BaseLine->GetValue(), h.RefTDTAmpl->GetValue(), h.RefTDTZero->GetValue(),
                h.RefPlane->GetValue()};
    }
    void SetFive(const std::array<double, 5>& v) {
        const auto& h = Ch1();
        h.RefAmpl->SetValue(v[0]);
        h.BaseLine->SetValue(v[1]);
        h.RefTDTAmpl->SetValue(v[2]);
        h.RefTDTZero->SetValue(v[3]);
        h.RefPlane->SetValue(v[4]);
    }
    void PressFromSwitcher() { Ch1().DoVertCalibr->PressFromSwitcher(); }
    // TDR on G1 shown in rho, Run on; answers the five reference values set beforehand.
    std::array<double, 5> PrepareTdrOnG1() {
        Command("TDR:Mode TDR");
        Command("TDR:Ch1:Destination G1");
        Command("TDR:Ch1:VertScale Rho");
        const std::array<double, 5> initial{0.2, -0.5, 0.3, 0.05, 5e-9};
        SetFive(initial);
        Shell.RunOn = true;
        return initial;
    }
    // One completed acquisition of length points: before up to point step, after from it, +-10 mV by turns.
    void Acquire(double before, double after, int step = 300, int length = TdrCalibrationPoints) {
        ASSERT_TRUE(Shell.SingleOn) << "an acquisition nobody asked for";
        TSignalObj& r = Shell.Records()->Record(ssCh1);
        r.SetLength(length);
        r.SetSampleInterval(Interval);
        r.SetVertUnit("V");
        r.SetHorUnit("s");
        const double noise = Acquired++ % 2 == 0 ? 0.01 : -0.01;
        for (int i = 0; i < length; ++i) r.SetPoint(i, (i < step ? before : after) + noise);
        Shell.SingleOn = false;
        Run.TdrChannelCalibrationStep();
    }
    // Acquisitions until the phase has count of them (or has ended).
    void Collect(int count, double before, double after, int step = 300) {
        const bool phase = Run.SecondPhase();
        while (Run.Collecting() && Run.SecondPhase() == phase && Run.Count() < count) Acquire(before, after, step);
    }

    test::TFakeLinkClock Clock;
    TShell Shell;
    TScriptedUser* User = nullptr;
    THintRecorder* Display = nullptr;
    TTdrSettings Settings{Shell};
    TTdrChannelCalibration Run{Shell, Settings};
    int Acquired = 0;
};

TEST_F(TdrChannelCalibration, MeasuresBothModesByHandKeepsTheValuesOnFailureOrCancelAndUndoesItsSetUp) {
    const std::array<double, 5> initial = PrepareTdrOnG1();

    // --- TDR by the switch: asked, both phases, success; nothing written before OK.
    PressFromSwitcher();
    ASSERT_TRUE(Run.Open());
    ASSERT_EQ(User->Asked.size(), 1u);
    EXPECT_NE(User->Asked[0].find("Channel 1 TDR Calibration"), std::string::npos) << User->Asked[0];
    EXPECT_FALSE(Shell.RunOn);
    EXPECT_FALSE(Run.AutoClose());
    EXPECT_EQ(Run.Title(), "Vertical TDR Calibration of Channel 1");
    EXPECT_EQ(ReadChoiceSetting(Shell.CommandTree(), "TDR:Ch1:VertScale", -1), 0) << "the set-up shows volts";
    Collect(16, -0.2, -0.2);
    EXPECT_EQ(Run.Progress(), 25);
    Collect(32, -0.2, -0.2);
    ASSERT_EQ(User->Asked.size(), 2u);
    EXPECT_EQ(User->Asked[1], "Connect the TDR step to the channel input and click OK.");
    ASSERT_TRUE(Run.SecondPhase());
    Collect(16, -0.2, -0.3);
    EXPECT_EQ(Run.Progress(), 75);
    Collect(32, -0.2, -0.3);
    ASSERT_FALSE(Run.Collecting());
    EXPECT_FALSE(Shell.SingleOn) << "no acquisition after the last";
    EXPECT_TRUE(Run.OkEnabled());
    EXPECT_EQ(Run.Status(), "Calibration complete!");
    EXPECT_EQ(Run.StatusColor().Value, 0x008000u);
    EXPECT_EQ(Run.AmplitudeText(), "100 mV");
    EXPECT_EQ(Run.BaselineCaption(), "Baseline:");
    EXPECT_EQ(Five(), initial);
    Run.Close(true);
    EXPECT_FALSE(Run.Open());
    EXPECT_NEAR(Ch1().RefAmpl->GetValue(), 0.1, 1e-9);
    EXPECT_NEAR(Ch1().BaseLine->GetValue(), -0.2, 1e-9);
    EXPECT_NEAR(Ch1().RefPlane->GetValue(), StepTime, 1e-15);
    EXPECT_EQ(Ch1().RefTDTAmpl->GetValue(), initial[2]);
    EXPECT_TRUE(Settings.Calibrated(TdrChannel1));
    EXPECT_EQ(ReadChoiceSetting(Shell.CommandTree(), "TDR:Ch1:VertScale", -1), 1) << "the set-up undone";
    EXPECT_TRUE(Shell.RunOn);

    // --- a 40 mV step: failure 3; OK cannot keep anything.
    SetFive(initial);
    PressFromSwitcher();
    Collect(32, -0.2, -0.2);
    Collect(32, -0.2, -0.24);
    EXPECT_FALSE(Run.OkEnabled());
    EXPECT_EQ(Run.Status(), "Calibration failed");
    EXPECT_EQ(Run.StatusColor().Value, 0x0000FFu);
    EXPECT_EQ(Run.ErrorText(), "The TDR step is smaller than 50 mV.");
    EXPECT_FALSE(Run.ValuesVisible());
    Run.Close(true);
    EXPECT_EQ(Five(), initial);

    // --- the reflection inside the plateau's window would mix both levels: failure 2.
    PressFromSwitcher();
    Collect(32, -0.2, -0.2);
    Collect(32, -0.2, -0.3, 450);
    EXPECT_EQ(Run.Result().Failure, 2);
    Run.Close(true);
    EXPECT_EQ(Five(), initial);

    // --- Cancel at the second question, and at the first: all five kept, nothing collected.
    User->Answers = {true, false};
    PressFromSwitcher();
    Collect(32, -0.2, -0.2);
    EXPECT_FALSE(Run.Open());
    EXPECT_EQ(Five(), initial);
    User->Answers = {false};
    PressFromSwitcher();
    EXPECT_FALSE(Run.Open());
    EXPECT_FALSE(Shell.SingleOn);

    // --- TDT by command: no question, closes by itself with OK; the mode's change dropped the
    // calibration, which the OK sets again.
    Command("TDR:Mode TDT");
    Command("TDR:Ch1:Destination External");
    Command("TDR:Ch1:Polar Pos");
    EXPECT_FALSE(Settings.Calibrated(TdrChannel1));
    const std::size_t asked = User->Asked.size();
    Command("TDR:Ch1:DoVertCalibr");
    ASSERT_TRUE(Run.Open());
    EXPECT_TRUE(Run.AutoClose());
    EXPECT_EQ(Run.BaselineCaption(), "Initial Voltage:");
    Collect(16, 0, 0.4);
    EXPECT_EQ(Run.Progress(), 50);
    Collect(32, 0, 0.4);
    EXPECT_FALSE(Run.Open());
    EXPECT_EQ(User->Asked.size(), asked);
    EXPECT_NEAR(Ch1().RefTDTAmpl->GetValue(), 0.4, 1e-9);
    EXPECT_NEAR(Ch1().RefTDTZero->GetValue(), 0.0, 1e-9);
    EXPECT_NEAR(Ch1().RefPlane->GetValue(), StepTime, 1e-15);
    EXPECT_TRUE(Settings.Calibrated(TdrChannel1));
    ASSERT_FALSE(Display->Hints.empty());
    EXPECT_EQ(Display->Hints.back(), (std::pair<std::string, int>{"The TDT reference is saved in memory M4", 7000}));
    const TSignalObj& reference = Shell.Records()->Record(ssCh1);
    EXPECT_NEAR(reference.Data1()[0], 0.0, 1e-12) << "the average, its noise gone";
    EXPECT_NEAR(reference.Data1()[1023], 0.4, 1e-12);

    // --- falling: failure 2 with Pos (closed as Cancel); with Neg the step is measured negated and
    // written back as acquired.
    SetFive(initial);
    Command("TDR:Ch1:DoVertCalibr");
    Collect(32, 0.4, 0);
    EXPECT_FALSE(Run.Open());
    EXPECT_EQ(Run.Result().Failure, 2);
    EXPECT_EQ(Five(), initial);
    Command("TDR:Ch1:Polar Neg");
    Command("TDR:Ch1:DoVertCalibr");
    Collect(32, 0.4, 0);
    EXPECT_FALSE(Run.Open());
    EXPECT_NEAR(Ch1().RefTDTAmpl->GetValue(), 0.4, 1e-9);
    EXPECT_NEAR(Ch1().RefTDTZero->GetValue(), 0.4, 1e-9);
    EXPECT_NEAR(Shell.Records()->Record(ssCh1).Data1()[0], 0.4, 1e-12);
    Command("TDR:Ch1:Polar Pos");

    // --- flat: failure 1; the step at point 450 and a record of 512 points: failure 2 (the short
    // record at its first acquisition, never read past).
    SetFive(initial);
    for (int failure : {1, 2}) {
        Command("TDR:Ch1:DoVertCalibr");
        Collect(32, 0.1, failure == 1 ? 0.1 : 0.4, 450);
        EXPECT_EQ(Run.Result().Failure, failure);
    }
    Command("TDR:Ch1:DoVertCalibr");
    Acquire(0, 0.4, 300, 512);
    EXPECT_FALSE(Run.Open());
    EXPECT_EQ(Run.Result().Failure, 2);
    EXPECT_EQ(Five(), initial);
}

// Started by an automation client's command: the reply waits for the close while other lines are
// answered; the question between the TDR phases waits aside (a visible screen) and holds the stall
// rule; OK goes on to the by-hand values, Cancel ends the run with the five values and the set-up (the
// generator's circuit too) as they were. A run whose acquisitions stop fails after 10 s on the link clock, not one moment before;
// an answer that comes after its run closed is dropped.
TEST_F(TdrChannelCalibration, ACommandsReplyWaitsForTheCloseItsQuestionWaitsAsideAndItsStallRuleRunsOnTheLinkClock) {
    TCOMRC service(*Shell.CommandTree());
    Shell.DeferRemoteReply = [&] { return service.DeferReply(); };
    std::vector<std::string> later;
    const auto send = [&](const std::string& line) {
        std::string reply;
        service.Execute(line, reply, 0, [&](const std::string& text) { later.push_back(text); });
        return service.Deferred() ? std::string("(later)") : reply;
    };
    CreateUtilHandlers(Shell);
    const std::array<double, 5> initial = PrepareTdrOnG1();
    const auto circuit = [&] { return ReadChoiceSetting(Shell.CommandTree(), "GSS:A:TDRCircuit", -1); };
    constexpr int Short = 2;

    // --- OK: the second phase follows the answer; the reply comes with the by-hand values in place.
    EXPECT_EQ(send("TDR:CH1:DOVERTCALIBR"), "(later)");
    ASSERT_TRUE(Run.Open());
    Collect(32, -0.2, -0.2);
    ASSERT_EQ(User->AskedAside, std::vector<std::string>{"Connect the TDR step to the channel input and click OK."});
    EXPECT_TRUE(User->Asked.empty()) << "nothing blocks";
    EXPECT_TRUE(Run.Asking());
    EXPECT_FALSE(Run.Collecting());
    EXPECT_FALSE(Shell.SingleOn) << "no acquisition before the step is connected";
    Clock.Now += 60000;
    Run.StallCheck();
    EXPECT_TRUE(Run.Open()) << "a question waiting is no stall";
    // Other lines are answered meanwhile; a second start is refused at once, its reply not taken.
    EXPECT_EQ(send("TDR:MODE?"), "TDR:MODE TDR");
    EXPECT_EQ(send("TDR:CH1:DOVERTCALIBR"), "");
    EXPECT_EQ(Run.Refusal(), "Vertical TDR Calibration of Channel 1 is open: close it first.");
    EXPECT_TRUE(later.empty());
    User->Answer(true);
    ASSERT_TRUE(Run.SecondPhase());
    EXPECT_TRUE(Shell.SingleOn);
    Collect(32, -0.2, -0.3);
    EXPECT_FALSE(Run.Open());
    EXPECT_EQ(later, std::vector<std::string>{""});
    EXPECT_NEAR(Ch1().RefAmpl->GetValue(), 0.1, 1e-9);
    EXPECT_NEAR(Ch1().BaseLine->GetValue(), -0.2, 1e-9);
    EXPECT_NEAR(Ch1().RefPlane->GetValue(), StepTime, 1e-15);
    EXPECT_TRUE(Shell.RunOn);

    // --- Cancel: the run ends, its reply says so, everything is as it was.
    SetFive(initial);
    Command("GSS:A:TDRCircuit Short");
    later.clear();
    EXPECT_EQ(send("TDR:CH1:DOVERTCALIBR"), "(later)");
    Collect(32, -0.2, -0.2);
    ASSERT_TRUE(Run.Asking());
    User->Answer(false);
    EXPECT_FALSE(Run.Open());
    EXPECT_EQ(later, std::vector<std::string>{"Calibration canceled."});
    EXPECT_EQ(Five(), initial);
    EXPECT_EQ(ReadChoiceSetting(Shell.CommandTree(), "TDR:Ch1:VertScale", -1), 1) << "the set-up undone";
    EXPECT_EQ(circuit(), Short);
    EXPECT_TRUE(Shell.RunOn);
    EXPECT_FALSE(Shell.SingleOn);

    // --- acquisitions that stop coming: each one restarts the 10 s.
    later.clear();
    send("TDR:CH1:DOVERTCALIBR");
    EXPECT_EQ(Run.StallCheck(), 10000) << "the next check is asked for when the stall would be due";
    Acquire(-0.2, -0.2);
    Clock.Now += 9999;
    EXPECT_EQ(Run.StallCheck(), 1);
    Acquire(-0.2, -0.2);
    Clock.Now += 9999;
    EXPECT_EQ(Run.StallCheck(), 1);
    EXPECT_TRUE(Run.Open());
    EXPECT_TRUE(later.empty());
    Clock.Now += 1;
    EXPECT_EQ(Run.StallCheck(), -1);
    EXPECT_FALSE(Run.Open());
    EXPECT_EQ(later, std::vector<std::string>{"Calibration failed: No acquisition came for 10 s."});
    EXPECT_EQ(Five(), initial);
    EXPECT_EQ(circuit(), Short) << "the terminated step of the first phase undone";
    EXPECT_TRUE(Shell.RunOn);

    // --- the run closed while its question waited: the late OK starts nothing.
    later.clear();
    send("TDR:CH1:DOVERTCALIBR");
    Collect(32, -0.2, -0.2);
    ASSERT_TRUE(User->Waiting);
    Run.Close(false);
    EXPECT_EQ(later, std::vector<std::string>{"Calibration canceled."});
    User->Answer(true);
    EXPECT_FALSE(Run.Open());
    EXPECT_FALSE(Run.Collecting());
    EXPECT_FALSE(Shell.SingleOn);
    EXPECT_EQ(later.size(), 1u);
}

}  // namespace
}  // namespace vt
