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
    // Mean and RMS 0, both deviations 1e101, minimum 1e101, maximum -1e101, sums and count 0.
    virtual void Clear();
    // Adds x with weight n (as if added n times); n <= 0 or an x that is no number does nothing.
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

protected:
    // Sum of squared deviations from the mean, kept by itself: the sum of squares minus count × mean²
    // cancels to nothing for values with a large offset and a small spread.
    double M2_ = 0;
    void SetDeviations(double k);
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
    double RingSum = 0;  // sum of the values in the ring (mode 1)
    // The ring holds the last N values in single precision; the statistics follow the values as held.
    // The sums are kept as offsets from RingRef() (a value near the ring's mean), so that a small spread
    // on a large value does not cancel away in them.
    const std::array<float, MaxN>& Ring() const { return Ring_; }
    double RingRef() const { return Ref_; }

private:
    void AddOne(double x);
    void AddToRing(double x);
    void SumRing();
    void RecomputeRing();
    void KeepExtreme(bool departing, std::uint16_t position, float value);

    // Ring positions of the window's running minimum and maximum: each queue holds, oldest first, the
    // positions whose values no later value has beaten, so its front is the extreme and a departing
    // extreme leaves from the front. An add costs O(1) amortised, whatever the order of the values.
    struct TExtremeQueue {
        std::array<std::uint16_t, MaxN> Pos{};
        std::uint16_t Head = 0;
        std::uint16_t Size = 0;
        std::uint16_t Front() const { return Pos[Head]; }
        // Slot i places after the head, in a queue of n slots (i < n, so one wrap at most).
        static int Wrap(int i, int n) { return i >= n ? i - n : i; }
        std::uint16_t Back(int n) const { return Pos[static_cast<std::size_t>(Wrap(Head + Size - 1, n))]; }
    };

    std::array<float, MaxN> Ring_{};
    TExtremeQueue MinQ_;
    TExtremeQueue MaxQ_;
    double Ref_ = 0;     // reference of the sums (mode 1)
    double OffSum_ = 0;  // sum of the ring values less the reference
    double OffSq_ = 0;   // sum of their squares
};

}  // namespace vt
