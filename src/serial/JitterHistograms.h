#pragma once
// The jitter histograms and what is computed from them alone: the ranges the edge-mean round sets,
// the eight jitter parameters, and the bit range the DDJ-versus-bit plot shows as it zooms.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/RunningStat.h"

namespace vt {

class TJitterHist {
public:
    static constexpr int BinCount = 513;

    explicit TJitterHist(std::string name = {}) : Name(std::move(name)) {}

    // x: the full range in seconds.
    void SetRange(double x);
    // The value always reaches the statistics; a bin only once a range is set. Answers whether a bin
    // was counted (without a range OnError gets the histogram's name and " - Time Scale undefined").
    bool Add(double x);
    void Clear();

    double Sigma() const { return Stat.StdDevP; }
    std::int64_t Count() const { return Stat.Count; }
    double Mean() const { return Stat.Mean; }
    double FullRange() const { return 2 * HalfRange; }
    double Max() const { return Stat.Max; }
    double Min() const { return Stat.Min; }
    bool Empty() const { return Stat.Count == 0; }

    std::array<std::int32_t, BinCount> Counts{};
    std::int32_t PeakCount = 0;
    double HalfRange = 0;
    double BinWidth = 0;
    std::string Name;
    TStat Stat;
    std::function<void(const std::string&)> OnError;
};

// The full ranges of the histograms from the edge-mean round, relative to its overall mean: c the
// larger extreme of the edge means (already × 1.3), s the single-sample spread used.
struct TJitterRanges {
    double DataDependent = 0;  // H0..H2
    double Random = 0;         // H3
    double Common = 0;         // H4..H6
};
TJitterRanges JitterHistogramRanges(double c, double s);

// The parameters in the order of the "Jitter:JParam" items.
enum TJitterParam : int { jpTotal, jpPeriodSs, jpPeriodRms, jpDetermin, jpDataDepend, jpRandom, jpDutyCycleDist, jpInterSymbol };
inline constexpr int JitterParamCount = 8;

struct TJitterResult {
    double Value = 0;
    std::string Unit;
};
// From H0..H4 (H5, H6 are plot copies). The three parameters without a computation answer the
// undefined value with an empty unit.
std::array<TJitterResult, JitterParamCount> ComputeJitterResults(const std::array<TJitterHist, 7>& h);

// The bit range of the DDJ-versus-bit plot.
struct TBitZoom {
    int First = 0;
    int Last = 0;
    int Factor = 1;
};
// A click at f pixels from the bar origin of a plot W pixels wide.
void ZoomIn(TBitZoom& z, int patternLength, int f, int w);
void ZoomOut(TBitZoom& z, int patternLength);

}  // namespace vt
