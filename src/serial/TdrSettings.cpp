#include "serial/TdrSettings.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/TdrUnits.h"
#include "core/CommandTree.h"
#include "core/DotNumberText.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/SourceHandlers.h"
#include "display/AnnotationLayer.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "link/UtilSettings.h"
#include "serial/TdrChannelCalibration.h"
#include "serial/TdrNormalization.h"
#include "serial/TdrReadouts.h"

namespace vt {

namespace {

constexpr int DestOff = 0, DestG1 = 1, DestG2 = 2, DestExternal = 3;
constexpr int ModeOff = 0, ModeTdr = 1, ModeTdt = 2;
constexpr int NormalizedOperator = 17;
constexpr int PlainOperator = 4;
constexpr int NormalizedRecLenMax = 2048;
constexpr int RecLenMax = 4096;
constexpr int MarginColumns = 4000;
constexpr double DivisionsPerRecord = 10.24;
constexpr const char* SourceNames[4] = {"Ch1", "Ch2", "NormCh1", "NormCh2"};

std::string ChannelNode(int channel) { return channel == TdrChannel2 ? "TDR:Ch2:" : "TDR:Ch1:"; }
int TdrChannelNumber(int channel) { return channel == TdrChannel2 ? 2 : 1; }
std::string FunctionNode(int channel) { return channel == TdrChannel2 ? "F2:" : "F1:"; }

TEditConfig Real(double lo, double def, double hi, double coarse, double fine, double finest, const char* units) {
    return TEditConfig{.Minimum = lo, .Default = def, .Maximum = hi, .CoarseStep = coarse, .CoarseKind = skGrid,
                       .FineStep = fine, .FineKind = skGrid, .Resolution = finest, .Units = units, .FormatMode = 3,
                       .Digits = 5};
}

int Index(const TRadioSwHandler* h) { return h ? h->GetItemIndex() : 0; }
bool On(const TOnOffHandler* h) { return h && h->GetOn(); }
void Disable(THandler* h, bool disabled) {
    if (h) h->SetDisabled(disabled);
}

}  // namespace

int TdrSignalOfChannel(int source) {
    static constexpr int Signals[4] = {0, 2, 4, 5};
    return source >= 0 && source < 4 ? Signals[source] : 0;
}

// ------------------------------------------------------------------------------------ registration

void TTdrSettings::RegisterChannel(int channel) {
    TSpider& root = Shell_.CommandTree()->Root();
    const std::string node = ChannelNode(channel);
    TChannelHandlers& c = Channels_.at(Slot(channel));
    c.Destination = &root.AddRadioHandler(node + "Destination", {.Items = "Off,G1,G2,External", .AfterChange = [this, channel](THandler&) {
                                                                      UpdateTdrChannelDestinations(channel);
                                                                  }});
    c.Polar = &root.AddRadioHandler(node + "Polar", {.Items = "Pos,Neg"});
    c.VertScale = &root.AddRadioHandler(node + "VertScale", {.Items = "Volt,Rho,Ohm", .AfterChange = [this, channel](THandler&) {
                                                                 if (Hooks.UpdateChannelScaleMnemonics) Hooks.UpdateChannelScaleMnemonics(channel);
                                                                 Shell_.Serial().UpdateTdrExcess();
                                                             }});
    c.VertTDTScale = &root.AddRadioHandler(node + "VertTDTScale", {.Items = "Volt,Gain", .AfterChange = [this, channel](THandler& h) {
                                                                       if (h.IsDisabled()) return;
                                                                       if (Hooks.UpdateChannelScaleMnemonics) Hooks.UpdateChannelScaleMnemonics(channel);
                                                                       Shell_.Serial().UpdateTdrExcess();
                                                                   }});
    c.DoVertCalibr = &root.AddRightCommandHandler(node + "DoVertCalibr", [this, channel](THandler& h) {
        if (ChannelCalibration) ChannelCalibration->DoVertCalibr(channel, h);
    });
    auto real = [&](const char* name, double initial, const TEditConfig& config, THandlerCallback after = {}) {
        return &root.AddDoubleEditHandler(node + name, {.Initial = initial, .Config = config, .AfterChange = std::move(after)});
    };
    c.RefAmpl = real("RefAmpl", 0.1, Real(0.01, 0.1, 0.5, 0.01, 0.001, 0.0001, "V"));
    c.RefTDTAmpl = real("RefTDTAmpl", 0.4, Real(0.01, 0.4, 0.5, 0.01, 0.001, 0.0001, "V"));
    c.RefTDTZero = real("RefTDTZero", 0, Real(-1, 0, 1, 0.01, 0.0005, 0.00005, "V"));
    c.BaseLine = real("BaseLine", -0.2, Real(-1, -0.2, 1, 0.01, 0.0005, 0.00005, "V"));
    c.RefPlane = real("RefPlane", 2e-9, Real(0, 2e-9, 1e-7, 1e-10, 1e-12, 1e-13, "s"));
    c.NormTime = real("NormTime", 5e-11, Real(1e-11, 5e-11, 1e-8, 1e-11, 1e-12, 1e-13, "s"),
                      [this, channel](THandler&) { OnNormTimeChange(channel); });
    c.Normalize = &root.AddOnOffHandler(node + "Normalize", {.BeforeChange = [this, channel](THandler& h) {
                                                                 NormalizeBefore_.at(Slot(channel)) = static_cast<TOnOffHandler&>(h).GetOn();
                                                             },
                                                             .AfterChange = [this, channel](THandler& h) { OnNormalizeChange(channel, h); }});
}

void TTdrSettings::RegisterSource(int source) {
    TSpider& root = Shell_.CommandTree()->Root();
    const std::string node = std::string("TDR:") + SourceNames[source] + ":";
    TSourceHandlers& s = Sources_.at(static_cast<std::size_t>(source));
    // The parameters feed the measurements, which come with their own work.
    auto params = [this, source](int side) {
        return [this, source, side](THandler& h) {
            const auto& list = static_cast<TCheckSwHandler&>(h);
            const int removed = list.LastChangedState() ? -1 : Params.Find(side, source, list.LastChangedItem());
            if (list.LastChangedState())
                Params.AddReflectionParam(side, source, list.LastChangedItem());
            else
                Params.RemoveReflectionParam(side, source, list.LastChangedItem());
            if (Readouts) Readouts->AfterListChange(removed);
        };
    };
    s.TdrParams = &root.AddCheckHandler(node + "TdrParams", {.Items = "MinReflect,MaxReflect", .AfterChange = params(TdrSideReflection)});
    s.TdtParams = &root.AddCheckHandler(node + "TdtParams", {.Items = "PropDelay,Gain,DbGain", .AfterChange = params(TdrSideTransmission)});
    // A fifth parameter evicts the oldest through its own check list.
    Params.Uncheck = [this](int side, int src, int item) {
        const TSourceHandlers& h = Sources_.at(static_cast<std::size_t>(src));
        TCheckSwHandler* list = side == TdrSideTransmission ? h.TdtParams : h.TdrParams;
        if (list) list->SetBit(item, false);
    };
    auto margin = [this](double lo, double hi, double def) {
        TEditConfig config{.Minimum = lo, .Default = def, .Maximum = hi, .CoarseStep = 80, .CoarseKind = skGrid, .FineStep = 1,
                           .FineKind = skGrid, .Resolution = 1};
        // Shown as the time (or distance) at the column; typed as a time.
        config.OnFormat = [this](TEditHandler&, double column) { return MarginText(column); };
        config.OnCorrect = [this](TEditHandler&, double time) { return MarginColumnOfTime(time); };
        return config;
    };
    s.LeftMargins = &root.AddIntEditHandler(node + "LeftMargins", {.Initial = 0, .Config = margin(1, 3999, 0), .AfterChange = [this, source](THandler&) {
                                                                        const TSourceHandlers& m = Sources_.at(static_cast<std::size_t>(source));
                                                                        if (m.RightMargins->GetValue() <= m.LeftMargins->GetValue())
                                                                            m.RightMargins->SetValue(m.LeftMargins->GetValue() + 1);
                                                                        ShowMarginsLayer();
                                                                    }});
    s.RightMargins = &root.AddIntEditHandler(node + "RightMargins", {.Initial = MarginColumns, .Config = margin(1, 4000, 4000),
                                                                     .AfterChange = [this, source](THandler&) {
                                                                         const TSourceHandlers& m = Sources_.at(static_cast<std::size_t>(source));
                                                                         if (m.LeftMargins->GetValue() >= m.RightMargins->GetValue())
                                                                             m.LeftMargins->SetValue(m.RightMargins->GetValue() - 1);
                                                                         ShowMarginsLayer();
                                                                     }});
}

void TTdrSettings::CreateTDRHandlers() {
    TCommandTree* tree = Shell_.CommandTree();
    TSpider& root = tree->Root();
    RegisterChannel(TdrChannel1);
    RegisterSource(0);
    RegisterChannel(TdrChannel2);
    RegisterSource(1);
    Mode_ = &root.AddRadioHandler("TDR:Mode", {.Items = "Off,TDR,TDT", .AfterChange = [this](THandler&) { OnModeChange(); }});
    ChSelect_ = &root.AddRadioHandler("Shadow:TDRChSelect", {.Items = "Ch1,Ch2"});
    HorScale_ = &root.AddRadioHandler("TDR:HorScale", {.Items = "Time,Meter,Foot,Inch", .AfterChange = [this](THandler&) {
                                                           Shell_.Display().TopTextUpdateAll();
                                                           OnHorScaleChange();
                                                       }});
    Unit_ = &root.AddRadioHandler("TDR:Unit", {.Items = "Velocity, DielConst", .AfterChange = [this](THandler&) { OnHorScaleChange(); }});
    // A new velocity factor sets the dielectric constant and back; the limits keep both inside each
    // other's range. Values the program set itself do not echo.
    Velos_ = &root.AddDoubleEditHandler("TDR:Velos", {.Initial = 1, .Config = Real(0.1, 1, 1, 0.05, 0.005, 1e-7, ""), .AfterChange = [this](THandler& h) {
                                                          if (ProgramSetsVelocity_ || h.GetWhoChangedRaw() == wcvProgram) return;
                                                          const double v = Velos_->GetValue();
                                                          ProgramSetsVelocity_ = true;
                                                          DielConst_->SetValue(1 / (v * v));
                                                          ProgramSetsVelocity_ = false;
                                                          if (Hooks.UpdateTimebaseScales) Hooks.UpdateTimebaseScales();
                                                      }});
    DielConst_ = &root.AddDoubleEditHandler("TDR:DielConst", {.Initial = 1, .Config = Real(1, 1, 100, 5, 0.01, 1e-6, ""), .AfterChange = [this](THandler& h) {
                                                                  if (ProgramSetsVelocity_ || h.GetWhoChangedRaw() == wcvProgram) return;
                                                                  ProgramSetsVelocity_ = true;
                                                                  Velos_->SetValue(1 / std::sqrt(DielConst_->GetValue()));
                                                                  ProgramSetsVelocity_ = false;
                                                                  if (Hooks.UpdateTimebaseScales) Hooks.UpdateTimebaseScales();
                                                              }});
    Measure_ = &root.AddOnOffHandler("TDR:Measure", {.AfterChange = [this](THandler&) { OnMeasureChange(); }});
    const auto shown = [this](int item) {
        auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
        TScopeCRT* panel = display ? display->Panel() : nullptr;
        return !panel || panel->LayersOfSignals().Layer(TdrSignalOfChannel(item)) != nullptr;
    };
    // A remote command naming a source whose record has no layer on the screen (the item the
    // layer-change hook greys in the menu) is refused and the source stays. A setup line is applied as
    // before: the layers of the sources it switches on appear only once their records are drawn.
    MeasSource_ = &root.AddRefusing<TRadioSwHandler>(
        "TDR:Source",
        {.Refuses = [shown](const TRadioSwHandler& self, std::string_view value) {
             const int index = self.FindItem(value);
             return index >= 0 && !shown(index);
         }},
        TRadioOptions{.Items = "Ch1,Ch2,NormCh1,NormCh2", .AfterChange = [this](THandler&) { ShowMarginsLayer(); }});
    ViewMargins_ = &root.AddOnOffHandler("TDR:ViewMargins", {.Initial = true, .AfterChange = [this](THandler&) { ShowMarginsLayer(); }});
    RegisterSource(2);
    RegisterSource(3);

    // A setup that carried a running normalization recalls it off: its reference belongs to the
    // connections of that day.
    const auto previous = tree->OnAfterSettingsLoad;
    tree->OnAfterSettingsLoad = [this, previous, alive = std::weak_ptr<bool>(Alive_)] {
        if (previous) previous();
        if (!alive.expired()) ApplyPendingTdrClear();
    };
}

void TTdrSettings::RefreshTDRHandlers() {
    if (auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display()))
        if (TScopeCRT* panel = display->Panel()) {
            auto previous = panel->LayersOfSignals().OnChange;
            // The panel may outlive these settings: the hook asks whether they are still there.
            panel->LayersOfSignals().OnChange = [this, previous, alive = std::weak_ptr<bool>(Alive_)](TLayersOfSignals& layers) {
                if (previous) previous(layers);
                if (!alive.expired()) OnLayersChange();
            };
        }
    OnModeChange();
    for (int channel : {TdrChannel1, TdrChannel2}) {
        const TChannelHandlers& c = Channel(channel);
        if (Hooks.UpdateChannelScaleMnemonics) Hooks.UpdateChannelScaleMnemonics(channel);
        if (!c.VertTDTScale->IsDisabled() && Hooks.UpdateChannelScaleMnemonics) Hooks.UpdateChannelScaleMnemonics(channel);
    }
    UpdateTdrChannelChoice();
    if (Hooks.UpdateGeneratorOutputs) Hooks.UpdateGeneratorOutputs();
    Refreshed_ = true;
}

// ------------------------------------------------------------------------------------ state

bool TTdrSettings::HasGenerators() const {
    const TInstrumentIdentityUnit* identity = const_cast<TShell&>(Shell_).Identity();
    return identity && identity->Identity.HasOptGenerators();
}

bool TTdrSettings::IsTdrActive() const { return HasGenerators() && Index(Mode_) != ModeOff; }

bool TTdrSettings::TdrModeIsTdr() const { return HasGenerators() && Index(Mode_) == ModeTdr; }

int TTdrSettings::TdrChannelState(int channel, bool ignoreNormForm) const {
    if (!IsTdrActive() || (channel != TdrChannel1 && channel != TdrChannel2)) return 0;
    const TChannelHandlers& c = Channel(channel);
    if (Index(c.Destination) == DestOff) return 0;
    if (!ignoreNormForm && Normalization && Normalization->FormOpenFor(channel)) return 0;
    if (TdrModeIsTdr()) return Index(c.VertScale);
    return Index(c.VertTDTScale) == 1 ? 3 : 0;
}

double TTdrSettings::TdrVelocityFactor() const {
    if (Index(Unit_) == 0) return Velos_ ? Velos_->GetValue() : 1.0;
    return DielConst_ ? 1 / std::sqrt(DielConst_->GetValue()) : 1.0;
}

int TTdrSettings::TdrDistanceUnit() const { return Index(HorScale_); }

// ------------------------------------------------------------------------------------ rules

void TTdrSettings::UpdateTdrChannelDestinations(int channel) {
    const int other = channel == TdrChannel1 ? TdrChannel2 : TdrChannel1;
    TChannelHandlers& c = Channels_.at(Slot(channel));
    TChannelHandlers& o = Channels_.at(Slot(other));
    const int page = channel == TdrChannel1 ? 0 : 1;
    const bool available = IsTdrActive() && !(ChSelect_->GetDisabledMask() & (1u << page));
    const int dest = Index(c.Destination);
    // A generator drives one channel only.
    o.Destination->SetDisabledMask(0);
    if (available && (dest == DestG1 || dest == DestG2)) {
        o.Destination->SetDisabledMask(1u << dest);
        if (Index(o.Destination) == dest) o.Destination->SetItemIndex(DestOff);
    }
    c.Destination->SetDisabled(!available);
    const bool inUse = available && Index(c.Destination) != DestOff;
    const int d = Index(c.Destination);
    Disable(c.NormTime, !inUse);
    Disable(c.Normalize, !inUse);
    Disable(c.DoVertCalibr, !inUse);
    Disable(c.Polar, !(inUse && d == DestExternal));
    // A generator output is always an inverted step.
    if (d == DestG1 || d == DestG2) c.Polar->SetItemIndex(1);
    const bool tdr = inUse && TdrModeIsTdr();
    const bool tdt = inUse && Index(Mode_) == ModeTdt;
    Disable(c.VertScale, !tdr);
    Disable(c.RefAmpl, !tdr);
    Disable(c.BaseLine, !tdr);
    Disable(c.VertTDTScale, !tdt);
    Disable(c.RefTDTAmpl, !tdt);
    Disable(c.RefTDTZero, !tdt);
    Disable(c.RefPlane, !inUse);
    if (Hooks.UpdateChannelScaleMnemonics) Hooks.UpdateChannelScaleMnemonics(channel);
    Shell_.Serial().UpdateTdrExcess();
    if (Hooks.UpdateGeneratorOutputs) Hooks.UpdateGeneratorOutputs();
}

void TTdrSettings::UpdateTdrChannelChoice() {
    if (!ChSelect_) return;
    const bool ch1 = ReadOnOffSetting(Shell_.CommandTree(), "Ch1:Display", true);
    const bool ch2 = ReadOnOffSetting(Shell_.CommandTree(), "Ch2:Display", true);
    std::uint32_t mask = 0;
    if (!(ch1 && ch2)) mask = (ch1 ? 0u : 1u) | (ch2 ? 0u : 2u);
    ChSelect_->SetDisabledMask(mask);
    const int page = ChSelect_->GetItemIndex();
    if ((page == 0 && !ch1) || (page == 1 && !ch2)) ChSelect_->SetItemIndex(1 - page);
    UpdateTdrChannelDestinations(TdrChannel1);
    UpdateTdrChannelDestinations(TdrChannel2);
}

void TTdrSettings::OnModeChange() {
    Calibrated_ = {};
    Warned_ = {};
    WithdrawUncalibratedWarnings();
    if (Hooks.ResetMenuPage) Hooks.ResetMenuPage();
    // The scales are computed again in time units and back.
    if (Index(HorScale_) != 0) {
        const int unit = Index(HorScale_);
        HorScale_->SetItemIndex(0);
        if (Hooks.UpdateTimebaseScales) Hooks.UpdateTimebaseScales();
        HorScale_->SetItemIndex(unit);
    }
    UpdateTdrChannelDestinations(TdrChannel1);
    UpdateTdrChannelDestinations(TdrChannel2);
    Shell_.Display().TopTextUpdateAll();
    if (IsTdrActive()) {
        if (auto* fit = FindSetting<TRadioSwHandler>(Shell_.CommandTree(), "Acq:FitTo")) {
            const int single = fit->FindItem("Single");
            if (single >= 0) fit->SetItemIndex(single);
        }
    } else if (Hooks.ResetMenuPage) {
        Hooks.ResetMenuPage();
    }
    if (Hooks.UpdateGeneratorOutputs) Hooks.UpdateGeneratorOutputs();
    Shell_.Serial().UpdateTdrExcess();
    if (Hooks.RefreshGeneratorMenus) Hooks.RefreshGeneratorMenus();
    OnMeasureChange();
    OnHorScaleChange();
    const int mode = HasGenerators() ? Index(Mode_) : ModeOff;
    RestrictGssWaveformsForTdr(Shell_, mode == ModeTdr ? 1 : mode == ModeTdt ? 2 : 0);
}

void TTdrSettings::OnHorScaleChange() {
    const bool time = Index(HorScale_) == 0 || HorScale_->IsDisabled();
    Unit_->SetDisabled(time);
    const bool distance = IsTdrActive() && !time;
    Velos_->SetDisabled(!(distance && Index(Unit_) == 0));
    DielConst_->SetDisabled(!(distance && Index(Unit_) == 1));
}

void TTdrSettings::OnMeasureChange() {
    const bool on = On(Measure_);
    if (on) Shell_.SwitchOffOtherModes(mkTdr);
    else WithdrawUncalibratedWarnings();
    MeasSource_->SetDisabled(!on);
    ViewMargins_->SetDisabled(!on);
    for (const TSourceHandlers& s : Sources_)
        for (THandler* h : std::initializer_list<THandler*>{s.TdrParams, s.TdtParams, s.LeftMargins, s.RightMargins})
            Disable(h, !on);
    Shell_.Serial().ClearReflectionParams();
    // The strip and marker layers 1 and 2 are the measurement's only while it is on: a mode change
    // with the measurement off leaves the markers' layers alone.
    if (on || MeasureShown_) {
        Shell_.Display().ClearBottomText();
        if (auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display())) {
            // The points of the annotated parameter go with its readouts; they come back with its next value.
            ClearAnnotations(*display);
            display->Annotations().AnnotatedMeas = -1;
            if (TScopeCRT* panel = display->Panel()) {
                panel->FreeMarkerLayer(1);
                panel->FreeMarkerLayer(2);
            }
        }
    }
    MeasureShown_ = on;
    ShowMarginsLayer();
    // The rows show at once, not with the next record.
    if (on && Readouts) Readouts->UpdateTdrMeasurements();
    if (on) Shell_.Serial().RecalcTdrReflections();
}

int TTdrSettings::MeasuredSource() const { return std::clamp(Index(MeasSource_), 0, 3); }

void TTdrSettings::ShowMarginsLayer() {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    TScopeCRT* panel = display ? display->Panel() : nullptr;
    if (!panel || !Measure_ || (!On(Measure_) && !MeasureShown_)) return;
    const bool shown = On(Measure_) && On(ViewMargins_);
    const int signal = TdrSignalOfChannel(MeasuredSource());
    if (!shown) {
        if (On(Measure_)) panel->FreeMarkerLayer(1);
        return;
    }
    // The drags write the margins of the measured source.
    panel->OverlayDrags().Tdr.Drag = [this, alive = std::weak_ptr<bool>(Alive_)](int margin, int x, int) {
        if (alive.expired()) return;
        const TSourceHandlers& s = Sources_.at(static_cast<std::size_t>(MeasuredSource()));
        (margin == 0 ? s.LeftMargins : s.RightMargins)->SetValue(std::clamp(x, 0, MarginColumns));
    };
    if (auto* layer = dynamic_cast<T_TDR_MarginsLayer*>(panel->TdrMarginsLayer(signal))) {
        const TSourceHandlers& s = Sources_.at(static_cast<std::size_t>(MeasuredSource()));
        layer->SetMargins(s.LeftMargins->GetValue(), s.RightMargins->GetValue());
    }
}

void TTdrSettings::OnLayersChange() {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    TScopeCRT* panel = display ? display->Panel() : nullptr;
    if (!panel || !MeasSource_) return;
    std::uint32_t mask = 0;
    for (int s = 0; s < 4; ++s)
        if (!panel->LayersOfSignals().Layer(TdrSignalOfChannel(s))) mask |= 1u << s;
    if (mask == MeasSource_->GetDisabledMask()) return;
    MeasSource_->SetDisabledMask(mask);
    if (mask & (1u << MeasSource_->GetItemIndex())) MeasSource_->SetItemIndex((mask & 2u) ? 0 : 1);
}

// The record of the measured source gives the time of a column: 4000 columns span the ten divisions
// of the screen.
std::string TTdrSettings::MarginText(double column) const {
    const TSignalRecords* records = Shell_.Records();
    if (!records) return FloatToEngStr(3, 5, false, false, column);
    const TSignalObj& r = records->Record(TdrSignalOfChannel(MeasuredSource()));
    const double perDivision = r.SampleInterval() * std::max(r.Length(), 1) / DivisionsPerRecord;
    return FloatToEngStr(3, 5, false, false, r.Origin() + column / (MarginColumns / 10.0) * perDivision) + r.HorUnit();
}

double TTdrSettings::MarginColumnOfTime(double time) const {
    const TSignalRecords* records = Shell_.Records();
    if (!records) return time;
    const TSignalObj& r = records->Record(TdrSignalOfChannel(MeasuredSource()));
    const double perDivision = r.SampleInterval() * std::max(r.Length(), 1) / DivisionsPerRecord;
    if (perDivision <= 0) return 0;
    return std::round((time - r.Origin()) / perDivision * (MarginColumns / 10.0));
}

// ------------------------------------------------------------------------------------ normalization

void TTdrSettings::ResetFunctionZoom(int channel) {
    const std::string node = "Zoom:" + FunctionNode(channel);
    WriteRealSetting(Shell_.CommandTree(), node + "VertScale", 1);
    WriteRealSetting(Shell_.CommandTree(), node + "Offset", 0);
}

void TTdrSettings::OnNormalizeChange(int channel, THandler& handler) {
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(false);
    if (!Refreshed_) return;
    const bool on = On(Channel(channel).Normalize);
    const bool before = NormalizeBefore_.at(Slot(channel));
    // A setup, the factory setup, undo or redo never starts a wizard: the clear follows the load.
    if (on && !before && handler.GetWhoChangedRaw() == wcvCommandList) {
        PendingClear_ = true;
        return;
    }
    if (on == before) return;
    ResetFunctionZoom(channel);
    if (on)
        StartNormalization(channel);
    else
        EndNormalization(channel);
}

void TTdrSettings::StartNormalization(int channel) {
    const TChannelHandlers& c = Channel(channel);
    // Both runs take the channel's set-up and undo it on closing: one at a time.
    if (ChannelCalibration && ChannelCalibration->Open()) {
        Shell_.User().ShowErrorDlg(TdrRunOpenText(ChannelCalibration->Title()));
        c.Normalize->SetOn(false);
        return;
    }
    const bool tdr = TdrModeIsTdr();
    const bool external = Index(c.Destination) == DestExternal;
    std::string text = FormatDot(Shell_.LangStr(tdr ? "TDRChStartNormCal" : "TDTChStartNormCal"), TdrChannelNumber(channel));
    text += Shell_.LangStr("TDRSetTB");
    if (external) text += Shell_.LangStr(tdr ? "TDRSetExternalDelay" : "TDTSetExternalDelay");
    text += Shell_.LangStr("TDRPressOK");
    if (!Shell_.User().ConfirmOkCancel(text) || !Normalization) {
        c.Normalize->SetOn(false);
        return;
    }
    const std::string recLen = std::string("Acq:") + (channel == TdrChannel2 ? "Ch2" : "Ch1") + ":RecLen";
    if (auto* len = FindSetting<TIntEditHandler>(Shell_.CommandTree(), recLen)) {
        len->SetMaxValue(NormalizedRecLenMax);
        if (len->GetValue() > NormalizedRecLenMax) len->SetValue(NormalizedRecLenMax);
    }
    if (!Normalization->Run(channel, !tdr, Index(c.Polar) == 1)) {
        c.Normalize->SetOn(false);
        return;
    }
    SetCalibrated(channel, true);
    TCommandTree* tree = Shell_.CommandTree();
    const std::string f = FunctionNode(channel);
    TSavedFunction& saved = SavedFunction_.at(Slot(channel));
    saved.Display = ReadOnOffSetting(tree, f + "Display", false);
    saved.Operat = ReadChoiceSetting(tree, f + "Operat", PlainOperator);
    if (auto* source = FindSetting<TSignalSourceSwHandler>(tree, f + "Source1")) saved.Source = source->GetSource();
    if (auto* op = FindSetting<TRadioSwHandler>(tree, f + "Operat")) op->SetItemIndex(NormalizedOperator);
    if (auto* source = FindSetting<TSignalSourceSwHandler>(tree, f + "Source1")) source->SetSource(channel == TdrChannel2 ? ssCh2 : ssCh1);
    if (auto* display = FindSetting<TOnOffHandler>(tree, f + "Display")) display->SetOn(true);
    if (Hooks.UpdateChannelScaleMnemonics) Hooks.UpdateChannelScaleMnemonics(channel);
    if (Hooks.RefreshMathControls) Hooks.RefreshMathControls();
}

void TTdrSettings::EndNormalization(int channel) {
    TCommandTree* tree = Shell_.CommandTree();
    const std::string f = FunctionNode(channel);
    auto* display = FindSetting<TOnOffHandler>(tree, f + "Display");
    auto* op = FindSetting<TRadioSwHandler>(tree, f + "Operat");
    auto* source = FindSetting<TSignalSourceSwHandler>(tree, f + "Source1");
    // The function shows what it showed before the normalization took it.
    if (op && op->GetItemIndex() == NormalizedOperator) {
        const TSavedFunction& saved = SavedFunction_.at(Slot(channel));
        if (display) display->SetOn(false);
        op->SetItemIndex(saved.Operat == NormalizedOperator ? PlainOperator : saved.Operat);
        if (source) source->SetSource(saved.Source);
        if (display) display->SetOn(saved.Display && saved.Operat != NormalizedOperator);
    }
    // Only this channel's record length is free again: the other may still be normalized.
    const std::string recLen = std::string("Acq:") + (channel == TdrChannel2 ? "Ch2" : "Ch1") + ":RecLen";
    if (auto* len = FindSetting<TIntEditHandler>(tree, recLen)) len->SetMaxValue(RecLenMax);
    if (Hooks.UpdateChannelScaleMnemonics) Hooks.UpdateChannelScaleMnemonics(channel);
    if (Hooks.RefreshMathControls) Hooks.RefreshMathControls();
}

void TTdrSettings::OnNormTimeChange(int channel) {
    if (On(Channel(channel).Normalize) && Normalization) Normalization->ComputeTdrCorrection(channel);
}

void TTdrSettings::ClearTdrNormalizedFunctions() {
    TCommandTree* tree = Shell_.CommandTree();
    for (int channel : {TdrChannel1, TdrChannel2}) {
        const TChannelHandlers& c = Channel(channel);
        if (!On(c.Normalize)) continue;
        ResetFunctionZoom(channel);
        const std::string f = FunctionNode(channel);
        if (auto* display = FindSetting<TOnOffHandler>(tree, f + "Display")) display->SetOn(false);
        if (auto* op = FindSetting<TRadioSwHandler>(tree, f + "Operat"); op && op->GetItemIndex() == NormalizedOperator)
            op->SetItemIndex(PlainOperator);
        NormalizeBefore_.at(Slot(channel)) = false;
        const bool refreshed = Refreshed_;
        Refreshed_ = false;  // the switch-off starts nothing
        c.Normalize->SetOn(false);
        Refreshed_ = refreshed;
        const std::string recLen = std::string("Acq:") + (channel == TdrChannel2 ? "Ch2" : "Ch1") + ":RecLen";
        if (auto* len = FindSetting<TIntEditHandler>(tree, recLen)) len->SetMaxValue(RecLenMax);
    }
    if (Hooks.RefreshMathControls) Hooks.RefreshMathControls();
}

void TTdrSettings::ApplyPendingTdrClear() {
    if (!PendingClear_) return;
    PendingClear_ = false;
    ClearTdrNormalizedFunctions();
}

}  // namespace vt
