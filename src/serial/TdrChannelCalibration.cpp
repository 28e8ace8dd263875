#include "serial/TdrChannelCalibration.h"

#include <algorithm>
#include <cmath>

#include "acq/SaveRecall.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/Handlers.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "link/InstrumentLink.h"
#include "link/UtilSettings.h"
#include "serial/TdrNormalization.h"
#include "serial/TdrSettings.h"

namespace vt {

namespace {

constexpr int PlateauFirst = 400;
constexpr int PlateauLast = 600;
constexpr double SmallestStep = 0.05;  // V
constexpr double TdtBaselineSpan = 2e-9;
constexpr int TdrStartFlag = 3;     // the terminated step: its level is the zero level
constexpr int TdrSecondFlag = 1;    // the open: the reflected step
constexpr int TdtStartFlag = 1;
constexpr int ReferenceMemory = 3;  // M4
constexpr int ReferenceHintMs = 7000;
constexpr TColor FailedRed{0x0000FF};
constexpr TColor CompleteGreen{0x008000};

std::string ChannelNode(int channel) { return channel == TdrChannel2 ? "TDR:Ch2:" : "TDR:Ch1:"; }
std::string ChName(int channel) { return channel == TdrChannel2 ? "Ch2:" : "Ch1:"; }

double MeanOf(const double* y, int first, int last) {
    double sum = 0;
    for (int i = first; i <= last; ++i) sum += y[i];
    return sum / (last - first + 1);
}

std::string Eng(double value, const std::string& unit) { return FloatToEngStr(3, 6, false, false, value) + unit; }

}  // namespace

// ------------------------------------------------------------------------------------ the arithmetic

int TdrCalibrationProgress(int count, bool tdrMode, bool secondPhase) {
    int progress = static_cast<int>(std::lround(count * 100.0 / TdrCalibrationAcquisitions));
    if (tdrMode) progress = (progress + 1) / 2;
    if (tdrMode && secondPhase) progress += 50;
    return progress;
}

double TdrCalibrationPlateau(const TSignalObj& average) { return MeanOf(average.Data1(), PlateauFirst, PlateauLast); }

TTdrCalibrationResult ComputeTdrCalibration(const TSignalObj& average, double zeroLevel) {
    TTdrCalibrationResult r;
    const double* y = average.Data1();
    const double plateau = TdrCalibrationPlateau(average);
    r.Amplitude = std::abs(zeroLevel - plateau);
    r.Baseline = zeroLevel;
    if (r.Amplitude < SmallestStep) {
        r.Failure = 3;
        return r;
    }
    const double d = plateau > zeroLevel ? 1.0 : -1.0;
    const double mid = (zeroLevel + plateau) / 2;
    int index = -1;
    for (int i = 0; i < TdrCalibrationPoints && index < 0; ++i)
        if (d * y[i] > d * mid) index = i;
    // A step inside the plateau's window mixes levels from before it into the amplitude.
    if (index < 0 || index >= PlateauFirst) {
        r.Failure = 2;
        return r;
    }
    r.RefPlaneTime = average.IndexToTime(index - 0.5);
    return r;
}

TTdrCalibrationResult ComputeTdtCalibration(TSignalObj& average, bool inverted) {
    TTdrCalibrationResult r;
    double* y = average.Data1();
    const int n = TdrCalibrationPoints;
    if (inverted)
        for (int i = 0; i < n; ++i) y[i] = -y[i];
    const auto [lo, hi] = std::minmax_element(y, y + n);
    const double min = *lo, max = *hi;
    if (max - min < SmallestStep) {
        r.Failure = 1;
        return r;
    }
    const double lowerThird = (max + 2 * min) / 3, upperThird = (2 * max + min) / 3, middle = (min + max) / 2;
    if (y[0] > lowerThird || !(y[n - 1] > upperThird)) {
        r.Failure = 2;
        return r;
    }
    int step = 0;
    while (step < n && !(y[step] > middle)) ++step;
    // The plateau is taken from points 400 to 600: a later step would mix its foot into it.
    if (step >= PlateauFirst) {
        r.Failure = 2;
        return r;
    }
    const double interval = std::abs(average.SampleInterval());
    int span = interval > 0 ? static_cast<int>(std::lround(TdtBaselineSpan / interval)) : step;
    span = std::clamp(span, 0, step);
    const double baseline = MeanOf(y, step - span, step - span / 2);
    const double plateau = TdrCalibrationPlateau(average);
    r.Amplitude = plateau - baseline;
    r.Baseline = inverted ? -baseline : baseline;
    const double half = (baseline + plateau) / 2;
    int index = 0;
    while (index < n - 1 && !(y[index] > half)) ++index;
    r.RefPlaneTime = average.IndexToTime(index - 0.5);
    return r;
}

// ------------------------------------------------------------------------------------ the run

TTdrChannelCalibration::TTdrChannelCalibration(TShell& shell, TTdrSettings& settings)
    : Shell_(shell), Settings_(settings), Sum_(std::make_unique<TSignalObj>()) {}

TTdrChannelCalibration::~TTdrChannelCalibration() = default;

std::string TTdrChannelCalibration::BaselineCaption() const { return TdrMode_ ? "Baseline:" : "Initial Voltage:"; }

void TTdrChannelCalibration::Changed() {
    if (View) View->Changed(*this);
}

void TTdrChannelCalibration::Setting(const std::string& header, const std::string& value) {
    if (FindSetting<THandler>(Shell_.CommandTree(), header)) Shell_.ExecuteCommandString(header + " " + value);
}

void TTdrChannelCalibration::Request() {
    // One Single per acquisition the run needs.
    Shell_.SingleOn = true;
}

void TTdrChannelCalibration::Tell(const std::string& text, int who) {
    // The user's press and a remote command get it as a message (a command's becomes its reply);
    // a line the program runs itself as a hint and a log line.
    if (who == wcvSwitcher || who == wcvRemote)
        Shell_.User().ShowErrorDlg(text);
    else
        Shell_.ShowProgramMessage(text, false);
}

void TTdrChannelCalibration::TellOutcome() {
    const std::function<void(const std::string&)> later = std::move(Later_);
    Later_ = nullptr;
    if (later)
        later(Outcome_);
    else if (!Outcome_.empty())
        Shell_.ShowProgramMessage(Outcome_, false);
}

std::int64_t TTdrChannelCalibration::NowMs() {
    TInstrumentLink* link = Shell_.Link();
    return link ? link->Clock().NowMs() : 0;
}

void TTdrChannelCalibration::DoVertCalibr(int channel, const THandler& command) {
    const TWhoChanged who = command.GetWhoChanged();
    const bool byUser = who == wcvSwitcher;
    if (!Start(channel, byUser)) {
        if (!Refusal_.empty()) Tell(Refusal_, who);
        return;
    }
    // The command's reply waits for the close; the acquisition steps the run meanwhile.
    ByRemote_ = who == wcvRemote;
    if (ByRemote_ && Shell_.DeferRemoteReply) Later_ = Shell_.DeferRemoteReply();
}

std::string TTdrChannelCalibration::UndoRefusal() const {
    if (!Open_) return {};
    return UndoWaitText(Title_);
}

bool TTdrChannelCalibration::Start(int channel, bool byUser) {
    Refusal_.clear();
    if (Open_) {
        Refusal_ = TdrRunOpenText(Title_);
        return false;
    }
    if (Settings_.Normalization && Settings_.Normalization->Open()) {
        Refusal_ = TdrRunOpenText(Settings_.Normalization->Title());
        return false;
    }
    if (!Settings_.IsTdrActive()) {
        Refusal_ = "The channel calibration needs the TDR or TDT mode.";
        return false;
    }
    if (!Shell_.Records() || !Shell_.AcqEnabled) {
        Refusal_ = "The channel calibration needs a running instrument.";
        return false;
    }
    TdrMode_ = Settings_.TdrModeIsTdr();
    const std::string key = TdrMode_ ? "TDRChCalibrPerform" : "TDTChCalibrPerform";
    if (byUser && !Shell_.User().ConfirmOkCancel(FormatDot(Shell_.LangStr(key), ChannelNumber(channel)))) return false;

    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
    RunOn_ = Shell_.RunOn;
    SingleOn_ = Shell_.SingleOn;
    Shell_.RunOn = false;
    Shell_.SingleOn = false;
    const TTdrSettings::TChannelHandlers& h = Settings_.Channel(channel);
    Saved_ = {GetValue(h.RefAmpl), GetValue(h.BaseLine), GetValue(h.RefTDTAmpl), GetValue(h.RefTDTZero), GetValue(h.RefPlane)};

    Channel_ = channel;
    SourceIndex_ = channel == TdrChannel2 ? ssCh2 : ssCh1;
    AutoClose_ = !byUser;
    Inverted_ = h.Polar && h.Polar->GetItemIndex() == 1;
    SecondPhase_ = false;
    Succeeded_ = false;
    ValuesVisible_ = true;
    Count_ = 0;
    ZeroLevel_ = 0;
    Result_ = {};
    Progress_ = 0;
    const std::string mode = Settings_.ModeName();
    Title_ = FormatDot(Shell_.LangStr("Vert___cal_Ch_N"), mode, ChannelNumber(channel));
    Status_ = FormatDot(Shell_.LangStr("___StaticCalibration"), mode);
    StatusColor_ = TColor{};
    ErrorText_.clear();
    AmplitudeText_.clear();
    BaselineText_.clear();
    RefPlaneText_.clear();
    Outcome_.clear();
    Later_ = nullptr;
    ByRemote_ = false;
    Question_.reset();
    LastProgressMs_ = NowMs();
    Open_ = true;
    if (View) View->Opened(*this);
    Prepare();
    Collecting_ = true;
    Request();
    Changed();
    return true;
}

int TTdrChannelCalibration::StallCheck() {
    // A question waiting for its answer is no stall: nothing is asked of the instrument meanwhile.
    if (!Open_ || !AutoClose_ || !Collecting_) return -1;
    const auto left = LastProgressMs_ + StallSeconds * 1000 - NowMs();
    if (left > 0) return static_cast<int>(left);
    Stalled();
    return -1;
}

void TTdrChannelCalibration::Stalled() {
    Collecting_ = false;
    Succeeded_ = false;
    Status_ = Shell_.LangStr("CalibrationFailed");
    StatusColor_ = FailedRed;
    ErrorText_ = "No acquisition came for " + std::to_string(StallSeconds) + " s.";
    ValuesVisible_ = false;
    Changed();
    Close(false);
}

void TTdrChannelCalibration::Prepare() {
    // One undo step that the close takes back.
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    // The generator's circuit is part of the set-up: the close puts the user's back.
    if (TdrMode_)
        SetChannelGeneratorFlag(Shell_, Channel_, TdrStartFlag);
    else
        SetChannelGeneratorFlag2(Shell_, Channel_, TdtStartFlag);
    const std::string own = ChName(Channel_), other = Channel_ == TdrChannel2 ? "Ch1:" : "Ch2:";
    Setting(own + "Display", "On");
    Setting(other + "Display", "Off");
    Setting(other + "Acquire", "Off");
    if (auto* band = FindSetting<TRadioSwHandler>(Shell_.CommandTree(), own + "Band"); band && !band->Items().empty())
        Setting(own + "Band", band->Items().front());
    Setting(own + "Offset", "0");
    Setting(ChannelNode(Channel_) + "VertScale", "Volt");
    Setting(ChannelNode(Channel_) + "VertTDTScale", "Volt");
    Setting("Acq:" + own + "Mode", "Sample");
    Setting("Acq:" + own + "RecLen", std::to_string(TdrCalibrationPoints));
    Setting("TB:Units", "Time");
    Setting("TB:Mode", "A");
    Setting("TB:ScaleA", "1e-8");
    Setup_.Take(Shell_.UndoBuffer());
}

void TTdrChannelCalibration::TdrChannelCalibrationStep() {
    if (!Open_ || !Collecting_ || Shell_.SingleOn) return;
    const TSignalObj& record = Shell_.Records()->Record(SourceIndex_);
    ++Count_;
    LastProgressMs_ = NowMs();
    Progress_ = TdrCalibrationProgress(Count_, TdrMode_, SecondPhase_);
    if (!Add(record)) {
        // Never read past a short record: that is no step inside the record.
        Collecting_ = false;
        Result_ = {.Failure = 2};
        Compute();
        return;
    }
    if (Count_ < TdrCalibrationAcquisitions) {
        Request();
        Changed();
        return;
    }
    double* y = Sum_->Data1();
    for (int i = 0; i < TdrCalibrationPoints; ++i) y[i] /= TdrCalibrationAcquisitions;
    if (TdrMode_ && !SecondPhase_) {
        if (!EndPhase()) return;
        Request();
        Changed();
        return;
    }
    Collecting_ = false;
    Result_ = TdrMode_ ? ComputeTdrCalibration(*Sum_, ZeroLevel_) : ComputeTdtCalibration(*Sum_, Inverted_);
    Compute();
}

bool TTdrChannelCalibration::Add(const TSignalObj& record) {
    if (record.Length() < TdrCalibrationPoints) return false;
    if (Count_ == 1) {
        Sum_->AssignWithData(record);
        Sum_->SetLength(TdrCalibrationPoints);
        std::copy_n(record.Data1(), TdrCalibrationPoints, Sum_->Data1());
        return true;
    }
    double* y = Sum_->Data1();
    const double* v = record.Data1();
    for (int i = 0; i < TdrCalibrationPoints; ++i) y[i] += v[i];
    return true;
}

bool TTdrChannelCalibration::EndPhase() {
    SetChannelGeneratorFlag(Shell_, Channel_, TdrSecondFlag);
    Changed();
    const std::string text = Shell_.LangStr("TDRChCalibrContinue");
    if (AutoClose_) {
        // A run by itself asks aside: the window, the clients and the stall rule wait for the answer.
        // Where nobody can give it, a remote command's script stands for the operator (OK: the second
        // phase's own check fails a step not connected); a line the program ran takes Cancel.
        Collecting_ = false;
        const std::shared_ptr<int> question = Question_ = std::make_shared<int>(0);
        Changed();
        auto answered = [this, asked = std::weak_ptr<int>(question)](bool ok) {
            if (!asked.expired()) SecondPhaseAnswered(ok);
        };
        if (ByRemote_)
            Shell_.User().ConfirmOkCancelForCommandLater(text, std::move(answered));
        else
            Shell_.User().ConfirmOkCancelLater(text, std::move(answered));
        return false;
    }
    if (!Shell_.User().ConfirmOkCancel(text)) {
        Close(false);
        return false;
    }
    BeginSecondPhase();
    return true;
}

void TTdrChannelCalibration::BeginSecondPhase() {
    ZeroLevel_ = TdrCalibrationPlateau(*Sum_);
    Count_ = 0;
    SecondPhase_ = true;
}

void TTdrChannelCalibration::SecondPhaseAnswered(bool ok) {
    Question_.reset();
    if (!Open_) return;
    if (!ok) {
        Close(false);
        return;
    }
    BeginSecondPhase();
    Collecting_ = true;
    LastProgressMs_ = NowMs();
    Request();
    Changed();
}

void TTdrChannelCalibration::Compute() {
    Succeeded_ = Result_.Failure == 0;
    if (Succeeded_) {
        Status_ = Shell_.LangStr("CalibrationComplete");
        StatusColor_ = CompleteGreen;
        const std::string& unit = Sum_->GetVertUnit();
        AmplitudeText_ = Eng(Result_.Amplitude, unit);
        BaselineText_ = Eng(Result_.Baseline, unit);
        RefPlaneText_ = Eng(Result_.RefPlaneTime, Sum_->HorUnit());
    } else {
        Status_ = Shell_.LangStr("CalibrationFailed");
        StatusColor_ = FailedRed;
        ErrorText_ = Shell_.LangStr("TDR_Ch_Cal_Er_" + std::to_string(Result_.Failure));
        ValuesVisible_ = false;
    }
    Changed();
    if (AutoClose_) Close(Succeeded_);
}

void TTdrChannelCalibration::WriteReference() {
    // The reference goes in with the sign it was acquired with.
    TSignalObj& record = Shell_.Records()->Record(SourceIndex_);
    record.AssignWithData(*Sum_);
    if (Inverted_)
        for (int i = 0; i < TdrCalibrationPoints; ++i) record.Data1()[i] = -record.Data1()[i];
    record.SetChangedFlags();
    if (TSaveRecall* save = Shell_.SaveRecall()) save->SaveSignalToMemory(SourceIndex_, ReferenceMemory);
    Shell_.Display().PushHint(Shell_.LangStr("RefSavedIntiMem4"), ReferenceHintMs);
}

void TTdrChannelCalibration::Close(bool ok) {
    if (!Open_) return;
    ok = ok && Succeeded_;
    if (ok)
        Outcome_.clear();
    else if (!ErrorText_.empty())
        Outcome_ = Status_ + ": " + ErrorText_;
    else
        Outcome_ = "Calibration canceled.";
    Collecting_ = false;
    Question_.reset();
    // While the set-up still shows the channel, so the memory takes its record.
    if (ok && !TdrMode_) WriteReference();
    Setup_.Restore(Shell_.UndoBuffer(), Shell_.CommandTree());
    const TTdrSettings::TChannelHandlers& h = Settings_.Channel(Channel_);
    if (ok) {
        if (TdrMode_) {
            if (h.RefAmpl) h.RefAmpl->SetValue(Result_.Amplitude);
            if (h.BaseLine) h.BaseLine->SetValue(Result_.Baseline);
        } else {
            if (h.RefTDTAmpl) h.RefTDTAmpl->SetValue(Result_.Amplitude);
            if (h.RefTDTZero) h.RefTDTZero->SetValue(Result_.Baseline);
        }
        if (h.RefPlane) h.RefPlane->SetValue(Result_.RefPlaneTime);
        Settings_.SetCalibrated(Channel_, true);
        if (Settings_.Hooks.UpdateChannelScaleMnemonics) Settings_.Hooks.UpdateChannelScaleMnemonics(Channel_);
    } else {
        TDoubleEditHandler* values[5] = {h.RefAmpl, h.BaseLine, h.RefTDTAmpl, h.RefTDTZero, h.RefPlane};
        for (std::size_t k = 0; k < 5; ++k)
            if (values[k]) values[k]->SetValue(Saved_[k]);
    }
    Open_ = false;
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
    Shell_.RunOn = RunOn_;
    Shell_.SingleOn = SingleOn_;
    if (View) View->Closed(*this);
    if (AutoClose_) TellOutcome();
}

}  // namespace vt
