#pragma once
// Sine and cosine for the simulator's loops.
#include <bit>
#include <cmath>
#include <cstdint>

namespace vt {

// sin x by a reduction to |y| <= pi/4 and the polynomials of sin and cos there, within a unit or two
// in the last place: far below a code's resolution, at a fraction of the library call's cost. The
// reduction by three parts of pi/2 is exact enough for |x| < 1.5e6 (FastSinInRange); beyond, and for
// NaN, the caller takes the library's. Without branches, so that a loop of them runs two at a time.
constexpr double FastSinRange = 1.5e6;
inline bool FastSinInRange(double x) { return std::fabs(x) < FastSinRange; }
// sin (x + turn x pi/2).
inline double FastSinQuadrants(double x, std::uint64_t turn) {
    constexpr double InvPio2 = 6.36619772367581382433e-01;
    constexpr double Pio2A = 1.57079632673412561417e+00;  // the first 33 bits of pi/2
    constexpr double Pio2B = 6.07710050630396597660e-11;  // the next 33
    constexpr double Pio2C = 2.02226624879595063154e-21;  // the rest
    constexpr double Shift = 0x1.8p52;
    // The nearest whole number of quarter turns, whose low bits are those of the shifted sum.
    const double shifted = x * InvPio2 + Shift;
    const auto quadrant = (std::bit_cast<std::uint64_t>(shifted) + turn) & 3;
    const double n = shifted - Shift;
    const double y = ((x - n * Pio2A) - n * Pio2B) - n * Pio2C;
    const double z = y * y;
    const double ps = 8.33333333332248946124e-03 +
                      z * (-1.98412698298579493134e-04 +
                           z * (2.75573137070700676789e-06 + z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)));
    const double s = y + z * y * (-1.66666666666666324348e-01 + z * ps);
    const double pc = z * (4.16666666666666019037e-02 +
                           z * (-1.38888888888741095749e-03 +
                                z * (2.48015872894767294178e-05 +
                                     z * (-2.75573143513906633035e-07 + z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    const double h = 0.5 * z;
    const double w = 1 - h;
    const double c = w + (((1 - w) - h) + z * pc);
    const double r = (quadrant & 1) ? c : s;
    return (quadrant & 2) ? -r : r;
}

inline double FastSin(double x) { return FastSinQuadrants(x, 0); }
inline double FastCos(double x) { return FastSinQuadrants(x, 1); }
inline double FastCosOrLibrary(double x) { return FastSinInRange(x) ? FastCos(x) : std::cos(x); }

}  // namespace vt
