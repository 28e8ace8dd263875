#pragma once
// The level of a simulated pseudo-random bit sequence at any position, in unit intervals: the bits of
// a shift register, NRZ or RZ bit shapes with raised-cosine edges, overshoot, undershoot and droop,
// and duty-cycle distortion, inter-symbol interference and sub-rate jitter. Changes are collected and
// the edges and levels rebuilt at the next level asked for.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/UniformRandom.h"

namespace vt {

class TPSP {
public:
    static constexpr int MaxSubRateDivider = 32;

    // The sub-rate jitter draws its phase steps from random.
    explicit TPSP(TUniformRandom& random);

    // Order 5..15, else the internal error "Bad Bit"; maxLength: 2^N - 1 bits, else 2^N.
    void SetPrbsOrder(int order, bool maxLength);
    void SetNrz(bool nrz) { Set(Nrz_, nrz); }
    void SetRiseSpan(double ui) { Set(RiseSpan_, ui); }
    void SetFallSpan(double ui) { Set(FallSpan_, ui); }
    void SetPulseWidth(double ui) { Set(PulseWidth_, ui); }
    void SetPosOvershoot(double fraction) { Set(PosOvershoot_, fraction); }
    void SetNegOvershoot(double fraction) { Set(NegOvershoot_, fraction); }
    void SetDroop(double fraction) { Set(Droop_, fraction); }
    void SetDutyCycleDistortion(double ui) { Set(DutyCycleDist_, ui); }
    void SetInterSymbolInterference(double ui) { Set(InterSymbol_, ui); }
    void SetSubRateJitter(double ui) { Set(SubRateJitter_, ui); }
    // Clamped into 1..32: the table holds 32 phases and a divider of 0 has none.
    void SetSubRateDivider(int divider);
    void SetLockStride(int stride) { LockStride_ = stride; }

    int Order() const { return Order_; }
    int Length() const { return Length_; }
    bool Bit(int i) const { return Bits_[static_cast<std::size_t>(i)] != 0; }

    // The level at a position in UI; positions outside 0..L are taken modulo the pattern.
    double GetValueAt(double position);
    // Without changes to build and without sub-rate jitter, which draws at every level, the levels
    // of many positions are those GetValueAt gives one by one.
    bool Prepared() const { return !Changed_ && !SubRateOn_; }
    void LevelsAt(const double* positions, double* levels, std::size_t n) const {
        for (std::size_t k = 0; k < n; ++k) levels[k] = LevelAt(positions[k]);
    }

private:
    template <class T>
    void Set(T& field, T value) {
        if (field != value) {
            field = value;
            Changed_ = true;
        }
    }
    void Rebuild();
    void SettleBits();
    double EffectiveEdge(int i) const;
    int Next(int i) const { return i == Length_ - 1 ? 0 : i + 1; }
    int Prev(int i) const { return i == 0 ? Length_ - 1 : i - 1; }
    double LevelAt(double x) const;
    double NrzShape(int i, double u, double duration) const;
    double RzShape(int i, double u) const;

    TUniformRandom& Random_;
    int Order_ = 7;
    int Length_ = 0;
    double InvLength_ = 0;
    std::vector<std::uint8_t> Bits_;
    std::vector<float> Edges_;
    std::vector<float> Levels_;
    // With nominal NRZ edges: from which offset in its bit the value is constant, and that value
    // (exactly what the shape gives there). Most samples fall there, whatever the bit pattern.
    std::vector<double> SettledFrom_;
    std::vector<double> SettledValue_;
    bool Nrz_ = true;
    double RiseSpan_ = 0;
    double FallSpan_ = 0;
    double PulseWidth_ = 0;
    double PosOvershoot_ = 0;
    double NegOvershoot_ = 0;
    double Droop_ = 0;
    double DutyCycleDist_ = 0;
    double InterSymbol_ = 0;
    double SubRateJitter_ = 0;
    int SubRateDivider_ = 1;
    std::array<double, MaxSubRateDivider> SubRateTable_{};
    bool SubRateOn_ = false;
    int SubRatePhase_ = 0;
    int LockStride_ = 0;
    double P0_ = 1, P2_ = 0, P5_ = 0, P7_ = 0;
    bool NominalEdges_ = true;
    bool Changed_ = true;
};

}  // namespace vt
