#pragma once
// The process-wide context: state flags, data folders, the fixed registration and refresh orders, the
// services of the display and serial-data libraries, and the idle step of the main loop.
// `main` creates one; every test builds a fresh one.
#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/AnalysisModeSwitches.h"
#include "core/AnalysisServices.h"
#include "core/DisplayServices.h"
#include "core/InstrumentKind.h"
#include "core/LanguageState.h"
#include "core/SerialServices.h"
#include "core/UserServices.h"

namespace vt {

class TCommandTree;
class TFullHist;
class TInstrumentIdentityUnit;
class TInstrumentSenders;
class TSignalRecords;
class TTutorial;
class TInstrumentLink;
class TSaveRecall;
class TShell;
class TUndoBuffer;
class TWindowBindings;

// An object of a higher library that the context owns; that library supplies its deletion.
template <class T>
using TOwnedPart = std::unique_ptr<T, void (*)(T*)>;
// Called where T is complete (in the library that defines it or above).
template <class T>
TOwnedPart<T> MakeOwnedPart(std::unique_ptr<T> part) {
    return TOwnedPart<T>(part.release(), [](T* p) { delete p; });
}

// The data folders below the data root, each with a trailing "/".
struct TDataFolders {
    std::string InstallFolder;
    std::string SetupFilesFolder;
    std::string StdMaskFolder;
    std::string UserMaskFolder;
    std::string AcqLimitFolder;
    std::string WaveformFilesFolder;
    std::string LimitTestFolder;
    std::string MaskTestFolder;
    std::string DatabaseFolder;
    std::string HelpFile;
};

// The data root: "--home DIR" (both words are taken out of args), else $VELTRANE_HOME, else
// $XDG_DATA_HOME/veltrane, else $HOME/.local/share/veltrane. getEnv answers nullptr for an unset name.
std::filesystem::path ResolveDataRoot(std::vector<std::string>& args,
                                      const std::function<const char*(const char*)>& getEnv);

// The folder texts below root; the folders are created when missing. Raises EFileError when one
// cannot be created.
TDataFolders InitInstallFolders(const std::filesystem::path& root);

// Registration order of the feature units' settings; setup files list the settings in this order.
enum class TRegistrationRow : int {
    CreateCommandTree,
    RegisterMaskObjectCommand,
    CreateColorHandlers,
    RegisterMainCommands,
    CreateChannelHandlers,
    CreateOEConvHandlers,
    CreateTimebaseHandlers,
    CreateTrigHandlers,
    CreateAcqHandlers,
    CreateDisplayHandlers,
    RegisterSaveCommands,
    RegisterMarkerCommands,
    CreateMeasHandlers,
    CreateLimitHandlers,
    CreateMathHandlers,
    CreateFFTHandlers,
    CreateZoomHandlers,
    CreateHistHandlers,
    RegisterMaskCommands,
    RegisterEyeCommands,
    CreateGeneratorHandlers,
    CreateTDRHandlers,
    CreateJitterHandlers,
    RegisterWaveformCommands,
    CreateUtilHandlers,
    RegisterAdjustCommands,
    CreateCalcPadHandlers,
    CreateRampTestHandlers,
    CreateRampDACHandlers,
    CreateGuiHandler,
    RegisterInstrCommands,
    Count
};

// Refresh order after the model is known or a setup was loaded.
enum class TRefreshRow : int {
    RefreshChannelHandlers,
    RefreshOEConvHandlers,  // only with the optics option
    RefreshTimebaseHandlers,
    ApplyTrigSettings,
    RefreshAcqHandlers,
    RefreshDisplayHandlers,
    UpdateSaveFileTypeControls,
    RefreshMarkerHandlers,
    RefreshMeasHandlers,
    RefreshLimitHandlers,
    UpdateAllMathControls,
    ApplyZoomToAllSources,
    UpdateHistControls,
    DefaultMaskFileName,
    RefreshEyeHandlers,
    UpdateGeneratorControls,  // only with the generators option
    RefreshTDRHandlers,       // only with the generators option
    RefreshUtilHandlers,
    ClearTimebaseCalMode,
    Count
};

// The registrations that depend on the model type; they run at every instrument start.
enum class TLateRegistrationRow : int {
    ApplyTimebaseModelLimits,
    CreateRampDACSelectHandler,
    SetModelAdjustLimits,
    Count
};

// Steps of the deferred start-up that features fill, in the order the start-up runs them between its
// own steps.
enum class TStartUpRow : int {
    BindSwitchersOfStrips,
    CreateEnglishLanguageFile,  // empty: the file is written with the main window's texts only
    InitSourceSwitcherItems,
    LoadMemoriesFromDisk,
    LoadPatternLengthList,
    SetInstrGuiReady,
    Count
};

// Steps of an instrument's start that features fill, in the order the start runs them.
enum class TInstrumentStartRow : int {
    RefreshHelpCaptionAndCalibration,  // only with an instrument
    RecallDefaultSetup,                // only with an instrument, and not when Shift was held at start
    ApplyGssDefaultsForLink,           // after any recall: the simulated generators' routing for the link
    UpdateHoldoffTracking,
    ResendInstrumentSettings,
    Count
};

// The hooks of a completed acquisition cycle, in the order they run. A hook may end the list there: a
// running autoscale step or jitter analysis takes over the rest of the cycle.
enum class TAcqCycleRow : int {
    SaveAcqWaveforms,               // run-until count with Save
    AutoScaleStep,                  // ends the list while it runs
    MeasureChannelsResidualSignal,  // a calibration measures the residual signal
    TdrCalibrationSteps,            // TDR channel calibration and normalization forms
    OEConvCalibrationStep,
    PatternSearchSteps,             // pattern-length search and reference-sine capture
    JitterAnalysisStep,             // ends the list while an analysis exists
    MarkAcquiredSignals,
    DrawXYDisplay,
    MarkRecordsShown,
    UpdateScaleChangeFlags,
    UpdateMarkerLayers,
    TdrExcessReadout,
    UpdateHistogram,
    EyeAndMaskSteps,
    AddToDatabase,
    ApplyMarkerMode,
    ScaleChangeRefreshes,
    StopAfterAcqCount,
    StepPatternScanDelay,
    AfterCycleWhenStopped,
    EndCycle,  // display-pending and cycle-done flags off, then the idle housekeeping
    Count
};

// The idle housekeeping: what keeps the display and the measurements current between cycles.
enum class TIdleHousekeepingRow : int {
    LanguageSwitch,
    RedrawMaskLayer,
    UpdateMarkerLayers,
    UpdateMemorySignals,
    RedrawStaleSignals,
    FileRequests,  // pending save-memory, save-waveform and load-waveform requests
    MeasureAcquisition,
    RecalcTdrReflections,
    AutoCalibrationDue,
    RefreshMarkerReadouts,
    Count
};

std::string_view RowName(TRegistrationRow row);
std::string_view RowName(TRefreshRow row);
std::string_view RowName(TLateRegistrationRow row);
std::string_view RowName(TStartUpRow row);
std::string_view RowName(TInstrumentStartRow row);
std::string_view RowName(TAcqCycleRow row);
std::string_view RowName(TIdleHousekeepingRow row);

// A fixed order of procedures. A feature fills its row when it is built; empty rows are skipped.
template <class Row>
class TOrderedProcedures {
public:
    using TProc = std::function<void(TShell&)>;
    static constexpr int Size = static_cast<int>(Row::Count);

    // A row is filled once; filling it again is an internal error.
    void Add(Row row, TProc proc);
    bool Has(Row row) const { return static_cast<bool>(Rows_[static_cast<int>(row)]); }
    // Runs the filled rows in order; `take` may skip a row.
    void Run(TShell& shell, const std::function<bool(Row)>& take = {}) const;
    // Runs one row when it is filled.
    void RunRow(TShell& shell, Row row) const;

private:
    std::array<TProc, Size> Rows_{};
};

// A fixed order of hooks, each of which may end the list (answers true).
template <class Row>
class TStoppableProcedures {
public:
    using TProc = std::function<bool(TShell&)>;
    static constexpr int Size = static_cast<int>(Row::Count);

    // A row is filled once; filling it again is an internal error.
    void Add(Row row, TProc proc);
    bool Has(Row row) const { return static_cast<bool>(Rows_[static_cast<int>(row)]); }
    // Runs the filled rows in order until one ends the list; answers whether one did.
    bool Run(TShell& shell) const;

private:
    std::array<TProc, Size> Rows_{};
};

// The switches of the sampler test stand: at rest it runs normally, with strobe and linearization,
// without the sampler timebase and its jitter.
struct TStandSampler {
    bool Strobe = true;
    bool SamplerTimebase = false;
    bool Linearization = true;
    double Jitter = 0;  // s
};

// The instrument's options as far as the refresh order asks them.
struct TRefreshOptions {
    bool HasOptOptics = false;
    bool HasOptGenerators = false;
};

class TShell {
public:
    TShell();
    ~TShell();
    TShell(const TShell&) = delete;
    TShell& operator=(const TShell&) = delete;

    // --- start-up state ---
    bool ShiftAtStart = false;
    // Set as the registration pass begins (skipped or not), so that it never runs twice. "All settings
    // are registered" is TCommandTree::RegistrationFinished(), set once the pass has ended.
    bool RegistrationDone = false;
    bool AcqEnabled = false;             // an instrument (or "Absent") has been started
    // While on, every set step records undo and runs its after-change callback (so each one sends its
    // instrument command). Kept by the command tree once it exists.
    bool ApplyUnchangedValues() const;
    void SetApplyUnchangedValues(bool on);
    bool MainWindowClosing = false;      // the close query is under way
    bool CloseUnasked = false;           // a signal ends the program: its close asks nobody
    bool StopInProgress = false;         // the instrument stop executes "*StopSingle Stop"
    bool ProgramEnded = false;           // the message loop has returned
    TDataFolders Folders;
    // The start instrument: its name (the caption's and the texts'; "Absent" when none is connected)
    // and its kind.
    std::string StartInstrumentName = "Absent";
    TInstrumentLinkKind StartInstrumentKind = TInstrumentLinkKind::None;
    bool StartInstrumentPresent() const { return StartInstrumentKind != TInstrumentLinkKind::None; }

    // --- run state read by the main loop ---
    bool RunOn = false;
    bool SingleOn = false;
    bool FlagRegisterMode = false;  // acquisition stepping suspended
    bool AppActive = true;          // the application is the active one
    bool GuiRemote = false;         // "Gui" is not "RemoteLocal"

    // Timer requests: the main window follows these after every idle step.
    bool FlagRegisterReadingEnabled = false;  // the 1500 ms pattern-lock and trigger-indicator poll
    bool AutoCalTimerEnabled = false;         // the 5000 ms auto-calibration due check
    bool AutoCalRequest = false;              // raised by that timer, consumed by the housekeeping
    // A step that wants the idle step woken within ms asks here; the nearest request of the pass
    // holds, so that no later, longer wait loses an earlier one.
    void WakeIdleWithin(int ms) {
        if (ms >= 0) IdleWakeAfterMs_ = IdleWakeAfterMs_ < 0 ? ms : std::min(IdleWakeAfterMs_, ms);
    }
    // The idle driver's read after each pass: the nearest wake asked for (-1 none), cleared.
    int TakeIdleWake() { return std::exchange(IdleWakeAfterMs_, -1); }

    // Adjustment access: granted by the access dialog's code, read by the adjustment menu and the close.
    bool AdjustAccessGranted = false;
    bool ServiceAccess = false;  // manufacturer access
    int AccessTries = 0;
    // A calibration run is under way: the due check, autoscale and the pattern search hold off.
    bool CalibrationRunning = false;
    // While the instrument information window is open: shows the instrument again (a recovered link).
    std::function<void()> RefreshInfoWindow;

    // The sampler test stand's switches, applied at the program's end.
    TStandSampler StandSampler;

    // Values the trigger settings write and the display reads.
    int PatternStartBitForDisplay = 0;
    bool PatternManualForDisplay = false;

    // The optical converter's zero power of its last dark-level run (a raw reading): kept here so that
    // the eye's average power reads it without the converter, which the user interface owns.
    double OEStoredZeroPower = 0;

    // What the timebase, the acquisition settings, the engine and the link ask of the trigger; empty
    // until the trigger exists.
    struct TTriggerHooks {
        std::function<void()> ApplyHoldoffMinimum;
        std::function<bool()> PatternLockActive;
        std::function<void()> RecheckPatternLock;
        std::function<void(int count)> ShowTrigPresence;
        std::function<void(int queryKind)> RefreshTrigIndicator;
        // The source change re-enables what depends on the source (the generators hand it back).
        std::function<void()> SourceChanged;
    };
    TTriggerHooks Trigger;
    // The zoom views follow a scale change at the end of a cycle; empty until the zoom exists.
    std::function<void()> RefreshZoomOnScaleChange;
    // The channels' scale and offset controls follow a display format change; empty until they exist.
    std::function<void()> RefreshChannelScales;

    // The text shown for an undefined value: two blanks and the language text of "Undefined".
    std::string UndefinedText;

    // The "Factory" setup: the settings as registered, kept in memory as command lines.
    std::vector<std::string> FactorySetup;

    // --- the fixed orders ---
    TOrderedProcedures<TRegistrationRow> Registration;
    TOrderedProcedures<TRefreshRow> Refresh;
    TOrderedProcedures<TLateRegistrationRow> LateRegistration;
    TOrderedProcedures<TStartUpRow> StartUpSteps;
    TOrderedProcedures<TInstrumentStartRow> InstrumentStartSteps;

    TStoppableProcedures<TAcqCycleRow> AcqCycle;
    TStoppableProcedures<TIdleHousekeepingRow> IdleHousekeeping;

    // One acquisition idle step (installed by the acquisition); true while it has work to do at once.
    std::function<bool(TShell&)> AcquisitionIdleStep;

    // --- user-visible texts: the built-in English table until the program installs its languages ---
    TLanguageState& Language() { return *Language_; }
    const TLanguageState& Language() const { return *Language_; }
    void SetLanguage(std::unique_ptr<TLanguageState> language);
    std::string LangStr(std::string_view key) const { return Language_->GetLangStr(key); }

    // --- services of the higher libraries, null until they register ---
    TDisplayServices& Display() { return *Display_; }
    TSerialServices& Serial() { return *Serial_; }
    TAnalysisServices& Analysis() { return *Analysis_; }
    void SetDisplayServices(std::unique_ptr<TDisplayServices> s);
    void SetSerialServices(std::unique_ptr<TSerialServices> s);
    void SetAnalysisServices(std::unique_ptr<TAnalysisServices> s);
    // The user's dialogs and the beep: the main window's.
    TUserServices& User() { return *User_; }
    void SetUserServices(std::unique_ptr<TUserServices> s);

    // While work that a remote command asked for runs later (a deferred waveform load or save), nobody
    // may be there to answer a modal box: ReportError then puts the message in a timed hint and the log
    // (standard error) instead of the error dialog.
    int RemoteWorkDepth = 0;
    void ReportError(const std::string& text);
    // While a command string from the automation or the console runs: its reply waits for the work it
    // leaves running (the command service's DeferReply). Empty, or answering null, where nobody waits.
    std::function<std::function<void(const std::string& reply)>()> DeferRemoteReply;
    // A message the program raises by itself (the acquisition cycle, the idle pass, the start-up, work a
    // remote command left running) never waits for a person: it goes to a timed hint and the log
    // (standard error) and, with box, to a non-modal box. The caller shows it once per cause.
    void ShowProgramMessage(const std::string& text, bool box = true);
    // The cause of that message has gone: its box, if still open, closes.
    void WithdrawProgramMessage(const std::string& text);

    // --- the command tree: created by the first registration row ---
    TCommandTree* CommandTree() { return CommandTree_.get(); }
    void SetCommandTree(std::unique_ptr<TCommandTree> tree);
    // Runs a command string the system issues itself; without a command tree it does nothing.
    std::string ExecuteCommandString(std::string_view text);

    // --- the instrument link: none until the program creates it ---
    TInstrumentLink* Link() { return Link_.get(); }
    void SetLink(TOwnedPart<TInstrumentLink> link) { Link_ = std::move(link); }

    // --- the signal records of the run ---
    TSignalRecords* Records() { return Records_.get(); }
    void SetRecords(TOwnedPart<TSignalRecords> records) { Records_ = std::move(records); }

    // --- the identity of the instrument in use, beside the link ---
    TInstrumentIdentityUnit* Identity() { return Identity_.get(); }
    void SetIdentity(TOwnedPart<TInstrumentIdentityUnit> identity) { Identity_ = std::move(identity); }

    // --- the one set of instrument command senders, beside the link and the identity ---
    TInstrumentSenders* Senders() { return Senders_.get(); }
    void SetSenders(TOwnedPart<TInstrumentSenders> senders) { Senders_ = std::move(senders); }

    // --- the main window's strip bindings and side-menu refreshes: none without a window; not owned ---
    TWindowBindings* WindowBindings() { return WindowBindings_; }
    void SetWindowBindings(TWindowBindings* bindings) { WindowBindings_ = bindings; }

    // --- the demo simulator, beside the link: the senders' sink and a word source of the acquisition ---
    TTutorial* Simulator() { return Simulator_.get(); }
    void SetSimulator(TOwnedPart<TTutorial> simulator) { Simulator_ = std::move(simulator); }

    // --- the one accumulating histogram, shared by the histogram, eye, jitter and autoscale features ---
    TFullHist* FullHist() { return FullHist_.get(); }
    void SetFullHist(TOwnedPart<TFullHist> hist) { FullHist_ = std::move(hist); }

    // --- the save-and-recall state of the run: folders, names, counter, request flags ---
    TSaveRecall* SaveRecall() { return SaveRecall_.get(); }
    void SetSaveRecall(TOwnedPart<TSaveRecall> state) { SaveRecall_ = std::move(state); }

    // "Shadow:Lang" changed: the idle housekeeping switches the forms' language.
    bool LanguageSwitchRequest = false;

    // --- the analysis modes that exclude each other ---
    // Switches off every analysis mode but the one of the menu kind (7 markers, 8 measurements,
    // 13 histogram, 14 eye, 15 mask, 17 TDR/TDT, 18 jitter). A feature calls it when it switches its
    // own mode on.
    void SwitchOffOtherModes(int menuKind) { ModeSwitches_.SwitchOffOtherModes(menuKind); }
    // Where a feature that owns a mode puts its own switch-off (SetSwitchOff) when it is installed.
    TAnalysisModeSwitches& ModeSwitches() { return ModeSwitches_; }

    // --- the undo buffer: from an instrument's start to its stop ---
    TUndoBuffer* UndoBuffer() { return UndoBuffer_.get(); }
    void SetUndoBuffer(std::unique_ptr<TUndoBuffer> buffer);

private:
    std::unique_ptr<TLanguageState> Language_;
    TOwnedPart<TSignalRecords> Records_{nullptr, nullptr};  // the tree's handlers read them: outlives it
    std::unique_ptr<TCommandTree> CommandTree_;
    bool ApplyUnchangedValues_ = false;
    std::unique_ptr<TDisplayServices> Display_;
    std::unique_ptr<TSerialServices> Serial_;
    std::unique_ptr<TAnalysisServices> Analysis_;
    std::unique_ptr<TUserServices> User_;
    std::unique_ptr<TUndoBuffer> UndoBuffer_;
    TOwnedPart<TInstrumentLink> Link_{nullptr, nullptr};
    TOwnedPart<TInstrumentIdentityUnit> Identity_{nullptr, nullptr};  // refers to the link: goes first
    TOwnedPart<TTutorial> Simulator_{nullptr, nullptr};                 // reads the link and the identity
    TOwnedPart<TInstrumentSenders> Senders_{nullptr, nullptr};          // refers to both: goes before them
    TWindowBindings* WindowBindings_ = nullptr;
    TOwnedPart<TFullHist> FullHist_{nullptr, nullptr};
    TOwnedPart<TSaveRecall> SaveRecall_{nullptr, nullptr};
    TAnalysisModeSwitches ModeSwitches_{[this] { return CommandTree(); }};
    int IdleWakeAfterMs_ = -1;
};

// Every feature unit registers its settings in the fixed order, unless skip; RegistrationDone is set
// either way. Registrations never run twice: a second call does nothing. The first row, the creation
// of the command tree, is filled by the context itself.
void RegisterCommandHandlers(TShell& shell, bool skip);
inline void RegisterAllCommandHandlers(TShell& shell) { RegisterCommandHandlers(shell, false); }
// The model-dependent registrations, in their order.
void RegisterLateCommandHandlers(TShell& shell);
// Every feature unit refreshes its controls in the fixed order; the optional rows ask the options.
// Then the undefined-value text is set.
void UpdateUiForInstrument(TShell& shell, const TRefreshOptions& options);

// What the idle step must know of the instrument link.
struct TLinkState {
    bool CommError = false;  // in the communication-error state
    bool Busy = false;       // inside a connect or an exchange (the idle step fired in one of its waits)
};

// One call of the main window's idle handler. Unless stepping is suspended or the link is busy, runs
// one acquisition idle step. Answers "done" (wait for the next event) unless Run or Single is on, the
// link is free of errors, stepping is not suspended and the step has work to do at once.
bool MainIdleStep(TShell& shell, TLinkState link);

}  // namespace vt
