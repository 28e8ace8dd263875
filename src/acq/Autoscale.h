#pragma once
// Autoscale: sets the shown channels' scale and offset, the trigger level and the timebase so that the
// signal fills the screen. A state machine advanced once per acquisition by the end-of-cycle hook
// (amplitude, then the period) and by the program's idle pass on the link clock while the trigger level
// is tried without acquisitions, whether a form shows the run or not. Every setting it changes goes
// into one undo step, undone on failure or Cancel.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "acq/AutoscaleSearches.h"
#include "acq/HistogramLevelStatistics.h"
#include "core/Feature.h"

namespace vt {

class TAxisHist;
class TFullHist;
class TMainCommandSteps;
class TShell;
class TTimebase;
class TTrigger;

// An autoscale failure: its text is the language text shown to the user.
class TExc : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TAutoScaleKind : int { askAuto = 0, askSingleVal = 1, askNRZ = 2, askRZ = 3 };
// The adjustment mask of a kind: 31, 7, 8, 16.
int AutoScaleMask(int kind);

// One amplitude measurement of a channel shown at scale (V/div): hits on the screen, their span
// (maximum - minimum) and mean.
struct TAmplitudeResult {
    bool Failed = false;  // the signal is too small for the smallest scale
    bool Done = false;    // the scale fits; otherwise the channel was zoomed and is measured again
    double Scale = 0, Offset = 0;
};
TAmplitudeResult AutoScaleChannelAmplitude(double scale, std::uint64_t hits, double span, double centre);

// The settings from a found period: the reference channel's scale and offset, the timebase.
struct TFoundSettings {
    double Scale = 0, Offset = 0, ScaleA = 0, ScaleB = 0, Delay = 0;
};
TFoundSettings AutoScaleFoundSettings(int mask, double lo, double hi, double period, double edge);

class TAutoScale;

// The progress dialog: modal while a run the user started goes on. It shows progress and offers Cancel;
// the program steps the run either way.
class TAutoScaleView {
public:
    virtual ~TAutoScaleView() = default;
    // Shows the dialog modally; returns once EndRun was called.
    virtual void RunModal(TAutoScale& run) = 0;
    virtual void EndRun(int result) = 0;
    // A run a script started nests no loop: the view may show a progress box that waits for nobody;
    // AsideEnded follows the run's end.
    virtual void RunAside(TAutoScale& run) { (void)run; }
    virtual void AsideEnded() {}
    virtual void ProgressChanged(int position) { (void)position; }
};

// The trial of one trigger level, as the trigger runs it (stepped, or answered at once).
class TTrigLevelTrials {
public:
    virtual ~TTrigLevelTrials() = default;
    virtual void Start(double level) = 0;
    // True once the trial has its answer.
    virtual bool Step(bool& triggers) = 0;
};

class TAutoScale : public TFeature {
public:
    static constexpr int IdleStepMs = 10;

    TAutoScale(TShell& shell, TTrigger& trigger, TTimebase* timebase);
    ~TAutoScale() override;
    TAutoScale(const TAutoScale&) = delete;
    TAutoScale& operator=(const TAutoScale&) = delete;

    void FillRows(TShell& shell) override;
    // The idle pass steps the trigger-level trials: every IdleStepMs while one waits on the clock.
    int CheckDeadlines(TShell& shell) override;

    // kind 0 Auto, 1 SingleVal, 2 NRZ, 3 RZ. False when it starts nothing: no channel shown, a run or a
    // calibration under way.
    bool StartAutoScale(int kind);
    // After every acquisition while running.
    void AutoScaleStep();
    // Between acquisitions: the trigger-level trials. True while the run waits on the clock.
    bool IdleStep();
    // 1 success, 2 failure or Cancel.
    void CloseAutoScale(int result);

    bool Running() const { return Running_; }
    int State() const { return State_; }
    int SubState() const { return SubState_; }
    int Mask() const { return Mask_; }
    int Kind() const { return Kind_; }
    int Progress() const { return Progress_; }
    int Result() const { return Result_; }
    const std::string& FailureText() const { return FailureText_; }
    double SearchTimeScale() const { return SearchScale_; }
    const THistParams& GlobalParams() const { return Global_; }

    TAutoScaleView* View = nullptr;
    // The undo of the main commands (keeps the timebase delays); none: a plain undo.
    TMainCommandSteps* Steps = nullptr;
    // Stands in for the trigger's trials (tests).
    TTrigLevelTrials* Trials = nullptr;
    // The dialog's offset from the autoscale button, remembered for the run.
    int DialogOffsetX = -20, DialogOffsetY = 13;

private:
    struct TSaved;
    void PrepareAutoScale();
    void Finish(int result);
    bool AutoScaleAmplitude();
    // Starts the trigger-level search; the idle steps run its trials.
    void FindTrigLevel();
    void TrigLevelFound();
    bool AutoScalePeriod();
    // The global level statistics over the whole map.
    void ResetHistParams();
    bool GrowSearchScale(int code);
    void ApplyFound(const TAutoScalePeriodSearch& search);
    void Fail(const TExc& e);
    // The held reply of a script's run: empty on success, else the failure's text or "ERROR".
    void Reply(int result);
    void SetProgress(int position);
    void UseInternalClock(bool on);
    void SetSearchScale(double seconds);
    void Single();
    void Run(const std::string& line);
    void SetChoice(const char* path, const char* item);
    bool Shown(int channel) const;

    TShell& Shell_;
    TTrigger& Trigger_;
    TTimebase* Timebase_;
    std::unique_ptr<TSaved> Saved_;
    std::array<std::unique_ptr<TAxisHist>, 2> ChannelHist_;
    std::array<bool, 2> Done_{};
    std::unique_ptr<TTrigLevelTrials> OwnTrials_;
    TTrigLevelSearch LevelSearch_;
    bool TrialRunning_ = false;
    THistParams Global_;
    bool Running_ = false;
    bool Closing_ = false;  // closed, the dialog not yet gone: no more steps
    bool Remote_ = false;
    bool Modal_ = false;
    bool Aside_ = false;
    std::function<void(const std::string&)> Later_;
    bool IntClock_ = false;
    int Kind_ = 0;
    int Mask_ = 31;
    int State_ = 0;
    int SubState_ = 0;
    int Target_ = 16;
    int RefChannel_ = 0;
    double SearchScale_ = 5e-7;
    int Progress_ = 0;
    int Result_ = 0;
    std::string FailureText_;
};

}  // namespace vt
