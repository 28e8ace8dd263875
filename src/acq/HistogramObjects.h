#pragma once
// Histograms of waveform points: over the vertical axis (one bin per screen row, 1024) or over time
// (one bin per record point, up to 4096), with a second set of bins restricted to a window, and the
// statistics read from either set. `TFullHist` also keeps every accumulated point in a hit map, so the
// bins of any window and orientation can be rebuilt without losing data.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace vt {

class TAxisHist {
public:
    static constexpr int MaxBins = 4096;
    static constexpr int Rows = 1024;

    explicit TAxisHist(bool vertical);
    virtual ~TAxisHist() = default;
    TAxisHist(const TAxisHist&) = delete;
    TAxisHist& operator=(const TAxisHist&) = delete;

    // A new scaling (record length, volts per division, centre value, sample interval, time of the
    // first point) empties the histogram; every call counts one waveform.
    void SetScale(std::uint16_t binCount, double voltsPerDiv, double valueOffset, double timePerPoint,
                  double timeOffset);
    // Columns 0..4000 and screen positions (1024 - row), clamped.
    void SetWindow(int left, int top, int bottom, int right);
    // Point indexes and positions as given.
    void SetWindowRaw(int leftBin, int top, int bottom, int rightBin);
    void Setup(bool vertical, int left, int bottom, int right, int top);
    void SetActive(bool active);
    void SetVertical(bool vertical);

    // Vertical histograms: hits counted elsewhere, added to a row at once.
    void AddRowHits(int row, std::uint32_t hits);

    virtual void RecomputeWindow();
    virtual void Clear();
    virtual void AddSample(std::uint16_t point, double value);
    virtual void ComputeStatistics(bool useWindow);

    // The window bins into dest (at most highest + 1 values); the number copied.
    int CopyBins(std::uint32_t* dest, int highest) const;

    double ColumnToBin(double column) const;
    double BinToColumn(double bin) const;
    double BinToValue(double bin) const;
    double BinSpanToValue(double bins) const;
    // The value of a screen row, whatever the orientation (the hit map's rows of a time histogram).
    double RowToValue(double row) const { return (CentreRow_ - row) / RowsPerUnit_ + ValueOffset_; }

    double GetMaxValue() const;
    double GetMinValue() const;
    int GetMaxScreenPos() const;
    int GetMinScreenPos() const;
    double GetMidValue() const;
    double GetPeakToPeak() const { return GetMaxValue() - GetMinValue(); }
    double GetMean() const { return BinToValue(Mean_); }
    double GetMeanScreenPos() const;
    double GetSigma() const { return BinSpanToValue(Sigma_); }
    double GetSigmaScreen() const;
    std::uint32_t GetPeakCount() const { return PeakCount_; }
    std::uint64_t GetTotalHits() const { return TotalHits_; }
    int GetWaveformCount() const { return WaveformCount_; }
    double GetPercentWithinSigma(int k) const;

    // The two highest separated peaks of the bins of the last statistics: lower bin first (for a
    // vertical histogram both as screen positions). False when there is no second peak.
    bool FindTwoPeaks(int& first, int& second, std::uint32_t& secondCount, std::uint32_t& firstCount);
    double GetPeakSeparation();
    // Vertical histograms: the two peak values; the answer is their distance (0: no second peak, the
    // levels then undefined).
    double GetTwoPeakLevels(double& lower, double& upper);
    bool GetTwoPeakScreenPos(int& first, int& second);

    double GetRms() const;
    double GetAcRms() const;

    bool Vertical() const { return Vertical_; }
    bool Active() const { return Active_; }
    std::uint16_t BinCount() const { return BinCount_; }
    std::int64_t PointsAdded() const { return PointsAdded_; }
    std::uint32_t PeakBin() const { return PeakBin_; }
    std::uint32_t FirstBin() const { return FirstBin_; }
    std::uint32_t LastBin() const { return LastBin_; }
    double MeanBin() const { return Mean_; }
    double SigmaBins() const { return Sigma_; }
    bool StatsOnWindow() const { return StatsOnWindow_; }
    std::uint32_t Bin(int i) const { return Bins_[static_cast<std::size_t>(i)]; }
    std::uint32_t WindowBin(int i) const { return WindowBins_[static_cast<std::size_t>(i)]; }
    int WindowLeftBin() const { return WindowLeftBin_; }
    int WindowRightBin() const { return WindowRightBin_; }
    int WindowTopRow() const { return WindowTopRow_; }
    int WindowBottomRow() const { return WindowBottomRow_; }

protected:
    // The row of a value, or -1 outside the 1024 rows.
    int RowOf(double value) const;
    bool InWindow(int point, int row) const {
        return point >= WindowLeftBin_ && point <= WindowRightBin_ && row >= WindowTopRow_ && row <= WindowBottomRow_;
    }
    int StatBinCount() const { return Vertical_ ? Rows : BinCount_; }
    void DeriveBinWindow();
    void CheckPoint(int point) const;

    std::array<std::uint32_t, MaxBins> Bins_{};
    std::array<std::uint32_t, MaxBins> WindowBins_{};
    double ValueOffset_ = 0;
    double RowsPerUnit_ = 1000;
    double TimeOffset_ = 0;
    double TimePerPoint_ = 0;
    std::uint16_t CentreRow_ = 512;
    int WindowLeftColumn_ = 0, WindowRightColumn_ = 0;
    int WindowLeftBin_ = 0, WindowRightBin_ = 0;
    int WindowTopRow_ = 0, WindowBottomRow_ = 0;
    bool Vertical_ = false;
    bool Active_ = true;
    std::uint16_t BinCount_ = 0;
    bool StatsOnWindow_ = false;
    int WaveformCount_ = 0;
    std::uint64_t TotalHits_ = 0;
    std::int64_t PointsAdded_ = 0;
    std::uint32_t PeakCount_ = 0;
    std::uint32_t PeakBin_ = 0;
    double Mean_ = 0;
    double Sigma_ = 0;
    std::uint32_t FirstBin_ = 0, LastBin_ = 0;

private:
    std::array<std::uint32_t, MaxBins> Ridge_{};  // FindTwoPeaks' lowest ridge per bin
};

class TFullHist : public TAxisHist {
public:
    TFullHist();

    // 0: plain counting; above: the window bins decay so that their peak stays at the weight.
    void SetExpWeight(int weight);
    int ExpWeight() const { return ExpWeight_; }

    void RecomputeWindow() override;
    void Clear() override;
    void AddSample(std::uint16_t point, double value) override;
    // AddSample for points 0..count-1 of one record at once (count at most 4096).
    void AddValues(const double* values, int count);
    void ComputeStatistics(bool useWindow) override;

    // The column of the first point reaching the topmost occupied row (vertical), or the first row
    // hit at the last occupied point (horizontal); FindMinPosition likewise at the other edge.
    int FindMaxPosition() const;
    int FindMinPosition() const;

    std::uint32_t Hits(int point, int row) const { return Count(Cell(point, row)); }
    // The hits of points fromPoint..toPoint summed per row, visiting only the blocks ever hit.
    void RowCounts(int fromPoint, int toPoint, std::array<std::uint32_t, Rows>& rows) const;
    double ExpBin(int i) const { return ExpBins_[static_cast<std::size_t>(i)]; }

private:
    static constexpr int BlockColumns = MaxBins / 8 + 1;  // 513
    static constexpr int BlockRows = Rows / 8 + 1;        // 129
    // The map is kept row by row: a record's points on one row share cache lines. A row spans one
    // cache line more than 16 KiB, so the rows of a band fall on different cache sets.
    static constexpr int RowStride = MaxBins + 16;
    static constexpr std::size_t MapCells = static_cast<std::size_t>(Rows) * RowStride;
    static std::size_t Cell(int point, int row) {
        return static_cast<std::size_t>(row) * RowStride + static_cast<std::size_t>(point);
    }
    static std::size_t Block(int point, int row) {
        return static_cast<std::size_t>(point / 8) * BlockRows + static_cast<std::size_t>(row / 8);
    }
    // Counts are kept negated, so that a hit is one decrement whose borrow tells the cell's first.
    std::uint32_t Count(std::size_t cell) const { return 0u - HitMap_[cell]; }
    void Normalise();
    // The block of a cell hit for the first time is marked (the spare cell has none).
    static void MarkFirstHit(std::uint8_t* touched, std::int32_t cell);

    std::array<double, MaxBins> ExpBins_{};
    int ExpWeight_ = 0;
    // 1024 rows x 4096 points, 16 MiB: a record's points spread over many pages, so the map asks for
    // large pages where the system gives them. The cell before the first takes the points off the
    // screen when a record is folded.
    struct TFreeMap {
        void operator()(std::uint32_t* p) const;
    };
    std::unique_ptr<std::uint32_t[], TFreeMap> HitMap_;
    std::vector<std::uint8_t> TouchedBlocks_;
    bool MapDirty_ = false;  // a point was added since the last wipe
};

class TSignalObj;
// One waveform of a signal, as displayed, into the shared histogram.
void AddSignalToHist(TFullHist& hist, const TSignalObj& signal);

}  // namespace vt
