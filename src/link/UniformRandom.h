#pragma once
// The simulator's uniform random numbers. The mapping to ranges is our own arithmetic (the standard
// distributions give different values on different standard libraries), so a seeded run yields the
// same samples everywhere.
#include <cstdint>

namespace vt {

class TUniformRandom {
public:
    explicit TUniformRandom(std::uint64_t seed = 1) { SetSeed(seed); }
    void SetSeed(std::uint64_t seed) { State_ = seed; }

    // splitmix64: every seed, 0 included, gives a full-period stream.
    std::uint64_t Next() {
        std::uint64_t z = (State_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In [0, 1), 53 bits.
    double NextDouble() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    // In 0..n-1; 0 for n below 2. The 64-bit multiply keeps the bias below 2^-32 for any 32-bit n.
    std::uint32_t NextInt(std::uint32_t n) {
        if (n < 2) return 0;
        return static_cast<std::uint32_t>(((Next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
    }

private:
    std::uint64_t State_ = 1;
};

}  // namespace vt
