#include "display/SignalScreen.h"

#include <algorithm>
#include <array>
#include <bit>
#include <span>
#include <utility>
#include <vector>

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
    // The waiting pixels were of the old size: the new bitmap starts from the screen's colour.
    AnyPending_ = false;
    TScanLinesScreen::Resize(left, top, width, height);
    Words_.assign(static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height()), 0);
    Pending_.assign(Words_.size() / 64 + 1, 0);
    PendingBlocks_.assign(Pending_.size() / 64 + 1, 0);
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

void TSignalScreen::RegisterLayer(int slot, TScreenLayer* layer) {
    // The waiting pixels take their colours from the layers they were changed by.
    SettlePixels();
    Slots_[CheckedSlot(slot)].Layer = layer;
}

void TSignalScreen::Touch(std::size_t i, int x, int y) {
    const std::size_t block = i / 64;
    Pending_[block] |= std::uint64_t{1} << (i % 64);
    PendingBlocks_[block / 64] |= std::uint64_t{1} << (block % 64);
    AnyPending_ = true;
    const int column = x - FirstLayerX();
    MarkChanged(column, y, column, y);
}

void TSignalScreen::SettlePixels() {
    if (!AnyPending_) return;
    AnyPending_ = false;
    TSLBMP& canvas = HeldCanvas();
    const auto width = static_cast<std::size_t>(Width());
    const int firstX = FirstLayerX();
    const std::uint32_t background = Color().ToPixel();
    // In the order of the bitmap's memory, whatever order the pixels changed in; the row follows
    // the rising index.
    std::size_t rowStart = 0;
    int y = 0;
    for (std::size_t group = 0; group < PendingBlocks_.size(); ++group) {
        for (std::uint64_t blocks = std::exchange(PendingBlocks_[group], 0); blocks != 0; blocks &= blocks - 1) {
            const std::size_t block = group * 64 + static_cast<std::size_t>(std::countr_zero(blocks));
            for (std::uint64_t bits = std::exchange(Pending_[block], 0); bits != 0; bits &= bits - 1) {
                const std::size_t i = block * 64 + static_cast<std::size_t>(std::countr_zero(bits));
                while (i - rowStart >= width) {
                    rowStart += width;
                    ++y;
                }
                const std::uint32_t w = Words_[i];
                const int column = static_cast<int>(i - rowStart);
                canvas.Row(y)[column] = w != 0 ? ComposePixelColor(w, column + firstX, y).ToPixel() : background;
            }
        }
    }
}

void TSignalScreen::SetLayerPixel(int slot, int x, int y) {
    const TSlotRecord& s = Slots_[CheckedSlot(slot)];
    const std::size_t i = WordIndex(x, y);
    const std::uint32_t w = Words_[i] | s.Bit;
    Words_[i] = w;
    // Hidden below an opaque owner: the bit is enough, the pixel shows the same colour.
    if ((w & s.CoveringMask) == 0) Touch(i, x, y);
}

void TSignalScreen::SetLayerPixelOnce(int slot, int x, int y) {
    const TSlotRecord& s = Slots_[CheckedSlot(slot)];
    const std::size_t i = WordIndex(x, y);
    if (Words_[i] & s.Bit) return;
    const std::uint32_t w = Words_[i] | s.Bit;
    Words_[i] = w;
    if ((w & s.CoveringMask) == 0) Touch(i, x, y);
}

void TSignalScreen::ClearLayerPixel(int slot, int x, int y) {
    const TSlotRecord& s = Slots_[CheckedSlot(slot)];
    const std::size_t i = WordIndex(x, y);
    const std::uint32_t old = Words_[i];
    if ((old & s.Bit) == 0) return;
    Words_[i] = old & ~s.Bit;
    if ((old & s.CoveringMask) == 0) Touch(i, x, y);
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

namespace {

// A row's owned columns sorted by owner: the columns each slot coloured by row owns alone (by its
// index of the lists), and the mixed ones, owned by more slots or by a slot coloured otherwise. Every
// list rises. The lists live in the redraw's buffers until the next row is sorted.
struct TSortedRow {
    const std::uint16_t* Lists = nullptr;  // list r at r * Width, the mixed list after the last
    std::size_t Width = 0;
    int RowSlots = 0;
    std::array<int, SlotCount> SoleCount{};
    int MixedCount = 0;
    std::uint32_t MixedOwners = 0;  // every owner of a mixed column
    // The row's first and last owned columns; Last < 0: the row owns none.
    int First = 0, Last = -1;

    std::span<const std::uint16_t> Sole(int r) const {
        return {Lists + static_cast<std::size_t>(r) * Width, static_cast<std::size_t>(SoleCount[static_cast<std::size_t>(r)])};
    }
    std::span<const std::uint16_t> Mixed() const {
        return {Lists + static_cast<std::size_t>(RowSlots) * Width, static_cast<std::size_t>(MixedCount)};
    }
};

// A full redraw, a row at a time in three steps: sort the row's owned columns by owner, paint the
// columns a slot coloured by row owns alone, then compose the mixed cells owner by owner.
class TFullRedraw {
public:
    TFullRedraw(const TSignalScreen& screen, std::vector<std::uint16_t>& columns, std::vector<TColor>& colours);

    TSortedRow SortRow(const std::uint32_t* words);
    void PaintSoleOwners(int y, const TSortedRow& sorted, std::uint32_t* row);
    void ComposeMixedCells(int y, const TSortedRow& sorted, const std::uint32_t* words, std::uint32_t* row);

    std::uint64_t Composed() const { return Composed_; }

private:
    std::uint16_t* SoleColumns(int r) { return Columns_.data() + static_cast<std::size_t>(r) * Width_; }
    std::uint16_t* MixedColumns() { return SoleColumns(RowSlots_); }
    TColor* RowColours(int r) { return Colours_.data() + static_cast<std::size_t>(r) * Width_; }
    // The colours slot gives cells: its layer's, the intensified colour inside a range.
    void ColourCells(int y, int slot, std::span<const std::uint16_t> cells, TColor* colours) const;
    // The pixels of cells slot owns alone, written into the row.
    void SolePixels(int y, int slot, std::span<const std::uint16_t> cells, std::uint32_t* row) const;
    bool Ranged(int slot) const { return RangedSlots_ & (1u << slot); }
    // run(from, to) for each run of the rising cells that lies inside an intensified range.
    template <class FRun>
    void ForEachRangeRun(std::span<const std::uint16_t> cells, FRun&& run) const;

    const TSignalScreen& Screen_;
    std::vector<std::uint16_t>& Columns_;  // per slot coloured by row its sole columns, then the mixed
    std::vector<TColor>& Colours_;         // per slot coloured by row the colours of a row's cells
    std::size_t Width_;
    int FirstX_;
    TColor Background_, OpaqueBackground_;
    // Each slot gives its colours one of three ways. Fixed: one colour wherever it owns a pixel (a
    // layer of one colour, or none: 0, nothing). By row: the layer gives the colours of a row's owned
    // cells at once (the waveform layers), or is of one colour but crossed by an intensified range.
    // Otherwise pixel by pixel, each asked of the layer as a single change asks it.
    std::array<TColor, SlotCount> Fixed_{};
    std::array<int, SlotCount> RowOf_{};      // index of the slot's lists, -1: not coloured by row
    std::array<int, SlotCount> SlotOfRow_{};  // list index -> slot
    std::uint32_t FixedMask_ = 0, RowMask_ = 0, UniformRowMask_ = 0, RangedSlots_ = 0;
    int RowSlots_ = 0;
    // The intensified ranges as column intervals, rising and apart.
    std::array<std::pair<int, int>, 2> Ranges_{};
    int RangeCount_ = 0;
    std::uint64_t Composed_ = 0;
    // Owner words of fixed slots alone repeat along the rows: a few are kept with their pixels.
    static constexpr int MemoSize = 16;
    std::array<std::uint32_t, MemoSize> MemoWord_{};  // 0: empty (a word of 0 is never composed)
    std::array<std::uint32_t, MemoSize> MemoPixel_{};
};

TFullRedraw::TFullRedraw(const TSignalScreen& screen, std::vector<std::uint16_t>& columns,
                         std::vector<TColor>& colours)
    : Screen_(screen), Columns_(columns), Colours_(colours), Width_(static_cast<std::size_t>(screen.Width())),
      FirstX_(screen.FirstLayerX()), Background_(screen.Color()), OpaqueBackground_(screen.Color().Value & 0xFFFFFF) {
    const bool ranged = screen.RangeAOn() || screen.RangeBOn();
    for (int i = 0; i < SlotCount; ++i) {
        const TSlotRecord& s = screen.Slot(i);
        const bool channel = i == slCh1 || i == slCh2;
        RowOf_[static_cast<std::size_t>(i)] = -1;
        if (!s.Layer) {
            FixedMask_ |= s.Bit;
        } else if (s.Layer->UniformColor() && !(channel && ranged)) {
            FixedMask_ |= s.Bit;
            Fixed_[static_cast<std::size_t>(i)] = s.Layer->Color();
        } else if (s.Layer->UniformColor() || s.Layer->HasCellColors()) {
            RowMask_ |= s.Bit;
            if (s.Layer->UniformColor()) UniformRowMask_ |= s.Bit;
            if (channel && ranged) RangedSlots_ |= s.Bit;
            SlotOfRow_[static_cast<std::size_t>(RowSlots_)] = i;
            RowOf_[static_cast<std::size_t>(i)] = RowSlots_++;
        }
    }
    // Layer x to column: the ranges merged where they touch, so that a rising list splits at most
    // four times.
    std::array<std::pair<int, int>, 2> ranges{};
    int n = 0;
    if (screen.RangeAOn()) ranges[static_cast<std::size_t>(n++)] = {screen.RangeAFrom() - FirstX_, screen.RangeATo() - FirstX_};
    if (screen.RangeBOn()) ranges[static_cast<std::size_t>(n++)] = {screen.RangeBFrom() - FirstX_, screen.RangeBTo() - FirstX_};
    std::sort(ranges.begin(), ranges.begin() + n);
    for (int k = 0; k < n; ++k) {
        const auto range = ranges[static_cast<std::size_t>(k)];
        if (range.first > range.second) continue;
        if (RangeCount_ > 0 && range.first <= Ranges_[static_cast<std::size_t>(RangeCount_ - 1)].second + 1) {
            auto& lastRange = Ranges_[static_cast<std::size_t>(RangeCount_ - 1)];
            lastRange.second = std::max(lastRange.second, range.second);
        } else {
            Ranges_[static_cast<std::size_t>(RangeCount_++)] = range;
        }
    }
    Colours_.resize(static_cast<std::size_t>(RowSlots_) * Width_);
    Columns_.resize(static_cast<std::size_t>(RowSlots_ + 1) * Width_);
}

TSortedRow TFullRedraw::SortRow(const std::uint32_t* words) {
    // Locals, so that the loop keeps them in registers while it stores the columns.
    std::array<int, SlotCount> counts{};
    std::uint16_t* const lists = Columns_.data();
    std::uint16_t* const mixed = MixedColumns();
    const std::size_t width = Width_;
    const std::uint32_t rowMask = RowMask_;
    int mixedCount = 0;
    std::uint32_t mixedOwners = 0;
    for (std::size_t column = 0; column < width; ++column) {
        const std::uint32_t w = words[column];
        if (w == 0) continue;
        if ((w & (w - 1)) == 0 && (w & rowMask)) {
            const auto r = static_cast<std::size_t>(RowOf_[static_cast<std::size_t>(std::countr_zero(w))]);
            lists[r * width + static_cast<std::size_t>(counts[r]++)] = static_cast<std::uint16_t>(column);
        } else {
            mixed[mixedCount++] = static_cast<std::uint16_t>(column);
            mixedOwners |= w;
        }
    }
    TSortedRow sorted{.Lists = lists, .Width = width, .RowSlots = RowSlots_, .SoleCount = counts,
                      .MixedCount = mixedCount, .MixedOwners = mixedOwners};
    // The lists rise: the row's first and last owned columns are at their ends.
    sorted.First = mixedCount > 0 ? mixed[0] : static_cast<int>(width);
    sorted.Last = mixedCount > 0 ? mixed[mixedCount - 1] : -1;
    for (int r = 0; r < RowSlots_; ++r)
        if (const std::span<const std::uint16_t> sole = sorted.Sole(r); !sole.empty()) {
            sorted.First = std::min<int>(sorted.First, sole.front());
            sorted.Last = std::max<int>(sorted.Last, sole.back());
        }
    return sorted;
}

void TFullRedraw::ColourCells(int y, int slot, std::span<const std::uint16_t> cells, TColor* colours) const {
    const TScreenLayer* layer = Screen_.Slot(slot).Layer;
    if (UniformRowMask_ & (1u << slot)) {
        for (std::uint16_t c : cells) colours[c] = layer->Color();
    } else {
        layer->CellColors(y, FirstX_, cells, colours);
    }
    if (Ranged(slot))
        ForEachRangeRun(cells, [colours](auto from, auto to) {
            for (auto c = from; c != to; ++c) colours[*c] = IntensifiedColor;
        });
}

template <class FRun>
void TFullRedraw::ForEachRangeRun(std::span<const std::uint16_t> cells, FRun&& run) const {
    auto at = cells.begin();
    for (int k = 0; k < RangeCount_ && at != cells.end(); ++k) {
        const auto [from, to] = Ranges_[static_cast<std::size_t>(k)];
        const auto inside = std::lower_bound(at, cells.end(), from);
        at = std::upper_bound(inside, cells.end(), to);
        if (inside != at) run(inside, at);
    }
}

void TFullRedraw::SolePixels(int y, int slot, std::span<const std::uint16_t> cells, std::uint32_t* row) const {
    const TScreenLayer* layer = Screen_.Slot(slot).Layer;
    const bool uniform = UniformRowMask_ & (1u << slot);
    const std::uint32_t ownPixel = uniform ? SoleOwnerPixel(layer->Color(), OpaqueBackground_) : 0;
    auto paintOutside = [&](std::span<const std::uint16_t> part) {
        if (part.empty()) return;
        if (uniform) {
            for (std::uint16_t c : part) row[c] = ownPixel;
        } else {
            layer->CellPixels(y, FirstX_, part, row, OpaqueBackground_);
        }
    };
    if (!Ranged(slot)) {
        paintOutside(cells);
        return;
    }
    // The list rises: each range is one run of it, painted in the intensified colour at once.
    const std::uint32_t intensified = IntensifiedColor.ToPixel();
    auto at = cells.begin();
    ForEachRangeRun(cells, [&](auto from, auto to) {
        paintOutside(std::span<const std::uint16_t>(at, from));
        for (auto c = from; c != to; ++c) row[*c] = intensified;
        at = to;
    });
    paintOutside(std::span<const std::uint16_t>(at, cells.end()));
}

void TFullRedraw::PaintSoleOwners(int y, const TSortedRow& sorted, std::uint32_t* row) {
    for (int r = 0; r < sorted.RowSlots; ++r) {
        const int slot = SlotOfRow_[static_cast<std::size_t>(r)];
        if (const std::span<const std::uint16_t> sole = sorted.Sole(r); !sole.empty()) {
            SolePixels(y, slot, sole, row);
            Composed_ += sole.size();
        }
        // A slot that owns any mixed cell gives the colours of them all: asking for the others' mixed
        // cells too costs less than sorting them out.
        if (sorted.MixedOwners & (1u << slot)) ColourCells(y, slot, sorted.Mixed(), RowColours(r));
    }
}

void TFullRedraw::ComposeMixedCells(int y, const TSortedRow& sorted, const std::uint32_t* words, std::uint32_t* row) {
    const std::uint32_t byRowOrFixed = FixedMask_ | RowMask_;
    for (const std::uint16_t mixedColumn : sorted.Mixed()) {
        const int column = mixedColumn;
        const std::uint32_t w = words[column];
        if ((w & ~FixedMask_) == 0) {
            const std::size_t m = (w * 0x9E3779B1u) >> 28;
            if (MemoWord_[m] != w) {
                MemoWord_[m] = w;
                MemoPixel_[m] = Screen_.ComposePixelColor(w, column + FirstX_, y).ToPixel();
            }
            row[column] = MemoPixel_[m];
        } else if ((w & ~byRowOrFixed) == 0) {
            auto colourOf = [&](int slot) {
                const int r = RowOf_[static_cast<std::size_t>(slot)];
                return r < 0 ? Fixed_[static_cast<std::size_t>(slot)] : RowColours(r)[column];
            };
            row[column] = ComposeOwners(w, Screen_.CurrentSlot(), Background_, colourOf).ToPixel();
            ++Composed_;
        } else {
            row[column] = Screen_.ComposePixelColor(w, column + FirstX_, y).ToPixel();
        }
    }
}

}  // namespace

void TSignalScreen::RedrawAll() {
    TFullRedraw redraw(*this, RowColumns_, RowColours_);
    const int width = Width();
    const int height = Height();
    int left = width, top = height, right = -1, bottom = -1;
    // The rows below compose every owned pixel again; the waiting ones without owners need it too.
    SettlePixels();
    TSLBMP& canvas = HeldCanvas();
    BeginUpdate();
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* words = Words_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const TSortedRow sorted = redraw.SortRow(words);
        if (sorted.Last < 0) continue;
        std::uint32_t* row = canvas.Row(y);
        redraw.PaintSoleOwners(y, sorted, row);
        redraw.ComposeMixedCells(y, sorted, words, row);
        left = std::min(left, sorted.First);
        right = std::max(right, sorted.Last);
        if (top > y) top = y;
        bottom = y;
    }
    Compositions_ += redraw.Composed();
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
