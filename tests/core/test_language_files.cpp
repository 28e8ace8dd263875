#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/temp_folder.h"
#include "core/IniFiles.h"
#include "core/LanguageTable.h"
#include "core/LanguageState.h"
#include "core/DotNumberText.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

class LanguageFiles : public ::testing::Test {
protected:
    void SetUp() override {
        Root = Folder.Path() / "data";
        Config = Folder.Path() / "config";
        fs::create_directories(Root);
    }
    vt::test::TempFolder Folder;

    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(Root / name, std::ios::binary) << bytes;
    }
    // A language file with the given "Resource Strings" lines.
    void PutLanguage(const std::string& ext, const std::string& name, const std::vector<std::string>& lines) const {
        std::string text = "[Common]\nCommon:Language=" + name + "\n[Resource Strings]\n";
        for (const auto& l : lines) text += "Resource Strings:rs" + l + "\n";
        Put("Language-Vlt." + ext, text);
    }
    std::string Bytes(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    TLanguageState& Make() {
        TLanguageSetup setup;
        setup.DataRoot = Root;
        setup.ConfigFolder = Config;
        setup.ProgramFile = "/opt/veltrane/bin/veltrane";
        setup.ShowMessage = [this](const std::string& m) { Messages.push_back(m); };
        setup.AskYesNo = [this](const std::string& q) {
            Questions.push_back(q);
            return AnswerYes;
        };
        setup.InstrumentName = [] { return std::string("Veltrane L412"); };
        State = std::make_unique<TLanguageState>(std::move(setup));
        return *State;
    }
    std::string UserCode() const {
        return TIniFile_Dot(Config / "veltrane" / "Veltrane.ini")
            .ReadString(kLangLocalesSection, "/opt/veltrane/bin/veltrane", "");
    }

    fs::path Root, Config;
    std::vector<std::string> Messages, Questions;
    bool AnswerYes = true;
    std::unique_ptr<TLanguageState> State;
};

}  // namespace

TEST_F(LanguageFiles, LookupMissingKeyAndUnitMarker) {
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(s.GetLangStr("Chn"), "Ch%d");
    EXPECT_EQ(FormatDot(s.GetLangStr("Channel_n"), 2), "Channel 2");
    EXPECT_TRUE(Messages.empty());

    EXPECT_EQ(s.GetLangStr("NoSuchKey"), "????????????????????????????????");
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], "           ERROR!!!\r\n Language String \"rsNoSuchKey\" is absent!");
    EXPECT_EQ(s.GetLangStr("period"), kLangMissingText);  // keys are case-sensitive

    EXPECT_EQ(s.GetLangStr("TBCalibrPerform"), "The Veltrane L412 is ready to perform Time Base Calibration !");
    EXPECT_EQ(s.GetLangStr("TBCalibrPerform", true), "The @Unit@ is ready to perform Time Base Calibration !");
    s.Strings().ChangeLangStr("Screen", "@Unit@ and @Unit@");
    EXPECT_EQ(s.GetLangStr("Screen"), "Veltrane L412 and @Unit@");
}

TEST_F(LanguageFiles, TableRefusesDuplicatesAndUnknownChanges) {
    TLanguageState& s = Make();
    s.Strings().AddLangStr("Screen", "again");
    s.Strings().ChangeLangStr("Nope", "x");
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[0], "TLanguageStrings.AddLangStr - Name \"Screen\" Duplicated");
    EXPECT_EQ(Messages[1], "TLanguageStrings.ChangeLangStr - Name \"Nope\" Not Found");
    EXPECT_EQ(s.GetLangStr("Screen"), "Screen");
}

TEST_F(LanguageFiles, ScanSortsCodesSkipsBackupsAndKeepsTwentySix) {
    PutLanguage("fra", "Fran\u00E7ais", {});
    PutLanguage("Eng", "English", {});
    PutLanguage("Deu", "Deutsch", {});
    PutLanguage("~Deu", "old", {});
    PutLanguage("Deu.bak", "old", {});
    Put("Language-Vlt.", "x");
    Put("Other.Deu", "x");
    fs::create_directories(Root / "Language-Vlt.Dir");
    TLanguageState& s = Make();
    s.ScanLanguageFiles();
    ASSERT_NE(s.Languages(), nullptr);
    ASSERT_EQ(s.Languages()->Count(), 3);
    EXPECT_EQ(s.Languages()->Code(0), "DEU");
    EXPECT_EQ(s.Languages()->Code(1), "ENG");
    EXPECT_EQ(s.Languages()->Code(2), "FRA");
    EXPECT_EQ(s.Languages()->Name(2), "Fran\u00E7ais");
    EXPECT_EQ(s.Languages()->EngIndex(), 1);

    for (char c = 'A'; c <= 'Z'; ++c) PutLanguage(std::string("X") + c, "x", {});
    s.ScanLanguageFiles();
    EXPECT_EQ(s.Languages()->Count(), 26);
    EXPECT_EQ(s.Languages()->Code(25), "XW");
}

TEST_F(LanguageFiles, NoLanguageFileRunsOnBuiltInEnglishAndWritesNothing) {
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(s.Languages(), nullptr);
    EXPECT_FALSE(s.EnglishFileMissing());
    EXPECT_FALSE(s.CreateEnglishLanguageFile());
    EXPECT_TRUE(fs::is_empty(Root));
    EXPECT_FALSE(fs::exists(Config));
}

TEST_F(LanguageFiles, ReadsUtf16AndUtf8FilesByTheirMark) {
    const std::string text = "[Common]\r\nCommon:Language=Deutsch\r\n[Resource Strings]\r\n"
                             "Resource Strings:rsScreen=Bildschirm\r\nResource Strings:rsChn=K%d\r\n";
    const std::vector<std::string> encodings{Utf16(text, false), Utf16(text, true), "\xEF\xBB\xBF" + text, text};
    for (const std::string& bytes : encodings) {
        PutLanguage("Eng", "English", {});
        Put("Language-Vlt.Deu", bytes);
        fs::remove_all(Config);
        fs::create_directories(Config / "veltrane");
        std::ofstream(Config / "veltrane" / "Veltrane.ini")
            << "[" << kLangLocalesSection << "]\n/opt/veltrane/bin/veltrane=deu\n";
        TLanguageState& s = Make();
        s.InitLanguages();
        EXPECT_EQ(s.Languages()->Name(0), "Deutsch");
        EXPECT_EQ(s.Languages()->ChosenIndex(), 0);  // the stored code compares upper-cased
        EXPECT_EQ(s.GetLangStr("Screen"), "Bildschirm");
        EXPECT_EQ(s.GetLangStr("Chn"), "K%d");
    }
    // Without a mark and not valid UTF-8: Latin-1.
    Put("Language-Vlt.Deu", "[Resource Strings]\nResource Strings:rsScreen=\xB5s\n");
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(s.GetLangStr("Screen"), "\u00B5s");
}

TEST_F(LanguageFiles, MissingEnglishFileIsWrittenInUtf16AndReadsBackIdentically) {
    PutLanguage("Deu", "Deutsch", {"Screen=Bildschirm"});
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_TRUE(s.EnglishFileMissing());
    EXPECT_EQ(s.GetLangStr("Screen"), "Screen");  // built-in English while the English file is missing
    EXPECT_EQ(s.FormTextsFile(), nullptr);
    EXPECT_FALSE(fs::exists(Config));

    bool sawWriting = false;
    ASSERT_TRUE(s.CreateEnglishLanguageFile([&](TLangIniFile& file) {
        sawWriting = s.EnglishFileWriting();
        file.WriteLangString("TMain", "Caption", "Main");
    }));
    EXPECT_TRUE(sawWriting);
    EXPECT_FALSE(s.EnglishFileWriting());
    ASSERT_FALSE(Messages.empty());
    EXPECT_EQ(Messages.back(), "English Language File must be Created.");
    const std::string bytes = Bytes(Root / "Language-Vlt.Eng");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");

    Messages.clear();
    TLanguageState& again = Make();
    again.InitLanguages();
    EXPECT_FALSE(again.EnglishFileMissing());
    EXPECT_EQ(again.Languages()->Code(again.Languages()->ChosenIndex()), "ENG");
    EXPECT_EQ(again.Languages()->Name(again.Languages()->ChosenIndex()), "English");
    EXPECT_EQ(UserCode(), "ENG");
    EXPECT_TRUE(Questions.empty());  // nothing was missing, nothing was logged
    EXPECT_TRUE(Messages.empty());
    for (const TLangTableRow& row : BuiltInLanguageTable())
        EXPECT_EQ(again.GetLangStr(row.Key, true), row.Text) << row.Key;
    std::string check;
    ASSERT_TRUE(again.FormTextsFile()->FindRaw("Common", "CheckFont", check));
    EXPECT_NE(check.find("\u221E"), std::string::npos);
    std::string caption;
    EXPECT_TRUE(again.ReadLangText(*again.FormTextsFile(), "TMain", "Caption", caption));
    EXPECT_EQ(caption, "Main");
    EXPECT_FALSE(again.CreateEnglishLanguageFile());
}

TEST_F(LanguageFiles, ChosenLanguageIsKeptPerUserAndSwitched) {
    PutLanguage("Eng", "English", {});
    PutLanguage("Deu", "Deutsch", {"Screen=Bildschirm"});
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(s.Languages()->ChosenIndex(), 1);  // nothing stored yet: English, and that is stored
    EXPECT_EQ(UserCode(), "ENG");

    EXPECT_FALSE(s.SwitchLanguage(1));
    EXPECT_FALSE(s.SwitchLanguage(7));
    EXPECT_TRUE(s.SwitchLanguage(0));
    EXPECT_EQ(UserCode(), "DEU");
    EXPECT_EQ(s.GetLangStr("Screen"), "Bildschirm");

    TLanguageState& next = Make();
    next.InitLanguages();
    EXPECT_EQ(next.Languages()->ChosenIndex(), 0);
    EXPECT_EQ(next.GetLangStr("Screen"), "Bildschirm");

    fs::remove(Root / "Language-Vlt.Deu");  // a stored code without its file falls back to English
    TLanguageState& gone = Make();
    gone.InitLanguages();
    EXPECT_EQ(gone.GetLangStr("Screen"), "Screen");
    EXPECT_EQ(UserCode(), "ENG");
}

TEST(LanguageConfig, DefaultConfigFolderHonoursXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old != nullptr ? old : "";
    setenv("XDG_CONFIG_HOME", "/tmp/vt-config", 1);
    EXPECT_EQ(DefaultConfigFolder(), fs::path("/tmp/vt-config"));
    setenv("XDG_CONFIG_HOME", "", 1);
    const char* home = std::getenv("HOME");
    EXPECT_EQ(DefaultConfigFolder(), fs::path(home != nullptr ? home : "") / ".config");
    if (old != nullptr)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(LanguageFiles, KeysDifferingOnlyInCaseKeepSeparateTranslations) {
    PutLanguage("Eng", "English", {"PERIOD=PERIODE", "Period=Periode", "clock=TAKT", "period=lost"});
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(s.GetLangStr("PERIOD"), "PERIODE");
    EXPECT_EQ(s.GetLangStr("Period"), "Periode");
    EXPECT_EQ(s.GetLangStr("CLOCK"), "TAKT");  // one key of that spelling: found whatever its case

    PutLanguage("Eng", "English", {"period=Periode"});
    TLanguageState& t = Make();
    t.InitLanguages();
    EXPECT_EQ(t.GetLangStr("Period"), "Period");  // ambiguous: which of the two was meant is unknown
    EXPECT_EQ(t.GetLangStr("PERIOD"), "PERIOD");
}

TEST_F(LanguageFiles, TheWordUndefinedIsATranslationLikeAnyOther) {
    AnswerYes = false;
    PutLanguage("Eng", "English", {"Undefined=Undefined", "Screen=Undefined"});
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(s.GetLangStr("Screen"), "Undefined");
    // Only absent keys are errors: the question names the error file once.
    ASSERT_EQ(Questions.size(), 1u);
    EXPECT_EQ(Questions[0],
              "Error in Language file\r\nDo You want create Error file \"" + (Root / "LanguageError.txt").string() + "\"?");
    EXPECT_FALSE(fs::exists(Root / "LanguageError.txt"));
}

TEST_F(LanguageFiles, TranslatedPatternsWithOtherPlaceholdersKeepTheEnglishText) {
    PutLanguage("Eng", "English",
                {"Chn=Kanal %s", "Channel_n=Kanal", "ChannelCont=Kanal %d (Forts.)", "FuncErr2=%1:s ist kein Spektrum (%0:s)"});
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(FormatDot(s.GetLangStr("Chn"), 1), "Ch1");
    EXPECT_EQ(FormatDot(s.GetLangStr("Channel_n"), 1), "Channel 1");
    EXPECT_EQ(FormatDot(s.GetLangStr("ChannelCont"), 2), "Kanal 2 (Forts.)");
    EXPECT_EQ(FormatDot(s.GetLangStr("FuncErr2"), "IFFT", "Ch1"), "Ch1 ist kein Spektrum (IFFT)");
    const std::string log = Bytes(Root / "LanguageError.txt");
    EXPECT_NE(log.find("SECTION = Resource Strings;   IDENT = Resource Strings:rsChn" + std::string(kLangFormatDiffers)),
              std::string::npos);
    EXPECT_NE(log.find("IDENT = Resource Strings:rsChannel_n" + std::string(kLangFormatDiffers)), std::string::npos);
    EXPECT_NE(log.find("IDENT = Resource Strings:rsScreen  - is Absent\n"), std::string::npos);
    EXPECT_EQ(log.find("rsChannelCont"), std::string::npos);
}

TEST_F(LanguageFiles, ListsOfTheWrongLengthAreIgnoredAndLogged) {
    Put("Language-Vlt.Eng",
        "[TTrig_Form]\nTTrig_Form:Menu Panel rmpTriggerMain.rswSlope.Items=Steigend,Fallend\n"
        "TTrig_Form:Menu Panel rmpTriggerMain.rswMode.Items=Frei\n"
        "TTrig_Form:Menu Panel rmpTriggerMain.rswHyst.Items=' '\n");
    TLanguageState& s = Make();
    s.InitLanguages();
    const TLangIniFile& file = *s.FormTextsFile();
    const std::string section = LangFormSection("TTrig_Form_1");
    std::vector<std::string> items{"Freerun", "Triggered"};
    EXPECT_FALSE(s.ReadLangItems(file, section, "Menu Panel rmpTriggerMain.rswMode.Items", 2, items));
    EXPECT_EQ(items, (std::vector<std::string>{"Freerun", "Triggered"}));
    EXPECT_FALSE(s.ReadLangItems(file, section, "Menu Panel rmpTriggerMain.rswHyst.Items", 2, items));
    EXPECT_TRUE(s.ReadLangItems(file, section, "Menu Panel rmpTriggerMain.rswSlope.Items", 2, items));
    EXPECT_EQ(items, (std::vector<std::string>{"Steigend", "Fallend"}));
    EXPECT_FALSE(s.ReadLangItems(file, section, "Menu Panel rmpTriggerMain.rswSource.Items", 4, items));
    const std::string log = Bytes(Root / "LanguageError.txt");
    EXPECT_NE(log.find("SECTION = TTrig_Form;   IDENT = TTrig_Form:Menu Panel rmpTriggerMain.rswMode.Items  - NOT "
                       "EQUAL QUANTITY OF ITEMS!\n"),
              std::string::npos);
    EXPECT_NE(log.find("rswSource.Items  - is Absent"), std::string::npos);
    EXPECT_EQ(log.find("rswHyst"), std::string::npos);
}

TEST_F(LanguageFiles, ErrorLogAsksOncePerLanguageAndReportsAFileThatCannotBeMade) {
    PutLanguage("Eng", "English", {"Screen='Bild"});
    PutLanguage("Deu", "Deutsch", {});
    fs::create_directories(Root / "LanguageError.txt");  // in the way of the log file
    TLanguageState& s = Make();
    s.InitLanguages();
    EXPECT_EQ(s.GetLangStr("Screen"), "Bild");
    EXPECT_EQ(Questions.size(), 1u);
    ASSERT_EQ(Messages.size(), 2u);  // the failure to create the log is shown once, then the log is off
    EXPECT_EQ(Messages[0], "Error in string Resource Strings:rsScreen='Bild");
    EXPECT_EQ(Messages[1], "Don't create file " + (Root / "LanguageError.txt").string());
    const std::size_t shown = Messages.size();

    fs::remove_all(Root / "LanguageError.txt");
    ASSERT_TRUE(s.SwitchLanguage(0));  // another language asks again
    EXPECT_EQ(Questions.size(), 2u);
    EXPECT_EQ(Messages.size(), shown);
    const std::string log = Bytes(Root / "LanguageError.txt");
    EXPECT_EQ(log.rfind("SECTION = Resource Strings;   IDENT = Resource Strings:rsdiv  - is Absent\n", 0), 0u);
}
