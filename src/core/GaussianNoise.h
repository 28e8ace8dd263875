#pragma once
// The simulator's Gaussian noise.
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
    std::uint64_t Seed() const { return Seed_; }
    void SetSeed(std::uint64_t seed) { Seed_ = seed & 0xFFFFFFFFu; }

private:
    std::uint64_t Seed_ = 3;
    const double* Table_;  // the normal value of each of the 32768 draws
};

}  // namespace vt
