// The panel's get-or-create operations of the overlay layers.
#include "display/OverlayLayers.h"

#include <algorithm>
#include <string>

#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/Numeric.h"
#include "display/DisplayPanel.h"
#include "display/ScreenColors.h"

namespace vt {

namespace {
constexpr int EyeMarkersElement = 16;
constexpr int HistogramElement = 17;
constexpr int MaskTemplateElement = 18;
constexpr int MaskErrorsElement = 19;

void CheckMarker(int m) {
    if (m != 1 && m != 2) VT_INTERNAL_ERROR(ScopeCRTUnitName, "??? Bad marker Number !!!");
}

std::size_t Index(int m) { return static_cast<std::size_t>(m - 1); }

void EraseAndUnregister(TScreenLayer& layer) {
    layer.Erase();
    if (layer.GetScreen()) layer.Unregister();
}
}  // namespace

TMarkerLayer::TMarkerLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TScreenLayer(std::move(name), marginFlag, slot, rows, columns) {
    Grabbable = !marginFlag;
}

int TMarkerLayer::ScreenXToCell(int x) const {
    const double v = static_cast<double>(MaxX()) * x / 4000.0;
    if (v <= 0.5) return 1;
    if (v >= MaxX()) return MaxX() - 1;
    return static_cast<int>(RoundHalfEven(v));
}

int TMarkerLayer::ScreenYToCell(int y) const {
    const auto row = static_cast<int>(RoundHalfEven((1024.0 - y) / 1024.0 * MaxY()));
    return std::clamp(row, 1, std::max(1, MaxY() - 1));
}

int TMarkerLayer::CellToScreenX(int column) const {
    if (MaxX() < 1) return 0;
    column = std::clamp(column, 1, std::max(1, MaxX() - 1));
    return static_cast<int>(RoundHalfEven(static_cast<double>(column) / MaxX() * 4000.0));
}

int TMarkerLayer::CellToScreenY(int row) const {
    if (MaxY() < 1) return 1;
    const double v = (1.0 - static_cast<double>(row) / MaxY()) * 1024.0;
    if (v <= 0) return 1;
    if (v >= 1024) return 1023;
    return static_cast<int>(RoundHalfEven(v));
}

void TMarkerLayer::DrawCell(int x, int y) {
    if (Cell(x, y) == 1) return;
    SetCell(x, y, 1);
    SetPixel(x, y);
}

void TMarkerLayer::ClearCell(int x, int y) {
    if (Cell(x, y) == 0) return;
    SetCell(x, y, 0);
    ClearPixel(x, y);
}

void TMarkerLayer::Outline(bool draw) {
    if (BoxLeft_ == 0) return;
    const auto [x0, x1] = std::minmax(BoxLeft_, BoxRight_);
    const auto [y0, y1] = std::minmax(BoxTop_, BoxBottom_);
    for (int x = x0; x <= x1; ++x)
        for (int y : {y0, y1}) draw ? DrawCell(x, y) : ClearCell(x, y);
    for (int y = y0; y <= y1; ++y)
        for (int x : {x0, x1}) draw ? DrawCell(x, y) : ClearCell(x, y);
}

void TMarkerLayer::SetBox(int left, int top, bool force, int bottom, int right) {
    if (!force && left == BoxLeft_ && top == BoxTop_ && bottom == BoxBottom_ && right == BoxRight_) return;
    BeginUpdate();
    Outline(false);
    BoxLeft_ = left;
    BoxTop_ = top;
    BoxBottom_ = bottom;
    BoxRight_ = right;
    Outline(true);
    EndUpdate();
}

int TScopeCRT::MarkerSlot(int m) {
    CheckMarker(m);
    return m == 1 ? slMarker1 : slMarker2;
}

int TScopeCRT::AnnotationSlot(int m) {
    if (m != 1 && m != 2) VT_INTERNAL_ERROR(ScopeCRTUnitName, "??? Bad Annotation Number !!!");
    return m == 1 ? slAnnotation1 : slAnnotation2;
}

int TScopeCRT::SourceScreenOf(int n) const {
    if (n == ssXY) return Layout_.XYScreen;
    if (n < 0 || n >= ScreenEntryCount) return 0;
    return ScreenOfSource_[static_cast<std::size_t>(n)];
}

TScreenLayer* TScopeCRT::SourceLayerOf(int n) const {
    return n >= 0 && n <= XYLayerSlot ? Layers_.Layer(n) : nullptr;
}

std::unique_ptr<TMarkerLayer> TScopeCRT::MakeOverlay(TOverlayClass kind, const std::string& name, int slot, int s) {
    const TOverlayFactory& factory = Overlays_.Classes.Factory(kind);
    if (!factory || s < 1 || s > MaxScreens) return nullptr;
    TSignalScreen* screen = Screen(s);
    if (!screen) return nullptr;
    const bool xy = s == Layout_.XYScreen;
    auto layer = factory(name, xy, slot, screen->Height(), screen->Width() - (xy ? 0 : ScreenMargin));
    if (layer) layer->SetSignalScreenAndRegisterSelfInIt(screen);
    return layer;
}

void TScopeCRT::FreeOverlay(TOverlaySlot& overlay) {
    if (!overlay.Layer) return;
    EraseAndUnregister(*overlay.Layer);
    overlay.Layer.reset();
    overlay.Class = TOverlayClass::Count;
    overlay.Screen = 0;
}

// ------------------------------------------------------------------------------------ histogram

THistLayer* TScopeCRT::HistLayer() {
    if (Overlays_.Hist) return Overlays_.Hist.get();
    const int s = ScreenOfSource_[ssHist];
    if (s == 0 || s > MaxScreens) return nullptr;
    TSignalScreen* screen = Screen(s);
    if (!screen) return nullptr;
    const bool xy = s == Layout_.XYScreen;
    Overlays_.Hist = std::make_unique<THistLayer>("Hist Layer", false, slHistogram, screen->Height(),
                                                  screen->Width() - (xy ? 0 : ScreenMargin));
    Overlays_.Hist->SetSignalScreenAndRegisterSelfInIt(screen);
    Overlays_.Hist->SetLayerColorAndOpacity(SourceColor(ssHist));
    return Overlays_.Hist.get();
}

void TScopeCRT::FreeHistLayer() {
    if (!Overlays_.Hist) return;
    EraseAndUnregister(*Overlays_.Hist);
    Overlays_.Hist.reset();
}

// -------------------------------------------------------------------------------------- markers

TMarkerLayer* TScopeCRT::MarkerLayer(int m) const {
    CheckMarker(m);
    return Overlays_.Markers[Index(m)].Layer.get();
}

bool TScopeCRT::IsMarkerBound(int m, int n) const {
    const TOverlaySlot& marker = Overlays_.Markers[Index((CheckMarker(m), m))];
    if (!marker.Layer) return false;
    const TScreenLayer* source = SourceLayerOf(n);
    return marker.Screen == SourceScreenOf(n) && source && marker.Layer->SourceLayer() == source;
}

void TScopeCRT::AttachMarkerLayer(int m, int n) {
    TMarkerLayer* layer = MarkerLayer(m);
    if (!layer) return;
    layer->SetSourceLayer(SourceLayerOf(n));
    layer->SetFirstMarker(m == 1);
    layer->SetSignalScreenAndRegisterSelfInIt(Screen(Overlays_.Markers[Index(m)].Screen));
    layer->SetLayerColorAndOpacity(SourceColor(n).WithAlpha(0xFF));
}

void TScopeCRT::FreeMarkerLayer(int m) { FreeOverlay(Overlays_.Markers[Index((CheckMarker(m), m))]); }

TMarkerLayer* TScopeCRT::SingleOverlay(TOverlayClass kind, int n, const char* name) {
    TOverlaySlot& first = Overlays_.Markers[0];
    if (first.Layer && first.Class == kind && IsMarkerBound(1, n)) return first.Layer.get();
    FreeMarkerLayer(1);
    FreeMarkerLayer(2);
    if (kind == TOverlayClass::HistWindow && !Overlays_.Hist) return nullptr;
    const int s = SourceScreenOf(n);
    if (s == 0 || !SourceLayerOf(n)) return nullptr;
    first.Layer = MakeOverlay(kind, name, MarkerSlot(1), s);
    if (!first.Layer) return nullptr;
    first.Class = kind;
    first.Screen = s;
    AttachMarkerLayer(1, n);
    if (kind == TOverlayClass::EyeParams) first.Layer->SetLayerColorAndOpacity(ElementColor(EyeMarkersElement).WithAlpha(0xFF));
    return first.Layer.get();
}

TMarkerLayer* TScopeCRT::HistWindowLayer(int n) { return SingleOverlay(TOverlayClass::HistWindow, n, "HistWind Layer"); }

TMarkerLayer* TScopeCRT::MeasParamsLayer(int n) {
    return SingleOverlay(TOverlayClass::MeasParams, n, "Meas Params Layer");
}

TMarkerLayer* TScopeCRT::FftMeasParamsLayer(int n) {
    return SingleOverlay(TOverlayClass::FftMeasParams, n, "Meas Params Layer");
}

TMarkerLayer* TScopeCRT::EyeParamsLayer(int n) { return SingleOverlay(TOverlayClass::EyeParams, n, "Eye Params Layer"); }

TMarkerLayer* TScopeCRT::TdrMarginsLayer(int n) {
    return SingleOverlay(TOverlayClass::TdrMargins, n, "TDR Meas Margins Layer");
}

TMarkerLayer* TScopeCRT::MarkerOverlay(TOverlayClass kind, int m, int n, const char* prefix) {
    CheckMarker(m);
    TOverlaySlot& marker = Overlays_.Markers[Index(m)];
    if (marker.Layer && marker.Class == kind && IsMarkerBound(m, n)) return marker.Layer.get();
    FreeMarkerLayer(m);
    const int s = SourceScreenOf(n);
    if (s == 0 || !SourceLayerOf(n)) return nullptr;
    marker.Layer = MakeOverlay(kind, prefix + std::to_string(m) + " Layer", MarkerSlot(m), s);
    if (!marker.Layer) return nullptr;
    marker.Class = kind;
    marker.Screen = s;
    AttachMarkerLayer(m, n);
    return marker.Layer.get();
}

TMarkerLayer* TScopeCRT::XMarkerLayer(int m, int n) { return MarkerOverlay(TOverlayClass::XMarker, m, n, "X_Mrk"); }

TMarkerLayer* TScopeCRT::YMarkerLayer(int m, int n) { return MarkerOverlay(TOverlayClass::YMarker, m, n, "Y_Mrk"); }

TMarkerLayer* TScopeCRT::XYMarkerLayer(int m, int n) { return MarkerOverlay(TOverlayClass::XYMarker, m, n, "XY_Mrk"); }

// ---------------------------------------------------------------------------------- annotations

TMarkerLayer* TScopeCRT::ExistingAnnotationLayer(int m) const {
    if (m != 1 && m != 2) VT_INTERNAL_ERROR(ScopeCRTUnitName, "??? Bad Annotation Number !!!");
    return Overlays_.Annotations[Index(m)].Layer.get();
}

TMarkerLayer* TScopeCRT::AnnotationLayer(int m, int n) {
    const int slot = AnnotationSlot(m);
    TOverlaySlot& ann = Overlays_.Annotations[Index(m)];
    const TScreenLayer* source = SourceLayerOf(n);
    if (ann.Layer && ann.Screen == SourceScreenOf(n) && source && ann.Layer->SourceLayer() == source)
        return ann.Layer.get();
    FreeAnnotationLayer(m);
    const int s = SourceScreenOf(n);
    if (s == 0 || !source) return nullptr;
    const std::string name = "Ann.Lyr" + std::to_string(m) + "_" + (n == ssXY ? std::string("XY") : SourceShortName(n));
    ann.Layer = MakeOverlay(TOverlayClass::Annotation, name, slot, s);
    if (!ann.Layer) return nullptr;
    ann.Class = TOverlayClass::Annotation;
    ann.Screen = s;
    ann.Layer->SetSourceLayer(SourceLayerOf(n));
    ann.Layer->SetFirstMarker(m == 1);
    return ann.Layer.get();
}

void TScopeCRT::FreeAnnotationLayer(int m) {
    if (m != 1 && m != 2) VT_INTERNAL_ERROR(ScopeCRTUnitName, "??? Bad Annot. Number !!!");
    FreeOverlay(Overlays_.Annotations[Index(m)]);
}

// ----------------------------------------------------------------------------------------- masks

TMarkerLayer* TScopeCRT::MaskLayer(int n) {
    TOverlaySlot& mask = Overlays_.Mask;
    const int s = SourceScreenOf(n);
    if (mask.Layer && mask.Screen == s) return mask.Layer.get();
    FreeMaskLayer();
    if (s == 0 || s == Layout_.XYScreen) return nullptr;
    mask.Layer = MakeOverlay(TOverlayClass::Mask, "Mask Layer", slMaskTemplate, s);
    if (!mask.Layer) return nullptr;
    mask.Class = TOverlayClass::Mask;
    mask.Screen = s;
    mask.Layer->SetSourceLayer(SourceLayerOf(n));
    mask.Layer->SetLayerColorAndOpacity(ElementColor(MaskTemplateElement));
    return mask.Layer.get();
}

void TScopeCRT::FreeMaskLayer() {
    FreeMaskErrorLayer();
    FreeOverlay(Overlays_.Mask);
}

TMarkerLayer* TScopeCRT::MaskErrorLayer(int n) {
    TOverlaySlot& errors = Overlays_.MaskError;
    const int s = SourceScreenOf(n);
    const TScreenLayer* source = SourceLayerOf(n);
    if (errors.Layer && errors.Screen == s && source && errors.Layer->SourceLayer() == source) return errors.Layer.get();
    FreeMaskErrorLayer();
    if (s == 0 || !source) return nullptr;
    errors.Layer = MakeOverlay(TOverlayClass::MaskError, "MaskError Layer", slMaskErrors, s);
    if (!errors.Layer) return nullptr;
    errors.Class = TOverlayClass::MaskError;
    errors.Screen = s;
    errors.Layer->SetSourceLayer(SourceLayerOf(n));
    errors.Layer->SetFirstMarker(true);
    errors.Layer->SetLayerColorAndOpacity(ElementColor(MaskErrorsElement).WithAlpha(0xFF));
    return errors.Layer.get();
}

void TScopeCRT::FreeMaskErrorLayer() { FreeOverlay(Overlays_.MaskError); }

TMarkerLayer* TScopeCRT::MaskEditLayer(int n) {
    TOverlaySlot& edit = Overlays_.MaskEdit;
    const int s = SourceScreenOf(n);
    if (edit.Layer && edit.Screen == s) return edit.Layer.get();
    FreeMaskEditLayer();
    if (s == 0 || s == Layout_.XYScreen) return nullptr;
    edit.Layer = MakeOverlay(TOverlayClass::MaskEdit, "Mask Edit Layer", slMaskEdit, s);
    if (!edit.Layer) return nullptr;
    edit.Class = TOverlayClass::MaskEdit;
    edit.Screen = s;
    edit.Layer->SetSourceLayer(SourceLayerOf(n));
    // Opaque red: the colour of the polygons not selected.
    edit.Layer->SetLayerColorAndOpacity(TColor(0xFF0000FFu));
    return edit.Layer.get();
}

void TScopeCRT::FreeMaskEditLayer() { FreeOverlay(Overlays_.MaskEdit); }

// ----------------------------------------------------------------------------------------- frame

TFrameLayer* TScopeCRT::FrameLayer(TSignalScreen* screen) {
    int s = 0;
    for (int k = 1; k <= MaxScreens; ++k)
        if (screen && Screen(k) == screen) s = k;
    if (s == 0) VT_INTERNAL_ERROR(ScopeCRTUnitName, "Scr not found");
    if (Overlays_.Frame && Overlays_.FrameScreen == s) return Overlays_.Frame.get();
    ClearFrameLayer(true);
    if (s == Layout_.XYScreen) VT_INTERNAL_ERROR(ScopeCRTUnitName, "For XY - nizzja!");
    Overlays_.Frame = std::make_unique<TFrameLayer>("Frame_Layer", false, slZoomFrame, screen->Height(),
                                                    screen->Width() - ScreenMargin);
    Overlays_.FrameScreen = s;
    Overlays_.Frame->SetSignalScreenAndRegisterSelfInIt(screen);
    Overlays_.Frame->SetLayerColorAndOpacity(TColor(0xFFFFFFFFu));
    screen->SetFrameMode(true);
    return Overlays_.Frame.get();
}

void TScopeCRT::ClearFrameLayer(bool cancelDrag) {
    if (!Overlays_.Frame) return;
    if (TSignalScreen* screen = Overlays_.Frame->GetScreen()) {
        if (cancelDrag) screen->CancelFrameDrag();
        screen->SetFrameMode(false);
    }
    EraseAndUnregister(*Overlays_.Frame);
    Overlays_.Frame.reset();
    Overlays_.FrameScreen = 0;
}

// ------------------------------------------------------------------------------------ free sets

void TScopeCRT::ForgetSourceLayer(const TScreenLayer* layer, bool freeMarkers) {
    for (int m = 1; m <= 2; ++m) {
        TOverlaySlot& marker = Overlays_.Markers[Index(m)];
        if (!marker.Layer || marker.Layer->SourceLayer() != layer) continue;
        if (freeMarkers) FreeMarkerLayer(m);
        else marker.Layer->SetSourceLayer(nullptr);
    }
    // The others stay, but a layer made later at the same place must not count as the one followed.
    for (TOverlaySlot* o : {&Overlays_.Annotations[0], &Overlays_.Annotations[1], &Overlays_.Mask,
                            &Overlays_.MaskEdit, &Overlays_.MaskError})
        if (o->Layer && o->Layer->SourceLayer() == layer) o->Layer->SetSourceLayer(nullptr);
}

void TScopeCRT::FreeOverlaysOnScreen(const TSignalScreen* screen) {
    const auto on = [screen](const TScreenLayer* layer) { return layer && layer->GetScreen() == screen; };
    for (int m = 1; m <= 2; ++m)
        if (on(Overlays_.Markers[Index(m)].Layer.get())) FreeMarkerLayer(m);
    for (int m = 1; m <= 2; ++m)
        if (on(Overlays_.Annotations[Index(m)].Layer.get())) FreeAnnotationLayer(m);
    if (on(Overlays_.Hist.get())) FreeHistLayer();
    if (on(Overlays_.Mask.Layer.get())) FreeMaskLayer();
    if (on(Overlays_.MaskEdit.Layer.get())) FreeMaskEditLayer();
    if (on(Overlays_.MaskError.Layer.get())) FreeMaskErrorLayer();
    if (on(Overlays_.Frame.get())) ClearFrameLayer(true);
}

TScreenLayer* TScopeCRT::OverlayLayerOfKind(int kind) const {
    switch (kind) {
        case EyeMarkersElement: {
            const TOverlaySlot& first = Overlays_.Markers[0];
            return first.Class == TOverlayClass::EyeParams ? first.Layer.get() : nullptr;
        }
        case MaskTemplateElement: return Overlays_.Mask.Layer.get();
        case MaskErrorsElement: return Overlays_.MaskError.Layer.get();
        case HistogramElement: return Overlays_.Hist.get();
        default: return nullptr;
    }
}

}  // namespace vt
