// Automatic measurements in the demo program on the real engine: in Param, the period and peak-to-peak
// of Ch1 (the 100 MHz sine of about half a volt) and the positive width of Ch2 (its 1 ns pulse); then
// Statistic with four measurements, one of them drawn as its histicon.
// screenshots/measurements_demo.png shows that strip under the screens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cmath>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/Numeric.h"
#include "core/Shell.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

bool Shown(TSignalRecords& r, int s) { return r.State(s) == srcUpToDate || r.State(s) == srcFresh; }

TEST(MeasurementsDemo, ParamValuesThenStatisticWithAHisticon) {
    const test::TProgramHome programHome;
    TShell shell;
    TProgramLife life(shell);
    test::TScriptedDialogs dialogs;
    TProgramFeatures features(shell, life, dialogs, {"Default_Demo"}, 0);
    int phase = 0;
    double period = 0, pp = 0, width = 0;
    bool iconReady = false;
    QTimer poll;
    auto list = [&shell]() -> TMeasList& {
        return dynamic_cast<TScopeAnalysisServices&>(shell.Analysis()).Measurements().List();
    };
    auto defined = [&](int count) {
        for (int i = 0; i < count; ++i)
            if (!list().Slot(i) || IsUndefinedValue(list().Slot(i)->Value)) return false;
        return true;
    };
    QObject::connect(&poll, &QTimer::timeout, [&] {
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
    poll.start(5);
    QTimer::singleShot(180000, [] { QCoreApplication::exit(3); });
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(RunMainBlock(*app, shell, life, {"--home", programHome.Path().string(), "Default_Demo"}, dialogs), 0);
    ASSERT_EQ(phase, 3);
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    // The demo's Ch1 is a 100 MHz sine, its Ch2 a 1 ns pulse.
    EXPECT_NEAR(period, 10e-9, 10e-9 * 0.005);
    EXPECT_GE(pp, 0.495);
    EXPECT_LE(pp, 0.525);
    EXPECT_NEAR(width, 1e-9, 1e-9 * 0.02);
    EXPECT_TRUE(iconReady);
}

}  // namespace
}  // namespace vt
