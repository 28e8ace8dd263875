#include "acq/PatternSearch.h"

#include <algorithm>

#include "acq/HistogramObjects.h"
#include "acq/MainCommands.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/ProgramLog.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

// The largest trigger divider: runs that never grow long enough by then end the search (a larger
// divider could not be applied).
constexpr int MaxDivider = 16;

}  // namespace

TTransitions CountTransitions(const double* points, int n, double u, double l) {
    TTransitions t;
    int state = 0;   // 1 high, -1 low, 0 none yet
    int start = -1;  // first point of the current run; -1 while it began before the record
    auto close = [&](int end) {
        if (start < 0) return;  // cut by the record's start: no length
        const int length = end - start;
        int& shortest = state > 0 ? t.ShortestHigh : t.ShortestLow;
        if (shortest == 0 || length < shortest) shortest = length;
    };
    for (int i = 0; i < n; ++i) {
        const int kind = points[i] > u ? 1 : points[i] < l ? -1 : 0;
        if (kind == 0 || kind == state) continue;
        if (state != 0) {
            ++t.Changes;
            close(i);
            start = i;
        }
        state = kind;
    }
    return t;
}

int DividerForChanges(int changes) { return changes > 200 ? 8 : changes > 100 ? 4 : changes > 50 ? 2 : 1; }

TPatternSearch::TPatternSearch(TShell& shell) : RefSine(shell), Shell_(shell) {}

TPatternSearch::~TPatternSearch() = default;

void TPatternSearch::FillRows(TShell& shell) {
    shell.AcqCycle.Add(TAcqCycleRow::PatternSearchSteps, [this](TShell&) {
        if (Running_) FindPatternTriggerStep();
        if (RefSine.Capturing()) RefSine.RefSineCaptureStep();
        return false;
    });
}

void TPatternSearch::Run(const char* line) {
    if (FindSetting<THandler>(Shell_.CommandTree(), std::string_view(line).substr(0, std::string_view(line).find(' '))))
        Shell_.ExecuteCommandString(line);
}

void TPatternSearch::SetChoice(const char* path, const char* item) {
    auto* h = FindSetting<TRadioSwHandler>(Shell_.CommandTree(), path);
    if (!h) return;
    const int index = h->FindItem(item);
    if (index >= 0) h->SetItemIndex(index);
}

void TPatternSearch::SetOn(const char* path, bool on) {
    if (auto* h = FindSetting<TOnOffHandler>(Shell_.CommandTree(), path)) h->SetOn(on);
}

const TSignalObj& TPatternSearch::Record() const { return Shell_.Records()->Record(Source_ == 0 ? ssCh1 : ssCh2); }

void TPatternSearch::SetProgress(int position) {
    Progress_ = position;
    if (View) View->ProgressChanged(position);
}

// The list's entries and the two level steps share the first 60 % of the bar.
void TPatternSearch::CountStep() {
    ++Counted_;
    const int total = static_cast<int>(Lengths ? Lengths().size() : 0) + 2;
    SetProgress(std::min(60, Counted_ * 60 / std::max(total, 1)));
}

void TPatternSearch::SetScales() {
    WriteRealSetting(Shell_.CommandTree(), "TB:ScaleA", 32 / Rate_ / Divider_);
    WriteRealSetting(Shell_.CommandTree(), "TB:ScaleB", 3.2 / Rate_ / Divider_);
}

void TPatternSearch::SetLength(int length) { WriteRealSetting(Shell_.CommandTree(), "Trig:PattLen", length); }

void TPatternSearch::FindPatternTrigger(double rate) {
    TCommandTree* tree = Shell_.CommandTree();
    if (Running_ || !tree || !ReadOnOffSetting(tree, "INSTR:GUIReady", false)) return;
    if (!Lengths || Lengths().empty() || !(rate > 0)) return;
    // A script's search holds its reply until it ends; one the program started answers nobody. Either
    // runs aside, stepped by the acquisitions, and says its failure as a program message.
    Later_ = Shell_.DeferRemoteReply ? Shell_.DeferRemoteReply() : nullptr;
    ByUser_ = !Later_ && StartedByUser();
    SetUp(rate);
    Running_ = true;
    Step_ = 0;
    Run("*Run");
    if (!View) return;
    if (!ByUser_) {
        Aside_ = true;
        View->RunAside(*this);
        return;
    }
    Modal_ = true;
    View->RunModal(*this);
    Modal_ = false;
    if (!Ended_) {
        // Closed without an end of its own (the window's close box): as Cancel.
        Step_ = StepNotFound;
        Cancelled_ = true;
    }
    Finish();
}

bool TPatternSearch::StartedByUser() const {
    for (const char* path : {"Trig:PatternLockMode", "Trig:ResetPattLock"}) {
        const auto* h = FindSetting<THandler>(Shell_.CommandTree(), path);
        const TWhoChanged who = h ? h->GetWhoChangedRaw() : wcvUnknown;
        if (who == wcvSwitcher || who == wcvCommandList) return true;
    }
    return false;
}

void TPatternSearch::SetUp(double rate) {
    TCommandTree* tree = Shell_.CommandTree();
    Rate_ = rate;
    Cancelled_ = false;
    Ended_ = false;
    Counted_ = 0;
    Progress_ = 0;
    Divider_ = 1;
    AddDelay_ = false;
    Stat1_.Clear();
    Stat2_.Clear();
    Hist_ = std::make_unique<TAxisHist>(true);
    UndoOpen_ = false;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) {
        undo->BeginStep();
        UndoOpen_ = true;
        UndoStamp_ = undo->StepStamp();
    }
    // The mask goes for the search; the undo step brings it back.
    if (auto* mask = FindSetting<TComplexObjectHandler>(tree, "NOGPIB:Mask")) mask->SaveStateForUndo(true);
    Shell_.Serial().ClearCurrentMask();
    if (!ReadOnOffSetting(tree, "Ch2:Display", false)) SetOn("Ch1:Display", true);
    WasRun_ = Shell_.RunOn;
    WasManual_ = Shell_.PatternManualForDisplay;
    if (FindSetting<THandler>(tree, "*StopSingle"))
        Run("*StopSingle Stop");
    else
        Shell_.RunOn = Shell_.SingleOn = false;
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    WasFlagReading_ = Shell_.FlagRegisterReadingEnabled;
    Shell_.FlagRegisterReadingEnabled = false;
    SetChoice("Acq:Ch1:Mode", "Sample");
    SetChoice("Acq:Ch2:Mode", "Sample");
    for (const char* path : {"Spectr1:Display", "Spectr2:Display", "F1:Display", "F2:Display", "F3:Display",
                             "F4:Display", "Limit:TestOn", "Mask:Test", "TB:DualDel"})
        SetOn(path, false);
    if (auto* memo = FindSetting<TCheckSwHandler>(tree, "Save:Memo:On")) memo->SetMask(0);
    SetChoice("Displ:TraceMode", "PerTrace");
    SetChoice("Displ:Ch1:Style", "Dots");
    SetChoice("Displ:Ch2:Style", "Dots");
    SetChoice("Displ:Gratic", "Grid");
    SetChoice("Displ:Format", "YT");
    for (const char* path : {"Eye:Measure", "Hist:Axis", "Meas:Display", "Mark:Type", "Util:VCalMode"})
        WriteChoiceSetting(tree, path, 0);
    WriteRealSetting(tree, "Acq:Ch1:RecLen", 1024);
    WriteRealSetting(tree, "Acq:Ch2:RecLen", 1024);
    SetChoice("TB:Units", "Time");
    SetChoice("TB:Mode", "B");
    SetScales();
    WriteRealSetting(tree, "TB:Delay", 0);
    SetChoice("Acq:FitTo", "Multi");
    Source_ = ReadOnOffSetting(tree, "Ch1:Display", true) ? 0 : 1;
    Searched_ = true;
}

void TPatternSearch::FindPatternTriggerStep() {
    // Ended, the dialog not yet gone: no more steps.
    if (!Running_ || Ended_) return;
    TCommandTree* tree = Shell_.CommandTree();
    const std::vector<int>& list = Lengths();
    const TSignalObj& record = Record();
    const int n = std::min(record.Length(), TAxisHist::MaxBins);
    const double* y = record.Data1();
    auto analyseRuns = [&] {
        const TTransitions t = CountTransitions(y, n, Upper_, Lower_);
        if (t.ShortestHigh + t.ShortestLow > 39) {
            SetProgress(100);
            End(StepFound);
            return;
        }
        SetProgress(90);
        Divider_ *= 2;
        if (Divider_ > MaxDivider) {
            End(StepNotFound);
            return;
        }
        SetScales();
    };
    switch (Step_) {
        case 0:
            for (int i = 0; i < n; ++i) Stat1_.Add(1, y[i]);
            if (Stat1_.Count > 10000) {
                Split_ = Stat1_.Mean;
                Stat1_.Clear();
                Step_ = 1;
                CountStep();
            }
            return;
        case 1:
            for (int i = 0; i < n; ++i) (y[i] > Split_ ? Stat1_ : Stat2_).Add(1, y[i]);
            if (Stat1_.Count <= 5000) return;
            High_ = Stat1_.Mean;
            Low_ = Stat2_.Mean;
            Upper_ = (2 * High_ + Low_) / 3;
            Lower_ = (High_ + 2 * Low_) / 3;
            ListPos_ = 0;
            if (TInstrumentLink* link = Shell_.Link()) link->SendOnOffCommand("Pattern:On", true);
            Shell_.PatternManualForDisplay = true;
            SetChoice("Acq:Ch1:Mode", "AvgMult");
            SetChoice("Acq:Ch2:Mode", "AvgMult");
            WriteRealSetting(tree, "Acq:Ch1:NAvg", 32);
            WriteRealSetting(tree, "Acq:Ch2:NAvg", 32);
            Candidate_ = list.front();
            AddDelay_ = false;
            Stat1_.Clear();
            Stat2_.Clear();
            SetLength(Candidate_);
            SetOn("Trig:PattAddDelay", false);
            Step_ = 2;
            CountStep();
            return;
        case 2: {
            Hist_->Clear();
            Hist_->SetScale(static_cast<std::uint16_t>(n), record.GetScale(), record.GetCentre(), record.SampleInterval(),
                            record.Origin());
            for (int i = 0; i < n; ++i) Hist_->AddSample(static_cast<std::uint16_t>(i), y[i]);
            Hist_->ComputeStatistics(false);
            // A wrong length averages the bits away: the two levels at +-sigma close in on each other.
            const double spread = 2 * Hist_->GetSigma();
            if (0.6 * (High_ - Low_) >= spread) {
                ++ListPos_;
                CountStep();
                if (ListPos_ >= list.size()) {
                    End(StepNotFound);
                    return;
                }
                Candidate_ = list[ListPos_];
                SetLength(Candidate_);
                return;
            }
            SetProgress(60);
            SetOn("Trig:PattAddDelay", false);
            SetChoice("Displ:Ch1:Style", "Vectors");
            SetChoice("Displ:Ch2:Style", "Vectors");
            Divider_ = 1;
            Step_ = 3;
            return;
        }
        case 3: {
            int count = 0;
            for (int i = 0; i < n; ++i) count += y[i] > Lower_ && y[i] < Upper_;
            if (!AddDelay_) {
                SetProgress(65);
                CountOff_ = count;
                AddDelay_ = true;
                SetOn("Trig:PattAddDelay", true);
                return;
            }
            SetProgress(70);
            if (CountOff_ < count) AddDelay_ = false;
            SetOn("Trig:PattAddDelay", false);
            Divider_ = 1;
            Step_ = 4;
            return;
        }
        case 4: {
            Divider_ = DividerForChanges(CountTransitions(y, n, Upper_, Lower_).Changes);
            Step_ = 5;
            SetProgress(80);
            if (Divider_ == 1)
                analyseRuns();
            else
                SetScales();
            return;
        }
        case 5: analyseRuns(); return;
        default: return;
    }
}

void TPatternSearch::Cancel() {
    if (!Running_ || Ended_) return;
    Cancelled_ = true;
    End(StepNotFound);
}

void TPatternSearch::End(int step) {
    Step_ = step;
    Ended_ = true;
    if (View && Modal_)
        View->EndRun(step == StepFound);
    else
        Finish();
}

void TPatternSearch::Finish() {
    if (!Running_) return;
    Running_ = false;
    if (Aside_) {
        Aside_ = false;
        if (View) View->AsideEnded();
    }
    const std::function<void(const std::string&)> later = std::move(Later_);
    Later_ = nullptr;
    TCommandTree* tree = Shell_.CommandTree();
    Hist_.reset();
    Stat1_.Clear();
    Stat2_.Clear();
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    // Only the step the search opened, and only when it holds changes.
    TUndoBuffer* undo = Shell_.UndoBuffer();
    if (UndoOpen_ && undo && !undo->StepPending() && undo->StepStamp() == UndoStamp_ && !undo->UndoEmpty()) {
        TMainCommandSteps none;
        UndoRedoSettings(Shell_, Steps ? *Steps : none, false, true);
    }
    UndoOpen_ = false;
    Shell_.PatternManualForDisplay = WasManual_;
    if (WasRun_)
        Run("*Run");
    else
        Run("*StopSingle Stop");
    Shell_.FlagRegisterReadingEnabled = WasFlagReading_;
    if (Step_ == StepFound) {
        SetLength(Candidate_);
        SetOn("Trig:PattAddDelay", AddDelay_);
        WriteRealSetting(tree, "Trig:ExtDivider", Divider_);
        if (later) later("");
        return;
    }
    WriteChoiceSetting(tree, "Trig:PatternLockMode", 0);
    const std::string text = Cancelled_ ? std::string() : Shell_.LangStr("PatternNOTFound");
    if (ByUser_) {
        if (!text.empty()) Shell_.User().ShowErrorDlg(text);
    } else if (later) {
        if (!text.empty()) LogProgramLine(text);
        later(Cancelled_ ? "ERROR" : text);
    } else if (!text.empty()) {
        Shell_.ShowProgramMessage(text);
    }
}

}  // namespace vt
