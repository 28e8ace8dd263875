#include "acq/SignalAcq.h"

#include "acq/AcqSettings.h"
#include "core/Shell.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {
// Reads of the stream after "ACQ:BREAK" while the window closes, and while the instrument is stopped.
constexpr int ClosingBreakReads = 3;
constexpr int StoppingBreakReads = 1;
}  // namespace

TSignalAcq::~TSignalAcq() {
    if (Shell_ && Shell_->Link()) Shell_->Link()->SetAcquisition(nullptr);
}

void TSignalAcq::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateAcqHandlers, [this](TShell& s) { CreateAcqHandlers(s, *this); });
    shell.Refresh.Add(TRefreshRow::RefreshAcqHandlers, [this](TShell& s) { RefreshAcqHandlers(s, *this); });
}

void TSignalAcq::AttachToProgram(TShell& shell) {
    Shell_ = &shell;
    if (shell.Link()) shell.Link()->SetAcquisition(this);
}

void TSignalAcq::BreakAcquisition(bool /*closing*/) { BreakAcquisitionHook(true); }

void TSignalAcq::BreakAcquisitionHook(bool afterBreak) {
    if (!Shell_) return;
    TShell& shell = *Shell_;
    if (TInstrumentLink* link = shell.Link(); link && link->AcquisitionRunning()) {
        const int maxReads = shell.MainWindowClosing ? ClosingBreakReads
                             : shell.StopInProgress  ? StoppingBreakReads
                                                     : 0;
        link->BreakRunningAcquisition(maxReads);
        if (!shell.ProgramEnded) shell.FlagRegisterReadingEnabled = true;
    }
    CycleOpen_ = false;
    // The work after a break (accumulation, measurement statistics, eye accumulation) belongs to
    // features that are not built yet: nothing of it exists to restart.
    (void)afterBreak;
}

bool TSignalAcq::PatternLockActive() {
    return Shell_ && Shell_->Trigger.PatternLockActive && Shell_->Trigger.PatternLockActive();
}

void TSignalAcq::RecheckPatternLock() {
    if (Shell_ && Shell_->Trigger.RecheckPatternLock) Shell_->Trigger.RecheckPatternLock();
}

}  // namespace vt
