#pragma once
// Level statistics of a window of the shared histogram, as autoscale reads a signal's levels: the
// spread of its rows, its two levels and the band between them, the tails beyond 3.5 sigma, and the
// rows in which the signal's less frequent level lies. Rows here are screen positions counted
// upwards (1024 - row): the upper level has the higher position.
#include <cstdint>

namespace vt {

class TFullHist;

class THistParams {
public:
    // Columns colFrom..colTo (screen columns, 0..4095) and positions rowFrom..rowTo (1..1023).
    void Compute(const TFullHist& hist, int colFrom, int colTo, int rowFrom, int rowTo);
    // Over the whole map: columns 0..4095, positions 1..1023.
    void ComputeWhole(const TFullHist& hist) { Compute(hist, 0, 4095, 1, 1023); }

    double M = 0, S = 0;  // mean position and spread
    int Lowest = 0, Highest = 0;
    std::uint64_t N = 0;
    bool TwoLevels = false;
    int P1 = 0, P2 = 0;  // the two level positions
    double Mu = 0, Su = 0, Ml = 0, Sl = 0;
    std::uint64_t Nu = 0, Nl = 0;
    int Bu = 0, Bl = 0;        // the band between the levels
    double BandShare = 0;      // percent of the hits in Bl..Bu
    double UpperTail = 0, LowerTail = 0;  // percent beyond M +- 3.5 S
    bool FewLow = false, FewHigh = false;
    int LevelRow = 0;  // the level window: positions 1..LevelRow with FewLow, else LevelRow..1023
    double LevelShare = 0;
    int LevelFrom() const { return FewLow ? 1 : LevelRow; }
    int LevelTo() const { return FewLow ? LevelRow : 1023; }
};

// Two windows show different signals: a flat reference, spreads apart by more than 1.5 times, means
// apart by more than half a spread, or one tail five times the other's.
bool Differs(const THistParams& a, const THistParams& b);

}  // namespace vt
