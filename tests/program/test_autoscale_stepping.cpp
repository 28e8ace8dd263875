// A script's autoscale in a program composed without the autoscale's window part: no form exists to
// step it, so its trigger-level trials go on only through the program's idle pass, which asks to be
// woken while a trial waits on the link clock.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "acq/TriggerTestSupport.h"
#include "acq/Autoscale.h"
#include "acq/HistogramObjects.h"
#include "acq/MainCommands.h"
#include "acq/SignalObj.h"
#include "program/ProgramLife.h"

namespace vt {
namespace {

struct TStartsTheRun : TMainCommandSteps {
    explicit TStartsTheRun(TAutoScale& run) : Run(run) {}
    bool StartAutoScale(int kind) override { return Run.StartAutoScale(kind); }
    TAutoScale& Run;
};

TEST(AutoscaleInProgram, AScriptsLevelSearchRepliesThroughTheIdlePassAlone) {
    test::TTrigOnFake t;
    t.Shell.SetFullHist(MakeOwnedPart(std::make_unique<TFullHist>()));
    TAutoScale run(t.Shell, t.Trig, &t.Timebase.Timebase());
    TProgramLife life(t.Shell);
    life.Install(run);
    TMainCommandWindow window;
    TStartsTheRun steps(run);
    RegisterMainCommands(t.Shell, window, steps);
    std::optional<std::string> reply;
    t.Shell.DeferRemoteReply = [&reply] { return [&reply](const std::string& text) { reply = text; }; };
    t.Fake.SetReply("Trig:GetTrigOn?", "TRIG_OFF");
    t.Run("Ch2:Display OFF");

    ASSERT_EQ(t.Run("*AUTOSCALE"), "") << "the reply is held while the run goes on";
    ASSERT_TRUE(run.Running());
    // One acquisition of a signal that fills the screen ends the amplitude part.
    TSignalObj& ch1 = t.Shell.Records()->Record(ssCh1);
    ch1.SetLength(1024);
    ch1.SetSampleInterval(t.Value("TB:ScaleA") / 102.4);
    ch1.SetVertScale(t.Value("Ch1:Scale"));
    ch1.SetVertOffset(-t.Value("Ch1:Offset"));
    for (int i = 0; i < 1024; ++i) ch1.SetPoint(i, 0.3 * std::sin(i * 0.37));
    t.Shell.AcqCycle.Run(t.Shell);
    ASSERT_EQ(run.State(), 2) << "the trigger-level search";

    // Nothing but idle passes from here, the clock moved by the wait each pass asks for.
    const int asked = t.Count("Trig:GetTrigOn?");
    EXPECT_EQ(t.Shell.TakeIdleWake(), 0) << "the search begins at the next pass";
    int passes = 0;
    while (!reply && passes++ < 100000) {
        life.IdleStep();
        const int wake = t.Shell.TakeIdleWake();
        if (reply) break;
        ASSERT_GT(wake, 0) << "a waiting trial is woken by the clock, not by spinning";
        t.Clock.Now += wake;
    }
    ASSERT_TRUE(reply.has_value()) << "the search is stepped by the idle pass";
    EXPECT_EQ(*reply, t.Shell.LangStr("TriggerNotFound"));
    EXPECT_FALSE(run.Running());
    // Every level tried, each asked twice: -32 mV, then the scan's halving passes down to 32 mV steps
    // (1, 2, 4, 8, 16 new levels a side).
    const int trials = 1 + 2 * (1 + 2 + 4 + 8 + 16);
    EXPECT_TRUE(t.Fake.WaitUntil([&] { return t.Count("Trig:GetTrigOn?") >= asked + 2 * trials; }));
}

}  // namespace
}  // namespace vt
