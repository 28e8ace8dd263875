// The pattern-length search in the demo program (an identity with the pattern-sync option, generator A
// sending PRBS7 to Ch1): the list 63, 127, 255 finds 127 and every other setting is as before; a list
// without it shows "PatternNOTFound" and the lock goes Off. A mask loaded before the search is gone
// while it runs and comes back whole with the search's undo step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <string>
#include <fstream>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/InstrumentIdentity.h"
#include "serial/ScopeSerialServices.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"
#include "ui/dialogs/FindPatternTrigForm.h"

namespace vt {
namespace {

// Every saved setting but the trigger's, which the search's result sets.
std::vector<std::string> OtherSettings(TShell& shell) {
    std::vector<std::string> others;
    for (const std::string& line : test::AllSettings(shell))
        if (line.rfind("Trig:", 0) != 0 && line.rfind("TRIG:", 0) != 0) others.push_back(line);
    return others;
}

TEST(PatternSearchDemo, FindsPrbs7AndAnExhaustedListTurnsTheLockOff) {
    test::TProgramRig rig;
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    const std::filesystem::path& home = rig.Home.Path();
    std::ofstream(home / "~PatternLentgth.lst") << "63\n127\n255\n";
    int length = 0, lockAfterFailure = -1;
    std::vector<std::string> before, after;
    std::size_t askedBefore = 0;
    std::string maskBefore, maskAfter;
    int polygonsDuringSearch = -1;
    int formSeen = 0;
    std::pair<double, double> setupScales;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = dynamic_cast<TfrmFindPatternTrig*>(w); f && f->isVisible() && formSeen++ == 0) {
                EXPECT_TRUE(test::TextsThatDoNotFit(*f).empty());
                polygonsDuringSearch = shell.Serial().MaskPolygonCount();
                // The set-up's time scales: 32 and 3.2 bits per division.
                setupScales = {ReadRealSetting(shell.CommandTree(), "TB:ScaleA", -1),
                               ReadRealSetting(shell.CommandTree(), "TB:ScaleB", -1)};
                test::SaveScreenshot(*f, "find_pattern_trigger.png");
            }
    });
    watch.start(5);
    bool searched = false;
    rig.RunSteps(120000, [&] {
        TCommandTree* tree = shell.CommandTree();
        TInstrumentIdentity& id = shell.Identity()->Identity;
        if (id.ModelType == 0) id.ModelType = 1;
        id.Options |= optPatSyncTrig;
        shell.ExecuteCommandString("Ch2:Display OFF");
        shell.ExecuteCommandString("GSS:A:Waweform PRBS");
        shell.ExecuteCommandString("GSS:A:PrbsLength 7");
        shell.ExecuteCommandString("GSS:A:Frequency 1e9");
        shell.ExecuteCommandString("Trig:PattLen 200");
        tree->ExecuteCommandString(std::string("NOGPIB:Mask ") + test::kStoredMask, true);
        maskBefore = test::MaskState(shell);
        before = OtherSettings(shell);
        askedBefore = dialogs.Asked.size();
        shell.ExecuteCommandString("Trig:PatternLockMode AutoDetect");
        length = static_cast<int>(ReadRealSetting(tree, "Trig:PattLen", -1));
        after = OtherSettings(shell);
        maskAfter = test::MaskState(shell);
        ASSERT_TRUE(rig.CountOn(1));
        shell.ExecuteCommandString("Trig:PatternLockMode Off");
        std::ofstream(home / "~PatternLentgth.lst") << "63\n255\n";
        shell.StartUpSteps.RunRow(shell, TStartUpRow::LoadPatternLengthList);
        shell.ExecuteCommandString("Trig:PatternLockMode AutoDetect");
        lockAfterFailure = ReadChoiceSetting(tree, "Trig:PatternLockMode", -1);
        searched = true;
    });
    ASSERT_TRUE(searched);
    EXPECT_GT(formSeen, 0);
    EXPECT_NEAR(setupScales.first, 3.2e-8, 1e-15);
    EXPECT_NEAR(setupScales.second, 3.2e-9, 1e-16);
    EXPECT_EQ(length, 127);
    EXPECT_EQ(after, before);
    EXPECT_EQ(maskBefore, test::kStoredMask);
    EXPECT_EQ(polygonsDuringSearch, 0);
    EXPECT_EQ(maskAfter, maskBefore);
    ASSERT_GT(dialogs.Asked.size(), askedBefore);
    EXPECT_EQ(dialogs.Asked.back(), "Error: Pattern NOT found");
    EXPECT_EQ(lockAfterFailure, 0);
}

}  // namespace
}  // namespace vt
