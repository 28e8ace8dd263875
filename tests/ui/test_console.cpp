// The console window, the automation arguments, the close query with clients connected.
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "ui/Automation.h"

using namespace vt;
using namespace vt::test;

namespace {

class ConsoleTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree->Root().AddRadioHandler("Trig:Source", {.Items = "Ch1, Ch2, Ext"});
        tree->Root().AddGpibStringHandler("Wfm:Data", 0, [this](std::string_view, bool, std::uint8_t, std::string& reply) {
            reply = wfm;
        });
    }
    void Send(const QString& text) {
        a.Console.ComboBox1().setEditText(text);
        a.Console.Button1().click();
    }
    QString Log() { return a.Console.Memo1().toPlainText(); }
    QImage Preview() { return a.Console.Image1().pixmap().toImage(); }

    std::unique_ptr<TCommandTree> tree = CreateCommandTree();
    TAutomation a{[this] { return tree.get(); }};
    std::string wfm;
};

TEST_F(ConsoleTest, StartsHiddenWithPresetsAndShowsRepliesBeepsAndPreview) {
    EXPECT_FALSE(a.Console.isVisible());
    EXPECT_EQ(a.Console.ComboBox1().currentText(), "*Run");
    EXPECT_EQ(a.Console.ComboBox1().count(), 16);
    EXPECT_EQ(a.Console.Button1().text(), "Send");
    EXPECT_EQ(a.Console.btnClose().text(), "Exit");
    a.ShowConsole();
    EXPECT_TRUE(a.Console.isVisible());

    // The field opens with its text selected: what the user types replaces it (the keys go to the
    // box, which holds the focus and hands them to its field).
    QWidget* field = &a.Console.ComboBox1();
    QTest::keyClicks(field, "Trig:Source Ch2");
    EXPECT_EQ(a.Console.ComboBox1().currentText().toStdString(), "Trig:Source Ch2");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(a.Console.Beeps(), 1);
    EXPECT_EQ(Log(), "");
    Send("Trig:Source?");
    EXPECT_EQ(Log(), "--> TRIG:SOURCE CH2\n");
    EXPECT_EQ(a.Console.ComboBox1().count(), 18);
    EXPECT_EQ(a.Console.ComboBox1().itemText(17), "Trig:Source?");
    EXPECT_EQ(a.Console.ComboBox1().currentText(), "Trig:Source?");

    const QRgb face = a.Console.palette().color(QPalette::Window).rgb();
    EXPECT_EQ(Preview().pixel(0, 0), face);
    wfm = "WFM:DATA 0, 10";
    Send("Wfm:Data?");
    const QImage p = Preview();
    ASSERT_EQ(p.size(), QSize(256, 64));
    EXPECT_EQ(p.pixel(0, 63), qRgb(255, 255, 255));
    EXPECT_EQ(p.pixel(128, 0), qRgb(255, 255, 255));
    EXPECT_EQ(p.pixel(0, 0), qRgb(0, 0, 0));
    for (int i = 0; i < 4; ++i) Send("Trig:Source?");
    EXPECT_EQ(Preview().pixel(0, 63), face);

    a.Console.btnClose().click();
    EXPECT_FALSE(a.Console.isVisible());
    // Opened again, the last command is offered selected.
    a.ShowConsole();
    QTest::keyClicks(field, "Trig:Source Ext");
    EXPECT_EQ(a.Console.ComboBox1().currentText().toStdString(), "Trig:Source Ext");
}

TEST_F(ConsoleTest, AutomationTrafficIsLoggedAndTheLogStaysWithinItsLimit) {
    ASSERT_TRUE(a.Server.Listen(0));
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, a.Server.Port());
    ASSERT_TRUE(RunLoopUntil([&] { return client.state() == QAbstractSocket::ConnectedState; }));
    client.write("NOSUCH?\n");
    ASSERT_TRUE(RunLoopUntil([&] { return client.canReadLine(); }));
    EXPECT_EQ(client.readLine(), "ERROR\n");
    EXPECT_EQ(Log(), "") << "a hidden console costs the traffic nothing";
    a.ShowConsole();
    EXPECT_EQ(Log(), "Received --> NOSUCH?\n    Returned --> ERROR\n");

    // While shown, lines reach the widget once per turn of the event loop, the log within its limit.
    std::string reply;
    const std::string big(40000, 'q');
    for (int i = 0; i < 5; ++i) {
        a.Service.ExecCommand(big, reply);
        a.Service.ExecCommand("NOSUCH?", reply);
        RunLoopFor(1);
        ASSERT_LE(static_cast<std::size_t>(Log().size()), TConsoleLog::LogLimit);
        ASSERT_EQ(Log().toStdString(), a.Session.Log.Text()) << "the widget shows the log as it stands";
    }
    EXPECT_TRUE(Log().endsWith("Received --> NOSUCH?\n    Returned --> ERROR\n"));
    EXPECT_TRUE(Log().contains(" . . . . . . .\n"));
    a.Console.hide();
}

TEST_F(ConsoleTest, CloseQueryOffersToDisconnectTheClients) {
    TScriptedDialogs dialogs;
    EXPECT_EQ(a.CloseQuery(dialogs, nullptr), 0);
    EXPECT_TRUE(dialogs.Asked.empty());

    EXPECT_FALSE(a.StartServer(0)) << "0 turns the server off";
    ASSERT_TRUE(a.Server.Listen(0));
    QTcpSocket c1, c2;
    c1.connectToHost(QHostAddress::LocalHost, a.Server.Port());
    c2.connectToHost(QHostAddress::LocalHost, a.Server.Port());
    ASSERT_TRUE(RunLoopUntil([&] { return a.Server.ClientCount() == 2; }));
    dialogs.Answers = {TDialogAnswer::No};
    EXPECT_EQ(a.CloseQuery(dialogs, nullptr), 2);
    ASSERT_EQ(dialogs.Asked.size(), 1u);
    EXPECT_NE(dialogs.Asked[0].find("2 automation clients are connected."), std::string::npos) << dialogs.Asked[0];
    EXPECT_NE(dialogs.Asked[0].find("Disconnect them"), std::string::npos);

    dialogs.Answers = {TDialogAnswer::Yes};
    EXPECT_EQ(a.CloseQuery(dialogs, nullptr), 0);
    EXPECT_TRUE(RunLoopUntil([&] {
        return c1.state() == QAbstractSocket::UnconnectedState && c2.state() == QAbstractSocket::UnconnectedState;
    }));
}

TEST(AutomationArguments, PortEmbeddingAndBadNumbers) {
    std::string error;
    std::vector<std::string> args{"Absent", "-Embedding", "--automation-port", "6000", "--home", "/x"};
    bool embedding = false;
    EXPECT_EQ(TakeAutomationArguments(args, error, &embedding), 6000);
    EXPECT_TRUE(embedding) << "taken out, and remembered for the quiet start";
    EXPECT_EQ(args, (std::vector<std::string>{"Absent", "--home", "/x"}));
    EXPECT_EQ(error, "");

    args = {"--automation-port", "0"};
    EXPECT_EQ(TakeAutomationArguments(args, error), 0);
    EXPECT_TRUE(args.empty());

    args = {"/embedding"};
    EXPECT_EQ(TakeAutomationArguments(args, error), TAutomationServer::DefaultPort);
    EXPECT_EQ(args.size(), 1u) << "only the dash form is the system's";

    for (const char* bad : {"65536", "-1", "12x", ""}) {
        args = {"--automation-port", bad};
        error.clear();
        EXPECT_EQ(TakeAutomationArguments(args, error), TAutomationServer::DefaultPort) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_TRUE(args.empty());
    }
    args = {"--automation-port"};
    error.clear();
    EXPECT_EQ(TakeAutomationArguments(args, error), TAutomationServer::DefaultPort);
    EXPECT_FALSE(error.empty());
}

}  // namespace
