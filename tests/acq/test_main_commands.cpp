#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "acq/MainCommands.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"

using namespace vt;

namespace {

using TLog = std::vector<std::string>;

struct TFakeWindow : TMainCommandWindow {
    explicit TFakeWindow(TLog& log) : Log(log) {}
    void CopyScreenToClipboard(int kind) override { Log.push_back("Copy " + std::to_string(kind)); }
    void PrintWindow(bool ask) override { Log.push_back(ask ? "Print asking" : "Print at once"); }
    bool PrinterSetup() override {
        Log.push_back("PrinterSetup");
        return SetupShown;
    }
    void EnterContextHelp() override { Log.push_back("ContextHelp"); }
    void ShowAbout() override { Log.push_back("About"); }
    void ShowHelpContext(int context) override { Log.push_back("Help " + std::to_string(context)); }
    TLog& Log;
    bool SetupShown = true;
};

struct TFakeSteps : TMainCommandSteps {
    explicit TFakeSteps(TLog& log) : Log(log) {}
    void SetRedrawFlags() override { Log.push_back("SetRedrawFlags"); }
    bool StartAutoScale(int kind) override {
        Log.push_back("AutoScale " + std::to_string(kind));
        return AutoScaleStarts;
    }
    void StopDatabase() override { Log.push_back("StopDatabase"); }
    void RecallSetup(int kind, bool showErrors) override {
        Log.push_back("Recall " + std::to_string(kind) + (showErrors ? " shown" : " silent"));
    }
    bool SaveSetup(int kind, bool showErrors) override {
        Log.push_back("Save " + std::to_string(kind) + (showErrors ? " shown" : " silent"));
        return SaveSucceeds;
    }
    void SaveTimebaseDelays() override { Log.push_back("SaveDelays"); }
    void RestoreTimebaseDelays() override { Log.push_back("RestoreDelays"); }
    TLog& Log;
    bool SaveSucceeds = true;
    bool AutoScaleStarts = true;
};

struct TFakeDisplay : TDisplayServices {
    explicit TFakeDisplay(TLog& log) : Log(log) {}
    void RecreateScreens() override { Log.push_back("RecreateScreens"); }
    void InvalidateHisticons() override { Log.push_back("InvalidateHisticons"); }
    void TopTextShowColumn(int column) override { Log.push_back("TopText " + std::to_string(column)); }
    void ClearBottomText() override { Log.push_back("ClearBottomText"); }
    TLog& Log;
};

struct TFakeAnalysis : TAnalysisServices {
    explicit TFakeAnalysis(TLog& log) : Log(log) {}
    void ClearSharedHistogram() override { Log.push_back("ClearSharedHistogram"); }
    void ResetAllTrendAverages() override { Log.push_back("ResetAllTrendAverages"); }
    void RestartMeasStatistics() override { Log.push_back("RestartMeasStatistics"); }
    void InvalidateMarkerValues() override { Log.push_back("InvalidateMarkerValues"); }
    TLog& Log;
};

struct TFakeSerial : TSerialServices {
    explicit TFakeSerial(TLog& log) : Log(log) {}
    void RestartEyeAccumulation() override { Log.push_back("RestartEyeAccumulation"); }
    void ClearReflectionParams() override { Log.push_back("ClearReflectionParams"); }
    void ResetMaskCounters() override { Log.push_back("ResetMaskCounters"); }
    void ApplyPendingTdrClear() override { Log.push_back("ApplyPendingTdrClear"); }
    TLog& Log;
};

struct MainCommands : ::testing::Test {
    MainCommands() : Window(Log), Steps(Log) {
        Shell.SetCommandTree(CreateCommandTree());
        Shell.SetDisplayServices(std::make_unique<TFakeDisplay>(Log));
        Shell.SetAnalysisServices(std::make_unique<TFakeAnalysis>(Log));
        Shell.SetSerialServices(std::make_unique<TFakeSerial>(Log));
        Commands = RegisterMainCommands(Shell, Window, Steps);
        Value = &Shell.CommandTree()->Root().AddOnOffHandler("Test:Value", {});
    }
    std::string Run(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    TLog Take() { return std::exchange(Log, {}); }

    TLog Log;
    TFakeWindow Window;
    TFakeSteps Steps;
    TShell Shell;
    TMainCommands Commands;
    TOnOffHandler* Value = nullptr;
};

}  // namespace

TEST_F(MainCommands, RunStopAndSingle) {
    EXPECT_EQ(Run("*RUN OFF"), "");
    EXPECT_EQ(Run("*RUN?"), "*RUN ON") << "any value runs";
    EXPECT_EQ(Take(), (TLog{"StopDatabase", "SetRedrawFlags", "TopText 2", "TopText 3"}));

    Shell.SingleOn = true;
    Run("*RUN");
    EXPECT_FALSE(Shell.SingleOn) << "Run turns Single off";
    Take();

    Run("*STOPSINGLE Bogus");
    EXPECT_TRUE(Shell.RunOn);
    EXPECT_TRUE(Take().empty()) << "a value outside the pair runs nothing";

    Run("*STOPSINGLE Single");
    EXPECT_FALSE(Shell.RunOn);
    EXPECT_TRUE(Shell.SingleOn);
    EXPECT_EQ(Run("*STOPSINGLE?"), "*STOPSINGLE SINGLE");
    EXPECT_EQ(Take(), (TLog{"StopDatabase", "SetRedrawFlags", "TopText 2", "TopText 3"}));

    Run("*RUN");
    Take();
    Run("*STOPSINGLE Stop");
    EXPECT_FALSE(Shell.RunOn);
    EXPECT_FALSE(Shell.SingleOn);
    EXPECT_EQ(Take(), (TLog{"StopDatabase", "SetRedrawFlags"})) << "Stop breaks instead of redrawing";
}

TEST_F(MainCommands, StopRunningOfTheFeatureStopsRun) {
    TMainCommandsFeature feature(Window);
    TShell shell;
    feature.FillRows(shell);
    feature.AttachToProgram(shell);
    RegisterAllCommandHandlers(shell);
    shell.ExecuteCommandString("*RUN");
    EXPECT_TRUE(shell.RunOn);
    feature.StopRunning();
    EXPECT_FALSE(shell.RunOn);
    EXPECT_EQ(feature.Commands().StopSingle->CurrentIndex(), 0);
}

TEST_F(MainCommands, MenusRememberTheirChoice) {
    Run("HEADER Off");
    EXPECT_EQ(Run("*COPY?"), "FullWindow") << "a menu word replies as registered";
    Run("*COPY ScopeScreen");
    Run("*COPY Nonsense");
    Run("*COPY");
    EXPECT_EQ(Run("*COPY?"), "ScopeScreen");
    EXPECT_EQ(Take(), (TLog{"Copy 4", "Copy 4", "Copy 4"}));

    EXPECT_EQ(Run("*AUTOSCALE?"), "Auto");
    EXPECT_EQ(Run("*AUTOSCALE NRZ"), "");
    Run("*AUTOSCALE");
    EXPECT_EQ(Take(), (TLog{"AutoScale 2", "AutoScale 2"}));
    // A run that cannot start (no channel shown, one already running, a calibration) replies its failure.
    Steps.AutoScaleStarts = false;
    EXPECT_EQ(Run("*AUTOSCALE"), "ERROR");
    Steps.AutoScaleStarts = true;
    Take();

    for (TMainCommandHandler* h :
         std::initializer_list<TMainCommandHandler*>{Commands.DefSetup, Commands.Undo, Commands.Print, Commands.Help})
        EXPECT_EQ(h->CurrentIndex(), -1) << "no check mark before a choice";
}

TEST_F(MainCommands, DefaultSetupChoices) {
    for (const char* line : {"*DEFSETUP Default", "*DEFSETUP Factory", "*DEFSETUP PowerOff", "*DEFSETUP Bogus", "*DEFSETUP"})
        Run(line);
    EXPECT_EQ(Take(), (TLog{"Recall 0 shown", "Recall 1 shown", "Recall 2 shown", "Recall 0 shown", "Recall 0 shown"}));
    EXPECT_EQ(Run("*DEFSETUP SaveAsDef"), "");
    Commands.DefSetup->SelectFromSwitcher(dsSaveAsDef);
    EXPECT_EQ(Take(), (TLog{"Save 0 silent", "Save 0 shown"}));

    Steps.SaveSucceeds = false;
    EXPECT_EQ(Run("*DEFSETUP SaveAsDef"), "ERROR") << "a remote caller learns of a failed save";
    Commands.DefSetup->SelectFromSwitcher(dsSaveAsDef);  // the user sees the message instead
    EXPECT_EQ(Run("*DEFSETUP Default"), "");
}

TEST_F(MainCommands, PrintHelpAndAbout) {
    Run("*PRINT");
    Commands.Print->SelectFromSwitcher(-1);
    Commands.Print->SelectFromSwitcher(1);
    EXPECT_EQ(Take(), (TLog{"Print at once", "Print asking", "PrinterSetup"}));
    // A setup box nobody could be shown set nothing up: a script learns of it.
    EXPECT_EQ(Run("*PRINT PRINTERSETUP"), "");
    Window.SetupShown = false;
    EXPECT_EQ(Run("*PRINT PRINTERSETUP"), "ERROR");
    EXPECT_EQ(Take(), (TLog{"PrinterSetup", "PrinterSetup"}));

    Commands.Help->SelectFromSwitcher(-1);
    Commands.Help->SelectFromSwitcher(0);
    Commands.Help->SelectFromSwitcher(1);
    EXPECT_EQ(Take(), (TLog{"ContextHelp", "Help 1", "About"}));
    EXPECT_EQ(Run("SHADOW:HELP 1"), "ERROR") << "help is the strip's only";
}

TEST_F(MainCommands, ClearDisplayCallsTheServicesInOrder) {
    Run("*CLRDISPL");
    EXPECT_EQ(Take(), (TLog{"ClearSharedHistogram", "RecreateScreens", "ResetAllTrendAverages", "RestartMeasStatistics",
                            "InvalidateHisticons", "RestartEyeAccumulation", "ClearReflectionParams",
                            "ResetMaskCounters", "InvalidateMarkerValues", "ClearBottomText"}));
}

TEST_F(MainCommands, UndoAndRedoOfARemoteChange) {
    // Without an undo buffer (no instrument started) nothing changes, yet the step ends as always.
    Run("*UNDO");
    EXPECT_EQ(Take(), (TLog{"ApplyPendingTdrClear"}));

    Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    Shell.UndoBuffer()->SetEnabled(true);

    Run("TEST:VALUE ON");
    EXPECT_TRUE(Value->GetOn());
    Run("*UNDO Undo");
    EXPECT_FALSE(Value->GetOn());
    EXPECT_EQ(Take(), (TLog{"SaveDelays", "RestoreDelays", "ApplyPendingTdrClear"}));

    Run("*UNDO Redo");
    EXPECT_TRUE(Value->GetOn());
    Take();
    Run("*UNDO Redo");
    EXPECT_TRUE(Value->GetOn()) << "a second redo has nothing to apply";
    EXPECT_EQ(Take(), (TLog{"ApplyPendingTdrClear"}));

    Run("*UNDO");
    EXPECT_FALSE(Value->GetOn());
    Run("*UNDO");
    EXPECT_FALSE(Value->GetOn()) << "an undo on an empty buffer changes nothing";
    EXPECT_TRUE(Shell.UndoBuffer()->UndoEmpty());

    UndoRedoSettings(Shell, Steps, true, true);
    EXPECT_TRUE(Value->GetOn());
    EXPECT_TRUE(Shell.UndoBuffer()->RedoEmpty());

    // A calibration puts its prepared step back at its end: while it runs, undo takes nothing.
    Run("TEST:VALUE OFF");
    Shell.CalibrationRunning = true;
    Run("*UNDO");
    EXPECT_FALSE(Value->GetOn());
    Shell.CalibrationRunning = false;
    Run("*UNDO");
    EXPECT_TRUE(Value->GetOn());
}
