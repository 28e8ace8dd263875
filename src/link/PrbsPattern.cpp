#include "link/PrbsPattern.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/InternalError.h"
#include "link/FastSine.h"

namespace vt {

namespace {

// From level a at time c to level b at time e, for c <= u < e.
double Segment(double a, double b, double c, double e, double u) {
    if (std::fabs(a - b) < 0.001) return a;
    return (a + b) / 2 + ((a - b) / 2) * FastCosOrLibrary(std::numbers::pi * (u - c) / (e - c));
}

}  // namespace

TPSP::TPSP(TUniformRandom& random) : Random_(random) { SetPrbsOrder(7, true); }

void TPSP::SetPrbsOrder(int order, bool maxLength) {
    if (order < 5 || order > 15) VT_INTERNAL_ERROR("_SHELL\\SRC\\PSP", "Bad Bit");
    Order_ = order;
    Length_ = (1 << order) - (maxLength ? 1 : 0);
    InvLength_ = 1.0 / Length_;
    // x^5 + x + 1 and x^11 + x + 1 are not primitive: those orders take the tap two bits on
    // (x^5 + x^2 + 1, x^11 + x^2 + 1), so that every order runs through its full period.
    const int tap = (order == 5 || order == 11) ? 2 : 1;
    Bits_.assign(static_cast<std::size_t>(Length_), 0);
    std::uint32_t r = 0xFFFF;
    for (int j = 0; j < Length_; ++j) {
        Bits_[static_cast<std::size_t>(j)] = static_cast<std::uint8_t>(r & 1);
        const std::uint32_t feedback = (r ^ (r >> tap)) & 1;
        r = ((r >> 1) & ~(1u << (order - 1))) | (feedback << (order - 1));
    }
    Edges_.assign(static_cast<std::size_t>(Length_), 0.0f);
    Levels_.assign(static_cast<std::size_t>(Length_), 0.0f);
    Changed_ = true;
}

void TPSP::SetSubRateDivider(int divider) { Set(SubRateDivider_, std::clamp(divider, 1, MaxSubRateDivider)); }

void TPSP::Rebuild() {
    Changed_ = false;
    const int n = Length_;
    for (int j = 0; j < n; ++j) {
        Edges_[static_cast<std::size_t>(j)] = static_cast<float>(j);
        Levels_[static_cast<std::size_t>(j)] = Bits_[static_cast<std::size_t>(j)] ? 1.0f : 0.0f;
    }
    if (Nrz_ && DutyCycleDist_ != 0) {
        for (int j = 0; j < n; ++j)
            if (Bits_[static_cast<std::size_t>(j)]) Edges_[static_cast<std::size_t>(Next(j))] += static_cast<float>(DutyCycleDist_);
    }
    if (InterSymbol_ != 0) {
        for (int j = 0; j < n; ++j) {
            // p: the run of equal bits that ends at bit j - 1; q: the opposite run before it.
            int k = Prev(j);
            const std::uint8_t b = Bits_[static_cast<std::size_t>(k)];
            int p = 0, q = 0;
            while (p < n && Bits_[static_cast<std::size_t>(k)] == b) ++p, k = Prev(k);
            while (p + q < n && Bits_[static_cast<std::size_t>(k)] != b) ++q, k = Prev(k);
            Edges_[static_cast<std::size_t>(Next(j))] +=
                static_cast<float>(InterSymbol_ * (p - q) / (2.0 * (Order_ - 1)));
        }
    }
    SubRateOn_ = SubRateJitter_ != 0;
    SubRatePhase_ = 0;
    const double phi0 = SubRateDivider_ == 2 ? 0.0 : (2 * std::numbers::pi / SubRateDivider_) / 4;
    for (int k = 0; k < SubRateDivider_; ++k)
        SubRateTable_[static_cast<std::size_t>(k)] =
            0.5 * SubRateJitter_ * std::cos(2 * std::numbers::pi * k / SubRateDivider_ + phi0);
    if (Droop_ != 0) {
        int start = 0;
        while (start < n && Bits_[static_cast<std::size_t>(start)]) ++start;
        if (start < n) {  // a pattern of ones only has no run to droop along
            double level = 1;
            for (int c = 0; c < n; ++c) {
                const int j = (start + c) % n;
                if (Bits_[static_cast<std::size_t>(j)]) {
                    level *= 1 - Droop_;
                    Levels_[static_cast<std::size_t>(j)] = static_cast<float>(level);
                } else {
                    level = 1;
                }
            }
        }
    }
    NominalEdges_ = !SubRateOn_ && InterSymbol_ == 0 && !(Nrz_ && DutyCycleDist_ != 0);
    P0_ = 1 + PosOvershoot_;
    P2_ = RiseSpan_ * (1 + std::sqrt(std::fabs(P0_ - 1) / P0_));
    P5_ = -NegOvershoot_;
    P7_ = FallSpan_ * (1 + std::sqrt(std::fabs(P5_ / (1 - P5_))));
    SettleBits();
}

// Where NrzShape (i, u, 1) stops changing with u, by the case it takes.
void TPSP::SettleBits() {
    const int n = Length_;
    constexpr double Never = 2;  // beyond every offset in a bit
    SettledFrom_.assign(static_cast<std::size_t>(n), Never);
    SettledValue_.assign(static_cast<std::size_t>(n), 0.0);
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const double prev = Levels_[static_cast<std::size_t>(Prev(i))];
        const double level = Levels_[k];
        const bool prevHigh = prev >= 0.01;
        const bool high = Bits_[k] != 0;
        if (!prevHigh && !high) {
            SettledFrom_[k] = 0;
        } else if (!prevHigh) {
            // After the rise: the segment from 1 towards the bit's level, flat when they agree.
            if (std::fabs(1 - level) < 0.001) SettledFrom_[k] = P2_, SettledValue_[k] = 1;
        } else if (!high) {
            SettledFrom_[k] = P7_;
        } else if (std::fabs(prev - level) < 0.001) {
            SettledFrom_[k] = 0, SettledValue_[k] = prev;
        }
    }
}

double TPSP::EffectiveEdge(int i) const {
    double e = Edges_[static_cast<std::size_t>(i)];
    if (SubRateOn_) e += SubRateTable_[static_cast<std::size_t>((SubRatePhase_ + i) % SubRateDivider_)];
    return e;
}

double TPSP::GetValueAt(double x) {
    if (SubRateOn_) {
        const int step = LockStride_ * static_cast<int>(Random_.NextInt(3));
        SubRatePhase_ = ((SubRatePhase_ + step) % SubRateDivider_ + SubRateDivider_) % SubRateDivider_;
    }
    if (Changed_) Rebuild();
    return LevelAt(x);
}

double TPSP::LevelAt(double x) const {
    const double l = Length_;
    if (x >= 0 && x < 1e15) {
        // The whole patterns off without a branch that guesses wrong half the time: every step below
        // is exact (integers times a length, subtracted from a position), so this is the exact modulo.
        x -= static_cast<double>(static_cast<std::int64_t>(x * InvLength_)) * l;
        if (x >= l) x -= l;  // the quotient rounded down across a whole number
        else if (x < 0) x += l;
    } else {
        x -= std::floor(x / l) * l;
    }
    if (!(x >= 0 && x < l)) x = 0;  // a NaN, or a rounding onto L itself
    int i = static_cast<int>(x);
    // Without edge impairments every bit starts at its index and lasts one UI.
    if (NominalEdges_) {
        const double u = x - i;
        if (!Nrz_) return RzShape(i, u);
        const auto k = static_cast<std::size_t>(i);
        return u >= SettledFrom_[k] ? SettledValue_[k] : NrzShape(i, u, 1.0);
    }
    const double ei = EffectiveEdge(i);
    if (x < ei) {
        if (i == 0) x += l;
        i = Prev(i);
    } else {
        const int nx = Next(i);
        double c = EffectiveEdge(nx);
        if (nx == 0 && c < 0.5) c += l;
        if (x > c) {
            if (nx == 0) x -= l;
            i = nx;
        }
    }
    const int nx = Next(i);
    const double start = EffectiveEdge(i);
    const double duration = EffectiveEdge(nx) - start + (nx == 0 ? l : 0);
    const double u = x - start;
    return Nrz_ ? NrzShape(i, u, duration) : RzShape(i, u);
}

double TPSP::NrzShape(int i, double u, double duration) const {
    const double prev = Levels_[static_cast<std::size_t>(Prev(i))];
    const double level = Levels_[static_cast<std::size_t>(i)];
    const bool prevHigh = prev >= 0.01;
    const bool high = Bits_[static_cast<std::size_t>(i)] != 0;
    if (!prevHigh && !high) return 0;
    if (!prevHigh) {
        if (u < RiseSpan_) return Segment(0, P0_, 0, RiseSpan_, u);
        if (u < P2_) return Segment(P0_, 1, RiseSpan_, P2_, u);
        if (u < duration) return Segment(1, level, P2_, duration, u);
        return level;
    }
    if (!high) {
        if (u < FallSpan_) return Segment(prev, prev * P5_, 0, FallSpan_, u);
        if (u < P7_) return Segment(prev * P5_, 0, FallSpan_, P7_, u);
        return 0;
    }
    if (u < duration) return Segment(prev, level, 0, duration, u);
    return level;
}

double TPSP::RzShape(int i, double u) const {
    if (!Bits_[static_cast<std::size_t>(i)]) return 0;
    const double h = 0.5 + DutyCycleDist_;
    const double e = 1 - Droop_;
    if (u < h) {
        if (u < RiseSpan_) return Segment(0, P0_, 0, RiseSpan_, u);
        if (u < P2_) return Segment(P0_, 1, RiseSpan_, P2_, u);
        return Segment(1, e, P2_, h, u);
    }
    const double v = u - h;
    if (v < FallSpan_) return Segment(e, e * P5_, 0, FallSpan_, v);
    if (v < P7_) return Segment(e * P5_, 0, FallSpan_, P7_, v);
    return 0;
}

}  // namespace vt
