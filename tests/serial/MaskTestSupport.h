#pragma once
// A shell with records (Ch1 and Ch2 on), the command tree with undo and the mask test's settings,
// without a display: the mask test's model, counting and replies as the program drives them.
#include <memory>
#include <string>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "serial/ScopeSerialServices.h"

namespace vt::test {

struct TMaskRig {
    TMaskRig() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Shell.SetCommandTree(CreateCommandTree());
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.UndoBuffer()->SetEnabled(true);
        TSerialFeature serial;
        serial.FillRows(Shell);
        TMaskFeature mask;
        mask.FillRows(Shell);
        Shell.Registration.RunRow(Shell, TRegistrationRow::RegisterMaskObjectCommand);
        Shell.Registration.RunRow(Shell, TRegistrationRow::RegisterMaskCommands);
        Shell.Refresh.RunRow(Shell, TRefreshRow::DefaultMaskFileName);
        for (int s : {ssCh1, ssCh2}) {
            Shell.Records()->SignalsOn().SetOn(s, true);
            TSignalObj& r = Shell.Records()->Record(s);
            r.SetLength(4096);
            r.SetSampleInterval(1e-12);
            r.SetOrigin(0);
            r.SetVertScale(0.1);  // 1280 rows a volt, row 512 at 0 V
            r.SetVertOffset(0);
        }
    }
    TMaskTest& Mask() { return static_cast<TScopeSerialServices&>(Shell.Serial()).MaskTest(); }
    TSignalObj& Ch1() { return Shell.Records()->Record(ssCh1); }
    std::string Run(const std::string& command, bool internal = false) {
        return Shell.CommandTree()->ExecuteCommandString(command, internal);
    }
    std::string State() { return Mask().Mask().StateText(); }
    // Applies a state text as a setup line does.
    std::string Load(const std::string& state) { return Run("NOGPIB:Mask " + state, true); }
    void Undo() {
        auto list = Shell.UndoBuffer()->Undo();
        ASSERT_TRUE(list.has_value());
        for (const TUndoItem& item : *list) ApplyCommandText(*item.Handler, item.Text);
    }
    TShell Shell;
};

}  // namespace vt::test
