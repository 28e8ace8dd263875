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

    // Frees and rebuilds every screen of the panel ("*ClrDispl").
    virtual void RecreateScreens() {}
    virtual void InvalidateHisticons() {}

    // The top text strip; column 2 and 3 hold the acquisition-state readouts.
    virtual void TopTextUpdateAll() {}
    virtual void TopTextShowColumn(int /*column*/) {}
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

    // Communication-error hint: called on every idle step in the error state.
    virtual void ReportCommError(std::string_view /*suffix*/) {}
    virtual void ClearCommError() {}
};

}  // namespace vt
