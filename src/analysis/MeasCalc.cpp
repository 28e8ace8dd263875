#include "analysis/MeasCalc.h"

#include <limits>

#include "acq/HistogramObjects.h"
#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "core/Shell.h"

namespace vt {

namespace {

constexpr const char* UnitName = "_SHELL\\SRC\\MeasCalc";
constexpr int DisplayOff = 0;
constexpr int ModePermanent = 0;
constexpr int FirstJitterKind = xkPosJitterPp;

}  // namespace

TMeasCalc::TMeasCalc(TShell& shell)
    : Shell_(shell), Settings_(std::make_unique<TMeasSettings>(&shell)) {}

TMeasCalc::~TMeasCalc() = default;

void TMeasCalc::SetSettings(std::unique_ptr<TMeasSettings> settings) {
    Settings_ = settings ? std::move(settings) : std::make_unique<TMeasSettings>(&Shell_);
}

void TMeasCalc::SetListHooks(TMeasListHooks* hooks) { Hooks_ = hooks ? hooks : &NoHooks_; }

MeasSourceState& TMeasCalc::StateRef(int source) {
    if (source < 0 || source >= SignalRecordCount) VT_INTERNAL_ERROR(UnitName, "Range check error: source");
    return States_[static_cast<std::size_t>(source)];
}

const MeasSourceState& TMeasCalc::State(int source) const {
    if (source < 0 || source >= SignalRecordCount) VT_INTERNAL_ERROR(UnitName, "Range check error: source");
    return States_[static_cast<std::size_t>(source)];
}

TSignalObj* TMeasCalc::Record(int source) const {
    TSignalRecords* records = Shell_.Records();
    return records ? records->FindRecord(source) : nullptr;
}

bool TMeasCalc::SourceOn(int source) const {
    const TSignalRecords* records = Shell_.Records();
    return records && source >= 0 && source < SignalRecordCount && records->SignalsOn().IsOn(source);
}

TMeasSourceView TMeasCalc::View(int source) const { return {Record(source), &State(source)}; }

std::string TMeasCalc::Lang(const char* key) const { return Shell_.LangStr(key); }

void TMeasCalc::ResetMeasState() {
    for (MeasSourceState& s : States_) s.LevelsMissing = s.WindowLevelsMissing = true;
}

// ------------------------------------------------------------------------------------------ the pass

void TMeasCalc::MeasureAcquisition() {
    const TMeasGlobalSettings g = Settings_->Global();
    if (g.Display == DisplayOff || !Shell_.Records()) return;
    Measured_ = false;
    if (MeasureNow_) {
        for (int s = 0; s < SignalRecordCount; ++s)
            if (SourceOn(s)) UpdateSignalMeasurements(s, 1);
        MeasureNow_ = false;
    }
    if (g.Mode == ModePermanent) {
        for (int s = 0; s < SignalRecordCount; ++s)
            if (SourceOn(s) && Record(s)->ChangedFlag(0)) UpdateSignalMeasurements(s, 1);
    }
    // A level change includes the thresholds, which include the margins: each source's lowest pending
    // stage runs once, so no request raised together with another is lost.
    for (int s = 0; s < SignalRecordCount; ++s) {
        const MeasSourceState& st = State(s);
        if (st.LevelMarkerPending)
            UpdateSignalMeasurements(s, 2);
        else if (st.ThresholdPending)
            UpdateSignalMeasurements(s, 3);
        else if (st.MarginPending && SourceOn(s))
            UpdateSignalMeasurements(s, 4);
    }
    if (g.View) Hooks_->ShowMeasDefinitionLayer();
    if (Measured_ && g.LimitTestOn && LimitTestAcquisition) LimitTestAcquisition();
}

void TMeasCalc::UpdateSignalMeasurements(int source, int stage) {
    MeasSourceState& st = StateRef(source);
    TSignalObj* record = Record(source);
    if (!record) return;
    TSignalObj& s = *record;
    if (Shell_.Records()->FlagOfScalesChange().IsChanged(source)) Hooks_->RefreshScaleControls(source);
    if (SourceOn(source)) {
        const TMeasGlobalSettings g = Settings_->Global();
        const TMeasSourceSettings settings = Settings_->Source(source);
        if (stage == 1) st.LevelsMissing = true;
        if (st.LevelsMissing) stage = 1;
        const bool empty = stage == 1 && vt::FindSignalLevels(st, s);
        if (empty && !s.IsSpectrum()) {
            // A clipped record: every measurement of the source reads undefined.
            st.WindowLevelsMissing = true;
        } else {
            if (stage <= 2) vt::SetLevelMarkers(st, s, settings);
            if (stage <= 3) vt::SetReferenceLevels(st, s, settings, Texts_, Lang("div"));
            if (s.IsSpectrum()) {
                if (source == g.DisplSrc) Hooks_->ShowFftDefinitionLayer();
            } else {
                vt::ComputeMargins(st, s, settings, Table_);
                st.WindowLevelsMissing = LevelHistogram(st.WindowHist, s, true, st.RightMargin, st.LeftMargin) == 0;
                if (!st.WindowLevelsMissing) FindTopBase(st.WindowHist, true, s, st.WindowBase, st.WindowTop);
                if (source == g.DisplSrc) Hooks_->ShowMeasDefinitionLayer();
            }
        }
        if (Hooks_->IsSourceMeasured(source) && Shell_.Display().PanelExists()) {
            Hooks_->MeasureSlotsOfSource(source);
            Measured_ = true;
        }
    }
    s.ClearChangedFlag(0);
    st.LevelMarkerPending = st.ThresholdPending = st.MarginPending = false;
}

// ------------------------------------------------------------------------------ levels and edges

bool TMeasCalc::FindSignalLevels(int source) {
    TSignalObj* r = Record(source);
    if (!r) return true;
    return vt::FindSignalLevels(StateRef(source), *r);
}

void TMeasCalc::SetLevelMarkers(int source) {
    if (TSignalObj* r = Record(source)) vt::SetLevelMarkers(StateRef(source), *r, Settings_->Source(source));
}

void TMeasCalc::SetReferenceLevels(int source) {
    if (TSignalObj* r = Record(source))
        vt::SetReferenceLevels(StateRef(source), *r, Settings_->Source(source), Texts_, Lang("div"));
}

double TMeasCalc::FindRisingCrossing(int source, int& start, int sel, bool toEnd, TCrossingPlace* place) const {
    const TSignalObj* r = Record(source);
    return r ? vt::FindRisingCrossing(*r, State(source), start, sel, toEnd, place) : -1;
}

double TMeasCalc::FindFallingCrossing(int source, int& start, int sel, bool toEnd, TCrossingPlace* place) const {
    const TSignalObj* r = Record(source);
    return r ? vt::FindFallingCrossing(*r, State(source), start, sel, toEnd, place) : -1;
}

int TMeasCalc::FindCrossingWindow(int source, int n, int which) {
    const TSignalObj* r = Record(source);
    return r ? vt::FindCrossingWindow(*r, State(source), Settings_->Source(source), n, which, Table_) : -1;
}

void TMeasCalc::TrackCrossingWindow(int source) {
    if (!Record(source)) return;
    FindCrossingWindow(source, 0, 0);
    const MeasSourceState& st = State(source);
    const int l = Table_.NearestTablePoint(st.LeftMargin, true);
    const int r = Table_.NearestTablePoint(st.RightMargin, false);
    if (l < r) Settings_->SetSlopes(source, l, r);
}

void TMeasCalc::SetCrossingWindowHandlers(int source) {
    const TSignalObj* r = Record(source);
    const MeasSourceState& st = State(source);
    if (!r || st.LeftMargin >= st.RightMargin) return;
    Settings_->SetMarkers(source, static_cast<int>(RoundHalfEven(r->ViewIndexToColumn(st.LeftMargin))),
                          static_cast<int>(RoundHalfEven(r->ViewIndexToColumn(st.RightMargin))));
}

// ------------------------------------------------------------------------------ one measurement

double TMeasCalc::CalcMeasurement(TParameterOfMeas& p) {
    double value = UndefinedValue;
    // Every point starts unplaced; what the kind places this time is drawn, the rest is not.
    constexpr std::int32_t unplaced = std::numeric_limits<std::int32_t>::min();
    for (int n = 1; n <= AnnotationRecordCount; ++n) {
        SetAnnotationPoint(p.Annotation, n, unplaced, unplaced);
        SetAnnotationX2(p.Annotation, n, unplaced);
    }
    const TSignalObj* record = Record(p.Source);
    if (record && (p.Group == mgXFft || p.Group == mgYFft)) {
        // Spectra have no levels: the spectrum kinds read the record alone.
        if (record->IsSpectrum()) {
            const TSpectrumTexts texts{Lang("anPeak_L_"), Lang("anPeak_R_")};
            value = CalcSpectrumKind(p.Group == mgXFft, p.Kind, *record, Settings_->Source(p.Source), p.Annotation,
                                     texts);
        }
    } else if (record && !record->IsSpectrum()) {
        const MeasSourceState& st = State(p.Source);
        if (!st.LevelsMissing && !st.WindowLevelsMissing) {
            const TMeasSourceView src = View(p.Source);
            const TMeasAnnotationTexts texts{Lang("an_R_Cross"), Texts_};
            auto second = [&]() -> TMeasSourceView {
                const TSignalObj* r2 = Record(p.Source2);
                if (!r2 || r2->IsSpectrum() || !SourceOn(p.Source2)) return {};
                const MeasSourceState& st2 = State(p.Source2);
                if (st2.LevelsMissing || st2.WindowLevelsMissing) return {};
                return {r2, &st2};
            };
            switch (p.Group) {
                case mgX:
                    if (p.Kind >= FirstJitterKind) {
                        if (TFullHist* hist = Shell_.FullHist()) {
                            const TJitterTexts jt{Lang("an_p_p"), Lang("RMS"), Lang("an_L"), Lang("an_R")};
                            value = Jitter_.Compute(p.Kind, src, *hist, p.Annotation, jt, texts);
                        }
                    } else {
                        value = CalcXKind(p.Kind, src, p.Annotation, texts);
                    }
                    break;
                case mgY: value = CalcYKind(p.Kind, src, p.Annotation); break;
                case mgXDual: value = CalcXDualKind(p.Kind, src, second(), p.Annotation); break;
                case mgYDual: value = CalcYDualKind(p.Kind, src, second(), p.Annotation); break;
                default: break;
            }
        }
    }
    p.PlacedPoints = 0;
    for (int n = 1; n <= AnnotationRecordCount; ++n) {
        TAnnLabelParam& r = p.Annotation[n];
        // A level line has a row only.
        if (r.Y != unplaced) p.PlacedPoints |= static_cast<std::uint8_t>(1u << (n - 1));
        if (r.X == unplaced) r.X = 0;
        if (r.Y == unplaced) r.Y = 0;
        if (r.X2 == unplaced) r.X2 = 0;
    }
    p.Value = value;
    return value;
}

}  // namespace vt
