#pragma once
// The simulator's Gaussian noise.
#include <cstddef>
#include <cstdint>

namespace vt {

// A fixed sequence from seed 3, the same on every run.
class TGaussianRandom {
public:
    TGaussianRandom();
    // Inline: the simulator draws several per sample.
    double RandomGaussian(double spread, double centre) {
        Seed_ = (Seed_ * 1103515245u + 12345u) & 0xFFFFFFFFu;
        return Table_[(Seed_ >> 16) & 0x7FFF] * spread + centre;
    }
    // n draws of spread 1 about 0 at once: the numbers n calls above would give, in their order. Four
    // seeds a draw apart each step four draws at a time, so that the steps need not wait on each other.
    void Fill(double* out, std::size_t n) {
        constexpr std::uint32_t A = 1103515245u, C = 12345u;
        constexpr std::uint32_t A4 = A * A * A * A, C4 = C * (A * A * A + A * A + A + 1);
        auto seed = static_cast<std::uint32_t>(Seed_);
        std::size_t i = 0;
        if (n >= 4) {
            std::uint32_t s[4];  // the seeds of draws i .. i + 3
            for (std::uint32_t& v : s) v = seed = seed * A + C;
            for (;;) {
                for (std::size_t j = 0; j < 4; ++j) out[i + j] = Table_[(s[j] >> 16) & 0x7FFF];
                i += 4;
                if (i + 4 > n) break;
                for (std::uint32_t& v : s) v = v * A4 + C4;
            }
            seed = s[3];
        }
        for (; i < n; ++i) {
            seed = seed * A + C;
            out[i] = Table_[(seed >> 16) & 0x7FFF];
        }
        Seed_ = seed;
    }
    std::uint64_t Seed() const { return Seed_; }
    void SetSeed(std::uint64_t seed) { Seed_ = seed & 0xFFFFFFFFu; }

private:
    std::uint64_t Seed_ = 3;
    const double* Table_;  // the normal value of each of the 32768 draws
};

}  // namespace vt
