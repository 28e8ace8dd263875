#include "acq/Channels.h"

#include <cmath>

#include "acq/SignalSources.h"
#include "acq/Timebase.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/Shell.h"
#include "core/StepSeries.h"
#include "core/WindowBindings.h"
#include "link/CommandSenders.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr int ExponentMode = 3;
constexpr int GeneralMode = 0;
constexpr double LimitTolerance = 1e-10;

}  // namespace

TChannels::TChannels(TShell& shell, TTimebase& timebase) : Shell_(shell), Timebase_(timebase) {}

std::size_t TChannels::Slot(int channel) { return channel == ChannelIndex2 ? 1 : 0; }

// -------------------------------------------------------------------------------------- registration

void TChannels::CreateChannelHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    SelectL_ = &root.AddRadioHandler("SHADOW:MenuSelectL", {.Items = "Ch1,Ch2", .Initial = 0});
    SelectR_ = &root.AddRadioHandler("SHADOW:MenuSelectR", {.Items = "Ch1,Ch2", .Initial = 1});
    CreateOneChannel(tree, ChannelIndex1);
    CreateOneChannel(tree, ChannelIndex2);
}

void TChannels::CreateOneChannel(TCommandTree& tree, int channel) {
    TSpider& root = tree.Root();
    TChannelHandlers& c = Ch_[Slot(channel)];
    const std::string prefix = "Ch" + std::to_string(ChannelNumber(channel)) + ":";
    const int color = ChannelSignalIndex(channel, 0);
    const auto breakAfter = [this](THandler&) { Break(); };
    const auto redisplay = [this, channel](THandler&) { RedisplayScaleAndOffset(channel); };
    const auto switchChange = [this, channel](THandler&) { ChannelSwitchChanged(channel); };
    // A real setting of the table: limits, default, steps, resolution, units and digits.
    const auto real = [&](const char* name, double initial, TEditConfig config, THandlerCallback after) {
        return &root.AddDoubleEditHandler(
            prefix + name, {.Initial = initial, .Config = std::move(config), .ColorSource = color, .AfterChange = after});
    };

    c.Display = &root.AddOnOffHandler(prefix + "Display", {.Initial = true, .AfterChange = switchChange});
    c.Acquire = &root.AddOnOffHandler(prefix + "Acquire", {.Initial = true, .AfterChange = switchChange});
    c.Scale = real("Scale", 0.2,
                   {.Minimum = 0.002, .Default = 0.05, .Maximum = 0.5, .CoarseStep = 1, .CoarseKind = sk125,
                    .FineStep = 0.005, .FineKind = skProportional, .Resolution = 1e-7, .Units = "V",
                    .FormatMode = ExponentMode, .Digits = 4},
                   [this, channel](THandler& h) { ScaleChanged(h, channel); });
    c.Offset = real("Offset", 0,
                    {.Minimum = -1, .Default = 0, .Maximum = 1, .CoarseStep = 0.025, .CoarseKind = skGrid,
                     .FineStep = 0.001, .FineKind = skGrid, .Resolution = 0.0001, .Units = "V",
                     .FormatMode = ExponentMode, .Digits = 4},
                    [this, channel](THandler&) { SendOffsetComp(channel); });
    c.RhoScale = real("RhoScale", 0.5,
                      {.Minimum = 0.01, .Default = 0.5, .Maximum = 2, .CoarseStep = 1, .CoarseKind = sk125,
                       .FineStep = 0.001, .FineKind = skProportional, .Resolution = 1e-6, .Units = "Rho/div",
                       .FormatMode = ExponentMode, .Digits = 4},
                      breakAfter);
    c.RhoOffset = real("RhoOffset", 0,
                       {.Minimum = -8, .Default = 0, .Maximum = 8, .CoarseStep = 0.5, .CoarseKind = skLinear,
                        .FineStep = 0.1, .FineKind = skLinear, .Resolution = 0.001, .Units = "Rho",
                        .FormatMode = ExponentMode, .Digits = 4},
                       breakAfter);
    c.OhmScale = real("OhmScale", 20,
                      {.Minimum = 1, .Default = 20, .Maximum = 100, .CoarseStep = 1, .CoarseKind = sk125,
                       .FineStep = 0.1, .FineKind = skProportional, .Resolution = 0.1, .Units = "Ohm/div",
                       .FormatMode = ExponentMode, .Digits = 4},
                      breakAfter);
    c.OhmOffset = real("OhmOffset", 0,
                       {.Minimum = -400, .Default = 0, .Maximum = 400, .CoarseStep = 10, .CoarseKind = skLinear,
                        .FineStep = 1, .FineKind = skLinear, .Resolution = 0.1, .Units = "Ohm",
                        .FormatMode = ExponentMode, .Digits = 4},
                       breakAfter);
    c.GainScale = real("GainScale", 0.5,
                       {.Minimum = 0.01, .Default = 0.5, .Maximum = 100, .CoarseStep = 1, .CoarseKind = sk125,
                        .FineStep = 0.005, .FineKind = skProportional, .Resolution = 0.0001, .Units = "/div",
                        .FormatMode = ExponentMode, .Digits = 4},
                       breakAfter);
    c.GainOffset = real("GainOffset", 0,
                        {.Minimum = -400, .Default = 0, .Maximum = 400, .CoarseStep = 0.1, .CoarseKind = skGrid,
                         .FineStep = 0.001, .FineKind = skGrid, .Resolution = 0.0001, .FormatMode = ExponentMode,
                         .Digits = 4},
                        breakAfter);
    c.Band = &root.AddRadioHandler(prefix + "Band", {.Items = "Full,Narrow", .Initial = 0, .AfterChange =
                                                         [this, channel](THandler&) { BandChanged(channel); }});
    c.AttenUnit = &root.AddRadioHandler(
        prefix + "Atten:Unit", {.Items = " Off , Ratio , DB", .Initial = auOff, .AfterChange = [this, channel](THandler&) {
                                    AttenuationUnitChanged(channel);
                                }});
    c.AttenRatio = real("Atten:Ratio", 1,
                        {.Minimum = 1e-4, .Default = 1, .Maximum = 1e6, .CoarseStep = 1, .CoarseKind = sk125,
                         .FineStep = 1e-4, .FineKind = skProportional, .Resolution = 1e-6, .Units = ":1",
                         .FormatMode = GeneralMode, .Digits = 7},
                        redisplay);
    c.AttenDB = real("Atten:DB", 0,
                     {.Minimum = -80, .Default = 0, .Maximum = 120, .CoarseStep = 1, .CoarseKind = skDbLadder,
                      .FineStep = 0.2, .FineKind = skGrid, .Resolution = 0.05, .Units = "dB",
                      .FormatMode = GeneralMode, .Digits = 6},
                     redisplay);
    c.AttenDimens = &root.AddRadioHandler(
        prefix + "Atten:Dimens", {.Items = "Volt, Watt, Ampere, Unknown", .Initial = 0, .AfterChange = redisplay});
    c.Deskew = real("Deskew", 0,
                    {.Minimum = 0, .Default = 1e-8, .Maximum = 1e-7, .CoarseStep = 1e-9, .CoarseKind = skLinear,
                     .FineStep = 1e-12, .FineKind = skGrid, .Resolution = 1e-13, .Units = "s",
                     .FormatMode = ExponentMode, .Digits = 6},
                    breakAfter);

    // Scale and offset show and take the values the user sees at the probe's end, in the probe's unit
    // also while a TDR/TDT state shows the record in other units (those have settings of their own).
    c.Scale->SetOnFormat([this, channel](TEditHandler&, double v) {
        const double k = Shell_.Display().VerticalCompression();
        return FloatToEngStr(ExponentMode, 4, false, false, k * ChannelAttenuationFactor(channel) * v) +
               ProbeUnitText(channel) + Shell_.LangStr("ByDiv");
    });
    c.Scale->SetOnCorrectValue([this, channel](TEditHandler&, double v) {
        return v / ChannelAttenuationFactor(channel) / Shell_.Display().VerticalCompression();
    });
    c.Offset->SetOnFormat([this, channel](TEditHandler&, double v) {
        return FloatToEngStr(ExponentMode, 4, false, false, -ChannelAttenuationFactor(channel) * v) +
               ProbeUnitText(channel);
    });
    c.Offset->SetOnCorrectValue(
        [this, channel](TEditHandler&, double v) { return -v / ChannelAttenuationFactor(channel); });
}

// ----------------------------------------------------------------------------------------- questions

bool TChannels::IsChannelOn(int channel) const {
    const TChannelHandlers& c = Handlers(channel);
    return GetOn(c.Display) || GetOn(c.Acquire);
}

bool TChannels::IsSignalShown(int source) const {
    const TSignalRecords* records = Shell_.Records();
    if (!records || !records->SignalsOn().IsOn(source)) return false;
    if (source == ssCh1 || source == ssCh1B2) return GetOn(Handlers(ChannelIndex1).Display);
    if (source == ssCh2 || source == ssCh2B2) return GetOn(Handlers(ChannelIndex2).Display);
    return true;
}

int TChannels::TdrState(int channel) const { return Shell_.Serial().TdrChannelState(channel); }

double TChannels::ChannelAttenuationFactor(int channel) const {
    if (TdrState(channel) != 0) return 1;
    const TChannelHandlers& c = Handlers(channel);
    switch (GetItemIndex(c.AttenUnit)) {
        case auRatio: return GetValue(c.AttenRatio);
        case auDb: return std::pow(10.0, GetValue(c.AttenDB) / 20);
        default: return 1;
    }
}

std::string TChannels::ChannelUnitText(int channel) const {
    switch (TdrState(channel)) {
        case 1: return "Rho";
        case 2: return "Ohm";
        case 3: return "";
        default: return ProbeUnitText(channel);
    }
}

std::string TChannels::ProbeUnitText(int channel) const {
    // A TDR/TDT state takes the probe's attenuation out (factor 1): its settings are plain volts.
    if (TdrState(channel) != 0) return "V";
    const TChannelHandlers& c = Handlers(channel);
    if (GetItemIndex(c.AttenUnit) == auOff) return "V";
    static const char* const Dimens[] = {"V", "W", "A", "?"};
    const int d = GetItemIndex(c.AttenDimens);
    return Dimens[d >= 0 && d < 4 ? d : 3];
}

std::string TChannels::ChannelScaleUnitPrefix(int channel) const {
    switch (TdrState(channel)) {
        case 1: return "Rho";
        case 2: return "Ohm";
        case 3: return "Gain";
        default: return "";
    }
}

double TChannels::Offset(int channel) const { return GetValue(Handlers(channel).Offset); }

double TChannels::Deskew(int channel) const { return GetValue(Handlers(channel).Deskew); }

// ------------------------------------------------------------------------------------------- changes

void TChannels::Break() {
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
}

void TChannels::ScaleChanged(THandler& h, int channel) {
    TChannelHandlers& c = Ch_[Slot(channel)];
    if (FedByOEConverter && FedByOEConverter(channel)) {
        auto& edit = static_cast<TDoubleEditHandler&>(h);
        if (h.GetWhoChangedRaw() == wcvSwitcher && !edit.FineAction()) {
            const double v = edit.GetValue();
            const bool atLimit = std::fabs(v - edit.MinValue()) < LimitTolerance ||
                                 std::fabs(v - edit.MaxValue()) < LimitTolerance;
            if (!atLimit) {
                const double factor = ChannelAttenuationFactor(channel);
                edit.SetValue(CorrectNewVal1_2_5(v * factor) / factor);
            }
        }
        c.Offset->SetValue(-3 * c.Scale->GetValue());
    }
    Break();
}

void TChannels::SendOffsetComp(int channel) {
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendChannelComp(channel, -Offset(channel));
}

void TChannels::ChannelSwitchChanged(int channel) {
    TChannelHandlers& c = Ch_[Slot(channel)];
    const int other = OtherChannelIndex(channel);
    c.Acquire->SetDisabled(c.Display->GetOn());
    if (TSignalRecords* records = Shell_.Records()) {
        TSignalsOn& on = records->SignalsOn();
        const bool channelOn = IsChannelOn(channel);
        on.SetOn(ChannelSignalIndex(channel, 0), channelOn);
        on.SetOn(ChannelSignalIndex(channel, 1),
                 channelOn && Timebase_.Mode() == tbmB && GetOn(Timebase_.DualDel()));
        // One channel always acquires.
        const TChannelHandlers& o = Handlers(other);
        if (!channelOn && o.Acquire && !IsChannelOn(other)) {
            on.SetOn(ChannelSignalIndex(other, 0), true);
            o.Acquire->SetOn(true);
        }
    }
    RefreshEnabledStates(channel);
    if (channel == ChannelIndex2) Timebase_.RefreshTimebaseState(true);
    Break();
    Shell_.Serial().RefreshTdrChannelChoice();
    SendAcqChannels();
}

void TChannels::SendAcqChannels() {
    TInstrumentSenders* s = Shell_.Senders();
    if (!s || !Ch_[1].Display) return;
    const bool ch1 = IsChannelOn(ChannelIndex1);
    const bool ch2 = IsChannelOn(ChannelIndex2);
    s->SendAcqChannels(!ch2 ? chCodeCh1 : ch1 ? chCodeBoth : chCodeCh2);
}

void TChannels::RefreshEnabledStates(int channel) {
    TChannelHandlers& c = Ch_[Slot(channel)];
    const TSignalRecords* records = Shell_.Records();
    const bool on = records ? records->SignalsOn().IsOn(ChannelSignalIndex(channel, 0)) : IsChannelOn(channel);
    const int state = TdrState(channel);
    c.Scale->SetDisabled(!on || state != 0);
    c.Offset->SetDisabled(!on || state != 0);
    c.RhoScale->SetDisabled(!(on && state == 1));
    c.RhoOffset->SetDisabled(!(on && state == 1));
    c.OhmScale->SetDisabled(!(on && state == 2));
    c.OhmOffset->SetDisabled(!(on && state == 2));
    c.GainScale->SetDisabled(!(on && state == 3));
    c.GainOffset->SetDisabled(!(on && state == 3));
    c.Band->SetDisabled(!on);
    c.Deskew->SetDisabled(!on);
    c.AttenUnit->SetDisabled(!on);
    AttenuationUnitChanged(channel);
    Shell_.Display().TopTextShowColumns();
}

void TChannels::AttenuationUnitChanged(int channel) {
    TChannelHandlers& c = Ch_[Slot(channel)];
    Break();
    if (!c.Display->GetOn()) {
        Shell_.Display().FreeSignalLayer(ChannelSignalIndex(channel, 0));
        Shell_.Display().FreeSignalLayer(ChannelSignalIndex(channel, 1));
    }
    const TSignalRecords* records = Shell_.Records();
    const bool on = records ? records->SignalsOn().IsOn(ChannelSignalIndex(channel, 0)) : IsChannelOn(channel);
    const int unit = c.AttenUnit->GetItemIndex();
    c.AttenRatio->SetDisabled(!(on && unit == auRatio));
    c.AttenDB->SetDisabled(!(on && unit == auDb));
    c.AttenDimens->SetDisabled(!(on && unit != auOff));
    RedisplayScaleAndOffset(channel);
}

void TChannels::RedisplayScaleAndOffset(int channel) {
    TChannelHandlers& c = Ch_[Slot(channel)];
    c.Scale->NotifySwitchers();
    c.Offset->NotifySwitchers();
}

void TChannels::BandChanged(int channel) {
    if (TInstrumentSenders* s = Shell_.Senders()) s->SendChannelBand(channel, Handlers(channel).Band->GetItemIndex());
    Shell_.Display().TopTextShowColumns();
    Break();
}

void TChannels::UpdateChannelScaleMnemonics(int channel) {
    Break();
    RefreshEnabledStates(channel);
    if (TWindowBindings* w = Shell_.WindowBindings()) {
        const int number = ChannelNumber(channel);
        const std::string prefix = "Ch" + std::to_string(number) + ":" + ChannelScaleUnitPrefix(channel);
        w->BindChannelScaleEdit(number, prefix + "Scale");
        w->BindChannelOffsetEdit(number, prefix + "Offset");
        w->RefreshSideMenu(mkChannels);
    }
}

void TChannels::RefreshChannelHandlers() {
    if (!Ch_[1].Display) return;
    for (int channel : {ChannelIndex1, ChannelIndex2}) {
        SendOffsetComp(channel);
        UpdateChannelScaleMnemonics(channel);
        ChannelSwitchChanged(channel);
        BandChanged(channel);
    }
}

void TChannels::RefreshChannelScales() {
    for (int channel : {ChannelIndex1, ChannelIndex2}) RedisplayScaleAndOffset(channel);
}

}  // namespace vt
