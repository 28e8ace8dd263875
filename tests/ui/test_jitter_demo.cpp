// The jitter analyser on the demo's PRBS generator, through the real simulator, acquisition and
// engine: random jitter, total jitter and duty-cycle distortion against what the generator's settings
// imply, worked out by hand below; and the start refused without a pattern lock or from a setup.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

constexpr double Ps = 1e-12;

struct TFigures {
    double Total = 0, DataDepend = 0, Random = 0, DutyCycle = 0;
};

TEST(JitterDemo, RandomTotalAndDutyCycleOfThePrbsGenerator) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    TFigures plain, distorted;
    int refusedAsked = 0;
    bool refusedOff = false, setupOff = false, dividersSet = false, dividerRefused = false;
    int maskBefore = 0, maskAfter = -1;
    const auto remote = [&](const char* line) { shell.CommandTree()->ExecuteCommandString(line, false); };
    const auto figures = [](TJ_Obj& a) {
        return TFigures{a.GetResult(jpTotal).Value, a.GetResult(jpDataDepend).Value, a.GetResult(jpRandom).Value,
                        a.GetResult(jpDutyCycleDist).Value};
    };
    rig.RunSteps(240000, [&] {
        ASSERT_TRUE(rig.CountOn(1));
        TJitterAnalysis& jitter = dynamic_cast<TScopeSerialServices&>(shell.Serial()).Jitter();
        TCommandTree* tree = shell.CommandTree();
        TInstrumentIdentity& id = shell.Identity()->Identity;
        if (id.ModelType == 0) id.ModelType = 1;
        id.Options |= optPatSyncTrig;
        for (const char* c : {"GSS:CH1 C", "Ch2:Display OFF", "TRIG:PATTLEN 31"}) shell.ExecuteCommandString(c);
        // Without the lock: refused with the message, the switch back off.
        const std::size_t asked = dialogs.Asked.size();
        remote("JITTER:JITTERON ON");
        refusedAsked = static_cast<int>(dialogs.Asked.size() - asked);
        refusedOff = !ReadOnOffSetting(tree, "Jitter:JitterOn", true) && !jitter.Exists();
        shell.ExecuteCommandString("TRIG:PATTERNLOCKMODE MANUAL");
        // A length that is no PRBS length, with a divider: the delay would not count bits.
        shell.ExecuteCommandString("TRIG:PATTLEN 100");
        shell.ExecuteCommandString("TRIG:INTDIVIDER 2");
        dividersSet = ReadRealSetting(tree, "Trig:IntDivider", 1) == 2;
        const std::size_t askedAgain = dialogs.Asked.size();
        remote("JITTER:JITTERON ON");
        dividerRefused = dialogs.Asked.size() == askedAgain + 1 && !jitter.Exists();
        shell.ExecuteCommandString("TRIG:INTDIVIDER 1");
        shell.ExecuteCommandString("TRIG:PATTLEN 31");
        // As a setup or an undo sets it: nothing starts.
        shell.ExecuteCommandString("JITTER:JITTERON ON");
        setupOff = !ReadOnOffSetting(tree, "Jitter:JitterOn", true) && !jitter.Exists();
        // A mask on the screen goes when the analyser starts.
        shell.ExecuteCommandString("Automask:BuildAMask");
        maskBefore = shell.Serial().MaskPolygonCount();
        remote("JITTER:JITTERON ON");
        maskAfter = shell.Serial().MaskPolygonCount();
        const auto analysed = [&] {
            EXPECT_TRUE(rig.Until([&] { return jitter.Analyser() && jitter.Analyser()->State == 5; }, 120000));
            return jitter.Analyser() ? figures(*jitter.Analyser()) : TFigures{};
        };
        plain = analysed();
        remote("JITTER:JITTERON OFF");
        shell.ExecuteCommandString("GSS:C:DUTYCYCLEDIST 3");
        remote("JITTER:JITTERON ON");
        distorted = analysed();
        remote("JITTER:JITTERON OFF");
        shell.RunOn = false;
    });
    EXPECT_EQ(refusedAsked, 1);
    EXPECT_TRUE(refusedOff);
    EXPECT_TRUE(setupOff);
    EXPECT_TRUE(dividersSet);
    EXPECT_TRUE(dividerRefused);
    EXPECT_GT(maskBefore, 0);
    EXPECT_EQ(maskAfter, 0);
    // Generator C: 5 ps jitter, 5 mV noise on 0.5 V, raised-cosine edges of 100 ps 10-90 %, that is a
    // span of 100 / 0.5903 = 169.4 ps. Across the 25-75 % band the slope is 0.5 V × π / (2 × 169.4 ps)
    // × sin θ, θ from π/3 to 2π/3; the mean of 1 / sin²θ there is 6 / (√3 π) = 1.103. So the noise reads
    // as 0.005 × 2 × 169.4 / (π × 0.5) × √1.103 = 1.13 ps of time, beside the 5 ps.
    const double span = 100.0 / 0.590334471;
    const double noiseTime = 0.005 * 2 * span / (std::numbers::pi * 0.5) * std::sqrt(6 / (std::sqrt(3.0) * std::numbers::pi));
    const double random = std::hypot(5, noiseTime);
    std::printf("jitter demo (ps): random %.3f total %.3f ddj %.3f dcd %.3f; with 3 %% dcd: random %.3f total %.3f ddj %.3f dcd %.3f\n",
                plain.Random / Ps, plain.Total / Ps, plain.DataDepend / Ps, plain.DutyCycle / Ps, distorted.Random / Ps,
                distorted.Total / Ps, distorted.DataDepend / Ps, distorted.DutyCycle / Ps);
    EXPECT_NEAR(random, 5.13, 0.01);
    EXPECT_NEAR(plain.Random / Ps, random, 0.1 * random);
    EXPECT_NEAR(plain.Total / Ps, random, 0.1 * random);
    EXPECT_LT(plain.DataDepend / Ps, 2.5);
    EXPECT_LT(plain.DutyCycle / Ps, 1);
    // 3 % duty-cycle distortion: falling edges 0.03 UI = 20 ps late; half the edges each way about
    // their mean gives ±10 ps beside the random part.
    const double dcd = 0.03 / 1.5e9 / Ps;
    EXPECT_NEAR(distorted.DutyCycle / Ps, dcd, 1);
    EXPECT_NEAR(distorted.Total / Ps, std::hypot(random, dcd / 2), 0.1 * std::hypot(random, dcd / 2));
    EXPECT_GE(distorted.DataDepend / Ps, 19.5);
    EXPECT_LE(distorted.DataDepend / Ps, 23);
    EXPECT_NEAR(distorted.Random / Ps, random, 0.1 * random);
}

}  // namespace
}  // namespace vt
