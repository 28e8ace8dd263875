#pragma once
// The constants of the FFT windows that the spectrum measurements use: three peak-interpolation
// constants per window and the cosine-sum coefficients (alternating signs) with the number of terms.
namespace vt {

class TSignalObj;

// j 0..2 of the window of the signal (windows outside 0..5 read as Rectang).
double FftWindowPeakConst(const TSignalObj& signal, int j);
// j 0..3 the coefficients, 4 the number of cosine terms.
double FftWindowCoef(const TSignalObj& signal, int j);

}  // namespace vt
