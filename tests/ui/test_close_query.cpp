#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <stdexcept>

#include "UiTestSupport.h"
#include "core/Shell.h"
#include "ui/MainWindow.h"

namespace vt {
namespace {

using test::TRecordingSteps;
using test::TScriptedDialogs;

using test::RunLoopFor;
using test::RunLoopUntil;

class CloseQuery : public ::testing::Test {
protected:
    void SetUp() override { Shell.AcqEnabled = true; }
    std::vector<std::string> After(const std::string& first) const {
        const int at = Rec.IndexOf(first);
        return at < 0 ? std::vector<std::string>{} : std::vector<std::string>(Rec.Log.begin() + at, Rec.Log.end());
    }

    TShell Shell;
    TRecordingSteps Rec;
    TScriptedDialogs Dialogs;
};

TEST_F(CloseQuery, WithNothingChangedStopsSavesThePowerOffSetupAndSuspendsStepping) {
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    Rec.Log.clear();
    EXPECT_TRUE(w.FormCloseQuery());
    EXPECT_TRUE(Shell.MainWindowClosing);
    EXPECT_EQ(Rec.Log, (std::vector<std::string>{"StopSingleStop", "Break closing", "SavePowerOffSetup",
                                                 "StartFlagRegisterReading"}));
    EXPECT_TRUE(Dialogs.Asked.empty());
}

TEST_F(CloseQuery, AdjustmentQuestionComesAloneAndYesStoresAdjustment) {
    Rec.AdjustmentModified = true;
    Rec.CalibrationModified = true;
    Rec.AdjustAccess = true;
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    Rec.Log.clear();
    EXPECT_TRUE(w.FormCloseQuery());
    ASSERT_EQ(Dialogs.Asked.size(), 1u) << "at most one store question per close";
    EXPECT_EQ(Dialogs.Asked[0], "YesNoCancel: Adjustings Changed! Store New Value?");
    EXPECT_EQ(Rec.Log, (std::vector<std::string>{"StopSingleStop", "Break closing", "StopSingleStop",
                                                 "Break closing", "StoreAdjustment", "SavePowerOffSetup",
                                                 "StartFlagRegisterReading"}));
}

TEST_F(CloseQuery, AdjustmentWithoutAccessAsksAboutCalibrationInstead) {
    Rec.AdjustmentModified = true;
    Rec.CalibrationModified = true;
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    Dialogs.Answers = {TDialogAnswer::No};
    EXPECT_TRUE(w.FormCloseQuery());
    ASSERT_EQ(Dialogs.Asked.size(), 1u);
    EXPECT_EQ(Dialogs.Asked[0], "YesNoCancel: Calibrations constants Changed! Store New Value?");
    EXPECT_EQ(Rec.Count("StoreCalibration"), 0);
    EXPECT_EQ(Rec.Count("StoreAdjustment"), 0);

    Dialogs.Answers = {TDialogAnswer::Yes};
    Rec.Log.clear();
    EXPECT_TRUE(w.FormCloseQuery());
    EXPECT_EQ(After("StoreCalibration"),
              (std::vector<std::string>{"StoreCalibration", "SavePowerOffSetup", "StartFlagRegisterReading"}));
}

TEST_F(CloseQuery, CancelKeepsTheProgramOpenWithTheAcquisitionStopped) {
    for (bool adjustment : {true, false}) {
        SCOPED_TRACE(adjustment ? "adjustment" : "calibration");
        TRecordingSteps rec;
        rec.AdjustmentModified = adjustment;
        rec.AdjustAccess = adjustment;
        rec.CalibrationModified = !adjustment;
        TMorda_fr w(Shell, rec.Steps, Dialogs);
        Dialogs.Answers = {TDialogAnswer::Cancel};
        rec.Log.clear();
        EXPECT_FALSE(w.FormCloseQuery());
        EXPECT_FALSE(Shell.MainWindowClosing);
        EXPECT_EQ(rec.Log, (std::vector<std::string>{"StopSingleStop", "Break closing"}));
    }
}

TEST_F(CloseQuery, NoPowerOffSetupWhenNoInstrumentWasStarted) {
    Shell.AcqEnabled = false;  // registration defaults, or the identity read failed
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    EXPECT_TRUE(w.FormCloseQuery());
    EXPECT_EQ(Rec.Count("SavePowerOffSetup"), 0);
    EXPECT_EQ(Rec.Count("StartFlagRegisterReading"), 1);
}

TEST_F(CloseQuery, AutomationClientsRefuseTheCloseThroughTheErrorDialog) {
    Rec.AutomationObjects = 1;
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    w.show();
    EXPECT_THROW(w.FormCloseQuery(), std::runtime_error);
    EXPECT_FALSE(Shell.MainWindowClosing);
    EXPECT_EQ(Rec.Count("StopSingleStop"), 0);

    // Closing the window: refused; the error dialog's No asks again and is refused again; Yes ends it.
    Dialogs.Answers = {TDialogAnswer::No, TDialogAnswer::Yes};
    w.close();
    ASSERT_TRUE(RunLoopUntil([&] { return Dialogs.Asked.size() >= 2; }));
    RunLoopFor(20);
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(Dialogs.Asked.size(), 2u);
    EXPECT_NE(Dialogs.Asked[0].find("Automation clients are connected"), std::string::npos) << Dialogs.Asked[0];
    EXPECT_EQ(Dialogs.Asked[0].rfind("ErrorYesNo: It has appeared an Exception\n\"", 0), 0u) << Dialogs.Asked[0];

    // Once the client has gone, the close goes through.
    Rec.AutomationObjects = 0;
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Rec.Count("SavePowerOffSetup"), 1);
}

TEST_F(CloseQuery, AbsentProgramClosesCleanlyThroughTheQuery) {
    Shell.AcqEnabled = false;
    TMorda_fr w(Shell, Rec.Steps, Dialogs);
    RegisterAllCommandHandlers(Shell);
    w.show();
    ASSERT_TRUE(RunLoopUntil([&] { return Shell.AcqEnabled; }));
    QTimer::singleShot(0, &w, [&] { w.close(); });
    ASSERT_TRUE(RunLoopUntil([&] { return !w.isVisible(); }));
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(Shell.MainWindowClosing);
    EXPECT_EQ(Rec.Count("SavePowerOffSetup"), 1);
    EXPECT_TRUE(Dialogs.Asked.empty());
}

}  // namespace
}  // namespace vt
