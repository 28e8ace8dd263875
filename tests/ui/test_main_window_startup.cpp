#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "core/UndoBuffer.h"
#include "ui/FeatureRows.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentIdentity.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

using test::TRecordingSteps;
using test::TScriptedDialogs;

class MordaStartUp : public ::testing::Test {
protected:
    // Position of an entry in the combined log of rows and steps.
    int At(const std::string& entry) const {
        const auto it = std::find(Log.begin(), Log.end(), entry);
        return it == Log.end() ? -1 : static_cast<int>(it - Log.begin());
    }

    TShell Shell;
    TRecordingSteps Rec;
    TScriptedDialogs Dialogs;
    std::vector<std::string>& Log = Rec.Log;
};

TEST_F(MordaStartUp, AbsentInstrumentStartsOnceWithHiddenControlsAndNoRun) {
    test::RecordAllRows(Shell, Log);
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
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

TEST_F(MordaStartUp, DeferredStartUpRunsItsStepsInOrder) {
    test::RecordAllRows(Shell, Log);
    Shell.StartInstrumentName = "Demo";
    Shell.StartInstrumentKind = TInstrumentLinkKind::Demo;
    test::GiveInstrument(Shell, TInstrumentLinkKind::Demo, optOptics | optGenerators);
    Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    Shell.Records()->SetState(0, srcFresh);
    Shell.Records()->SetState(13, srcUpToDate);
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    RegisterAllCommandHandlers(Shell);
    Log.clear();
    w.StartUp();

    const std::vector<std::string> order = {
        "PushHint Version 2_4_4 (2011-03-01) 5000",
        "BindSwitchersOfStrips",
        "InitSourceSwitcherItems",
        "ReadIndividualData",
        "ApplyTimebaseModelLimits",
        "CreateRampDACSelectHandler",
        "SetModelAdjustLimits",
        "RefreshHelpCaptionAndCalibration",
        "RecallDefaultSetup",
        "RefreshChannelHandlers",
        "RefreshOEConvHandlers",
        "UpdateGeneratorControls",
        "RefreshTDRHandlers",
        "ClearTimebaseCalMode",
        "UpdateHoldoffTracking",
        "ResendInstrumentSettings",
        "Execute *Run",
        "LoadMemoriesFromDisk",
        "LoadPatternLengthList",
        "SetInstrGuiReady",
    };
    int last = -1;
    for (const auto& step : order) {
        const int at = At(step);
        EXPECT_GT(at, last) << step;
        last = std::max(last, at);
    }
    EXPECT_EQ(Shell.FactorySetup, std::vector<std::string>{"TB:MODE B"});
    EXPECT_EQ(Shell.Records()->State(0), srcOff) << "every record starts off";
    EXPECT_EQ(Shell.Records()->State(13), srcOff);
    EXPECT_TRUE(Shell.AcqEnabled);
    EXPECT_TRUE(Shell.FlagRegisterReadingEnabled);
    EXPECT_TRUE(w.FlagRegisterReadingTimer().isActive());
    EXPECT_TRUE(w.AutoCalTimer().isActive());
    EXPECT_TRUE(w.IdleHandlerInstalled());
    EXPECT_EQ(w.windowTitle().toStdString().rfind("Morvex    ", 0), 0u) << w.windowTitle().toStdString();
    EXPECT_TRUE(w.MainMenuPanel().isVisibleTo(&w));
    EXPECT_FALSE(w.SideMenusHidden());

    // Channels on the left, Time Base on the right.
    EXPECT_EQ(w.SideButton(LeftSide), &w.GetMainMenuButton(0));
    EXPECT_EQ(w.SideButton(RightSide), &w.GetMainMenuButton(2));
    EXPECT_EQ(w.SideMenuCaption(LeftSide).toStdString(), "Channels");
    EXPECT_EQ(w.SideMenuCaption(RightSide).toStdString(), "Time Base");
    EXPECT_GE(Rec.Count("ShowSideMenu 0 1"), 1);
    EXPECT_GE(Rec.Count("ShowSideMenu 2 0"), 1);
}

TEST_F(MordaStartUp, ShiftSuppressesOnlyTheUsersDefaultSetup) {
    Shell.ShiftAtStart = true;
    test::RecordAllRows(Shell, Log);
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    RegisterAllCommandHandlers(Shell);
    ASSERT_TRUE(w.StartInstrument(true));
    EXPECT_EQ(Rec.Count("RecallDefaultSetup"), 0);
    EXPECT_EQ(Rec.Count("ResendInstrumentSettings"), 1);
    EXPECT_EQ(Rec.Count("Execute *Run"), 1);
}

TEST_F(MordaStartUp, IdentityReadFailureStopsTheStartWithTheAcquisitionOff) {
    Rec.IdentityReadOk = false;
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    EXPECT_FALSE(w.StartInstrument(true));
    EXPECT_FALSE(Shell.AcqEnabled);
    ASSERT_EQ(Dialogs.Asked.size(), 1u);
    EXPECT_EQ(Dialogs.Asked[0], "Error: Error Reading the Individual Information from the Instruments.");
    EXPECT_EQ(Rec.Count("ResendInstrumentSettings"), 0);
    EXPECT_EQ(Rec.Count("Execute *Run"), 0);
    EXPECT_TRUE(w.MainMenuPanel().isVisibleTo(&w)) << "the main controls stay shown";
}

TEST_F(MordaStartUp, StopAndRestartOfAnInstrumentKeepsTheRegistrationAndRenewsTheUndoBuffer) {
    test::RecordAllRows(Shell, Log);
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    RegisterAllCommandHandlers(Shell);
    ASSERT_TRUE(w.StartInstrument(true));
    const TUndoBuffer* first = Shell.UndoBuffer();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->Enabled()) << "recording starts with the instrument";
    w.StopInstrument();
    EXPECT_EQ(Shell.UndoBuffer(), nullptr) << "undo history does not cross instruments";
    EXPECT_EQ(Rec.Count("Execute *StopSingle Stop (stop under way)"), 1);
    EXPECT_FALSE(Shell.StopInProgress);
    EXPECT_FALSE(Shell.AcqEnabled);
    EXPECT_TRUE(Shell.ApplyUnchangedValues()) << "stays on until the next start";

    ASSERT_TRUE(w.StartInstrument(false));
    EXPECT_FALSE(Shell.ApplyUnchangedValues());
    ASSERT_NE(Shell.UndoBuffer(), nullptr);
    EXPECT_TRUE(Shell.UndoBuffer()->Enabled());
    EXPECT_EQ(Rec.Count("RegisterMainCommands"), 1);
    EXPECT_EQ(Rec.Count("SetModelAdjustLimits"), 2);
    EXPECT_EQ(Rec.Count("RefreshChannelHandlers"), 2);
}

TEST_F(MordaStartUp, AStartWithoutAnInstrumentClearsTheIdentityOfTheLastOne) {
    Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
    Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), "")));
    Shell.Identity()->Identity.ModelType = 4;
    Shell.Identity()->Identity.Options = 0xFF;
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    RegisterAllCommandHandlers(Shell);
    ASSERT_TRUE(w.StartInstrument(false));
    EXPECT_EQ(Shell.Identity()->Identity.ModelType, 0);
    EXPECT_FALSE(Shell.Identity()->Identity.HasOptLAN());
    EXPECT_FALSE(Shell.Identity()->Identity.HasOptOptics());
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

TEST(GuiSetting, ModesShowHideAndLockTheWindowAndAreNotSaved) {
    TShell shell;
    test::TRecordingSteps rec;
    test::TScriptedDialogs dialogs;
    TMorda_fr w(shell, rec.Steps, dialogs);
    InstallFeatureRows(shell, w);
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

}  // namespace
}  // namespace vt
