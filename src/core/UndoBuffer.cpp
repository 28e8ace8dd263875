#include "core/UndoBuffer.h"

#include <utility>

#include "core/InternalError.h"

namespace vt {

namespace {
constexpr const char* Unit = "_SHELL\\SRC\\Undina";
}

TUndoBuffer::TUndoBuffer() = default;

int TUndoBuffer::Next(int index) {
    if (index < 0 || index >= SlotCount) VT_INTERNAL_ERROR(Unit, "Incorrect Index");
    return index == SlotCount - 1 ? 0 : index + 1;
}

int TUndoBuffer::Prev(int index) {
    if (index < 0 || index >= SlotCount) VT_INTERNAL_ERROR(Unit, "Incorrect Index");
    return index == 0 ? SlotCount - 1 : index - 1;
}

const TUndoList& TUndoBuffer::Slot(int index) const {
    if (index < 0 || index >= SlotCount) VT_INTERNAL_ERROR(Unit, "Incorrect Index");
    return Slots_[static_cast<std::size_t>(index)];
}

void TUndoBuffer::SetEntryPadOpen(bool open) {
    EntryPadOpen_ = open;
    if (!open) PadStepBegun_ = false;
}

void TUndoBuffer::BeginStep() {
    if (!Enabled_) return;
    if (EntryPadOpen_) {
        if (PadStepBegun_) return;
        PadStepBegun_ = true;
    }
    ++StepStamp_;
    StepPending_ = true;
}

void TUndoBuffer::AddItem(std::string text, THandler* handler) {
    if (!Enabled_) return;
    // The very first step after creation goes into slot 0 without moving the cursor.
    if (StepPending_ && !(AtTop_ && CursorSlotEmpty_)) {
        if (AtTop_) {
            Cursor_ = Next(Cursor_);
            // Only a cursor that moved forward can run into the oldest step (ring full). After an
            // undo the cursor slot is overwritten in place and the oldest step stays undoable.
            if (Oldest_ == Cursor_) Oldest_ = Next(Oldest_);
        } else {
            AtTop_ = true;
        }
        RedoEmpty_ = true;
        WriteSlot_ = Cursor_;
        Slots_[static_cast<std::size_t>(Cursor_)].clear();
        Newest_ = Cursor_;
    }
    if (WriteSlot_ < 0) VT_INTERNAL_ERROR(Unit, "Write Item not Defined!");
    Slots_[static_cast<std::size_t>(WriteSlot_)].push_back({std::move(text), handler});
    StepPending_ = false;
    CursorSlotEmpty_ = false;
    if (AtTop_) UndoEmpty_ = false;
}

void TUndoBuffer::DropEmptyPendingStep() {
    // A step begun but never written (a press that changed nothing) is no step: without this the
    // restore items written while the undo is applied would open a new step and end the redo chain.
    StepPending_ = false;
    // Changes made after an undo while the entry pad is still open form a step of their own.
    PadStepBegun_ = false;
}

TUndoList TUndoBuffer::TakeCursorSlot() {
    // The slot's list is handed out; its place is taken by the empty spare, which becomes the write
    // list, so that applying the result records the values being replaced: the way back.
    auto& slot = Slots_[static_cast<std::size_t>(Cursor_)];
    Spare_.clear();
    std::swap(Spare_, slot);
    WriteSlot_ = Cursor_;
    TUndoList result = std::move(Spare_);
    Spare_.clear();
    return result;
}

std::optional<TUndoList> TUndoBuffer::Undo() {
    if (!Enabled_) return std::nullopt;
    if (UndoEmpty_) VT_INTERNAL_ERROR(Unit, "Undo Buffer EMPTY!");
    DropEmptyPendingStep();
    if (AtTop_)
        AtTop_ = false;
    else
        Cursor_ = Prev(Cursor_);
    TUndoList result = TakeCursorSlot();
    ++StepStamp_;
    if (Cursor_ == Oldest_) UndoEmpty_ = true;
    RedoEmpty_ = false;
    return result;
}

std::optional<TUndoList> TUndoBuffer::Redo() {
    if (!Enabled_) return std::nullopt;
    if (RedoEmpty_) VT_INTERNAL_ERROR(Unit, "Redo Buffer EMPTY!");
    DropEmptyPendingStep();
    if (AtTop_)
        Cursor_ = Next(Cursor_);
    else
        AtTop_ = true;
    TUndoList result = TakeCursorSlot();
    ++StepStamp_;
    if (Cursor_ == Newest_) RedoEmpty_ = true;
    UndoEmpty_ = false;
    return result;
}

void TUndoBuffer::ClearRedo() {
    if (!Enabled_) return;
    // Below the top the cursor slot holds the redo texts of an undone step: it must not come back
    // through a later undo and redo either, so the newest redoable step is the one before it.
    Newest_ = AtTop_ ? Cursor_ : Prev(Cursor_);
    RedoEmpty_ = true;
}

}  // namespace vt
