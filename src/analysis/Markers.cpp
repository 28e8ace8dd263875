#include "analysis/Markers.h"

#include <cmath>
#include <cstdlib>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "core/AsciiText.h"
#include "core/CommandTree.h"
#include "core/Decibels.h"
#include "core/EngineeringText.h"
#include "core/InternalError.h"
#include "core/MenuKinds.h"
#include "core/Numeric.h"
#include "core/ScopeGuards.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "display/BottomReadoutStrip.h"
#include "display/DisplayPanel.h"
#include "display/DisplaySettings.h"
#include "display/MarkerLayers.h"
#include "display/ScopeDisplayServices.h"

namespace vt {

namespace {

constexpr const char* MarkUnitName = "_SHELL\\SRC\\Mark";
constexpr const char* MarkerSourceItems = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
// Only the records 0..13 can carry a marker.
constexpr std::uint32_t NonRecordSources = 0x1Fu << 14;
constexpr std::int32_t Grey = 0x808080;

std::size_t I(int n) { return static_cast<std::size_t>(n - 1); }

std::int32_t Rgb(TColor c) { return static_cast<std::int32_t>(c.Value & 0xFFFFFF); }

std::string Path(int n, const char* name) { return "Mark:M" + std::to_string(n) + ":" + name; }

bool Differs(double a, double b) { return a != b; }

}  // namespace

TMarkers::TMarkers(TShell& shell) : Shell_(shell) { Cache_.fill(UndefinedValue); }

// -------------------------------------------------------------------------------------- settings

void TMarkers::RegisterMarkerCommands(TCommandTree& tree) {
    TSpider& root = tree.Root();
    Type_ = &root.AddRadioHandler("Mark:Type", {.Items = "Off,MX,MY,XY", .Initial = mtOff,
                                                .AfterChange = [this](THandler&) { MarkerTypeChanged(); }});
    for (int n = 1; n <= 2; ++n) {
        TSignalSourceSwHandler& source = root.AddSignalSourceHandler(
            Path(n, "Source"), {.Items = MarkerSourceItems, .Initial = ssCh1, .ExcludedMask = NonRecordSources,
                                .AfterChange = [this, n](THandler&) { SourceAfter(n); }});
        source.FollowSignals(tree.SignalEnablity());
        Source_[I(n)] = &source;
        TEditConfig x{.Minimum = 0, .Default = 2000, .Maximum = 4000, .CoarseStep = 40, .CoarseKind = skLinear,
                      .FineStep = 1, .FineKind = skLinear};
        x.OnFormat = [this, n](TEditHandler&, double column) {
            const TSignalObj* r = Record(n);
            return r ? Text(r->ColumnToTime(column), 6) + r->HorUnit() : Text(column, 6);
        };
        x.OnCorrect = [this, n](TEditHandler&, double time) {
            const TSignalObj* r = Record(n);
            return r && r->SampleInterval() != 0 ? static_cast<double>(r->TimeToColumn(time)) : time;
        };
        X_[I(n)] = &root.AddIntEditHandler(Path(n, "XPos"),
                                           {.Initial = n == 1 ? 1000.0 : 3000.0, .Config = x,
                                            .BeforeChange = [this, n](THandler&) { XPosBefore(n); },
                                            .AfterChange = [this, n](THandler& h) { XPosAfter(n, h); }});
        TEditConfig y{.Minimum = 1, .Default = 512, .Maximum = 1023, .CoarseStep = 16, .CoarseKind = skLinear,
                      .FineStep = 1, .FineKind = skLinear};
        y.OnFormat = [this, n](TEditHandler&, double row) {
            const TSignalObj* r = Record(n);
            return r ? Text(r->PixelToValue(row), 6) + r->GetVertUnit() : Text(row, 6);
        };
        y.OnCorrect = [this, n](TEditHandler&, double value) {
            const TSignalObj* r = Record(n);
            return r ? std::round(r->ValueToPixel(value)) : value;
        };
        Y_[I(n)] = &root.AddIntEditHandler(Path(n, "YPos"),
                                           {.Initial = n == 1 ? 300.0 : 600.0, .Config = y,
                                            .AfterChange = [this, n](THandler& h) { YPosAfter(n, h); }});
    }
    Motion_ = &root.AddRadioHandler("Mark:Motion", {.Items = "Independ,Paired", .Initial = 0,
                                                    .AfterChange = [this](THandler&) { SyncPairedMarkers(false); }});
    Refer_ = &root.AddOnOffHandler("Mark:Refer", {.AfterChange = [this](THandler&) { ReferAfter(); }});
    SetRef_ = &root.AddRightCommandHandler("Mark:SetRef", [this](THandler&) { SetMarkerReference(); });
    Result_ = &root.AddGpibStringHandler("Mark:Result", 0,
                                         [this](std::string_view parameter, bool isQuery, std::uint8_t, std::string& reply) {
                                             if (isQuery) reply += MarkerResultQuery(parameter);
                                         });
}

void TMarkers::RefreshMarkerHandlers() { MarkerTypeChanged(); }

// ------------------------------------------------------------------------------------- questions

int TMarkers::Type() const { return Type_ ? Type_->GetItemIndex() : mtOff; }

int TMarkers::MarkerSource(int n) const { return Source_[I(n)] ? Source_[I(n)]->GetSource() : ssCh1; }

int TMarkers::XPos(int n) const { return X_[I(n)] ? X_[I(n)]->GetValue() : 0; }

int TMarkers::YPos(int n) const { return Y_[I(n)] ? Y_[I(n)]->GetValue() : 0; }

TScopeCRT* TMarkers::Panel() const {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    return display ? display->Panel() : nullptr;
}

TNizText* TMarkers::Strip() const {
    TScopeCRT* panel = Panel();
    return panel ? &panel->BottomStrip() : nullptr;
}

TColor TMarkers::SourceColour(int source) const {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    return display ? display->Colors().SourceColorOpaque(source) : TColor(0xFFFFFF);
}

bool TMarkers::DatabaseShown() const {
    auto* display = dynamic_cast<TScopeDisplayServices*>(&Shell_.Display());
    return display && display->Settings() && display->Settings()->DataBaseExist().On();
}

const TSignalObj* TMarkers::Record(int n) const {
    const TSignalRecords* records = Shell_.Records();
    return records ? records->FindRecord(MarkerSource(n)) : nullptr;
}

bool TMarkers::MarkerShown(int n) const {
    const TSignalRecords* records = Shell_.Records();
    const int source = MarkerSource(n);
    if (!records || !records->SignalsOn().IsOn(source)) return false;
    if (source <= ssCh1B2) return ReadOnOffSetting(Shell_.CommandTree(), "Ch1:Display", true);
    if (source <= ssCh2B2) return ReadOnOffSetting(Shell_.CommandTree(), "Ch2:Display", true);
    return true;
}

double TMarkers::MarkerXValue(int n) const {
    const TSignalObj* r = Record(n);
    return r ? r->ColumnToTime(XPos(n)) : UndefinedValue;
}

double TMarkers::MarkerYValue(int n) const {
    const TSignalObj* r = Record(n);
    return r ? r->PixelToValue(YPos(n)) : UndefinedValue;
}

double TMarkers::MarkerXYValue(int n) const {
    const TSignalObj* r = Record(n);
    // An empty record has no point under the marker.
    if (!r || r->Length() <= 0) return UndefinedValue;
    const auto index = RoundHalfEven(r->ColumnToIndex(XPos(n)));
    if (index < 0 || index >= r->Length()) return UndefinedValue;
    return r->GetPoint(static_cast<int>(index));
}

std::pair<bool, bool> TMarkers::MarkerDeltasShown() const {
    const int type = Type();
    const TSignalObj* r1 = Record(1);
    const TSignalObj* r2 = Record(2);
    const bool timeOrFrequency = r1 && (r1->HorUnit() == "s" || r1->HorUnit() == "Hz");
    if (type == mtOff || !MarkerShown(1) || !MarkerShown(2) || !r1 || !r2) return {false, timeOrFrequency};
    if ((type == mtMX || type == mtXY) && r1->HorUnit() != r2->HorUnit()) return {false, timeOrFrequency};
    if ((type == mtMY || type == mtXY) && r1->GetVertUnit() != r2->GetVertUnit()) return {false, timeOrFrequency};
    return {true, timeOrFrequency};
}

std::string TMarkers::Text(double value, int digits) const {
    if (value == UndefinedRatio) return Shell_.LangStr("Undefined");
    return FloatToEngStr(3, digits, false, false, value);
}

TMarkerTexts TMarkers::ComputeTexts() const {
    TMarkerTexts t;
    const int type = Type();
    if (type == mtOff) return t;
    const bool x = type == mtMX || type == mtXY;
    const bool y = type == mtMY || type == mtXY;
    for (int n = 1; n <= 2; ++n) {
        t.Shown[I(n)] = MarkerShown(n);
        const TSignalObj* r = Record(n);
        if (!t.Shown[I(n)] || !r) continue;
        if (x) {
            t.XM[I(n)] = MarkerXValue(n);
            t.XText[I(n)] = Text(t.XM[I(n)], 6) + r->HorUnit();
        }
        if (y) {
            t.YM[I(n)] = type == mtMY ? MarkerYValue(n) : MarkerXYValue(n);
            // No point under an XY marker: no readout.
            if (t.YM[I(n)] != UndefinedValue) t.YText[I(n)] = Text(t.YM[I(n)], 6) + r->GetVertUnit();
        }
    }
    std::tie(t.Deltas, t.TimeOrFrequency) = MarkerDeltasShown();
    if (!t.Deltas) return t;
    const TSignalObj& r1 = *Record(1);
    const std::string hor = r1.HorUnit();
    const std::string vert = r1.GetVertUnit();
    if (x) {
        t.dXM = t.XM[1] - t.XM[0];
        t.dXText = Text(t.dXM, 6) + hor;
        if (t.TimeOrFrequency)
            t.InvText = t.dXM == 0 ? Text(UndefinedRatio, 6) : Text(std::abs(1 / t.dXM), 6) + (hor == "s" ? "Hz" : "s");
    }
    if (y) {
        t.dYM = t.YM[1] - t.YM[0];
        t.dYText = Text(t.dYM, 6) + vert;
    }
    if (type == mtXY) {
        t.Slope = t.dXM == 0 ? UndefinedRatio : t.dYM / t.dXM;
        if (t.Slope == UndefinedRatio) t.SlopeText = Text(UndefinedRatio, 5);
        else if (hor == "Hz") t.SlopeText = Text(t.Slope * 1e9, 5) + vert + " / GHz";
        else if (hor == "s") t.SlopeText = Text(t.Slope / 1e6, 5) + vert + " / \u00b5s";
        else t.SlopeText = Text(t.Slope, 5) + vert + " / " + hor;
    }
    if (ReadOnOffSetting(Shell_.CommandTree(), "Mark:Refer", false)) {
        if (x) {
            t.RatioX = RefDX_ == 0 ? UndefinedRatio : t.dXM / RefDX_;
            const bool undefined = t.RatioX == UndefinedRatio;
            t.RefXPercent = undefined ? Text(UndefinedRatio, 3) : Text(t.RatioX * 100, 3) + "%";
            t.RefXDegrees = undefined ? Text(UndefinedRatio, 3) : Text(t.RatioX * 360, 3) + "\u00b0";
        }
        if (y) {
            t.RatioY = RefDY_ == 0 ? UndefinedRatio : t.dYM / RefDY_;
            const bool undefined = !(t.RatioY < UndefinedRatio);
            t.RefYPercent = undefined ? Text(UndefinedRatio, 3) : Text(t.RatioY * 100, 3) + "%";
            t.RefYDb = undefined ? Text(UndefinedRatio, 3) : Text(Db20(std::abs(t.RatioY)), 3) + "dB";
        }
    }
    return t;
}

// ---------------------------------------------------------------------------------------- layers

void TMarkers::UpdateMarkerLayer(int n) {
    if (n != 1 && n != 2) VT_INTERNAL_ERROR(MarkUnitName, "??? Bad marker Number !!!");
    TScopeCRT* panel = Panel();
    const int type = Type();
    if (!panel || type == mtOff || !MarkerShown(n)) return;
    const int source = MarkerSource(n);
    if (type == mtMX) {
        if (auto* layer = dynamic_cast<T_X_MarkerLayer*>(panel->XMarkerLayer(n, source))) layer->SetPosition(XPos(n));
    } else if (type == mtMY) {
        if (auto* layer = dynamic_cast<T_Y_MarkerLayer*>(panel->YMarkerLayer(n, source))) layer->SetPosition(YPos(n));
    } else if (auto* layer = dynamic_cast<T_XY_MarkerLayer*>(panel->XYMarkerLayer(n, source))) {
        const TSignalObj* r = Record(n);
        layer->SetPointIndex(r && r->Length() > 0 ? static_cast<int>(RoundHalfEven(r->ColumnToViewIndex(XPos(n)))) : -1);
    }
}

void TMarkers::RemoveMarkerLayer(int n) {
    TScopeCRT* panel = Panel();
    if (!panel) return;
    // Marker 1's slot may hold another feature's overlay: only a marker goes.
    TMarkerLayer* layer = panel->MarkerLayer(n);
    if (dynamic_cast<T_X_MarkerLayer*>(layer) || dynamic_cast<T_Y_MarkerLayer*>(layer)) panel->FreeMarkerLayer(n);
}

// ------------------------------------------------------------------------------------------ mode

void TMarkers::ApplyMarkerMode() {
    if (!Type_) return;
    const bool off = Type() == mtOff;
    if (!off) Shell_.SwitchOffOtherModes(mkMarkers);
    const bool db = DatabaseShown();
    for (TSignalSourceSwHandler* source : Source_) source->SetDisabled(off || db);
    Motion_->SetDisabled(off);
    Refer_->SetDisabled(off);
    Result_->SetDisabled(off);
    EnableMarkerSettings(1);
    EnableMarkerSettings(2);
    SetRef_->SetDisabled(off || !Refer_->GetOn());
}

void TMarkers::EnableMarkerSettings(int n) {
    const TSignalRecords* records = Shell_.Records();
    const int source = MarkerSource(n);
    const bool on = records && records->SignalsOn().IsOn(source);
    X_[I(n)]->SetDisabled(!(on && Type() != mtMY));
    Y_[I(n)]->SetDisabled(!(on && Type() == mtMY));
    X_[I(n)]->SetColorSource(source);
    Y_[I(n)]->SetColorSource(source);
}

void TMarkers::MarkerTypeChanged() {
    if (!Type_) return;
    if (Type() == mtXY && DatabaseShown()) {
        Type_->SetItemIndex(mtMX);
        return;
    }
    Shell_.Display().ClearBottomText();
    ApplyMarkerMode();
    InvalidateMarkerValues();
    RemoveMarkerLayer(1);
    RemoveMarkerLayer(2);
    SnapXYMarkers();
    Shell_.Serial().UpdateTdrExcess();
}

void TMarkers::UpdateMarkerTypeChoice() {
    if (Type_) Type_->SetDisabledMask(DatabaseShown() ? GetMaskForButtinNr(mtXY) : 0);
}

void TMarkers::SwitchOffMarkers() {
    if (Type_) Type_->SetItemIndex(mtOff);
}

void TMarkers::RefreshMarkersOnScaleChange() {
    const TSignalRecords* records = Shell_.Records();
    if (Type() == mtOff || !records) return;
    for (int n = 1; n <= 2; ++n) {
        // XY, the database, the histogram, Const and None hold no record whose scales could change.
        const int source = MarkerSource(n);
        if (!records->FindRecord(source) || !records->FlagOfScalesChange().IsChanged(source)) continue;
        X_[I(n)]->NotifySwitchers();
        Y_[I(n)]->NotifySwitchers();
    }
}

void TMarkers::SourceAfter(int n) {
    if (Type() == mtOff) return;
    EnableMarkerSettings(n);
    const TSignalRecords* records = Shell_.Records();
    if (records && records->SignalsOn().IsOn(MarkerSource(n))) InvalidateMarkerValues();
    RemoveMarkerLayer(n);
    UpdateMarkerLayer(n);
    Shell_.Serial().UpdateTdrExcess();
}

// ------------------------------------------------------------------------------------- positions

bool TMarkers::UserChange(const THandler& h) const {
    if (SnapByUser_) return true;
    TScopeCRT* panel = Panel();
    if (panel && panel->OverlayDrags().Dragging) return true;
    return h.GetWhoChangedRaw() != wcvProgram;
}

void TMarkers::XPosBefore(int n) { OldX_[I(n)] = XPos(n); }

void TMarkers::XPosAfter(int n, THandler& h) {
    if (Type() == mtXY && !Snapping_) {
        const TSignalObj* r = Record(n);
        const int old = OldX_[I(n)];
        const int d = std::abs(XPos(n) - old);
        // An empty record has no points to step by.
        if (r && r->Length() > 0 && d != 0) {
            int s = 4096 / r->Length();
            if (s > 0 && d >= s) s *= (d + s / 2) / s;
            const int target = XPos(n) > old ? old + s : old - s;
            if (s > 0 && target != XPos(n)) {
                const bool user = UserChange(h);
                TResetOnExit<bool> snapping(Snapping_, Snapping_);
                TResetOnExit<bool> byUser(SnapByUser_, SnapByUser_);
                Snapping_ = true;
                SnapByUser_ = user;
                X_[I(n)]->SetValue(target);
                return;
            }
        }
    }
    UpdateMarkerLayer(n);
    if (UserChange(h)) SyncPairedMarkers(n == 1);
    Shell_.Serial().ShowTdrExcess();
}

void TMarkers::YPosAfter(int n, THandler& h) {
    UpdateMarkerLayer(n);
    if (UserChange(h)) SyncPairedMarkers(n == 1);
    Shell_.Serial().ShowTdrExcess();
}

void TMarkers::SyncPairedMarkers(bool marker1Moved) {
    if (!Motion_) return;
    if (Motion_->GetItemIndex() == 1 && marker1Moved) {
        // M2 follows as the program's change, and not by whole points.
        TResetOnExit<bool> byUser(SnapByUser_, SnapByUser_);
        TResetOnExit<bool> snapping(Snapping_, Snapping_);
        SnapByUser_ = false;
        Snapping_ = true;
        X_[1]->SetValue(XPos(1) + PairDx_);
        Y_[1]->SetValue(YPos(1) + PairDy_);
        return;
    }
    PairDx_ = XPos(2) - XPos(1);
    PairDy_ = YPos(2) - YPos(1);
}

void TMarkers::SnapXYMarkers() {
    if (Type() != mtXY) return;
    TResetOnExit<bool> snapping(Snapping_, Snapping_);
    Snapping_ = true;
    for (int n = 1; n <= 2; ++n) {
        const TSignalObj* r = Record(n);
        if (!r || r->Length() <= 0) continue;
        const int s = 4096 / r->Length();
        if (s > 0) X_[I(n)]->SetValue(static_cast<double>(RoundHalfEven(static_cast<double>(XPos(n)) / s) * s));
    }
}

// -------------------------------------------------------------------------------------- readouts

void TMarkers::InvalidateMarkerValues() {
    Cache_.fill(UndefinedValue);
    // The strip is the markers' only while they are on.
    if (Type() != mtOff) Shell_.Display().ClearBottomText();
}

void TMarkers::Out(const std::string& text, int row, int column, bool value, int slot, int colour) {
    if (TNizText* strip = Strip()) strip->DelayedTextOut(text, MarkerCellRect(row, column, value), slot, colour);
}

void TMarkers::DrawMarkerLabels() {
    TNizText* strip = Strip();
    TScopeCRT* panel = Panel();
    const int type = Type();
    if (!strip || !panel || type == mtOff) return;
    const bool x = type == mtMX || type == mtXY;
    const bool y = type == mtMY || type == mtXY;
    for (int n = 1; n <= 2; ++n) {
        if (!MarkerShown(n) || strip->LabelDrawn(n)) continue;
        const int colour = Rgb(SourceColour(MarkerSource(n)));
        const std::string m = std::to_string(n);
        if (x) Out("XM" + m + " =", 1, n, false, -1, colour);
        if (y) Out("YM" + m + " =", 2, n, false, -1, colour);
        strip->SetLabelDrawn(n, true);
    }
    if (!MarkerDeltasShown().first || strip->DeltaLabelsDrawn()) return;
    const auto [deltas, timeOrFrequency] = MarkerDeltasShown();
    const int colour =
        MarkerSource(1) == MarkerSource(2) ? Rgb(SourceColour(MarkerSource(1))) : Grey;
    if (x) {
        Out("dXM =", 1, 3, false, -1, colour);
        if (timeOrFrequency) Out("1 / dXM =", 1, 4, false, -1, colour);
    }
    if (y) Out("dYM =", 2, 3, false, -1, colour);
    if (type == mtXY) Out("dYM / dXM =", 2, 4, false, -1, colour);
    if (Refer_ && Refer_->GetOn()) {
        if (x) {
            Out("dXM = ", 4, 1, false, -1, colour);
            Out("dXM = ", 4, 2, false, -1, colour);
        }
        if (y) {
            Out("dYM = ", 4, 3, false, -1, colour);
            Out("dYM = ", 4, 4, false, -1, colour);
        }
    }
    strip->SetDeltaLabelsDrawn(true);
}

void TMarkers::UpdateMarkerReadouts(bool withSlots) {
    TScopeCRT* panel = Panel();
    const int type = Type();
    if (type == mtOff || !panel || !Strip()) return;
    DrawMarkerLabels();
    const TMarkerTexts t = ComputeTexts();
    const bool x = type == mtMX || type == mtXY;
    const bool y = type == mtMY || type == mtXY;
    auto slot = [withSlots](int s) { return withSlots ? s : -1; };
    for (int n = 1; n <= 2; ++n) {
        if (!t.Shown[I(n)]) continue;
        const int colour = Rgb(SourceColour(MarkerSource(n)));
        double& cachedX = Cache_[I(n)];
        if (x && Differs(cachedX, t.XM[I(n)])) {
            cachedX = t.XM[I(n)];
            Out(t.XText[I(n)], 1, n, true, -1, colour);
        }
        double& cachedY = Cache_[3 + I(n)];
        if (y && !t.YText[I(n)].empty() && Differs(cachedY, t.YM[I(n)])) {
            cachedY = t.YM[I(n)];
            Out(t.YText[I(n)], 2, n, true, slot(n - 1), colour);
        }
    }
    if (!t.Deltas) return;
    const int colour =
        MarkerSource(1) == MarkerSource(2) ? Rgb(SourceColour(MarkerSource(1))) : Grey;
    if (x && Differs(Cache_[2], t.dXM)) {
        Cache_[2] = t.dXM;
        Out(t.dXText, 1, 3, true, -1, colour);
        if (t.TimeOrFrequency) Out(t.InvText, 1, 4, true, -1, colour);
    }
    if (y && Differs(Cache_[5], t.dYM)) {
        Cache_[5] = t.dYM;
        Out(t.dYText, 2, 3, true, slot(2), colour);
    }
    if (type == mtXY && Differs(Cache_[6], t.Slope)) {
        Cache_[6] = t.Slope;
        Out(t.SlopeText, 2, 4, true, slot(3), colour);
    }
    if (!Refer_ || !Refer_->GetOn()) return;
    if (x && Differs(Cache_[7], t.RatioX)) {
        Cache_[7] = t.RatioX;
        Out(t.RefXPercent, 4, 1, true, -1, colour);
        Out(t.RefXDegrees, 4, 2, true, -1, colour);
    }
    if (y && Differs(Cache_[8], t.RatioY)) {
        Cache_[8] = t.RatioY;
        Out(t.RefYPercent, 4, 3, true, slot(4), colour);
        Out(t.RefYDb, 4, 4, true, -1, colour);
    }
}

void TMarkers::RefreshMarkerReadouts() {
    if (Type() == mtOff || !Strip()) return;
    DrawMarkerLabels();
    UpdateMarkerReadouts(Type() == mtXY);
}

void TMarkers::ReferAfter() {
    // The TDR excess readout gives the reference's cell up first (or takes it back).
    Shell_.Serial().UpdateTdrExcess();
    const TMarkerTexts t = ComputeTexts();
    InvalidateMarkerValues();
    SetRef_->SetDisabled(Type() == mtOff || !Refer_->GetOn());
    RefDX_ = t.dXM;
    RefDY_ = t.dYM;
    UpdateMarkerReadouts(true);
}

void TMarkers::SetMarkerReference() {
    const TMarkerTexts t = ComputeTexts();
    RefDX_ = t.dXM;
    RefDY_ = t.dYM;
    UpdateMarkerReadouts(true);
}

// ----------------------------------------------------------------------------------------- query

std::string TMarkers::MarkerResultQuery(std::string_view argument) const {
    std::string arg = UpperCase(TrimWhite(argument));
    if (arg.empty()) arg = "M1";
    std::string reply;
    if (Shell_.CommandTree() && Shell_.CommandTree()->HeaderOn()) reply = ":" + arg + "  ";
    const int type = Type();
    if (type == mtOff) return reply + "Markers OFF";
    // From the settings and records as they are now, formatted as the readouts.
    const TMarkerTexts t = ComputeTexts();
    const bool x = type == mtMX || type == mtXY;
    const bool y = type == mtMY || type == mtXY;
    auto trim = [](const std::string& s) { return std::string(TrimWhite(s)); };
    if (arg == "M1" || arg == "M2") {
        const int n = arg == "M1" ? 1 : 2;
        if (x) reply += "XM" + std::to_string(n) + " = " + trim(t.XText[I(n)]);
        if (type == mtXY) reply += "; ";
        if (y) reply += "YM" + std::to_string(n) + " = " + trim(t.YText[I(n)]);
    } else if (arg == "DM") {
        if (x) reply += "dXM = " + trim(t.dXText) + "; 1/dXM = " + trim(t.InvText);
        if (type == mtXY) reply += "; ";
        if (y) reply += "dYM = " + trim(t.dYText);
        if (type == mtXY) reply += "; dYM/dXM = " + trim(t.SlopeText);
    } else if (arg == "REF") {
        if (!ReadOnOffSetting(Shell_.CommandTree(), "Mark:Refer", false)) return reply + "Reference OFF";
        if (x) reply += "dXM = " + trim(t.RefXPercent) + "; dXM = " + trim(t.RefXDegrees);
        if (type == mtXY) reply += "; ";
        if (y) reply += "dYM = " + trim(t.RefYPercent) + "; dYM = " + trim(t.RefYDb);
    } else {
        reply += "Argument Error";
    }
    return reply;
}

}  // namespace vt
