#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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
