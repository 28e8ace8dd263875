// The identity read from the fake instrument and from DemoUnits.ini.
#include <gtest/gtest.h>

#include "core/IniFiles.h"
#include "core/TextFiles.h"
#include "core/temp_folder.h"
#include "link/InstrumentIdentity.h"

#include "LinkTestSupport.h"

using namespace vt;
using namespace vt::test;

namespace {

using TParts = std::array<std::int16_t, 4>;

// Block, model, options, year and serial number, compared at once.
using TFields = std::array<int, 5>;
TFields Fields(const TInstrumentIdentity& id) {
    return {id.BlockNo, id.ModelType, id.Options, id.Year, id.SerialNo};
}

struct TIdentityOnFake : TLinkOnFake {
    TIdentityOnFake() : Unit(Link, Folder.Path()) {
        Unit.ShowMessage = [this](const std::string& m) { Messages.push_back(m); };
        Fake.SetReply("Info:GetVer:SW?", "3.10.6 (2012-05-04)");
        Fake.SetReply("Info:GetVer:FPGAFW?", "5");
    }
    bool Read(const std::string& reply) {
        Fake.SetReply("Info:IndivData?", reply);
        return Unit.ReadIndividualData("Unused");
    }
    TempFolder Folder;
    TInstrumentIdentityUnit Unit;
    std::vector<std::string> Messages;
};

}  // namespace

TEST(IdentityRead, AGoodReplyFillsEveryFieldAndTheVersions) {
    TIdentityOnFake t;
    ASSERT_TRUE(t.Open());
    const TInstrumentIdentity& id = t.Unit.Identity;
    // The fake instrument's own identity is a good reply.
    ASSERT_TRUE(t.Unit.ReadIndividualData("Unused"));
    EXPECT_EQ(id.ModelType, 2);
    EXPECT_EQ(id.SerialNo, 1234);
    ASSERT_TRUE(t.Read("1 255 254 9 1234"));
    EXPECT_EQ(Fields(id), (TFields{1, 4, 1, 2009, 1234}));
    EXPECT_EQ(id.SWVersion.Text, "3.10.6 (2012-05-04)");
    EXPECT_EQ(id.SWVersion.Parts, (TParts{3, 10, 6, -1}));
    EXPECT_EQ(id.FPGAVersion.Text, "0.5");
    EXPECT_EQ(id.FPGAVersion.Parts, (TParts{0, 5, -1, -1}));
    EXPECT_TRUE(id.HasOptClockRecoveryTrig());
    EXPECT_FALSE(id.HasOptLAN());
    EXPECT_EQ(id.MacAddress, TMacAddress{});
    EXPECT_TRUE(t.Messages.empty());
    const auto lines = t.Fake.Lines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"Info:IndivData?", "Info:GetVer:SW?", "Info:GetVer:FPGAFW?"}));

    // Four fields: the last one is read again as the fifth.
    ASSERT_TRUE(t.Read("  5 1 255 10"));
    EXPECT_EQ(Fields(id), (TFields{5, 1, 0, 2010, 10}));
    EXPECT_TRUE(t.Messages.empty());
}

TEST(IdentityRead, BlockZeroAndMalformedRepliesTakeTheFallback) {
    TIdentityOnFake t;
    ASSERT_TRUE(t.Open());
    // Block zero, or any field out of its range, negative or not a number, makes the reply bad; it never
    // aborts. A model code that is not a byte leaves the model unknown: no option gates a menu.
    const std::pair<const char*, int> rows[] = {
        {"0 2 0 10 77", 2},    {"300 255 0 10 77", 4}, {"1 255 0 63536 77", 4}, {"1 255 0 10 65536", 4},
        {"1 255 -1 10 77", 4}, {"1 255 0 1x 77", 4},   {"1 256 0 10 77", 0},    {"1,42,2010,3,10,2,5", 0},
        {"", 0},
    };
    for (const auto& [reply, type] : rows) {
        ASSERT_TRUE(t.Read(reply)) << reply;
        EXPECT_EQ(Fields(t.Unit.Identity), (TFields{0, type, 0, 2000, 0})) << reply;
        // The versions are still read.
        EXPECT_EQ(t.Unit.Identity.SWVersion.Parts, (TParts{3, 10, 6, -1})) << reply;
    }
    EXPECT_TRUE(t.Messages.empty());

    // The largest values in range are good.
    ASSERT_TRUE(t.Read("7 251 0 63535 65535"));
    EXPECT_EQ(t.Unit.Identity.Year, 65535);
    EXPECT_EQ(t.Unit.Identity.SerialNo, 65535);
    EXPECT_EQ(t.Unit.Identity.Options, 255);
    EXPECT_TRUE(t.Unit.Identity.HasOptLAN());
}

TEST(IdentityRead, Block255AsksForNewFirmwareOnceAndFallsBack) {
    TIdentityOnFake t;
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Read("255 1 0 12 50"));
    EXPECT_EQ(Fields(t.Unit.Identity), (TFields{0, 1, 0, 2000, 0}));
    ASSERT_TRUE(t.Read("255 1 0 12 50"));
    ASSERT_EQ(t.Messages.size(), 1u);
    EXPECT_NE(t.Messages[0].find("3.10.4"), std::string::npos);
}

TEST(IdentityRead, TimeoutOrSilenceAnswersFalse) {
    TIdentityOnFake t;
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Read("1 255 254 9 1234"));
    const TInstrumentIdentity before = t.Unit.Identity;
    EXPECT_FALSE(t.Read("TIMEOUT"));
    EXPECT_FALSE(t.Read("timeout"));
    t.Fake.SetFaults({.NoReply = true});
    EXPECT_FALSE(t.Unit.ReadIndividualData("Unused"));
    EXPECT_EQ(t.Unit.Identity, before);
}

TEST(IdentityRead, FailedVersionQueriesLeaveTheVersionsUnknown) {
    TIdentityOnFake t;
    ASSERT_TRUE(t.Open());
    t.Fake.SetReply("Info:GetVer:SW?", "Timeout");
    t.Fake.SetReply("Info:GetVer:FPGAFW?", "no number");
    ASSERT_TRUE(t.Read("1 255 254 9 1234"));
    EXPECT_EQ(t.Unit.Identity.SWVersion.Parts, (TParts{-1, -1, -1, -1}));
    EXPECT_EQ(t.Unit.Identity.FPGAVersion.Parts, (TParts{-1, -1, -1, -1}));
    EXPECT_FALSE(IsVersionAtLeast(t.Unit.Identity.FPGAVersion, {0}));
    EXPECT_FALSE(IsVersionAtLeast(t.Unit.Identity.SWVersion, {0}));

    // An FPGA number beyond a version part is refused, not wrapped.
    t.Fake.SetReply("Info:GetVer:FPGAFW?", "65539");
    ASSERT_TRUE(t.Read("1 255 254 9 1234"));
    EXPECT_EQ(t.Unit.Identity.FPGAVersion.Parts, (TParts{0, -1, -1, -1}));
    EXPECT_FALSE(IsVersionAtLeast(t.Unit.Identity.FPGAVersion, {0, 3}));
}

TEST(IdentityRead, TheMacAddressIsAskedForOnlyWithTheLanOptionAndNewFirmware) {
    TIdentityOnFake t;
    ASSERT_TRUE(t.Open());
    // Option code 127: the LAN bit alone.
    t.Fake.SetReply("Info:TCPIP:GETMAC?", "10.0.1.126.8.77");
    ASSERT_TRUE(t.Read("1 255 127 12 300"));
    EXPECT_EQ(t.Unit.Identity.Options, optLAN);
    EXPECT_EQ(t.Unit.Identity.MacAddress, (TMacAddress{10, 0, 1, 126, 8, 77}));

    // A byte that does not parse or does not fit ends the reading.
    t.Fake.SetReply("Info:TCPIP:GETMAC?", "10 0.300.4.5.6");
    ASSERT_TRUE(t.Read("1 255 127 12 300"));
    EXPECT_EQ(t.Unit.Identity.MacAddress, (TMacAddress{10, 0, 255, 255, 255, 255}));

    // Older firmware cannot tell: the fixed prefix and the serial's low byte.
    t.Fake.SetReply("Info:GetVer:SW?", "3.9.3");
    ASSERT_TRUE(t.Read("1 255 127 12 300"));
    EXPECT_EQ(t.Unit.Identity.MacAddress, (TMacAddress{0x05, 0x55, 0x01, 0x7E, 0x08, 300 & 0xFF}));
    const auto lines = t.Fake.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Info:TCPIP:GETMAC?"), 2);

    // Without the option no address of an earlier unit stays behind.
    ASSERT_TRUE(t.Read("1 255 255 12 300"));
    EXPECT_EQ(t.Unit.Identity.MacAddress, TMacAddress{});
}

// ---------------------------------------------------------------------------------- DemoUnits.ini

TEST(DemoIdentity, WrittenBlocksReadBackWithTheirExactKeys) {
    TempFolder folder;
    WriteDemoIdentity(folder.Path(), "Demo A", 1, 2, true, 77, 12, 0xFF & ~(optGenerators | optOptics));
    const std::string text = ReadFileBytes(folder / "DemoUnits.ini");
    EXPECT_EQ(text,
              "[Demo A Instrument]\nBlock 1 ModelFlashCode=2\nBlock 1 OptionCode=243\nBlock 1 Year=12\n"
              "Block 1 SerNo=77\n");

    const TInstrumentIdentity id = ReadDemoIdentity(folder.Path(), "Demo A");
    // A demo is always of the second revision (model 5).
    EXPECT_EQ(Fields(id), (TFields{1, 5, optGenerators | optOptics, 2012, 77}));
    EXPECT_EQ(id.SWVersion, DefaultVersion());
    EXPECT_EQ(id.FPGAVersion.Numbers, (std::array<std::int16_t, 3>{-1, 1, 20}));
    EXPECT_EQ(id.FPGAVersion.Parts, DefaultVersion().Parts);
    EXPECT_EQ(id.MacAddress, (TMacAddress{0x0A, 0x55, 0x01, 0x7E, 0x08, 77}));

    // Another instrument's section is its own; erasing replaces the section as a whole.
    WriteDemoIdentity(folder.Path(), "Demo B", 1, 251, false, 9, 3, 255);
    WriteDemoIdentity(folder.Path(), "Demo A", 2, 253, true, 5, 20, 255);
    TMemIniFile_Dot ini(folder / "DemoUnits.ini");
    EXPECT_FALSE(ini.ValueExists("Demo A Instrument", "Block 1 SerNo"));
    EXPECT_EQ(ini.ReadInteger("Demo A Instrument", "Block 2 ModelFlashCode", 0), 253);
    EXPECT_EQ(ini.ReadInteger("Demo B Instrument", "Block 1 Year", 0), 3);

    // The year is never below 2009.
    EXPECT_EQ(Fields(ReadDemoIdentity(folder.Path(), "Demo B")), (TFields{1, 8, 0, 2009, 9}));
}

TEST(DemoIdentity, AllZeroBlocksPassToTheNextAndNothingStoredGivesTheDefault) {
    TempFolder folder;
    auto expectDefault = [](const TInstrumentIdentity& id) {
        EXPECT_EQ(Fields(id), (TFields{0, 4, 0, 2009, 1}));
        EXPECT_EQ(id.MacAddress, (TMacAddress{0x0A, 0x55, 0x01, 0x7E, 0x08, 1}));
    };
    expectDefault(ReadDemoIdentity(folder.Path(), "Missing"));

    WriteDemoIdentity(folder.Path(), "Z", 1, 0, true, 0, 0, 0);
    WriteDemoIdentity(folder.Path(), "Z", 2, 0, false, 0, 0, 0);
    WriteDemoIdentity(folder.Path(), "Z", 3, 1, false, 0, 0, 0);
    EXPECT_EQ(Fields(ReadDemoIdentity(folder.Path(), "Z")), (TFields{3, 4, 255, 2009, 0}));

    WriteDemoIdentity(folder.Path(), "Z", 3, 0, false, 0, 0, 0);
    WriteDemoIdentity(folder.Path(), "Z", 4, 0, false, 0, 0, 0);
    expectDefault(ReadDemoIdentity(folder.Path(), "Z"));

    // Nothing stored in block 1 counts as no data, whatever the later blocks hold.
    WriteDemoIdentity(folder.Path(), "Y", 2, 2, true, 8, 10, 0);
    expectDefault(ReadDemoIdentity(folder.Path(), "Y"));
}

TEST(DemoIdentity, ABadEntryTakesItsDefaultWithAMessage) {
    TempFolder folder;
    WriteFileAtomic(folder / "DemoUnits.ini",
                      "[Q Instrument]\nBlock 1 ModelFlashCode=abc\nBlock 1 OptionCode=251\nBlock 1 Year=300000\n"
                      "Block 1 SerNo=2.5\n");
    std::vector<std::string> messages;
    const TInstrumentIdentity id =
        ReadDemoIdentity(folder.Path(), "Q", [&](const std::string& m) { messages.push_back(m); });
    EXPECT_EQ(messages.size(), 3u);
    // The model code falls back to 255 (model 4).
    EXPECT_EQ(Fields(id), (TFields{1, 4, optGenerators, 2255, 65535}));
}

TEST(DemoIdentity, TheReadFollowsTheInstrumentInUse) {
    TIdentityOnFake t;
    t.Link.SetLinkKind(TInstrumentLinkKind::Demo);
    WriteDemoIdentity(t.Folder.Path(), "Demo A", 1, 1, true, 11, 10, 255);
    WriteDemoIdentity(t.Folder.Path(), "Demo B", 1, 252, true, 22, 11, 0xFF & ~optGenerators);
    ASSERT_TRUE(t.Unit.ReadIndividualData("Demo A"));
    EXPECT_EQ(t.Unit.Identity.SerialNo, 11);
    EXPECT_EQ(t.Unit.Identity.ModelType, 4);
    EXPECT_FALSE(t.Unit.Identity.HasOptGenerators());
    // A switch at run time reads the instrument now in use, not the one the program started with.
    ASSERT_TRUE(t.Unit.ReadIndividualData("Demo B"));
    EXPECT_EQ(t.Unit.Identity.SerialNo, 22);
    EXPECT_EQ(t.Unit.Identity.ModelType, 7);
    EXPECT_TRUE(t.Unit.Identity.HasOptGenerators());
    EXPECT_TRUE(t.Fake.Lines().empty());

    // Switching to no instrument forgets the identity: no option of the demo survives.
    t.Link.SetLinkKind(TInstrumentLinkKind::None);
    ASSERT_TRUE(t.Unit.ReadIndividualData("Absent"));
    EXPECT_EQ(t.Unit.Identity, TInstrumentIdentity{});
    EXPECT_FALSE(t.Unit.Identity.HasOptGenerators());
    EXPECT_EQ(t.Unit.Identity.BuildMainCaption(false, {}), "Morvex.    Instrument not connected");
}

TEST(IdentityRead, ARecoveredLinkReadsTheIdentityAgain) {
    TIdentityOnFake t;
    // The program's recovery reads the identity of the instrument in use.
    struct TIdentityRecovery : TLinkRecovery {
        explicit TIdentityRecovery(TInstrumentIdentityUnit& unit) : Unit(unit) {}
        bool ReadIndividualData() override { return Unit.ReadIndividualData("Unused"); }
        TInstrumentIdentityUnit& Unit;
    } recovery(t.Unit);
    t.Link.SetRecovery(&recovery);
    ASSERT_TRUE(t.Open());
    ASSERT_TRUE(t.Read("1 255 254 9 1234"));
    t.Fake.SetReply("Info:IndivData?", "2 254 251 10 55");
    t.Fake.DropConnection();
    EXPECT_TRUE(t.Link.QueryCommand("Info:GetTemp?").TimedOut());
    ASSERT_TRUE(t.Link.CommErrorFlag());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(t.Link.CommErrorIdleStep());
    EXPECT_TRUE(t.Link.CommErrorIdleStep());
    EXPECT_EQ(Fields(t.Unit.Identity), (TFields{2, 5, optGenerators, 2010, 55}));

    // An instrument that answers "TIMEOUT" keeps the link in its error state.
    t.Fake.SetReply("Info:IndivData?", "TIMEOUT");
    t.Fake.DropConnection();
    EXPECT_TRUE(t.Link.QueryCommand("Info:GetTemp?").TimedOut());
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(t.Link.CommErrorIdleStep());
    EXPECT_FALSE(t.Link.CommErrorIdleStep());
    EXPECT_TRUE(t.Link.CommErrorFlag());
    EXPECT_EQ(t.Unit.Identity.SerialNo, 55);
}
