#pragma once
// A waveform screen composed of layers. Each of 32 priority slots holds at most one layer; every pixel
// keeps a word with one bit per slot telling which layers own it, and the colour shown is composed
// from those owners by priority and opacity. Layers never write the bitmap: they set and clear their
// pixels here. A changed pixel reaches the window's dirty rectangle at once but is composed only when
// the bitmap is next read, once however often it changed meanwhile: a sweep clears and sets the
// same pixels many times between two frames of the window.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/Color.h"
#include "display/DrawingSurfaces.h"

namespace vt {

class TScreenLayer;

inline constexpr std::string_view SignalScreenUnitName = "_SHELL\\SRC\\SignalScreenUnit";

inline constexpr int SlotCount = 32;
// Screens with a margin shift every layer x right by this many columns (room for channel markers).
inline constexpr int ScreenMargin = 21;

// Slots: a lower index lies above a higher one; the current slot lies above all.
inline constexpr int slZoomFrame = 0;
inline constexpr int slAnnotation1 = 1;
inline constexpr int slAnnotation2 = 2;
inline constexpr int slMarker2 = 3;
inline constexpr int slMarker1 = 4;  // or the one overlay of the screen
inline constexpr int slMaskErrors = 5;
inline constexpr int slHistogram = 6;
inline constexpr int slMaskEdit = 7;
inline constexpr int slCh1 = 8;  // also the XY trace on the XY screen
inline constexpr int slCh1B2 = 9;
inline constexpr int slCh2 = 10;
inline constexpr int slCh2B2 = 11;
inline constexpr int slF1 = 16;  // F1..F4, M1..M4, S1, S2 follow in 16..25
inline constexpr int slDatabase = 26;
inline constexpr int slMaskTemplate = 27;
inline constexpr int slGraticule = 30;
inline constexpr std::uint8_t NoSlot = 55;

// The slot of each signal source (Ch1, Ch1B2, Ch2, Ch2B2, F1-F4, M1-M4, S1, S2, XY, DB, Hist, Const,
// None).
inline constexpr std::array<std::uint8_t, 19> SourceToSlot = {8,  9,  10, 11, 16, 17, 18, 19, 20, 21,
                                                              22, 23, 24, 25, 8,  26, 6,  55, 55};

// Channel traces inside an intensified x range are drawn in this opaque colour.
inline constexpr TColor IntensifiedColor{0xFFFF80FF};
// A pixel whose owners give no colour at all.
inline constexpr TColor NoOwnerColor{0x0000FF};

// The translucent colour t over u with alpha = t's top byte / 255; each byte rounded half to even.
// Integers only: 255 is odd, so the exact value is never a half and the division rounds it right.
inline constexpr TColor BlendColor(TColor t, TColor u) {
    const std::uint32_t a = t.Alpha();
    auto mix = [a](std::uint32_t tb, std::uint32_t ub) {
        return (2 * (a * tb + (255 - a) * ub) + 255) / 510;
    };
    return TColor(mix(t.Red(), u.Red()) | (mix(t.Green(), u.Green()) << 8) | (mix(t.Blue(), u.Blue()) << 16));
}

// The pixel of the colour a pixel's only owner gives: opaque as it is, translucent over the opaque
// background, no colour (0) the no-owner colour; as composing the pixel gives it.
inline constexpr std::uint32_t SoleOwnerPixel(TColor c, TColor opaqueBackground) {
    return c.Alpha() == 0xFF ? c.ToPixel() : c.Value == 0 ? NoOwnerColor.ToPixel() : BlendColor(c, opaqueBackground).ToPixel();
}

struct TSlotRecord {
    std::uint32_t Bit = 0;
    std::uint32_t CoveringMask = 0;  // owners of these slots hide this slot at a pixel
    bool Translucent = false;
    TScreenLayer* Layer = nullptr;  // not owned
};

class TSignalScreen : public TScanLinesScreen {
public:
    // noMargin: the XY screen, whose layers span the whole width.
    explicit TSignalScreen(TScreenSink* sink = nullptr, bool noMargin = false);

    // The base resize, then one zeroed owner word per pixel.
    void Resize(int left, int top, int width, int height) override;
    // The base clears to the new colour; owned pixels are composed over it again.
    void SetColor(TColor colour) override;

    bool NoMargin() const { return NoMargin_; }
    // Layer x of screen column 0.
    int FirstLayerX() const { return NoMargin_ ? 0 : -ScreenMargin; }

    void RecalcLayerMasks();
    void RegisterLayer(int slot, TScreenLayer* layer);
    TScreenLayer* SlotLayer(int slot) const { return Slots_[CheckedSlot(slot)].Layer; }
    const TSlotRecord& Slot(int slot) const { return Slots_[CheckedSlot(slot)]; }
    int CurrentSlot() const { return CurrentSlot_; }
    std::uint32_t TranslucentMask() const { return TranslucentMask_; }

    // Layer point (x, y); outside the owner words is an internal error.
    void SetLayerPixel(int slot, int x, int y);
    // Nothing at all when the slot already owns the pixel.
    void SetLayerPixelOnce(int slot, int x, int y);
    void ClearLayerPixel(int slot, int x, int y);
    TColor ComposePixelColor(std::uint32_t word, int x, int y) const;
    std::uint32_t OwnerWord(int x, int y) const { return Words_[WordIndex(x, y)]; }
    // Whether any pixel still carries the slot's bit.
    bool SlotOwnsPixels(int slot) const;
    // Every owned pixel composed again, in one batch; pixels without owners stay as they are.
    void RedrawAll();

    void SetOnTop(int slot);
    void SetSlotTranslucent(int slot, bool translucent);

    // Lengths and starts in x screen units 0..4000.
    void SetIntensifiedRanges(int lenA, int startA, int startB, int lenB);
    bool InIntensifiedRange(int x) const {
        return (RangeAOn_ && RangeAFrom_ <= x && x <= RangeATo_) || (RangeBOn_ && RangeBFrom_ <= x && x <= RangeBTo_);
    }
    bool RangeAOn() const { return RangeAOn_; }
    int RangeAFrom() const { return RangeAFrom_; }
    int RangeATo() const { return RangeATo_; }
    bool RangeBOn() const { return RangeBOn_; }
    int RangeBFrom() const { return RangeBFrom_; }
    int RangeBTo() const { return RangeBTo_; }
    int PixelToScreenX(int x) const;
    int PixelToScreenY(int y) const;

    // The frame-drawing mode of the panel's zoom frame and its drag in progress.
    void SetFrameMode(bool on);
    bool FrameMode() const { return FrameMode_; }
    void CancelFrameDrag() { FrameDragging_ = false; }
    bool FrameDragging() const { return FrameDragging_; }

    // Slot whose channel marker is highlighted, 255 none.
    std::uint8_t HighlightedMarkerSlot = 255;

    // Compositions made so far, the pixels waiting included: what a change costs.
    std::uint64_t CompositionCount() {
        SettlePixels();
        return Compositions_;
    }

protected:
    void SettlePixels() override;

private:
    static int CheckedSlot(int slot);
    std::size_t WordIndex(int x, int y) const;
    // Layer point (x, y) at word index i changed: it waits for the next reading of the bitmap.
    void Touch(std::size_t i, int x, int y);

    std::array<TSlotRecord, SlotCount> Slots_{};
    std::uint8_t CurrentSlot_ = 0;
    std::uint32_t TranslucentMask_ = 0;
    bool NoMargin_ = false;
    bool FrameMode_ = false;
    bool FrameDragging_ = false;
    bool RangeAOn_ = false;
    int RangeAFrom_ = 0;
    int RangeATo_ = 0;
    bool RangeBOn_ = false;
    int RangeBFrom_ = 0;
    int RangeBTo_ = 0;
    // Row-major like the bitmap.
    std::vector<std::uint32_t> Words_;
    // One bit a pixel, by word index, for the pixels waiting to be composed, and one bit for each
    // block of 64 of those that has any: a frame visits only the blocks with waiting pixels.
    std::vector<std::uint64_t> Pending_;
    std::vector<std::uint64_t> PendingBlocks_;
    bool AnyPending_ = false;
    // A redraw's colours of the slots it colours by row, one row of the screen's width per slot.
    std::vector<TColor> RowColours_;
    std::vector<std::uint16_t> RowColumns_;
    mutable std::uint64_t Compositions_ = 0;
};

}  // namespace vt
