#pragma once
// Wires the instrument list and its connection into the main block and the
// main window: the start instrument at start-up, the run-time switch and "INSTR:".
#include <memory>
#include <string>
#include <vector>

#include "ui/MainBlock.h"
#include "ui/ResponsiveLinkClock.h"

namespace vt {

class TInstruments;
class TShell;
class TUserDialogs;

class TInstrumentStart {
public:
    // args: the program's arguments (without the program name).
    TInstrumentStart(TShell& shell, TUserDialogs& dialogs, std::vector<std::string> args);
    ~TInstrumentStart();
    TInstrumentStart(const TInstrumentStart&) = delete;
    TInstrumentStart& operator=(const TInstrumentStart&) = delete;

    // Fills the steps of the main block and of the main window that this unit serves.
    void Install(TMainBlockSteps& block, TMordaSteps& steps);
    // Null until the list is loaded.
    TInstruments* Instruments() { return Instruments_.get(); }

private:
    // What the connection asks of this unit and of the main window.
    class TCallUps;

    void Create(TMainBlockSteps& block);
    void AttachWindow(TMorda_fr& window);

    TShell& Shell_;
    TUserDialogs& Dialogs_;
    std::vector<std::string> Args_;
    TResponsiveLinkClock Clock_;
    std::unique_ptr<TCallUps> CallUps_;  // outlives the connection that calls it
    std::unique_ptr<TInstruments> Instruments_;
};

}  // namespace vt
