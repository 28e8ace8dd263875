#pragma once
// A colour as the system stores it: red in the low byte (0x00BBGGRR), alpha in the high byte where
// the system keeps one. Pixels and toolkit colours are made only by the named conversions here; a
// darker shade and a readable text colour are computed here too.
#include <cstdint>

namespace vt {

struct TColor {
    std::uint32_t Value = 0;

    constexpr TColor() = default;
    constexpr explicit TColor(std::uint32_t bgr) : Value(bgr) {}
    static constexpr TColor FromRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return TColor(static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
                      (static_cast<std::uint32_t>(b) << 16));
    }
    constexpr std::uint8_t Red() const { return static_cast<std::uint8_t>(Value & 0xFF); }
    constexpr std::uint8_t Green() const { return static_cast<std::uint8_t>((Value >> 8) & 0xFF); }
    constexpr std::uint8_t Blue() const { return static_cast<std::uint8_t>((Value >> 16) & 0xFF); }
    constexpr std::uint8_t Alpha() const { return static_cast<std::uint8_t>(Value >> 24); }
    constexpr TColor WithAlpha(std::uint8_t a) const {
        return TColor((Value & 0x00FFFFFFu) | (static_cast<std::uint32_t>(a) << 24));
    }
    // A 32-bit pixel of our screen buffers: 0xAARRGGBB with the alpha byte set opaque.
    constexpr std::uint32_t ToPixel() const {
        return 0xFF000000u | (static_cast<std::uint32_t>(Red()) << 16) |
               (static_cast<std::uint32_t>(Green()) << 8) | Blue();
    }
    static constexpr TColor FromPixel(std::uint32_t argb) {
        return FromRGB(static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                       static_cast<std::uint8_t>(argb));
    }
    constexpr bool operator==(const TColor&) const = default;
};

inline constexpr TColor clBlack{0x000000};
inline constexpr TColor clWhite{0xFFFFFF};
inline constexpr TColor clRed{0x0000FF};
inline constexpr TColor clYellow{0x00FFFF};

// Red, green and blue divided by the factor, each rounded; a factor below 1 counts as 1. Alpha stays.
TColor DivideColor(TColor color, double factor);
// Black on a light colour (0.33 red + 0.66 green + 0.11 blue above 128), else white.
TColor ContrastTextColor(TColor color);

}  // namespace vt
