#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/GaussianNoise.h"

using namespace vt;

TEST(GaussianRandom, FixedSequenceFromSeedThree) {
    TGaussianRandom r;
    EXPECT_EQ(r.Seed(), 3u);
    // Values of an independent calculation with the normal distribution rounded to five decimals.
    EXPECT_DOUBLE_EQ(r.RandomGaussian(1, 0), 0.10495952304914208);
    EXPECT_EQ(r.Seed(), 3310558080u);
    EXPECT_DOUBLE_EQ(r.RandomGaussian(1, 0), -0.5748000219945258);
    EXPECT_DOUBLE_EQ(r.RandomGaussian(2, 1), 1 - 2 * 0.905919914532425);
    EXPECT_DOUBLE_EQ(r.RandomGaussian(1, 0), -0.6894762281615645);
    EXPECT_DOUBLE_EQ(r.RandomGaussian(1, 0), 0.3314955254562763);

    TGaussianRandom s;
    EXPECT_EQ(s.RandomGaussian(0, 4.5), 4.5);
    EXPECT_EQ(s.Seed(), 3310558080u);  // spread 0 still advances the seed
    s.SetSeed(0x1FFFFFFFFull);
    EXPECT_EQ(s.Seed(), 0xFFFFFFFFu);
}

TEST(GaussianRandom, DistributionIsStandardNormal) {
    TGaussianRandom r;
    const int n = 200000;
    double sum = 0;
    double sumSq = 0;
    int within1 = 0;
    double largest = 0;
    for (int i = 0; i < n; ++i) {
        const double x = r.RandomGaussian(1, 0);
        sum += x;
        sumSq += x * x;
        within1 += std::fabs(x) <= 1 ? 1 : 0;
        largest = std::max(largest, std::fabs(x));
    }
    EXPECT_NEAR(sum / n, 0, 0.01);
    EXPECT_NEAR(std::sqrt(sumSq / n), 1, 0.01);
    EXPECT_NEAR(static_cast<double>(within1) / n, 0.6827, 0.005);
    EXPECT_LE(largest, 4.0);
}

TEST(GaussianRandom, TheLookUpGivesTheSearchedValuesExactly) {
    // The documented search, draw by draw, against the class over every draw value and more.
    constexpr double phi[21] = {0.5,     0.57926, 0.65542, 0.72575, 0.78814, 0.84134, 0.88493,
                                0.91924, 0.94520, 0.96407, 0.97725, 0.98610, 0.99180, 0.99534,
                                0.99744, 0.99865, 0.99931, 0.99966, 0.99984, 0.99993, 1.0};
    TGaussianRandom r;
    std::uint64_t seed = 3;
    // The signed normal value of the next draw.
    auto next = [&] {
        seed = (seed * 1103515245u + 12345u) & 0xFFFFFFFFu;
        double u = static_cast<double>((seed >> 16) & 0x7FFF) / 32768.0;
        double sign = 1;
        if (u < 0.5) sign = -1, u += 0.5;
        int i = 1;
        while (i < 20 && phi[i] < u) ++i;
        return sign * 0.2 * (i - (phi[i] - u) / (phi[i] - phi[i - 1]));
    };
    for (int k = 0; k < 300000; ++k) {
        const double spread = 0.25 + (k % 7), centre = (k % 3) - 1.0;
        ASSERT_EQ(r.RandomGaussian(spread, centre), next() * spread + centre) << k;
    }
    // Blocks of every size around the four-seed stride continue the same sequence.
    std::vector<double> block(1283);
    for (std::size_t n : {0, 1, 3, 4, 5, 7, 8, 9, 12, 255, 1283}) {
        r.Fill(block.data(), n);
        for (std::size_t j = 0; j < n; ++j) ASSERT_EQ(block[j], next()) << n << " " << j;
        ASSERT_EQ(r.Seed(), seed) << n;
    }
}
