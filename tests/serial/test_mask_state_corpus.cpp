// The fuzz seeds of the mask's state text, loaded as a setup line loads them: each applied within the
// mask's limits and written back to a text that loads to the same mask; a refused one (the seeds
// with a byte changed) leaves the mask as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "MaskTestSupport.h"

namespace vt::test {
namespace {

void ExpectWithinLimits(const TCurrentMask& m, const std::string& name) {
    EXPECT_LE(m.PolygonCount, m.Marg == 0 ? 8 : 4) << name;
    if (m.Marg == 0) {
        EXPECT_EQ(m.MarginPolygonCount, 0) << name;
    }
    for (const TMaskPolyRec& p : m.Polygons)
        for (std::size_t i = 0; i < p.X.size(); ++i) {
            EXPECT_TRUE(p.X[i] == -1 || (p.X[i] >= 0 && p.X[i] <= 4000)) << name;
            EXPECT_TRUE(p.Y[i] >= 0 && p.Y[i] <= 1024) << name;
        }
}

TEST(MaskStateCorpus, SeedsLoadWithinTheLimitsAndMutantsNeverBreakThem) {
    int seeds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VT_MASK_STATE_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string seed = bytes.str(), name = entry.path().filename().string();
        TMaskRig rig;
        EXPECT_NE(rig.Load(seed), "ERROR") << name;
        ExpectWithinLimits(rig.Mask().Mask(), name);
        const std::string text = rig.State();
        TMaskRig again;
        again.Load(text);
        EXPECT_EQ(again.State(), text) << name;
        // Every byte of the seed replaced by a digit, a comma and a letter in turn.
        for (std::size_t i = 0; i < seed.size(); i += 3)
            for (char c : {'9', ',', 'x'}) {
                std::string mutant = seed;
                mutant[i] = c;
                const std::string before = rig.State();
                if (rig.Load(mutant) == "ERROR") {
                    EXPECT_EQ(rig.State(), before) << name << " @" << i;
                }
                ExpectWithinLimits(rig.Mask().Mask(), name);
            }
        ++seeds;
    }
    EXPECT_GE(seeds, 4);
}

}  // namespace
}  // namespace vt::test
