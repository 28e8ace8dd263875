#include "core/RunningStat.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {
constexpr double NoValue = 1e101;
}

void TStat::Clear() {
    RMS = 0;
    Mean = 0;
    StdDev = NoValue;
    StdDevP = NoValue;
    Min = NoValue;
    Max = -NoValue;
    SumSq = 0;
    Count = 0;
    M2_ = 0;
}

void TStat::SetDeviations(double k) {
    if (k <= 1) {
        StdDev = 0;
        StdDevP = 0;
        return;
    }
    const double v = std::max(M2_, 0.0);
    StdDev = std::sqrt(v / (k - 1));
    StdDevP = std::sqrt(v / k);
}

void TStat::Add(std::int64_t n, double x) {
    // A value that is no number would poison every sum and extreme from here on.
    if (n <= 0 || std::isnan(x)) return;
    const double w = static_cast<double>(n);
    const double total = static_cast<double>(Count) + w;
    if (Count > 0) {
        Min = std::min(Min, x);
        Max = std::max(Max, x);
        SumSq += w * x * x;
        // Weighted update of mean and squared deviations in one step (as if x came n times).
        const double delta = x - Mean;
        Mean += delta * (w / total);
        M2_ += w * delta * (x - Mean);
    } else {
        Min = Max = x;
        SumSq = w * x * x;
        Mean = x;
        M2_ = 0;
    }
    Count += n;
    RMS = std::sqrt(SumSq / total);
    SetDeviations(total);
}

void TModedStat::Clear() {
    TStat::Clear();
    RingSum = 0;
    Position = 0;
    MinQ_.Head = MinQ_.Size = 0;
    MaxQ_.Head = MaxQ_.Size = 0;
    Ref_ = 0;
    OffSum_ = 0;
    OffSq_ = 0;
}

void TModedStat::SetMode(int mode, int n) {
    if (mode < 0 || mode > 2) mode = 0;
    n = mode == 0 ? 128 : std::clamp(n, MinN, MaxN);
    // Compared after clamping, so that repeating an out-of-range request does not clear again.
    if (mode == Mode && n == N) return;
    Mode = static_cast<std::uint8_t>(mode);
    N = static_cast<std::uint16_t>(n);
    Clear();
}

void TModedStat::Add(std::int64_t n, double x) {
    if (std::isnan(x)) return;
    for (std::int64_t i = 0; i < n; ++i) AddOne(x);
}

void TModedStat::AddOne(double x) {
    if (Mode == 1) {
        AddToRing(x);
        return;
    }
    Min = std::min(Min, x);
    Max = std::max(Max, x);
    ++Count;
    double k = static_cast<double>(Count);
    double decay = 1;  // weight kept by the older values
    if (Mode == 2 && Count > N) {
        k = N;
        decay = (k - 1) / k;
        SumSq = x * x + decay * SumSq;
    } else {
        SumSq += x * x;
    }
    // Same readouts as sum of squares minus k × mean², without its cancellation: with the older
    // values weighted by decay and the new one by 1, the squared deviations from the new mean are
    // decay × (M2 + delta²) once the weights total N, and M2 + delta² (k - 1) / k while they grow.
    const double delta = x - Mean;
    Mean += delta / k;
    M2_ = decay * M2_ + delta * delta * (1 - 1 / k);
    SetDeviations(k);
}

void TModedStat::AddToRing(double x) {
    const float value = static_cast<float>(x);
    if (Count == 0) Ref_ = value;
    // Float to double is exact, and so is the difference of two values this close in scale.
    const double off = static_cast<double>(value) - Ref_;
    KeepExtreme(Count >= N, Position, value);
    if (Count < N) {
        ++Count;
        OffSum_ += off;
        OffSq_ += off * off;
        Ring_[Position] = value;
    } else {
        const float old = Ring_[Position];
        Ring_[Position] = value;
        const double oldOff = static_cast<double>(old) - Ref_;
        OffSum_ += off - oldOff;
        const double oldSq = oldOff * oldOff;
        OffSq_ += off * off - oldSq;
        // A departing value that dwarfed the rest leaves its rounding behind in the sums, larger
        // than the remaining values' own spread: take them afresh.
        if (oldSq > 1024 * OffSq_) SumRing();
    }
    if (++Position >= N) {
        Position = 0;
        if (Count == N) RecomputeRing();
    }
    const double k = static_cast<double>(Count);
    Mean = Ref_ + OffSum_ / k;
    M2_ = OffSq_ - OffSum_ * OffSum_ / k;
    RingSum = k * Ref_ + OffSum_;
    SumSq = OffSq_ + 2 * Ref_ * OffSum_ + k * Ref_ * Ref_;
    SetDeviations(k);
}

void TModedStat::SumRing() {
    double s = 0, sq = 0;
    for (int i = 0; i < N; ++i) {
        const double v = static_cast<double>(Ring_[i]) - Ref_;
        s += v;
        sq += v * v;
    }
    OffSum_ = s;
    OffSq_ = sq;
}

void TModedStat::RecomputeRing() {
    // Once per turn of the full ring the sums are taken afresh from the held values, so that
    // rounding cannot pile up over long runs; when the values have wandered off the reference by
    // more than their spread, the reference moves to their mean first.
    SumRing();
    const double k = N;
    if (2 * OffSum_ * OffSum_ / k > OffSq_) {
        Ref_ += OffSum_ / k;
        SumRing();
    }
}

void TModedStat::KeepExtreme(bool departing, std::uint16_t position, float value) {
    const int n = N;
    const auto step = [&](TExtremeQueue& q, auto beaten) {
        // The value leaving the window is the oldest, so if it is still queued it is the front.
        if (departing && q.Size > 0 && q.Front() == position) {
            q.Head = static_cast<std::uint16_t>(TExtremeQueue::Wrap(q.Head + 1, n));
            --q.Size;
        }
        // Values the new one equals or beats can never be the extreme again while it is held.
        while (q.Size > 0 && beaten(Ring_[q.Back(n)])) --q.Size;
        q.Pos[static_cast<std::size_t>(TExtremeQueue::Wrap(q.Head + q.Size, n))] = position;
        ++q.Size;
    };
    // The position's old value must still be readable for the departure test above; the queues only
    // compare with positions other than this one, whose values are already in the ring.
    step(MinQ_, [value](float held) { return held >= value; });
    step(MaxQ_, [value](float held) { return held <= value; });
    // The extremes are values the ring holds: the new one is written by the caller, so read it here.
    Min = MinQ_.Front() == position ? static_cast<double>(value) : static_cast<double>(Ring_[MinQ_.Front()]);
    Max = MaxQ_.Front() == position ? static_cast<double>(value) : static_cast<double>(Ring_[MaxQ_.Front()]);
}

}  // namespace vt
