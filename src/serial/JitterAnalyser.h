#pragma once
// The jitter analyser of a locked repetitive pattern: one step per acquisition. It finds the bit grid
// (state 0), reads the pattern (1), learns the mean edge of every edge code (2), measures the mean of
// every edge (3), then each edge's single samples (4) and shows the results (5) before the next round.
// Everything it needs of the program (the record, the trigger delay, the record length, the settings
// it writes, its message) goes through TJitterHost, so that a synthetic signal can drive it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/RunningStat.h"
#include "serial/JitterHistograms.h"

namespace vt {

class TSignalObj;

class TJitterHost {
public:
    virtual ~TJitterHost() = default;
    // The analysed record as it stands after the acquisition.
    virtual const TSignalObj& Record() const = 0;
    virtual int PatternDelay() const = 0;
    virtual void SetPatternDelay(int bits) = 0;
    // Both channels' record length.
    virtual void SetRecordLength(int points) = 0;
    // The pattern is known: the channel's scale and offset, the timebase delay (divisions) and the
    // display of the fine records.
    virtual void ApplyPatternSettings(double high, double low, double delayDivisions) { (void)high, (void)low, (void)delayDivisions; }
    // "Jitter:SmplLvl": 0 AmplPerc, 1 Level, 2 Average; and its two values.
    virtual int SamplingLevelKind() const { return 0; }
    virtual double PercAmpl() const { return 50; }
    virtual double CustLevel() const { return 0; }
    // The pattern read twice differs: one message.
    virtual void ShowBitMapError() {}
    virtual void ReportError(const std::string& text) { (void)text; }
    // State 5: the results on the strip and the plots drawn again.
    virtual void ShowResults() {}
};

// --- the pieces as plain functions
inline constexpr int NoEdgeHigh = 17;
inline constexpr int NoEdgeLow = 16;
// The edge code of pattern position p of bits[0..length-1]: 0..15 for an edge (the new bit and the
// three bits before the one left), 17 / 16 for a high / low bit without an edge.
int JitterEdgeCode(const std::uint8_t* bits, int length, int p);
// 0 high (above upper), 2 transition (at or above lower), 1 low.
inline int JitterPointClass(double v, double upper, double lower) { return v > upper ? 0 : (v >= lower ? 2 : 1); }
// The centre levels of the ten bins of the band lower..lower+span.
std::array<double, 10> JitterBinCentres(double lower, double span);
// The time of level v on an edge whose bins (centred at centres) are crossed at binTimes.
double JitterLevelTime(double v, double lower, double span, const std::array<double, 10>& centres,
                       const std::array<double, 10>& binTimes);
// The number of binary digits of n.
int BitLength(int n);

class TJ_Obj {
public:
    static constexpr int EdgeScanPoints = 512;
    static constexpr int FineRecordPoints = 2048;
    static constexpr int ShapeSamples = 4097;
    static constexpr int MeanSamples = 31;
    static constexpr int RandomSamples = 301;
    static constexpr int MaxDeviations = 1001;
    static constexpr int CentreCount = 50;
    static constexpr int PatternBits = 48;
    static constexpr int RepeatBits = 47;

    // patternLength: bits of a period; bitPeriod: seconds.
    TJ_Obj(TJitterHost& host, int patternLength, double bitPeriod, int sourceIndex);

    // One step after an acquisition, by State.
    void Step();

    int PatternLength = 0;
    double BitPeriod = 0;
    std::uint8_t SourceIndex = 0;
    std::uint8_t ChannelIndex = 2;
    std::uint8_t State = 0;
    int RecordLength = EdgeScanPoints;
    double UpperThreshold = 0, LowerThreshold = 0;
    std::array<std::uint8_t, EdgeScanPoints> EdgeZone{};
    std::array<double, CentreCount> BitCentre{};
    struct TCode {
        int FirstPosition = -1;
        std::array<double, 10> BinTime{};
        double LevelCrossTime = 0;
    };
    std::array<TCode, 16> CodeTable{};
    std::array<TStat, 10> BinStats{};
    int BandCount = 0;
    double LowerLevel = 0, UpperLevel = 0, Span = 0;
    std::array<double, 10> BinCentre{};
    double HighSum = 0;
    int HighCount = 0;
    double LowSum = 0, Amplitude = 0;
    int LowCount = 0;
    double LevelSum = 0;
    int LevelCount = 0;
    std::vector<std::uint8_t> BitMap;          // PatternLength + 47 + the bits a last pass may add
    std::vector<float> EdgeMeanDeviation;      // per pattern position
    // The deviations of the last finished round, which the plot shows: the running round starts
    // from -2.0 everywhere, and a zoom meanwhile would find no edge to draw.
    std::vector<float> ShownEdgeDeviation;
    std::uint8_t CurrentCode = 0;
    int CurrentEdge = 0;
    double SamplingLevel = 0;
    std::array<TJitterResult, JitterParamCount> Results{};
    double OverallEdgeMean = 0;
    std::array<TJitterHist, 7> Histograms;
    double MinEdgeMean = 1e20, MaxEdgeMean = -1e20;
    double MostNegativeDeviation = 0, MostPositiveDeviation = 0;
    std::array<double, MaxDeviations> Deviations{};
    int DeviationCount = 0;
    TBitZoom Zoom;

    int EdgeCode(int p) const { return JitterEdgeCode(BitMap.data(), PatternLength, p); }
    // The offset of level v from the sampling-level crossing on the mean edge of a code.
    double LevelOffset(int code, double v) const;
    const TJitterResult& GetResult(int index) const { return Results.at(static_cast<std::size_t>(index)); }
    void ComputeResults() { Results = ComputeJitterResults(Histograms); }
    // Range rule of the edge-mean round (applies the ranges to the histograms).
    void SetHistogramRanges();

private:
    void EdgeScan();
    void ReadPattern();
    void EdgeShape();
    void EdgeMeans();
    void RandomPart();
    void StartEdgeScan();
    void StartPatternReading();
    void PatternKnown();
    void StartRandomRound();
    bool FinishCodeBins(TCode& code);
    int NextEdge(int after) const;
    void SetDelay(int bits);
    void SetRecordLength(int points);

    TJitterHost& Host_;
    double H4RoundSum_ = 0;
    std::int64_t H4RoundCount_ = 0;
};

}  // namespace vt
