// The messages a command meets, offscreen on the demo with the program's real dialogs: each command
// of the table gets its reply, its message reaches the log, no modal box is open, the acquisition
// counts on and a following autoscale replies.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "core/CommandService.h"
#include "core/ProgramLog.h"
#include "link/InstrumentIdentity.h"
#include "ui/Automation.h"
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
        // The same save from the window's button: the housekeeping makes it, and nobody sees a box.
        {{"SAVE:MEMO:SOURCE F1"}, "SAVE:MEMO:SAVE", true, "", "Signal is absent"},
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

// The log's line of a question nobody was asked keeps it on one line.
TEST(CommandMessagesDemo, AnAnsweredQuestionIsOneLineWithItsAnswerAndWhy) {
    EXPECT_EQ(AnsweredQuestionLine("  Connect the step\r\nand click OK.  ", "Cancel", "no screen to answer on"),
              "Connect the step and click OK. -- Cancel (no screen to answer on)");
}

}  // namespace
}  // namespace vt
