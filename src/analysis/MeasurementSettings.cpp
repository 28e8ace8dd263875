#include "analysis/MeasurementSettings.h"

#include <cmath>
#include <string>

#include "acq/SignalObj.h"
#include "analysis/MeasCalc.h"
#include "analysis/MeasSettings.h"
#include "analysis/MeasurementList.h"
#include "analysis/MeasurementNames.h"
#include "analysis/MeasurementReadouts.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/MenuKinds.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/WindowBindings.h"
#include "display/AnnotationLayer.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"

namespace vt {

namespace {

constexpr const char* SourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
// Only the records 0..13 can be measured.
constexpr std::uint32_t NonRecordSources = 0x1Fu << 14;
constexpr std::array<const char*, 6> ListNames = {"XParam", "XFFTPar", "XDualPar", "YParam", "YFFTPar", "YDualPar"};
constexpr std::array<const char*, 3> RowNames = {"UpThresh", "MidThresh", "LowThresh"};
constexpr std::array<const char*, 3> PercentNames = {"UpThPerc", "MidThPerc", "LowThPerc"};
constexpr int MethodMarker = 2;
constexpr int ThreshCustom = 2;
constexpr int UnitPercent = 0;
constexpr int UnitVolt = 1;
constexpr int MargSlope = 0;
constexpr int FftHarmonic = 0;
constexpr int StatWindow = 1;
constexpr int StatWeight = 2;
constexpr int ModeSingle = 1;

TEditConfig Steps(double lo, double mid, double hi, double fine, double coarse) {
    return TEditConfig{.Minimum = lo, .Default = mid, .Maximum = hi, .CoarseStep = coarse, .CoarseKind = skLinear,
                       .FineStep = fine, .FineKind = skLinear};
}

bool HasFft(int source) { return source >= ssF1; }
bool HasDual(int source) { return source <= ssM4; }

void Enable(THandler* h, bool on) {
    if (h) h->SetDisabled(!on);
}

}  // namespace

TMeasurementSettings::TMeasurementSettings(TShell& shell, TMeasCalc& calc, TMeasList& list, TMeasReadouts& readouts)
    : Shell_(shell), Calc_(calc), List_(list), Readouts_(readouts) {}

TMeasurementSettings::~TMeasurementSettings() {
    if (ListenedRecords_ && ListenedRecords_ == Shell_.Records()) ListenedRecords_->SignalsOn().RemoveChangeListener(SignalsListener_);
}

// ------------------------------------------------------------------------------ registration

void TMeasurementSettings::CreateMeasHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    Display_ = &root.AddRadioHandler("Meas:Display", {.Items = "Off,Param,Statistic", .Initial = mdOff,
                                                      .AfterChange = [this](THandler&) { DisplayAfter(); }});
    DisplSrc_ = &root.AddSignalSourceHandler(
        "Meas:DisplSrc", {.Items = SourceItems, .Initial = ssCh1, .ExcludedMask = NonRecordSources,
                          .AfterChange = [this](THandler&) { DisplSrcAfter(); }});
    DisplSrc_->FollowSignals(tree.SignalEnablity());
    View_ = &root.AddOnOffHandler("Meas:View", {.Initial = true, .AfterChange = [this](THandler&) { RemoveOverlayLayers(); }});
    Mode_ = &root.AddRadioHandler("Meas:Mode", {.Items = "Permanent,Single", .Initial = 0, .AfterChange = [this](THandler&) {
                                                    SingleMeas_->SetDisabled(Display_->GetItemIndex() == mdOff ||
                                                                             Mode_->GetItemIndex() != ModeSingle);
                                                }});
    SingleMeas_ = &root.AddRightCommandHandler("Meas:SingleMeas", [this](THandler&) { Calc_.RequestMeasureNow(); });
    StatMode_ = &root.AddRadioHandler("Meas:StatMode", {.Items = "Permanent,Window,Weight", .Initial = 0,
                                                        .AfterChange = [this](THandler&) {
                                                            StatModeRules();
                                                            List_.ApplyMeasStatModeToAll();
                                                        }});
    TEditConfig count{.Minimum = 8, .Default = 256, .Maximum = 8192, .CoarseStep = 2, .CoarseKind = skPowerOf2,
                      .FineStep = 1, .FineKind = skLinear};
    Window_ = &root.AddIntEditHandler("Meas:Window", {.Initial = 8, .Config = count,
                                                      .AfterChange = [this](THandler&) { List_.ApplyMeasStatModeToAll(); }});
    Weight_ = &root.AddIntEditHandler("Meas:Weight", {.Initial = 8, .Config = count,
                                                      .AfterChange = [this](THandler&) { List_.ApplyMeasStatModeToAll(); }});
    for (int source = 0; source < SignalRecordCount; ++source) RegisterSource(tree, source);
    root.AddRightCommandHandler("Meas:ClearAll", [this](THandler&) { ClearAll(); });
    root.AddGpibStringHandler("Meas:Res", 0, [this](std::string_view parameter, bool isQuery, std::uint8_t, std::string& reply) {
        if (isQuery) reply += List_.MeasResultQuery(parameter);
    });
    Readouts_.ScaleChanged = [this](int source) { RefreshScaleControls(source); };
    Listen();
}

// A source's settings as they are registered: the path under its source, its colour.
struct TMeasurementSettings::TSourceRegistrar {
    TCommandTree& Tree;
    int Source;

    std::string Path(const char* name) const { return MeasSourcePath(Source, name); }
    TRadioSwHandler* Choice(const char* name, const char* items, int initial, THandlerCallback after) const {
        return &Tree.Root().AddRadioHandler(Path(name), {.Items = items, .Initial = initial, .AfterChange = std::move(after)});
    }
    TIntEditHandler* Integer(const char* name, double initial, TEditConfig config, THandlerCallback after) const {
        return &Tree.Root().AddIntEditHandler(Path(name), {.Initial = initial, .Config = std::move(config),
                                                           .ColorSource = Source, .AfterChange = std::move(after)});
    }
    TDoubleEditHandler* Real(const char* name, double initial, TEditConfig config, THandlerCallback after) const {
        return &Tree.Root().AddDoubleEditHandler(Path(name), {.Initial = initial, .Config = std::move(config),
                                                              .ColorSource = Source, .AfterChange = std::move(after)});
    }
};

// In the tree's order: the level method and rows, the thresholds, the window margins, the lists.
void TMeasurementSettings::RegisterSource(TCommandTree& tree, int source) {
    const TSourceRegistrar reg{tree, source};
    RegisterSourceLevels(reg);
    RegisterSourceThresholds(reg);
    RegisterSourceMargins(reg);
    RegisterSourceLists(reg);
}

void TMeasurementSettings::RegisterSourceLevels(const TSourceRegistrar& reg) {
    const int source = reg.Source;
    TSourceHandlers& h = Sources_[static_cast<std::size_t>(source)];
    auto levels = [this, source] { Calc_.RequestLevelMarkers(source); };

    h.Method = reg.Choice("Method", "Hist,MinMax,Marker", 0, [this, source](THandler&) { MethodAfter(source); });
    // The level rows are shown and typed in the source's vertical unit.
    auto volts = [this, source](TEditConfig c) {
        c.OnFormat = [this, source](TEditHandler&, double row) {
            const TSignalRecords* records = Shell_.Records();
            const TSignalObj* r = records ? records->FindRecord(source) : nullptr;
            return r ? FloatToEngStr(3, 3, false, false, r->PixelToValue(row)) + r->GetVertUnit()
                     : FloatToEngStr(3, 3, false, false, row);
        };
        c.OnCorrect = [this, source](TEditHandler&, double value) {
            const TSignalRecords* records = Shell_.Records();
            const TSignalObj* r = records ? records->FindRecord(source) : nullptr;
            return r ? std::round(r->ValueToPixel(value)) : value;
        };
        return c;
    };
    h.Top = reg.Integer("Top", 768, volts(Steps(2, 512, 1023, 1, 16)), [this, source, levels](THandler&) {
        TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
        s.Base->SetMaxValue(s.Top->GetValue() - 1);
        s.Top->SetMinValue(s.Base->GetValue() + 1);
        levels();
    });
    // Base bounds Top as Top bounds Base, so that Top never goes below it.
    h.Base = reg.Integer("Base", 256, volts(Steps(1, 511, 1022, 1, 16)), [this, source, levels](THandler&) {
        TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
        s.Top->SetMinValue(s.Base->GetValue() + 1);
        s.Base->SetMaxValue(s.Top->GetValue() - 1);
        levels();
    });
}

void TMeasurementSettings::RegisterSourceThresholds(const TSourceRegistrar& reg) {
    const int source = reg.Source;
    TSourceHandlers& h = Sources_[static_cast<std::size_t>(source)];
    auto thresholds = [this, source] { Calc_.RequestThresholds(source); };
    h.Thresh = reg.Choice("Thresh", "10-90,20-80,Custom", 0, [this, source](THandler&) { ThreshAfter(source); });
    h.Unit = reg.Choice("Unit", "Percent,Volt,Division", UnitPercent, [this, source](THandler&) { UnitAfter(source); });
    h.Unit->SetOnBeforeChange([this, source](THandler&) {
        TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
        s.PreviousUnit = s.Unit->GetItemIndex();
    });
    static constexpr std::array<double, 3> rowLow = {5, 4, 3};
    static constexpr std::array<double, 3> rowMid = {683, 512, 341};
    static constexpr std::array<double, 3> rowHigh = {1022, 1021, 1020};
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<std::size_t>(i);
        TEditConfig c = Steps(rowLow[k], rowMid[k], rowHigh[k], 1, 16);
        c.Units = "div";
        c.OnFormat = [this, source](TEditHandler&, double row) { return RowText(source, row); };
        c.OnCorrect = [this, source](TEditHandler&, double typed) { return RowOfText(source, typed); };
        h.Rows[k] = reg.Integer(RowNames[k], rowMid[k], c, [this, source, i, thresholds](THandler&) {
            TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
            const int v = s.Rows[static_cast<std::size_t>(i)]->GetValue();
            if (i > 0) s.Rows[static_cast<std::size_t>(i - 1)]->SetMinValue(v + 1);
            if (i < 2) s.Rows[static_cast<std::size_t>(i + 1)]->SetMaxValue(v - 1);
            thresholds();
        });
    }
    static constexpr std::array<double, 3> percentMid = {80, 50, 20};
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<std::size_t>(i);
        TEditConfig c = Steps(-100, percentMid[k], 200, 0.1, 1);
        c.Resolution = 0.001;
        c.Units = "%";
        h.Percents[k] = reg.Real(PercentNames[k], percentMid[k], c, [this, source, i, thresholds](THandler&) {
            TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
            const double v = s.Percents[static_cast<std::size_t>(i)]->GetValue();
            if (i > 0) s.Percents[static_cast<std::size_t>(i - 1)]->SetMinValue(v + 0.1);
            if (i < 2) s.Percents[static_cast<std::size_t>(i + 1)]->SetMaxValue(v - 0.1);
            thresholds();
        });
    }
}

void TMeasurementSettings::RegisterSourceMargins(const TSourceRegistrar& reg) {
    const int source = reg.Source;
    TSourceHandlers& h = Sources_[static_cast<std::size_t>(source)];
    auto margins = [this, source] { Calc_.RequestMargins(source); };
    h.MargMode = reg.Choice("MargMode", "Slope,Marker", 1, [this, source](THandler&) { MargModeAfter(source); });
    // A pair of window limits: the left stays left of the right.
    auto pair = [this, source, margins](TIntEditHandler* TSourceHandlers::*left, TIntEditHandler* TSourceHandlers::*right) {
        return [this, source, margins, left, right](THandler&) {
            TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
            (s.*left)->SetMaxValue((s.*right)->GetValue() - 1);
            (s.*right)->SetMinValue((s.*left)->GetValue() + 1);
            margins();
        };
    };
    TEditConfig slope = Steps(0, 9, MaxSlopeSetting, 1, 1);
    slope.OnFormat = [this](TEditHandler&, double v) {
        const int edge = static_cast<int>(v);
        return std::to_string(edge / 2 + 1) + Shell_.LangStr(edge % 2 == 0 ? "Rising" : "Falling");
    };
    h.LeftSlope = reg.Integer("LeftSlope", 0, slope, pair(&TSourceHandlers::LeftSlope, &TSourceHandlers::RightSlope));
    h.RightSlope = reg.Integer("RightSlope", 5, slope, pair(&TSourceHandlers::LeftSlope, &TSourceHandlers::RightSlope));
    h.LeftTresh = reg.Choice("LeftTresh", "Upper,Middle,Lower", 1, [margins](THandler&) { margins(); });
    h.RightTresh = reg.Choice("RightTresh", "Upper,Middle,Lower", 1, [margins](THandler&) { margins(); });
    // Window columns are shown and typed as the horizontal value of the column.
    auto columns = [this](int src, TEditConfig c) {
        c.OnFormat = [this, src](TEditHandler&, double column) {
            const TSignalRecords* records = Shell_.Records();
            const TSignalObj* r = records ? records->FindRecord(src) : nullptr;
            return r ? FloatToEngStr(3, 5, false, false, r->ColumnToTime(column)) + r->HorUnit()
                     : FloatToEngStr(3, 5, false, false, column);
        };
        c.OnCorrect = [this, src](TEditHandler&, double value) {
            const TSignalRecords* records = Shell_.Records();
            const TSignalObj* r = records ? records->FindRecord(src) : nullptr;
            return r && r->SampleInterval() != 0 ? static_cast<double>(r->TimeToColumn(value)) : value;
        };
        return c;
    };
    h.LeftMarker = reg.Integer("LeftMarker", 0, columns(source, Steps(0, 2000, 3999, 1, 80)),
                           pair(&TSourceHandlers::LeftMarker, &TSourceHandlers::RightMarker));
    h.RightMarker = reg.Integer("RightMarker", 4000, columns(source, Steps(1, 2001, 4000, 1, 80)),
                            pair(&TSourceHandlers::LeftMarker, &TSourceHandlers::RightMarker));
    if (HasFft(source)) {
        h.FFTMethod = reg.Choice("FFTMethod", "Harmonic,Peak", FftHarmonic, [this, source, margins](THandler&) {
            EnableSource(source);
            margins();
        });
        h.FFTLeft = reg.Integer("FFTLeft", 0, columns(source, Steps(1, 2000, 3999, 1, 80)),
                            pair(&TSourceHandlers::FFTLeft, &TSourceHandlers::FFTRight));
        h.FFTRight = reg.Integer("FFTRight", 4000, columns(source, Steps(1, 2001, 4000, 1, 80)),
                             pair(&TSourceHandlers::FFTLeft, &TSourceHandlers::FFTRight));
        TEditConfig peak{.Minimum = -100, .Default = -20, .Maximum = 80, .CoarseStep = 1, .CoarseKind = skDbLadder,
                         .FineStep = 0.1, .FineKind = skLinear, .Resolution = 0.01, .Units = "dB"};
        h.PeakLevel = reg.Real("PeakLevel", -20, peak, [margins](THandler&) { margins(); });
        h.PeakLeft = reg.Integer("PeakLeft", 1, Steps(1, 1, 40, 1, 1), pair(&TSourceHandlers::PeakLeft, &TSourceHandlers::PeakRight));
        h.PeakRight = reg.Integer("PeakRight", 3, Steps(2, 3, 41, 1, 1), pair(&TSourceHandlers::PeakLeft, &TSourceHandlers::PeakRight));
    }
}

void TMeasurementSettings::RegisterSourceLists(const TSourceRegistrar& reg) {
    const int source = reg.Source;
    TSourceHandlers& h = Sources_[static_cast<std::size_t>(source)];
    TSpider& root = reg.Tree.Root();
    auto list = [&](int group) {
        TCheckSwHandler* l = &root.AddCheckHandler(
            reg.Path(ListNames[static_cast<std::size_t>(group)]),
            {.Items = std::string(MeasCheckItems(group)),
             .AfterChange = [this, source, group](THandler& handler) { CheckListAfter(source, group, handler); }});
        h.Lists[static_cast<std::size_t>(group)] = l;
    };
    list(mgX);
    list(mgY);
    if (HasFft(source)) {
        list(mgXFft);
        list(mgYFft);
    }
    if (HasDual(source)) {
        h.Source2 = &root.AddSignalSourceHandler(reg.Path("Source2"),
                                                 {.Items = SourceItems, .Initial = ssCh2, .ExcludedMask = NonRecordSources});
        h.Source2->FollowSignals(reg.Tree.SignalEnablity());
        list(mgXDual);
        list(mgYDual);
    }
}

void TMeasurementSettings::Listen() {
    TSignalRecords* records = Shell_.Records();
    if (!records || ListenedRecords_ == records) return;
    ListenedRecords_ = records;
    SignalsListener_ = records->SignalsOn().AddChangeListener([this](int source) {
        if (source < 0 || source >= SignalRecordCount) return;
        // Annotations point at the traces: a trace that comes or goes takes them away.
        auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
        const bool eye = ReadChoiceSetting(Shell_.CommandTree(), "Eye:Measure", 0) != 0;
        if (display && (Display_->GetItemIndex() != mdOff || eye)) ClearAnnotations(*display);
        EnableSource(source);
    });
}

// ---------------------------------------------------------------------------------- refresh

void TMeasurementSettings::RefreshMeasHandlers() {
    if (!Display_) return;
    for (TSourceHandlers& s : Sources_) {
        s.Base->SetMaxValue(s.Top->GetValue() - 1);
        s.Top->SetMinValue(s.Base->GetValue() + 1);
    }
    DisplayAfter();
    DisplSrcAfter();
    Listen();
    for (int source = 0; source < SignalRecordCount; ++source)
        if (TimeMeasurable(source) && Sources_[static_cast<std::size_t>(source)].Thresh->GetItemIndex() == ThreshCustom)
            ThreshAfter(source);
}

void TMeasurementSettings::SwitchOffMeasurements() {
    if (Display_) Display_->SetItemIndex(mdOff);
}

void TMeasurementSettings::RefreshScaleControls(int source) {
    if (source < 0 || source >= SignalRecordCount || !Display_) return;
    TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
    for (THandler* h : {static_cast<THandler*>(s.LeftMarker), static_cast<THandler*>(s.RightMarker),
                        static_cast<THandler*>(s.Top), static_cast<THandler*>(s.Base), static_cast<THandler*>(s.Thresh),
                        static_cast<THandler*>(s.Rows[0]), static_cast<THandler*>(s.Rows[1]),
                        static_cast<THandler*>(s.Rows[2])})
        h->NotifySwitchers();
}

void TMeasurementSettings::RemoveOverlayLayers() {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    TScopeCRT* panel = display ? display->Panel() : nullptr;
    if (!panel) return;
    // The marker slots may hold another feature's overlay: only a definition layer goes.
    for (int m : {1, 2}) {
        TMarkerLayer* layer = panel->MarkerLayer(m);
        if (dynamic_cast<T_Meas_ParamLayer*>(layer) || dynamic_cast<T_FFT_Meas_ParamLayer*>(layer)) panel->FreeMarkerLayer(m);
    }
}

// -------------------------------------------------------------------------------- the display

void TMeasurementSettings::DisplayAfter() {
    const int display = Display_->GetItemIndex();
    auto* scope = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    if (scope) ClearAnnotations(*scope);
    Readouts_.ShowAllMeasStatistics();
    if (scope && display == mdOff && scope->Annotations().Owner == 1) ClearAnnotations(*scope);
    if (TWindowBindings* w = Shell_.WindowBindings()) w->ResetMenuPage(mkMeasurements);
    List_.TrimMeasListForStatistic();
    for (int slot = 0; slot < MeasSlotCount; ++slot) List_.ClearMeasResultText(slot);
    if (display != mdOff) Shell_.SwitchOffOtherModes(mkMeasurements);
    Readouts_.DrawMeasStrip();
    RemoveOverlayLayers();
    Calc_.RequestMeasureNow();
    if (display == mdOff) List_.RestartMeasStatistics();
    DisplSrc_->NotifySwitchers();
    View_->SetDisabled(display == mdOff);
    Mode_->SetDisabled(display == mdOff);
    SingleMeas_->SetDisabled(display == mdOff || Mode_->GetItemIndex() != ModeSingle);
    StatMode_->SetDisabled(display != mdStatistic);
    StatModeRules();
    EnableAllSources();
    if (display != mdStatistic) List_.Limits().SwitchTestOff();
}

void TMeasurementSettings::DisplSrcAfter() {
    const TSignalRecords* records = Shell_.Records();
    const TSignalObj* r = records ? records->FindRecord(DisplSrc_->GetSource()) : nullptr;
    DisplSrcSpectrum_ = r && r->IsSpectrum();
    RemoveOverlayLayers();
    if (TWindowBindings* w = Shell_.WindowBindings()) w->RefreshSideMenu(mkMeasurements);
}

void TMeasurementSettings::StatModeRules() {
    const bool statistic = Display_->GetItemIndex() == mdStatistic;
    const int mode = StatMode_->GetItemIndex();
    Window_->SetDisabled(!(statistic && mode == StatWindow));
    Weight_->SetDisabled(!(statistic && mode == StatWeight));
    // An open menu on its statistics page leaves it when there are no statistics.
    if (!statistic)
        if (TWindowBindings* w = Shell_.WindowBindings()) w->RefreshSideMenu(mkMeasurements);
}

// ---------------------------------------------------------------------------- per source

bool TMeasurementSettings::TimeMeasurable(int source) const {
    const TSignalRecords* records = Shell_.Records();
    if (!records || !Display_ || Display_->GetItemIndex() == mdOff || !records->SignalsOn().IsOn(source)) return false;
    const TSignalObj* r = records->FindRecord(source);
    return r && !r->IsSpectrum();
}

bool TMeasurementSettings::SpectrumMeasurable(int source) const {
    const TSignalRecords* records = Shell_.Records();
    if (!records || !Display_ || Display_->GetItemIndex() == mdOff || !records->SignalsOn().IsOn(source)) return false;
    const TSignalObj* r = records->FindRecord(source);
    return r && r->IsSpectrum();
}

void TMeasurementSettings::EnableAllSources() {
    for (int source = 0; source < SignalRecordCount; ++source) EnableSource(source);
}

void TMeasurementSettings::EnableSource(int source) {
    if (!Display_ || source < 0 || source >= SignalRecordCount) return;
    TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
    const bool time = TimeMeasurable(source);
    const bool spectrum = SpectrumMeasurable(source);
    for (THandler* h : {static_cast<THandler*>(s.Method), static_cast<THandler*>(s.Thresh),
                        static_cast<THandler*>(s.MargMode), static_cast<THandler*>(s.Lists[mgX]),
                        static_cast<THandler*>(s.Lists[mgY]), static_cast<THandler*>(s.Source2),
                        static_cast<THandler*>(s.Lists[mgXDual]), static_cast<THandler*>(s.Lists[mgYDual])})
        Enable(h, time);
    const bool marker = s.Method->GetItemIndex() == MethodMarker;
    Enable(s.Top, time && marker);
    Enable(s.Base, time && marker);
    const bool custom = time && s.Thresh->GetItemIndex() == ThreshCustom;
    const bool percent = s.Unit->GetItemIndex() == UnitPercent;
    Enable(s.Unit, custom);
    for (int i = 0; i < 3; ++i) {
        Enable(s.Percents[static_cast<std::size_t>(i)], custom && percent);
        Enable(s.Rows[static_cast<std::size_t>(i)], custom && !percent);
    }
    const bool slope = s.MargMode->GetItemIndex() == MargSlope;
    for (THandler* h : {static_cast<THandler*>(s.LeftSlope), static_cast<THandler*>(s.RightSlope),
                        static_cast<THandler*>(s.LeftTresh), static_cast<THandler*>(s.RightTresh)})
        Enable(h, time && slope);
    Enable(s.LeftMarker, time && !slope);
    Enable(s.RightMarker, time && !slope);
    if (HasFft(source)) {
        const bool harmonic = s.FFTMethod->GetItemIndex() == FftHarmonic;
        Enable(s.FFTMethod, spectrum);
        Enable(s.Lists[mgXFft], spectrum);
        Enable(s.Lists[mgYFft], spectrum);
        Enable(s.FFTLeft, spectrum && harmonic);
        Enable(s.FFTRight, spectrum && harmonic);
        Enable(s.PeakLevel, spectrum && !harmonic);
        Enable(s.PeakLeft, spectrum);
        Enable(s.PeakRight, spectrum);
    }
}

void TMeasurementSettings::MethodAfter(int source) {
    TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
    if (s.Method->GetItemIndex() == MethodMarker && TimeMeasurable(source)) Readouts_.PlaceLevelMarkers(source);
    EnableSource(source);
    Calc_.RequestLevelMarkers(source);
}

void TMeasurementSettings::ThreshAfter(int source) {
    TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
    if (TimeMeasurable(source) && s.Thresh->GetItemIndex() == ThreshCustom) {
        Readouts_.ThresholdsToRows(source);
        Readouts_.LevelsToThresholdPercents(source);
    }
    EnableSource(source);
    Calc_.RequestThresholds(source);
}

void TMeasurementSettings::UnitAfter(int source) {
    TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
    const int unit = s.Unit->GetItemIndex();
    if (s.PreviousUnit == UnitPercent && unit != UnitPercent) Readouts_.ThresholdsToRows(source);
    if (unit == UnitPercent && s.PreviousUnit != UnitPercent) Readouts_.LevelsToThresholdPercents(source);
    s.PreviousUnit = unit;
    for (TIntEditHandler* row : s.Rows) row->NotifySwitchers();
    EnableSource(source);
    Calc_.RequestThresholds(source);
}

void TMeasurementSettings::MargModeAfter(int source) {
    TSourceHandlers& s = Sources_[static_cast<std::size_t>(source)];
    if (s.MargMode->GetItemIndex() == MargSlope) Calc_.TrackCrossingWindow(source);
    else Calc_.SetCrossingWindowHandlers(source);
    EnableSource(source);
    Calc_.RequestMargins(source);
}

std::string TMeasurementSettings::RowText(int source, double row) const {
    const int unit = Sources_[static_cast<std::size_t>(source)].Unit ? Sources_[static_cast<std::size_t>(source)].Unit->GetItemIndex()
                                                                       : UnitPercent;
    const TSignalRecords* records = Shell_.Records();
    const TSignalObj* r = records ? records->FindRecord(source) : nullptr;
    if (unit == UnitVolt && r) return FloatToEngStr(3, 3, false, false, r->PixelToValue(row)) + r->GetVertUnit();
    return FloatToEngStr(3, 3, false, false, (row - 512) / 1024 * 8) + Shell_.LangStr("div");
}

double TMeasurementSettings::RowOfText(int source, double typed) const {
    const int unit = Sources_[static_cast<std::size_t>(source)].Unit->GetItemIndex();
    const TSignalRecords* records = Shell_.Records();
    const TSignalObj* r = records ? records->FindRecord(source) : nullptr;
    if (unit == UnitVolt && r) return std::round(r->ValueToPixel(typed));
    return std::round(typed / 8 * 1024 + 512);
}

// ------------------------------------------------------------------------------- check lists

void TMeasurementSettings::CheckListAfter(int source, int group, THandler& h) {
    auto& list = static_cast<TCheckSwHandler&>(h);
    const int item = list.LastChangedItem();
    if (item < 0) return;
    // A check list set whole runs every item by: only the items that differ from the list act.
    if (list.LastChangedState()) List_.AddMeasParameter(source, group, item);
    else if (List_.IsMeasListed(group, item, source)) List_.RemoveMeasParameter(source, group, item);
    Readouts_.DrawMeasStrip();
    Calc_.RequestMeasureNow();
}

void TMeasurementSettings::ClearAll() {
    for (TSourceHandlers& s : Sources_)
        for (TCheckSwHandler* list : s.Lists)
            if (list) list->SetMask(0);
}

}  // namespace vt
