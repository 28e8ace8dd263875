#include "analysis/HistogramFeature.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "acq/HistogramObjects.h"
#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/Handlers.h"
#include "core/MenuKinds.h"
#include "core/SerialServices.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/SourceHandlers.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/DisplaySettings.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"
#include "display/ScreenLayers.h"

namespace vt {

namespace {

constexpr const char* HistSourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
constexpr std::uint32_t NonRecordSources = 0x1Fu << 14;
constexpr std::array<const char*, 2> SetNames = {"Hist:WVert:", "Hist:WHor:"};
constexpr std::array<const char*, 4> EdgeNames = {"Top", "Bottom", "Left", "Right"};

std::size_t S(int kind) { return static_cast<std::size_t>(kind == 2 ? 1 : 0); }
std::size_t E(THistEdge edge) { return static_cast<std::size_t>(edge); }
bool IsColumn(THistEdge edge) { return edge == heLeft || edge == heRight; }

TEditConfig IntConfig(double minimum, double initial, double maximum, double coarse, std::string units = {}) {
    return TEditConfig{.Minimum = minimum, .Default = initial, .Maximum = maximum, .CoarseStep = coarse,
                       .CoarseKind = skLinear, .FineStep = 1, .FineKind = skLinear, .Units = std::move(units)};
}

// The readout cells, row and column, in the order of the kept texts where they have one.
struct TCell {
    int Row;
    int Column;
};

}  // namespace

THistogramFeature::THistogramFeature(TShell& shell) : Shell_(shell) {}

// ------------------------------------------------------------------------------------- settings

void THistogramFeature::CreateHistHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    const auto update = [this](THandler&) { UpdateHistogram(false); };
    Axis_ = &root.AddRadioHandler("Hist:Axis", {.Items = "Off,Vert,Horiz", .Initial = haOff,
                                                .AfterChange = [this](THandler&) { HistAxisChanged(); }});
    Source_ = &root.AddSignalSourceHandler(
        "Hist:Source", {.Items = HistSourceItems, .Initial = ssCh1, .ExcludedMask = NonRecordSources,
                        .AfterChange = [this](THandler&) { SourceChanged(); }});
    Source_->FollowSignals(tree.SignalEnablity());
    Visible_ = &root.AddOnOffHandler("Hist:Visible", {.Initial = true, .AfterChange = [this](THandler&) {
                                                          if (!On(Visible_)) FreeLayers();
                                                          UpdateHistogram(false);
                                                      }});
    RunUntil_ = &root.AddRadioHandler("Hist:RunUntil", {.Items = "StopSingle,Wfms,Samples", .Initial = 0,
                                                        .AfterChange = [this](THandler&) {
                                                            EnableSettings();
                                                            NotifyControls();
                                                        }});
    NWfm_ = &root.AddIntEditHandler("Hist:NWfm", {.Initial = 10, .Config = IntConfig(1, 10, 1000000, 10, "wfm")});
    NSample_ = &root.AddIntEditHandler("Hist:NSample", {.Initial = 10000, .Config = IntConfig(500, 10000, 10000000, 1000)});
    Limits_ = &root.AddRadioHandler("Hist:Limits", {.Items = "Paried,Independ", .Initial = 0, .AfterChange = [this](THandler&) {
                                                        SetEdgeLimits(1);
                                                        SetEdgeLimits(2);
                                                    }});
    constexpr std::array<std::array<int, 4>, 2> initial = {{{1023, 1, 0, 4000}, {520, 504, 1000, 3000}}};
    for (int kind = 1; kind <= 2; ++kind) {
        for (int e = 0; e < 4; ++e) {
            const auto edge = static_cast<THistEdge>(e);
            TEditConfig c = IsColumn(edge) ? IntConfig(0, 0, 4000, 40) : IntConfig(1, 512, 1023, 16);
            c.Default = initial[S(kind)][E(edge)];
            c.Digits = 6;
            c.OnFormat = [this, kind, edge](TEditHandler&, double) {
                const TSignalObj* r = Source();
                const bool percent = ChoiceOf(Units_) == 1 || !r;
                const std::string unit = percent ? "%" : IsColumn(edge) ? r->HorUnit() : r->GetVertUnit();
                return Number(WindowReading(kind, edge), 6) + unit;
            };
            c.OnCorrect = [this, edge](TEditHandler&, double v) {
                const TSignalObj* r = Source();
                if (ChoiceOf(Units_) == 1 || !r) return IsColumn(edge) ? v * 40 : v * 10.24;
                if (IsColumn(edge)) return r->SampleInterval() != 0 ? static_cast<double>(r->TimeToColumn(v)) : v;
                return std::round(r->ValueToPixel(v));
            };
            Window_[S(kind)][E(edge)] = &root.AddIntEditHandler(
                std::string(SetNames[S(kind)]) + EdgeNames[E(edge)],
                {.Initial = static_cast<double>(initial[S(kind)][E(edge)]), .Config = c,
                 .AfterChange = [this, kind, edge](THandler&) { EdgeChanged(kind, edge); }});
        }
    }
    Units_ = &root.AddRadioHandler("Hist:Units", {.Items = "Absolute,Percent", .Initial = 0, .AfterChange = [this](THandler&) {
                                                      for (TIntEditHandler* h : Window_[S(HistAxisKind())]) h->NotifySwitchers();
                                                  }});
    Display_ = &root.AddOnOffHandler("Hist:Display", {.Initial = true, .AfterChange = [this](THandler&) {
                                                          if (On(Display_)) {
                                                              PlaceWindowBox();
                                                          } else {
                                                              FreeWindowLayer();
                                                          }
                                                      }});
    const auto weight = [this](THandler&) {
        EnableSettings();
        ApplyWeight();
        UpdateHistogram(false);
    };
    Mode_ = &root.AddRadioHandler("Hist:Mode", {.Items = "Normal,Exponent", .Initial = 0, .AfterChange = weight});
    Weight_ = &root.AddIntEditHandler("Hist:Weight", {.Initial = 32, .Config = IntConfig(8, 32, 8192, 8), .AfterChange = weight});
    const auto scale = [this](THandler&) {
        EnableSettings();
        NotifyControls();
        UpdateHistogram(false);
    };
    ScaleType_ = &root.AddRadioHandler("Hist:ScaleType", {.Items = "Linear,Logarith", .Initial = 0, .AfterChange = scale});
    ScaleMode_ = &root.AddRadioHandler("Hist:ScaleMode", {.Items = "Auto,Manual", .Initial = 0, .AfterChange = scale});
    const std::string perDiv = "%" + Shell_.LangStr("ByDiv");
    const std::string dbPerDiv = "dB" + Shell_.LangStr("ByDiv");
    struct TScaleSetting {
        const char* Name;
        double Min, Initial, Max;
        std::string Units;
    };
    const std::array<TScaleSetting, 8> scales = {{{"Hist:VertScale", 10, 20, 100, perDiv},
                                                  {"Hist:VertOffset", 0, 0, 100, "%"},
                                                  {"Hist:VertDBScale", 6, 12, 60, dbPerDiv},
                                                  {"Hist:VertDBOffs", -60, -60, 0, "dB"},
                                                  {"Hist:HorScale", 10, 25, 100, perDiv},
                                                  {"Hist:HorOffset", 0, 0, 100, "%"},
                                                  {"Hist:HorDBScale", 6, 15, 60, dbPerDiv},
                                                  {"Hist:HorDBOffs", -60, -60, 0, "dB"}}};
    for (std::size_t i = 0; i < scales.size(); ++i) {
        const TScaleSetting& s = scales[i];
        Scales_[i] = &root.AddIntEditHandler(s.Name, {.Initial = s.Initial, .Config = IntConfig(s.Min, s.Initial, s.Max, 1, s.Units),
                                                      .AfterChange = update});
    }
    Data_ = &root.AddGpibStringHandler("Hist:Data", 0, [](std::string_view parameter, bool isQuery, std::uint8_t, std::string& reply) {
        if (!isQuery) return;
        // No histogram data is sent: a valid axis gets an empty reply.
        const std::string p = UpperCase(TrimWhite(parameter));
        if (p.rfind("VERT", 0) != 0 && p.rfind("HOR", 0) != 0) reply += " ERROR";
    });
    Res_ = &root.AddGpibStringHandler("Hist:Res", 0, [this](std::string_view parameter, bool isQuery, std::uint8_t, std::string& reply) {
        if (isQuery) reply += HistResQuery(parameter);
    });
    SetEdgeLimits(1);
    SetEdgeLimits(2);
}

void THistogramFeature::UpdateHistControls() {
    HistAxisChanged();
    ApplyWeight();
    EnableSettings();
    if (TNizText* strip = Strip()) strip->HistLabelsDrawn = false;
}

// ------------------------------------------------------------------------------------- questions

int THistogramFeature::ChoiceOf(const TRadioSwHandler* h) const { return h ? h->GetItemIndex() : 0; }

bool THistogramFeature::On(const TOnOffHandler* h) const { return h && h->GetOn(); }

int THistogramFeature::Axis() const { return ChoiceOf(Axis_); }

int THistogramFeature::GetHistSource() const {
    const int s = Source_ ? Source_->GetSource() : ssCh1;
    return s >= 0 && s <= ssS2 ? s : ssCh1;
}

TScopeCRT* THistogramFeature::Panel() const {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    return display ? display->Panel() : nullptr;
}

TNizText* THistogramFeature::Strip() const {
    TScopeCRT* panel = Panel();
    return panel ? &panel->BottomStrip() : nullptr;
}

TFullHist* THistogramFeature::Hist() const { return Shell_.FullHist(); }

const TSignalObj* THistogramFeature::Source() const {
    TSignalRecords* records = Shell_.Records();
    return records ? &records->Record(GetHistSource()) : nullptr;
}

int THistogramFeature::Edge(int kind, THistEdge edge) const {
    const TIntEditHandler* h = Window_[S(kind)][E(edge)];
    return h ? h->GetValue() : 0;
}

TIntEditHandler* THistogramFeature::WindowHandler(int kind, THistEdge edge) const { return Window_[S(kind)][E(edge)]; }

TIntEditHandler* THistogramFeature::ScalePairHandler(int which) const {
    const std::size_t first = (Axis() == haHoriz ? 4 : 0) + (ChoiceOf(ScaleType_) == 1 ? 2 : 0);
    return Scales_[first + static_cast<std::size_t>(which == 0 ? 0 : 1)];
}

double THistogramFeature::HistScaleValue() const {
    const bool log = ChoiceOf(ScaleType_) == 1;
    const bool horiz = Axis() == haHoriz;
    if (ChoiceOf(ScaleMode_) == 1 && ScalePairHandler(0)) {
        const double v = ScalePairHandler(0)->GetValue();
        return log ? v : v / 100;
    }
    return log ? (horiz ? 15 : 12) : (horiz ? 0.25 : 0.20);
}

double THistogramFeature::HistOffsetValue() const {
    const bool log = ChoiceOf(ScaleType_) == 1;
    if (ChoiceOf(ScaleMode_) == 1 && ScalePairHandler(1)) {
        const double v = ScalePairHandler(1)->GetValue();
        return log ? v : v / 100;
    }
    return log ? -60 : 0;
}

double THistogramFeature::WindowReading(int kind, THistEdge edge) const {
    const double v = Edge(kind, edge);
    const TSignalObj* r = Source();
    if (ChoiceOf(Units_) == 1 || !r) return IsColumn(edge) ? v / 40 : v / 1024 * 100;
    return IsColumn(edge) ? r->ColumnToTime(v) : r->PixelToValue(v);
}

std::string THistogramFeature::Number(double value, int digits) const { return FloatToEngStr(3, digits, false, false, value); }

void THistogramFeature::NotifyControls() const {
    if (OnControlsChanged) OnControlsChanged();
}

// ------------------------------------------------------------------------------------- reactions

void THistogramFeature::HistAxisChanged() {
    const int axis = Axis();
    TFullHist* hist = Hist();
    if (axis == haOff) {
        if (OnAxisOff) OnAxisOff();
    } else {
        Shell_.ModeSwitches().SwitchOffOtherModes(mkHistogram);
        if (hist) hist->SetVertical(axis == haVert);
    }
    if (Source_) {
        auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
        Source_->SetDisabled(display && display->Settings() && display->Settings()->DataBaseExist().On());
    }
    EnableSettings();
    ApplyWeight();
    Shell_.Serial().UpdateMaskControls();
    if (axis != haOff) {
        SourceChanged();
        UpdateHistogram(false);
    } else {
        FreeLayers();
        // The shared hit map is cleared once, as the histogram goes off; while off its settings
        // only store, since other users may be filling the map.
        if (LastAxis_ != haOff) {
            if (hist) hist->Clear();
            if (TNizText* strip = Strip()) strip->Clear();
        }
    }
    LastAxis_ = axis;
    NotifyControls();
}

void THistogramFeature::SwitchOffHistogram() {
    if (Axis_ && Axis() != haOff) Axis_->SetItemIndex(haOff);
}

void THistogramFeature::ApplyWeight() {
    TFullHist* hist = Hist();
    if (!hist || Axis() == haOff) return;
    hist->SetExpWeight(ChoiceOf(Mode_) == 1 && Weight_ ? Weight_->GetValue() : 0);
}

void THistogramFeature::EnableSettings() {
    if (!Axis_) return;
    const bool on = Axis() != haOff;
    for (THandler* h : std::initializer_list<THandler*>{Visible_, RunUntil_, Limits_, Units_, Display_, Mode_, ScaleType_, ScaleMode_})
        h->SetDisabled(!on);
    for (const auto& set : Window_)
        for (TIntEditHandler* h : set) h->SetDisabled(!on);
    NWfm_->SetDisabled(!on || ChoiceOf(RunUntil_) != 1);
    NSample_->SetDisabled(!on || ChoiceOf(RunUntil_) != 2);
    Weight_->SetDisabled(!on || ChoiceOf(Mode_) != 1);
    const TIntEditHandler* scale = ScalePairHandler(0);
    const TIntEditHandler* offset = ScalePairHandler(1);
    const bool manual = ChoiceOf(ScaleMode_) == 1;
    for (TIntEditHandler* h : Scales_) h->SetDisabled(!(on && manual && (h == scale || h == offset)));
}

void THistogramFeature::SourceChanged() {
    SyncHistPlacementWithSource(-1);
    const TSignalRecords* records = Shell_.Records();
    if (records && records->SignalsOn().IsOn(GetHistSource())) {
        if (TNizText* strip = Strip()) strip->HistLabelsDrawn = false;
    }
    for (const auto& set : Window_)
        for (TIntEditHandler* h : set)
            if (h) h->NotifySwitchers();
    if (Axis() != haOff) UpdateHistogram(false);
}

void THistogramFeature::SyncHistPlacementWithSource(int moved) {
    if (!Source_) return;
    const int source = GetHistSource();
    if (moved >= 0 && moved != source) return;
    TCommandTree* tree = Shell_.CommandTree();
    if (!tree) return;
    const std::string name = DisplaySourceName(source);
    for (const char* layout : {"Displ:Screen2:", "Displ:Screen4:"}) {
        const std::string from = std::string(layout) + name;
        const std::string to = std::string(layout) + "Hist";
        if (tree->Resolve(from) && tree->Resolve(to)) WriteChoiceSetting(tree, to, ReadChoiceSetting(tree, from, 0));
    }
}

void THistogramFeature::RefreshHistWindowOnScaleChange(int kind) {
    if (Axis() == haOff || !Shell_.Records()) return;
    if (!Shell_.Records()->FlagOfScalesChange().IsChanged(GetHistSource())) return;
    for (TIntEditHandler* h : Window_[S(kind)])
        if (h) h->NotifySwitchers();
}

void THistogramFeature::ClearSharedHistogram() {
    if (TFullHist* hist = Hist()) hist->Clear();
    if (Axis() != haOff) UpdateHistogram(false);
}

void THistogramFeature::EdgeChanged(int kind, THistEdge edge) {
    const std::size_t s = S(kind);
    if (!Pairing_) {
        const bool paired = ChoiceOf(Limits_) == 0;
        // The partner's limit follows the moved edge first, so that a paired move down is not held.
        SetEdgeLimits(kind);
        Pairing_ = true;
        switch (edge) {
            case heLeft:
                if (paired) Window_[s][E(heRight)]->SetValue(Edge(kind, heLeft) + Width_[s]);
                break;
            case heTop:
                if (paired) Window_[s][E(heBottom)]->SetValue(Edge(kind, heTop) - Height_[s]);
                break;
            case heRight: Width_[s] = Edge(kind, heRight) - Edge(kind, heLeft); break;
            case heBottom: Height_[s] = Edge(kind, heTop) - Edge(kind, heBottom); break;
        }
        Pairing_ = false;
    }
    SetEdgeLimits(kind);
    if (Pairing_) return;
    if (Axis() != haOff && HistAxisKind() == kind) {
        UpdateHistogram(false);
        PlaceWindowBox();
    }
}

void THistogramFeature::SetEdgeLimits(int kind) {
    const auto& set = Window_[S(kind)];
    if (!set[0]) return;
    const bool paired = ChoiceOf(Limits_) == 0;
    set[E(heRight)]->SetMinValue(Edge(kind, heLeft));
    set[E(heRight)]->SetMaxValue(4000);
    set[E(heBottom)]->SetMaxValue(Edge(kind, heTop));
    set[E(heBottom)]->SetMinValue(1);
    set[E(heLeft)]->SetMinValue(0);
    set[E(heLeft)]->SetMaxValue(paired ? 4000 : Edge(kind, heRight));
    set[E(heTop)]->SetMaxValue(1023);
    set[E(heTop)]->SetMinValue(paired ? 1 : Edge(kind, heBottom));
}

// ------------------------------------------------------------------------------------- drawing

void THistogramFeature::FreeLayers() {
    TScopeCRT* panel = Panel();
    if (!panel) return;
    FreeWindowLayer();
    panel->FreeHistLayer();
}

void THistogramFeature::FreeWindowLayer() {
    TScopeCRT* panel = Panel();
    if (panel && dynamic_cast<THistWindowLayer*>(panel->MarkerLayer(1))) panel->FreeMarkerLayer(1);
}

void THistogramFeature::PlaceWindowBox() {
    TScopeCRT* panel = Panel();
    if (!panel || Axis() == haOff || !On(Visible_) || !On(Display_) || !panel->ExistingHistLayer()) return;
    const int kind = HistAxisKind();
    if (auto* box = dynamic_cast<THistWindowLayer*>(panel->HistWindowLayer(GetHistSource())))
        box->SetWindow(Edge(kind, heLeft), Edge(kind, heRight), Edge(kind, heTop), Edge(kind, heBottom));
}

void THistogramFeature::UpdateHistogram(bool add) {
    TFullHist* hist = Hist();
    if (!hist || !Axis_) return;
    if (Axis() == haOff) {
        FreeLayers();
        return;
    }
    const int kind = HistAxisKind();
    hist->SetWindow(Edge(kind, heLeft), Edge(kind, heTop), Edge(kind, heBottom), Edge(kind, heRight));
    if (add) {
        bool allowed = true;
        if (ChoiceOf(RunUntil_) == 1) allowed = hist->GetWaveformCount() < NWfm_->GetValue();
        if (ChoiceOf(RunUntil_) == 2) allowed = hist->GetTotalHits() < static_cast<std::uint64_t>(NSample_->GetValue());
        if (allowed) {
            if (const TSignalObj* r = Source()) AddSignalToHist(*hist, *r);
        }
    }
    hist->ComputeStatistics(true);
    TScopeCRT* panel = Panel();
    if (panel && On(Visible_)) {
        if (THistLayer* layer = panel->HistLayer()) {
            std::array<std::uint32_t, TAxisHist::MaxBins> bins{};
            const int n = hist->CopyBins(bins.data(), TAxisHist::MaxBins - 1);
            if (n == 0) return;
            std::vector<double> values(bins.begin(), bins.begin() + n);
            layer->DrawHistogram(Axis() == haHoriz, n, hist->GetPeakCount(), HistScaleValue(), HistOffsetValue(),
                                 ChoiceOf(ScaleType_) == 1, n - 1, values);
            if (On(Display_)) PlaceWindowBox();
        }
    }
    WriteReadouts();
}

// ------------------------------------------------------------------------------------- readouts

void THistogramFeature::Out(const std::string& text, int row, int column, bool value) {
    TNizText* strip = Strip();
    if (!strip) return;
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    const TColor colour = display ? display->Colors().SourceRGB(GetHistSource()) : clWhite;
    strip->DelayedTextOut(text, HistCellRect(row, column, value), -1, static_cast<std::int32_t>(colour.Value & 0xFFFFFFu));
}

void THistogramFeature::WriteReadouts() {
    TFullHist* hist = Hist();
    const TSignalObj* r = Source();
    if (!hist || !r) return;
    const bool log = ChoiceOf(ScaleType_) == 1;
    const double peak = hist->GetPeakCount();
    const std::string hits = Shell_.LangStr("Hits");
    const std::string unit = Axis() == haVert ? r->GetVertUnit() : r->HorUnit();
    const auto value = [&](double v) { return Number(v, 5) + unit; };
    const auto percent = [&](int k) { return Number(hist->GetPercentWithinSigma(k), 5) + "%"; };

    const std::string inBox = Number(static_cast<double>(hist->GetTotalHits()), 6) + hits;
    const std::string wfm = Number(hist->GetWaveformCount(), 6) + Shell_.LangStr("Wfms");
    const std::string peakText = Number(peak, 6) + hits;
    const std::string scale = log ? Number(HistScaleValue(), 3) + "dB/" : Number(peak * HistScaleValue(), 3) + hits + "/";
    const std::string offset = log ? Number(HistOffsetValue(), 3) + "dB" : Number(peak * HistOffsetValue(), 3) + hits;
    // Kept in the order of the result keys.
    Results_ = {inBox,      wfm,        peakText,   value(hist->GetPeakToPeak()), value(hist->GetMidValue()),
                percent(1), percent(2), percent(3), value(hist->GetMean()),        value(hist->GetSigma()),
                value(hist->GetMinValue()), value(hist->GetPeakSeparation()), value(hist->GetMaxValue())};

    TNizText* strip = Strip();
    if (!strip) return;
    struct TReadout {
        TCell Cell;
        std::string Label;
        const std::string* Text;
    };
    auto meanN = [&](int k) {
        std::string label = Shell_.LangStr("MeanNStdDev");
        if (const auto at = label.find("%d"); at != std::string::npos) label.replace(at, 2, std::to_string(k));
        return label;
    };
    const std::array<TReadout, 15> cells = {{{{1, 1}, "Scale", &scale},
                                             {{2, 1}, "Offset", &offset},
                                             {{3, 1}, "HitsInBox", &Results_[0]},
                                             {{4, 1}, "Waveforms", &Results_[1]},
                                             {{1, 2}, "PeakHits", &Results_[2]},
                                             {{2, 2}, "PkPk", &Results_[3]},
                                             {{3, 2}, "Median", &Results_[4]},
                                             {{4, 2}, "Mean", &Results_[8]},
                                             {{5, 2}, "MaxMax", &Results_[11]},
                                             {{5, 1}, "Min", &Results_[10]},
                                             {{5, 3}, "Max", &Results_[12]},
                                             {{1, 3}, "StdDeviation", &Results_[9]},
                                             {{2, 3}, "", &Results_[5]},
                                             {{3, 3}, "", &Results_[6]},
                                             {{4, 3}, "", &Results_[7]}}};
    if (!strip->HistLabelsDrawn) {
        strip->HistLabelsDrawn = true;
        CellTexts_.fill(std::string(1, '\0'));  // every value is drawn again
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const TReadout& c = cells[i];
            const std::string label = c.Label.empty() ? meanN(static_cast<int>(i) - 11) : Shell_.LangStr(c.Label);
            Out(label, c.Cell.Row, c.Cell.Column, false);
        }
    }
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const TReadout& c = cells[i];
        if (CellTexts_[i] == *c.Text) continue;
        CellTexts_[i] = *c.Text;
        Out("= " + *c.Text, c.Cell.Row, c.Cell.Column, true);
    }
}

const std::string& THistogramFeature::ResultText(std::string_view key) const {
    static const std::string none;
    for (std::size_t i = 0; i < ResultKeys.size(); ++i)
        if (key == ResultKeys[i]) return Results_[i];
    return none;
}

std::string THistogramFeature::HistResQuery(std::string_view parameter) const {
    const std::string p = UpperCase(TrimWhite(parameter));
    for (std::size_t i = 0; i < ResultKeys.size(); ++i) {
        if (p.rfind(UpperCase(ResultKeys[i]), 0) != 0) continue;
        std::string reply;
        if (Shell_.CommandTree() && Shell_.CommandTree()->HeaderOn()) reply = ":" + std::string(TrimWhite(parameter)) + " ";
        return reply + Results_[i];
    }
    return "BAD PARAMETER";
}

}  // namespace vt
