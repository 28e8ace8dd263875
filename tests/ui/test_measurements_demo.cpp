// Automatic measurements in the demo program on the real engine: in Param, the period and peak-to-peak
// of Ch1 (the 100 MHz sine of about half a volt) and the positive width of Ch2 (its 1 ns pulse); then
// Statistic with four measurements, one of them drawn as its histicon.
// screenshots/measurements_demo.png shows that strip under the screens. Then the annotations of the gain
// of Ch2 over Ch1 and of Ch1's positive duty: screenshots/measurements_gain_annotations.png and
// screenshots/measurements_duty_annotations.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/Numeric.h"
#include "core/Shell.h"
#include "display/AnnotationLayer.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

bool Shown(TSignalRecords& r, int s) { return r.State(s) == srcUpToDate || r.State(s) == srcFresh; }

TEST(MeasurementsDemo, ParamValuesThenStatisticWithAHisticon) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    auto list = [&shell]() -> TMeasList& {
        return dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().List();
    };
    auto defined = [&](int count) {
        for (int i = 0; i < count; ++i)
            if (!list().Slot(i) || IsUndefinedValue(list().Slot(i)->Value)) return false;
        return true;
    };
    rig.RunSteps(180000, [&] {
        TSignalRecords& r = *shell.Records();
        ASSERT_TRUE(rig.Until([&] { return Shown(r, ssCh1) && Shown(r, ssCh2); }));
        for (const char* line : {"Meas:Display Param", "Meas:Ch1:XParam Period ON", "Meas:Ch1:YParam PP ON",
                                 "Meas:Ch2:XParam PosWidth ON"})
            shell.ExecuteCommandString(line);
        ASSERT_TRUE(rig.Until([&] { return list().Count() == 3 && defined(3); }));
        // The demo's Ch1 is a 100 MHz sine, its Ch2 a 1 ns pulse.
        EXPECT_NEAR(list().Slot(0)->Value, 10e-9, 10e-9 * 0.005);
        EXPECT_GE(list().Slot(1)->Value, 0.495);
        EXPECT_LE(list().Slot(1)->Value, 0.525);
        EXPECT_NEAR(list().Slot(2)->Value, 1e-9, 1e-9 * 0.02);
        for (const char* line : {"Meas:Display Statistic", "Meas:StatMode Window", "Meas:Window 8",
                                 "Meas:Ch2:YParam Ampl ON"})
            shell.ExecuteCommandString(line);
        dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().Readouts().HandleMeasPopupCommand(
            "Histic", 0);
        ASSERT_TRUE(rig.Until([&] {
            return list().Count() == 4 && list().Slot(0)->Statistics && list().Slot(0)->Statistics->HistReady &&
                   list().Slot(3)->Statistics && list().Slot(3)->Statistics->Count > 2;
        }));
        QCoreApplication::processEvents();
        test::SaveScreenshot(*test::ShownMainWindow(), "measurements_demo.png");
    });
    for (const std::string& asked : rig.Dialogs.Asked) ADD_FAILURE() << asked;
}

// What an annotation layer draws: its name and the records drawn, with their anchors.
struct TDrawnLayer {
    std::string Name;
    std::vector<int> Records;
    std::map<int, TAnnotationLayer::TRecordState> States;
};

TDrawnLayer Drawn(TScopeDisplayServices& display, int m) {
    TDrawnLayer d;
    auto* layer = dynamic_cast<TAnnotationLayer*>(display.Panel()->ExistingAnnotationLayer(m));
    if (!layer) return d;
    d.Name = layer->Name();
    for (int n = 1; n <= AnnotationRecordCount; ++n)
        if (layer->State(n).Drawn) d.Records.push_back(n), d.States[n] = layer->State(n);
    return d;
}

// The gain's levels on both traces, the duty's width at its first pulse: none in the screen's corner.
TEST(MeasurementsDemo, GainAndDutyAnnotationsOnTheirTraces) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    auto list = [&shell]() -> TMeasList& {
        return dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().List();
    };
    // One measurement defined, then a few acquisitions for its annotations to be drawn.
    auto definedOnce = [&] {
        return rig.Until([&] { return list().Count() == 1 && !IsUndefinedValue(list().Slot(0)->Value); }) &&
               rig.CountOn(5);
    };
    rig.RunSteps(180000, [&] {
        auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        ASSERT_TRUE(display && display->Panel());
        TSignalRecords& r = *shell.Records();
        ASSERT_TRUE(rig.Until([&] { return Shown(r, ssCh1) && Shown(r, ssCh2); }));
        for (const char* line : {"Meas:Display Param", "Meas:ClearAll", "Meas:Ch1:YDualPar Gain ON"})
            shell.ExecuteCommandString(line);
        ASSERT_TRUE(definedOnce());
        // Top and base of Ch1 on its point layer, of Ch2 on its level layer; each top above its base.
        TDrawnLayer gain1 = Drawn(*display, 1), gain2 = Drawn(*display, 2);
        EXPECT_EQ(gain1.Name, "Ann.Lyr1_Ch1");
        EXPECT_EQ(gain1.Records, (std::vector<int>{1, 2}));
        EXPECT_EQ(gain2.Name, "Ann.Lyr2_Ch2");
        EXPECT_EQ(gain2.Records, (std::vector<int>{3, 4}));
        if (gain1.States.size() == 2 && gain2.States.size() == 2) {
            EXPECT_LT(gain1.States[1].Row, gain1.States[2].Row);
            EXPECT_LT(gain2.States[3].Row, gain2.States[4].Row);
        }
        QCoreApplication::processEvents();
        test::SaveScreenshot(*test::ShownMainWindow(), "measurements_gain_annotations.png");
        for (const char* line : {"Meas:ClearAll", "Meas:Ch1:XParam PosDuty ON"}) shell.ExecuteCommandString(line);
        ASSERT_TRUE(definedOnce());
        // The 100 MHz sine is high for half of each period: a duty of 50 %, and the width marks of the
        // first positive half-period lie half a period apart, the period being the span of the walk's
        // first and last crossings over their count less one.
        EXPECT_NEAR(list().Slot(0)->Value, 50, 1);
        EXPECT_EQ(Drawn(*display, 1).Records, (std::vector<int>{1, 2, 3, 4}));
        const TAnnLabelArray duty = list().Slot(0)->Annotation;
        QCoreApplication::processEvents();
        test::SaveScreenshot(*test::ShownMainWindow(), "measurements_duty_annotations.png");
        const std::string edges = duty[1].Text;
        const int count = std::atoi(edges.substr(edges.rfind('(') + 1).c_str());
        ASSERT_GT(count, 2) << edges;
        const double period = double(duty[2].X - duty[1].X) / (count - 1);
        EXPECT_NEAR(duty[4].X - duty[3].X, period / 2, 3);
        EXPECT_EQ(duty[3].Y, duty[1].Y) << "at the middle threshold";
        EXPECT_GE(duty[3].X, duty[1].X);
    });
    for (const std::string& asked : rig.Dialogs.Asked) ADD_FAILURE() << asked;
}

}  // namespace
}  // namespace vt
