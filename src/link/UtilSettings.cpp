#include "link/UtilSettings.h"

#include <cmath>

#include "core/BitRates.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr int TrigSourceIntClock = 2;
constexpr int ExponentMode = 3;  // engineering form: a prefix for each power of a thousand
enum : int { vcalOff = 0, vcalBiMeander = 3 };
enum : int { hcalClock = 1 };
enum : std::uint32_t { calPowerOn = 1, calPeriod = 2, calTemperat = 4 };
constexpr std::uint32_t OffItem = 1;  // item "Off" of the routings

TCommandTree& Tree(TShell& shell) { return *shell.CommandTree(); }

template <class H>
H* Find(TShell& shell, std::string_view path) {
    return FindSetting<H>(shell.CommandTree(), path);
}

void Reconfigure(TShell& shell) {
    if (TTutorial* simulator = shell.Simulator()) simulator->DemoSetupPatternGenerators();
}

bool Connected(TShell& shell) { return shell.Link() && shell.Link()->IsInstrumentConnected(); }

void SetEnabled(THandler* h, bool enabled) {
    if (h) h->SetDisabled(!enabled);
}

// Algorithm of the calibrator mode: the voltage's enabling, limits and display.
void CalibratorModeChanged(TShell& shell) {
    auto* mode = Find<TRadioSwHandler>(shell, "Util:VCalMode");
    auto* volt = Find<TDoubleEditHandler>(shell, "Util:VCalVolt");
    if (!mode || !volt) return;
    volt->SetDisabled(mode->GetItemIndex() == vcalOff);
    if (mode->GetItemIndex() == vcalBiMeander) {
        if (volt->GetValue() < 0) volt->SetValue(-volt->GetValue());
        volt->SetMinValue(0);
        volt->SetDefaultValue(0.2);
        volt->SetOnFormat([](TEditHandler&, double v) { return "\xC2\xB1" + FloatToStrDot(v) + "V"; });
    } else {
        volt->SetMinValue(-1);
        volt->SetDefaultValue(0);
        volt->SetOnFormat({});
    }
}

// Algorithm of the clock mode: the period's enabling and its minimum by the trigger source.
void ClockModeChanged(TShell& shell) {
    auto* mode = Find<TRadioSwHandler>(shell, "Util:HCalMode");
    auto* period = Find<TDoubleEditHandler>(shell, "Util:ClcPeriod");
    if (!mode || !period) return;
    period->SetDisabled(mode->GetItemIndex() != hcalClock);
    const bool intClock = ReadChoiceSetting(shell.CommandTree(), "Trig:Source", 0) == TrigSourceIntClock;
    if (!intClock) {
        period->SetMinValue(8e-8);
    } else if (mode->GetItemIndex() == hcalClock) {
        period->SetMinValue(1e-5);
        period->SetValue(ReadRealSetting(shell.CommandTree(), "Trig:IntRate", 1e-5));
    }
}

void ClockPeriodChanged(TShell& shell, TDoubleEditHandler& h) {
    if (h.StepDirection() != 0 && !h.RunActive()) h.SetValue(ClcPeriodLadder(h.GetValue(), h.StepDirection() == 1));
    const TWhoChanged who = h.GetWhoChangedRaw();
    if (who != wcvSwitcher && who != wcvRemote && who != wcvCommandList) return;
    if (ReadChoiceSetting(shell.CommandTree(), "Trig:Source", 0) == TrigSourceIntClock) {
        if (auto* rate = Find<TEditHandler>(shell, "Trig:IntRate")) rate->SetValue(h.GetValue());
    } else if (TInstrumentSenders* senders = shell.Senders()) {
        senders->SendTrigIntRate(h.GetValue());
    }
}

void ScheduleChanged(TShell& shell) {
    const std::uint32_t mask = GetMask(Find<TCheckSwHandler>(shell, "Util:CalibrWhen"));
    SetEnabled(Find<THandler>(shell, "Util:CalPeriod"), (mask & calPeriod) != 0);
    SetEnabled(Find<THandler>(shell, "Util:TempChange"), (mask & calTemperat) != 0);
}

void RoutingChanged(TShell& shell, TRadioSwHandler& routing) {
    const int generator = routing.GetItemIndex();
    if (generator >= 1 && generator <= 4)
        if (auto* select = Find<TRadioSwHandler>(shell, "SHADOW:GssSelect")) select->SetItemIndex(generator - 1);
    Reconfigure(shell);
}

void StandardRateChanged(TShell& shell, int g) {
    auto* stdFreq = Find<TRadioSwHandler>(shell, GssPath(g, "StdFreq"));
    if (!stdFreq || stdFreq->IsDisabled() || stdFreq->GetItemIndex() == 0) return;
    const TBitRateValue& rates = StandardBitRates();
    const int i = stdFreq->GetItemIndex() - 1;
    if (i < rates.Count())
        if (auto* f = Find<TEditHandler>(shell, GssPath(g, "Frequency"))) f->SetValue(rates.GetRate(i));
}

void WaveformChanged(TShell& shell, int g) {
    const int w = ReadChoiceSetting(shell.CommandTree(), GssPath(g, "Waweform"), 0);
    const bool pulse = w == gwPulse, prbs = w == gwPrbs, tdrTdt = w == gwTdr || w == gwTdt;
    SetEnabled(Find<THandler>(shell, GssPath(g, "PulseWidth")), pulse);
    for (const char* s : {"RiseTime", "FallTime", "PosOvershot", "NegOvershot", "Droop"})
        SetEnabled(Find<THandler>(shell, GssPath(g, s)), pulse || prbs);
    for (const char* s : {"StdFreq", "PrbsMode", "PrbsTrigger", "PrbsLength"})
        SetEnabled(Find<THandler>(shell, GssPath(g, s)), prbs);
    SetEnabled(Find<THandler>(shell, GssPath(g, "Amplitude")), !tdrTdt);
    SetEnabled(Find<THandler>(shell, GssPath(g, "Frequency")), !tdrTdt);
    Reconfigure(shell);
}

struct TGenStarts {
    int Waveform;
    double Jitter, Offset, Noise;
    int PrbsMode;
};
constexpr TGenStarts GenStarts[4] = {
    {gwSinewave, 2e-12, 0, 0.002, 0}, {gwPulse, 2e-12, 0, 0.002, 0}, {gwPrbs, 5e-12, -0.25, 0.005, 0}, {gwPrbs, 5e-12, -0.25, 0.005, 1}};

TEditConfig Numeric(double lo, double def, double hi, int coarseKind, double coarse, int fineKind, double fine,
                    double resolution, const char* units) {
    return TEditConfig{.Minimum = lo, .Default = def, .Maximum = hi, .CoarseStep = coarse, .CoarseKind = coarseKind,
                       .FineStep = fine, .FineKind = fineKind, .Resolution = resolution, .Units = units};
}

void RegisterGenerator(TShell& shell, int g) {
    TSpider& root = Tree(shell).Root();
    const TGenStarts& st = GenStarts[g - 1];
    auto sim = [&shell](THandler&) { Reconfigure(shell); };
    auto real = [&](const char* suffix, double initial, const TEditConfig& config, THandlerCallback after = {}) {
        root.AddDoubleEditHandler(GssPath(g, suffix), {.Initial = initial, .Config = config, .AfterChange = std::move(after)});
    };
    auto integer = [&](const char* suffix, double initial, const TEditConfig& config, THandlerCallback after = {}) {
        root.AddIntEditHandler(GssPath(g, suffix), {.Initial = initial, .Config = config, .AfterChange = std::move(after)});
    };
    root.AddRadioHandler(GssPath(g, "Waweform"), {.Items = "Sinewave,Pulse,PRBS,TDR,TDT", .Initial = st.Waveform,
                                                  .AfterChange = [&shell, g](THandler&) { WaveformChanged(shell, g); }});
    real("Amplitude", 0.5, Numeric(0.001, 1, 2, sk125, 0, skProportional, 0.005, 0.0005, "V"));
    real("Frequency", 1e8, Numeric(50, 1e9, 5e10, sk125, 0, skProportional, 0.005, 1, "Hz"), [&shell, g](THandler& h) {
        Reconfigure(shell);
        if (h.GetWhoChangedRaw() != wcvProgram)
            if (auto* stdFreq = Find<TRadioSwHandler>(shell, GssPath(g, "StdFreq"))) stdFreq->SetItemIndex(0);
    });
    integer("TDROvershot", 10, Numeric(0, 10, 50, skGrid, 5, skGrid, 1, 1, "%"));
    integer("TDRSkol", 5, Numeric(-20, 0, 20, skGrid, 5, skGrid, 1, 1, "%"));
    root.AddRadioHandler(GssPath(g, "TDRCircuit"), {.Items = "Off,Open,Short,R50,Rx,RR5015050,Lx,Cx", .Initial = 1});
    root.AddRadioHandler(GssPath(g, "TDTCircuit"), {.Items = "Off,Stimul,DB6NS3,RR5015050,Lx,Cx", .Initial = 1});
    real("Jitter", st.Jitter, Numeric(1e-14, 1e-12, 5e-5, skProportional, 0.1, skProportional, 0.01, 1e-14, "s"));
    real("PulseWidth", 1e-9, Numeric(2e-11, 1e-9, 0.0005, sk125, 0, skProportional, 0.01, 1e-12, "s"), sim);
    real("RiseTime", 1e-10, Numeric(1e-11, 1e-10, 0.0001, sk125, 0, skProportional, 0.01, 1e-12, "s"), sim);
    real("FallTime", 1e-10, Numeric(1e-11, 1e-10, 0.0001, sk125, 0, skProportional, 0.01, 1e-12, "s"), sim);
    real("Phase", 0, Numeric(-180, 0, 180, skGrid, 15, skGrid, 0.5, 0.1, "\xC2\xB0"));
    real("DeltaPhase", 0, Numeric(-5, 0, 5, skGrid, 0.05, skGrid, 0.001, 0.0001, "\xC2\xB0"));
    real("Offset", st.Offset, Numeric(-1, 0, 1, skGrid, 0.01, skGrid, 0.0005, 0.0001, "V"));
    // Millivolts of noise read "2 mV" as every other voltage does, not "0.002 V".
    TEditConfig noise = Numeric(0.0001, 0.001, 0.1, skProportional, 0.1, skProportional, 0.01, 0.0001, "V");
    noise.FormatMode = ExponentMode;
    real("Noise", st.Noise, noise);
    real("PosOvershot", 0, Numeric(-70, 0, 300, skGrid, 5, skGrid, 0.1, 0.01, "%"), sim);
    real("NegOvershot", 0, Numeric(-29, 0, 300, skGrid, 5, skGrid, 0.1, 0.01, "%"), sim);
    real("Droop", 0, Numeric(-10, 0, 70, skGrid, 5, skGrid, 0.1, 0.01, "%"), sim);
    auto& stdFreq = root.AddRadioHandler(GssPath(g, "StdFreq"),
                                     {.Items = "Custom," + StandardBitRates().GetListText(), .Initial = 24,
                                      .AfterChange = [&shell, g](THandler&) { StandardRateChanged(shell, g); }});
    if (g <= 2) stdFreq.SetDisabled(true);
    root.AddRadioHandler(GssPath(g, "PrbsMode"), {.Items = "NRZ,RZ", .Initial = st.PrbsMode, .AfterChange = sim});
    root.AddRadioHandler(GssPath(g, "PrbsTrigger"), {.Items = "Takt,Kadr", .Initial = 0});
    root.AddRadioHandler(GssPath(g, "PrbsLength"), {.Items = "5,7,11,15", .Initial = 0, .AfterChange = sim});
    root.AddRadioHandler(GssPath(g, "PrbsLenMode"), {.Items = "2NMinus1,2PowerN", .Initial = 0, .AfterChange = sim});
    real("PeriodJitter", 0, Numeric(0, 5, 50, skGrid, 1, skGrid, 0.1, 0.05, "%"));
    real("InterSymbIJ", 0, Numeric(-25, 0, 25, skGrid, 1, skGrid, 0.1, 0.05, "%"), sim);
    real("DutyCycleDist", 0, Numeric(-20, 0, 20, skGrid, 2, skGrid, 0.1, 0.05, "%"), sim);
    real("SubRateJit", 0, Numeric(0, 5, 25, skGrid, 1, skGrid, 0.1, 0.05, "%"), sim);
    integer("SubRateDiv", 0, Numeric(2, 8, 32, skGrid, 1, skGrid, 1, 1, ""), sim);
}

}  // namespace

std::string GssPath(int generator, const char* suffix) {
    std::string path = "GSS:";
    path += static_cast<char>('A' + generator - 1);
    path += ':';
    path += suffix;
    return path;
}

void ApplyUtilClockLimits(TShell& shell) { ClockModeChanged(shell); }

double ClcPeriodLadder(double v, bool up) {
    if (v < 1.99e-7) return up ? 2e-7 : 8e-8;
    if (v >= 2.01e-7 && v < 3.99e-7) return up ? 4e-7 : 2e-7;
    if (v >= 4.01e-7 && v < 9.99e-7) return up ? 1e-6 : 4e-7;
    if (v < 1.001e-6) return v;  // within the tolerance of 2e-7, 4e-7 or 1e-6
    // 1e-6, 2e-6, 5e-6, 1e-5 ...: the ladder values around v.
    double below = 1e-6;
    for (int k = 0; k < 40; ++k) {
        static constexpr double Factors[] = {2, 2.5, 2};
        const double above = below * Factors[k % 3];
        if (std::fabs(v - below) <= 1e-9 || std::fabs(v - above) <= 1e-9) return v;
        if (v < above) return up ? above : below;
        below = above;
    }
    return v;
}

void CreateUtilHandlers(TShell& shell) {
    TSpider& root = Tree(shell).Root();
    const bool connected = Connected(shell);
    root.AddRadioHandler("Shadow:Lang", {.Items = "1", .Initial = 0,
                                         .AfterChange = [&shell](THandler&) { shell.LanguageSwitchRequest = true; }});
    root.AddRadioHandler("Util:VCalMode", {.Items = "Off,DC,UniMeander,BiMeander", .Initial = 0,
                                           .AfterChange = [&shell](THandler&) { CalibratorModeChanged(shell); }});
    root.AddDoubleEditHandler("Util:VCalVolt", {.Initial = 0, .Config = Numeric(-1, 0, 1, skLinear, 0.025, skGrid, 0.001, 0.0001, "V")});
    root.AddRadioHandler("Util:HCalMode", {.Items = "Off,Clock,IntChan,IntChShift", .Initial = 0,
                                           .AfterChange = [&shell](THandler&) { ClockModeChanged(shell); }});
    root.AddDoubleEditHandler("Util:ClcPeriod",
                              {.Initial = 8e-8, .Config = Numeric(8e-8, 1e-5, 0.002, skGrid, 4e-8, skGrid, 4e-8, 4e-8, "s"),
                               .AfterChange = [&shell](THandler& h) {
                                   ClockPeriodChanged(shell, static_cast<TDoubleEditHandler&>(h));
                               }});
    root.AddCheckHandler("Util:CalibrWhen", {.Items = "PowerOn,Period,Temperat",
                                             .InitialMask = connected ? (calPowerOn | calTemperat) : 0u,
                                             .AfterChange = [&shell](THandler&) { ScheduleChanged(shell); }});
    root.AddDoubleEditHandler("Util:CalPeriod", {.Initial = 1, .Config = Numeric(0.25, 4, 16, skPowerOf2, 0, skNone, 0, 0.01, "h")});
    root.AddDoubleEditHandler("Util:TempChange",
                              {.Initial = 3, .Config = Numeric(0.5, 3, 10, skGrid, 1, skGrid, 0.5, 0.01, "\xC2\xB0" "C")});
    for (int ch = 0; ch < 2; ++ch)
        root.AddRadioHandler(ch == 0 ? "GSS:Ch1" : "GSS:Ch2",
                             {.Items = "Off,A,B,C,D", .Initial = connected ? 0 : ch + 1,
                              .DisabledMask = connected ? 0u : OffItem,
                              .AfterChange = [&shell](THandler& h) { RoutingChanged(shell, static_cast<TRadioSwHandler&>(h)); }});
    root.AddRadioHandler("SHADOW:GssSelect", {.Items = "A,B,C,D", .Initial = 0});
    for (int g = 1; g <= 4; ++g) RegisterGenerator(shell, g);
}

void RefreshUtilHandlers(TShell& shell, bool ch1Shown) {
    CalibratorModeChanged(shell);
    ClockModeChanged(shell);
    ScheduleChanged(shell);
    const TInstrumentIdentityUnit* identity = shell.Identity();
    const bool generators = identity && identity->Identity.HasOptGenerators();
    for (int g = 1; g <= 4; ++g) {
        if (auto* w = Find<TRadioSwHandler>(shell, GssPath(g, "Waweform"))) {
            const std::uint32_t tdr = 1u << gwTdr;
            w->SetDisabledMask(generators ? (w->GetDisabledMask() & ~tdr) : (w->GetDisabledMask() | tdr));
        }
        WaveformChanged(shell, g);
        StandardRateChanged(shell, g);
    }
    if (ch1Shown)
        if (auto* select = Find<TRadioSwHandler>(shell, "SHADOW:GssSelect")) select->SetItemIndex(0);
}

void ApplyGssDefaultsForLink(TShell& shell) {
    const bool connected = Connected(shell);
    for (int ch = 0; ch < 2; ++ch) {
        auto* routing = Find<TRadioSwHandler>(shell, ch == 0 ? "GSS:Ch1" : "GSS:Ch2");
        if (!routing) continue;
        routing->SetDisabledMask(connected ? (routing->GetDisabledMask() & ~OffItem) : (routing->GetDisabledMask() | OffItem));
        routing->SetItemIndex(connected ? 0 : ch + 1);
    }
    if (!connected)
        if (auto* when = Find<TCheckSwHandler>(shell, "Util:CalibrWhen")) when->SetMask(0);
}

int GetSelectedGssWaveform(TShell& shell) {
    const int g = ReadChoiceSetting(shell.CommandTree(), "SHADOW:GssSelect", 0) + 1;
    return ReadChoiceSetting(shell.CommandTree(), GssPath(g, "Waweform"), 0);
}

void RestrictGssWaveformsForTdr(TShell& shell, int kind) {
    const std::uint32_t tdr = 1u << gwTdr, tdt = 1u << gwTdt;
    for (int g = 1; g <= 4; ++g) {
        auto* w = Find<TRadioSwHandler>(shell, GssPath(g, "Waweform"));
        if (!w) continue;
        std::uint32_t mask = w->GetDisabledMask() & ~(tdr | tdt);
        if (kind == 1) {
            if (w->GetItemIndex() == gwTdt) w->SetItemIndex(gwTdr);
            mask |= tdt;
        } else if (kind == 2) {
            if (w->GetItemIndex() == gwTdr) w->SetItemIndex(gwTdt);
            mask |= tdr;
        }
        w->SetDisabledMask(mask);
    }
}

namespace {
void SetCircuit(TShell& shell, int channel, int value, const char* suffix) {
    const int g = ReadChoiceSetting(shell.CommandTree(), channel == 3 ? "GSS:Ch2" : "GSS:Ch1", 0);
    if (g < 1 || g > 4) return;
    if (auto* h = Find<TRadioSwHandler>(shell, GssPath(g, suffix))) h->SetItemIndex(value);
}
}  // namespace

void SetChannelGeneratorFlag(TShell& shell, int channel, int value) { SetCircuit(shell, channel, value, "TDRCircuit"); }
void SetChannelGeneratorFlag2(TShell& shell, int channel, int value) { SetCircuit(shell, channel, value, "TDTCircuit"); }

}  // namespace vt
