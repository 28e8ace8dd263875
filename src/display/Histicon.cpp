#include "display/Histicon.h"

#include <algorithm>

#include "display/BottomReadoutStrip.h"

namespace vt {

THisticon::THisticon(TNizText& strip) : Strip_(&strip) { strip.Attach(this); }

THisticon::~THisticon() {
    if (Strip_) Strip_->Detach(this);
}

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
    if (!Strip_) return;
    Text_ = text;
    PaintText(text);
    if (!text.empty() && Strip_->TextWatch) Strip_->TextWatch(Rect_, text, Color_);
    TextShown_ = !text.empty();
    if (text.empty()) ClearHeights();
}

void THisticon::PaintText(const std::string& text) {
    TNizText& strip = *Strip_;
    const TPixelRect cell = strip.SqueezeRect(Rect_);
    strip.ForgetTexts(Rect_);
    strip.BeginUpdate();
    strip.SetFontColor(Color_);
    strip.PaintFitted(cell, strip.SqueezeX(Rect_.Left + 45) - cell.Left, 2, text);
    const int left = strip.SqueezeX(OriginX_ - HalfWidth - 1);
    const int right = strip.SqueezeX(OriginX_ + HalfWidth + 1);
    const int base = BaseY_;
    strip.FillRectColor({left, base - 5, left, base}, BracketColor, false);
    strip.FillRectColor({left, base, right, base}, BracketColor, false);
    strip.FillRectColor({right, base - 5, right, base}, BracketColor, false);
    strip.MarkChanged(cell.Left, cell.Top, cell.Right, cell.Bottom);
    strip.EndUpdate();  // copies the cell, the bracket being inside it
    // The fill wiped the columns.
    TextPainted_ = true;
    ColumnsPainted_ = false;
}

void THisticon::DrawColumn(int k, int h) {
    if (!Shown_ || k < -HalfWidth || k > HalfWidth || !Strip_) return;
    h = std::clamp(h, 0, MaxHeight);
    auto& d = Heights_[static_cast<std::size_t>(k + HalfWidth)];
    if (h == d) return;
    d = static_cast<std::uint8_t>(h);
    PaintColumnAt(Strip_->SqueezeX(OriginX_ + k));
    ColumnsPainted_ = true;
}

void THisticon::PaintColumnAt(int x) {
    int h = 0;
    if (!Strip_->Squeezed()) {
        h = DrawnHeight(x - OriginX_);
    } else {
        for (int k = -HalfWidth; k <= HalfWidth; ++k)
            if (Strip_->SqueezeX(OriginX_ + k) == x) h = std::max(h, DrawnHeight(k));
    }
    TSLBMP& bitmap = Strip_->Bitmap();
    Strip_->Overdrawn({x, BaseY_ - MaxHeight, x, BaseY_ - 1});
    for (int r = 1; r <= MaxHeight; ++r) bitmap.SetPixel(x, BaseY_ - r, r <= h ? Color_ : Strip_->Color());
    Strip_->BlitRect(x, BaseY_ - MaxHeight, x, BaseY_ - 1);
}

void THisticon::Repaint() {
    if (!Strip_ || !TextPainted_) return;
    const bool columns = ColumnsPainted_;
    PaintText(Text_);
    if (!columns) return;
    const int last = Strip_->SqueezeX(OriginX_ + HalfWidth);
    for (int x = Strip_->SqueezeX(OriginX_ - HalfWidth); x <= last; ++x) PaintColumnAt(x);
    ColumnsPainted_ = true;
}

}  // namespace vt
