#pragma once
// The colour of every screen element: the 14 traces, the database, the XY trace, the eye markers, the
// histogram, the mask template and errors, the graticule and the background. A colour value holds
// the RGB (red in the low byte) and the opacity percent in the top byte (0: opaque); the layers take
// an alpha made from it. The values come from the defaults until the colour settings exist.
#include <array>
#include <functional>
#include <cstdint>
#include <string>

#include "core/Color.h"
#include "core/EditHandlers.h"

namespace vt {

inline constexpr int ScreenElementCount = 22;
inline constexpr int ceGraticule = 20;
inline constexpr int ceHistogram = 17;
inline constexpr int ceBackground = 21;
// The largest colour value: opaque percent 100 and white.
inline constexpr std::uint32_t MaxColorValue = 0x64FFFFFF;

struct TScrElementColorAndOpacity {
    const char* Name;  // also the language key of the histogram, graticule and screen captions
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

// The command mnemonic of an element: its name without blanks and dots ("Ch1B2", "EyeMarkers"). The
// histogram, graticule and screen keep their English names whatever the language, so that a setup
// saved in one language loads in another.
std::string ElementColorMnemonic(int element);

// Hue, luminance and saturation, each on a 0..240 scale.
struct THLS {
    double Hue = 0;
    double Luminance = 0;
    double Saturation = 0;
};
THLS ColorToHLS(TColor colour);
// An RGB colour (no opacity) of the luminance, saturation and hue.
TColor HLSToColor(double luminance, double saturation, double hue);
// The colour's own hue and saturation at the luminance.
TColor ColorWithLuminance(TColor colour, double luminance);
// The luminances of the five grades of the gray-scale styles.
inline constexpr std::array<double, 5> GrayScaleLuminances = {60, 90, 140, 195, 230};
// The five colour-grade settings' initial colours, setting 1 (the densest hits) first.
inline constexpr std::array<std::uint32_t, 5> InitialGradeColors = {0xFFFFFF, 0x00CCFF, 0x4A4AFF, 0xFF3131, 0x00AE00};

// The colours as the settings hold them: each element's `Displ:Color:` setting once registered, the
// defaults before. Installed in the command tree, it gives the numeric settings their source colours;
// its owner takes it out of the tree before it goes.
class TScreenColors : public IColorSettings {
public:
    TScreenColors() = default;
    TScreenColors(const TScreenColors&) = delete;
    TScreenColors& operator=(const TScreenColors&) = delete;

    void SetColorHandler(int element, TIntEditHandler* handler);
    TIntEditHandler* ColorHandler(int element) const;
    // The setting's value, above 0x64FFFFFF clamped.
    std::uint32_t ColorValue(int element) const;
    TColor ElementColor(int element) const { return ColorValueToLayerColor(ColorValue(element)); }
    TColor SourceColor(int source) const;
    TColor SourceColorOpaque(int source) const { return SourceColor(source).WithAlpha(0xFF); }
    TColor SourceRGB(int source) const { return TColor(SourceColor(source).Value & 0x00FFFFFFu); }


    // IColorSettings: by source; a source without an element has no colour of its own.
    TColor TraceColor(int source) const override;
    TColor BackgroundColor() const override { return ElementColor(ceBackground); }
    THandler* TraceColorHandler(int source) const override;
    THandler* BackgroundColorHandler() const override { return ColorHandler(ceBackground); }

    // The recolouring of the measurement histicons; none until they exist.
    std::function<void()> RecolourHisticons;

private:
    std::array<TIntEditHandler*, ScreenElementCount> Handlers_{};
};

}  // namespace vt
