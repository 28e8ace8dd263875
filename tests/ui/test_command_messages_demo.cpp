// The messages a command meets, offscreen on the demo with the program's real dialogs: each command
// of the table gets its reply, its message reaches the log, no modal box is open, the acquisition
// counts on and a following autoscale replies.
#include <gtest/gtest.h>

#include <QApplication>
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
    std::string autoscale;
    bool autoscaleCame = false, autoscaling = false;
    std::vector<std::string> modal;
    // A modal box would hold the cycle: noted, and closed so that the test ends. The autoscale's own
    // progress form is left to it.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget(); box && !autoscaling) {
            modal.push_back(box->metaObject()->className());
            box->close();
        }
    });
    watch.start(20);
    rig.RunSteps(240000, [&] {
        ASSERT_TRUE(rig.Until([&] { return rig.Features().Automation().Automation() != nullptr; }));
        TCOMRC& service = rig.Features().Automation().Automation()->Service;
        const auto send = [&](const std::string& line) {
            std::string reply;
            service.Execute(line, reply, 0, [&](const std::string& text) {
                autoscale = text;
                autoscaleCame = true;
            });
            return reply;
        };
        for (const TCommandMessageRow& r : rows) {
            SCOPED_TRACE(std::string(r.Command) + (r.ByUser ? " (by the user)" : ""));
            rig.Shell.Identity()->Identity.Options |= optPatSyncTrig;
            for (const char* line : r.Setup) EXPECT_EQ(send(line), "") << line;
            modal.clear();
            testing::internal::CaptureStderr();
            EXPECT_EQ(r.ByUser ? rig.Shell.ExecuteCommandString(r.Command) : send(r.Command), r.Reply);
            // Counted on: the cycle that makes the user's save and two more.
            const bool counted = rig.CountOn(3);
            const std::string log = testing::internal::GetCapturedStderr();
            ASSERT_TRUE(counted);
            EXPECT_NE(log.find("veltrane: " + std::string(r.Logged) + "\n"), std::string::npos) << log;
            EXPECT_EQ(modal, std::vector<std::string>{});
            EXPECT_EQ(send("*RUN?"), "*RUN ON");
            EXPECT_EQ(send("TRIG:PATTERNLOCKMODE?"), "TRIG:PATTERNLOCKMODE OFF");
            autoscaleCame = false;
            autoscaling = true;
            autoscale = send("*AUTOSCALE");
            if (!service.Deferred()) autoscaleCame = true;
            ASSERT_TRUE(rig.Until([&] { return autoscaleCame; }, 120000));
            autoscaling = false;
            if (send("*RUN?") != "*RUN ON") {
                EXPECT_EQ(send("*RUN"), "");
            }
            ASSERT_TRUE(rig.CountOn(2));
        }
    });
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
    test::TTwoClients clients(rig);
    std::vector<std::string>& arrived = clients.Arrived;
    rig.RunSteps(240000, [&] {
        ASSERT_TRUE(clients.Connect());
        TCOMRC& service = rig.Features().Automation().Automation()->Service;
        const auto ask = [&](const std::string& line) {
            std::string reply;
            service.Execute(line, reply, 0, nullptr);
            return reply;
        };
        for (const THeldRunRow& r : rows) {
            SCOPED_TRACE(r.Name);
            rig.Shell.Identity()->Identity.Options |= optPatSyncTrig;
            if (rig.Shell.Identity()->Identity.ModelType == 0) rig.Shell.Identity()->Identity.ModelType = 1;
            r.Setup(rig.Shell);
            arrived.clear();
            clients.Modal.clear();
            clients.Send(clients.Runner, std::string(r.Command) + "\n");
            // The other client asks in the turn the run's command is held, long before the run can end
            // (the demo's timebase run ends a few idle passes on); a reply that came at once was not held.
            ASSERT_TRUE(rig.UntilTurn([&] { return service.Deferred() || !arrived.empty(); }));
            EXPECT_EQ(arrived, std::vector<std::string>{});
            if (!arrived.empty()) continue;
            clients.Send(clients.Other, "HEADER?\n");
            ASSERT_TRUE(rig.Until([&] { return arrived.size() >= 2; }, 120000));
            EXPECT_EQ(arrived, (std::vector<std::string>{"other: HEADER ON", std::string("run: ") + r.Reply}));
            ASSERT_TRUE(rig.CountOn(3));
            EXPECT_EQ(clients.Modal, std::vector<std::string>{});
            EXPECT_EQ(ask("*RUN?"), "*RUN ON");
            EXPECT_EQ(ask(r.Query), r.Answer);
        }
        // The constants the calibrations changed go back to the stored ones: no question holds the close.
        rig.Command("FLASH:Calibr:RecallAll");
        ASSERT_TRUE(clients.Disconnect());
    });
}

}  // namespace
}  // namespace vt
