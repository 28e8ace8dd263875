#include "core/Color.h"

#include "core/Numeric.h"

namespace vt {

TColor DivideColor(TColor color, double factor) {
    // Below 1 (or not a number) the components would leave 0..255.
    if (!(factor >= 1)) factor = 1;
    const auto part = [&](std::uint8_t c) { return static_cast<std::uint32_t>(RoundHalfEven(c / factor)); };
    return TColor(part(color.Red()) | (part(color.Green()) << 8) | (part(color.Blue()) << 16) |
                  (color.Value & 0xFF000000u));
}

TColor ContrastTextColor(TColor color) {
    const double brightness = 0.33 * color.Red() + 0.66 * color.Green() + 0.11 * color.Blue();
    return brightness > 128 ? clBlack : clWhite;
}

}  // namespace vt
