#pragma once
// Rounding shared by every ported formula: "round" sends halves to the even neighbour, "trunc" drops
// the fraction. Results are clamped to the 64-bit range so that no input is undefined behaviour.
// Beside them the undefined-value marker, bit lengths and straight-line interpolation.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vt {

// The system-wide "undefined" marker: the most negative single-precision value.
inline constexpr double UndefinedValue = -static_cast<double>(FLT_MAX);

inline bool IsUndefinedValue(double v) { return v <= UndefinedValue; }

namespace detail {
inline std::int64_t ClampToInt64(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
    if (v <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}
}  // namespace detail

inline std::int64_t RoundHalfEven(double v) {
    // The program never leaves the default floating-point rounding mode (to nearest, ties to even).
    return detail::ClampToInt64(std::nearbyint(v));
}

inline std::int64_t Trunc(double v) { return detail::ClampToInt64(std::trunc(v)); }

// The bits of n's magnitude, at least 1; a negative n counts as -n - 1.
inline int BitLength(std::int32_t n) {
    std::int64_t v = n < 0 ? -static_cast<std::int64_t>(n) - 1 : n;
    if (v == std::numeric_limits<std::int32_t>::max()) return 32;
    int i = 1;
    while ((std::int64_t{1} << i) <= v) ++i;
    return i;
}

// The value at x on the line through (x0, y0) and (x1, y1).
inline double LinearInterpolate(double x, double y1, double x1, double y0, double x0) {
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

}  // namespace vt
