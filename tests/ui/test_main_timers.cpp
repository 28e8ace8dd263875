#include <gtest/gtest.h>

#include <QMetaObject>
#include <QTimer>

#include "UiTestSupport.h"
#include "core/Shell.h"
#include "link/InstrumentLink.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

void Tick(QTimer& timer) { ASSERT_TRUE(QMetaObject::invokeMethod(&timer, "timeout", Qt::DirectConnection)); }

class MainTimers : public ::testing::Test {
protected:
    TShell Shell;
    test::TRecordingLife Rec{Shell};
    test::TScriptedDialogs Dialogs;
};

TEST_F(MainTimers, TimersFollowTheRequestsAfterEachIdleCall) {
    struct TPanel : TDisplayServices {
        bool PanelExists() const override { return true; }
        void AgePersistence() override { ++Aged; }
        bool HasHistoryLayers() const override { return History; }
        int Aged = 0;
        bool History = false;
    };
    auto panel = std::make_unique<TPanel>();
    TPanel& p = *panel;
    Shell.SetDisplayServices(std::move(panel));
    test::TTestWindow w(Shell, Rec, Dialogs);
    EXPECT_FALSE(w.PersistTimer().isActive());
    EXPECT_FALSE(w.FlagRegisterReadingTimer().isActive()) << "off until the start-up enables it";
    EXPECT_FALSE(w.AutoCalTimer().isActive());
    EXPECT_EQ(w.PersistTimer().interval(), 16);
    EXPECT_EQ(w.FlagRegisterReadingTimer().interval(), 1500);
    EXPECT_EQ(w.AutoCalTimer().interval(), 5000);

    Shell.RunOn = true;
    Shell.FlagRegisterReadingEnabled = true;
    Shell.AutoCalTimerEnabled = true;
    w.MyIdleHandler();
    EXPECT_FALSE(w.PersistTimer().isActive()) << "dots and vectors keep no time: nothing ticks for them";
    p.History = true;
    w.MyIdleHandler();
    EXPECT_TRUE(w.PersistTimer().isActive());
    EXPECT_TRUE(w.FlagRegisterReadingTimer().isActive());
    EXPECT_TRUE(w.AutoCalTimer().isActive());

    Tick(w.PersistTimer());
    EXPECT_EQ(p.Aged, 1);
    Shell.RunOn = false;
    Tick(w.PersistTimer());
    EXPECT_EQ(p.Aged, 1) << "persistence ages only while Run is on";
    w.MyIdleHandler();
    EXPECT_FALSE(w.PersistTimer().isActive()) << "no ticking while nothing ages";
    test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, 0);
    Shell.Link()->SetAcquisitionRunning(true);
    w.MyIdleHandler();
    Tick(w.PersistTimer());
    EXPECT_TRUE(w.PersistTimer().isActive() && p.Aged == 2) << "autoscale acquires with Run off";
    Shell.Link()->SetAcquisitionRunning(false);

    Shell.FlagRegisterReadingEnabled = false;
    w.MyIdleHandler();
    EXPECT_FALSE(w.FlagRegisterReadingTimer().isActive());
}

TEST_F(MainTimers, AutoCalibrationTickRaisesTheRequestOnceAndStops) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    Shell.AutoCalTimerEnabled = true;
    w.MyIdleHandler();
    Tick(w.AutoCalTimer());
    EXPECT_TRUE(Shell.AutoCalRequest);
    EXPECT_FALSE(Shell.AutoCalTimerEnabled);
    EXPECT_FALSE(w.AutoCalTimer().isActive());
}

TEST_F(MainTimers, FlagRegisterPollChecksPatternLockOnlyWithTheOption) {
    test::TTestWindow w(Shell, Rec, Dialogs);
    Rec.Log.clear();
    Tick(w.FlagRegisterReadingTimer());
    test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, optPatSyncTrig);
    Tick(w.FlagRegisterReadingTimer());
    EXPECT_EQ(Rec.Log, (std::vector<std::string>{"Indicator 0", "Recheck false", "Indicator 0"}));
}

TEST_F(MainTimers, JitterPlotNotificationsClearOrRedrawTheirPlot) {
    struct TJitter : TSerialServices {
        bool JitterAnalyserExists() const override { return true; }
        void JitterDrawPlot(int plot, int kind, int value) override {
            Drawn.push_back(std::to_string(plot) + "," + std::to_string(kind) + "," + std::to_string(value));
        }
        std::vector<std::string> Drawn;
    };
    auto jitter = std::make_unique<TJitter>();
    TJitter& j = *jitter;
    const std::vector<int>& cleared = Rec.Rec.ClearedJitterPlots;
    test::TTestWindow w(Shell, Rec, Dialogs);
    w.JitterPlotMessage(1, 3, 99);  // no analyser yet
    Shell.SetSerialServices(std::move(jitter));
    w.JitterPlotMessage(0, 4, 0);
    w.JitterPlotMessage(1, 3, 99);
    w.JitterPlotMessage(2, 6, 42);
    w.JitterPlotMessage(2, 7, 42);  // there are seven plots
    EXPECT_EQ(cleared, std::vector<int>{4});
    EXPECT_EQ(j.Drawn, (std::vector<std::string>{"3,1,-1", "6,2,42"}));
}

}  // namespace
}  // namespace vt
