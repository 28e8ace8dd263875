#include "analysis/TrendWaveform.h"

#include <algorithm>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/MeasCalc.h"
#include "analysis/SignalLevels.h"
#include "core/Shell.h"
#include "core/StepSeries.h"

namespace vt {

namespace {

constexpr float Missing = -1.0f;
// Fields of an entry.
enum : int { fRiseLow, fRiseMid, fRiseHigh, fFallHigh, fFallMid, fFallLow };
// More than ten trends teach a function nothing new: its scale stays until the averaging restarts.
constexpr int LastLearningCount = 10;

// Where a kind's value starts and ends and up to which point it holds; Next: the field of the
// following entry.
struct TFieldRef {
    int Field;
    bool Next;
};
struct TKindFields {
    TFieldRef Start, End, Hold;
};
constexpr TKindFields KindFields[TrendKindCount] = {
    {{fRiseMid, false}, {fRiseMid, true}, {fRiseMid, true}},   // Period
    {{fRiseMid, false}, {fRiseMid, true}, {fRiseMid, true}},   // Freq
    {{fRiseMid, false}, {fFallMid, false}, {fRiseMid, true}},  // PosWidth
    {{fFallMid, false}, {fRiseMid, true}, {fRiseMid, true}},   // NegWidth
    {{fRiseLow, false}, {fRiseHigh, false}, {fFallMid, false}}, // RiseTime
    {{fFallHigh, false}, {fFallLow, false}, {fRiseMid, true}}, // FallTime
    {{fRiseMid, false}, {fFallMid, false}, {fRiseMid, true}},  // PosDuty
    {{fFallMid, false}, {fRiseMid, true}, {fRiseMid, true}},   // NegDuty
};

bool IsDuty(int kind) { return kind == tkPosDuty || kind == tkNegDuty; }

const char* KindUnit(int kind) { return kind == tkFreq ? "Hz" : IsDuty(kind) ? "%" : "s"; }

bool IsEnd(const TEdgeEntry& e) {
    return std::all_of(e.begin(), e.end(), [](float x) { return x == Missing; });
}

}  // namespace

void FindEdges(const TSignalObj& source, const MeasSourceState& state, TEdgeTable& table) {
    // Each search runs from its own copy of the start; after tells where the edge completed.
    const auto rising = [&](int from, int sel, int* after = nullptr) {
        int s = from;
        const double x = FindRisingCrossing(source, state, s, sel, true);
        if (after) *after = s;
        return static_cast<float>(x);
    };
    const auto falling = [&](int from, int sel, int* after = nullptr) {
        int s = from;
        const double x = FindFallingCrossing(source, state, s, sel, true);
        if (after) *after = s;
        return static_cast<float>(x);
    };
    const float r = rising(0, lsMiddle), f = falling(0, lsMiddle);
    int entry = 0, s = 1;
    // A record that begins inside a pulse: entry 0 holds its falling edge only.
    if (f >= 0 && (r < 0 || f < r)) {
        table[0] = {Missing, Missing, Missing, falling(0, lsUpper), f, falling(0, lsLower)};
        entry = 1;
        s = 0;
    }
    for (; entry < EdgeTableSize - 1; ++entry) {
        TEdgeEntry& e = table[static_cast<std::size_t>(entry)];
        int high = s, next = s;
        e[fRiseLow] = rising(s, lsLower);
        e[fRiseMid] = rising(s, lsMiddle);
        e[fRiseHigh] = rising(s, lsUpper, &high);
        e[fFallHigh] = falling(high, lsUpper);
        e[fFallMid] = falling(high, lsMiddle);
        e[fFallLow] = falling(high, lsLower, &next);
        s = next;
        if (e[fFallLow] < 0) {
            ++entry;
            break;
        }
    }
    table[static_cast<std::size_t>(entry)].fill(Missing);
}

bool CalcTrendWaveform(TSignalObj& target, const TEdgeTable& table, int kind, TTrendAverage& average, int origin) {
    if (kind < 0 || kind >= TrendKindCount) return false;
    int count = 0;
    while (count < EdgeTableSize && !IsEnd(table[static_cast<std::size_t>(count)])) ++count;
    // Nothing past the table's end is read: its entries are left from earlier records.
    const auto field = [&](int entry, TFieldRef ref) -> double {
        const int e = entry + (ref.Next ? 1 : 0);
        return e < count ? table[static_cast<std::size_t>(e)][static_cast<std::size_t>(ref.Field)] : Missing;
    };
    const TKindFields& k = KindFields[kind];
    const bool duty = IsDuty(kind);
    const double dt = target.SampleInterval();
    const int n = target.Length();
    double* y = target.Data1();
    int next = 0;  // the first point not yet written
    bool written = false;
    double last = 0;
    for (int e = field(0, k.Start) < 0 ? 1 : 0; e < EdgeTableSize; ++e) {
        const double start = field(e, k.Start), end = field(e, k.End), hold = field(e, k.Hold);
        // The hold point of the entry before is this entry's middle rising edge.
        const double before = field(e, {fRiseMid, false});
        bool defined = start > 0 && end > 0;
        double value = 0;
        if (duty) {
            defined = defined && before > 0 && hold > before;
            if (defined) value = (end - start) / (hold - before) * 100;
        } else if (kind == tkFreq) {
            defined = defined && (end - start) * dt != 0;
            if (defined) value = 1 / ((end - start) * dt);
        } else if (defined) {
            value = (end - start) * dt;
        }
        if (defined) {
            const int to = hold >= 0 ? std::min(static_cast<int>(hold) + origin, n - 1) : n - 1;
            for (; next <= to; ++next) y[next] = value, written = true, last = value;
            continue;
        }
        // The rest takes the last value; a later cycle of a duty kind still writes over it.
        if (written) std::fill(y + next, y + n, last);
        if (!duty || hold < 0) break;
    }
    if (!written) return false;
    std::fill(y + next, y + n, last);
    // The values are times, frequencies or percentages whatever the scale has learnt.
    target.SetVertUnit(KindUnit(kind));
    if (average.Count > LastLearningCount) return true;
    const auto [lo, hi] = std::minmax_element(y, y + n);
    // A flat trend teaches no scale.
    if (*lo == *hi) return true;
    if (++average.Count == 1) {
        average.SumMin = *lo;
        average.SumMax = *hi;
    } else {
        average.SumMin += *lo;
        average.SumMax += *hi;
    }
    const double meanMin = average.SumMin / average.Count, meanMax = average.SumMax / average.Count;
    const double scale = CorrectNewVal1_2_5((meanMax - meanMin) / 3);
    if (scale > 0) target.SetVertScale(scale);
    target.SetVertOffset((meanMax + meanMin) / 2);
    return true;
}

// ------------------------------------------------------------------------------------ the feature

TTrendWaveform::TTrendWaveform(TShell& shell, TMeasCalc& meas)
    : Shell_(shell), Meas_(meas), Work_(std::make_unique<TSignalObj>()), Table_(std::make_unique<TEdgeTable>()) {}

TTrendWaveform::~TTrendWaveform() = default;

bool TTrendWaveform::CalcTrendWaveform(int function, int source, int kind) {
    TSignalRecords* records = Shell_.Records();
    if (!records || function < 0 || function >= MathFunctionCount || !records->FindRecord(source)) return false;
    const TSignalObj& from = records->Record(source);
    // A spectrum has no cycles.
    if (from.IsSpectrum()) return false;
    TSignalObj& target = records->Record(ssF1 + function);
    // The source's record under the function's own scale, offset and unit; the function's record
    // changes only when the trend wrote points (the source may be the function itself).
    Work_->AssignWithData(from);
    Work_->SetVertScale(target.VertScale());
    Work_->SetVertOffset(target.VertOffset());
    Work_->SetVertUnit(target.GetVertUnitRaw());
    Meas_.FindSignalLevels(source);
    Meas_.SetLevelMarkers(source);
    Meas_.SetReferenceLevels(source);
    FindEdges(from, Meas_.State(source), *Table_);
    if (!vt::CalcTrendWaveform(*Work_, *Table_, kind, Averages_[static_cast<std::size_t>(function)],
                               from.ViewStart()))
        return false;
    target.AssignWithData(*Work_);
    target.SetMathResult(true);
    return true;
}

void TTrendWaveform::ResetTrendAverage(int function) {
    if (function >= 0 && function < MathFunctionCount) Averages_[static_cast<std::size_t>(function)].Count = 0;
}

const TTrendAverage& TTrendWaveform::Average(int function) const {
    return Averages_.at(static_cast<std::size_t>(function));
}

}  // namespace vt
