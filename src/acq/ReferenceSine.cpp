#include "acq/ReferenceSine.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "acq/SignalObj.h"
#include "core/Numeric.h"
#include "link/InstrumentIdentity.h"

namespace vt {

namespace {
constexpr double Pi = std::numbers::pi;
}

TRefSine::TRefSine(std::span<const double> y, double t0, double dt, double frequency)
    : Y_(y), Omega_(2 * Pi * frequency), T0_(t0), Dt_(dt) {
    double lo = 1e15, hi = -1e15;
    for (double v : y) lo = std::min(lo, v), hi = std::max(hi, v);
    A_ = (hi - lo) / 2;
    C_ = (hi + lo) / 2;
    // Coarse to fine; the first of equal residuals wins.
    auto search = [this](double from, double to, double step) {
        double best = from, bestResidual = Residual(from);
        const auto steps = static_cast<int>(RoundHalfEven((to - from) / step));
        for (int i = 1; i <= steps; ++i) {
            const double phase = from + i * step;
            const double r = Residual(phase);
            if (r < bestResidual) best = phase, bestResidual = r;
        }
        return best;
    };
    Phi_ = search(-Pi / 8, 2 * Pi, Pi / 8);
    Phi_ = search(Phi_ - Pi / 8, Phi_ + Pi / 8, Pi / 64);
    Phi_ = search(Phi_ - Pi / 64, Phi_ + Pi / 64, Pi / 512);
    Y_ = {};
}

double TRefSine::Residual(double phase) const {
    double sum = 0;
    for (std::size_t i = 0; i < Y_.size(); ++i) {
        double theta = Omega_ * (static_cast<double>(i) * Dt_ + T0_) + phase;
        theta -= 2 * Pi * std::floor((theta + Pi / 2) / (2 * Pi));  // into -pi/2 .. 3pi/2
        const bool steep = (theta >= -Pi / 3 && theta <= Pi / 3) || (theta >= 2 * Pi / 3 && theta <= 4 * Pi / 3);
        if (!steep) continue;
        const double d = A_ * std::sin(theta) + C_ - Y_[i];
        sum += d * d;
    }
    return sum;
}

bool TRefSine::CorrectTime(double y, double t, double& corrected) const {
    // A flat reference tells nothing: no correction (rather than a division by zero).
    if (!(A_ > 0) || !(Omega_ > 0)) return false;
    const double e = (y - C_) / A_;
    if (!(std::fabs(e) < std::sqrt(3.0) / 2)) return false;
    const double theta = Omega_ * t + Phi_;
    // Whole half turns down into -pi/2 .. pi/2; a move upwards counts negative.
    const double k = std::floor((theta + Pi / 2) / Pi);
    const double a = std::asin(e);
    const bool odd = std::fmod(std::fabs(k), 2.0) == 1.0;
    corrected = (k * Pi + (odd ? -a : a) - Phi_) / Omega_;
    return true;
}

void ResampleByRefSine(const TRefSine& sine, const TSignalObj& ch1, const TSignalObj& ch2, TSignalObj& f4) {
    f4.Assign(ch1);
    const int n = ch1.Length();
    for (int i = 0; i < n; ++i) {
        double t = 0;
        const std::int64_t j = sine.CorrectTime(ch2.GetPoint(i), ch1.IndexToTime(i), t)
                                   ? RoundHalfEven(ch1.TimeToIndex(t))
                                   : -1;
        f4.SetPoint(j >= 0 && j < n ? static_cast<int>(j) : i, ch1.GetPoint(i));
    }
}

int RefFreqPrescale(std::span<const std::string> params) {
    for (int d : {2, 4, 8, 16})
        if (HasCommandLineParam(params, "Div" + std::to_string(d))) return d;
    return 1;
}

}  // namespace vt
