#include "acq/ZoomViews.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/EngineeringText.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "core/Shell.h"
#include "core/WindowBindings.h"
#include "link/InstrumentLink.h"

namespace vt {

namespace {

constexpr const char* UnitName = "ZoomViews";
constexpr int ExponentMode = 3;
constexpr int Digits = 4;
constexpr double Resolution = 1e-13;
constexpr int ComplexPhase = 1;
constexpr int ComplexMagnitude = 0;
constexpr int VScaleLogarithmic = 1;
constexpr std::uint32_t SuppressPhaseBit = 2;

int Index(int source) { return source - ZoomSourceFirst; }
bool IsZoomSource(int source) { return source >= ZoomSourceFirst && source <= ZoomSourceLast; }
// The fraction of the record that S1 and S2 may show at most.
double LargestHorScale(int source) { return source >= ssS1 ? 0.5 : 1.0; }

std::string Eng(double value) { return FloatToEngStr(ExponentMode, Digits, false, false, value); }

TEditConfig Real(double minimum, double def, double maximum, int coarseKind, double coarse, int fineKind, double fine) {
    return {.Minimum = minimum, .Default = def, .Maximum = maximum, .CoarseStep = coarse, .CoarseKind = coarseKind,
            .FineStep = fine, .FineKind = fineKind, .Resolution = Resolution, .FormatMode = ExponentMode,
            .Digits = Digits};
}

}  // namespace

int ZoomFactor(int n, double horScale) {
    int z = horScale > 0 ? static_cast<int>(RoundHalfEven(1 / horScale)) : 1;
    if (z < 1) z = 1;
    if (n / z < 8) z = n / 8;
    // A record of fewer than 8 points would give 0 and divide by it: all of it stays in view.
    return std::max(z, 1);
}

int ZoomedPointCount(int n, double horScale) { return std::max(n, 0) / ZoomFactor(n, horScale); }

int ZoomWindowColumns(int n, double horScale) { return (ZoomedPointCount(n, horScale) * 500 + 256) / 512 + 1; }

// ------------------------------------------------------------------------------------------ rows

TZoomViews::~TZoomViews() {
    if (Shell_.RefreshZoomOnScaleChange) Shell_.RefreshZoomOnScaleChange = nullptr;
}

void TZoomViews::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::CreateZoomHandlers,
                           [this](TShell& s) { CreateZoomHandlers(*s.CommandTree()); });
    shell.Refresh.Add(TRefreshRow::ApplyZoomToAllSources, [this](TShell&) { RefreshZoomHandlers(); });
    shell.RefreshZoomOnScaleChange = [this] { RefreshZoomControlsOnScaleChange(); };
}

// ------------------------------------------------------------------------------------- questions

TSignalObj* TZoomViews::Record(int source) const {
    TSignalRecords* records = Shell_.Records();
    return records ? records->FindRecord(source) : nullptr;
}

bool TZoomViews::Complex(int source) const {
    const TSignalObj* r = Record(source);
    return r && r->IsSpectrum();
}

bool TZoomViews::SourceOn(int source) const {
    const TSignalRecords* records = Shell_.Records();
    return records && records->SignalsOn().IsOn(source);
}

double TZoomViews::Compression() const { return Shell_.Display().VerticalCompression(); }

int TZoomViews::ChosenSource() const {
    const int s = ZoomSource_ ? ZoomSource_->GetSource() : ZoomSourceFirst;
    return IsZoomSource(s) ? s : ZoomSourceFirst;
}

const TZoomViews::TZoomHandlers& TZoomViews::Handlers(int source) const {
    if (!IsZoomSource(source)) VT_INTERNAL_ERROR(UnitName, "Not a derived source");
    return Handlers_[static_cast<std::size_t>(Index(source))];
}

int TZoomViews::SourceOfHandler(const THandler& h) const {
    for (int s = ZoomSourceFirst; s <= ZoomSourceLast; ++s) {
        const TZoomHandlers& z = Handlers(s);
        const THandler* all[] = {z.ComplexScale, z.Suppress, z.SupprLevel, z.VScaleType, z.VertScale, z.VertDBScale,
                                 z.Offset, z.OffsInDB, z.OffsPhase, z.PhaseScale, z.HorScale, z.HorPosition};
        if (std::find(std::begin(all), std::end(all), &h) != std::end(all)) return s;
    }
    VT_INTERNAL_ERROR(UnitName, "UNKNOWN Handler");
}

int TZoomViews::VerticalView(int source) const {
    const TZoomHandlers& z = Handlers(source);
    if (!Complex(source)) return 0;
    if (z.ComplexScale->GetItemIndex() == ComplexPhase) return 2;
    return z.ComplexScale->GetItemIndex() == ComplexMagnitude && z.VScaleType->GetItemIndex() == VScaleLogarithmic ? 1 : 0;
}

// ----------------------------------------------------------------------------------- registration

void TZoomViews::CreateZoomHandlers(TCommandTree& tree) {
    TSpider& root = tree.Root();
    constexpr std::uint32_t NotDerived = 0xFu | (0x1Fu << 14);
    ZoomSource_ = &root.AddSignalSourceHandler(
        "Shadow:ZoomSource", {.Items = "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None",
                              .Initial = ZoomSourceFirst,
                              .ExcludedMask = NotDerived,
                              .AfterChange = [this](THandler&) { ZoomSourceUpdate(ChosenSource()); }});
    const std::string byDiv = Shell_.LangStr("ByDiv");
    for (int s = ZoomSourceFirst; s <= ZoomSourceLast; ++s) {
        const std::string node = "Zoom:" + SourceShortName(s) + ":";
        TZoomHandlers& z = Handlers_[static_cast<std::size_t>(Index(s))];
        const auto edit = [&](const char* name, double initial, TEditConfig config, TFormatCallback format,
                              TCorrectCallback correct, THandlerCallback after = {}) {
            config.OnFormat = std::move(format);
            config.OnCorrect = std::move(correct);
            return &root.AddDoubleEditHandler(node + name, {.Initial = initial, .Config = std::move(config),
                                                            .ColorSource = s, .AfterChange = std::move(after)});
        };
        const auto record = [this, s]() -> const TSignalObj* { return Record(s); };
        z.ComplexScale = &root.AddRadioHandler(node + "ComplexScale", {.Items = "Magnitude,Phase,Real,Imaginary",
                                                                      .AfterChange = [this](THandler& h) {
                                                                          const int source = SourceOfHandler(h);
                                                                          if (TInstrumentLink* l = Shell_.Link())
                                                                              l->BreakAcquisition(false);
                                                                          Enabling(source);
                                                                      }});
        z.Suppress = &root.AddCheckHandler(node + "Suppress", {.Items = "DC,Phase", .AfterChange = [this](THandler& h) {
                                                                   SuppressionChanged(SourceOfHandler(h));
                                                               }});
        TEditConfig level = Real(-120, -50, -10, skDbLadder, 1, skGrid, 1);
        level.Units = "dB";
        z.SupprLevel = &root.AddDoubleEditHandler(node + "SupprLevel", {.Initial = -50, .Config = level, .ColorSource = s});
        z.VScaleType = &root.AddRadioHandler(node + "VScaleType", {.Items = "Linear,Logaritm", .AfterChange = [this](THandler& h) {
                                                                       VerticalEnabling(SourceOfHandler(h));
                                                                   }});
        z.VertScale = edit(
            "VertScale", 1, Real(1e-6, 1, 1e6, sk125, 1, skNone, 0),
            [this, record, byDiv](TEditHandler&, double v) {
                const TSignalObj* r = record();
                return Eng(v * Compression() * (r ? r->VertScale() : 1)) + (r ? r->GetVertUnit() : "") + byDiv;
            },
            [this, record](TEditHandler& h, double v) {
                const double k = Compression() * (record() ? record()->VertScale() : 1);
                return k != 0 ? v / k : h.GetValueAsDouble();
            });
        z.VertDBScale = edit(
            "VertDBScale", 20, Real(1, 20, 120, skDbLadder, 1, skGrid, 1),
            [this, record, byDiv](TEditHandler&, double v) {
                return Eng(v * Compression()) + (record() ? record()->GetVertUnit() : "") + byDiv;
            },
            [this](TEditHandler&, double v) { return v / Compression(); });
        z.Offset = edit(
            "Offset", 0, Real(-10, 0, 10, skGrid, 0.25, skGrid, 0.03125),
            [record](TEditHandler&, double v) {
                const TSignalObj* r = record();
                return r ? Eng(r->VertOffset() - v * r->VertScale()) + r->GetVertUnit() : Eng(-v);
            },
            [record](TEditHandler& h, double v) {
                // A record without a scale (a file may hold one) cannot place the value: it stays.
                const TSignalObj* r = record();
                if (!r || r->VertScale() == 0) return h.GetValueAsDouble();
                return -(v - r->VertOffset()) / r->VertScale();
            });
        z.OffsInDB = edit(
            "OffsInDB", 0, Real(-200, 0, 200, skDbLadder, 1, skGrid, 1),
            [record](TEditHandler&, double v) { return Eng(-v) + (record() ? record()->GetVertUnit() : ""); },
            [](TEditHandler&, double v) { return -v; });
        z.OffsPhase = edit(
            "OffsPhase", 0, Real(-360, 0, 360, skGrid, 22.5, skGrid, 0.5),
            [](TEditHandler&, double v) { return Eng(-v) + "\xC2\xB0"; }, [](TEditHandler&, double v) { return -v; });
        z.PhaseScale = edit(
            "PhaseScale", 1, Real(0.1, 1, 2, sk125, 1, skGrid, 0.1),
            [this, byDiv](TEditHandler&, double v) { return Eng(v * Compression() * 45) + "\xC2\xB0" + byDiv; },
            [this](TEditHandler&, double v) { return v / (Compression() * 45); });
        const double largest = LargestHorScale(s);
        z.HorScale = edit(
            "HorScale", largest, Real(SmallestHorScale, largest, largest, skPowerOf2, 1, skNone, 0),
            [record, byDiv](TEditHandler&, double v) {
                const TSignalObj* r = record();
                return r ? Eng(v * r->TimePerDivision()) + r->HorUnit() + byDiv : Eng(v);
            },
            [record](TEditHandler& h, double v) {
                const TSignalObj* r = record();
                if (!r || r->TimePerDivision() == 0) return h.GetValueAsDouble();
                return v / r->TimePerDivision();
            },
            [this](THandler& h) { PositionLimits(SourceOfHandler(h)); });
        TEditConfig position = {.Minimum = 0, .Default = 0, .Maximum = 0, .CoarseStep = 1, .CoarseKind = skGrid,
                                .FineStep = 1, .FineKind = skGrid, .Resolution = 1, .FormatMode = ExponentMode,
                                .Digits = Digits};
        position.OnFormat = [record](TEditHandler&, double v) {
            const TSignalObj* r = record();
            return r ? Eng(v * r->SampleInterval()) + r->HorUnit() : Eng(v);
        };
        position.OnCorrect = [record](TEditHandler& h, double v) {
            const TSignalObj* r = record();
            if (!r || r->SampleInterval() == 0) return h.GetValueAsDouble();
            return v / r->SampleInterval();
        };
        z.HorPosition = &root.AddIntEditHandler(node + "HorPosition", {.Initial = 0, .Config = position, .ColorSource = s});
        PositionLimits(s);
    }
}

// ------------------------------------------------------------------------------- change reactions

void TZoomViews::ZoomSourceUpdate(int source) {
    const TZoomHandlers& z = Handlers(source);
    const bool complex = Complex(source);
    z.ComplexScale->SetDisabled(!complex);
    Enabling(source);
    z.HorScale->SetMaxValue(complex ? 0.5 : 1.0);
    Enabling(source);
}

void TZoomViews::Enabling(int source) {
    const TZoomHandlers& z = Handlers(source);
    const bool spectrum = SourceOn(source) && Complex(source);
    const int cs = z.ComplexScale->GetItemIndex();
    z.Suppress->SetDisabled(!spectrum);
    SuppressionChanged(source);
    z.VScaleType->SetDisabled(!(spectrum && cs == ComplexMagnitude));
    VerticalEnabling(source);
    for (TDoubleEditHandler* h : {z.VertScale, z.Offset, z.HorScale}) h->SetColorSource(source);
    z.HorPosition->SetColorSource(source);
    z.OffsPhase->SetDisabled(!(spectrum && cs == ComplexPhase));
    z.PhaseScale->SetDisabled(!(spectrum && cs == ComplexPhase));
    RefreshOpenMenu();
}

void TZoomViews::VerticalEnabling(int source) {
    const TZoomHandlers& z = Handlers(source);
    const bool complex = Complex(source);
    const int cs = z.ComplexScale->GetItemIndex();
    const bool shown = SourceOn(source) && !(complex && cs == ComplexPhase);
    // A record that is no spectrum always shows linearly, whatever its scale type was left at.
    const bool log = complex && cs == ComplexMagnitude && z.VScaleType->GetItemIndex() == VScaleLogarithmic;
    z.VertDBScale->SetDisabled(!(shown && log));
    z.OffsInDB->SetDisabled(!(shown && log));
    z.VertScale->SetDisabled(!(shown && !log));
    z.Offset->SetDisabled(!(shown && !log));
    RefreshOpenMenu();
}

void TZoomViews::SuppressionChanged(int source) {
    const TZoomHandlers& z = Handlers(source);
    z.SupprLevel->SetDisabled(z.Suppress->IsDisabled() || (z.Suppress->GetMask() & SuppressPhaseBit) == 0);
    Shell_.Display().FreeSignalLayer(source);
}

void TZoomViews::PositionLimits(int source) {
    const TZoomHandlers& z = Handlers(source);
    const TSignalObj* r = Record(source);
    const int n = r ? r->Length() : 0;
    const int w = vt::ZoomWindowColumns(n, z.HorScale->GetValue());
    // Short records have a window wider than themselves: the position never goes below 0.
    const int maximum = Complex(source) ? std::max(n / 2 - w, 0) : std::max(n - w, 0);
    z.HorPosition->SetMinValue(0);
    z.HorPosition->SetMaxValue(maximum);
    z.HorPosition->SetDefaultValue(maximum / 2);
    z.HorPosition->SetCoarseStep(std::max((w + 9) / 20, 1));
}

void TZoomViews::RefreshOpenMenu() {
    if (TWindowBindings* w = Shell_.WindowBindings()) w->RefreshSideMenu(mkZoom);
}

// ---------------------------------------------------------------------------------- operations

void TZoomViews::RefreshZoomHandlers() {
    if (!ZoomSource_) return;
    for (int s = ZoomSourceFirst; s <= ZoomSourceLast; ++s) {
        ZoomSourceUpdate(s);
        PositionLimits(s);
    }
}

void TZoomViews::CopyZoomSettings(int target, int source) {
    if (!ZoomSource_ || !IsZoomSource(target)) return;
    const TZoomHandlers& to = Handlers(target);
    if (!IsZoomSource(source)) {
        to.VertScale->SetValue(1);
        to.Offset->SetValue(0);
        to.HorScale->SetMaxValue(1);
        to.HorScale->SetValue(1);
        to.HorPosition->SetValue(0);
        return;
    }
    const TZoomHandlers& from = Handlers(source);
    to.ComplexScale->SetItemIndex(from.ComplexScale->GetItemIndex());
    to.Suppress->SetMask(from.Suppress->GetMask());
    to.SupprLevel->SetValue(from.SupprLevel->GetValue());
    to.VScaleType->SetItemIndex(from.VScaleType->GetItemIndex());
    for (auto member : {&TZoomHandlers::VertScale, &TZoomHandlers::VertDBScale, &TZoomHandlers::Offset,
                        &TZoomHandlers::OffsInDB, &TZoomHandlers::OffsPhase, &TZoomHandlers::PhaseScale,
                        &TZoomHandlers::HorScale})
        (to.*member)->SetValue((from.*member)->GetValue());
    to.HorPosition->SetValue(from.HorPosition->GetValue());
}

int TZoomViews::ZoomWindowColumns(int source) const {
    const TSignalObj* r = Record(source);
    return vt::ZoomWindowColumns(r ? r->Length() : 0, Handlers(source).HorScale->GetValue());
}

int TZoomViews::ZoomedPointCount(int source) const {
    const TSignalObj* r = Record(source);
    return vt::ZoomedPointCount(r ? r->Length() : 0, Handlers(source).HorScale->GetValue());
}

void TZoomViews::LimitDerivedSignalZoom(int source) {
    if (!ZoomSource_ || !IsZoomSource(source) || !Complex(source)) return;
    const TZoomHandlers& z = Handlers(source);
    if (z.HorScale->GetValue() > 0.5) z.HorScale->SetValue(0.5);
    // Only the lower half of a spectrum lies below half the sampling rate.
    const int highest = std::max(Record(source)->Length() / 2 - ZoomedPointCount(source), 0);
    if (z.HorPosition->GetValue() > highest) z.HorPosition->SetValue(highest);
}

void TZoomViews::RefreshZoomControlsOnScaleChange() {
    if (!ZoomSource_) return;
    const TZoomHandlers& z = Handlers(ChosenSource());
    for (THandler* h : {static_cast<THandler*>(z.SupprLevel), static_cast<THandler*>(z.VertScale),
                        static_cast<THandler*>(z.VertDBScale), static_cast<THandler*>(z.Offset),
                        static_cast<THandler*>(z.OffsInDB), static_cast<THandler*>(z.OffsPhase),
                        static_cast<THandler*>(z.PhaseScale), static_cast<THandler*>(z.HorScale),
                        static_cast<THandler*>(z.HorPosition)})
        h->NotifySwitchers();
}

}  // namespace vt
