// The command language through TSpider::ExecuteCommandString: addressing, queries, replies, failures.
#include <gtest/gtest.h>

#include "core/InternalError.h"
#include "core/CommandTree.h"

using namespace vt;

namespace {

class SpiderTest : public ::testing::Test {
protected:
    void SetUp() override {
        source = &root.AddRadioHandler("Trig:Source", {.Items = "Ch1, Ch2, Ext"});
        slope = &root.AddRadioHandler("Trig:Slope", {.Items = "Pos,Neg"});
        level = &root.AddDoubleEditHandler(
            "Trig:ExtLevel", {.Initial = 0.5, .Config = {.Minimum = -1, .Default = 0, .Maximum = 1, .Resolution = 0.001,
                                         .Units = "V", .FormatMode = 3, .Digits = 3}});
        ch1 = &root.AddIntEditHandler("Acq:Ch1:Avg", {.Initial = 1, .Config = {.Minimum = 1, .Maximum = 4096}});
        ch12 = &root.AddIntEditHandler("Acq:Ch12:Avg", {.Initial = 1, .Config = {.Minimum = 1, .Maximum = 4096}});
        root.AddMainCommandHandler("*Run", {.Variable = &runOn, .StateWords = "Off,On",
                                            .Action = [this](THandler&) { ++runs; }});
    }
    std::string Run(std::string_view s, bool internal = false) { return tree->ExecuteCommandString(s, internal); }

    std::unique_ptr<TCommandTree> tree = CreateCommandTree();
    TSpider& root = tree->Root();
    TRadioSwHandler* source = nullptr;
    TRadioSwHandler* slope = nullptr;
    TDoubleEditHandler* level = nullptr;
    TIntEditHandler* ch1 = nullptr;
    TIntEditHandler* ch12 = nullptr;
    bool runOn = false;
    int runs = 0;
};

TEST(Mnemonics, ComparisonLengthensWithoutDigitsAndOrdersWithDigits) {
    EXPECT_EQ(CompareMnemonics("TRIG", "TRIGGER"), 0);
    EXPECT_EQ(CompareMnemonics("TRIGGER", "TRIG"), 0);
    EXPECT_LT(CompareMnemonics("CH1", "CH12"), 0);
    EXPECT_GT(CompareMnemonics("CH12", "CH1"), 0);
    EXPECT_LT(CompareMnemonics("ACQ", "ACQ1"), 0);
    EXPECT_LT(CompareMnemonics("ACQ", "ACR"), 0);
    EXPECT_EQ(CompareMnemonics("CH1", "CH1"), 0);
}

TEST_F(SpiderTest, QueryRepliesWithStoredHeaderOnlyWhileHeaderIsOn) {
    EXPECT_EQ(Run("TRIG:SOURCE?"), "TRIG:SOURCE CH1");
    EXPECT_EQ(Run("HEADER OFF"), "");
    EXPECT_EQ(Run("TRIG:SOURCE?"), "CH1");
    EXPECT_EQ(Run("header?"), "OFF");
    EXPECT_EQ(Run("HEADER ON;TRIGGER:SOURCE?"), "TRIG:SOURCE CH1");
}

TEST_F(SpiderTest, LowerCaseIsTheSameCommandAndRepliesShowStoredItems) {
    EXPECT_EQ(Run("trig:source ext"), "");
    EXPECT_EQ(source->GetItemIndex(), 2);
    EXPECT_EQ(Run("trig:source?"), "TRIG:SOURCE EXT");
}

TEST_F(SpiderTest, MnemonicsMayBeLengthenedButNeverShortened) {
    EXPECT_EQ(Run("TRIGGER:SOURCE CH2"), "");
    EXPECT_EQ(source->GetItemIndex(), 1);
    EXPECT_EQ(Run("TRI:SOURCE EXT"), "ERROR");
    EXPECT_EQ(Run("TRIG:SOURCEXYZ EXT"), "");  // lengthened last mnemonic
    EXPECT_EQ(source->GetItemIndex(), 2);
    // Only the first 15 characters of a typed mnemonic count.
    EXPECT_EQ(Run("TRIG:SOURCEAAAAAAAAAAAAAAAAAAAAAA CH1"), "");
    EXPECT_EQ(source->GetItemIndex(), 0);
}

TEST_F(SpiderTest, DigitRuleKeepsCh1AndCh12Apart) {
    EXPECT_EQ(Run("ACQ:CH12:AVG 16"), "");
    EXPECT_EQ(ch12->GetValue(), 16);
    EXPECT_EQ(ch1->GetValue(), 1);
    EXPECT_EQ(Run("ACQ:CH1:AVG 4"), "");
    EXPECT_EQ(ch1->GetValue(), 4);
    EXPECT_EQ(ch12->GetValue(), 16);
    EXPECT_EQ(Run("ACQ:CH:AVG 8"), "ERROR");
    EXPECT_EQ(Run("ACQ:CH123:AVG 8"), "ERROR");
}

TEST_F(SpiderTest, TwoQueriesAreSeparatedBySemicolonAndLineBreakOnlyBetween) {
    EXPECT_EQ(Run("TRIG:SOURCE?;SLOPE?"), "TRIG:SOURCE CH1;\r\nTRIG:SLOPE POS");
    Run("HEADER OFF");
    EXPECT_EQ(Run("TRIG:SOURCE?;SLOPE?"), "CH1;POS");
    EXPECT_THROW(Run("TRIG:SOURCE?;SLOPE?;"), ECommandStringError);
}

TEST_F(SpiderTest, CommandsAfterASettingAreRelativeToItsNode) {
    EXPECT_EQ(Run("TRIG:SOURCE CH2;SLOPE NEG"), "");
    EXPECT_EQ(slope->GetItemIndex(), 1);
    EXPECT_EQ(Run("TRIG:SOURCE CH1;TRIG:SLOPE POS"), "ERROR");
    EXPECT_EQ(slope->GetItemIndex(), 1);
    EXPECT_EQ(Run("TRIG:SOURCE CH1;:TRIG:SLOPE POS"), "");
    EXPECT_EQ(slope->GetItemIndex(), 0);
    // A failed command leaves the current node where it was.
    EXPECT_EQ(Run("TRIG:SOURCE CH2;BOGUS 1;SLOPE NEG"), "ERROR");
    EXPECT_EQ(slope->GetItemIndex(), 1);
    // Every string starts at the root again.
    EXPECT_EQ(Run("SLOPE POS"), "ERROR");
}

TEST_F(SpiderTest, OnlyACommandEndingInQuestionMarkIsAQuery) {
    EXPECT_EQ(Run("TRIG:SOURCE?;SLOPE NEG"), "TRIG:SOURCE CH1");
    EXPECT_EQ(slope->GetItemIndex(), 1);
    EXPECT_EQ(Run("TRIG:SLOPE POS;SOURCE?"), "TRIG:SOURCE CH1");
    EXPECT_EQ(slope->GetItemIndex(), 0);
}

TEST_F(SpiderTest, AQueryAppliesItsParameterFirstAndABareQueryChangesNothing) {
    EXPECT_EQ(Run("*RUN?"), "*RUN OFF");
    EXPECT_EQ(runs, 0);
    EXPECT_FALSE(runOn);
    EXPECT_EQ(Run("TRIG:SOURCE?"), "TRIG:SOURCE CH1");
    EXPECT_EQ(Run("TRIG:SOURCE? EXT"), "TRIG:SOURCE EXT");
    EXPECT_EQ(source->GetItemIndex(), 2);
    EXPECT_EQ(Run("TRIG:SOURCE? NOSUCH"), "TRIG:SOURCE EXT") << "an unknown item is ignored";
    EXPECT_EQ(Run("HEADER? OFF"), "OFF");
    EXPECT_EQ(Run("*RUN? ON"), "ON");
    EXPECT_TRUE(runOn);
    EXPECT_EQ(runs, 1);
}

TEST_F(SpiderTest, CommonCommandsFollowTheStarDirectly) {
    EXPECT_EQ(Run("*RUN ON"), "");
    EXPECT_TRUE(runOn);
    EXPECT_EQ(Run("*run off"), "");
    EXPECT_FALSE(runOn);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(Run("*"), "ERROR");
    EXPECT_EQ(Run("*:RUN ON"), "ERROR");
    EXPECT_TRUE(root.FindHandler("*Run") != nullptr);
    EXPECT_EQ(root.FindHandler("*Run")->NoSave(), true);
}

TEST_F(SpiderTest, RefusedHeadersAnswerErrorAndTheRestStillRuns) {
    root.AddOnOffHandler("Shadow:Sel", {});
    auto& nogpib = root.AddOnOffHandler("Util:NoGpibX", {});
    EXPECT_EQ(Run("SHADOW:SEL ON"), "ERROR");
    EXPECT_EQ(Run("SHADOW:SEL ON", true), "ERROR");
    EXPECT_EQ(Run("UTIL:NOGPIBX ON"), "ERROR");
    EXPECT_FALSE(nogpib.GetOn());
    EXPECT_EQ(Run("UTIL:NOGPIBX ON", true), "");
    EXPECT_TRUE(nogpib.GetOn());
    EXPECT_EQ(Run("TRIG:;TRIG:SOURCE EXT"), "ERROR");
    EXPECT_EQ(source->GetItemIndex(), 2);
    EXPECT_EQ(Run("TRIG EXT"), "ERROR") << "a node with a parameter";
    EXPECT_EQ(Run("TRIG"), "ERROR") << "a node without ?";
    EXPECT_EQ(Run("NOPE?;TRIG:SOURCE?"), "ERROR;\r\nTRIG:SOURCE EXT");
    EXPECT_EQ(Run(std::string(300, 'A') + "?"), "ERROR");
    EXPECT_GE(tree->FailedCommands(), 8u);
}

TEST_F(SpiderTest, EmptyCommandIsAFailureAfterTheCommandsBeforeIt) {
    EXPECT_EQ(Run(""), "");
    try {
        Run("TRIG:SOURCE EXT;;TRIG:SLOPE NEG");
        FAIL() << "no failure";
    } catch (const ECommandStringError& e) {
        EXPECT_STREQ(e.what(), "ERROR!  Mnemonics is Absent");
    }
    EXPECT_EQ(source->GetItemIndex(), 2);
    EXPECT_EQ(slope->GetItemIndex(), 0);
    EXPECT_THROW(Run("TRIG:SOURCE CH1;"), ECommandStringError);
    EXPECT_EQ(source->GetItemIndex(), 0);
    EXPECT_THROW(Run("   "), ECommandStringError);
    EXPECT_THROW(Run(":"), ECommandStringError);
}

TEST_F(SpiderTest, NodeQueryListsEnabledSettingsWithLineBreaks) {
    slope->SetDisabled(true);
    EXPECT_EQ(Run("TRIG?"), "TRIG:SOURCE CH1;EXTLEVEL 500 mV");
    slope->SetDisabled(false);
    // Breaks after a header or ";" once more than 32 characters were added since the last break.
    EXPECT_EQ(Run("TRIG?"), "TRIG:SOURCE CH1;SLOPE POS;EXTLEVEL\r\n 500 mV");
    EXPECT_EQ(Run("ACQ?"), "ACQ:CH1:AVG 1 ;ACQ:CH12:AVG 1 ");
    EXPECT_EQ(Run("TRIG?;ACQ:CH1?"), "TRIG:SOURCE CH1;SLOPE POS;EXTLEVEL\r\n 500 mV;\r\nACQ:CH1:AVG 1 ");
    Run("HEADER OFF");
    EXPECT_EQ(Run("TRIG?"), "CH1;POS;500 mV");
    EXPECT_EQ(Run("TRIG? X"), "ERROR");
}

TEST_F(SpiderTest, NodeQueryKeepsEarlierRepliesWhenAReplyCallbackAssignsItsText) {
    root.AddGpibStringHandler("Info:Name", 0, [](std::string_view, bool, std::uint8_t, std::string& r) { r = " A"; });
    root.AddGpibStringHandler("Info:Kind", 0, [](std::string_view, bool, std::uint8_t, std::string& r) { r = " B"; });
    EXPECT_EQ(Run("INFO?"), "INFO:NAME A;KIND B");
}

TEST_F(SpiderTest, SubAddressAfterASettingBecomesTheFrontOfTheParameter) {
    std::vector<std::string> seen;
    root.AddGpibStringHandler("Wfm:Data", 7, [&](std::string_view p, bool q, std::uint8_t tag, std::string& reply) {
        seen.push_back(std::string(p) + (q ? "?" : "") + std::to_string(tag));
        reply = "R";
    });
    EXPECT_EQ(Run("WFM:DATA:PART2 abc"), "R");
    EXPECT_EQ(Run("WFM:DATA:X?"), "WFM:DATAR");
    EXPECT_EQ(Run("WFM:DATA"), "") << "no parameter and no query: the callback is not asked";
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "PART2 abc7");
    EXPECT_EQ(seen[1], "X?7");
}

TEST_F(SpiderTest, ParametersKeepTheirCaseForTheHandler) {
    std::string got;
    root.AddComplexObjectHandler("Save:File", [&](TComplexObjectHandler&, bool q, std::string& t) {
        if (!q) got = t;
        t = got;
    });
    EXPECT_EQ(Run("save:file /home/User/My Setups/a.set"), " /home/User/My Setups/a.set");
    EXPECT_EQ(got, "/home/User/My Setups/a.set");
}

TEST_F(SpiderTest, NestedRunInsideACallbackDoesNotMoveTheOuterCurrentNode) {
    source->SetOnAfterChange([this](THandler&) { tree->ExecuteCommandString("ACQ:CH1:AVG 8", false); });
    EXPECT_EQ(Run("TRIG:SOURCE EXT;SLOPE NEG"), "");
    EXPECT_EQ(ch1->GetValue(), 8);
    EXPECT_EQ(slope->GetItemIndex(), 1);
}

TEST_F(SpiderTest, RegistrationFaultsAreInternalErrors) {
    auto message = [&](auto&& f) {
        try {
            f();
        } catch (const EInternalError& e) {
            EXPECT_EQ(e.Unit(), "_SHELL\\SRC\\SpiderUnit");
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { root.AddOnOffHandler("Trig:Source", {}); }), "ERROR!  Command Trig:Source Repeated");
    EXPECT_EQ(message([&] { root.AddOnOffHandler("Tri:Mode", {}); }), "New Mnemonik Tri:Mode is shorter than Old");
    EXPECT_EQ(message([&] { root.AddOnOffHandler("Trig:ABCDEFGHIJKLMNOP", {}); }), "ERROR!  Mnemonic too long");
    // Lengthening a registered node name reaches that node.
    auto& mode = root.AddOnOffHandler("Trigger:Mode", {});
    EXPECT_EQ(root.FindHandler("TRIG:MODE"), &mode);
    EXPECT_EQ(Run("TRIG:MODE?"), "TRIG:MODE OFF");
    // Replacing a choice frees the old handler and keeps the entry's place.
    auto& again = root.AddRadioHandler("Trig:Source", {.Items = "A,B", .Replace = true});
    EXPECT_EQ(root.FindHandler("trig:source"), &again);
    EXPECT_EQ(Run("TRIG:SOURCE B;SOURCE?"), "TRIG:SOURCE B");
    EXPECT_EQ(root.FindHandler("TRIG:NONE"), nullptr);
    EXPECT_EQ(root.FindHandler("TRIG"), nullptr);
}

TEST(Spider, ASettingBesideAGroupItLengthensKeepsItsOwnHeaderInEitherOrder) {
    for (const bool groupFirst : {true, false}) {
        std::unique_ptr<TCommandTree> tree = CreateCommandTree();
        TSpider& root = tree->Root();
        TRadioSwHandler* style = nullptr;
        TDoubleEditHandler* persist = nullptr;
        TRadioSwHandler* dbStyle = nullptr;
        auto group = [&] {
            style = &root.AddRadioHandler("Displ:DB:Style", {.Items = "Dots,Vectors"});
            persist = &root.AddDoubleEditHandler(
                "Displ:DB:PersistTime", {.Initial = 1, .Config = {.Minimum = 0, .Maximum = 10, .Units = "s"}});
        };
        if (groupFirst) group();
        dbStyle = &root.AddRadioHandler("Displ:DBStyle", {.Items = "InfGrayscal,Colored"});
        if (!groupFirst) group();
        SCOPED_TRACE(groupFirst ? "group first" : "setting first");
        EXPECT_EQ(root.FindHandler("DISPL:DB:STYLE"), style);
        EXPECT_EQ(root.FindHandler("DISPL:DB:PERSISTTIME"), persist);
        EXPECT_EQ(root.FindHandler("DISPL:DBSTYLE"), dbStyle);
        EXPECT_EQ(root.FindHandler("DISPL:DB"), nullptr);
        EXPECT_EQ(tree->ExecuteCommandString("DISPL:DB:STYLE VECTORS;STYLE?", false), "DISPL:DB:STYLE VECTORS");
        EXPECT_EQ(style->GetItemIndex(), 1);
        EXPECT_EQ(dbStyle->GetItemIndex(), 0);
        EXPECT_EQ(tree->ExecuteCommandString("DISPLAY:DBSTYLE COLORED", false), "");
        EXPECT_EQ(tree->ExecuteCommandString("DISPL:DBSTYLE?", false), "DISPL:DBSTYLE COLORED");
        // A lengthened mnemonic still reaches the longest one it lengthens.
        EXPECT_EQ(tree->ExecuteCommandString("DISPL:DBSTYLES?", false), "DISPL:DBSTYLE COLORED");
        // A setup line reaches each by its header.
        std::vector<std::string> setup;
        root.SaveAllSettings(setup);
        style->SetItemIndex(0);
        dbStyle->SetItemIndex(0);
        EXPECT_EQ(root.LoadAllSettings(setup), 0);
        EXPECT_EQ(style->GetItemIndex(), 1);
        EXPECT_EQ(dbStyle->GetItemIndex(), 1);
    }
}

TEST_F(SpiderTest, ItemHeadersAndTheirInternalErrors) {
    EXPECT_EQ(root.FindHandler("Header"), &tree->HeaderHandler());
    EXPECT_TRUE(tree->HeaderHandler().NoSave());
    // The header of a common command has no ":" after the "*".
    for (int i = 0; i < root.Count(); ++i) {
        if (root.Entry(i).Mnemonic != "*") continue;
        const TSpider& star = *root.Entry(i).Child;
        EXPECT_EQ(star.GetItemHeader(0, true), "*RUN");
        EXPECT_EQ(star.GetItemHeader(0, false), "");
        EXPECT_THROW(star.GetItemHeader(5, true), EInternalError);
        EXPECT_THROW(root.GetItemHeader(i, true), EInternalError) << "an entry without handler";
    }
}

TEST_F(SpiderTest, HeadersStayRightWhenLaterRegistrationsShiftTheEntries) {
    EXPECT_EQ(Run("TRIG:SOURCE?"), "TRIG:SOURCE CH1");
    // Sorted in front of TRIG at the root and of SOURCE in the node: every index after them moves.
    root.AddOnOffHandler("Aaa:Bbb", {});
    root.AddOnOffHandler("Trig:Aaa", {});
    EXPECT_EQ(Run("TRIG:SOURCE?"), "TRIG:SOURCE CH1");
    EXPECT_EQ(Run("AAA:BBB?"), "AAA:BBB OFF");
}

TEST_F(SpiderTest, RegistrationOrderOfAnEntryIsFixedOnce) {
    // ACQ first gets a child, later a handler of its own: it must keep its place, and so must TRIG.
    auto& acq = root.AddOnOffHandler("Acq", {});
    (void)acq;
    std::vector<std::string> lines;
    root.SaveAllSettings(lines);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "TRIG:SOURCE CH1");
    EXPECT_EQ(lines[1], "TRIG:SLOPE POS");
    EXPECT_EQ(lines[2], "TRIG:EXTLEVEL 500 m(V)");
    EXPECT_EQ(lines[3], "ACQ:CH1:AVG 1 ");
    EXPECT_EQ(lines[4], "ACQ:CH12:AVG 1 ");
}

TEST_F(SpiderTest, AKeptHeaderFollowsEveryRegistrationAndReplacement) {
    // Kept answers, a miss among them, must not outlive a change of the tree: a header registered
    // later is found, a replaced handler is the new one, and each spelling is walked once.
    EXPECT_EQ(tree->Resolve("Trig:Source"), source);
    EXPECT_EQ(tree->Resolve("TRIGGER:SOURCE"), source);
    EXPECT_EQ(tree->Resolve("Trig:Holdoff"), nullptr);
    const auto walks = tree->TreeWalks();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tree->Resolve("Trig:Source"), source);
        EXPECT_EQ(tree->Resolve("Trig:Holdoff"), nullptr);
    }
    EXPECT_EQ(tree->TreeWalks(), walks);
    auto& holdoff = root.AddOnOffHandler("Trig:Holdoff", {});
    EXPECT_EQ(tree->Resolve("Trig:Holdoff"), &holdoff);
    auto& other = root.AddRadioHandler("Trig:Source", {.Items = "Ch1,Ch2", .Replace = true});
    EXPECT_EQ(tree->Resolve("Trig:Source"), &other);
    EXPECT_EQ(tree->Resolve("Acq:Ch12:Avg"), ch12);
    EXPECT_EQ(tree->Resolve("Acq:Ch1:Avg"), ch1);
}

}  // namespace
