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

namespace {

// The colour of an owner word from the colours its slots give (colourOf(slot); 0: the slot adds
// nothing): the current slot first, then by priority; the first opaque colour ends the walk, the
// last translucent colour met above it is blended over it (over the background where none is opaque).
template <class FColourOf>
inline TColor ComposeOwners(std::uint32_t word, int currentSlot, TColor background, FColourOf&& colourOf) {
    TColor translucent;
    bool haveTranslucent = false;
    auto visit = [&](int slot, TColor& result) {
        const TColor c = colourOf(slot);
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
    const std::uint32_t currentBit = 1u << currentSlot;
    if ((word & currentBit) && visit(currentSlot, result)) return result;
    for (std::uint32_t rest = word & ~currentBit; rest != 0; rest &= rest - 1)
        if (visit(std::countr_zero(rest), result)) return result;
    if (haveTranslucent) return BlendColor(translucent, TColor(background.Value & 0xFFFFFF));
    return NoOwnerColor;
}

}  // namespace

TColor TSignalScreen::ComposePixelColor(std::uint32_t word, int x, int y) const {
    ++Compositions_;
    return ComposeOwners(word, CurrentSlot_, Color(), [&](int slot) {
        // A slot whose layer left the screen without erasing its pixels adds nothing.
        const TScreenLayer* layer = Slots_[static_cast<std::size_t>(slot)].Layer;
        if (!layer) return TColor(0);
        return (slot == slCh1 || slot == slCh2) && InIntensifiedRange(x) ? IntensifiedColor : layer->CellColor(x, y);
    });
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
    const bool ranged = RangeAOn_ || RangeBOn_;
    // Each slot gives its colours one of three ways. Fixed: one colour wherever it owns a pixel (a
    // layer of one colour, or none: 0, nothing). By row: the layer gives the colours of a row's
    // owned cells at once (the waveform layers), or is of one colour but crossed by an intensified
    // range. Otherwise pixel by pixel, each asked of the layer as a single change asks it.
    std::array<TColor, SlotCount> fixed{};
    std::array<int, SlotCount> rowOf{};  // index into the row colours, -1: not by row
    std::uint32_t fixedMask = 0, rowMask = 0, uniformRowMask = 0;
    int rowSlots = 0;
    for (int i = 0; i < SlotCount; ++i) {
        const TSlotRecord& s = Slots_[static_cast<std::size_t>(i)];
        const bool channel = i == slCh1 || i == slCh2;
        rowOf[static_cast<std::size_t>(i)] = -1;
        if (!s.Layer) {
            fixedMask |= s.Bit;
        } else if (s.Layer->UniformColor() && !(channel && ranged)) {
            fixedMask |= s.Bit;
            fixed[static_cast<std::size_t>(i)] = s.Layer->Color();
        } else if (s.Layer->UniformColor() || s.Layer->HasCellColors()) {
            rowMask |= s.Bit;
            if (s.Layer->UniformColor()) uniformRowMask |= s.Bit;
            rowOf[static_cast<std::size_t>(i)] = rowSlots++;
        }
    }
    const std::uint32_t byRowOrFixed = fixedMask | rowMask;
    const auto w64 = static_cast<std::size_t>(width);
    RowColours_.resize(static_cast<std::size_t>(rowSlots) * w64);
    // Per row: the columns a slot coloured by row owns alone (one list per such slot), then the
    // columns of every other owned pixel.
    RowColumns_.resize(static_cast<std::size_t>(rowSlots + 1) * w64);
    std::array<int, SlotCount> singleCount{};
    std::array<int, SlotCount> singleSlot{};  // row index -> slot
    for (int i = 0; i < SlotCount; ++i)
        if (rowOf[static_cast<std::size_t>(i)] >= 0) singleSlot[static_cast<std::size_t>(rowOf[static_cast<std::size_t>(i)])] = i;
    std::uint16_t* mixed = RowColumns_.data() + static_cast<std::size_t>(rowSlots) * w64;
    std::uint64_t composed = 0;
    // Owner words of fixed slots alone repeat along the rows: a few are kept with their pixels.
    constexpr int MemoSize = 16;
    std::array<std::uint32_t, MemoSize> memoWord{};  // 0: empty (a word of 0 is never composed)
    std::array<std::uint32_t, MemoSize> memoPixel{};
    const TColor background = Color();
    const TColor opaqueBackground(background.Value & 0xFFFFFF);
    int left = width, top = height, right = -1, bottom = -1;
    BeginUpdate();
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* words = Words_.data() + static_cast<std::size_t>(y) * w64;
        std::uint32_t* row = Bitmap().Row(y);
        int mixedCount = 0;
        std::fill_n(singleCount.begin(), rowSlots, 0);
        std::uint32_t mixedOwners = 0;
        for (int column = 0; column < width; ++column) {
            const std::uint32_t w = words[column];
            if (w == 0) continue;
            if ((w & (w - 1)) == 0 && (w & rowMask)) {
                const int r = rowOf[static_cast<std::size_t>(std::countr_zero(w))];
                RowColumns_[static_cast<std::size_t>(r) * w64 + static_cast<std::size_t>(singleCount[static_cast<std::size_t>(r)]++)] =
                    static_cast<std::uint16_t>(column);
            } else {
                mixed[mixedCount++] = static_cast<std::uint16_t>(column);
                mixedOwners |= w;
            }
        }
        // The lists rise: the row's first and last owned columns are at their ends.
        int first = mixedCount > 0 ? mixed[0] : width, last = mixedCount > 0 ? mixed[mixedCount - 1] : -1;
        for (int r = 0; r < rowSlots; ++r)
            if (const int n = singleCount[static_cast<std::size_t>(r)]; n > 0) {
                const std::uint16_t* list = RowColumns_.data() + static_cast<std::size_t>(r) * w64;
                first = std::min<int>(first, list[0]);
                last = std::max<int>(last, list[n - 1]);
            }
        if (last < 0) continue;
        left = std::min(left, first);
        right = std::max(right, last);
        if (top > y) top = y;
        bottom = y;
        // Each slot coloured by row gives the colours of the cells it owns alone, written at once, and
        // of every mixed cell when it owns any (asking for the others' mixed cells too costs less than
        // sorting them out).
        for (int r = 0; r < rowSlots; ++r) {
            const int slot = singleSlot[static_cast<std::size_t>(r)];
            const std::uint32_t bit = 1u << slot;
            const int n = singleCount[static_cast<std::size_t>(r)];
            if (n == 0 && !(mixedOwners & bit)) continue;
            TColor* colours = RowColours_.data() + static_cast<std::size_t>(r) * w64;
            const TScreenLayer* layer = Slots_[static_cast<std::size_t>(slot)].Layer;
            const bool channel = slot == slCh1 || slot == slCh2;
            auto colour = [&](std::span<const std::uint16_t> cells) {
                if (uniformRowMask & bit) {
                    for (std::uint16_t c : cells) colours[c] = layer->Color();
                } else {
                    layer->CellColors(y, firstX, cells, colours);
                }
                if (channel && ranged)
                    for (std::uint16_t c : cells)
                        if (InIntensifiedRange(c + firstX)) colours[c] = IntensifiedColor;
            };
            if (n > 0) {
                const std::span<const std::uint16_t> cells(RowColumns_.data() + static_cast<std::size_t>(r) * w64,
                                                           static_cast<std::size_t>(n));
                if (!(uniformRowMask & bit) && !(channel && ranged)) {
                    layer->CellPixels(y, firstX, cells, row, opaqueBackground);
                } else {
                    colour(cells);
                    for (std::uint16_t c : cells) row[c] = SoleOwnerPixel(colours[c], opaqueBackground);
                }
                composed += static_cast<std::uint64_t>(n);
            }
            if (mixedOwners & bit) colour(std::span<const std::uint16_t>(mixed, static_cast<std::size_t>(mixedCount)));
        }
        const TColor* rowColours = RowColours_.data();
        for (int i = 0; i < mixedCount; ++i) {
            const int column = mixed[i];
            const std::uint32_t w = words[column];
            if ((w & ~fixedMask) == 0) {
                const std::size_t m = (w * 0x9E3779B1u) >> 28;
                if (memoWord[m] != w) {
                    memoWord[m] = w;
                    memoPixel[m] = ComposePixelColor(w, column + firstX, y).ToPixel();
                }
                row[column] = memoPixel[m];
            } else if ((w & ~byRowOrFixed) == 0) {
                auto colourOf = [&](int slot) {
                    const int r = rowOf[static_cast<std::size_t>(slot)];
                    return r < 0 ? fixed[static_cast<std::size_t>(slot)] : rowColours[static_cast<std::size_t>(r) * w64 + static_cast<std::size_t>(column)];
                };
                row[column] = ComposeOwners(w, CurrentSlot_, background, colourOf).ToPixel();
                ++composed;
            } else {
                row[column] = ComposePixelColor(w, column + firstX, y).ToPixel();
            }
        }
    }
    Compositions_ += composed;
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
