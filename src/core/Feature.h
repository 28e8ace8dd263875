#pragma once
// The one way a feature plugs into the program: one object that says, in one place, what it fills.
// The program installs its features from one list; a feature that is not built is simply absent
// from it, and every step it would fill is skipped. Every member has an empty default.
namespace vt {

class TShell;

// What the close must ask the user about before the program ends.
struct TUnstoredValues {
    bool AdjustmentModified = false;
    bool CalibrationModified = false;
    bool AdjustAccessGranted = false;  // adjustment values may be stored by this user
};

class TFeature {
public:
    virtual ~TFeature() = default;

    // Fills this feature's rows in the context's fixed orders: registration, refresh and late
    // registration (setup files depend on their order), the start-up and instrument-start steps, and
    // the acquisition idle step. Runs once, when the program installs the feature.
    virtual void FillRows(TShell& shell) { (void)shell; }
    // The link, the identity and the signal records exist: a feature that they call up attaches to
    // them here (before the main window is created).
    virtual void AttachToProgram(TShell& shell) { (void)shell; }

    // The deferred start-up has ended (whether or not it succeeded): the program now takes requests
    // from outside.
    virtual void StartUpEnded(TShell& shell) { (void)shell; }

    // --- instrument stop ---
    // The instrument in use was stopped (a run-time switch, or the program's end).
    virtual void InstrumentStopped(TShell& shell) { (void)shell; }

    // The message loop has returned; the link is still open.
    virtual void ProgramEnded(TShell& shell) { (void)shell; }

    // --- close ---
    // Asked first: how many clients still hold the program once asked to let go; any refuses the close.
    virtual int ClientsHoldingProgram() { return 0; }
    // Stops Run and Single before the close asks its questions.
    virtual void StopRunning() {}
    // Breaks a running acquisition: at the close (closing), or because the screens are laid out anew.
    virtual void BreakAcquisition(bool closing) { (void)closing; }
    virtual void AddUnstoredValues(TUnstoredValues& values) const { (void)values; }
    // Stores the adjustment values (adjustment) or the calibration constants.
    virtual void StoreValues(bool adjustment) { (void)adjustment; }
    // At the close, only after an instrument was started: the settings for the next start.
    virtual void SavePowerOffSetup() {}
    virtual void StartFlagRegisterReading() {}

    // --- deadlines ---
    // Work that must end by a deadline of its own (a run that stalls): checked after every idle step,
    // on the link clock. Answers the milliseconds until it wants the next check, -1 when nothing is due.
    virtual int CheckDeadlines(TShell& shell) {
        (void)shell;
        return -1;
    }

    // --- timers ---
    // The flag-register poll (every 1500 ms while the shell asks for it): the pattern lock, only with
    // the pattern-sync option, and the trigger indicator.
    virtual void RecheckPatternLock(bool force) { (void)force; }
    virtual void RefreshTrigIndicator(int state) { (void)state; }
};

}  // namespace vt
