#include "display/MarkerLayers.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <tuple>

#include "core/InternalError.h"
#include "display/SignalLayers.h"

namespace vt {

namespace {

// A layer's batched update, closed on every way out.
class TBatch {
public:
    explicit TBatch(TScreenLayer& layer) : Layer_(layer) { Layer_.BeginUpdate(); }
    ~TBatch() { Layer_.EndUpdate(); }
    TBatch(const TBatch&) = delete;
    TBatch& operator=(const TBatch&) = delete;

private:
    TScreenLayer& Layer_;
};

// Which of two near edges a press takes: the first only when strictly nearer.
void KeepNearer(bool& first, bool& second, int firstOffset, int secondOffset) {
    if (!first || !second) return;
    if (std::abs(firstOffset) < std::abs(secondOffset)) {
        second = false;
    } else {
        first = false;
    }
}

std::string MarkerPath(bool first, char axis) {
    return std::string("Mark:M") + (first ? '1' : '2') + ':' + axis + "Pos";
}

// The margin a press takes between two columns: left when near unless both are and the press lies
// in the left half.
bool LeftMarginTaken(int left, int right, int x, int maxX) {
    const bool nearLeft = std::abs(left - x) < 5;
    const bool nearRight = std::abs(right - x) < 5;
    if (nearLeft && nearRight) return x >= maxX / 2;
    return nearLeft;
}

// Column of a margin value; -1 stands at column 1.
int MarginColumn(const TMarkerLayer& layer, int x) { return x == -1 ? 1 : layer.ScreenXToCell(x); }

}  // namespace

// ------------------------------------------------------------------------------- histogram window

void THistWindowLayer::SetWindow(int left, int right, int top, int bottom) {
    SetBox(ScreenXToCell(left), ScreenYToCell(top), false, ScreenYToCell(bottom), ScreenXToCell(right));
}

void THistWindowLayer::GrabAt(int x, int y) {
    TMarkerLayer::GrabAt(x, y);
    OffLeft_ = BoxLeft_ - x;
    OffRight_ = BoxRight_ - x;
    OffTop_ = BoxTop_ - y;
    OffBottom_ = BoxBottom_ - y;
    GrabLeft_ = std::abs(OffLeft_) < 10;
    GrabRight_ = std::abs(OffRight_) < 10;
    GrabTop_ = std::abs(OffTop_) < 10;
    GrabBottom_ = std::abs(OffBottom_) < 10;
    KeepNearer(GrabLeft_, GrabRight_, OffLeft_, OffRight_);
    KeepNearer(GrabTop_, GrabBottom_, OffTop_, OffBottom_);
}

void THistWindowLayer::DragTo(int x, int y) {
    if (!Drags_ || !Drags_->HistAxisKind) return;
    const int axis = Drags_->HistAxisKind();
    if (axis != 1 && axis != 2) return;
    const std::string set = axis == 1 ? "Hist:WVert:" : "Hist:WHor:";
    if (GrabLeft_) Drags_->Write(set + "Left", CellToScreenX(x + OffLeft_));
    if (GrabRight_) Drags_->Write(set + "Right", CellToScreenX(x + OffRight_));
    if (GrabTop_) Drags_->Write(set + "Top", CellToScreenY(y + OffTop_));
    if (GrabBottom_) Drags_->Write(set + "Bottom", CellToScreenY(y + OffBottom_));
}

// ---------------------------------------------------------------------------------- marker lines

void T_X_MarkerLayer::MoveLine(int column) {
    if (column == BoxLeft_) return;
    const bool solid = FirstMarker();
    TBatch batch(*this);
    for (int row = 8; row <= MaxY() - 9; ++row) {
        if (!solid && row % 8 < 3) continue;
        if (BoxLeft_ != 0) ClearCell(BoxLeft_, row);
        if (column != 0) DrawCell(column, row);
    }
    BoxLeft_ = column;
}

void T_X_MarkerLayer::SetPosition(int x) { MoveLine(ScreenXToCell(x)); }

void T_X_MarkerLayer::GrabAt(int x, int y) {
    TMarkerLayer::GrabAt(x, y);
    GrabOffset_ = BoxLeft_ - x;
}

void T_X_MarkerLayer::DragTo(int x, int) {
    // The line follows the pointer, not the grab offset.
    if (Drags_) Drags_->Write(MarkerPath(FirstMarker(), 'X'), CellToScreenX(x));
}

void T_XY_MarkerLayer::Cross(bool draw) {
    if (BoxLeft_ == 0 || BoxTop_ == 0) return;
    for (int i = -10; i <= 10; ++i) {
        if (i == 0) continue;
        const int x = BoxLeft_ + i;
        if (x <= 0 || x >= MaxX()) continue;
        for (int y : {BoxTop_ + i, BoxTop_ - i})
            if (y > 0 && y < MaxY()) draw ? DrawCell(x, y) : ClearCell(x, y);
    }
}

void T_XY_MarkerLayer::SetPointIndex(int n) {
    int column = 0;
    int row = 0;
    const auto* source = dynamic_cast<const TParentSignalLayer*>(SourceLayer());
    if (source && n >= 0 && n < source->PointCount()) {
        std::tie(column, row) = source->PointPosition(n);
        // Right of the plot or not placed: the marker is hidden.
        if (column <= 0 || column >= MaxX() || row <= 0 || row >= MaxY()) column = row = 0;
    }
    if (column == BoxLeft_ && row == BoxTop_) return;
    TBatch batch(*this);
    Cross(false);
    BoxTop_ = row;
    MoveLine(column);
    Cross(true);
}

void T_Y_MarkerLayer::SetPosition(int y) {
    const int row = ScreenYToCell(y);
    if (row == BoxTop_) return;
    const bool solid = FirstMarker();
    TBatch batch(*this);
    for (int column = 8; column <= MaxX() - 9; ++column) {
        if (!solid && column % 8 < 3) continue;
        if (BoxTop_ != 0) ClearCell(column, BoxTop_);
        DrawCell(column, row);
    }
    BoxTop_ = row;
}

void T_Y_MarkerLayer::DragTo(int, int y) {
    if (Drags_) Drags_->Write(MarkerPath(FirstMarker(), 'Y'), CellToScreenY(y));
}

// ------------------------------------------------------------------------ measurement definition

void T_Meas_ParamLayer::Thresholds(bool draw) {
    if (BoxLeft_ == 0) return;
    const auto [x0, x1] = std::minmax(BoxLeft_, BoxRight_);
    for (int row : {Upper_, Middle_, Lower_}) {
        if (row <= 0 || row > MaxY()) continue;
        for (int x = x0 + 1; x < x1; ++x)
            if (x % 2 == 1) draw ? DrawCell(x, row) : ClearCell(x, row);
    }
}

void T_Meas_ParamLayer::SetParams(int left, int right, int top, int base, int upper, int middle, int lower) {
    const int l = ScreenXToCell(left), r = ScreenXToCell(right);
    const int t = ScreenYToCell(top), b = ScreenYToCell(base);
    const int u = ScreenYToCell(upper), m = ScreenYToCell(middle), lo = ScreenYToCell(lower);
    const bool boxChanged = l != BoxLeft_ || r != BoxRight_ || t != BoxTop_ || b != BoxBottom_;
    const bool levelsChanged = u != Upper_ || m != Middle_ || lo != Lower_ || l != BoxLeft_ || r != BoxRight_;
    if (!boxChanged && !levelsChanged) return;
    TBatch batch(*this);
    if (levelsChanged) Thresholds(false);
    Upper_ = static_cast<std::uint16_t>(u);
    Middle_ = static_cast<std::uint16_t>(m);
    Lower_ = static_cast<std::uint16_t>(lo);
    SetBox(l, t, true, b, r);
    // Also after a box move alone: the old outline may have run over a threshold row.
    Thresholds(true);
}

void T_Meas_ParamLayer::GrabAt(int x, int y) {
    TMarkerLayer::GrabAt(x, y);
    const bool upperHalf = y < MaxY() / 2;
    auto nearRow = [y](int row) { return std::abs(row - y) < 4; };
    bool top = nearRow(BoxTop_), base = nearRow(BoxBottom_);
    bool up = nearRow(Upper_), mid = nearRow(Middle_), low = nearRow(Lower_);
    bool left = std::abs(BoxLeft_ - x) < 4, right = std::abs(BoxRight_ - x) < 4;
    if (top && base) (upperHalf ? top : base) = false;
    if (up && low) {
        (upperHalf ? up : low) = false;
        mid = false;
    } else {
        if (up && mid) (upperHalf ? up : mid) = false;
        if (mid && low) (upperHalf ? mid : low) = false;
    }
    if (left && right) (x >= MaxX() / 2 ? right : left) = false;
    const bool nearParts[] = {top, base, up, mid, low, left};
    Part_ = mpRight;
    for (int p = mpTop; p <= mpLeft; ++p)
        if (nearParts[p]) {
            Part_ = static_cast<std::uint8_t>(p);
            break;
        }
    if (Drags_ && Drags_->Meas.Grab) Drags_->Meas.Grab(Part_);
}

void T_Meas_ParamLayer::DragTo(int x, int y) {
    if (Drags_ && Drags_->Meas.Drag) Drags_->Meas.Drag(Part_, CellToScreenX(x), CellToScreenY(y));
}

// ---------------------------------------------------------------------------------- FFT levels

void T_FFT_Meas_ParamLayer::Draw(bool draw) {
    if (Mode_ == 1) {
        if (MaxX() < 9) return;
        for (int x = 4; x <= MaxX() - 5; ++x) draw ? DrawCell(x, Level_) : ClearCell(x, Level_);
    } else if (Mode_ == 0 || Mode_ == 2) {
        if (MaxY() < 9) return;
        for (int y = 4; y <= MaxY() - 5; ++y)
            for (int x : {Left_, Right_}) draw ? DrawCell(x, y) : ClearCell(x, y);
    }
}

void T_FFT_Meas_ParamLayer::PaintMeas_Params(int level, int left, int right) {
    if (level != -1 && (left != -1 || right != -1))
        VT_INTERNAL_ERROR(MarkerLayersUnitName, "??? T_FFT_Meas_ParamLayer.PaintMeas_Params");
    const int mode = level != -1 ? 1 : left != -1 ? 2 : 0;
    const int row = mode == 1 ? ScreenYToCell(level) : Level_;
    const int l = mode == 1 ? Left_ : MarginColumn(*this, left);
    const int r = mode == 1 ? Right_ : MarginColumn(*this, right);
    const bool changed = mode != Mode_ || (mode == 1 && row != Level_) || (mode != 1 && (l != Left_ || r != Right_));
    if (!changed) return;
    TBatch batch(*this);
    Draw(false);
    Mode_ = static_cast<std::uint8_t>(mode);
    Level_ = row;
    Left_ = l;
    Right_ = r;
    Draw(true);
}

void T_FFT_Meas_ParamLayer::GrabAt(int x, int y) {
    TMarkerLayer::GrabAt(x, y);
    Part_ = Mode_ == 1 ? fpLevel : LeftMarginTaken(Left_, Right_, x, MaxX()) ? fpLeft : fpRight;
    if (Drags_ && Drags_->Fft.Grab) Drags_->Fft.Grab(Part_);
}

void T_FFT_Meas_ParamLayer::DragTo(int x, int y) {
    if (Drags_ && Drags_->Fft.Drag) Drags_->Fft.Drag(Part_, CellToScreenX(x), CellToScreenY(y));
}

// ---------------------------------------------------------------------------------- TDR margins

void T_TDR_MarginsLayer::Lines(bool draw) {
    if (!Shown_ || MaxY() < 9) return;
    for (int y = 4; y <= MaxY() - 5; ++y)
        for (int x : {Left_, Right_}) draw ? DrawCell(x, y) : ClearCell(x, y);
}

void T_TDR_MarginsLayer::SetMargins(int left, int right) {
    const bool shown = left != -1;
    const int l = shown ? MarginColumn(*this, left) : Left_;
    const int r = shown ? MarginColumn(*this, right) : Right_;
    if (shown == Shown_ && (!shown || (l == Left_ && r == Right_))) return;
    TBatch batch(*this);
    Lines(false);
    Shown_ = shown;
    Left_ = l;
    Right_ = r;
    Lines(true);
}

void T_TDR_MarginsLayer::GrabAt(int x, int y) {
    TMarkerLayer::GrabAt(x, y);
    Margin_ = LeftMarginTaken(Left_, Right_, x, MaxX()) ? 0 : 1;
    if (Drags_ && Drags_->Tdr.Grab) Drags_->Tdr.Grab(Margin_);
}

void T_TDR_MarginsLayer::DragTo(int x, int y) {
    if (Drags_ && Drags_->Tdr.Drag) Drags_->Tdr.Drag(Margin_, CellToScreenX(x), CellToScreenY(y));
}

// ------------------------------------------------------------------------------------ registry

namespace {
template <class TLayer>
void RegisterClass(TOverlayClasses& classes, TOverlayClass kind, TOverlayDrags& drags) {
    classes.Register(kind, [&drags](std::string name, bool xy, int slot, int rows, int columns) {
        return std::make_unique<TLayer>(std::move(name), xy, slot, rows, columns, &drags);
    });
}
}  // namespace

void RegisterMarkerLayerClasses(TOverlayClasses& classes, TOverlayDrags& drags) {
    RegisterClass<THistWindowLayer>(classes, TOverlayClass::HistWindow, drags);
    RegisterClass<T_X_MarkerLayer>(classes, TOverlayClass::XMarker, drags);
    RegisterClass<T_XY_MarkerLayer>(classes, TOverlayClass::XYMarker, drags);
    RegisterClass<T_Y_MarkerLayer>(classes, TOverlayClass::YMarker, drags);
    RegisterClass<T_Meas_ParamLayer>(classes, TOverlayClass::MeasParams, drags);
    RegisterClass<T_FFT_Meas_ParamLayer>(classes, TOverlayClass::FftMeasParams, drags);
    RegisterClass<T_TDR_MarginsLayer>(classes, TOverlayClass::TdrMargins, drags);
}

}  // namespace vt
