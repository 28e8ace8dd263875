// The deadlines of the runs a client starts, in the demo program: once the acquisitions stop, the
// program's idle pass alone ends each run as failed when its stall time has passed on the link clock,
// and the client's held reply says so. Nothing of the test calls a run or its deadline.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "core/Shell.h"
#include "link/InstrumentIdentity.h"
#include "ui/Automation.h"
#include "ui/ProgramFeatures.h"

namespace vt {
namespace {

struct TStallRow {
    const char* Name;
    std::vector<const char*> Setup;
    const char* Command;
    const char* Reply;
};

TEST(HeldRunDeadlinesDemo, ARunWhoseAcquisitionsStopFailsAfterItsStallTimeThroughTheIdlePass) {
    // Every run below gives up after 10 s without an acquisition.
    constexpr int StallMs = 10000;
    const std::vector<TStallRow> rows = {
        {"channel calibration", {}, "FLASH:CALIBR:AUTOCALCH", "Calibration failed"},
        {"converter dark level", {"OEConv:Dest Ch1"}, "FLASH:OECALIBR:AUTODARKLVL",
         "Calibration failed: no acquisition came for 10 s."},
        {"converter gain", {}, "FLASH:OECALIBR:AUTOCALGAIN", "Calibration failed: no acquisition came for 10 s."},
        {"TDR channel calibration",
         {"OEConv:Dest OEConv", "TDR:Mode TDR", "TDR:Ch1:Destination G1", "GSS:Ch1 A", "GSS:A:Waweform TDR"},
         "TDR:CH1:DOVERTCALIBR", "Calibration failed: No acquisition came for 10 s."},
    };
    test::TMovableLinkClock clock;
    // The demo unit with the optics, generator and TDT options.
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optOptics | optGenerators | optTDT), .LinkClock = &clock});
    std::vector<std::string> replies(rows.size(), "none"), early(rows.size(), "none");
    std::vector<int> acquiredMeanwhile(rows.size(), -1);
    std::size_t row = 0;
    int stage = 0, stoppedAt = 0, polls = 0;
    rig.Run(240000, 20, [&] {
        if (row == rows.size()) {
            test::CloseMainWindows();
            return;
        }
        TAutomation* automation = rig.Features().Automation().Automation();
        const TStallRow& r = rows[row];
        if (stage == 0) {
            if (!automation || !rig.Acquiring()) return;
            for (const char* line : r.Setup) rig.Command(line);
            std::string reply;
            automation->Service.Execute(r.Command, reply, 0, [&, at = row](const std::string& text) { replies[at] = text; });
            // The acquisitions stop where they are; the run goes on waiting for one.
            rig.Shell.FlagRegisterMode = true;
            stoppedAt = rig.Acquisitions();
            clock.AheadMs += StallMs - 5000;
            stage = 1;
        } else if (stage == 1) {
            early[row] = replies[row];
            clock.AheadMs += 5000;
            polls = 0;
            stage = 2;
        } else if (replies[row] != "none" || ++polls > 250) {
            acquiredMeanwhile[row] = rig.Acquisitions() - stoppedAt;
            rig.Shell.FlagRegisterMode = false;
            if (!rig.Shell.RunOn) rig.Command("*Run");
            ++row;
            stage = 0;
        }
    });
    ASSERT_EQ(row, rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].Name);
        EXPECT_EQ(early[i], "none") << "held until its stall time";
        EXPECT_EQ(replies[i], rows[i].Reply);
        EXPECT_EQ(acquiredMeanwhile[i], 0);
    }
}

}  // namespace
}  // namespace vt
