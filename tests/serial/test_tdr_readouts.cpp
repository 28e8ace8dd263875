// The TDR/TDT rows of the bottom strip and the popup of a row, driven by scripted channel records
// through the display pass's measurements.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "SerialTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "display/ScreenColors.h"
#include "serial/ScopeSerialServices.h"

namespace vt {
namespace {

const TStripMenuItem& Item(const TStripMenu& menu, const std::string& command) {
    for (const TStripMenuItem& i : menu)
        if (i.Command == command) return i;
    static const TStripMenuItem none;
    ADD_FAILURE() << command;
    return none;
}

// A flat record at `base` with one point at `peak`, new for the pass.
void WriteRecord(TSignalObj& r, double base, int at, double peak) {
    r.SetLength(1024);
    r.SetSampleInterval(1e-11);
    for (int i = 0; i < 1024; ++i) r.SetPoint(i, i == at ? peak : base);
    r.SetChangedFlags();
}

TEST(TdrReadouts, RowsShowStatisticsAndThePopupActsOnMarginsAnnotationsAndTheLists) {
    TShell shell;
    test::SetUpTdrShell(shell);
    TSerialFeature feature;
    feature.FillRows(shell);
    shell.Registration.RunRow(shell, TRegistrationRow::CreateTDRHandlers);
    auto& serial = static_cast<TScopeSerialServices&>(shell.Serial());
    TTdrSettings& tdr = serial.Tdr();
    TTdrReadouts& readouts = serial.TdrReadouts();
    test::TLoggedStrip log;
    TNizText& strip = log.Strip;
    readouts.StripOf = [&strip] { return &strip; };
    const auto run = [&](std::string_view text) { return shell.CommandTree()->ExecuteCommandString(text, false); };

    run("TDR:Mode TDR");
    run("TDR:Measure ON");
    tdr.SetCalibrated(TdrChannel1, true);
    tdr.SetCalibrated(TdrChannel2, true);
    tdr.Channel(TdrChannel1).BaseLine->SetValue(-0.2);
    tdr.Channel(TdrChannel1).RefAmpl->SetValue(0.1);
    run("TDR:Ch1:TdrParams MinReflect,MaxReflect");
    run("TDR:Ch2:TdrParams MinReflect,MaxReflect");
    run("TDR:NormCh1:TdrParams INCLUDE MinReflect");
    // The fifth evicted Ch1's MinReflect; the rows follow the list, each caption in its source's colour.
    EXPECT_EQ(run("TDR:Ch1:TdrParams?").find("MINREFLECT"), std::string::npos);
    EXPECT_EQ(log.Text(0, 1), "Max Reflection (Ch1)");
    EXPECT_EQ(log.Colour(0, 1), SourceRGB(ssCh1).Value);
    EXPECT_EQ(log.Text(1, 1), "Min Reflection (Ch2)");
    EXPECT_EQ(log.Colour(1, 1), SourceRGB(ssCh2).Value);
    EXPECT_EQ(log.Text(3, 1), "Min Reflection (NormCh1)");
    EXPECT_EQ(log.Colour(3, 1), SourceRGB(ssF1).Value);
    EXPECT_TRUE(strip.TdrLabelsDrawn);

    // Positive polarity: 1 % is 0.001 V above the -0.2 V baseline of a 0.1 V step, 3 % 0.003 V.
    shell.Records()->SignalsOn().SetOn(ssCh1, true);
    TSignalObj& ch1 = shell.Records()->Record(ssCh1);
    WriteRecord(ch1, -0.2, 500, -0.199);
    shell.Serial().RecalcTdrReflections();
    EXPECT_EQ(log.Text(0, 2), "1 %");
    EXPECT_EQ(log.Text(0, 3), "1");
    EXPECT_EQ(log.Text(0, 7), "Undefined");
    EXPECT_EQ(log.Colour(0, 2), SourceRGB(ssCh1).Value);
    WriteRecord(ch1, -0.2, 500, -0.197);
    shell.Serial().RecalcTdrReflections();
    EXPECT_EQ(log.Text(0, 2), "3 %");
    EXPECT_EQ(log.Text(0, 3), "2");
    EXPECT_EQ(log.Text(0, 4), "1 %");
    EXPECT_EQ(log.Text(0, 5), "3 %");
    EXPECT_EQ(log.Text(0, 6), "2 %");
    // The sample deviation of 1 and 3: sqrt(((1-2)^2 + (3-2)^2) / 1) = 1.414; the formatter drops
    // trailing zeros.
    EXPECT_EQ(log.Text(0, 7), "1.414 %");
    // Ch2's record never came: its row has its caption only.
    EXPECT_EQ(log.Text(1, 2), "");

    // The popup of row 0: the margins are shown, the last added (row 3) is annotated.
    TStripMenu menu = readouts.BuildTdrAnnotationMenu(0);
    ASSERT_EQ(menu.front().Command, "AllVisible");
    EXPECT_EQ(menu.front().Caption, "Max Reflection (Ch1)");
    EXPECT_TRUE(menu.front().Default);
    EXPECT_FALSE(menu.front().Checked);
    EXPECT_FALSE(Item(menu, "Annot").Checked);
    EXPECT_TRUE(Item(menu, "Annot").Enabled);
    EXPECT_TRUE(Item(menu, "DelAnnot").Enabled);
    EXPECT_TRUE(Item(menu, "DefParam").Checked);
    EXPECT_FALSE(Item(menu, "DefParam").Enabled);
    EXPECT_TRUE(Item(menu, "DelDefParam").Enabled);
    EXPECT_EQ(Item(menu, "Remove").Caption, "Remove Parameter");
    // Annotating row 0 makes the default item checked; hiding the margins unchecks it and disables
    // their hiding, whatever the automatic measurements' own view says.
    readouts.HandleTdrAnnotationMenu("Annot", 0);
    EXPECT_EQ(tdr.Params.Annotated, 0);
    EXPECT_TRUE(readouts.BuildTdrAnnotationMenu(0).front().Checked);
    EXPECT_FALSE(Item(readouts.BuildTdrAnnotationMenu(0), "Annot").Enabled);
    readouts.HandleTdrAnnotationMenu("DelDefParam", 0);
    EXPECT_EQ(run("TDR:ViewMargins?"), "TDR:VIEWMARGINS OFF");
    menu = readouts.BuildTdrAnnotationMenu(0);
    EXPECT_FALSE(menu.front().Checked);
    EXPECT_FALSE(Item(menu, "DelDefParam").Enabled);
    EXPECT_TRUE(Item(menu, "DefParam").Enabled);
    readouts.HandleTdrAnnotationMenu("AllVisible", 2);
    EXPECT_EQ(run("TDR:ViewMargins?"), "TDR:VIEWMARGINS ON");
    EXPECT_EQ(tdr.Params.Annotated, 2);
    readouts.HandleTdrAnnotationMenu("DelAnnot", 2);
    EXPECT_EQ(tdr.Params.Annotated, -1);
    EXPECT_FALSE(Item(readouts.BuildTdrAnnotationMenu(1), "DelAnnot").Enabled);

    // Remove takes row 1 out through its check list; the rows move up and the last row empties.
    readouts.HandleTdrAnnotationMenu("Remove", 1);
    EXPECT_EQ(run("TDR:Ch2:TdrParams?"), "TDR:CH2:TDRPARAMS MAXREFLECT");
    ASSERT_EQ(tdr.Params.Count(TdrSideReflection), 3);
    EXPECT_EQ(log.Text(1, 1), "Max Reflection (Ch2)");
    EXPECT_EQ(log.Text(3, 1), "");
    EXPECT_EQ(log.Text(0, 6), "2 %");
    // RemoveAll unchecks the rest, last first, as one undo step.
    readouts.HandleTdrAnnotationMenu("RemoveAll", 0);
    EXPECT_EQ(tdr.Params.Count(TdrSideReflection), 0);
    EXPECT_EQ(log.Text(0, 1), "");
    const auto step = shell.UndoBuffer()->Undo();
    ASSERT_TRUE(step.has_value());
    ASSERT_EQ(step->size(), 3u);
    EXPECT_EQ((*step)[0].Handler, tdr.Source(2).TdrParams);
    EXPECT_EQ((*step)[2].Handler, tdr.Source(0).TdrParams);
    EXPECT_TRUE(readouts.ListedCells().empty());

    // TDT: DbGain of a 0.2 V peak on a 0.4 V stimulus is 20 log10(0.5) = -6.0206 dB, written plain.
    run("TDR:Mode TDT");
    tdr.SetCalibrated(TdrChannel1, true);
    run("TDR:Ch1:TdtParams DbGain,Gain");
    ch1.SetTdrScale(0.4);
    ch1.SetTdrOffset(0);
    WriteRecord(ch1, 0, 600, 0.2);
    shell.Serial().RecalcTdrReflections();
    // The check list adds in its items' order: Gain first.
    EXPECT_EQ(log.Text(0, 1), "Gain (Ch1)");
    EXPECT_EQ(log.Text(0, 2), "500 m");
    EXPECT_EQ(log.Text(1, 1), "Gain, dB (Ch1)");
    EXPECT_EQ(log.Text(1, 2), "-6.021 dB");
    ASSERT_EQ(readouts.ListedCells().size(), 2u);
    EXPECT_EQ(readouts.ListedCells()[1].Number, 1);
    // "*ClrDispl" clears the statistics: the rows keep their captions only.
    shell.Serial().ClearReflectionParams();
    EXPECT_EQ(log.Text(1, 1), "Gain, dB (Ch1)");
    EXPECT_EQ(log.Text(1, 2), "");
}

}  // namespace
}  // namespace vt
