#pragma once
// What the core, the link and the acquisition call in the waveform display. The display library
// registers its implementation in the shell context; until then (and while the display panel does
// not exist) every operation does nothing and every query answers its "none" value.
#include <string>
#include <string_view>

namespace vt {

// A signal layer of the display as the acquisition plots into it.
class TSignalLayerPort {
public:
    virtual ~TSignalLayerPort() = default;
    virtual void SetScales(int displayedPoints, double scalePerDiv, double centre) = 0;
    virtual void SetXYScales(int xPoints, int yPoints, double xScalePerDiv, double xCentre, double yScalePerDiv,
                             double yCentre) = 0;
    virtual void PutPoint(int pointIndex, double value) = 0;
    virtual void PutXYPoint(int pointIndex, double x, double y) = 0;
    // Pixels written between the two reach the window once, at the end.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
};

// Layer kinds a pass chooses by the source's display style.
enum class TLayerKind { Dot, Vector, Persist, ColorGrade, XYDot, XYPersist, XYColorGrade };

class TDisplayServices {
public:
    virtual ~TDisplayServices() = default;

    // The display panel ("ScopeCRT"): created by the main window's first resize.
    virtual bool PanelExists() const { return false; }
    virtual void CreatePanel() {}
    virtual void PlacePanel(int /*left*/, int /*top*/, int /*height*/, int /*width*/) {}
    virtual void SetPanelVisible(bool /*visible*/) {}
    virtual void RecreateScreens() {}
    virtual void AgePersistence() {}
    // The source's layer of that kind, created on demand; nullptr without a panel.
    virtual TSignalLayerPort* Layer(TLayerKind /*kind*/, int /*source*/) { return nullptr; }
    virtual TSignalLayerPort* SignalLayer(int /*source*/) { return nullptr; }
    virtual bool HasSignalLayer(int /*source*/) const { return false; }
    virtual void FreeSignalLayer(int /*source*/) {}
    virtual void SetIntensifiedRanges(int /*widthB*/, int /*start1*/, int /*start2*/, int /*width2*/) {}
    // 1, 2 or 4 by `Displ:Format`; 1 while no panel exists.
    virtual int VerticalCompression() const { return 1; }
    virtual void RepaintAllScreens() {}
    virtual void ClearBottomText() {}

    // The top text strip.
    virtual void TopTextUpdateAll() {}
    virtual void TopTextShowColumn(int /*channel*/) {}
    virtual void TopTextShowColumns() {}
    virtual void TopTextShowSampleRates() {}
    virtual void TopTextShowAcqState(int /*channel*/, bool /*stopped*/) {}
    virtual void TopTextShowSampleModeIcon() {}
    virtual void TopTextShowTrigSource() {}
    // 0 source not Direct, 1 triggered, 2 waiting for a trigger, 3 free run.
    virtual void TopTextShowTrigState(int /*state*/) {}
    virtual void TopTextShowWaveformCount(long long /*count*/) {}
    virtual void TopTextShowDatabase() {}

    // A timed hint of the normal style, kept under newer hints.
    virtual void PushHint(const std::string& /*text*/, int /*durationMs*/) {}

    // Communication-error hint: called on every idle step in the error state.
    virtual void ReportCommError(std::string_view /*suffix*/) {}
    virtual void ClearCommError() {}
    // state 1 accumulating, 0 written.
    virtual void ShowDatabaseStatusHint(int /*state*/, std::string_view /*sourceName*/) {}

    // The waveform database on the screen.
    virtual void SetDatabase(bool /*on*/, std::string_view /*path*/) {}
    virtual std::string GetDatabaseSourceName() const { return "NONEDATABASEATTHESCREEN"; }

    virtual void InvalidateHisticons() {}
};

// The colour element of a signal source: sources 0 to 13 keep their number, 14 and 15 swap, 16 gives
// 17, 17 gives 23, any other 22. Elements above 21 have no colour setting.
constexpr int SourceToColorIndex(int source) {
    if (source >= 0 && source <= 13) return source;
    switch (source) {
        case 14: return 15;
        case 15: return 14;
        case 16: return 17;
        case 17: return 23;
        default: return 22;
    }
}

// The vertical compression of a `Displ:Format` index ("YT,2YT,4YT,XY,CombYTXY,Comb2YTXY").
constexpr int VerticalCompressionOfFormat(int format) {
    switch (format) {
        case 1:
        case 4: return 2;
        case 2:
        case 5: return 4;
        default: return 1;
    }
}

}  // namespace vt
