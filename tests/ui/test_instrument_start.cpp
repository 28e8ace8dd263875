#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/InstrumentConnection.h"
#include "support/FakeInstrument.h"
#include "ui/InstrumentStart.h"
#include "ui/MainBlock.h"
#include "ui/ResponsiveLinkClock.h"
#include "ui/MainWindow.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

// The program's start on the instrument its command line names, up to the caption of the window.
class InstrumentStart : public ::testing::Test {
protected:
    void SetUp() override {
        Home = ProgramHome.Path();
        std::filesystem::create_directories(Home);
        std::ofstream(Home / "Language-Vlt.Eng") << "[Common]\nCommon:Language=English\n";
    }
    // Runs the program until the instrument has started, then closes it; answers the caption.
    // switchTo: an instrument to switch to by command once started (its reply goes to SwitchReply).
    std::string Run(const std::string& choice, bool& started, const std::string& switchTo = {},
                    bool embedding = false) {
        TShell shell;
        TProgramLife life(shell);
        TInstrumentStart instruments(shell, life, Dialogs, {choice}, embedding);
        life.Install(instruments);
        test::TRecordingUiFeature rec;
        life.Install(rec);
        std::string caption;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!shell.AcqEnabled) return;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = dynamic_cast<TMorda_fr*>(w); m && m->isVisible()) {
                    if (!switchTo.empty()) {
                        FirstCaption = m->windowTitle().toStdString();
                        SwitchReply = shell.ExecuteCommandString("HEADER OFF;INSTR:CURRENT:SET " + switchTo);
                    }
                    caption = m->windowTitle().toStdString();
                    m->close();
                }
        });
        poll.start(5);
        auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
        RunMainBlock(*app, shell, life, {"--home", Home.string(), choice}, Dialogs);
        started = shell.AcqEnabled;
        Current = instruments.Instruments() ? instruments.Instruments()->CurrentName() : "";
        return caption;
    }
    test::TProgramHome ProgramHome;
    std::filesystem::path Home;
    test::TScriptedDialogs Dialogs;
    std::string Current;
    std::string FirstCaption;
    std::string SwitchReply;
};

TEST_F(InstrumentStart, AbsentStartsWithoutAnInstrument) {
    bool started = false;
    EXPECT_EQ(Run("Absent", started), "Morvex.    Instrument not connected");
    EXPECT_EQ(Current, "Absent");
    EXPECT_TRUE(std::filesystem::exists(Home / "Configuration.ini"));
}

TEST_F(InstrumentStart, TheDemoInstrumentStartsWithItsIdentity) {
    bool started = false;
    const std::string caption = Run("default_demo", started);
    EXPECT_EQ(Current, "Default Demo");
    EXPECT_TRUE(caption.starts_with("Morvex    ")) << caption;
    EXPECT_NE(caption.find("12 GHz"), std::string::npos) << caption;
}

TEST_F(InstrumentStart, ALanEntryConnectsToTheInstrumentAtItsAddress) {
    test::TFakeInstrument fake(InstrumentTcpPort);
    if (!fake.Listening()) GTEST_SKIP() << "the instrument port is taken on this machine";
    std::ofstream(Home / "Configuration.ini")
        << "[Instrument1 Instrument]\nName=Bench Scope\nInterface=LAN\nIP Address=127.0.0.1\n";
    bool started = false;
    const std::string caption = Run("Bench_Scope", started);
    EXPECT_EQ(Current, "Instrument1");
    EXPECT_TRUE(caption.starts_with("Morvex    ")) << caption;
    EXPECT_TRUE(fake.WaitForLine("Info:IndivData?"));
}

TEST_F(InstrumentStart, StartedToServeAutomationAnUnreachableInstrumentFallsBackWithoutADialog) {
    // Nothing listens at the instrument port of this address.
    std::ofstream(Home / "Configuration.ini")
        << "[Instrument1 Instrument]\nName=\nInterface=LAN\nIP Address=127.0.0.2\n";
    bool started = false;
    EXPECT_EQ(Run("Instrument1", started, {}, true), "Morvex.    Instrument not connected");
    EXPECT_TRUE(started) << "the program runs on, ready for its automation client";
    EXPECT_EQ(Current, "Absent");
    for (const std::string& asked : Dialogs.Asked)
        EXPECT_EQ(asked.find("didn't link"), std::string::npos) << asked;
}

TEST_F(InstrumentStart, ACommandSwitchesTheRunningProgramToAnotherInstrument) {
    bool started = false;
    const std::string caption = Run("Absent", started, "DEFAULT_DEMO");
    EXPECT_EQ(FirstCaption, "Morvex.    Instrument not connected");
    EXPECT_EQ(SwitchReply, " OK");
    EXPECT_EQ(Current, "Default Demo");
    EXPECT_TRUE(caption.starts_with("Morvex    ")) << caption;
    EXPECT_TRUE(started) << "the new instrument runs";
}

TEST(ResponsiveLinkClock, WaitsOfASwitchKeepTheEventLoopTurning) {
    TResponsiveLinkClock clock;
    bool fired = false;
    QTimer::singleShot(0, [&] { fired = true; });
    clock.SleepMs(5);
    EXPECT_FALSE(fired) << "outside a switch a wait sleeps";
    clock.SetResponsive(true);
    clock.SleepMs(20);
    EXPECT_TRUE(fired);
}

}  // namespace
}  // namespace vt
