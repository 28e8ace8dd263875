// The eye of the demo's PRBS generator measured by the real simulator, acquisition and engine: levels,
// noise, crossing, rate, jitter, width and edges against the generator's own figures; the picture
// goes to screenshots/eye_demo.png with the eye window, thresholds and bounds drawn over the eye.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/EyeParamLayer.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

TEST(EyeDemoNrz, ThePrbsEyeOfTheSimulator) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    std::map<std::string, double> values;
    int crossings = 0;
    bool layerDrawn = false;
    rig.RunSteps(150000, [&] {
        auto& services = dynamic_cast<TScopeDisplayServices&>(shell.Display());
        TEyeMeasurement& eye = dynamic_cast<TScopeSerialServices&>(shell.Serial()).Eye();
        // 180 ps a division in the delayed timebase: only its delay (divisions of A) moves the screen's
        // start, 0.1333 x 1 ns here; the main timebase has none.
        for (const char* c : {"GSS:CH1 C", "TB:SCALEA 1E-9", "TB:Mode B", "TB:SCALEB 1.8E-10", "TB:Delay 0.1333",
                              "ACQ:CH1:RECLEN 4096", "Ch2:Display OFF", "Displ:Ch1:Style InfinPers", "Eye:WfmsInCycle 128"})
            shell.ExecuteCommandString(c);
        // Records still under way when the settings changed are left out.
        ASSERT_TRUE(rig.CountOn(3));
        for (const char* c : {"Eye:Measure NRZ", "Eye:XNRZParam EyeWidth,JitterRMS", "Eye:YNRZParam EyeHeight,CrossPerc"})
            shell.ExecuteCommandString(c);
        ASSERT_TRUE(rig.Until([&] { return eye.EngineRuns != 0; }));
        crossings = eye.State().EyeNotFound ? 0 : 2;
        TEyeEngine& engine = eye.Engine();
        TEyeParamInputs in;
        in.Record = &shell.Records()->Record(ssCh1);
        const auto value = [&](int axis, int kind) {
            TParam p(emNrz, axis, kind);
            ComputeEyeParameter(engine, in, p);
            return p.Value;
        };
        values = {{"One", value(eaY, 20)},       {"Zero", value(eaY, 26)},    {"Ampl", value(eaY, 8)},
                  {"NoiseOne", value(eaY, 18)},  {"Height", value(eaY, 9)},   {"SN", value(eaY, 24)},
                  {"Cross", value(eaY, 3)},      {"Rate", value(eaX, 1)},     {"JitterRms", value(eaX, 12)},
                  {"Width", value(eaX, 7)},      {"WidthP", value(eaX, 8)},   {"Rise", value(eaX, 14)},
                  {"Fall", value(eaX, 9)},       {"Mean", value(eaY, 12)},    {"HeightDb", value(eaY, 10)},
                  {"C1", engine.State().Crossing[1].Mean}, {"C2", engine.State().Crossing[2].Mean},
                  {"Delay", ReadRealSetting(shell.CommandTree(), "TB:Delay", -1) *
                                ReadRealSetting(shell.CommandTree(), "TB:ScaleA", -1)},
                  {"Scale", ReadRealSetting(shell.CommandTree(), "TB:ScaleB", -1)}};
        shell.ExecuteCommandString("Eye:TreshMode 10-90");
        values["Rise1090"] = value(eaX, 14);
        values["Fall1090"] = value(eaX, 9);
        shell.ExecuteCommandString("Eye:TreshMode 20-80");
        auto* layer = dynamic_cast<T_Eye_ParamLayer*>(services.Panel()->MarkerLayer(1));
        layerDrawn = layer && layer->BoxLeft() > 0 && layer->LeftBoundColumn() > layer->BoxLeft();
        test::SaveScreenshot(*test::ShownMainWindow(), "eye_demo.png");
        // A break starts the eye over: only once everything is read.
        shell.RunOn = false;
        if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
    });
    ASSERT_EQ(crossings, 2);
    EXPECT_TRUE(layerDrawn);
    // PRBS 2^5-1 at 1.5 Gbit/s, -0.25..+0.25 V, 5 mV noise, 5 ps jitter, 100 ps 10-90 % raised-cosine edges.
    // The generator's bits change at the trigger and every 666.7 ps; an edge crosses the middle half
    // its 169.4 ps span later, at 84.7 ps. The first point is sampled at the delay, 133.3 ps = 889 fine
    // steps of 0.15 ps, which the delay line gives as round(18333 x 889 / 26667) = 611 of its
    // 4 ns / 18333 steps (133.31 ps), less the strobe's skew at period 0, 1.5 x 2e-4 x 4.6 ns = 1.38 ps:
    // 131.93 ps. At 180 ps a division (0.45 ps a column) the crossings lie at 84.7 + 666.7 - 131.9 =
    // 619.4 ps and 1286.1 ps, columns 1376.5 and 2858.0; the one before (-47.2 ps) and the one after
    // (1952.8 ps) are off the 1800 ps screen.
    EXPECT_NEAR(values["Delay"], 133.3e-12, 0.05e-12);
    EXPECT_NEAR(values["Scale"], 180e-12, 1e-15);
    EXPECT_NEAR(values["C1"], 1376.5, 5);
    EXPECT_NEAR(values["C2"], 2858.0, 5);
    EXPECT_NEAR(values["One"], 0.25, 0.003);
    EXPECT_NEAR(values["Zero"], -0.25, 0.003);
    EXPECT_NEAR(values["Ampl"], 0.5, 0.004);
    EXPECT_NEAR(values["NoiseOne"], 5.02e-3, 0.4e-3);
    EXPECT_NEAR(values["Height"], 0.470, 0.004);
    EXPECT_NEAR(values["SN"], 49.8, 3);
    EXPECT_NEAR(values["Cross"], 50, 1.5);
    EXPECT_NEAR(values["Rate"], 1.5e9, 1.5e9 * 0.005);
    EXPECT_NEAR(values["JitterRms"], 5.3e-12, 0.6e-12);
    EXPECT_NEAR(values["Width"], 635e-12, 5e-12);
    EXPECT_NEAR(values["WidthP"], 95.3, 0.8);
    EXPECT_NEAR(values["Rise"], 69.4e-12, 2.5e-12);
    EXPECT_NEAR(values["Fall"], 69.4e-12, 2.5e-12);
    EXPECT_NEAR(values["Rise1090"], 100e-12, 4e-12);
    EXPECT_NEAR(values["Fall1090"], 100e-12, 4e-12);
    EXPECT_NEAR(values["Mean"], 8.1e-3, 4e-3);  // 16 ones in 31 bits
    EXPECT_TRUE(IsUndefinedValue(values["HeightDb"]));
}

// The number of a result reply with its engineering prefix ("EYE:RES:1 1.5 GBit/s", "... 339.9 mV").
double EngValue(const std::string& reply) {
    const std::size_t space = reply.find(' ');
    if (space == std::string::npos) return std::nan("");
    const char* text = reply.c_str() + space + 1;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text) return std::nan("");
    while (*end == ' ') ++end;
    switch (*end) {
        case 'G': return v * 1e9;
        case 'M': return v * 1e6;
        case 'k': return v * 1e3;
        case 'm': return v * 1e-3;
        default: return v;
    }
}

// The generator at 1.5 Gbit/s on the undelayed 180 ps a division timebase: three crossings lie on the
// screen. Reading the rate and the height after every computation, and starting the eye over now and
// then, every reading is that of neighbouring crossings; the last picture goes to
// screenshots/eye_three_crossings_demo.png.
TEST(EyeDemoNrz, ThreeCrossingsOnTheScreenReadTheBitRateOfNeighbours) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    std::vector<std::pair<std::string, std::string>> readings;
    std::vector<std::pair<double, double>> crossings;
    rig.RunSteps(240000, [&] {
        TEyeMeasurement& eye = dynamic_cast<TScopeSerialServices&>(shell.Serial()).Eye();
        for (const char* c : {"GSS:CH1 C", "GSS:C:RISETIME 5E-11", "GSS:C:FALLTIME 5E-11", "GSS:C:NOISE 0.01",
                              "GSS:C:JITTER 3E-12", "GSS:C:AMPLITUDE 0.4", "GSS:C:OFFSET -0.2", "TB:SCALEA 1.8E-10",
                              "ACQ:CH1:RECLEN 4096"})
            shell.ExecuteCommandString(c);
        ASSERT_TRUE(rig.CountOn(3));
        for (const char* c : {"EYE:MEASURE NRZ", "EYE:XNRZPARAM BITRATE,JITTERRMS,EYEWIDTH", "EYE:YNRZPARAM EYEHEIGHT",
                              "EYE:STATISTIC ON"})
            shell.ExecuteCommandString(c);
        while (readings.size() < 16) {
            const int lastRuns = eye.EngineRuns;
            ASSERT_TRUE(rig.Until([&] { return eye.EngineRuns != lastRuns; }));
            readings.emplace_back(shell.ExecuteCommandString("EYE:RES? 1"), shell.ExecuteCommandString("EYE:RES? 4"));
            crossings.emplace_back(eye.State().Crossing[1].Mean, eye.State().Crossing[2].Mean);
            // The first computations of a fresh map are where a pick can go astray.
            if (readings.size() < 16 && readings.size() % 2 == 0) shell.ExecuteCommandString("*CLRDISPL");
        }
        test::SaveScreenshot(*test::ShownMainWindow(), "eye_three_crossings_demo.png");
        shell.RunOn = false;
        if (TInstrumentLink* link = shell.Link()) link->BreakAcquisition(true);
    });
    ASSERT_EQ(readings.size(), 16u);
    // Bits change every 666.7 ps; a 50 ps 10-90 % raised-cosine edge spans 84.7 ps and crosses the middle
    // 42.3 ps after its bit starts. The first point is sampled at the strobe's skew, -1.5 x 2e-4 x 4.6 ns
    // = -1.38 ps, and each further one 0.45 ps later: crossings at columns (42.3 + 1.4 + k x 666.7) / 0.45
    // = 97.2, 1578.7 and 3060.2. Levels 0.4 V apart with 10 mV noise on each: a height of
    // 0.4 - 6 x 0.01 = 0.34 V.
    for (std::size_t i = 0; i < readings.size(); ++i) {
        SCOPED_TRACE(readings[i].first + " | " + readings[i].second);
        EXPECT_NEAR(EngValue(readings[i].first), 1.5e9, 1.5e9 * 0.005);
        EXPECT_NEAR(EngValue(readings[i].second), 0.34, 0.003);
        const auto [c1, c2] = crossings[i];
        EXPECT_TRUE(std::abs(c1 - 97.2) < 5 || std::abs(c1 - 1578.7) < 5) << c1;
        EXPECT_NEAR(c2 - c1, 666.67 / 0.45, 5);
    }
}

}  // namespace
}  // namespace vt
