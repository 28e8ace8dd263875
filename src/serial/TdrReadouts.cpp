#include "serial/TdrReadouts.h"

#include <algorithm>
#include <cmath>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/MeasurementReadouts.h"
#include "analysis/Measurements.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/Handlers.h"
#include "core/Numeric.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/UndoBuffer.h"
#include "display/AnnotationLayer.h"
#include "display/Annotations.h"
#include "display/DisplayPanel.h"
#include "display/ScopeDisplayServices.h"
#include "serial/TdrSettings.h"

namespace vt {

namespace {
constexpr int RowCount = 4;
constexpr int ColumnCount = 7;
// The code the annotations of the TDR parameters leave as the owner of the screen's annotations.
constexpr int TdrAnnotationOwner = 4;
constexpr const char* SourceNames[4] = {"Ch1", "Ch2", "NormCh1", "NormCh2"};
constexpr const char* ReflectLabels[2] = {"MinReflect", "MaxReflect"};
constexpr const char* TransmitLabels[3] = {"tdtPropDelay", "tdtpGain", "tdtpGainDb"};

// The shape of an annotation point by its key: the reference plane a tick with its label raised off
// the level mark's, a level mark spans the screen, a reading's point from the left.
int ShapeOf(const std::string& key) {
    if (key == "an_RefPlane") return 3;
    if (key == "an_Lvl50Ohm" || key == "an_Stimulus") return 4;
    return 0;
}
}  // namespace

TTdrReadouts::TTdrReadouts(TShell& shell, TTdrSettings& tdr) : Shell_(shell), Tdr_(tdr) {
    StripOf = [this]() -> TNizText* {
        TScopeDisplayServices* display = Display();
        TScopeCRT* panel = display ? display->Panel() : nullptr;
        return panel ? &panel->BottomStrip() : nullptr;
    };
}

TTdrReadouts::~TTdrReadouts() {
    if (!Installed_) return;
    if (TScopeDisplayServices* display = Display()) {
        auto& slot = display->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Tdr)];
        if (slot == this) slot = nullptr;
    }
}

void TTdrReadouts::Install() {
    TScopeDisplayServices* display = Display();
    if (!display) return;
    Installed_ = true;
    display->ReadoutProviders()[static_cast<std::size_t>(TReadoutKind::Tdr)] = this;
}

TScopeDisplayServices* TTdrReadouts::Display() const { return dynamic_cast<TScopeDisplayServices*>(&Shell_.Display()); }

bool TTdrReadouts::Active() const { return Tdr_.IsTdrActive() && Tdr_.MeasureOn(); }

int TTdrReadouts::Side() const { return Tdr_.TdrModeIsTdr() ? TdrSideReflection : TdrSideTransmission; }

bool TTdrReadouts::MarginsShown() const { return ReadOnOffSetting(Shell_.CommandTree(), "TDR:ViewMargins", false); }

std::int32_t TTdrReadouts::SourceColour(const TReflectParam& p) const {
    TScopeDisplayServices* display = Display();
    const TColor colour = display ? display->Colors().SourceRGB(p.SourceIndex) : SourceRGB(p.SourceIndex);
    return static_cast<std::int32_t>(colour.Value & 0x00FFFFFFu);
}

void TTdrReadouts::Out(const std::string& text, int row, int column, std::int32_t colour) {
    if (TNizText* strip = Strip()) strip->DelayedTextOut(text, NizCellRect(row, column), -1, colour);
}

std::string TTdrReadouts::Caption(const TReflectParam& p) const {
    const bool reflection = p.Side == TdrSideReflection;
    const int item = std::clamp<int>(p.Item, 0, reflection ? 1 : 2);
    const char* label = reflection ? ReflectLabels[item] : TransmitLabels[item];
    return Shell_.LangStr(label) + " (" + SourceNames[std::min<int>(p.Source, 3)] + ")";
}

std::string TTdrReadouts::ValueText(double value, const std::string& unit) {
    // A ratio in dB reads badly with a prefix: it is written plain.
    const std::string number = FloatToEngStr(unit == "dB" ? 0 : 3, 4, false, false, value);
    return IsUndefinedValue(value) ? number : number + unit;
}

// ------------------------------------------------------------------------------------ the strip

void TTdrReadouts::UpdateTdrMeasurements() {
    TNizText* strip = Strip();
    if (!strip || !Active()) return;
    // Every row goes first: after a removal the last row would keep the removed parameter.
    for (int row = 0; row < RowCount; ++row)
        for (int column = 1; column <= ColumnCount; ++column) Out("", row, column, 0);
    if (auto* analysis = dynamic_cast<TScopeAnalysisServices*>(&Shell_.Analysis()))
        analysis->Measurements().Readouts().DrawMeasStatHeaders(shmPlain);
    const int side = Side();
    for (int i = 0; i < Tdr_.Params.Count(side) && i < RowCount; ++i) {
        const TReflectParam& p = Tdr_.Params.Param(side, i);
        Out(Caption(p), i, 1, SourceColour(p));
        ShowTdrParamStatistics(i);
    }
    strip->TdrLabelsDrawn = true;
}

void TTdrReadouts::EnsureDrawn() {
    const TNizText* strip = Strip();
    if (strip && !strip->TdrLabelsDrawn) UpdateTdrMeasurements();
}

void TTdrReadouts::ShowTdrParamStatistics(int i) {
    const int side = Side();
    if (i < 0 || i >= Tdr_.Params.Count(side) || i >= RowCount || !Strip()) return;
    const TReflectParam& p = Tdr_.Params.Param(side, i);
    const TModedStat& s = p.Stat;
    if (s.Count < 1) return;
    const std::int32_t colour = SourceColour(p);
    Out(ValueText(p.Value, p.Unit), i, 2, colour);
    Out(std::to_string(s.Count), i, 3, colour);
    Out(ValueText(s.Min, p.Unit), i, 4, colour);
    Out(ValueText(s.Max, p.Unit), i, 5, colour);
    Out(ValueText(s.Mean, p.Unit), i, 6, colour);
    Out(s.Count < 2 ? Shell_.LangStr("Undefined") : ValueText(s.StdDev, p.Unit), i, 7, colour);
}

// -------------------------------------------------------------------------------- annotations

void TTdrReadouts::AfterListChange(int removed) {
    TScopeDisplayServices* display = Display();
    if (display && removed >= 0) {
        RemoveMeasAnnotations(*display, removed);
    } else if (display && Tdr_.Params.Annotated >= 0) {
        // The new parameter is the annotated one: its points come with its first value.
        ClearAnnotations(*display);
        display->Annotations().AnnotatedMeas = Tdr_.Params.Annotated;
        display->Annotations().Owner = TdrAnnotationOwner;
    }
    UpdateTdrMeasurements();
}

void TTdrReadouts::RefreshTdrAnnotation(int i, const TSignalObj& record) {
    TScopeDisplayServices* display = Display();
    const int side = Side();
    if (!display || i != Tdr_.Params.Annotated || i >= Tdr_.Params.Count(side)) return;
    const TReflectParam& p = Tdr_.Params.Param(side, i);
    // A parameter without a value has nothing to point at.
    if (!p.Annotation.Valid) return;
    TAnnotationState& state = display->Annotations();
    state.AnnotatedMeas = i;
    state.Owner = TdrAnnotationOwner;
    TAnnLabelArray a;
    for (int n = 1; n <= p.Annotation.AnnotationCount; ++n) {
        const TTdrAnnotationPoint& point = p.Annotation.Annotation[static_cast<std::size_t>(n - 1)];
        DefinePointAnnotation(state, a, n, p.SourceIndex, false, Shell_.LangStr(point.Key), ShapeOf(point.Key));
        const double row = std::clamp(record.ValueToPixel(point.Level), -1e6, 1e6);
        SetAnnotationPoint(a, n, record.TimeToColumn(point.Time), static_cast<int>(std::lround(row)));
    }
    RefreshAnnotationLayers(*display, a);
}

void TTdrReadouts::ShowTdrAnnotation(int i) {
    TScopeDisplayServices* display = Display();
    const int side = Side();
    if (i < 0 || i >= Tdr_.Params.Count(side)) return;
    Tdr_.Params.Annotated = i;
    if (!display) return;
    ClearAnnotations(*display);
    display->Annotations().AnnotatedMeas = i;
    display->Annotations().Owner = TdrAnnotationOwner;
    const TReflectParam& p = Tdr_.Params.Param(side, i);
    if (const TSignalRecords* records = Shell_.Records()) RefreshTdrAnnotation(i, records->Record(p.SourceIndex));
}

void TTdrReadouts::DeleteAnnotations() {
    if (TScopeDisplayServices* display = Display()) {
        ClearAnnotations(*display);
        display->Annotations().AnnotatedMeas = -1;
    }
    Tdr_.Params.Annotated = -1;
}

// -------------------------------------------------------------------------------------- popup

TStripMenu TTdrReadouts::BuildTdrAnnotationMenu(int n) {
    TStripMenu menu;
    const int side = Side();
    if (n < 0 || n >= Tdr_.Params.Count(side)) return menu;
    const bool annotated = Tdr_.Params.Annotated == n;
    const bool margins = MarginsShown();
    auto item = [&](const std::string& caption, const char* command, bool checked, bool enabled) {
        TStripMenuItem i;
        i.Caption = caption;
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
    item(Caption(Tdr_.Params.Param(side, n)), "AllVisible", margins && annotated, true);
    menu.back().Default = true;
    separator();
    item(Shell_.LangStr("pumpSetAnnotation"), "Annot", annotated, !annotated);
    item(Shell_.LangStr("pumpDelAnnotations"), "DelAnnot", false, Tdr_.Params.Annotated >= 0);
    separator();
    item(Shell_.LangStr("pumpViewDefParams"), "DefParam", margins, !margins);
    // The margins are what the item hides: it is offered while they are shown.
    item(Shell_.LangStr("pumpUnViewDefPars"), "DelDefParam", false, margins);
    separator();
    item(Shell_.LangStr("pumpRemoveParam"), "Remove", false, true);
    item(Shell_.LangStr("pumpRemoveAll"), "RemoveAll", false, true);
    return menu;
}

void TTdrReadouts::SetViewMargins(bool on) {
    if (MarginsShown() == on) return;
    if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
    if (auto* view = FindSetting<TOnOffHandler>(Shell_.CommandTree(), "TDR:ViewMargins")) view->SetOn(on);
}

void TTdrReadouts::HandleTdrAnnotationMenu(const std::string& item, int n) {
    const int side = Side();
    if (n < 0 || n >= Tdr_.Params.Count(side)) return;
    auto uncheck = [&](const TReflectParam& p) {
        const TTdrSettings::TSourceHandlers& h = Tdr_.Source(p.Source);
        TCheckSwHandler* list = side == TdrSideTransmission ? h.TdtParams : h.TdrParams;
        if (list) list->SetBit(p.Item, false);
    };
    if (item == "AllVisible") {
        SetViewMargins(true);
        ShowTdrAnnotation(n);
    } else if (item == "Annot") {
        ShowTdrAnnotation(n);
    } else if (item == "DelAnnot") {
        DeleteAnnotations();
    } else if (item == "DefParam") {
        SetViewMargins(true);
    } else if (item == "DelDefParam") {
        SetViewMargins(false);
    } else if (item == "Remove") {
        if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
        uncheck(Tdr_.Params.Param(side, n));
    } else if (item == "RemoveAll") {
        if (TUndoBuffer* undo = Shell_.UndoBuffer()) undo->BeginStep();
        for (int i = Tdr_.Params.Count(side) - 1; i >= 0; --i) uncheck(Tdr_.Params.Param(side, i));
    }
}

std::vector<TReadoutProvider::TListedCell> TTdrReadouts::ListedCells() const {
    std::vector<TListedCell> cells;
    if (!Active()) return cells;
    for (int i = 0; i < Tdr_.Params.Count(Side()) && i < RowCount; ++i) cells.push_back({NizCellRect(i, 1), i});
    return cells;
}

}  // namespace vt
