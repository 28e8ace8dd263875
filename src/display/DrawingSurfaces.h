#pragma once
// Drawing surfaces: an off-screen 32-bit bitmap with direct access to its rows (TSLBMP), the screen
// that owns one and copies only what changed to its window (TScanLinesScreen), and the base of the
// text strips and hint windows (TScanLinesTextScreen). Pixels are written straight into our memory;
// inside a batch a write only widens a dirty rectangle that the outermost close copies once. A screen
// may hold the drawing of changed pixels back until its bitmap is read (the window's paint).
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Color.h"

namespace vt {

inline constexpr std::string_view ScreenObjUnitName = "_SHELL\\SRC\\ScreenObj";

// An inclusive rectangle of pixels; empty when the smallest coordinate is greater than the largest.
struct TPixelRect {
    int Left = 0;
    int Top = 0;
    int Right = -1;
    int Bottom = -1;
    bool Empty() const { return Left > Right || Top > Bottom; }
    int Width() const { return Right - Left + 1; }
    int Height() const { return Bottom - Top + 1; }
    bool operator==(const TPixelRect&) const = default;
};

// The part of a that lies in b (empty when they do not meet).
inline TPixelRect Intersect(TPixelRect a, const TPixelRect& b) {
    a.Left = std::max(a.Left, b.Left);
    a.Top = std::max(a.Top, b.Top);
    a.Right = std::min(a.Right, b.Right);
    a.Bottom = std::min(a.Bottom, b.Bottom);
    return a;
}

// A text a strip shows, by the cell it was given for: the strip draws its texts again from these.
struct TShownText {
    TPixelRect Cell;
    std::string Text;
    TColor Colour;
};
// Forgets the texts whose cells overlap the cell; neighbours share no more than their edge.
void ForgetOverlapping(std::vector<TShownText>& shown, TPixelRect cell);

// The bitmap: pixels as four bytes in memory, blue, green, red and an opaque fourth byte, shown as
// QImage::Format_RGB32 over the same memory; a table of row addresses rebuilt on every resize.
class TSLBMP {
public:
    TSLBMP();
    TSLBMP(const TSLBMP&) = delete;
    TSLBMP& operator=(const TSLBMP&) = delete;

    // Each below 65536; the pixels become black.
    void SetSize(int width, int height);
    int Width() const { return Width_; }
    int Height() const { return Height_; }

    std::uint32_t* Row(int y) { return Rows_[static_cast<std::size_t>(y)]; }
    const std::uint32_t* Row(int y) const { return Rows_[static_cast<std::size_t>(y)]; }
    bool Contains(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(Width_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(Height_);
    }
    // A point outside the bitmap writes nothing.
    void SetPixel(int x, int y, TColor colour) {
        if (Contains(x, y)) Rows_[static_cast<std::size_t>(y)][x] = colour.ToPixel();
    }
    TColor Pixel(int x, int y) const { return TColor::FromPixel(Row(y)[x]); }
    // Fills the part of the rectangle inside the bitmap.
    void Fill(TPixelRect rect, TColor colour);

    // The bitmap as an image over the same memory (no copy); valid until the next SetSize.
    const QImage& Image() const { return Image_; }

    // The canvas: "Liberation Sans" 11 pixels, white, no antialiasing; the brush fills behind text.
    QFont& Font() { return Font_; }
    const QFont& Font() const { return Font_; }
    TColor FontColor = clWhite;
    TColor BrushColor = clBlack;
    int TextWidth(const QString& text) const;
    // Whether the text is no wider than room. A text whose letters' own advances leave a pixel per
    // letter to spare fits whatever its kerning: a changing readout need not be shaped to know.
    bool TextFits(const QString& text, int room) const;
    int TextHeight(const QString& text) const;
    // Fills the rectangle with the brush and draws the text clipped to it, its top left at (x, y).
    void DrawText(TPixelRect rect, int x, int y, const QString& text);

    TPixelRect Bounds() const { return {0, 0, Width_ - 1, Height_ - 1}; }

private:
    std::vector<std::uint32_t> Pixels_;
    std::vector<std::uint32_t*> Rows_;
    int Width_ = 0;
    int Height_ = 0;
    QImage Image_;
    QFont Font_;
    // The metrics of each font the canvas had, with the widths of the texts measured in it: the
    // readouts measure the same few texts again and again (a new font has its own widths).
    struct TFontMeasures {
        QFont Font;
        QFontMetrics Metrics;
        QHash<QString, int> Widths;
        // Each Latin-1 letter's own advance, -1 until asked.
        std::array<int, 256> LetterAdvances;
    };
    TFontMeasures& Measures() const;
    mutable std::vector<TFontMeasures> Measures_;
};

class TScanLinesScreen;

// The window a screen copies into; a widget of the user interface implements it (tests record).
class TScreenSink {
public:
    virtual ~TScreenSink() = default;
    // The inclusive rectangle of the screen's bitmap changed and must reach the window.
    virtual void CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) = 0;
    // The screen's place, size or visibility changed.
    virtual void PlaceChanged(const TScanLinesScreen& screen) { (void)screen; }
    // The screen is being destroyed: the window must forget it.
    virtual void ScreenGone(const TScanLinesScreen& screen) { (void)screen; }
};

class TScanLinesScreen {
public:
    explicit TScanLinesScreen(TScreenSink* sink = nullptr);
    virtual ~TScanLinesScreen();
    TScanLinesScreen(const TScanLinesScreen&) = delete;
    TScanLinesScreen& operator=(const TScanLinesScreen&) = delete;

    void SetSink(TScreenSink* sink) { Sink_ = sink; }
    TScreenSink* Sink() const { return Sink_; }
    // The canvas, for the screens that draw into it themselves and for the readers: pixels held back
    // are drawn first. Reading settles the picture, it does not change it, hence the const reader.
    TSLBMP& Bitmap() {
        SettlePixels();
        return Bitmap_;
    }
    const TSLBMP& Bitmap() const { return const_cast<TScanLinesScreen*>(this)->Bitmap(); }

    // Sets the bounds, the brush to the screen's colour and the bitmap's size.
    virtual void Resize(int left, int top, int width, int height);
    // Only the place: the pixels stay.
    void MoveTo(int left, int top);
    // Fills the whole bitmap with the screen's colour and copies all of it.
    virtual void Clear();

    int Left() const { return Left_; }
    int Top() const { return Top_; }
    int Width() const { return Bitmap_.Width(); }
    int Height() const { return Bitmap_.Height(); }
    bool Visible() const { return Visible_; }
    void SetVisible(bool visible);
    TColor Color() const { return Color_; }
    // A change of colour clears the screen.
    virtual void SetColor(TColor colour);

    // Copies the whole bitmap (painting).
    void InvalidateAll();
    // Copies the inclusive rectangle; an empty one copies nothing.
    void BlitRect(int left, int top, int right, int bottom);
    void FillRectColor(TPixelRect rect, TColor colour, bool copyNow);
    void BeginUpdate();
    // Inside a batch, the inclusive rectangle joins the dirty rectangle (pixels written straight into
    // the bitmap's rows); outside, it is copied.
    void MarkChanged(int left, int top, int right, int bottom) {
        if (Depth_ > 0) {
            Widen(left, top, right, bottom);
        } else {
            BlitRect(left, top, right, bottom);
        }
    }
    // Closing more batches than were opened is an internal error.
    void EndUpdate();
    int BatchDepth() const { return Depth_; }
    TPixelRect DirtyRect() const { return Dirty_; }

    void SetFontColor(TColor colour) { Bitmap_.FontColor = TColor(colour.Value & 0xFFFFFF); }
    TColor GetFontColor() const { return Bitmap_.FontColor; }
    // Alignments 0 left/top, 1 centre, 2 right/bottom; the text stays inside the screen's width.
    // Nothing while hidden.
    void TextOut(int x, int y, const std::string& text, int hAlign, int vAlign);
    // Draws the text clipped to the rectangle at its left + dx, top + dy and copies the rectangle at
    // once; nothing while hidden.
    void TextRect(TPixelRect rect, int dx, int dy, const std::string& text);
    // The same inside a batch: the rectangle widens the dirty rectangle instead.
    void TextRectDeferred(TPixelRect rect, int dx, int dy, const std::string& text);

protected:
    // Draws the pixels the screen held back; those already reached the window's dirty rectangle.
    virtual void SettlePixels() {}
    // The canvas as it stands, for that drawing.
    TSLBMP& HeldCanvas() { return Bitmap_; }

private:
    void Widen(int left, int top, int right, int bottom) {
        if (left < Dirty_.Left) Dirty_.Left = left;
        if (top < Dirty_.Top) Dirty_.Top = top;
        if (right > Dirty_.Right) Dirty_.Right = right;
        if (bottom > Dirty_.Bottom) Dirty_.Bottom = bottom;
    }
    static TPixelRect NoDirt();

    TSLBMP Bitmap_;
    TScreenSink* Sink_ = nullptr;
    int Left_ = 0;
    int Top_ = 0;
    bool Visible_ = true;
    TColor Color_ = clBlack;
    int Depth_ = 0;
    TPixelRect Dirty_ = NoDirt();
};

// Told of each text a strip writes: its rectangle, the text and its colour (tests record them).
using TTextWatch = std::function<void(const TPixelRect& rect, const std::string& text, TColor colour)>;

// The base of the text strips and the hint windows.
class TScanLinesTextScreen : public TScanLinesScreen {
public:
    using TScanLinesScreen::TScanLinesScreen;
    TTextWatch TextWatch;
};

}  // namespace vt
