#pragma once
// The autoscale's searches: the trigger level by trials the caller runs, and the period on the shared
// histogram against the untriggered level statistics.
#include <cstdint>

#include "acq/HistogramLevelStatistics.h"

namespace vt {

class TFullHist;

// The trigger-level search in millivolts: first +-32 mV, then a coarse-to-fine scan, then both edges
// of the triggering range by halving. The caller runs each trial and answers it.
class TTrigLevelSearch {
public:
    void Start();
    bool Ended() const { return Phase_ == Done || Phase_ == Failed; }
    bool Found() const { return Phase_ == Done; }
    // The level of the trial to run now.
    int Level() const { return Current_; }
    void Answer(bool triggers);
    // The middle of the triggering range in volts.
    double Result() const { return (Lower_ + Upper_) * 0.0005; }
    int Lower() const { return Lower_; }
    int Upper() const { return Upper_; }
    int Progress() const { return Progress_; }

private:
    enum TPhase { Idle, ZeroMinus, ZeroPlus, Scan, LowerEdge, UpperEdge, Done, Failed };
    void NextScanLevel();
    void BeginEdge(int direction);
    void NextEdgeLevel();

    TPhase Phase_ = Idle;
    int Current_ = 0;
    int Q_ = 1024, A_ = 512, C_ = 0, Sign_ = -1;
    int Found_ = 0, Pos_ = 0, Dist_ = 0, Dir_ = -1;
    int Lower_ = 0, Upper_ = 0;
    int Progress_ = 25;
};

// The searches of the period on the shared histogram against the untriggered level statistics. Each
// answers a code (0 nothing, 1 part, 2 found); a found search fills the period, edge and levels.
class TAutoScalePeriodSearch {
public:
    TAutoScalePeriodSearch(const TFullHist& hist, THistParams& global, int& mask) : Hist_(hist), Global_(global), Mask_(mask) {}
    // The whole histogram against the global statistics, then the 19 comparison windows; clears mask
    // bits. False when no kind is left.
    bool AnalyseHistogramLevels(int& code);
    // False when the edges could not be timed (the step fails).
    bool LevelWindowSearch(int& code);
    bool DutyWindowSearch(int& code);

    double Period = 0, Edge = 0, Low = 0, High = 0;

private:
    std::uint64_t HitsIn(int colFrom, int colTo, int posFrom, int posTo) const;
    // Mean time (and earliest time) of the hits in the columns and positions; false without hits.
    bool TimesIn(int colFrom, int colTo, int posFrom, int posTo, double& mean, double& earliest) const;
    double MeanValueIn(int colFrom, int colTo, int posFrom, int posTo) const;
    bool EdgeTimes(int firstCentre, int secondCentre, int halfWidth, double& t1, double& t2) const;
    void WholeLevels();

    const TFullHist& Hist_;
    THistParams& Global_;
    int& Mask_;
};

}  // namespace vt
