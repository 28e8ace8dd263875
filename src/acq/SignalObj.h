#pragma once
// One waveform or spectrum record of up to 4096 points with its horizontal and vertical scaling, its
// units, the view of a spectrum (magnitude, phase, real or imaginary part) and the TDR conversion of
// its values, and the mapping of its points and values to the 4096 x 1024 screen.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vt {

inline constexpr int MaxSignalPoints = 4096;
inline constexpr int MinFilePoints = 32;
inline constexpr int DefaultSignalPoints = 512;

// What a record's values are shown in when a TDR conversion applies.
enum TTdrUnit : std::uint8_t { tdrNone = 0, tdrRho = 1, tdrOhm = 2, tdrNoUnit = 3 };
// The part of a spectrum that is shown.
enum TComplexScale : std::uint8_t { csMagnitude = 0, csPhase = 1, csReal = 2, csImaginary = 3 };

// Name of FFT window 0..5; empty for any other value.
std::string FftWindowName(int window);

// Phase of re + j im in degrees, -180..180: a purely imaginary point is +-90, a negative real point
// 180, the origin 0.
double PhaseDegrees(double re, double im);

class TSignalObj {
public:
    static constexpr int ConsumerCount = 3;  // consumers that each keep a new-data flag

    TSignalObj() = default;

    // --- header fields
    const std::string& Name() const { return Name_; }
    void SetName(std::string name) { Name_ = std::move(name); }
    int Length() const { return Length_; }
    void SetLength(int length);  // 0..4096
    bool IsSpectrum() const { return IsSpectrum_; }
    void SetSpectrum(bool on) { IsSpectrum_ = on; }
    const std::string& HorUnit() const { return HorUnit_; }
    void SetHorUnit(std::string unit) { HorUnit_ = std::move(unit); }
    double Origin() const { return Origin_; }
    void SetOrigin(double v) { Origin_ = v; }
    double SampleInterval() const { return SampleInterval_; }
    void SetSampleInterval(double v) { SampleInterval_ = v; }
    const std::string& VertUnit() const { return VertUnit_; }
    void SetVertUnit(std::string unit) { VertUnit_ = std::move(unit); }
    double VertOffset() const { return VertOffset_; }
    void SetVertOffset(double v) { VertOffset_ = v; }
    double VertScale() const { return VertScale_; }
    void SetVertScale(double v) { VertScale_ = v; }
    int Window() const { return Window_; }
    void SetWindow(int window) { Window_ = static_cast<std::uint8_t>(window); }
    double Dielectric() const { return Dielectric_; }
    void SetDielectric(double v) { Dielectric_ = v; }
    int TdrUnit() const { return TdrUnit_; }
    void SetTdrUnit(int unit) { TdrUnit_ = static_cast<std::uint8_t>(unit); }
    double TdrScale() const { return TdrScale_; }
    void SetTdrScale(double v) { TdrScale_ = v; }
    double TdrOffset() const { return TdrOffset_; }
    void SetTdrOffset(double v) { TdrOffset_ = v; }
    bool Raw() const { return Raw_; }
    void SetRaw(bool on) { Raw_ = on; }

    // --- view fields
    int ViewStart() const { return ViewStart_; }
    void SetViewStart(int v) { ViewStart_ = static_cast<std::uint16_t>(v); }
    int Decimation() const { return Decimation_; }
    // The smallest power of two >= n, lowered so that at least 8 points stay displayed; never 0.
    void SetDecimation(int n);
    double ViewScaleFactor() const { return ViewScaleFactor_; }
    void SetViewScaleFactor(double v) { ViewScaleFactor_ = v; }
    double ViewPosition() const { return ViewPosition_; }
    void SetViewPosition(double v) { ViewPosition_ = v; }
    int ComplexScale() const { return ComplexScale_; }
    void SetComplexScale(int v) { ComplexScale_ = static_cast<std::uint8_t>(v); }
    bool SkipDC() const { return SkipDC_; }
    void SetSkipDC(bool on) { SkipDC_ = on; }
    bool PhaseGate() const { return PhaseGate_; }
    void SetPhaseGate(bool on) { PhaseGate_ = on; }
    double PhaseGateLevel() const { return PhaseGateLevel_; }
    void SetPhaseGateLevel(double db);
    double PhaseGateLevelAbs() const { return PhaseGateLevelAbs_; }
    bool DbOn() const { return DbOn_; }
    void SetDbOn(bool on) { DbOn_ = on; }
    double DbScale() const { return DbScale_; }
    void SetDbScale(double v) { DbScale_ = v; }
    double DbOffset() const { return DbOffset_; }
    void SetDbOffset(double v) { DbOffset_ = v; }
    double PhaseOffset() const { return PhaseOffset_; }
    void SetPhaseOffset(double v) { PhaseOffset_ = v; }
    double PhaseScaleFactor() const { return PhaseScaleFactor_; }
    void SetPhaseScaleFactor(double v) { PhaseScaleFactor_ = v; }
    double MagnitudeMax() const { return MagnitudeMax_; }
    // Largest magnitude of points 1..Length-1 (the DC point is left out), and the gate level from it.
    void UpdateMagnitudeMax();

    // --- marks
    // Set when a pass starts on the record or a computation brings new points; each consumer reads
    // and clears its own flag.
    void SetChangedFlags() { ChangedFlags_.fill(true); }
    bool ChangedFlag(int consumer) const;
    void ClearChangedFlag(int consumer);
    bool IsMathResult() const { return MathResult_; }
    void SetMathResult(bool on) { MathResult_ = on; }

    // --- points (index 0..4095)
    double GetPoint(int i) const;  // with the TDR conversion unless Raw
    void SetPoint(int i, double v);
    double GetSecondPoint(int i) const;
    void SetSecondPoint(int i, double v);
    double GetMagnitude(int i) const;  // spectra only
    double GetPhase(int i) const;      // degrees, with the phase gate
    // Value of display index i (point i + ViewStart) as shown: the point, or for a spectrum the part
    // that ComplexScale chooses.
    double GetDisplayValue(int i) const;
    const double* Data1() const { return Data1_.data(); }
    const double* Data2() const { return Data2_.data(); }
    // The arrays themselves, for computations that fill a whole record (spectra, math).
    double* Data1() { return Data1_.data(); }
    double* Data2() { return Data2_.data(); }

    // --- units
    const std::string& GetVertUnitRaw() const { return VertUnit_; }
    std::string GetVertUnit() const;
    std::string GetDisplayUnit() const;
    bool IsDbMagnitude() const { return IsSpectrum_ && DbOn_ && ComplexScale_ == csMagnitude; }

    // --- vertical view
    double GetCentre() const;
    double GetScale() const;

    // --- screen mapping: 4096 columns across a record, 1024 rows over 8 divisions around row 512
    double IndexToTime(double x) const { return x * SampleInterval_ + Origin_; }
    double ViewIndexToTime(double x) const { return IndexToTime(ViewStart_ + x); }
    double TimeToIndex(double t) const { return (t - Origin_) / SampleInterval_; }
    double TimeToViewIndex(double t) const { return TimeToIndex(t) - ViewStart_; }
    double ColumnToViewIndex(double x) const { return x / Decimation_ / 4096.0 * Length_; }
    double ColumnToIndex(double x) const { return ColumnToViewIndex(x) + ViewStart_; }
    double ColumnToTime(double x) const { return IndexToTime(ColumnToIndex(x)); }
    double IndexToColumn(double i) const { return (i - ViewStart_) / Length_ * 4096.0 * Decimation_; }
    double ViewIndexToColumn(double x) const { return x / Length_ * 4096.0 * Decimation_; }
    std::int32_t TimeToColumn(double t) const;
    double ValueToPixel(double v) const;
    double PixelToValue(double row) const;
    double GetViewStartTime() const { return ViewStart_ * SampleInterval_ + Origin_; }
    double TimePerDivision() const { return Length_ / 512.0 * 50.0 * SampleInterval_; }
    int GetDecimatedLength() const;

    // --- copies
    // Copies the header fields (not the name, view or marks).
    void Assign(const TSignalObj& other);
    // The header and Length points of Data1 (and of Data2 for a spectrum).
    void AssignWithData(const TSignalObj& other);

    // --- waveform files. The image functions build and read file contents; the file functions
    // write atomically and, on reading, change the record only when the whole file was read.
    std::string BinaryImage() const;
    bool LoadBinaryImage(std::string_view bytes);
    std::string TextImage(bool valuesOnly) const;
    bool LoadTextImage(std::string_view text);
    bool SaveBinary(const std::filesystem::path& file) const;
    bool LoadBinary(const std::filesystem::path& file);
    bool SaveText(const std::filesystem::path& file, bool valuesOnly) const;
    bool LoadText(const std::filesystem::path& file);

private:
    static void CheckIndex(int i);

    std::string Name_;
    std::uint16_t Length_ = DefaultSignalPoints;
    bool IsSpectrum_ = false;
    std::array<double, MaxSignalPoints> Data1_{};
    std::array<double, MaxSignalPoints> Data2_{};
    std::string HorUnit_;
    double Origin_ = 0;
    double SampleInterval_ = 0;
    std::uint16_t ViewStart_ = 0;
    std::uint16_t Decimation_ = 1;
    std::string VertUnit_;
    double VertOffset_ = 0;
    double VertScale_ = 0.5;
    double ViewScaleFactor_ = 1.0;
    double ViewPosition_ = 0;
    std::uint8_t ComplexScale_ = csMagnitude;
    bool SkipDC_ = false;
    bool PhaseGate_ = false;
    double PhaseGateLevel_ = 0;
    bool DbOn_ = false;
    double DbScale_ = 6.0;
    double DbOffset_ = 0;
    double PhaseOffset_ = 0;
    double PhaseScaleFactor_ = 1.0;
    double MagnitudeMax_ = 0;
    double PhaseGateLevelAbs_ = 0;
    std::uint8_t Window_ = 0;
    double Dielectric_ = 0;
    std::array<bool, ConsumerCount> ChangedFlags_{};
    std::uint8_t TdrUnit_ = tdrNone;
    double TdrScale_ = 0;
    double TdrOffset_ = 0;
    bool Raw_ = false;
    bool MathResult_ = false;
};

}  // namespace vt
