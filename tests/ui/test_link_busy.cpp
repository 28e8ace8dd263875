// The waits of a connect run the event loop: what fires inside them must leave the link alone.
#include <gtest/gtest.h>

#include <QMetaObject>
#include <QTimer>

#include "UiTestSupport.h"
#include "link/LinkTestSupport.h"
#include "core/Shell.h"
#include "link/InstrumentLink.h"
#include "support/FakeInstrument.h"
#include "ui/MainWindow.h"
#include "ui/ResponsiveLinkClock.h"

namespace vt {
namespace {

TEST(LinkBusy, IdleStepsAndTheFlagPollInsideAConnectLeaveTheLinkAlone) {
    test::TFakeInstrument fake;
    test::TFakeFaults silent;
    silent.NoReply = true;  // the identity query is never answered
    fake.SetFaults(silent);

    // A run-time switch: the link's waits before the connection keep the event loop turning.
    TResponsiveLinkClock clock;
    clock.SetResponsive(true);
    TLinkTiming timing;
    timing.TcpPort = fake.Port();
    timing.TcpPreConnectWaitMs = 60;
    timing.TcpReplyTimeoutMs = 100;
    TShell shell;
    shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(timing, &clock)));
    TInstrumentLink& link = *shell.Link();

    // The acquisition runs and would talk to the link on every idle step.
    shell.RunOn = true;
    int steps = 0;
    int stepsInsideConnect = 0;
    shell.AcquisitionIdleStep = [&](TShell&) {
        ++steps;
        if (link.Busy()) ++stepsInsideConnect;
        return true;
    };
    test::TRecordingLife rec{shell};
    test::TScriptedDialogs dialogs;
    test::TTestWindow window(shell, rec, dialogs);
    int idleInsideConnect = 0;
    window.IdleDriver().SetHandler([&] {
        if (link.Busy()) ++idleInsideConnect;
        return window.MyIdleHandler();
    });
    // Timers keep firing too; the flag-register poll falls due among them.
    int ticksInsideConnect = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (!link.Busy()) return;
        ++ticksInsideConnect;
        QMetaObject::invokeMethod(&window.FlagRegisterReadingTimer(), "timeout", Qt::DirectConnection);
    });
    ticker.start(10);

    EXPECT_FALSE(link.OpenInstrumentLink(false, test::Loopback()));
    EXPECT_FALSE(link.Busy());
    EXPECT_GT(idleInsideConnect, 0) << "the idle step fired inside the connect";
    EXPECT_GT(ticksInsideConnect, 0);
    EXPECT_EQ(stepsInsideConnect, 0);
    EXPECT_EQ(rec.Count("Indicator 0"), 0) << "no poll inside the connect";

    // Once the connect is over the acquisition steps again.
    EXPECT_TRUE(test::RunLoopUntil([&] { return steps > 0; }));
    EXPECT_EQ(stepsInsideConnect, 0);
    window.IdleDriver().SetHandler(nullptr);
}

}  // namespace
}  // namespace vt
