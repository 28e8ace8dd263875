#pragma once
// The FFT of 2 to 8192 points on two arrays of 64-bit floats, in place (radix-4 stages, and one radix-2
// stage where the size's bits are odd), with the scaling that shows a sinusoid of amplitude A as A at
// its bin; the data windows of the spectra; and the error function, its complement and the normal
// distribution function.
#include <span>

namespace vt {

inline constexpr int FftMaxPoints = 8192;

// The stages are compiled twice: a plain copy for every processor and a copy with AVX2 vectors (the
// same operations in the same order, so the same results). The calls without a kernel take the best
// the processor has, found once per process; the others run the copy named (the plain one where the
// processor lacks AVX2), so that both copies can be checked on one machine.
enum class TFftKernel { Plain, Avx2 };
bool FftKernelAvailable(TFftKernel kernel);
TFftKernel BestFftKernel();

// Status of FftTransform.
inline constexpr int FftDone = 0;
inline constexpr int FftTooShort = 1;    // n < 2
inline constexpr int FftUnsupported = 2; // n not a power of two up to 8192

// Whether n is one of the 13 sizes 2, 4, ..., 8192.
bool IsFftSize(int n);

// Forward: point 0 of both arrays x 1/n, every other point x 2/n. Inverse: the transform back, real
// parts x 0.5 and imaginary parts x -0.5 (with point 0 of the spectrum doubled first, a forward and
// an inverse transform give back the record). On status 1 or 2 the arrays are left untouched.
void FftTransform(int n, bool inverse, double* re, int& status, double* im);
void FftTransform(TFftKernel kernel, int n, bool inverse, double* re, int& status, double* im);

// The forward transform, scaled as above, of n real values in re (im's entries are overwritten),
// each first multiplied by its weight where n weights are given: one complex transform of n / 2
// points and a split. False (arrays untouched) for an unsupported n.
bool FftRealForward(int n, double* re, double* im, std::span<const double> weights = {});
bool FftRealForward(TFftKernel kernel, int n, double* re, double* im, std::span<const double> weights = {});

// Weights of FFT window 1..5 ("Hamming" .. "KaiserBess") for n points (n a transform size), built
// once per size and window; empty for Rectang, other windows or sizes.
std::span<const double> FftWindowWeights(int n, int window);
// The weight of window w at point i of n, computed directly.
double FftWindowWeight(int window, int i, int n);

double ErrorFunction(double x);
double ErrorFunctionComplement(double x);
double NormalCdf(double x);

}  // namespace vt
