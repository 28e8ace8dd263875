#include "core/StepSeries.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "core/Numeric.h"

namespace vt {

namespace {

constexpr std::string_view kSpiderUnit = "_SHELL\\SRC\\SpiderUnit";
constexpr std::string_view kProc555Unit = "_SHELL\\SRC\\Proc555";

// A positive finite value as Mantissa × 10^Exponent with Mantissa in [1, 10), read off the shortest
// text that gives the value back. The series roundings decide on these decimal digits, so that a
// value entered as 3.5e-5 lies on its boundary whatever binary scaling would make of it.
struct TDecade {
    double Mantissa = 0;
    int Exponent = 0;
};

TDecade SplitDecade(double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    const std::size_t e = text.find('e');
    TDecade d;
    std::from_chars(text.data(), text.data() + e, d.Mantissa);
    const std::size_t expFrom = text[e + 1] == '+' ? e + 2 : e + 1;
    std::from_chars(text.data() + expFrom, text.data() + text.size(), d.Exponent);
    return d;
}

// The double nearest mantissa × 10^exponent (a series value, exact in decimal); infinity beyond the
// double range.
double JoinDecade(double mantissa, int exponent) {
    double v = 0;
    if (TryStrToFloatDot(FloatToStrDot(mantissa) + "E" + std::to_string(exponent), v)) return v;
    return std::numeric_limits<double>::infinity();
}

// The twelve-step series in tenths, so that entries and midpoints are the doubles nearest their
// decimal values.
constexpr std::array<int, 12> kSeries12Tenths = {10, 12, 15, 18, 20, 25, 30, 40, 50, 60, 80, 100};

// The small-value rules of the series roundings: below 1e-64 zero, up to 1e-32 outside their
// domain, below 1e-30 zero; a value that is not finite stays. True when `result` is settled here.
bool SettledBeforeSeries(double value, std::string_view unit, std::string_view message, double& result) {
    const double m = std::fabs(value);
    if (m <= 1e-32 && m >= 1e-64) VT_INTERNAL_ERROR(unit, message);
    result = m < 1e-30 ? 0 : value;
    return m < 1e-30 || !std::isfinite(m);
}

}  // namespace

double CorrectNewVal1_2_5(double value) {
    double settled = 0;
    if (SettledBeforeSeries(value, kSpiderUnit, "CorrectNewVal1_2_5 - Value = 0", settled)) return settled;
    // The range 1.5 to 15 of the series, seen from a mantissa in 1 to 10: below 1.5 is 10 of the
    // decade below, that is 1.
    const TDecade d = SplitDecade(std::fabs(value));
    const double snapped = d.Mantissa < 1.5 ? 1 : d.Mantissa < 3.5 ? 2 : d.Mantissa < 7 ? 5 : 10;
    return std::copysign(JoinDecade(snapped, d.Exponent), value);
}

double RoundToPowerOf2(double value) {
    const double m = std::fabs(value);
    if (m <= 1e-32) return 0;
    if (!std::isfinite(m)) return value;
    int e = 0;
    const double f = std::frexp(m, &e);  // m = f × 2^e, f in [0.5, 1)
    return std::copysign(std::ldexp(1.0, f >= 0.75 ? e : e - 1), value);
}

double RoundDbStep(double valueDb) {
    double m = std::fabs(valueDb);
    if (!std::isfinite(m)) return valueDb;
    double n = 0;
    if (m > 23) {
        n = std::ceil((m - 23) / 20);
        m -= 20 * n;
        // Settle rounding at the edges the way repeated subtraction would.
        if (m > 23) {
            m -= 20;
            ++n;
        } else if (m + 20 <= 23) {
            m += 20;
            --n;
        }
    }
    const double step = m < 3 ? 0 : m < 8 ? 6 : m < 13 ? 10 : m < 18 ? 15 : 20;
    return std::copysign(step + 20 * n, valueDb);
}

double RoundToMultiple(double step, double value) {
    if (std::fabs(step) < 1e-30) return value;
    const double q = value / step;
    if (!(std::fabs(q) <= 2147483647.0)) return value;
    return step * static_cast<double>(RoundHalfEven(q));
}

double CorrectValueE12(int direction, double value) {
    double settled = 0;
    if (SettledBeforeSeries(value, kProc555Unit, "CorrectValueE12 - Value = 0", settled)) return settled;
    const TDecade d = SplitDecade(std::fabs(value));
    const double mantissa = d.Mantissa;
    // Bisection for low < mantissa <= high; a mantissa of exactly 1 takes the first pair.
    std::size_t lo = 0;
    std::size_t hi = kSeries12Tenths.size() - 1;
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (kSeries12Tenths[mid] / 10.0 < mantissa) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    const double low = kSeries12Tenths[lo] / 10.0;
    const double high = kSeries12Tenths[hi] / 10.0;
    const double middle = (kSeries12Tenths[lo] + kSeries12Tenths[hi]) / 20.0;
    double snapped = high;
    if (direction < 0 || (direction == 0 && mantissa < middle)) snapped = low;
    return std::copysign(JoinDecade(snapped, d.Exponent), value);
}

}  // namespace vt
