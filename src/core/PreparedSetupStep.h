#pragma once
// The undo step of the settings a run prepares for itself (the TDR/TDT channel calibration and
// normalization, the optical converter's calibration): taken once the preparation has recorded it and
// put back when the run ends. While the step is still the newest, the end undoes it, so that nothing is
// left to redo; a step pushed meanwhile (a remote command, a recall) stays undoable as it is, and the
// run puts back only the settings its preparation changed.
#include <cstdint>
#include <string>

#include "core/UndoBuffer.h"

namespace vt {

class TCommandTree;

// Why undo and redo are refused while such a run is open: an undo then would take the run's step, or
// one the run's end then takes for its own.
inline std::string UndoWaitText(const std::string& runTitle) {
    return "Undo and redo wait until the " + runTitle + " has closed.";
}

class TPreparedSetupStep {
public:
    // After the preparation: the current step is the run's (nothing when undo is off or the
    // preparation changed nothing).
    void Take(const TUndoBuffer* undo);
    // At the run's end: every setting the preparation changed returns to its value before the run.
    void Restore(TUndoBuffer* undo, TCommandTree* tree);

private:
    TUndoList List_;
    int Slot_ = 0;
    std::uint32_t Stamp_ = 0;
    bool Taken_ = false;
};

}  // namespace vt
