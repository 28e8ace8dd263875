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

// The main window's part in a switch of instrument at run time. Does nothing until a window exists.
class TMainWindowSwitch {
public:
    virtual ~TMainWindowSwitch() = default;
    // Closes both side menus and stops the instrument on the main window.
    virtual void StopMainWindow() {}
    virtual void StartMainWindow(bool /*present*/) {}
};

// What else the connection asks of the program; until it is set, nothing is shown and every
// question answers "no".
class TInstrumentsServices {
public:
    virtual ~TInstrumentsServices() = default;
    virtual void SplashStatus(const std::string& /*status*/) {}
    // The language text of a key, else the built-in English text.
    virtual std::string LangText(std::string_view /*key*/, std::string_view builtIn) { return std::string(builtIn); }
    // A message to the user; used for the give-up when no dialogs are installed.
    virtual void ShowMessage(const std::string& /*text*/) {}
    // The quiet start: the user interface is remote only or invisible, or the automation switch.
    virtual bool StartedAsComServer() { return false; }
    virtual void SetAutoCalTimer(bool /*on*/) {}
    // Reads the instrument's temperature as the auto-calibration's reference.
    virtual void ReadReferenceTemperature() {}
};

class TInstruments {
public:
    TInstruments(std::filesystem::path configFile, std::filesystem::path lockFolder, TInstrumentLink& link);

    // The start-up dialogs; none: a failed start gives up with a message.
    TInstrumentDialogs* Dialogs = nullptr;
    // Each is set once; null answers with the interface's empty defaults.
    void SetServices(TInstrumentsServices* services);
    void SetMainWindowSwitch(TMainWindowSwitch* window);

    TInstrumentList& List() { return List_; }
    TInstrumentLocks& Locks() { return Locks_; }
    // The instrument connected last: its name and its kind.
    const std::string& CurrentName() const { return Current_; }
    TInstrumentLinkKind CurrentKind() const { return CurrentKind_; }
    // The result of the first attempt of the latest start.
    TOpenResult FirstResult() const { return FirstResult_; }
    // Why the latest start gave up: the instrument and the reason, on two lines ("" while none did).
    const std::string& GiveUpText() const { return GiveUpText_; }

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
    TInstrumentsServices& Services() const;
    TMainWindowSwitch& Window() const;
    std::string MakeGiveUpText(const std::string& name, TOpenResult result) const;
    void CurrentGet(std::string& reply) const;
    void CurrentSet(std::string_view parameter, std::string& reply);

    TInstrumentList List_;
    TInstrumentLocks Locks_;
    TInstrumentLink& Link_;
    TInstrumentsServices* Services_ = nullptr;
    TMainWindowSwitch* Window_ = nullptr;
    std::string Current_ = std::string(kAbsentName);
    TInstrumentLinkKind CurrentKind_ = TInstrumentLinkKind::None;
    TOpenResult FirstResult_ = TOpenResult::NotYetKnown;
    std::string GiveUpText_;
    bool Unanswered_ = false;  // the last failed attempt was connected, but the instrument did not answer
    TOnOffHandler* GuiReady_ = nullptr;
};

}  // namespace vt
