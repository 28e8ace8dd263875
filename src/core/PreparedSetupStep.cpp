#include "core/PreparedSetupStep.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/CommandTree.h"
#include "core/Handlers.h"

namespace vt {

void TPreparedSetupStep::Take(const TUndoBuffer* undo) {
    List_.clear();
    Taken_ = undo && undo->Enabled() && !undo->StepPending();
    if (!Taken_) return;
    Slot_ = undo->Cursor();
    List_ = undo->Slot(Slot_);
    Stamp_ = undo->StepStamp();
}

void TPreparedSetupStep::Restore(TUndoBuffer* undo, TCommandTree* tree) {
    if (!Taken_) return;
    Taken_ = false;
    TUndoList list = std::exchange(List_, {});
    if (!undo || !tree) return;
    // Undo and redo are refused while the run is open, so an unchanged stamp means no step came after.
    const bool newest = undo->StepStamp() == Stamp_ && !undo->UndoEmpty();
    // The step as it is now also holds what the run changed into it after its preparation.
    if (newest) {
        if (std::optional<TUndoList> current = undo->Undo()) list = std::move(*current);
    } else if (const TUndoList& now = undo->Slot(Slot_);
               now.size() >= list.size() && std::equal(list.begin(), list.end(), now.begin(), [](const TUndoItem& a, const TUndoItem& b) {
                   return a.Text == b.Text && a.Handler == b.Handler;
               })) {
        // Still in its slot (a full ring of later steps would have taken the slot).
        list = now;
    }
    // Below a later step the values go back unrecorded: that step's own texts stay as they were.
    const bool enabled = undo->Enabled();
    if (!newest) undo->SetEnabled(false);
    struct TEnd {
        TUndoBuffer& Undo;
        TCommandTree& Tree;
        bool Enabled;
        ~TEnd() {
            Undo.SetEnabled(Enabled);
            Tree.EndSettingsLoad();
        }
    } end{*undo, *tree, enabled};
    tree->BeginSettingsLoad();
    for (const TUndoItem& item : list)
        if (item.Handler) ApplyCommandText(*item.Handler, item.Text);
    if (newest) undo->ClearRedo();
}

}  // namespace vt
