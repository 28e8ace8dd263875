#include "acq/RampTest.h"

#include <cmath>
#include <string>

#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Shell.h"
#include "link/AdjustmentCommands.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr int ExponentMode = 3;
constexpr const char* CyrillicA = "\u0410";
constexpr double JitterNone = 5e-14;  // the stand's "no jitter" value

TEditConfig Numeric(double minimum, double def, double maximum, double coarse, double fine, double resolution,
                    const char* units, int digits) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseStep = coarse, .CoarseKind = skGrid,
            .FineStep = fine, .FineKind = skGrid, .Resolution = resolution, .Units = units,
            .FormatMode = ExponentMode, .Digits = digits};
}

}  // namespace

void TRampTest::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateRampTestHandlers, [this](TShell& s) {
        if (TCommandTree* tree = s.CommandTree()) CreateRampTestHandlers(*tree);
    });
    shell.Registration.Add(TRegistrationRow::CreateRampDACHandlers, [this](TShell& s) {
        if (TCommandTree* tree = s.CommandTree()) CreateRampDACHandlers(*tree);
    });
    shell.LateRegistration.Add(TLateRegistrationRow::CreateRampDACSelectHandler, [this](TShell& s) {
        if (TCommandTree* tree = s.CommandTree()) CreateRampDACSelectHandler(*tree);
    });
}

bool TRampTest::Connected() const {
    const TInstrumentLink* link = Shell_.Link();
    return link && link->IsInstrumentConnected();
}

void TRampTest::CreateRampTestHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    const auto onOff = [this](const char* command, auto isOn) {
        return [this, command, isOn](THandler& h) {
            if (TInstrumentLink* link = Shell_.Link()) link->SendOnOffCommand(command, isOn(h));
        };
    };
    const auto integer = [this, &root](const char* header, const char* command, double maximum, double def,
                                       double coarse) {
        root.AddIntEditHandler(header, {.Initial = 0, .Config = Numeric(0, def, maximum, coarse, 1, 1, "", 5),
                                        .AfterChange = [this, command](THandler& h) {
                                            if (TInstrumentLink* link = Shell_.Link())
                                                link->SendIntCommand(command, static_cast<TIntEditHandler&>(h).GetValue());
                                        }});
    };
    const auto index = [](THandler& h) { return static_cast<TRadioSwHandler&>(h).GetItemIndex(); };
    root.AddRadioHandler("RampTest:Operat", {.Items = "Write,Read", .AfterChange = onOff("RampTest:ReadOp", [=](THandler& h) {
                                                 return index(h) == 1;
                                             })});
    root.AddRadioHandler("RampTest:Mode", {.Items = "Cycle,Manual", .AfterChange = onOff("RampTest:Cycle", [=](THandler& h) {
                                               return index(h) == 0;
                                           })});
    integer("RampTest:Address", "RampTest:Addr", 65535, 32768, 256);
    integer("RampTest:Data", "RampTest:Data", 65535, 32768, 256);
    integer("RampTest:Delay", "RampTest:DelayUs", 100, 1, 1);
    const auto on = [](THandler& h) { return static_cast<TOnOffHandler&>(h).GetOn(); };
    root.AddOnOffHandler("RampTest:IncAddress", {.AfterChange = onOff("RampTest:IncAddress", on)});
    root.AddOnOffHandler("RampTest:IncData", {.AfterChange = onOff("RampTest:IncData", on)});
}

void TRampTest::CreateRampDACHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    const auto itemValue = [this](const char* command) {
        return [this, command](THandler& h) {
            const auto& radio = static_cast<TRadioSwHandler&>(h);
            if (TInstrumentLink* link = Shell_.Link())
                link->SendIntCommand(command, std::stoll(radio.Items()[static_cast<std::size_t>(radio.GetItemIndex())]));
        };
    };
    root.AddRadioHandler("RampDAC:RampLen",
                         {.Items = "128,256,512,1024", .Initial = 2, .AfterChange = itemValue("RampTest:DAC:RampLen")});
    root.AddRadioHandler("RampDAC:StepHigh",
                         {.Items = "1,4,16,64,256", .Initial = 4, .AfterChange = itemValue("RampTest:DAC:StepHigh")});
    const auto integer = [this, &root](const char* header, const char* command, double maximum, double def,
                                       double coarse) {
        root.AddIntEditHandler(header, {.Initial = 0, .Config = Numeric(0, def, maximum, coarse, 1, 1, "", 5),
                                        .AfterChange = [this, command](THandler& h) {
                                            if (TInstrumentLink* link = Shell_.Link())
                                                link->SendIntCommand(command, static_cast<TIntEditHandler&>(h).GetValue());
                                        }});
    };
    integer("RampDAC:InitData", "RampTest:DAC:InitData", 65535, 32768, 256);
    integer("RampDAC:Delay", "RampTest:DAC:DelayUs", 100, 1, 1);
    root.AddRadioHandler("RampDAC:Mode", {.Items = "Cycle,Manual", .AfterChange = [this](THandler& h) {
                                              if (TInstrumentLink* link = Shell_.Link())
                                                  link->SendOnOffCommand("RampTest:DAC:Cycle",
                                                                         static_cast<TRadioSwHandler&>(h).GetItemIndex() == 0);
                                          }});
    const auto bench = [&root](std::string header, double minimum, double start, double def, double maximum,
                               double coarse, double fine, double resolution, const char* units) {
        root.AddDoubleEditHandler(header, {.Initial = start,
                                           .Config = Numeric(minimum, def, maximum, coarse, fine, resolution, units, 5)});
    };
    for (const char* n : {"1", "2"})
        bench(std::string("TestSbor:SRD") + n, 0.0001, 0.03, 0.015, 0.03, 0.0025, 0.0001, 5e-5, CyrillicA);
    for (const char* n : {"1", "2"})
        bench(std::string("TestSbor:BridgeVolt") + n, 1, 1.5, 2, 3, 0.025, 0.001, 0.0001, "V");
    for (const char* n : {"1", "2"})
        bench(std::string("TestSbor:Balance") + n, -0.5, 0, 0, 0.5, 0.025, 0.001, 0.0001, "V");
    bench("TestSbor:Compens", -1, 0, 0, 1, 0.025, 0.001, 0.0001, "V");
    bench("TestSbor:Razmah", -0.2, 0, 0, 0.2, 0.025, 0.001, 0.0001, "V");
}

void TRampTest::CreateRampDACSelectHandler(TCommandTree& tree) {
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    std::string items = "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16";
    if (identity && identity->Identity.ModelType == 8) items += ",17,18";
    Select_ = &tree.Root().AddRadioHandler(
        "RampDAC:Select", {.Items = items, .Replace = true, .AfterChange = [this](THandler&) { SelectChanged(); }});
}

void TRampTest::SelectChanged() {
    // Without an instrument every query answers 0: the choice would always fall back to 0.
    if (TakingBack_ || !Connected()) return;
    const int index = Select_->GetItemIndex();
    const std::int32_t accepted = Shell_.Link()->QueryIntParam("RampTest:DAC:Select", index);
    if (accepted == QueryFailedInt || accepted == index) return;
    TakingBack_ = true;
    Select_->SetItemIndex(accepted);
    TakingBack_ = false;
    if (Calibration_) Calibration_->UpdateFineTB();
}

// ------------------------------------------------------------------------------------- the stand

void TRampTest::ProgramEnded(TShell&) {
    if (Connected()) SetStandSamplerModes(true);
}

void TRampTest::SetStandSamplerModes(bool reset) {
    TInstrumentLink* link = Shell_.Link();
    if (!link) return;
    link->BreakAcquisition(false);
    TStandSampler& stand = Shell_.StandSampler;
    // Reset is normal operation: with strobe and linearization, without the sampler timebase and jitter.
    if (reset) stand = TStandSampler{};
    if (std::fabs(stand.Jitter - JitterNone) < 1e-16) stand.Jitter = 0;
    const TInstrumentIdentityUnit* identity = Shell_.Identity();
    const bool versions = identity && IsVersionAtLeast(identity->Identity.SWVersion, {3, 7, 4}) &&
                          IsVersionAtLeast(identity->Identity.FPGAVersion, {0, 3});
    if (versions || !link->IsInstrumentConnected()) {
        link->SendOnOffCommand("STENDSAMPL:WITHOUTSTROBE", !stand.Strobe);
        link->SendOnOffCommand("STENDSAMPL:SMPLTBON", stand.SamplerTimebase);
        link->SendOnOffCommand("STENDSAMPL:WITHOUTLINEAR", !stand.Linearization);
        link->SendFloatCommand("STENDSAMPL:SMPLTBJTR", false, stand.Jitter);
    }
}

}  // namespace vt
