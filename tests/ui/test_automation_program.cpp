// The automation wired into the program's main block: a client is served, F4 shows the console and
// an open connection holds the close until the user lets it go.
#include <QApplication>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "core/temp_folder.h"
#include "core/Shell.h"
#include "core/CommandTree.h"
#include "ui/Automation.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

TEST(AutomationProgram, ServesClientsShowsTheConsoleOnF4AndHoldsTheCloseWhileConnected) {
    const test::TProgramHome programHome;
    const auto home = programHome.Path();
    TShell shell;
    TProgramLife life(shell);
    test::TScriptedDialogs dialogs;
    // Port 0 here: the server is off until the test listens on a port of the system's choice.
    TAutomationFeature feature(shell, dialogs, 0);
    life.Install(feature);
    TAutomation* automation = nullptr;
    TMorda_fr* window = nullptr;
    struct TListen : TUiFeature {
        TAutomationFeature& Feature;
        TAutomation*& Automation;
        TMorda_fr*& Window;
        TListen(TAutomationFeature& f, TAutomation*& a, TMorda_fr*& w) : Feature(f), Automation(a), Window(w) {}
        void WindowCreated(TMorda_fr& w, TSideMenus&, TKitContext&) override {
            Window = &w;
            Automation = Feature.Automation();
            ASSERT_TRUE(Automation->Server.Listen(0));
        }
    } listen(feature, automation, window);
    life.Install(listen);

    QTcpSocket client;
    QByteArray reply;
    bool consoleShown = false;
    int step = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!shell.AcqEnabled || !window) return;
        switch (step) {
            case 0:
                client.connectToHost(QHostAddress::LocalHost, automation->Server.Port());
                client.write("HEADER?\n");
                step = 1;
                break;
            case 1:
                if (!client.canReadLine()) return;
                reply = client.readLine();
                QTest::keyClick(window, Qt::Key_F4);
                consoleShown = automation->Console.isVisible();
                // The user declines to disconnect: the close is refused (the error dialog continues).
                dialogs.Answers = {TDialogAnswer::No, TDialogAnswer::Yes};
                step = 2;
                window->close();
                break;
            case 2:
                if (dialogs.Asked.size() < 2) return;
                // Now the user lets the client go.
                dialogs.Answers = {TDialogAnswer::Yes};
                step = 3;
                window->close();
                break;
            default: break;
        }
    });
    poll.start(5);
    EXPECT_EQ(test::RunMainBlockFor(10000, shell, life, {"--home", home.string(), "Absent"}, dialogs), 0);
    poll.stop();
    EXPECT_EQ(reply, "HEADER ON\n");
    EXPECT_TRUE(consoleShown);
    ASSERT_EQ(dialogs.Asked.size(), 3u);
    EXPECT_NE(dialogs.Asked[0].find("1 automation client is connected."), std::string::npos) << dialogs.Asked[0];
    EXPECT_NE(dialogs.Asked[1].find("utomation clients are connected"), std::string::npos) << dialogs.Asked[1];
    EXPECT_NE(dialogs.Asked[2].find("Disconnect them"), std::string::npos) << dialogs.Asked[2];
    EXPECT_EQ(automation->Server.ClientCount(), 0);
    EXPECT_EQ(step, 3);
}

}  // namespace
}  // namespace vt
