// Lines with a held command (the TDR channel calibration) sent by automation clients to the demo
// program: the line's later commands run once the calibration has ended, its reply keeps the order of
// the line's commands, and a client that closes its sending side still gets the reply. Whether the
// calibration ends done or canceled (its question between the phases, without a screen) does not
// matter here: only the order and the settings after the line do.
#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "ProgramProcess.h"
#include "RawSocketClient.h"
#include "UiTestSupport.h"
#include "link/InstrumentIdentity.h"
#include "ui/Automation.h"
#include "ui/ProgramFeatures.h"

namespace vt {
namespace {

// The pieces of one reply line.
std::vector<std::string> Pieces(const std::string& line) {
    std::vector<std::string> pieces = test::SplitAt(line, ';');
    for (std::string& p : pieces)
        while (!p.empty() && p.back() == ' ') p.pop_back();
    return pieces;
}

TEST(AutomationHeldLineDemo, TheRestOfALineRunsAfterItsCalibrationAndTheReplyKeepsTheLinesOrder) {
    const std::uint16_t port = test::FreePort();
    test::TProgramRig rig({.DemoOptions = 0xFF & ~(optGenerators | optTDT), .AutomationPort = port});
    std::vector<std::string> setup, piped, stopped;
    bool pipedClosed = false;
    rig.RunSteps(300000, [&] {
        test::TRawClient a(port);
        ASSERT_TRUE(a.Connected());
        ASSERT_TRUE(a.SendNow("HEADER OFF\nTDR:MODE TDR\nTDR:CH1:DESTINATION G1\nGSS:CH1 A\nGSS:A:WAWEFORM TDR\n"
                              "ACQ:CH1:RECLEN 512\nTDR:CH1:DOVERTCALIBR;:ACQ:CH1:RECLEN 4096\nACQ:CH1:RECLEN?\n"));
        ASSERT_TRUE(rig.Until([&] { return a.Polled().size() >= 8; }, 240000));
        setup = a.Polled();
        // A script piping its lines: it closes its sending side after the held line.
        test::TRawClient b(port);
        ASSERT_TRUE(b.Connected());
        ASSERT_TRUE(b.SendNow("HEADER OFF\n*RUN\nTDR:CH1:DOVERTCALIBR;:*RUN?;:ACQ:CH1:RECLEN?\n"));
        b.ShutdownSending();
        ASSERT_TRUE(rig.Until([&] { return b.Polled().size() >= 3; }, 240000));
        piped = b.Polled();
        pipedClosed = test::RunLoopUntil([&] {
            b.Polled();
            return b.PeerClosed();
        });
        ASSERT_TRUE(a.SendNow("*RUN\nTDR:CH1:DOVERTCALIBR;:*STOPSINGLE STOP\n*RUN?\n"));
        ASSERT_TRUE(rig.Until([&] { return a.Polled().size() >= 11; }, 240000));
        const std::vector<std::string>& lines = a.Polled();
        stopped.assign(lines.begin() + 8, lines.begin() + 11);
    });
    // The length set after the calibration stays.
    ASSERT_EQ(setup.size(), 8u);
    EXPECT_EQ(setup[7], "4096");
    // The queries read the set-up after the calibration: Run acquires again, the length as set; the
    // calibration's own piece (none when it succeeded) comes first.
    ASSERT_EQ(piped.size(), 3u);
    const std::vector<std::string> pieces = Pieces(piped[2]);
    ASSERT_GE(pieces.size(), 2u) << piped[2];
    EXPECT_LE(pieces.size(), 3u) << piped[2];
    EXPECT_EQ(pieces[pieces.size() - 2], "ON") << piped[2];
    EXPECT_EQ(pieces.back(), "4096") << piped[2];
    EXPECT_TRUE(pipedClosed);
    // The stop runs after the calibration, which has its acquisitions: no wait for one that cannot come.
    ASSERT_EQ(stopped.size(), 3u);
    EXPECT_EQ(stopped[1].find("No acquisition came"), std::string::npos) << stopped[1];
    EXPECT_EQ(stopped[2], "OFF");
}

}  // namespace
}  // namespace vt
