#pragma once
// What every automatic measurement of a source rests on: its top and base levels, three reference
// thresholds, the measurement window (left and right margin) with the levels found inside it, and the
// searches for the edges that cross the thresholds. Plain functions of a record, its state and its
// settings.
#include <array>
#include <cstdint>
#include <string>

#include "analysis/MeasSettings.h"

namespace vt {

class TSignalObj;

// The displayed values of a record (index counted from the display start), read straight from the
// points where no conversion applies: the searches visit every point of a record several times a pass.
class TDisplayedPoints {
public:
    explicit TDisplayedPoints(const TSignalObj& signal);
    double operator()(int i) const { return Direct_ ? Direct_[i] : Value(i); }

private:
    double Value(int i) const;
    const TSignalObj& Signal_;
    const double* Direct_ = nullptr;
};

inline constexpr int LevelBinCount = 257;
using TLevelHistogram = std::array<std::uint32_t, LevelBinCount>;

// The measurement state of one signal source.
struct MeasSourceState {
    TLevelHistogram LevelHist{};
    TLevelHistogram WindowHist{};
    bool LevelsMissing = true;
    bool WindowLevelsMissing = true;
    double Top = 0, Base = 0;
    double Upper = 0, Middle = 0, Lower = 0;
    std::int32_t LeftMargin = 0, RightMargin = 0;
    double WindowTop = 0, WindowBase = 0;
    bool LevelMarkerPending = false, ThresholdPending = false, MarginPending = false;
};

// The labels of the upper and lower threshold ("90%", "10%").
struct TThresholdTexts {
    std::string Upper = "90%";
    std::string Lower = "10%";
};

enum TLevelSelector : int { lsUpper = 0, lsMiddle = 1, lsLower = 2 };

// Counts the points of the record, or of [first, last] when windowOnly, in bins of 4 rows (rows
// 8..1019 only); returns the count.
std::uint16_t LevelHistogram(TLevelHistogram& hist, const TSignalObj& signal, bool windowOnly, int last, int first);
// The base and top of a level histogram: the two main peaks (histogram method) or the extremes.
void FindTopBase(const TLevelHistogram& hist, bool histMethod, const TSignalObj& signal, double& base, double& top);
// The whole record's histogram; returns whether it is empty (the levels-missing flag).
bool FindSignalLevels(MeasSourceState& state, const TSignalObj& signal);
void SetLevelMarkers(MeasSourceState& state, const TSignalObj& signal, const TMeasSourceSettings& settings);
// The three thresholds from top and base by the settings; the texts of upper and lower into texts.
// divText is the language text of "div".
void SetReferenceLevels(MeasSourceState& state, const TSignalObj& signal, const TMeasSourceSettings& settings,
                        TThresholdTexts& texts, const std::string& divText);

// The value of level selector sel (upper, middle, lower).
double ThresholdLevel(const MeasSourceState& state, int sel);

// The result of an edge search besides its index: the level's row and the crossing's column (the
// column only for a positive index).
struct TCrossingPlace {
    double Row = 0;
    std::int32_t Column = 0;
};

// The fractional display index of the next rising (falling) crossing of level sel from start, or -1;
// start is left at the point that completed the edge, so repeated calls walk the edges. The search ends
// at the right margin, or at the record's end when toEnd.
double FindRisingCrossing(const TSignalObj& signal, const MeasSourceState& state, int& start, int sel, bool toEnd,
                          TCrossingPlace* place = nullptr);
double FindFallingCrossing(const TSignalObj& signal, const MeasSourceState& state, int& start, int sel, bool toEnd,
                           TCrossingPlace* place = nullptr);

// The middle crossings of the whole record: entries 2k and 2k+1 hold the rounded indexes of the k-th
// rising and falling edge; the first missing edge writes EndMark (a full table has none).
struct TCrossingTable {
    static constexpr int Size = 2050;
    static constexpr std::uint16_t EndMark = 55555;
    std::array<std::uint16_t, Size> Entries{};
    TCrossingTable() { Entries[0] = EndMark; }
    // The entry nearest to index (the earlier on a tie), as its position; an empty table gives 0 for the
    // left margin and 1000 for the right.
    int NearestTablePoint(int index, bool left) const;
};

// which 1 / 2: the index of edge n (even n the (n/2+1)-th rising, odd n the falling one) at the left /
// right margin's level, up to the right margin; which 0 rebuilds the table. -1 when not found.
int FindCrossingWindow(const TSignalObj& signal, const MeasSourceState& state, const TMeasSourceSettings& settings,
                       int n, int which, TCrossingTable& table);
void ComputeMargins(MeasSourceState& state, const TSignalObj& signal, const TMeasSourceSettings& settings,
                    TCrossingTable& table);

}  // namespace vt
