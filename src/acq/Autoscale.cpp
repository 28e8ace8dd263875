#include "acq/Autoscale.h"

#include <algorithm>

#include "acq/HistogramObjects.h"
#include "acq/MainCommands.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/Timebase.h"
#include "acq/Trigger.h"
#include "core/Numeric.h"
#include "core/ProgramLog.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "core/UndoBuffer.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr double FirstSearchScale = 5e-7;
constexpr double PeriodSearchStart = 5e-11;

const char* ChannelPrefix(int ch) { return ch == 0 ? "Ch1:" : "Ch2:"; }
std::string ChannelPath(int ch, const char* leaf) { return std::string(ChannelPrefix(ch)) + leaf; }
std::string AcqPath(int ch, const char* leaf) { return std::string("Acq:") + ChannelPrefix(ch) + leaf; }
std::string StylePath(int ch) { return std::string("Displ:") + ChannelPrefix(ch) + "Style"; }

}  // namespace

int AutoScaleMask(int kind) {
    switch (kind) {
        case askSingleVal: return 7;
        case askNRZ: return 8;
        case askRZ: return 16;
        default: return 31;
    }
}

TAmplitudeResult AutoScaleChannelAmplitude(double scale, std::uint64_t hits, double span, double centre) {
    TAmplitudeResult r;
    if (hits <= 9) span = 0, centre = 0;
    r.Offset = -RoundToMultiple(0.001, centre);
    if (span >= scale || scale <= 0.01) {
        r.Scale = std::min(RoundToMultiple(0.0001, span / 6), 0.5);
        r.Done = true;
    } else {
        const double f = span > 0 ? std::min(6 * scale / span, 8.0) : 8.0;
        r.Scale = RoundToMultiple(0.002, scale / f);
    }
    r.Failed = r.Scale < 0.002 - 1e-12;
    return r;
}

TFoundSettings AutoScaleFoundSettings(int mask, double lo, double hi, double period, double edge) {
    const bool eye = mask == 8 || mask == 16;
    const double divisions = eye ? 4 : 6;
    const double periods = eye ? 6 : 3;
    TFoundSettings f;
    f.Scale = RoundToMultiple(0.001, (hi - lo) / divisions);
    f.Offset = -RoundToMultiple(0.001, (hi + lo) / 2);
    const double s = std::max(period / periods, 1e-11);
    f.ScaleA = CorrectNewVal1_2_5(4 * s);
    f.ScaleB = s;
    if (2 * s > edge) edge += period;
    f.Delay = (edge - 2 * s) / f.ScaleA;
    return f;
}

// ----------------------------------------------------------------------------------------- the run

struct TAutoScale::TSaved {
    std::array<int, 2> AttenUnit{};
    std::array<int, 2> Style{};
    std::array<int, 2> AcqMode{};
    int TrigSource = 0, TrigMode = 0;
    int MeasDisplay = 0, PatternLock = 0;
    bool UndoOpen = false;
    std::uint32_t UndoStamp = 0;
};

namespace {

class TTriggerTrials final : public TTrigLevelTrials {
public:
    explicit TTriggerTrials(TTrigger& trigger) : Trigger_(trigger) {}
    void Start(double level) override {
        Trial_ = TTrigLevelTrial{};
        Trigger_.StartTryTrigLevel(Trial_, level);
    }
    bool Step(bool& triggers) override {
        Trigger_.StepTryTrigLevel(Trial_);
        if (Trial_.State() != TTrigLevelTrial::Done) return false;
        triggers = Trial_.Result();
        return true;
    }

private:
    TTrigger& Trigger_;
    TTrigLevelTrial Trial_;
};

}  // namespace

TAutoScale::TAutoScale(TShell& shell, TTrigger& trigger, TTimebase* timebase)
    : Shell_(shell), Trigger_(trigger), Timebase_(timebase), OwnTrials_(std::make_unique<TTriggerTrials>(trigger)) {}

TAutoScale::~TAutoScale() = default;

void TAutoScale::FillRows(TShell& shell) {
    shell.AcqCycle.Add(TAcqCycleRow::AutoScaleStep, [this](TShell&) {
        if (!Running_) return false;
        AutoScaleStep();
        return true;
    });
}

int TAutoScale::CheckDeadlines(TShell&) { return IdleStep() ? IdleStepMs : -1; }

// Shown is displayed: a channel may acquire without being shown.
bool TAutoScale::Shown(int channel) const {
    TSignalRecords* records = Shell_.Records();
    const bool acquired = records && records->SignalsOn().IsOn(channel == 0 ? ssCh1 : ssCh2);
    return acquired && ReadOnOffSetting(Shell_.CommandTree(), ChannelPath(channel, "Display"), true);
}

void TAutoScale::Run(const std::string& line) { Shell_.ExecuteCommandString(line); }

void TAutoScale::SetChoice(const char* path, const char* item) {
    auto* h = FindSetting<TRadioSwHandler>(Shell_.CommandTree(), path);
    if (!h) return;
    const int index = h->FindItem(item);
    if (index >= 0) h->SetItemIndex(index);
}

void TAutoScale::Single() {
    if (FindSetting<THandler>(Shell_.CommandTree(), "*StopSingle"))
        Run("*StopSingle Single");
    else
        Shell_.RunOn = false, Shell_.SingleOn = true;
}

void TAutoScale::SetProgress(int position) {
    Progress_ = position;
    if (View) View->ProgressChanged(position);
}

void TAutoScale::UseInternalClock(bool on) {
    IntClock_ = on;
    if (on) Trigger_.SetupInternalClock();
    if (TTutorial* sim = Shell_.Simulator()) sim->AutoscaleUntriggered = on;
}

void TAutoScale::SetSearchScale(double seconds) {
    SearchScale_ = seconds;
    if (Timebase_)
        Timebase_->SetTimebaseValue(0, seconds);
    else
        WriteRealSetting(Shell_.CommandTree(), "TB:ScaleA", seconds);
}

bool TAutoScale::StartAutoScale(int kind) {
    if (Running_ || Shell_.CalibrationRunning || !Shell_.CommandTree()) return false;
    if (!Shown(0) && !Shown(1)) return false;
    const THandler* command = FindSetting<THandler>(Shell_.CommandTree(), "*Autoscale");
    Remote_ = command && command->GetWhoChangedRaw() == wcvRemote;
    Kind_ = kind;
    Closing_ = false;
    Mask_ = AutoScaleMask(kind);
    Result_ = 0;
    FailureText_.clear();
    Progress_ = 0;
    TCommandTree* tree = Shell_.CommandTree();
    Saved_ = std::make_unique<TSaved>();
    for (int ch = 0; ch < 2; ++ch) ChannelHist_[static_cast<std::size_t>(ch)] = std::make_unique<TAxisHist>(true);
    // The pattern lock, the measurement display and the acquisition modes are put back by hand after
    // the undo, so they stay out of every undo step: undone first, a pattern lock back on AutoDetect
    // would search under the autoscale's settings.
    TUndoBuffer* undo = Shell_.UndoBuffer();
    const bool undoEnabled = undo && undo->Enabled();
    if (undo) undo->SetEnabled(false);
    Saved_->PatternLock = ReadChoiceSetting(tree, "Trig:PatternLockMode", 0);
    Saved_->MeasDisplay = ReadChoiceSetting(tree, "Meas:Display", 0);
    WriteChoiceSetting(tree, "Trig:PatternLockMode", 0);
    WriteChoiceSetting(tree, "Meas:Display", 0);
    for (int ch = 0; ch < 2; ++ch) {
        Saved_->AcqMode[static_cast<std::size_t>(ch)] = ReadChoiceSetting(tree, AcqPath(ch, "Mode"), 0);
        WriteChoiceSetting(tree, AcqPath(ch, "Mode"), 0);
    }
    if (undo) undo->SetEnabled(undoEnabled);
    // One undo step holds every other change of the run, so that a failure or Cancel puts all of it back.
    if (undo) {
        undo->BeginStep();
        Saved_->UndoOpen = true;
        Saved_->UndoStamp = undo->StepStamp();
    }
    PrepareAutoScale();
    if (Remote_) {
        // A script's run holds its reply until it ends; the acquisitions and the view's steps drive it
        // meanwhile, and every other client is served.
        Later_ = Shell_.DeferRemoteReply ? Shell_.DeferRemoteReply() : nullptr;
        Aside_ = View != nullptr;
        if (View) View->RunAside(*this);
        return true;
    }
    if (View) {
        Modal_ = true;
        View->RunModal(*this);
        Modal_ = false;
        Finish(Result_ == 1 ? 1 : 2);
    }
    return true;
}

void TAutoScale::PrepareAutoScale() {
    TCommandTree* tree = Shell_.CommandTree();
    for (int ch = 0; ch < 2; ++ch) {
        Saved_->AttenUnit[static_cast<std::size_t>(ch)] = ReadChoiceSetting(tree, ChannelPath(ch, "Atten:Unit"), 0);
        WriteChoiceSetting(tree, ChannelPath(ch, "Atten:Unit"), 0);
    }
    Saved_->TrigSource = ReadChoiceSetting(tree, "Trig:Source", tsDirect);
    Saved_->TrigMode = ReadChoiceSetting(tree, "Trig:Mode", tmFree);
    SetChoice("TB:Units", "Time");
    SetSearchScale(FirstSearchScale);
    SetChoice("TB:Mode", "A");
    WriteRealSetting(tree, "Trig:Holdoff", 2e-5);
    for (int ch = 0; ch < 2; ++ch) {
        WriteChoiceSetting(tree, AcqPath(ch, "Mode"), 0);
        Saved_->Style[static_cast<std::size_t>(ch)] = ReadChoiceSetting(tree, StylePath(ch), 0);
        SetChoice(StylePath(ch).c_str(), "Dots");
        WriteRealSetting(tree, AcqPath(ch, "RecLen"), 1024);
    }
    const bool both = Shown(0) && Shown(1);
    if (both) {
        WriteChoiceSetting(tree, "Displ:Screen2:Ch1", 0);
        WriteChoiceSetting(tree, "Displ:Screen2:Ch2", 1);
        SetChoice("Displ:Format", "2YT");
    } else {
        SetChoice("Displ:Format", "YT");
    }
    for (int ch = 0; ch < 2; ++ch) {
        if (!both && !Shown(ch)) continue;
        WriteRealSetting(tree, ChannelPath(ch, "Scale"), 0.5);
        WriteRealSetting(tree, ChannelPath(ch, "Offset"), 0);
    }
    RefChannel_ = Shown(0) ? 0 : 1;
    Running_ = true;
    UseInternalClock(true);
    Single();
    Done_ = {};
    if (TFullHist* hist = Shell_.FullHist()) hist->Clear();
    State_ = 1;
    SubState_ = 0;
}

void TAutoScale::Fail(const TExc& e) {
    if (!Running_ || Closing_) return;
    // No step may run on while the message box waits: a failed level search would fail again.
    State_ = 0;
    FailureText_ = e.what();
    if (FindSetting<THandler>(Shell_.CommandTree(), "*StopSingle"))
        Run("*StopSingle Stop");
    else
        Shell_.RunOn = Shell_.SingleOn = false;
    // The progress box closes before the failure is told, and nothing waits on the telling: a remote
    // run's failure is a timed hint and a log line, a clicked run's also a box over the main window.
    CloseAutoScale(2);
    if (Remote_) {
        Shell_.Display().PushHint(FailureText_, 5000);
        LogProgramLine("autoscale: " + FailureText_);
    } else {
        Shell_.ShowProgramMessage(FailureText_);
    }
}

void TAutoScale::AutoScaleStep() {
    if (!Running_ || Closing_) return;
    try {
        if (State_ == 1) {
            if (!AutoScaleAmplitude()) throw TExc(Shell_.LangStr("AmplitudeVerySmall"));
        } else if (State_ == 3) {
            if (!AutoScalePeriod()) throw TExc(Shell_.LangStr("PeriodNotFound"));
        }
        if (State_ == 4) {
            CloseAutoScale(1);
            return;
        }
        if (State_ == 1 || State_ == 3) Single();
    } catch (const TExc& e) {
        Fail(e);
    }
}

bool TAutoScale::AutoScaleAmplitude() {
    TCommandTree* tree = Shell_.CommandTree();
    for (int ch = 0; ch < 2; ++ch) {
        const auto k = static_cast<std::size_t>(ch);
        if (!Shown(ch)) Done_[k] = true;
        if (Done_[k]) continue;
        const TSignalObj& record = Shell_.Records()->Record(ch == 0 ? ssCh1 : ssCh2);
        TAxisHist& hist = *ChannelHist_[k];
        hist.Clear();
        hist.SetScale(1024, record.GetScale(), record.GetCentre(), record.SampleInterval(), record.Origin());
        for (int i = 0; i < std::min(record.Length(), 1024); ++i) hist.AddSample(static_cast<std::uint16_t>(i), record.Data1()[i]);
        hist.ComputeStatistics(false);
        const double scale = ReadRealSetting(tree, ChannelPath(ch, "Scale"), 0.5);
        const TAmplitudeResult r =
            AutoScaleChannelAmplitude(scale, hist.GetTotalHits(), hist.GetPeakToPeak(), hist.GetMean());
        if (r.Failed) return false;
        WriteRealSetting(tree, ChannelPath(ch, "Scale"), r.Scale);
        WriteRealSetting(tree, ChannelPath(ch, "Offset"), r.Offset);
        Done_[k] = r.Done;
        if (!r.Done) SetProgress(Progress_ + 5);
    }
    if (IntClock_) Trigger_.DetuneInternalClock();
    if (!Done_[0] || !Done_[1]) return true;
    if (Shown(0) && Shown(1))
        RefChannel_ = ReadRealSetting(tree, "Ch2:Scale", 0) >= ReadRealSetting(tree, "Ch1:Scale", 0) ? 1 : 0;
    else
        RefChannel_ = Shown(0) ? 0 : 1;
    SetProgress(25);
    UseInternalClock(false);
    WriteChoiceSetting(tree, "Trig:Source", Saved_->TrigSource);
    State_ = 2;
    FindTrigLevel();
    return true;
}

void TAutoScale::FindTrigLevel() {
    if (ReadChoiceSetting(Shell_.CommandTree(), "Trig:Source", tsDirect) != tsDirect) {
        TrigLevelFound();
        return;
    }
    SetChoice("Trig:Mode", "Trig");
    if (FindSetting<THandler>(Shell_.CommandTree(), "*StopSingle"))
        Run("*StopSingle Stop");
    else
        Shell_.RunOn = Shell_.SingleOn = false;
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    LevelSearch_.Start();
    TrialRunning_ = false;
    Shell_.WakeIdleWithin(0);
}

bool TAutoScale::IdleStep() {
    if (!Running_ || Closing_ || State_ != 2) return false;
    TTrigLevelTrials& trials = Trials ? *Trials : *OwnTrials_;
    try {
        // Trials that answer at once (the demo) run on; one that waits gives the loop back.
        for (int guard = 0; guard < 256; ++guard) {
            if (!TrialRunning_) {
                trials.Start(LevelSearch_.Level() * 1e-3);
                TrialRunning_ = true;
            }
            bool triggers = false;
            if (!trials.Step(triggers)) return true;
            TrialRunning_ = false;
            LevelSearch_.Answer(triggers);
            SetProgress(LevelSearch_.Progress());
            if (!LevelSearch_.Ended()) continue;
            if (!LevelSearch_.Found()) throw TExc(Shell_.LangStr("TriggerNotFound"));
            WriteRealSetting(Shell_.CommandTree(), "Trig:ExtLevel", LevelSearch_.Result());
            TrigLevelFound();
            return false;
        }
        return true;
    } catch (const TExc& e) {
        Fail(e);
        return false;
    }
}

void TAutoScale::TrigLevelFound() {
    SetProgress(50);
    State_ = 3;
    SubState_ = 0;
    Target_ = 16;
    UseInternalClock(true);
    if (TFullHist* hist = Shell_.FullHist()) hist->Clear();
    Single();
}

bool TAutoScale::GrowSearchScale(int code) {
    const double next = SearchScale_ * (code == 1 ? 2 : 5);
    // The search ends where the timebase does: a clamped scale would be searched for ever.
    const auto* scaleA = FindSetting<TEditHandler>(Shell_.CommandTree(), "TB:ScaleA");
    if (scaleA && next > scaleA->MaxValue() * (1 + 1e-9)) return false;
    SetSearchScale(next);
    Shell_.FullHist()->Clear();
    return true;
}

void TAutoScale::ResetHistParams() {
    if (const TFullHist* hist = Shell_.FullHist()) Global_.ComputeWhole(*hist);
}

bool TAutoScale::AutoScalePeriod() {
    TFullHist* hist = Shell_.FullHist();
    if (!hist) return false;
    AddSignalToHist(*hist, Shell_.Records()->Record(RefChannel_ == 0 ? ssCh1 : ssCh2));
    if (IntClock_) Trigger_.DetuneInternalClock();
    if (hist->GetWaveformCount() < Target_) return true;
    TAutoScalePeriodSearch search(*hist, Global_, Mask_);
    int code = 0;
    switch (SubState_) {
        case 0:
            ResetHistParams();
            UseInternalClock(false);
            WriteChoiceSetting(Shell_.CommandTree(), "Trig:Source", Saved_->TrigSource);
            Target_ = 8;
            hist->Clear();
            SetSearchScale(PeriodSearchStart);
            SubState_ = 1;
            SetProgress(60);
            return true;
        case 1: {
            int levels = 0;
            if (!search.AnalyseHistogramLevels(levels)) return false;
            if (Mask_ == 8) {
                if (!search.DutyWindowSearch(code)) return false;
                if (code != 2) SubState_ = 2;
            } else if (levels == 2) {
                if (!search.LevelWindowSearch(code)) return false;
                if (code != 2) SubState_ = 3;
            } else {
                SubState_ = 3;
            }
            break;
        }
        case 2:
            if (!search.DutyWindowSearch(code)) return false;
            if (code != 2 && SearchScale_ > 1e-7) return false;
            break;
        case 3:
            if (!search.LevelWindowSearch(code)) return false;
            break;
        default: return false;
    }
    if (code == 2) {
        ApplyFound(search);
        return true;
    }
    SetProgress(std::min(95, Progress_ + 3));
    return GrowSearchScale(code);
}

void TAutoScale::ApplyFound(const TAutoScalePeriodSearch& search) {
    SubState_ = 4;
    TCommandTree* tree = Shell_.CommandTree();
    const TFoundSettings f = AutoScaleFoundSettings(Mask_, search.Low, search.High, search.Period, search.Edge);
    WriteRealSetting(tree, ChannelPath(RefChannel_, "Scale"), f.Scale);
    WriteRealSetting(tree, ChannelPath(RefChannel_, "Offset"), f.Offset);
    SetSearchScale(f.ScaleA);
    if (Timebase_)
        Timebase_->SetTimebaseValue(1, f.ScaleB);
    else
        WriteRealSetting(tree, "TB:ScaleB", f.ScaleB);
    SetChoice("TB:Mode", "B");
    WriteRealSetting(tree, "TB:Delay", f.Delay);
    SetProgress(100);
    State_ = 4;
}

void TAutoScale::CloseAutoScale(int result) {
    if (!Running_ || Closing_) return;
    Closing_ = true;
    Result_ = result;
    Shell_.Analysis().UpdateHistControls();
    if (View && Modal_)
        View->EndRun(result);
    else
        Finish(result);
}

void TAutoScale::Finish(int result) {
    if (!Saved_) return;
    TCommandTree* tree = Shell_.CommandTree();
    UseInternalClock(false);
    if (result == 1) {
        for (int ch = 0; ch < 2; ++ch) {
            WriteChoiceSetting(tree, ChannelPath(ch, "Atten:Unit"), Saved_->AttenUnit[static_cast<std::size_t>(ch)]);
            WriteChoiceSetting(tree, StylePath(ch), Saved_->Style[static_cast<std::size_t>(ch)]);
        }
        WriteChoiceSetting(tree, "Trig:Source", Saved_->TrigSource);
        WriteChoiceSetting(tree, "Trig:Mode", Saved_->TrigMode);
    } else {
        if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
        // Only the step this run opened, and only when it holds changes: an empty step would take the
        // user's previous one with it.
        TUndoBuffer* undo = Shell_.UndoBuffer();
        if (Saved_->UndoOpen && undo && !undo->StepPending() && undo->StepStamp() == Saved_->UndoStamp &&
            !undo->UndoEmpty()) {
            TMainCommandSteps none;
            UndoRedoSettings(Shell_, Steps ? *Steps : none, false, true);
        }
    }
    Running_ = false;
    State_ = 0;
    if (FindSetting<THandler>(tree, "*Run"))
        Run("*Run");
    else
        Shell_.RunOn = true;
    WriteChoiceSetting(tree, "Meas:Display", Saved_->MeasDisplay);
    WriteChoiceSetting(tree, "Trig:PatternLockMode", Saved_->PatternLock);
    for (int ch = 0; ch < 2; ++ch) WriteChoiceSetting(tree, AcqPath(ch, "Mode"), Saved_->AcqMode[static_cast<std::size_t>(ch)]);
    ChannelHist_ = {};
    Saved_.reset();
    if (Aside_) {
        Aside_ = false;
        if (View) View->AsideEnded();
    }
    Reply(result);
}

void TAutoScale::Reply(int result) {
    const std::function<void(const std::string&)> later = std::move(Later_);
    Later_ = nullptr;
    if (!later) return;
    if (result == 1)
        later("");
    else
        later(FailureText_.empty() ? "ERROR" : FailureText_);
}

}  // namespace vt
