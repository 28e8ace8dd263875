#pragma once
// What the program calls in the waveform display: only what has a caller today; the display library
// adds what its callers need when it lands. It registers its implementation in the shell context;
// until then (and while the display panel does not exist) every operation does nothing and every
// query answers its "none" value.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

class TDisplayServices {
public:
    virtual ~TDisplayServices() = default;

    // The display panel ("ScopeCRT"): created by the main window's first resize.
    virtual bool PanelExists() const { return false; }
    virtual void CreatePanel() {}
    virtual void PlacePanel(int /*left*/, int /*top*/, int /*height*/, int /*width*/) {}
    virtual void SetPanelVisible(bool /*visible*/) {}
    virtual void AgePersistence() {}
    // Whether a layer keeps time (persistence or colour grading): only then does the clock tick.
    virtual bool HasHistoryLayers() const { return false; }

    // The display style of the signal layers: 0 dots, 1 vectors, 2-3 persistence, 4-7 graded.
    virtual int DisplayStyle() const { return 0; }
    // The display style of one source (0..13).
    virtual int SourceDisplayStyle(int /*source*/) const { return DisplayStyle(); }

    // The screen layer of a signal source.
    struct TSignalLayerPoints {
        int Length = 0;  // displayed points
        double Scale = 0;
        double Centre = 0;
        std::vector<double> Values;  // the displayed value of each point
    };
    // Whether the source has a layer in the given display style.
    virtual bool HasSignalLayer(int /*source*/, int /*style*/) const { return false; }
    // Whether the source was drawn since its layer was last cleared.
    virtual bool SignalLayerDrawn(int /*source*/) const { return false; }
    virtual void DrawSignalLayer(int /*source*/, int /*style*/, const TSignalLayerPoints& /*points*/) {}
    virtual void RemoveSignalLayer(int /*source*/) {}

    // The acquisition plots the points it stored: a pass sets the scales of the source's layer of the
    // display style, then plots into it, a channel's run of points of a block at a time; the layers of
    // the channels are opened around a block of points so that the pixels reach the window once.
    virtual void SetAcqLayerScales(int /*source*/, int /*style*/, int /*points*/, double /*scale*/, double /*centre*/) {}
    virtual void PutAcqPoint(int /*source*/, int /*index*/, double /*value*/) {}
    // Points first, first + 1, ...: each as PutAcqPoint puts it.
    virtual void PutAcqPoints(int source, int first, std::span<const double> values) {
        for (std::size_t k = 0; k < values.size(); ++k) PutAcqPoint(source, first + static_cast<int>(k), values[k]);
    }
    virtual void BeginSignalLayersUpdate() {}
    virtual void EndSignalLayersUpdate() {}
    // The XY screen's layer of the style takes both sources' scales, then the point pairs.
    virtual void SetXYLayerScales(int /*style*/, int /*xPoints*/, double /*xScale*/, double /*xCentre*/, int /*yPoints*/,
                                  double /*yScale*/, double /*yCentre*/) {}
    virtual void PutXYPoint(int /*index*/, double /*x*/, double /*y*/) {}
    // The display style of the XY screen.
    virtual int XYDisplayStyle() const { return 0; }
    // The top text strip; columns 2 and 3 hold the acquisition-state readouts.
    virtual void TopTextUpdateAll() {}
    virtual void TopTextShowColumn(int /*column*/) {}
    virtual void TopTextShowColumns() {}
    // The acquisition-state field of a channel's column (2 or 3): stopped, or the current progress.
    virtual void TopTextShowAcqState(int /*channel*/, bool /*stopped*/) {}
    virtual void RedrawSampleRateField() {}
    virtual void TopTextShowTrigSource() {}
    virtual void TopTextShowDisplayStyle() {}
    // The trigger indicator: 0 source not Direct, 1 triggered, 2 waiting for a trigger, 3 free run.
    virtual void TopTextShowTrigState(int /*state*/) {}

    // The acquisition display.
    // How many times a channel's trace is compressed vertically by the layout: 1 without a screen.
    virtual int VerticalCompression() const { return 1; }
    // The intensified zones of the main timebase, in screen columns (all 0: none).
    virtual void SetIntensifiedRanges(int /*width1*/, int /*start1*/, int /*start2*/, int /*width2*/) {}
    virtual void MarkAcquisitionRedraw() {}
    // Clears a source's trace from the screen.
    virtual void FreeSignalLayer(int /*source*/) {}

    // Frees and rebuilds every screen of the panel ("*ClrDispl").
    virtual void RecreateScreens() {}
    virtual void InvalidateHisticons() {}
    // The bottom text strip.
    virtual void ClearBottomText() {}

    // A timed hint of the normal style, kept under newer hints.
    virtual void PushHint(const std::string& /*text*/, int /*durationMs*/) {}
    // Refreshes the top hint when it is the hint id, else pushes: the hint's id (0 while there is no
    // hint stack). Style 1 is the alarm style.
    virtual int PushOrRefreshHint(int /*id*/, const std::string& /*text*/, int /*style*/, int /*keepUnder*/,
                                  int /*durationMs*/) {
        return 0;
    }
    virtual void RemoveHint(int /*id*/) {}

    // The waveform database: the status hint of a database being built on a source (finished: written),
    // the top strip's waveform count and database fields, and the database shown on the screen (an
    // empty path ends its display).
    virtual void ShowDatabaseStatusHint(int /*source*/, bool /*finished*/) {}
    virtual void TopTextShowWaveformCount(int /*count*/) {}
    virtual void TopTextShowDatabase() {}
    virtual void SetDatabase(const std::string& /*path*/) {}
    // The database shown, or "NONEDATABASEATTHESCREEN".
    virtual std::string GetSourceName() const { return "NONEDATABASEATTHESCREEN"; }

    // Communication-error hint: called on every idle step in the error state.
    virtual void ReportCommError(std::string_view /*suffix*/) {}
    virtual void ClearCommError() {}
};

}  // namespace vt
