// The measurement list through the command tree: a full list makes room and one undo puts both back,
// the statistics display keeps four, the jitter kinds stay with one source and clear the hit map when
// they start on it, a removal moves the limits with the entries; the "Meas:Res" replies; the coupled
// limits and the texts of the source settings.
#include <gtest/gtest.h>

#include "MeasListTestSupport.h"
#include "core/EditHandlers.h"

using namespace vt;
using namespace vt::test;

namespace {

// The hits of the shared hit map at point 10 (every row).
std::uint64_t HitsAtPoint10(TShell& shell) {
    std::uint64_t n = 0;
    for (int row = 0; row < TAxisHist::Rows; ++row) n += shell.FullHist()->Hits(10, row);
    return n;
}

}  // namespace

TEST(MeasurementList, AddingRemovingAndUndoKeepListAndCheckListsTogether) {
    TMeasListRig rig;
    rig.Do("Meas:Display Param");
    for (const char* item : {"Max", "Min", "PP", "Top", "Base", "Ampl", "Middle", "Mean", "dcRMS", "acRMS"})
        rig.Do(std::string("Meas:Ch1:YParam ") + item + " ON");
    ASSERT_EQ(rig.List().Count(), 10);
    EXPECT_EQ(rig.Labels().front(), "Maximum (Ch1)");

    // An eleventh item makes room by taking out the first, whose item is unchecked with it.
    rig.Do("Meas:Ch2:YParam PP ON");
    EXPECT_EQ(rig.List().Count(), 10);
    EXPECT_EQ(rig.Labels().front(), "Minimum (Ch1)");
    EXPECT_EQ(rig.Labels().back(), "Peak-Peak (Ch2)");
    EXPECT_EQ(rig.Mask("Meas:Ch1:YParam") & 1u, 0u);
    // One undo puts both back.
    rig.Undo();
    EXPECT_EQ(rig.List().Count(), 10);
    EXPECT_TRUE(rig.List().IsMeasListed(mgY, 0, ssCh1));
    EXPECT_FALSE(rig.List().IsMeasListed(mgY, 2, ssCh2));
    EXPECT_EQ(rig.Mask("Meas:Ch1:YParam"), 0x3FFu);
    EXPECT_EQ(rig.Mask("Meas:Ch2:YParam"), 0u);

    // Statistic keeps slots 0..3 and unchecks the others' items.
    rig.Do("Meas:ClearAll");
    EXPECT_EQ(rig.List().Count(), 0);
    for (const char* item : {"Max", "Min", "PP", "Top", "Base", "Ampl"}) rig.Do(std::string("Meas:Ch1:YParam ") + item + " ON");
    rig.Do("Meas:Display Statistic");
    EXPECT_EQ(rig.Labels(), (std::vector<std::string>{"Maximum (Ch1)", "Minimum (Ch1)", "Peak-Peak (Ch1)", "Top (Ch1)"}));
    EXPECT_EQ(rig.Mask("Meas:Ch1:YParam"), 0xFu);
    EXPECT_TRUE(rig.List().IsMeasListFull());

    // The jitter kinds of one source at a time; the hit map starts afresh when a source's first one
    // comes, and not for its second.
    rig.Do("Meas:Display Param");
    rig.Do("Meas:ClearAll");
    rig.Do("Meas:Ch1:XParam NegJitterRMS ON");
    rig.Shell.FullHist()->AddSample(10, 0.0);
    ASSERT_GT(HitsAtPoint10(rig.Shell), 0u);
    rig.Do("Meas:Ch2:XParam PosJitterPp ON");
    EXPECT_EQ(rig.Labels(), std::vector<std::string>{"+Jitter p-p (Ch2)"});
    EXPECT_EQ(rig.Mask("Meas:Ch1:XParam"), 0u);
    EXPECT_EQ(HitsAtPoint10(rig.Shell), 0u);
    rig.Shell.FullHist()->AddSample(10, 0.0);
    rig.Do("Meas:Ch2:XParam PosJitterRMS ON");
    EXPECT_GT(HitsAtPoint10(rig.Shell), 0u) << "a second kind of the same source keeps the hits";
    rig.Do("Meas:ClearAll");
    rig.Do("Meas:Ch1:YParam Max ON");
    ASSERT_GT(HitsAtPoint10(rig.Shell), 0u);
    rig.Do("Meas:Ch1:XParam PosJitterPp ON");
    EXPECT_EQ(HitsAtPoint10(rig.Shell), 0u) << "hits left by another source go when a first kind comes";

    // Removing slot 1 of six: the limits of 2 and 3 move up with their entries; the entry that comes
    // into slot 3 from slot 4 had none and starts afresh.
    rig.Do("Meas:ClearAll");
    for (const char* item : {"Max", "Min", "PP", "Top", "Base", "Ampl"}) rig.Do(std::string("Meas:Ch1:YParam ") + item + " ON");
    rig.Limits.Take();
    rig.Readouts().HandleMeasPopupCommand("Remove", 1);
    EXPECT_EQ(rig.Limits.Take(), (std::vector<std::string>{"Copy 2>1", "Copy 3>2", "Reset 3", "Refresh"}));
    EXPECT_EQ(rig.Labels(), (std::vector<std::string>{"Maximum (Ch1)", "Peak-Peak (Ch1)", "Top (Ch1)", "Base (Ch1)",
                                                      "Amplitude (Ch1)"}));
    EXPECT_EQ(rig.Mask("Meas:Ch1:YParam"), 0x3Du);
    // Of four, slot 3 is left empty and keeps what it had.
    rig.Do("Meas:Ch1:YParam Ampl OFF");
    rig.Limits.Take();
    rig.Do("Meas:Ch1:YParam PP OFF");
    EXPECT_EQ(rig.Limits.Take(), (std::vector<std::string>{"Copy 2>1", "Copy 3>2", "Refresh"}));
}

TEST(MeasurementList, ResultQueries) {
    TMeasListRig rig;
    EXPECT_EQ(rig.Do("Meas:Res? 1"), "Measure OFF");
    rig.Do("Meas:Display Param");
    EXPECT_EQ(rig.Do("Meas:Res? 1"), "Measure OFF") << "nothing listed";
    rig.Do("Meas:Ch1:XParam Period ON");
    rig.Do("Meas:Ch1:YDualPar Gain ON");
    rig.Do("Meas:Ch1:XDualPar Del1R1R ON");
    rig.Do("Meas:Ch2:YParam Max ON");
    EXPECT_EQ(rig.Do("Meas:Res? LIST"),
              "\r\n1  Period (Ch1)\r\n2  Gain  Ch1 / Ch2\r\n3  Delay 1R-1R  Ch2-Ch1\r\n4  Maximum (Ch2)");
    EXPECT_EQ(rig.Do("Meas:Res? 0"), "INVALID NUMBER OF PARAMETER");
    EXPECT_EQ(rig.Do("Meas:Res? 5"), "INVALID NUMBER OF PARAMETER");
    EXPECT_EQ(rig.Do("Meas:Res? 1:MEAN"), "NO STATISTIC OF MEASUREMENTS");
    rig.List().StoreMeasValue(0, "s", 1e-8);
    EXPECT_EQ(rig.Do("Meas:Res? 1"), "10 ns");

    rig.Do("Meas:Display Statistic");
    ASSERT_EQ(rig.List().Count(), 4);
    // As a clearing of the display does: the value taken in Param goes.
    rig.Shell.Analysis().RestartMeasStatistics();
    rig.List().StoreMeasValue(0, "s", 1e-8);
    EXPECT_EQ(rig.Do("Meas:Res? 1:STDDEV"), "  Undefined");
    EXPECT_EQ(rig.Do("Meas:Res? 1:wfm"), "1");
    EXPECT_EQ(rig.Do("Meas:Res? 1:TestWfm"), "0");
    EXPECT_EQ(rig.Do("Meas:Res? 1:Mean"), "10 ns");
    EXPECT_EQ(rig.Do("Meas:Res? 1:FOO"), "BAD STATISTIC PARAMETER");
    rig.List().StoreMeasValue(0, "s", 3e-8);
    // Two values 10 ns and 30 ns: the sample deviation is 20 / sqrt(2) ns.
    EXPECT_EQ(rig.Do("Meas:Res? 1:STDDEV"), "14.14 ns");
    EXPECT_EQ(rig.Do("Meas:Res? 1:MAX"), "30 ns");
    rig.Do("Header ON");
    EXPECT_EQ(rig.Do("Meas:Res? 1").rfind("MEAS:RES:1 ", 0), 0u) << rig.Do("Meas:Res? 1");
    rig.Do("Header OFF");
    rig.Do("Meas:Display Off");
    EXPECT_EQ(rig.Do("Meas:Res? 1"), "Measure OFF");
}

TEST(MeasurementSettings, CoupledLimitsTextsAndTheDisplayOff) {
    TMeasListRig rig;
    TCommandTree* tree = rig.Shell.CommandTree();
    auto edit = [tree](const char* path) { return FindSetting<TEditHandler>(tree, path); };
    edit("Meas:Ch1:Top")->SetValue(600);
    EXPECT_EQ(edit("Meas:Ch1:Base")->MaxValue(), 599);
    EXPECT_EQ(edit("Meas:Ch1:Top")->MinValue(), 257);
    // Base bounds Top in turn.
    edit("Meas:Ch1:Base")->SetValue(300);
    EXPECT_EQ(edit("Meas:Ch1:Top")->MinValue(), 301);
    edit("Meas:Ch1:Top")->SetValue(100);
    EXPECT_EQ(edit("Meas:Ch1:Top")->GetValueAsDouble(), 301) << "Top stays above Base";

    // Rows in divisions: (683 - 512) / 1024 x 8 = 1.336 div; 2 div typed is row 2 / 8 x 1024 + 512.
    rig.Do("Meas:Ch1:Thresh Custom");
    rig.Do("Meas:Ch1:Unit Division");
    edit("Meas:Ch1:UpThresh")->SetValue(683);
    EXPECT_EQ(rig.Do("Meas:Ch1:UpThresh?"), "1.34 div");
    rig.Do("Meas:Ch1:UpThresh 2");
    EXPECT_EQ(edit("Meas:Ch1:UpThresh")->GetValueAsDouble(), 768);
    // Volts: row 768 at 1 V/div is (768 - 512) / 128 V.
    rig.Do("Meas:Ch1:Unit Volt");
    EXPECT_EQ(rig.Do("Meas:Ch1:UpThresh?"), "2 V");

    // Slope edges: even values rise, odd ones fall.
    std::vector<std::string> edges;
    for (int v : {0, 1, 2}) {
        rig.Do("Meas:Ch1:LeftSlope MIN");
        edit("Meas:Ch1:LeftSlope")->SetValue(v);
        edges.push_back(rig.Do("Meas:Ch1:LeftSlope?"));
    }
    EXPECT_EQ(edges, (std::vector<std::string>{"1 Rising", "1 Falling", "2 Rising"}));
    // The spectrum settings only for F1..S2, the dual ones only for Ch1..M4.
    EXPECT_EQ(rig.Do("Meas:Ch1:FFTMethod?"), "ERROR");
    EXPECT_EQ(rig.Do("Meas:S1:Source2?"), "ERROR");
    EXPECT_NE(rig.Do("Meas:F1:FFTMethod?"), "ERROR");

    // The display Off: dependent settings disabled, the limit test off, the statistics restarted.
    rig.Do("Meas:Display Statistic");
    rig.Do("Meas:Ch1:YParam Max ON");
    rig.List().StoreMeasValue(0, "V", 1);
    rig.Limits.Take();
    rig.Do("Meas:Display Off");
    for (const char* path : {"Meas:View", "Meas:Mode", "Meas:SingleMeas", "Meas:StatMode"})
        EXPECT_TRUE(tree->Root().FindHandler(path)->IsDisabled()) << path;
    EXPECT_EQ(rig.Limits.Take(), std::vector<std::string>{"TestOff"});
    EXPECT_EQ(rig.List().Slot(0)->Statistics->Count, 0);
    EXPECT_TRUE(FindSetting<TCheckSwHandler>(tree, "Meas:Ch1:XParam")->IsDisabled());
    rig.Do("Meas:Display Param");
    EXPECT_FALSE(FindSetting<TCheckSwHandler>(tree, "Meas:Ch1:XParam")->IsDisabled()) << "Ch1 is on";
    EXPECT_TRUE(FindSetting<TCheckSwHandler>(tree, "Meas:M1:XParam")->IsDisabled()) << "M1 is off";
}
