#pragma once
// The histicon: a small histogram of a measurement's values drawn in its row of the bottom strip in
// place of the minimum and maximum cells. Columns -60..60 stand on a bracket; a new value redraws only
// the pixel column of the column it changes. A squeezed strip squeezes the icon with its cell: a pixel
// column then shows the highest of the columns that fall on it.
#include <array>
#include <cstdint>
#include <string>

#include "core/Color.h"
#include "display/DrawingSurfaces.h"

namespace vt {

class TNizText;

class THisticon {
public:
    static constexpr int HalfWidth = 60;  // columns -60..60
    static constexpr int MaxHeight = 14;  // rows 1..14 above the base line

    explicit THisticon(TNizText& strip);
    ~THisticon();
    THisticon(const THisticon&) = delete;
    THisticon& operator=(const THisticon&) = delete;

    // Fills the cell, writes the text (none: only the empty bracket) and draws the bracket; an empty
    // text also forgets the heights on screen, since the fill wiped them.
    void DrawText(const std::string& text);
    // Column k (-60..60) to height h (0..14, clamped); nothing while hidden or when unchanged.
    void DrawColumn(int k, int h);
    // The cell; the origin column and the base row follow it.
    void SetRect(TPixelRect rect);
    void SetColor(TColor colour) { Color_ = TColor(colour.Value & 0xFFFFFFu); }
    void SetLabel(std::string label) { Label_ = std::move(label); }
    void ClearHeights() { Heights_.fill(0); }
    // Hiding also marks the icon as not drawn, so that showing it again draws it whole.
    void SetShown(bool shown);
    // Not drawn: the next value draws it whole (after a move to another row).
    void SetDrawn(bool drawn) { Drawn_ = drawn; }

    bool Shown() const { return Shown_; }
    bool Drawn() const { return Drawn_; }
    bool TextShown() const { return TextShown_; }
    TPixelRect Rect() const { return Rect_; }
    TColor Color() const { return Color_; }
    const std::string& Label() const { return Label_; }
    int OriginX() const { return OriginX_; }
    int BaseY() const { return BaseY_; }
    int DrawnHeight(int k) const { return Heights_.at(static_cast<std::size_t>(k + HalfWidth)); }

    // The bracket's colour: the graticule's, set by the owner before drawing.
    TColor BracketColor = clWhite;

    // Told by the strip: a new width draws the icon again as it was; a clear wiped it; the strip went.
    void Repaint();
    void Wiped() { TextPainted_ = ColumnsPainted_ = false; }
    void StripGone() { Strip_ = nullptr; }

private:
    void PaintText(const std::string& text);
    void PaintColumnAt(int x);

    TNizText* Strip_;
    std::string Text_;
    bool TextPainted_ = false;
    bool ColumnsPainted_ = false;
    bool Drawn_ = false;
    bool TextShown_ = false;
    TPixelRect Rect_;
    TColor Color_ = clWhite;
    std::string Label_;
    std::array<std::uint8_t, 2 * HalfWidth + 1> Heights_{};
    std::uint16_t OriginX_ = 0;
    std::uint16_t BaseY_ = 0;
    bool Shown_ = false;
};

}  // namespace vt
