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

using test::TRecordingLife;
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
    TRecordingLife Rec{Shell};
    TScriptedDialogs Dialogs;
};

TEST_F(CloseQuery, TheStoreQuestionIsAskedOverTheWindow) {
    Rec.AdjustmentModified = true;
    Rec.AdjustAccess = true;
    test::TTestWindow w(Shell, Rec, Dialogs);
    Dialogs.Answers = {TDialogAnswer::Cancel};
    EXPECT_FALSE(w.FormCloseQuery());
    ASSERT_EQ(Dialogs.Asked.size(), 1u);
    EXPECT_EQ(Dialogs.Asked[0], "YesNoCancel: Adjustings Changed! Store New Value?");
}

TEST_F(CloseQuery, AutomationClientsRefuseTheCloseThroughTheErrorDialog) {
    Rec.AutomationObjects = 1;
    test::TTestWindow w(Shell, Rec, Dialogs);
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
    test::TTestWindow w(Shell, Rec, Dialogs);
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
