#include <gtest/gtest.h>

#include <algorithm>

#include "LinkTestSupport.h"
#include "link/InstrumentInfo.h"
#include "link/InstrumentList.h"

using namespace vt;
using namespace vt::test;

TEST(InstrumentInfo, VersionMacAndAddressTexts) {
    TSHW_Ver v{.Text = "3.10.4"};
    ParseVersionString(v);
    EXPECT_EQ(VersionText(v), "3.10.4");
    v.Text = "3.10.4 (12.3.2010)";
    ParseVersionString(v);
    EXPECT_EQ(VersionText(v), "3.10.4  (12, Mar 2010)");
    v.Numbers[1] = 13;
    EXPECT_EQ(VersionText(v), "3.10.4  (12, 13 2010)");

    TMacAddress mac{};
    ASSERT_TRUE(ParseMacAddress("00-1a-2b-3c-4d-5e", mac));
    EXPECT_EQ(MacCommandText(mac), "0 26 43 60 77 94");
    EXPECT_EQ(MacAddressText(mac), "00-1a-2b-3c-4d-5e");
    const TMacAddress kept = mac;
    EXPECT_FALSE(ParseMacAddress("00-1a-2b-3c-4d", mac));
    EXPECT_FALSE(ParseMacAddress("100-1a-2b-3c-4d-5e", mac));
    EXPECT_FALSE(ParseMacAddress("00-1a-2b-3c-4d-5e-6f", mac));
    EXPECT_FALSE(ParseMacAddress("00-1a-2b-3c-4d-5g", mac));
    EXPECT_EQ(mac, kept) << "a refused text changes nothing";

    TIpAddress a;
    ASSERT_TRUE(ParseIpAddress("  192 . 168 . 0 . 1", a));
    EXPECT_EQ(FormatIpAddress(a, 1), "  192 . 168 . 0 . 1");
    EXPECT_EQ(FormatIpAddress(a, 0), "192 168 0 1");
    EXPECT_FALSE(ParseIpAddress("___ . ___ . ___ . ___", a));
    EXPECT_EQ(FormatIpAddress(a, 1), "___ . ___ . ___ . ___");
    EXPECT_FALSE(ParseIpAddress("300.1.1.1", a));

    EXPECT_EQ(InfoFileDirIni([](const char*) -> const char* { return nullptr; }),
              std::filesystem::path("/tmp/Veltrane_InfoFileDir.ini"));
}

TEST(InstrumentInfo, TcpIpStoreSendsEachAddressAndStopsAtAWrongEcho) {
    TLinkOnFake f;
    ASSERT_TRUE(f.Open());
    TIpAddress ip, mask, gateway;
    ASSERT_TRUE(ParseIpAddress("192.168.0.50", ip));
    ASSERT_TRUE(ParseIpAddress("255.255.255.0", mask));
    ASSERT_TRUE(ParseIpAddress("192.168.0.1", gateway));
    f.Fake.SetReply("Info:TCPIP:Gateway? 192 168 0 1", "192 168 0 1");
    f.Fake.SetReply("Info:TCPIP:SubMask? 255 255 255 0", "255 255 255 0");
    f.Fake.SetReply("Info:TCPIP:MyIP? 192 168 0 50", "192 168 0 50");
    const std::size_t before = f.Fake.Lines().size();
    EXPECT_EQ(WriteTcpIpProperties(f.Link, ip, mask, gateway), "");
    const std::vector<std::string> lines = f.Fake.Lines();
    const std::vector<std::string> sent(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end());
    EXPECT_EQ(sent, (std::vector<std::string>{"Info:TCPIP:Gateway? 192 168 0 1", "Info:TCPIP:SubMask? 255 255 255 0",
                                              "Info:TCPIP:MyIP? 192 168 0 50"}));
    EXPECT_EQ(std::count(f.Clock.Sleeps.begin(), f.Clock.Sleeps.end(), 1500), 3);

    f.Fake.SetReply("Info:TCPIP:Gateway? 192 168 0 1", "192 168 0 7");
    const std::size_t second = f.Fake.Lines().size();
    EXPECT_EQ(WriteTcpIpProperties(f.Link, ip, mask, gateway), "ERR_WrGateway");
    EXPECT_EQ(f.Fake.Lines().size(), second + 1) << "nothing more is sent";

    TMacAddress mac{};
    ASSERT_TRUE(ParseMacAddress("00-1a-2b-3c-4d-5e", mac));
    f.Fake.SetReply("Info:TCPIP:GETMAC? 0 26 43 60 77 94", "0 26 43 60 77 94");
    EXPECT_TRUE(WriteMacAddress(f.Link, mac));
    EXPECT_EQ(f.Fake.Lines().back(), "Info:TCPIP:GETMAC? 0 26 43 60 77 94");
    f.Fake.SetReply("Info:TCPIP:GETMAC? 0 26 43 60 77 94", "ERR");
    EXPECT_FALSE(WriteMacAddress(f.Link, mac));
}
