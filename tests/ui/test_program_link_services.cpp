// The link of a running program reports its communication error on the display and, once the
// instrument answers again, reads the identity of the instrument in use through the program.
#include <gtest/gtest.h>

#include <memory>

#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "link/LinkTestSupport.h"
#include "program/ProgramLinkServices.h"
#include "support/FakeInstrument.h"

namespace vt {
namespace {

struct TReportingDisplay : TDisplayServices {
    explicit TReportingDisplay(std::vector<std::string>& log) : Log(log) {}
    void ReportCommError(std::string_view suffix) override { Log.push_back("Report " + std::string(suffix)); }
    void ClearCommError() override { Log.emplace_back("Clear"); }
    std::vector<std::string>& Log;
};

TEST(ProgramLinkServices, ReportTheErrorReadTheIdentityOnRecoveryAndLetGoOfTheLink) {
    test::TempFolder folder;
    test::TFakeInstrument fake;
    fake.SetReply("Info:GetVer:SW?", "3.10.6 (2012-05-04)");
    fake.SetReply("Info:GetVer:FPGAFW?", "5");
    fake.SetReply("Info:IndivData?", "1 255 254 9 1234");
    test::TFakeLinkClock clock;
    TShell shell;
    std::vector<std::string> display;
    shell.SetDisplayServices(std::make_unique<TReportingDisplay>(display));
    shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(test::FastTiming(fake.Port()), &clock)));
    shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*shell.Link(), folder.Path())));
    TInstrumentLink& link = *shell.Link();
    auto services = std::make_unique<TProgramLinkServices>(shell);
    services->AttachToProgram(shell);

    ASSERT_TRUE(link.OpenInstrumentLink(false, test::Loopback()));
    ASSERT_TRUE(shell.Identity()->ReadIndividualData("Unused"));
    EXPECT_EQ(shell.Identity()->Identity.SerialNo, 1234);

    // The recovery refreshes every feature's controls as an instrument start does.
    int refreshes = 0;
    shell.Refresh.Add(TRefreshRow::RefreshAcqHandlers, [&](TShell&) { ++refreshes; });
    fake.SetReply("Info:IndivData?", "2 254 251 10 55");
    fake.DropConnection();
    EXPECT_TRUE(link.QueryCommand("Info:GetTemp?").TimedOut());
    ASSERT_TRUE(link.CommErrorFlag());
    bool recovered = false;
    for (int i = 0; i < 10 && !recovered; ++i) recovered = link.CommErrorIdleStep();
    ASSERT_TRUE(recovered);
    EXPECT_EQ(shell.Identity()->Identity.SerialNo, 55) << "the identity was read again through the program";
    EXPECT_EQ(refreshes, 1);
    ASSERT_FALSE(display.empty());
    EXPECT_EQ(display.front().rfind("Report", 0), 0u) << display.front();
    EXPECT_EQ(display.back(), "Clear");

    // The services go before the link: the link falls back to its own defaults, never to a freed peer.
    services.reset();
    display.clear();
    fake.DropConnection();
    EXPECT_TRUE(link.QueryCommand("Info:GetTemp?").TimedOut());
    for (int i = 0; i < 10 && link.CommErrorFlag(); ++i) link.CommErrorIdleStep();
    EXPECT_TRUE(display.empty());
}

}  // namespace
}  // namespace vt
