#pragma once
// The timing spread of the first rising or falling edge of a source over many acquisitions: the
// source's waveforms gather in the shared hit map, and the horizontal statistics of the hits in a
// narrow band around the middle threshold give the peak-to-peak and RMS jitter.
#include <array>
#include <climits>
#include <string>

#include "analysis/MeasAlgorithms.h"

namespace vt {

class TFullHist;

struct TJitterTexts {
    std::string PeakToPeak;  // "an_p_p"
    std::string Rms;         // "RMS"
    std::string Left;        // "an_L"
    std::string Right;       // "an_R"
};

class TEdgeJitter {
public:
    // Raised at the start of each per-source computation of the listed slots.
    void RaiseRestart() { Restart_ = true; }
    // Empty ranges (left above right), for both directions.
    void ResetColumnRanges();

    // One of the four jitter kinds of the source; the hit map is turned horizontal and windowed anew.
    double Compute(int kind, const TMeasSourceView& src, TFullHist& hist, TAnnLabelArray& ann,
                   const TJitterTexts& texts, const TMeasAnnotationTexts& measTexts);

    struct TRange {
        int Left = INT_MAX;
        int Right = -1;
    };
    const TRange& Range(bool rising) const { return Ranges_[rising ? 0 : 1]; }
    int HalfWidth() const { return HalfWidth_; }

private:
    bool Restart_ = false;
    int HalfWidth_ = 0;
    std::array<TRange, 2> Ranges_{};
};

}  // namespace vt
