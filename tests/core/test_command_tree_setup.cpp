// Setup lines: SaveAllSettings -> LoadAllSettings for every handler class, and the loading rules.
#include <gtest/gtest.h>

#include "core/CommandTree.h"

using namespace vt;

namespace {

// One setting of every saved class, registered the same way in each tree.
struct TSampleSettings {
    explicit TSampleSettings(TCommandTree& t) : tree(t) {
        TSpider& r = t.Root();
        radio = &r.AddRadioHandler("Trig:Source", {.Items = "Ch1,Ch2,Ext"});
        onoff = &r.AddOnOffHandler("Displ:Grid", {});
        check = &r.AddCheckHandler("Meas:List", {.Items = "Ampl,Freq,Rise"});
        integer = &r.AddIntEditHandler("Acq:Avg", {.Initial = 1, .Config = {.Minimum = 1, .Maximum = 4096}});
        points = &r.AddIntEditHandler("Acq:Points", {.Initial = 512, .Config = {.Minimum = 16, .Maximum = 8192,
                                                                                .Units = "pts"}});
        scale = &r.AddDoubleEditHandler("Ch1:Scale", {.Initial = 0.1,
                                                      .Config = {.Minimum = 1e-3, .Maximum = 1, .Resolution = 1e-9,
                                                                 .Units = "V", .FormatMode = 3, .Digits = 3}});
        freq = &r.AddDoubleEditHandler("Gen:Freq", {.Initial = 1e6,
                                                    .Config = {.Minimum = 0, .Maximum = 1e10, .Resolution = 1,
                                                               .Units = "Hz", .FormatMode = 3, .Digits = 3}});
        plain = &r.AddDoubleEditHandler("Gen:Ratio", {.Config = {.Minimum = -10, .Maximum = 10, .Resolution = 1e-6}});
        source = &r.AddSignalSourceHandler("Meas:Source", {.Items = "A,B,C,D", .Initial = 0});
        r.AddComplexObjectHandler("Mask:Def", [this](TComplexObjectHandler&, bool q, std::string& text) {
            if (q)
                text = objectState;
            else
                objectState = text;
        });
        r.AddGpibStringHandler("Wfm:Data", 0, [](std::string_view, bool, std::uint8_t, std::string& reply) {
            reply = " never saved";
        });
        r.AddMainCommandHandler("*Run", {.Variable = &runFlag});
        r.AddOnOffHandler("Flash:Protect", {});
        r.AddOnOffHandler("Shadow:Sel", {});
        r.AddRightCommandHandler("Meas:Clear", [](THandler&) {});
    }
    TCommandTree& tree;
    TRadioSwHandler* radio;
    TOnOffHandler* onoff;
    TCheckSwHandler* check;
    TIntEditHandler* integer;
    TIntEditHandler* points;
    TDoubleEditHandler* scale;
    TDoubleEditHandler* freq;
    TDoubleEditHandler* plain;
    TSignalSourceSwHandler* source;
    std::string objectState = "empty";
    bool runFlag = false;
};

TEST(SetupLines, EverySavedClassRoundTrips) {
    auto a = CreateCommandTree();
    TSampleSettings s(*a);
    a->ExecuteCommandString(
        "TRIG:SOURCE EXT;:DISPL:GRID ON;:MEAS:LIST AMPL,RISE;:ACQ:AVG 64;POINTS 2048;:CH1:SCALE 12.345678M;"
        ":GEN:FREQ 2.5MEG;RATIO -1.25;:MEAS:SOURCE C",
        false);
    s.objectState = "Top=1; Bottom=\"2\"; File=/home/U/a b.msk";
    s.onoff->SetDisabled(true);  // disabled settings are written too
    std::vector<std::string> lines;
    a->Root().SaveAllSettings(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "TRIG:SOURCE EXT",
                         "DISPL:GRID ON",
                         "MEAS:LIST AMPL,RISE",
                         "MEAS:SOURCE C",
                         "ACQ:AVG 64 ",
                         "ACQ:POINTS 2048 (pts)",
                         "CH1:SCALE 12.345678 m(V)",
                         "GEN:FREQ 2.5 MEG(Hz)",
                         "GEN:RATIO -1.25 ",
                         "MASK:DEF \"Top=1; Bottom=\"\"2\"\"; File=/home/U/a b.msk\"",
                     }));

    // Header OFF changes nothing in setup lines.
    a->ExecuteCommandString("HEADER OFF", false);
    std::vector<std::string> again;
    a->Root().SaveAllSettings(again);
    EXPECT_EQ(again, lines);

    auto b = CreateCommandTree();
    TSampleSettings t(*b);
    EXPECT_EQ(b->Root().LoadAllSettings(lines), 0);
    EXPECT_EQ(t.radio->GetItemIndex(), 2);
    EXPECT_TRUE(t.onoff->GetOn());
    EXPECT_EQ(t.check->GetMask(), 0b101u);
    EXPECT_EQ(t.integer->GetValue(), 64);
    EXPECT_EQ(t.points->GetValue(), 2048);
    EXPECT_DOUBLE_EQ(t.scale->GetValue(), 12.345678e-3);
    EXPECT_DOUBLE_EQ(t.freq->GetValue(), 2.5e6);
    EXPECT_DOUBLE_EQ(t.plain->GetValue(), -1.25);
    EXPECT_EQ(t.source->GetSource(), 2);
    EXPECT_EQ(t.objectState, s.objectState);
    std::vector<std::string> reloaded;
    b->Root().SaveAllSettings(reloaded);
    EXPECT_EQ(reloaded, lines);
}

TEST(SetupLines, EmptyCheckSetAndEmptyObjectTextRoundTrip) {
    auto a = CreateCommandTree();
    TSampleSettings s(*a);
    s.check->SetMask(0);
    s.objectState = "";
    std::vector<std::string> lines;
    a->Root().SaveAllSettings(lines);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MEAS:LIST ClearALL"), lines.end());
    auto b = CreateCommandTree();
    TSampleSettings t(*b);
    t.check->SetMask(0b11);
    t.objectState = "x";
    b->Root().LoadAllSettings(lines);
    EXPECT_EQ(t.check->GetMask(), 0u);
    EXPECT_EQ(t.objectState, "");
}

TEST(SetupLines, LoadingSkipsAndCountsBadLinesAndNeverStopsHalfWay) {
    auto tree = CreateCommandTree();
    TSampleSettings s(*tree);
    const std::vector<std::string> lines = {"TRIG:SOURCE CH2", "", "   ", "ACQ:AVG 8;", "BOGUS:HEADER 1",
                                            "DISPL:GRID ON\r", "ACQ:POINTS 4096"};
    EXPECT_EQ(tree->Root().LoadAllSettings(lines), 4);
    EXPECT_EQ(s.radio->GetItemIndex(), 1);
    EXPECT_EQ(s.integer->GetValue(), 8) << "the command before a trailing ; runs";
    EXPECT_TRUE(s.onoff->GetOn());
    EXPECT_EQ(s.points->GetValue(), 4096);
    EXPECT_FALSE(tree->SettingsLoading());
}

TEST(SetupLines, LoadRunsTwiceThenTheHooksInOrder) {
    auto tree = CreateCommandTree();
    TSpider& r = tree->Root();
    auto& limit = r.AddDoubleEditHandler("Lim", {.Initial = 1, .Config = {.Minimum = 0, .Maximum = 100, .Resolution = 1}});
    auto& value = r.AddDoubleEditHandler("Val", {.Config = {.Minimum = 0, .Maximum = 1, .Resolution = 1}});
    limit.SetOnAfterChange([&](THandler&) { value.SetMaxValue(limit.GetValue()); });
    std::vector<std::string> log;
    value.SetOnAfterChange([&](THandler&) {
        EXPECT_TRUE(tree->SettingsLoading());
        tree->SetDeferredChangePending();
    });
    tree->OnAfterSettingsLoad = [&] { log.push_back(std::string("after") + (tree->SettingsLoading() ? "+" : "-")); };
    tree->OnDeferredSettingsChange = [&] { log.push_back(std::string("deferred") + (tree->SettingsLoading() ? "+" : "-")); };
    // The value line comes before the limit that allows it: the second pass sets it again.
    EXPECT_EQ(r.LoadAllSettings({"VAL 50", "LIM 80"}), 0);
    EXPECT_DOUBLE_EQ(value.GetValue(), 50);
    EXPECT_EQ(log, (std::vector<std::string>{"after+", "deferred-"}));
    EXPECT_FALSE(tree->DeferredChangePending());
}

TEST(SetupLines, LoadingFlagIsRestoredWhenACallbackThrows) {
    auto tree = CreateCommandTree();
    TSpider& r = tree->Root();
    auto& h = r.AddOnOffHandler("A", {});
    h.SetOnAfterChange([&](THandler&) {
        tree->SetDeferredChangePending();
        throw std::runtime_error("instrument gone");
    });
    int deferred = 0;
    tree->OnDeferredSettingsChange = [&] { ++deferred; };
    EXPECT_THROW(r.LoadAllSettings({"A ON"}), std::runtime_error);
    EXPECT_FALSE(tree->SettingsLoading());
    EXPECT_EQ(deferred, 0);
    EXPECT_TRUE(tree->DeferredChangePending()) << "kept for the next end of a load";
    h.SetOnAfterChange(nullptr);
    r.LoadAllSettings({"A OFF"});
    EXPECT_EQ(deferred, 1);
}

TEST(SetupLines, SettingsLoadBracketsNest) {
    auto tree = CreateCommandTree();
    int deferred = 0;
    tree->OnDeferredSettingsChange = [&] { ++deferred; };
    tree->BeginSettingsLoad();
    tree->BeginSettingsLoad();
    tree->SetDeferredChangePending();
    tree->EndSettingsLoad();
    EXPECT_TRUE(tree->SettingsLoading());
    EXPECT_EQ(deferred, 0) << "not in the middle of the outer load";
    tree->EndSettingsLoad();
    EXPECT_FALSE(tree->SettingsLoading());
    EXPECT_EQ(deferred, 1);
}

TEST(SetupLines, CommandsAreSavedOnlyWhenTheyHoldAState) {
    for (const bool header : {true, false}) {
        auto tree = CreateCommandTree();
        TSpider& r = tree->Root();
        bool hold = false;
        int clears = 0;
        r.AddMainCommandHandler("Acq:Hold", {.Variable = &hold, .StateWords = "Free,Held"});
        r.AddMainCommandHandler("Acq:Mode", {.InitialIndex = 1, .MenuWords = "Sample,Peak", .Action = [](THandler&) {}});
        r.AddMainCommandHandler("Acq:Clear", {.Action = [&](THandler&) { ++clears; }});
        tree->ExecuteCommandString(header ? "HEADER ON" : "HEADER OFF", false);
        std::vector<std::string> lines;
        r.SaveAllSettings(lines);
        EXPECT_EQ(lines, (std::vector<std::string>{"ACQ:HOLD FREE", "ACQ:MODE Peak"})) << "header " << header;
        r.LoadAllSettings(lines);
        EXPECT_EQ(clears, 0) << "a plain action is no setting and a setup never runs it";
    }
}

TEST(SetupLines, QuotedValuesOnlyFromInternalLines) {
    auto tree = CreateCommandTree();
    std::string state;
    tree->Root().AddComplexObjectHandler("Obj", [&](TComplexObjectHandler&, bool q, std::string& t) {
        if (!q) state = t;
    });
    tree->ExecuteCommandString("OBJ \"a;b\"", true);
    EXPECT_EQ(state, "a;b");
    tree->ExecuteCommandString("OBJ \" a \"\"b\"\" \"  ", true);
    EXPECT_EQ(state, " a \"b\" ") << "blanks inside the quotes stay, those after go";
    tree->ExecuteCommandString("OBJ \"a\";HEADER OFF", true);
    EXPECT_EQ(state, "a");
    EXPECT_FALSE(tree->HeaderOn());
    // Remote commands have no quoting: ";" always ends the command.
    EXPECT_EQ(tree->ExecuteCommandString("OBJ \"x;HEADER ON", false), " \"x");
    EXPECT_EQ(state, "\"x");
    EXPECT_TRUE(tree->HeaderOn());
}

}  // namespace
