#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/LanguageFile.h"
#include "core/LanguageTable.h"
#include "core/LanguageState.h"

using namespace vt;

namespace {
std::string RoundTrip(const std::string& value) {
    std::string back;
    EXPECT_TRUE(ReadLangValue(WriteLangValue(value), back)) << value;
    return back;
}
}  // namespace

TEST(LangValue, QuotesOnlyWhatWouldNotSurviveTheFile) {
    EXPECT_EQ(WriteLangValue("Channel %d"), "Channel %d");
    EXPECT_EQ(WriteLangValue(""), "");
    EXPECT_EQ(WriteLangValue("a'b"), "'a''b'");
    EXPECT_EQ(WriteLangValue("x\r\ny"), "'x'#13#10'y'");
    EXPECT_EQ(WriteLangValue("\r\nDisconnect"), "#13#10'Disconnect'");
    EXPECT_EQ(WriteLangValue(" Output "), "' Output '");
    EXPECT_EQ(WriteLangValue("# OF SAMPLES"), "'# OF SAMPLES'");
    EXPECT_EQ(WriteLangValue("/Eng/Word"), "'/Eng/Word'");
}

TEST(LangValue, RoundTripsEveryKindOfText) {
    for (const std::string value : {"a'b", "x\r\ny", " leading", "trailing ", "#13", "''", "tab\there",
                                    "/In Future/kept", "Delta \u0394 \u221E", "plain", ""})
        EXPECT_EQ(RoundTrip(value), value);
    for (const TLangTableRow& row : BuiltInLanguageTable()) EXPECT_EQ(RoundTrip(std::string(row.Text)), row.Text);
}

TEST(LangValue, ReadingDropsMarkersDecodesCodesAndKeepsWhatWasReadWhenMalformed) {
    // Markers come off only in their order; a lone surrogate is no character. Rows: the value, whether
    // it reads, the text read.
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"/Eng/Word", true, "Word"},           {"/Eng//In Future//Not used/'a''b'", true, "a'b"},
        {"/Not used//Eng/x", true, "/Eng/x"},  {"#8364' '#955#128512", true, "\u20AC \u03BB\U0001F600"},
        {"it's as it stands", true, "it's as it stands"},
        {"'abc", false, "abc"},                {"'ab'#", false, "ab"},
        {"'ab' 'cd'", false, "ab"},            {"#55296", false, ""},
        {"#99999999999", false, ""},
    };
    for (const auto& [value, reads, text] : rows) {
        std::string v;
        EXPECT_EQ(ReadLangValue(value, v), reads) << value;
        EXPECT_EQ(v, text) << value;
    }
}

TEST(LangCommaText, ListsRoundTripWithBlanksCommasQuotesAndEmptyItems) {
    const std::vector<std::string> items{"Off", "Ext Direct", "a,b", "say \"hi\"", "", "\u00B5s"};
    const std::string text = LangCommaText(items);
    EXPECT_EQ(text, "Off,\"Ext Direct\",\"a,b\",\"say \"\"hi\"\"\",,\u00B5s");
    EXPECT_EQ(LangItemsFromCommaText(text), items);
    EXPECT_EQ(LangItemsFromCommaText(LangCommaText({""})), std::vector<std::string>{""});
    EXPECT_EQ(LangItemsFromCommaText("a,"), (std::vector<std::string>{"a", ""}));
    // Unquoted blanks separate items, as translators' files have always been read.
    EXPECT_EQ(LangItemsFromCommaText(" Rise Fall , Both"), (std::vector<std::string>{"Rise", "Fall", "Both"}));
    EXPECT_TRUE(LangItemsFromCommaText("").empty());
    // A NUL in an unquoted item (a damaged file) is read as a character of it, not looped on.
    EXPECT_EQ(LangItemsFromCommaText(std::string_view("\0a\0,b", 5)),
              (std::vector<std::string>{std::string("\0a\0", 3), "b"}));
}

TEST(LangKeys, ContainersHandTheirKeyDownToTheirChildren) {
    const std::string menu = LangContainerKey("", TLangContainerKind::RightMenuPanel, "rmpUtilMain");
    EXPECT_EQ(menu, "Menu Panel rmpUtilMain");
    EXPECT_EQ(LangControlKey(LangChildPrefix(menu), "lbswLanguage"), kLangUntranslatedControl);
    const std::string box = LangContainerKey(LangChildPrefix(menu), TLangContainerKind::GroupBox, "gbIP");
    EXPECT_EQ(box + std::string(kLangCaption), "Menu Panel rmpUtilMain.Group Box gbIP.Caption");
    EXPECT_EQ(LangContainerKey("", TLangContainerKind::Panel, "p"), "Panel p");
    EXPECT_EQ(LangContainerKey("", TLangContainerKind::TabControl, "t"), "Table Ctrl t");
    EXPECT_EQ(LangColumnSuffix(2), ".Column[2]");
    EXPECT_EQ(LangFormSection("TTrig_Form_1"), "TTrig_Form");
    EXPECT_EQ(LangFormSection("Trig_Form"), "Trig_Form");
    EXPECT_EQ(LangIniKey("Trig_Form", "Caption"), "Trig_Form:Caption");
    EXPECT_EQ(LangUnknownControlText("Panel p.x", "Panel p."), "Unknown control Panel p.x in Panel p. parent");
}

TEST(LangFormat, TranslationsMustTakeTheSameArguments) {
    // A text without placeholders is no pattern: any translation goes.
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"Channel %d", "Kanal %d", true},          {"%.1f \u00B0C", "%.2f Grad", true},
        {"%s needs %s", "%1:s braucht %0:s", true}, {"100%% of %d", "%d zu 100%%", true},
        {"Screen", "Bildschirm 100%", true},        {"Channel %d", "Kanal", false},
        {"Channel %d", "Kanal %s", false},          {"Channel %d", "Kanal %d von %d", false},
        {"Channel %d", "Kanal %y", false},          {"Channel %d", "Kanal %", false},
        {"%s: %s", "%0:s %0:d", false},
    };
    for (const auto& [original, translation, same] : rows)
        EXPECT_EQ(SameFormatPlaceholders(original, translation), same) << original << " / " << translation;
    EXPECT_TRUE(HasFormatPlaceholders("Ch%d"));
    EXPECT_FALSE(HasFormatPlaceholders("100%%"));
    EXPECT_FALSE(HasFormatPlaceholders("Phase, percent"));
}

TEST(LangTable, KeysAreUniqueAndTheQuotedTextsStandAsGiven) {
    std::set<std::string_view> keys;
    int headings = 0;
    for (const TLangTableRow& row : BuiltInLanguageTable()) {
        EXPECT_TRUE(keys.insert(row.Key).second) << row.Key;
        if (row.IsHeading()) ++headings;
        // No text may trip a caller's format call: a "%" is either a placeholder or doubled.
        EXPECT_TRUE(row.Text.find('%') == std::string_view::npos || HasFormatPlaceholders(row.Text)) << row.Key;
        EXPECT_TRUE(SameFormatPlaceholders(row.Text, row.Text)) << row.Key;  // the formatter takes it
    }
    EXPECT_EQ(headings, 36);
    EXPECT_TRUE(keys.contains("PERIOD") && keys.contains("Period"));
    EXPECT_TRUE(keys.contains(" Finished"));
    TLanguageState state({});
    EXPECT_EQ(state.GetLangStr("CommunicationErr"), "C O M M U N I C A T I O N   E R R O R !");
    EXPECT_EQ(state.GetLangStr("QueSaveAdjusting"), "Adjustings Changed! Store New Value?");
    EXPECT_EQ(state.GetLangStr("OnException"),
              "It has appeared an Exception\r\n\"%s\".\r\r\nContinuation of the work\r\n"
              "may bring to the data distortion.\r\r\nDo you want to continue?");
    EXPECT_EQ(state.GetLangStr("File___NotSaved"), "ERROR Saving File %s");
    EXPECT_EQ(state.GetLangStr("WriteFileError"), "Write Error to file \"");
}
