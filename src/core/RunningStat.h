#pragma once
// Running statistics of a stream of values: over all values (TStat), or with TModedStat over all, the
// last N, or weighted so that older values fade.
#include <array>
#include <cstdint>
#include <string>

namespace vt {

class TStat {
public:
    TStat() { Clear(); }
    virtual ~TStat() = default;
    // Mean 0, deviations' sample 1e101, minimum 1e101, maximum -1e101, sums and count 0.
    virtual void Clear();
    // Adds x with weight n (as if added n times); n = 0 does nothing.
    virtual void Add(std::int64_t n, double x);
    void SetName(std::string name) { Name = std::move(name); }

    double RMS = 0;
    std::string Name;
    double Mean = 0;
    double StdDev = 0;   // sample standard deviation (divisor count - 1)
    double StdDevP = 0;  // population standard deviation (divisor count)
    double Min = 0;
    double Max = 0;
    double SumSq = 0;
    std::int64_t Count = 0;
};

class TModedStat : public TStat {
public:
    static constexpr int MinN = 8;
    static constexpr int MaxN = 8192;

    TModedStat() { Clear(); }
    void Clear() override;
    void Add(std::int64_t n, double x) override;
    // mode 0 all values, 1 last N values, 2 weighted over N; N clamped into 8..8192 (128 in mode 0).
    void SetMode(int mode, int n);

    std::uint8_t Mode = 0;
    std::uint16_t N = 128;
    std::uint16_t Position = 0;
    double RingSum = 0;
    const std::array<float, MaxN>& Ring() const { return Ring_; }

private:
    void AddOne(double x);
    std::array<float, MaxN> Ring_{};
};

}  // namespace vt
