// The measurement statistics with their histicon on the real panel's bottom strip: waiting, freezing
// and binning in the three modes, the constant signal's width, the weight's scaling back, and the
// incremental drawing of the columns.
#include <gtest/gtest.h>

#include "MeasListTestSupport.h"

#include <QGuiApplication>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "acq/SignalSources.h"
#include "analysis/HisticonStatistics.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/Histicon.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenColors.h"

using namespace vt;

namespace {

constexpr TColor IconColour{0x00FF00};

struct TOwner : THisticonOwner {
    TColor SourceRGB(int) const override { return IconColour; }
    std::string GetMeasLabel(int slot) const override { return "Ampl" + std::to_string(slot); }
};

struct TIconRig {
    TIconRig() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        TDisplayFeature().FillRows(Shell);
        TAnalysisFeature().FillRows(Shell);
        RegisterAllCommandHandlers(Shell);
        Display = dynamic_cast<TScopeDisplayServices*>(&Shell.Display());
        Display->CreatePanel();
        Display->PlacePanel(0, 0, 600, 800);
        Strip().TextWatch = [this](const TPixelRect& rect, const std::string& text, TColor) {
            Texts.push_back({rect.Left, text});
        };
    }
    TNizText& Strip() { return Display->Panel()->BottomStrip(); }
    // A fresh statistics object with its icon shown in the row.
    std::unique_ptr<TStatH> Stat(int row = 0) {
        auto s = std::make_unique<TStatH>(Shell, Owner);
        s->PlaceHisticon(row);
        s->SetHisticonShown(true);
        return s;
    }
    std::vector<std::uint32_t> Pixels() {
        std::vector<std::uint32_t> p;
        const TSLBMP& b = Strip().Bitmap();
        for (int y = 0; y < b.Height(); ++y) p.insert(p.end(), b.Row(y), b.Row(y) + b.Width());
        return p;
    }
    // The painted height of the icon's column k, counted from the base line up.
    int PaintedHeight(const THisticon& icon, int k) {
        int h = 0;
        while (h < 16 && Strip().Bitmap().Pixel(icon.OriginX() + k, icon.BaseY() - h - 1) == IconColour) ++h;
        return h;
    }

    test::TMeasListGuiApp App;
    TShell Shell;
    TOwner Owner;
    TScopeDisplayServices* Display = nullptr;
    std::vector<std::pair<int, std::string>> Texts;
};

double SampleDeviation(const std::vector<double>& v) {
    double mean = 0;
    for (double x : v) mean += x;
    mean /= static_cast<double>(v.size());
    double ss = 0;
    for (double x : v) ss += (x - mean) * (x - mean);
    return std::sqrt(ss / static_cast<double>(v.size() - 1));
}

}  // namespace

TEST(HisticonStatistics, PermanentWaitsFreezesBinsAndDrawsOnlyWhatChanges) {
    TIconRig rig;
    auto s = rig.Stat(0);
    const THisticon& icon = *s->Histicon();
    EXPECT_EQ(icon.Rect(), (TPixelRect{238, 16, 375, 32}));
    EXPECT_EQ(icon.OriginX(), 299);
    EXPECT_EQ(icon.BaseY(), 31);
    EXPECT_EQ(icon.Label(), "Ampl0");

    // 0, 1, ..., 127 spread evenly: mean 63.5 and a sample deviation taken here by its formula.
    std::vector<double> values;
    for (int i = 0; i < 127; ++i) {
        values.push_back(i);
        s->AddValue(i);
    }
    EXPECT_FALSE(s->HistReady);
    ASSERT_FALSE(rig.Texts.empty());
    EXPECT_EQ(rig.Texts.back().second, rig.Shell.LangStr("Wait__"));
    EXPECT_TRUE(icon.TextShown());
    values.push_back(127);
    s->AddValue(127);
    ASSERT_TRUE(s->HistReady);
    EXPECT_FALSE(icon.TextShown());
    EXPECT_DOUBLE_EQ(s->Centre, 63.5);
    const double sigma = SampleDeviation(values);
    EXPECT_NEAR(s->Sigma, sigma, 1e-9);
    // Only the 128th value is binned: 63.5 / sigma × 5 above the centre.
    const int k128 = static_cast<int>(std::lround(63.5 / sigma * 5));
    EXPECT_EQ(s->LastBinned, k128);
    EXPECT_FLOAT_EQ(s->Bin(k128), 1);
    EXPECT_EQ(rig.PaintedHeight(icon, k128), 14);

    // The bracket in the graticule colour: both ends 6 rows high, the base line between.
    const TColor grat(rig.Display->Colors().ColorValue(ceGraticule) & 0xFFFFFFu);
    const TSLBMP& b = rig.Strip().Bitmap();
    for (int y = 26; y <= 31; ++y) {
        EXPECT_EQ(b.Pixel(238, y), grat);
        EXPECT_EQ(b.Pixel(360, y), grat);
    }
    for (int x = 238; x <= 360; ++x) EXPECT_EQ(b.Pixel(x, 31), grat);
    EXPECT_NE(b.Pixel(238, 25), grat);
    EXPECT_NE(b.Pixel(361, 31), grat);

    // The centre's bin takes two values: the peak moves there and only the changed pixels are touched.
    s->AddValue(63.5);
    auto before = rig.Pixels();
    s->AddValue(63.5);
    auto after = rig.Pixels();
    std::map<int, int> changed;  // column -> pixels changed
    const int width = b.Width();
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] != after[i]) ++changed[static_cast<int>(i) % width];
    }
    // The centre's column stays at full height (one value of a peak of one, then the peak itself);
    // the 128th value's column falls from 14 to 7, and those 7 pixels are all that change.
    EXPECT_EQ(rig.PaintedHeight(icon, 0), 14);
    EXPECT_EQ(rig.PaintedHeight(icon, k128), 7);
    EXPECT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[299 + k128], 7);

    // Another row moves the icon; hiding and showing draws it whole again.
    s->PlaceHisticon(2);
    EXPECT_EQ(icon.Rect(), NizCellRect(2, 45));
    EXPECT_FALSE(icon.Drawn());
    s->AddValue(63.5);
    EXPECT_TRUE(icon.Drawn());
    EXPECT_EQ(rig.PaintedHeight(icon, 0), 14);

    // A mode change waits again and keeps the mean of the values taken.
    const double mean = s->Mean;
    s->SetStatMode(0, 500);
    EXPECT_EQ(s->N, 128);  // unchanged: nothing happens
    EXPECT_TRUE(s->HistReady);
    s->SetStatMode(1, 3);
    EXPECT_EQ(s->N, 8);
    EXPECT_FALSE(s->HistReady);
    EXPECT_DOUBLE_EQ(s->PrevMean, mean);
    EXPECT_EQ(rig.Texts.back().second, rig.Shell.LangStr("Wait__"));
    s->SetStatMode(1, 9000);
    EXPECT_EQ(s->N, 8192);
    s->SetStatMode(0, 9000);
    EXPECT_EQ(s->N, 128);
}

TEST(HisticonStatistics, WindowBinsTheRingAndForgetsWhatLeavesIt) {
    TIconRig rig;
    auto s = rig.Stat(1);
    s->SetStatMode(1, 8);
    const std::vector<double> first = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < 7; ++i) s->AddValue(first[static_cast<std::size_t>(i)]);
    EXPECT_FALSE(s->HistReady);
    s->AddValue(8);
    ASSERT_TRUE(s->HistReady);
    EXPECT_DOUBLE_EQ(s->Centre, 4.5);
    const double sigma = SampleDeviation(first);
    EXPECT_NEAR(s->Sigma, sigma, 1e-12);
    float total = 0;
    for (int k = -120; k <= 120; ++k) total += s->Bin(k);
    EXPECT_FLOAT_EQ(total, 8);
    for (double x : first) EXPECT_FLOAT_EQ(s->Bin(static_cast<int>(std::lround((x - 4.5) / sigma * 5))), 1);

    // A value far beyond the bins passes through the ring without a trace, also when it leaves.
    s->AddValue(1e30);
    EXPECT_EQ(s->LastUnbinned, static_cast<int>(std::lround((1 - 4.5) / sigma * 5)));
    for (int i = 0; i < 8; ++i) s->AddValue(4.5);
    EXPECT_FLOAT_EQ(s->Bin(0), 8);
    total = 0;
    for (int k = -120; k <= 120; ++k) total += s->Bin(k);
    EXPECT_FLOAT_EQ(total, 8);

    // Many values that single precision cannot hold: the bins always count the ring as it is held, so
    // a value near a bin edge leaves the bin it entered.
    s->SetStatMode(1, 64);
    std::mt19937 gen(7);
    std::normal_distribution<double> noise(1.0, 1e-5);
    for (int i = 0; i < 20000; ++i) s->AddValue(noise(gen));
    std::map<int, int> expected;
    for (int i = 0; i < 64; ++i) {
        const double x = s->Ring()[static_cast<std::size_t>(i)];
        const long k = std::lround(std::clamp((x - s->Centre) / s->Sigma * 5, -200.0, 200.0));
        if (std::abs(k) <= 120) ++expected[static_cast<int>(k)];
    }
    for (int k = -120; k <= 120; ++k) EXPECT_FLOAT_EQ(s->Bin(k), static_cast<float>(expected[k])) << k;
}

TEST(HisticonStatistics, ConstantsGiveOneFullColumnAndWeightScalesBack) {
    TIconRig rig;
    for (double c : {2.0, -2.0}) {
        auto s = rig.Stat(0);
        for (int i = 0; i < 128; ++i) s->AddValue(c);
        ASSERT_TRUE(s->HistReady);
        EXPECT_DOUBLE_EQ(s->Sigma, 2e-8);
        EXPECT_EQ(s->TargetHeight(0), 14);
        EXPECT_EQ(rig.PaintedHeight(*s->Histicon(), 0), 14);
        EXPECT_EQ(rig.PaintedHeight(*s->Histicon(), 1), 0);
        // 1e-9 off is a twentieth of a bin width (2e-8 / 5): still the centre's bin.
        s->AddValue(c + 1e-9);
        EXPECT_FLOAT_EQ(s->Bin(0), 2);
    }

    // Weight 8: the tallest bin climbs past N + 0.3 for at most one value and is then scaled back to N;
    // the other bins shrink with it.
    auto w = rig.Stat(3);
    w->SetStatMode(2, 8);
    for (int i = 0; i < 6; ++i) w->AddValue(i % 2 ? 1.0 : -1.0);
    w->AddValue(0.0);
    w->AddValue(0.0);
    ASSERT_TRUE(w->HistReady);
    EXPECT_NEAR(w->Centre, 0, 1e-15);
    EXPECT_NEAR(w->Sigma, std::sqrt(6.0 / 7.0), 1e-12);
    w->AddValue(1.0);
    const int kOne = static_cast<int>(std::lround(1.0 / w->Sigma * 5));
    EXPECT_FLOAT_EQ(w->Bin(kOne), 1);
    for (int i = 0; i < 50; ++i) {
        w->AddValue(0.0);
        EXPECT_LE(w->Bin(0), 8.3f);
    }
    EXPECT_FLOAT_EQ(w->Bin(0), 8);
    EXPECT_LT(w->Bin(kOne), 0.01f);
    EXPECT_EQ(rig.PaintedHeight(*w->Histicon(), 0), 14);
}

TEST(HisticonStatistics, ValueThatIsNoNumberIsLeftOutOfStatisticsAndBins) {
    TIconRig rig;
    auto s = rig.Stat(2);
    s->SetStatMode(1, 8);
    const double nan = std::nan("");
    s->AddValue(nan);
    for (int i = 1; i <= 8; ++i) {
        s->AddValue(i);
        s->Add(2, nan);
    }
    ASSERT_TRUE(s->HistReady);
    EXPECT_EQ(s->Count, 8);
    EXPECT_EQ(s->Min, 1);
    EXPECT_EQ(s->Max, 8);
    EXPECT_DOUBLE_EQ(s->Centre, 4.5);
    float total = 0;
    for (int k = -120; k <= 120; ++k) total += s->Bin(k);
    EXPECT_FLOAT_EQ(total, 8);
}
