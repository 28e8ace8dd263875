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
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

// Records the main block's calls of the features.
class TBlockRecorder : public test::TRecordingUiFeature {
public:
    TBlockRecorder(TShell& shell, std::vector<std::string>& log, bool& giveUp)
        : Shell_(shell), BlockLog_(log), GiveUp_(giveUp) {}
    void ShowSplash() override { BlockLog_.push_back("ShowSplash"); }
    void SplashStatus(const std::string& s) override {
        // The registration has run once the settings of the last registration row exist.
        if (!Registered_ && Shell_.CommandTree() && Shell_.CommandTree()->Root().FindHandler("Limit4:Res")) {
            Registered_ = true;
            BlockLog_.push_back("Registered");
        }
        BlockLog_.push_back("Status " + s);
    }
    void CloseSplash() override { BlockLog_.push_back("CloseSplash"); }
    void LoadInstrumentList() override { BlockLog_.push_back("LoadInstrumentList"); }
    bool StartStartInstrument() override {
        BlockLog_.push_back("StartInstrument");
        Shell_.StartInstrumentName = "Absent";
        return !GiveUp_;
    }
    void RegisterForms(TSideMenus&) override { BlockLog_.push_back("RegisterForms"); }
    void WindowCreated(TMorda_fr&, TSideMenus&, TKitContext&) override { BlockLog_.push_back("WindowCreated"); }

private:
    TShell& Shell_;
    std::vector<std::string>& BlockLog_;
    bool& GiveUp_;
    bool Registered_ = false;
};

class MainBlock : public ::testing::Test {
protected:
    void SetUp() override {
        Home = ProgramHome.Path();
        Args = {"--home", Home.string(), "Absent"};
        std::filesystem::create_directories(Home);
        std::ofstream(Home / "Language-Vlt.Eng") << "[Common]\nCommon:Language=English\n";
        // The program's own features, then the recorder.
        Life.Install(Rec);
    }
    test::TProgramHome ProgramHome;  // each test its own: the tests of a suite may run at once
    std::filesystem::path Home;
    std::vector<std::string> Args;
    std::vector<std::string> Log;
    bool GiveUp = false;
    TShell Shell;
    TProgramLife Life{Shell};
    test::TScriptedDialogs Dialogs;
    TProgramFeatures Features{Shell, Life, Dialogs, {"Absent"}, 0};
    TBlockRecorder Rec{Shell, Log, GiveUp};
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
    const int result = RunMainBlock(*app, Shell, Life, Args, Dialogs);
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
    EXPECT_NE(Shell.CommandTree()->Root().FindHandler("Limit4:Res"), nullptr) << "the registration ran whole";
    // "@Unit@" in a language text names the instrument in use.
    ASSERT_NE(Shell.Identity(), nullptr);
    Shell.Identity()->Identity.Year = 2008;
    EXPECT_EQ(Shell.LangStr("TBCalibrPerform"), "The Veltrane is ready to perform Time Base Calibration !");
    EXPECT_EQ(Log, (std::vector<std::string>{"ShowSplash", "LoadInstrumentList",
                                             "Status Start Without Connections", "StartInstrument", "Status Start in Demo Mode...",
                                             "Status Creating forms...", "RegisterForms", "WindowCreated",
                                             "Status Initialization Of All Vars And Handlers...",
                                             "Registered", "Status All done.", "CloseSplash"}));
}

TEST_F(MainBlock, GivingUpTheStartInstrumentEndsBeforeAnyWindow) {
    GiveUp = true;
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    // Offscreen nobody chose to end: the start failed, for the script that started the program.
    EXPECT_EQ(RunMainBlock(*app, Shell, Life, Args, Dialogs), 1);
    EXPECT_EQ(Log.back(), "CloseSplash");
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "WindowCreated"), 0);
    EXPECT_FALSE(Shell.RegistrationDone);
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST(MainBlockDataRoot, AFolderThatCannotBeCreatedEndsTheStartWithAMessage) {
    const test::TProgramHome home;
    const std::filesystem::path temp = home.Path();
    std::ofstream(temp / "file") << "not a folder";
    TShell shell;
    TProgramLife life(shell);
    test::TScriptedDialogs dialogs;
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    EXPECT_EQ(RunMainBlock(*app, shell, life, {"--home", (temp / "file" / "root").string(), "Absent"}, dialogs), 1);
    // Without a screen standard error alone says why, its last line.
    EXPECT_TRUE(dialogs.Asked.empty());
    EXPECT_EQ(shell.CommandTree(), nullptr) << "nothing else started";
}

}  // namespace
}  // namespace vt
