#include "display/ScreenColors.h"

#include <string_view>

#include "acq/SignalSources.h"
#include "core/InternalError.h"

namespace vt {

namespace {
constexpr std::string_view ColorUnit = "_SHELL\\SRC\\ScreenColors";

constexpr std::array<TScrElementColorAndOpacity, ScreenElementCount> Elements = {{
    {"Ch1", 8, 0x0080FFFF},         {"Ch1 B2", 9, 0x0000AFAF},      {"Ch2", 10, 0x00FFFF80},
    {"Ch2 B2", 11, 0x00AFAF00},     {"F1", 16, 0x00D78FE0},         {"F2", 17, 0x00D7FF00},
    {"F3", 18, 0x00608FFF},         {"F4", 19, 0x00D7C0AF},         {"M1", 20, 0x008050F0},
    {"M2", 21, 0x0080B0B0},         {"M3", 22, 0x00C020F0},         {"M4", 23, 0x00C0C0B0},
    {"S1", 24, 0x0080F0B0},         {"S2", 25, 0x00B0F000},         {"Database", 26, 0x00FFFFFF},
    {"XY", 8, 0x00FFFFFF},          {"Eye Markers", 4, 0x008080FF}, {"Histogram", 6, 0x320000FF},
    {"Mask Template", 27, 0x16FFFFFF}, {"Mask Errors", 5, 0x000000FF}, {"Graticule", 30, 0x004F6F00},
    {"Screen", 55, 0x001F1F00},
}};
}  // namespace

const std::array<TScrElementColorAndOpacity, ScreenElementCount>& ScreenElements() { return Elements; }

TColor ColorValueToLayerColor(std::uint32_t colourValue) {
    std::uint32_t percent = colourValue >> 24;
    if (percent == 0) return TColor(colourValue | 0xFF000000u);
    if (percent > 100) percent = 100;
    // Half-even in integers: q = floor(p x 255 / 100), a remainder of exactly 50 is a half.
    const std::uint32_t scaled = percent * 255;
    std::uint32_t alpha = scaled / 100;
    const std::uint32_t rest = scaled % 100;
    if (rest > 50 || (rest == 50 && (alpha & 1) != 0)) ++alpha;
    return TColor(colourValue & 0x00FFFFFFu).WithAlpha(static_cast<std::uint8_t>(alpha));
}

TColor TraceColor(int element) {
    if (element < 0 || element >= ScreenElementCount) VT_INTERNAL_ERROR(ColorUnit, "Range check error");
    return ColorValueToLayerColor(Elements[static_cast<std::size_t>(element)].DefaultColor);
}

TColor SourceColor(int source) { return TraceColor(SourceToColorIndex(source)); }

TColor SourceColorOpaque(int source) { return SourceColor(source).WithAlpha(0xFF); }

TColor SourceRGB(int source) { return TColor(SourceColor(source).Value & 0x00FFFFFFu); }

}  // namespace vt
