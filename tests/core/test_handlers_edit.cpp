// Numeric settings: value texts, multipliers, limits, grid, stepping kinds, colours.
#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "core/InternalError.h"
#include "core/CommandTree.h"
#include "core/UndoBuffer.h"
#include "core/RecordingControl.h"

using namespace vt;
using vt::test::TRecordingControl;

namespace {

// Limits are given by name only: a positional list (where a minimum and a maximum could swap) does not
// compile.
static_assert(!std::is_constructible_v<TEditConfig, double, double, double>);
static_assert(!std::is_constructible_v<TEditOptions, double>);
static_assert(std::is_default_constructible_v<TEditConfig>);

class EditTest : public ::testing::Test {
protected:
    std::string Run(std::string_view s, bool internal = false) { return tree->ExecuteCommandString(s, internal); }
    TDoubleEditHandler& Double(std::string_view path, TEditConfig config, double initial = 0) {
        return root.AddDoubleEditHandler(path, {.Initial = initial, .Config = std::move(config)});
    }

    std::unique_ptr<TCommandTree> tree = CreateCommandTree();
    TSpider& root = tree->Root();
};

TEST(NumberText, MultipliersAndRefusedTexts) {
    auto read = [](std::string_view t) {
        double v = -12345;
        return ParseNumberWithMultiplier(t, v) ? v : -12345.0;
    };
    EXPECT_DOUBLE_EQ(read("2MEG"), 2e6);
    EXPECT_DOUBLE_EQ(read("2M"), 2e-3);
    EXPECT_DOUBLE_EQ(read("2m"), 2e-3);
    EXPECT_DOUBLE_EQ(read("2 meg(Hz)"), 2e6);
    EXPECT_DOUBLE_EQ(read("2MHZ"), 2e-3) << "only M followed by EG is mega";
    EXPECT_DOUBLE_EQ(read("500u"), 5e-4);
    EXPECT_DOUBLE_EQ(read("500 \xC2\xB5(V)"), 5e-4);
    EXPECT_DOUBLE_EQ(read("1.5 k"), 1500);
    EXPECT_DOUBLE_EQ(read("3f"), 3e-15);
    EXPECT_DOUBLE_EQ(read("3p"), 3e-12);
    EXPECT_DOUBLE_EQ(read("3n"), 3e-9);
    EXPECT_DOUBLE_EQ(read("3G"), 3e9);
    EXPECT_DOUBLE_EQ(read("3T"), 3e12);
    EXPECT_DOUBLE_EQ(read("-1.5E-3V"), -1.5e-3);
    EXPECT_DOUBLE_EQ(read("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(read("7 (pts)"), 7);
    EXPECT_DOUBLE_EQ(read("7 "), 7);
    EXPECT_EQ(read("abc"), -12345.0);
    EXPECT_EQ(read("1.2.3V"), -12345.0) << "the number before the text must read cleanly";
    EXPECT_EQ(read("--1"), -12345.0);
    EXPECT_EQ(read(""), -12345.0);
}

TEST_F(EditTest, ParametersThroughTheCommandTree) {
    auto& h = Double("Ch1:Scale", {.Minimum = 1e-3, .Default = 0.1, .Maximum = 1, .Resolution = 1e-6,
                                   .Units = "V", .FormatMode = 3, .Digits = 3},
                     0.1);
    Run("CH1:SCALE 2M");
    EXPECT_DOUBLE_EQ(h.GetValue(), 2e-3);
    Run("CH1:SCALE 500u");
    EXPECT_DOUBLE_EQ(h.GetValue(), 1e-3) << "clamped to the minimum";
    Run("CH1:SCALE volts");
    EXPECT_DOUBLE_EQ(h.GetValue(), 1e-3) << "letters only change nothing";
    Run("CH1:SCALE MAX");
    EXPECT_DOUBLE_EQ(h.GetValue(), 1);
    Run("CH1:SCALE mid");
    EXPECT_DOUBLE_EQ(h.GetValue(), 0.1);
    Run("CH1:SCALE MIN");
    EXPECT_DOUBLE_EQ(h.GetValue(), 1e-3);
    Run("CH1:SCALE UP");
    Run("CH1:SCALE DOWN 3");
    Run("CH1:SCALE STEPCOARSE");
    EXPECT_DOUBLE_EQ(h.GetValue(), 1e-3);
    Run("CH1:SCALE 250 mV");
    EXPECT_DOUBLE_EQ(h.GetValue(), 0.25);
    EXPECT_EQ(Run("CH1:SCALE?"), "CH1:SCALE 250 mV");
    EXPECT_EQ(Run("CH1:SCALE?", true), "CH1:SCALE 250 m(V)");
    Run("HEADER OFF");
    EXPECT_EQ(Run("CH1:SCALE?"), "250 mV");
    EXPECT_EQ(Run("CH1:SCALE?", true), " 250 m(V)");
    EXPECT_EQ(Run("CH1:SCALE? 1"), "1 V") << "a query applies its parameter first";
}

TEST_F(EditTest, IntegerTextsKeepTheirTrailingBlank) {
    auto& n = root.AddIntEditHandler("Acq:Avg", {.Initial = 16, .Config = {.Minimum = 1, .Maximum = 4096}});
    auto& p = root.AddIntEditHandler("Acq:Points", {.Initial = 512, .Config = {.Minimum = 16, .Maximum = 4096,
                                                                               .Units = "pts"}});
    EXPECT_EQ(Run("ACQ:AVG?"), "ACQ:AVG 16 ");
    EXPECT_EQ(Run("ACQ:POINTS?"), "ACQ:POINTS 512 pts");
    EXPECT_EQ(Run("ACQ:POINTS?", true), "ACQ:POINTS 512 (pts)");
    Run("ACQ:AVG 2.6");
    EXPECT_EQ(n.GetValue(), 3);
    Run("ACQ:AVG 2.5");
    EXPECT_EQ(n.GetValue(), 2) << "halves go to the even neighbour";
    Run("ACQ:AVG 1e9");
    EXPECT_EQ(n.GetValue(), 4096);
    Run("ACQ:POINTS 2k");
    EXPECT_EQ(p.GetValue(), 2000);
    EXPECT_EQ(GetValue(static_cast<TIntEditHandler*>(nullptr)), 0);
}

TEST_F(EditTest, MegaIsWrittenSoThatItReadsBack) {
    auto& f = Double("Gen:Freq", {.Minimum = 0, .Maximum = 1e10, .Resolution = 1, .Units = "Hz", .FormatMode = 3,
                                  .Digits = 4},
                     2e6);
    EXPECT_EQ(Run("GEN:FREQ?"), "GEN:FREQ 2 MHz");
    EXPECT_EQ(Run("GEN:FREQ?", true), "GEN:FREQ 2 MEG(Hz)");
    Run("GEN:FREQ 2 MEG(Hz)", true);
    EXPECT_DOUBLE_EQ(f.GetValue(), 2e6);
    // Setup lines keep every digit the grid allows, not only the digits shown.
    Run("GEN:FREQ 1234567");
    EXPECT_EQ(Run("GEN:FREQ?"), "GEN:FREQ 1.235 MHz");
    const std::string line = Run("GEN:FREQ?", true);
    Run("GEN:FREQ 1");
    Run(line, true);
    EXPECT_DOUBLE_EQ(f.GetValue(), 1234567);
}

TEST_F(EditTest, GridDecidesWhetherADoubleChanged) {
    int after = 0;
    auto& h = root.AddDoubleEditHandler("X", {.Initial = 1.0, .Config = {.Minimum = 0, .Maximum = 10, .Resolution = 0.001},
                                              .AfterChange = [&](THandler&) { ++after; }});
    EXPECT_FALSE(h.SetValue(1.0004));
    EXPECT_DOUBLE_EQ(h.GetValue(), 1.0);
    EXPECT_EQ(after, 0);
    EXPECT_TRUE(h.SetValue(1.0016));
    EXPECT_DOUBLE_EQ(h.GetValue(), 1.002);
    // Snapped settings use the fine step as grid.
    auto& s = root.AddDoubleEditHandler("S", {.Config = {.Minimum = 0, .Maximum = 100, .CoarseStep = 1,
                                                         .CoarseKind = skSnapped125, .FineStep = 0.5,
                                                         .FineKind = skGrid, .Resolution = 0.001}});
    s.SetValue(3.3);
    EXPECT_DOUBLE_EQ(s.GetValue(), 3.5);
}

TEST_F(EditTest, CorrectionOnlyForRemoteAndTypedValues) {
    auto& h = root.AddDoubleEditHandler(
        "X", {.Config = {.Minimum = -100, .Maximum = 100, .Resolution = 0.001,
                         .OnCorrect = [](TEditHandler&, double v) { return std::round(v); }}});
    Run("X 2.4");
    EXPECT_DOUBLE_EQ(h.GetValue(), 2);
    Run("X 2.4", true);
    EXPECT_DOUBLE_EQ(h.GetValue(), 2.4);
    h.SetValueFromSwitcher(7.7);
    EXPECT_DOUBLE_EQ(h.GetValue(), 8);
    h.SetOnFormat([](TEditHandler&, double v) { return v > 5 ? std::string("big") : std::string("small"); });
    EXPECT_EQ(Run("X?"), "X big");
    EXPECT_EQ(Run("X?", true), "X 8 ") << "setup lines never use the format callback";
}

TEST_F(EditTest, TypedValueSnapsToTheCoarseGridWithoutAFineStep) {
    auto& grid = Double("G", {.Minimum = 0, .Maximum = 100, .CoarseStep = 0.5, .CoarseKind = skGrid,
                              .Resolution = 0.001});
    grid.SetValueFromSwitcher(1.3);
    EXPECT_DOUBLE_EQ(grid.GetValue(), 1.5);
    auto& s125 = Double("K", {.Minimum = 0, .Maximum = 100, .CoarseStep = 1, .CoarseKind = sk125,
                              .Resolution = 0.001});
    s125.SetValueFromSwitcher(3.0);
    EXPECT_DOUBLE_EQ(s125.GetValue(), 2);
    auto& fine = Double("F", {.Minimum = 0, .Maximum = 100, .CoarseStep = 1, .CoarseKind = sk125,
                              .FineStep = 0.1, .FineKind = skGrid, .Resolution = 0.001});
    fine.SetValueFromSwitcher(3.0);
    EXPECT_DOUBLE_EQ(fine.GetValue(), 3.0);
    fine.SetSpecialValue(2);
    EXPECT_DOUBLE_EQ(fine.GetValue(), 100);
    fine.SetSpecialValue(0);
    EXPECT_DOUBLE_EQ(fine.GetValue(), 0);
}

TEST_F(EditTest, LimitsClampTheValueAsProgram) {
    std::vector<int> who;
    auto& h = root.AddDoubleEditHandler("X", {.Initial = 5, .Config = {.Minimum = 0, .Default = 4, .Maximum = 10,
                                                                       .Resolution = 0.01},
                                              .AfterChange = [&](THandler& x) { who.push_back(x.GetWhoChanged()); }});
    h.SetMaxValue(3);
    EXPECT_DOUBLE_EQ(h.GetValue(), 3);
    EXPECT_EQ(who, std::vector<int>{wcvProgram});
    h.SetMaxValue(-1);
    EXPECT_DOUBLE_EQ(h.MinValue(), -1) << "the minimum follows a maximum below it";
    EXPECT_DOUBLE_EQ(h.GetValue(), -1);
    h.SetMinValue(2);
    EXPECT_DOUBLE_EQ(h.MaxValue(), 2);
    EXPECT_DOUBLE_EQ(h.GetValue(), 2);
    h.SetMaxValue(10);
    Run("X MID");
    EXPECT_DOUBLE_EQ(h.GetValue(), 4);
    h.SetDefaultValue(-50);
    Run("X MID");
    EXPECT_DOUBLE_EQ(h.GetValue(), 2) << "the default is clamped into the limits";
    EXPECT_THROW(root.AddDoubleEditHandler("Y", {.Config = {.Minimum = 5, .Maximum = 1}}), EInternalError);

    // Limits off the grid: the value takes the grid point inside them, never one beyond.
    auto& off = Double("Z", {.Minimum = -1.06, .Maximum = 1.06, .Resolution = 0.1});
    Run("Z 5");
    EXPECT_DOUBLE_EQ(off.GetValue(), 1.0);
    Run("Z MIN");
    EXPECT_DOUBLE_EQ(off.GetValue(), -1.0);
    auto& narrow = Double("N", {.Minimum = 0.42, .Maximum = 0.49, .Resolution = 0.1}, 0.43);
    Run("N 1");
    EXPECT_DOUBLE_EQ(narrow.GetValue(), 0.49) << "no grid point inside: the limit itself";
    auto& exact = Double("E", {.Minimum = 0, .Maximum = 0.3, .Resolution = 0.1});
    Run("E 0.3");
    EXPECT_NEAR(exact.GetValue(), 0.3, 1e-12) << "a limit on the grid is reached";
    auto& whole = root.AddIntEditHandler("W", {.Config = {.Minimum = 0, .Maximum = 10.6}});
    Run("W 20");
    EXPECT_EQ(whole.GetValue(), 10);
}

TEST_F(EditTest, ConfigureBoundsTheResolution) {
    auto& h = Double("X", {.Minimum = 0, .Maximum = 10, .Resolution = 1}, 5.3);
    TRecordingControl c;
    h.RegisterSwitcher(c);
    h.Configure({.Minimum = 0, .Maximum = 4, .FineStep = 0.01, .FineKind = skGrid, .Resolution = 1, .Units = "s"});
    EXPECT_DOUBLE_EQ(h.Resolution(), 0.005);
    EXPECT_DOUBLE_EQ(h.GetValue(), 4);
    EXPECT_EQ(h.Units(), "s");
    EXPECT_GE(c.Changes, 2);
    h.Configure({.Minimum = 0, .Maximum = 1e6, .Resolution = 1e-15});
    EXPECT_DOUBLE_EQ(h.Resolution(), 1e-6);
}

struct StepCase {
    int coarseKind;
    double coarse;
    int fineKind;
    double fine;
    double from;
    int action;
    double expect;
};

class StepKinds : public EditTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(StepKinds, OneStep) {
    const StepCase& c = GetParam();
    auto& h = Double("X", {.Minimum = -1000, .Maximum = 1000, .CoarseStep = c.coarse, .CoarseKind = c.coarseKind,
                           .FineStep = c.fine, .FineKind = c.fineKind, .Resolution = 1e-6},
                     c.from);
    int direction = -1;
    h.SetOnAfterChange([&](THandler&) { direction = h.StepDirection(); });
    h.Step(c.action);
    EXPECT_NEAR(h.GetValue(), c.expect, 1e-9);
    if (c.expect != c.from) {
        EXPECT_EQ(direction, (c.action == saCoarseUp || c.action == saFineUp) ? 1 : 2);
    }
    EXPECT_EQ(h.StepDirection(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Edit, StepKinds,
    ::testing::Values(StepCase{skGrid, 0.5, skNone, 0, 1.2, saCoarseUp, 1.5},
                      StepCase{skGrid, 0.5, skNone, 0, 1.5, saCoarseUp, 2.0},
                      StepCase{skGrid, 0.5, skNone, 0, 1.2, saCoarseDown, 1.0},
                      StepCase{skNone, 0, skLinear, 0.3, 1.0, saFineUp, 1.3},
                      StepCase{skNone, 0, skLinear, 0.3, 1.0, saFineDown, 0.7},
                      StepCase{skProportional, 0.1, skNone, 0, 3.0, saCoarseUp, 3.2},
                      StepCase{skProportional, 0.1, skNone, 0, 3.0, saCoarseDown, 2.8},
                      StepCase{sk125, 1, skNone, 0, 2.0, saCoarseUp, 5.0},
                      StepCase{sk125, 1, skNone, 0, 3.0, saCoarseUp, 5.0},
                      StepCase{sk125, 1, skNone, 0, 2.0, saCoarseDown, 1.0},
                      StepCase{skPowerOf2, 1, skNone, 1, 4.0, saCoarseUp, 8.0},
                      StepCase{skPowerOf2, 1, skNone, 1, 4.0, saCoarseDown, 2.0},
                      StepCase{skPowerOf2, 1, skNone, 1, 0.5, saCoarseUp, 1.5},
                      StepCase{skDouble, 1, skNone, 0, 3.0, saCoarseUp, 6.0},
                      StepCase{skDouble, 1, skNone, 0, 3.0, saCoarseDown, 1.5},
                      StepCase{skDbLadder, 1, skNone, 0, 6.0, saCoarseUp, 10.0},
                      StepCase{skDbLadder, 1, skNone, 0, 10.0, saCoarseDown, 6.0},
                      StepCase{skSnapped125, 1, skGrid, 0.5, 0.0, saCoarseUp, 0.5},
                      StepCase{skSnapped125, 1, skGrid, 0.5, 2.0, saCoarseUp, 5.0},
                      StepCase{skSnapped125, 1, skGrid, 0.5, 5.0, saCoarseDown, 2.0},
                      StepCase{skNone, 1, skNone, 0, 5.0, saCoarseUp, 5.0}),
    [](const ::testing::TestParamInfo<StepCase>& info) {
        const StepCase& c = info.param;
        const bool fine = c.action >= saFineUp;
        const bool up = c.action == saCoarseUp || c.action == saFineUp;
        return std::string(fine ? "Fine" : "Coarse") + "Kind" + std::to_string(fine ? c.fineKind : c.coarseKind) +
               (up ? "Up" : "Down") + "_" + std::to_string(info.index);
    });

TEST_F(EditTest, HeldKeyRecordsOneUndoStep) {
    TUndoBuffer undo;
    undo.SetEnabled(true);
    tree->SetUndoBuffer(&undo);
    auto& h = Double("X", {.Minimum = 0, .Maximum = 100, .FineStep = 1, .FineKind = skLinear, .Resolution = 0.001});
    h.Step(saFineUp);
    EXPECT_TRUE(h.RunActive());
    h.Step(saRepeat);
    h.Step(saRepeat);
    h.Step(saEndOfRun);
    EXPECT_FALSE(h.RunActive());
    EXPECT_DOUBLE_EQ(h.GetValue(), 3);
    h.SetValue(50);  // a program change during no run still records
    auto list = undo.Undo();
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 1u);
    EXPECT_EQ(list->front().Text, "0");
    EXPECT_TRUE(undo.UndoEmpty()) << "the whole run is one step";
}

TEST_F(EditTest, StepCallbackMayMakeTheStepItself) {
    auto& h = Double("X", {.Minimum = 0, .Maximum = 100, .FineStep = 1, .FineKind = skLinear, .Resolution = 0.001});
    std::vector<std::string> seen;
    h.SetOnStep([&](TEditHandler& e, double v, bool fine, bool up) {
        seen.push_back(std::to_string(static_cast<int>(v)) + (fine ? "F" : "C") + (up ? "U" : "D"));
        e.SetValue(42);
        return true;
    });
    h.Step(saFineDown);
    EXPECT_EQ(seen, std::vector<std::string>{"0FD"});
    EXPECT_DOUBLE_EQ(h.GetValue(), 42);
    h.Step(saRepeat);
    EXPECT_EQ(seen.back(), "42FD");
}

class TFakeColors : public IColorSettings {
public:
    TColor TraceColor(int source) const override { return TColor(0xAA000000u | (0x100u * source + 7)); }
    TColor BackgroundColor() const override { return TColor(0xFF123456u); }
    THandler* TraceColorHandler(int) const override { return Trace; }
    THandler* BackgroundColorHandler() const override { return Back; }
    THandler* Trace = nullptr;
    THandler* Back = nullptr;
};

TEST_F(EditTest, ColoursFollowTheSourceOrTheHighlight) {
    auto& h = Double("X", {.Minimum = 0, .Maximum = 1});
    EXPECT_EQ(h.TextColor(), clWhite);
    EXPECT_EQ(h.BackColor(), clBlack);
    TRecordingControl c;
    h.RegisterSwitcher(c);
    h.SetHighlighted(true);
    EXPECT_EQ(h.TextColor(), clYellow);
    EXPECT_EQ(h.BackColor(), clRed);
    EXPECT_EQ(c.Changes, 2);
    h.SetHighlighted(true);
    EXPECT_EQ(c.Changes, 2) << "no notification without a colour change";

    TFakeColors colors;
    auto& trace = root.AddIntEditHandler("Displ:Color2", {.Config = {.Maximum = 0xFFFFFF}});
    auto& back = root.AddIntEditHandler("Displ:Back", {.Config = {.Maximum = 0xFFFFFF}});
    colors.Trace = &trace;
    colors.Back = &back;
    tree->SetColorSettings(&colors);
    h.SetColorSource(2);
    EXPECT_EQ(h.TextColor(), TColor(0x207u));
    EXPECT_EQ(h.BackColor(), TColor(0x123456u)) << "low 24 bits only";
    EXPECT_EQ(trace.SwitcherCount(), 1);
    EXPECT_EQ(back.SwitcherCount(), 1);
    h.SetColorSource(NoColorSource);
    EXPECT_EQ(trace.SwitcherCount(), 0) << "the colour bindings move with the source";
    EXPECT_EQ(h.TextColor(), clYellow);
    auto& y = root.AddDoubleEditHandler("Y", {.Config = {.Maximum = 1}, .ColorSource = 3});
    EXPECT_EQ(y.TextColor(), TColor(0x307u));
    EXPECT_EQ(back.SwitcherCount(), 1);
    tree->SetColorSettings(nullptr);
}

}  // namespace
