#include "display/ScreenColors.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "acq/SignalSources.h"
#include "core/InternalError.h"
#include "core/Numeric.h"

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

std::string ElementColorMnemonic(int element) {
    if (element < 0 || element >= ScreenElementCount) VT_INTERNAL_ERROR(ColorUnit, "Range check error");
    std::string m;
    for (const char* c = Elements[static_cast<std::size_t>(element)].Name; *c != 0; ++c)
        if (*c != ' ' && *c != '.') m += *c;
    return m;
}

// ---------------------------------------------------------------------------------------------------
// The colour model, in doubles and in the order the steps are written.

THLS ColorToHLS(TColor colour) {
    const std::array<double, 3> c = {static_cast<double>(colour.Red()), static_cast<double>(colour.Green()),
                                     static_cast<double>(colour.Blue())};
    const double hi = std::max({c[0], c[1], c[2]});
    const double lo = std::min({c[0], c[1], c[2]});
    THLS out;
    const double l = (hi + lo) / 2 * 240 / 255;
    out.Luminance = l;
    // Each channel freed of the luminance.
    std::array<double, 3> f{};
    for (std::size_t i = 0; i < 3; ++i) {
        const double x = c[i];
        if (l < 0.1) f[i] = 0;
        else if (l >= 120) f[i] = l <= 239.9 ? 255 - (255 - x) / ((240 - l) / 120) : (x - 0.01) / 2;
        else f[i] = x / (l / 120);
    }
    out.Saturation = (std::max({f[0], f[1], f[2]}) - std::min({f[0], f[1], f[2]})) * 240 / 255;

    const double range = hi - lo;
    if (range == 0) {
        out.Hue = 160;
        return out;
    }
    enum { R = 0, G = 1, B = 2 };
    const double r = c[R], g = c[G], b = c[B];
    int largest = B;
    if (r > g && r > b) largest = R;
    else if (g >= r && g > b) largest = G;
    int middle = 0;
    if (largest == R) middle = b < g ? G : B;
    else if (largest == G) middle = b < r ? R : B;
    else middle = g < r ? R : G;
    // The pair picks the sector's base and its reference channel.
    const int pair = largest + middle;  // R+G 1, R+B 2, G+B 3
    const double base = pair == 1 ? 40 : pair == 3 ? 120 : 200;
    const int reference = pair == 1 ? R : pair == 3 ? G : B;
    const double mid = c[static_cast<std::size_t>(middle)] > lo ? c[static_cast<std::size_t>(middle)] - lo : 0;
    const double m = (range - mid) / range * 40;
    out.Hue = largest == reference ? base - m : base + m;
    return out;
}

TColor HLSToColor(double luminance, double saturation, double hue) {
    const double centre = hue < 80 ? 40 : hue < 160 ? 120 : 200;
    const double a = hue - centre;
    const double v = (40 - std::fabs(a)) / 40 * 255;
    const double first = a >= 0 ? v : 255;
    const double second = a >= 0 ? 255 : v;
    std::array<double, 3> c{};  // red, green, blue
    if (centre == 40) c = {first, second, 0};
    else if (centre == 120) c = {0, first, second};
    else c = {second, 0, first};
    for (double& x : c) x = (x - 127.5) * saturation / 240 + 127.5;
    if (luminance >= 120) {
        const double k = (240 - luminance) / 120;
        for (double& x : c) x = 255 - (255 - x) * k;
    } else {
        const double k = luminance / 120;
        for (double& x : c) x = x * k;
    }
    const auto channel = [](double x) { return static_cast<std::uint32_t>(std::clamp<std::int64_t>(RoundHalfEven(x), 0, 255)); };
    return TColor(channel(c[2]) * 65536 + channel(c[1]) * 256 + channel(c[0]));
}

TColor ColorWithLuminance(TColor colour, double luminance) {
    const THLS hls = ColorToHLS(colour);
    return HLSToColor(luminance, hls.Saturation, hls.Hue);
}

// ---------------------------------------------------------------------------------------------------
void TScreenColors::SetColorHandler(int element, TIntEditHandler* handler) {
    if (element < 0 || element >= ScreenElementCount) VT_INTERNAL_ERROR(ColorUnit, "Range check error");
    Handlers_[static_cast<std::size_t>(element)] = handler;
}

TIntEditHandler* TScreenColors::ColorHandler(int element) const {
    if (element < 0 || element >= ScreenElementCount) VT_INTERNAL_ERROR(ColorUnit, "Range check error");
    return Handlers_[static_cast<std::size_t>(element)];
}

std::uint32_t TScreenColors::ColorValue(int element) const {
    const TIntEditHandler* h = ColorHandler(element);
    if (!h) return Elements[static_cast<std::size_t>(element)].DefaultColor;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(h->GetValue(), 0, MaxColorValue));
}

TColor TScreenColors::SourceColor(int source) const {
    const int element = SourceToColorIndex(source);
    if (element < 0 || element >= ScreenElementCount) VT_INTERNAL_ERROR(ColorUnit, "Range check error");
    return ElementColor(element);
}

TColor TScreenColors::TraceColor(int source) const {
    const int element = SourceToColorIndex(source);
    if (element < 0 || element >= ScreenElementCount) return clWhite;
    return ElementColor(element);
}

THandler* TScreenColors::TraceColorHandler(int source) const {
    const int element = SourceToColorIndex(source);
    if (element < 0 || element >= ScreenElementCount) return nullptr;
    return ColorHandler(element);
}

}  // namespace vt
