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

// An error of the idle pass asks its question without holding anything: the steps go on while it is
// open, and Yes (or no answer at all) leaves them running.
TEST_F(ErrorDialog, AnIdleStepErrorAsksBesideTheStepsThatGoOn) {
    int stepsDuringQuestion = -1;
    struct TWatchingDialogs : test::TScriptedDialogs {
        std::function<void()> WhileOpen;
        bool AskErrorYesNoNonModal(QWidget* p, const QString& t, std::function<void()> onNo) override {
            QTimer::singleShot(0, WhileOpen);
            return test::TScriptedDialogs::AskErrorYesNoNonModal(p, t, std::move(onNo));
        }
    } dialogs;
    dialogs.WhileOpen = [&] {
        const int before = Steps;
        RunLoopFor(30);
        stepsDuringQuestion = Steps - before;
    };
    UseDialogs = &dialogs;
    Start();
    QTimer::singleShot(0, [] {});  // an event starts the idle calls
    ASSERT_TRUE(RunLoopUntil([this] { return Steps >= StopAfter; }));
    RunLoopFor(50);
    EXPECT_TRUE(dialogs.Asked.empty()) << "nothing waited for an answer";
    ASSERT_EQ(dialogs.Shown.size(), 1u);
    EXPECT_EQ(dialogs.Shown[0],
              "ErrorYesNo: It has appeared an Exception\n\"Range check error\".\n\nContinuation of the work\nmay "
              "bring to the data distortion.\n\nDo you want to continue?");
    EXPECT_GT(stepsDuringQuestion, 0) << "the steps went on while the question was open";
    EXPECT_TRUE(Window->IdleHandlerInstalled());
    EXPECT_GE(Steps, StopAfter) << "the steps carried on after the failed one";
    EXPECT_TRUE(Window->isVisible());
}

TEST_F(ErrorDialog, NoClosesThroughTheCloseQuery) {
    Start();
    Shell.AcqEnabled = true;
    StopAfter = 1000000;
    Dialogs.Answers = {TDialogAnswer::No};
    QTimer::singleShot(0, [] {});
    ASSERT_TRUE(RunLoopUntil([this] { return !Window->isVisible(); }));
    EXPECT_FALSE(Window->isVisible());
    EXPECT_EQ(Rec.Count("SavePowerOffSetup"), 1);
}

TEST_F(ErrorDialog, NoWithCancelInTheCloseQueryKeepsTheWindowAndItsSteps) {
    Start();
    Rec.CalibrationModified = true;
    Dialogs.Answers = {TDialogAnswer::No, TDialogAnswer::Cancel};
    QTimer::singleShot(0, [] {});
    ASSERT_TRUE(RunLoopUntil([this] { return Dialogs.Asked.size() == 1; }));
    ASSERT_TRUE(RunLoopUntil([this] { return Steps >= StopAfter; }));
    EXPECT_TRUE(Window->isVisible());
    EXPECT_TRUE(Window->IdleHandlerInstalled());
    EXPECT_EQ(Dialogs.Shown.size(), 1u);
}

}  // namespace
}  // namespace vt
