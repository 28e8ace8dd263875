#pragma once
// Rounding shared by every ported formula: "round" sends halves to the even neighbour, "trunc" drops
// the fraction. Results are clamped to the 64-bit range so that no input is undefined behaviour.
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

}  // namespace vt
