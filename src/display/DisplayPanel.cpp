#include "display/DisplayPanel.h"

#include <algorithm>
#include <string>

#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "display/AnnotationLayer.h"
#include "display/HintStack.h"
#include "display/MarkerLayers.h"
#include "display/ScreenColors.h"

namespace vt {

namespace {
constexpr int StyleDots = 0;
constexpr int StyleVectors = 1;
constexpr int StylePersistence = 2;  // 2-3
constexpr int StyleGrading = 4;      // 4-7
constexpr int StyleCount = 8;

int StyleOf(const TParentSignalLayer* layer) {
    if (!layer) return -1;
    if (dynamic_cast<const TPersistSignalLayer*>(layer)) return StylePersistence;
    if (dynamic_cast<const TColorGrSignalLayer*>(layer)) return StyleGrading;
    return dynamic_cast<const TVectorSignalLayer*>(layer) ? StyleVectors : StyleDots;
}

void CheckHistoryEntry(int n) {
    if (n < 0 || n > XYLayerSlot) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
}
}  // namespace

// ---------------------------------------------------------------------------------------------------
void TLayersOfSignals::CountHistory(int n, int change) {
    if (dynamic_cast<const TComplicatedSignalLayer*>(Layer(n))) HistoryLayers_ += change;
}

void TLayersOfSignals::SetLayer(int n, std::unique_ptr<TParentSignalLayer> layer) {
    CountHistory(n, -1);
    Layers_.at(static_cast<std::size_t>(n)) = std::move(layer);
    CountHistory(n, +1);
    Drawn_[static_cast<std::size_t>(n)] = false;
    if (OnChange) OnChange(*this);
}

void TLayersOfSignals::FreeLayer(int n) {
    CountHistory(n, -1);
    Layers_.at(static_cast<std::size_t>(n)).reset();
    Drawn_[static_cast<std::size_t>(n)] = false;
    if (OnChange) OnChange(*this);
}

// ---------------------------------------------------------------------------------------------------
TScopeCRT::TScopeCRT(TProgram program, THintStack* hints)
    : Program_(std::move(program)), Hints_(hints), TopStrip_(nullptr), BottomStrip_(nullptr, Program_.Timers) {
    RegisterMarkerLayerClasses(Overlays_.Classes, Overlays_.Drags);
    Overlays_.Classes.Register(TOverlayClass::Annotation, [](std::string name, bool xy, int slot, int rows, int columns) {
        return std::make_unique<TAnnotationLayer>(std::move(name), xy, slot, rows, columns);
    });
    if (!Program_.ClockMs) Program_.ClockMs = SteadyClockMs;
    ClockStart_ = Program_.ClockStartMs >= 0 ? Program_.ClockStartMs : Program_.ClockMs();
    Freed_.fill(-1);
    // Until the display settings exist: YT, Grid, every source on screen 1.
    ScreenOfSource_.fill(1);
    Background_ = TColor(ElementColor(ceBackground).Value & 0xFFFFFF);
    GraticuleColour_ = TColor(ElementColor(ceGraticule).Value & 0xFFFFFF);
    TopStrip_.SetColor(Background_);
    TopStrip_.Resize(TopStripLeft, TopStripTop, TopStripWidth, TopStripHeight);
    TopStrip_.SetFontColor(TColor(0x00FFFF));
    TopStrip_.Clear();
    TopStrip_.SetVisible(false);
    BottomStrip_.SetColor(Background_);
    BottomStrip_.Resize(7, 35, NizGridWidth, NizHeight);
    BottomStrip_.SetFontColor(TColor(0xFFFFFF));
    BottomStrip_.Clear();
}

TScopeCRT::~TScopeCRT() {
    if (Hints_) Hints_->Attach(nullptr, 0, 0, 0);
    FreeAllScreens();
    for (int n = 0; n < LayerSlotCount; ++n)
        if (Layers_.Layer(n)) Layers_.FreeLayer(n);
}

void TScopeCRT::SetSink(TScreenSink* sink) {
    Sink_ = sink;
    TopStrip_.SetSink(sink);
    BottomStrip_.SetSink(sink);
    for (auto& s : Screens_)
        if (s) s->SetSink(sink);
    if (Hints_ && Hints_->Attached()) Hints_->Attach(sink, 0, InnerWidth_, 0);
    if (!sink) return;
    sink->PlaceChanged(TopStrip_);
    sink->PlaceChanged(BottomStrip_);
    for (auto& s : Screens_)
        if (s) sink->PlaceChanged(*s);
    RepaintScreens();
}

TSignalScreen* TScopeCRT::Screen(int n) const {
    if (n < 1 || n > MaxScreens) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    return Screens_[static_cast<std::size_t>(n - 1)].get();
}

TGraticLayer* TScopeCRT::GraticuleLayer(int n) const {
    if (n < 1 || n > MaxScreens) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    return Graticules_[static_cast<std::size_t>(n - 1)].get();
}

void TScopeCRT::PlacePanel(int left, int top, int height, int width) {
    Left_ = left;
    Top_ = top;
    InnerWidth_ = std::max(0, width - 4);
    InnerHeight_ = std::max(0, height - 4);
    ComputeLayout();
    RebuildScreens();
}

void TScopeCRT::ComputeLayout() {
    Layout_ = ComputeScreenLayout(ScreenMode_, InnerWidth_, InnerHeight_);
    // The top strip takes the panel's width (with the margin it has at the narrowest) and spreads its
    // cells over it; in a panel too narrow for that margin the strip ends two pixels inside the panel
    // and squeezes its cells. A new width starts it empty, for its texts to be shown again in their new
    // places.
    const int stripWidth =
        InnerWidth_ - TopStripRightMargin >= TopStripWidth
            ? InnerWidth_ - TopStripRightMargin
            : std::max(std::min(TopStripWidth, InnerWidth_ - TopStripLeft - 2), TopStripLeft + 1);
    if (stripWidth != TopStrip_.Width()) {
        TopStrip_.Resize(TopStripLeft, TopStripTop, stripWidth, TopStripHeight);
        TopStrip_.Clear();
        TopStrip_.ResetShown();
        TopStripResized_ = true;
    }
    TopStrip_.SetVisible(Layout_.TopStripShown);
    // The bottom strip ends two pixels inside a panel too narrow for its grids, and squeezes them.
    BottomStrip_.FitWidth(InnerWidth_ - BottomStrip_.Left() - 2);
    BottomStrip_.MoveTo(BottomStrip_.Left(), Layout_.BottomStripTop);
    BottomStrip_.SetVisible(Layout_.BottomStripShown && Layout_.ScreenCount > 0);
    if (Hints_) Hints_->Attach(Layout_.TopStripShown ? Sink_ : nullptr, 0, InnerWidth_, 0);
}

void TScopeCRT::RebuildScreens() {
    bool rebuilt = false;
    for (int n = 1; n <= MaxScreens; ++n) {
        const auto i = static_cast<std::size_t>(n - 1);
        auto& screen = Screens_[i];
        const bool wanted = n <= Layout_.ScreenCount;
        if (screen && (!wanted || screen->Height() != Layout_.Height[i] || screen->Width() != Layout_.Width[i])) {
            screen->BeginUpdate();
            FreeScreenLayers(n);
            screen->EndUpdate();
            screen.reset();
            rebuilt = true;
        }
        if (!wanted) continue;
        if (!screen) {
            screen = std::make_unique<TSignalScreen>(Sink_, n == Layout_.XYScreen);
            screen->SetColor(Background_);
            screen->Resize(Layout_.Left[i], Layout_.Top[i], Layout_.Width[i], Layout_.Height[i]);
            screen->Clear();
            CreateGraticuleLayer(n);
            if (n != Layout_.XYScreen) screen->SetIntensifiedRanges(Ranges_[0], Ranges_[1], Ranges_[2], Ranges_[3]);
            rebuilt = true;
        } else {
            screen->MoveTo(Layout_.Left[i], Layout_.Top[i]);
        }
    }
    // Stopped, nothing would draw the traces again until the next run.
    if (!rebuilt) return;
    RedrawFreedLayers();
    const int xy = Layout_.XYScreen;
    if (xy != 0 && Screen(xy) && !Layers_.Layer(XYLayerSlot) && !AcquisitionRunning() && Program_.RedrawXYLayer)
        Program_.RedrawXYLayer();
}

bool TScopeCRT::OnTimeScreen(int n) const {
    const int s = ScreenOfSource_[static_cast<std::size_t>(n)];
    return s >= 1 && s <= Layout_.TimeScreenCount && Screen(s);
}

void TScopeCRT::RedrawFreedLayers() {
    if (AcquisitionRunning() || !Program_.RedrawSignalLayer) {
        // The next pass draws every trace.
        Freed_.fill(-1);
        return;
    }
    // A trace whose source has no time screen in this format waits for one.
    for (int s = 0; s < SignalRecordCount; ++s) {
        const int style = Freed_[static_cast<std::size_t>(s)];
        if (style < 0 || !OnTimeScreen(s)) continue;
        Freed_[static_cast<std::size_t>(s)] = -1;
        Program_.RedrawSignalLayer(s, style);
    }
}

void TScopeCRT::FreeScreenLayers(int n) {
    TSignalScreen* screen = Screen(n);
    if (!screen) return;
    screen->BeginUpdate();
    auto& grid = Graticules_[static_cast<std::size_t>(n - 1)];
    if (grid) {
        grid->Erase();
        grid->Unregister();
        grid.reset();
    }
    for (int s = 0; s <= XYLayerSlot; ++s) {
        TParentSignalLayer* layer = Layers_.Layer(s);
        if (!layer || layer->GetScreen() != screen) continue;
        Freed_[static_cast<std::size_t>(s)] = StyleOf(layer);
        if (s == XYLayerSlot) FreeXYLayer();
        else FreeSignalLayer(s);
    }
    FreeOverlaysOnScreen(screen);
    screen->EndUpdate();
}

void TScopeCRT::CreateGraticuleLayer(int n) {
    TSignalScreen* screen = Screen(n);
    const auto i = static_cast<std::size_t>(n - 1);
    const bool xy = n == Layout_.XYScreen;
    auto grid = std::make_unique<TGraticLayer>("Grig_Scr" + std::to_string(n), xy, slGraticule, screen->Height(),
                                               screen->Width() - (xy ? 0 : ScreenMargin));
    grid->SetSignalScreenAndRegisterSelfInIt(screen);
    grid->SetLayerColorAndOpacity(GraticuleColour_.WithAlpha(0xFF));
    grid->SetDivisionCount(Layout_.Divisions[i]);
    grid->SetStyle(GraticuleStyle_[i]);
    Graticules_[i] = std::move(grid);
}

void TScopeCRT::SetScreenMode(int mode) {
    if (mode < 0 || mode >= ScreenFormatCount) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    if (Program_.BreakAcquisition) Program_.BreakAcquisition();
    ScreenMode_ = mode;
    ComputeLayout();
    // The sources' screens in the new format before the rebuild draws the freed traces on them.
    if (Layout_.TimeScreenCount < 2) ScreenOfSource_.fill(static_cast<std::uint8_t>(Layout_.TimeScreenCount));
    RebuildScreens();
    YTFactor_ = (mode == 1 || mode == 4) ? 2 : (mode == 2 || mode == 5) ? 4 : 1;
    XYFactor_ = mode == 3 ? 1 : 2;
}

void TScopeCRT::FreeAllScreens() {
    for (int n = 1; n <= MaxScreens; ++n) {
        auto& screen = Screens_[static_cast<std::size_t>(n - 1)];
        if (!screen) continue;
        screen->BeginUpdate();
        FreeScreenLayers(n);
        screen->EndUpdate();
        screen.reset();
    }
}

void TScopeCRT::RecreateScreens() {
    FreeAllScreens();
    // A clear of the display stays clear, also for the traces waiting for a screen.
    Freed_.fill(-1);
    const auto keep = Program_.RedrawSignalLayer;
    const auto keepXY = Program_.RedrawXYLayer;
    Program_.RedrawSignalLayer = nullptr;
    Program_.RedrawXYLayer = nullptr;
    RebuildScreens();
    Program_.RedrawSignalLayer = keep;
    Program_.RedrawXYLayer = keepXY;
}

void TScopeCRT::SetGraticuleStyle(int screen, int style) {
    if (screen < 1 || screen > MaxScreens) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    GraticuleStyle_[static_cast<std::size_t>(screen - 1)] = style;
    if (TGraticLayer* grid = GraticuleLayer(screen)) grid->SetStyle(style);
}

void TScopeCRT::SetColors(bool isBackground, TColor colour) {
    const TColor rgb(colour.Value & 0xFFFFFF);
    if (isBackground) {
        if (rgb == Background_) return;
        Background_ = rgb;
        TopStrip_.SetColor(rgb);
        BottomStrip_.SetColor(rgb);
        for (auto& s : Screens_)
            if (s) s->SetColor(rgb);
        return;
    }
    if (rgb == GraticuleColour_) return;
    GraticuleColour_ = rgb;
    for (auto& g : Graticules_)
        if (g) g->SetLayerColorAndOpacity(rgb.WithAlpha(0xFF));
}

void TScopeCRT::SetOnTop(int slot) {
    for (auto& s : Screens_)
        if (s) s->SetOnTop(slot);
}

void TScopeCRT::SetIntensifiedRanges(int lenA, int startA, int startB, int lenB) {
    const std::array<int, 4> r = {lenA, startA, startB, lenB};
    if (r == Ranges_) return;
    Ranges_ = r;
    // The XY screen has no time axis: ranges there would recolour the XY trace.
    for (int n = 1; n <= MaxScreens; ++n)
        if (TSignalScreen* s = Screen(n); s && n != Layout_.XYScreen) s->SetIntensifiedRanges(lenA, startA, startB, lenB);
    if (!AcquisitionRunning()) {
        RefreshSignalLayer(ssCh1);
        RefreshSignalLayer(ssCh2);
    }
}

void TScopeCRT::RefreshSignalLayer(int source) {
    if (TParentSignalLayer* layer = Layers_.Layer(source)) layer->Refresh();
}

void TScopeCRT::UpdateClock() {
    // Hundredths of a second, rounded as the system rounds: 12,346 ms reads 1235.
    Clock_ = static_cast<std::uint32_t>(RoundHalfEven(static_cast<double>(Program_.ClockMs() - ClockStart_) / 10));
}

void TScopeCRT::AgePersistence() {
    UpdateClock();
    for (int n = 0; n <= XYLayerSlot; ++n)
        if (auto* layer = dynamic_cast<TPersistSignalLayer*>(Layers_.Layer(n))) layer->AgeCells(false);
}

void TScopeCRT::RepaintScreens() {
    for (auto& s : Screens_)
        if (s) s->InvalidateAll();
    TopStrip_.InvalidateAll();
    BottomStrip_.InvalidateAll();
}

// ---------------------------------------------------------------------------------------------------
template <class TLayer>
TParentSignalLayer* TScopeCRT::GetSignalLayer(int n, const char* prefix) {
    if (n < 0 || n >= SignalRecordCount) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    TParentSignalLayer* layer = Layers_.Layer(n);
    if (layer && dynamic_cast<TLayer*>(layer)) return layer;
    if (layer) FreeSignalLayer(n);
    // A time trace has no place on the XY screen: its columns start right of the margin.
    if (!OnTimeScreen(n)) return nullptr;
    TSignalScreen* screen = Screen(ScreenOfSource_[static_cast<std::size_t>(n)]);
    Layers_.SetLayer(n, std::make_unique<TLayer>(prefix + SourceShortName(n), false, SourceToSlot[static_cast<std::size_t>(n)],
                                                 screen->Height(), screen->Width() - ScreenMargin));
    AttachSignalLayer(n);
    return Layers_.Layer(n);
}

TParentSignalLayer* TScopeCRT::DotLayer(int n) { return GetSignalLayer<TSimpleSignalLayer>(n, "Dot_Layer_"); }

TParentSignalLayer* TScopeCRT::VectorLayer(int n) { return GetSignalLayer<TVectorSignalLayer>(n, "Vect_Layer_"); }

TParentSignalLayer* TScopeCRT::StyleLayer(int n, int style) {
    if (style == StyleVectors) return VectorLayer(n);
    if (style >= StylePersistence && style < StyleGrading) return PersistLayer(n);
    if (style >= StyleGrading && style < StyleCount) return ColorGradeLayer(n);
    return DotLayer(n);
}

void TScopeCRT::AttachSignalLayer(int n, bool keepSource) {
    TParentSignalLayer* layer = Layers_.Layer(n);
    if (!layer) return;
    if (!keepSource) layer->SetSource(n);
    layer->SetSignalScreenAndRegisterSelfInIt(Screen(ScreenOfSource_[static_cast<std::size_t>(n)]));
    layer->SetLayerColorAndOpacity(SourceColor(n).WithAlpha(0xFF));
}

TParentSignalLayer* TScopeCRT::XYDotLayer() { return GetXYLayer<TSimpleSignalLayer>("Dot_XY-Layer"); }

template <class TLayer>
TLayer* TScopeCRT::GetXYLayer(const char* name) {
    const int xy = Layout_.XYScreen;
    if (xy == 0 || !Screen(xy)) VT_INTERNAL_ERROR(ScopeCRTUnitName, "XY-Screen is absent");
    TParentSignalLayer* layer = Layers_.Layer(XYLayerSlot);
    if (auto* wanted = dynamic_cast<TLayer*>(layer)) return wanted;
    if (layer) FreeXYLayer();
    TSignalScreen* screen = Screen(xy);
    auto created = std::make_unique<TLayer>(name, true, slCh1, screen->Height(), screen->Width());
    TLayer* typed = created.get();
    Layers_.SetLayer(XYLayerSlot, std::move(created));
    typed->SetSource(ssXY);
    typed->SetSignalScreenAndRegisterSelfInIt(screen);
    typed->SetLayerColorAndOpacity(SourceColor(ssXY).WithAlpha(0xFF));
    return typed;
}

bool TScopeCRT::IsSignalOnScreen(int n, int screen) const {
    const TParentSignalLayer* layer = Layers_.Layer(n);
    return layer && screen >= 1 && screen <= MaxScreens && layer->GetScreen() == Screen(screen) && layer->GetScreen();
}

void TScopeCRT::FreeSignalLayer(int n) {
    if (n < 0 || n >= SignalRecordCount) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    TParentSignalLayer* layer = Layers_.Layer(n);
    if (!layer) return;
    layer->Erase();
    if (layer->GetScreen()) layer->Unregister();
    ForgetSourceLayer(layer, true);
    Layers_.FreeLayer(n);
}

void TScopeCRT::FreeXYLayer() {
    TParentSignalLayer* layer = Layers_.Layer(XYLayerSlot);
    if (!layer) return;
    layer->Erase();
    if (layer->GetScreen()) layer->Unregister();
    ForgetSourceLayer(layer, false);
    Layers_.FreeLayer(XYLayerSlot);
}

void TScopeCRT::FreeLayerOfSource(int n) {
    if (n >= 0 && n < SignalRecordCount) {
        // A trace cleared on purpose does not come back with a screen.
        Freed_[static_cast<std::size_t>(n)] = -1;
        FreeSignalLayer(n);
    } else if (n == ssXY) FreeXYLayer();
    else if (n == ssHist) FreeHistLayer();
}

void TScopeCRT::MoveSignalToScreen(int n, int screen) {
    if (n < 0 || n >= ScreenEntryCount) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    screen = std::clamp(screen, 0, Layout_.TimeScreenCount);
    const int old = ScreenOfSource_[static_cast<std::size_t>(n)];
    if (old != 0 && old != screen) {
        if (n < SignalRecordCount) {
            if (const int style = StyleOf(Layers_.Layer(n)); style >= 0) Freed_[static_cast<std::size_t>(n)] = style;
            FreeSignalLayer(n);
        } else if (n == ssHist) {
            FreeHistLayer();
        } else if (n == ssDB) {
            FreeDatabaseLayer();
        }
    }
    ScreenOfSource_[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(screen);
    // Stopped, nothing would draw the moved trace on its new screen until the next run.
    if (n < SignalRecordCount) RedrawFreedLayers();
}

// ---------------------------------------------------------------------------------------------------
// Persistence and colour grading.

template <class TLayer>
TLayer* TScopeCRT::GetHistoryLayer(int n, const char* prefix) {
    if (n >= 0 && n < SignalRecordCount)
        if (auto* existing = dynamic_cast<TLayer*>(Layers_.Layer(n))) return existing;
    auto* layer = static_cast<TLayer*>(GetSignalLayer<TLayer>(n, prefix));
    if (layer) SetUpHistoryLayer(n, *layer);
    return layer;
}

TPersistSignalLayer* TScopeCRT::PersistLayer(int n) { return GetHistoryLayer<TPersistSignalLayer>(n, "Pers.Layer_"); }

TColorGrSignalLayer* TScopeCRT::ColorGradeLayer(int n) {
    return GetHistoryLayer<TColorGrSignalLayer>(n, "ColorGrad.Layer_");
}

TPersistSignalLayer* TScopeCRT::XYPersistLayer() {
    const bool existed = dynamic_cast<TPersistSignalLayer*>(Layers_.Layer(XYLayerSlot)) != nullptr;
    TPersistSignalLayer* layer = GetXYLayer<TPersistSignalLayer>("Persist_XY-Layer");
    if (!existed) SetUpHistoryLayer(XYLayerSlot, *layer);
    return layer;
}

TColorGrSignalLayer* TScopeCRT::XYColorGradeLayer() {
    const bool existed = dynamic_cast<TColorGrSignalLayer*>(Layers_.Layer(XYLayerSlot)) != nullptr;
    TColorGrSignalLayer* layer = GetXYLayer<TColorGrSignalLayer>("ColorGrad_XY-Layer");
    if (!existed) SetUpHistoryLayer(XYLayerSlot, *layer);
    return layer;
}

TParentSignalLayer* TScopeCRT::XYStyleLayer(int style) {
    if (style >= StylePersistence && style < StyleGrading) return XYPersistLayer();
    if (style >= StyleGrading && style < StyleCount) return XYColorGradeLayer();
    return XYDotLayer();
}

void TScopeCRT::SetUpHistoryLayer(int n, TPersistSignalLayer& layer) {
    // The clock stands still while no layer keeps time: a new one starts on the time of now.
    UpdateClock();
    layer.SetClockSource(&Clock_);
    layer.SetPersistTime(PersistTime[static_cast<std::size_t>(n)]);
}

void TScopeCRT::SetUpHistoryLayer(int n, TColorGrSignalLayer& layer) {
    UpdateClock();
    layer.SetClockSource(&Clock_);
    layer.SetRefreshTime(GradeRefreshTime[static_cast<std::size_t>(n)]);
    ApplyColorGradePalette(layer, PaletteChoice[static_cast<std::size_t>(n)], SourceColor(n == XYLayerSlot ? ssXY : n));
}

void TScopeCRT::ApplyColorGradePalette(TColorGrSignalLayer& layer, int choice, TColor colour) {
    for (int k = 1; k <= GradeCount; ++k) {
        const TColor c = choice != 0
                             ? ColorWithLuminance(TColor(colour.Value & 0xFFFFFF), GrayScaleLuminances[static_cast<std::size_t>(k - 1)])
                             : TColor(GradeColors[static_cast<std::size_t>(k)]);
        layer.SetGradeColor(k, c);
    }
}

void TScopeCRT::RepaintGradeLayer(int n) {
    auto* layer = dynamic_cast<TColorGrSignalLayer*>(Layers_.Layer(n));
    if (!layer) return;
    ApplyColorGradePalette(*layer, PaletteChoice[static_cast<std::size_t>(n)], SourceColor(n == XYLayerSlot ? ssXY : n));
    // The cells already shown take the new grade colours too.
    layer->Repaint();
}

void TScopeCRT::SetPersistTime(int n, double seconds) {
    CheckHistoryEntry(n);
    PersistTime[static_cast<std::size_t>(n)] = seconds;
    if (auto* layer = dynamic_cast<TPersistSignalLayer*>(Layers_.Layer(n))) layer->SetPersistTime(seconds);
}

void TScopeCRT::SetColorGradeParam(int n, double seconds) {
    CheckHistoryEntry(n);
    GradeRefreshTime[static_cast<std::size_t>(n)] = seconds;
    if (auto* layer = dynamic_cast<TColorGrSignalLayer*>(Layers_.Layer(n))) layer->SetRefreshTime(seconds);
}

void TScopeCRT::SetColorGradeStyle(int n, int choice) {
    CheckHistoryEntry(n);
    PaletteChoice[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(choice);
    RepaintGradeLayer(n);
}

void TScopeCRT::SetGradeLevel(int k, TColor colour) {
    if (k < 1 || k > GradeCount) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Range check error");
    GradeColors[static_cast<std::size_t>(k)] = colour.Value & 0xFFFFFF;
    for (int n = 0; n <= XYLayerSlot; ++n) RepaintGradeLayer(n);
}

// ---------------------------------------------------------------------------------------------------
// Screen colours.

TColor TScopeCRT::ElementColor(int element) const {
    return Program_.Colors ? Program_.Colors->ElementColor(element) : TraceColor(element);
}

TColor TScopeCRT::SourceColor(int n) const {
    return Program_.Colors ? Program_.Colors->SourceColor(n) : vt::SourceColor(n);
}

TScreenLayer* TScopeCRT::LayerOfKind(int kind) const {
    if (kind >= 0 && kind < SignalRecordCount) return Layers_.Layer(kind);
    if (kind == SourceToColorIndex(ssXY)) return Layers_.Layer(XYLayerSlot);
    // 16-19: the overlay layers; the database (14) has no layer of its own.
    return OverlayLayerOfKind(kind);
}

void TScopeCRT::ApplyLayerColor(int kind) {
    if (kind == ceGraticule || kind == ceBackground) {
        SetColors(kind == ceBackground, ElementColor(kind));
        return;
    }
    TScreenLayer* layer = LayerOfKind(kind);
    if (!layer || !layer->GetScreen()) return;
    // The eye markers and the mask errors are drawn opaque whatever their setting's opacity.
    const bool opaque = kind == 16 || kind == 19;
    layer->SetLayerColorAndOpacity(opaque ? ElementColor(kind).WithAlpha(0xFF) : ElementColor(kind));
    // The gray-scale shades are made from the trace colour.
    if (kind < SignalRecordCount) RepaintGradeLayer(kind);
    else if (kind == SourceToColorIndex(ssXY)) RepaintGradeLayer(XYLayerSlot);
}

}  // namespace vt
