#include "analysis/FftTransform.h"

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

// The factors of every butterfly stage, exact from std::cos / std::sin: the stage of span m (1, 2,
// ..., 4096) reads e^(-i pi j / m), j < m, at offset m - 1. A stage's factors do not depend on the
// transform size, so one table serves every size. The bit-reversal permutation per size.
struct TFftTables {
    std::vector<double> Cos, Sin;  // Sin holds -sin
    std::array<std::vector<std::uint16_t>, SizeCount + 1> Reverse;

    TFftTables() : Cos(FftMaxPoints - 1), Sin(FftMaxPoints - 1) {
        for (int m = 1; m < FftMaxPoints; m *= 2)
            for (int j = 0; j < m; ++j) {
                const double a = std::numbers::pi * j / m;
                Cos[static_cast<std::size_t>(m - 1 + j)] = std::cos(a);
                Sin[static_cast<std::size_t>(m - 1 + j)] = -std::sin(a);
            }
        for (int bits = 1; bits <= SizeCount; ++bits) {
            const int n = 1 << bits;
            std::vector<std::uint16_t>& r = Reverse[static_cast<std::size_t>(bits)];
            r.resize(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                int v = 0;
                for (int b = 0; b < bits; ++b)
                    if (i & (1 << b)) v |= 1 << (bits - 1 - b);
                r[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(v);
            }
        }
    }
};

const TFftTables& Tables() {
    static const TFftTables tables;
    return tables;
}

int SizeBits(int n) { return std::countr_zero(static_cast<unsigned>(n)); }

// The unscaled forward transform, in place.
void Transform(int n, double* __restrict re, double* __restrict im) {
    const TFftTables& t = Tables();
    const std::uint16_t* rev = t.Reverse[static_cast<std::size_t>(SizeBits(n))].data();
    for (int i = 0; i < n; ++i) {
        const int j = rev[i];
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (int i = 0; i < n; i += 2) {
        const double ar = re[i], ai = im[i], br = re[i + 1], bi = im[i + 1];
        re[i] = ar + br;
        im[i] = ai + bi;
        re[i + 1] = ar - br;
        im[i + 1] = ai - bi;
    }
    for (int m = 2; m < n; m *= 2) {
        const double* __restrict wr = t.Cos.data() + (m - 1);
        const double* __restrict wi = t.Sin.data() + (m - 1);
        for (int k = 0; k < n; k += 2 * m) {
            double* __restrict ar = re + k;
            double* __restrict ai = im + k;
            double* __restrict br = re + k + m;
            double* __restrict bi = im + k + m;
            for (int j = 0; j < m; ++j) {
                const double tr = br[j] * wr[j] - bi[j] * wi[j];
                const double ti = br[j] * wi[j] + bi[j] * wr[j];
                br[j] = ar[j] - tr;
                bi[j] = ai[j] - ti;
                ar[j] += tr;
                ai[j] += ti;
            }
        }
    }
}

void ScaleForward(int n, double* re, double* im) {
    const double first = 1.0 / n, other = 2.0 / n;
    re[0] *= first;
    im[0] *= first;
    for (int i = 1; i < n; ++i) {
        re[i] *= other;
        im[i] *= other;
    }
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

bool IsFftSize(int n) { return n >= 2 && n <= FftMaxPoints && std::has_single_bit(static_cast<unsigned>(n)); }

void FftTransform(int n, bool inverse, double* re, int& status, double* im) {
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
        Transform(n, re, im);
        ScaleForward(n, re, im);
        return;
    }
    // The inverse as the conjugate of the forward transform of the conjugate.
    for (int i = 0; i < n; ++i) im[i] = -im[i];
    Transform(n, re, im);
    for (int i = 0; i < n; ++i) {
        re[i] *= 0.5;
        im[i] *= -0.5;
    }
}

bool FftRealForward(int n, double* re, double* im) {
    if (!IsFftSize(n)) return false;
    if (n < 4) {
        for (int i = 0; i < n; ++i) im[i] = 0;
        int status = 0;
        FftTransform(n, false, re, status, im);
        return true;
    }
    // Even points as real parts and odd points as imaginary parts of one transform of m = n / 2.
    const int m = n / 2;
    for (int k = 0; k < m; ++k) im[k] = re[2 * k + 1];
    for (int k = 1; k < m; ++k) re[k] = re[2 * k];
    Transform(m, re, im);
    // Split: X[k] = E[k] + W^k O[k] with E, O the transforms of the even and odd points and
    // W = e^(-2 pi i / n); the upper half mirrors the lower one conjugated.
    const TFftTables& t = Tables();
    const double* wr = t.Cos.data() + (m - 1);
    const double* wi = t.Sin.data() + (m - 1);
    {
        const double a = re[0], b = im[0];
        re[0] = a + b;
        im[0] = 0;
        re[m] = a - b;
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
        re[k] = xkr;
        im[k] = xki;
        re[l] = xlr;
        im[l] = xli;
        re[n - k] = xkr;
        im[n - k] = -xki;
        re[m + k] = xlr;
        im[m + k] = -xli;
    }
    ScaleForward(n, re, im);
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
