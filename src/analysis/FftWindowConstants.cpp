#include "analysis/FftWindowConstants.h"

#include "acq/SignalObj.h"
#include "core/InternalError.h"

namespace vt {

namespace {

constexpr const char* UnitName = "_SHELL\\SRC\\FFT_Frm";

// The peak constants a, b, c place an on-bin tone at its bin: with r0 = a1 / (2 a0) of the window
// applied to the data, a = 1 / (1 - r0), b = r0 / (1 - r0), c = 1 (13.707317, 12.707317 and
// 2.623232, 1.623232, kept unrounded).
constexpr double FlattopR0 = 0.521 / (2 * 0.281);
constexpr double KaiserBessR0 = 0.49804 / (2 * 0.40243);
constexpr double PeakConst[6][3] = {
    {1.0, 0.0, 1.0},
    {1.873259, 0.797869, 1.150778},
    {2.0, 1.0, 1.0},
    {1 / (1 - FlattopR0), FlattopR0 / (1 - FlattopR0), 1.0},
    {3.232614, 2.199934, 1.065358},
    {1 / (1 - KaiserBessR0), KaiserBessR0 / (1 - KaiserBessR0), 1.0},
};

constexpr double Coef[6][5] = {
    {1.0, 0, 0, 0, 0},
    {0.54, -0.46, 0, 0, 1},
    {0.5, -0.5, 0, 0, 1},
    {0.281, -0.521, 0.198, 0, 2},
    {0.35875, -0.48829, 0.14128, -0.01168, 3},
    {0.40243, -0.49804, 0.09831, -0.00122, 3},
};

int Row(const TSignalObj& signal) {
    const int w = signal.Window();
    return w >= 0 && w <= 5 ? w : 0;
}

}  // namespace

double FftWindowPeakConst(const TSignalObj& signal, int j) {
    if (j < 0 || j > 2) VT_INTERNAL_ERROR(UnitName, "Range check error: window constant");
    return PeakConst[Row(signal)][j];
}

double FftWindowCoef(const TSignalObj& signal, int j) {
    if (j < 0 || j > 4) VT_INTERNAL_ERROR(UnitName, "Range check error: window coefficient");
    return Coef[Row(signal)][j];
}

}  // namespace vt
