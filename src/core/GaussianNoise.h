#pragma once
// The simulator's Gaussian noise.
#include <cstdint>

namespace vt {

// A fixed sequence from seed 3, the same on every run.
class TGaussianRandom {
public:
    double RandomGaussian(double spread, double centre);
    std::uint64_t Seed() const { return Seed_; }
    void SetSeed(std::uint64_t seed) { Seed_ = seed & 0xFFFFFFFFu; }

private:
    std::uint64_t Seed_ = 3;
};

}  // namespace vt
