#include "acq/SignalObj.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "acq/TdrUnits.h"
#include "core/Decibels.h"
#include "core/InternalError.h"
#include "core/Numeric.h"

namespace vt {

namespace {
constexpr const char* UnitName = "SignalObj_Unit";
}

std::string FftWindowName(int window) {
    static constexpr const char* Names[] = {"Rectangular",     "Hamming",       "Hanning", "Flattop",
                                            "Blackman-Harris", "Kaiser-Bessel"};
    if (window < 0 || window > 5) return {};
    return Names[window];
}

double PhaseDegrees(double re, double im) {
    // atan2 keeps the quadrant, so +-j gives +-90 and a negative real point 180 (never -180 for a
    // signed zero imaginary part).
    if (im == 0) return re < 0 ? 180.0 : 0.0;
    return std::atan2(im, re) * (180.0 / std::numbers::pi);
}

void TSignalObj::CheckIndex(int i) {
    if (i < 0 || i >= MaxSignalPoints) VT_INTERNAL_ERROR(UnitName, "Range check error: point index");
}

void TSignalObj::SetLength(int length) {
    if (length < 0 || length > MaxSignalPoints) VT_INTERNAL_ERROR(UnitName, "Range check error: Length");
    Length_ = static_cast<std::uint16_t>(length);
}

void TSignalObj::SetDecimation(int n) {
    int d = 1;
    while (n > 1 && d < MaxSignalPoints) {
        d *= 2;
        n = (n + 1) / 2;
    }
    // At least 8 displayed points; the bound stays a power of two and at least 1 for any length.
    while (d > 1 && Length_ / d < 8) d /= 2;
    Decimation_ = static_cast<std::uint16_t>(d);
}

void TSignalObj::SetPhaseGateLevel(double db) {
    PhaseGateLevel_ = db;
    PhaseGateLevelAbs_ = FromDb(PhaseGateLevel_) * MagnitudeMax_;
}

void TSignalObj::UpdateMagnitudeMax() {
    if (!IsSpectrum_) return;
    MagnitudeMax_ = 0;
    for (int i = 1; i < Length_; ++i) {
        const double m = GetMagnitude(i);
        if (m > MagnitudeMax_) MagnitudeMax_ = m;
    }
    PhaseGateLevelAbs_ = FromDb(PhaseGateLevel_) * MagnitudeMax_;
}

bool TSignalObj::ChangedFlag(int consumer) const {
    if (consumer < 0 || consumer >= ConsumerCount) VT_INTERNAL_ERROR(UnitName, "Range check error: consumer");
    return ChangedFlags_[consumer];
}

void TSignalObj::ClearChangedFlag(int consumer) {
    if (consumer < 0 || consumer >= ConsumerCount) VT_INTERNAL_ERROR(UnitName, "Range check error: consumer");
    ChangedFlags_[consumer] = false;
}

double TSignalObj::GetPoint(int i) const {
    CheckIndex(i);
    const double v = Data1_[i];
    if (TdrUnit_ == tdrNone || Raw_) return v;
    const double rho = (v - TdrOffset_) / TdrScale_;
    return TdrUnit_ == tdrOhm ? RhoToOhm(rho) : rho;
}

void TSignalObj::SetPoint(int i, double v) {
    CheckIndex(i);
    Data1_[i] = v;
}

double TSignalObj::GetSecondPoint(int i) const {
    CheckIndex(i);
    return Data2_[i];
}

void TSignalObj::SetSecondPoint(int i, double v) {
    CheckIndex(i);
    Data2_[i] = v;
}

double TSignalObj::GetMagnitude(int i) const {
    if (!IsSpectrum_) VT_INTERNAL_ERROR(UnitName, "??????  Non-Spectr   !!!");
    CheckIndex(i);
    return std::sqrt(Data1_[i] * Data1_[i] + Data2_[i] * Data2_[i]);
}

double TSignalObj::GetPhase(int i) const {
    CheckIndex(i);
    if (PhaseGate_ && GetMagnitude(i) < PhaseGateLevelAbs_) return 0;
    return PhaseDegrees(Data1_[i], Data2_[i]);
}

double TSignalObj::GetDisplayValue(int i) const {
    const int k = i + ViewStart_;
    if (!IsSpectrum_) return GetPoint(k);
    switch (ComplexScale_) {
        case csMagnitude: {
            CheckIndex(k);
            if (k == 0 && SkipDC_) return 0;
            const double m = GetMagnitude(k);
            if (!DbOn_) return m;
            const double db = Db20(m);
            return VertUnit_ == "W" ? db / 2 : db;
        }
        case csPhase: return GetPhase(k);
        case csReal: return GetPoint(k);
        case csImaginary: return GetSecondPoint(k);
        default: return 55555;
    }
}

std::string TSignalObj::GetVertUnit() const {
    if (TdrUnit_ == tdrNone || Raw_) return VertUnit_;
    switch (TdrUnit_) {
        case tdrRho: return "Rho";
        case tdrOhm: return "\u2126";
        case tdrNoUnit: return {};
        default: return "?";
    }
}

std::string TSignalObj::GetDisplayUnit() const {
    if (IsSpectrum_ && ComplexScale_ == csPhase) return "\u00B0";
    if (IsDbMagnitude()) return "dB" + VertUnit_;
    return GetVertUnit();
}

double TSignalObj::GetCentre() const {
    if (IsSpectrum_ && ComplexScale_ == csPhase) return PhaseOffset_;
    if (IsDbMagnitude()) return DbOffset_;
    return VertOffset_ + ViewPosition_;
}

double TSignalObj::GetScale() const {
    if (IsSpectrum_ && ComplexScale_ == csPhase) return PhaseScaleFactor_ * 45.0;
    if (IsDbMagnitude()) return DbScale_;
    return VertScale_ * ViewScaleFactor_;
}

std::int32_t TSignalObj::TimeToColumn(double t) const {
    const std::int64_t c = RoundHalfEven(IndexToColumn(TimeToIndex(t)));
    if (c > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (c < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(c);
}

double TSignalObj::ValueToPixel(double v) const {
    const double row = (v - GetCentre()) * 1024.0 / (8.0 * GetScale()) + 512.0;
    if (row > 2147483647.0) return 2147483647.0;
    if (row < -2147483647.0) return -2147483647.0;
    return row;
}

double TSignalObj::PixelToValue(double row) const {
    return GetCentre() + (row - 512.0) / (1024.0 / (8.0 * GetScale()));
}

int TSignalObj::GetDecimatedLength() const {
    if (Decimation_ == 0) VT_INTERNAL_ERROR(UnitName, "Range check error: Decimation");
    return Length_ / Decimation_;
}

void TSignalObj::Assign(const TSignalObj& other) {
    Length_ = other.Length_;
    IsSpectrum_ = other.IsSpectrum_;
    HorUnit_ = other.HorUnit_;
    Origin_ = other.Origin_;
    SampleInterval_ = other.SampleInterval_;
    VertUnit_ = other.VertUnit_;
    VertOffset_ = other.VertOffset_;
    VertScale_ = other.VertScale_;
    Window_ = other.Window_;
    Dielectric_ = other.Dielectric_;
    TdrUnit_ = other.TdrUnit_;
    TdrScale_ = other.TdrScale_;
    TdrOffset_ = other.TdrOffset_;
    Raw_ = other.Raw_;
}

void TSignalObj::AssignWithData(const TSignalObj& other) {
    Assign(other);
    std::copy_n(other.Data1_.begin(), Length_, Data1_.begin());
    if (IsSpectrum_) std::copy_n(other.Data2_.begin(), Length_, Data2_.begin());
}

}  // namespace vt
