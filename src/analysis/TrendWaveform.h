#pragma once
// The trend of a time measurement cycle by cycle: the edges of a source, each cycle's period, width,
// edge time or duty cycle written over the points the cycle covers, and the vertical scale each math
// function learns from its first trends.
#include <array>
#include <memory>

#include "analysis/WaveformMath.h"

namespace vt {

class TShell;
class TSignalObj;
class TMeasCalc;
struct MeasSourceState;

// One cycle as fractional point indexes, -1 where missing: the rising edge at the lower, middle and
// upper threshold, then the falling edge at the upper, middle and lower threshold. An entry of six
// missing values ends the table.
using TEdgeEntry = std::array<float, 6>;
inline constexpr int EdgeTableSize = 2049;
using TEdgeTable = std::array<TEdgeEntry, EdgeTableSize>;

// The values of "F<i>:TrendMeas".
enum TTrendKind : int {
    tkPeriod, tkFreq, tkPosWidth, tkNegWidth, tkRiseTime, tkFallTime, tkPosDuty, tkNegDuty, TrendKindCount
};

// The scale learning of one function: how many trends have taught it, and the sums of their extremes.
struct TTrendAverage {
    int Count = 0;
    double SumMin = 0, SumMax = 0;
};

// The edges of the whole record (display indexes), with the source's thresholds in state.
void FindEdges(const TSignalObj& source, const MeasSourceState& state, TEdgeTable& table);

// Writes the trend of kind into target, which holds the source's record and timing; origin is the
// record index of display index 0. Sets the unit and, while it learns, the scale and offset. The
// result tells whether points were written.
bool CalcTrendWaveform(TSignalObj& target, const TEdgeTable& table, int kind, TTrendAverage& average,
                       int origin = 0);

// The math functions' trend: levels and edges of the source by the measurement engine, the trend into
// the function's record, one scale learning per function.
class TTrendWaveform : public TMathTrend {
public:
    TTrendWaveform(TShell& shell, TMeasCalc& meas);
    ~TTrendWaveform() override;
    TTrendWaveform(const TTrendWaveform&) = delete;
    TTrendWaveform& operator=(const TTrendWaveform&) = delete;

    // function 0..3, source 0..13; false (the function's record kept) when nothing was written.
    bool CalcTrendWaveform(int function, int source, int kind) override;
    void ResetTrendAverage(int function) override;
    const TTrendAverage& Average(int function) const;

private:
    TShell& Shell_;
    TMeasCalc& Meas_;
    std::unique_ptr<TSignalObj> Work_;
    std::unique_ptr<TEdgeTable> Table_;
    std::array<TTrendAverage, MathFunctionCount> Averages_{};
};

}  // namespace vt
