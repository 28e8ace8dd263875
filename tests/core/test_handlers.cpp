// Choice, on/off, check, command, text and object settings: the set step, undo, bound controls, replies.
#include <gtest/gtest.h>

#include "core/InternalError.h"
#include "core/CommandTree.h"
#include "core/UndoBuffer.h"
#include "core/RecordingControl.h"

using namespace vt;
using vt::test::TRecordingControl;

namespace {

class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        undo.SetEnabled(true);
        tree->SetUndoBuffer(&undo);
    }
    std::string Run(std::string_view s, bool internal = false) { return tree->ExecuteCommandString(s, internal); }
    // Undo as the main commands do it: apply the step's texts as internal sets inside a settings load.
    void UndoStep() {
        auto list = undo.Undo();
        ASSERT_TRUE(list.has_value());
        tree->BeginSettingsLoad();
        for (const auto& item : *list) ApplyCommandText(*item.Handler, item.Text);
        tree->EndSettingsLoad();
    }
    std::string Message(const std::function<void()>& f) {
        try {
            f();
        } catch (const EInternalError& e) {
            return e.Message();
        }
        return "no error";
    }

    std::unique_ptr<TCommandTree> tree = CreateCommandTree();
    TSpider& root = tree->Root();
    TUndoBuffer undo;
};

TEST_F(HandlerTest, SetStepRunsInItsFixedOrder) {
    std::vector<std::string> log;
    auto& h = root.AddRadioHandler("Trig:Source", {.Items = "CH1,CH2",
                                                   .BeforeChange = [&](THandler& x) {
                                                       log.push_back("before " + std::to_string(
                                                           static_cast<TRadioSwHandler&>(x).GetItemIndex()));
                                                   },
                                                   .AfterChange = [&](THandler& x) {
                                                       log.push_back("after " + std::to_string(
                                                           static_cast<TRadioSwHandler&>(x).GetItemIndex()));
                                                       log.push_back("who " + std::to_string(x.GetWhoChanged()));
                                                   }});
    TRecordingControl control(&log);
    h.RegisterSwitcher(control);
    log.clear();
    Run("TRIG:SOURCE CH2");
    EXPECT_EQ(log, (std::vector<std::string>{"before 0", "notify", "after 1", "who 3"}));
    ASSERT_FALSE(undo.UndoEmpty());
    EXPECT_EQ(undo.Slot(undo.Cursor()).at(0).Text, "CH1");
    EXPECT_EQ(h.GetWhoChangedRaw(), wcvUnknown) << "who-changed lasts one change only";
    EXPECT_EQ(Message([&] { h.GetWhoChanged(); }), "WhoChangedVariable = wcvUnknown");

    log.clear();
    Run("TRIG:SOURCE CH1", true);
    h.SetItemIndex(1);
    h.SetItemIndexFromSwitcher(0);
    EXPECT_EQ(log, (std::vector<std::string>{"before 1", "notify", "after 0", "who 4", "before 0", "notify",
                                             "after 1", "who 1", "before 1", "notify", "after 0", "who 2"}));
}

TEST_F(HandlerTest, UnchangedValueRunsNothingUnlessApplyingUnchangedValues) {
    int before = 0, after = 0;
    auto& h = root.AddOnOffHandler("Disp:Grid", {.BeforeChange = [&](THandler&) { ++before; },
                                                 .AfterChange = [&](THandler&) { ++after; }});
    EXPECT_FALSE(h.SetOn(false));
    EXPECT_EQ(after, 0);
    EXPECT_TRUE(undo.UndoEmpty());
    tree->ApplyUnchangedValues = true;
    Run("DISP:GRID OFF");
    EXPECT_EQ(before, 0) << "before-change only for a real change";
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(undo.UndoEmpty()) << "undo records while applying unchanged values";
    // A check list runs every bit.
    int checkAfter = 0;
    auto& check = root.AddCheckHandler("L", {.Items = "A,B,C", .InitialMask = 0b001,
                                             .AfterChange = [&](THandler&) { ++checkAfter; }});
    Run("L A", true);
    EXPECT_EQ(checkAfter, 3);
    EXPECT_EQ(check.GetMask(), 0b001u);
}

TEST_F(HandlerTest, RemoteChangesEachMakeAStepCallbackChainsShareOne) {
    auto& a = root.AddIntEditHandler("A", {.Config = {.Minimum = 0, .Maximum = 100}});
    auto& b = root.AddIntEditHandler("B", {.Config = {.Minimum = 0, .Maximum = 100}});
    a.SetOnAfterChange([&](THandler&) {
        b.SetValue(a.GetValue() * 2);
        b.SetValue(a.GetValue() * 3);
    });
    Run("A 1");
    Run("A 2");
    Run("A 3");
    EXPECT_EQ(b.GetValue(), 9);
    UndoStep();
    EXPECT_EQ(a.GetValue(), 2);
    EXPECT_EQ(b.GetValue(), 6) << "the oldest value of the step: a callback's second change records nothing";
    UndoStep();
    UndoStep();
    EXPECT_EQ(a.GetValue(), 0);
    EXPECT_EQ(b.GetValue(), 0);
    EXPECT_TRUE(undo.UndoEmpty());
    // The undo applying wrote the redo texts.
    auto redo = undo.Redo();
    ASSERT_TRUE(redo.has_value());
    ASSERT_EQ(redo->size(), 2u);
}

TEST_F(HandlerTest, JoinUndoAndNoSaveHandlers) {
    auto& a = root.AddOnOffHandler("A", {});
    auto& b = root.AddOnOffHandler("B", {});
    b.SetJoinUndo(true);
    Run("A ON;:B ON");
    EXPECT_EQ(undo.Slot(undo.Cursor()).size(), 2u) << "B joins A's step";
    auto& star = root.AddOnOffHandler("*Flag", {});
    const auto stamp = undo.StepStamp();
    Run("*FLAG ON");
    EXPECT_TRUE(star.GetOn());
    EXPECT_EQ(undo.StepStamp(), stamp) << "a setting never saved records no undo";
    UndoStep();
    EXPECT_FALSE(a.GetOn());
    EXPECT_FALSE(b.GetOn());
}

TEST_F(HandlerTest, ChoiceIgnoresUnknownItemsAndSelectsDisabledOnes) {
    auto& h = root.AddRadioHandler("Mode", {.Items = "Norm, Avg ,Env", .Initial = 1, .DisabledMask = 0b100});
    EXPECT_EQ(h.Items(), (std::vector<std::string>{"NORM", "AVG", "ENV"}));
    Run("MODE BOGUS");
    EXPECT_EQ(h.GetItemIndex(), 1);
    Run("MODE env");
    EXPECT_EQ(h.GetItemIndex(), 2) << "a disabled item is only for the controls";
    EXPECT_EQ(h.GetState().DisabledMask, 0b100u);
    Run("HEADER OFF");
    EXPECT_EQ(Run("MODE?"), "ENV");
    EXPECT_EQ(Run("MODE?", true), " ENV");
    TRecordingControl c;
    h.RegisterSwitcher(c);
    h.SetDisabledMask(0b100);
    EXPECT_EQ(c.Changes, 1) << "no notification for an unchanged mask";
    h.SetDisabledMask(0);
    EXPECT_EQ(c.Changes, 2);
    h.SetItems("A,B");
    EXPECT_EQ(h.GetItemIndex(), 0);
    EXPECT_EQ(Run("MODE?"), "A");
    EXPECT_EQ(GetItemIndex(nullptr), 0);
}

TEST_F(HandlerTest, OnOffWords) {
    auto& h = root.AddOnOffHandler("Grid", {});
    for (auto [cmd, on] : std::vector<std::pair<const char*, bool>>{
             {"GRID 1", true}, {"GRID 0", false}, {"GRID on", true}, {"GRID YES", true}, {"GRID Off", false}}) {
        Run(cmd);
        EXPECT_EQ(h.GetOn(), on) << cmd;
    }
    EXPECT_EQ(Run("GRID?"), "GRID OFF");
    h.SetOnFromSwitcher(true);
    EXPECT_EQ(Run("GRID?"), "GRID ON");
}

TEST_F(HandlerTest, CheckListVerbsAndItemForms) {
    std::vector<std::pair<int, bool>> changes;
    TCheckSwHandler* hp = nullptr;
    auto& h = root.AddCheckHandler("Meas:List", {.Items = "Ampl,Freq,Rise,Fall",
                                                 .AfterChange = [&](THandler&) {
                                                     changes.push_back({hp->LastChangedItem(), hp->LastChangedState()});
                                                 }});
    hp = &h;
    EXPECT_EQ(Run("MEAS:LIST?"), "MEAS:LIST ClearALL");
    Run("MEAS:LIST freq,rise");
    EXPECT_EQ(h.GetMask(), 0b0110u);
    EXPECT_EQ(Run("MEAS:LIST?"), "MEAS:LIST FREQ,RISE");
    changes.clear();
    Run("MEAS:LIST AMPL,FREQ");
    EXPECT_EQ(h.GetMask(), 0b0011u);
    EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{{2, false}, {0, true}})) << "clears first, then sets";
    EXPECT_EQ(undo.Slot(undo.Cursor()).size(), 1u) << "one command, one undo step";
    UndoStep();
    EXPECT_EQ(h.GetMask(), 0b0110u);
    Run("MEAS:LIST AMPL,FREQ");
    Run("MEAS:LIST INCLUDE FALL,BOGUS");
    EXPECT_EQ(h.GetMask(), 0b1011u);
    Run("MEAS:LIST EXCLUDE AMPL");
    EXPECT_EQ(h.GetMask(), 0b1010u);
    Run("MEAS:LIST RISE ON");
    Run("MEAS:LIST FREQ 0");
    EXPECT_EQ(h.GetMask(), 0b1100u);
    EXPECT_EQ(Run("MEAS:LIST:RISE?"), "MEAS:LIST:RISE ON");
    EXPECT_EQ(Run("MEAS:LIST? AMPL"), "MEAS:LIST:AMPL OFF");
    Run("HEADER OFF");
    EXPECT_EQ(Run("MEAS:LIST:RISE?"), "ON");
    Run("MEAS:LIST CLEARALL");
    EXPECT_EQ(h.GetMask(), 0u);
    Run("MEAS:LIST FALL");
    EXPECT_EQ(h.GetMask(), 0b1000u);
    // A text that names no item is a bad value: an unknown item with its state, a list of unknown names.
    for (const char* bad : {"MEAS:LIST BOGUS ON", "MEAS:LIST BOGUS OFF", "MEAS:LIST BOGUS", "MEAS:LIST BOGUS,WRONG"}) {
        EXPECT_EQ(Run(bad), "");
        EXPECT_EQ(h.GetMask(), 0b1000u) << bad;
    }
    Run("MEAS:LIST BOGUS,RISE");
    EXPECT_EQ(h.GetMask(), 0b0100u) << "a list with known items takes exactly those";
    Run("MEAS:LIST FALL");
    // The reply of an empty set read back as a parameter clears all.
    const std::string empty = "ClearALL";
    Run("MEAS:LIST " + empty);
    EXPECT_EQ(h.GetMask(), 0u);
    h.SetMask(0b0101);
    EXPECT_EQ(h.MaskText(), "AMPL,RISE");
    EXPECT_TRUE(h.SetBit(3, true));
    EXPECT_FALSE(h.SetBit(3, true));
    EXPECT_FALSE(h.SetBit(9, true)) << "no such item";
}

TEST_F(HandlerTest, MainCommandForms) {
    bool run = false;
    int actions = 0;
    auto& pair = root.AddMainCommandHandler("*RunStop", {.Variable = &run, .StateWords = "Stop,Run",
                                                         .Action = [&](THandler&) { ++actions; }});
    Run("*RUNSTOP run");
    EXPECT_TRUE(run);
    Run("*RUNSTOP BOGUS");
    EXPECT_EQ(actions, 1) << "an unknown word runs nothing";
    EXPECT_EQ(Run("*RUNSTOP?"), "*RUNSTOP RUN");
    Run("HEADER OFF");
    EXPECT_EQ(Run("*RUNSTOP?", true), "RUN") << "the blank comes with Header ON only";
    Run("HEADER ON");
    EXPECT_EQ(actions, 1);
    pair.PressFromSwitcher(true);
    EXPECT_EQ(actions, 1) << "a press without change runs nothing";
    pair.PressFromSwitcher(false);
    EXPECT_EQ(actions, 2);

    bool cleared = false;
    root.AddMainCommandHandler("*ClrDispl", {.Variable = &cleared});
    Run("*CLRDISPL");
    EXPECT_TRUE(cleared);
    EXPECT_EQ(Run("*CLRDISPL?"), "*CLRDISPL ON");

    int lastRequest = 99;
    TMainCommandHandler* menu = nullptr;
    menu = &root.AddMainCommandHandler("*Undo", {.InitialIndex = 0, .MenuWords = "Undo,Redo",
                                                 .Action = [&](THandler&) { lastRequest = menu->LastRequestedIndex(); }});
    Run("*UNDO redo");
    EXPECT_EQ(lastRequest, 1);
    EXPECT_EQ(menu->CurrentIndex(), 1);
    Run("*UNDO nothing");
    EXPECT_EQ(lastRequest, -1) << "the action runs and reads the failed request";
    EXPECT_EQ(menu->CurrentIndex(), 1);
    EXPECT_EQ(Run("*UNDO?"), "*UNDO Redo") << "menu words keep their case";

    int plain = 0;
    root.AddMainCommandHandler("*Beep", {.Action = [&](THandler&) { ++plain; }});
    EXPECT_EQ(Run("*BEEP"), "");
    EXPECT_EQ(Run("*BEEP?"), "*BEEP ");
    EXPECT_EQ(plain, 1);

    EXPECT_EQ(Message([&] { root.AddMainCommandHandler("*X1", {.Variable = &run, .StateWords = "A"}); }),
              "OnOffMnemonic must contain 2 mnemonics");
    EXPECT_EQ(Message([&] { root.AddMainCommandHandler("*X2", {.Variable = &run, .MenuWords = "A,B"}); }),
              "If Bool defined - MenuMnemonic must be empty");
    EXPECT_EQ(Message([&] { root.AddMainCommandHandler("*X3", {}); }), "If Bool Undefined - aWhatDo is necessary");
    EXPECT_EQ(Message([&] {
                  root.AddMainCommandHandler("*X4", {.StateWords = "A,B", .Action = [](THandler&) {}});
              }),
              "If Bool Undefined - OnOffMnemonic must be empty");
}

TEST_F(HandlerTest, RightCommandPressesAndBeginsAStep) {
    TRightCommandHandler* h = nullptr;
    bool pressedDuring = false;
    auto& a = root.AddOnOffHandler("A", {});
    a.SetJoinUndo(true);
    h = &root.AddRightCommandHandler("Meas:Clear", [&](THandler&) {
        pressedDuring = h->Pressed();
        a.SetOn(!a.GetOn());
    });
    TRecordingControl c;
    h->RegisterSwitcher(c);
    const auto stamp = undo.StepStamp();
    EXPECT_EQ(Run("MEAS:CLEAR?"), "MEAS:CLEAR");
    EXPECT_FALSE(pressedDuring);
    EXPECT_EQ(Run("MEAS:CLEAR"), "");
    EXPECT_TRUE(pressedDuring);
    EXPECT_FALSE(h->Pressed());
    EXPECT_EQ(c.Changes, 3) << "bound, pressed, released";
    EXPECT_GT(undo.StepStamp(), stamp);
    h->PressFromSwitcher();
    EXPECT_FALSE(a.GetOn());
}

TEST_F(HandlerTest, ComplexObjectStateTextAndUndo) {
    std::string state = "A=1";
    auto& h = root.AddComplexObjectHandler("Mask:Def", [&](TComplexObjectHandler&, bool q, std::string& t) {
        if (q)
            t = state;
        else
            state = t;
    });
    EXPECT_EQ(Run("MASK:DEF?"), "MASK:DEF A=1");
    Run("HEADER OFF");
    EXPECT_EQ(Run("MASK:DEF?"), " A=1");
    EXPECT_EQ(Run("MASK:DEF B=2"), " B=2");
    h.SaveStateForUndo(false);
    state = "C=3";
    UndoStep();
    EXPECT_EQ(state, "B=2");
    auto& bad = root.AddComplexObjectHandler("Mask:None", nullptr);
    (void)bad;
    EXPECT_EQ(Message([&] { Run("MASK:NONE?"); }), "NO FUNCTION");
}

TEST_F(HandlerTest, SignalSourceFollowsSignalOnStates) {
    std::uint32_t on = 0;
    tree->SignalEnablity().SetSourceOnQuery([&](int s) { return (on >> s) & 1u; });
    int after = 0;
    auto& h = root.AddSignalSourceHandler(
        "Meas:Source", {.Items = "R0,R1,Ch1,Ch2,R4,R5,R6,R7,R8,R9,R10,R11,R12,R13,M1,M2,M3,Last,None",
                        .Initial = 2, .ExcludedMask = 1u << 15, .AfterChange = [&](THandler&) { ++after; }});
    EXPECT_EQ(h.EnabledMask(), 1u << 17) << "source 17 is always enabled";
    EXPECT_EQ(after, 0) << "no callbacks before registration has finished";
    tree->SetRegistrationFinished();
    TRecordingControl c;
    h.RegisterSwitcher(c);
    on = (1u << 2) | (1u << 3) | (1u << 15);
    tree->SignalEnablity().Notify();
    EXPECT_EQ(h.EnabledMask(), (1u << 2) | (1u << 3) | (1u << 17)) << "an excluded source is never enabled";
    EXPECT_EQ(after, 2) << "one after-change per changed source";
    EXPECT_EQ(c.Changes, 2) << "controls told once";
    tree->SignalEnablity().Notify();
    EXPECT_EQ(c.Changes, 2);

    EXPECT_EQ(Run("MEAS:SOURCE:ENABLED?"), "MEAS:SOURCE:ENABLED CH1,CH2,LAST");
    EXPECT_EQ(Run("MEAS:SOURCE ENABLED"), "ERROR");
    const auto stamp = undo.StepStamp();
    Run("MEAS:SOURCE m1");
    EXPECT_EQ(h.GetSource(), 14) << "a source that is not enabled is still selected";
    EXPECT_EQ(undo.StepStamp(), stamp) << "a source choice records no undo";
    EXPECT_EQ(Run("MEAS:SOURCE?"), "MEAS:SOURCE M1");
    // An excluded source is refused, from a setup line too (which the load counts as skipped); a query
    // that names it reports the source kept.
    EXPECT_EQ(Run("MEAS:SOURCE M2"), "ERROR");
    EXPECT_EQ(Run("MEAS:SOURCE? m2"), "MEAS:SOURCE M1");
    EXPECT_EQ(root.LoadAllSettings({"Meas:Source M2", "Meas:Source Ch2"}), 1);
    EXPECT_EQ(h.GetSource(), 3) << "the refused line is skipped, the next one applied";
    Run("MEAS:SOURCE M1");
    Run("HEADER OFF");
    EXPECT_EQ(Run("MEAS:SOURCE:ENABLED?"), "CH1,CH2,LAST");
    h.UpdateMyColors();
    EXPECT_FALSE(h.ColorRefresh());
}

TEST_F(HandlerTest, BindingIsSafeWhicheverSideGoesFirst) {
    auto& h = root.AddOnOffHandler("A", {});
    {
        TRecordingControl gone;
        h.RegisterSwitcher(gone);
        EXPECT_EQ(gone.Changes, 1) << "told once at binding";
        EXPECT_EQ(Message([&] { h.RegisterSwitcher(gone); }), "ERROR!  This Switcher already Registered");
    }
    EXPECT_EQ(h.SwitcherCount(), 0);
    h.SetOn(true);  // must not reach the destroyed control

    TRecordingControl other;
    EXPECT_EQ(Message([&] { h.UnregisterSwitcher(other); }), "ERROR!  Switchers List Empty");
    TRecordingControl kept;
    h.RegisterSwitcher(kept);
    EXPECT_EQ(Message([&] { h.UnregisterSwitcher(other); }), "ERROR!  This Switcher not Found in Handler");
    int called = 0;
    auto& b = root.AddOnOffHandler("B", {});
    std::vector<std::unique_ptr<TRecordingControl>> more;
    b.RegisterSwitcher(other, [&](IHandlerControl& c) {
        called += (&c == &other);
        // Binding more controls from inside the callback moves the binding list.
        for (int i = 0; i < 8 && more.size() < 8; ++i) b.RegisterSwitcher(*more.emplace_back(new TRecordingControl));
    });
    EXPECT_EQ(called, 1);
    EXPECT_EQ(b.SwitcherCount(), 9);
    tree.reset();  // frees every handler
    EXPECT_EQ(kept.Unbinds, 1);
    EXPECT_TRUE(kept.BoundHandlers().empty());
    EXPECT_EQ(other.Unbinds, 1);
}

TEST_F(HandlerTest, ControlMayUnbindWhileBeingTold) {
    auto& h = root.AddOnOffHandler("A", {});
    struct TSelfRemoving : IHandlerControl {
        THandler* H = nullptr;
        IHandlerControl* Other = nullptr;
        void HandlerValueChanged(THandler&) override {
            if (H && Other) H->UnregisterSwitcher(*Other), Other = nullptr;
        }
    } first;
    TRecordingControl second;
    h.RegisterSwitcher(first);
    h.RegisterSwitcher(second);
    first.H = &h;
    first.Other = &second;
    h.SetOn(true);
    EXPECT_EQ(second.Changes, 1) << "the unbound control is not told";
}

TEST_F(HandlerTest, DisabledFlagNotifiesOnlyOnChange) {
    auto& h = root.AddOnOffHandler("A", {});
    std::vector<bool> flags;
    h.SetOnEnableChange([&](THandler&, bool d) { flags.push_back(d); });
    TRecordingControl c;
    h.RegisterSwitcher(c);
    h.SetDisabled(true);
    h.SetDisabled(true);
    h.SetDisabled(false);
    EXPECT_EQ(flags, (std::vector<bool>{true, false}));
    EXPECT_EQ(c.EnableChanges, 2);
    EXPECT_FALSE(c.LastDisabled);
    h.SetDisabled(true);
    Run("A ON");
    EXPECT_TRUE(h.GetOn()) << "a disabled setting still accepts commands";
}

// The one refusal: a refused value replies "ERROR" and the value stays; a query carrying it answers the
// value as it stands; setup lines pass unless the refusal covers them; a command whose work fails
// replies "ERROR", one whose work succeeds replies as before.
TEST_F(HandlerTest, ARefusedValueRepliesErrorAndTheValueStays) {
    const auto refusesItem = [](int item) {
        return [item](const TRadioSwHandler& self, std::string_view value) { return self.FindItem(value) == item; };
    };
    auto& source = root.AddRefusing<TRadioSwHandler>("Trig:Source", {.Refuses = refusesItem(2)},
                                                     TRadioOptions{.Items = "CH1,CH2,EXT"});
    auto& slope = root.AddRefusing<TRadioSwHandler>("Trig:Slope", {.Refuses = refusesItem(2), .SetupLinesToo = true},
                                                    TRadioOptions{.Items = "POS,NEG,BOTH"});
    // A name may not hold '/', asked with a query too.
    std::string name = "RUN1";
    root.AddRefusing<TGpibStringHandler>(
        "File:Name",
        {.Refuses = [](const TGpibStringHandler&, std::string_view v) { return v.find('/') != v.npos; },
         .QueriesToo = true},
        std::uint8_t{0}, [&](std::string_view p, bool isQuery, std::uint8_t, std::string& reply) {
            if (!p.empty()) name = p;
            if (isQuery) reply += name;
        });
    // A label of at most four characters, blanks counting (a setup line quotes them).
    std::string label;
    root.AddRefusing<TGpibStringHandler>(
        "Label:Text", {.Refuses = [](const TGpibStringHandler&, std::string_view v) { return v.size() > 4; },
                       .SetupLinesToo = true,
                       .Untrimmed = true},
        std::uint8_t{0}, [&](std::string_view p, bool, std::uint8_t, std::string&) { label = p; });
    // A source name is read as given: one with blanks names no source, so it is ignored, not refused.
    auto& meas = root.AddSignalSourceHandler("Meas:Source", {.Items = "CH1,CH2,EXT", .ExcludedMask = 1u << 2});
    bool fails = false;
    int saves = 0;
    root.AddFallible("Save:Now", [&](THandler&) {
        ++saves;
        return !fails;
    });
    Run("HEADER OFF");
    struct TRow {
        const char* Line;
        bool Internal;
        bool Fails;
        const char* Reply;
        int SourceAfter, SlopeAfter, SavesAfter;
        const char* NameAfter = "RUN1";
        const char* LabelAfter = "";
        int MeasAfter = 0;
    };
    const TRow rows[] = {
        {"TRIG:SOURCE CH2", false, false, "", 1, 0, 0},
        {"TRIG:SOURCE  ext ", false, false, "ERROR", 1, 0, 0},
        {"TRIG:SOURCE? EXT", false, false, "CH2", 1, 0, 0},
        {"TRIG:SOURCE BOGUS", false, false, "", 1, 0, 0},
        {"TRIG:SOURCE EXT", true, false, "", 2, 0, 0},
        {"TRIG:SLOPE BOTH", true, false, "ERROR", 2, 0, 0},
        {"TRIG:SLOPE NEG", false, false, "", 2, 1, 0},
        {"SAVE:NOW", false, false, "", 2, 1, 1},
        {"SAVE:NOW", false, true, "ERROR", 2, 1, 2},
        {"SAVE:NOW", false, false, "", 2, 1, 3},
        {"FILE:NAME? A/B", false, false, "ERROR", 2, 1, 3},
        {"FILE:NAME LAB", false, false, "", 2, 1, 3, "LAB"},
        {"FILE:NAME? A/B", false, false, "ERROR", 2, 1, 3, "LAB"},
        {"LABEL:TEXT \" AB  \"", true, false, "ERROR", 2, 1, 3, "LAB"},
        {"LABEL:TEXT \" AB \"", true, false, "", 2, 1, 3, "LAB", " AB "},
        {"MEAS:SOURCE CH2", false, false, "", 2, 1, 3, "LAB", " AB ", 1},
        {"MEAS:SOURCE EXT", true, false, "ERROR", 2, 1, 3, "LAB", " AB ", 1},
        {"MEAS:SOURCE \"EXT  \"", true, false, "", 2, 1, 3, "LAB", " AB ", 1},
    };
    for (const TRow& row : rows) {
        fails = row.Fails;
        EXPECT_EQ(Run(row.Line, row.Internal), row.Reply) << row.Line;
        EXPECT_EQ(source.GetItemIndex(), row.SourceAfter) << row.Line;
        EXPECT_EQ(slope.GetItemIndex(), row.SlopeAfter) << row.Line;
        EXPECT_EQ(saves, row.SavesAfter) << row.Line;
        EXPECT_EQ(name, row.NameAfter) << row.Line;
        EXPECT_EQ(label, row.LabelAfter) << row.Line;
        EXPECT_EQ(meas.GetSourceIndex(), row.MeasAfter) << row.Line;
    }
}

TEST(HandlerHelpers, ButtonMasksAndItemLists) {
    EXPECT_EQ(GetMaskForButtinNr(0), 1u);
    EXPECT_EQ(GetMaskForButtinNr(31), 0x80000000u);
    EXPECT_THROW(GetMaskForButtinNr(32), EInternalError);
    EXPECT_THROW(GetMaskForButtinNr(-1), EInternalError);
    EXPECT_EQ(ParseItemList(" a b ,c,\t d"), (std::vector<std::string>{"AB", "C", "D"}));
    EXPECT_EQ(ParseItemList("Undo,Redo", true), (std::vector<std::string>{"Undo", "Redo"}));
    EXPECT_EQ(ParseItemList("A,B,"), (std::vector<std::string>{"A", "B"}));
    EXPECT_TRUE(ParseItemList("").empty());
    EXPECT_EQ(ParseItemList("A,,B"), (std::vector<std::string>{"A", "", "B"}));
    TOnOffHandler plain({});
    EXPECT_THROW(plain.UpdateMyColors(), EInternalError);
}

}  // namespace
