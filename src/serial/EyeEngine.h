#pragma once
// The eye measurement engine: from the waveforms of one source accumulated in the shared hit map it
// finds the one and zero levels with their spreads, the two crossings of an NRZ eye or the edges of an
// RZ pulse, the crossing level and the measurement window. Rows are upward screen positions (row 512
// the centre), columns run 0..4000; the map is read through windowed histograms only, in plain counts.
#include <array>
#include <cstdint>
#include <functional>
#include <utility>

namespace vt {

class TFullHist;

// Mean, standard deviation, first and last occupied column of a crossing or an edge (columns).
struct TEyeEdge {
    double Mean = 0;
    double Sigma = 0;
    double First = 0;
    double Last = 0;
};

struct EyeEngineState {
    double OneLevelRow = 0;
    double OneSigmaRows = 0;
    double ZeroLevelRow = 0;
    double ZeroSigmaRows = 0;
    std::int16_t OneInnerRow = 0;
    std::int16_t ZeroInnerRow = 0;
    std::int32_t OneTopRow = 0, OneBottomRow = 0;
    std::int32_t ZeroTopRow = 0, ZeroBottomRow = 0;
    double CrossingLevelRow = 0;
    std::uint8_t SelectedCrossing = 1;
    std::array<TEyeEdge, 3> Crossing{};  // [1] and [2] used
    std::array<std::int32_t, 3> CrossWindowStart{};
    std::array<std::int32_t, 3> CrossWindowEnd{};
    std::int32_t LeftBoundCol = 0, RightBoundCol = 0;
    std::array<TEyeEdge, 3> Edge{};
    std::uint8_t FirstEdgeRising = 0;
    std::uint8_t FirstEdgeIndex = 0, RiseEdgeIndex = 0, FallEdgeIndex = 0;
    std::int32_t WfmsThisCycle = 0;
    std::int32_t NextComputeAt = 0;
    bool EyeNotFound = false;
    std::int32_t HintId = 0;
    bool RecomputeRequested = false;
};

// What the eye-parameter layer draws: the window, the threshold rows and the bound columns.
struct EyeDrawParams {
    std::int32_t WindowLeft = 0, WindowTop = 1023, WindowRight = 4000, WindowBottom = 2;
    std::int32_t LowThreshold = 1, HighThreshold = 1023;
    std::int32_t LeftBound = 0, RightBound = 4000;
    bool operator==(const EyeDrawParams&) const = default;
};

// The column span [first, last] of the 17- or 16-wide band round a position.
std::pair<int, int> EyeBandAround(double x);

// One windowed histogram of the map, read back: hits, mean and deviation, occupied extremes. Vertical
// histograms give rows (upward), horizontal ones columns.
struct TEyeHistStats {
    std::uint64_t Hits = 0;
    double Mean = 0;
    double Sigma = 0;
    int Low = 0;   // lowest occupied row / first occupied column
    int High = 0;  // highest occupied row / last occupied column
};

class TEyeEngine {
public:
    // Bounds in percent of the cycle and the threshold fractions; the mode 1 NRZ, 2 RZ.
    struct TSettings {
        double LeftBound = 40, RightBound = 60;
        double UpperFraction = 0.8, LowerFraction = 0.2;
    };

    explicit TEyeEngine(TFullHist* hist = nullptr);
    // The shared hit map (not owned); every operation below needs one.
    void SetHist(TFullHist* hist) { Hist_ = hist; }
    bool HasHist() const { return Hist_ != nullptr; }

    EyeEngineState& State() { return State_; }
    const EyeEngineState& State() const { return State_; }
    const EyeDrawParams& DrawParams() const { return Draw_; }
    TSettings Settings;
    // Receives the display record whenever it is recomputed.
    std::function<void(const EyeDrawParams&)> OnDrawParams;
    // The engine's hint goes when a computation succeeds.
    std::function<void()> OnRemoveHint;
    // 1 NRZ, 2 RZ: which cycle the drawn bounds span.
    int Mode = 1;

    void InitEyeDefaults();
    bool RunNrzEyeEngine();
    bool RunRzEyeEngine();
    // searchOnly: the two levels over the whole map (no window); p and q are the rounded one and zero rows.
    bool FindEyeLevels(int leftCol, int rightCol, bool searchOnly, int& p, int& q);
    void SetEyeWindow(double bottom, double top, double right, double left);
    void UpdateEyeDisplayRecord();
    std::pair<int, int> EyeBoundColumns(double a, double b) const;
    // Clears the map, plain counts, the full-screen window and the defaults.
    void ClearAccumulation();

    // Histograms over columns left..right and rows bottom..top (upward).
    TEyeHistStats Vertical(int left, int right, int bottom, int top);
    TEyeHistStats Horizontal(int left, int right, int bottom, int top);
    TFullHist& Hist() { return *Hist_; }
    // The crossing level's band left the screen: the selected crossing's deviation and extremes are void.
    bool CrossingBandValid() const { return CrossingBandValid_; }

private:
    bool FindNrzEyeCrossings();
    // Narrows a pair of crossing peaks (bins of the band histogram, lower first) to neighbours.
    void NeighbourCrossings(int& a, std::uint32_t& ca, int& b, std::uint32_t& cb) const;
    bool RefineNrzCrossings();
    double MeasureNrzCrossing();
    TEyeEdge EdgeStats(int left, int right, int bottom, int top, bool& any);

    TFullHist* Hist_;
    EyeEngineState State_;
    EyeDrawParams Draw_;
    bool CrossingBandValid_ = false;
};

}  // namespace vt
