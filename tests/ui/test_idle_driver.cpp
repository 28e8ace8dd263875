#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <stdexcept>

#include "ui/IdleDriver.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

// Runs the event loop for ms milliseconds.
void RunLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the loop until an event posted now is delivered: the turns that follow a batch of events.
void RunUntilPostedEvent() {
    QEventLoop loop;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    loop.exec();
}

TEST(IdleDriver, NotDoneRepeatsBackToBackThenWaitsForEvents) {
    TIdleDriver idle;
    constexpr int N = 5;
    int calls = 0;
    QObject receiver;
    idle.SetHandler([&] {
        ++calls;
        return calls > N;  // not done N times
    });
    RunLoopFor(300);
    EXPECT_EQ(calls, N + 1) << "N not-done calls and the done one, then no spinning";

    // Nothing happens: no further calls however long the loop runs.
    const int settled = calls;
    RunLoopFor(100);
    EXPECT_EQ(calls - settled, 1) << "one call after the loop's own quit timer, none else";

    // Each batch of events is followed by one idle call.
    const int before = calls;
    QEventLoop loop;
    QTimer::singleShot(10, &receiver, [] {});
    QTimer::singleShot(40, &receiver, [] {});
    QTimer::singleShot(80, &loop, &QEventLoop::quit);
    loop.exec();
    // One call after each batch; timers that fall due together under load form one batch.
    EXPECT_GE(calls - before, 1);
    EXPECT_LE(calls - before, 3);

    // What a step deletes later goes at the loop's next turn, as from any event's handler, also in a
    // loop run from a handler (a modal box's).
    QPointer<QObject> doomed = new QObject;
    bool inner = false;
    idle.SetHandler([&] {
        if (inner && doomed) doomed->deleteLater();
        return true;
    });
    int turns = 0;
    QMetaObject::invokeMethod(
        &receiver,
        [&] {
            QEventLoop modal;
            // Turns of the inner loop, each woken by an event the last one posted.
            std::function<void()> turn = [&] {
                if (doomed.isNull() || ++turns == 10) modal.quit();
                else QMetaObject::invokeMethod(&receiver, turn, Qt::QueuedConnection);
            };
            QMetaObject::invokeMethod(&receiver, turn, Qt::QueuedConnection);
            inner = true;
            modal.exec();
            loop.quit();
        },
        Qt::QueuedConnection);
    loop.exec();
    EXPECT_TRUE(doomed.isNull());
    EXPECT_LE(turns, 2);
}

// Steps that are not done run back to back within one turn of the loop, up to one slice; an event
// posted meanwhile is delivered at the slice's end, before the next step. Counted on a clock that
// each step advances, so nothing depends on the machine's speed.
TEST(IdleDriver, StepsRunBackToBackForOneSliceAndAnEventWaitsNoLonger) {
    std::int64_t now = 0;
    auto idle = std::make_unique<TIdleDriver>(nullptr, [&now] { return now; });
    constexpr std::int64_t StepNs = 300'000;
    constexpr int StepsPerSlice = (TIdleDriver::SliceNs + StepNs - 1) / StepNs;
    QObject receiver;
    int steps = 0, stepsAtDelivery = -1;
    std::int64_t turnsAtQuit = -1, stepsAtQuit = -1;
    bool quit = false;
    QEventLoop loop;
    idle->SetHandler([&] {
        ++steps;
        now += StepNs;
        if (steps == 1)  // a click or a request arrives during the first step
            QTimer::singleShot(0, &receiver, [&] { stepsAtDelivery = steps; });
        if (steps == 3 * StepsPerSlice && !quit) {
            quit = true;
            QTimer::singleShot(0, &receiver, [&] {
                turnsAtQuit = idle->Turns(), stepsAtQuit = idle->Steps();
                loop.quit();
            });
        }
        return false;
    });
    loop.exec();
    EXPECT_EQ(stepsAtDelivery, StepsPerSlice) << "the event waits for the rest of the slice, no longer";
    EXPECT_EQ(stepsAtQuit, 3 * StepsPerSlice);
    EXPECT_EQ(turnsAtQuit, 3) << "each turn of the loop runs one slice of steps";

    // On a clock that stands still, steps run in one turn until the handler is done; a step that
    // throws counts as done.
    idle.reset();
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    std::vector<std::string> errors;
    app->OnException = [&](const std::string& m) { errors.push_back(m); };
    TIdleDriver still(nullptr, [] { return std::int64_t{0}; });
    int calls = 0;
    still.SetHandler([&]() -> bool {
        if (++calls == 7) throw std::runtime_error("failed step");
        return calls >= 12;
    });
    RunUntilPostedEvent();
    EXPECT_EQ(calls, 7) << "the failed step ends the turn, and nothing wakes the next";
    EXPECT_EQ(still.Turns(), 1);
    // That run's own event wakes the pass of the next.
    RunUntilPostedEvent();
    EXPECT_EQ(calls, 12) << "the next event's turn runs the rest back to back";
    EXPECT_EQ(still.Turns(), 2);
    EXPECT_EQ(errors, std::vector<std::string>{"failed step"});
    app->OnException = nullptr;
}

TEST(IdleDriver, DetachedHandlerIsNeverCalledAndAThrowingHandlerReachesTheErrorHandler) {
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    std::vector<std::string> errors;
    app->OnException = [&](const std::string& m) { errors.push_back(m); };

    TIdleDriver idle;
    int calls = 0;
    idle.SetHandler([&]() -> bool {
        ++calls;
        throw std::runtime_error("step failed");
    });
    RunLoopFor(50);
    EXPECT_EQ(calls, 1) << "a failed step counts as done";
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "step failed");

    idle.SetHandler(nullptr);
    QTimer::singleShot(5, [] {});
    RunLoopFor(50);
    EXPECT_EQ(calls, 1);
    app->OnException = nullptr;
}

TEST(IdleDriver, ExceptionsFromEventsNeverCrossTheEventLoop) {
    auto* app = dynamic_cast<TVeltraneApplication*>(QCoreApplication::instance());
    ASSERT_NE(app, nullptr);
    std::vector<std::string> errors;
    app->OnException = [&](const std::string& m) { errors.push_back(m); };
    QObject receiver;
    QTimer::singleShot(1, &receiver, [] { throw std::logic_error("timer failed"); });
    RunLoopFor(50);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "timer failed");
    app->OnException = nullptr;
}

}  // namespace
}  // namespace vt
