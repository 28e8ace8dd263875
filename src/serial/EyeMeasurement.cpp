#include "serial/EyeMeasurement.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "acq/HistogramObjects.h"
#include "acq/OEConv.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/MenuKinds.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/DisplayPanel.h"
#include "display/EyeParamLayer.h"
#include "display/ScopeDisplayServices.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"

namespace vt {

namespace {

constexpr int EyeChangedConsumer = 1;  // the eye's new-data flag of every record
constexpr int LastEyeSource = 13;
constexpr std::uint32_t NrzExtAndPowerBits = 0xE6;   // 230
constexpr std::uint32_t RzExtAndPowerBits = 0x1C6;   // 454
constexpr std::uint32_t PowerBits = 0x6;
constexpr const char* SourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";

std::size_t ListIndex(int mode, int axis) { return static_cast<std::size_t>((mode == emRz ? 2 : 0) + axis); }

std::string Items(int mode, int axis) {
    std::string items;
    for (const TEyeParamDef& d : EyeParamList(mode, axis)) items += (items.empty() ? "" : ",") + std::string(d.Item);
    return items;
}

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

std::string Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return std::string(s);
}

// Four digits with an engineering prefix.
std::string Eng(double v) { return FloatToEngStr(3, 4, false, false, v); }

// The value with its unit; the undefined text stands alone.
std::string ValueText(double v, const std::string& unit) { return IsUndefinedValue(v) ? Eng(v) : Eng(v) + unit; }

TEditConfig PowerOfTwoConfig(double minimum, double def, double maximum, const char* units) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseKind = skPowerOf2, .Units = units};
}

TEditConfig PercentConfig(double minimum, double def, double maximum) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseStep = 2.5, .CoarseKind = skGrid,
            .FineStep = 0.1, .FineKind = skGrid, .Resolution = 0.05, .Units = "%"};
}

}  // namespace

TEyeMeasurement::TEyeMeasurement(TShell& shell) : Shell_(shell) {
    Engine_ = std::make_unique<TEyeEngine>(shell.FullHist());
    Engine_->OnRemoveHint = [this] { RemoveHint(); };
    Engine_->OnDrawParams = [this](const EyeDrawParams& p) { SendDrawParams(p); };
    Power.StoredZeroPower = [this] { return OEConvStoredZeroPower(Shell_); };
    Power.DemoValue = [this] { return Shell_.Senders() ? static_cast<double>(Shell_.Senders()->RandomDemoValue()) : 0.0; };
    Power.ConversionGain = [this] { return OEConvGainForWavelength(Shell_); };
    HasOptics = [this] { return Shell_.Identity() && Shell_.Identity()->Identity.HasOptOptics(); };
}

TEyeMeasurement::~TEyeMeasurement() = default;

// ------------------------------------------------------------------------------------------- settings

int TEyeMeasurement::Measure() const { return GetItemIndex(Measure_); }
int TEyeMeasurement::Source() const { return Source_ ? Source_->GetSource() : 0; }
bool TEyeMeasurement::StatisticOn() const { return GetOn(Statistic_); }
int TEyeMeasurement::WfmsInCycle() const { return WfmsInCycle_ ? static_cast<int>(WfmsInCycle_->GetValueAsDouble()) : 64; }
bool TEyeMeasurement::DisplayWindowOn() const { return GetOn(DisplWind_); }

TCheckSwHandler* TEyeMeasurement::List(int mode, int axis) const { return Lists_[ListIndex(mode, axis)]; }

void TEyeMeasurement::RegisterEyeCommands() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) return;
    TSpider& root = tree->Root();
    Measure_ = &root.AddRadioHandler("Eye:Measure", {.Items = "Off,NRZ,RZ", .AfterChange = [this](THandler&) {
                                                         OnEyeMeasureChange();
                                                     }});
    Source_ = &root.AddSignalSourceHandler("Eye:Source", {.Items = SourceItems,
                                                          .Initial = 0,
                                                          .ExcludedMask = 0x1Fu << 14,
                                                          .AfterChange = [this](THandler&) { OnEyeSourceChange(); }});
    WfmsInCycle_ = &root.AddIntEditHandler("Eye:WfmsInCycle", {.Initial = 64, .Config = PowerOfTwoConfig(64, 256, 1024, "Wfms")});
    DisplWind_ = &root.AddOnOffHandler("Eye:DispaylWind", {.Initial = true, .AfterChange = [this](THandler&) {
                                                               if (DisplayWindowOn()) SendDrawParams(Engine_->DrawParams());
                                                               else RemoveMarkerLayers(false);
                                                           }});
    Statistic_ = &root.AddOnOffHandler("Eye:Statistic", {.AfterChange = [this](THandler&) {
                                                             EnableStatControls();
                                                             Readouts_->ClearEyeRows();
                                                             ResetEyeStatistics();
                                                             ApplyEyeStatMode();
                                                         }});
    Mode_ = &root.AddRadioHandler("Eye:Mode", {.Items = "Permanent,Window,Weight", .AfterChange = [this](THandler&) {
                                                   EnableStatControls();
                                                   ResetEyeStatistics();
                                                   ApplyEyeStatMode();
                                               }});
    Window_ = &root.AddIntEditHandler("Eye:Window", {.Initial = 8, .Config = PowerOfTwoConfig(8, 8, 8192, ""),
                                                     .AfterChange = [this](THandler&) { ApplyEyeStatMode(); }});
    Weight_ = &root.AddIntEditHandler("Eye:Weight", {.Initial = 8, .Config = PowerOfTwoConfig(8, 8, 8192, ""),
                                                     .AfterChange = [this](THandler&) { ApplyEyeStatMode(); }});
    LeftBound_ = &root.AddDoubleEditHandler("Eye:LeftBound", {.Initial = 40, .Config = PercentConfig(10, 40, 87.5),
                                                              .AfterChange = [this](THandler&) { BoundChanged(true); }});
    RightBound_ = &root.AddDoubleEditHandler("Eye:RightBound", {.Initial = 60, .Config = PercentConfig(12.5, 60, 90),
                                                                .AfterChange = [this](THandler&) { BoundChanged(false); }});
    TreshMode_ = &root.AddRadioHandler("Eye:TreshMode", {.Items = "10-90,20-80,Custom", .Initial = 1,
                                                         .AfterChange = [this](THandler&) {
                                                             const bool custom = GetItemIndex(TreshMode_) == 2;
                                                             UpTresh_->SetDisabled(!custom);
                                                             LowTresh_->SetDisabled(!custom);
                                                             ResultSettingChanged(true);
                                                         }});
    UpTresh_ = &root.AddDoubleEditHandler("Eye:UpTresh", {.Initial = 80, .Config = PercentConfig(55, 80, 95),
                                                          .AfterChange = [this](THandler&) { ResultSettingChanged(true); }});
    LowTresh_ = &root.AddDoubleEditHandler("Eye:LowTresh", {.Initial = 20, .Config = PercentConfig(5, 20, 45),
                                                            .AfterChange = [this](THandler&) { ResultSettingChanged(true); }});
    const std::array<std::uint32_t, 4> disabled{0, NrzExtAndPowerBits, 0, RzExtAndPowerBits};
    const std::array<const char*, 4> paths{"Eye:XNRZParam", "Eye:YNRZParam", "Eye:XRZParam", "Eye:YRZParam"};
    for (std::size_t i = 0; i < 4; ++i) {
        const int mode = i < 2 ? emNrz : emRz, axis = static_cast<int>(i % 2);
        Lists_[i] = &root.AddCheckHandler(paths[i], {.Items = Items(mode, axis), .DisabledMask = disabled[i],
                                                     .AfterChange = [this, mode, axis](THandler& h) {
                                                         OnListChange(mode, axis, static_cast<TCheckSwHandler&>(h));
                                                     }});
    }
    root.AddGpibStringHandler("Eye:Res", 0, [this](std::string_view p, bool q, std::uint8_t, std::string& reply) {
        EyeResReply(p, q, reply);
    });
    UpTresh_->SetDisabled(true);
    LowTresh_->SetDisabled(true);
    EnableStatControls();
    DisplWind_->SetDisabled(true);
}

void TEyeMeasurement::RefreshEyeHandlers() {
    if (!Measure_) return;
    OnEyeMeasureChange();
    EnableStatControls();
    const bool custom = GetItemIndex(TreshMode_) == 2;
    UpTresh_->SetDisabled(!custom);
    LowTresh_->SetDisabled(!custom);
    if (DatabaseShown()) State().RecomputeRequested = true;
    UpdateEyeOptionMasks();
}

void TEyeMeasurement::EnableStatControls() {
    if (!Mode_) return;
    const bool on = StatisticOn();
    Mode_->SetDisabled(!on);
    Window_->SetDisabled(!(on && GetItemIndex(Mode_) == 1));
    Weight_->SetDisabled(!(on && GetItemIndex(Mode_) == 2));
}

void TEyeMeasurement::SyncEngineSettings() {
    TEyeEngine::TSettings& s = Engine_->Settings;
    s.LeftBound = LeftBound_ ? LeftBound_->GetValueAsDouble() : 40;
    s.RightBound = RightBound_ ? RightBound_->GetValueAsDouble() : 60;
    switch (GetItemIndex(TreshMode_)) {
        case 0: s.UpperFraction = 0.9, s.LowerFraction = 0.1; break;
        case 2: s.UpperFraction = UpTresh_->GetValueAsDouble() / 100, s.LowerFraction = LowTresh_->GetValueAsDouble() / 100; break;
        default: s.UpperFraction = 0.8, s.LowerFraction = 0.2; break;
    }
    if (!TreshMode_) s.UpperFraction = 0.8, s.LowerFraction = 0.2;
    Engine_->Mode = Measure() == emRz ? emRz : emNrz;
}

// The bounds stay 2.5 % apart: the one not being set moves.
void TEyeMeasurement::BoundChanged(bool left) {
    if (!BoundGuard_) {
        BoundGuard_ = true;
        TResetOnExit<bool> guard(BoundGuard_, false);
        const double l = LeftBound_->GetValueAsDouble(), r = RightBound_->GetValueAsDouble();
        if (r < l + 2.5) {
            if (left) RightBound_->SetValue(l + 2.5);
            else LeftBound_->SetValue(r - 2.5);
        }
    }
    ResultSettingChanged(true);
}

void TEyeMeasurement::ResultSettingChanged(bool redraw) {
    State().RecomputeRequested = true;
    SyncEngineSettings();
    if (redraw) Engine_->UpdateEyeDisplayRecord();
}

// ------------------------------------------------------------------------------------ after-changes

void TEyeMeasurement::OnEyeMeasureChange() {
    const int mode = Measure();
    Readouts_->ResetMenuPage();
    Readouts_->ClearAnnotations();
    const int owner = Readouts_->AnnotationOwner();
    if (owner != 1 && owner != mode + 1) Readouts_->ClearAnnotations();
    if (mode == emOff) {
        Readouts_->ResetMenuPage();
        RemoveHint();
    } else {
        // The eye owns the bottom strip and the hit map: the other analysis modes go off.
        Shell_.SwitchOffOtherModes(mkEye);
    }
    OnEyeSourceChange();
    if (DisplWind_) DisplWind_->SetDisabled(mode == emOff);
    Readouts_->RefreshSampleModeIcon();
    ResetEyeStatistics();
    Readouts_->ClearEyeRows();
    RemoveMarkerLayers(true);
    if (mode != emOff) {
        RestartEyeAccumulation();
        BuildStrip();
    }
}

void TEyeMeasurement::OnEyeSourceChange() {
    UpdateEyeOptionMasks();
    const int source = Source();
    for (TEditHandler* h : std::initializer_list<TEditHandler*>{WfmsInCycle_, Window_, Weight_, LeftBound_, RightBound_,
                                                              UpTresh_, LowTresh_})
        if (h) h->SetColorSource(source);
    if (SourceOn(source)) BuildStrip();
    if (Measure() == emOff) return;
    // Waveforms of the old source must not mix with the new one's, whether the new one is on or not.
    RestartEyeAccumulation();
    Readouts_->ReshowEyeAnnotations();
}

void TEyeMeasurement::SwitchOffEyeMeasurement() {
    if (Measure_ && Measure() != emOff) Measure_->SetItemIndex(emOff);
}

void TEyeMeasurement::ApplyStatModeTo(TParam& param) const {
    if (!StatisticOn()) {
        param.Stat.SetMode(0, 128);
        return;
    }
    const int mode = GetItemIndex(Mode_);
    const int n = static_cast<int>(mode == 1 ? Window_->GetValueAsDouble() : Weight_->GetValueAsDouble());
    param.Stat.SetMode(mode, n);
}

void TEyeMeasurement::ResetEyeStatistics() {
    for (auto& list : Params_)
        for (auto& p : list) p->Stat.Clear();
    State().WfmsThisCycle = 0;
    State().NextComputeAt = WfmsInCycle();
}

void TEyeMeasurement::ApplyEyeStatMode() {
    for (auto& list : Params_)
        for (auto& p : list) ApplyStatModeTo(*p);
}

// -------------------------------------------------------------------------------------------- lists

int TEyeMeasurement::ParamCount(int mode) const {
    return mode == emNrz || mode == emRz ? static_cast<int>(Params_[static_cast<std::size_t>(mode)].size()) : 0;
}

TParam* TEyeMeasurement::Slot(int mode, int slot) const {
    if (slot < 1 || slot > ParamCount(mode)) return nullptr;
    return Params_[static_cast<std::size_t>(mode)][static_cast<std::size_t>(slot - 1)].get();
}

void TEyeMeasurement::OnListChange(int mode, int axis, TCheckSwHandler& handler) {
    const int item = handler.LastChangedItem();
    if (item < 0) return;
    if (handler.LastChangedState()) AddEyeParameter(mode, axis, item);
    else RemoveEyeParameter(mode, axis, item);
    BuildStrip();
}

void TEyeMeasurement::AddEyeParameter(int mode, int axis, int kind) {
    if (mode != emNrz && mode != emRz) return;
    auto& list = Params_[static_cast<std::size_t>(mode)];
    for (const auto& p : list)
        if (p->Axis == axis && p->Kind == kind) return;
    if (list.size() >= 4) UncheckEyeParameter(mode, 1, false);
    if (list.size() >= 4) RemoveEyeParameter(mode, list.front()->Axis, list.front()->Kind);
    auto param = std::make_unique<TParam>(mode, axis, kind);
    ApplyStatModeTo(*param);
    list.push_back(std::move(param));
    Readouts_->BuildEyeAnnotations(static_cast<int>(list.size()), mode);
}

void TEyeMeasurement::RemoveEyeParameter(int mode, int axis, int kind) {
    if (mode != emNrz && mode != emRz) return;
    auto& list = Params_[static_cast<std::size_t>(mode)];
    const auto it = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p->Axis == axis && p->Kind == kind; });
    if (it == list.end()) return;
    const int slot = static_cast<int>(it - list.begin()) + 1;
    list.erase(it);
    Readouts_->RemoveSlotAnnotations(mode, slot);
}

void TEyeMeasurement::UncheckEyeParameter(int mode, int slot, bool undoStep) {
    TParam* p = Slot(mode, slot);
    if (!p) return;
    TCheckSwHandler* list = List(mode, p->Axis);
    if (!list) {
        RemoveEyeParameter(mode, p->Axis, p->Kind);
        return;
    }
    if (undoStep)
        if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    // The handler's after-change unlists the parameter.
    const int axis = p->Axis, kind = p->Kind;
    if (!list->SetBit(kind, false)) RemoveEyeParameter(mode, axis, kind);
}

void TEyeMeasurement::RemoveAllEyeParameters() {
    const int mode = Measure() == emRz ? emRz : emNrz;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    for (int slot = ParamCount(mode); slot >= 1; --slot) UncheckEyeParameter(mode, slot, false);
}

void TEyeMeasurement::UpdateEyeOptionMasks() {
    TCheckSwHandler* nrz = List(emNrz, eaY);
    TCheckSwHandler* rz = List(emRz, eaY);
    if (!nrz || !rz) return;
    if (HasOptics && HasOptics()) {
        nrz->SetDisabledMask(PowerBits);
        rz->SetDisabledMask(PowerBits);
        return;
    }
    nrz->SetDisabledMask(NrzExtAndPowerBits);
    rz->SetDisabledMask(RzExtAndPowerBits);
    // Each cleared bit reaches the after-change, which unlists its parameter.
    if (nrz->GetMask() & NrzExtAndPowerBits) nrz->SetMask(nrz->GetMask() & ~NrzExtAndPowerBits);
    if (rz->GetMask() & RzExtAndPowerBits) rz->SetMask(rz->GetMask() & ~RzExtAndPowerBits);
}

// -------------------------------------------------------------------------------------------- cycle

bool TEyeMeasurement::DatabaseShown() const {
    return Shell_.Display().GetSourceName() != "NONEDATABASEATTHESCREEN";
}

TSignalObj* TEyeMeasurement::Record(int source) const {
    TSignalRecords* records = Shell_.Records();
    return records && source >= 0 && source <= LastEyeSource ? records->FindRecord(source) : nullptr;
}

bool TEyeMeasurement::SourceOn(int source) const {
    const TSignalRecords* records = Shell_.Records();
    return records && source >= 0 && source <= LastEyeSource && records->SignalsOn().IsOn(source);
}

TEyeParamInputs TEyeMeasurement::Inputs(const TSignalObj* record) const {
    TEyeParamInputs in;
    in.Record = record;
    in.ExtRatioCorrectionDb = ReadRealSetting(Shell_.CommandTree(), "FLASH:OECalibr:ERCorrFact", 0);
    in.StoredZeroPower = Power.StoredZeroPower ? Power.StoredZeroPower() : 0;
    in.DemoValue = Power.DemoValue ? Power.DemoValue() : 0;
    in.ConversionGain = Power.ConversionGain ? Power.ConversionGain() : 1;
    return in;
}

void TEyeMeasurement::ComputeSlot(TParam& param, bool addToStat) {
    const int source = Source();
    ComputeEyeParameter(*Engine_, Inputs(Record(source)), param);
    if (addToStat && !IsUndefinedValue(param.Value)) param.Stat.Add(1, param.Value);
}

void TEyeMeasurement::UpdateEyeMeasurements() {
    const int mode = Measure();
    if (mode == emOff || !BindHist()) return;
    SyncEngineSettings();
    EyeEngineState& s = State();
    auto& list = Params_[static_cast<std::size_t>(mode)];
    const int source = Source();
    if (DatabaseShown()) {
        if (!s.RecomputeRequested) return;
        for (auto& p : list) p->Stat.Clear();
        UpdateEyeOptionMasks();
        if (!Readouts_->StripBuilt()) BuildStrip();
        // The shown database converts with Ch1's record.
        TSignalObj* ch1 = Record(ssCh1);
        ++EngineRuns;
        const bool found = mode == emNrz ? Engine_->RunNrzEyeEngine() : Engine_->RunRzEyeEngine();
        if (found)
            for (std::size_t i = 0; i < list.size(); ++i) {
                ComputeEyeParameter(*Engine_, Inputs(ch1), *list[i]);
                if (!IsUndefinedValue(list[i]->Value)) list[i]->Stat.Add(1, list[i]->Value);
                Readouts_->DrawEyeParamCells(mode, static_cast<int>(i) + 1);
                ValueAnnotated(static_cast<int>(i) + 1);
            }
        s.RecomputeRequested = false;
        return;
    }
    UpdateEyeOptionMasks();
    TSignalObj* record = Record(source);
    if (!record || !SourceOn(source) || !record->ChangedFlag(EyeChangedConsumer)) return;
    record->ClearChangedFlag(EyeChangedConsumer);
    AddSignalToHist(*Shell_.FullHist(), *record);
    ++s.WfmsThisCycle;
    if (DisplayWindowOn()) SendDrawParams(Engine_->DrawParams());
    if (!Readouts_->StripBuilt()) BuildStrip();

    const bool statistic = StatisticOn();
    const int cycle = WfmsInCycle();
    for (std::size_t i = 0; i < list.size(); ++i) {
        TParam& p = *list[i];
        const bool power = IsEyePowerParam(p.Axis, p.Kind);
        if (power) {
            ComputeSlot(p, true);
            ValueAnnotated(static_cast<int>(i) + 1);
        }
        const auto n = static_cast<long long>(p.Stat.Count);
        char text[64];
        if (statistic && !power) std::snprintf(text, sizeof text, "%lld / %lld", n, cycle * n + s.WfmsThisCycle);
        else std::snprintf(text, sizeof text, "    %lld", n);
        Readouts_->WriteCountCell(static_cast<int>(i) + 1, text);
    }
    if (!(statistic ? s.WfmsThisCycle >= cycle : s.WfmsThisCycle >= s.NextComputeAt)) return;
    ++EngineRuns;
    const bool found = mode == emNrz ? Engine_->RunNrzEyeEngine() : Engine_->RunRzEyeEngine();
    s.EyeNotFound = !found;
    if (found) {
        if (!Readouts_->StripBuilt()) BuildStrip();
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (IsEyePowerParam(list[i]->Axis, list[i]->Kind)) continue;
            ComputeSlot(*list[i], true);
            Readouts_->DrawEyeParamCells(mode, static_cast<int>(i) + 1);
            ValueAnnotated(static_cast<int>(i) + 1);
        }
    }
    if (statistic) s.WfmsThisCycle = 0;
    else s.NextComputeAt += cycle / 16;
    if (s.EyeNotFound) {
        ShowHint("EyeMessage2");
        s.WfmsThisCycle = 0;
        s.NextComputeAt = cycle;
    } else {
        RemoveHint();
    }
}

// The shown slot's annotations follow each of its values: shown while defined, hidden while not.
void TEyeMeasurement::ValueAnnotated(int slot) {
    if (slot == Readouts_->ShownSlot()) Readouts_->RefreshAnnotationLayers();
}

bool TEyeMeasurement::BindHist() {
    Engine_->SetHist(Shell_.FullHist());
    return Engine_->HasHist();
}

void TEyeMeasurement::RestartEyeAccumulation() {
    if (!BindHist()) return;
    SyncEngineSettings();
    Engine_->ClearAccumulation();
    if (Measure() != emOff) ShowHint("EyeMessage1");
    State().WfmsThisCycle = 0;
    State().NextComputeAt = WfmsInCycle();
    for (auto& list : Params_)
        for (auto& p : list) p->Stat.Clear();
}

void TEyeMeasurement::BuildStrip() {
    if (Measure() == emOff) return;
    Readouts_->BuildEyeStrip();
    State().RecomputeRequested = true;
}

// One engine hint at a time: a new one replaces the last.
void TEyeMeasurement::ShowHint(const char* key) {
    EyeEngineState& s = State();
    if (s.HintId != 0) Shell_.Display().RemoveHint(s.HintId);
    s.HintId = Shell_.Display().PushOrRefreshHint(0, Shell_.LangStr(key), 0, 0, 0);
}

void TEyeMeasurement::RemoveHint() {
    EyeEngineState& s = State();
    if (s.HintId != 0) Shell_.Display().RemoveHint(s.HintId);
    s.HintId = 0;
}

void TEyeMeasurement::SendDrawParams(const EyeDrawParams& params) {
    if (!DisplayWindowOn() || Measure() == emOff) return;
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    TScopeCRT* panel = display ? display->Panel() : nullptr;
    if (!panel) return;
    RegisterEyeParamLayerClass(panel->OverlayClasses());
    if (auto* layer = dynamic_cast<T_Eye_ParamLayer*>(panel->EyeParamsLayer(Source()))) layer->SetParams(params);
}

void TEyeMeasurement::RemoveMarkerLayers(bool both) {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    TScopeCRT* panel = display ? display->Panel() : nullptr;
    if (!panel) return;
    panel->FreeMarkerLayer(1);
    if (both) panel->FreeMarkerLayer(2);
}

// ------------------------------------------------------------------------------------------ results

std::string TEyeMeasurement::EyeParamSourceName(const TParam& param) const {
    const auto list = EyeParamList(param.Mode, param.Axis);
    if (param.Kind >= list.size()) return {};
    std::string name = Shell_.LangStr(list[param.Kind].NameKey);
    if (IsEyePowerParam(param.Axis, param.Kind)) return name;
    return name + " (" + SourceShortName(Source()) + ")";
}

void TEyeMeasurement::EyeResReply(std::string_view parameter, bool isQuery, std::string& reply) {
    const int mode = Measure();
    if (!isQuery || mode == emOff) return;
    const std::string text = Trim(parameter);
    if (Shell_.CommandTree() && Shell_.CommandTree()->HeaderOn()) reply += ":" + text + " ";
    const int count = ParamCount(mode);
    if (Upper(text).rfind("LIST", 0) == 0) {
        reply += "\r\n";
        for (int slot = 1; slot <= count; ++slot)
            reply += std::to_string(slot) + "  " + EyeParamSourceName(*Slot(mode, slot)) + "\r\n";
        return;
    }
    const std::size_t colon = text.find(':');
    const std::string number = Trim(std::string_view(text).substr(0, colon));
    const std::string statistic = colon == std::string::npos ? "" : Trim(std::string_view(text).substr(colon + 1));
    int slot = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), slot);
    if (ec == std::errc() && end == number.data() + number.size() && slot >= 1 && slot <= count) {
        reply += EyeStatQuery(slot, statistic, mode);
        return;
    }
    reply += count > 0 ? "INVALID NUMBER OF PARAMETER" : "Eye Measure OFF";
}

std::string TEyeMeasurement::EyeStatQuery(int slot, std::string_view statistic, int mode) {
    const TParam* p = Slot(mode, slot);
    if (!p) return "INVALID NUMBER OF PARAMETER";
    if (statistic.empty()) return ValueText(p->Value, p->Unit);
    const std::string name = Upper(statistic);
    const TModedStat& st = p->Stat;
    const bool any = st.Count > 0;
    const auto starts = [&name](const char* s) { return name.rfind(s, 0) == 0; };
    if (starts("CYCLE")) return std::to_string(st.Count);
    if (starts("WFM")) return std::to_string(static_cast<long long>(WfmsInCycle()) * st.Count + State().WfmsThisCycle);
    // The statistics keep their unit while the latest value is undefined.
    if (starts("MIN")) return ValueText(any ? st.Min : UndefinedValue, p->StatUnit);
    if (starts("MAX")) return ValueText(any ? st.Max : UndefinedValue, p->StatUnit);
    if (starts("MEAN")) return ValueText(any ? st.Mean : UndefinedValue, p->StatUnit);
    if (starts("STDDEV")) return ValueText(st.Count >= 2 ? st.StdDev : UndefinedValue, p->StatUnit);
    return "BAD STATISTIC PARAMETER";
}

}  // namespace vt
