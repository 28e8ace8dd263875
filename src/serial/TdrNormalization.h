#pragma once
// The normalization of a TDR/TDT channel: a wizard averages reference steps while the user changes
// the connections it asks for, finds the step's levels and edge, and keeps a correction spectrum
// (an ideal Gaussian step over the measured one). Afterwards math operator "nnn" shows the channel's
// acquisitions with that correction applied. The wizard is a state machine stepped once per completed
// acquisition; its dialog is a view of it.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "analysis/WaveformMath.h"
#include "core/Color.h"
#include "core/PreparedSetupStep.h"

namespace vt {

class TShell;
class TSignalObj;
class TTdrSettings;
class TTdrNormalization;

// --- the arithmetic of the wizard, on plain records
// Mean of the points between divisions s and s + w (10.24 divisions across the record).
double TdrMeanOverDivisions(const TSignalObj& record, double width, double start);
// Start and end level (the first and last twentieth); with edge, the edge position between them.
// False when no edge was asked for or none was found.
bool FindStepLevelsAndEdge(const TSignalObj& record, double& startLevel, double& endLevel, double* edge);
// y[i] = L1 - NormalCdf((i - (p - 1)) / r x 2.56) x (L1 - L2): r is the 10-90 % rise in points.
void BuildIdealStep(TSignalObj& record, double risePoints, double edge, double before, double after);
// Where the set-up finds the incident step (for records of up to 2048 points): the index, or -2 no
// stimulus, -3 wrong polarity, -4 no 50 ohm start, -1 no low level (when required).
int FindFirstEdge(const TSignalObj& record, bool inverted, bool requireLowLevel);
// The TDT step: the index before the first point above half the final level, or -2 / -3.
int FindTdtEdge(const TSignalObj& record, bool inverted);
// The load's level (the last tenth) lies strictly between 1.5 and 2.5 times the short's.
bool CheckLoadLevel(const TSignalObj& record, bool inverted, double shortLevel);
// The delayed view that puts the edge on the screen: timebase A and the delay in its divisions.
void PlaceEdge(double edgeTime, double userTimebase, double setupTimebase, double& timebaseA, double& delay);

// The record extended to 2n points by its inverse, as one period, and that period's spectrum (re, im
// of 2n bins); false when 2n is not a transform size.
bool MirroredStepSpectrum(const TSignalObj& record, double endLevel, double startLevel, std::vector<double>& re,
                          std::vector<double>& im);

// What the wizard's dialog shows; without a dialog the wizard is stepped from outside.
class TTdrNormalizationView {
public:
    virtual ~TTdrNormalizationView() = default;
    // Shows the dialog modally; returns once the run called EndModal.
    virtual void ShowModal(TTdrNormalization& run) = 0;
    virtual void EndModal() = 0;
    virtual void Changed(TTdrNormalization& run) { (void)run; }
};

class TTdrNormalization : public TMathTdrNormalization {
public:
    static constexpr int AveragedRecords = 128;

    TTdrNormalization(TShell& shell, TTdrSettings& settings);
    ~TTdrNormalization() override;

    // --- the math operator
    bool UsesFunction(int function) const override;
    bool EvalTdrNormalizedFunction(int channel, TSignalObj& target) override;
    bool MathFunctionUsedByTdr(int channel) const;
    // The normalized record of the channel's raw record into target; false when the record does not
    // match the reference (length, interval) or no correction exists.
    bool ComputeTdrNormalizedSignal(int channel, const TSignalObj& raw, TSignalObj& target);
    // The correction from the stored reference and the channel's normalization time.
    void ComputeTdrCorrection(int channel);
    // Keeps a finished run's step as the channel's reference (levels, edge, spectrum) and computes
    // its correction; false when the step has no edge.
    bool StoreReference(int channel, const TSignalObj& step, bool tdt, bool inverted);
    void ResetTdrNormalizationFlags();
    void TdrNormalizationNotify() {}
    // A normalization that the evaluation refused is switched off here, outside the evaluation.
    void ApplyPendingSwitchOff();

    // --- the wizard
    // Runs the wizard for a channel (2, 3) modally; true when it ended with OK.
    bool Run(int channel, bool tdt, bool inverted);
    bool FormOpenFor(int channel) const { return Open_ && Channel_ == channel; }
    bool Open() const { return Open_; }
    // One step on the latest acquisition (the cycle row).
    void UpdateTDRNormalizationForm();
    // The dialog's OK (true) or Cancel.
    void Close(bool ok);

    // --- what the dialog shows
    const std::string& Title() const { return Title_; }
    // Undo and redo are refused while the wizard is open: its end puts back its opening's step.
    std::string UndoRefusal() const { return Open_ ? UndoWaitText(Title_) : std::string(); }
    const std::string& Status() const { return Status_; }
    TColor StatusColor() const { return StatusColor_; }
    int Progress() const { return Progress_; }
    bool OkEnabled() const { return OkEnabled_; }
    int Step() const { return Step_; }
    bool Finished() const { return Finished_; }

    TTdrNormalizationView* View = nullptr;

    // Stored per channel: the reference step spectrum and the correction.
    struct TReference {
        bool Valid = false;
        bool Tdt = false;
        bool Inverted = false;
        int Length = 0;
        double Interval = 0;         // in the record's horizontal unit, as its points are compared
        double IntervalSeconds = 0;  // the same as a time: a distance axis turned back into time
        double StartLevel = 0, EndLevel = 0, Edge = 0;
        std::vector<double> RefRe, RefIm, CorrRe, CorrIm;
        std::vector<double> LoadReference;  // TDR: the averaged load record less the load level
        std::unique_ptr<TSignalObj> Averaged;
        int Count = 0;
    };
    const TReference& Reference(int channel) const { return Refs_.at(channel == 3 ? 1 : 0); }

private:
    TReference& Ref(int channel) { return Refs_.at(channel == 3 ? 1 : 0); }
    const TSignalObj* ChannelRecord() const;
    void Request();
    bool Ask(const std::string& text);
    void Prepare();
    void StepTdr(const TSignalObj& record);
    void StepTdt(const TSignalObj& record);
    void EdgeStep(const TSignalObj& record, int found);
    bool Average(const TSignalObj& record);
    void Finish();
    void EndRun(bool ok);
    void Changed();
    void Setting(const std::string& header, const std::string& value);
    void SetTimebase(const char* mode, double scaleA, double scaleB, double delay);

    TShell& Shell_;
    TTdrSettings& Settings_;
    std::array<TReference, 2> Refs_;
    std::array<bool, 2> PendingOff_{};
    std::unique_ptr<TSignalObj> Work_;

    // The wizard's state.
    bool Open_ = false;
    bool Modal_ = false;
    bool Finished_ = false;
    bool Result_ = false;
    int Channel_ = 2;
    bool Tdt_ = false;
    bool External_ = false;
    bool Inverted_ = false;
    int Step_ = 0;
    int Retries_ = 0;
    double UserTimebase_ = 1e-8;
    double SetupTimebase_ = 1e-8;
    double OverviewTimebase_ = 5.5e-8;
    double TimebaseA_ = 1e-8;
    double Delay_ = 0;
    double ShortLevel_ = 0, LoadLevel_ = 0, StartLevel_ = 0, ZeroLevel_ = 0;
    double Amplitude_ = 0;
    double EdgeTime_ = 0;
    bool RunOn_ = false, SingleOn_ = false;
    // The opening's undo step: a remote command or a recall may push steps after it before the end.
    TPreparedSetupStep Setup_;
    std::string Title_, Status_;
    TColor StatusColor_{};
    int Progress_ = 0;
    bool OkEnabled_ = false;
};

}  // namespace vt
