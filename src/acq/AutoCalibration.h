#pragma once
// Auto-calibration: the due check of the idle housekeeping (power-on, period, temperature drift), and
// the timebase and channel calibration runs as one state machine that the idle housekeeping steps
// between acquisition cycles; its waits are deadlines on the link clock, never sleeps, and a measuring
// cycle that never comes fails the run through the deadline hook. The channel run measures the
// residual signal in the end-of-cycle hook, then follows the instrument's (or the simulation's)
// status word. The dialogs of the user interface are views of this machine.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Color.h"
#include "core/Feature.h"
#include "link/AdjustmentCommands.h"
#include "link/LinkClock.h"

namespace vt {

class TShell;

// stage = sign x (|word| AND 0xFFFF), sub-step = |word| >> 16; 255 finished, negative an error code.
void SplitCalibrationStatus(std::int32_t word, int& stage, int& subStep);
std::int32_t CalibrationStatusWord(int stage, int subStep);
int CalibrationProgress(int stage, int subStep);
std::string CalibrationStatusText(int stage, int subStep);

// The demo's channel calibration: stages 0, 1, 10, 20, 30, 110, 120, 130, 200, 255.
class TSimulatedCalibrationStatus {
public:
    void Reset() { Index_ = SubStep_ = 0; }
    // The current (sub-step, stage) word, then one tick on.
    std::int32_t Next();

private:
    std::size_t Index_ = 0;
    int SubStep_ = 0;
};

// The due check's record, for the whole run.
struct TDueCheckRecord {
    double LastCalibrationMinutes = -1e6;
    bool PowerOnDone = false;
    double LastCalibrationTemperature = -1e6;
    double StartMs = -1;  // -1 until the first check
    double SimulatedTemperature = 20;
};

enum class TCalPart : std::uint8_t { None, Timebase, Channels };
enum class TCalState : std::uint8_t {
    Idle,
    TbCoarse,     // the coarse timebase is measured at the next step
    TbFine,       // then the fine one
    ChWaitCycle,  // the measuring setup waits for one acquisition cycle
    ChPolling,    // the status word is read every 50 ms
    WaitClose,    // the part has ended; the user closes its dialog with OK or Cancel
};

class TAutoCalibration;

// The dialogs of a run: they show it and close its parts, and step nothing.
class TCalibrationView {
public:
    virtual ~TCalibrationView() = default;
    // A part starts: show its dialog; a modal one returns once the part has been closed.
    virtual void ShowPart(TAutoCalibration& run, TCalPart part) = 0;
    // A part a script started nests no loop: the view may show a box that waits for nobody, whose
    // Cancel ends the part; AsideEnded follows the part's end.
    virtual void RunAside(TAutoCalibration& run, TCalPart part) { (void)run, (void)part; }
    virtual void AsideEnded() {}
    // The part changed what it shows.
    virtual void PartChanged(TAutoCalibration& run) { (void)run; }
};

class TAutoCalibration : public TFeature, public TAutoCalibrationCalls {
public:
    static constexpr int StatusPollMs = 50;
    static constexpr int CycleWaitMs = 10000;

    // clock: null for the link's (the steady clock without a link).
    TAutoCalibration(TShell& shell, TCalibrAdjust& values, TLinkClock* clock = nullptr);

    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override;
    // A run whose question still waits ends with its instrument: a late answer starts nothing.
    void InstrumentStopped(TShell& shell) override;
    // A channel part whose measuring cycle did not come within CycleWaitMs fails; answers the
    // milliseconds until that would be due, -1 when nothing waits for a cycle.
    int CheckDeadlines(TShell& shell) override;

    // kind 1 channels, 2 timebase, 5 both (timebase first); reason 0 none, 1 power-on, 2 temperature,
    // 3 period; confirm asks first and keeps each result until the user closes it.
    void RunCalibration(int kind, int reason, bool confirm) override;
    double SimulatedTemperature() const override { return Due_.SimulatedTemperature; }
    // The idle housekeeping, when the 5000 ms timer raised its flag.
    void CheckAutoCalibrationDue();
    // At an instrument start: the temperature the next drift is measured from.
    void ReadReferenceTemperature();
    // Advances the run when its deadline has come; true while a run goes on.
    bool Step();
    // The end-of-cycle hook: the residual signal of the measuring setup.
    void MeasureChannelsResidualSignal();
    // The user closes the part's dialog (OK only once the part succeeded).
    void ClosePart(bool ok);

    // --- state, read by the views and the engine ---
    bool CalibrationRunning() const { return Running_; }
    bool AutomaticCalibrationRunning() const { return Automatic_; }
    bool ResidualCheckPending() const { return State_ == TCalState::ChWaitCycle; }
    TCalState State() const { return State_; }
    TCalPart Part() const { return Part_; }
    bool Confirming() const { return Confirm_; }
    bool PartSucceeded() const { return Succeeded_; }
    int Progress() const { return Progress_; }
    bool ProgressVisible() const { return ProgressVisible_; }
    const std::string& StatusText() const { return StatusText_; }
    // The label: "Calibrating!   Wait a few sec..." until the end, then complete (green) or failed (red).
    const std::string& LabelText() const { return LabelText_; }
    TColor LabelColor() const { return LabelColor_; }
    const std::string& CoarseText() const { return CoarseText_; }
    const std::string& FineText() const { return FineText_; }
    TColor CoarseColor() const { return CoarseColor_; }
    TColor FineColor() const { return FineColor_; }
    TDueCheckRecord& DueRecord() { return Due_; }
    // The one line question of a part with its reason.
    std::string ConfirmationText(TCalPart part) const;

    TCalibrationView* View = nullptr;

private:
    bool Connected() const;
    bool SecondLine() const;
    // The instrument's temperature; false when the reply is no number.
    bool ReadTemperature(double& t);
    std::int64_t Now();
    // The state's next step is due at Deadline_ (not on an answer or a click).
    bool WaitsForTime() const;
    // Starts the next part, after its question where one is asked; ends the run after the last.
    void NextPart();
    void BeginPart(TCalPart part);
    void StartTimebase();
    void StartChannels();
    void MeasureCoarse();
    void MeasureFine();
    void ContinueWithCode(int code);
    void PollStatus();
    void EndPart(bool ok);
    void EndRun();
    void UndoMeasuringSetup();
    void SetResult(int value);
    void Changed();
    // The held reply of a script's run: empty on success, else the failure's text or "ERROR".
    void Reply();

    TShell& Shell_;
    TCalibrAdjust& Values_;
    TSteadyLinkClock OwnClock_;
    TLinkClock* Clock_;
    TDueCheckRecord Due_;
    TSimulatedCalibrationStatus Simulated_;

    std::vector<TCalPart> Parts_;
    int Reason_ = 0;
    bool Confirm_ = false;
    bool Running_ = false;
    bool Automatic_ = false;
    bool Asking_ = false;   // the program's own question before a part waits for its answer
    bool Aside_ = false;    // a script's run: its parts run without a modal dialog
    std::function<void(const std::string&)> Later_;
    std::string Failure_;   // the first failed part's text; "ERROR" after a Cancel
    int RunNumber_ = 0;     // counts the ended runs: an answer to an earlier run's question is dropped
    bool TimerWasOn_ = false;
    TCalPart Part_ = TCalPart::None;
    TCalState State_ = TCalState::Idle;
    std::int64_t Deadline_ = 0;
    bool Succeeded_ = false;
    bool Started_ = false;        // the instrument was told to start its channel calibration
    bool SetupApplied_ = false;   // the measuring setup's undo step is open
    int ResidualCode_ = 0;        // the residual-signal code of this run (1 Ch1, 2 Ch2, 3 both)
    bool WasCalibrModified_ = false;
    double SavedCoarse_ = 0;
    double SavedFine_ = 0;
    int Coarse_ = 0;
    int Fine_ = 0;
    int Progress_ = 0;
    bool ProgressVisible_ = true;
    std::string StatusText_;
    std::string LabelText_;
    TColor LabelColor_ = clBlack;
    std::string CoarseText_, FineText_;
    TColor CoarseColor_ = clBlack, FineColor_ = clBlack;
};

}  // namespace vt
