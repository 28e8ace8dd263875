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

using test::RunLoopFor;
using test::RunLoopUntil;

class ErrorDialog : public ::testing::Test {
protected:
    // A started window whose acquisition step runs while Run is on and fails once at step FailAt.
    void Start() {
        Window = std::make_unique<TMorda_fr>(Shell, Rec, *UseDialogs);
        Shell.AcquisitionIdleStep = [this](TShell&) {
            ++Steps;
            if (Steps == FailAt) throw std::runtime_error("Range check error");
            return Steps < StopAfter;
        };
        Window->show();
        ASSERT_TRUE(RunLoopUntil([this] { return Window->IdleHandlerInstalled(); }));
        Steps = 0;
        Shell.RunOn = true;
    }

    TShell Shell;
    test::TRecordingLife Rec{Shell};
    test::TScriptedDialogs Dialogs;
    TUserDialogs* UseDialogs = &Dialogs;
    std::unique_ptr<TMorda_fr> Window;
    int Steps = 0;
    int FailAt = 3;
    int StopAfter = 10;
};

TEST_F(ErrorDialog, YesResumesTheAcquisitionStepsWhereTheyStopped) {
    Start();
    Dialogs.Answers = {TDialogAnswer::Yes};
    QTimer::singleShot(0, [] {});  // an event starts the idle calls
    ASSERT_TRUE(RunLoopUntil([this] { return Steps >= StopAfter; }));
    ASSERT_EQ(Dialogs.Asked.size(), 1u);
    EXPECT_EQ(Dialogs.Asked[0],
              "ErrorYesNo: It has appeared an Exception\n\"Range check error\".\n\nContinuation of the work\nmay "
              "bring to the data distortion.\n\nDo you want to continue?");
    EXPECT_TRUE(Window->IdleHandlerInstalled());
    EXPECT_EQ(Steps, StopAfter) << "the steps carried on after the failed one";
    EXPECT_TRUE(Window->isVisible());
}

TEST_F(ErrorDialog, IdleStepsStopWhileTheDialogIsOpen) {
    int stepsDuringDialog = -1;
    struct TWaitingDialogs : test::TScriptedDialogs {
        std::function<void()> WhileOpen;
        TDialogAnswer AskErrorYesNo(QWidget* p, const QString& t) override {
            WhileOpen();
            return test::TScriptedDialogs::AskErrorYesNo(p, t);
        }
    } dialogs;
    dialogs.WhileOpen = [&] {
        EXPECT_FALSE(Window->IdleHandlerInstalled());
        const int before = Steps;
        RunLoopFor(30);  // the dialog's own event loop
        stepsDuringDialog = Steps - before;
    };
    UseDialogs = &dialogs;
    Start();
    QTimer::singleShot(0, [] {});
    ASSERT_TRUE(RunLoopUntil([this] { return Steps >= StopAfter; }));
    EXPECT_EQ(stepsDuringDialog, 0);
    EXPECT_EQ(Steps, StopAfter);
}

TEST_F(ErrorDialog, NoClosesThroughTheCloseQuery) {
    Start();
    Shell.AcqEnabled = true;
    Dialogs.Answers = {TDialogAnswer::No};
    QTimer::singleShot(0, [] {});
    ASSERT_TRUE(RunLoopUntil([this] { return !Window->isVisible(); }));
    EXPECT_FALSE(Window->isVisible());
    EXPECT_EQ(Rec.Count("SavePowerOffSetup"), 1);
    EXPECT_EQ(Steps, FailAt) << "no step after the failure";
}

TEST_F(ErrorDialog, NoWithCancelInTheCloseQueryKeepsTheWindowWithoutSteps) {
    Start();
    Rec.CalibrationModified = true;
    Dialogs.Answers = {TDialogAnswer::No, TDialogAnswer::Cancel};
    QTimer::singleShot(0, [] {});
    ASSERT_TRUE(RunLoopUntil([this] { return Dialogs.Asked.size() == 2; }));
    RunLoopFor(20);
    EXPECT_TRUE(Window->isVisible());
    EXPECT_FALSE(Window->IdleHandlerInstalled()) << "the idle handler is attached again only by Yes";
    EXPECT_EQ(Steps, FailAt);
}

}  // namespace
}  // namespace vt
