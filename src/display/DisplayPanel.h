#pragma once
// The display panel: up to four waveform screens laid out by the screen format, each with its
// graticule, the top and bottom text strips, the screen of every source, the display clock and the
// intensified ranges; and the registry of the waveform layers that lie on its screens. The panel
// draws into its own buffers; a view (the window's widget) may watch them through the sink.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "core/Color.h"
#include "display/BottomReadoutStrip.h"
#include "display/DrawingSurfaces.h"
#include "display/PersistenceLayers.h"
#include "display/OverlayLayers.h"
#include "display/ScreenLayers.h"
#include "display/ScreenLayout.h"
#include "display/SignalLayers.h"
#include "display/SignalScreen.h"
#include "display/TopStatusStrip.h"

namespace vt {

class THintStack;
class TScreenColors;

inline constexpr std::string_view ScopeCRTUnitName = "_SHELL\\SRC\\ScopeCRT_Unit";
inline constexpr int LayerSlotCount = 16;  // 0..13 the record sources, 14 the XY layer, 15 never
inline constexpr int XYLayerSlot = 14;
inline constexpr int ScreenEntryCount = 17;  // sources 0..13, 14 XY, 15 DB, 16 Hist

// The waveform layers of the sources; owns them. Every store or free fires the change callback.
class TLayersOfSignals {
public:
    TParentSignalLayer* Layer(int n) const { return Layers_.at(static_cast<std::size_t>(n)).get(); }
    void SetLayer(int n, std::unique_ptr<TParentSignalLayer> layer);
    void FreeLayer(int n);
    // Whether the layer was drawn since it was stored.
    bool Drawn(int n) const { return Drawn_.at(static_cast<std::size_t>(n)); }
    void SetDrawn(int n) { Drawn_.at(static_cast<std::size_t>(n)) = true; }
    // Whether a layer keeps time (persistence or colour grading); asked after every idle step.
    bool HasHistoryLayers() const { return HistoryLayers_ > 0; }
    std::function<void(TLayersOfSignals&)> OnChange;

private:
    // Counts the layer in slot n as it goes (-1) or comes (+1).
    void CountHistory(int n, int change);
    std::array<std::unique_ptr<TParentSignalLayer>, LayerSlotCount> Layers_;
    int HistoryLayers_ = 0;
    std::array<bool, LayerSlotCount> Drawn_{};
};

class TScopeCRT {
public:
    // What the panel asks of the program: break a running acquisition (with post-stop processing),
    // whether acquisitions run, and the redraw of a source's record into its layer of a style.
    struct TProgram {
        std::function<void()> BreakAcquisition;
        std::function<bool()> AcquisitionRunning;
        std::function<void(int source, int style)> RedrawSignalLayer;
        // Stopped, the XY trace drawn again from the records of its axes on a new XY screen.
        std::function<void()> RedrawXYLayer;
        // Milliseconds of a monotonic clock, and its reading at the program's start (-1: the panel's).
        std::function<std::int64_t()> ClockMs;
        std::int64_t ClockStartMs = -1;
        // The colour settings; none: the default colours. Not owned.
        const TScreenColors* Colors = nullptr;
        // The one-shot timers of the bottom strip's delayed texts; none: Qt's.
        TTimerFactory Timers;
    };

    TScopeCRT(TProgram program, THintStack* hints = nullptr);
    ~TScopeCRT();
    TScopeCRT(const TScopeCRT&) = delete;
    TScopeCRT& operator=(const TScopeCRT&) = delete;

    // Where the screens and strips show; none: the buffers only.
    void SetSink(TScreenSink* sink);
    TScreenSink* Sink() const { return Sink_; }

    // Bounds of the panel; the inner size is 4 less each way. Rebuilds only the screens that change;
    // stopped, the shown sources are drawn again into rebuilt screens.
    void PlacePanel(int left, int top, int height, int width);
    void ComputeLayout();
    void RebuildScreens();
    // Whether source n's screen is a time screen of the format that exists.
    bool OnTimeScreen(int n) const;
    // Stopped, the freed traces that have a time screen drawn again from their records.
    void RedrawFreedLayers();
    void FreeScreenLayers(int n);
    void CreateGraticuleLayer(int n);
    void SetScreenMode(int mode);
    void RecreateScreens();
    void SetGraticuleStyle(int screen, int style);
    void SetColors(bool isBackground, TColor colour);
    void SetOnTop(int slot);
    void SetIntensifiedRanges(int lenA, int startA, int startB, int lenB);
    void RefreshSignalLayer(int source);
    // The clock in 1/100 s since the panel's clock began; the persistence layers age on it.
    void AgePersistence();
    bool HasHistoryLayers() const { return Layers_.HasHistoryLayers(); }
    void RepaintScreens();

    // Registry.
    TParentSignalLayer* DotLayer(int n);
    TParentSignalLayer* VectorLayer(int n);
    // By display style: 1 vectors, every other style dots until persistence and grading exist.
    TParentSignalLayer* StyleLayer(int n, int style);
    TParentSignalLayer* XYDotLayer();
    void AttachSignalLayer(int n, bool keepSource = false);
    TParentSignalLayer* SignalLayer(int n) const { return Layers_.Layer(n); }
    bool HasSignalLayer(int n) const { return Layers_.Layer(n) != nullptr; }
    bool IsSignalOnScreen(int n, int screen) const;
    void FreeSignalLayer(int n);
    void FreeXYLayer();
    void FreeLayerOfSource(int n);
    void MoveSignalToScreen(int n, int screen);
    TLayersOfSignals& LayersOfSignals() { return Layers_; }

    // Overlay layers: the histogram, the markers (marker 1 also holds the one overlay of readouts of
    // a screen), the annotations, the mask layers and the zoom frame. A getter keeps the layer while
    // it lies on the source's screen and follows the source's layer, else frees it and makes it anew.
    TOverlayClasses& OverlayClasses() { return Overlays_.Classes; }
    // Where the overlays' drags go: the settings they write and the sinks of their features.
    TOverlayDrags& OverlayDrags() { return Overlays_.Drags; }
    THistLayer* HistLayer();
    THistLayer* ExistingHistLayer() const { return Overlays_.Hist.get(); }
    void FreeHistLayer();
    static int MarkerSlot(int m);
    static int AnnotationSlot(int m);
    TMarkerLayer* MarkerLayer(int m) const;
    bool IsMarkerBound(int m, int n) const;
    TMarkerLayer* HistWindowLayer(int n);
    TMarkerLayer* MeasParamsLayer(int n);
    TMarkerLayer* FftMeasParamsLayer(int n);
    TMarkerLayer* EyeParamsLayer(int n);
    TMarkerLayer* TdrMarginsLayer(int n);
    TMarkerLayer* XMarkerLayer(int m, int n);
    TMarkerLayer* YMarkerLayer(int m, int n);
    TMarkerLayer* XYMarkerLayer(int m, int n);
    void AttachMarkerLayer(int m, int n);
    void FreeMarkerLayer(int m);
    TMarkerLayer* AnnotationLayer(int m, int n);
    TMarkerLayer* ExistingAnnotationLayer(int m) const;
    void FreeAnnotationLayer(int m);
    TMarkerLayer* MaskLayer(int n);
    void FreeMaskLayer();
    bool HasMaskLayer() const { return Overlays_.Mask.Layer != nullptr; }
    TMarkerLayer* MaskErrorLayer(int n);
    void FreeMaskErrorLayer();
    TMarkerLayer* MaskEditLayer(int n);
    void FreeMaskEditLayer();
    bool HasMaskEditLayer() const { return Overlays_.MaskEdit.Layer != nullptr; }
    TFrameLayer* FrameLayer(TSignalScreen* screen);
    TFrameLayer* ExistingFrameLayer() const { return Overlays_.Frame.get(); }
    void ClearFrameLayer(bool cancelDrag);
    // The database display is not drawn by the panel: nothing to free.
    void FreeDatabaseLayer() {}
    // The layer of screen elements 16 (eye markers), 17 (histogram), 18 (mask), 19 (mask errors);
    // any other element answers none.
    TScreenLayer* OverlayLayerOfKind(int kind) const;

    // Division factors: 8 over the divisions of a time screen and of the XY screen.
    int YTDivisionFactor() const { return YTFactor_; }
    int XYDivisionFactor() const { return XYFactor_; }
    // The factor the acquisition scales with: the XY one in the XY format.
    int VerticalCompression() const { return ScreenMode_ == 3 ? XYFactor_ : YTFactor_; }

    const TScreenLayout& Layout() const { return Layout_; }
    int InnerWidth() const { return InnerWidth_; }
    int InnerHeight() const { return InnerHeight_; }
    int ScreenMode() const { return ScreenMode_; }
    TSignalScreen* Screen(int n) const;  // 1..4
    TGraticLayer* GraticuleLayer(int n) const;
    int ScreenOfSource(int n) const { return ScreenOfSource_.at(static_cast<std::size_t>(n)); }
    int XYScreenNumber() const { return Layout_.XYScreen; }
    TVerhText& TopStrip() { return TopStrip_; }
    // True once after the top strip took a new width (and was emptied) with the panel's new place.
    bool TakeTopStripResized() { return std::exchange(TopStripResized_, false); }
    TNizText& BottomStrip() { return BottomStrip_; }
    TColor BackgroundColor() const { return Background_; }
    std::uint32_t Clock() const { return Clock_; }
    int PanelLeft() const { return Left_; }
    int PanelTop() const { return Top_; }
    bool Visible() const { return Visible_; }
    void SetVisible(bool visible) { Visible_ = visible; }

    // Persistence and colour grading: the getters of the registry and the settings they hand on.
    TPersistSignalLayer* PersistLayer(int n);
    TColorGrSignalLayer* ColorGradeLayer(int n);
    TPersistSignalLayer* XYPersistLayer();
    TColorGrSignalLayer* XYColorGradeLayer();
    // The XY layer of a display style (0 and 1 dots).
    TParentSignalLayer* XYStyleLayer(int style);
    // n: the source 0..13 or 14 (XY); a layer of the kind in slot n takes the change at once.
    void SetPersistTime(int n, double seconds);
    void SetColorGradeParam(int n, double seconds);
    void SetColorGradeStyle(int n, int choice);
    // Grade k (1..5) of palette choice 0; every grade layer takes its palette again.
    void SetGradeLevel(int k, TColor colour);
    // Choice 0: the panel's grade colours; any other: shades of the colour at the gray-scale luminances.
    void ApplyColorGradePalette(TColorGrSignalLayer& layer, int choice, TColor colour);

    // The screen colours: an element's configured colour, a source's, and the colour change of an
    // element reaching its layer (20 the graticules, 21 the background of screens and strips).
    TColor ElementColor(int element) const;
    TColor SourceColor(int n) const;
    void ApplyLayerColor(int kind);
    // The layer an element colours: 0..13 the sources', 15 the XY layer; none for the rest.
    TScreenLayer* LayerOfKind(int kind) const;

    // Kept for the colour and settings features.
    std::array<std::uint8_t, LayerSlotCount> PaletteChoice{};
    // Grade 5, the densest hits, is the first colour-grade setting's colour.
    std::array<std::uint32_t, 6> GradeColors{0, 0x00AE00, 0xFF3131, 0x4A4AFF, 0x00CCFF, 0xFFFFFF};
    std::array<double, 15> PersistTime{};
    std::array<double, 15> GradeRefreshTime{};

private:
    void UpdateClock();
    template <class TLayer>
    TParentSignalLayer* GetSignalLayer(int n, const char* prefix);
    template <class TLayer>
    TLayer* GetHistoryLayer(int n, const char* prefix);
    template <class TLayer>
    TLayer* GetXYLayer(const char* name);
    void SetUpHistoryLayer(int n, TPersistSignalLayer& layer);
    void SetUpHistoryLayer(int n, TColorGrSignalLayer& layer);
    void RepaintGradeLayer(int n);
    bool AcquisitionRunning() const { return Program_.AcquisitionRunning && Program_.AcquisitionRunning(); }
    void BeginAllScreens();
    // Every screen goes with its layers.
    void FreeAllScreens();
    void EndAllScreens();

    TProgram Program_;
    THintStack* Hints_;
    TScreenSink* Sink_ = nullptr;
    int Left_ = 0;
    int Top_ = 0;
    bool Visible_ = true;
    int InnerWidth_ = 0;
    bool TopStripResized_ = false;
    int InnerHeight_ = 0;
    int ScreenMode_ = 0;
    TScreenLayout Layout_;
    std::array<int, MaxScreens> GraticuleStyle_{};
    std::array<std::unique_ptr<TSignalScreen>, MaxScreens> Screens_;
    std::array<std::unique_ptr<TGraticLayer>, MaxScreens> Graticules_;
    std::array<std::uint8_t, ScreenEntryCount> ScreenOfSource_{};
    TColor GraticuleColour_;
    TColor Background_;
    std::int64_t ClockStart_ = 0;
    std::uint32_t Clock_ = 0;
    int YTFactor_ = 1;
    int XYFactor_ = 2;
    std::array<int, 4> Ranges_{};
    TLayersOfSignals Layers_;
    // Sources whose layers went with their screens while stopped, by style (-1 none): drawn again
    // from their records once they have a time screen.
    std::array<int, LayerSlotCount> Freed_{};
    TVerhText TopStrip_;
    TNizText BottomStrip_;

    // Overlay layers.
    int SourceScreenOf(int n) const;
    TScreenLayer* SourceLayerOf(int n) const;
    TMarkerLayer* SingleOverlay(TOverlayClass kind, int n, const char* name);
    TMarkerLayer* MarkerOverlay(TOverlayClass kind, int m, int n, const char* prefix);
    // The overlay made for screen s and bound to the source's layer, registered there; none when the
    // class is not registered.
    std::unique_ptr<TMarkerLayer> MakeOverlay(TOverlayClass kind, const std::string& name, int slot, int s);
    void FreeOverlay(TOverlaySlot& overlay);
    // The overlays that follow a layer that goes: the markers go with it, the others forget it.
    void ForgetSourceLayer(const TScreenLayer* layer, bool freeMarkers);
    void FreeOverlaysOnScreen(const TSignalScreen* screen);
    TOverlaySet Overlays_;
};

}  // namespace vt
