#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowFeature.h"
#include "ui/SideMenu.h"
#include <fstream>
#include "core/Handlers.h"
#include "core/LanguageState.h"
#include "core/language_setup.h"
#include "core/temp_folder.h"
#include "link/UtilSettings.h"

namespace vt {
namespace {

using test::TRecordingLife;
using test::TScriptedDialogs;

class MordaStartUp : public ::testing::Test {
protected:
    // Position of an entry in the combined log of rows and steps.
    int At(const std::string& entry) const {
        const auto it = std::find(Log.begin(), Log.end(), entry);
        return it == Log.end() ? -1 : static_cast<int>(it - Log.begin());
    }

    TShell Shell;
    TRecordingLife Rec{Shell};
    TScriptedDialogs Dialogs;
    std::vector<std::string>& Log = Rec.Log;
};

TEST_F(MordaStartUp, AbsentInstrumentStartsOnceWithHiddenControlsAndNoRun) {
    test::RecordAllRows(Shell, Log);
    test::TTestWindow w(Shell, Rec, Dialogs);
    RegisterAllCommandHandlers(Shell);
    const int registered = static_cast<int>(Log.size());
    w.show();
    ASSERT_TRUE(test::RunLoopUntil([&] { return Shell.AcqEnabled; }));

    EXPECT_TRUE(Shell.AcqEnabled);
    EXPECT_FALSE(Shell.ApplyUnchangedValues());
    EXPECT_EQ(w.windowTitle().toStdString(), "Morvex.    Instrument not connected");
    EXPECT_EQ(Rec.Count("ReadIndividualData"), 0);
    EXPECT_EQ(Rec.Count("RecallDefaultSetup"), 0);
    EXPECT_EQ(Rec.Count("Execute *Run"), 0);
    EXPECT_EQ(Rec.Count("RefreshHelpCaptionAndCalibration"), 0);
    EXPECT_FALSE(w.MainMenuPanel().isVisible());
    EXPECT_FALSE(w.SystemControls().isVisible());
    EXPECT_FALSE(w.PermanentControls().isVisible());
    EXPECT_FALSE(w.SideCaptionPanel(LeftSide).isVisible());
    EXPECT_TRUE(w.SideMenusHidden());
    EXPECT_EQ(Rec.Count("SideMenusHidden"), 1);

    // The refresh ran once, after the registration, and the undefined text followed it.
    ASSERT_NE(Shell.CommandTree(), nullptr);
    EXPECT_TRUE(Shell.CommandTree()->RegistrationFinished());
    EXPECT_EQ(Rec.Count("RefreshChannelHandlers"), 1);
    EXPECT_EQ(Rec.Count("RefreshOEConvHandlers"), 0);
    EXPECT_EQ(Rec.Count("UpdateGeneratorControls"), 0);
    EXPECT_GT(At("RefreshChannelHandlers"), registered - 1);
    EXPECT_EQ(Shell.UndefinedText, "  Undefined");

    // Showing the window again must not run the start-up again.
    w.hide();
    w.show();
    test::RunLoopFor(30);
    Shell.AcqEnabled = false;  // even when the instrument start left the acquisition off
    w.hide();
    w.show();
    test::RunLoopFor(30);
    EXPECT_EQ(Rec.Count("RefreshChannelHandlers"), 1);
    EXPECT_EQ(Rec.Count("ApplyTimebaseModelLimits"), 1);
}

TEST_F(MordaStartUp, DeferredStartUpOpensChannelsLeftAndTimeBaseRightWithTheTimersRunning) {
    test::RecordAllRows(Shell, Log);
    Shell.StartInstrumentName = "Demo";
    Shell.StartInstrumentKind = TInstrumentLinkKind::Demo;
    test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, optOptics | optGenerators);
    test::TTestWindow w(Shell, Rec, Dialogs);
    RegisterAllCommandHandlers(Shell);
    Log.clear();
    Rec.StartUp();

    EXPECT_TRUE(w.FlagRegisterReadingTimer().isActive());
    EXPECT_TRUE(w.AutoCalTimer().isActive());
    EXPECT_TRUE(w.IdleHandlerInstalled());
    EXPECT_EQ(w.windowTitle().toStdString().rfind("Morvex    ", 0), 0u) << w.windowTitle().toStdString();
    EXPECT_TRUE(w.MainMenuPanel().isVisibleTo(&w));
    EXPECT_FALSE(w.SideMenusHidden());

    // Channels on the left, Time Base on the right.
    EXPECT_EQ(w.SideButton(LeftSide), &w.GetMainMenuButton(mkChannels));
    EXPECT_EQ(w.SideButton(RightSide), &w.GetMainMenuButton(mkTimebase));
    EXPECT_EQ(w.SideMenuCaption(LeftSide).toStdString(), "Channels");
    EXPECT_EQ(w.SideMenuCaption(RightSide).toStdString(), "Time Base");
    EXPECT_GE(Rec.Count("ShowSideMenu 0 1"), 1);
    EXPECT_GE(Rec.Count("ShowSideMenu 2 0"), 1);
}

TEST_F(MordaStartUp, IdentityReadFailureShowsItsErrorOverTheWindow) {
    Rec.IdentityReadOk = false;
    test::TTestWindow w(Shell, Rec, Dialogs);
    EXPECT_FALSE(Rec.StartInstrument(true));
    ASSERT_EQ(Dialogs.Asked.size(), 1u);
    EXPECT_EQ(Dialogs.Asked[0], "Error: Error Reading the Individual Information from the Instruments.");
    EXPECT_TRUE(w.MainMenuPanel().isVisibleTo(&w)) << "the main controls stay shown";
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST(GuiSetting, ModesShowHideAndLockTheWindowAndAreNotSaved) {
    TShell shell;
    test::TScriptedDialogs dialogs;
    TProgramLife life(shell);
    TMainWindowFeature feature;
    life.Install(feature);
    test::TRecordingUiFeature rec;
    life.Install(rec);
    TMorda_fr w(shell, life, dialogs);
    TKitContext kit([](std::string_view) -> THandler* { return nullptr; });
    TSideMenus menus(kit, &w);
    feature.WindowCreated(w, menus, kit);
    RegisterAllCommandHandlers(shell);
    w.show();
    ASSERT_TRUE(test::RunLoopUntil([&] { return shell.AcqEnabled; }));
    EXPECT_TRUE(std::none_of(shell.FactorySetup.begin(), shell.FactorySetup.end(),
                             [](const std::string& l) { return l.find("GUI") != std::string::npos; }));

    shell.ExecuteCommandString("Gui RemoteOnly");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isEnabled());
    EXPECT_TRUE(shell.GuiRemote);
    EXPECT_EQ(shell.ExecuteCommandString("Gui?"), "GUI REMOTEONLY");

    shell.ExecuteCommandString("Gui Invisible");
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(shell.GuiRemote);

    shell.ExecuteCommandString("Gui RemoteLocal");
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isEnabled());
    EXPECT_FALSE(shell.GuiRemote);
    test::RunLoopFor(20);
    EXPECT_EQ(rec.Count("SetInstrGuiReady"), 1) << "showing the window again starts nothing";
}

// A language chosen by "Shadow:Lang" is switched by the idle housekeeping, once, with the window's texts.
TEST(LanguageSwitch, TheHousekeepingSwitchesTheChosenLanguageOnce) {
    test::TempFolder temp;
    std::ofstream(temp / "Language-Vlt.Eng", std::ios::binary) << "[Common]\nCommon:Language=English\n";
    std::ofstream(temp / "Language-Vlt.Deu", std::ios::binary) << "[Common]\nCommon:Language=Deutsch\n";
    TShell shell;
    TLanguageSetup setup = test::QuietLanguageSetup(temp.Path());
    shell.SetLanguage(std::make_unique<TLanguageState>(std::move(setup)));
    shell.Language().InitLanguages();
    shell.SetCommandTree(CreateCommandTree());
    CreateUtilHandlers(shell);
    test::TScriptedDialogs dialogs;
    TProgramLife life(shell);
    TMainWindowFeature feature;
    life.Install(feature);
    TMorda_fr w(shell, life, dialogs);
    TKitContext kit([](std::string_view) -> THandler* { return nullptr; });
    TSideMenus menus(kit, &w);
    feature.WindowCreated(w, menus, kit);

    auto& lang = *dynamic_cast<TRadioSwHandler*>(shell.CommandTree()->Root().FindHandler("Shadow:Lang"));
    lang.SetItems("L1,L2");
    const int deu = shell.Language().Languages()->IndexOf("DEU");
    ASSERT_GE(deu, 0);
    ASSERT_NE(shell.Language().Languages()->ChosenIndex(), deu);
    lang.SetItemIndex(shell.Language().Languages()->ChosenIndex());  // as the Utility menu shows it
    shell.LanguageSwitchRequest = false;
    lang.SetItemIndexFromSwitcher(deu);
    ASSERT_TRUE(shell.LanguageSwitchRequest);
    shell.IdleHousekeeping.Run(shell);
    EXPECT_FALSE(shell.LanguageSwitchRequest);
    EXPECT_EQ(shell.Language().Languages()->ChosenIndex(), deu);
}

}  // namespace
}  // namespace vt
