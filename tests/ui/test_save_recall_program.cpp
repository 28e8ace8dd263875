// The demo program's setups and memories: the "Factory" list is taken before the instrument start,
// the user's default setup is recalled at the start, the memory files are loaded, and the close
// writes the power-off setup.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "UiTestSupport.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

TEST(SaveRecallProgram, FactoryDefaultMemoriesAndPowerOffOnTheDemo) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    const std::filesystem::path& home = rig.Home.Path();
    fs::create_directories(home / "Setup Files");
    std::ofstream(home / "Setup Files" / "~SetpDefaultForDefaultDemo.set") << "SAVE:DISK:NAMEMODE AUTO\n";
    TSignalObj memory;
    ASSERT_TRUE(memory.SaveBinary(home / "~memzona.no3"));

    bool checked = false;
    rig.Run(60000, 5, [&] {
        if (!shell.AcqEnabled || checked) return;
        checked = true;
        EXPECT_NE(std::find(shell.FactorySetup.begin(), shell.FactorySetup.end(), "SAVE:DISK:NAMEMODE MANUAL"),
                  shell.FactorySetup.end())
            << "taken before the default setup was recalled";
        EXPECT_EQ(shell.ExecuteCommandString("Save:Disk:NameMode?"), "SAVE:DISK:NAMEMODE AUTO");
        EXPECT_TRUE(shell.Records()->SignalsOn().IsOn(ssM3));
        EXPECT_FALSE(shell.Records()->SignalsOn().IsOn(ssM1));
        test::CloseMainWindows();
    });
    EXPECT_TRUE(checked);
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
    std::ifstream powerOff(home / "Setup Files" / "~SetpPwrOffForDefaultDemo.set");
    std::string text((std::istreambuf_iterator<char>(powerOff)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("SAVE:DISK:NAMEMODE AUTO\n"), std::string::npos);
}

}  // namespace
}  // namespace vt
