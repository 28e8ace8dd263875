#pragma once
// The mask edit layer of the display as the edited mask sees it: made on Ch1's screen when a polygon
// is first drawn, freed when the polygons are drawn afresh.
#include <functional>

#include "serial/CurrentMask.h"

namespace vt {

class TShell;
class TMaskEditLayer;

class TMaskEditSurface : public TMaskEditView {
public:
    TMaskEditSurface(TShell& shell, std::function<void()> selectionChanged)
        : Shell_(shell), SelectionChanged_(std::move(selectionChanged)) {}

    bool HasEditLayer() const override;
    void FreeEditLayer() override;
    void ShowPolygon(int n, int count, int vertex, bool select, const double* xs, const double* ys) override;
    void SelectionChanged() override {
        if (SelectionChanged_) SelectionChanged_();
    }
    // The layer on the screen, when there is one.
    TMaskEditLayer* Layer() const;

private:
    TShell& Shell_;
    std::function<void()> SelectionChanged_;
};

}  // namespace vt
