// What the acquisition settings send to the instrument when they change.
#include <gtest/gtest.h>

#include "acq/AcqSettings.h"
#include "acq/AcqTestSupport.h"

using namespace vt;
using namespace vt::test;

TEST(AcqSending, OnlyAveragesAndRecordLengthGoOut) {
    TAcqOnFake c;
    ASSERT_TRUE(c.Open());
    c.Register();
    ASSERT_TRUE(c.Fake.WaitUntil([&] { return c.Sent().size() >= 1; }));
    EXPECT_EQ(c.Sent(), std::vector<std::string>({"Acq:RecLen 512"}));

    c.Cmd("ACQ:FITTO SINGLE;SAMPL ALTERN;RUNUNTIL NACQ;SAMPL SIMULT");
    c.Cmd("ACQ:CH1:NAVG 16");
    c.Cmd("ACQ:CH1:RECLEN 1024");
    ASSERT_TRUE(c.Fake.WaitUntil([&] { return c.Sent().size() >= 3; }));
    const std::vector<std::string> sent = c.Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].rfind("Acq:NAvg 16", 0), 0u) << sent[1];
    EXPECT_EQ(sent[2], "Acq:RecLen 1024");

    // The engine sends the sampling mode before a start, once per change.
    SyncSampleMode(c.Shell);
    SyncSampleMode(c.Shell);
    ASSERT_TRUE(c.Fake.WaitUntil([&] { return c.Sent().size() >= 4; }));
    EXPECT_EQ(c.Sent().back(), "Acq:SmplMode LFFB");
}

TEST(AcqSending, TheEngineBreaksThroughTheLinkAndClosesTheCycle) {
    TAcqOnFake c;
    ASSERT_TRUE(c.Open());
    TInstrumentLink& link = *c.Shell.Link();
    // Nothing outstanding: nothing is sent, the cycle closes.
    c.Acq.SetCycleOpen(true);
    link.BreakAcquisition(true);
    EXPECT_FALSE(c.Acq.CycleOpen());
    EXPECT_TRUE(c.Sent().empty());

    link.StartAcquisition(chCodeCh1, 512, 1, 0, true);
    c.Acq.SetCycleOpen(true);
    c.Shell.FlagRegisterReadingEnabled = false;
    // Any command that is not exempt breaks first; the break drains the stream to its end.
    link.SendCommand("Trig:Mode Free");
    EXPECT_FALSE(link.AcquisitionRunning());
    EXPECT_FALSE(c.Acq.CycleOpen());
    EXPECT_FALSE(link.CommErrorFlag());
    EXPECT_TRUE(c.Shell.FlagRegisterReadingEnabled);
    // The start's own settings go out before "ACQ:GO": wait for the last line.
    ASSERT_TRUE(c.Fake.WaitForLine("Trig:Mode Free"));
    const std::vector<std::string> sent = c.Sent();
    EXPECT_EQ(sent[sent.size() - 2], "ACQ:BREAK");
    EXPECT_EQ(sent.back(), "Trig:Mode Free");
}
