#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "acq/PatternLengthList.h"
#include "acq/ReferenceSine.h"
#include "acq/SignalObj.h"
#include "core/TextFiles.h"
#include "core/temp_folder.h"

using namespace vt;

// The list file as users edit it by hand, the dialog's items, and the write that the next start reads
// back whole.
TEST(PatternLengthList, FileAndDialogItemsAgree) {
    test::TempFolder folder;
    const auto file = folder / PatternLengthListFile;
    WriteFileAtomic(file, "127\n 511 comment\nabc\n");
    EXPECT_EQ(ReadPatternLengthList(file), (std::vector<int>{127, 511, 0}));
    EXPECT_TRUE(ReadPatternLengthList(folder / "missing.lst").empty());

    TPatternLengthItems items({511, 100, 127, 128});
    EXPECT_EQ(items.Items(), (std::vector<std::string>{"100", "127   (2^7-1)", "128   (2^7)", "511   (2^9-1)"}));
    EXPECT_FALSE(items.Changed());
    EXPECT_EQ(items.Add("30"), "PattLMustBe31to65535");
    EXPECT_FALSE(items.CanAdd("127")) << "already listed";
    EXPECT_TRUE(items.CanAdd("255"));
    EXPECT_EQ(items.Add("127"), "");
    EXPECT_FALSE(items.Changed()) << "adding a present number does nothing";
    items.DeleteAll();
    items.AddTypical();
    ASSERT_EQ(items.Items().size(), 18u);
    EXPECT_EQ(items.Items().front(), "127    (2^7-1)");
    EXPECT_EQ(items.Items().back(), "32768    (2^15)");
    EXPECT_EQ(items.Delete(17), 16) << "the last one goes: the new last is selected";
    EXPECT_EQ(items.Delete(0), 0);

    // Written ascending without duplicates; a list at the limit is read back whole, one beyond is not.
    WritePatternLengthList(file, {300, 127, 300, 64});
    EXPECT_EQ(ReadFileBytes(file), "64\n127\n300\n");
    TPatternLengthItems many({});
    for (int n = 31; !many.Full(); ++n) many.Add(std::to_string(n));
    EXPECT_FALSE(many.CanAdd("60000")) << "the dialog holds no more than the reader takes";
    WritePatternLengthList(file, many.Values());
    EXPECT_EQ(ReadPatternLengthList(file).size(), static_cast<std::size_t>(MaxPatternLengths));
    WriteFileAtomic(file, ReadFileBytes(file) + "70000\n");
    EXPECT_TRUE(ReadPatternLengthList(file).empty());
}

// A fitted 1 GHz reference re-times samples; a flat one corrects nothing.
TEST(ReferenceSine, FitsThePhaseAndCorrectsTimes) {
    constexpr double Pi = std::numbers::pi;
    std::vector<double> y(1024);
    const double dt = 2e-12, t0 = 0;
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = std::sin(2 * Pi * 1e9 * (static_cast<double>(i) * dt + t0));
    const TRefSine sine(y, t0, dt, 1e9);
    EXPECT_NEAR(sine.Amplitude(), 1, 1e-4);
    EXPECT_NEAR(sine.Phase(), 0, Pi / 512);
    double t = 0;
    ASSERT_TRUE(sine.CorrectTime(0.5, 0.05e-9, t));
    EXPECT_NEAR(t, 8.3333e-11, 1e-14 + std::fabs(sine.Phase()) / sine.Omega());
    ASSERT_TRUE(sine.CorrectTime(0.5, 0.45e-9, t));
    EXPECT_NEAR(t, 4.1667e-10, 1e-14 + std::fabs(sine.Phase()) / sine.Omega());
    EXPECT_FALSE(sine.CorrectTime(0.9, 0.2e-9, t)) << "near the crest the sine is too flat";

    // Ch1 re-timed by Ch2: a reference running one sample late moves each value one sample earlier.
    TSignalObj ch1, ch2, f4;
    ch1.SetLength(1024), ch2.SetLength(1024);
    ch1.SetSampleInterval(dt), ch2.SetSampleInterval(dt);
    for (int i = 0; i < 1024; ++i) {
        ch1.SetPoint(i, i);
        ch2.SetPoint(i, std::sin(2 * Pi * 1e9 * (i - 1) * dt));
    }
    ResampleByRefSine(sine, ch1, ch2, f4);
    int moved = 0;
    for (int i = 0; i < 1023; ++i) moved += f4.GetPoint(i) == i + 1;
    EXPECT_GT(moved, 500) << "the steep parts re-timed";

    const std::vector<double> flat(1024, 0.25);
    const TRefSine none(flat, 0, dt, 1e9);
    EXPECT_FALSE(none.CorrectTime(0.25, 1e-10, t));
    ResampleByRefSine(none, ch1, ch2, f4);
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(f4.GetPoint(i), i);
}
