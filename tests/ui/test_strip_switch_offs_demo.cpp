// The demo program's bottom strip after each analysis feature has been on for a few acquisitions and
// gone off again: the strip is back to what it showed before the feature came on, pixel for pixel
// (markers, measurements, limit test, histogram, eye, mask test and an erased mask, jitter, TDR).
// The last picture goes to screenshots/strip_switch_offs_demo.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

std::vector<TColor> StripPixels(const TNizText& strip) {
    std::vector<TColor> pixels;
    for (int y = 0; y < strip.Height(); ++y)
        for (int x = 0; x < strip.Width(); ++x) pixels.push_back(strip.Bitmap().Pixel(x, y));
    return pixels;
}

int DifferingPixels(const std::vector<TColor>& a, const std::vector<TColor>& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += a[i] == b[i] ? 0 : 1;
    return n;
}

struct TFeature {
    std::string Name;
    std::vector<std::string> On;
    std::vector<std::string> Off;
};

TEST(StripSwitchOffsDemo, EveryFeatureLeavesTheBottomStripAsItFoundIt) {
    // The jitter analysis wants the pattern trigger and its option.
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT | optPatSyncTrig | optJitter)});
    TShell& shell = rig.Shell;
    const auto run = [&](std::string_view text) { return rig.Command(text); };
    const std::vector<TFeature> list = {
        {"markers", {"Mark:Type MX", "Mark:M1:Source Ch1", "Mark:M2:Source Ch1"}, {"Mark:Type Off"}},
        {"measurements", {"Meas:Display Param", "Meas:Ch1:XParam PosWidth,Period ON"}, {"Meas:Display Off"}},
        {"statistics", {"Meas:Display Statistic", "Meas:Ch1:XParam Period ON"}, {"Meas:ClearAll", "Meas:Display Off"}},
        {"limit test",
         {"Meas:Display Statistic", "Meas:Ch1:XParam Period ON", "Limit1:Activ ON", "Limit:TestOn ON"},
         {"Limit:TestOn OFF", "Limit1:Activ OFF", "Meas:ClearAll", "Meas:Display Off"}},
        {"histogram", {"Hist:Axis Vert"}, {"Hist:Axis Off"}},
        {"eye", {"Eye:Measure NRZ"}, {"Eye:Measure Off"}},
        {"mask test", {"Automask:BuildAMask", "Mask:Test ON"}, {"Mask:Test OFF"}},
        {"erased mask", {"Automask:BuildAMask", "Mask:Test ON"}, {"Mask:EraseMask"}},
        {"jitter",
         {"GSS:Ch1 C", "Trig:PattLen 31", "Trig:PatternLockMode Manual", "Jitter:JitterOn ON", "Jitter:JParam Total,Random"},
         {"Jitter:JitterOn OFF"}},
        {"tdr", {"TDR:Mode TDR", "TDR:Ch1:TdrParams MaxReflect", "TDR:Measure ON"}, {"TDR:Measure OFF", "TDR:Mode Off"}},
    };
    std::vector<std::string> failures;
    std::vector<std::string> shownWhileOn;
    rig.RunSteps(120000, [&] {
        auto& display = dynamic_cast<TScopeDisplayServices&>(shell.Display());
        TNizText& strip = display.Panel()->BottomStrip();
        // A timed hint (the start-up's, a feature's message) lies over the strip.
        const auto removeHints = [&display] {
            std::vector<int> hints;
            for (const THintStack::TEntry& e : display.Hints().Entries()) hints.push_back(e.Id);
            for (int id : hints) display.Hints().Remove(id);
        };
        rig.Acquire(2);
        for (const TFeature& f : list) {
            removeHints();
            const std::vector<TColor> before = StripPixels(strip);
            for (const std::string& c : f.On) run(c);
            // A feature may need a few acquisitions before its first readout.
            bool shown = false;
            for (int tries = 0; tries < 20 && !shown && rig.Acquire(2); ++tries) {
                removeHints();
                shown = DifferingPixels(before, StripPixels(strip)) > 0;
            }
            if (shown) shownWhileOn.push_back(f.Name);
            for (const std::string& c : f.Off) run(c);
            rig.Acquire(2);
            removeHints();
            const int differing = DifferingPixels(before, StripPixels(strip));
            if (differing != 0) failures.push_back(f.Name + ": " + std::to_string(differing) + " pixels");
        }
        test::SaveScreenshot(*test::ShownMainWindow(), "strip_switch_offs_demo.png");
    });
    // Each feature showed something while on, else the comparison would prove nothing.
    std::vector<std::string> expected;
    for (const TFeature& f : list) expected.push_back(f.Name);
    EXPECT_EQ(shownWhileOn, expected);
    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
}

}  // namespace
}  // namespace vt
