#include "analysis/FftTransform.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <numbers>
#include <utility>
#include <vector>

namespace vt {

namespace {

constexpr int SizeCount = 13;  // 2 .. 8192

// The factors of every butterfly stage, exact from std::cos / std::sin: a radix-4 stage of quarter
// span m (1, 2, 4, ...) reads e^(-i 2 pi r j / 4m) for r = 1, 2, 3 and j < m at offset m - 1. The
// r = 2 entries are e^(-i pi j / m), the factors the real transform's split of half size m reads (up
// to m = 4096). A stage's factors do not depend on the transform size, so one table serves every
// size. The bit-reversal permutation per size.
struct TFftTables {
    static constexpr int Entries = FftMaxPoints - 1;  // m = 1 .. 4096
    std::array<std::vector<double>, 4> Cos, Sin;               // [r]; Sin holds -sin
    std::array<std::vector<std::uint16_t>, SizeCount + 1> Reverse;

    TFftTables() {
        for (int r = 1; r <= 3; ++r) {
            Cos[static_cast<std::size_t>(r)].resize(Entries);
            Sin[static_cast<std::size_t>(r)].resize(Entries);
        }
        for (int m = 1; 2 * m <= FftMaxPoints; m *= 2)
            for (int j = 0; j < m; ++j)
                for (int r = 1; r <= 3; ++r) {
                    const double a = std::numbers::pi * r * j / (2 * m);
                    Cos[static_cast<std::size_t>(r)][static_cast<std::size_t>(m - 1 + j)] = std::cos(a);
                    Sin[static_cast<std::size_t>(r)][static_cast<std::size_t>(m - 1 + j)] = -std::sin(a);
                }
        for (int bits = 1; bits <= SizeCount; ++bits) {
            const int n = 1 << bits;
            std::vector<std::uint16_t>& rev = Reverse[static_cast<std::size_t>(bits)];
            rev.resize(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                int v = 0;
                for (int b = 0; b < bits; ++b)
                    if (i & (1 << b)) v |= 1 << (bits - 1 - b);
                rev[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(v);
            }
        }
    }
};

const TFftTables& Tables() {
    static const TFftTables tables;
    return tables;
}

int SizeBits(int n) { return std::countr_zero(static_cast<unsigned>(n)); }

// The butterflies of one block of 4m points. After the bit reversal a block's quarters hold the
// transforms of the points whose index is 0, 2, 1 and 3 modulo 4 (rq/iq: residue q); each output
// takes the four with the factors w^j, w^2j, w^3j (w = e^(-2 pi i / 4m)) and the fourth roots of
// unity, and output q goes to quarter q. The quarters are separate arguments so that the compiler
// knows they do not overlap and vectorises the loop. Scaled: every output times scale (the last
// stage of a forward transform scales as it writes, instead of another pass over the points).
template <bool Scaled>
inline __attribute__((always_inline)) void Radix4Block(double scale, int m, double* __restrict r0, double* __restrict i0, double* __restrict r2, double* __restrict i2,
                 double* __restrict r1, double* __restrict i1, double* __restrict r3, double* __restrict i3,
                 const double* __restrict w1r, const double* __restrict w1i, const double* __restrict w2r,
                 const double* __restrict w2i, const double* __restrict w3r, const double* __restrict w3i) {
    for (int j = 0; j < m; ++j) {
        const double ar = r0[j], ai = i0[j];
        const double br = r1[j] * w1r[j] - i1[j] * w1i[j];  // residue 1 x w^j
        const double bi = r1[j] * w1i[j] + i1[j] * w1r[j];
        const double cr = r2[j] * w2r[j] - i2[j] * w2i[j];  // residue 2 x w^2j
        const double ci = r2[j] * w2i[j] + i2[j] * w2r[j];
        const double dr = r3[j] * w3r[j] - i3[j] * w3i[j];  // residue 3 x w^3j
        const double di = r3[j] * w3i[j] + i3[j] * w3r[j];
        double s0r = ar + cr, s0i = ai + ci;  // a + c
        double d0r = ar - cr, d0i = ai - ci;  // a - c
        double s1r = br + dr, s1i = bi + di;  // b + d
        double d1r = br - dr, d1i = bi - di;  // b - d
        if constexpr (Scaled) {
            s0r *= scale;
            s0i *= scale;
            d0r *= scale;
            d0i *= scale;
            s1r *= scale;
            s1i *= scale;
            d1r *= scale;
            d1i *= scale;
        }
        r0[j] = s0r + s1r;  // a + b + c + d
        i0[j] = s0i + s1i;
        r1[j] = s0r - s1r;  // a - b + c - d: output 2, in the third quarter
        i1[j] = s0i - s1i;
        r2[j] = d0r + d1i;  // (a - c) - i (b - d): output 1, in the second quarter
        i2[j] = d0i - d1r;
        r3[j] = d0r - d1i;  // (a - c) + i (b - d): output 3
        i3[j] = d0i + d1r;
    }
}

// The stages' loops, compiled twice below: the plain copy, and where the processor has AVX2 a copy
// with four-wide vectors (the same operations in the same order, so the same results).
inline __attribute__((always_inline)) void Radix4StageBody(int n, int m, double* re, double* im,
                                                           const TFftTables& t, double scale) {
    const std::size_t at = static_cast<std::size_t>(m - 1);
    const double* w1r = t.Cos[1].data() + at;  // w^j
    const double* w1i = t.Sin[1].data() + at;
    const double* w2r = t.Cos[2].data() + at;  // w^2j
    const double* w2i = t.Sin[2].data() + at;
    const double* w3r = t.Cos[3].data() + at;  // w^3j
    const double* w3i = t.Sin[3].data() + at;
    for (int k = 0; k < n; k += 4 * m) {
        double* r = re + k;
        double* i = im + k;
        if (scale == 1)
            Radix4Block<false>(scale, m, r, i, r + m, i + m, r + 2 * m, i + 2 * m, r + 3 * m, i + 3 * m, w1r, w1i,
                               w2r, w2i, w3r, w3i);
        else
            Radix4Block<true>(scale, m, r, i, r + m, i + m, r + 2 * m, i + 2 * m, r + 3 * m, i + 3 * m, w1r, w1i,
                              w2r, w2i, w3r, w3i);
    }
}

// The last stage of a size with an odd number of bits: the two halves, each a transform of n / 2
// points, joined with the factors e^(-i pi j / m), m = n / 2; every output times scale.
inline __attribute__((always_inline)) void Radix2LastStageBody(int m, double* __restrict ar, double* __restrict ai,
                                                               double* __restrict br, double* __restrict bi,
                                                               const double* __restrict wr,
                                                               const double* __restrict wi, double scale) {
    for (int j = 0; j < m; ++j) {
        const double tr = br[j] * wr[j] - bi[j] * wi[j];
        const double ti = br[j] * wi[j] + bi[j] * wr[j];
        const double xr = ar[j], xi = ai[j];
        br[j] = (xr - tr) * scale;
        bi[j] = (xi - ti) * scale;
        ar[j] = (xr + tr) * scale;
        ai[j] = (xi + ti) * scale;
    }
}

// One compiled copy of the stages; a scale of 1 leaves the points as they are.
struct TStages {
    void (*Radix4)(int n, int m, double* re, double* im, const TFftTables& t, double scale);
    void (*Radix2Last)(int m, double* ar, double* ai, double* br, double* bi, const double* wr, const double* wi,
                       double scale);
};

void Radix4StagePlain(int n, int m, double* re, double* im, const TFftTables& t, double scale) {
    Radix4StageBody(n, m, re, im, t, scale);
}
void Radix2LastStagePlain(int m, double* ar, double* ai, double* br, double* bi, const double* wr, const double* wi,
                          double scale) {
    Radix2LastStageBody(m, ar, ai, br, bi, wr, wi, scale);
}
constexpr TStages PlainStages{Radix4StagePlain, Radix2LastStagePlain};

#if defined(__x86_64__) || defined(__i386__)
#define VT_FFT_HAS_AVX2_COPY 1
__attribute__((target("avx2"))) void Radix4StageAvx2(int n, int m, double* re, double* im, const TFftTables& t,
                                                     double scale) {
    Radix4StageBody(n, m, re, im, t, scale);
}
__attribute__((target("avx2"))) void Radix2LastStageAvx2(int m, double* ar, double* ai, double* br, double* bi,
                                                         const double* wr, const double* wi, double scale) {
    Radix2LastStageBody(m, ar, ai, br, bi, wr, wi, scale);
}
constexpr TStages Avx2Stages{Radix4StageAvx2, Radix2LastStageAvx2};
#endif

const TStages& StagesOf(TFftKernel kernel) {
#ifdef VT_FFT_HAS_AVX2_COPY
    if (kernel == TFftKernel::Avx2 && FftKernelAvailable(TFftKernel::Avx2)) return Avx2Stages;
#else
    (void)kernel;
#endif
    return PlainStages;
}

// The input set aside, so that the first pass can read it in bit-reversed order and write in place.
struct TScratch {
    std::array<double, FftMaxPoints> Re, Im;
};

TScratch& Scratch() {
    thread_local TScratch scratch;
    return scratch;
}

// The first pass: the points of (sr, si) in bit-reversed order, with the first stage's butterflies
// at once (every factor 1): radix 4, or radix 2 for two points. Answers the size of the transforms
// it leaves.
int FirstPass(int n, const double* __restrict sr, const double* __restrict si, double* __restrict re,
              double* __restrict im) {
    if (n == 2) {
        const double ar = sr[0], ai = si[0], br = sr[1], bi = si[1];
        re[0] = ar + br;
        im[0] = ai + bi;
        re[1] = ar - br;
        im[1] = ai - bi;
        return 2;
    }
    const std::uint16_t* rev = Tables().Reverse[static_cast<std::size_t>(SizeBits(n))].data();
    // Points k + 1, k + 2, k + 3 reversed are point k reversed + n / 2, + n / 4, + 3n / 4: residues
    // 0, 2, 1, 3 of the radix-4 butterfly, as in Radix4Block.
    const int quarter = n / 4;
    for (int k = 0; k < n; k += 4) {
        const int j = rev[k];
        const double ar = sr[j], ai = si[j], cr = sr[j + 2 * quarter], ci = si[j + 2 * quarter];
        const double br = sr[j + quarter], bi = si[j + quarter], dr = sr[j + 3 * quarter], di = si[j + 3 * quarter];
        const double s0r = ar + cr, s0i = ai + ci, d0r = ar - cr, d0i = ai - ci;
        const double s1r = br + dr, s1i = bi + di, d1r = br - dr, d1i = bi - di;
        re[k] = s0r + s1r;
        im[k] = s0i + s1i;
        re[k + 2] = s0r - s1r;
        im[k + 2] = s0i - s1i;
        re[k + 1] = d0r + d1i;
        im[k + 1] = d0i - d1r;
        re[k + 3] = d0r - d1i;
        im[k + 3] = d0i + d1r;
    }
    return 4;
}

// The unscaled forward transform of (sr, si) into (re, im): the first pass, radix-4 stages, and a
// radix-2 stage where the size's bits are odd (the order of the radices does not matter after a
// bit reversal, and a long last stage vectorises better than a short first one). The last stage
// multiplies every point by scale; a scale of 1 gives the unscaled transform.
void TransformFrom(TFftKernel kernel, int n, const double* sr, const double* si, double* re, double* im,
                   double scale = 1) {
    const TFftTables& t = Tables();
    const TStages& stages = StagesOf(kernel);
    int m = FirstPass(n, sr, si, re, im);
    if (m == n) {  // two or four points: the first pass was all
        if (scale != 1)
            for (int i = 0; i < n; ++i) {
                re[i] *= scale;
                im[i] *= scale;
            }
        return;
    }
    for (; 4 * m <= n; m *= 4) stages.Radix4(n, m, re, im, t, 4 * m == n ? scale : 1.0);
    if (m < n) {
        const std::size_t at = static_cast<std::size_t>(m - 1);
        stages.Radix2Last(m, re, im, re + m, im + m, t.Cos[2].data() + at, t.Sin[2].data() + at, scale);
    }
}

// The forward transform in place, every point times scale.
void Transform(TFftKernel kernel, int n, double* re, double* im, double scale = 1) {
    TScratch& s = Scratch();
    std::copy_n(re, n, s.Re.data());
    std::copy_n(im, n, s.Im.data());
    TransformFrom(kernel, n, s.Re.data(), s.Im.data(), re, im, scale);
}

// The forward scaling: point 0 x 1/n, every other point x 2/n. Both are powers of two, so scaling
// all by 2/n and point 0 by one half again gives the very same numbers.
void TransformScaled(TFftKernel kernel, int n, double* re, double* im) {
    Transform(kernel, n, re, im, 2.0 / n);
    re[0] *= 0.5;
    im[0] *= 0.5;
}

// w(i) = sum of a_k cos(k t), t = 2 pi (i - (n - 1) / 2) / n; the coefficients of the data window.
constexpr double WindowTerms[6][4] = {
    {1, 0, 0, 0},
    {0.543478, 0.456522, 0, 0},
    {0.5, 0.5, 0, 0},
    {0.281, 0.521, 0.198, 0},
    {0.35875, 0.48829, 0.14128, 0.01168},
    {0.40243, 0.49804, 0.09831, 0.00122},
};

double Polynomial(double x, std::initializer_list<double> highestFirst) {
    double s = 0;
    for (double c : highestFirst) s = s * x + c;
    return s;
}

}  // namespace

bool FftKernelAvailable(TFftKernel kernel) {
#ifdef VT_FFT_HAS_AVX2_COPY
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return kernel == TFftKernel::Plain || avx2;
#else
    return kernel == TFftKernel::Plain;
#endif
}

TFftKernel BestFftKernel() {
    static const TFftKernel best = FftKernelAvailable(TFftKernel::Avx2) ? TFftKernel::Avx2 : TFftKernel::Plain;
    return best;
}

bool IsFftSize(int n) { return n >= 2 && n <= FftMaxPoints && std::has_single_bit(static_cast<unsigned>(n)); }

void FftTransform(int n, bool inverse, double* re, int& status, double* im) {
    FftTransform(BestFftKernel(), n, inverse, re, status, im);
}

void FftTransform(TFftKernel kernel, int n, bool inverse, double* re, int& status, double* im) {
    if (n < 2) {
        status = FftTooShort;
        return;
    }
    if (!IsFftSize(n)) {
        status = FftUnsupported;
        return;
    }
    status = FftDone;
    if (!inverse) {
        TransformScaled(kernel, n, re, im);
        return;
    }
    // The inverse as the conjugate of the forward transform of the conjugate.
    for (int i = 0; i < n; ++i) im[i] = -im[i];
    Transform(kernel, n, re, im);
    for (int i = 0; i < n; ++i) {
        re[i] *= 0.5;
        im[i] *= -0.5;
    }
}

bool FftRealForward(int n, double* re, double* im, std::span<const double> weights) {
    return FftRealForward(BestFftKernel(), n, re, im, weights);
}

bool FftRealForward(TFftKernel kernel, int n, double* re, double* im, std::span<const double> weights) {
    if (!IsFftSize(n)) return false;
    const bool weighted = weights.size() >= static_cast<std::size_t>(n);
    if (n < 4) {
        for (int i = 0; i < n; ++i) {
            if (weighted) re[i] *= weights[static_cast<std::size_t>(i)];
            im[i] = 0;
        }
        int status = 0;
        FftTransform(kernel, n, false, re, status, im);
        return true;
    }
    // Even points (weighted) as real parts and odd points as imaginary parts of one transform of
    // m = n / 2 points.
    const int m = n / 2;
    TScratch& s = Scratch();
    if (weighted) {
        for (int k = 0; k < m; ++k) {
            s.Re[static_cast<std::size_t>(k)] = re[2 * k] * weights[static_cast<std::size_t>(2 * k)];
            s.Im[static_cast<std::size_t>(k)] = re[2 * k + 1] * weights[static_cast<std::size_t>(2 * k + 1)];
        }
    } else {
        for (int k = 0; k < m; ++k) {
            s.Re[static_cast<std::size_t>(k)] = re[2 * k];
            s.Im[static_cast<std::size_t>(k)] = re[2 * k + 1];
        }
    }
    TransformFrom(kernel, m, s.Re.data(), s.Im.data(), re, im);
    // Split: X[k] = E[k] + W^k O[k] with E, O the transforms of the even and odd points and
    // W = e^(-2 pi i / n); the upper half mirrors the lower one conjugated. Scaled as it is written:
    // bin 0 x 1/n, every other bin x 2/n.
    const TFftTables& t = Tables();
    const double* wr = t.Cos[2].data() + (m - 1);  // e^(-i pi k / m)
    const double* wi = t.Sin[2].data() + (m - 1);
    const double first = 1.0 / n, other = 2.0 / n;
    {
        const double a = re[0], b = im[0];
        re[0] = (a + b) * first;
        im[0] = 0;
        re[m] = (a - b) * other;
        im[m] = 0;
    }
    for (int k = 1; k <= m / 2; ++k) {
        const int l = m - k;
        const double a = re[k], b = im[k], c = re[l], d = im[l];
        const auto out = [](double er, double ei, double orr, double oi, double cr, double ci, double& xr, double& xi) {
            xr = er + cr * orr - ci * oi;
            xi = ei + cr * oi + ci * orr;
        };
        double xkr, xki, xlr, xli;
        out(0.5 * (a + c), 0.5 * (b - d), 0.5 * (b + d), -0.5 * (a - c), wr[k], wi[k], xkr, xki);
        out(0.5 * (c + a), 0.5 * (d - b), 0.5 * (d + b), -0.5 * (c - a), wr[l], wi[l], xlr, xli);
        xkr *= other;
        xki *= other;
        xlr *= other;
        xli *= other;
        re[k] = xkr;
        im[k] = xki;
        re[l] = xlr;
        im[l] = xli;
        re[n - k] = xkr;
        im[n - k] = -xki;
        re[m + k] = xlr;
        im[m + k] = -xli;
    }
    return true;
}

double FftWindowWeight(int window, int i, int n) {
    if (window < 1 || window > 5 || n <= 0) return 1;
    const double t = 2 * std::numbers::pi * (i - (n - 1) / 2.0) / n;
    const double* a = WindowTerms[window];
    return a[0] + a[1] * std::cos(t) + a[2] * std::cos(2 * t) + a[3] * std::cos(3 * t);
}

std::span<const double> FftWindowWeights(int n, int window) {
    if (window < 1 || window > 5 || !IsFftSize(n)) return {};
    struct TWindowTables {
        std::array<std::array<std::once_flag, 6>, SizeCount + 1> Built;
        std::array<std::array<std::vector<double>, 6>, SizeCount + 1> Weights;
    };
    static TWindowTables tables;
    const int bits = SizeBits(n);
    std::vector<double>& w = tables.Weights[static_cast<std::size_t>(bits)][static_cast<std::size_t>(window)];
    std::call_once(tables.Built[static_cast<std::size_t>(bits)][static_cast<std::size_t>(window)], [&] {
        w.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) w[static_cast<std::size_t>(i)] = FftWindowWeight(window, i, n);
    });
    return w;
}

// Rational approximations: erf below 0.5 by P(t) / Q(t) in t = x^2, erfc from 0.5 by R(x) / S(x).
double ErrorFunction(double x) {
    if (std::isnan(x)) return x;
    const double s = x > 0 ? 1.0 : (x < 0 ? -1.0 : 0.0);
    const double a = std::fabs(x);
    if (a >= 10) return s;
    if (a >= 0.5) return s * (1 - ErrorFunctionComplement(a));
    const double t = a * a;
    const double p = Polynomial(t, {0.007547728033418632, -0.28880513720759408493, 14.338384219174820557,
                                    38.014031812390300828, 3017.827885365075778, 7404.071427101515,
                                    80437.363096084017286});
    const double q = Polynomial(t, {1.0, 38.019071395193940376, 658.0701554592405063, 6379.6001732442827947,
                                    34216.52579246285398, 80437.363096084017286});
    return s * a * 1.128379167095512574 * p / q;
}

double ErrorFunctionComplement(double x) {
    if (std::isnan(x)) return x;
    if (x < 0) return 2 - ErrorFunctionComplement(-x);
    if (x < 0.5) return 1 - ErrorFunction(x);
    if (x >= 10) return 0;
    const double r = Polynomial(x, {0.56418778255073974133, 9.6758078829872654, 77.08161730368428609,
                                    368.5196154710010637, 1143.2620707038861737, 2320.4395902516352475,
                                    2898.029329216765561, 1826.3348842295112592});
    const double s = Polynomial(x, {1.0, 17.14980943627607849, 137.1255960500622203, 661.7361207107653468,
                                    2094.384367789539594, 4429.6128038836827265, 6089.5424232724435507,
                                    4958.8275647211407153, 1826.3348842295112595});
    return std::exp(-x * x) * r / s;
}

double NormalCdf(double x) { return (ErrorFunction(x / 1.4142135623730950488) + 1) * 0.5; }

}  // namespace vt
