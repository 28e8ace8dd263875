#pragma once
// The bottom strip: the readout cells of the analysis features below the screens. The cell grids are
// fixed; a text that changes on every acquisition goes through one of 15 delayed-text slots, each of
// which shows at most one new text per delay (the last one given wins); a press on a listed readout
// asks the feature that owns the strip for its action or popup menu. In a panel narrower than the
// grids the strip squeezes every cell alike and narrows the letters of the texts that no longer fit.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "display/DrawingSurfaces.h"
#include "display/HintStack.h"

namespace vt {

inline constexpr std::string_view BottomTextUnitName = "_SHELL\\SRC\\BottomText";
inline constexpr int DelayedTextSlotCount = 15;
inline constexpr double DefaultTextDelay = 0.5;  // seconds
// The grids are laid out for a strip this wide; callers name cells in these pixels whatever its width.
inline constexpr int NizGridWidth = 528;
inline constexpr int NizHeight = 81;
// Squeezed below this, the letters would have to narrow past half their width: a narrower panel cuts
// the strip's right-hand columns instead.
inline constexpr int NizLeastWidth = 280;

// The cell grids, in strip pixels (inclusive); value: the value part, else the label part. An index
// outside the grid is an internal error.
TPixelRect MarkerCellRect(int row, int column, bool value);  // row 1..5, column 1..4
TPixelRect ParamCellRect(int n, bool value);                 // n 0..9
TPixelRect JitterCellRect(int n, bool value);                // n 0..9
TPixelRect HistCellRect(int row, int column, bool value);    // row 1..5, column 1..3
TPixelRect MaskCellRect(int row, int column, bool value);    // row 1..5, column 1..3
// The measurement table: row -1 the header, rows 0..3; columns 1..7, 45 the wide cell over 4 and 5.
TPixelRect NizCellRect(int row, int column);

// One item of a readout's popup menu.
struct TStripMenuItem {
    std::string Caption;
    std::string Command;  // the word handed back when chosen
    bool Checked = false;
    bool Enabled = true;
    bool Default = false;
    bool Separator = false;
};
using TStripMenu = std::vector<TStripMenuItem>;

// A feature whose readouts the strip lists (measurements, eye, TDR).
class TReadoutProvider {
public:
    virtual ~TReadoutProvider() = default;
    struct TListedCell {
        TPixelRect Cell;
        int Number = 0;  // the readout the cell shows: the selected cell on a hit
    };
    // The cells listed now; none while the feature shows no list.
    virtual std::vector<TListedCell> ListedCells() const = 0;
    virtual void LeftClick(int /*number*/) {}
    virtual TStripMenu BuildPopupMenu(int number) = 0;
    virtual void HandlePopupCommand(const std::string& command, int selected) = 0;
};
// Asked in this order.
enum class TReadoutKind : int { Measurements, Eye, Tdr, Count };
using TReadoutProviders = std::array<TReadoutProvider*, static_cast<std::size_t>(TReadoutKind::Count)>;

struct TDelayedText {
    std::string Text;  // empty: nothing waits
    std::unique_ptr<THintTimer> Timer;  // none: the slot is idle
    TPixelRect Rect;
    std::int32_t Color = 0;
};

// Pixels a text leaves free before the next cell.
inline constexpr int CellGap = 4;

class THisticon;

class TNizText : public TScanLinesTextScreen {
public:
    // Without a factory the slots use Qt timers.
    explicit TNizText(TScreenSink* sink = nullptr, TTimerFactory timers = {});
    ~TNizText() override;

    // Slots 0..14 are throttled; any other slot draws at once. A negative colour is an internal error.
    void DelayedTextOut(const std::string& text, TPixelRect rect, int slot, std::int32_t colour);
    // The timer of a slot ran out: its waiting text is drawn.
    void FlushDelayedText(const THintTimer* timer);
    // Timers and waiting texts go, the delay is the default again, the surface is cleared and every
    // feature draws its labels again.
    void Clear() override;
    double Delay = DefaultTextDelay;
    const TDelayedText& Slot(int slot) const { return Slots_.at(static_cast<std::size_t>(slot)); }

    // The strip takes the room the panel leaves it, from its least width up to the grids' width. A new
    // width draws again what the strip shows, in the cells' new places: a stopped acquisition keeps
    // its readouts.
    void FitWidth(int room);
    bool Squeezed() const { return Width() < NizGridWidth; }
    // A grid position or cell in the strip's own pixels.
    int SqueezeX(int x) const;
    TPixelRect SqueezeRect(TPixelRect cell) const;
    // Draws a text into the bitmap's rectangle (the strip's own pixels), its top left at (dx, dy) in
    // it, with its letters narrowed, down to half their width, until it ends short of the rectangle's
    // gap, and cut there if it still does not.
    void PaintFitted(TPixelRect shown, int dx, int dy, const std::string& text);
    // The icons drawn on the strip, drawn again on a new width; the strip tells them when it goes.
    void Attach(THisticon* icon);
    void Detach(THisticon* icon);
    // Drawn over by other means (an icon): the texts under the cell are no longer shown.
    void ForgetTexts(TPixelRect cell);
    // Pixels of the strip (its own, squeezed) written by other means: a text touching them is drawn
    // again when next given.
    void Overdrawn(TPixelRect pixels);
    void Resize(int left, int top, int width, int height) override;

    bool LabelDrawn(int group) const;
    void SetLabelDrawn(int group, bool flag);
    void SetDeltaLabelsDrawn(bool flag) { DeltaLabelsDrawn_ = flag; }
    bool DeltaLabelsDrawn() const { return DeltaLabelsDrawn_; }
    bool EyeLabelsDrawn = false;
    bool MaskLabelsDrawn = false;
    bool JitterLabelsDrawn = false;
    bool HistLabelsDrawn = false;
    bool TdrLabelsDrawn = false;
    bool ExcessDrawn = false;

    // A press on the strip: the first listed cell hit, asked in the providers' order, takes a left
    // click, or opens its popup menu on a right one. Any open menu is freed first. Answers whether a
    // cell was hit.
    bool MousePress(int button, int x, int y);
    void SetProviders(const TReadoutProviders* providers) { Providers_ = providers; }
    // The open popup menu: none when no menu is open.
    const TStripMenu* PopupMenu() const { return MenuOwner_ ? &Menu_ : nullptr; }
    int SelectedCell() const { return SelectedCell_; }
    // The user chose an item (its command word) or closed the menu (empty word): the menu goes.
    void ChoosePopupCommand(const std::string& command);

    static constexpr int LeftButton = 1;
    static constexpr int RightButton = 2;

private:
    void Draw(const std::string& text, TPixelRect rect, std::int32_t colour);
    void Redraw();

    // What the strip shows, by the cell each text was given for.
    std::vector<TShownText> Shown_;
    // The texts whose pixels are still as their drawing left them: given again unchanged, a text
    // costs a comparison. Clean: the text left its rectangle's edge lines to the brush, so that a
    // neighbour sharing an edge can be drawn without touching it.
    struct TPaintedText {
        TPixelRect Cell;
        std::string Text;
        TColor Colour;
        TPixelRect Pixels;
        bool Clean = false;
    };
    std::vector<TPaintedText> Painted_;
    bool StillPainted(const TPixelRect& cell, const std::string& text, TColor colour) const;
    void NotePainted(TPixelRect cell, const std::string& text, TColor colour, TPixelRect pixels);
    std::vector<THisticon*> Icons_;

    TTimerFactory Timers_;
    std::array<TDelayedText, DelayedTextSlotCount> Slots_;
    // A timer whose run-out is being handled goes here, not at once: it is still in its own call.
    std::unique_ptr<THintTimer> Spent_;
    std::uint8_t SelectedCell_ = 0;
    bool Group1Drawn_ = false;
    bool Group2Drawn_ = false;
    bool DeltaLabelsDrawn_ = false;
    const TReadoutProviders* Providers_ = nullptr;
    TReadoutProvider* MenuOwner_ = nullptr;
    TStripMenu Menu_;
};

}  // namespace vt
