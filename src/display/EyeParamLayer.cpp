#include "display/EyeParamLayer.h"

#include <algorithm>
#include <memory>

#include "core/Numeric.h"

namespace vt {

T_Eye_ParamLayer::T_Eye_ParamLayer(std::string name, bool marginFlag, int slot, int rows, int columns)
    : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns) {
    Grabbable = false;
}

int T_Eye_ParamLayer::ScreenXToCell(double x) const {
    const double v = MaxX() * x / 4000;
    if (v <= 0.5) return 1;
    if (v >= MaxX()) return MaxX() - 1;
    return static_cast<int>(RoundHalfEven(v));
}

int T_Eye_ParamLayer::ScreenYToCell(double y) const {
    const auto row = static_cast<int>(RoundHalfEven((1024 - y) / 1024 * MaxY()));
    return std::clamp(row, 1, std::max(1, MaxY() - 1));
}

void T_Eye_ParamLayer::Plot(int x, int y, bool on) {
    if (x < 0 || y < 0 || x > MaxX() || y > MaxY()) return;
    SetCell(x, y, on ? 1 : 0);
    if (on) SetPixel(x, y);
    else ClearPixel(x, y);
}

void T_Eye_ParamLayer::Outline(bool on) {
    if (BoxLeft_ == 0) return;
    for (int x = BoxLeft_; x <= BoxRight_; ++x) Plot(x, BoxTop_, on), Plot(x, BoxBottom_, on);
    for (int y = BoxTop_; y <= BoxBottom_; ++y) Plot(BoxLeft_, y, on), Plot(BoxRight_, y, on);
}

void T_Eye_ParamLayer::SetBox(int left, int top, bool force, int bottom, int right) {
    if (!force && left == BoxLeft_ && top == BoxTop_ && bottom == BoxBottom_ && right == BoxRight_) return;
    Outline(false);
    BoxLeft_ = left, BoxTop_ = top, BoxBottom_ = bottom, BoxRight_ = right;
    Outline(true);
}

// Dotted: threshold rows on the odd columns, bound columns on the odd rows, across the whole layer.
void T_Eye_ParamLayer::Lines(bool on) {
    for (int x = 1; x <= MaxX() - 1; x += 2) Plot(x, HighRow_, on), Plot(x, LowRow_, on);
    for (int y = 1; y <= MaxY() - 1; y += 2) Plot(LeftCol_, y, on), Plot(RightCol_, y, on);
}

void T_Eye_ParamLayer::SetParams(const TParams& p) {
    const int left = ScreenXToCell(p.Left), right = ScreenXToCell(p.Right);
    const int top = ScreenYToCell(p.Top), bottom = ScreenYToCell(p.Bottom);
    const auto high = static_cast<std::uint16_t>(ScreenYToCell(p.HighThreshold));
    const auto low = static_cast<std::uint16_t>(ScreenYToCell(p.LowThreshold));
    const auto lb = static_cast<std::uint16_t>(ScreenXToCell(p.LeftBound));
    const auto rb = static_cast<std::uint16_t>(ScreenXToCell(p.RightBound));
    if (LinesDrawn_ && left == BoxLeft_ && right == BoxRight_ && top == BoxTop_ && bottom == BoxBottom_ && high == HighRow_ &&
        low == LowRow_ && lb == LeftCol_ && rb == RightCol_)
        return;
    BeginUpdate();
    if (LinesDrawn_) Lines(false);
    HighRow_ = high, LowRow_ = low, LeftCol_ = lb, RightCol_ = rb;
    // Clearing the old lines may have cut the outline: it is drawn again even where it stays.
    SetBox(left, top, true, bottom, right);
    Lines(true);
    LinesDrawn_ = true;
    EndUpdate();
}

void RegisterEyeParamLayerClass(TOverlayClasses& classes) {
    if (classes.Factory(TOverlayClass::EyeParams)) return;
    classes.Register(TOverlayClass::EyeParams, [](std::string name, bool marginFlag, int slot, int rows, int columns) {
        return std::unique_ptr<TMarkerLayer>(std::make_unique<T_Eye_ParamLayer>(std::move(name), marginFlag, slot, rows, columns));
    });
}

}  // namespace vt
