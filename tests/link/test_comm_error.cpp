// The communication-error state: its idle grace, the probe and the recovery.
#include <gtest/gtest.h>

#include <algorithm>

#include "LinkTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

struct TRecovery : TCommErrorReport, TLinkRecovery {
    explicit TRecovery(TInstrumentLink& link) : Link(link) {
        link.SetCommErrorReport(this);
        link.SetRecovery(this);
    }
    void ReportCommError(std::string_view s) override { Log.push_back("report" + std::string(s)); }
    void ClearCommError() override { Log.push_back("clear"); }
    bool ReadIndividualData() override {
        Log.push_back("identity");
        return !Link.QueryCommand("Info:IndivData?").TimedOut() && IdentityOk;
    }
    void RefreshAfterConnect() override { Log.push_back("refresh"); }
    bool ResendInstrumentSettings() override {
        Log.push_back("resend");
        Link.SendCommand("Trig:Mode Trig");
        return ResendOk;
    }
    TInstrumentLink& Link;
    std::vector<std::string> Log;
    bool IdentityOk = true;
    bool ResendOk = true;
};

}  // namespace

TEST(CommError, AfterTheGraceCallsTheProbeReconnectsAndTheLinkRecovers) {
    TLinkOnFake t;
    TRecovery r(t.Link);
    ASSERT_TRUE(t.Open());
    EXPECT_TRUE(t.Link.CommErrorIdleStep());  // no error: nothing to do
    EXPECT_TRUE(r.Log.empty());

    t.Fake.DropConnection();
    EXPECT_TRUE(t.Link.QueryCommand("Info:GetTemp?").TimedOut());
    ASSERT_TRUE(t.Link.CommErrorFlag());
    EXPECT_EQ(t.Link.CommErrIdleCount(), 0);

    // The test timing grants 3 idle calls before the first probe.
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(t.Link.CommErrorIdleStep());
    EXPECT_EQ(r.Log, std::vector<std::string>(3, "report"));
    EXPECT_EQ(t.Fake.Connections(), 1);
    r.Log.clear();

    EXPECT_TRUE(t.Link.CommErrorIdleStep());
    EXPECT_FALSE(t.Link.CommErrorFlag());
    EXPECT_EQ(r.Log, (std::vector<std::string>{"report", "identity", "refresh", "resend", "clear"}));
    EXPECT_TRUE(t.Fake.WaitUntil([&] { return t.Fake.Connections() == 2; }));
    EXPECT_TRUE(t.Fake.WaitForLine("Info:GetVer:FPGAFW?"));
    EXPECT_TRUE(t.Fake.WaitForLine("Trig:Mode Trig"));
}

TEST(CommError, WhileTheInstrumentRefusesEveryCallProbesAndTheLinkRecoversWhenItIsBack) {
    TLinkOnFake t;
    TRecovery r(t.Link);
    ASSERT_TRUE(t.Open());
    t.Fake.SetRefusing(true);
    EXPECT_FALSE(t.Link.SendCommand("Trig:Mode Free"));
    ASSERT_TRUE(t.Link.CommErrorFlag());
    for (int i = 0; i < 3; ++i) t.Link.CommErrorIdleStep();
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(t.Link.CommErrorIdleStep());
    EXPECT_EQ(std::count(r.Log.begin(), r.Log.end(), "identity"), 0);
    EXPECT_FALSE(t.Link.TcpConnectedFlag());
    t.Fake.SetRefusing(false);
    EXPECT_TRUE(t.Link.CommErrorIdleStep());
    EXPECT_TRUE(t.Link.TcpConnectedFlag());
    EXPECT_EQ(t.Fake.Connections(), 2);
}

TEST(CommError, TheStateEndsOnlyWhenIdentityAndResendSucceeded) {
    TLinkOnFake t;
    TRecovery r(t.Link);
    ASSERT_TRUE(t.Open());
    t.Fake.DropConnection();
    t.Link.QueryCommand("Info:GetTemp?");
    ASSERT_TRUE(t.Link.CommErrorFlag());
    for (int i = 0; i < 3; ++i) t.Link.CommErrorIdleStep();

    r.IdentityOk = false;
    EXPECT_FALSE(t.Link.CommErrorIdleStep());
    EXPECT_TRUE(t.Link.CommErrorFlag());
    r.IdentityOk = true;
    r.ResendOk = false;
    r.Log.clear();
    EXPECT_FALSE(t.Link.CommErrorIdleStep());  // probes again at once
    EXPECT_TRUE(t.Link.CommErrorFlag());
    EXPECT_EQ(r.Log, (std::vector<std::string>{"report", "identity", "refresh", "resend"}));
    r.ResendOk = true;
    EXPECT_TRUE(t.Link.CommErrorIdleStep());
    EXPECT_FALSE(t.Link.CommErrorFlag());
}
