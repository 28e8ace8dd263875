#include "analysis/MeasurementReadouts.h"

#include <algorithm>
#include <cmath>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/MeasSettings.h"
#include "analysis/MeasurementList.h"
#include "analysis/MeasurementStatistics.h"
#include "core/CommandTree.h"
#include "core/Decibels.h"
#include "core/DotNumberText.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/AnnotationLayer.h"
#include "display/Annotations.h"
#include "display/DisplayPanel.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"

namespace vt {

namespace {

constexpr int MeasLabelGroup = 1;  // the strip's labels-drawn flag the measurements own
constexpr std::int32_t White = 0xFFFFFF;
constexpr int MethodMarker = 2;
constexpr int ThreshCustom = 2;
constexpr int MargModeMarker = 1;
constexpr int FftPeak = 1;
constexpr int AnnotationOwner = 1;

bool IsDual(int group) { return group == mgXDual || group == mgYDual; }

}  // namespace

TMeasReadouts::TMeasReadouts(TShell& shell, TMeasCalc& calc, TMeasList& list) : Shell_(shell), Calc_(calc), List_(list) {}

TMeasReadouts::~TMeasReadouts() {
    if (!Installed_) return;
    if (TScopeDisplayServices* display = Display()) {
        display->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Measurements)] = nullptr;
        display->MeasDragSink = {};
        display->FftDragSink = {};
        display->HisticonsInvalidated = {};
        display->Colors().RecolourHisticons = {};
        if (TScopeCRT* panel = display->Panel()) {
            panel->OverlayDrags().Meas = {};
            panel->OverlayDrags().Fft = {};
        }
    }
}

void TMeasReadouts::Install() {
    TScopeDisplayServices* display = Display();
    if (!display) return;
    Installed_ = true;
    display->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Measurements)] = this;
    display->MeasDragSink = {[this](int part) { GrabMeasPart(part); },
                             [this](int part, int x, int y) { DragMeasPart(part, x, y); }};
    display->FftDragSink = {{}, [this](int part, int x, int y) { DragFftPart(part, x, y); }};
    display->HisticonsInvalidated = [this] { InvalidateHisticons(); };
    display->Colors().RecolourHisticons = [this] { RedrawHisticons(); };
    if (TScopeCRT* panel = display->Panel()) {
        panel->OverlayDrags().Meas = display->MeasDragSink;
        panel->OverlayDrags().Fft = display->FftDragSink;
    }
}

// ------------------------------------------------------------------------------------- access

TScopeDisplayServices* TMeasReadouts::Display() const { return dynamic_cast<TScopeDisplayServices*>(&Shell_.Display()); }

TScopeCRT* TMeasReadouts::Panel() const {
    TScopeDisplayServices* display = Display();
    return display ? display->Panel() : nullptr;
}

TNizText* TMeasReadouts::Strip() const {
    TScopeCRT* panel = Panel();
    return panel ? &panel->BottomStrip() : nullptr;
}

const TSignalObj* TMeasReadouts::Record(int source) const {
    const TSignalRecords* records = Shell_.Records();
    return records && source >= 0 && source < SignalRecordCount ? records->FindRecord(source) : nullptr;
}

bool TMeasReadouts::SourceShown(int source) const {
    const TSignalRecords* records = Shell_.Records();
    if (!records || source < 0 || source >= SignalRecordCount || !records->SignalsOn().IsOn(source)) return false;
    if (source <= ssCh1B2) return ReadOnOffSetting(Shell_.CommandTree(), "Ch1:Display", true);
    if (source <= ssCh2B2) return ReadOnOffSetting(Shell_.CommandTree(), "Ch2:Display", true);
    return true;
}

int TMeasReadouts::DisplaySetting() const { return ReadChoiceSetting(Shell_.CommandTree(), "Meas:Display", mdOff); }

int TMeasReadouts::DisplSrc() const { return ReadChoiceSetting(Shell_.CommandTree(), "Meas:DisplSrc", ssCh1); }

bool TMeasReadouts::ViewOn() const { return ReadOnOffSetting(Shell_.CommandTree(), "Meas:View", true); }

std::int32_t TMeasReadouts::SourceRGB(int source) const {
    TScopeDisplayServices* display = Display();
    return display ? static_cast<std::int32_t>(display->Colors().SourceRGB(source).Value) : White;
}

void TMeasReadouts::Out(const std::string& text, TPixelRect rect, int slot, std::int32_t colour) {
    if (TNizText* strip = Strip()) strip->DelayedTextOut(text, rect, slot, colour);
}

void TMeasReadouts::Write(int source, const char* name, double value) {
    WriteRealSetting(Shell_.CommandTree(), MeasSourcePath(source, name), value);
}

// ------------------------------------------------------------------------------------ the pass

bool TMeasReadouts::IsSourceMeasured(int source) {
    for (int i = 0; i < List_.Count(); ++i) {
        const TParameterOfMeas& p = *List_.Slot(i);
        if (p.Source == source || (IsDual(p.Group) && p.Source2 == source)) return true;
    }
    return false;
}

void TMeasReadouts::MeasureSlotsOfSource(int source, bool all) {
    const bool statistic = DisplaySetting() == mdStatistic;
    TNizText* strip = Strip();
    if (FullRedraw_ || (strip && !strip->LabelDrawn(MeasLabelGroup))) DrawMeasStrip();
    Updated_ = true;
    Calc_.RaiseJitterRestart();
    for (int slot = 0; slot < List_.Count(); ++slot) {
        TParameterOfMeas& p = *List_.Slot(slot);
        if (!all && p.Source != source && !(IsDual(p.Group) && p.Source2 == source)) continue;
        const double value = List_.CalcMeasurement(slot);
        List_.StoreMeasValue(slot, p.UnitText, value);
        const std::string text = TMeasList::ValueText(value, p.UnitText);
        List_.SetResultText(slot, text);
        if (slot < MeasStatisticSlotCount && !p.LimitPrimed && p.Statistics && p.Statistics->Count == 10) {
            p.LimitPrimed = true;
            List_.Limits().RefreshLimitParameters();
        }
        if (statistic && slot >= MeasStatisticSlotCount) continue;
        Out(text, statistic ? NizCellRect(slot, 2) : ParamCellRect(slot, true), slot, SourceRGB(p.Source));
        if (statistic && !IsUndefinedValue(value)) {
            DrawMeasStatCells(slot);
            if (List_.Limits().CentreFollowsMean(slot) && p.Statistics)
                List_.Limits().SetCenterVal(slot, p.Statistics->Mean);
        }
    }
}

// ---------------------------------------------------------------------------------- the strip

void TMeasReadouts::MarkFullRedraw() { FullRedraw_ = true; }

void TMeasReadouts::DrawMeasStrip() {
    const int display = DisplaySetting();
    const bool statistic = display == mdStatistic;
    InvalidateHisticons();
    TNizText* strip = Strip();
    if (strip) strip->Clear();
    if (statistic) DrawMeasStatHeaders(List_.Limits().TestOn() ? shmLimitTest : shmPlain);
    if (display != mdOff) {
        for (int slot = 0; slot < List_.Count(); ++slot) {
            if (statistic && slot >= MeasStatisticSlotCount) break;
            const TPixelRect cell = statistic ? NizCellRect(slot, 1) : ParamCellRect(slot, false);
            Out(List_.GetMeasLabel(slot), cell, -1, SourceRGB(List_.Slot(slot)->Source));
        }
    }
    FullRedraw_ = false;
    if (strip) strip->SetLabelDrawn(MeasLabelGroup, true);
}

void TMeasReadouts::DrawMeasStatHeaders(int mode) {
    const bool eyeStatistic = ReadOnOffSetting(Shell_.CommandTree(), "Eye:Statistic", false);
    auto header = [this](int column, const char* key) { Out(Shell_.LangStr(key), NizCellRect(-1, column), -1, White); };
    header(2, "SpCurrent");
    if (mode == shmEye) header(3, eyeStatistic ? "Cycles_Wfms" : "TotalMeas");
    else header(3, "TotalWfms");
    header(4, mode == shmLimitTest ? "TestedWfms" : "SpMinimum");
    header(5, mode == shmLimitTest ? "Failures" : "SpMaximum");
    if (mode != shmEye || eyeStatistic) {
        header(6, "SpMean");
        header(7, "StdDeviation");
    }
}

void TMeasReadouts::DrawMeasStatCells(int slot) {
    const TParameterOfMeas* p = List_.Slot(slot);
    if (!p || !p->Statistics || slot >= MeasStatisticSlotCount) return;
    const TStatH& s = *p->Statistics;
    const std::int32_t colour = SourceRGB(p->Source);
    Out(FormatDot("%5d", static_cast<int>(s.Count)), NizCellRect(slot, 3), -1, colour);
    const bool testOn = List_.Limits().TestOn();
    if (testOn && !List_.Limits().Activ(slot)) {
        Out("N / A", NizCellRect(slot, 4), -1, colour);
        Out("N / A", NizCellRect(slot, 5), -1, colour);
    }
    if (!testOn && !p->HisticonOn) DrawMeasMinMax(slot);
    Out(TMeasList::ValueText(s.Mean, p->UnitText), NizCellRect(slot, 6), -1, colour);
    Out(s.Count == 1 ? Shell_.LangStr("Undefined") : TMeasList::ValueText(s.StdDev, p->UnitText), NizCellRect(slot, 7),
        -1, colour);
}

void TMeasReadouts::DrawMeasMinMax(int slot) {
    const TParameterOfMeas* p = List_.Slot(slot);
    if (!p || slot >= MeasStatisticSlotCount) return;
    const std::int32_t colour = SourceRGB(p->Source);
    const bool any = p->Statistics && p->Statistics->Count > 0;
    Out(any ? TMeasList::ValueText(p->Statistics->Min, p->UnitText) : "", NizCellRect(slot, 4), -1, colour);
    Out(any ? TMeasList::ValueText(p->Statistics->Max, p->UnitText) : "", NizCellRect(slot, 5), -1, colour);
}

void TMeasReadouts::DrawLimitCount(int slot, int column, std::uint32_t count) {
    const TParameterOfMeas* p = List_.Slot(slot);
    if (!p || slot >= MeasStatisticSlotCount || List_.Display() != mdStatistic) return;
    Out(FormatDot("%5d", static_cast<int>(count)), NizCellRect(slot, column), -1, SourceRGB(p->Source));
}

void TMeasReadouts::ShowMeasStatistic(int slot) {
    TParameterOfMeas* p = List_.Slot(slot);
    if (!p || !p->Statistics || slot >= MeasStatisticSlotCount) return;
    p->Statistics->SetHisticonShown(p->HisticonOn);
    if (p->HisticonOn) p->Statistics->ShowHisticon();
    else DrawMeasMinMax(slot);
}

void TMeasReadouts::ShowAllMeasStatistics() {
    for (int slot = 0; slot < MeasStatisticSlotCount && slot < List_.Count(); ++slot) {
        List_.Slot(slot)->HisticonOn = false;
        ShowMeasStatistic(slot);
    }
}

void TMeasReadouts::InvalidateHisticons() {
    for (int slot = 0; slot < MeasStatisticSlotCount && slot < List_.Count(); ++slot)
        if (TParameterOfMeas* p = List_.Slot(slot); p->Statistics && p->Statistics->Histicon())
            p->Statistics->Histicon()->SetDrawn(false);
}

void TMeasReadouts::RedrawHisticons() {
    for (int slot = 0; slot < MeasStatisticSlotCount && slot < List_.Count(); ++slot) {
        TParameterOfMeas& p = *List_.Slot(slot);
        if (!p.Statistics) continue;
        if (THisticon* icon = p.Statistics->Histicon()) {
            icon->SetDrawn(false);
            icon->SetColor(TColor(static_cast<std::uint32_t>(SourceRGB(p.Source))));
        }
        if (p.HisticonOn) p.Statistics->ShowHisticon();
    }
}

void TMeasReadouts::PlaceHisticon(int slot) {
    TParameterOfMeas* p = List_.Slot(slot);
    if (!p || !p->Statistics || slot >= MeasStatisticSlotCount) return;
    p->Statistics->PlaceHisticon(slot);
    p->Statistics->SetHisticonShown(p->HisticonOn);
}

// -------------------------------------------------------------------------------- annotations

int TMeasReadouts::AnnotatedSlot() const {
    TScopeDisplayServices* display = Display();
    return display ? display->Annotations().AnnotatedMeas : -1;
}

void TMeasReadouts::DefineAnnotation(int slot) {
    TScopeDisplayServices* display = Display();
    TParameterOfMeas* p = List_.Slot(slot);
    if (!display || !p) return;
    TAnnotationState& state = display->Annotations();
    TAnnLabelArray& a = p->Annotation;
    const int src = p->Source;
    auto lang = [this](const char* key) { return Shell_.LangStr(key); };
    auto point = [&](int n, const std::string& text, int shape, bool highlight = false) {
        DefinePointAnnotation(state, a, n, src, highlight, text, shape);
    };
    auto level = [&](int n, int source, const std::string& text, int shape) {
        DefineLevelAnnotation(state, a, n, source, false, text, shape);
    };
    const int k = p->Kind;
    switch (p->Group) {
        case mgX:
            if (k == 6 || k == 7) {
                point(1, lang("an_L_Cross"), 0);
                point(2, lang("an_R_Cross"), 1);
                const std::string width = (k == 6 ? " + " : " - ") + lang("anWidth");
                point(3, width, 2, true);
                point(4, width, 3, true);
            } else if (k == 8 || k == 9) {
                point(1, (k == 8 ? " + " : " - ") + lang("an_Cross"), 0);
            } else if (k == 12 || k == 13) {
                point(1, (k == 12 ? " + " : " - ") + lang("an_Peak"), 0);
            } else if (k >= 14) {
                point(1, lang("an_L"), 6);
                point(2, lang("an_R"), 7);
            } else {
                point(1, lang("an_L_Cross"), 0);
                point(2, lang("an_R_Cross"), 1);
            }
            break;
        case mgXFft:
            point(1, lang("anPeakL_Ques"), 1);
            point(3, lang("F1"), 0, true);
            if (k == 1) point(2, lang("anPeakR_Ques"), 1);
            break;
        case mgXDual:
            point(1, lang("an_L_Cross"), 0);
            level(2, p->Source2, lang("an_R_Cross"), 1);
            if (k >= 8) point(3, lang("an_Cross2"), 0);
            break;
        case mgY: {
            static constexpr const char* single[] = {"Max", "Min", nullptr, "an_Top", "an_Base", nullptr,
                                                     "Middle", "Mean", "dcRMS", "acRMS"};
            if (k <= 9 && single[k]) {
                point(1, lang(single[k]), 4);
            } else if (k == 2) {
                point(1, lang("Max"), 4);
                point(2, lang("Min"), 4);
            } else if (k == 5) {
                point(1, lang("an_Top"), 4);
                point(2, lang("an_Base"), 4);
            } else if (k >= 11 && k <= 13) {
                static constexpr const char* cycle[] = {"CycleMean", "CycleDcRMS", "CycleAcRMS"};
                point(1, lang(cycle[k - 11]), 5);
            } else if (k == 14) {
                point(1, lang("an_L_Cross"), 0);
                point(2, lang("an_R_Cross"), 1);
            } else if (k == 15 || k == 16) {
                point(1, lang("an_Top"), 4);
                point(2, lang("an_Base"), 4);
                point(3, (k == 15 ? " + " : " - ") + lang("an_Peak"), 0);
            }
            break;
        }
        case mgYFft:
            point(3, lang("F1"), 0, true);
            if (k <= 1) point(1, lang("anPeakL_Ques"), 1);
            if (k == 1) point(2, lang("anPeakR_Ques"), 1);
            break;
        case mgYDual:
            // The source's levels on its point layer, the second source's on its level layer.
            point(1, lang("an_Top1"), 4);
            point(2, lang("an_Base1"), 4);
            level(3, p->Source2, lang("an_Top2"), 4);
            level(4, p->Source2, lang("an_Base2"), 4);
            break;
        default: break;
    }
}

void TMeasReadouts::ShowMeasAnnotation(int slot) {
    TScopeDisplayServices* display = Display();
    if (!display || !List_.Slot(slot) || display->Annotations().AnnotatedMeas == slot) return;
    ClearAnnotations(*display);
    TAnnotationState& state = display->Annotations();
    state.AnnotatedMeas = slot;
    state.Owner = AnnotationOwner;
    List_.Slot(slot)->Annotation = {};
    DefineAnnotation(slot);
}

void TMeasReadouts::RefreshMeasAnnotation() {
    TScopeDisplayServices* display = Display();
    const int slot = AnnotatedSlot();
    if (!display || DisplaySetting() == mdOff || !List_.Slot(slot)) return;
    ClearAnnotations(*display);
    display->Annotations().Owner = AnnotationOwner;
    List_.Slot(slot)->Annotation = {};
    DefineAnnotation(slot);
}

// ------------------------------------------------------------------------------------- popup

TStripMenu TMeasReadouts::BuildMeasPopupMenu(int slot) {
    TStripMenu menu;
    const TParameterOfMeas* p = List_.Slot(slot);
    if (!p) return menu;
    const bool annotated = AnnotatedSlot() == slot;
    const bool defShown = p->Source == DisplSrc() && ViewOn();
    auto item = [&](const std::string& key, const char* command, bool checked, bool enabled) {
        TStripMenuItem i;
        i.Caption = Shell_.LangStr(key);
        i.Command = command;
        i.Checked = checked;
        i.Enabled = enabled;
        menu.push_back(std::move(i));
    };
    auto separator = [&] {
        TStripMenuItem i;
        i.Separator = true;
        menu.push_back(std::move(i));
    };
    TStripMenuItem label;
    label.Caption = List_.GetMeasLabel(slot);
    label.Command = "AllVisible";
    label.Default = true;
    label.Checked = defShown && annotated;
    menu.push_back(std::move(label));
    // Histicons are always enabled: the instrument information carries no flag for them.
    if (DisplaySetting() == mdStatistic && slot < MeasStatisticSlotCount) {
        separator();
        item("pumpHisticon", "Histic", p->HisticonOn, true);
    }
    separator();
    item("pumpSetAnnotation", "Annot", annotated, !annotated);
    item("pumpDelAnnotations", "DelAnnot", false, AnnotatedSlot() >= 0);
    separator();
    item("pumpViewDefParams", "DefParam", defShown, !defShown);
    item("pumpUnViewDefPars", "DelDefParam", false, ViewOn());
    separator();
    item("pumpRemoveParam", "Remove", false, true);
    item("pumpRemoveAll", "RemoveAll", false, true);
    return menu;
}

void TMeasReadouts::HandleMeasPopupCommand(const std::string& command, int slot) {
    TParameterOfMeas* p = List_.Slot(slot);
    if (!p) return;
    TCommandTree* tree = Shell_.CommandTree();
    auto defParam = [&] {
        if (p->Source == DisplSrc() && ViewOn()) return;
        if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
        if (auto* view = FindSetting<TOnOffHandler>(tree, "Meas:View")) view->SetOn(true);
        if (auto* src = FindSetting<TSignalSourceSwHandler>(tree, "Meas:DisplSrc")) src->SetSource(p->Source);
    };
    if (command == "AllVisible") {
        defParam();
        ShowMeasAnnotation(slot);
    } else if (command == "Histic") {
        p->HisticonOn = !p->HisticonOn;
        ShowMeasStatistic(slot);
    } else if (command == "Annot") {
        ShowMeasAnnotation(slot);
    } else if (command == "DelAnnot") {
        if (TScopeDisplayServices* display = Display()) RemoveMeasAnnotations(*display, AnnotatedSlot());
    } else if (command == "DefParam") {
        defParam();
    } else if (command == "DelDefParam") {
        if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
        if (auto* view = FindSetting<TOnOffHandler>(tree, "Meas:View")) view->SetOn(false);
    } else if (command == "Remove") {
        List_.RemoveMeasSlot(slot, true);
    } else if (command == "RemoveAll") {
        List_.RemoveAllMeasurements();
    }
}

std::vector<TReadoutProvider::TListedCell> TMeasReadouts::ListedCells() const {
    std::vector<TListedCell> cells;
    const int display = DisplaySetting();
    if (display == mdOff) return cells;
    for (int slot = 0; slot < List_.Count(); ++slot) {
        if (display == mdStatistic && slot >= MeasStatisticSlotCount) break;
        cells.push_back({display == mdStatistic ? NizCellRect(slot, 1) : ParamCellRect(slot, false), slot});
    }
    return cells;
}

void TMeasReadouts::LeftClick(int number) {
    TParameterOfMeas* p = List_.Slot(number);
    if (!p || DisplaySetting() != mdStatistic || number >= MeasStatisticSlotCount) return;
    p->HisticonOn = !p->HisticonOn;
    ShowMeasStatistic(number);
}

// --------------------------------------------------------------------------- definition layers

void TMeasReadouts::ShowMeasDefinitionLayer() {
    const int source = DisplSrc();
    TScopeCRT* panel = Panel();
    const TSignalObj* r = Record(source);
    if (!panel || !r || DisplaySetting() == mdOff || !ViewOn() || !SourceShown(source) || r->IsSpectrum()) return;
    auto* layer = dynamic_cast<T_Meas_ParamLayer*>(panel->MeasParamsLayer(source));
    if (!layer) return;
    const MeasSourceState& st = Calc_.State(source);
    auto column = [r](int index) { return static_cast<int>(RoundHalfEven(r->ViewIndexToColumn(index))); };
    auto row = [r](double v) { return static_cast<int>(RoundHalfEven(r->ValueToPixel(v))); };
    layer->SetParams(column(st.LeftMargin), column(st.RightMargin), row(st.Top), row(st.Base), row(st.Upper),
                     row(st.Middle), row(st.Lower));
}

void TMeasReadouts::ShowFftDefinitionLayer() {
    const int source = DisplSrc();
    TScopeCRT* panel = Panel();
    const TSignalObj* r = Record(source);
    if (!panel || !r || DisplaySetting() == mdOff || !ViewOn() || !SourceShown(source) || !r->IsSpectrum()) return;
    auto* layer = dynamic_cast<T_FFT_Meas_ParamLayer*>(panel->FftMeasParamsLayer(source));
    if (!layer) return;
    const TMeasSourceSettings s = Calc_.Settings().Source(source);
    if (s.FFTMethod == FftPeak) {
        double level = s.PeakLevel;
        if (r->GetVertUnit() != "dB") level = FromDb(level);
        layer->PaintMeas_Params(static_cast<int>(RoundHalfEven(r->ValueToPixel(level))), -1, -1);
    } else {
        layer->PaintMeas_Params(-1, static_cast<int>(s.FFTLeft), static_cast<int>(s.FFTRight));
    }
}

// ------------------------------------------------------------------ levels into the settings

void TMeasReadouts::PlaceLevelMarkers(int source) {
    const TSignalObj* r = Record(source);
    if (!r) return;
    const MeasSourceState& st = Calc_.State(source);
    const double top = static_cast<double>(RoundHalfEven(r->ValueToPixel(st.Top)));
    const double base = static_cast<double>(RoundHalfEven(r->ValueToPixel(st.Base)));
    // Each bounds the other: the one that moves away from its partner goes first.
    if (top > Calc_.Settings().Source(source).Base) {
        Write(source, "Top", top);
        Write(source, "Base", base);
    } else {
        Write(source, "Base", base);
        Write(source, "Top", top);
    }
}

void TMeasReadouts::ThresholdsToRows(int source) {
    const TSignalObj* r = Record(source);
    if (!r) return;
    const MeasSourceState& st = Calc_.State(source);
    const bool levels = st.Top != st.Base;
    auto row = [r](double v) { return static_cast<double>(RoundHalfEven(r->ValueToPixel(v))); };
    const double up = std::clamp(row(levels ? st.Upper : 0.5), 0.0, 1024.0);
    const double mid = row(levels ? st.Middle : 0.0);
    const double low = row(levels ? st.Lower : -0.5);
    const TMeasSourceSettings now = Calc_.Settings().Source(source);
    // Rising rows are written from the top down, falling ones from the bottom up, so that no row is
    // held back by the old place of its neighbour.
    if (up >= now.UpThresh) {
        Write(source, "UpThresh", up);
        Write(source, "MidThresh", mid);
        Write(source, "LowThresh", low);
    } else {
        Write(source, "LowThresh", low);
        Write(source, "MidThresh", mid);
        Write(source, "UpThresh", up);
    }
}

void TMeasReadouts::LevelsToThresholdPercents(int source) {
    const MeasSourceState& st = Calc_.State(source);
    double up = 70, mid = 50, low = 30;
    if (st.Top != st.Base) {
        auto percent = [&st](double v) {
            return static_cast<double>(RoundHalfEven((v - st.Base) / (st.Top - st.Base) * 1000)) / 10;
        };
        up = percent(st.Upper);
        mid = percent(st.Middle);
        low = percent(st.Lower);
    }
    const TMeasSourceSettings now = Calc_.Settings().Source(source);
    if (up >= now.UpThPerc) {
        Write(source, "UpThPerc", up);
        Write(source, "MidThPerc", mid);
        Write(source, "LowThPerc", low);
    } else {
        Write(source, "LowThPerc", low);
        Write(source, "MidThPerc", mid);
        Write(source, "UpThPerc", up);
    }
}

// ---------------------------------------------------------------------------------- the drags

void TMeasReadouts::GrabMeasPart(int part) {
    const int source = DisplSrc();
    if (source < 0 || source >= SignalRecordCount) return;
    if (part == mpLeft || part == mpRight) Calc_.FindCrossingWindow(source, 2048, 0);
    const MeasSourceState& st = Calc_.State(source);
    GrabLeft_ = st.LeftMargin;
    GrabRight_ = st.RightMargin;
}

void TMeasReadouts::DragMeasPart(int part, int x, int y) {
    const int s = DisplSrc();
    const TSignalObj* r = Record(s);
    if (!r) return;
    TCommandTree* tree = Shell_.CommandTree();
    if (part == mpTop || part == mpBase) {
        PlaceLevelMarkers(s);
        WriteChoiceSetting(tree, MeasSourcePath(s, "Method"), MethodMarker);
        Calc_.RequestLevelMarkers(s);
        Write(s, part == mpTop ? "Top" : "Base", y);
    } else if (part == mpUpper || part == mpMiddle || part == mpLower) {
        LevelsToThresholdPercents(s);
        WriteChoiceSetting(tree, MeasSourcePath(s, "Thresh"), ThreshCustom);
        Calc_.RequestThresholds(s);
        static constexpr const char* rows[] = {"UpThresh", "MidThresh", "LowThresh"};
        static constexpr const char* percents[] = {"UpThPerc", "MidThPerc", "LowThPerc"};
        Write(s, rows[part - mpUpper], y);
        // The percentage of the levels the source is measured with, whatever their method, so that
        // the next pass puts the line where it was dropped. With top on base there is no span: the
        // percentages keep their values.
        const MeasSourceState& st = Calc_.State(s);
        const double top = r->ValueToPixel(st.Top), base = r->ValueToPixel(st.Base);
        if (!st.LevelsMissing && top != base) Write(s, percents[part - mpUpper], (y - base) / (top - base) * 100);
    } else {
        Calc_.RequestMargins(s);
        const int k = static_cast<int>(RoundHalfEven(r->ColumnToViewIndex(x)));
        const bool marker = Calc_.Settings().Source(s).MargMode == MargModeMarker;
        if (part == mpLeft) {
            if (k >= GrabRight_) return;
            if (marker) Write(s, "LeftMarker", x);
            else Write(s, "LeftSlope", Calc_.NearestTablePoint(k, true));
        } else {
            if (GrabLeft_ >= k) return;
            if (marker) Write(s, "RightMarker", x);
            else Write(s, "RightSlope", Calc_.NearestTablePoint(k, false));
        }
    }
}

void TMeasReadouts::DragFftPart(int part, int x, int y) {
    const int s = DisplSrc();
    const TSignalObj* r = Record(s);
    if (!r || s < ssF1) return;
    const TMeasSourceSettings now = Calc_.Settings().Source(s);
    if (part == fpLeft) {
        Write(s, "FFTLeft", std::min<double>(x, now.FFTRight - 4));
    } else if (part == fpRight) {
        Write(s, "FFTRight", std::max<double>(x, now.FFTLeft + 4));
    } else {
        double level = r->PixelToValue(y);
        if (r->GetVertUnit() != "dB") level = Db20(level);
        Write(s, "PeakLevel", level);
    }
}

}  // namespace vt
