#include "serial/TdrMeasurements.h"

#include <algorithm>
#include <cmath>

#include "acq/SignalObj.h"
#include "acq/TdrUnits.h"
#include "analysis/WaveformMath.h"
#include "core/Decibels.h"

namespace vt {

namespace {
constexpr double SpeedOfLight = 2.997925e8;

// Orders and clamps a point range to the record; false when nothing is left of it.
bool ClampRange(const TSignalObj& record, int& first, int& last) {
    const int n = record.Length();
    if (n <= 0) return false;
    if (first > last) std::swap(first, last);
    first = std::clamp(first, 0, n - 1);
    last = std::clamp(last, 0, n - 1);
    return true;
}

// The first point of the range with the largest sign·value (ties keep the earlier point).
int LargestPoint(const double* values, int first, int last, double sign) {
    int best = first;
    for (int i = first + 1; i <= last; ++i)
        if (sign * values[i] > sign * values[best]) best = i;
    return best;
}

void Mark(TTdrReading& r, double time, double level, const char* key) {
    if (r.AnnotationCount >= static_cast<int>(r.Annotation.size())) return;
    r.Annotation[static_cast<std::size_t>(r.AnnotationCount++)] = {time, level, key};
}
}  // namespace

void TdrWindowPoints(const TSignalObj& record, double leftColumn, double rightColumn, int& first, int& last) {
    first = static_cast<int>(std::lround(record.ColumnToIndex(leftColumn)));
    last = static_cast<int>(std::lround(record.ColumnToIndex(rightColumn)));
    if (!ClampRange(record, first, last)) first = last = 0;
}

TTdrReading ReflectionReading(const TSignalObj& record, int item, int first, int last, const TTdrReference& ref) {
    TTdrReading r;
    if (!ClampRange(record, first, last) || ref.RefAmpl == 0) return r;
    // The calibration is in volts, so the reading is too, whatever the record shows.
    const double p = ref.Negative ? -1.0 : 1.0;
    const double* v = record.Data1();
    const int k = LargestPoint(v, first, last, item == tdrMinReflect ? -p : p);
    r.Valid = true;
    r.Point = k;
    r.Value = 100.0 * (p * v[k] - p * ref.BaseLine) / ref.RefAmpl;
    r.Unit = "%";
    const double level = record.Raw()                   ? ref.BaseLine
                         : record.TdrUnit() == tdrRho ? 0.0
                         : record.TdrUnit() == tdrOhm ? 50.0
                                                      : ref.BaseLine;
    Mark(r, ref.RefPlane, level, "an_RefPlane");
    Mark(r, ref.RefPlane, level, "an_Lvl50Ohm");
    Mark(r, record.IndexToTime(k), record.GetPoint(k), item == tdrMinReflect ? "anMinusPeak" : "anPlusPeak");
    return r;
}

TTdrReading TransmissionReading(const TSignalObj& record, int item, int first, int last, const TTdrReference& ref) {
    TTdrReading r;
    const double scale = record.TdrScale();
    if (!ClampRange(record, first, last) || scale == 0) return r;
    const double s = scale < 0 ? -1.0 : 1.0;
    const double stimulus = record.TdrUnit() == tdrNoUnit && !record.Raw() ? 1.0 : scale + record.TdrOffset();
    if (item == tdtPropDelay) {
        // The edge is where the smoothed slope, turned the stimulus's way, is steepest.
        TSignalObj work;
        if (!MathUnaryFunction(record, work, moDifAl)) return r;
        MathArith(work, nullptr, work, s * 1e-9, moMult);
        MathSmooth(work, work, 5);
        const int k = LargestPoint(work.Data1(), first, last, 1.0);
        r.Valid = true;
        r.Point = k;
        r.Value = record.IndexToTime(k) - ref.RefPlane;
        r.Unit = "s";
        Mark(r, ref.RefPlane, stimulus, "an_RefPlane");
        Mark(r, record.IndexToTime(k), record.GetPoint(k), "an_Edge");
        return r;
    }
    const double* v = record.Data1();
    const int k = LargestPoint(v, first, last, s);
    const double gain = (v[k] - record.TdrOffset()) / scale;
    r.Valid = true;
    r.Point = k;
    r.Value = item == tdtDbGain ? Db20(gain) : gain;
    r.Unit = item == tdtDbGain ? "dB" : "";
    Mark(r, ref.RefPlane, stimulus, "an_RefPlane");
    Mark(r, ref.RefPlane, stimulus, "an_Stimulus");
    Mark(r, record.IndexToTime(k), record.GetPoint(k), "an_Gain");
    return r;
}

double TdrPointTime(const TSignalObj& record) {
    const std::string& unit = record.HorUnit();
    double metres = record.SampleInterval();
    if (unit == "ft")
        metres *= 0.3048;
    else if (unit == "in")
        metres *= 0.0254;
    else if (unit != "m")
        return record.SampleInterval();
    const double eps = record.Dielectric() > 0 ? record.Dielectric() : 1.0;
    return std::sqrt(eps) * metres * 2.0 / SpeedOfLight;
}

TExcessLC ComputeExcessLC(const TSignalObj& record, int first, int last) {
    TExcessLC x;
    const int unit = record.TdrUnit();
    if (record.Raw() || (unit != tdrRho && unit != tdrOhm)) return x;
    if (!ClampRange(record, first, last) || first == last) return x;
    const auto rho = [&](int i) { return unit == tdrOhm ? OhmToRho(record.GetPoint(i)) : record.GetPoint(i); };
    const double rho0 = rho(first);
    const double z = RhoToOhm(rho0);
    if (std::fabs(z) <= 1e-10) return x;
    double sum = 0;
    for (int i = first; i <= last; ++i) sum += rho(i) - rho0;
    const double e = sum * TdrPointTime(record);
    // The mismatch of the line at the first point against the 50 ohm system.
    const double f = (z + 50.0) * (z + 50.0) / (4.0 * 50.0 * z);
    x.Valid = true;
    if (e >= 0) {
        x.Letter = 'L';
        x.Value = 2.0 * e * z * f;
    } else {
        x.Letter = 'C';
        x.Value = -2.0 * e * f / z;
    }
    return x;
}

}  // namespace vt
