#include "acq/AutoCalibration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "acq/SignalSources.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/EngineeringText.h"
#include "core/Numeric.h"
#include "core/RunningStat.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/TextHelpers.h"
#include "core/UndoBuffer.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr TColor Green{0x008000};
constexpr std::string_view WaitLabel = "Calibrating!   Wait a few sec...";
enum : std::uint32_t { calPowerOn = 1, calPeriod = 2, calTemperat = 4 };

// The fixed measuring setup of the channel run, applied as one undo step.
constexpr std::array<std::string_view, 16> MeasuringSetup = {
    "Ch1:Display On",      "Ch1:Band Full",       "Ch1:Offset 0",        "Ch2:Display On",
    "Ch2:Band Full",       "Ch2:Offset 0",        "Acq:Ch1:Mode Sample", "Acq:Ch1:RecLen 1024",
    "Acq:Ch2:Mode Sample", "Acq:Ch2:RecLen 1024", "Acq:FitTo Multi",     "TB:Units Time",
    "TB:Mode A",           "TB:ScaleA 1e-7",      "Trig:Source IntClock", "Trig:IntRate 1.1e-5",
};

double AttenuationFactor(TCommandTree* tree, int ch) {
    const std::string prefix = ch == 0 ? "Ch1:Atten:" : "Ch2:Atten:";
    switch (ReadChoiceSetting(tree, prefix + "Unit", 0)) {
        case 1: return ReadRealSetting(tree, prefix + "Ratio", 1);
        case 2: return std::pow(10.0, ReadRealSetting(tree, prefix + "DB", 0) / 20);
        default: return 1;
    }
}

// A reply that is no integer is an error: -1.
std::int32_t ReplyInt(const TReply& reply) {
    long long n = 0;
    if (!reply.Received() || !TryStrToInt(TrimWhite(reply.Text), n) || n < INT32_MIN || n > INT32_MAX) return -1;
    return static_cast<std::int32_t>(n);
}

}  // namespace

// ------------------------------------------------------------------------------------- status words

void SplitCalibrationStatus(std::int32_t word, int& stage, int& subStep) {
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(word));
    stage = static_cast<int>(magnitude & 0xFFFF) * (word < 0 ? -1 : 1);
    subStep = static_cast<int>(magnitude >> 16);
}

std::int32_t CalibrationStatusWord(int stage, int subStep) {
    const std::int32_t magnitude = (subStep << 16) | (std::abs(stage) & 0xFFFF);
    return stage < 0 ? -magnitude : magnitude;
}

int CalibrationProgress(int stage, int subStep) {
    if (stage < 0) return 0;
    auto at = [subStep](double base, double factor) { return static_cast<int>(base + RoundHalfEven(subStep * factor)); };
    switch (stage) {
        case 0: return 0;
        case 1: return at(0, 0.4);
        case 10: return at(40, 0.2);
        case 20: return at(60, 1.0);
        case 30: return at(63, 3.0 / 13);
        case 110: return 78;
        case 120: return at(78, 1.0);
        case 130: return at(81, 3.0 / 13);
        case 200: return at(96, 1.0);
        default: return 100;
    }
}

std::string CalibrationStatusText(int stage, int subStep) {
    if (stage == 255) return "OK";
    return (stage < 0 ? "-" : " ") + std::to_string(std::abs(stage)) + "." + std::to_string(subStep);
}

std::int32_t TSimulatedCalibrationStatus::Next() {
    static constexpr std::array<int, 10> Stages = {0, 1, 10, 20, 30, 110, 120, 130, 200, 255};
    const int stage = Stages[Index_];
    const std::int32_t word = CalibrationStatusWord(stage, SubStep_);
    int length = 0;
    switch (stage) {
        case 1: case 10: length = 100; break;
        case 20: case 120: length = 3; break;
        case 30: case 130: length = 65; break;
        case 200: length = 1; break;
        default: break;
    }
    SubStep_ += std::max(length / 10, 1);
    if (SubStep_ >= length && Index_ + 1 < Stages.size()) {
        ++Index_;
        SubStep_ = 0;
    }
    return word;
}

// --------------------------------------------------------------------------------------- the feature

TAutoCalibration::TAutoCalibration(TShell& shell, TCalibrAdjust& values, TLinkClock* clock)
    : Shell_(shell), Values_(values), Clock_(clock) {
    Values_.SetAutoCalibration(this);
}

void TAutoCalibration::FillRows(TShell& shell) {
    shell.AcqCycle.Add(TAcqCycleRow::MeasureChannelsResidualSignal, [this](TShell&) {
        MeasureChannelsResidualSignal();
        return false;
    });
    shell.IdleHousekeeping.Add(TIdleHousekeepingRow::AutoCalibrationDue, [this](TShell& s) {
        if (s.AutoCalRequest && !Running_ && !s.CalibrationRunning) {
            s.AutoCalRequest = false;
            CheckAutoCalibrationDue();
            // The next check comes 5000 ms on; a run (or another calibration) keeps the timer stopped.
            if (!Running_ && !s.CalibrationRunning) s.AutoCalTimerEnabled = true;
        }
        // The one place that steps a run: between acquisition cycles, or each idle pass while none runs.
        if (Step() && WaitsForTime()) {
            const int wait = static_cast<int>(std::max<std::int64_t>(0, Deadline_ - Now()));
            s.WakeIdleWithin(wait);
        }
        return false;
    });
}

int TAutoCalibration::CheckDeadlines(TShell&) {
    // The measuring setup's cycle may never come (acquisitions stopped, stepping suspended), and then
    // no housekeeping steps the run either: its failure is due here.
    if (!Running_ || State_ != TCalState::ChWaitCycle) return -1;
    const std::int64_t left = Deadline_ - Now();
    if (left > 0) return static_cast<int>(left);
    // Its end talks to the instrument: never in the middle of another exchange.
    const TInstrumentLink* link = Shell_.Link();
    if (link && link->Busy()) return StatusPollMs;
    Step();
    return -1;
}

bool TAutoCalibration::WaitsForTime() const {
    switch (State_) {
        case TCalState::TbCoarse:
        case TCalState::TbFine:
        case TCalState::ChWaitCycle:
        case TCalState::ChPolling: return true;
        default: return false;  // a question or a result that waits for the user's click
    }
}

std::int64_t TAutoCalibration::Now() {
    if (Clock_) return Clock_->NowMs();
    TInstrumentLink* link = Shell_.Link();
    return link ? link->Clock().NowMs() : OwnClock_.NowMs();
}

void TAutoCalibration::AttachToProgram(TShell&) { Values_.SetAutoCalibration(this); }

void TAutoCalibration::InstrumentStopped(TShell&) {
    if (Running_ && Asking_) EndRun();
}

bool TAutoCalibration::Connected() const {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->IsInstrumentConnected();
}

bool TAutoCalibration::SecondLine() const {
    const TInstrumentIdentityUnit* unit = Shell_.Identity();
    return unit && unit->Identity.IsModelFamilyB();
}

void TAutoCalibration::Changed() {
    if (View) View->PartChanged(*this);
}

void TAutoCalibration::SetResult(int value) { WriteRealSetting(Shell_.CommandTree(), "FLASH:Calibr:AutocalResult", value); }

// ---------------------------------------------------------------------------------------- due check

bool TAutoCalibration::ReadTemperature(double& t) {
    // Exempt: asking the temperature never breaks a running acquisition.
    TInstrumentLink& link = *Shell_.Link();
    if (!link.SendCommand("Info:GetTemp?", true)) return false;
    const TReply reply = link.ReadReply();
    return reply.Received() && TryStrToFloatDot(TrimWhite(reply.Text), t);
}

void TAutoCalibration::ReadReferenceTemperature() {
    if (Connected()) {
        double t = 0;
        if (ReadTemperature(t)) Due_.LastCalibrationTemperature = t;
    } else {
        Due_.LastCalibrationTemperature = Due_.SimulatedTemperature;
    }
}

void TAutoCalibration::CheckAutoCalibrationDue() {
    if (Running_) return;
    TCommandTree* tree = Shell_.CommandTree();
    const std::uint32_t when = ReadMaskSetting(tree, "Util:CalibrWhen", 0);
    const double now = static_cast<double>(Now());
    if (Due_.StartMs < 0) Due_.StartMs = now - 1e-6 * 86400000.0;
    bool temperatureKnown = true;
    double t = 0;
    if (Connected()) {
        temperatureKnown = ReadTemperature(t);
    } else {
        Due_.SimulatedTemperature += (50 - Due_.SimulatedTemperature) / 200;
        t = Due_.SimulatedTemperature;
    }
    const double m = (now - Due_.StartMs) / 60000.0;
    int reason = 0;
    if ((when & calPowerOn) && !Due_.PowerOnDone && 0 <= m + 0.1)
        reason = 1;
    else if ((when & calTemperat) && temperatureKnown &&
             std::abs(t - Due_.LastCalibrationTemperature) + 0.1 >= ReadRealSetting(tree, "Util:TempChange", 3))
        reason = 2;
    else if ((when & calPeriod) &&
             ReadRealSetting(tree, "Util:CalPeriod", 1) * 60 < std::abs(m - Due_.LastCalibrationMinutes) + 0.1)
        reason = 3;
    if (reason == 0) return;
    const TInstrumentLink* link = Shell_.Link();
    if (Shell_.GuiRemote || !link || link->LinkKind() == TInstrumentLinkKind::None || !Shell_.AppActive) return;
    // The bookkeeping counts only a calibration that really starts.
    if (reason == 1) Due_.PowerOnDone = true;
    Due_.LastCalibrationMinutes = m;
    if (temperatureKnown) Due_.LastCalibrationTemperature = t;
    Shell_.AutoCalTimerEnabled = false;
    Automatic_ = true;
    RunCalibration(5, reason, true);
}

std::string TAutoCalibration::ConfirmationText(TCalPart part) const {
    TCommandTree* tree = Shell_.CommandTree();
    std::string first;
    switch (Reason_) {
        case 1:
            first = FormatDot(Shell_.LangStr("PowerOnCal"),
                              static_cast<int>(RoundHalfEven(std::max(0.0, Due_.LastCalibrationMinutes))));
            break;
        case 2: first = FormatDot(Shell_.LangStr("TempChangeCal"), ReadRealSetting(tree, "Util:TempChange", 3)); break;
        case 3: first = FormatDot(Shell_.LangStr("PeriodCal"), ReadRealSetting(tree, "Util:CalPeriod", 1)); break;
        default: break;
    }
    return first + "\r\n" + Shell_.LangStr(part == TCalPart::Timebase ? "TBCalibrPerform" : "ChCalibrPerform") +
           Shell_.LangStr("CalibrPerform2");
}

// --------------------------------------------------------------------------------------------- runs

void TAutoCalibration::RunCalibration(int kind, int reason, bool confirm) {
    if (Running_ || Shell_.CalibrationRunning) {
        // A script's second run, or one asked while the converter's calibration runs, starts
        // nothing: it never replies as one that ran.
        if (!confirm && Shell_.DeferRemoteReply)
            if (const auto later = Shell_.DeferRemoteReply()) later("ERROR");
        if (!Running_) Automatic_ = false;
        return;
    }
    Parts_.clear();
    if (kind == 2 || kind == 5) Parts_.push_back(TCalPart::Timebase);
    if (kind == 1 || kind == 5) Parts_.push_back(TCalPart::Channels);
    if (Parts_.empty()) return;
    Reason_ = reason;
    Confirm_ = confirm;
    Running_ = true;
    Failure_.clear();
    // A script's run holds its reply until it ends; its parts are stepped without a modal dialog, and
    // every other client is served meanwhile.
    Later_ = !confirm && !Automatic_ && Shell_.DeferRemoteReply ? Shell_.DeferRemoteReply() : nullptr;
    Aside_ = Later_ != nullptr;
    Shell_.CalibrationRunning = true;
    // No due check starts while a run holds the timer stopped.
    TimerWasOn_ = Shell_.AutoCalTimerEnabled;
    Shell_.AutoCalTimerEnabled = false;
    NextPart();
}

void TAutoCalibration::NextPart() {
    while (!Parts_.empty()) {
        const TCalPart part = Parts_.front();
        Parts_.erase(Parts_.begin());
        if (Confirm_ && Automatic_) {
            // The program asks by itself: nothing waits for the answer, which starts the part or, as
            // Cancel, goes on to the next one.
            Asking_ = true;
            Shell_.User().ConfirmOkCancelLater(ConfirmationText(part), [this, part, run = RunNumber_](bool ok) {
                if (!Asking_ || run != RunNumber_) return;
                Asking_ = false;
                if (ok) BeginPart(part);
                else NextPart();
            });
            return;
        }
        // Cancel of the question ends that part only.
        if (Confirm_ && !Shell_.User().ConfirmOkCancel(ConfirmationText(part))) continue;
        BeginPart(part);
        return;
    }
    EndRun();
}

void TAutoCalibration::BeginPart(TCalPart part) {
    Part_ = part;
    Succeeded_ = false;
    LabelText_ = WaitLabel;
    LabelColor_ = clBlack;
    if (part == TCalPart::Timebase) StartTimebase();
    else StartChannels();
    if (!View) return;  // stepped from outside; its end starts the next part
    if (Aside_) {
        View->RunAside(*this, part);
        return;
    }
    // The user's run shows each part in a dialog until it is closed; the idle pass steps the part
    // meanwhile, the dialog only shows it.
    View->ShowPart(*this, part);
    NextPart();
}

void TAutoCalibration::EndRun() {
    ++RunNumber_;
    Asking_ = false;
    Part_ = TCalPart::None;
    State_ = TCalState::Idle;
    Running_ = false;
    Shell_.CalibrationRunning = false;
    Shell_.Display().MarkAcquisitionRedraw();
    Shell_.AutoCalTimerEnabled = Automatic_ || TimerWasOn_;
    Automatic_ = false;
    Aside_ = false;
    Reply();
}

void TAutoCalibration::Reply() {
    const std::function<void(const std::string&)> later = std::move(Later_);
    Later_ = nullptr;
    if (later) later(Failure_);
}

bool TAutoCalibration::Step() {
    if (!Running_) return false;
    if (Now() < Deadline_) return true;
    switch (State_) {
        case TCalState::TbCoarse: MeasureCoarse(); break;
        case TCalState::TbFine: MeasureFine(); break;
        case TCalState::ChPolling: PollStatus(); break;
        case TCalState::ChWaitCycle:
            // No acquisition cycle came: the run fails.
            if (Failure_.empty()) Failure_ = Shell_.LangStr("CalibrationFailed");
            UndoMeasuringSetup();
            EndPart(false);
            break;
        default: break;
    }
    return Running_;
}

// ---------------------------------------------------------------------------------------- timebase

void TAutoCalibration::StartTimebase() {
    WasCalibrModified_ = Values_.FlashChange().CalibrChanged();
    SavedCoarse_ = ReadRealSetting(Shell_.CommandTree(), "FLASH:Calibr:CoarseTB", 4.6e-9);
    SavedFine_ = ReadRealSetting(Shell_.CommandTree(), "FLASH:Calibr:FineTB", 18333);
    CoarseText_.clear();
    FineText_.clear();
    State_ = TCalState::TbCoarse;
    Deadline_ = Now();
}

void TAutoCalibration::MeasureCoarse() {
    std::int32_t value = 30667;
    if (Connected()) {
        const TReply reply = Shell_.Link()->QueryCommand("CALIBR:TB:MEASTGUN?");
        value = ReplyInt(reply);
    }
    Coarse_ = value;
    if (value < 0) {
        CoarseText_ = "Error";
        CoarseColor_ = clRed;
    } else {
        CoarseText_ = FloatToEngStr(3, 5, false, false, value * 1.5e-13) + "s";
        CoarseColor_ = Green;
    }
    State_ = TCalState::TbFine;
    Changed();
}

void TAutoCalibration::MeasureFine() {
    std::int32_t value = SecondLine() ? 36387 : 18333;
    if (Connected()) {
        TInstrumentLink& link = *Shell_.Link();
        TReply reply = link.QueryCommand("CALIBR:TB:MEASGainDAC?");
        for (int more = 0; more < 2 && reply.ShownText() == "Timeout"; ++more) reply = link.ReadReply();
        value = ReplyInt(reply);
    }
    Fine_ = value;
    FineText_ = value < 0 ? "Error" : std::to_string(value);
    FineColor_ = value < 0 ? clRed : Green;
    Succeeded_ = Coarse_ >= 1 && Fine_ >= 1;
    LabelText_ = Shell_.LangStr(Succeeded_ ? "CalibrationComplete" : "CalibrationFailed");
    LabelColor_ = Succeeded_ ? Green : clRed;
    if (!Succeeded_ && Failure_.empty()) Failure_ = LabelText_;
    if (Coarse_ > 0) WriteRealSetting(Shell_.CommandTree(), "FLASH:Calibr:CoarseTB", Coarse_ * 1.5e-13);
    if (Fine_ > 0) WriteRealSetting(Shell_.CommandTree(), "FLASH:Calibr:FineTB", Fine_);
    State_ = TCalState::WaitClose;
    Changed();
    if (!Confirm_) ClosePart(Succeeded_);
}

// ---------------------------------------------------------------------------------------- channels

void TAutoCalibration::StartChannels() {
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    WasCalibrModified_ = Values_.FlashChange().CalibrChanged();
    Started_ = false;
    ResidualCode_ = 0;
    Progress_ = 0;
    ProgressVisible_ = true;
    StatusText_.clear();
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    for (std::string_view line : MeasuringSetup) Shell_.ExecuteCommandString(line);
    SetupApplied_ = true;
    State_ = TCalState::ChWaitCycle;
    Deadline_ = Now() + CycleWaitMs;
    // The residual check needs one acquisition.
    if (!Shell_.RunOn && !Shell_.SingleOn) {
        if (FindSetting<THandler>(Shell_.CommandTree(), "*StopSingle"))
            Shell_.ExecuteCommandString("*StopSingle Single");
        else
            Shell_.SingleOn = true;
    }
}

void TAutoCalibration::UndoMeasuringSetup() {
    if (!SetupApplied_) return;
    SetupApplied_ = false;
    TUndoBuffer* undo = Shell_.UndoBuffer();
    TCommandTree* tree = Shell_.CommandTree();
    if (!undo || !tree || undo->UndoEmpty()) return;
    std::optional<TUndoList> list = undo->Undo();
    if (!list) return;
    tree->BeginSettingsLoad();
    for (const TUndoItem& item : *list)
        if (item.Handler) ApplyCommandText(*item.Handler, item.Text);
    undo->ClearRedo();
    tree->EndSettingsLoad();
}

void TAutoCalibration::MeasureChannelsResidualSignal() {
    if (!Running_ || State_ != TCalState::ChWaitCycle) return;
    int code = 0;
    if (TSignalRecords* records = Shell_.Records()) {
        for (int ch = 0; ch < 2; ++ch) {
            const TSignalObj& record = records->Record(ch == 0 ? 0 : 2);
            TStat stat;
            for (int i = 0; i < record.Length(); ++i) stat.Add(1, record.Data1()[i]);
            const double a = AttenuationFactor(Shell_.CommandTree(), ch);
            if (std::abs(stat.Mean / a) > 0.2 || stat.StdDev / a > 0.005) code |= ch + 1;
        }
    }
    UndoMeasuringSetup();
    ContinueWithCode(code);
}

void TAutoCalibration::ContinueWithCode(int code) {
    if (Connected() && code != 0) {
        std::string text = Shell_.LangStr("YouDidntRemoveSignal");
        text += code == 3 ? Shell_.LangStr("sFromBothChannels") : FormatDot(Shell_.LangStr("FromTheChannel_n"), code);
        text += Shell_.LangStr("CalibrationCanceled");
        // A script's reply is one line.
        if (Failure_.empty()) Failure_ = ReplyLine(text);
        if (Confirm_) {
            // The due check's run tells it from the acquisition cycle: nobody waits on a box there.
            if (Automatic_)
                Shell_.ShowProgramMessage(text);
            else
                Shell_.User().ShowErrorDlg(text);
        }
        ResidualCode_ = code;
        SetResult(code);
        EndPart(false);
        return;
    }
    if (Connected()) {
        Shell_.Link()->SendIntCommand("CALIBR:SAMPLER:STARTAUTOCAL", 0);
        Started_ = true;
    } else {
        Simulated_.Reset();
    }
    State_ = TCalState::ChPolling;
    Deadline_ = Now() + StatusPollMs;
    Changed();
}

void TAutoCalibration::PollStatus() {
    const std::int32_t word =
        Connected() ? Shell_.Link()->QueryInt("CALIBR:SAMPLER:STATUSACAL") : Simulated_.Next();
    int stage = 0, sub = 0;
    SplitCalibrationStatus(word, stage, sub);
    Progress_ = CalibrationProgress(stage, sub);
    StatusText_ = CalibrationStatusText(stage, sub);
    if (stage >= 0 && stage != 255) {
        Deadline_ = Now() + StatusPollMs;
        Changed();
        return;
    }
    Succeeded_ = stage == 255;
    if (Succeeded_) {
        LabelText_ = Shell_.LangStr("CalibrationComplete");
        LabelColor_ = Green;
        // A demo run keeps the values it has: without an instrument every query would answer 0.
        if (Connected()) Values_.ReadSamplerCalibration();
    } else {
        StatusText_ = Shell_.LangStr("ErrorCode_") + StatusText_;
        ProgressVisible_ = false;
        LabelText_ = Shell_.LangStr("CalibrationFailed");
        LabelColor_ = clRed;
        if (Failure_.empty()) Failure_ = LabelText_ + " (" + StatusText_ + ")";
    }
    State_ = TCalState::WaitClose;
    Changed();
    if (!Confirm_) ClosePart(Succeeded_);
}

// ------------------------------------------------------------------------------------------ endings

void TAutoCalibration::ClosePart(bool ok) {
    if (!Running_ || State_ == TCalState::Idle) return;
    ok = ok && Succeeded_ && State_ == TCalState::WaitClose;
    EndPart(ok);
}

void TAutoCalibration::EndPart(bool ok) {
    TCommandTree* tree = Shell_.CommandTree();
    if (!ok && Failure_.empty()) Failure_ = "ERROR";
    if (Part_ == TCalPart::Timebase) {
        if (ok) {
            SetResult(0);
        } else {
            SetResult(5);
            WriteRealSetting(tree, "FLASH:Calibr:CoarseTB", SavedCoarse_);
            WriteRealSetting(tree, "FLASH:Calibr:FineTB", SavedFine_);
            Values_.FlashChange().SetCalibrChanged(WasCalibrModified_);
        }
    } else if (Part_ == TCalPart::Channels) {
        UndoMeasuringSetup();
        // Closing with Cancel tells the instrument to abort what it was told to start.
        if (!ok && Started_ && Connected()) Shell_.Link()->SendIntCommand("CALIBR:SAMPLER:STARTAUTOCAL", -1);
        if (ok) {
            SetResult(0);
        } else {
            // A residual-signal code of this run stands; an older one does not.
            SetResult(ResidualCode_ != 0 ? ResidualCode_ : 5);
            if (FindSetting<THandler>(tree, "FLASH:Calibr:RecallAll")) Shell_.ExecuteCommandString("FLASH:Calibr:RecallAll");
            Values_.FlashChange().SetCalibrChanged(WasCalibrModified_);
        }
    }
    Started_ = false;
    State_ = TCalState::Idle;
    Part_ = TCalPart::None;
    Deadline_ = 0;
    Changed();
    if (Aside_ && View) View->AsideEnded();
    if (!View || Aside_) NextPart();
}

}  // namespace vt
