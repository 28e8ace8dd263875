// The pattern search's run analysis: changes between high and low runs (middle points end none, runs
// cut by the record's ends have no length) and the divider the change count asks for.
#include <gtest/gtest.h>

#include <vector>

#include "acq/PatternSearch.h"

using namespace vt;

TEST(PatternSearch, TransitionsAndDividers) {
    // low 3 (cut), high 5 with a middle point inside, low 2, high 4 (cut at the end).
    const std::vector<double> y{0, 0, 0, 1, 1, 0.5, 1, 1, 0, 0.5, 1, 1, 1, 1};
    const TTransitions t = CountTransitions(y.data(), static_cast<int>(y.size()), 2.0 / 3, 1.0 / 3);
    EXPECT_EQ(t.Changes, 3);
    EXPECT_EQ(t.ShortestHigh, 5);
    EXPECT_EQ(t.ShortestLow, 2);
    EXPECT_EQ(CountTransitions(y.data(), 3, 2.0 / 3, 1.0 / 3).Changes, 0);
    EXPECT_EQ(DividerForChanges(50), 1);
    EXPECT_EQ(DividerForChanges(51), 2);
    EXPECT_EQ(DividerForChanges(150), 4);
    EXPECT_EQ(DividerForChanges(201), 8);
}
