#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "core/temp_folder.h"
#include "core/LanguageState.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "link/InstrumentIdentity.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

class MainBlock : public ::testing::Test {
protected:
    void SetUp() override {
        Home = Temp / "home";
        Args = {"--home", Home.string(), "Absent"};
        std::filesystem::create_directories(Home);
        std::ofstream(Home / "Language-Vlt.Eng") << "[Common]\nCommon:Language=English\n";
        setenv("XDG_CONFIG_HOME", (Home / "config").c_str(), 1);
        Block.ShowSplash = [this] { Log.push_back("ShowSplash"); };
        Block.SplashStatus = [this](const std::string& s) { Log.push_back("Status " + s); };
        Block.CloseSplash = [this] { Log.push_back("CloseSplash"); };
        Block.LoadInstrumentList = [this] { Log.push_back("LoadInstrumentList"); };
        Block.StartInstrument = [this](const std::vector<std::string>& args) {
            Log.push_back("StartInstrument " + std::to_string(args.size()));
            Shell.StartInstrumentName = "Absent";
            return GiveUp == false;
        };
        Block.WindowCreated = [this](TMorda_fr&) { Log.push_back("WindowCreated"); };
        Shell.Registration.Add(TRegistrationRow::RegisterMainCommands,
                               [this](TShell&) { Log.push_back("RegisterMainCommands"); });
    }
    test::TempFolder Temp;  // each test its own: the tests of a suite may run at once
    std::filesystem::path Home;
    std::vector<std::string> Args;
    std::vector<std::string> Log;
    bool GiveUp = false;
    TShell Shell;
    TMainBlockSteps Block;
    test::TRecordingSteps Rec;
    test::TScriptedDialogs Dialogs;
};

TEST_F(MainBlock, StartsInOrderRunsTheLoopAndEndsThroughTheCloseQuery) {
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    // Once the deferred start-up has run, the user closes the window.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] {
        if (!Shell.AcqEnabled) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = dynamic_cast<TMorda_fr*>(w); m && m->isVisible()) m->close();
    });
    poll.start(5);
    const int result = RunMainBlock(*app, Shell, Args, Block, Rec.Steps, Dialogs);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(Shell.ProgramEnded);
    EXPECT_TRUE(Shell.MainWindowClosing);
    EXPECT_EQ(Rec.Count("SavePowerOffSetup"), 1);
    EXPECT_EQ(Shell.Folders.InstallFolder, Home.generic_string() + "/");
    EXPECT_TRUE(std::filesystem::is_directory(Home / "Setup Files"));
    ASSERT_NE(Shell.Language().Languages(), nullptr) << "the languages of the data root";
    EXPECT_EQ(Shell.Language().Languages()->Code(0), "ENG");
    ASSERT_NE(Shell.Records(), nullptr);
    ASSERT_NE(Shell.CommandTree(), nullptr);
    EXPECT_NE(Shell.CommandTree()->Root().FindHandler("Wfm:Source"), nullptr) << "the built features' rows ran";
    EXPECT_NE(Shell.CommandTree()->Root().FindHandler("Gui"), nullptr);
    // "@Unit@" in a language text names the instrument in use.
    ASSERT_NE(Shell.Identity(), nullptr);
    Shell.Identity()->Identity.Year = 2008;
    EXPECT_EQ(Shell.LangStr("TBCalibrPerform"), "The Veltrane is ready to perform Time Base Calibration !");
    EXPECT_EQ(Log, (std::vector<std::string>{"ShowSplash", "LoadInstrumentList",
                                             "StartInstrument 1", "Status Start in Demo Mode...",
                                             "Status Creating forms...", "WindowCreated",
                                             "Status Initialization Of All Vars And Handlers...",
                                             "RegisterMainCommands", "Status All done.", "CloseSplash"}));
}

TEST_F(MainBlock, GivingUpTheStartInstrumentEndsBeforeAnyWindow) {
    GiveUp = true;
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    EXPECT_EQ(RunMainBlock(*app, Shell, Args, Block, Rec.Steps, Dialogs), 0);
    EXPECT_EQ(Log.back(), "CloseSplash");
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "WindowCreated"), 0);
    EXPECT_FALSE(Shell.RegistrationDone);
}

}  // namespace
}  // namespace vt
