// The display pass's TDR measurements on a scripted channel record.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SerialTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Shell.h"
#include "core/UserServices.h"
#include "serial/TdrSettings.h"

namespace vt {
namespace {

struct TMessageRecorder : TUserServices {
    std::vector<std::string>* Messages = nullptr;
    // The pass runs in the idle step: its warning is a box that holds nothing.
    void ShowNonModalError(const std::string& text) override { Messages->push_back(text); }
    void CloseNonModalError(const std::string& text) override { Messages->push_back("closed: " + text); }
};

TEST(TdrMeasurementPass, WarnsOnceOnAnUncalibratedChannelThenMeasuresEachNewRecordOnce) {
    TShell shell;
    std::vector<std::string> messages;
    auto user = std::make_unique<TMessageRecorder>();
    user->Messages = &messages;
    shell.SetUserServices(std::move(user));
    test::SetUpTdrShell(shell);
    TTdrSettings settings(shell);
    settings.CreateTDRHandlers();
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };
    run("TDR:Mode TDR");
    run("TDR:Measure ON");
    run("TDR:Ch1:TdrParams MinReflect,MaxReflect");
    const TTdrSettings::TChannelHandlers& ch1 = settings.Channel(TdrChannel1);
    ch1.BaseLine->SetValue(-0.2);
    ch1.RefAmpl->SetValue(0.1);
    ASSERT_TRUE(settings.IsTdrActive());
    ASSERT_TRUE(settings.MeasureOn());

    // A positive step from the baseline, one reference amplitude high, across the whole record.
    shell.Records()->SignalsOn().SetOn(ssCh1, true);
    TSignalObj& r = shell.Records()->Record(ssCh1);
    r.SetLength(1024);
    r.SetSampleInterval(1e-11);
    for (int i = 0; i < 1024; ++i) r.SetPoint(i, i < 300 ? -0.2 : -0.1);
    r.SetChangedFlags();

    TReflectParam& minP = settings.Params.Param(TdrSideReflection, 0);
    TReflectParam& maxP = settings.Params.Param(TdrSideReflection, 1);
    ASSERT_EQ(maxP.Item, tdrMaxReflect);
    // The first pass on the uncalibrated channel warns once and measures nothing.
    settings.RecalcTdrReflections();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Perform the TDR calibration before TDR measurements on Channel 1.");
    EXPECT_EQ(maxP.Stat.Count, 0);
    // The record was consumed: nothing new, nothing measured.
    settings.RecalcTdrReflections();
    EXPECT_EQ(maxP.Stat.Count, 0);
    // A new record is measured: 100 % and 0 % of the reference step; no second warning.
    r.SetChangedFlags();
    settings.RecalcTdrReflections();
    EXPECT_EQ(messages.size(), 1u);
    ASSERT_EQ(maxP.Stat.Count, 1);
    EXPECT_NEAR(maxP.Value, 100.0, 1e-9);
    EXPECT_EQ(maxP.Unit, "%");
    ASSERT_EQ(minP.Stat.Count, 1);
    EXPECT_NEAR(minP.Value, 0.0, 1e-9);
    // The next record peaks at 120 %: the statistics hold both.
    r.SetPoint(700, -0.08);
    r.SetChangedFlags();
    settings.RecalcTdrReflections();
    ASSERT_EQ(maxP.Stat.Count, 2);
    EXPECT_NEAR(maxP.Stat.Mean, 110.0, 1e-6);
    EXPECT_NEAR(maxP.Stat.Max, 120.0, 1e-6);
    EXPECT_EQ(maxP.Annotation.Point, 700);
    // With the measurement off nothing is measured, and the warning's box, its cause gone, closes.
    run("TDR:Measure OFF");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "closed: " + messages[0]);
    r.SetChangedFlags();
    settings.RecalcTdrReflections();
    EXPECT_EQ(maxP.Stat.Count, 2);
    // On again, the channel still uncalibrated: no second warning in this mode; another mode warns anew,
    // and the channel's calibration closes that box.
    run("TDR:Measure ON");
    r.SetChangedFlags();
    settings.RecalcTdrReflections();
    EXPECT_EQ(messages.size(), 2u);
    run("TDR:Mode TDT");
    run("TDR:Mode TDR");
    run("TDR:Measure ON");
    r.SetChangedFlags();
    settings.RecalcTdrReflections();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2], messages[0]);
    settings.SetCalibrated(TdrChannel1, true);
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3], "closed: " + messages[0]);
}

}  // namespace
}  // namespace vt
