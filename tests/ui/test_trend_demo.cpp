// The trend operator in the demo program on the real engine: F1 the Period trend of Ch1 (the 100 MHz
// sine), F2 the PosWidth trend of Ch2 (its 1 ns pulse), both drawn while the acquisition runs.
// screenshots/trend_demo.png: the two trends under the channels.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"

namespace vt {
namespace {

bool Shown(TSignalRecords& r, int s) { return r.State(s) == srcUpToDate || r.State(s) == srcFresh; }

struct TSpan {
    double Lo = 1, Hi = -1;
    std::string Unit;
};

TSpan SpanOf(const TSignalObj& f) {
    TSpan s{1e300, -1e300, f.GetVertUnitRaw()};
    for (int i = 0; i < f.Length(); ++i) s.Lo = std::min(s.Lo, f.GetPoint(i)), s.Hi = std::max(s.Hi, f.GetPoint(i));
    return s;
}

TEST(TrendDemo, PeriodAndWidthTrendsOfTheDemoChannels) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    rig.RunSteps(180000, [&] {
        TSignalRecords& r = *shell.Records();
        ASSERT_TRUE(rig.Until([&] { return Shown(r, ssCh1) && Shown(r, ssCh2); }));
        for (const char* line : {"F1:Operat Trend", "F1:Source1 Ch1", "F1:TrendMeas Period", "F1:Display On",
                                 "F2:Operat Trend", "F2:Source1 Ch2", "F2:TrendMeas PosWidth", "F2:Display On"})
            shell.ExecuteCommandString(line);
        ASSERT_TRUE(rig.Until([&] {
            return Shown(r, ssF1) && Shown(r, ssF2) && r.Record(ssF1).GetVertUnitRaw() == "s" &&
                   r.Record(ssF2).GetVertUnitRaw() == "s";
        }));
        ASSERT_TRUE(rig.CountOn(3));
        // Every point holds the period of its cycle of the 100 MHz sine, and the 1 ns width of the pulse.
        const TSpan period = SpanOf(r.Record(ssF1)), width = SpanOf(r.Record(ssF2));
        EXPECT_EQ(period.Unit, "s");
        EXPECT_GE(period.Lo, 10e-9 * 0.98);
        EXPECT_LE(period.Hi, 10e-9 * 1.02);
        EXPECT_GE(width.Lo, 1e-9 * 0.95);
        EXPECT_LE(width.Hi, 1e-9 * 1.05);
        EXPECT_TRUE(shell.Display().SignalLayerDrawn(ssF1) && shell.Display().SignalLayerDrawn(ssF2));
        QCoreApplication::processEvents();
        test::SaveScreenshot(*test::ShownMainWindow(), "trend_demo.png");
    });
    for (const std::string& asked : rig.Dialogs.Asked) ADD_FAILURE() << asked;
}

}  // namespace
}  // namespace vt
