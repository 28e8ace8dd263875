#include "serial/JitterSettings.h"

#include <algorithm>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "acq/Trigger.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/EngineeringText.h"
#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr const char* ParamItems = "Total,PeriodSs,PeriodRms,Determin,DataDepend,Random,DutyCycleDist,InterSymbol";
constexpr const char* PlotItems = "RJPJHist,DDJHist,TJHist,CompHist,CompDDJHist,DDJvsBit,BERBathtub";
constexpr std::array<const char*, JitterParamCount> ParamLabelKeys = {
    "TotalJ", "PeriodicJss", "PeriodicJrms", "DeterminJss", "DataDependJpp", "RandomJrms", "DutyCycleDistort", "InterSymbolInterf"};

TEditConfig Numeric(double lo, double def, double hi, double coarse, double fine, double resolution, const char* units) {
    return TEditConfig{.Minimum = lo, .Default = def, .Maximum = hi, .CoarseStep = coarse, .CoarseKind = skGrid,
                       .FineStep = fine, .FineKind = skGrid, .Resolution = resolution, .Units = units};
}

std::string ChannelNode(int source) { return source == ssCh2 ? "2" : "1"; }

}  // namespace

TJitterAnalysis::TJitterAnalysis(TShell& shell) : Shell_(shell) {}

TJitterAnalysis::~TJitterAnalysis() {
    if (Analyser_) Shell_.FlagRegisterReadingEnabled = SavedFlagTimer_;
}

void TJitterAnalysis::CreateJitterHandlers() {
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree || tree->Resolve("Jitter:JitterOn")) return;
    TSpider& root = tree->Root();
    JitterOn_ = &root.AddOnOffHandler("Jitter:JitterOn", {.AfterChange = [this](THandler& h) {
                                                              OnJitterOnChange(static_cast<TOnOffHandler&>(h));
                                                          }});
    root.AddRadioHandler("Jitter:Source", {.Items = "Ch1,Ch2"});
    JParam_ = &root.AddCheckHandler("Jitter:JParam", {.Items = ParamItems, .DisabledMask = 15, .AfterChange = [this](THandler& h) {
                                                          auto& list = static_cast<TCheckSwHandler&>(h);
                                                          const int item = list.LastChangedItem();
                                                          if (item < 0 || item >= JitterParamCount) return;
                                                          if (list.LastChangedState())
                                                              AddJitterReadout(item, Shell_.LangStr(ParamLabelKeys[static_cast<std::size_t>(item)]));
                                                          else
                                                              RemoveJitterReadout(item, h.GetWhoChangedRaw() == wcvCommandList);
                                                          DrawJitterReadoutLabels();
                                                      }});
    root.AddRadioHandler("Jitter:Format", {.Items = "None,Single,Dual,Quard"});
    root.AddRadioHandler("Jitter:Unit", {.Items = "Second,Interval"});
    JPlots_ = &root.AddCheckHandler("Jitter:JPlots", {.Items = PlotItems, .DisabledMask = 64, .AfterChange = [this](THandler& h) {
                                                          auto& list = static_cast<TCheckSwHandler&>(h);
                                                          const int item = list.LastChangedItem();
                                                          if (item < 0 || item >= JitterPlotCount || !Windows_->CanOpen()) return;
                                                          if (list.LastChangedState())
                                                              Windows_->Open(item);
                                                          else
                                                              Windows_->Free(item);
                                                      }});
    auto& percAmpl = root.AddDoubleEditHandler("Jitter:PercAmpl", {.Initial = 50, .Config = Numeric(30, 50, 70, 1, 0.1, 0.05, "%")});
    auto& custLevel = root.AddDoubleEditHandler("Jitter:CustLevel", {.Initial = 0, .Config = Numeric(-1, 0, 1, 0.01, 0.001, 0.0005, "")});
    const auto levelChoice = [&percAmpl, &custLevel](THandler& h) {
        const int kind = static_cast<TRadioSwHandler&>(h).GetItemIndex();
        percAmpl.SetDisabled(kind != 0);
        custLevel.SetDisabled(kind != 1);
    };
    auto& smplLvl = root.AddRadioHandler("Jitter:SmplLvl", {.Items = "AmplPerc, Level, Average", .AfterChange = levelChoice});
    levelChoice(smplLvl);
}

// ------------------------------------------------------------------------------------------ start, stop

bool TJitterAnalysis::DelayCountsBits() const {
    TCommandTree* tree = Shell_.CommandTree();
    const int length = static_cast<int>(ReadRealSetting(tree, "Trig:PattLen", 0));
    const int dividers = static_cast<int>(ReadRealSetting(tree, "Trig:ExtDivider", 1) * ReadRealSetting(tree, "Trig:IntDivider", 1));
    return IsPrbsPatternLength(length) || dividers <= 1;
}

void TJitterAnalysis::OnJitterOnChange(TOnOffHandler& h) {
    if (Switching_) return;
    if (!h.GetOn()) {
        if (Analyser_) {
            if (MessageOpen_)
                Retired_ = std::move(Analyser_);
            else
                Analyser_.reset();
            Shell_.FlagRegisterReadingEnabled = SavedFlagTimer_;
        }
        // The readouts of an analysis that is off would stand for results no longer measured.
        BlankReadoutCells();
        return;
    }
    const auto backOff = [&] {
        Switching_ = true;
        h.SetOn(false);
        Switching_ = false;
    };
    // A setup, an undo or a redo restores the switch, not a running analysis: it would take over the
    // acquisition without being asked.
    if (h.GetWhoChangedRaw() == wcvCommandList || Analyser_) {
        if (!Analyser_) backOff();
        return;
    }
    if (ReadChoiceSetting(Shell_.CommandTree(), "Trig:PatternLockMode", 0) == 0 || !DelayCountsBits()) {
        backOff();
        ShowMessage(Shell_.LangStr("ToMkJitterMeas"));
        return;
    }
    Start();
}

void TJitterAnalysis::Start() {
    TCommandTree* tree = Shell_.CommandTree();
    Shell_.SwitchOffOtherModes(mkJitter);
    SetChoice("Meas:Display", "Off");
    SetChoice("Mark:Type", "Off");
    SetChoice("Hist:Axis", "Off");
    SetOn("Mask:Test", false);
    Shell_.Serial().ClearCurrentMask();
    SetChoice("Eye:Measure", "Off");
    const int searched = SearchedChannel ? SearchedChannel() : -1;
    const int channel = searched >= 0 ? searched : (ReadOnOffSetting(tree, "Ch1:Display", true) ? 0 : 1);
    Source_ = channel == 0 ? ssCh1 : ssCh2;
    const int length = static_cast<int>(ReadRealSetting(tree, "Trig:PattLen", 127));
    const double rate = ReadRealSetting(tree, "Trig:DataRate", 1e9);
    SavedFlagTimer_ = Shell_.FlagRegisterReadingEnabled;
    Shell_.FlagRegisterReadingEnabled = false;
    Shell_.ExecuteCommandString("*Run");
    if (TInstrumentLink* link = Shell_.Link()) link->BreakAcquisition(true);
    Analyser_ = std::make_unique<TJ_Obj>(*this, length, rate > 0 ? 1 / rate : 1e-9, Source_);
    ApplyStartSettings();
    ShowJitterPlotWindows();
}

void TJitterAnalysis::ApplyStartSettings() {
    const double t = Analyser_->BitPeriod;
    const std::string own = ChannelNode(Source_), other = Source_ == ssCh2 ? "1" : "2";
    SetOn(("Ch" + own + ":Display").c_str(), true);
    SetOn(("Ch" + other + ":Display").c_str(), false);
    SetChoice(("Acq:Ch" + own + ":Mode").c_str(), "AvgMult");
    SetReal("Acq:Ch" + own + ":NAvg", 4);
    for (const char* path : {"Spectr1:Display", "Spectr2:Display", "F1:Display", "F2:Display", "F3:Display", "F4:Display"})
        SetOn(path, false);
    if (auto* memo = FindSetting<TCheckSwHandler>(Shell_.CommandTree(), "Save:Memo:On")) memo->SetMask(0);
    SetChoice("Displ:TraceMode", "PerTrace");
    SetChoice(("Displ:Ch" + own + ":Style").c_str(), "Vectors");
    SetChoice("Displ:Gratic", "Grid");
    SetChoice("Displ:Format", "YT");
    SetChoice("Eye:Measure", "Off");
    SetChoice("Hist:Axis", "Off");
    SetOn("Limit:TestOn", false);
    SetChoice("Meas:Display", "Off");
    SetChoice("Mark:Type", "Off");
    SetOn("Mask:Test", false);
    SetRecordLength(TJ_Obj::EdgeScanPoints);
    SetChoice("Util:VCalMode", "Off");
    SetChoice("TB:Units", "Time");
    SetChoice("TB:Mode", "B");
    SetReal("TB:ScaleA", 10 * t);
    SetReal("TB:ScaleB", 5 * t);
    // The stored value, in divisions: typed text would be read in seconds.
    SetReal("TB:Delay", 0.1);
    SetOn("TB:DualDel", false);
    SetChoice("Acq:FitTo", "Multi");
    SetPatternDelay(0);
    SetOn("Trig:PattEyeLine", false);
    Shell_.Display().TopTextUpdateAll();
}

void TJitterAnalysis::Step() {
    if (MessageOpen_) return;
    Retired_.reset();
    if (!Analyser_) return;
    Analyser_->Step();
}

// ------------------------------------------------------------------------------------------ the host

const TSignalObj& TJitterAnalysis::Record() const { return Shell_.Records()->Record(Source_); }

int TJitterAnalysis::PatternDelay() const {
    return static_cast<int>(ReadRealSetting(Shell_.CommandTree(), "Trig:PattDelay", 0));
}

void TJitterAnalysis::SetPatternDelay(int bits) { SetReal("Trig:PattDelay", bits); }

void TJitterAnalysis::SetRecordLength(int points) {
    SetReal("Acq:Ch1:RecLen", points);
    SetReal("Acq:Ch2:RecLen", points);
}

void TJitterAnalysis::ApplyPatternSettings(double high, double low, double delayDivisions) {
    const std::string own = ChannelNode(Source_);
    SetChoice(("Acq:Ch" + own + ":Mode").c_str(), "Sample");
    SetChoice(("Displ:Ch" + own + ":Style").c_str(), "VarPersist");
    SetReal("Displ:Ch" + own + ":PersistTime", 0.5);
    SetReal("Ch" + own + ":Scale", (high - low) / 6);
    SetReal("Ch" + own + ":Offset", -(high + low) / 2);
    if (Analyser_) SetReal("TB:ScaleB", Analyser_->BitPeriod / 10);
    SetReal("TB:Delay", delayDivisions);
}

int TJitterAnalysis::SamplingLevelKind() const { return ReadChoiceSetting(Shell_.CommandTree(), "Jitter:SmplLvl", 0); }
double TJitterAnalysis::PercAmpl() const { return ReadRealSetting(Shell_.CommandTree(), "Jitter:PercAmpl", 50); }
double TJitterAnalysis::CustLevel() const { return ReadRealSetting(Shell_.CommandTree(), "Jitter:CustLevel", 0); }

void TJitterAnalysis::ShowMessage(const std::string& text) {
    // The message may run an event loop: no step of the analyser meanwhile.
    MessageOpen_ = true;
    Shell_.ReportError(text);
    MessageOpen_ = false;
}

// Found while the analysis steps the acquisition: nothing may wait for a person.
void TJitterAnalysis::ShowBitMapError() { Shell_.ShowProgramMessage("Ошибка определения Bit-Map"); }

void TJitterAnalysis::ReportError(const std::string& text) { Shell_.ShowProgramMessage(text); }

void TJitterAnalysis::ShowResults() { ShowJitterResults(); }

// ------------------------------------------------------------------------------------------ readouts

TNizText* TJitterAnalysis::Strip() const {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    TScopeCRT* panel = display ? display->Panel() : nullptr;
    return panel ? &panel->BottomStrip() : nullptr;
}

int TJitterAnalysis::SourceColour() const {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    return static_cast<int>((display ? display->Colors().SourceRGB(Source_) : TColor(0xFFFFFF)).Value & 0xFFFFFF);
}

void TJitterAnalysis::AddJitterReadout(int param, const std::string& label) {
    if (static_cast<int>(Readouts_.size()) >= MaxReadouts) return;
    Readouts_.push_back({label, param, UndefinedValue, ""});
}

void TJitterAnalysis::RemoveJitterReadout(int param, bool quiet) {
    const auto it = std::find_if(Readouts_.begin(), Readouts_.end(), [param](const TReadout& r) { return r.Param == param; });
    if (it == Readouts_.end()) {
        if (!quiet) Shell_.ReportError("Parameter is ABSENT");
        return;
    }
    Readouts_.erase(it);
    // The entries moved up: the strip's cells are drawn again.
    if (JitterOn_ && JitterOn_->GetOn()) BlankReadoutCells();
}

void TJitterAnalysis::BlankReadoutCells() {
    TNizText* strip = Strip();
    if (!strip || !strip->JitterLabelsDrawn) return;
    for (int i = 0; i < MaxReadouts; ++i) {
        strip->DelayedTextOut("", JitterCellRect(i, false), -1, 0);
        strip->DelayedTextOut("", JitterCellRect(i, true), -1, 0);
    }
    strip->JitterLabelsDrawn = false;
}

void TJitterAnalysis::DrawJitterReadoutLabels() {
    TNizText* strip = Strip();
    if (!strip || !JitterOn_ || !JitterOn_->GetOn()) return;
    const int colour = SourceColour();
    for (std::size_t i = 0; i < Readouts_.size(); ++i)
        strip->DelayedTextOut(Readouts_[i].Label, JitterCellRect(static_cast<int>(i), false), -1, colour);
    strip->JitterLabelsDrawn = true;
}

void TJitterAnalysis::ShowJitterResults() {
    if (!Analyser_) return;
    TNizText* strip = Strip();
    if (strip && !strip->JitterLabelsDrawn) DrawJitterReadoutLabels();
    const int colour = SourceColour();
    for (std::size_t i = 0; i < Readouts_.size(); ++i) {
        TReadout& r = Readouts_[i];
        const TJitterResult& result = Analyser_->GetResult(r.Param);
        r.Value = result.Value;
        r.Unit = result.Unit;
        const std::string text = IsUndefinedValue(r.Value) ? std::string() : FloatToEngStr(3, 4, false, false, r.Value) + r.Unit;
        if (strip) strip->DelayedTextOut(text, JitterCellRect(static_cast<int>(i), true), -1, colour);
    }
    for (int plot = 0; plot < JitterPlotCount; ++plot) DrawPlot(plot, 0, -1);
}

// ------------------------------------------------------------------------------------------ plots

void TJitterAnalysis::DrawPlot(int plot, int action, int position) {
    if (!Analyser_ || plot < 0 || plot >= JitterPlotCount) return;
    TJitterPlotWindow* window = Windows_->Window(plot);
    if (!window) return;
    DrawJitterPlot(*Analyser_, *window, plot, action, position, [this](std::string_view key) { return Shell_.LangStr(key); });
}

void TJitterAnalysis::ShowJitterPlotWindows() {
    if (!JPlots_ || !Windows_->CanOpen()) return;
    const std::uint32_t mask = JPlots_->GetMask();
    for (int plot = 0; plot < JitterPlotCount; ++plot)
        if (mask & (1u << plot)) Windows_->Open(plot);
}

// ------------------------------------------------------------------------------------------ helpers

void TJitterAnalysis::SetChoice(const char* path, const char* item) {
    if (auto* h = FindSetting<TRadioSwHandler>(Shell_.CommandTree(), path)) {
        const int i = h->FindItem(item);
        if (i >= 0) h->SetItemIndex(i);
    }
}

void TJitterAnalysis::SetOn(const char* path, bool on) {
    if (auto* h = FindSetting<TOnOffHandler>(Shell_.CommandTree(), path)) h->SetOn(on);
}

void TJitterAnalysis::SetReal(const std::string& path, double value) { WriteRealSetting(Shell_.CommandTree(), path, value); }

}  // namespace vt
