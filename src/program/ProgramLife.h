#pragma once
// The program's life below the window: the deferred start-up in its fixed order, the start and stop
// of an instrument, the close decisions, the idle step and the work of the main timers. The features
// are installed into it from the program's one list; the window is a view it talks to.
#include <string>
#include <vector>

#include "core/Feature.h"

namespace vt {

class TShell;
struct TInstrumentIdentity;

// What the close asks when values are unstored.
enum class TCloseAnswer { Yes, No, Cancel };

// The main timers; the window runs one timer of each.
enum class TMainTimer : int { VariablePersist, FlagRegisterReading, AutoCal, Count };
int MainTimerIntervalMs(TMainTimer timer);

// What the life asks of the main window.
class TMainView {
public:
    virtual ~TMainView() = default;
    // Lets the window paint before the start-up's long steps.
    virtual void ProcessPendingEvents() = 0;
    // The main-menu buttons open their menus; no side button is remembered.
    virtual void BuildMainMenuTable() = 0;
    virtual void InstallIdleHandler() = 0;
    // Channels on the left, Time Base on the right.
    virtual void OpenStartMenus() = 0;
    virtual void SetSideMenusHidden(bool hidden) = 0;
    virtual void CloseSideMenus() = 0;
    virtual void ShowMainControls(bool visible) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Enables the menus the instrument's options allow.
    virtual void EnableOptionMenus() = 0;
    virtual void ApplyGuiMode() = 0;
    // Starts and stops the main timers as TimerWanted says, and arms the idle wake.
    virtual void FollowTimerRequests() = 0;
    // Writes the English language file with the window's own texts.
    virtual void CreateEnglishLanguageFile() = 0;
    virtual void ShowError(const std::string& text) = 0;
    virtual TCloseAnswer AskYesNoCancel(const std::string& text) = 0;
};

class TProgramLife {
public:
    static constexpr const char* VersionText = "Version 2_4_4 (2011-03-01)";

    explicit TProgramLife(TShell& shell);
    virtual ~TProgramLife() = default;
    TProgramLife(const TProgramLife&) = delete;
    TProgramLife& operator=(const TProgramLife&) = delete;

    // Installs a feature: its rows are filled at once; it is asked in installation order.
    void Install(TFeature& feature);
    const std::vector<TFeature*>& Features() const { return Features_; }
    // The window attaches itself while it exists; without one the life runs without a view.
    void SetView(TMainView* view) { View_ = view; }
    TShell& Shell() { return Shell_; }

    // --- start-up and instruments ---
    // The deferred start-up, once the window is first shown. Every feature hears of its end, also when
    // a step failed. False when the start instrument's identity could not be read.
    bool StartUp();
    // False when the identity could not be read (the acquisition stays off).
    bool StartInstrument(bool present);
    void StopInstrument();

    // --- close ---
    // False refuses the close; clients holding the program refuse it with an exception (the error
    // dialog shows it).
    bool CloseQuery();
    // A running acquisition must end now (the screens are laid out anew).
    void BreakAcquisition();

    // --- main loop ---
    // One call of the idle handler: true when done (wait for the next event).
    bool IdleStep();
    bool TimerWanted(TMainTimer timer) const;
    void TimerTick(TMainTimer timer);

protected:
    // The identity read of a present instrument.
    virtual bool ReadIndividualData();

private:
    bool RunStartUp();
    const TInstrumentIdentity& Identity() const;
    // Inside a connect or an exchange of the link (a timer or the idle step fired in one of its waits).
    bool LinkBusy() const;
    void ResetSignalStates();

    TShell& Shell_;
    TMainView* View_ = nullptr;
    std::vector<TFeature*> Features_;
};

}  // namespace vt
