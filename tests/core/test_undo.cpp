#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "core/InternalError.h"
#include "core/UndoBuffer.h"

using namespace vt;

namespace {

// A stand-in for a setting handler: a value and the undo stamp it last recorded with. Its address is
// the handler pointer the buffer stores; the buffer never looks behind it.
struct FakeSetting {
    std::string Value;
    std::uint32_t Stamp = 0;
};

struct Shell {
    TUndoBuffer Buffer;
    std::array<FakeSetting, 3> S{{{"a"}, {"x"}, {"p"}}};

    Shell() { Buffer.SetEnabled(true); }

    static THandler* H(FakeSetting& s) { return reinterpret_cast<THandler*>(&s); }
    static FakeSetting& Of(THandler* h) { return *reinterpret_cast<FakeSetting*>(h); }

    // What the set step does: record the old value once per step, then store.
    void Store(FakeSetting& s, const std::string& value) {
        if (s.Value == value) return;
        if (s.Stamp != Buffer.StepStamp()) {
            s.Stamp = Buffer.StepStamp();
            Buffer.AddItem(s.Value, H(s));
        }
        s.Value = value;
    }
    // A user or remote change opens a step of its own.
    void Change(int i, const std::string& value) {
        Buffer.BeginStep();
        Store(S[static_cast<std::size_t>(i)], value);
    }
    void Apply(const TUndoList& list) {
        for (const auto& item : list) Store(Of(item.Handler), item.Text);
    }
    void Undo() {
        ASSERT_FALSE(Buffer.UndoEmpty());
        auto list = Buffer.Undo();
        ASSERT_TRUE(list.has_value());
        Apply(*list);
    }
    void Redo() {
        ASSERT_FALSE(Buffer.RedoEmpty());
        auto list = Buffer.Redo();
        ASSERT_TRUE(list.has_value());
        Apply(*list);
    }
    // The three values, "|" between them.
    std::string Values() const { return S[0].Value + "|" + S[1].Value + "|" + S[2].Value; }
};

void ExpectInternalError(const std::function<void()>& f, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "no internal error, expected " << message;
    } catch (const EInternalError& e) {
        EXPECT_EQ(e.Message(), message);
        EXPECT_EQ(e.Unit(), "_SHELL\\SRC\\Undina");
    }
}

}  // namespace

TEST(UndoBuffer, DisabledBufferRecordsNothingAndFirstStepGoesIntoSlotZero) {
    TUndoBuffer b;
    EXPECT_FALSE(b.Enabled());
    b.BeginStep();
    b.AddItem("1", nullptr);
    EXPECT_TRUE(b.Slot(0).empty());
    EXPECT_FALSE(b.Undo().has_value());
    EXPECT_FALSE(b.Redo().has_value());

    Shell sh;
    sh.Change(0, "b");
    EXPECT_EQ(sh.Buffer.Cursor(), 0);
    ASSERT_EQ(sh.Buffer.Slot(0).size(), 1u);
    EXPECT_EQ(sh.Buffer.Slot(0)[0].Text, "a");
    EXPECT_EQ(sh.Buffer.Slot(0)[0].Handler, Shell::H(sh.S[0]));
    EXPECT_FALSE(sh.Buffer.UndoEmpty());
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
    sh.Change(1, "y");
    EXPECT_EQ(sh.Buffer.Cursor(), 1);
    EXPECT_EQ(sh.Buffer.Newest(), 1);
    EXPECT_EQ(sh.Buffer.Oldest(), 0);
}

TEST(UndoBuffer, RingKeepsTheLastHundredSteps) {
    Shell sh;
    for (int i = 1; i <= 101; ++i) sh.Change(0, std::to_string(i));
    EXPECT_EQ(sh.Buffer.Cursor(), 0);
    EXPECT_EQ(sh.Buffer.Oldest(), 1);
    int undos = 0;
    while (!sh.Buffer.UndoEmpty()) {
        sh.Undo();
        ++undos;
    }
    EXPECT_EQ(undos, 100);
    // The first change fell out of the ring: its old value cannot come back.
    EXPECT_EQ(sh.S[0].Value, "1");
    ExpectInternalError([&] { (void)sh.Buffer.Undo(); }, "Undo Buffer EMPTY!");

    int redos = 0;
    while (!sh.Buffer.RedoEmpty()) {
        sh.Redo();
        ++redos;
    }
    EXPECT_EQ(redos, 100);
    EXPECT_EQ(sh.S[0].Value, "101");
    ExpectInternalError([&] { (void)sh.Buffer.Redo(); }, "Redo Buffer EMPTY!");
}

TEST(UndoBuffer, UndoRedoRoundTripOfAStepWithSeveralSettings) {
    Shell sh;
    sh.Change(2, "q");
    // A feature that changes many settings at once opens one step for all of them.
    sh.Buffer.BeginStep();
    sh.Store(sh.S[0], "b");
    sh.Store(sh.S[1], "y");
    sh.Undo();
    EXPECT_EQ(sh.Values(), "a|x|q");
    EXPECT_FALSE(sh.Buffer.RedoEmpty());
    EXPECT_FALSE(sh.Buffer.AtTop());
    sh.Redo();
    EXPECT_EQ(sh.Values(), "b|y|q");
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
    EXPECT_TRUE(sh.Buffer.AtTop());
    ExpectInternalError([&] { (void)sh.Buffer.Redo(); }, "Redo Buffer EMPTY!");
    // And back again, twice down to the start.
    sh.Undo();
    sh.Undo();
    EXPECT_EQ(sh.S[2].Value, "p");
    EXPECT_TRUE(sh.Buffer.UndoEmpty());
}

TEST(UndoBuffer, NewChangeAfterUndoDropsEveryRedoStep) {
    Shell sh;
    sh.Change(0, "b");
    sh.Change(0, "c");
    sh.Change(0, "d");
    sh.Undo();
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "b");
    sh.Change(0, "z");
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
    EXPECT_TRUE(sh.Buffer.AtTop());
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "b");
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "a");
    EXPECT_TRUE(sh.Buffer.UndoEmpty());
    sh.Redo();
    sh.Redo();
    EXPECT_EQ(sh.S[0].Value, "z");
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
}

TEST(UndoBuffer, SettingChangedTwiceInOneStepReturnsToItsFirstValue) {
    Shell sh;
    sh.Buffer.BeginStep();
    sh.Store(sh.S[0], "b");
    sh.Store(sh.S[0], "c");
    EXPECT_EQ(sh.Buffer.Slot(0).size(), 1u);
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "a");
    // The undo itself records each setting once, so redo goes to the last value.
    EXPECT_EQ(sh.Buffer.Slot(0).size(), 1u);
    sh.Redo();
    EXPECT_EQ(sh.S[0].Value, "c");
}

TEST(UndoBuffer, ChangesWhileEntryPadIsOpenFormOneStep) {
    Shell sh;
    sh.Buffer.SetEntryPadOpen(true);
    sh.Change(0, "1");
    sh.Change(0, "12");
    sh.Change(1, "y");
    sh.Buffer.SetEntryPadOpen(false);
    sh.Change(2, "q");
    EXPECT_EQ(sh.Buffer.Cursor(), 1);
    sh.Undo();
    EXPECT_EQ(sh.Values(), "12|y|p");
    sh.Undo();
    EXPECT_EQ(sh.Values(), "a|x|p");
    EXPECT_TRUE(sh.Buffer.UndoEmpty());
}

TEST(UndoBuffer, UndoWhileEntryPadIsOpenEndsThePadStep) {
    Shell sh;
    sh.Buffer.SetEntryPadOpen(true);
    sh.Change(0, "5");
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "a");
    // Further typing in the still open pad is a step of its own, not an addition to the redo texts.
    sh.Change(0, "7");
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
    EXPECT_FALSE(sh.Buffer.UndoEmpty());
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "a");
    sh.Redo();
    EXPECT_EQ(sh.S[0].Value, "7");
}

TEST(UndoBuffer, StepBegunWithoutChangeDoesNotTurnUndoIntoRedo) {
    Shell sh;
    sh.Change(0, "b");
    sh.Buffer.BeginStep();  // a button press that changed nothing
    EXPECT_TRUE(sh.Buffer.StepPending());
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "a");
    EXPECT_FALSE(sh.Buffer.StepPending());
    EXPECT_FALSE(sh.Buffer.AtTop());
    EXPECT_TRUE(sh.Buffer.UndoEmpty());
    EXPECT_FALSE(sh.Buffer.RedoEmpty());
    EXPECT_EQ(sh.Buffer.Cursor(), 0);
    ASSERT_EQ(sh.Buffer.Slot(0).size(), 1u);
    EXPECT_EQ(sh.Buffer.Slot(0)[0].Text, "b");

    auto redo = sh.Buffer.Redo();
    ASSERT_TRUE(redo.has_value());
    ASSERT_EQ(redo->size(), 1u);
    EXPECT_EQ((*redo)[0].Text, "b");
    EXPECT_EQ((*redo)[0].Handler, Shell::H(sh.S[0]));
    sh.Apply(*redo);
    EXPECT_EQ(sh.S[0].Value, "b");
    EXPECT_TRUE(sh.Buffer.AtTop());
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
    EXPECT_FALSE(sh.Buffer.UndoEmpty());
}

TEST(UndoBuffer, NewChangeAfterUndoingEverythingKeepsUndoBounded) {
    Shell sh;
    sh.Change(0, "b");
    sh.Undo();
    EXPECT_TRUE(sh.Buffer.UndoEmpty());
    sh.Change(0, "c");
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "a");
    EXPECT_TRUE(sh.Buffer.UndoEmpty());

    // Same with a full ring: nothing stale from the far end of the ring may come back.
    Shell full;
    for (int i = 1; i <= 101; ++i) full.Change(0, std::to_string(i));
    while (!full.Buffer.UndoEmpty()) full.Undo();
    full.Change(1, "y");
    full.Undo();
    EXPECT_TRUE(full.Buffer.UndoEmpty());
    EXPECT_EQ(full.Values(), "1|x|p");
}

TEST(UndoBuffer, ClearRedoForgetsTheRestoredStep) {
    Shell sh;
    sh.Change(0, "b");
    // A procedure opens a step, changes settings, fails and restores them.
    sh.Buffer.BeginStep();
    sh.Store(sh.S[1], "y");
    sh.Store(sh.S[2], "q");
    sh.Undo();
    sh.Buffer.ClearRedo();
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
    EXPECT_EQ(sh.Values(), "b|x|p");
    // The user's own undo and redo never bring the failed procedure's values back.
    sh.Undo();
    EXPECT_EQ(sh.S[0].Value, "a");
    sh.Redo();
    EXPECT_TRUE(sh.Buffer.RedoEmpty());
    EXPECT_EQ(sh.Values(), "b|x|p");
    // The next change takes the freed slot.
    sh.Change(2, "r");
    EXPECT_EQ(sh.Buffer.Cursor(), 1);
    sh.Undo();
    EXPECT_EQ(sh.S[2].Value, "p");
}

TEST(UndoBuffer, SlotIndexOutsideTheRingIsAnInternalError) {
    TUndoBuffer b;
    ExpectInternalError([&] { (void)b.Slot(-1); }, "Incorrect Index");
    ExpectInternalError([&] { (void)b.Slot(TUndoBuffer::SlotCount); }, "Incorrect Index");
}

TEST(UndoBuffer, FreshBufferCanReplaceAnOldOne) {
    Shell sh;
    sh.Change(0, "b");
    TUndoBuffer copy = sh.Buffer;
    sh.Buffer = TUndoBuffer();
    sh.Buffer.SetEnabled(true);
    EXPECT_TRUE(sh.Buffer.UndoEmpty());
    sh.Change(1, "y");
    ASSERT_EQ(sh.Buffer.Slot(0).size(), 1u);
    EXPECT_EQ(sh.Buffer.Slot(0)[0].Text, "x");
    // The copy goes on writing into its own current step.
    copy.AddItem("z", nullptr);
    EXPECT_EQ(copy.Slot(0).size(), 2u);
    EXPECT_EQ(sh.Buffer.Slot(0).size(), 1u);
}
