#include <gtest/gtest.h>

#include <set>
#include <string>
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

TEST(LangValue, ReadingDropsTranslatorMarkersAndDecodesCodes) {
    std::string v;
    EXPECT_TRUE(ReadLangValue("/Eng/Word", v));
    EXPECT_EQ(v, "Word");
    EXPECT_TRUE(ReadLangValue("/Eng//In Future//Not used/'a''b'", v));
    EXPECT_EQ(v, "a'b");
    EXPECT_TRUE(ReadLangValue("/Not used//Eng/x", v));  // markers come off only in their order
    EXPECT_EQ(v, "/Eng/x");
    EXPECT_TRUE(ReadLangValue("#8364' '#955#128512", v));
    EXPECT_EQ(v, "\u20AC \u03BB\U0001F600");
    EXPECT_TRUE(ReadLangValue("it's as it stands", v));
    EXPECT_EQ(v, "it's as it stands");
}

TEST(LangValue, MalformedValuesKeepWhatWasRead) {
    std::string v;
    EXPECT_FALSE(ReadLangValue("'abc", v));
    EXPECT_EQ(v, "abc");
    EXPECT_FALSE(ReadLangValue("'ab'#", v));
    EXPECT_EQ(v, "ab");
    EXPECT_FALSE(ReadLangValue("'ab' 'cd'", v));
    EXPECT_EQ(v, "ab");
    EXPECT_FALSE(ReadLangValue("#55296", v));  // a lone surrogate is no character
    EXPECT_FALSE(ReadLangValue("#99999999999", v));
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
    EXPECT_TRUE(SameFormatPlaceholders("Channel %d", "Kanal %d"));
    EXPECT_TRUE(SameFormatPlaceholders("%.1f \u00B0C", "%.2f Grad"));
    EXPECT_TRUE(SameFormatPlaceholders("%s needs %s", "%1:s braucht %0:s"));
    EXPECT_TRUE(SameFormatPlaceholders("100%% of %d", "%d zu 100%%"));
    EXPECT_TRUE(SameFormatPlaceholders("Screen", "Bildschirm 100%"));  // not a pattern: any text
    EXPECT_FALSE(SameFormatPlaceholders("Channel %d", "Kanal"));
    EXPECT_FALSE(SameFormatPlaceholders("Channel %d", "Kanal %s"));
    EXPECT_FALSE(SameFormatPlaceholders("Channel %d", "Kanal %d von %d"));
    EXPECT_FALSE(SameFormatPlaceholders("Channel %d", "Kanal %y"));
    EXPECT_FALSE(SameFormatPlaceholders("Channel %d", "Kanal %"));
    EXPECT_FALSE(SameFormatPlaceholders("%s: %s", "%0:s %0:d"));
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
