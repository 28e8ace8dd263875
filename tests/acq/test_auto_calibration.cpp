// Auto-calibration on a fake clock: the due check, progress and status, the simulated stages, and
// the timebase and channel runs stepped by hand with the end-of-cycle hook run from the table.
#include <gtest/gtest.h>

#include <algorithm>

#include "acq/AutoCalibration.h"
#include "acq/SignalSources.h"
#include "core/UndoBuffer.h"
#include "link/UtilSettings.h"

#include "link/AdjustTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TAutoCalShell : TAdjustShell {
    explicit TAutoCalShell(bool connected, int modelType = 4) : TAdjustShell(connected, modelType) {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        CreateUtilHandlers(Shell);
        // A stand-in of one setting of the measuring setup, to see it applied and undone.
        Shell.CommandTree()->Root().AddDoubleEditHandler(
            "TB:ScaleA", {.Initial = 2e-7, .Config = {.Minimum = 1e-11, .Default = 1e-7, .Maximum = 1, .Resolution = 1e-12}});
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.UndoBuffer()->SetEnabled(true);
        Shell.CommandTree()->SetUndoBuffer(Shell.UndoBuffer());
        Auto = std::make_unique<TAutoCalibration>(Shell, *Adjust, &Clock);
        Auto->FillRows(Shell);
    }
    ~TAutoCalShell() { Shell.CommandTree()->SetUndoBuffer(nullptr); }
    void When(std::uint32_t mask) { Setting<TCheckSwHandler>("Util:CalibrWhen").SetMask(mask); }
    void AdvanceMinutes(double m) { Clock.Now += static_cast<std::int64_t>(m * 60000); }
    // The timer's request, taken by the housekeeping row.
    void TimerTick() {
        Shell.AutoCalRequest = true;
        Shell.IdleHousekeeping.Run(Shell);
    }
    // Steps the run 50 ms apart until it ends (bounded).
    void StepToEnd(std::vector<int>* progress = nullptr) {
        for (int i = 0; i < 1000 && Auto->CalibrationRunning(); ++i) {
            Clock.Now += TAutoCalibration::StatusPollMs;
            Auto->Step();
            if (progress) progress->push_back(Auto->Progress());
        }
        EXPECT_FALSE(Auto->CalibrationRunning());
    }
    int Result() { return static_cast<int>(Value("FLASH:Calibr:AutocalResult")); }
    std::unique_ptr<TAutoCalibration> Auto;
};

}  // namespace

TEST(AutoCalibration, ProgressStatusAndSimulatedStages) {
    struct TCase {
        int Stage, Sub, Progress;
        const char* Text;
    };
    for (const TCase& c : {TCase{1, 50, 20, " 1.50"}, TCase{10, 0, 40, " 10.0"}, TCase{30, 65, 78, " 30.65"},
                           TCase{200, 1, 97, " 200.1"}, TCase{255, 7, 100, "OK"}, TCase{-3, 0, 0, "-3.0"}}) {
        int stage = 0, sub = 0;
        SplitCalibrationStatus(CalibrationStatusWord(c.Stage, c.Sub), stage, sub);
        EXPECT_EQ(stage, c.Stage);
        EXPECT_EQ(sub, c.Sub);
        EXPECT_EQ(CalibrationProgress(stage, sub), c.Progress) << c.Stage;
        EXPECT_EQ(CalibrationStatusText(stage, sub), c.Text);
    }
    TSimulatedCalibrationStatus sim;
    std::vector<int> stages;
    for (int i = 0; i < 200 && (stages.empty() || stages.back() != 255); ++i) {
        int stage = 0, sub = 0;
        SplitCalibrationStatus(sim.Next(), stage, sub);
        if (stages.empty() || stages.back() != stage) stages.push_back(stage);
    }
    EXPECT_EQ(stages, (std::vector<int>{0, 1, 10, 20, 30, 110, 120, 130, 200, 255}));
}

TEST(AutoCalibration, DueChecksCommitOnlyWhenARunStarts) {
    // Power-on only: one calibration, at the first check the window allows. Cancel ends each part.
    TAutoCalShell t(false);
    t.When(1);
    t.Shell.AppActive = false;
    t.Auto->CheckAutoCalibrationDue();
    EXPECT_TRUE(t.Messages.empty()) << "an inactive window starts nothing and keeps the power-on run";
    t.Shell.AppActive = true;
    t.TimerTick();
    EXPECT_FALSE(t.Shell.AutoCalRequest);
    ASSERT_EQ(t.Messages.size(), 2u) << "timebase and channel questions";
    EXPECT_EQ(t.Messages[0].rfind("Automatic calibration 0 min after power-on.\r\n", 0), 0u) << t.Messages[0];
    EXPECT_TRUE(t.Shell.AutoCalTimerEnabled) << "the timer runs again after the run";
    t.AdvanceMinutes(60);
    t.Auto->CheckAutoCalibrationDue();
    EXPECT_EQ(t.Messages.size(), 2u);

    // Period of 0.25 h: due again after 15 minutes, not after 14.
    t.When(2);
    t.Setting<TEditHandler>("Util:CalPeriod").SetValue(0.25);
    t.Auto->CheckAutoCalibrationDue();
    EXPECT_EQ(t.Messages.size(), 4u);
    t.AdvanceMinutes(14);
    t.Auto->CheckAutoCalibrationDue();
    EXPECT_EQ(t.Messages.size(), 4u);
    t.AdvanceMinutes(1);
    t.Auto->CheckAutoCalibrationDue();
    EXPECT_EQ(t.Messages.size(), 6u);

    // Temperature: a drift of 1.95 against a change of 2 is due; an unparsable temperature is not.
    TAutoCalShell c(true);
    c.When(4);
    c.Setting<TEditHandler>("Util:TempChange").SetValue(2);
    c.Fake.SetReply("Info:GetTemp?", "20");
    c.Auto->ReadReferenceTemperature();
    c.Fake.SetReply("Info:GetTemp?", "garbage");
    c.Auto->CheckAutoCalibrationDue();
    EXPECT_TRUE(c.Messages.empty());
    c.Fake.SetReply("Info:GetTemp?", "21.9");
    c.Auto->CheckAutoCalibrationDue();
    EXPECT_TRUE(c.Messages.empty());
    c.Fake.SetReply("Info:GetTemp?", "21.95");
    c.Auto->CheckAutoCalibrationDue();
    EXPECT_EQ(c.Messages.size(), 2u);
}

TEST(AutoCalibration, DemoRunsTimebaseThenChannelsAndKeepTheValues) {
    TAutoCalShell t(false);
    t.Adjust->ReadAdjustmentValues(0);
    const double bridge = t.Value("FLASH:Calibr:Ch1Full:BridgeVolt");
    t.Shell.ExecuteCommandString("FLASH:CALIBR:FINETB 20000");
    t.Shell.ExecuteCommandString("FLASH:CALIBR:COARSETB 4e-9");
    t.Adjust->FlashChange().SetCalibrChanged(false);
    t.Auto->RunCalibration(5, 0, false);
    EXPECT_TRUE(t.Auto->CalibrationRunning());
    t.Auto->Step();
    EXPECT_EQ(t.Auto->CoarseText(), "4.6001 ns");
    t.Auto->Step();
    EXPECT_NEAR(t.Value("FLASH:Calibr:CoarseTB"), 4.6e-9, 1e-15);
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 18333);
    EXPECT_EQ(t.Result(), 0);

    // The channel part: the measuring setup waits for one cycle, asking a Single.
    ASSERT_EQ(t.Auto->Part(), TCalPart::Channels);
    EXPECT_TRUE(t.Auto->ResidualCheckPending());
    EXPECT_TRUE(t.Shell.SingleOn);
    EXPECT_DOUBLE_EQ(t.Value("TB:ScaleA"), 1e-7);
    t.Shell.AcqCycle.Run(t.Shell);
    EXPECT_DOUBLE_EQ(t.Value("TB:ScaleA"), 2e-7) << "the setup is undone";
    std::vector<int> progress;
    t.StepToEnd(&progress);
    EXPECT_NE(std::find(progress.begin(), progress.end(), 40), progress.end());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(t.Auto->StatusText(), "OK");
    EXPECT_EQ(t.Result(), 0);
    EXPECT_DOUBLE_EQ(t.Value("FLASH:Calibr:Ch1Full:BridgeVolt"), bridge);
    EXPECT_TRUE(t.Adjust->FlashChange().CalibrChanged()) << "only the timebase values changed";

    TAutoCalShell b(false, 8);
    b.Auto->RunCalibration(2, 0, false);
    b.StepToEnd();
    EXPECT_EQ(b.Value("FLASH:Calibr:FineTB"), 36387);
}

TEST(AutoCalibration, InstrumentChannelRunFailures) {
    // A signal left on Ch2: nothing is started, result 2, the setup undone.
    TAutoCalShell t(true);
    TSignalObj& ch2 = t.Shell.Records()->Record(2);
    ch2.SetLength(100);
    for (int i = 0; i < 100; ++i) ch2.SetPoint(i, 0.5);
    t.Auto->RunCalibration(1, 0, false);
    t.Shell.AcqCycle.Run(t.Shell);
    EXPECT_FALSE(t.Auto->CalibrationRunning());
    EXPECT_EQ(t.Result(), 2);
    EXPECT_DOUBLE_EQ(t.Value("TB:ScaleA"), 2e-7);
    for (const std::string& line : t.Lines()) EXPECT_EQ(line.find("STARTAUTOCAL"), std::string::npos) << line;

    // A negative status: result 5, the values read again, the instrument told to abort.
    for (int i = 0; i < 100; ++i) ch2.SetPoint(i, 0);
    t.Fake.SetReply("CALIBR:SAMPLER:STATUSACAL?", std::to_string(CalibrationStatusWord(-3, 0)));
    t.Auto->RunCalibration(1, 0, false);
    t.Shell.AcqCycle.Run(t.Shell);
    EXPECT_TRUE(t.Fake.WaitForLine("CALIBR:SAMPLER:STARTAUTOCAL 0"));
    const std::size_t before = t.Lines().size();
    t.StepToEnd();
    EXPECT_EQ(t.Result(), 5);
    EXPECT_EQ(t.Auto->StatusText(), "Error code: -3.0");
    const auto after = t.Lines();
    EXPECT_NE(std::find(after.begin() + static_cast<long>(before), after.end(), "Calibr:ReRead?"), after.end());
    EXPECT_TRUE(t.Fake.WaitForLine("CALIBR:SAMPLER:STARTAUTOCAL -1"));

    // No cycle within 10 s fails the run and undoes the setup.
    t.Auto->RunCalibration(1, 0, false);
    t.Clock.Now += TAutoCalibration::CycleWaitMs;
    t.Auto->Step();
    EXPECT_FALSE(t.Auto->CalibrationRunning());
    EXPECT_EQ(t.Result(), 5);
    EXPECT_DOUBLE_EQ(t.Value("TB:ScaleA"), 2e-7);

    // A user's Cancel while the instrument calibrates sends the abort.
    TAutoCalShell u(true);
    u.User->Ok = true;
    u.Fake.SetReply("CALIBR:SAMPLER:STATUSACAL?", "1");
    u.Auto->RunCalibration(1, 0, true);
    u.Shell.AcqCycle.Run(u.Shell);
    u.Clock.Now += TAutoCalibration::StatusPollMs;
    u.Auto->Step();
    EXPECT_EQ(u.Auto->State(), TCalState::ChPolling);
    u.Auto->ClosePart(false);
    EXPECT_TRUE(u.Fake.WaitForLine("CALIBR:SAMPLER:STARTAUTOCAL -1"));
    EXPECT_EQ(u.Result(), 5);
}

TEST(AutoCalibration, ADueRunTellsASignalLeftOnAChannelAsideAndAUsersRunInItsBox) {
    // The due run finds the signal in the acquisition cycle, where nobody waits on a box; the run the
    // user started from the menu is told in its box. Either ends with result 2.
    for (const bool due : {true, false}) {
        SCOPED_TRACE(due ? "due" : "the user's");
        TAutoCalShell t(true);
        t.User->Ok = true;
        TSignalObj& ch2 = t.Shell.Records()->Record(2);
        ch2.SetLength(100);
        for (int i = 0; i < 100; ++i) ch2.SetPoint(i, 0.5);
        if (due) {
            // The power-on run: Cancel for the timebase part, OK for the channels'.
            t.User->Later = true;
            t.When(1);
            t.TimerTick();
            ASSERT_EQ(t.User->Pending.size(), 1u);
            t.User->Answer(false);
            ASSERT_EQ(t.User->Pending.size(), 1u);
            t.User->Answer(true);
        } else {
            t.Auto->RunCalibration(1, 0, true);
        }
        ASSERT_EQ(t.Auto->Part(), TCalPart::Channels);
        const std::size_t told = t.Messages.size();
        t.Shell.AcqCycle.Run(t.Shell);
        EXPECT_FALSE(t.Auto->CalibrationRunning());
        EXPECT_EQ(t.Result(), 2);
        // The values read again afterwards have messages of their own.
        const auto signalLeft = [](const std::vector<std::string>& lines) {
            std::vector<std::string> kept;
            for (const std::string& line : lines)
                if (line.find("remove the signal") != std::string::npos) kept.push_back(line);
            return kept;
        };
        const std::vector<std::string> boxes =
            signalLeft({t.Messages.begin() + static_cast<long>(told), t.Messages.end()});
        const std::vector<std::string> asides = signalLeft(t.User->Asides);
        const std::vector<std::string>& shown = due ? asides : boxes;
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].find("from Channel 2"), std::string::npos) << shown[0];
        EXPECT_EQ(due ? boxes : asides, std::vector<std::string>{});
    }
}

TEST(AutoCalibration, ADueRunAsksAsideAndTheDueCheckComesBack) {
    // The power-on run's questions wait aside: nothing of a part starts before its answer, OK starts
    // it, Cancel goes on to the next part; no second check comes while one waits.
    TAutoCalShell t(false);
    t.User->Later = true;
    t.When(1);
    t.TimerTick();
    ASSERT_EQ(t.User->Pending.size(), 1u);
    EXPECT_NE(t.Messages[0].find("Time Base Calibration"), std::string::npos) << t.Messages[0];
    EXPECT_TRUE(t.Auto->CalibrationRunning());
    EXPECT_EQ(t.Auto->Part(), TCalPart::None) << "nothing started before the answer";
    EXPECT_FALSE(t.Shell.AutoCalTimerEnabled);
    t.TimerTick();
    EXPECT_EQ(t.User->Pending.size(), 1u) << "asked once";
    t.User->Answer(true);
    EXPECT_EQ(t.Auto->Part(), TCalPart::Timebase);
    t.Auto->Step();
    t.Auto->Step();
    EXPECT_EQ(t.Auto->State(), TCalState::WaitClose) << "the result stays until the user closes it";
    t.Auto->ClosePart(true);
    ASSERT_EQ(t.User->Pending.size(), 1u);
    EXPECT_NE(t.Messages[1].find("Channels Calibration"), std::string::npos) << t.Messages[1];
    t.User->Answer(false);
    EXPECT_FALSE(t.Auto->CalibrationRunning());
    EXPECT_EQ(t.Result(), 0) << "the timebase part succeeded";
    EXPECT_DOUBLE_EQ(t.Value("TB:ScaleA"), 2e-7) << "the channel part set nothing up";
    EXPECT_TRUE(t.Shell.AutoCalTimerEnabled) << "the timer runs again after the run";

    // A question still waiting when its instrument stops ends the run; its late OK starts nothing.
    TAutoCalShell s(false);
    s.User->Later = true;
    s.Auto->RunCalibration(2, 0, true);
    EXPECT_TRUE(s.User->Pending.empty()) << "a run the user started asks in its modal question";
    EXPECT_EQ(s.Messages.size(), 1u);
    s.When(1);
    s.TimerTick();
    ASSERT_EQ(s.User->Pending.size(), 1u);
    s.Auto->InstrumentStopped(s.Shell);
    EXPECT_FALSE(s.Auto->CalibrationRunning());
    s.User->Answer(true);
    EXPECT_EQ(s.Auto->Part(), TCalPart::None);
    EXPECT_FALSE(s.Auto->CalibrationRunning());

    // A check with nothing due starts the timer again for the next one, as the tick left it off.
    t.Shell.AutoCalTimerEnabled = false;
    t.TimerTick();
    EXPECT_TRUE(t.User->Pending.empty());
    EXPECT_TRUE(t.Shell.AutoCalTimerEnabled);
}

// A script's run holds its reply until the run has ended: empty on success, else the failure's text
// on one line; a second run asked meanwhile starts nothing and replies "ERROR".
TEST(AutoCalibration, AScriptsRunRepliesAtItsEndWithItsFailure) {
    struct TCase {
        const char* Name;
        bool Connected;
        int Kind;
        double Ch2Level;           // the residual signal left on Ch2
        const char* StatusWord;    // the instrument's status reply; null: no acquisition cycle comes
        const char* Reply;
    };
    const std::string negative = std::to_string(CalibrationStatusWord(-3, 0));
    const std::vector<TCase> cases = {
        {"demo channels", false, 1, 0, "", ""},
        {"demo timebase", false, 2, 0, "", ""},
        {"signal left on Ch2", true, 1, 0.5, "", "You did not remove the signal from Channel 2. Calibration canceled."},
        {"negative status", true, 1, 0, negative.c_str(), "Calibration failed (Error code: -3.0)"},
        {"no cycle", true, 1, 0, nullptr, "Calibration failed"},
        {"timebase not measured", true, 2, 0, "", "Calibration failed"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TAutoCalShell t(c.Connected);
        std::vector<std::string> replies;
        t.Shell.DeferRemoteReply = [&replies] {
            return [&replies](const std::string& text) { replies.push_back(text); };
        };
        TSignalObj& ch2 = t.Shell.Records()->Record(2);
        ch2.SetLength(100);
        for (int i = 0; i < 100; ++i) ch2.SetPoint(i, c.Ch2Level);
        if (c.StatusWord && *c.StatusWord) t.Fake.SetReply("CALIBR:SAMPLER:STATUSACAL?", c.StatusWord);
        else t.Fake.SetReply("CALIBR:SAMPLER:STATUSACAL?", "255");
        t.Fake.SetReply("CALIBR:TB:MEASTGUN?", "garbage");
        t.Auto->RunCalibration(c.Kind, 0, false);
        ASSERT_TRUE(t.Auto->CalibrationRunning());
        t.Auto->RunCalibration(c.Kind, 0, false);
        EXPECT_EQ(replies, std::vector<std::string>{"ERROR"}) << "the second run";
        if (c.Kind == 1 && c.StatusWord) t.Shell.AcqCycle.Run(t.Shell);
        if (c.StatusWord) {
            t.StepToEnd();
        } else {
            t.Clock.Now += TAutoCalibration::CycleWaitMs;
            t.Auto->Step();
        }
        EXPECT_FALSE(t.Auto->CalibrationRunning());
        EXPECT_EQ(replies, (std::vector<std::string>{"ERROR", c.Reply}));
    }
}
