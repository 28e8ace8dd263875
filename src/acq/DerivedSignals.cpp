#include "acq/DerivedSignals.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "acq/SignalSources.h"
#include "core/DotNumberText.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "core/UndoBuffer.h"

namespace vt {

namespace {

constexpr const char* UnitName = "SignalAcq";
constexpr int PassLimit = 10;
constexpr int ComputedSources[] = {ssF1, ssF2, ssF3, ssF4, ssS1, ssS2};
constexpr int ScreenRows = 8;        // divisions over the screen height
constexpr int ScreenDivisions = 10;  // divisions over the screen width
constexpr double MoveColumns = 4000;

bool HoldsRecord(int source) { return source >= 0 && source < SignalRecordCount; }

std::string ZoomPath(int source, const char* name) { return "Zoom:" + SourceShortName(source) + ":" + name; }

// Which offset a vertical move of a derived source changes.
enum class TVerticalView { Linear, Db, Phase };
TVerticalView VerticalViewOf(int source, const TDerivedView& v) {
    if (!IsSpectrumSource(source)) return TVerticalView::Linear;
    if (v.ComplexScale == 1) return TVerticalView::Phase;
    if (v.ComplexScale == 0 && v.VScaleType == 1) return TVerticalView::Db;
    return TVerticalView::Linear;
}

std::int32_t CheckedSum(double sum) {
    if (!(std::fabs(sum) <= std::numeric_limits<std::int32_t>::max()))
        VT_INTERNAL_ERROR(UnitName, "Integer overflow in SignalSettingsSignature");
    return static_cast<std::int32_t>(sum);
}

// A channel source's channel number and whether it is the B track.
int ChannelNumberOfSource(int source) { return source <= ssCh1B2 ? 1 : 2; }
bool OnTrackB(int source) { return source == ssCh1B2 || source == ssCh2B2; }

// Start values of timebase settings that may not be registered.
constexpr double TBScaleAStart = 1e-8;
constexpr double TBScaleBStart = 2e-9;
constexpr double SmallestTimeScale = 1e-11;
constexpr int TBModeB = 2;  // "A,AB,B"
constexpr double MinChannelScale = 0.001;

}  // namespace

// ----------------------------------------------------------------------------------------- inputs

TDerivedInputs::TFunction TDerivedInputs::Function(int source) const {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string node = "F" + std::to_string(FuncNumber(source) + 1) + ":";
    return {.Operation = ReadChoiceSetting(tree, node + "Operat", 0),
            .Source1 = ReadChoiceSetting(tree, node + "Source1", ssNone),
            .Source2 = ReadChoiceSetting(tree, node + "Source2", ssNone),
            .Constant = ReadRealSetting(tree, node + "Const", 0),
            .SmoothLen = static_cast<int>(ReadRealSetting(tree, node + "SmoothLen", 0)),
            .TrendMeas = ReadChoiceSetting(tree, node + "TrendMeas", 0)};
}

TDerivedInputs::TSpectrum TDerivedInputs::Spectrum(int source) const {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string node = "Spectr" + std::to_string(SpectrNumber(source) + 1) + ":";
    return {.Source = ReadChoiceSetting(tree, node + "Source", ssNone), .Window = ReadChoiceSetting(tree, node + "Window", 0)};
}

TDerivedView TDerivedInputs::View(int source) const {
    TCommandTree* tree = Shell_.CommandTree();
    const TDerivedView start;
    auto real = [&](const char* name, double absent) { return ReadRealSetting(tree, ZoomPath(source, name), absent); };
    TDerivedView v;
    v.ComplexScale = ReadChoiceSetting(tree, ZoomPath(source, "ComplexScale"), start.ComplexScale);
    v.Suppress = ReadMaskSetting(tree, ZoomPath(source, "Suppress"), start.Suppress);
    v.SupprLevel = real("SupprLevel", start.SupprLevel);
    v.VScaleType = ReadChoiceSetting(tree, ZoomPath(source, "VScaleType"), start.VScaleType);
    v.VertScale = real("VertScale", start.VertScale);
    v.VertDBScale = real("VertDBScale", start.VertDBScale);
    v.Offset = real("Offset", start.Offset);
    v.OffsInDB = real("OffsInDB", start.OffsInDB);
    v.OffsPhase = real("OffsPhase", start.OffsPhase);
    v.PhaseScale = real("PhaseScale", start.PhaseScale);
    v.HorScale = real("HorScale", IsSpectrumSource(source) ? 0.5 : 1.0);
    v.HorPosition = static_cast<int>(real("HorPosition", start.HorPosition));
    return v;
}

int TDerivedInputs::XAxis() const { return ReadChoiceSetting(Shell_.CommandTree(), "Displ:XAxis", ssNone); }
int TDerivedInputs::YAxis() const { return ReadChoiceSetting(Shell_.CommandTree(), "Displ:YAxis", ssNone); }

void TDerivedInputs::SetViewOffset(int source, double divisions) {
    WriteRealSetting(Shell_.CommandTree(), ZoomPath(source, "Offset"), divisions);
}
void TDerivedInputs::SetViewDbOffset(int source, double db) {
    WriteRealSetting(Shell_.CommandTree(), ZoomPath(source, "OffsInDB"), db);
}
void TDerivedInputs::SetViewPhaseOffset(int source, double degrees) {
    WriteRealSetting(Shell_.CommandTree(), ZoomPath(source, "OffsPhase"), degrees);
}
void TDerivedInputs::SetViewVertScale(int source, double scale) {
    WriteRealSetting(Shell_.CommandTree(), ZoomPath(source, "VertScale"), scale);
}
void TDerivedInputs::SetViewHorScale(int source, double scale) {
    WriteRealSetting(Shell_.CommandTree(), ZoomPath(source, "HorScale"), scale);
}
void TDerivedInputs::SetViewHorPosition(int source, int points) {
    WriteRealSetting(Shell_.CommandTree(), ZoomPath(source, "HorPosition"), points);
}

void TDerivedInputs::CopyView(int target, int source) {
    static constexpr const char* Names[] = {"ComplexScale", "Suppress", "SupprLevel", "VScaleType",
                                            "VertScale",    "VertDBScale", "Offset",  "OffsInDB",
                                            "OffsPhase",    "PhaseScale", "HorScale", "HorPosition"};
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree || !IsDerivedSource(target)) return;
    if (!IsDerivedSource(source)) {
        SetViewVertScale(target, 1);
        SetViewOffset(target, 0);
        if (auto* h = FindSetting<TEditHandler>(tree, ZoomPath(target, "HorScale"))) h->SetMaxValue(1);
        SetViewHorScale(target, 1);
        SetViewHorPosition(target, 0);
        return;
    }
    for (const char* name : Names) {
        THandler* from = tree->Resolve(ZoomPath(source, name));
        THandler* to = tree->Resolve(ZoomPath(target, name));
        if (!from || !to) continue;
        // The value as a setup line holds it, without the blank an internal reply leads with.
        std::string text;
        from->ExecuteCommand("", true, text, true);
        const std::size_t first = text.find_first_not_of(' ');
        ApplyCommandText(*to, first == std::string::npos ? std::string_view() : std::string_view(text).substr(first));
    }
}

// ------------------------------------------------------------------------------------ index tests

std::int32_t Fingerprint(double x) {
    if (!std::isfinite(x)) return NonFiniteFingerprint;
    if (std::fabs(x) < 1e-40) return 0;
    while (std::fabs(x) > 1e9) x /= 10;
    while (std::fabs(x) < 1e8) x *= 10;
    return static_cast<std::int32_t>(RoundHalfEven(x));
}

bool IsFunctionSource(int source) { return source >= ssF1 && source <= ssF4; }
bool IsSpectrumSource(int source) { return source == ssS1 || source == ssS2; }
bool IsDerivedSource(int source) { return source >= ssF1 && source <= ssS2; }

int FuncNumber(int source) {
    if (!IsFunctionSource(source)) VT_INTERNAL_ERROR(UnitName, "This signal is not function");
    return source - ssF1;
}

int SpectrNumber(int source) {
    if (!IsSpectrumSource(source)) VT_INTERNAL_ERROR(UnitName, "This signal is not Spectr");
    return source - ssS1;
}

// ---------------------------------------------------------------------------------------- states

TDerivedSignals::TDerivedSignals(TShell& shell, TDerivedInputs& inputs)
    : Shell_(shell), Inputs_(inputs), Marks_(SignalRecordCount, false) {}

TSignalRecords& TDerivedSignals::Records() const {
    TSignalRecords* records = Shell_.Records();
    if (!records) VT_INTERNAL_ERROR(UnitName, "No signal records");
    return *records;
}

int TDerivedSignals::StateOf(int source) const {
    if (HoldsRecord(source)) return Records().State(source);
    if (source == ssXY) return Records().XYState();
    return srcOff;
}

bool TDerivedSignals::SourceOn(int source) const { return Records().SignalsOn().IsOn(source); }

int TDerivedSignals::Argument_1_OfFunc(int source) const {
    if (IsFunctionSource(source)) return Inputs_.Function(source).Source1;
    if (IsSpectrumSource(source)) return Inputs_.Spectrum(source).Source;
    Shell_.ShowProgramMessage("Argument_1_OfFunc  - странный номер функции!");
    return ssNone;
}

int TDerivedSignals::Argument_2_OfFunc(int source) const {
    if (!IsFunctionSource(source))
        VT_INTERNAL_ERROR(UnitName, "Argument_2_OfFunc  - должен вызываться только для функций");
    const TDerivedInputs::TFunction f = Inputs_.Function(source);
    return f.Operation < 4 ? f.Source2 : ssNone;
}

std::int32_t TDerivedSignals::SignalSettingsSignature(int source) const {
    if (source == ssXY) return CheckedSum(101.0 * Inputs_.XAxis() + Inputs_.YAxis());
    if (!IsDerivedSource(source)) VT_INTERNAL_ERROR(UnitName, "Unknown Signal");
    const TDerivedView v = Inputs_.View(source);
    // Each view setting with a weight of its own, so that any change of one moves the sum.
    const double a = v.ComplexScale + 11 * v.SupprLevel + 19 * v.HorPosition + 1001 * v.VertScale -
                     1981 * v.VertDBScale + 199 * v.Offset + 1013 * v.PhaseScale - 21199.0 * v.Suppress +
                     23 * v.OffsInDB - 177 * v.OffsPhase - 17 * v.VScaleType + 4099 * v.HorScale;
    if (IsFunctionSource(source)) {
        const TDerivedInputs::TFunction f = Inputs_.Function(source);
        return CheckedSum(static_cast<double>(Fingerprint(f.Constant + a)) + 1001.0 * f.Operation + 101.0 * f.Source1 +
                          f.Source2 + 100003.0 * f.SmoothLen + 3000017.0 * f.TrendMeas);
    }
    if (IsSpectrumSource(source)) {
        const TDerivedInputs::TSpectrum s = Inputs_.Spectrum(source);
        return CheckedSum(101.0 * s.Source + s.Window + Fingerprint(a));
    }
    return Fingerprint(a);
}

bool TDerivedSignals::ArgumentsOff(int source) const {
    if (StateOf(Argument_1_OfFunc(source)) == srcOff) return true;
    if (!IsFunctionSource(source)) return false;
    const int second = Argument_2_OfFunc(source);
    return HoldsRecord(second) && StateOf(second) == srcOff;
}

bool TDerivedSignals::NeedsRecompute(int source) const {
    if (StateOf(Argument_1_OfFunc(source)) == srcStale) return true;
    if (IsFunctionSource(source)) {
        const int second = Argument_2_OfFunc(source);
        if (HoldsRecord(second) && StateOf(second) == srcStale) return true;
    }
    return SignalSettingsSignature(source) != Records().Fingerprint(source);
}

bool TDerivedSignals::ArgumentsReady(int source) const {
    auto ready = [this](int s) { return StateOf(s) == srcFresh || StateOf(s) == srcUpToDate; };
    if (!ready(Argument_1_OfFunc(source))) return false;
    if (!IsFunctionSource(source)) return true;
    const int second = Argument_2_OfFunc(source);
    return !HoldsRecord(second) || ready(second);
}

// ------------------------------------------------------------------------ ageing and recomputation

int TDerivedSignals::SostaritjIliOtklFuncSpectrGdeNado() {
    TSignalRecords& records = Records();
    for (int pass = 1;; ++pass) {
        bool changed = false;
        for (int s : ComputedSources) {
            if (SourceOn(s)) {
                if (records.State(s) != srcOff && ArgumentsOff(s)) {
                    Shell_.Display().RemoveSignalLayer(s);
                    records.SetState(s, srcOff);
                    changed = true;
                }
                const TSourceState state = records.State(s);
                if ((state == srcOff && !ArgumentsOff(s)) || (state == srcUpToDate && NeedsRecompute(s))) {
                    records.SetState(s, srcStale);
                    changed = true;
                }
            } else if (records.State(s) != srcOff) {
                Shell_.Display().RemoveSignalLayer(s);
                records.SetState(s, srcOff);
                changed = true;
            }
        }
        if (!changed) return pass;
        if (pass == PassLimit) {
            ShowErrorDlg("SostaritjIliOtklFuncSpectrGdeNado ЗАЦИКЛИЛАСЬ!");
            return pass;
        }
    }
}

void TDerivedSignals::ReCalculateFuncAndSpectrGdeNado(bool skipF1) {
    TSignalRecords& records = Records();
    std::vector<int> candidates;
    for (int s : ComputedSources)
        if (!(skipF1 && s == ssF1)) candidates.push_back(s);
    for (int s : candidates) Marks_[s] = false;
    for (int pass = 1; pass <= PassLimit; ++pass) {
        bool changed = false;
        for (int s : candidates) {
            const TSourceState state = records.State(s);
            if (!SourceOn(s) || (state != srcOff && state != srcStale) || !ArgumentsReady(s)) continue;
            records.SetFingerprint(s, SignalSettingsSignature(s));
            if (CalcAndDrawFuncOrSpectr(s)) {
                records.SetFingerprint(s, SignalSettingsSignature(s));
                records.SetState(s, srcFresh);
                Marks_[s] = false;
                changed = true;
            } else {
                Marks_[s] = true;
            }
        }
        if (!changed) break;
        if (pass == PassLimit) VT_INTERNAL_ERROR(UnitName, "ReCalculateFuncAndSpectrGdeNado ЗАЦИКЛИЛАСЬ!");
    }
    std::string list;
    for (int s : candidates) {
        if (!SourceOn(s) || records.State(s) != srcStale || Marks_[s]) continue;
        if (!list.empty()) list += ", ";
        list += records.Caption(s);
    }
    if (list.empty()) {
        Message_.clear();
        return;
    }
    if (skipF1) return;
    std::string message = FormatDot(Shell_.LangStr("FuncSZacyclilisj"), list);
    if (message == Message_) return;
    Message_ = std::move(message);
    ShowErrorDlg(Message_);
}

bool TDerivedSignals::CalcAndDrawFuncOrSpectr(int source) {
    bool done = false;
    if (IsFunctionSource(source)) done = Shell_.Analysis().EvaluateMathFunction(source);
    else if (IsSpectrumSource(source)) done = Shell_.Analysis().CalcSpectrum(source);
    else VT_INTERNAL_ERROR(UnitName, "CalcAndDrawFuncOrSpectr - странный аргумент!");
    if (done) RedrawSignalLayer(source);
    return done;
}

// ---------------------------------------------------------------------------------------- redraw

void TDerivedSignals::RedrawStaleSignals() {
    TDisplayServices& display = Shell_.Display();
    if (!display.PanelExists()) return;
    for (int s : ComputedSources) {
        const TSourceState state = Records().State(s);
        if (SourceOn(s) && (state == srcFresh || state == srcUpToDate) && !display.SignalLayerDrawn(s))
            RedrawSignalLayer(s);
    }
}

void TDerivedSignals::RedrawSignalLayer(int source) {
    TDisplayServices& display = Shell_.Display();
    const int style = display.SourceDisplayStyle(source);
    if (!display.HasSignalLayer(source, style)) return;
    if (IsDerivedSource(source)) ApplyViewSettings(source);
    display.DrawSignalLayer(source, style, LayerPointsOf(Records().Record(source)));
}

TDisplayServices::TSignalLayerPoints LayerPointsOf(const TSignalObj& record) {
    TDisplayServices::TSignalLayerPoints points;
    points.Length = record.GetDecimatedLength();
    points.Scale = record.GetScale();
    points.Centre = record.GetCentre();
    points.Values.reserve(static_cast<std::size_t>(std::max(points.Length, 0)));
    for (int k = 0; k < points.Length; ++k) points.Values.push_back(record.GetDisplayValue(k));
    return points;
}

void TDerivedSignals::ApplyViewSettings(int source) {
    const TDerivedView v = Inputs_.View(source);
    TSignalObj& r = Records().Record(source);
    r.SetViewStart(std::max(v.HorPosition, 0));
    r.SetDecimation(v.HorScale > 0 ? static_cast<int>(RoundHalfEven(1 / v.HorScale)) : 1);
    r.SetViewPosition(-r.VertScale() * v.Offset);
    r.SetViewScaleFactor(v.VertScale);
    if (!IsSpectrumSource(source)) return;
    r.SetComplexScale(v.ComplexScale);
    r.SetSkipDC((v.Suppress & 1u) != 0);
    r.SetPhaseGate((v.Suppress & 2u) != 0);
    r.SetPhaseGateLevel(v.SupprLevel);
    r.SetDbOn(v.VScaleType == 1);
    r.SetDbScale(v.VertDBScale);
    r.SetDbOffset(-v.OffsInDB);
    r.SetPhaseScaleFactor(v.PhaseScale);
    r.SetPhaseOffset(v.OffsPhase);
}

// ---------------------------------------------------------------------------------------- copies

void TDerivedSignals::CopySignal(int target, int source) { Records().Record(target).Assign(Records().Record(source)); }

void TDerivedSignals::CopySignalValues(int target, int source, bool withSettings) {
    // During a pass the source's record mixes it with the one before: the last ended pass's is copied.
    const TSignalObj* stored = Records().StoredRecord(source);
    Records().Record(target).AssignWithData(stored ? *stored : Records().Record(source));
    if (!withSettings) return;
    Inputs_.CopyView(target, source);
    if (IsDerivedSource(target)) ApplyViewSettings(target);
}

// -------------------------------------------------------------------------------- moves and zooms

void TDerivedSignals::SetSingle() {
    TCommandTree* tree = Shell_.CommandTree();
    if (tree && tree->Resolve("*StopSingle")) tree->ExecuteCommandString("*StopSingle Single", true);
    else Shell_.SingleOn = true;
}

void TDerivedSignals::MoveDerivedVertically(int source, double dy) {
    const TDerivedView v = Inputs_.View(source);
    switch (VerticalViewOf(source, v)) {
        case TVerticalView::Db: Inputs_.SetViewDbOffset(source, v.OffsInDB + dy * ScreenRows * v.VertDBScale); break;
        case TVerticalView::Phase:
            Inputs_.SetViewPhaseOffset(source, v.OffsPhase - dy * ScreenRows * 45 * v.PhaseScale);
            break;
        case TVerticalView::Linear: Inputs_.SetViewOffset(source, v.Offset + dy * ScreenRows * v.VertScale); break;
    }
}

void TDerivedSignals::MoveDerivedHorizontally(int source, double dx) {
    const TDerivedView v = Inputs_.View(source);
    const double points = Records().Record(source).ColumnToViewIndex(dx * MoveColumns);
    Inputs_.SetViewHorPosition(source, std::max(0, v.HorPosition + static_cast<int>(RoundHalfEven(points))));
}

void TDerivedSignals::MoveSignalByDivisions(int source, double dy, double dx) {
    if (dy == 0 && dx == 0) return;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    if (IsDerivedSource(source)) {
        if (dy != 0) MoveDerivedVertically(source, dy);
        if (dx != 0) MoveDerivedHorizontally(source, dx);
        return;
    }
    if (source > ssCh2B2) return;
    TCommandTree* tree = Shell_.CommandTree();
    const std::string channel = "Ch" + std::to_string(ChannelNumberOfSource(source)) + ":";
    // The channel's own unit: the TDR units are not built, so the offset is in volts.
    if (dy != 0)
        WriteRealSetting(tree, channel + "Offset",
                         ReadRealSetting(tree, channel + "Offset", 0) + dy * ScreenRows * ReadRealSetting(tree, channel + "Scale", 0));
    if (dx != 0) {
        // The delay is in divisions of A; a B trace moves by its own divisions.
        const double factor = OnTrackB(source) ? ReadRealSetting(tree, "TB:ScaleB", TBScaleBStart) /
                                                     ReadRealSetting(tree, "TB:ScaleA", TBScaleAStart)
                                               : 1.0;
        const char* delay = OnTrackB(source) ? "TB:DeltaDel" : "TB:Delay";
        WriteRealSetting(tree, delay,
                         std::max(0.0, ReadRealSetting(tree, delay, 0) - dx * ScreenDivisions * factor));
    }
    SetSingle();
}

void TDerivedSignals::DragSignalOnScreen(const std::vector<int>& sources, double h, double b, double w, double x) {
    if (sources.empty()) return;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    const double k = h <= 0.02 ? 50 : 1 / h;
    const double shift = (h / 2 + b - 0.5) * ScreenRows;
    TCommandTree* tree = Shell_.CommandTree();
    const bool anyChannel =
        std::any_of(sources.begin(), sources.end(), [](int s) { return s >= ssCh1 && s <= ssCh2B2; });
    if (anyChannel) {
        const double scaleA = ReadRealSetting(tree, "TB:ScaleA", TBScaleAStart);
        const double scaleB = ReadRealSetting(tree, "TB:ScaleB", TBScaleBStart);
        const bool wasB = ReadChoiceSetting(tree, "TB:Mode", 0) == TBModeB;
        const double delay = ReadRealSetting(tree, "TB:Delay", 0);
        // The box's left edge in divisions of A, from the screen's own left edge.
        const double left = wasB ? delay + x * ScreenDivisions * scaleB / scaleA : x * ScreenDivisions;
        WriteChoiceSetting(tree, "TB:Mode", TBModeB);
        WriteRealSetting(tree, "TB:ScaleB", std::max(w * (wasB ? scaleB : scaleA), SmallestTimeScale));
        WriteRealSetting(tree, "TB:Delay", left);
    }
    for (int s : sources) {
        if (s >= ssCh1 && s <= ssCh2B2) {
            const std::string channel = "Ch" + std::to_string(ChannelNumberOfSource(s)) + ":";
            const double scale = ReadRealSetting(tree, channel + "Scale", 0);
            WriteRealSetting(tree, channel + "Offset", ReadRealSetting(tree, channel + "Offset", 0) - shift * scale);
            WriteRealSetting(tree, channel + "Scale", std::max(scale / k, MinChannelScale));
        } else if (IsDerivedSource(s)) {
            MoveDerivedVertically(s, -shift / ScreenRows);
            ScaleDerivedSignal(s, k);
            ScaleDerivedSignalHor(s, std::min(1 / w, 10.0));
            MoveDerivedHorizontally(s, x);
        }
    }
    if (anyChannel) SetSingle();
}

void TDerivedSignals::ScaleDerivedSignal(int source, double factor) {
    const double f = RoundToPowerOf2(factor);
    if (f <= 0) return;
    Inputs_.SetViewVertScale(source, Inputs_.View(source).VertScale / f);
}

void TDerivedSignals::ScaleDerivedSignalHor(int source, double factor) {
    const double f = RoundToPowerOf2(factor);
    if (f <= 0 || f == 1) return;
    Inputs_.SetViewHorScale(source, std::max(Inputs_.View(source).HorScale / f, 0.25));
}

// --------------------------------------------------------------------------------- display values

double TDerivedSignals::LevelCrossingIndex(int source, int i, double level) const {
    const TSignalObj& r = Records().Record(source);
    const double v1 = r.GetDisplayValue(i);
    const double v0 = r.GetDisplayValue(i - 1);
    if (v1 == v0) return i - 0.5;
    return i - (v1 - level) / (v1 - v0);
}

double TDerivedSignals::InterpolatedValue(int source, int i, double x) const {
    const TSignalObj& r = Records().Record(source);
    const double v0 = r.GetDisplayValue(i);
    return v0 + (x - i) * (r.GetDisplayValue(i + 1) - v0);
}

// The derived signals are worked out in the acquisition cycle: their messages hold nothing.
void TDerivedSignals::ShowErrorDlg(const std::string& text) { Shell_.ShowProgramMessage(text); }

}  // namespace vt
