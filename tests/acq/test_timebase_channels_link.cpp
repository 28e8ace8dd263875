// The timebase and the channels against the fake instrument: the model's largest time scale, the
// commands each change sends, and the resend of every setting through the settings they answer.
#include <gtest/gtest.h>

#include <memory>

#include "acq/SignalSources.h"
#include "acq/TimebaseChannels.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "link/LinkTestSupport.h"
#include "support/FakeInstrument.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TTimebaseOnFake {
    TTimebaseOnFake() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(FastTiming(Fake.Port()), &Clock)));
        Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), Folder.Path())));
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Shell.Identity()->Identity)));
        Feature = std::make_unique<TTimebaseChannelsFeature>(Shell);
        Feature->FillRows(Shell);
        Feature->AttachToProgram(Shell);
        RegisterAllCommandHandlers(Shell);
    }
    void SetVersions(const char* sw, const char* fpga) {
        TInstrumentIdentity& id = Shell.Identity()->Identity;
        id.SWVersion.Text = sw;
        ParseVersionString(id.SWVersion);
        id.FPGAVersion.Text = fpga;
        ParseVersionString(id.FPGAVersion);
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    // The lines the fake received from line `from` on, once `count` of them arrived.
    std::vector<std::string> LinesFrom(std::size_t from, std::size_t count) {
        Fake.WaitUntil([&] { return Fake.Lines().size() >= from + count; });
        const std::vector<std::string> all = Fake.Lines();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
    }

    TempFolder Folder;
    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    TShell Shell;
    std::unique_ptr<TTimebaseChannelsFeature> Feature;
};

using TLines = std::vector<std::string>;

}  // namespace

TEST(TimebaseChannelsOnFake, LargestTimeScaleFollowsTheFirmware) {
    TTimebaseOnFake t;
    TDoubleEditHandler& a = *t.Feature->Timebase().Scale(huTime, 0);
    RegisterLateCommandHandlers(t.Shell);
    EXPECT_DOUBLE_EQ(a.MaxValue(), 5e-2) << "no instrument";
    ASSERT_TRUE(t.Shell.Link()->OpenInstrumentLink(false, Loopback()));
    t.SetVersions("3.7.3 (1 Jan 2010)", "0.3");
    t.Feature->Timebase().ApplyTimebaseModelLimits();
    EXPECT_DOUBLE_EQ(a.MaxValue(), 2e-3);
    t.Run("TB:ScaleA 1");
    EXPECT_DOUBLE_EQ(a.GetValue(), 2e-3);
    t.SetVersions("3.7.4 (1 Jan 2010)", "0.2");
    t.Feature->Timebase().ApplyTimebaseModelLimits();
    EXPECT_DOUBLE_EQ(a.MaxValue(), 2e-3);
    t.SetVersions("3.7.4 (1 Jan 2010)", "0.3");
    t.Feature->Timebase().ApplyTimebaseModelLimits();
    EXPECT_DOUBLE_EQ(a.MaxValue(), 5e-2);
}

TEST(TimebaseChannelsOnFake, EachChangeSendsItsCommandAndTheResendSendsEverything) {
    TTimebaseOnFake t;
    ASSERT_TRUE(t.Shell.Link()->OpenInstrumentLink(false, Loopback()));
    UpdateUiForInstrument(t.Shell, {});
    ASSERT_TRUE(t.Fake.WaitForLine("TB:DELAY 0"));  // the refresh's last line
    std::size_t from = t.Fake.Lines().size();
    t.Run("TB:ScaleA 2e-8");
    t.Run("TB:ScaleB 5e-9");  // mode A: the B scale does not reach the instrument
    t.Run("TB:Mode B");
    t.Run("TB:Delay 6e-8");  // typed in seconds: 3 divisions of A
    t.Run("TB:Mode A");
    // The refresh at the start sent a delay of 0 already: it is not sent again.
    EXPECT_EQ(t.LinesFrom(from, 6), (TLines{"TB:TIMEDIV 2E-8", "TB:TIMEDIV 5E-9", "TB:DELAY 4E-8", "TB:DELAY 6E-8",
                                           "TB:TIMEDIV 2E-8", "TB:DELAY 0"}));

    from = t.Fake.Lines().size();
    t.Run("Ch1:Band Narrow");
    t.Run("Ch1:Offset 0.1");  // typed as shown: the input's offset is -0.1, compensated by +0.1
    t.Run("Ch1:Display Off;Acquire Off");
    t.Run("Ch2:Display Off;Acquire Off");
    EXPECT_EQ(t.LinesFrom(from, 4),
              (TLines{"Ch1:Band Narrow", "Ch1:Comp 0.1", "Acq:Channels Ch2", "Acq:Channels Ch1"}));

    // The resend moves every setting away and back through its handler.
    EXPECT_DOUBLE_EQ(t.Feature->TBDelay(), 3);
    from = t.Fake.Lines().size();
    ASSERT_TRUE(t.Shell.Senders()->ResendInstrumentSettings());
    // Mode A: the delay stays 0, which the instrument holds already.
    EXPECT_EQ(t.LinesFrom(from, 4), (TLines{"Ch1:Comp 0.1", "Ch2:Comp 0", "TB:TIMEDIV 8E-10", "TB:TIMEDIV 2E-8"}));
    EXPECT_DOUBLE_EQ(t.Feature->TBScaleA(), 2e-8);
    EXPECT_DOUBLE_EQ(t.Feature->TBScaleB(), 5e-9);
    EXPECT_DOUBLE_EQ(t.Feature->TBDelay(), 3);
    EXPECT_DOUBLE_EQ(t.Feature->TrigHoldoff(), 1e-5) << "no trigger yet: its start value";
}
