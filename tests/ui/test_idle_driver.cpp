#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
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
