#pragma once
// The main commands of the window's top strip: clear the display, run, stop or single, autoscale,
// the default setups, undo and redo, copy, print and help. Each is a main-command handler of the
// command tree, so the strip's switchers, their keys, setup lines and automation reach the same code.
#include <memory>

#include "core/Feature.h"

namespace vt {

class TMainCommandHandler;
class TShell;
template <class Base>
class TRefusing;

// What the main commands ask of the main window: capture, printing, the About box and help.
class TMainCommandWindow {
public:
    virtual ~TMainCommandWindow() = default;
    // Copies the capture of the kind (0 FullScreen .. 5 InvScopeScr) to the clipboard.
    virtual void CopyScreenToClipboard(int /*kind*/) {}
    // Prints the main window; ask: only after the user said yes to "WantToPrint".
    virtual void PrintWindow(bool /*ask*/) {}
    // Opens the printer's setup; false when it could not be shown (nobody to answer it), nothing changed.
    virtual bool PrinterSetup() { return true; }
    virtual void EnterContextHelp() {}
    virtual void ShowAbout() {}
    virtual void ShowHelpContext(int /*context*/) {}
};

// The parts of other features the main commands drive: the acquisition engine, the autoscale, the
// save and recall of setups and the timebase. Until a feature supplies its part, nothing happens and
// a save reports success.
class TMainCommandSteps {
public:
    virtual ~TMainCommandSteps() = default;
    // Marks both channels' acquisition display for redrawing.
    virtual void SetRedrawFlags() {}
    // kind 0 Auto, 1 SingleVal, 2 NRZ, 3 RZ; false when no run could start.
    virtual bool StartAutoScale(int /*kind*/) { return true; }
    // Ends the on-screen waveform database.
    virtual void StopDatabase() {}
    // kind 0 the user's default setup file, 1 the in-memory "Factory" setup, 2 the power-off setup.
    virtual void RecallSetup(int /*kind*/, bool /*showErrors*/) {}
    // false when the setup file could not be written.
    virtual bool SaveSetup(int /*kind*/, bool /*showErrors*/) { return true; }
    virtual void SaveTimebaseDelays() {}
    virtual void RestoreTimebaseDelays() {}
};

// The value indices of the menu commands.
enum TDefSetupChoice { dsDefault = 0, dsFactory = 1, dsPowerOff = 2, dsSaveAsDef = 3 };
enum TCopyKind { ckFullScreen = 0, ckFullWindow, ckClientPart, ckInvClientPart, ckScopeScreen, ckInvScopeScr };

// The nine handlers, in their registration order.
struct TMainCommands {
    TMainCommandHandler* ClrDispl = nullptr;
    TMainCommandHandler* Run = nullptr;
    TMainCommandHandler* StopSingle = nullptr;
    TRefusing<TMainCommandHandler>* Autoscale = nullptr;
    TRefusing<TMainCommandHandler>* DefSetup = nullptr;
    TMainCommandHandler* Undo = nullptr;
    TMainCommandHandler* Copy = nullptr;
    TRefusing<TMainCommandHandler>* Print = nullptr;
    TMainCommandHandler* Help = nullptr;
};

// Registers the nine commands in the shell's command tree; their callbacks use the window and the
// steps, which must outlive the tree.
TMainCommands RegisterMainCommands(TShell& shell, TMainCommandWindow& window, TMainCommandSteps& steps);

// Applies one undo (or redo) step of the shell's undo buffer as internal command lines; drop redo
// forgets what could be redone. Without a buffer or a step nothing changes, yet the settings load is
// ended as after every step.
void UndoRedoSettings(TShell& shell, TMainCommandSteps& steps, bool redo, bool dropRedo);

// RunOn off; the "*Run" controls show it.
void StopRunMode(TShell& shell, TMainCommands& commands);

// The main commands as a feature of the program: its registration row and the stop of Run and Single.
class TMainCommandsFeature : public TFeature {
public:
    explicit TMainCommandsFeature(TMainCommandWindow& window);
    // A feature that drives what the commands start supplies its part here (it must outlive the tree).
    void SetSteps(TMainCommandSteps& steps) { Steps_ = &steps; }
    TMainCommandSteps& Steps() { return *Steps_; }
    const TMainCommands& Commands() const { return Commands_; }

    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override { Shell_ = &shell; }
    void StopRunning() override;

private:
    TMainCommandWindow& Window_;
    TMainCommandSteps NoSteps_;
    TMainCommandSteps* Steps_ = &NoSteps_;
    TMainCommands Commands_;
    TShell* Shell_ = nullptr;
};

}  // namespace vt
