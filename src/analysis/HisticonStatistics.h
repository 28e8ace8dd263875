#pragma once
// The statistics of a measurement slot with their histicon: the running statistics in one of the three
// modes, plus a histogram of the values in fifths of the standard deviation, frozen around the mean
// once N values were taken and drawn as a small icon in the slot's row of the bottom strip.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/Color.h"
#include "core/Numeric.h"
#include "core/RunningStat.h"

namespace vt {

class TShell;
class THisticon;

// What the icon needs of the measurement list.
class THisticonOwner {
public:
    virtual ~THisticonOwner() = default;
    // The colour (RGB) of the source measured in the slot, and the measurement's label.
    virtual TColor SourceRGB(int slot) const = 0;
    virtual std::string GetMeasLabel(int slot) const = 0;
};

class TStatH : public TModedStat {
public:
    static constexpr int HalfBins = 120;     // bins -120..120
    static constexpr int HalfColumns = 60;   // drawn columns -60..60
    static constexpr int MaxHeight = 14;
    static constexpr float EmptyPeak = 0.00001f;

    TStatH(TShell& shell, THisticonOwner& owner);
    ~TStatH() override;
    TStatH(const TStatH&) = delete;
    TStatH& operator=(const TStatH&) = delete;

    // Keeps the mean of the values taken as the previous mean, then starts afresh and waits again.
    void Clear() override;
    // Takes the value n times; a value that is no number is left out.
    void Add(std::int64_t n, double x) override;
    void AddValue(double x);
    // Mode 0 permanent (N 128), 1 window, 2 weight; N into 8..8192. A change shows "Wait__" and clears.
    void SetStatMode(int mode, int count);

    // Places the icon in strip row 0..3, creating it on the first call; nothing without a panel.
    void PlaceHisticon(int row);
    void SetHisticonShown(bool shown);
    // The histogram, or "Wait__" while it is not ready.
    void ShowHisticon();
    void DrawHisticon();

    void BinValue(double x);
    // The value leaving the window's ring.
    void UnbinValue(double x);

    float Bin(int k) const { return Bins_[static_cast<std::size_t>(k + HalfBins)]; }
    int TargetHeight(int k) const { return Targets_[static_cast<std::size_t>(k + HalfColumns)]; }
    THisticon* Histicon() const { return Icon_.get(); }

    double PrevMean = UndefinedValue;
    bool HistReady = false;
    double Centre = 0;
    double Sigma = 0;  // bin width sigma / 5
    std::int8_t LastBinned = -1;
    std::int8_t LastUnbinned = -1;
    float Peak = EmptyPeak;
    std::int8_t PeakBin = 0;
    std::uint8_t Row = 0;

private:
    float& BinRef(int k) { return Bins_[static_cast<std::size_t>(k + HalfBins)]; }
    // (x - centre) / sigma × 5 limited to -200..200 and rounded; 999 for a value that is no number.
    int BinIndex(double x) const;
    void UpdateColumn(int k);
    void RecomputeHeights();
    void ShowWait();
    void TakeBracketColor();
    bool IconShown() const;

    TShell& Shell_;
    THisticonOwner& Owner_;
    std::array<float, 2 * HalfBins + 1> Bins_{};
    std::array<std::uint8_t, 2 * HalfColumns + 1> Targets_{};
    std::unique_ptr<THisticon> Icon_;
};

}  // namespace vt
