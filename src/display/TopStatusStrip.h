#pragma once
// The top strip: sampling rate and acquisition state of both channels, the display style, the trigger
// source and state, the mask in use and the sampling-mode icon, in two rows of fixed cells; a
// database on the screen puts its own fields in their place. Texts reach the strip's bitmap even
// while it is hidden, so the strip shows every field when the layout shows it again.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "display/DrawingSurfaces.h"

namespace vt {

class TScopeDisplayServices;

inline constexpr std::string_view TopTextUnitName = "_SHELL\\SRC\\TopText";
inline constexpr int SampleModeIconX = 468;
inline constexpr int SampleModeIconY = 1;
inline constexpr int SampleModeIconSize = 16;
inline constexpr std::uint8_t IconStateReset = 55;
// The strip's place at its narrowest; a wider panel widens it and spreads its cells over the width, a
// narrower one squeezes them.
inline constexpr int TopStripLeft = 10;
inline constexpr int TopStripTop = 2;
inline constexpr int TopStripWidth = 530;
inline constexpr int TopStripHeight = 31;
// Between the strip's right end and the panel's inner right edge (the default window's panel).
inline constexpr int TopStripRightMargin = 14;

// Column 0..3 or 10 (0 and 1 together), row 1 or 2.
TPixelRect TopCellRect(int column, int row);

class TVerhText : public TScanLinesTextScreen {
public:
    using TScanLinesTextScreen::TScanLinesTextScreen;

    // Writes the text in the colour into the cell; a cell that already shows it is left alone.
    void ShowText(TPixelRect rect, const std::string& text, TColor colour);
    // A new size, background or clearing forgets what the cells show.
    void Resize(int left, int top, int width, int height) override;
    void Clear() override;
    void SetColor(TColor colour) override;
    // Icon 0 (plain sampling) or 1 at its place.
    void DrawSampleModeIcon(int icon);
    // A colour change: nothing counts as shown.
    void ResetShown();
    // Where a cell edge x of the narrowest strip lies in the strip as wide as it is now: spread over a
    // wider strip; in a narrower one each column keeps room for its widest usual text.
    int SpreadX(int x) const;
    TPixelRect SpreadRect(TPixelRect rect) const;

    std::array<std::string, 2> CachedAcqState;
    std::uint8_t TrigStateShown = 0;
    std::uint8_t IconState = IconStateReset;

private:
    // The places of a strip narrower than its narrowest, for the width they were worked out for.
    mutable int SqueezedFor_ = -1;
    mutable std::array<int, 7> SqueezedEdges_{};
    // What the strip shows, by the cell each text was given for.
    std::vector<TShownText> Shown_;
};

// The strip's operations; each does nothing without the panel. Columns are 2 (Ch1) and 3 (Ch2).
void TopTextUpdateAll(TScopeDisplayServices& d);
void TopTextShowColumn(TScopeDisplayServices& d, int column);
void TopTextShowColumns(TScopeDisplayServices& d);
void TopTextShowSampleRate(TScopeDisplayServices& d, int column);
void TopTextShowSampleRates(TScopeDisplayServices& d);
void TopTextShowAcqState(TScopeDisplayServices& d, int column, bool stopped);
// The state cells that said a stopped acquisition's count before the strip was drawn again say it again:
// the count itself is gone once shown.
void TopTextShowStoppedStates(TScopeDisplayServices& d, const std::array<std::string, 2>& before);
void TopTextShowDisplayStyle(TScopeDisplayServices& d);
void TopTextShowTrigSource(TScopeDisplayServices& d);
void TopTextShowMask(TScopeDisplayServices& d);
void TopTextShowTrigState(TScopeDisplayServices& d, int state);
void TopTextShowSampleModeIcon(TScopeDisplayServices& d);
void TopTextShowDatabase(TScopeDisplayServices& d);
void TopTextShowWaveformCount(TScopeDisplayServices& d, int n);

}  // namespace vt
