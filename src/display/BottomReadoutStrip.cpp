#include "display/BottomReadoutStrip.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "core/InternalError.h"
#include "core/Numeric.h"
#include "display/Histicon.h"

namespace vt {

namespace {
[[noreturn]] void RangeError() { VT_INTERNAL_ERROR(BottomTextUnitName, "Range check error"); }

void Check(bool inRange) {
    if (!inRange) RangeError();
}

// Whether the part lies on one of the rectangle's edge lines.
bool OnEdge(const TPixelRect& part, const TPixelRect& rect) {
    return (part.Left == part.Right && (part.Left == rect.Left || part.Left == rect.Right)) ||
           (part.Top == part.Bottom && (part.Top == rect.Top || part.Top == rect.Bottom));
}

// A grid of label and value columns, rows 16 pixels apart from the strip's top.
// edges: left and right of each column's part.
TPixelRect GridCell(int row, int column, std::span<const int> edges, int height) {
    const auto c = static_cast<std::size_t>(column - 1);
    const int top = (row - 1) * 16;
    return {edges[2 * c], top, edges[2 * c + 1], top + height};
}
}  // namespace

TPixelRect MarkerCellRect(int row, int column, bool value) {
    Check(row >= 1 && row <= 5 && column >= 1 && column <= 4);
    static constexpr std::array<int, 8> labels = {3, 36, 118, 151, 233, 266, 348, 411};
    static constexpr std::array<int, 8> values = {37, 117, 152, 232, 267, 347, 412, 518};
    return GridCell(row, column, value ? std::span<const int>(values) : std::span<const int>(labels), 15);
}

TPixelRect ParamCellRect(int n, bool value) {
    Check(n >= 0 && n <= 9);
    static constexpr std::array<int, 4> labels = {3, 112, 255, 364};
    static constexpr std::array<int, 4> values = {113, 254, 365, 518};
    return GridCell(n % 5 + 1, n / 5 + 1, value ? std::span<const int>(values) : std::span<const int>(labels), 16);
}

TPixelRect JitterCellRect(int n, bool value) {
    Check(n >= 0 && n <= 9);
    static constexpr std::array<int, 4> labels = {3, 182, 275, 434};
    static constexpr std::array<int, 4> values = {183, 274, 435, 528};
    return GridCell(n % 5 + 1, n / 5 + 1, value ? std::span<const int>(values) : std::span<const int>(labels), 16);
}

TPixelRect HistCellRect(int row, int column, bool value) {
    Check(row >= 1 && row <= 5 && column >= 1 && column <= 3);
    static constexpr std::array<int, 6> labels = {3, 67, 168, 222, 333, 422};
    static constexpr std::array<int, 6> values = {68, 167, 223, 332, 423, 512};
    return GridCell(row, column, value ? std::span<const int>(values) : std::span<const int>(labels), 15);
}

TPixelRect MaskCellRect(int row, int column, bool value) {
    Check(row >= 1 && row <= 5 && column >= 1 && column <= 3);
    static constexpr std::array<int, 6> labels = {3, 77, 173, 247, 343, 417};
    static constexpr std::array<int, 6> values = {78, 172, 248, 342, 418, 512};
    return GridCell(row, column, value ? std::span<const int>(values) : std::span<const int>(labels), 15);
}

TPixelRect NizCellRect(int row, int column) {
    static constexpr std::array<int, 8> rowEdges = {3, 113, 176, 238, 306, 376, 446, 518};
    static constexpr std::array<int, 8> headerEdges = {3, 113, 170, 234, 306, 376, 446, 518};
    Check(row >= -1 && row <= 3);
    const int top = (row + 1) * 16;
    if (column == 45) {
        Check(row >= 0);
        return {238, top, 375, top + 16};
    }
    Check(column >= 1 && column <= 7);
    const auto& edges = row < 0 ? headerEdges : rowEdges;
    const auto c = static_cast<std::size_t>(column - 1);
    return {edges[c], top, edges[c + 1], top + 16};
}

// ---------------------------------------------------------------------------------------------------
TNizText::TNizText(TScreenSink* sink, TTimerFactory timers) : TScanLinesTextScreen(sink), Timers_(std::move(timers)) {
    if (!Timers_) Timers_ = MakeQtTimer;
}

TNizText::~TNizText() {
    for (THisticon* icon : Icons_) icon->StripGone();
}

int TNizText::SqueezeX(int x) const {
    if (!Squeezed()) return x;
    return static_cast<int>(static_cast<long long>(x) * Width() / NizGridWidth);
}

TPixelRect TNizText::SqueezeRect(TPixelRect cell) const {
    cell.Left = SqueezeX(cell.Left);
    cell.Right = SqueezeX(cell.Right);
    return cell;
}

void TNizText::FitWidth(int room) {
    const int width = std::clamp(room, NizLeastWidth, NizGridWidth);
    if (width == Width()) return;
    Resize(Left(), Top(), width, NizHeight);
    Redraw();
}

void TNizText::Redraw() {
    // Hidden, the strip still keeps its picture for when it is shown again.
    Painted_.clear();
    Bitmap().Fill(Bitmap().Bounds(), Color());
    for (const TShownText& s : Shown_) {
        SetFontColor(s.Colour);
        PaintFitted(SqueezeRect(s.Cell), 0, 0, s.Text);
    }
    for (THisticon* icon : Icons_) icon->Repaint();
    InvalidateAll();
}

void TNizText::PaintFitted(TPixelRect shown, int dx, int dy, const std::string& text) {
    // A text that would run up to the next cell (a long header, or any in a squeezed strip) narrows
    // its letters, so that cells never run into each other; the others are drawn as they are.
    const QString q = QString::fromStdString(text);
    const int gap = Squeezed() ? std::max(1, CellGap * Width() / NizGridWidth) : CellGap;
    const int room = shown.Right - shown.Left - dx - gap;
    QFont& font = Bitmap().Font();
    const QFont normal = font;
    for (int stretch = 95; !Bitmap().TextFits(q, room) && stretch >= 50; stretch -= 5) font.setStretch(stretch);
    // Narrowed letters keep their shapes (and the spaces between words) only when smoothed.
    if (font.stretch() != normal.stretch()) {
        font.setStyleStrategy(QFont::PreferAntialias);
        font.setHintingPreference(QFont::PreferNoHinting);
    }
    Bitmap().Fill(shown, Bitmap().BrushColor);
    Bitmap().DrawText({shown.Left, shown.Top, std::max(shown.Left, shown.Right - gap), shown.Bottom}, shown.Left + dx,
                      shown.Top + dy, q);
    font = normal;
}

void TNizText::Draw(const std::string& text, TPixelRect rect, std::int32_t colour) {
    SetFontColor(TColor(static_cast<std::uint32_t>(colour)));
    // Nothing is drawn while hidden.
    if (Visible()) {
        const TColor c = GetFontColor();
        if (StillPainted(rect, text, c)) {
            // The text takes the place among the shown ones that drawing it again would give it.
            const auto same = std::find_if(Shown_.begin(), Shown_.end(), [&rect](const TShownText& s) { return s.Cell == rect; });
            if (same != Shown_.end()) std::rotate(same, same + 1, Shown_.end());
        } else {
            ForgetOverlapping(Shown_, rect);
            if (!text.empty()) Shown_.push_back({rect, text, c});
            const TPixelRect shown = SqueezeRect(rect);
            PaintFitted(shown, 0, 0, text);
            NotePainted(rect, text, c, shown);
            MarkChanged(shown.Left, shown.Top, shown.Right, shown.Bottom);
        }
    }
    if (TextWatch) TextWatch(rect, text, GetFontColor());
}

bool TNizText::StillPainted(const TPixelRect& cell, const std::string& text, TColor colour) const {
    // An empty text leaves only the brush, whatever its colour.
    return std::any_of(Painted_.begin(), Painted_.end(), [&](const TPaintedText& p) {
        return p.Cell == cell && p.Text == text && (text.empty() || p.Colour == colour);
    });
}

void TNizText::NotePainted(TPixelRect cell, const std::string& text, TColor colour, TPixelRect pixels) {
    const TPixelRect inside = Intersect(pixels, Bitmap().Bounds());
    const std::uint32_t brush = Bitmap().BrushColor.ToPixel();
    bool clean = true;
    if (!inside.Empty()) {
        for (int x = inside.Left; x <= inside.Right && clean; ++x)
            clean = Bitmap().Row(inside.Top)[x] == brush && Bitmap().Row(inside.Bottom)[x] == brush;
        for (int y = inside.Top; y <= inside.Bottom && clean; ++y)
            clean = Bitmap().Row(y)[inside.Left] == brush && Bitmap().Row(y)[inside.Right] == brush;
    }
    // A neighbour keeps its pixels only where both left the shared edge line to the brush.
    std::erase_if(Painted_, [&](const TPaintedText& p) {
        const TPixelRect shared = Intersect(p.Pixels, pixels);
        return !shared.Empty() && !(clean && p.Clean && OnEdge(shared, p.Pixels) && OnEdge(shared, pixels));
    });
    Painted_.push_back({cell, text, colour, pixels, clean});
}

void TNizText::Overdrawn(TPixelRect pixels) {
    std::erase_if(Painted_, [&pixels](const TPaintedText& p) { return !Intersect(p.Pixels, pixels).Empty(); });
}

void TNizText::Resize(int left, int top, int width, int height) {
    TScanLinesTextScreen::Resize(left, top, width, height);
    // The new bitmap is blank: whatever was painted is gone.
    Painted_.clear();
}

void TNizText::Attach(THisticon* icon) {
    if (std::find(Icons_.begin(), Icons_.end(), icon) == Icons_.end()) Icons_.push_back(icon);
}

void TNizText::Detach(THisticon* icon) { std::erase(Icons_, icon); }

void TNizText::ForgetTexts(TPixelRect cell) {
    ForgetOverlapping(Shown_, cell);
    Overdrawn(SqueezeRect(cell));
}

void TNizText::DelayedTextOut(const std::string& text, TPixelRect rect, int slot, std::int32_t colour) {
    if (colour < 0) VT_INTERNAL_ERROR(BottomTextUnitName, "Negative text colour");
    if (slot < 0 || slot >= DelayedTextSlotCount) {
        Draw(text, rect, colour);
        return;
    }
    TDelayedText& s = Slots_[static_cast<std::size_t>(slot)];
    if (s.Timer) {
        s.Text = text;
        s.Color = colour;
        s.Rect = rect;
        return;
    }
    Draw(text, rect, colour);
    s.Timer = Timers_([this, slot] { FlushDelayedText(Slots_[static_cast<std::size_t>(slot)].Timer.get()); });
    s.Timer->Start(static_cast<int>(RoundHalfEven(Delay * 1000)));
}

void TNizText::FlushDelayedText(const THintTimer* timer) {
    TDelayedText* found = nullptr;
    for (TDelayedText& s : Slots_)
        if (timer && s.Timer.get() == timer) found = &s;
    if (!found) VT_INTERNAL_ERROR(BottomTextUnitName, "Delayed text timer of no slot");
    Spent_ = std::move(found->Timer);
    if (found->Text.empty()) return;
    const std::string text = std::move(found->Text);
    found->Text.clear();
    Draw(text, found->Rect, found->Color);
}

void TNizText::Clear() {
    for (TDelayedText& s : Slots_) {
        if (s.Timer) s.Timer->Stop();
        s.Timer.reset();
        s.Text.clear();
    }
    Delay = DefaultTextDelay;
    Shown_.clear();
    Painted_.clear();
    for (THisticon* icon : Icons_) icon->Wiped();
    TScanLinesTextScreen::Clear();
    Group1Drawn_ = false;
    Group2Drawn_ = false;
    DeltaLabelsDrawn_ = false;
    EyeLabelsDrawn = false;
    MaskLabelsDrawn = false;
    JitterLabelsDrawn = false;
    HistLabelsDrawn = false;
    TdrLabelsDrawn = false;
    ExcessDrawn = false;
}

bool TNizText::LabelDrawn(int group) const {
    if (group != 1 && group != 2) VT_INTERNAL_ERROR(BottomTextUnitName, "Range check error");
    return group == 1 ? Group1Drawn_ : Group2Drawn_;
}

void TNizText::SetLabelDrawn(int group, bool flag) {
    if (group != 1 && group != 2) VT_INTERNAL_ERROR(BottomTextUnitName, "Range check error");
    (group == 1 ? Group1Drawn_ : Group2Drawn_) = flag;
}

bool TNizText::MousePress(int button, int x, int y) {
    MenuOwner_ = nullptr;
    Menu_.clear();
    if (!Providers_) return false;
    for (TReadoutProvider* provider : *Providers_) {
        if (!provider) continue;
        for (const TReadoutProvider::TListedCell& listed : provider->ListedCells()) {
            const TPixelRect c = SqueezeRect(listed.Cell);
            // Both edges count: a press left of a cell belongs to the cell there, not to this one.
            if (x < c.Left || x > c.Right || y < c.Top || y > c.Bottom) continue;
            if (button == LeftButton) {
                provider->LeftClick(listed.Number);
            } else if (button == RightButton) {
                SelectedCell_ = static_cast<std::uint8_t>(listed.Number);
                Menu_ = provider->BuildPopupMenu(listed.Number);
                MenuOwner_ = provider;
            }
            return true;
        }
    }
    return false;
}

void TNizText::ChoosePopupCommand(const std::string& command) {
    TReadoutProvider* owner = MenuOwner_;
    MenuOwner_ = nullptr;
    Menu_.clear();
    if (owner && !command.empty()) owner->HandlePopupCommand(command, SelectedCell_);
}

}  // namespace vt
