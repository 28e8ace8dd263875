#pragma once
// The eye-measurement window on the screen: the window box, the two threshold rows and the two bound
// columns of the eye measurement, drawn dotted over the eye source's screen. Never grabbable.
#include <array>
#include <cstdint>

#include "display/OverlayLayers.h"

namespace vt {

class T_Eye_ParamLayer : public TMarkerLayer {
public:
    T_Eye_ParamLayer(std::string name, bool marginFlag, int slot, int rows, int columns);

    // Window left x, top y, right x, bottom y, low and high threshold y, left and right bound x (screen
    // units, y from the bottom).
    struct TParams {
        std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0, LowThreshold = 0, HighThreshold = 0, LeftBound = 0,
                     RightBound = 0;
    };
    void SetParams(const TParams& p);
    template <class Record>
    void SetParams(const Record& r) {
        SetParams(TParams{r.WindowLeft, r.WindowTop, r.WindowRight, r.WindowBottom, r.LowThreshold, r.HighThreshold,
                          r.LeftBound, r.RightBound});
    }

    int ScreenXToCell(double x) const;
    int ScreenYToCell(double y) const;
    // The box outline: top and bottom rows from the left to the right column, the two columns between.
    void SetBox(int left, int top, bool force, int bottom, int right);

    int BoxLeft() const { return BoxLeft_; }
    int BoxRight() const { return BoxRight_; }
    int BoxTop() const { return BoxTop_; }
    int BoxBottom() const { return BoxBottom_; }
    int HighThresholdRow() const { return HighRow_; }
    int LowThresholdRow() const { return LowRow_; }
    int LeftBoundColumn() const { return LeftCol_; }
    int RightBoundColumn() const { return RightCol_; }

private:
    void Plot(int x, int y, bool on);
    void Outline(bool on);
    void Lines(bool on);

    int BoxLeft_ = 0, BoxRight_ = 0, BoxTop_ = 0, BoxBottom_ = 0;
    std::uint16_t HighRow_ = 0, LowRow_ = 0, LeftCol_ = 0, RightCol_ = 0;
    bool LinesDrawn_ = false;
};

// Registers the layer's class with the panel's overlay classes (once).
void RegisterEyeParamLayerClass(TOverlayClasses& classes);

}  // namespace vt
