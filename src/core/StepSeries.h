#pragma once
// The roundings behind numeric stepping: the 1-2-5 and twelve-step series, powers of two, the dB
// ladder and multiples of a step.

namespace vt {

// 1-2-5 series: boundaries at 1.5, 3.5 and 7 times a power of ten. Magnitudes below 1e-64, and above
// 1e-32 but below 1e-30, give 0; from 1e-64 up to 1e-32 raises EInternalError. A negative value keeps
// its sign.
double CorrectNewVal1_2_5(double value);
// The power of two nearest on the 1.5 boundary; 0 up to 1e-32. A negative value keeps its sign.
double RoundToPowerOf2(double value);
// The dB ladder 0, 6, 10, 15, 20, 26, 30 … (either sign).
double RoundDbStep(double valueDb);
// step × round(value / step), ties to even.
double RoundToMultiple(double step, double value);
// Snap to 1.0, 1.2, 1.5, 1.8, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0 times a power of ten; direction
// < 0 down, > 0 up, 0 nearest. Small values as CorrectNewVal1_2_5; a negative value keeps its sign.
double CorrectValueE12(int direction, double value);

}  // namespace vt
