#include "acq/Generator.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/AdjustmentCommands.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr int ExponentMode = 3;
constexpr double GenMaximumTime = 0.000524;
constexpr double MinimumWidth = 1.6e-8;
constexpr double WidthExtra = 2e-9;  // the instrument's pulse is 2 ns longer than the counted clocks
constexpr double DeskewPercent = 0.0019558754498513534;
constexpr double DeskewZero = 1300;
constexpr double OffsetFullScale = 5;
constexpr double OffsetCodes = 65535;
// While the timebase calibration is not registered: a typical coarse step, never a division by 0.
constexpr double CoarseTBAbsent = 4.6e-9;
constexpr int TrigSourceIntClock = 2;

TEditConfig Numeric(double minimum, double def, double maximum, int coarseKind, double coarse, int fineKind,
                    double fine, double resolution, const char* units, int digits) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseStep = coarse, .CoarseKind = coarseKind,
            .FineStep = fine, .FineKind = fineKind, .Resolution = resolution, .Units = units,
            .FormatMode = ExponentMode, .Digits = digits};
}

std::string Eng(double v) { return FloatToEngStr(ExponentMode, 4, false, false, v); }

std::int64_t Count(double time) { return RoundHalfEven(time / GenClock); }

// A count the instrument takes is never negative.
std::int64_t NotBelowZero(std::int64_t count) { return std::max<std::int64_t>(count, 0); }

}  // namespace

int GenModeEffective(TShell& shell) {
    const TInstrumentIdentityUnit* identity = shell.Identity();
    if (!identity || !identity->Identity.HasOptGenerators()) return gmOff;
    return ReadChoiceSetting(shell.CommandTree(), "Gen:Mode", gmOff);
}

bool IsGenPulseMode(TShell& shell) { return GenModeEffective(shell) > gmCoarseTB; }

void TGenerator::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateGeneratorHandlers, [this](TShell& s) {
        if (TCommandTree* tree = s.CommandTree()) CreateGeneratorHandlers(*tree);
    });
    shell.Refresh.Add(TRefreshRow::UpdateGeneratorControls, [this](TShell&) { UpdateGeneratorControls(); });
}

bool TGenerator::ReadingCalibration() const { return Calibration_ && Calibration_->Reading(); }

double TGenerator::CoarseTB() const {
    const double t = ReadRealSetting(Shell_.CommandTree(), "FLASH:Calibr:CoarseTB", CoarseTBAbsent);
    return t > 0 ? t : CoarseTBAbsent;
}

// ------------------------------------------------------------------------------------ registration

void TGenerator::CreateGeneratorHandlers(TCommandTree& tree) {
    if (Registered_) return;
    Registered_ = true;
    TSpider& root = tree.Root();
    const auto after = [](auto fn) { return [fn](THandler&) { fn(); }; };
    Mode_ = &root.AddRadioHandler("Gen:Mode", {.Items = "Off,Step,CoarseTB,Pulse,NRZ,RZ",
                                               .AfterChange = after([this] { ModeChanged(); })});
    const auto time = [&](const char* header, double minimum, double initial, double def, double grid,
                          double resolution, std::function<void()> change) {
        return &root.AddDoubleEditHandler(
            header, {.Initial = initial,
                     .Config = Numeric(minimum, def, GenMaximumTime, skSnapped125, 1, skGrid, grid, resolution, "s", 4),
                     .AfterChange = after(std::move(change))});
    };
    PulsePeriod_ = time("Gen:PulsePeriod", 8e-9, 3.2e-8, 1e-6, 8e-9, 2.4e-8, [this] { PulsePeriodChanged(); });
    NrzClock_ = time("Gen:NrzClock", 8e-9, 8e-9, 1e-6, 8e-9, 2.4e-8, [this] { NrzClockChanged(); });
    RzClock_ = time("Gen:RzClock", 1.6e-8, 1.6e-8, 1e-6, 1.6e-8, 4.8e-8, [this] { RzClockChanged(); });
    TEditConfig steps = Numeric(0, 2, 15, skGrid, 1, skNone, 0, 1, "", 4);
    steps.OnFormat = [this](TEditHandler&, double v) { return Eng(v * CoarseTB()) + "s"; };
    steps.OnCorrect = [this](TEditHandler&, double v) { return v / CoarseTB(); };
    StepsDelay_ = &root.AddIntEditHandler("Gen:StepsDelay",
                                          {.Initial = 3, .Config = steps, .AfterChange = after([this] { SendStepDelay(); })});
    Delay_ = time("Gen:Delay", 0, 0, 8e-9, 8e-9, 2.4e-8, [this] { SendDelay(); });
    TEditConfig width = Numeric(MinimumWidth, 1e-6, GenMaximumTime, skSnapped125, 1, skGrid, 8e-9, 2.4e-8, "", 4);
    width.OnFormat = [](TEditHandler&, double v) {
        return Eng(static_cast<double>(Count(v)) * GenClock + WidthExtra) + "s";
    };
    PulseWidth_ = &root.AddDoubleEditHandler(
        "Gen:PulseWidth", {.Initial = MinimumWidth, .Config = width, .AfterChange = after([this] { WidthChanged(); })});
    Length_ = &root.AddRadioHandler("Gen:Length", {.Items = "p2e7m1,p2e10m1,p2e11m1,p2e15m1",
                                                   .AfterChange = after([this] { SendPatternLength(); })});
    TrigPrbs_ = &root.AddRadioHandler("Gen:TrigPRBS",
                                      {.Items = "Clock,Pattern", .AfterChange = after([this] { TrigPrbsChanged(); })});
    CreateOutput(tree, 1);
    CreateOutput(tree, 2);
}

void TGenerator::CreateOutput(TCommandTree& tree, int n) {
    TSpider& root = tree.Root();
    TOutput& o = Out_[n - 1];
    const std::string node = "Gen:Out" + std::to_string(n) + ":";
    const std::string flash = "FLASH:" + node;
    const auto send = [this](auto fn) {
        return [this, fn](THandler&) {
            if (TInstrumentSenders* s = Shell_.Senders()) fn(*s);
        };
    };
    o.Polarity = &root.AddRadioHandler(node + "Polarity", {.Items = "Pos,Neg", .AfterChange = send([&o, n](TInstrumentSenders& s) {
                                                               s.SendGenPolarity(n, o.Polarity->GetItemIndex());
                                                           })});
    TEditConfig deskew = Numeric(1300, 26864, 52428, skGrid, 100, skGrid, 1, 1, "", 4);
    deskew.OnFormat = [](TEditHandler&, double v) { return Eng((v - DeskewZero) * DeskewPercent) + "%"; };
    deskew.OnCorrect = [](TEditHandler&, double p) { return p / DeskewPercent + DeskewZero; };
    o.Deskew = &root.AddIntEditHandler(node + "Deskew", {.Initial = 26864, .Config = deskew,
                                                         .AfterChange = send([&o, n](TInstrumentSenders& s) {
                                                             s.SendGenDeskew(n, o.Deskew->GetValue());
                                                         })});
    o.ModeOffset = &root.AddRadioHandler(node + "ModeOffset", {.Items = "Pos,Neg,Var", .AfterChange = [this, n](THandler&) {
                                                                   OffsetModeChanged(n);
                                                               }});
    TEditConfig offset = Numeric(1250, 1500, 52428, skGrid, 250, skGrid, 1, 1, "", 4);
    offset.OnFormat = [](TEditHandler&, double v) { return Eng(v * OffsetFullScale / OffsetCodes) + "V"; };
    offset.OnCorrect = [](TEditHandler&, double v) { return v / OffsetFullScale * OffsetCodes; };
    o.Offset = &root.AddIntEditHandler(node + "Offset", {.Initial = 1500, .Config = offset,
                                                         .AfterChange = send([&o, n](TInstrumentSenders& s) {
                                                             s.SendGenOffset(n, o.Offset->GetValue());
                                                         })});
    const auto zero = [&](const char* name, bool positive) {
        return &root.AddIntEditHandler(flash + name,
                                       {.Initial = 0, .Config = Numeric(0, 0, 65535, skGrid, 250, skGrid, 1, 1, "", 5),
                                        .AfterChange = [this, n, positive](THandler&) { ZeroChanged(n, positive); }});
    };
    o.PositiveZero = zero("PositiveZero", true);
    o.NegativeZero = zero("NegativeZero", false);
}

// ----------------------------------------------------------------------------------------- counts

int TGenerator::GenPeriodCount() const {
    switch (GetItemIndex(Mode_)) {
        case gmPulse: return static_cast<int>(Count(PulsePeriod_->GetValue()));
        case gmNRZ: return static_cast<int>(Count(NrzClock_->GetValue()));
        case gmRZ: return static_cast<int>(Count(RzClock_->GetValue()));
        default: return 0;
    }
}

void TGenerator::WidthEnabling() {
    const int m = Mode_->GetItemIndex();
    PulseWidth_->SetDisabled(m != gmPulse || GenPeriodCount() < 5);
}

void TGenerator::DelayEnabling() {
    const int m = Mode_->GetItemIndex();
    const bool pattern = (m == gmNRZ || m == gmRZ) && TrigPrbs_->GetItemIndex() == 1;
    Delay_->SetDisabled(m <= gmCoarseTB || GenPeriodCount() < 4 || pattern);
}

// ---------------------------------------------------------------------------------------- changes

void TGenerator::PulsePeriodChanged() {
    WidthEnabling();
    DelayEnabling();
    const int c = GenPeriodCount();
    const double x = c * GenClock - 1.6e-8;
    PulseWidth_->SetMaxValue(std::max(x, MinimumWidth));
    Delay_->SetMaxValue(std::max(x, 0.0));
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenPeriod(NotBelowZero(c - 2));
}

void TGenerator::NrzClockChanged() {
    const int c = GenPeriodCount();
    Delay_->SetMaxValue(std::max((c - 2) * GenClock, 0.0));
    DelayEnabling();
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenPeriod(NotBelowZero(c - 2));
}

void TGenerator::RzClockChanged() {
    NrzClockChanged();
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenWidth(NotBelowZero(GenPeriodCount() / 2 - 1));
}

void TGenerator::WidthChanged() {
    if (Mode_->GetItemIndex() == gmRZ) return;
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenWidth(NotBelowZero(Count(PulseWidth_->GetValue()) - 1));
}

void TGenerator::SendStepDelay() {
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenStepDelay(StepsDelay_->GetValue());
}

void TGenerator::SendDelay() {
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenDelay(Count(Delay_->GetValue()));
}

void TGenerator::SendPatternLength() {
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenPatternLength(Length_->GetItemIndex());
}

void TGenerator::TrigPrbsChanged() {
    DelayEnabling();
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenTrigger(TrigPrbs_->GetItemIndex());
}

void TGenerator::ModeChanged() {
    const int m = Mode_->GetItemIndex();
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenMode(m);
    PulsePeriod_->SetDisabled(m < gmPulse);
    StepsDelay_->SetDisabled(m != gmStep);
    DelayEnabling();
    WidthEnabling();
    const bool pattern = m == gmNRZ || m == gmRZ;
    Length_->SetDisabled(!pattern);
    TrigPrbs_->SetDisabled(!pattern);
    TriggerCoupling();
    switch (m) {
        case gmPulse: PulsePeriodChanged(), WidthChanged(); break;
        case gmNRZ: NrzClockChanged(), WidthChanged(); break;
        case gmRZ: RzClockChanged(); break;
        default: break;
    }
    if (m == gmStep && StepsDelay_->GetValue() < 2) StepsDelay_->SetValue(2);
}

void TGenerator::TriggerCoupling() {
    TCommandTree* tree = Shell_.CommandTree();
    auto* source = FindSetting<TRadioSwHandler>(tree, "Trig:Source");
    const int effective = GenModeEffective(Shell_);
    if (effective > gmCoarseTB) {
        for (const char* header : {"Trig:Source", "Trig:ExtLevel", "Trig:IntRate", "Trig:Slope"})
            if (THandler* h = tree ? tree->Resolve(header) : nullptr) h->SetDisabled(true);
        return;
    }
    if (source) source->SetDisabled(false);
    if (Shell_.Trigger.SourceChanged) Shell_.Trigger.SourceChanged();
    if ((effective == gmStep || effective == gmCoarseTB) && source) source->SetItemIndex(TrigSourceIntClock);
}

void TGenerator::OffsetModeChanged(int n) {
    TOutput& o = Out_[n - 1];
    const int m = o.ModeOffset->GetItemIndex();
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenOffsetMode(n, m);
    const bool d = o.ModeOffset->IsDisabled();
    o.Offset->SetDisabled(d || m != 2);
    o.PositiveZero->SetDisabled(d || m != 0);
    o.NegativeZero->SetDisabled(d || m != 1);
}

void TGenerator::ZeroChanged(int n, bool positive) {
    if (ReadingCalibration() || TakingBack_) return;
    if (Calibration_) Calibration_->FlashChange().SetCalibrChanged(true);
    TInstrumentLink* link = Shell_.Link();
    if (!link || !link->IsInstrumentConnected()) return;
    TIntEditHandler* zero = positive ? Out_[n - 1].PositiveZero : Out_[n - 1].NegativeZero;
    const std::int32_t value = zero->GetValue();
    const std::string query = "Gen:Out" + std::to_string(n) + ":" + (positive ? "PosZero" : "NegZero");
    const std::int32_t accepted = link->QueryIntParam(query, value);
    // An unreadable reply is no value of the instrument's.
    if (accepted == QueryFailedInt || accepted == value) return;
    TakingBack_ = true;
    zero->SetValue(accepted);
    TakingBack_ = false;
}

// ---------------------------------------------------------------------------------------- refresh

void TGenerator::UpdateGeneratorControls() {
    if (!Registered_) return;
    ModeChanged();
    SendStepDelay();
    SendDelay();
    WidthChanged();
    SendPatternLength();
    TrigPrbsChanged();
    for (int n = 1; n <= 2; ++n) {
        TOutput& o = Out_[n - 1];
        if (TInstrumentSenders* s = Shell_.Senders()) {
            s->SendGenPolarity(n, o.Polarity->GetItemIndex());
            s->SendGenDeskew(n, o.Deskew->GetValue());
        }
        OffsetModeChanged(n);
        if (TInstrumentSenders* s = Shell_.Senders()) s->SendGenOffset(n, o.Offset->GetValue());
    }
}

void TGenerator::UpdateGeneratorOutputs() {
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    if (!Registered_ || !identity || !identity->Identity.HasOptGenerators()) return;
    TCommandTree* tree = Shell_.CommandTree();
    const bool active = Shell_.Serial().IsTdrActive();
    const auto feeds = [&](std::string_view generator) {
        if (!active) return false;
        for (const char* header : {"TDR:Ch1:Destination", "TDR:Ch2:Destination"}) {
            const auto* h = FindSetting<TRadioSwHandler>(tree, header);
            if (h && h->FindItem(generator) >= 0 && h->GetItemIndex() == h->FindItem(generator)) return true;
        }
        return false;
    };
    const bool g1 = feeds("G1");
    const bool g2 = feeds("G2");
    Mode_->SetDisabled(g1 || g2);
    if (g1 || g2) Mode_->SetItemIndex(gmStep);
    Out_[0].Polarity->SetDisabled(g1);
    if (g1) Out_[0].Polarity->SetItemIndex(1);
    Out_[1].Polarity->SetDisabled(g2);
    if (g2) Out_[1].Polarity->SetItemIndex(1);
}

}  // namespace vt
