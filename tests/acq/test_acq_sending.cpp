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
