#include "acq/Trigger.h"

#include <algorithm>
#include <cmath>

#include "acq/Generator.h"
#include "acq/SignalSources.h"
#include "acq/Timebase.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/WindowBindings.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "link/UtilSettings.h"

namespace vt {

namespace {

constexpr int ExponentMode = 3;
constexpr double HoldoffModelMinimum = 5e-6;
constexpr double HoldoffModelMinimumOld = 5e-5;  // software below 3.10.2 with `Acq:FitTo` Single
constexpr int ScanBitsMost = 64;
constexpr int IndicatorPeriodMs = 1000;
constexpr int PresenceHoldMs = 1000;
constexpr int TrialWaitMs = 100;
constexpr double IntClockSetupPeriod = 1e-5;

TEditConfig Numeric(double minimum, double def, double maximum, int coarseKind, double coarse, int fineKind,
                    double fine, double resolution, const char* units, int digits) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseStep = coarse, .CoarseKind = coarseKind,
            .FineStep = fine, .FineKind = fineKind, .Resolution = resolution, .Units = units,
            .FormatMode = ExponentMode, .Digits = digits};
}

// The prescale of the trigger frequency counter.
double PatternPrescale(double frequency, bool demo) {
    if (frequency < 2.51e8) return 1;
    if (frequency < 5.02e8) return 2;
    if (frequency < 1.004e9) return 4;
    return demo ? 1 : 8;
}

double SourceFactor(int source) {
    switch (source) {
        case tsExtHF: return 32;
        case tsClockRecov: return 4;
        default: return 1;
    }
}

}  // namespace

bool IsPrbsPatternLength(int length) {
    return length > 0 && length < 32768 && ((length + 1) & length) == 0;
}

int PatternInstrumentStartBit(int a, int length, int dividers) {
    if (!IsPrbsPatternLength(length) || dividers <= 0) return a;
    const std::int64_t period = length + 1;
    std::int64_t e = 0;
    if (period < dividers) e = (a % (dividers / period)) * static_cast<std::int64_t>(length);
    const double position = RoundHalfEven(static_cast<double>(a + e) * static_cast<double>(period) / dividers);
    return static_cast<int>(static_cast<std::int64_t>(position) % length);
}

TTrigger::TTrigger(TShell& shell, TTimebase* timebase) : Shell_(shell), Timebase_(timebase) {}

TTrigger::~TTrigger() {
    if (HooksSet_) Shell_.Trigger = {};
}

// ------------------------------------------------------------------------------------------ rows

void TTrigger::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateTrigHandlers,
                           [this](TShell& s) { CreateTrigHandlers(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::ApplyTrigSettings, [this](TShell&) { ApplyTrigSettings(); });
    shell.InstrumentStartSteps.Add(TInstrumentStartRow::UpdateHoldoffTracking,
                                   [this](TShell&) { UpdateHoldoffTracking(); });
    shell.AcqCycle.Add(TAcqCycleRow::StepPatternScanDelay, [this](TShell&) {
        if (PatternSyncOption() && GetItemIndex(LockMode_) != plmOff && GetOn(PattEyeLine_)) StepPatternScanDelay();
        return false;
    });
    shell.Trigger.ApplyHoldoffMinimum = [this] { ApplyHoldoffMinimum(); };
    shell.Trigger.PatternLockActive = [this] { return PatternLockActive(); };
    shell.Trigger.RecheckPatternLock = [this] { RecheckPatternLock(true); };
    shell.Trigger.ShowTrigPresence = [this](int n) { ShowTrigPresence(n); };
    shell.Trigger.RefreshTrigIndicator = [this](int kind) { RefreshTrigIndicator(kind); };
    shell.Trigger.SourceChanged = [this] {
        if (Source_) SourceChanged();
    };
    HooksSet_ = true;
}

// -------------------------------------------------------------------------------------- questions

bool TTrigger::Connected() const {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->IsInstrumentConnected();
}

bool TTrigger::Demo() const {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->LinkKind() == TInstrumentLinkKind::Demo;
}

bool TTrigger::PatternSyncOption() const {
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    return identity && identity->Identity.HasOptPatSyncTrig();
}

std::int64_t TTrigger::NowMs() const {
    TInstrumentLink* link = Shell_.Link();
    return link ? link->Clock().NowMs() : 0;
}

double TTrigger::ScaleA() const { return ReadRealSetting(Shell_.CommandTree(), "TB:ScaleA", 1e-8); }

int TTrigger::Dividers() const { return std::max(1, GetValue(ExtDivider_) * GetValue(IntDivider_)); }

double TTrigger::StartBitFactor() const { return Prbs_ ? 1.0 : Dividers(); }

double TTrigger::AttenuationFactor() const {
    switch (GetItemIndex(AttenUnit_)) {
        case tauRatio: return GetValue(AttenRatio_);
        case tauDB: return std::pow(10.0, GetValue(AttenDB_) / 20);
        default: return 1;
    }
}

bool TTrigger::PatternLockActive() const {
    return PatternSyncOption() && LockMode_ && !LockMode_->IsDisabled() && LockMode_->GetItemIndex() != plmOff;
}

void TTrigger::Break() {
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
}

// ------------------------------------------------------------------------------------ registration

void TTrigger::CreateTrigHandlers(TCommandTree& tree) {
    SetHoldoffMaximum();
    TSpider& root = tree.Root();
    Source_ = &root.AddRadioHandler("Trig:Source", {.Items = "Direct,ExtHF,IntClock,ClockRecov",
                                                    .AfterChange = [this](THandler&) { SourceChanged(); }});
    HeadPower_ = &root.AddRadioHandler("Trig:HeadPower", {.Items = "Smart,Const"});
    TEditConfig level = Numeric(-1, 0, 1, skGrid, 0.01, skGrid, 0.001, 0.0001, "V", 4);
    // The level is held at the instrument's input; it shows and takes the level before the attenuator.
    level.OnFormat = [this](TEditHandler&, double v) {
        return FloatToEngStr(ExponentMode, 4, false, false, AttenuationFactor() * v) + "V";
    };
    level.OnCorrect = [this](TEditHandler&, double v) {
        const double f = AttenuationFactor();
        return f != 0 ? v / f : v;
    };
    ExtLevel_ = &root.AddDoubleEditHandler("Trig:ExtLevel", {.Initial = 0, .Config = level, .AfterChange = [this](THandler&) {
                                                                 if (TInstrumentSenders* s = Shell_.Senders())
                                                                     s->SendTrigLevel(ExtLevel_->GetValue());
                                                             }});
    IntRate_ = &root.AddDoubleEditHandler(
        "Trig:IntRate", {.Initial = 1e-5,
                         .Config = Numeric(1.6e-8, 1e-5, 2e-3, skSnapped125, 1, skGrid, 8e-9, 2.4e-8, "s", 6),
                         .AfterChange = [this](THandler&) {
                             if (TInstrumentSenders* s = Shell_.Senders()) s->SendTrigIntRate(IntRate_->GetValue());
                             Shell_.Display().TopTextShowTrigSource();
                         }});
    Mode_ = &root.AddRadioHandler("Trig:Mode", {.Items = "Free,Trig", .AfterChange = [this](THandler&) {
                                                    Shell_.Display().TopTextShowTrigSource();
                                                    if (TInstrumentSenders* s = Shell_.Senders())
                                                        s->SendTrigMode(Mode_->GetItemIndex());
                                                }});
    Slope_ = &root.AddRadioHandler("Trig:Slope", {.Items = "Pos,Neg", .AfterChange = [this](THandler&) {
                                                      Break();
                                                      if (TInstrumentSenders* s = Shell_.Senders())
                                                          s->SendTrigSlope(Slope_->GetItemIndex());
                                                  }});
    Holdoff_ = &root.AddDoubleEditHandler(
        "Trig:Holdoff",
        {.Initial = 1e-5,
         .Config = Numeric(HoldoffModelMinimum, 1e-4, HoldoffMaximum_, sk125, 1, skGrid, 8e-9, 1e-9, "s", 6),
         .AfterChange = [this](THandler&) { HoldoffChanged(); }});
    Hister_ = &root.AddRadioHandler("Trig:Hister", {.Items = "Norm,HighSens", .AfterChange = [this](THandler&) {
                                                        if (TInstrumentSenders* s = Shell_.Senders())
                                                            s->SendTrigHysteresis(Hister_->GetItemIndex());
                                                    }});
    LowJitter_ = &root.AddOnOffHandler("Trig:LowJitter", {.AfterChange = [this](THandler&) { LowJitterChanged(); }});
    RefFreq_ = &root.AddDoubleEditHandler(
        "Trig:RefFreq", {.Initial = 1.25e9, .Config = Numeric(1e8, 1.25e9, 13e9, skGrid, 2e7, skGrid, 1e5, 5e4, "Hz", 7)});
    RefDivider_ = &root.AddIntEditHandler(
        "Trig:RefDivider", {.Initial = 8, .Config = Numeric(1, 8, 32, skPowerOf2, 1, skGrid, 1, 1, "", 3)});
    AttenUnit_ = &root.AddRadioHandler("Trig:Atten:Unit", {.Items = "Off, Ratio, DB",
                                                           .AfterChange = [this](THandler&) { AttenUnitChanged(); }});
    const auto redisplayLevel = [this](THandler&) { ExtLevel_->NotifySwitchers(); };
    AttenRatio_ = &root.AddDoubleEditHandler(
        "Trig:Atten:Ratio", {.Initial = 1,
                             .Config = Numeric(1e-4, 1, 1e6, sk125, 1, skProportional, 0.001, 1e-6, ":1", 7),
                             .AfterChange = redisplayLevel});
    AttenDB_ = &root.AddDoubleEditHandler(
        "Trig:Atten:DB", {.Initial = 0,
                          .Config = Numeric(-80, 0, 120, skDbLadder, 1, skGrid, 0.2, 0.05, "dB", 6),
                          .AfterChange = redisplayLevel});
    LockMode_ = &root.AddRadioHandler("Trig:PatternLockMode", {.Items = "Off,AutoDetect,Manual",
                                                                .AfterChange = [this](THandler&) { PatternLockChanged(); }});
    DataRateSetting_ = &root.AddDoubleEditHandler(
        "Trig:DataRate",
        {.Initial = 1, .Config = Numeric(0.001, 1, 1e15, skProportional, 1e-6, skProportional, 1e-6, 0.001, "Bit/s", 3)});
    const auto dividerChange = [this](THandler&) { DividerChanged(); };
    IntDivider_ = &root.AddIntEditHandler(
        "Trig:IntDivider", {.Initial = 1, .Config = Numeric(1, 1, 512, skPowerOf2, 1, skNone, 0, 1, "", 1),
                            .AfterChange = dividerChange});
    ExtDivider_ = &root.AddIntEditHandler(
        "Trig:ExtDivider", {.Initial = 1, .Config = Numeric(1, 1, 16, skPowerOf2, 1, skNone, 0, 1, "", 1),
                            .AfterChange = dividerChange});
    PattLen_ = &root.AddIntEditHandler(
        "Trig:PattLen", {.Initial = 127, .Config = Numeric(7, 127, 65535, skPowerOf2, 1, skGrid, 1, 1, "", 6),
                         .AfterChange = [this](THandler&) { PatternLengthChanged(); }});
    TEditConfig delay = Numeric(0, 32, 126, skPowerOf2, 1, skGrid, 1, 1, "bit", 6);
    // The position counts divided trigger periods; it shows and takes bits.
    delay.OnFormat = [this](TEditHandler&, double v) {
        return FloatToEngStr(0, 6, true, false, StartBitFactor() * v) + "bit";
    };
    delay.OnCorrect = [this](TEditHandler&, double v) { return v / StartBitFactor(); };
    PattDelay_ = &root.AddIntEditHandler(
        "Trig:PattDelay", {.Initial = 0, .Config = delay, .AfterChange = [this](THandler&) { StartBitChanged(); }});
    PattAddDelay_ = &root.AddOnOffHandler("Trig:PattAddDelay",
                                          {.AfterChange = [this](THandler&) { PattAddDelayChanged(); }});
    root.AddRightCommandHandler("Trig:ResetPattLock", [this](THandler&) { ResetPattLock(); });
    PattScanBits_ = &root.AddIntEditHandler(
        "Trig:PattScanBits", {.Initial = 1, .Config = Numeric(1, 16, ScanBitsMost, skPowerOf2, 1, skGrid, 1, 1, "", 6)});
    PattEyeLine_ = &root.AddOnOffHandler("Trig:PattEyeLine", {.AfterChange = [this](THandler&) {
                                                                   Break();
                                                                   StartBitChanged();
                                                               }});
    Length_ = PattLen_->GetValue();
    Prbs_ = IsPrbsPatternLength(Length_);
    StartBitLimits();
}

// ---------------------------------------------------------------------------------------- holdoff

void TTrigger::SetHoldoffMaximum() {
    HoldoffMaximum_ = HoldoffMaximumNew;
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    if (Connected() && identity) {
        const TInstrumentIdentity& id = identity->Identity;
        if (!IsVersionAtLeast(id.SWVersion, {3, 7, 4}) || !IsVersionAtLeast(id.FPGAVersion, {0, 3}))
            HoldoffMaximum_ = HoldoffMaximumOld;
    }
    if (Holdoff_) Holdoff_->SetMaxValue(HoldoffMaximum_);
}

double TTrigger::ModelMinimum() const {
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    const bool single = ReadChoiceSetting(Shell_.CommandTree(), "Acq:FitTo", 0) == 1;
    if (identity && single && !IsVersionAtLeast(identity->Identity.SWVersion, {3, 10, 2}))
        return HoldoffModelMinimumOld;
    return HoldoffModelMinimum;
}

void TTrigger::UpdateHoldoffTracking() {
    if (Holdoff_) HoldoffTracking_ = std::fabs(Holdoff_->GetValue() - 15 * ScaleA()) < 1e-15;
}

void TTrigger::ApplyHoldoffMinimum() {
    if (!Holdoff_) return;
    const double m = std::max(15 * ScaleA(), ModelMinimum());
    Holdoff_->SetMinValue(m);
    const double h = Holdoff_->GetValue();
    if (m > h || (m < h && HoldoffTracking_)) {
        HoldoffTracking_ = true;
        Holdoff_->SetValue(m);
    }
}

void TTrigger::HoldoffChanged() {
    const double a = ScaleA();
    HoldoffTracking_ = std::fabs(Holdoff_->GetValue() - 15 * a) < 0.01 * a;
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendTrigHoldOff(Holdoff_->GetValue());
    PatternLengthChanged();
}

// ---------------------------------------------------------------------------------------- pattern

void TTrigger::PatternLengthChanged() {
    if (!PattLen_) return;
    TTutorial* simulator = Shell_.Simulator();
    if (simulator) simulator->DemoSetupPatternGenerators();
    Length_ = static_cast<std::uint16_t>(PattLen_->GetValue());
    const int sent = Length_ < 32768 ? 2 * Length_ : Length_;
    if (PatternSyncOption())
        if (TInstrumentLink* link = Shell_.Link()) link->SendIntCommand("Pattern:Length", sent);
    if (simulator) simulator->DemoSetRandomRange(PattLen_->GetValue());
    StartBitLimits();
}

void TTrigger::StartBitLimits() {
    if (!PattDelay_) return;
    const int d = Dividers();
    Prbs_ = IsPrbsPatternLength(Length_);
    const int whole = Prbs_ ? 2 * Length_ : Length_;
    const int e = Prbs_ ? Length_ - 1 : Length_ / d - (Length_ % d == 0 ? 1 : 0);
    PattDelay_->SetMaxValue(std::max(0, std::min(e, whole - 7)));
    PattScanBits_->SetMaxValue(
        std::clamp(static_cast<int>(PattDelay_->MaxValue()) - PattDelay_->GetValue() + 1, 1, ScanBitsMost));
    PattDelay_->NotifySwitchers();
}

void TTrigger::SendPatternDelay(int position) {
    if (TInstrumentLink* link = Shell_.Link())
        link->SendIntCommand("Pattern:Delay", PatternInstrumentStartBit(position, Length_, Dividers()));
    Shell_.PatternStartBitForDisplay = static_cast<int>(StartBitFactor() * position);
}

void TTrigger::StartBitChanged() {
    if (!PattDelay_) return;
    const int position = PattDelay_->GetValue();
    if (PatternSyncOption())
        SendPatternDelay(position);
    else
        Shell_.PatternStartBitForDisplay = static_cast<int>(StartBitFactor() * position);
    if (TTutorial* simulator = Shell_.Simulator()) simulator->DemoSetRandomOffset(position);
    PattScanBits_->SetMaxValue(
        std::clamp(static_cast<int>(PattDelay_->MaxValue()) - position + 1, 1, ScanBitsMost));
    ScanPosition_ = position;
}

void TTrigger::StepPatternScanDelay() {
    const int first = GetValue(PattDelay_);
    if (ScanPosition_ < first + GetValue(PattScanBits_) - 1)
        ++ScanPosition_;
    else
        ScanPosition_ = first;
    SendPatternDelay(ScanPosition_);
}

void TTrigger::DividerChanged() {
    if (DataRateSetting_) DataRateSetting_->SetValue(GetValue(ExtDivider_) * DataRate_);
    StartBitLimits();
}

void TTrigger::SendPatternOn(bool on) {
    if (TInstrumentLink* link = Shell_.Link()) link->SendOnOffCommand("Pattern:On", on);
}

double TTrigger::PatternDataRate() {
    double frequency = 0;
    const bool demo = !Connected() && Demo();
    if (Connected()) {
        frequency = Shell_.Link()->QueryFloat("Pattern:TrigFreq");
        if (frequency == QueryFailedFloat) frequency = PatternRateUnreadable;
    } else if (demo && Shell_.Simulator()) {
        frequency = Shell_.Simulator()->DemoGeneratorValue(ChannelIndex1);
    }
    const double s = SourceFactor(GetItemIndex(Source_));
    const double p = PatternPrescale(frequency, demo);
    const double rate = s * frequency;
    // The divider's change reads the rate it multiplies.
    DataRate_ = rate;
    IntDivider_->SetValue(s * p);
    DataRateSetting_->SetValue(GetValue(ExtDivider_) * rate);
    return rate;
}

void TTrigger::PatternLockChanged() {
    if (!LockMode_) return;
    if (auto* jitter = FindSetting<TOnOffHandler>(Shell_.CommandTree(), "Jitter:JitterOn")) jitter->SetOn(false);
    TTutorial* simulator = Shell_.Simulator();
    if (simulator) simulator->DemoSetupPatternGenerators();
    const bool option = PatternSyncOption();
    const int mode = option ? LockMode_->GetItemIndex() : plmOff;
    const bool active = mode != plmOff && !LockMode_->IsDisabled();
    DataRate_ = 0;
    TDoubleEditHandler* scaleA = Timebase_ ? Timebase_->Scale(huTime, 0)
                                           : FindSetting<TDoubleEditHandler>(Shell_.CommandTree(), "TB:ScaleA");
    if (active) {
        if (scaleA) scaleA->SetMaxValue(ScaleAMaximumPatternLock);
        Holdoff_->SetMaxValue(HoldoffMaximumPatternLock);
        Holdoff_->SetValue(Holdoff_->MinValue());
        PatternLengthChanged();
        SendPatternOn(true);
        DataRate_ = PatternDataRate();
        if (mode == plmAutoDetect) SendPatternOn(false);
        Shell_.PatternManualForDisplay = mode == plmManual;
        DataRateSetting_->SetDisabled(false);
        if (simulator) simulator->DemoSetRandomSeed(true);
        if (DataRate_ < PatternLockLowestRate) {
            LockMode_->SetItemIndex(plmOff);
            return;
        }
    } else {
        if (option) SendPatternOn(false);
        Shell_.PatternManualForDisplay = false;
        if (scaleA) scaleA->SetMaxValue(Timebase_ ? Timebase_->LargestTimeScale() : LargestTimeScaleNew);
        Holdoff_->SetMaxValue(HoldoffMaximum_);
        DataRateSetting_->SetDisabled(true);
        if (simulator) simulator->DemoSetRandomSeed(false);
    }
    if (mode != plmAutoDetect || !active) return;
    const bool listEmpty = !PatternLengthListEmpty || PatternLengthListEmpty();
    if (listEmpty) {
        if (ReadOnOffSetting(Shell_.CommandTree(), "INSTR:GUIReady", false)) {
            // A lock the program itself puts back (an autoscale's end) answers nobody's click: no box waits.
            const TWhoChanged who = LockMode_->GetWhoChangedRaw();
            if (who == wcvProgram || who == wcvUnknown)
                Shell_.ShowProgramMessage(Shell_.LangStr("PatLengthListEmpty"));
            else
                Shell_.User().ShowErrorDlg(Shell_.LangStr("PatLengthListEmpty"));
        }
        LockMode_->SetItemIndex(plmOff);
    } else if (FindPatternTrigger) {
        FindPatternTrigger(DataRate_);
    }
}

void TTrigger::RecheckPatternLock(bool) {
    // Nothing to re-check while the lock is off.
    if (!PatternLockActive()) return;
    DataRate_ = PatternDataRate();
    if (DataRate_ < PatternLockLowestRate) LockMode_->SetItemIndex(plmOff);
}

void TTrigger::ResetPattLock() {
    switch (GetItemIndex(LockMode_)) {
        case plmManual: PattAddDelay_->SetOn(!PattAddDelay_->GetOn()); break;
        case plmAutoDetect: {
            if (PatternSyncOption()) SendPatternOn(false);
            Shell_.PatternManualForDisplay = false;
            DataRate_ = PatternDataRate();
            if (DataRate_ >= PatternLockLowestRate && FindPatternTrigger)
                FindPatternTrigger(DataRate_);
            else if (DataRate_ < PatternLockLowestRate)
                LockMode_->SetItemIndex(plmOff);
            break;
        }
        default: break;
    }
}

void TTrigger::PattAddDelayChanged() {
    if (!PatternSyncOption()) return;
    AddDelayOn_ = PattAddDelay_->GetOn();
    if (TInstrumentLink* link = Shell_.Link()) link->SendOnOffCommand("Pattern:AddDelay", AddDelayOn_);
}

// ----------------------------------------------------------------------------------------- source

void TTrigger::SourceChanged() {
    Break();
    const int source = Source_->GetItemIndex();
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendTrigSource(source);
    Shell_.Display().TopTextShowTrigSource();
    IntRate_->SetDisabled(source != tsIntClock || IsGenPulseMode(Shell_));
    ApplyUtilClockLimits(Shell_);
    HeadPower_->SetDisabled(source != tsExtHF);
    for (THandler* h : {static_cast<THandler*>(ExtLevel_), static_cast<THandler*>(Hister_),
                        static_cast<THandler*>(Slope_), static_cast<THandler*>(AttenUnit_)})
        h->SetDisabled(source != tsDirect);
    Mode_->SetDisabled(source == tsIntClock);
    LowJitter_->SetOn(false);
    if (TWindowBindings* w = Shell_.WindowBindings())
        w->BindTrigLevelEdit(source == tsIntClock ? "Trig:IntRate" : "Trig:ExtLevel");
    AttenUnitChanged();
}

void TTrigger::AttenUnitChanged() {
    const bool direct = GetItemIndex(Source_) == tsDirect;
    const int unit = AttenUnit_->GetItemIndex();
    AttenRatio_->SetDisabled(!(direct && unit == tauRatio));
    AttenDB_->SetDisabled(!(direct && unit == tauDB));
    ExtLevel_->NotifySwitchers();
    if (TWindowBindings* w = Shell_.WindowBindings()) w->RefreshSideMenu(mkTrigger);
}

void TTrigger::LowJitterChanged() {
    const bool on = LowJitter_->GetOn();
    RefDivider_->SetDisabled(!on);
    RefFreq_->SetDisabled(!on);
    if (on && StartRefSineCapture) StartRefSineCapture();
    if (!on && StopRefSineCapture) StopRefSineCapture();
}

// ---------------------------------------------------------------------------------------- refresh

void TTrigger::ApplyTrigSettings() {
    if (!Source_) return;
    SetHoldoffMaximum();
    LowJitter_->SetDisabled(true);
    RefFreq_->SetDisabled(true);
    RefDivider_->SetDisabled(true);
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    Source_->SetDisabledMask(identity && identity->Identity.HasOptClockRecoveryTrig() ? 16u : 24u);
    Holdoff_->SetMinValue(ModelMinimum());
    ApplyHoldoffMinimum();
    SourceChanged();
    TInstrumentSenders* senders = Shell_.Senders();
    if (senders) senders->SendTrigIntRate(IntRate_->GetValue());
    Shell_.Display().TopTextShowTrigSource();
    if (senders) senders->SendTrigMode(Mode_->GetItemIndex());
    Break();
    if (senders) senders->SendTrigSlope(Slope_->GetItemIndex());
    HoldoffChanged();
    if (senders) senders->SendTrigHysteresis(Hister_->GetItemIndex());
    LowJitter_->SetOn(false);
    LowJitterChanged();
    if (PatternSyncOption()) {
        PatternLockChanged();
        PattAddDelayChanged();
        StartBitChanged();
    }
    LockMode_->SetItemIndex(plmOff);
}

// -------------------------------------------------------------------------------------- indicator

void TTrigger::ShowTrigState(int state) { Shell_.Display().TopTextShowTrigState(state); }

void TTrigger::RefreshTrigIndicator(int queryKind) {
    if (!Source_) return;
    const std::int64_t now = NowMs();
    if (IndicatorAsked_ && now - LastIndicatorMs_ < IndicatorPeriodMs) return;
    IndicatorAsked_ = true;
    LastIndicatorMs_ = now;
    bool triggered = false;
    if (TInstrumentSenders* s = Shell_.Senders(); s && Connected()) triggered = s->ReadTrigOn(queryKind == 1);
    if (Source_->GetItemIndex() != tsDirect)
        ShowTrigState(0);
    else if (triggered)
        ShowTrigState(1);
    else
        ShowTrigState(Mode_->GetItemIndex() == tmTrig ? 2 : 3);
}

void TTrigger::ShowTrigPresence(int n) {
    const std::int64_t now = NowMs();
    if (n > 0) {
        PresenceShown_ = true;
        LastPresenceMs_ = now;
        ShowTrigState(1);
    } else if (!PresenceShown_ || now - LastPresenceMs_ >= PresenceHoldMs) {
        ShowTrigState(2);
    }
}

// -------------------------------------------------------------------------------------- autoscale

void TTrigger::StartTryTrigLevel(TTrigLevelTrial& trial, double level) {
    ExtLevel_->SetValue(level);
    if (!Connected()) {
        trial.Result_ = Demo() && level > 0.125 && level < 0.375;
        trial.State_ = TTrigLevelTrial::Done;
        return;
    }
    trial.Result_ = false;
    trial.DueMs_ = NowMs() + TrialWaitMs;
    trial.State_ = TTrigLevelTrial::WaitBeforeQuestion;
}

void TTrigger::StepTryTrigLevel(TTrigLevelTrial& trial) {
    if (trial.State_ == TTrigLevelTrial::Idle || trial.State_ == TTrigLevelTrial::Done) return;
    if (NowMs() < trial.DueMs_) return;
    TInstrumentSenders* senders = Shell_.Senders();
    if (trial.State_ == TTrigLevelTrial::WaitBeforeQuestion) {
        if (senders) senders->ReadTrigOn();
        trial.DueMs_ = NowMs() + TrialWaitMs;
        trial.State_ = TTrigLevelTrial::WaitBeforeAnswer;
        return;
    }
    trial.Result_ = senders && senders->ReadTrigOn();
    trial.State_ = TTrigLevelTrial::Done;
}

void TTrigger::SetupInternalClock() {
    Source_->SetItemIndex(tsIntClock);
    IntRate_->SetValue(IntClockSetupPeriod);
}

void TTrigger::DetuneInternalClock() { IntRate_->SetValue(IntRate_->GetValue() * IntClockDetuneFactor); }

}  // namespace vt
