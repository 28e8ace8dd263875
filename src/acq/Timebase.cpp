#include "acq/Timebase.h"

#include <algorithm>
#include <cmath>

#include "acq/SignalSources.h"
#include "acq/TdrUnits.h"
#include "core/BitRates.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/Numeric.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "core/WindowBindings.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr int ExponentMode = 3;
constexpr const char* ScaleStems[HorizontalUnitCount] = {"Scale", "BitScale", "ScaleMetre", "ScaleFoot", "ScaleInch"};
constexpr const char* UnitTexts[HorizontalUnitCount] = {"s", "Bit", "m", "ft", "in"};
// The default of a unit scale when it lies within the setting's limits.
constexpr double UnitDefaults[HorizontalUnitCount] = {1e-8, 1, 1, 1, 10};
constexpr double UnitStartA[HorizontalUnitCount] = {1e-8, 1, 1, 5, 20};
constexpr double UnitStartB[HorizontalUnitCount] = {2e-9, 0.2, 0.2, 1, 4};
constexpr double UnitResolution[HorizontalUnitCount] = {1e-15, 1e-6, 1e-5, 1e-5, 1e-5};

int Index(int unit, int track) { return unit * 2 + track; }

// The 1-2-5 rounding of the geometric middle, when the unit's own default lies outside the limits.
double ScaleDefault(int unit, double minimum, double maximum) {
    const double d = UnitDefaults[unit];
    if (d >= minimum && d <= maximum) return d;
    return CorrectNewVal1_2_5(std::sqrt(minimum * maximum));
}

// A room of divisions halved onto the 1-2-5 series; 0 when too small to hold a window.
double RoomDefault(double room, bool fiveAboveSix) {
    if (fiveAboveSix && room > 6) return 5;
    if (room <= 0.6) return 0;
    return CorrectNewVal1_2_5(room / 2);
}

}  // namespace

TTimebase::TTimebase(TShell& shell) : Shell_(shell) {}

// -------------------------------------------------------------------------------------- registration

void TTimebase::CreateTimebaseHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    const std::string byDiv = Shell_.LangStr("ByDiv");
    Units_ = &root.AddRadioHandler("TB:Units", {.Items = "Time, Bit",
                                                .Initial = 0,
                                                .BeforeChange = [this](THandler&) { UnitBefore_ = GetHorizontalUnit(); },
                                                .AfterChange = [this](THandler&) { UnitsChanged(); }});
    BitRate_ = &root.AddRadioHandler(
        "TB:BitRate", {.Items = StandardBitRates().GetListText(), .Initial = 7, .AfterChange = [this](THandler&) {
                           SyncTimebaseScalesFromUnit();
                       }});
    CustomBit_ = &root.AddDoubleEditHandler(
        "TB:CustomBit", {.Initial = 2.5e9,
                         .Config = {.Minimum = 1e6, .Default = 2.5e9, .Maximum = 44e9, .CoarseStep = 1,
                                    .CoarseKind = sk125, .FineStep = 0.0001, .FineKind = skProportional,
                                    .Resolution = 500, .Units = "b/s", .FormatMode = ExponentMode, .Digits = 6},
                         .AfterChange = [this](THandler&) { SyncTimebaseScalesFromUnit(); }});
    Mode_ = &root.AddRadioHandler("TB:Mode", {.Items = "A,AB,B", .Initial = 0, .AfterChange = [this](THandler&) {
                                                  ModeChanged();
                                              }});
    for (int unit = 0; unit < HorizontalUnitCount; ++unit) {
        for (int track = 0; track < 2; ++track) {
            const bool time = unit == huTime;
            const std::string header = std::string("TB:") + ScaleStems[unit] + (track == 0 ? "A" : "B");
            double minimum = 0, maximum = 0;
            if (time) {
                minimum = SmallestTimeScale;
                maximum = track == 0 ? LargestTimeScale_ : UnitStartA[0];
            }
            TEditOptions options{
                .Initial = track == 0 ? UnitStartA[unit] : UnitStartB[unit],
                .Config = {.Minimum = minimum, .Default = track == 0 ? UnitStartA[unit] : UnitStartB[unit],
                           .Maximum = maximum, .CoarseStep = 1, .CoarseKind = sk125,
                           .FineStep = time && track == 0 ? 0.001 : 0.0001, .FineKind = skProportional,
                           .Resolution = UnitResolution[unit], .Units = UnitTexts[unit] + byDiv,
                           .FormatMode = ExponentMode, .Digits = 6}};
            if (time && track == 0)
                options.AfterChange = [this](THandler& h) { ScaleAChanged(h); };
            else if (time)
                options.AfterChange = [this](THandler& h) { ScaleBChanged(&h); };
            else
                options.AfterChange = [this, unit, track](THandler& h) { UnitScaleChanged(h, unit, track); };
            Scales_[static_cast<std::size_t>(Index(unit, track))] = &root.AddDoubleEditHandler(header, options);
        }
    }
    Delay_ = &root.AddDoubleEditHandler(
        "TB:Delay", {.Initial = 2,
                     .Config = {.Minimum = 0, .Default = 5, .Maximum = 10, .CoarseStep = 0.5, .CoarseKind = skGrid,
                                .FineStep = 0.001, .FineKind = skGrid, .Resolution = 0.0001,
                                .FormatMode = ExponentMode, .Digits = 6},
                     .AfterChange = [this](THandler& h) { DelayChanged(&h); }});
    BitDelay_ = &root.AddDoubleEditHandler(
        "TB:BitDelay", {.Initial = 1,
                        .Config = {.Minimum = 0, .Default = 1, .Maximum = 3, .CoarseStep = 0.1, .CoarseKind = skGrid,
                                   .FineStep = 0.001, .FineKind = skGrid, .Resolution = 0.0001, .Units = "bits",
                                   .FormatMode = ExponentMode, .Digits = 3}});
    DualDel_ = &root.AddOnOffHandler("TB:DualDel", {.Initial = false, .AfterChange = [this](THandler&) {
                                                        DualDelChanged();
                                                    }});
    DeltaDel_ = &root.AddDoubleEditHandler(
        "TB:DeltaDel", {.Initial = 3,
                        .Config = {.Minimum = 0, .Default = 5, .Maximum = 10, .CoarseStep = 0.5, .CoarseKind = skGrid,
                                   .FineStep = 0.001, .FineKind = skGrid, .Resolution = 0.0001,
                                   .FormatMode = ExponentMode, .Digits = 6},
                        .AfterChange = [this](THandler& h) { DeltaDelChanged(&h); }});
    StartBit_ = &root.AddIntEditHandler(
        "TB:StartBit", {.Initial = 0,
                        .Config = {.Minimum = 0, .Default = 0, .Maximum = 1000, .CoarseStep = 1, .CoarseKind = skGrid},
                        .AfterChange = [this](THandler&) {
                            StopBit_->SetMinValue(std::max(1, StartBit_->GetValue()));
                            Scale(huBits, 0)->SetValue((StopBit_->GetValue() + 20) / 10.0);
                        }});
    StopBit_ = &root.AddIntEditHandler(
        "TB:StopBit", {.Initial = 1,
                       .Config = {.Minimum = 1, .Default = 0, .Maximum = 1000, .CoarseStep = 1, .CoarseKind = skGrid},
                       .AfterChange = [this](THandler&) {
                           Scale(huBits, 0)->SetValue((StopBit_->GetValue() + 20) / 10.0);
                       }});
    SetTimebaseScaleLimits(0);
    SetTimebaseScaleLimits(1);
}

void TTimebase::ApplyTimebaseModelLimits() {
    LargestTimeScale_ = LargestTimeScaleNew;
    TInstrumentLink* link = Shell_.Link();
    TInstrumentIdentityUnit* identity = Shell_.Identity();
    if (link && identity && link->IsInstrumentConnected()) {
        const TInstrumentIdentity& id = identity->Identity;
        if (!IsVersionAtLeast(id.SWVersion, {3, 7, 4}) || !IsVersionAtLeast(id.FPGAVersion, {0, 3}))
            LargestTimeScale_ = LargestTimeScaleOld;
    }
    if (Scales_[0]) SetTimebaseScaleLimits(0);
}

void TTimebase::RefreshTimebaseHandlers() {
    UnitsChanged();
    DualDelChanged();
    SyncTimebaseScalesFromUnit();
    ModeChanged();
}

// ----------------------------------------------------------------------------------------- questions

THorizontalUnit TTimebase::GetHorizontalUnit() const {
    if (Shell_.Serial().IsTdrActive()) {
        switch (Shell_.Serial().TdrDistanceUnit()) {
            case 0: return huTime;
            case 1: return huMetres;
            case 2: return huFeet;
            default: return huInches;
        }
    }
    return GetItemIndex(Units_) == 1 ? huBits : huTime;
}

int TTimebase::Mode() const { return GetItemIndex(Mode_); }

double TTimebase::GetActiveTimeScale() const {
    return GetValue(Mode() == tbmB ? Scales_[1] : Scales_[0]);
}

bool TTimebase::IsTimebaseModeAB() const { return Mode() == tbmAB; }

double TTimebase::Rate() const { return StandardBitRates().GetRate(GetItemIndex(BitRate_)); }

double TTimebase::TimeToBits(double time) const { return time * Rate(); }

double TTimebase::BitsToTime(double bits) const { return bits / Rate(); }

double TTimebase::TimeToUnit(int unit, double time) const {
    const TSerialServices& s = Shell_.Serial();
    switch (unit) {
        case huBits: return TimeToBits(time);
        case huMetres: return TdrTimeToMeters(time, s.TdrTransmission(), s.TdrVelocityFactor());
        case huFeet: return TdrTimeToFeet(time, s.TdrTransmission(), s.TdrVelocityFactor());
        case huInches: return TdrTimeToInches(time, s.TdrTransmission(), s.TdrVelocityFactor());
        default: return time;
    }
}

double TTimebase::UnitToTime(int unit, double value) const {
    const TSerialServices& s = Shell_.Serial();
    switch (unit) {
        case huBits: return BitsToTime(value);
        case huMetres: return TdrMetersToTime(value, s.TdrTransmission(), s.TdrVelocityFactor());
        case huFeet: return TdrFeetToTime(value, s.TdrTransmission(), s.TdrVelocityFactor());
        case huInches: return TdrInchesToTime(value, s.TdrTransmission(), s.TdrVelocityFactor());
        default: return value;
    }
}

double TTimebase::ChannelTimeOrigin(bool second, double deskew) const {
    if (Mode() != tbmB) return deskew;
    const double delay = GetValue(Delay_) + (second ? GetValue(DeltaDel_) : 0.0);
    return GetValue(Scales_[0]) * delay + deskew;
}

// -------------------------------------------------------------------------------------------- limits

void TTimebase::SetTimebaseScaleLimits(int track) {
    double minimum = SmallestTimeScale;
    double maximum = LargestTimeScale_;
    if (track == 1) {
        const double a = GetValue(Scales_[0]);
        minimum = std::max(a / 10000, SmallestTimeScale);
        maximum = a;
    }
    TDoubleEditHandler& t = *Scales_[static_cast<std::size_t>(Index(huTime, track))];
    const double def = ScaleDefault(huTime, minimum, maximum);
    // Twice, so that the clamping of each step settles against the other limit.
    for (int pass = 0; pass < 2; ++pass) {
        t.SetMaxValue(maximum);
        t.SetDefaultValue(def);
        t.SetMinValue(minimum);
    }
    for (int unit = huBits; unit < HorizontalUnitCount; ++unit) {
        TDoubleEditHandler& u = *Scales_[static_cast<std::size_t>(Index(unit, track))];
        const double lo = TimeToUnit(unit, minimum);
        const double hi = TimeToUnit(unit, maximum);
        u.SetMaxValue(hi);
        u.SetDefaultValue(ScaleDefault(unit, lo, hi));
        u.SetMinValue(lo);
    }
}

// ------------------------------------------------------------------------------------ unit scales

void TTimebase::SyncUnitScalesFromTime(int track) {
    const double t = GetValue(Scales_[static_cast<std::size_t>(Index(huTime, track))]);
    for (int unit = huBits; unit < HorizontalUnitCount; ++unit)
        if (unit != Editing_) Scales_[static_cast<std::size_t>(Index(unit, track))]->SetValue(TimeToUnit(unit, t));
}

void TTimebase::SyncTimebaseScalesFromUnit() {
    if (!Scales_[0]) return;
    const int unit = GetHorizontalUnit();
    const int before = Editing_;
    Editing_ = unit;
    const double a = GetValue(Scale(unit, 0));
    const double b = GetValue(Scale(unit, 1));
    const double ta = UnitToTime(unit, a);
    const double tb = UnitToTime(unit, b);
    if (unit != huTime) {
        Scales_[0]->SetValue(std::clamp(ta, SmallestTimeScale, LargestTimeScale_));
        Scales_[1]->SetValue(std::clamp(tb, SmallestTimeScale, LargestTimeScale_));
    }
    SetTimebaseScaleLimits(0);
    SyncUnitScalesFromTime(0);
    SetTimebaseScaleLimits(1);
    Scales_[1]->SetValue(tb);
    Scale(unit, 0)->SetValue(a);
    Scale(unit, 1)->SetValue(b);
    Editing_ = before;
}

void TTimebase::UnitScaleChanged(THandler& h, int unit, int track) {
    const int active = GetHorizontalUnit();
    const int before = Editing_;
    const TWhoChanged who = h.GetWhoChangedRaw();
    if (who == wcvSwitcher || who == wcvRemote) Editing_ = active;
    if (unit == active) {
        const double t = UnitToTime(unit, GetValue(Scale(unit, track)));
        Scales_[static_cast<std::size_t>(Index(huTime, track))]->SetValue(
            std::clamp(t, SmallestTimeScale, LargestTimeScale_));
    }
    Editing_ = before;
}

// -------------------------------------------------------------------------------------- change chain

bool TTimebase::UserChange(const THandler* h) const {
    if (InSetTimebaseValue_) return true;
    if (!h) return false;
    const TWhoChanged who = h->GetWhoChangedRaw();
    return who == wcvSwitcher || who == wcvRemote;
}

void TTimebase::Break() {
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
}

void TTimebase::UnitsChanged() {
    if (!Scales_[0]) return;
    const int unit = GetHorizontalUnit();
    if (UnitBefore_ == huTime) {
        Scale(huBits, 0)->SetValue(TimeToBits(GetValue(Scales_[0])));
        Scale(huBits, 1)->SetValue(TimeToBits(GetValue(Scales_[1])));
    }
    if (unit == huBits) {
        const double a = BitsToTime(GetValue(Scale(huBits, 0)));
        const double b = BitsToTime(GetValue(Scale(huBits, 1)));
        Scales_[0]->SetValue(std::clamp(a, SmallestTimeScale, LargestTimeScale_));
        Scales_[1]->SetValue(std::clamp(b, SmallestTimeScale, LargestTimeScale_));
    }
    UnitBefore_ = unit;
    RefreshTimebaseState(true);
}

void TTimebase::ScaleAChanged(THandler& h) {
    const int before = Editing_;
    if (UserChange(&h)) Editing_ = huTime;
    Break();
    if (Shell_.Trigger.ApplyHoldoffMinimum) Shell_.Trigger.ApplyHoldoffMinimum();
    SyncUnitScalesFromTime(0);
    SetTimebaseScaleLimits(1);
    Delay_->NotifySwitchers();
    DeltaDel_->NotifySwitchers();
    Shell_.Display().RedrawSampleRateField();
    ScaleBChanged(nullptr);
    SendTimebase();
    Editing_ = before;
}

void TTimebase::ScaleBChanged(THandler* h) {
    const int before = Editing_;
    if (UserChange(h)) Editing_ = huTime;
    Break();
    SyncUnitScalesFromTime(1);
    const double room = std::max(0.0, 10 - 10 * GetValue(Scales_[1]) / GetValue(Scales_[0]));
    Delay_->SetMaxValue(room);
    Delay_->SetDefaultValue(RoomDefault(room, true));
    Shell_.Display().RedrawSampleRateField();
    DelayChanged(nullptr);
    SendTimebase();
    if (TWindowBindings* w = Shell_.WindowBindings()) w->RefreshSideMenu(mkAcquisition);
    RefreshIntensifiedZone(false);
    Editing_ = before;
}

void TTimebase::DelayChanged(THandler* h) {
    // Never below 0: a negative maximum would drag the minimum along for good.
    const double room =
        std::max(0.0, 10 - 10 * GetValue(Scales_[1]) / GetValue(Scales_[0]) - GetValue(Delay_));
    DeltaDel_->SetMaxValue(room);
    DeltaDel_->SetDefaultValue(RoomDefault(room, false));
    if (h && h->GetWhoChangedRaw() == wcvCommandList) DelayChangedByUndo_ = true;
    DeltaDelChanged(nullptr);
    SendTimebase();
    RefreshIntensifiedZone(true);
}

void TTimebase::DeltaDelChanged(THandler* h) {
    Break();
    Shell_.Display().MarkAcquisitionRedraw();
    if (h && h->GetWhoChangedRaw() == wcvCommandList) DeltaDelChangedByUndo_ = true;
    RefreshIntensifiedZone(true);
}

void TTimebase::ModeChanged() {
    if (!Mode_) return;
    Units_->SetDisabledMask(0);
    RefreshTimebaseState(false);
    SendTimebase();
    RefreshIntensifiedZone(false);
    if (TSignalRecords* records = Shell_.Records()) {
        TSignalsOn& on = records->SignalsOn();
        const bool b = Mode() == tbmB;
        on.SetOn(ssCh1B2, b && on.IsOn(ssCh1));
        on.SetOn(ssCh2B2, b && on.IsOn(ssCh2));
    }
}

void TTimebase::DualDelChanged() {
    if (!DualDel_) return;
    Break();
    DeltaDel_->SetDisabled(Mode() == tbmA || !DualDel_->GetOn());
    RefreshIntensifiedZone(false);
}

void TTimebase::RefreshTimebaseState(bool unitFormats) {
    if (!Scales_[0]) return;
    Break();
    const int unit = GetHorizontalUnit();
    const bool modeA = Mode() == tbmA;
    Units_->SetDisabled(Shell_.Serial().IsTdrActive());
    Scales_[0]->SetDisabled(unit != huTime);
    Scales_[1]->SetDisabled(modeA || unit != huTime);
    for (int u = huBits; u < HorizontalUnitCount; ++u) {
        Scale(u, 0)->SetDisabled(u != unit);
        Scale(u, 1)->SetDisabled(u != unit || modeA);
    }
    Delay_->SetDisabled(modeA);
    DualDel_->SetDisabled(modeA);
    DeltaDel_->SetDisabled(modeA || !DualDel_->GetOn());
    if (unitFormats) {
        BitRate_->SetDisabled(unit != huBits);
        ApplyDelayFormats();
    } else {
        Shell_.Display().MarkAcquisitionRedraw();
    }
    const std::string letter = Mode() == tbmA ? "A" : "B";
    if (TWindowBindings* w = Shell_.WindowBindings()) {
        w->BindHorizontalScaleEdit(std::string("TB:") + ScaleStems[unit] + letter, "SCALE " + letter);
        w->BindDelayEdit("TB:Delay");
    }
    Shell_.Display().RedrawSampleRateField();
    if (TWindowBindings* w = Shell_.WindowBindings()) {
        w->RefreshSideMenu(mkTimebase);
        w->RefreshSideMenu(mkAcquisition);
    }
}

void TTimebase::ApplyDelayFormats() {
    const int unit = GetHorizontalUnit();
    // The delays are held in divisions of A; they show and take the unit's value of that many divisions.
    const auto perDivision = [this, unit] { return GetValue(Scale(unit, 0)); };
    TFormatCallback format;
    switch (unit) {
        case huTime:
            format = [perDivision](TEditHandler&, double v) {
                return FloatToEngStr(ExponentMode, 6, false, false, perDivision() * v) + "s";
            };
            break;
        case huBits:
            format = [this, perDivision](TEditHandler&, double v) {
                return FloatToEngStr(ExponentMode, 6, false, false, perDivision() * v) + Shell_.LangStr("Bits");
            };
            break;
        default: {
            const std::string text = UnitTexts[unit];
            format = [perDivision, text](TEditHandler&, double v) {
                return FloatToEngStr(ExponentMode, 5, false, false, perDivision() * v) + text;
            };
        }
    }
    const TCorrectCallback correct = [perDivision](TEditHandler&, double v) {
        const double d = perDivision();
        return d > 0 ? v / d : v;
    };
    for (TDoubleEditHandler* h : {Delay_, DeltaDel_}) {
        h->SetOnCorrectValue(correct);
        h->SetOnFormat(format);
    }
}

void TTimebase::RefreshIntensifiedZone(bool fromDelay) {
    if (!Mode_ || (fromDelay && Shell_.RunOn)) return;
    int w1 = 0, s1 = 0, s2 = 0, w2 = 0;
    if (IsTimebaseModeAB()) {
        const double w = 4000 * GetValue(Scales_[1]) / GetValue(Scales_[0]);
        w1 = static_cast<int>(RoundHalfEven(w));
        s1 = static_cast<int>(RoundHalfEven(400 * GetValue(Delay_)));
        if (DualDel_->GetOn()) {
            s2 = static_cast<int>(RoundHalfEven(400 * (GetValue(Delay_) + GetValue(DeltaDel_))));
            w2 = w1;
        }
    }
    Shell_.Display().SetIntensifiedRanges(w1, s1, s2, w2);
}

void TTimebase::SendTimebase() {
    TInstrumentSenders* senders = Shell_.Senders();
    if (!senders || !Scales_[0]) return;
    const bool b = Mode() == tbmB;
    senders->SendTimeDiv(GetValue(Scales_[b ? 1 : 0]));
    senders->SendTimebaseDelay(b ? GetValue(Scales_[0]) * GetValue(Delay_) : 0.0);
}

// ------------------------------------------------------------------------------------ program changes

void TTimebase::SetTimebaseValue(int index, double value) {
    if (index < 0 || index >= HorizontalUnitCount * 2) return;
    TResetOnExit<bool> reset(InSetTimebaseValue_, false);
    InSetTimebaseValue_ = true;
    Scales_[static_cast<std::size_t>(index)]->SetValue(value);
}

void TTimebase::ShiftTimebaseDelay(int which, double x) {
    TDoubleEditHandler* h = which == 0 ? Delay_ : DeltaDel_;
    h->SetValue(h->GetValue() + 10 * x);
    Break();
    RefreshIntensifiedZone(false);
}

void TTimebase::SaveTimebaseDelays() {
    SavedDelay_ = GetValue(Delay_);
    SavedDeltaDel_ = GetValue(DeltaDel_);
}

void TTimebase::RestoreTimebaseDelays() {
    if (DelayChangedByUndo_)
        DelayChangedByUndo_ = false;
    else
        Delay_->SetValue(SavedDelay_);
    if (DeltaDelChangedByUndo_)
        DeltaDelChangedByUndo_ = false;
    else
        DeltaDel_->SetValue(SavedDeltaDel_);
    Delay_->NotifySwitchers();
    DeltaDel_->NotifySwitchers();
}

// ---------------------------------------------------------------------------------------- calibration

namespace {

// Hexadecimal numbers separated by blanks; false on any other character or an overflowing number.
bool ReadHexNumbers(std::string_view text, std::vector<std::uint32_t>& numbers) {
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) break;
        std::uint32_t value = 0;
        while (i < text.size() && text[i] != ' ') {
            const char c = text[i++];
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (digit < 0 || value > 0x0FFFFFFF) return false;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        numbers.push_back(value);
    }
    return true;
}

std::string Hex(std::uint32_t value) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), Digits[value % 16]);
        value /= 16;
    } while (value);
    return s;
}

}  // namespace

bool TTimebase::SetTimebaseCalCurve(std::int32_t interval, std::string_view text) {
    std::vector<std::uint32_t> numbers;
    bool valid = ReadHexNumbers(text, numbers) && !numbers.empty();
    if (valid) {
        const std::uint32_t count = numbers[0];
        valid = count >= 2 && count <= 64 && numbers.size() == count + 1 &&
                static_cast<std::int64_t>(interval) * (count - 1) > 0;
        for (std::size_t i = 1; valid && i < numbers.size(); ++i)
            valid = numbers[i] <= 65535 && (i == 1 || numbers[i] > numbers[i - 1]);
    }
    if (!valid) {
        Calibration_ = {};
        return false;
    }
    Calibration_.Interval = interval;
    Calibration_.Points.assign(numbers.begin() + 1, numbers.end());
    return true;
}

std::string TTimebase::TimebaseCalCurveText() const {
    std::string s = Hex(static_cast<std::uint32_t>(Calibration_.Points.size()));
    for (std::uint16_t p : Calibration_.Points) s += ' ' + Hex(p);
    return s;
}

}  // namespace vt
