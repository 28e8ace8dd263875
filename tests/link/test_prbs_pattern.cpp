// The simulated bit pattern: sequences, shapes, droop and the order check.
#include <gtest/gtest.h>

#include <string>

#include "core/InternalError.h"
#include "link/PrbsPattern.h"

using namespace vt;

namespace {

std::string Bits(const TPSP& p, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += p.Bit(i) ? '1' : '0';
    return s;
}

// The smallest period of the pattern read as an endless sequence.
int Period(const TPSP& p) {
    const int l = p.Length();
    for (int q = 1; q <= l; ++q) {
        if (l % q) continue;
        bool same = true;
        for (int i = 0; i + q < l && same; ++i) same = p.Bit(i) == p.Bit(i + q);
        if (same) return q;
    }
    return l;
}

TEST(PrbsPattern, EveryOrderRunsThroughItsFullPeriod) {
    TUniformRandom random(5);
    TPSP p(random);
    p.SetPrbsOrder(7, true);
    EXPECT_EQ(p.Length(), 127);
    EXPECT_EQ(Bits(p, 20), "11111110000001000001");
    p.SetPrbsOrder(5, false);
    EXPECT_EQ(p.Length(), 32);
    for (int order : {5, 7, 11, 15}) {
        p.SetPrbsOrder(order, true);
        int ones = 0;
        for (int i = 0; i < p.Length(); ++i) ones += p.Bit(i);
        EXPECT_EQ(p.Length(), (1 << order) - 1) << order;
        EXPECT_EQ(Period(p), (1 << order) - 1) << order;
        EXPECT_EQ(ones, 1 << (order - 1)) << order;
    }
    for (int order : {4, 16}) {
        try {
            p.SetPrbsOrder(order, true);
            ADD_FAILURE() << order;
        } catch (const EInternalError& e) {
            EXPECT_EQ(e.Message(), "Bad Bit");
            EXPECT_EQ(e.Unit(), "_SHELL\\SRC\\PSP");
        }
    }
}

TEST(PrbsPattern, ShapesEdgesDroopAndReturnToZero) {
    TUniformRandom random(5);
    TPSP p(random);
    p.SetPrbsOrder(7, true);  // bits 7..12 zeros, 13 a one
    p.SetRiseSpan(0.2);
    p.SetFallSpan(0.2);
    EXPECT_NEAR(p.GetValueAt(13.1), 0.5, 1e-6);
    EXPECT_NEAR(p.GetValueAt(13.2), 1.0, 1e-6);
    EXPECT_NEAR(p.GetValueAt(3.5), 1.0, 1e-9) << "a run of ones stays at 1";
    EXPECT_NEAR(p.GetValueAt(7.1), 0.5, 1e-6) << "falling edge";
    EXPECT_NEAR(p.GetValueAt(13.1 + 127 * 3), 0.5, 1e-6) << "positions are taken modulo the pattern";
    EXPECT_NEAR(p.GetValueAt(-127 + 13.1), 0.5, 1e-6);

    p.SetDroop(0.1);
    EXPECT_NEAR(p.GetValueAt(1.0), 0.9, 1e-6);
    EXPECT_NEAR(p.GetValueAt(2.0), 0.81, 1e-6);
    EXPECT_NEAR(p.GetValueAt(3.0), 0.729, 1e-6);

    p.SetDroop(0);
    p.SetNrz(false);
    EXPECT_NEAR(p.GetValueAt(13.3), 1.0, 1e-6);
    EXPECT_NEAR(p.GetValueAt(13.5), 1.0, 1e-6) << "the fall starts at 0.5 UI";
    EXPECT_NEAR(p.GetValueAt(13.6), 0.5, 1e-6);
    EXPECT_NEAR(p.GetValueAt(13.8), 0.0, 1e-6);
    EXPECT_NEAR(p.GetValueAt(1.8), 0.0, 1e-6) << "each one returns to zero";
}

TEST(PrbsPattern, ImpairmentsMoveEdgesWithoutBreakingTheLevels) {
    TUniformRandom random(5);
    TPSP p(random);
    p.SetPrbsOrder(7, true);
    p.SetRiseSpan(0.2);
    p.SetFallSpan(0.2);
    p.SetDutyCycleDistortion(0.1);
    // The one at 13 is followed by a zero at 14: its falling edge moves to 14.1.
    EXPECT_NEAR(p.GetValueAt(14.05), 1.0, 1e-6);
    EXPECT_NEAR(p.GetValueAt(14.2), 0.5, 1e-5);
    p.SetDutyCycleDistortion(0);
    p.SetInterSymbolInterference(0.1);
    p.SetSubRateJitter(0.05);
    p.SetSubRateDivider(0);  // below the minimum: one phase, no division by zero
    p.SetLockStride(977);
    for (double x = 0; x < 127; x += 0.37) {
        const double v = p.GetValueAt(x);
        ASSERT_GE(v, -1e-9);
        ASSERT_LE(v, 1 + 1e-9);
    }
}

}  // namespace
