#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "LinkTestSupport.h"
#include "core/temp_folder.h"
#include "link/InstrumentInfo.h"
#include "link/InstrumentInfoFile.h"
#include "link/InstrumentList.h"

using namespace vt;
using namespace vt::test;

TEST(InstrumentInfo, VersionMacAndAddressTexts) {
    TSHW_Ver v{.Text = "3.10.4"};
    ParseVersionString(v);
    EXPECT_EQ(VersionText(v), "3.10.4");
    v.Text = "3.10.4 (2010-03-12)";
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

TEST(InstrumentInfoFile, TheGeneralSectionAndTheInstrumentsCurvesByFirmware) {
    TLinkOnFake f;
    ASSERT_TRUE(f.Open());
    TInstrumentIdentity id;
    id.ModelType = 1;
    id.Options = optLAN;
    id.Year = 2010;
    id.SerialNo = 1234;
    id.SWVersion.Text = "3.10.2 (2011.3.1)";
    ParseVersionString(id.SWVersion);
    id.MacAddress = {0, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    std::string curve65, curve64;
    auto hex = [](int v) {
        char digits[8];
        return std::string(digits, std::to_chars(digits, digits + 8, v, 16).ptr);
    };
    for (int i = 0; i < 64; ++i) curve64 += (i ? " " : "") + hex(0x100 + 3 * i);
    curve65 = curve64 + " " + hex(0x100 + 3 * 64);
    f.Fake.SetReply("CALIBR:SAMPLER:CH1:FULLBW:CALCURVE?", curve65);
    f.Fake.SetReply("CALIBR:SAMPLER:CH1:NARROWBW:CALCURVE?", curve64);
    TInfoFileSources s{.Identity = &id, .Link = &f.Link, .ModelName = "VLT500", .OptionNames = "LAN",
                       .OwnVersion = "2.4.4  (1, Mar 2011)", .Temperature = 31.5, .ReadValues = {}};
    std::vector<std::string> passes;
    s.ReadValues = [&](bool calibration, TInfoFileValues& v) {
        passes.push_back(calibration ? "calibration" : "adjustment");
        v.Srd1Current = 0.0125;
    };
    const std::string text = InfoFileText(s);
    EXPECT_TRUE(text.starts_with("\tGENERAL\n----------------------------\n\nModel: VLT500\nOptions: LAN\nYear: 2010\n"
                                 "Serial Number: 1234\nFPGA FW Version: \nFW Version: 3.10.2  (1, Mar 2011)\n"
                                 "SW Version: 2.4.4  (1, Mar 2011)\nMAC Address: 00-1a-2b-3c-4d-5e\n"
                                 "Temperature: 31.50\u00B0C\n\n\tADJUSTMENTS\n"))
        << text;
    EXPECT_EQ(passes, (std::vector<std::string>{"adjustment", "calibration"}));
    // Only the full band's 65 codes give rows: once per pass.
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find("ADC increments for every", at)) != std::string::npos; ++at) ++n;
    EXPECT_EQ(n, 2u);
    EXPECT_NE(text.find("256\t259\t262\t265\t268\t271\t274\t277\n"), std::string::npos) << "the codes in rows of eight";
    EXPECT_NE(text.find("\n3\t3\t3\t3\t3\t3\t3\t3\n"), std::string::npos);
    EXPECT_NE(text.find("SRD1 Current: 12.5 mA"), std::string::npos);
    EXPECT_NE(text.find("SAMPLER'S TimeBase"), std::string::npos);

    id.SWVersion.Text = "3.8.4";
    ParseVersionString(id.SWVersion);
    id.Options = 0;
    const std::string older = InfoFileText(s);
    EXPECT_EQ(older.find("SAMPLER'S TimeBase"), std::string::npos);
    EXPECT_EQ(older.find("ADC codes"), std::string::npos);
    EXPECT_EQ(older.find("MAC Address: "), std::string::npos);
}

TEST(InstrumentInfoFile, ADemoInstrumentsFileEqualsTheGoldenFileButForTheTemperature) {
    TempFolder root;
    const TInstrumentIdentity id = ReadDemoIdentity(root.Path(), "Default Demo");
    TInfoFileSources s{.Identity = &id, .Link = nullptr, .ModelName = GetModelName(id.ModelType, id.SerialNo, false),
                       .OptionNames = "", .OwnVersion = "2.4.4  (1, Mar 2011)", .Temperature = 27.25, .ReadValues = {}};
    std::string text = InfoFileText(s);
    const std::string temperature = "Temperature: 27.25\u00B0C\n";
    const std::size_t at = text.find(temperature);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, temperature.size(), "Temperature: ~\n");
    const std::filesystem::path golden = std::filesystem::path(VT_LINK_TEST_DATA) / "demo_info.txt";
    std::stringstream expected;
    expected << std::ifstream(golden, std::ios::binary).rdbuf();
    EXPECT_EQ(text, expected.str());
}
