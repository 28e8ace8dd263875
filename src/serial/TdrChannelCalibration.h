#pragma once
// The calibration of one TDR/TDT channel: averages 32 acquisitions per phase and finds the reference
// values the TDR units and measurements rely on. In TDR mode the level of the terminated step (phase
// one) and the open's reflected level (phase two) give the reference amplitude, the baseline and the
// reference plane; in TDT mode one phase measures the transmitted step. The run is a state machine
// stepped once per completed acquisition; its dialog is a view of it. A run the user started leaves
// the window free; a command-started run ends by itself and its command's reply waits until it has
// closed (with the failure's text when it failed), the acquisition and other commands going on
// meanwhile: its question between the phases waits aside (without a screen the command's script
// answers it OK), and a run that gets no acquisition for StallSeconds on the link clock ends as failed.
// The set-up the run prepares, the generator's circuit included, goes back at every close.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Color.h"
#include "core/PreparedSetupStep.h"

namespace vt {

class TShell;
class THandler;
class TSignalObj;
class TTdrSettings;
class TTdrChannelCalibration;

inline constexpr int TdrCalibrationPoints = 1024;
inline constexpr int TdrCalibrationAcquisitions = 32;

// What the averaged record gives. Failure 0 is success; 1 the TDT step is too small; 2 the step does
// not rise inside the record (or lies where the plateau is taken); 3 the TDR step is too small.
struct TTdrCalibrationResult {
    int Failure = 0;
    double Amplitude = 0;
    double Baseline = 0;  // TDR: the level before the step; TDT: the initial level with its acquired sign
    double RefPlaneTime = 0;
};

// The refusal of a TDR/TDT run (calibration or normalization) while the one titled so is open.
inline std::string TdrRunOpenText(const std::string& openTitle) { return openTitle + " is open: close it first."; }

// The progress bar's value after count acquisitions of a phase.
int TdrCalibrationProgress(int count, bool tdrMode, bool secondPhase);
// The mean of points 400 to 600 of the average.
double TdrCalibrationPlateau(const TSignalObj& average);
// The TDR values from the second phase's average and the first phase's level.
TTdrCalibrationResult ComputeTdrCalibration(const TSignalObj& average, double zeroLevel);
// The TDT values; with inverted the average is negated in place first.
TTdrCalibrationResult ComputeTdtCalibration(TSignalObj& average, bool inverted);

// The run's dialog: shown without holding the caller, refreshed on each change, gone at the end.
class TTdrChannelCalibrationView {
public:
    virtual ~TTdrChannelCalibrationView() = default;
    virtual void Opened(TTdrChannelCalibration& run) = 0;
    virtual void Changed(TTdrChannelCalibration& run) { (void)run; }
    virtual void Closed(TTdrChannelCalibration& run) = 0;
};

class TTdrChannelCalibration {
public:
    // Without a completed acquisition for this long a command-started run ends as failed.
    static constexpr int StallSeconds = 10;

    TTdrChannelCalibration(TShell& shell, TTdrSettings& settings);
    ~TTdrChannelCalibration();

    // The after-change of "TDR:ChN:DoVertCalibr" (channel 2 or 3): a switch asks the user first, a
    // command starts without a question, ends by itself and is told its refusal at once, its outcome
    // once the run has closed.
    void DoVertCalibr(int channel, const THandler& command);
    // False when nothing started: Refusal() says why (empty when the user cancelled).
    bool Start(int channel, bool byUser);
    // Checked after every idle step: a command-started run that collects and got no acquisition for
    // StallSeconds on the link clock ends as failed. Answers the milliseconds until the stall would be
    // due, -1 when none is watched.
    int StallCheck();
    // One step on the latest acquisition (the cycle row).
    void TdrChannelCalibrationStep();
    // OK (kept only after a success) or Cancel.
    void Close(bool ok);

    bool Open() const { return Open_; }
    bool Collecting() const { return Collecting_; }
    int Channel() const { return Channel_; }
    bool TdrMode() const { return TdrMode_; }
    bool AutoClose() const { return AutoClose_; }
    bool SecondPhase() const { return SecondPhase_; }
    // A command-started run waits for the answer to its question between the phases.
    bool Asking() const { return Question_ != nullptr; }
    int Count() const { return Count_; }
    const TTdrCalibrationResult& Result() const { return Result_; }
    const std::string& Refusal() const { return Refusal_; }
    // How the last run closed: empty after OK on a success, else its failure or "cancelled".
    const std::string& Outcome() const { return Outcome_; }
    // Why undo and redo are refused now: the close puts the run's temporary set-up back, and an undo
    // or redo in between would leave it in place. Empty while no run is open.
    std::string UndoRefusal() const;

    // --- what the dialog shows
    const std::string& Title() const { return Title_; }
    const std::string& Status() const { return Status_; }
    TColor StatusColor() const { return StatusColor_; }
    const std::string& ErrorText() const { return ErrorText_; }
    int Progress() const { return Progress_; }
    bool ProgressVisible() const { return Collecting_ || Asking(); }
    bool ValuesVisible() const { return ValuesVisible_; }
    std::string BaselineCaption() const;
    const std::string& AmplitudeText() const { return AmplitudeText_; }
    const std::string& BaselineText() const { return BaselineText_; }
    const std::string& RefPlaneText() const { return RefPlaneText_; }
    bool OkEnabled() const { return Succeeded_; }

    TTdrChannelCalibrationView* View = nullptr;

private:
    void Prepare();
    void Request();
    void Changed();
    void Setting(const std::string& header, const std::string& value);
    bool Add(const TSignalObj& record);
    bool EndPhase();
    void BeginSecondPhase();
    void SecondPhaseAnswered(bool ok);
    void Stalled();
    // The run's outcome to whoever waits for it: the command's reply, else the hint and the log.
    void TellOutcome();
    std::int64_t NowMs();
    void Compute();
    void WriteReference();
    void Tell(const std::string& text, int who);

    TShell& Shell_;
    TTdrSettings& Settings_;
    std::unique_ptr<TSignalObj> Sum_;
    bool Open_ = false;
    bool Collecting_ = false;
    bool AutoClose_ = false;
    bool TdrMode_ = true;
    bool Inverted_ = false;
    bool SecondPhase_ = false;
    bool Succeeded_ = false;
    bool ValuesVisible_ = true;
    int Channel_ = 2;
    int SourceIndex_ = 0;
    int Count_ = 0;
    double ZeroLevel_ = 0;
    TTdrCalibrationResult Result_{};
    // RefAmpl, BaseLine, RefTDTAmpl, RefTDTZero, RefPlane as they were at the start.
    std::array<double, 5> Saved_{};
    // The set-up's undo step, kept apart: the dialog does not hold the window, so other steps may
    // follow it before the close.
    TPreparedSetupStep Setup_;
    bool RunOn_ = false, SingleOn_ = false;
    // The reply of the command that started the run, given at the close; null where nobody waits.
    std::function<void(const std::string&)> Later_;
    // Started by a remote command: its script answers the question between the phases.
    bool ByRemote_ = false;
    // The link clock's time of the run's last progress (its start, an acquisition, a phase begun).
    std::int64_t LastProgressMs_ = 0;
    // The open question between the phases: an answer that comes after the run has closed (or after
    // the run has gone) finds it released and is dropped.
    std::shared_ptr<int> Question_;
    std::string Refusal_, Outcome_;
    std::string Title_, Status_, ErrorText_, AmplitudeText_, BaselineText_, RefPlaneText_;
    TColor StatusColor_{};
    int Progress_ = 0;
};

}  // namespace vt
