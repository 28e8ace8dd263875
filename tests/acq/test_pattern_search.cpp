// The pattern search's run analysis: changes between high and low runs (middle points end none, runs
// cut by the record's ends have no length) and the divider the change count asks for.
#include <gtest/gtest.h>

#include <vector>

#include "acq/PatternSearch.h"

using namespace vt;

TEST(PatternSearch, TransitionsAndDividers) {
    // low 3 (cut), high 5 with a middle point inside, low 2, high 4 (cut at the end).
    const std::vector<double> y{0, 0, 0, 1, 1, 0.5, 1, 1, 0, 0.5, 1, 1, 1, 1};
    const TTransitions t = CountTransitions(y.data(), static_cast<int>(y.size()), 2.0 / 3, 1.0 / 3);
    EXPECT_EQ(t.Changes, 3);
    EXPECT_EQ(t.ShortestHigh, 5);
    EXPECT_EQ(t.ShortestLow, 2);
    EXPECT_EQ(CountTransitions(y.data(), 3, 2.0 / 3, 1.0 / 3).Changes, 0);
    EXPECT_EQ(DividerForChanges(50), 1);
    EXPECT_EQ(DividerForChanges(51), 2);
    EXPECT_EQ(DividerForChanges(150), 4);
    EXPECT_EQ(DividerForChanges(201), 8);
}

#include <cmath>

#include "AcqTestSupport.h"
#include "acq/RefSineCapture.h"
#include "acq/SignalObj.h"
#include "core/CommandTree.h"

// 1.25 GHz divided by 8 is 156.25 MHz: two periods across the screen at 1 ns/div. Ch2's reference is
// averaged over 127 acquisitions, then fitted.
TEST(PatternSearch, RefSineCaptureAveragesThenFits) {
    EXPECT_DOUBLE_EQ(RefSineTimeScale(1.25e9, 8), 1e-9);
    test::TAcqContext c;
    c.Register();
    // F4's settings as the math functions register them.
    TSpider& root = c.Shell.CommandTree()->Root();
    TRadioSwHandler& operat = root.AddRadioHandler(
        "F4:Operat", {.Items = "Add,Sub,Mult,Div,Invert,Abs,Exp_e,Exp_10,Log_e,Log_10,Dif_al,Int_al,IFFT,LinInt,"
                               "SinInt,Smooth,Trend,nnn,mmm",
                      .Initial = 3});
    TOnOffHandler& display = root.AddOnOffHandler("F4:Display", {});
    TRefSineCapture capture(c.Shell);
    capture.StartRefSineCapture();
    ASSERT_TRUE(capture.Capturing());
    const double f = 156.25e6, dt = 1e-11;
    TSignalObj& ch2 = c.Shell.Records()->Record(ssCh2);
    ch2.SetLength(1024);
    ch2.SetSampleInterval(dt);
    ch2.SetOrigin(0);
    for (int k = 0; k < RefSineCaptureCount; ++k) {
        // Noise of alternating sign averages away.
        for (int i = 0; i < 1024; ++i) ch2.SetPoint(i, 0.2 * std::sin(2 * M_PI * f * i * dt + 0.3) + (k % 2 ? 0.01 : -0.01));
        EXPECT_TRUE(capture.Capturing()) << k;
        capture.RefSineCaptureStep();
    }
    EXPECT_FALSE(capture.Capturing());
    ASSERT_NE(capture.Sine(), nullptr);
    EXPECT_NEAR(capture.Sine()->Omega(), 2 * M_PI * f, 1);
    EXPECT_NEAR(capture.Sine()->Amplitude(), 0.2, 0.002);
    EXPECT_NEAR(capture.Sine()->Phase(), 0.3, M_PI / 256);
    EXPECT_EQ(operat.GetItemIndex(), 18);  // mmm
    EXPECT_TRUE(display.GetOn());
    capture.StopRefSineCapture();
    EXPECT_EQ(capture.Sine(), nullptr);
    EXPECT_EQ(operat.GetItemIndex(), 0);  // Add
    EXPECT_FALSE(display.GetOn());
}
