// The calibration and adjustment values: conversions, CalibrImit.ini without an instrument, the
// fake instrument's log of sends and take-backs, the store commands' enabling and the close's flags.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>


#include "AdjustTestSupport.h"
#include "link/AdjustmentValues.h"
#include "link/InstrumentInfoFile.h"

using namespace vt;
using namespace vt::test;

namespace {

std::string FileText(const std::filesystem::path& p) {
    std::stringstream s;
    s << std::ifstream(p, std::ios::binary).rdbuf();
    return s.str();
}

void WriteText(const std::filesystem::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(AdjustValues, ConversionsBothWays) {
    // The bridge pair both ways (the LvlZero and TGUN cases go through the commands below).
    double bridge = 0, balance = 0;
    BridgeFromRaw(32768, 32768, bridge, balance);
    EXPECT_DOUBLE_EQ(bridge, 2.048);
    EXPECT_DOUBLE_EQ(balance, 0);
    EXPECT_EQ(PlusDFromSettings(2.048, 0) * 100000 + MinusDFromSettings(2.048, 0), 3276832768);
    BridgeFromRaw(25600, 22400, bridge, balance);
    EXPECT_NEAR(bridge, 1.5, 1e-12);
    EXPECT_NEAR(balance, 0.1, 1e-12);
    EXPECT_EQ(PlusDFromSettings(1.5, 0.1) * 100000 + MinusDFromSettings(1.5, 0.1), 2560022400);
    EXPECT_EQ(SettingToRaw(TRawConversion::Srd, RawToSetting(TRawConversion::Srd, 30000)), 30000);
}

TEST(AdjustValues, CalibrImitIniDefaultsStoreAndByteIdenticalRoundTrip) {
    TAdjustShell t(false);
    const auto file = t.Root / "CalibrImit.ini";
    t.Adjust->ReadAdjustmentValues(0);
    EXPECT_NEAR(t.Value("FLASH:Calibr:CoarseTB"), 4.6e-9, 1e-15);
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 18333);
    EXPECT_DOUBLE_EQ(t.Value("FLASH:Calibr:Ch2Narrow:BridgeVolt"), 2.048);
    EXPECT_DOUBLE_EQ(t.Value("FLASH:Calibr:Ch2Narrow:Balance"), 0);
    EXPECT_EQ(t.Value("FLASH:Calibr:LevelZero"), 0) << "a missing LvlZero is 0 mV";

    // Demo: a change sends nothing, marks its set and enables its store command.
    t.Shell.ExecuteCommandString("FLASH:CALIBR:FINETB 20000");
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 20000);
    EXPECT_TRUE(t.Adjust->FlashChange().CalibrChanged());
    EXPECT_FALSE(t.Adjust->FlashChange().AdjustChanged());
    EXPECT_FALSE(t.Setting<THandler>("FLASH:Calibr:StoreAll").IsDisabled());
    EXPECT_TRUE(t.Setting<THandler>("FLASH:Adjust:StoreAll").IsDisabled());
    EXPECT_TRUE(t.Lines().empty());

    // "FLASH:ADJUST:STOREALL" writes the adjustment set of the first model line.
    t.Shell.ExecuteCommandString("FLASH:CALIBR:LEVELZERO 10");
    t.Shell.ExecuteCommandString("FLASH:ADJUST:STOREALL");
    TMemIniFile_Dot stored(file);
    EXPECT_EQ(stored.ReadString("Veltrane_L4xx.Adjust.Calibr:TB:", "TGUN", ""), "30667");
    EXPECT_EQ(stored.ReadString("Veltrane_L4xx.Adjust.Calibr:TB:", "GainDAC", ""), "20000");
    EXPECT_EQ(stored.ReadString("Veltrane_L4xx.Adjust.Calibr:Trig:", "LvlZero", ""), "32899");
    EXPECT_EQ(stored.ReadString("Veltrane_L4xx.Adjust.Calibr:Sampler:", "SRD1", ""), "32768")
        << "a value read and unchanged goes back as read";

    // A full calibration set beside another model line's set and the converter's section: a read then
    // a store leaves the file as it was, byte for byte; a bad entry takes its default with a message.
    std::string text = FileText(file);
    for (std::size_t at; (at = text.find("Adjust.")) != std::string::npos;) text.replace(at, 7, "Calibr.");
    text += "[Veltrane_L3xx.Calibr.Calibr:TB:]\nTGUN=30000\n[OE]\nDarkLevel=47.5\n";
    WriteText(file, text);
    t.Adjust->ReadAdjustmentValues(0);
    EXPECT_EQ(t.Value("FLASH:Calibr:LevelZero"), 10);
    EXPECT_TRUE(t.Setting<THandler>("FLASH:Calibr:StoreAll").IsDisabled());
    EXPECT_TRUE(t.Setting<THandler>("FLASH:Adjust:StoreAll").IsDisabled());
    t.Adjust->StoreAdjustmentValues(0);
    EXPECT_EQ(FileText(file), text);

    std::string bad = text;
    bad.replace(bad.find("TGUN=30667"), 10, "TGUN=abc");
    WriteText(file, bad);
    t.Adjust->ReadAdjustmentValues(0);
    ASSERT_EQ(t.Messages.size(), 1u);
    EXPECT_NE(t.Messages[0].find("abc"), std::string::npos);
    EXPECT_NEAR(t.Value("FLASH:Calibr:CoarseTB"), 4.6e-9, 1e-15);
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 20000) << "the read went on past the bad entry";
    // A code beyond the instrument's 32-bit numbers is a bad entry too, not a number cut to fit.
    bad = text;
    bad.replace(bad.find("GainDAC=20000"), 13, "GainDAC=20000333333333333333");
    WriteText(file, bad);
    t.Messages.clear();
    t.Adjust->ReadAdjustmentValues(0);
    ASSERT_EQ(t.Messages.size(), 1u);
    EXPECT_NE(t.Messages[0].find("out of range"), std::string::npos);
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 18333) << "the entry's default";

    // The second model line has sections and a fine-timebase default of its own.
    TAdjustShell b(false, 8);
    b.Adjust->ReadAdjustmentValues(0);
    EXPECT_EQ(b.Value("FLASH:Calibr:FineTB"), 36387);
    b.Adjust->StoreAdjustmentValues(1);
    TMemIniFile_Dot second(b.Root / "CalibrImit.ini");
    EXPECT_EQ(second.ReadString("Veltrane_L3xx.Adjust.Calibr:TB:", "TGUN", ""), "30667");
    EXPECT_EQ(second.ReadString("Veltrane_L3xx.Adjust.Calibr:TB:", "GainDAC", ""), "36387");
}

TEST(AdjustCommands, SendsAndTakeBacksInTheInstrumentLog) {
    TAdjustShell t(true);
    t.Fake.SetReply("Calibr:Trig:LvlZero? 32899", "32912");
    t.Shell.ExecuteCommandString("FLASH:CALIBR:LEVELZERO 10");
    EXPECT_TRUE(Has(t.Lines(), "Calibr:Trig:LvlZero? 32899"));
    EXPECT_EQ(t.Value("FLASH:Calibr:LevelZero"), 11) << "the instrument's accepted value comes back";
    EXPECT_TRUE(t.Fake.WaitForLine("Trig:Level 0"));

    // The bridge pair: both numbers go, both settings follow the two replies, nothing is sent again.
    t.Fake.SetReply("Calibr:Sampler:Ch1:FullBW:PlusD? 25600", "25600");
    t.Fake.SetReply("Calibr:Sampler:Ch1:FullBW:MinusD? 25600", "22400");
    const std::size_t before = t.Lines().size();
    t.Shell.ExecuteCommandString("FLASH:CALIBR:CH1FULL:BRIDGEVOLT 1.6");
    const auto lines = t.Lines();
    ASSERT_EQ(lines.size(), before + 2);
    EXPECT_EQ(lines[before], "Calibr:Sampler:Ch1:FullBW:PlusD? 25600");
    EXPECT_EQ(lines[before + 1], "Calibr:Sampler:Ch1:FullBW:MinusD? 25600");
    EXPECT_NEAR(t.Value("FLASH:Calibr:Ch1Full:BridgeVolt"), 1.5, 1e-9);
    EXPECT_NEAR(t.Value("FLASH:Calibr:Ch1Full:Balance"), 0.1, 1e-9);

    // An unparsable reply keeps the value sent.
    t.Fake.SetReply("Calibr:TB:GainDAC? 20000", "junk");
    t.Shell.ExecuteCommandString("FLASH:CALIBR:FINETB 20000");
    EXPECT_EQ(t.Value("FLASH:Calibr:FineTB"), 20000);

    // GainFix on the first model line: the text goes; another answer is logged, the choice stays.
    t.Fake.SetReply("Calibr:Sampler:Ch2:NarrowBW:GainFix? LOW", "HIGH");
    t.Shell.ExecuteCommandString("FLASH:CALIBR:CH2NARROW:GAINFIX LOW");
    EXPECT_TRUE(Has(t.Lines(), "Calibr:Sampler:Ch2:NarrowBW:GainFix? LOW"));
    EXPECT_EQ(t.Setting<TRadioSwHandler>("FLASH:Calibr:Ch2Narrow:GainFix").GetItemIndex(), 1);
    ASSERT_FALSE(t.Adjust->Log().empty());
    EXPECT_NE(t.Adjust->Log().back().find("HIGH"), std::string::npos);

    // A read sends no value; "2" is reported; a store reply other than 3 too, after the 1500 ms wait.
    t.Fake.SetReply("Calibr:ReRead?", "2");
    const std::size_t readFrom = t.Lines().size();
    t.Adjust->ReadAdjustmentValues(0);
    const auto read = t.Lines();
    for (std::size_t i = readFrom; i < read.size(); ++i)
        EXPECT_EQ(read[i].find("? "), std::string::npos) << read[i];
    EXPECT_TRUE(Has(t.Messages, "Read only from FAT2"));
    EXPECT_FALSE(t.Adjust->FlashChange().AdjustChanged());
    t.Fake.SetReply("Calibr:Store?", "1");
    t.Adjust->StoreAdjustmentValues(0);
    EXPECT_TRUE(Has(t.Messages, "Stored only into FAT 1"));
    EXPECT_NE(std::find(t.Clock.Sleeps.begin(), t.Clock.Sleeps.end(), 1500), t.Clock.Sleeps.end());
}

TEST(AdjustCommands, AbsentValuesAskForInitialValuesUnlessRemote) {
    TAdjustShell t(true);
    t.Fake.SetReply("Calibr:ReRead?", "0");
    t.Fake.SetReply("Calibr:AdjRecall?", "0");
    t.Fake.SetReply("Calibr:AdjStore?", "3");
    // A remote command asks nothing: the question answers Cancel into the log, for either set of values.
    for (const char* command : {"FLASH:CALIBR:RECALLALL", "FLASH:ADJUST:RECALLALL"}) {
        SCOPED_TRACE(command);
        const std::size_t logged = t.Adjust->Log().size();
        EXPECT_EQ(t.Shell.CommandTree()->ExecuteCommandString(command, false), "");
        EXPECT_TRUE(t.Messages.empty());
        ASSERT_EQ(t.Adjust->Log().size(), logged + 1);
        EXPECT_EQ(t.Adjust->Log().back().rfind("The calibration Values is absent!", 0), 0u);
        EXPECT_NE(t.Adjust->Log().back().find("- Cancel"), std::string::npos);
        EXPECT_FALSE(Has(t.Lines(), "Calibr:SetInitialVal?"));
    }

    // A user's Cancel: asked once, no initial values, the values are read as they stand.
    t.Adjust->ReadAdjustmentValues(0);
    ASSERT_EQ(t.Messages.size(), 1u);
    EXPECT_EQ(t.Messages[0].rfind("The calibration Values is absent!", 0), 0u);
    EXPECT_FALSE(Has(t.Lines(), "Calibr:SetInitialVal?"));
    EXPECT_TRUE(Has(t.Lines(), "Calibr:TB:GainDAC?"));
    t.Messages.clear();

    t.User->Ok = true;
    t.Adjust->ReadAdjustmentValues(0);
    const auto lines = t.Lines();
    EXPECT_TRUE(Has(lines, "Calibr:SetInitialVal?"));
    EXPECT_TRUE(Has(lines, "Calibr:AdjStore?"));
    ASSERT_EQ(t.Messages.size(), 2u);
    EXPECT_EQ(t.Messages[0].rfind("The calibration Values is absent!", 0), 0u);
    EXPECT_EQ(t.Messages[1], "Error in Storing of initial Values");

    // The instrument start's own read asks aside: the values are read at once, nothing waits for the
    // answer, a second start while it waits asks nothing more, and OK sets the initial values then.
    TAdjustShell s(true);
    s.Fake.SetReply("Calibr:ReRead?", "0");
    s.User->Later = true;
    s.Adjust->ReadAdjustmentValuesByItself();
    ASSERT_EQ(s.User->Pending.size(), 1u);
    EXPECT_EQ(s.Messages[0].rfind("The calibration Values is absent!", 0), 0u);
    EXPECT_TRUE(Has(s.Lines(), "Calibr:TB:GainDAC?")) << "read before the answer";
    s.Adjust->ReadAdjustmentValuesByItself();
    EXPECT_EQ(s.User->Pending.size(), 1u) << "once while its answer is awaited";
    EXPECT_FALSE(Has(s.Lines(), "Calibr:SetInitialVal?"));
    s.Fake.SetReply("Calibr:AdjRecall?", "1");
    s.Fake.SetReply("Calibr:AdjStore?", "3");
    s.User->Answer(true);
    EXPECT_TRUE(Has(s.Lines(), "Calibr:SetInitialVal?"));
    EXPECT_TRUE(Has(s.Lines(), "Calibr:AdjStore?"));
    EXPECT_EQ(s.Messages.size(), 1u) << "stored without an error";
    // Cancel, once more asked after the answer came: nothing set.
    s.Adjust->ReadAdjustmentValuesByItself();
    ASSERT_EQ(s.User->Pending.size(), 1u);
    const std::size_t before = s.Lines().size();
    s.User->Answer(false);
    EXPECT_EQ(s.Lines().size(), before);

    // The second model line asks no GainFix, and its change is not sent.
    TAdjustShell b(true, 8);
    b.Adjust->ReadAdjustmentValues(0);
    b.Shell.ExecuteCommandString("FLASH:CALIBR:CH1FULL:GAINFIX LOW");
    for (const std::string& line : b.Lines()) EXPECT_EQ(line.find("GainFix"), std::string::npos) << line;
    EXPECT_TRUE(b.Adjust->FlashChange().AdjustChanged());
}

TEST(AdjustCommands, CloseAsksByFlagsAndAccessAndStores) {
    TAdjustShell t(false);
    t.Adjust->ReadAdjustmentValues(0);
    TUnstoredValues none;
    t.Adjust->AddUnstoredValues(none);
    EXPECT_FALSE(none.CalibrationModified || none.AdjustmentModified || none.AdjustAccessGranted);
    t.Shell.ExecuteCommandString("FLASH:CALIBR:STROBE:CHFINDSRD CH2");
    t.Shell.AdjustAccessGranted = true;
    TUnstoredValues v;
    t.Adjust->AddUnstoredValues(v);
    EXPECT_TRUE(v.AdjustmentModified);
    EXPECT_FALSE(v.CalibrationModified);
    EXPECT_TRUE(v.AdjustAccessGranted);
    t.Adjust->StoreValues(true);
    EXPECT_EQ(t.Shell.ExecuteCommandString("Calibr:Temperature?"), "CALIBR:TEMPERATURE 20.00") << "the demo's simulated temperature";
    TMemIniFile_Dot stored(t.Root / "CalibrImit.ini");
    EXPECT_EQ(stored.ReadString("Veltrane_L4xx.Adjust.Calibr:Sampler:", "ChFndSRD", ""), "1");
}

// The information file written from the values themselves: the demo's adjustment and calibration sets
// as the settings hold them after each read.
TEST(AdjustCommands, TheInformationFileTakesTheValuesOfBothSets) {
    TAdjustShell t(false);
    t.Adjust->ReadAdjustmentValues(0);
    t.Shell.ExecuteCommandString("FLASH:CALIBR:COARSEDELAY 7");
    t.Shell.ExecuteCommandString("FLASH:ADJUST:STOREALL");  // the adjustment set now holds delay 7
    t.Shell.ExecuteCommandString("FLASH:CALIBR:COARSEDELAY 3");
    t.Shell.ExecuteCommandString("FLASH:CALIBR:STOREALL");
    const TInstrumentIdentity& id = t.Shell.Identity()->Identity;
    TInfoFileSources s{.Identity = &id, .Link = nullptr, .ModelName = "VLT", .OptionNames = "", .OwnVersion = "",
                       .Temperature = 20, .ReadValues = {}};
    s.ReadValues = [&t](bool calibration, TInfoFileValues& v) {
        t.Adjust->ReadAdjustmentValues(calibration ? 0 : 1);
        ReadInfoFileValues(t.Shell.CommandTree(), v);
    };
    const std::string text = InfoFileText(s);
    const std::size_t calibrations = text.find("\tCALIBRATIONS");
    ASSERT_NE(calibrations, std::string::npos);
    EXPECT_NE(text.find("Coarse Timebase Delay: 7"), std::string::npos) << text;
    EXPECT_NE(text.find("Coarse Timebase: 4.6 ns"), std::string::npos);
    EXPECT_NE(text.find("Bridge Voltage: 2.048 V", calibrations), std::string::npos);
    EXPECT_EQ(t.Value("FLASH:Calibr:CoarseDelay"), 3) << "the calibration set is the one left in the settings";
}
