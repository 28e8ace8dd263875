#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "core/IniFiles.h"
#include "core/DotNumberText.h"
#include "core/TextFiles.h"
#include "core/comma_locale.h"
#include "core/temp_folder.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

const char* const kSample =
    "; instrument list\r\n"
    "[Units]\r\n"
    "  Count = 2 \r\n"
    "; the first one\r\n"
    "Name1=Scope A\r\n"
    "\r\n"
    "[Calibr]\r\n"
    "Gain=1.25\r\n"
    "Offset=DefaultValue\r\n"
    "Bad=1,5\r\n"
    "Hex=$1F\r\n";

TMemIniFile_Dot Sample() {
    TMemIniFile_Dot ini;
    ini.SetText(kSample);
    return ini;
}

}  // namespace

TEST(IniFiles, NamesAreFoundWithoutRegardToCaseAndBlanksAreTrimmed) {
    const TMemIniFile_Dot ini = Sample();
    EXPECT_EQ(ini.ReadString("units", "COUNT", "?"), "2");
    EXPECT_EQ(ini.ReadString(" UNITS ", "name1", "?"), "Scope A");
    EXPECT_EQ(ini.ReadString("Units", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadString("Nowhere", "Count", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Units", "Calibr"}));
    EXPECT_EQ(ini.ReadSection("UNITS"), (std::vector<std::string>{"Count", "Name1"}));
    EXPECT_EQ(ini.ReadSectionValues("units"), (std::vector<std::string>{"Count=2", "Name1=Scope A"}));
    EXPECT_TRUE(ini.SectionExists("CALIBR"));
    EXPECT_TRUE(ini.ValueExists("calibr", "gain"));
    EXPECT_FALSE(ini.ValueExists("calibr", "Units"));
    EXPECT_EQ(ini.ReadInteger("Calibr", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Calibr", "Gain", -1), -1);
    EXPECT_EQ(ini.ReadInteger("Calibr", "Missing", 9), 9);
    EXPECT_TRUE(ini.ReadBool("Units", "Count", false));
    EXPECT_TRUE(ini.ReadBool("Units", "Missing", true));
}

TEST(IniFiles, ReadFloatUsesTheDefaultOnlyForAMissingEntry) {
    const TMemIniFile_Dot ini = Sample();
    EXPECT_EQ(ini.ReadFloat("Calibr", "Gain", 0), 1.25);
    EXPECT_EQ(ini.ReadFloat("Calibr", "Missing", 7.5), 7.5);
    EXPECT_EQ(ini.ReadFloat("Calibr", "Offset", 7.5), 7.5);
    EXPECT_THROW(ini.ReadFloat("Calibr", "Bad", 7.5), EConvertError);
    EXPECT_THROW(ini.ReadFloat("Units", "Name1", 7.5), EConvertError);
}

TEST(IniFiles, ABadNumberInAUsersFileFallsBackWithAMessage) {
    test::TempFolder dir;
    const fs::path file = dir / "Configuration.ini";
    std::ofstream(file) << kSample;
    const TMemIniFile_Dot ini(file);
    std::vector<std::string> messages;
    const auto collect = [&](const std::string& m) { messages.push_back(m); };
    EXPECT_EQ(ini.ReadFloatOrDefault("Calibr", "Bad", 2.5, collect), 2.5);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Configuration.ini: [Calibr] Bad=1,5 is not a number; the default 2.5 is used");
    EXPECT_EQ(ini.ReadFloatOrDefault("Calibr", "Gain", 2.5, collect), 1.25);
    EXPECT_EQ(ini.ReadFloatOrDefault("Calibr", "Missing", 2.5, collect), 2.5);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(ini.ReadFloatOrDefault("Calibr", "Bad", -1, nullptr), -1);
}

TEST(IniFiles, FloatsAreWrittenWithADotUnderACommaLocale) {
    VT_UNDER_COMMA_LOCALE();
    TMemIniFile_Dot ini;
    ini.WriteFloat("Calibr", "Gain", 1.5);
    ini.WriteFloat("Calibr", "Tiny", 1e-10);
    EXPECT_EQ(ini.GetText(), "[Calibr]\nGain=1.5\nTiny=1E-10\n");
    EXPECT_EQ(ini.ReadFloat("Calibr", "Gain", 0), 1.5);
    EXPECT_EQ(ini.ReadFloat("Calibr", "Tiny", 0), 1e-10);
}

TEST(IniFiles, RewritingKeepsCommentsAndOrder) {
    TMemIniFile_Dot ini = Sample();
    ini.WriteString("UNITS", "count", "3");
    ini.WriteString("Units", "Name2", "Scope B");
    ini.WriteInteger("New", "Value", -4);
    ini.WriteBool("New", "Flag", true);
    EXPECT_EQ(ini.GetText(),
              "; instrument list\n"
              "[Units]\n"
              "Count=3\n"
              "; the first one\n"
              "Name1=Scope A\n"
              "Name2=Scope B\n"
              "\n"
              "[Calibr]\n"
              "Gain=1.25\n"
              "Offset=DefaultValue\n"
              "Bad=1,5\n"
              "Hex=$1F\n"
              "[New]\n"
              "Value=-4\n"
              "Flag=1\n");
    // A comment above a deleted key stays for what follows.
    ini.DeleteKey("units", "NAME1");
    ini.EraseSection("calibr");
    EXPECT_EQ(ini.GetText(),
              "; instrument list\n"
              "[Units]\n"
              "Count=3\n"
              "; the first one\n"
              "Name2=Scope B\n"
              "\n"
              "[New]\n"
              "Value=-4\n"
              "Flag=1\n");
    ini.Clear();
    EXPECT_EQ(ini.GetText(), "");
}

TEST(IniFiles, ALineBreakInAValueCannotAddEntries) {
    TMemIniFile_Dot ini;
    ini.WriteString("S", "Label", "a\r\n[Other]\nKey=1");
    TMemIniFile_Dot again;
    again.SetText(ini.GetText());
    EXPECT_EQ(again.ReadSections(), std::vector<std::string>{"S"});
    EXPECT_EQ(again.ReadString("S", "Label", ""), "a  [Other] Key=1");
}

TEST(IniFiles, DuplicateSectionsAndKeysReadTheFirst) {
    TMemIniFile_Dot ini;
    ini.SetText("[A]\nx=1\nx=2\n[B]\ny=3\n[a]\nz=4\n");
    EXPECT_EQ(ini.ReadString("A", "x", ""), "1");
    EXPECT_EQ(ini.ReadString("A", "z", ""), "4");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"A", "B"}));
    ini.WriteString("A", "X", "5");
    EXPECT_EQ(ini.ReadSectionValues("A"), (std::vector<std::string>{"x=5", "x=2", "z=4"}));
}

TEST(IniFiles, MemoryFileReadsAnyEncodingAndWritesBackAtomically) {
    test::TempFolder dir;
    const fs::path file = dir / "Language-Vlt.DE";
    WriteFileAtomic(file, EncodeUtf16LEWithBom("[Form]\nCaption=5 \xC2\xB5s\n"));
    TMemIniFile_Dot ini(file);
    EXPECT_EQ(ini.ReadString("form", "caption", ""), "5 \xC2\xB5s");
    ini.WriteString("Form", "Hint", "x");
    EXPECT_EQ(TMemIniFile_Dot(file).ReadString("Form", "Hint", "none"), "none");  // not yet written
    ini.UpdateFile();
    EXPECT_EQ(ReadFileBytes(file), "[Form]\nCaption=5 \xC2\xB5s\nHint=x\n");
    EXPECT_TRUE(TMemIniFile_Dot(dir / "missing.ini").ReadSections().empty());
    EXPECT_THROW(TMemIniFile_Dot().UpdateFile(), EFileError);
}

TEST(IniFiles, DiskFileWritesThroughAndRefusesAReadOnlyFile) {
    test::TempFolder dir;
    const fs::path file = dir / "CalibrImit.ini";
    TIniFile_Dot ini(file);
    ini.WriteFloat("Ch1", "Gain", 0.5);
    EXPECT_EQ(TMemIniFile_Dot(file).ReadFloat("Ch1", "Gain", 0), 0.5);
    ini.WriteString("Ch1", "Note", "n");
    ini.DeleteKey("Ch1", "Gain");
    EXPECT_EQ(ReadFileBytes(file), "[Ch1]\nNote=n\n");
    ini.EraseSection("CH1");
    EXPECT_EQ(ReadFileBytes(file), "");
    ini.WriteInteger("Ch2", "Count", 1);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    EXPECT_THROW(ini.WriteInteger("Ch2", "Count", 2), EFileError);
    EXPECT_EQ(ReadFileBytes(file), "[Ch2]\nCount=1\n");
}
