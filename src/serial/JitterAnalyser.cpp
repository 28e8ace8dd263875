#include "serial/JitterAnalyser.h"

#include <algorithm>
#include <cmath>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"

namespace vt {

namespace {

constexpr double NoCentre = -2.0;
constexpr float NoEdge = -2.0f;
constexpr const char* HistNames[7] = {"DDJ", "DDJ rising", "DDJ falling", "RJ", "TJ", "DDJ plot", "RJ plot"};

int Round(double x) { return static_cast<int>(std::lround(x)); }

}  // namespace

int JitterEdgeCode(const std::uint8_t* bits, int length, int p) {
    const auto at = [&](int i) { return bits[static_cast<std::size_t>(((i % length) + length) % length)] != 0 ? 1 : 0; };
    if (at(p) == at(p - 1)) return at(p) ? NoEdgeHigh : NoEdgeLow;
    return at(p) + 2 * at(p - 2) + 4 * at(p - 3) + 8 * at(p - 4);
}

std::array<double, 10> JitterBinCentres(double lower, double span) {
    std::array<double, 10> c{};
    for (int k = 0; k < 10; ++k) c[static_cast<std::size_t>(k)] = lower + k * span / 10 + span / 20;
    return c;
}

double JitterLevelTime(double v, double lower, double span, const std::array<double, 10>& centres,
                       const std::array<double, 10>& binTimes) {
    int e = static_cast<int>(std::trunc((v - lower) * 10 / span));
    if (e < 1) {
        e = 0;
    } else {
        e = std::min(e, 9);
        if (v < centres[static_cast<std::size_t>(e)]) --e;
    }
    e = std::min(e, 8);
    const auto k = static_cast<std::size_t>(e);
    const double c0 = centres[k], c1 = centres[k + 1];
    return binTimes[k] + (v - c0) * (binTimes[k + 1] - binTimes[k]) / (c1 - c0);
}

int BitLength(int n) {
    int bits = 0;
    for (unsigned u = static_cast<unsigned>(std::max(n, 0)); u != 0; u >>= 1) ++bits;
    return bits;
}

TJ_Obj::TJ_Obj(TJitterHost& host, int patternLength, double bitPeriod, int sourceIndex)
    : PatternLength(std::max(patternLength, 1)),
      BitPeriod(bitPeriod),
      SourceIndex(static_cast<std::uint8_t>(sourceIndex)),
      ChannelIndex(static_cast<std::uint8_t>(sourceIndex == 0 ? 2 : 3)),
      Host_(host) {
    BitMap.assign(static_cast<std::size_t>(PatternLength + RepeatBits + 1), 0);
    EdgeMeanDeviation.assign(static_cast<std::size_t>(PatternLength), NoEdge);
    ShownEdgeDeviation = EdgeMeanDeviation;
    for (std::size_t i = 0; i < Histograms.size(); ++i) {
        Histograms[i].Name = HistNames[i];
        Histograms[i].OnError = [this](const std::string& text) { Host_.ReportError(text); };
    }
    Zoom = {0, PatternLength - 1, 1};
    BitCentre.fill(NoCentre);
    StartEdgeScan();
}

void TJ_Obj::SetDelay(int bits) { Host_.SetPatternDelay(bits); }

void TJ_Obj::SetRecordLength(int points) {
    RecordLength = points;
    Host_.SetRecordLength(points);
}

void TJ_Obj::StartEdgeScan() {
    State = 0;
    EdgeZone.fill(0);
    SetRecordLength(EdgeScanPoints);
    SetDelay(0);
}

void TJ_Obj::Step() {
    // A record of another length was started before the last change: the next one is ours.
    if (State != 5 && Host_.Record().Length() != RecordLength) return;
    switch (State) {
        case 0: EdgeScan(); break;
        case 1: ReadPattern(); break;
        case 2: EdgeShape(); break;
        case 3: EdgeMeans(); break;
        case 4: RandomPart(); break;
        default:
            Host_.ShowResults();
            StartRandomRound();
            break;
    }
}

void TJ_Obj::EdgeScan() {
    const TSignalObj& r = Host_.Record();
    const int n = std::min(r.Length(), EdgeScanPoints);
    const double* y = r.Data1();
    const int d = Host_.PatternDelay();
    if (d == 0) {
        TAxisHist hist(true);
        hist.SetScale(static_cast<std::uint16_t>(n), r.GetScale(), r.GetCentre(), r.SampleInterval(), r.Origin());
        for (int i = 0; i < n; ++i) hist.AddSample(static_cast<std::uint16_t>(i), y[i]);
        hist.ComputeStatistics(false);
        double base = 0, top = 0;
        if (hist.GetTwoPeakLevels(base, top) < 1e-10) return;
        UpperThreshold = (2 * top + base) / 3;
        LowerThreshold = (2 * base + top) / 3;
        EdgeZone.fill(0);
    }
    std::array<std::uint8_t, EdgeScanPoints> cls{};
    for (int i = 0; i < n; ++i) cls[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(JitterPointClass(y[i], UpperThreshold, LowerThreshold));
    for (int i = 0; i < n;) {
        int j = i;
        while (j + 1 < n && cls[static_cast<std::size_t>(j + 1)] == cls[static_cast<std::size_t>(i)]) ++j;
        for (int k = i; k <= j; ++k) {
            const bool kept = cls[static_cast<std::size_t>(i)] != 2 &&
                              ((k > i && k < j) || (k == i && i == 0) || (k == j && j == n - 1));
            if (!kept) EdgeZone[static_cast<std::size_t>(k)] = 1;
        }
        i = j + 1;
    }
    if (d < BitLength(PatternLength)) {
        SetDelay(d + 1);
        return;
    }
    std::vector<double> runCentres;
    for (int i = 0; i < EdgeScanPoints;) {
        if (!EdgeZone[static_cast<std::size_t>(i)]) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < EdgeScanPoints && EdgeZone[static_cast<std::size_t>(j + 1)]) ++j;
        runCentres.push_back((i + j) / 2.0);
        i = j + 1;
    }
    int valid = 0;
    for (int i = 0; i < CentreCount; ++i) {
        const bool have = static_cast<std::size_t>(i + 1) < runCentres.size();
        BitCentre[static_cast<std::size_t>(i)] =
            have ? (runCentres[static_cast<std::size_t>(i)] + runCentres[static_cast<std::size_t>(i + 1)]) / 2 : NoCentre;
        valid += have;
    }
    // Pattern reading takes 48 centres and the level sum one more: with fewer the grid is not known.
    if (valid < PatternBits + 1) {
        StartEdgeScan();
        return;
    }
    StartPatternReading();
}

void TJ_Obj::StartPatternReading() {
    State = 1;
    HighSum = LowSum = LevelSum = 0;
    HighCount = LowCount = LevelCount = 0;
    SetDelay(0);
}

void TJ_Obj::ReadPattern() {
    const TSignalObj& r = Host_.Record();
    const double* y = r.Data1();
    const int n = r.Length();
    const int d = Host_.PatternDelay();
    const auto point = [&](int i) { return std::clamp(Round(BitCentre[static_cast<std::size_t>(i)]), 0, n - 1); };
    if (Host_.SamplingLevelKind() == 2) {
        const int k = std::min(d + PatternBits, PatternLength) - d;
        for (int i = point(0); i < point(k); ++i) LevelSum += y[i], ++LevelCount;
    }
    for (int i = 0; i < PatternBits; ++i) {
        const double v = y[point(i)];
        const int c = JitterPointClass(v, UpperThreshold, LowerThreshold);
        if (c == 2) return;
        const auto at = static_cast<std::size_t>(d + i);
        if (c == 0) {
            HighSum += v, ++HighCount;
            BitMap[at] = 1;
        } else {
            LowSum += v, ++LowCount;
            BitMap[at] = 0;
        }
    }
    if (d < PatternLength - 1) {
        SetDelay(std::min(d + PatternBits, PatternLength - 1));
        return;
    }
    for (int i = 0; i < RepeatBits; ++i)
        if (BitMap[static_cast<std::size_t>(i)] != BitMap[static_cast<std::size_t>(PatternLength + i)]) {
            // Read again from the start: the block at the end would only repeat the same reading.
            StartPatternReading();
            Host_.ShowBitMapError();
            return;
        }
    PatternKnown();
}

void TJ_Obj::PatternKnown() {
    for (TCode& c : CodeTable) c = TCode{};
    int found = 0;
    for (int p = 0; p < PatternLength && found < 16; ++p) {
        const int code = EdgeCode(p);
        if (code < 16 && CodeTable[static_cast<std::size_t>(code)].FirstPosition < 0) {
            CodeTable[static_cast<std::size_t>(code)].FirstPosition = p;
            ++found;
        }
    }
    if (found == 0 || HighCount == 0 || LowCount == 0) {  // a pattern without an edge has no jitter
        StartPatternReading();
        return;
    }
    const double high = HighSum / HighCount, low = LowSum / LowCount;
    HighSum = high, LowSum = low, Amplitude = high - low;
    LowerLevel = low + Amplitude / 4;
    UpperLevel = high - Amplitude / 4;
    Span = UpperLevel - LowerLevel;
    BinCentre = JitterBinCentres(LowerLevel, Span);
    switch (Host_.SamplingLevelKind()) {
        case 1: SamplingLevel = Host_.CustLevel(); break;
        case 2: SamplingLevel = LevelCount > 0 ? LevelSum / LevelCount : (high + low) / 2; break;
        default: SamplingLevel = low + Host_.PercAmpl() / 100 * Amplitude; break;
    }
    SetRecordLength(FineRecordPoints);
    Host_.ApplyPatternSettings(high, low, (1 - (0.5 - (BitCentre[0] - 5) / 10)) / 10);
    CurrentCode = 0;
    while (CodeTable[CurrentCode].FirstPosition < 0) ++CurrentCode;
    for (TStat& s : BinStats) s.Clear();
    BandCount = 0;
    SetDelay(CodeTable[CurrentCode].FirstPosition);
    State = 2;
}

bool TJ_Obj::FinishCodeBins(TCode& code) {
    std::array<bool, 10> filled{};
    int count = 0;
    for (std::size_t k = 0; k < 10; ++k) {
        filled[k] = BinStats[k].Count > 0;
        if (filled[k]) code.BinTime[k] = BinStats[k].Mean, ++count;
    }
    if (count < 2) return false;
    // An empty bin takes the line through its nearest filled neighbours (both on one side at an end).
    for (int k = 0; k < 10; ++k) {
        if (filled[static_cast<std::size_t>(k)]) continue;
        int a = -1, b = -1;
        for (int i = k - 1; i >= 0 && a < 0; --i)
            if (filled[static_cast<std::size_t>(i)]) a = i;
        for (int i = k + 1; i < 10 && b < 0; ++i)
            if (filled[static_cast<std::size_t>(i)]) b = i;
        if (a < 0) {
            a = b;
            for (int i = b + 1; i < 10; ++i)
                if (filled[static_cast<std::size_t>(i)]) { b = i; break; }
        } else if (b < 0) {
            b = a;
            for (int i = a - 1; i >= 0; --i)
                if (filled[static_cast<std::size_t>(i)]) { a = i; break; }
        }
        const double ta = BinStats[static_cast<std::size_t>(a)].Mean, tb = BinStats[static_cast<std::size_t>(b)].Mean;
        code.BinTime[static_cast<std::size_t>(k)] = ta + (tb - ta) * (k - a) / (b - a);
    }
    return true;
}

void TJ_Obj::EdgeShape() {
    const TSignalObj& r = Host_.Record();
    const double* y = r.Data1();
    const int n = r.Length();
    for (int i = 0; i < n; ++i) {
        const double v = y[i];
        if (!(v > LowerLevel && v < UpperLevel)) continue;
        ++BandCount;
        const int bin = std::min(9, static_cast<int>((v - LowerLevel) * 10 / Span));
        BinStats[static_cast<std::size_t>(bin)].Add(1, r.IndexToTime(i));
    }
    if (BandCount < ShapeSamples) return;
    TCode& code = CodeTable[CurrentCode];
    if (!FinishCodeBins(code)) return;
    code.LevelCrossTime = JitterLevelTime(SamplingLevel, LowerLevel, Span, BinCentre, code.BinTime);
    int next = CurrentCode + 1;
    while (next < 16 && CodeTable[static_cast<std::size_t>(next)].FirstPosition < 0) ++next;
    if (next < 16) {
        CurrentCode = static_cast<std::uint8_t>(next);
        for (TStat& s : BinStats) s.Clear();
        BandCount = 0;
        SetDelay(CodeTable[CurrentCode].FirstPosition);
        return;
    }
    SetRecordLength(EdgeScanPoints);
    MinEdgeMean = 1e20, MaxEdgeMean = -1e20;
    MostNegativeDeviation = MostPositiveDeviation = 0;
    for (std::size_t k = 0; k < 3; ++k) BinStats[k].Clear();
    CurrentEdge = NextEdge(-1);
    SetDelay(CurrentEdge);
    State = 3;
}

double TJ_Obj::LevelOffset(int code, double v) const {
    const TCode& c = CodeTable.at(static_cast<std::size_t>(code));
    return JitterLevelTime(v, LowerLevel, Span, BinCentre, c.BinTime) - c.LevelCrossTime;
}

int TJ_Obj::NextEdge(int after) const {
    for (int p = after + 1; p < PatternLength; ++p) {
        const int prev = p == 0 ? PatternLength - 1 : p - 1;
        if (BitMap[static_cast<std::size_t>(p)] != BitMap[static_cast<std::size_t>(prev)]) return p;
    }
    return -1;
}

void TJ_Obj::EdgeMeans() {
    const TSignalObj& r = Host_.Record();
    const double* y = r.Data1();
    const int n = r.Length();
    const int code = EdgeCode(CurrentEdge);
    TStat& edge = BinStats[0];
    for (int i = 0; i < n; ++i) {
        const double v = y[i];
        if (v > LowerLevel && v < UpperLevel) edge.Add(1, r.IndexToTime(i) - LevelOffset(code, v));
    }
    if (edge.Count < MeanSamples) return;
    const double m = edge.Mean;
    BinStats[2].Add(1, m);
    MinEdgeMean = std::min(MinEdgeMean, m);
    MaxEdgeMean = std::max(MaxEdgeMean, m);
    BinStats[1].Add(1, edge.StdDevP);
    MostNegativeDeviation = std::min(MostNegativeDeviation, edge.Min - m);
    MostPositiveDeviation = std::max(MostPositiveDeviation, edge.Max - m);
    const int next = NextEdge(CurrentEdge);
    if (next >= 0) {
        edge.Clear();
        CurrentEdge = next;
        SetDelay(CurrentEdge);
        return;
    }
    OverallEdgeMean = BinStats[2].Mean;
    SetHistogramRanges();
    SetRecordLength(FineRecordPoints);
    StartRandomRound();
}

void TJ_Obj::SetHistogramRanges() {
    const double c = std::max(MaxEdgeMean - OverallEdgeMean, -(MinEdgeMean - OverallEdgeMean)) * 1.3;
    const double f = std::max(MostPositiveDeviation, -MostNegativeDeviation);
    const double s = std::min(f, 5 * BinStats[1].Mean);
    const TJitterRanges ranges = JitterHistogramRanges(c, s);
    for (std::size_t i = 0; i < 3; ++i) Histograms[i].SetRange(ranges.DataDependent);
    Histograms[3].SetRange(ranges.Random);
    for (std::size_t i = 4; i < 7; ++i) Histograms[i].SetRange(ranges.Common);
}

void TJ_Obj::StartRandomRound() {
    std::fill(EdgeMeanDeviation.begin(), EdgeMeanDeviation.end(), NoEdge);
    BinStats[0].Clear();
    DeviationCount = 0;
    H4RoundSum_ = 0;
    H4RoundCount_ = 0;
    CurrentEdge = NextEdge(-1);
    SetDelay(CurrentEdge);
    State = 4;
}

void TJ_Obj::RandomPart() {
    const TSignalObj& r = Host_.Record();
    const double* y = r.Data1();
    const int n = r.Length();
    const int code = EdgeCode(CurrentEdge);
    TStat& edge = BinStats[0];
    TJitterHist& total = Histograms[4];
    for (int i = 0; i < n; ++i) {
        const double v = y[i];
        if (!(v > LowerLevel && v < UpperLevel)) continue;
        const double deviation = r.IndexToTime(i) - LevelOffset(code, v);
        edge.Add(1, deviation);
        if (DeviationCount < MaxDeviations) Deviations[static_cast<std::size_t>(DeviationCount++)] = deviation;
        total.Add(deviation - OverallEdgeMean);
        H4RoundSum_ += deviation - OverallEdgeMean;
        ++H4RoundCount_;
    }
    if (edge.Count < RandomSamples) return;
    const double a = edge.Mean;
    EdgeMeanDeviation[static_cast<std::size_t>(CurrentEdge)] = static_cast<float>(a);
    for (int i = 0; i < DeviationCount; ++i) {
        Histograms[3].Add(Deviations[static_cast<std::size_t>(i)] - a);
        Histograms[6].Add(Deviations[static_cast<std::size_t>(i)] - a);
    }
    const int next = NextEdge(CurrentEdge);
    if (next >= 0) {
        edge.Clear();
        DeviationCount = 0;
        CurrentEdge = next;
        SetDelay(CurrentEdge);
        return;
    }
    if (H4RoundCount_ > 0) OverallEdgeMean += H4RoundSum_ / static_cast<double>(H4RoundCount_);
    edge.Clear();
    for (int p = 0; p < PatternLength; ++p) {
        float& e = EdgeMeanDeviation[static_cast<std::size_t>(p)];
        if (e == NoEdge) continue;
        e = static_cast<float>(e - OverallEdgeMean);
        Histograms[5].Add(e);
        Histograms[0].Add(e);
        Histograms[BitMap[static_cast<std::size_t>(p)] ? 1 : 2].Add(e);
    }
    ShownEdgeDeviation = EdgeMeanDeviation;
    ComputeResults();
    State = 5;
}

}  // namespace vt
