#pragma once
// Connecting the instrument of the list: one attempt (USB, LAN, demo or none) under the instrument's
// lock, "Default Auto" with its order of attempts, the retry flow with its start-up dialogs, the
// start and the run-time switch of instrument, and the "INSTR:" commands.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "link/InstrumentList.h"
#include "link/InstrumentLocks.h"

namespace vt {

class TInstrumentLink;
class TOnOffHandler;
class TSpider;

enum class TOpenResult : int { Connected = 0, Busy = 1, NotFound = 2, NotYetKnown = 3 };

// Answers of the initialisation dialogs.
enum class TInitDialogResult { Yes, No, Abort, Ignore };

// The dialogs shown when the start instrument cannot be connected.
class TInstrumentDialogs {
public:
    virtual ~TInstrumentDialogs() = default;
    // The dialog of this attempt (1, 2, then 3 for every later one); demoAvailable offers "Demo".
    virtual TInitDialogResult ShowInitialisationDialog(int attempt, const std::string& instrumentName,
                                                       bool demoAvailable) = 0;
};

// What the connection calls in the rest of the program. Every member may be empty.
struct TInstrumentsHooks {
    std::function<void(const std::string&)> SplashStatus;
    std::function<std::string(std::string_view key, std::string_view builtIn)> LangText;
    // A message to the user; used for the give-up when no dialogs are installed.
    std::function<void(const std::string&)> ShowMessage;
    // The quiet start: the user interface is remote only or invisible, or the automation switch.
    std::function<bool()> StartedAsComServer;
    // Run-time switch: close both side menus and stop the instrument on the main window; start it.
    std::function<void()> StopMainWindow;
    std::function<void(bool present)> StartMainWindow;
    std::function<void(bool on)> SetAutoCalTimer;
    // Reads the instrument's temperature as the auto-calibration's reference.
    std::function<void()> ReadReferenceTemperature;
};

class TInstruments {
public:
    TInstruments(std::filesystem::path configFile, std::filesystem::path lockFolder, TInstrumentLink& link);

    TInstrumentsHooks Hooks;
    // The start-up dialogs; none: a failed start gives up with a message.
    TInstrumentDialogs* Dialogs = nullptr;

    TInstrumentList& List() { return List_; }
    TInstrumentLocks& Locks() { return Locks_; }
    // The instrument connected last: its name and its kind.
    const std::string& CurrentName() const { return Current_; }
    TInstrumentLinkKind CurrentKind() const { return CurrentKind_; }
    // The result of the first attempt of the latest start.
    TOpenResult FirstResult() const { return FirstResult_; }

    TOpenResult OpenInstrument(std::string_view name, bool quiet);
    TOpenResult OpenInstrumentAuto(std::string& name, bool quiet);
    bool OpenInstrumentWithRetry(std::string& name, bool quiet);
    // Claims "Default Demo" into the slot of the other names when no one holds it.
    bool ReserveDefaultDemo();
    // At start-up the name becomes the start unit. At run time the current instrument is stopped
    // first and the new one is started on the main window. quiet: no dialog whatever the mode.
    bool StartInstrument(bool atStartUp, std::string& name, bool quiet = false);

    void RegisterInstrCommands(TSpider& root);
    void SetGUIReady(bool on);

private:
    std::string Lang(std::string_view key, std::string_view builtIn) const;
    void GiveUpMessage(const std::string& name, TOpenResult result) const;
    void CurrentGet(std::string& reply) const;
    void CurrentSet(std::string_view parameter, std::string& reply);

    TInstrumentList List_;
    TInstrumentLocks Locks_;
    TInstrumentLink& Link_;
    std::string Current_ = std::string(kAbsentName);
    TInstrumentLinkKind CurrentKind_ = TInstrumentLinkKind::None;
    TOpenResult FirstResult_ = TOpenResult::NotYetKnown;
    TOnOffHandler* GuiReady_ = nullptr;
};

}  // namespace vt
