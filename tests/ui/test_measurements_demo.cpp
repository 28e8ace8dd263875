// Automatic measurements in the demo program on the real engine: in Param, the period and peak-to-peak
// of Ch1 (the 100 MHz sine of about half a volt) and the positive width of Ch2 (its 1 ns pulse); then
// Statistic with four measurements, one of them drawn as its histicon.
// screenshots/measurements_demo.png shows that strip under the screens. Then the annotations of the gain
// of Ch2 over Ch1 and of Ch1's positive duty: screenshots/measurements_gain_annotations.png and
// screenshots/measurements_duty_annotations.png.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
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
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

bool Shown(TSignalRecords& r, int s) { return r.State(s) == srcUpToDate || r.State(s) == srcFresh; }

TEST(MeasurementsDemo, ParamValuesThenStatisticWithAHisticon) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    int phase = 0;
    double period = 0, pp = 0, width = 0;
    bool iconReady = false;
    auto list = [&shell]() -> TMeasList& {
        return dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().List();
    };
    auto defined = [&](int count) {
        for (int i = 0; i < count; ++i)
            if (!list().Slot(i) || IsUndefinedValue(list().Slot(i)->Value)) return false;
        return true;
    };
    rig.Run(180000, 5, [&] {
        if (!shell.AcqEnabled) return;
        TSignalRecords& r = *shell.Records();
        if (phase == 0 && shell.RunOn && Shown(r, ssCh1) && Shown(r, ssCh2)) {
            for (const char* line : {"Meas:Display Param", "Meas:Ch1:XParam Period ON", "Meas:Ch1:YParam PP ON",
                                     "Meas:Ch2:XParam PosWidth ON"})
                shell.ExecuteCommandString(line);
            phase = 1;
        } else if (phase == 1 && list().Count() == 3 && defined(3)) {
            period = list().Slot(0)->Value;
            pp = list().Slot(1)->Value;
            width = list().Slot(2)->Value;
            for (const char* line : {"Meas:Display Statistic", "Meas:StatMode Window", "Meas:Window 8",
                                     "Meas:Ch2:YParam Ampl ON"})
                shell.ExecuteCommandString(line);
            dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().Readouts().HandleMeasPopupCommand(
                "Histic", 0);
            phase = 2;
        } else if (phase == 2 && list().Count() == 4 && list().Slot(0)->Statistics &&
                   list().Slot(0)->Statistics->HistReady && list().Slot(3)->Statistics &&
                   list().Slot(3)->Statistics->Count > 2) {
            iconReady = true;
            QCoreApplication::processEvents();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = dynamic_cast<TMorda_fr*>(w)) {
                    test::SaveScreenshot(*m, "measurements_demo.png");
                    m->close();
                }
            phase = 3;
        }
    });
    ASSERT_EQ(phase, 3);
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    // The demo's Ch1 is a 100 MHz sine, its Ch2 a 1 ns pulse.
    EXPECT_NEAR(period, 10e-9, 10e-9 * 0.005);
    EXPECT_GE(pp, 0.495);
    EXPECT_LE(pp, 0.525);
    EXPECT_NEAR(width, 1e-9, 1e-9 * 0.02);
    EXPECT_TRUE(iconReady);
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
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    int phase = 0, polls = 0;
    TDrawnLayer gain1, gain2, duty;
    double dutyValue = 0;
    std::string dutyEdges;
    TAnnLabelArray dutyRecords;
    auto list = [&shell]() -> TMeasList& {
        return dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().List();
    };
    auto definedOnce = [&] { return list().Count() == 1 && !IsUndefinedValue(list().Slot(0)->Value); };
    auto screenshot = [](const char* name) {
        QCoreApplication::processEvents();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = dynamic_cast<TMorda_fr*>(w)) test::SaveScreenshot(*m, name);
    };
    rig.Run(180000, 20, [&] {
        auto* display = dynamic_cast<TScopeDisplayServices*>(&shell.Display());
        if (!shell.AcqEnabled || !display || !display->Panel()) return;
        TSignalRecords& r = *shell.Records();
        if (phase == 0 && shell.RunOn && Shown(r, ssCh1) && Shown(r, ssCh2)) {
            for (const char* line : {"Meas:Display Param", "Meas:ClearAll", "Meas:Ch1:YDualPar Gain ON"})
                shell.ExecuteCommandString(line);
            phase = 1;
        } else if (phase == 1 && definedOnce() && ++polls > 75) {
            gain1 = Drawn(*display, 1);
            gain2 = Drawn(*display, 2);
            screenshot("measurements_gain_annotations.png");
            for (const char* line : {"Meas:ClearAll", "Meas:Ch1:XParam PosDuty ON"}) shell.ExecuteCommandString(line);
            polls = 0;
            phase = 2;
        } else if (phase == 2 && definedOnce() && ++polls > 75) {
            duty = Drawn(*display, 1);
            dutyValue = list().Slot(0)->Value;
            dutyRecords = list().Slot(0)->Annotation;
            screenshot("measurements_duty_annotations.png");
            test::CloseMainWindows();
            phase = 3;
        }
    });
    ASSERT_EQ(phase, 3);
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    // Top and base of Ch1 on its point layer, of Ch2 on its level layer; each top above its base.
    EXPECT_EQ(gain1.Name, "Ann.Lyr1_Ch1");
    EXPECT_EQ(gain1.Records, (std::vector<int>{1, 2}));
    EXPECT_EQ(gain2.Name, "Ann.Lyr2_Ch2");
    EXPECT_EQ(gain2.Records, (std::vector<int>{3, 4}));
    if (gain1.States.size() == 2 && gain2.States.size() == 2) {
        EXPECT_LT(gain1.States[1].Row, gain1.States[2].Row);
        EXPECT_LT(gain2.States[3].Row, gain2.States[4].Row);
    }
    // The 100 MHz sine is high for half of each period: a duty of 50 %, and the width marks of the
    // first positive half-period lie half a period apart, the period being the span of the walk's
    // first and last crossings over their count less one.
    EXPECT_NEAR(dutyValue, 50, 1);
    EXPECT_EQ(duty.Records, (std::vector<int>{1, 2, 3, 4}));
    const std::string edges = dutyRecords[1].Text;
    const int count = std::atoi(edges.substr(edges.rfind('(') + 1).c_str());
    ASSERT_GT(count, 2) << edges;
    const double period = double(dutyRecords[2].X - dutyRecords[1].X) / (count - 1);
    EXPECT_NEAR(dutyRecords[4].X - dutyRecords[3].X, period / 2, 3);
    EXPECT_EQ(dutyRecords[3].Y, dutyRecords[1].Y) << "at the middle threshold";
    EXPECT_GE(dutyRecords[3].X, dutyRecords[1].X);
}

}  // namespace
}  // namespace vt
