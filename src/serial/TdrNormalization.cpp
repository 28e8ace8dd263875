#include "serial/TdrNormalization.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/TdrUnits.h"
#include "analysis/FftTransform.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/InternalError.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentLink.h"
#include "link/UtilSettings.h"
#include "serial/TdrSettings.h"

namespace vt {

namespace {

constexpr const char* Unit = "_SHELL\\SRC\\TDR_Normalization";
constexpr double DivisionsPerRecord = 10.24;
constexpr double GlitchSeconds = 2e-9;
constexpr int MaxEdgeSearchPoints = 2048;
constexpr int MaxRetries = 15;
constexpr int HintMs = 5000;
constexpr double TdrOverview = 5.5e-8;
constexpr double TdtOverview = 2e-8;
constexpr double LongestUserTimebase = 3e-8;
constexpr double SmallestSetupTimebase = 1e-8;
constexpr int R50Circuit = 3;
constexpr TColor ReadyGreen{0x008000};

double Sign(bool inverted) { return inverted ? -1.0 : 1.0; }

double Mean(const double* y, int from, int to) {
    double sum = 0;
    for (int i = from; i <= to; ++i) sum += y[i];
    return to >= from ? sum / (to - from + 1) : 0;
}

// Mean of the last fraction of a record, sign-adjusted.
double TailMean(const TSignalObj& record, bool inverted, int part) {
    const int n = record.Length();
    return Sign(inverted) * Mean(record.Data1(), n - n / part, n - 1);
}

std::string ChannelNode(int channel) { return channel == TdrChannel2 ? "TDR:Ch2:" : "TDR:Ch1:"; }
std::string ChName(int channel) { return channel == TdrChannel2 ? "Ch2:" : "Ch1:"; }

}  // namespace

// ------------------------------------------------------------------------------------ arithmetic

double TdrMeanOverDivisions(const TSignalObj& record, double width, double start) {
    if (!(start >= 0 && width > 0 && start + width <= 10.01)) VT_INTERNAL_ERROR(Unit, "Divisions out of the record");
    const int n = record.Length();
    const int from = static_cast<int>(std::lround(start * n / DivisionsPerRecord));
    const int to = std::min(static_cast<int>(std::lround((start + width) * n / DivisionsPerRecord)), n - 1);
    return Mean(record.Data1(), from, to);
}

bool FindStepLevelsAndEdge(const TSignalObj& record, double& startLevel, double& endLevel, double* edge) {
    const int n = record.Length();
    const double* y = record.Data1();
    const int q = n / 20;
    startLevel = Mean(y, 0, q - 1);
    endLevel = Mean(y, n - q - 1, n - 1);
    const bool rising = endLevel > startLevel;
    if (!edge) return false;
    const double middle = (startLevel + endLevel) / 2;
    const double g = std::abs(startLevel - endLevel);
    if (g < 0.005) return false;
    // A point on the band's edge counts whichever way its rounding went.
    const double slack = 1e-9 * g;
    for (double h = g / 20; h <= g / 2.5 + slack; h += g / 20) {
        double sum = 0;
        int count = 0;
        for (int i = n / 10; i <= n / 2; ++i)
            if (std::abs(y[i] - middle) <= h + slack) {
                sum += i;
                ++count;
            }
        if (count > 1) {
            *edge = sum / count;
            return true;
        }
    }
    for (int i = 0; i < n; ++i)
        if (rising ? y[i] > middle : y[i] < middle) {
            *edge = i - 0.5;
            return true;
        }
    return false;
}

void BuildIdealStep(TSignalObj& record, double risePoints, double edge, double before, double after) {
    double* y = record.Data1();
    for (int i = 0; i < record.Length(); ++i)
        y[i] = before - NormalCdf((i - (edge - 1)) / risePoints * 2.56) * (before - after);
}

int FindFirstEdge(const TSignalObj& record, bool inverted, bool requireLowLevel) {
    const int n = std::min(record.Length(), MaxEdgeSearchPoints);
    if (n < 5) return -2;
    // The points themselves are turned over for an inverted step, not only the level compared.
    std::vector<double> y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = Sign(inverted) * record.Data1()[i];
    const double e = Mean(y.data(), n - n / 5, n - 1);
    if (std::abs(e) < 0.05) return -2;
    if (e < 0) return -3;
    std::vector<int> cls(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double v = y[static_cast<std::size_t>(i)];
        cls[static_cast<std::size_t>(i)] = v < e / 2 ? 0 : v >= 1.5 * e ? 2 : 1;
    }
    // Runs shorter than the glitch time take the class of the run after them.
    const double interval = std::abs(record.SampleInterval());
    const int shortest = interval > 0 ? static_cast<int>(std::lround(GlitchSeconds / interval)) : 0;
    int end = n - 1;
    int following = -1;
    while (end >= 0) {
        int start = end;
        const int c = cls[static_cast<std::size_t>(end)];
        while (start > 0 && cls[static_cast<std::size_t>(start - 1)] == c) --start;
        if (following >= 0 && c != following && end - start + 1 < shortest)
            for (int i = start; i <= end; ++i) cls[static_cast<std::size_t>(i)] = following;
        else
            following = c;
        end = start - 1;
    }
    const bool low = std::find(cls.begin(), cls.end(), 0) != cls.end();
    if (requireLowLevel && !low) return -1;
    for (int i = n - 1; i >= 0; --i) {
        if (cls[static_cast<std::size_t>(i)] == 2) return i;
        if (cls[static_cast<std::size_t>(i)] == 0) return -4;
    }
    // Neither the level before the step nor the incident plateau: the step came before the record,
    // which is as early as an edge can come.
    return low ? -4 : 0;
}

int FindTdtEdge(const TSignalObj& record, bool inverted) {
    const int n = record.Length();
    const double e = TailMean(record, inverted, 5);
    if (std::abs(e) < 0.05) return -2;
    if (e < 0) return -3;
    for (int i = 0; i < n; ++i)
        if (Sign(inverted) * record.Data1()[i] > e / 2) return std::max(i - 1, 0);
    return -2;
}

bool CheckLoadLevel(const TSignalObj& record, bool inverted, double shortLevel) {
    // Both levels sign-adjusted: an inverted step has both below zero.
    const double load = TailMean(record, inverted, 10);
    const double reference = Sign(inverted) * shortLevel;
    // Strictly between: a mean that only rounding moved off a bound stays on it.
    const double slack = 1e-9 * std::abs(reference);
    return load > 1.5 * reference + slack && load < 2.5 * reference - slack;
}

void PlaceEdge(double edgeTime, double userTimebase, double setupTimebase, double& timebaseA, double& delay) {
    const double d = edgeTime - 2 * userTimebase;
    const double sum = (d + 5e-10) / 10 + setupTimebase;
    timebaseA = CorrectNewVal1_2_5(sum);
    if (timebaseA < sum) timebaseA = CorrectNewVal1_2_5(2 * sum);
    delay = d / timebaseA;
}

bool MirroredStepSpectrum(const TSignalObj& record, double endLevel, double startLevel, std::vector<double>& re,
                          std::vector<double>& im) {
    const int n = record.Length();
    const int m = 2 * n;
    if (!IsFftSize(m)) return false;
    re.assign(static_cast<std::size_t>(m), 0.0);
    im.assign(static_cast<std::size_t>(m), 0.0);
    const double* y = record.Data1();
    for (int i = 0; i < n; ++i) {
        re[static_cast<std::size_t>(i)] = y[i];
        re[static_cast<std::size_t>(n + i)] = startLevel + endLevel - y[i];
    }
    int status = FftDone;
    FftTransform(m, false, re.data(), status, im.data());
    return status == FftDone;
}

// ------------------------------------------------------------------------------------ math operator

TTdrNormalization::TTdrNormalization(TShell& shell, TTdrSettings& settings)
    : Shell_(shell), Settings_(settings), Work_(std::make_unique<TSignalObj>()) {
    for (TReference& r : Refs_) r.Averaged = std::make_unique<TSignalObj>();
}

TTdrNormalization::~TTdrNormalization() = default;

bool TTdrNormalization::MathFunctionUsedByTdr(int channel) const {
    if (!Settings_.IsTdrActive()) return false;
    const TOnOffHandler* normalize = Settings_.Channel(channel).Normalize;
    return normalize && normalize->GetOn();
}

bool TTdrNormalization::UsesFunction(int function) const {
    return MathFunctionUsedByTdr(function == 0 ? TdrChannel1 : TdrChannel2);
}

void TTdrNormalization::ComputeTdrCorrection(int channel) {
    TReference& r = Ref(channel);
    if (!r.Valid || std::abs(r.Interval) < 1e-15) return;
    const TDoubleEditHandler* normTime = Settings_.Channel(channel).NormTime;
    // The normalization time is seconds (its limits are); the points of a distance axis are not.
    const double rise = (normTime ? normTime->GetValue() : 5e-11) / std::abs(r.IntervalSeconds);
    TSignalObj ideal;
    ideal.SetLength(r.Length);
    BuildIdealStep(ideal, rise, r.Edge, r.StartLevel, r.EndLevel);
    std::vector<double> re, im;
    if (!MirroredStepSpectrum(ideal, r.EndLevel, r.StartLevel, re, im)) return;
    const std::size_t m = re.size();
    r.CorrRe.assign(m, 0.0);
    r.CorrIm.assign(m, 0.0);
    for (std::size_t k = 0; k < m; ++k) {
        const double a = r.RefRe[k], b = r.RefIm[k];
        const double d = a * a + b * b;
        if (d <= 0) continue;
        r.CorrRe[k] = (re[k] * a + im[k] * b) / d;
        r.CorrIm[k] = (im[k] * a - re[k] * b) / d;
    }
}

bool TTdrNormalization::ComputeTdrNormalizedSignal(int channel, const TSignalObj& raw, TSignalObj& target) {
    const TReference& r = Ref(channel);
    const int n = raw.Length();
    if (!r.Valid || r.CorrRe.empty()) return false;
    // A correction belongs to the record length and interval it was measured with.
    if (n != r.Length || std::abs(raw.SampleInterval() - r.Interval) > 1e-6 * std::abs(r.Interval)) return false;
    TSignalObj& work = *Work_;
    work.SetLength(n);
    work.SetMathResult(true);
    double* y = work.Data1();
    for (int i = 0; i < n; ++i) y[i] = raw.Data1()[i];
    if (!r.Tdt && static_cast<int>(r.LoadReference.size()) == n)
        for (int i = 0; i < n; ++i) y[i] -= r.LoadReference[static_cast<std::size_t>(i)];
    double start = 0, end = 0;
    FindStepLevelsAndEdge(work, start, end, nullptr);
    std::vector<double> re, im;
    if (!MirroredStepSpectrum(work, end, start, re, im)) return false;
    const std::size_t m = re.size();
    for (std::size_t k = 0; k < m; ++k) {
        const double a = re[k], b = im[k];
        re[k] = a * r.CorrRe[k] - b * r.CorrIm[k];
        im[k] = a * r.CorrIm[k] + b * r.CorrRe[k];
    }
    // Point 0 doubled, the inverse transform (which halves) gives back the record's scale.
    re[0] *= 2;
    im[0] *= 2;
    int status = FftDone;
    FftTransform(static_cast<int>(m), true, re.data(), status, im.data());
    if (status != FftDone) return false;
    target.Assign(raw);
    target.SetMathResult(true);
    target.SetTdrUnit(raw.TdrUnit());
    target.SetLength(n);
    double* out = target.Data1();
    for (int i = 0; i < n; ++i) out[i] = re[static_cast<std::size_t>(i)];
    target.SetChangedFlags();
    return true;
}

bool TTdrNormalization::EvalTdrNormalizedFunction(int channel, TSignalObj& target) {
    const int index = channel == 2 ? TdrChannel2 : TdrChannel1;
    const TSignalRecords* records = Shell_.Records();
    if (!records) return true;
    const TSignalObj& raw = records->Record(ChannelSignalIndex(index, 0));
    if (!ComputeTdrNormalizedSignal(index, raw, target) && MathFunctionUsedByTdr(index) && Ref(index).Valid)
        PendingOff_.at(index == TdrChannel2 ? 1 : 0) = true;
    return true;
}

void TTdrNormalization::ApplyPendingSwitchOff() {
    for (int channel : {TdrChannel1, TdrChannel2}) {
        bool& pending = PendingOff_.at(channel == TdrChannel2 ? 1 : 0);
        if (!pending) continue;
        pending = false;
        TOnOffHandler* normalize = Settings_.Channel(channel).Normalize;
        if (!normalize || !normalize->GetOn()) continue;
        Shell_.Display().PushHint(FormatDot("Ch%d: the record length or interval changed: normalization off",
                                            channel == TdrChannel2 ? 2 : 1),
                                  HintMs);
        normalize->SetOn(false);
    }
}

void TTdrNormalization::ResetTdrNormalizationFlags() {
    for (int channel : {TdrChannel1, TdrChannel2})
        if (TOnOffHandler* normalize = Settings_.Channel(channel).Normalize) normalize->SetOn(false);
}

// ------------------------------------------------------------------------------------ the wizard

void TTdrNormalization::Changed() {
    if (View) View->Changed(*this);
}

void TTdrNormalization::Setting(const std::string& header, const std::string& value) {
    if (FindSetting<THandler>(Shell_.CommandTree(), header)) Shell_.ExecuteCommandString(header + " " + value);
}

void TTdrNormalization::SetTimebase(const char* mode, double scaleA, double scaleB, double delay) {
    Setting("TB:Mode", mode);
    if (scaleA > 0) Setting("TB:ScaleA", FloatToStrDot(scaleA));
    if (scaleB > 0) Setting("TB:ScaleB", FloatToStrDot(scaleB));
    if (delay >= 0) Setting("TB:Delay", FloatToStrDot(delay));
}

const TSignalObj* TTdrNormalization::ChannelRecord() const {
    const TSignalRecords* records = Shell_.Records();
    return records ? &records->Record(ChannelSignalIndex(Channel_, 0)) : nullptr;
}

void TTdrNormalization::Request() {
    // One Single for each acquisition a step needs.
    Shell_.SingleOn = true;
}

bool TTdrNormalization::Ask(const std::string& text) { return Shell_.User().ConfirmOkCancel(text); }

bool TTdrNormalization::Run(int channel, bool tdt, bool inverted) {
    if (Open_) VT_INTERNAL_ERROR("TDR", "The normalization form exists");
    TCommandTree* tree = Shell_.CommandTree();
    const std::string acq = "Acq:" + ChName(channel);
    const int length = static_cast<int>(ReadRealSetting(tree, acq + "RecLen", 512));
    if (!IsFftSize(2 * length)) {
        Shell_.User().ShowErrorDlg("The record length must be a power of two.");
        return false;
    }
    Channel_ = channel;
    Tdt_ = tdt;
    Inverted_ = inverted;
    External_ = ReadChoiceSetting(tree, ChannelNode(channel) + "Destination", 0) == 3;
    const std::string mode = tdt ? "TDT" : "TDR";
    const int number = channel == TdrChannel2 ? 2 : 1;
    Title_ = FormatDot(Shell_.LangStr("Norm____Ch_N"), mode, number);
    Status_ = FormatDot(Shell_.LangStr("___Normalization"), mode);
    StatusColor_ = TColor{};
    Progress_ = 0;
    OkEnabled_ = false;
    Finished_ = false;
    Result_ = false;
    Step_ = 0;
    Retries_ = 0;
    Ref(channel).Count = 0;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    RunOn_ = Shell_.RunOn;
    SingleOn_ = Shell_.SingleOn;
    Shell_.RunOn = false;
    Shell_.SingleOn = false;
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
    Open_ = true;
    Prepare();
    Setup_.Take(Shell_.UndoBuffer());
    Request();
    Changed();
    if (View) {
        Modal_ = true;
        View->ShowModal(*this);
        Modal_ = false;
    }
    EndRun(Result_);
    return Result_;
}

void TTdrNormalization::Prepare() {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string own = ChName(Channel_), other = Channel_ == TdrChannel2 ? "Ch1:" : "Ch2:";
    Setting(own + "Display", "On");
    Setting(other + "Display", "Off");
    Setting(other + "Acquire", "Off");
    Setting(own + "Band", "Full");
    Setting(own + "Offset", "0");
    Setting(own + "Scale", "0.1");
    Setting(ChannelNode(Channel_) + "VertScale", "Volt");
    Setting(ChannelNode(Channel_) + "VertTDTScale", "Volt");
    Setting("Acq:" + own + "Mode", "Sample");
    // "A,AB,B": the user looks at timebase B only in mode B.
    UserTimebase_ = ReadChoiceSetting(tree, "TB:Mode", 0) == 2 ? ReadRealSetting(tree, "TB:ScaleB", 1e-8)
                                                                : ReadRealSetting(tree, "TB:ScaleA", 1e-8);
    if (!External_) {
        UserTimebase_ = std::min(UserTimebase_, LongestUserTimebase);
        Setting("Gen:StepsDelay", "0");
    }
    SetupTimebase_ = UserTimebase_ < SmallestSetupTimebase ? SmallestSetupTimebase : UserTimebase_;
    OverviewTimebase_ = Tdt_ ? TdtOverview : TdrOverview;
    SetTimebase("A", SetupTimebase_, 0, -1);
}

void TTdrNormalization::UpdateTDRNormalizationForm() {
    ApplyPendingSwitchOff();
    if (!Open_ || Finished_ || Shell_.SingleOn) return;
    const TSignalObj* record = ChannelRecord();
    if (!record) return;
    if (Tdt_)
        StepTdt(*record);
    else
        StepTdr(*record);
    Changed();
}

bool TTdrNormalization::Average(const TSignalObj& record) {
    TReference& r = Ref(Channel_);
    TSignalObj& sum = *r.Averaged;
    const int n = record.Length();
    if (r.Count == 0) {
        sum.AssignWithData(record);
    } else {
        for (int i = 0; i < n; ++i) sum.Data1()[i] += record.Data1()[i];
    }
    ++r.Count;
    if (r.Count >= AveragedRecords)
        for (int i = 0; i < n; ++i) sum.Data1()[i] /= AveragedRecords;
    return r.Count < AveragedRecords;
}

void TTdrNormalization::EdgeStep(const TSignalObj& record, int found) {
    if (found < 0) {
        const char* key = found == -3 ? "TDRBadPolarity" : found == -2 ? "TDRNotStimul" : "TDRNot50Ohm";
        if (Ask(Shell_.LangStr(key) + Shell_.LangStr("TDRCorrectAndOK")))
            Request();
        else
            Close(false);
        return;
    }
    // The edge's time from the screen's left edge: the retries move it onto the screen.
    const double t = found * std::abs(record.SampleInterval());
    if (t >= 2 * UserTimebase_) {
        PlaceEdge(t, UserTimebase_, SetupTimebase_, TimebaseA_, Delay_);
        Setting("TB:ScaleA", FloatToStrDot(OverviewTimebase_));
        Step_ = 1;
        Request();
        return;
    }
    if (External_) {
        const std::string text = Shell_.LangStr("TDRBadFrontDelay") +
                                 Shell_.LangStr(Tdt_ ? "TDTSetExternalDelay" : "TDRSetExternalDelay") +
                                 Shell_.LangStr("TDRSetTB") + Shell_.LangStr("TDRRepeatNormal");
        if (Ask(text))
            Request();
        else
            Close(false);
        return;
    }
    // The generator's step comes later by one delay step per retry.
    ++Retries_;
    Setting("Gen:StepsDelay", std::to_string(Retries_));
    if (Retries_ > MaxRetries) {
        Shell_.User().ShowErrorDlg(Shell_.LangStr("TDRConnectionsError"));
        Close(false);
        return;
    }
    Request();
}

void TTdrNormalization::StepTdr(const TSignalObj& record) {
    TReference& r = Ref(Channel_);
    switch (Step_) {
        case 0:
            Progress_ = 5;
            EdgeStep(record, FindFirstEdge(record, Inverted_, false));
            break;
        case 1:
            Progress_ = 10;
            ShortLevel_ = TdrMeanOverDivisions(record, 2, 8);
            SetTimebase("B", TimebaseA_, UserTimebase_, Delay_);
            Step_ = 2;
            Request();
            break;
        case 2:
            if (Average(record)) {
                Progress_ = 10 + static_cast<int>(std::lround(0.45 * std::lround(r.Count * 100.0 / AveragedRecords)));
                Request();
                break;
            }
            Progress_ = 55;
            SetChannelGeneratorFlag(Shell_, Channel_, R50Circuit);
            Changed();
            if (!Ask(Shell_.LangStr("TDRChNormContinue"))) {
                Close(false);
                break;
            }
            Work_->AssignWithData(*r.Averaged);
            r.Count = 0;
            Step_ = 3;
            Request();
            break;
        case 3:
            Progress_ = 55;
            if (CheckLoadLevel(record, Inverted_, ShortLevel_)) {
                SetTimebase("A", OverviewTimebase_, 0, -1);
                Step_ = 4;
                Request();
            } else if (Ask(Shell_.LangStr("TDRNo50Ohm") + Shell_.LangStr("TDRCorrectAndOK"))) {
                Request();
            } else {
                Close(false);
            }
            break;
        case 4:
            Progress_ = 55;
            LoadLevel_ = TdrMeanOverDivisions(record, 2, 8);
            SetTimebase("B", TimebaseA_, 0, -1);
            Step_ = 5;
            Request();
            break;
        case 5: {
            if (Average(record)) {
                Progress_ = 55 + static_cast<int>(std::lround(0.45 * std::lround(r.Count * 100.0 / AveragedRecords)));
                Request();
                break;
            }
            const int n = r.Averaged->Length();
            r.LoadReference.assign(static_cast<std::size_t>(n), 0.0);
            for (int i = 0; i < n; ++i) r.LoadReference[static_cast<std::size_t>(i)] = r.Averaged->Data1()[i] - LoadLevel_;
            for (int i = 0; i < std::min(n, Work_->Length()); ++i) Work_->Data1()[i] -= r.LoadReference[static_cast<std::size_t>(i)];
            Finish();
            break;
        }
        default: break;
    }
}

void TTdrNormalization::StepTdt(const TSignalObj& record) {
    TReference& r = Ref(Channel_);
    switch (Step_) {
        case 0:
            Progress_ = 10;
            EdgeStep(record, FindTdtEdge(record, Inverted_));
            break;
        case 1:
            StartLevel_ = TdrMeanOverDivisions(record, 2, 8);
            SetTimebase("B", TimebaseA_, UserTimebase_, Delay_);
            Step_ = 2;
            Request();
            break;
        case 2:
            if (Average(record)) {
                Progress_ = static_cast<int>(std::lround(r.Count * 100.0 / AveragedRecords));
                Request();
                break;
            }
            Progress_ = 100;
            Work_->AssignWithData(*r.Averaged);
            ZeroLevel_ = TdrMeanOverDivisions(*Work_, 0.5, 0);
            r.LoadReference.clear();
            Finish();
            break;
        default: break;
    }
}

bool TTdrNormalization::StoreReference(int channel, const TSignalObj& step, bool tdt, bool inverted) {
    TReference& r = Ref(channel);
    double start = 0, end = 0, edge = 0;
    r.Valid = false;
    if (!FindStepLevelsAndEdge(step, start, end, &edge)) return false;
    if (!MirroredStepSpectrum(step, end, start, r.RefRe, r.RefIm)) return false;
    r.Tdt = tdt;
    r.Inverted = inverted;
    r.Length = step.Length();
    r.Interval = step.SampleInterval();
    r.IntervalSeconds = r.Interval;
    const std::string& unit = step.HorUnit();
    const double velocity = Settings_.TdrVelocityFactor();
    if (unit == "m") r.IntervalSeconds = TdrMetersToTime(r.Interval, tdt, velocity);
    else if (unit == "ft") r.IntervalSeconds = TdrFeetToTime(r.Interval, tdt, velocity);
    else if (unit == "in") r.IntervalSeconds = TdrInchesToTime(r.Interval, tdt, velocity);
    r.StartLevel = start;
    r.EndLevel = end;
    r.Edge = edge;
    r.Valid = true;
    ComputeTdrCorrection(channel);
    return true;
}

void TTdrNormalization::Finish() {
    if (!StoreReference(Channel_, *Work_, Tdt_, Inverted_)) {
        Shell_.User().ShowErrorDlg("Slope Not Found!");
        Close(false);
        return;
    }
    EdgeTime_ = Work_->IndexToTime(Reference(Channel_).Edge);
    Amplitude_ = Tdt_ ? std::abs(StartLevel_ - ZeroLevel_) : std::abs(LoadLevel_ - ShortLevel_);
    const std::string node = ChannelNode(Channel_);
    if (Tdt_) {
        Setting(node + "RefTDTZero", FloatToStrDot(ZeroLevel_));
        Setting(node + "RefTDTAmpl", FloatToStrDot(Amplitude_));
    } else {
        Setting(node + "RefAmpl", FloatToStrDot(Amplitude_));
        Setting(node + "BaseLine", FloatToStrDot(LoadLevel_));
    }
    if (Settings_.Hooks.UpdateChannelScaleMnemonics) Settings_.Hooks.UpdateChannelScaleMnemonics(Channel_);
    Finished_ = true;
    Progress_ = 100;
    OkEnabled_ = true;
    Status_ = Shell_.LangStr("Normalization_Ready");
    StatusColor_ = ReadyGreen;
}

void TTdrNormalization::Close(bool ok) {
    if (!Open_) return;
    Result_ = ok && OkEnabled_;
    Finished_ = true;
    if (Modal_ && View) View->EndModal();
}

void TTdrNormalization::EndRun(bool ok) {
    if (!Open_) return;
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
    // Every setting the opening changed returns.
    TCommandTree* tree = Shell_.CommandTree();
    Setup_.Restore(Shell_.UndoBuffer(), tree);
    Open_ = false;
    Shell_.RunOn = RunOn_;
    Shell_.SingleOn = SingleOn_;
    if (!ok) {
        // A run that did not end with OK leaves no correction behind.
        Ref(Channel_).Valid = false;
        Changed();
        return;
    }
    const std::string node = ChannelNode(Channel_);
    if (ReadChoiceSetting(tree, node + "Destination", 0) != 3) Setting("Gen:StepsDelay", std::to_string(Retries_));
    SetTimebase("B", TimebaseA_, UserTimebase_, Delay_);
    if (Tdt_) {
        Setting(node + "RefTDTAmpl", FloatToStrDot(Amplitude_));
        Setting(node + "RefTDTZero", FloatToStrDot(ZeroLevel_));
    } else {
        Setting(node + "RefAmpl", FloatToStrDot(Amplitude_));
        Setting(node + "BaseLine", FloatToStrDot(LoadLevel_));
    }
    Setting(node + "RefPlane", FloatToStrDot(EdgeTime_));
    Changed();
}

}  // namespace vt
