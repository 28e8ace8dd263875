// The TDR readings in the demo program with its real engine: the excess inductance of the "Lx"
// circuit and the excess capacitance of "Cx" between two X markers on Ch1 in rho, and the reflection
// of an open and a short between the margins, read off the strip's rows; the strip's popup on a row
// hides the margins; the points on the screen go when the readouts go off. The expected figures come from the demo's circuits by hand:
// - the calibration the demo's channel needs (what its calibration would find): reflection step
//   6720 codes x 0.5 x 0.25 x 2 = 0.105 V, baseline -(6720 x 0.5 + 368) codes = -0.233 V at 6.25e-5 V
//   a code;
// - "Lx" is a 10,000 ohm section 5 ps long: L = Z x tau = 10,000 x 5e-12 = 50 nH;
// - "Cx" is a 0.02 ohm section 5 ps long: C = tau / Z = 5e-12 / 0.02 = 250 pF;
// - an open reflects the whole step (+100 % of it, the generator's step being inverted: polarity
//   "Neg"), a short the whole step the other way (-100 %).
#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>
#include <cstdlib>
#include <string>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

// "50.6 nH" -> 5.06e-8.
double EngineeringValue(const std::string& text) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    while (*end == ' ') ++end;
    switch (*end) {
        case 'm': return v * 1e-3;
        case 'n': return v * 1e-9;
        case 'p': return v * 1e-12;
        case 'f': return v * 1e-15;
        default: break;
    }
    if (std::string(end).rfind("\xC2\xB5", 0) == 0) return v * 1e-6;
    return v;
}

// An engineering value's text ends in its unit, and lies within lo .. hi.
void ExpectValue(const std::string& text, char unit, double lo, double hi) {
    ASSERT_EQ(text.empty() ? ' ' : text.back(), unit) << text;
    EXPECT_GT(EngineeringValue(text), lo) << text;
    EXPECT_LT(EngineeringValue(text), hi) << text;
}

TEST(TdrReadoutsDemo, ExcessLAndCOfTheDemoCircuitsAndTheReflectionsOfAnOpenAndAShort) {
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT)});
    TShell& shell = rig.Shell;
    const auto run = [&](std::string_view text) { return rig.Command(text); };
    rig.RunSteps(120000, [&] {
        run("*StopSingle Stop");
        auto& serial = dynamic_cast<TScopeSerialServices&>(shell.Serial());
        TTdrSettings& tdr = serial.Tdr();
        for (const char* line : {"TDR:Mode TDR", "TDR:Ch1:Destination G1", "GSS:Ch1 A", "GSS:A:Waweform TDR",
                                 "GSS:A:TDRCircuit Lx", "Acq:Ch1:RecLen 1024", "TB:Mode A", "TB:ScaleA 2e-9",
                                 "Acq:Ch1:Mode AvgMult", "Acq:Ch1:NAvg 64", "TDR:Ch1:RefAmpl 0.105",
                                 "TDR:Ch1:BaseLine -0.233", "TDR:Ch1:VertScale Rho", "Mark:Type MX",
                                 "Mark:M1:Source Ch1", "Mark:M2:Source Ch1"})
            run(line);
        rig.Acquire(3);
        run("Mark:M1:XPos 11.8e-9");
        run("Mark:M2:XPos 16.3e-9");
        rig.Acquire(2);
        EXPECT_EQ(serial.Excess().LabelText(), "Excess L");
        ExpectValue(serial.Excess().ValueText(), 'H', 45e-9, 55e-9);
        test::SaveScreenshot(*test::ShownMainWindow(), "tdr_excess_demo.png");
        // The reference ratio of the markers owns the cell while it is on.
        run("Mark:Refer ON");
        EXPECT_EQ(serial.Excess().LabelText(), "");
        run("Mark:Refer OFF");
        EXPECT_EQ(serial.Excess().LabelText(), "Excess L");

        run("GSS:A:TDRCircuit Cx");
        run("TB:ScaleA 5e-9");
        rig.Acquire(3);
        run("Mark:M1:XPos 11.8e-9");
        run("Mark:M2:XPos 49.5e-9");
        rig.Acquire(2);
        EXPECT_EQ(serial.Excess().LabelText(), "Excess C");
        ExpectValue(serial.Excess().ValueText(), 'F', 225e-12, 275e-12);
        // Markers at one point span nothing: no value.
        run("Mark:M2:XPos 11.8e-9");
        serial.Excess().ShowExcess();
        EXPECT_EQ(serial.Excess().ValueText(), "");

        // The reflections between 20 and 60 ns; the typed calibration stands for the channel's.
        for (const char* line : {"Mark:Type Off", "GSS:A:TDRCircuit Open", "GSS:A:TDROvershot 0", "TB:ScaleA 1e-8",
                                 "Acq:Ch1:NAvg 16", "TDR:Ch1:VertScale Volt", "TDR:Measure ON",
                                 "TDR:Ch1:TdrParams MinReflect,MaxReflect"})
            run(line);
        tdr.SetCalibrated(TdrChannel1, true);
        rig.Acquire(2);
        run("TDR:Ch1:LeftMargins 2e-8");
        run("TDR:Ch1:RightMargins 6e-8");
        run("*ClrDispl");
        rig.Acquire(2);
        EXPECT_NEAR(tdr.Params.Param(TdrSideReflection, 1).Value, 100, 1.5);
        auto& display = dynamic_cast<TScopeDisplayServices&>(shell.Display());
        TNizText& strip = display.Panel()->BottomStrip();
        EXPECT_TRUE(display.Annotations().AnnotatedMeas == 1 && display.Annotations().UsedSlots == 3);
        test::SaveScreenshot(*test::ShownMainWindow(), "tdr_measure_demo.png");
        EXPECT_EQ(serial.TdrReadouts().Caption(tdr.Params.Param(TdrSideReflection, 1)), "Max Reflection (Ch1)");

        run("GSS:A:TDRCircuit Short");
        rig.Acquire(2);
        run("*ClrDispl");
        rig.Acquire(2);
        EXPECT_NEAR(tdr.Params.Param(TdrSideReflection, 0).Value, -100, 1.5);
        EXPECT_EQ(serial.TdrReadouts().Caption(tdr.Params.Param(TdrSideReflection, 0)), "Min Reflection (Ch1)");

        // A right press on row 0's caption opens its popup; its last but two item hides the margins.
        const TPixelRect cell = NizCellRect(0, 1);
        ASSERT_TRUE(strip.MousePress(TNizText::RightButton, (cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2) &&
                    strip.PopupMenu());
        EXPECT_EQ(strip.PopupMenu()->front().Caption, "Min Reflection (Ch1)");
        strip.ChoosePopupCommand("DelDefParam");
        EXPECT_EQ(run("TDR:ViewMargins?"), "TDR:VIEWMARGINS OFF");

        // The readouts go off by their own switch and by the markers that switch them off: the points
        // of the annotated parameter go with them, also through the following acquisitions.
        const auto annotationsShown = [&] {
            return display.Annotations().UsedSlots > 0 || display.Panel()->ExistingAnnotationLayer(1) ||
                   display.Panel()->ExistingAnnotationLayer(2);
        };
        EXPECT_TRUE(annotationsShown());
        run("TDR:Measure OFF");
        rig.Acquire(2);
        EXPECT_FALSE(annotationsShown());
        test::SaveScreenshot(*test::ShownMainWindow(), "tdr_measure_off_demo.png");
        run("TDR:Measure ON");
        rig.Acquire(2);
        EXPECT_TRUE(annotationsShown());
        run("Mark:Type MX");
        EXPECT_EQ(run("TDR:Measure?"), "TDR:MEASURE OFF");
        rig.Acquire(2);
        EXPECT_FALSE(annotationsShown());
        run("Mark:Type Off");
        run("TDR:Measure ON");
        rig.Acquire(2);
        run("TDR:Mode Off");
        rig.Acquire(2);
        EXPECT_FALSE(annotationsShown());
    });
}

}  // namespace
}  // namespace vt
