#pragma once
// A bottom strip that logs its cells, and the shell the TDR settings run in.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/BottomReadoutStrip.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt::test {

// A strip of the panel's size and the last text written into each of its cells, by its top-left corner.
struct TLoggedStrip {
    struct TCell {
        TPixelRect Rect;
        std::string Text;
        std::uint32_t Colour = 0;
    };
    TLoggedStrip() {
        Strip.Resize(7, 35, 528, 81);
        Strip.TextWatch = [this](const TPixelRect& r, const std::string& t, TColor c) {
            Cells[{r.Top, r.Left}] = {r, t, c.Value};
        };
    }
    const TCell& At(int row, int column) {
        const TPixelRect r = NizCellRect(row, column);
        return Cells[{r.Top, r.Left}];
    }
    std::string Text(int row, int column) { return At(row, column).Text; }
    std::uint32_t Colour(int row, int column) { return At(row, column).Colour; }

    TNizText Strip;
    std::map<std::pair<int, int>, TCell> Cells;
};

// A demo instrument with the generators, the records and the command tree with undo.
inline void SetUpTdrShell(TShell& shell, std::unique_ptr<TInstrumentLink> link = std::make_unique<TInstrumentLink>()) {
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetCommandTree(CreateCommandTree());
    shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
    shell.UndoBuffer()->SetEnabled(true);
    link->SetLinkKind(TInstrumentLinkKind::Demo);
    auto identity = std::make_unique<TInstrumentIdentityUnit>(*link, "");
    identity->Identity.ModelType = 1;
    identity->Identity.Options = optGenerators;
    shell.SetLink(MakeOwnedPart(std::move(link)));
    shell.SetIdentity(MakeOwnedPart(std::move(identity)));
}

}  // namespace vt::test
