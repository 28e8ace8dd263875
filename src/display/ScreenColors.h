#pragma once
// The colour of every screen element: the 14 traces, the database, the XY trace, the eye markers, the
// histogram, the mask template and errors, the graticule and the background. A colour value holds
// the RGB (red in the low byte) and the opacity percent in the top byte (0: opaque); the layers take
// an alpha made from it. The values come from the defaults until the colour settings exist.
#include <array>
#include <cstdint>
#include <string>

#include "core/Color.h"

namespace vt {

inline constexpr int ScreenElementCount = 22;
inline constexpr int ceGraticule = 20;
inline constexpr int ceBackground = 21;

struct TScrElementColorAndOpacity {
    const char* Name;  // the language key for the histogram, graticule and screen
    std::uint8_t Slot;  // 55: the panel background
    std::uint32_t DefaultColor;
};

const std::array<TScrElementColorAndOpacity, ScreenElementCount>& ScreenElements();

// Alpha 255 for opacity byte 0, else round-half-even of percent x 255 / 100 (percent capped at 100).
TColor ColorValueToLayerColor(std::uint32_t colourValue);
// The layer colour of an element (0..21); another element is an internal error.
TColor TraceColor(int element);
// Of a source's element; Const, None and any other source without an element are internal errors.
TColor SourceColor(int source);
TColor SourceColorOpaque(int source);
// Only the RGB bits.
TColor SourceRGB(int source);

}  // namespace vt
