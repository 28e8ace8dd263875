#include "display/SignalScreen.h"

#include <algorithm>
#include <array>
#include <bit>

#include "core/InternalError.h"
#include "core/Numeric.h"
#include "display/ScreenLayers.h"

namespace vt {

TSignalScreen::TSignalScreen(TScreenSink* sink, bool noMargin) : TScanLinesScreen(sink), NoMargin_(noMargin) {
    for (int i = 0; i < SlotCount; ++i) Slots_[static_cast<std::size_t>(i)].Bit = 1u << i;
    RecalcLayerMasks();
}

int TSignalScreen::CheckedSlot(int slot) {
    if (slot < 0 || slot >= SlotCount) VT_INTERNAL_ERROR(SignalScreenUnitName, "Range check error");
    return slot;
}

std::size_t TSignalScreen::WordIndex(int x, int y) const {
    const int column = NoMargin_ ? x : x + ScreenMargin;
    if (static_cast<unsigned>(column) >= static_cast<unsigned>(Width()) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(Height()))
        VT_INTERNAL_ERROR(SignalScreenUnitName, "Range check error");
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(Width()) + static_cast<std::size_t>(column);
}

void TSignalScreen::Resize(int left, int top, int width, int height) {
    TScanLinesScreen::Resize(left, top, width, height);
    Words_.assign(static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height()), 0);
}

void TSignalScreen::SetColor(TColor colour) {
    if (colour == Color()) return;
    TScanLinesScreen::SetColor(colour);
    RedrawAll();
}

void TSignalScreen::RecalcLayerMasks() {
    std::uint32_t above = 1u << CurrentSlot_;
    for (int i = 0; i < SlotCount; ++i) {
        TSlotRecord& slot = Slots_[static_cast<std::size_t>(i)];
        slot.CoveringMask = i == CurrentSlot_ ? 0 : above & ~TranslucentMask_;
        above |= slot.Bit;
    }
}

void TSignalScreen::RegisterLayer(int slot, TScreenLayer* layer) { Slots_[CheckedSlot(slot)].Layer = layer; }

void TSignalScreen::Put(int x, int y, std::uint32_t word) {
    PutPixel(NoMargin_ ? x : x + ScreenMargin, y, word != 0 ? ComposePixelColor(word, x, y) : Color());
}

void TSignalScreen::SetLayerPixel(int slot, int x, int y) {
    const TSlotRecord& s = Slots_[CheckedSlot(slot)];
    const std::size_t i = WordIndex(x, y);
    const std::uint32_t w = Words_[i] | s.Bit;
    Words_[i] = w;
    // Hidden below an opaque owner: the bit is enough, the pixel shows the same colour.
    if ((w & s.CoveringMask) == 0) Put(x, y, w);
}

void TSignalScreen::SetLayerPixelOnce(int slot, int x, int y) {
    const TSlotRecord& s = Slots_[CheckedSlot(slot)];
    const std::size_t i = WordIndex(x, y);
    if (Words_[i] & s.Bit) return;
    const std::uint32_t w = Words_[i] | s.Bit;
    Words_[i] = w;
    if ((w & s.CoveringMask) == 0) Put(x, y, w);
}

void TSignalScreen::ClearLayerPixel(int slot, int x, int y) {
    const TSlotRecord& s = Slots_[CheckedSlot(slot)];
    const std::size_t i = WordIndex(x, y);
    const std::uint32_t old = Words_[i];
    if ((old & s.Bit) == 0) return;
    Words_[i] = old & ~s.Bit;
    if ((old & s.CoveringMask) == 0) Put(x, y, Words_[i]);
}

TColor TSignalScreen::ComposePixelColor(std::uint32_t word, int x, int y) const {
    ++Compositions_;
    TColor translucent;
    bool haveTranslucent = false;
    // Returns true when the slot's colour is opaque and ends the walk.
    auto visit = [&](int slot, TColor& result) {
        // A slot whose layer left the screen without erasing its pixels adds nothing.
        const TScreenLayer* layer = Slots_[static_cast<std::size_t>(slot)].Layer;
        if (!layer) return false;
        const TColor c =
            (slot == slCh1 || slot == slCh2) && InIntensifiedRange(x) ? IntensifiedColor : layer->CellColor(x, y);
        if (c.Value == 0) return false;
        if (c.Alpha() != 0xFF) {
            translucent = c;
            haveTranslucent = true;
            return false;
        }
        const TColor opaque(c.Value & 0xFFFFFF);
        result = haveTranslucent ? BlendColor(translucent, opaque) : opaque;
        return true;
    };
    TColor result;
    const std::uint32_t currentBit = 1u << CurrentSlot_;
    if ((word & currentBit) && visit(CurrentSlot_, result)) return result;
    for (std::uint32_t rest = word & ~currentBit; rest != 0; rest &= rest - 1)
        if (visit(std::countr_zero(rest), result)) return result;
    if (haveTranslucent) return BlendColor(translucent, TColor(Color().Value & 0xFFFFFF));
    return NoOwnerColor;
}

bool TSignalScreen::SlotOwnsPixels(int slot) const {
    const std::uint32_t bit = Slots_[CheckedSlot(slot)].Bit;
    for (std::uint32_t w : Words_)
        if (w & bit) return true;
    return false;
}

void TSignalScreen::RedrawAll() {
    const int width = Width();
    const int height = Height();
    const int firstX = FirstLayerX();
    // Slots whose pixels have one colour wherever they are: a layer of one colour (the traces only
    // while no range is intensified) or none. A pixel owned by these alone takes the colour its owner
    // word composes to, and the words repeat along the rows, so a few are kept with their colours.
    const bool ranged = RangeAOn_ || RangeBOn_;
    std::uint32_t uniform = 0;
    for (int i = 0; i < SlotCount; ++i) {
        const TSlotRecord& s = Slots_[static_cast<std::size_t>(i)];
        if ((i == slCh1 || i == slCh2) && ranged) continue;
        if (!s.Layer || s.Layer->UniformColor()) uniform |= s.Bit;
    }
    constexpr int MemoSize = 16;
    std::array<std::uint32_t, MemoSize> memoWord{};  // 0: empty (a word of 0 is never composed)
    std::array<std::uint32_t, MemoSize> memoPixel{};
    int left = width, top = height, right = -1, bottom = -1;
    BeginUpdate();
    const std::uint32_t* word = Words_.data();
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = Bitmap().Row(y);
        for (int column = 0; column < width; ++column, ++word) {
            const std::uint32_t w = *word;
            if (w == 0) continue;
            if ((w & ~uniform) == 0) {
                const std::size_t m = (w * 0x9E3779B1u) >> 28;
                if (memoWord[m] != w) {
                    memoWord[m] = w;
                    memoPixel[m] = ComposePixelColor(w, column + firstX, y).ToPixel();
                }
                row[column] = memoPixel[m];
            } else {
                row[column] = ComposePixelColor(w, column + firstX, y).ToPixel();
            }
            left = std::min(left, column);
            right = std::max(right, column);
            if (top > y) top = y;
            bottom = y;
        }
    }
    if (right >= 0) MarkChanged(left, top, right, bottom);
    EndUpdate();
}

void TSignalScreen::SetOnTop(int slot) {
    CheckedSlot(slot);
    if (slot == CurrentSlot_) return;
    CurrentSlot_ = static_cast<std::uint8_t>(slot);
    RecalcLayerMasks();
    RedrawAll();
}

void TSignalScreen::SetSlotTranslucent(int slot, bool translucent) {
    TSlotRecord& s = Slots_[CheckedSlot(slot)];
    if (s.Translucent == translucent) return;
    s.Translucent = translucent;
    if (translucent) {
        TranslucentMask_ |= s.Bit;
    } else {
        TranslucentMask_ &= ~s.Bit;
    }
    RecalcLayerMasks();
    RedrawAll();
}

void TSignalScreen::SetIntensifiedRanges(int lenA, int startA, int startB, int lenB) {
    const double perUnit = (Width() - 22) / 4000.0;
    const int highest = Width() - 23;
    auto place = [&](double units) {
        const std::int64_t v = RoundHalfEven(units * perUnit);
        return static_cast<int>(std::max<std::int64_t>(std::min<std::int64_t>(v, highest), 1));
    };
    auto clampEnd = [&](int v) { return std::max(std::min(v, highest), 1); };
    RangeAOn_ = lenA != 0;
    RangeAFrom_ = place(startA);
    RangeATo_ = clampEnd(static_cast<int>(RangeAFrom_ + RoundHalfEven(lenA * perUnit)));
    RangeBOn_ = lenB != 0;
    RangeBFrom_ = place(startB);
    RangeBTo_ = clampEnd(static_cast<int>(RangeBFrom_ + RoundHalfEven(lenB * perUnit)));
    for (int slot : {slCh1, slCh2}) {
        TScreenLayer* layer = Slots_[static_cast<std::size_t>(slot)].Layer;
        if (layer && layer->IsWaveformLayer()) layer->Refresh();
    }
}

int TSignalScreen::PixelToScreenX(int x) const {
    const int span = Width() - 22;
    if (span <= 0) return 0;
    return static_cast<int>(RoundHalfEven(static_cast<double>(x) / span * 4000.0));
}

int TSignalScreen::PixelToScreenY(int y) const {
    const int span = Height() - 1;
    if (span <= 0) return 0;
    return static_cast<int>(RoundHalfEven((1.0 - static_cast<double>(y) / span) * 1024.0));
}

void TSignalScreen::SetFrameMode(bool on) {
    FrameMode_ = on;
    if (!on) FrameDragging_ = false;
}

}  // namespace vt
