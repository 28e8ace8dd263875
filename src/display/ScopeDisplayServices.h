#pragma once
// The display library's services in the shell context: the timed hints, the communication-error hint
// and the display panel, which the acquisition plots into and the window shows through its view.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/DisplayServices.h"
#include "core/Feature.h"
#include "display/AnnotationState.h"
#include "display/BottomReadoutStrip.h"
#include "display/DrawingSurfaces.h"
#include "display/HintStack.h"
#include "display/OverlayLayers.h"
#include "display/ScreenColors.h"

namespace vt {

class TShell;
class TScopeCRT;
class TSignalScreen;
class TDisplaySettings;
class TScreenMouseActions;

// The window's view of the display panel: it shows the panel's surfaces through the sink and takes
// the panel's place, visibility and background colour.
class TDisplayPanelView : public TScreenSink {
public:
    virtual void PlaceView(int left, int top, int width, int height) = 0;
    virtual void SetViewVisible(bool visible) = 0;
    virtual void SetBackground(TColor colour) = 0;
    // The panel goes before the view: the view must forget it.
    virtual void PanelGone() = 0;
};
// Made by the window when the panel is created; the window owns it.
using TDisplayViewFactory = std::function<TDisplayPanelView*()>;

inline constexpr int CommErrorDelayMs = 5000;

// The mask the top strip names: its kind (0 none, 1 and 2 named, 3 automask, 4 user mask) and name.
struct TTopMaskInfo {
    int Kind = 0;
    std::string Name;
};

class TScopeDisplayServices : public TDisplayServices {
public:
    TScopeDisplayServices(TShell& shell, std::unique_ptr<THintStack> hints = nullptr, THintClock clock = {});
    ~TScopeDisplayServices() override;

    // The window's view of the panel; a panel that exists already gets its view at once.
    void SetViewFactory(TDisplayViewFactory factory);
    // The view is being destroyed: the panel draws into its buffers only.
    void ViewGone();
    TScopeCRT* Panel() { return Panel_.get(); }
    TDisplayPanelView* View() { return View_; }

    bool PanelExists() const override { return Panel_ != nullptr; }
    void CreatePanel() override;
    void PlacePanel(int left, int top, int height, int width) override;
    void SetPanelVisible(bool visible) override;
    void AgePersistence() override;
    bool HasHistoryLayers() const override;
    bool HasSignalLayer(int source, int style) const override;
    bool SignalLayerDrawn(int source) const override;
    void DrawSignalLayer(int source, int style, const TSignalLayerPoints& points) override;
    void RemoveSignalLayer(int source) override;
    void SetAcqLayerScales(int source, int style, int points, double scale, double centre) override;
    void PutAcqPoint(int source, int index, double value) override;
    void PutAcqPoints(int source, int first, std::span<const double> values) override;
    void BeginSignalLayersUpdate() override;
    void EndSignalLayersUpdate() override;
    void SetXYLayerScales(int style, int xPoints, double xScale, double xCentre, int yPoints, double yScale,
                          double yCentre) override;
    void PutXYPoint(int index, double x, double y) override;
    int VerticalCompression() const override;
    void SetIntensifiedRanges(int width1, int start1, int start2, int width2) override;
    // Sources 0..18: the layer of the source goes (XY: the XY layer).
    void FreeSignalLayer(int source) override;
    void RecreateScreens() override;
    // Whether acquisitions run: Run, or the link's acquisition flag (autoscale acquires with Run off).
    bool AcquisitionRunning() const;

    THintStack& Hints() { return *Hints_; }

    // The screen colours the panel and the settings share.
    TScreenColors& Colors() { return Colors_; }
    // An element's colour changed: its layer, the graticules or the background (the view's too).
    void ApplyLayerColor(int kind);
    // The display settings answer the styles and hold the database on the screen; not owned.
    void SetSettings(TDisplaySettings* settings) { Settings_ = settings; }
    TDisplaySettings* Settings() const { return Settings_; }
    int DisplayStyle() const override;
    int SourceDisplayStyle(int source) const override;
    int XYDisplayStyle() const override;
    void SetDatabase(const std::string& path) override;
    std::string GetSourceName() const override;

    void PushHint(const std::string& text, int durationMs) override;
    int PushOrRefreshHint(int id, const std::string& text, int style, int keepUnder, int durationMs) override;
    void RemoveHint(int id) override;
    // The alarm hint "CommunicationErr" + suffix, pushed once when the error state has lasted 5 s.
    void ReportCommError(std::string_view suffix) override;
    void ClearCommError() override;

    // The strips.
    void TopTextUpdateAll() override;
    void TopTextShowColumn(int column) override;
    void TopTextShowColumns() override;
    void TopTextShowAcqState(int channel, bool stopped) override;
    void RedrawSampleRateField() override;
    void TopTextShowTrigSource() override;
    void TopTextShowDisplayStyle() override;
    void TopTextShowTrigState(int state) override;
    void TopTextShowWaveformCount(int count) override;
    void TopTextShowDatabase() override;
    void ShowDatabaseStatusHint(int source, bool finished) override;
    void ClearBottomText() override;

    TShell& Shell() { return Shell_; }
    // The annotations on screen: slots in use, owner and annotated measurement.
    TAnnotationState& Annotations() { return Annotations_; }
    // The features whose readouts the bottom strip lists; not owned.
    TReadoutProviders& ReadoutProviders() { return Providers_; }
    // The engine's counts of a channel (2 or 3): acquisitions completed, and accumulated in the
    // current one; none: 0.
    std::function<int(int channel)> AcquisitionCounter;
    std::function<int(int channel)> AccumulationCounter;
    int AcquisitionCount(int channel) const { return AcquisitionCounter ? AcquisitionCounter(channel) : 0; }
    int AccumulatedCount(int channel) const { return AccumulationCounter ? AccumulationCounter(channel) : 0; }
    // The mask feature's mask; none, or no answer: no mask object.
    std::function<std::optional<TTopMaskInfo>()> MaskInfo;
    // What the mouse on the screens asks of the acquisition; none: traces are not dragged.
    TScreenMouseActions* MouseActions = nullptr;
    // The timers of the bottom strip the panel is made with; none: Qt's.
    TTimerFactory StripTimers;
    // The measurements' sinks of the drags of their definition layers, given to the panel it makes.
    TPartDragSink MeasDragSink;
    TPartDragSink FftDragSink;
    // The measurement histicons must be drawn again; none until the measurements exist.
    std::function<void()> HisticonsInvalidated;
    void InvalidateHisticons() override {
        if (HisticonsInvalidated) HisticonsInvalidated();
    }

private:
    void RedrawSignalLayer(int source, int style);
    // The XY trace from the records of the axes, as the acquisition draws it, once both were acquired.
    void RedrawXYLayer();
    // Opens or closes a batch on the screens that hold the channels' layers.
    void BatchChannelScreens(bool begin);

    TDisplayViewFactory ViewFactory_;
    // The display clock counts from the program's start.
    std::int64_t ProgramStartMs_ = SteadyClockMs();
    TDisplayPanelView* View_ = nullptr;  // owned by the window
    TScreenColors Colors_;  // the panel reads it: goes after it
    std::unique_ptr<TScopeCRT> Panel_;
    std::function<void(int)> PreviousSwitchOff_;
    std::array<TSignalScreen*, 4> Batched_{};
    TShell& Shell_;
    std::unique_ptr<THintStack> Hints_;
    THintClock Clock_;
    bool ErrorNoted_ = false;
    std::int64_t ErrorSince_ = 0;
    int ErrorHintId_ = 0;
    TDisplaySettings* Settings_ = nullptr;
    TAnnotationState Annotations_;
    TReadoutProviders Providers_{};
};

// Installs the display services in the shell when the program is put together.
class TDisplayFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
