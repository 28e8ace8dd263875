// The program's life without a window: the start-up order, the start and stop of an instrument and
// the close decisions, seen through a recording view and a recording feature.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <stdexcept>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "program/ProgramLife.h"
#include "program/RecordingFeature.h"
#include "core/IniFiles.h"
#include "link/AdjustTestSupport.h"

namespace vt {
namespace {

// Every call of the life into its window, in the recorder's log.
class TRecordingView : public TMainView {
public:
    explicit TRecordingView(std::vector<std::string>& log) : Log(log) {}
    void ProcessPendingEvents() override {}
    void BuildMainMenuTable() override { Log.emplace_back("BuildMainMenuTable"); }
    void InstallIdleHandler() override { Log.emplace_back("InstallIdleHandler"); }
    void OpenStartMenus() override { Log.emplace_back("OpenStartMenus"); }
    void SetSideMenusHidden(bool hidden) override { Log.emplace_back(hidden ? "SideMenusHidden" : "SideMenusShown"); }
    void CloseSideMenus() override { Log.emplace_back("CloseSideMenus"); }
    void ShowMainControls(bool visible) override { MainControls = visible; }
    void SetCaption(const std::string& caption) override { Caption = caption; }
    void EnableOptionMenus() override {}
    void ApplyGuiMode() override {}
    void FollowTimerRequests() override {}
    void CreateEnglishLanguageFile() override { Log.emplace_back("EnglishFileOfTheWindow"); }
    void ShowError(const std::string& text) override { Asked.push_back("Error: " + text); }
    TCloseAnswer AskYesNoCancel(const std::string& text) override {
        Asked.push_back("YesNoCancel: " + text);
        if (Answers.empty()) return TCloseAnswer::Yes;
        const TCloseAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    }

    std::vector<std::string>& Log;
    bool MainControls = false;
    std::string Caption;
    std::deque<TCloseAnswer> Answers;  // Yes when empty
    std::vector<std::string> Asked;
};

// A display that records the hints the start-up pushes.
struct TRecordingDisplay : TDisplayServices {
    explicit TRecordingDisplay(std::vector<std::string>& log) : Log(log) {}
    void PushHint(const std::string& text, int ms) override {
        Log.push_back("PushHint " + text + " " + std::to_string(ms));
    }
    std::vector<std::string>& Log;
};

using TLife = test::TRecordingLifeOf<test::TRecordingFeature>;

class ProgramLife : public ::testing::Test {
protected:
    ProgramLife() { Life.SetView(&View); }

    // Gives the shell a link of that kind and the identity of a model-1 instrument with these options.
    void GiveInstrument(TInstrumentLinkKind kind, std::uint8_t options) {
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>()));
        Shell.Link()->SetLinkKind(kind);
        Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), "")));
        Shell.Identity()->Identity.ModelType = 1;
        Shell.Identity()->Identity.Options = options;
    }
    int At(const std::string& entry) const { return Life.IndexOf(entry); }

    TShell Shell;
    TLife Life{Shell};
    std::vector<std::string>& Log = Life.Log;
    TRecordingView View{Log};
};

// A feature's deadline is checked after every idle step, with or without a window, and the nearest
// one wakes the idle step when nothing else would.
TEST_F(ProgramLife, EveryIdleStepChecksTheFeaturesDeadlinesAndWakesForTheNearest) {
    struct TDeadline : TFeature {
        int CheckDeadlines(TShell&) override {
            ++Checks;
            return DueInMs;
        }
        int DueInMs = -1;
        int Checks = 0;
    };
    TDeadline far, near;
    Life.Install(far);
    Life.Install(near);
    Life.SetView(nullptr);
    far.DueInMs = 900;
    near.DueInMs = 40;
    Shell.TakeIdleWake();
    Life.IdleStep();
    EXPECT_EQ(Shell.TakeIdleWake(), 40);
    Shell.WakeIdleWithin(7);  // the acquisition's own wake comes sooner
    Life.IdleStep();
    EXPECT_EQ(Shell.TakeIdleWake(), 7);
    far.DueInMs = near.DueInMs = -1;
    Life.IdleStep();
    EXPECT_EQ(Shell.TakeIdleWake(), -1) << "nothing due: nothing wakes";
    EXPECT_EQ(far.Checks, 3);
    EXPECT_EQ(near.Checks, 3);
}

TEST_F(ProgramLife, DeferredStartUpRunsItsStepsInOrder) {
    test::RecordAllRows(Shell, Log);
    Shell.SetDisplayServices(std::make_unique<TRecordingDisplay>(Log));
    Shell.StartInstrumentName = "Demo";
    Shell.StartInstrumentKind = TInstrumentLinkKind::Demo;
    GiveInstrument(TInstrumentLinkKind::Demo, optOptics | optGenerators);
    Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    Shell.Records()->SetState(0, srcFresh);
    Shell.Records()->SetState(13, srcUpToDate);
    Shell.Records()->SetXYState(srcUpToDate);
    RegisterAllCommandHandlers(Shell);
    Log.clear();
    Life.StartUp();

    const std::vector<std::string> order = {
        "PushHint Version 2_4_4 (2011-03-01) 5000",
        "BindSwitchersOfStrips",
        "EnglishFileOfTheWindow",
        "BuildMainMenuTable",
        "InitSourceSwitcherItems",
        "InstallIdleHandler",
        "SideMenusShown",
        "OpenStartMenus",
        "ReadIndividualData",
        "ApplyTimebaseModelLimits",
        "CreateRampDACSelectHandler",
        "SetModelAdjustLimits",
        "RefreshHelpCaptionAndCalibration",
        "RecallDefaultSetup",
        "ApplyGssDefaultsForLink",
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
    EXPECT_EQ(Life.Count("SideMenusHidden"), 0) << "an instrument keeps the side menus";
    EXPECT_EQ(Shell.FactorySetup, std::vector<std::string>{"TB:MODE B"});
    EXPECT_EQ(Shell.Records()->State(0), srcOff) << "every record starts off";
    EXPECT_EQ(Shell.Records()->State(13), srcOff);
    EXPECT_EQ(Shell.Records()->XYState(), srcOff);
    EXPECT_TRUE(Shell.AcqEnabled);
    EXPECT_TRUE(Life.TimerWanted(TMainTimer::FlagRegisterReading));
    EXPECT_TRUE(Life.TimerWanted(TMainTimer::AutoCal));
    EXPECT_FALSE(Life.TimerWanted(TMainTimer::VariablePersist)) << "no display panel to age";
    EXPECT_EQ(View.Caption.rfind("Morvex    ", 0), 0u) << View.Caption;
    EXPECT_TRUE(View.MainControls);
    EXPECT_TRUE(View.Asked.empty());
}

TEST_F(ProgramLife, ShiftSuppressesOnlyTheUsersDefaultSetup) {
    Shell.ShiftAtStart = true;
    test::RecordAllRows(Shell, Log);
    RegisterAllCommandHandlers(Shell);
    ASSERT_TRUE(Life.StartInstrument(true));
    EXPECT_EQ(Life.Count("RecallDefaultSetup"), 0);
    EXPECT_EQ(Life.Count("ApplyGssDefaultsForLink"), 1) << "the routing follows the link without a recall too";
    EXPECT_EQ(Life.Count("ResendInstrumentSettings"), 1);
    EXPECT_EQ(Life.Count("Execute *Run"), 1);
}

TEST_F(ProgramLife, IdentityReadFailureStopsTheStartWithTheAcquisitionOff) {
    Life.IdentityReadOk = false;
    EXPECT_FALSE(Life.StartInstrument(true));
    EXPECT_FALSE(Shell.AcqEnabled);
    EXPECT_EQ(View.Asked, std::vector<std::string>{"Error: Error Reading the Individual Information from the Instruments."});
    EXPECT_EQ(Life.Count("ResendInstrumentSettings"), 0);
    EXPECT_EQ(Life.Count("Execute *Run"), 0);
    EXPECT_TRUE(View.MainControls) << "the main controls stay shown";
}

TEST_F(ProgramLife, StopAndRestartOfAnInstrumentKeepsTheRegistrationAndRenewsTheUndoBuffer) {
    test::RecordAllRows(Shell, Log);
    RegisterAllCommandHandlers(Shell);
    ASSERT_TRUE(Life.StartInstrument(true));
    const TUndoBuffer* first = Shell.UndoBuffer();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->Enabled()) << "recording starts with the instrument";
    Life.StopInstrument();
    EXPECT_EQ(Shell.UndoBuffer(), nullptr) << "undo history does not cross instruments";
    EXPECT_EQ(Life.Count("Execute *StopSingle Stop (stop under way)"), 1);
    EXPECT_FALSE(Shell.StopInProgress);
    EXPECT_FALSE(Shell.AcqEnabled);
    EXPECT_TRUE(Shell.ApplyUnchangedValues()) << "stays on until the next start";

    ASSERT_TRUE(Life.StartInstrument(false));
    EXPECT_FALSE(Shell.ApplyUnchangedValues());
    ASSERT_NE(Shell.UndoBuffer(), nullptr);
    EXPECT_TRUE(Shell.UndoBuffer()->Enabled());
    EXPECT_FALSE(View.MainControls) << "no instrument, no main controls";
    EXPECT_EQ(View.Caption, "Morvex.    Instrument not connected");
    EXPECT_EQ(Life.Count("RegisterMainCommands"), 1);
    EXPECT_EQ(Life.Count("SetModelAdjustLimits"), 2);
    EXPECT_EQ(Life.Count("RefreshChannelHandlers"), 2);
}

TEST_F(ProgramLife, AStartWithoutAnInstrumentClearsTheIdentityOfTheLastOne) {
    GiveInstrument(TInstrumentLinkKind::Usb, 0xFF);
    Shell.Identity()->Identity.ModelType = 4;
    RegisterAllCommandHandlers(Shell);
    ASSERT_TRUE(Life.StartInstrument(false));
    EXPECT_EQ(Life.Count("ReadIndividualData"), 0);
    EXPECT_EQ(Shell.Identity()->Identity.ModelType, 0);
    EXPECT_FALSE(Shell.Identity()->Identity.HasOptLAN());
    EXPECT_FALSE(Shell.Identity()->Identity.HasOptOptics());
}

class CloseQuery : public ProgramLife {
protected:
    void SetUp() override {
        Shell.AcqEnabled = true;
        Log.clear();
    }
    std::vector<std::string> After(const std::string& first) const {
        const int at = Life.IndexOf(first);
        return at < 0 ? std::vector<std::string>{} : std::vector<std::string>(Log.begin() + at, Log.end());
    }
};

TEST_F(CloseQuery, WithNothingChangedStopsSavesThePowerOffSetupAndSuspendsStepping) {
    EXPECT_TRUE(Life.CloseQuery());
    EXPECT_TRUE(Shell.MainWindowClosing);
    EXPECT_EQ(Log, (std::vector<std::string>{"StopSingleStop", "Break closing", "SavePowerOffSetup",
                                             "StartFlagRegisterReading"}));
    EXPECT_TRUE(View.Asked.empty());
}

TEST_F(CloseQuery, AdjustmentQuestionComesAloneAndYesStoresAdjustment) {
    Life.AdjustmentModified = true;
    Life.CalibrationModified = true;
    Life.AdjustAccess = true;
    EXPECT_TRUE(Life.CloseQuery());
    ASSERT_EQ(View.Asked.size(), 1u) << "at most one store question per close";
    EXPECT_EQ(View.Asked[0], "YesNoCancel: Adjustings Changed! Store New Value?");
    EXPECT_EQ(Log, (std::vector<std::string>{"StopSingleStop", "Break closing", "StopSingleStop", "Break closing",
                                             "StoreAdjustment", "SavePowerOffSetup", "StartFlagRegisterReading"}));
}

TEST_F(CloseQuery, AdjustmentWithoutAccessAsksAboutCalibrationInstead) {
    Life.AdjustmentModified = true;
    Life.CalibrationModified = true;
    View.Answers = {TCloseAnswer::No};
    EXPECT_TRUE(Life.CloseQuery());
    ASSERT_EQ(View.Asked.size(), 1u);
    EXPECT_EQ(View.Asked[0], "YesNoCancel: Calibrations constants Changed! Store New Value?");
    EXPECT_EQ(Life.Count("StoreCalibration"), 0);
    EXPECT_EQ(Life.Count("StoreAdjustment"), 0);

    View.Answers = {TCloseAnswer::Yes};
    Log.clear();
    EXPECT_TRUE(Life.CloseQuery());
    EXPECT_EQ(After("StoreCalibration"),
              (std::vector<std::string>{"StoreCalibration", "SavePowerOffSetup", "StartFlagRegisterReading"}));
}

TEST_F(CloseQuery, CancelKeepsTheProgramOpenWithTheAcquisitionStopped) {
    for (bool adjustment : {true, false}) {
        SCOPED_TRACE(adjustment ? "adjustment" : "calibration");
        Life.AdjustmentModified = adjustment;
        Life.AdjustAccess = adjustment;
        Life.CalibrationModified = !adjustment;
        View.Answers = {TCloseAnswer::Cancel};
        Log.clear();
        EXPECT_FALSE(Life.CloseQuery());
        EXPECT_FALSE(Shell.MainWindowClosing);
        EXPECT_EQ(Log, (std::vector<std::string>{"StopSingleStop", "Break closing"}));
    }
}

TEST_F(CloseQuery, NoPowerOffSetupWhenNoInstrumentWasStartedAndClientsRefuseTheClose) {
    Shell.AcqEnabled = false;  // registration defaults, or the identity read failed
    EXPECT_TRUE(Life.CloseQuery());
    EXPECT_EQ(Life.Count("SavePowerOffSetup"), 0);
    EXPECT_EQ(Life.Count("StartFlagRegisterReading"), 1);

    Shell.MainWindowClosing = false;
    Life.AutomationObjects = 1;
    Log.clear();
    EXPECT_THROW(Life.CloseQuery(), std::runtime_error);
    EXPECT_FALSE(Shell.MainWindowClosing);
    EXPECT_TRUE(Log.empty()) << "nothing is stopped for a refused close";
}

// The calibration feature itself through the close, on the demo: a changed calibration is asked about
// once and Yes stores it in the data root's file; the next close asks nothing. With adjustment access a
// changed adjustment is asked about instead, and stored as the adjustment set.
TEST(ProgramLifeCalibration, ChangedValuesAreAskedAboutOnceAndStoredAtTheClose) {
    test::TAdjustShell t(false);
    std::vector<std::string> log;
    TRecordingView view(log);
    TProgramLife life(t.Shell);
    life.SetView(&view);
    life.Install(*t.Adjust);
    t.Shell.AcqEnabled = true;

    t.Shell.ExecuteCommandString("FLASH:CALIBR:FINETB 20000");
    EXPECT_TRUE(life.CloseQuery());
    EXPECT_EQ(view.Asked, std::vector<std::string>{"YesNoCancel: Calibrations constants Changed! Store New Value?"});
    const auto file = t.Root.Path() / "CalibrImit.ini";
    EXPECT_EQ(TMemIniFile_Dot(file).ReadString("Veltrane_L4xx.Calibr.Calibr:TB:", "GainDAC", ""), "20000");
    view.Asked.clear();
    EXPECT_TRUE(life.CloseQuery());
    EXPECT_TRUE(view.Asked.empty()) << "stored: nothing left to ask";

    t.Shell.AdjustAccessGranted = true;
    t.Shell.ExecuteCommandString("FLASH:CALIBR:FINETB 21000");
    t.Shell.ExecuteCommandString("FLASH:CALIBR:COARSEDELAY 7");
    EXPECT_TRUE(life.CloseQuery());
    EXPECT_EQ(view.Asked, std::vector<std::string>{"YesNoCancel: Adjustings Changed! Store New Value?"});
    EXPECT_EQ(TMemIniFile_Dot(file).ReadString("Veltrane_L4xx.Adjust.Calibr:TB:", "Digit0", ""), "7");
}

}  // namespace
}  // namespace vt
