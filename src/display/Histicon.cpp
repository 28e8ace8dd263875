#include "display/Histicon.h"

#include <algorithm>

#include "display/BottomReadoutStrip.h"

namespace vt {

void THisticon::SetRect(TPixelRect rect) {
    Rect_ = rect;
    OriginX_ = static_cast<std::uint16_t>(std::max(rect.Left + HalfWidth + 1, 0));
    BaseY_ = static_cast<std::uint16_t>(std::max(rect.Bottom - 1, 0));
}

void THisticon::SetShown(bool shown) {
    if (shown == Shown_) return;
    Shown_ = shown;
    if (!shown) Drawn_ = false;
}

void THisticon::DrawText(const std::string& text) {
    Drawn_ = true;
    Strip_.BeginUpdate();
    Strip_.SetFontColor(Color_);
    Strip_.TextRectDeferred(Rect_, 45, 2, text);
    if (!text.empty() && Strip_.TextWatch) Strip_.TextWatch(Rect_, text, Color_);
    const int left = OriginX_ - HalfWidth - 1;
    const int right = OriginX_ + HalfWidth + 1;
    const int base = BaseY_;
    Strip_.FillRectColor({left, base - 5, left, base}, BracketColor, false);
    Strip_.FillRectColor({left, base, right, base}, BracketColor, false);
    Strip_.FillRectColor({right, base - 5, right, base}, BracketColor, false);
    Strip_.EndUpdate();  // copies the cell, the bracket being inside it
    TextShown_ = !text.empty();
    if (text.empty()) ClearHeights();
}

void THisticon::DrawColumn(int k, int h) {
    if (!Shown_ || k < -HalfWidth || k > HalfWidth) return;
    h = std::clamp(h, 0, MaxHeight);
    auto& d = Heights_[static_cast<std::size_t>(k + HalfWidth)];
    if (h == d) return;
    const int x = OriginX_ + k;
    TSLBMP& bitmap = Strip_.Bitmap();
    const TColor colour = h > d ? Color_ : Strip_.Color();
    for (int r = std::min<int>(h, d) + 1; r <= std::max<int>(h, d); ++r) bitmap.SetPixel(x, BaseY_ - r, colour);
    d = static_cast<std::uint8_t>(h);
    Strip_.BlitRect(x, BaseY_ - MaxHeight, x, BaseY_);
}

}  // namespace vt
