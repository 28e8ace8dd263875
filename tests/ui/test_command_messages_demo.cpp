// The messages a command meets, offscreen on the demo with the program's real dialogs: each command
// of the table gets its reply, its message reaches the log, no modal box is open, the acquisition
// counts on and a following autoscale replies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "core/CommandService.h"
#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "link/InstrumentIdentity.h"
#include "ui/Automation.h"
#include "ui/AutomationServer.h"
#include "ui/UserDialogs.h"

namespace vt {
namespace {

struct TCommandMessageRow {
    std::vector<const char*> Setup;  // settings sent first, each replying ""
    const char* Command;
    bool ByUser;                     // run as the window's own button runs it, not as a client's line
    const char* Reply;
    const char* Logged;              // a line of standard error, without "veltrane: "
};

TEST(CommandMessagesDemo, EachReachesItsReplyAndTheLogWithoutABoxAndTheAcquisitionGoesOn) {
    const std::vector<TCommandMessageRow> rows = {
        // A source that is off, and a memory that holds nothing, saved to a memory by a script.
        {{"F1:DISPLAY OFF", "SAVE:MEMO:SOURCE F1", "SAVE:MEMO:TOMEMO M2"}, "SAVE:MEMO:SAVE", false, "ERROR",
         "Signal is absent"},
        {{"SAVE:MEMO:SOURCE M1", "SAVE:MEMO:TOMEMO M2"}, "SAVE:MEMO:SAVE", false, "ERROR", "Signal is absent"},
        // The same save from the window's button: the housekeeping makes it, and nobody sees a box; the
        // box's only button is taken for nobody.
        {{"SAVE:MEMO:SOURCE F1"}, "SAVE:MEMO:SAVE", true, "", "Signal is absent -- OK (no screen to answer on)"},
        // The printer's setup box nobody could answer: nothing is set up.
        {{}, "*PRINT PRINTERSETUP", false, "ERROR", "Print Setup -- Cancel (no screen to answer on)"},
        // The pattern lock's search with no pattern length to try: the reply says why, the lock stays off.
        {{}, "TRIG:PATTERNLOCKMODE AUTODETECT", false, "The pattern length list is empty",
         "The pattern length list is empty"},
    };
    TMessageBoxDialogs dialogs;  // offscreen: the program's own dialogs see no screen
    test::TProgramRig rig({.OwnDialogs = &dialogs});
    std::size_t row = 0;
    int stage = 0, until = 0;
    std::string log, autoscale;
    bool autoscaleCame = false;
    std::vector<std::string> modal;
    // A modal box would hold the cycle: noted, and closed so that the test ends. The autoscale's own
    // progress form is left to it.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget(); box && stage != 2) {
            modal.push_back(box->metaObject()->className());
            box->close();
        }
    });
    watch.start(20);
    rig.Run(240000, 20, [&] {
        TAutomation* automation = rig.Features().Automation().Automation();
        if (!automation || !rig.Acquiring()) return;
        TCOMRC& service = automation->Service;
        rig.Shell.Identity()->Identity.Options |= optPatSyncTrig;
        const auto send = [&](const std::string& line) {
            std::string reply;
            service.Execute(line, reply, 0, [&](const std::string& text) {
                autoscale = text;
                autoscaleCame = true;
            });
            return reply;
        };
        if (row == rows.size()) {
            test::CloseMainWindows();
            return;
        }
        const TCommandMessageRow& r = rows[row];
        SCOPED_TRACE(std::string(r.Command) + (r.ByUser ? " (by the user)" : ""));
        switch (stage) {
            case 0:
                for (const char* line : r.Setup) EXPECT_EQ(send(line), "") << line;
                modal.clear();
                testing::internal::CaptureStderr();
                EXPECT_EQ(r.ByUser ? rig.Shell.ExecuteCommandString(r.Command) : send(r.Command), r.Reply);
                until = rig.Acquisitions() + 3;
                stage = 1;
                return;
            case 1:
                // Counted on: the cycle that makes the user's save and two more.
                if (rig.Acquisitions() < until) return;
                log = testing::internal::GetCapturedStderr();
                EXPECT_NE(log.find("veltrane: " + std::string(r.Logged) + "\n"), std::string::npos) << log;
                EXPECT_EQ(modal, std::vector<std::string>{});
                EXPECT_EQ(send("*RUN?"), "*RUN ON");
                EXPECT_EQ(send("TRIG:PATTERNLOCKMODE?"), "TRIG:PATTERNLOCKMODE OFF");
                autoscaleCame = false;
                autoscale = send("*AUTOSCALE");
                if (!service.Deferred()) autoscaleCame = true;
                stage = 2;
                return;
            case 2:
                if (!autoscaleCame) return;
                if (send("*RUN?") != "*RUN ON") {
                    EXPECT_EQ(send("*RUN"), "");
                }
                until = rig.Acquisitions() + 2;
                stage = 3;
                return;
            default:
                if (rig.Acquisitions() < until) return;
                ++row;
                stage = 0;
                return;
        }
    });
    EXPECT_EQ(row, rows.size());
}

// A run a client's command starts (an autoscale, the pattern lock's search) nests no loop: offscreen
// with the program's real dialogs no modal widget is ever active, a second client's query is answered
// while the run goes on, the run's client gets its reply when it ends (a failure's text, never the
// success's empty reply) and the acquisition counts on after it.
struct THeldRunRow {
    const char* Name;
    std::function<void(TShell&)> Setup;
    const char* Command;
    const char* Reply;
    const char* Query;  // asked once the run has ended, with its reply
    const char* Answer;
};

TEST(CommandMessagesDemo, HeldRunsReplyAtTheirEndWhileOtherClientsAreServedAndNoBoxIsModal) {
    const test::TProgramHome* home = nullptr;
    const auto lengths = [&home](const char* list) {
        return [&home, list](TShell& shell) {
            std::ofstream(home->Path() / "~PatternLentgth.lst") << list;
            shell.StartUpSteps.RunRow(shell, TStartUpRow::LoadPatternLengthList);
            shell.ExecuteCommandString("Trig:PatternLockMode Off");
        };
    };
    const auto route = [](int generator) {
        return [generator](TShell& shell) {
            for (const char* path : {"GSS:Ch1", "GSS:Ch2"})
                FindSetting<TRadioSwHandler>(shell.CommandTree(), path)->SetItemIndex(generator);
        };
    };
    const std::vector<THeldRunRow> rows = {
        {"PRBS7 in the list",
         [&](TShell& shell) {
             for (const char* line : {"Ch2:Display OFF", "GSS:A:Waweform PRBS", "GSS:A:PrbsLength 7", "GSS:A:Frequency 1e9",
                                      "Trig:PattLen 200"})
                 shell.ExecuteCommandString(line);
             lengths("63\n127\n255\n")(shell);
         },
         "TRIG:PATTERNLOCKMODE AUTODETECT", "", "TRIG:PATTLEN?", "TRIG:PATTLEN 127 "},
        {"PRBS7 not in the list", lengths("63\n255\n"), "TRIG:PATTERNLOCKMODE AUTODETECT", "Pattern NOT found",
         "TRIG:PATTERNLOCKMODE?", "TRIG:PATTERNLOCKMODE OFF"},
        // The demo's sine of 10 ns: the period search ends in the B timebase.
        {"sine",
         [](TShell& shell) {
             for (const char* line : {"GSS:A:Waweform Sinewave", "GSS:A:Frequency 1e8"}) shell.ExecuteCommandString(line);
         },
         "*AUTOSCALE", "", "TB:MODE?", "TB:MODE B"},
        // No signal: the run fails and puts the timebase back.
        {"no signal", route(0), "*AUTOSCALE", "The amplitude is too small", "TB:MODE?", "TB:MODE B"},
        // The demo's channel calibration runs through its stages to the end: the result is 0.
        {"channels' calibration", [](TShell& shell) { shell.ExecuteCommandString("FLASH:Calibr:AutocalResult 5"); },
         "FLASH:CALIBR:AUTOCALCH", "", "FLASH:CALIBR:AUTOCALRESULT?", "FLASH:CALIBR:AUTOCALRESULT  0 "},
        // The timebase's: the demo's fine value of its line (the first).
        {"timebase calibration", [](TShell& shell) { shell.ExecuteCommandString("FLASH:Calibr:FineTB 12500"); },
         "FLASH:CALIBR:AUTOCALTB", "", "FLASH:CALIBR:FINETB?", "FLASH:CALIBR:FINETB 18333 "},
    };
    TMessageBoxDialogs dialogs;  // offscreen: the program's own dialogs see no screen
    test::TProgramRig rig({.OwnDialogs = &dialogs});
    home = &rig.Home;
    std::vector<std::string> modal;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            modal.push_back(box->metaObject()->className());
            box->close();
        }
    });
    watch.start(5);
    QTcpSocket runner, other;
    std::vector<std::string> arrived;  // "run: <reply>" and "other: <reply>" in the order they came
    const auto collect = [&arrived](QTcpSocket& socket, const char* who) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [&socket, &arrived, who] {
            while (socket.canReadLine()) arrived.push_back(who + socket.readLine().trimmed().toStdString());
        });
    };
    collect(runner, "run: ");
    collect(other, "other: ");
    std::size_t row = 0;
    int stage = 0, until = 0;
    TCOMRC* held = nullptr;
    // The other client asks as soon as the run's command is held, long before the run can end.
    QTimer kick;
    QObject::connect(&kick, &QTimer::timeout, [&] {
        if (stage != 1 || !held || !held->Deferred() || !arrived.empty()) return;
        other.write("HEADER?\n");
        other.flush();
        stage = 2;
    });
    kick.start(1);
    rig.Run(240000, 20, [&] {
        TAutomation* automation = rig.Features().Automation().Automation();
        if (!automation || !rig.Acquiring()) return;
        if (!automation->Server.IsListening()) {
            ASSERT_TRUE(automation->Server.Listen(0));
            runner.connectToHost(QHostAddress::LocalHost, automation->Server.Port());
            other.connectToHost(QHostAddress::LocalHost, automation->Server.Port());
            return;
        }
        if (row < rows.size() &&
            (runner.state() != QAbstractSocket::ConnectedState || other.state() != QAbstractSocket::ConnectedState))
            return;
        if (row == rows.size()) {
            // The constants the calibrations changed go back to the stored ones: no question holds the close.
            if (automation->Server.ClientCount() == 2) rig.Command("FLASH:Calibr:RecallAll");
            // Connected clients hold the close.
            runner.disconnectFromHost();
            other.disconnectFromHost();
            if (automation->Server.ClientCount() == 0) test::CloseMainWindows();
            return;
        }
        const THeldRunRow& r = rows[row];
        SCOPED_TRACE(r.Name);
        TCOMRC& service = automation->Service;
        held = &service;
        const auto ask = [&](const std::string& line) {
            std::string reply;
            service.Execute(line, reply, 0, nullptr);
            return reply;
        };
        rig.Shell.Identity()->Identity.Options |= optPatSyncTrig;
        if (rig.Shell.Identity()->Identity.ModelType == 0) rig.Shell.Identity()->Identity.ModelType = 1;
        switch (stage) {
            case 0:
                r.Setup(rig.Shell);
                arrived.clear();
                modal.clear();
                runner.write((std::string(r.Command) + "\n").c_str());
                runner.flush();
                stage = 1;
                return;
            case 1:
                // A reply that came at once was not held.
                EXPECT_EQ(arrived, std::vector<std::string>{});
                if (!arrived.empty()) stage = 3;
                return;
            case 2:
                if (arrived.size() < 2) return;
                EXPECT_EQ(arrived, (std::vector<std::string>{"other: HEADER ON", std::string("run: ") + r.Reply}));
                until = rig.Acquisitions() + 3;
                stage = 4;
                return;
            case 3:
                ++row;
                stage = 0;
                return;
            default:
                if (rig.Acquisitions() < until) return;
                EXPECT_EQ(modal, std::vector<std::string>{});
                EXPECT_EQ(ask("*RUN?"), "*RUN ON");
                EXPECT_EQ(ask(r.Query), r.Answer);
                ++row;
                stage = 0;
                return;
        }
    });
    EXPECT_EQ(row, rows.size());
}

}  // namespace
}  // namespace vt
