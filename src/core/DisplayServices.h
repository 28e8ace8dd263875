#pragma once
// What the program calls in the waveform display: only what has a caller today; the display library
// adds what its callers need when it lands. It registers its implementation in the shell context;
// until then (and while the display panel does not exist) every operation does nothing and every
// query answers its "none" value.
#include <string>
#include <string_view>

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

    // The top text strip.
    virtual void TopTextUpdateAll() {}
    virtual void TopTextShowColumns() {}
    virtual void RedrawSampleRateField() {}

    // The acquisition display.
    // How many times a channel's trace is compressed vertically by the layout: 1 without a screen.
    virtual int VerticalCompression() const { return 1; }
    // The intensified zones of the main timebase, in screen columns (all 0: none).
    virtual void SetIntensifiedRanges(int /*width1*/, int /*start1*/, int /*start2*/, int /*width2*/) {}
    virtual void MarkAcquisitionRedraw() {}
    // Clears a source's trace from the screen.
    virtual void FreeSignalLayer(int /*source*/) {}

    // A timed hint of the normal style, kept under newer hints.
    virtual void PushHint(const std::string& /*text*/, int /*durationMs*/) {}

    // Communication-error hint: called on every idle step in the error state.
    virtual void ReportCommError(std::string_view /*suffix*/) {}
    virtual void ClearCommError() {}
};

}  // namespace vt
