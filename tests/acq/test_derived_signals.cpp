// The bookkeeping of the derived sources with stand-in inputs, analysis and display.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>

#include "acq/DerivedSignals.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/InternalError.h"
#include "core/Shell.h"
#include "core/SettingReaders.h"
#include "core/UndoBuffer.h"

#include "acq/AcqTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TFakeInputs : TDerivedInputs {
    using TDerivedInputs::TDerivedInputs;
    std::map<int, TFunction> Functions;
    std::map<int, TDerivedView> Views;
    std::function<void(int)> OnFunctionRead;
    TFunction Function(int source) const override {
        if (OnFunctionRead) OnFunctionRead(source);
        auto it = Functions.find(source);
        return it == Functions.end() ? TFunction{} : it->second;
    }
    TSpectrum Spectrum(int) const override { return {}; }
    TDerivedView View(int source) const override {
        auto it = Views.find(source);
        return it == Views.end() ? TDerivedView{} : it->second;
    }
    int XAxis() const override { return ssCh1; }
    int YAxis() const override { return ssCh2; }
};

struct TFakeAnalysis : TAnalysisServices {
    std::vector<int>* Log;
    std::vector<int> Failing;
    explicit TFakeAnalysis(std::vector<int>& log) : Log(&log) {}
    bool EvaluateMathFunction(int source) override {
        Log->push_back(source);
        return std::find(Failing.begin(), Failing.end(), source) == Failing.end();
    }
};

struct TFakeDisplay : TDisplayServices {
    bool Panel = false;
    std::vector<int> Drawn;
    std::vector<TSignalLayerPoints> Points;
    bool PanelExists() const override { return Panel; }
    bool HasSignalLayer(int, int style) const override { return style == 1; }
    int DisplayStyle() const override { return 1; }
    void DrawSignalLayer(int source, int, const TSignalLayerPoints& points) override {
        Drawn.push_back(source);
        Points.push_back(points);
    }
    std::vector<int> Removed;
    std::function<void(int)> OnRemove;
    void RemoveSignalLayer(int source) override {
        Removed.push_back(source);
        if (OnRemove) OnRemove(source);
    }
};

struct Derived : ::testing::Test {
    Derived() : Inputs(C.Shell), Signals(C.Shell, Inputs) {
        auto analysis = std::make_unique<TFakeAnalysis>(Computed);
        Analysis = analysis.get();
        C.Shell.SetAnalysisServices(std::move(analysis));
        auto display = std::make_unique<TFakeDisplay>();
        Display = display.get();
        C.Shell.SetDisplayServices(std::move(display));
        Records().BuildSourceCaptions([this](std::string_view key) { return C.Shell.LangStr(key); });
    }
    TSignalRecords& Records() { return *C.Shell.Records(); }
    void SetOn(int source, bool on = true) { Records().SignalsOn().SetOn(source, on); }

    TAcqContext C;
    TFakeInputs Inputs;
    TDerivedSignals Signals;
    std::vector<int> Computed;
    TFakeAnalysis* Analysis = nullptr;
    TFakeDisplay* Display = nullptr;
};

}  // namespace

TEST(DerivedFingerprint, KeepsNineSignificantDigits) {
    EXPECT_EQ(Fingerprint(1), 100000000);
    EXPECT_EQ(Fingerprint(-2.5e-3), -250000000);
    EXPECT_EQ(Fingerprint(123456789012.0), 123456789);
    EXPECT_EQ(Fingerprint(1e-41), 0);
    EXPECT_EQ(Fingerprint(1e9), 1000000000);
    // Non-finite values neither loop nor convert out of range.
    EXPECT_EQ(Fingerprint(std::numeric_limits<double>::infinity()), NonFiniteFingerprint);
    EXPECT_EQ(Fingerprint(-std::numeric_limits<double>::infinity()), NonFiniteFingerprint);
    EXPECT_EQ(Fingerprint(std::nan("")), NonFiniteFingerprint);
}

TEST_F(Derived, InputsFirstThenAgeingAndSwitchOff) {
    // F1 = Ch1 + F2, F2 = Ch2 x 2.
    Inputs.Functions[ssF1] = {.Operation = 0, .Source1 = ssCh1, .Source2 = ssF2, .Constant = 0};
    Inputs.Functions[ssF2] = {.Operation = 2, .Source1 = ssCh2, .Source2 = ssConst, .Constant = 2};
    SetOn(ssF1);
    SetOn(ssF2);
    Records().SetState(ssCh1, srcFresh);
    Records().SetState(ssCh2, srcFresh);
    Signals.SostaritjIliOtklFuncSpectrGdeNado();
    EXPECT_EQ(Records().State(ssF1), srcStale);
    EXPECT_EQ(Records().State(ssF2), srcStale);
    Signals.ReCalculateFuncAndSpectrGdeNado(false);
    EXPECT_EQ(Computed, (std::vector<int>{ssF2, ssF1}));
    EXPECT_EQ(Records().State(ssF1), srcFresh);
    EXPECT_EQ(Records().Fingerprint(ssF1), Signals.SignalSettingsSignature(ssF1));

    // The cycle ends: everything is up to date. Only a view change of F1 makes it stale.
    for (int s : {ssCh1, ssCh2, ssF1, ssF2}) Records().SetState(s, srcUpToDate);
    EXPECT_EQ(Signals.SostaritjIliOtklFuncSpectrGdeNado(), 1);
    Inputs.Views[ssF1].HorPosition = 3;
    Signals.SostaritjIliOtklFuncSpectrGdeNado();
    EXPECT_EQ(Records().State(ssF1), srcStale);
    EXPECT_EQ(Records().State(ssF2), srcUpToDate);

    // Ch1 goes off: F1 is switched off and its layer freed in the first pass.
    Records().SetState(ssCh1, srcOff);
    EXPECT_EQ(Signals.SostaritjIliOtklFuncSpectrGdeNado(), 2);
    EXPECT_EQ(Records().State(ssF1), srcOff);
    EXPECT_EQ(Display->Removed, std::vector<int>{ssF1});

    // A source switched off loses its state and layer as well.
    SetOn(ssF2, false);
    Signals.SostaritjIliOtklFuncSpectrGdeNado();
    EXPECT_EQ(Records().State(ssF2), srcOff);
    EXPECT_EQ(Display->Removed, (std::vector<int>{ssF1, ssF2}));
}

TEST_F(Derived, LoopsAreReportedOnceAndFailuresStayStale) {
    // F3 and F4 take each other: neither can ever be computed.
    Inputs.Functions[ssF3] = {.Operation = 5, .Source1 = ssF4, .Source2 = ssNone, .Constant = 0};
    Inputs.Functions[ssF4] = {.Operation = 5, .Source1 = ssF3, .Source2 = ssNone, .Constant = 0};
    SetOn(ssF3);
    SetOn(ssF4);
    Records().SetState(ssF3, srcStale);
    Records().SetState(ssF4, srcStale);
    Signals.ReCalculateFuncAndSpectrGdeNado(false);
    Signals.ReCalculateFuncAndSpectrGdeNado(false);
    ASSERT_EQ(C.User->Boxes.size(), 1u);
    EXPECT_EQ(C.User->Boxes[0], "Functions " + Records().Caption(ssF3) + ", " + Records().Caption(ssF4) +
                                     " refer to each other in a loop and are not computed");
    EXPECT_TRUE(Computed.empty());

    // A failed computation is no loop: it stays stale without a message, and the message is forgotten.
    Inputs.Functions[ssF3].Source1 = ssCh1;
    Inputs.Functions[ssF4].Source1 = ssCh1;
    Records().SetState(ssCh1, srcFresh);
    Analysis->Failing = {ssF3};
    Signals.ReCalculateFuncAndSpectrGdeNado(false);
    EXPECT_EQ(Records().State(ssF3), srcStale);
    EXPECT_EQ(Records().State(ssF4), srcFresh);
    EXPECT_EQ(C.User->Boxes.size(), 1u);
    EXPECT_TRUE(Signals.RememberedMessage().empty());
}

TEST_F(Derived, AgeingStopsAfterTenPasses) {
    // A stand-in whose F1 input flips each time: its layer is freed, then F2's reading turns it back.
    bool inputOn = false;
    Inputs.Functions[ssF2] = {.Operation = 5, .Source1 = ssCh1, .Source2 = ssNone, .Constant = 0};
    Inputs.OnFunctionRead = [&](int source) {
        if (source == ssF2) inputOn = false;
        Inputs.Functions[ssF1].Source1 = inputOn ? ssCh1 : ssM1;
    };
    Display->OnRemove = [&](int source) {
        if (source == ssF1) inputOn = true;
    };
    Inputs.Functions[ssF1] = {.Operation = 5, .Source1 = ssM1, .Source2 = ssNone, .Constant = 0};
    SetOn(ssF1);
    SetOn(ssF2);
    Records().SetState(ssCh1, srcUpToDate);
    Records().SetState(ssF1, srcStale);
    EXPECT_EQ(Signals.SostaritjIliOtklFuncSpectrGdeNado(), 10);
    EXPECT_EQ(C.User->Boxes, std::vector<std::string>{"SostaritjIliOtklFuncSpectrGdeNado ЗАЦИКЛИЛАСЬ!"});
}

TEST_F(Derived, ArgumentsAndSignaturesByKind) {
    Inputs.Functions[ssF1] = {.Operation = 4, .Source1 = ssCh1, .Source2 = ssCh2, .Constant = 0};
    EXPECT_EQ(Signals.Argument_2_OfFunc(ssF1), ssNone);  // one operand
    EXPECT_EQ(Signals.Argument_1_OfFunc(ssM1), ssNone);
    EXPECT_EQ(C.User->Boxes.size(), 1u);
    EXPECT_THROW(Signals.Argument_2_OfFunc(ssS1), EInternalError);
    EXPECT_THROW(FuncNumber(ssM1), EInternalError);
    EXPECT_THROW(SpectrNumber(ssF1), EInternalError);
    EXPECT_THROW(Signals.SignalSettingsSignature(ssCh1), EInternalError);
    // XY is keyed by its own index.
    EXPECT_EQ(Signals.SignalSettingsSignature(ssXY), 101 * ssCh1 + ssCh2);
    // Every view setting, operation and source moves a signature.
    const std::int32_t before = Signals.SignalSettingsSignature(ssF1);
    const auto differs = [&](auto change) {
        TFakeInputs saved = Inputs;
        change();
        const bool d = Signals.SignalSettingsSignature(ssF1) != before;
        Inputs.Functions = saved.Functions;
        Inputs.Views = saved.Views;
        return d;
    };
    EXPECT_TRUE(differs([&] { Inputs.Functions[ssF1].Operation = 5; }));
    EXPECT_TRUE(differs([&] { Inputs.Functions[ssF1].Source1 = ssCh2; }));
    EXPECT_TRUE(differs([&] { Inputs.Functions[ssF1].Constant = 0.5; }));
    EXPECT_TRUE(differs([&] { Inputs.Views[ssF1].HorScale = 0.5; }));
    EXPECT_TRUE(differs([&] { Inputs.Views[ssF1].VScaleType = 1; }));
    EXPECT_TRUE(differs([&] { Inputs.Views[ssF1].Suppress = 2; }));
    EXPECT_TRUE(differs([&] { Inputs.Views[ssF1].OffsPhase = 22.5; }));
}

TEST_F(Derived, DisplayValueOperations) {
    TSignalObj& r = Records().Record(ssM1);
    r.SetLength(8);
    r.SetPoint(4, 0);
    r.SetPoint(5, 4);
    r.SetPoint(6, 4);
    EXPECT_DOUBLE_EQ(Signals.LevelCrossingIndex(ssM1, 5, 1), 4.25);
    r.SetPoint(4, 4);
    EXPECT_DOUBLE_EQ(Signals.LevelCrossingIndex(ssM1, 5, 1), 4.5);
    r.SetPoint(4, 0);
    EXPECT_DOUBLE_EQ(Signals.InterpolatedValue(ssM1, 4, 4.25), 1);
    EXPECT_DOUBLE_EQ(Signals.InterpolatedValue(ssM1, 4, 4.0), 0);
    EXPECT_NEAR(Signals.InterpolatedValue(ssM1, 4, 4.0005), 0.002, 1e-12);
}

TEST(DerivedMoves, OneUndoRestoresAMoveAndADrag) {
    TAcqContext c;
    c.Register(false);
    TSpider& root = c.Tree().Root();
    auto& offset = root.AddDoubleEditHandler("Ch1:Offset", {.Config = {.Minimum = -10, .Maximum = 10, .Resolution = 1e-9}});
    auto& scale = root.AddDoubleEditHandler("Ch1:Scale", {.Initial = 0.1, .Config = {.Minimum = 1e-3, .Maximum = 1, .Resolution = 1e-9}});
    auto& mode = root.AddRadioHandler("TB:Mode", {.Items = "A,AB,B"});
    root.AddDoubleEditHandler("TB:ScaleA", {.Initial = 1e-8, .Config = {.Minimum = 1e-11, .Maximum = 1, .Resolution = 1e-15}});
    auto& scaleB = root.AddDoubleEditHandler("TB:ScaleB", {.Initial = 2e-9, .Config = {.Minimum = 1e-11, .Maximum = 1, .Resolution = 1e-15}});
    auto& delay = root.AddDoubleEditHandler("TB:Delay", {.Initial = 2, .Config = {.Minimum = 0, .Maximum = 10, .Resolution = 1e-4}});
    c.Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    c.Shell.UndoBuffer()->SetEnabled(true);
    TDerivedInputs inputs(c.Shell);
    TDerivedSignals signals(c.Shell, inputs);
    auto undo = [&] {
        auto list = c.Shell.UndoBuffer()->Undo();
        ASSERT_TRUE(list.has_value());
        for (const TUndoItem& item : *list) ApplyCommandText(*item.Handler, item.Text);
    };

    signals.MoveSignalByDivisions(ssCh1, 0.25, 0.1);
    EXPECT_DOUBLE_EQ(offset.GetValue(), 0.2);
    EXPECT_DOUBLE_EQ(delay.GetValue(), 1);
    EXPECT_TRUE(c.Shell.SingleOn);
    undo();
    EXPECT_DOUBLE_EQ(offset.GetValue(), 0);
    EXPECT_DOUBLE_EQ(delay.GetValue(), 2);

    // A box of half the height around the middle, half the width from 0.4.
    signals.DragSignalOnScreen({ssCh1}, 0.5, 0.25, 0.5, 0.4);
    EXPECT_EQ(mode.GetItemIndex(), 2);
    EXPECT_DOUBLE_EQ(scaleB.GetValue(), 5e-9);
    EXPECT_DOUBLE_EQ(delay.GetValue(), 4);
    EXPECT_DOUBLE_EQ(scale.GetValue(), 0.05);
    undo();
    EXPECT_EQ(mode.GetItemIndex(), 0);
    EXPECT_DOUBLE_EQ(scaleB.GetValue(), 2e-9);
    EXPECT_DOUBLE_EQ(delay.GetValue(), 2);
    EXPECT_DOUBLE_EQ(scale.GetValue(), 0.1);
    EXPECT_DOUBLE_EQ(offset.GetValue(), 0);
}

TEST_F(Derived, StaleLayersAreRedrawnWithTheirViews) {
    TSignalObj& f1 = Records().Record(ssF1);
    f1.SetLength(64);
    for (int i = 0; i < 64; ++i) f1.SetPoint(i, i);
    f1.SetVertScale(0.5);
    Inputs.Views[ssF1] = {.ComplexScale = 0, .Suppress = 0, .SupprLevel = -50, .VScaleType = 0, .VertScale = 2,
                          .VertDBScale = 20, .Offset = 1.5, .OffsInDB = 0, .OffsPhase = 0, .PhaseScale = 1,
                          .HorScale = 0.5, .HorPosition = 10};
    Inputs.Views[ssS1] = {.ComplexScale = 0, .Suppress = 3, .SupprLevel = -40, .VScaleType = 1, .VertScale = 1,
                          .VertDBScale = 10, .Offset = 0, .OffsInDB = 6, .OffsPhase = 45, .PhaseScale = 0.5,
                          .HorScale = 0.5, .HorPosition = 0};
    Records().Record(ssS1).SetSpectrum(true);
    for (int s : {ssF1, ssS1, ssM1}) SetOn(s);
    Records().SetState(ssF1, srcFresh);
    Records().SetState(ssS1, srcUpToDate);
    Records().SetState(ssM1, srcFresh);
    Signals.RedrawStaleSignals();
    EXPECT_TRUE(Display->Drawn.empty()) << "no screen yet";
    Display->Panel = true;
    Signals.RedrawStaleSignals();
    EXPECT_EQ(Display->Drawn, (std::vector<int>{ssF1, ssS1}));
    EXPECT_EQ(f1.ViewStart(), 10);
    EXPECT_EQ(f1.Decimation(), 2);
    EXPECT_DOUBLE_EQ(f1.ViewPosition(), -0.75);
    EXPECT_DOUBLE_EQ(f1.ViewScaleFactor(), 2);
    ASSERT_EQ(Display->Points[0].Length, f1.GetDecimatedLength());
    EXPECT_DOUBLE_EQ(Display->Points[0].Values[0], f1.GetDisplayValue(0));
    const TSignalObj& s1 = Records().Record(ssS1);
    EXPECT_TRUE(s1.SkipDC() && s1.PhaseGate() && s1.DbOn());
    EXPECT_DOUBLE_EQ(s1.DbScale(), 10);
    EXPECT_DOUBLE_EQ(s1.DbOffset(), -6);
    EXPECT_DOUBLE_EQ(s1.PhaseOffset(), 45);
    EXPECT_DOUBLE_EQ(s1.PhaseScaleFactor(), 0.5);
}

TEST(DerivedCopies, ValuesWithTheirViewSettings) {
    TAcqContext c;
    c.Register(false);
    TSpider& root = c.Tree().Root();
    for (const char* node : {"Zoom:F1:", "Zoom:M1:"}) {
        root.AddCheckHandler(std::string(node) + "Suppress", {.Items = "DC,Phase"});
        root.AddDoubleEditHandler(std::string(node) + "Offset",
                                  {.Config = {.Minimum = -10, .Maximum = 10, .Resolution = 1e-13, .Units = "div"}});
        root.AddDoubleEditHandler(std::string(node) + "HorScale",
                                  {.Initial = 1, .Config = {.Minimum = 0.0078125, .Maximum = 1, .Resolution = 1e-13}});
    }
    FindSetting<TCheckSwHandler>(&c.Tree(), "Zoom:F1:Suppress")->SetMask(2);
    FindSetting<TEditHandler>(&c.Tree(), "Zoom:F1:Offset")->SetValue(-2.25);
    FindSetting<TEditHandler>(&c.Tree(), "Zoom:F1:HorScale")->SetValue(0.25);
    TSignalRecords& records = *c.Shell.Records();
    records.Record(ssF1).SetLength(64);
    records.Record(ssF1).SetPoint(3, 7.5);
    TDerivedInputs inputs(c.Shell);
    TDerivedSignals signals(c.Shell, inputs);

    signals.CopySignalValues(ssM1, ssF1, true);
    EXPECT_EQ(records.Record(ssM1).Length(), 64);
    EXPECT_DOUBLE_EQ(records.Record(ssM1).GetPoint(3), 7.5);
    const TDerivedView view = inputs.View(ssM1);
    EXPECT_EQ(view.Suppress, 2u);
    EXPECT_DOUBLE_EQ(view.Offset, -2.25);
    EXPECT_DOUBLE_EQ(view.HorScale, 0.25);
    EXPECT_EQ(records.Record(ssM1).Decimation(), 4);
    // A channel has no view settings: the copy's zoom starts anew.
    signals.CopySignalValues(ssM1, ssCh1, true);
    EXPECT_DOUBLE_EQ(inputs.View(ssM1).Offset, 0);
    EXPECT_DOUBLE_EQ(inputs.View(ssM1).HorScale, 1);
}
