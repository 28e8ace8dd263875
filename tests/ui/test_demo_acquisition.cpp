// The demo program acquiring headless: Run fills Ch1 with the simulated sine and Ch2 with the pulse,
// a hundred breaks and restarts in the middle of passes never trip the engine, and Single fills both
// channels once and ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/InstrumentLink.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

struct TSpan {
    double Min = 0, Max = 0;
};

TSpan SpanOf(const TSignalObj& record) {
    TSpan s{record.GetPoint(0), record.GetPoint(0)};
    for (int i = 1; i < record.Length(); ++i) {
        s.Min = std::min(s.Min, record.GetPoint(i));
        s.Max = std::max(s.Max, record.GetPoint(i));
    }
    return s;
}

TEST(DemoAcquisition, RunAndSingleFillBothChannelsThroughBreaks) {
    const test::TempFolder temp;
    const auto home = temp.Path() / "home";
    std::filesystem::create_directories(home);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    TShell shell;
    TProgramLife life(shell);
    test::TScriptedDialogs dialogs;
    const std::vector<std::string> args = {"--home", home.string(), "Default_Demo"};
    TProgramFeatures features(shell, life, dialogs, {"Default_Demo"}, 0);

    TSignalRecords* records = nullptr;
    auto bothUpToDate = [&] {
        return records->State(ssCh1) == srcUpToDate && records->State(ssCh2) == srcUpToDate;
    };
    int phase = 0, breaks = 0;
    TSpan runCh1, runCh2, singleCh1, singleCh2;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!shell.AcqEnabled || !shell.Records()) return;
        records = shell.Records();
        switch (phase) {
            case 0:  // Run started with the instrument: wait for a cycle of both channels.
                if (!shell.RunOn || !bothUpToDate()) return;
                runCh1 = SpanOf(records->Record(ssCh1));
                runCh2 = SpanOf(records->Record(ssCh2));
                phase = 1;
                return;
            case 1:  // Breaks at any point of a cycle, and stops with a new Run.
                if (breaks % 2 == 0) {
                    shell.Link()->BreakAcquisition(true);
                } else {
                    shell.ExecuteCommandString("*StopSingle Stop");
                    shell.ExecuteCommandString("*Run");
                }
                if (++breaks == 100) phase = 2;
                return;
            case 2:
                shell.ExecuteCommandString("*StopSingle Stop");
                for (int s : {ssCh1, ssCh2}) {
                    records->SetState(s, srcOff);
                    for (int i = 0; i < records->Record(s).Length(); ++i) records->Record(s).SetPoint(i, 0);
                }
                shell.ExecuteCommandString("*StopSingle Single");
                phase = 3;
                return;
            case 3:
                if (shell.SingleOn || !bothUpToDate()) return;
                singleCh1 = SpanOf(records->Record(ssCh1));
                singleCh2 = SpanOf(records->Record(ssCh2));
                phase = 4;
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* m = dynamic_cast<TMorda_fr*>(w)) m->close();
                return;
            default:
                return;
        }
    });
    poll.start(5);
    QTimer::singleShot(60000, [] { QCoreApplication::exit(3); });
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(RunMainBlock(*app, shell, life, args, dialogs), 0);
    poll.stop();
    ASSERT_EQ(phase, 4);
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    // The sine of 0.5 V peak to peak, the pulse from 0 to 0.5 V (with the simulator's noise).
    for (const TSpan& ch1 : {runCh1, singleCh1}) EXPECT_NEAR(ch1.Max - ch1.Min, 0.5, 0.06);
    for (const TSpan& ch2 : {runCh2, singleCh2}) {
        EXPECT_NEAR(ch2.Min, 0, 0.04);
        EXPECT_NEAR(ch2.Max, 0.5, 0.04);
    }
    EXPECT_FALSE(shell.SingleOn);
}

}  // namespace
}  // namespace vt
