#pragma once
// Undo and redo of setting changes: a ring of 100 steps, each a list of (old value text, handler).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt {

class THandler;

struct TUndoItem {
    std::string Text;
    THandler* Handler = nullptr;
};
using TUndoList = std::vector<TUndoItem>;

class TUndoBuffer {
public:
    static constexpr int SlotCount = 100;

    TUndoBuffer();

    bool Enabled() const { return Enabled_; }
    void SetEnabled(bool on) { Enabled_ = on; }

    void BeginStep();
    void AddItem(std::string text, THandler* handler);
    // The list to apply, or none when disabled. Raise "Undo Buffer EMPTY!" / "Redo Buffer EMPTY!"
    // when there is nothing to undo / redo (callers check UndoEmpty / RedoEmpty first).
    std::optional<TUndoList> Undo();
    std::optional<TUndoList> Redo();
    // Forgets every step that could be redone, the undone cursor step included.
    void ClearRedo();

    bool UndoEmpty() const { return UndoEmpty_; }
    bool RedoEmpty() const { return RedoEmpty_; }
    bool AtTop() const { return AtTop_; }
    bool StepPending() const { return StepPending_; }
    std::uint32_t StepStamp() const { return StepStamp_; }
    int Cursor() const { return Cursor_; }
    int Oldest() const { return Oldest_; }
    int Newest() const { return Newest_; }
    const TUndoList& Slot(int index) const;

    // While the numeric entry pad is shown, every change forms one step; closing the pad ends it.
    void SetEntryPadOpen(bool open);
    bool EntryPadOpen() const { return EntryPadOpen_; }

private:
    static int Next(int index);
    static int Prev(int index);
    void DropEmptyPendingStep();
    TUndoList TakeCursorSlot();

    std::array<TUndoList, SlotCount> Slots_;
    TUndoList Spare_;
    // The slot that AddItem writes into (-1: none). An index, not a pointer, so that the buffer may be
    // copied or replaced by a fresh one.
    int WriteSlot_ = 0;
    int Cursor_ = 0;
    int Oldest_ = 0;
    int Newest_ = 0;
    bool Enabled_ = false;
    bool RedoEmpty_ = true;
    bool UndoEmpty_ = true;
    bool AtTop_ = true;
    bool CursorSlotEmpty_ = true;
    bool StepPending_ = true;
    bool EntryPadOpen_ = false;
    bool PadStepBegun_ = false;
    std::uint32_t StepStamp_ = 1;
};

}  // namespace vt
