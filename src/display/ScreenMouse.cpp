#include "display/ScreenMouse.h"

#include <algorithm>
#include <cstdlib>

#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "display/DisplayPanel.h"
#include "display/ScreenLayers.h"
#include "display/SignalLayers.h"
#include "display/SignalScreen.h"

namespace vt {

namespace {
// The last slot a press searches: the graticule below it is never taken.
constexpr int LastSearchedSlot = 30;
}  // namespace

TScreenMouse::~TScreenMouse() {
    // The shell's services may be gone already; the mask keeps no pointer of ours.
    Shell_ = nullptr;
    Cancel();
}

int TScreenMouse::LayerX(int X) const { return X + Screen_.FirstLayerX(); }

TScreenLayer* TScreenMouse::LayerAt(int tolerance, int x, int y) const {
    for (int slot = 0; slot <= LastSearchedSlot; ++slot) {
        TScreenLayer* layer = Screen_.SlotLayer(slot);
        if (layer && layer->Grabbable && layer->HitTest(tolerance, x, y)) return layer;
    }
    return nullptr;
}

int TScreenMouse::RangeAt(int x) const {
    auto near = [x](bool on, int from, int to) { return on && x >= from - 5 && x <= to + 5; };
    if (near(Screen_.RangeBOn(), Screen_.RangeBFrom(), Screen_.RangeBTo())) return 2;
    if (near(Screen_.RangeAOn(), Screen_.RangeAFrom(), Screen_.RangeATo())) return 1;
    return 0;
}

void TScreenMouse::PrepareLayerDrag(int source, int x) {
    const bool channel = source == ssCh1 || source == ssCh2;
    const int range = x >= 0 && channel && Actions_->IsTimebaseModeAB() ? RangeAt(x) : 0;
    Vertical_ = range == 0;
    LeftLimit_ = RightLimit_ = -1;
    DraggingB_ = false;
    if (x < 0) {
        Kind_ = 0;
    } else if (source >= ssF1 && source <= ssS2) {
        const double zoom = Actions_->SourceZoom(source);
        Kind_ = zoom < (Actions_->SourceIsSpectrum(source) ? 0.45 : 0.9) ? 1 : 0;
    } else if (range != 0) {
        Kind_ = 2;
        DraggingB_ = range == 2;
        const int span = Screen_.Width() - 22;
        if (Screen_.RangeBOn()) {
            RightLimit_ = span - Screen_.RangeBTo() - 1;
            LeftLimit_ = DraggingB_ ? Screen_.RangeBFrom() - Screen_.RangeAFrom() : Screen_.RangeAFrom() - 1;
        } else {
            RightLimit_ = span - Screen_.RangeATo() - 1;
            LeftLimit_ = Screen_.RangeAFrom() - 1;
        }
    } else {
        Kind_ = Actions_->IsTimebaseModeB() ? 1 : 0;
    }
}

void TScreenMouse::DrawRangeDragImage() {
    Image_->SetSize(Screen_.Width(), Screen_.Height());
    Image_->Fill(Image_->Bounds(), clBlack);
    auto range = [this](int from, int to) {
        from = std::max(from, 1);
        to = std::min(to, Image_->Width() - 2 - ScreenMargin);
        for (int y = 1; y <= Image_->Height() - 2; ++y)
            for (int x = from; x <= to; ++x) Image_->SetPixel(x + ScreenMargin, y, clWhite);
    };
    if (!DraggingB_) range(Screen_.RangeAFrom(), Screen_.RangeATo());
    if (Screen_.RangeBOn()) range(Screen_.RangeBFrom(), Screen_.RangeBTo());
}

void TScreenMouse::PressInFrameMode(int button, int shift, int x, int y) {
    Cursor_ = crDefault;
    TFrameLayer* frame = Panel_.ExistingFrameLayer();
    const bool inside = frame && x >= frame->FrameLeft() && x <= frame->FrameRight() && y >= frame->FrameTop() &&
                        y <= frame->FrameBottom();
    // Screen units of the frame, taken before it goes.
    double left = 0, width = 0, bottom = 0, height = 0;
    if (frame) {
        const int maxX = std::max(1, frame->MaxX()), maxY = std::max(1, frame->MaxY());
        left = frame->FrameLeft() * 4000.0 / maxX;
        width = (frame->FrameRight() - frame->FrameLeft()) * 4000.0 / maxX;
        bottom = (1.0 - static_cast<double>(frame->FrameBottom()) / maxY) * 1024.0;
        height = (frame->FrameBottom() - frame->FrameTop()) * 1024.0 / maxY;
    }
    Panel_.ClearFrameLayer(true);
    if (button != mbLeft || shift != 0 || !inside || !Actions_) return;
    std::vector<int> sources;
    for (int n = ssCh1; n <= ssS2; ++n) {
        if (n == ssCh1B2 || n == ssCh2B2) continue;
        const TParentSignalLayer* layer = Panel_.SignalLayer(n);
        if (layer && layer->GetScreen() == &Screen_) sources.push_back(n);
    }
    Actions_->DragSignalOnScreen(sources, height / 1024.0, bottom / 1024.0, width / 4000.0, left / 4000.0);
}

TSerialServices* TScreenMouse::EditedMask() const {
    return Shell_ && Shell_->Serial().MaskEditing() ? &Shell_->Serial() : nullptr;
}

std::pair<int, int> TScreenMouse::MaskPoint(int x, int y) const {
    if (const auto* edit = dynamic_cast<const TMarkerLayer*>(Screen_.SlotLayer(slMaskEdit)))
        return {edit->CellToScreenX(x), edit->CellToScreenY(y)};
    // The edit layer's own conversion, for a press before the layer is there.
    return {Screen_.PixelToScreenX(x), Screen_.PixelToScreenY(y)};
}

void TScreenMouse::PressOnEditedMask(TSerialServices& mask, int button, int shift, int x, int y) {
    if (button == mbRight) {
        mask.CheckEditedPolygon();
        return;
    }
    if (button != mbLeft || shift != 0) return;
    const auto [sx, sy] = MaskPoint(x, y);
    if (mask.AddPolygonMode()) {
        mask.MouseDownEdit(sx, sy);
        return;
    }
    int polygon = -1, vertex = -1;
    TScreenLayer* edit = Screen_.SlotLayer(slMaskEdit);
    if (edit && edit->HitTest(3, x, y)) {
        Grabbed_ = edit;
        edit->GrabAt(x, y);
        if (const auto* hits = dynamic_cast<const TMaskEditHits*>(edit)) polygon = hits->FindAt(x, y, vertex);
    }
    mask.MoveVertex(polygon, vertex, sy, sx);
}

void TScreenMouse::Press(int button, int shift, int X, int Y) {
    if (Screen_.NoMargin()) return;  // the XY screen
    X = std::min(X, Screen_.Width() - 2);
    Y = std::clamp(Y, 1, std::max(1, Screen_.Height() - 2));
    const int x = LayerX(X);
    if (Screen_.FrameMode()) {
        PressInFrameMode(button, shift, x, Y);
        return;
    }
    PressX_ = x;
    PressY_ = Y;
    PressButton_ = button;
    PressShift_ = shift;
    if (TSerialServices* mask = EditedMask()) {
        PressOnEditedMask(*mask, button, shift, x, Y);
        return;
    }
    for (int tolerance = 0; tolerance <= 3 && !Grabbed_; ++tolerance) Grabbed_ = LayerAt(tolerance, x, Y);
    const bool leftAlone = button == mbLeft && shift == 0;
    if (!Grabbed_) {
        FrameArmed_ = leftAlone && x > 0;
        return;
    }
    Grabbed_->GrabAt(x, Y);
    auto* trace = dynamic_cast<TParentSignalLayer*>(Grabbed_);
    if (!leftAlone || !trace || !Actions_ || Image_) return;
    if (x < 0 && Screen_.HighlightedMarkerSlot == 255) return;
    Actions_->StartFlagRegisterReading();
    Source_ = trace->GetSource();
    Image_ = std::make_unique<TSLBMP>();
    PrepareLayerDrag(Source_, x);
    if (Kind_ == 2) {
        DrawRangeDragImage();
    } else {
        trace->CopyToMonoBitmap(*Image_, x < 0);
    }
    OffsetX_ = OffsetY_ = 0;
}

void TScreenMouse::Move(int buttons, int shift, int X, int Y) {
    if (Screen_.NoMargin()) return;
    X = std::min(X, Screen_.Width() - 2);
    Y = std::clamp(Y, 1, std::max(1, Screen_.Height() - 2));
    int x = LayerX(X);
    int y = Y;
    if (buttons == mbLeft && shift == 0) {
        if (Shell_ && Shell_->Serial().HasSelection() && Screen_.SlotLayer(slMaskEdit)) {
            const auto [sx, sy] = MaskPoint(x, y);
            Shell_->Serial().SelectAtPoint(sx, sy);
        }
        if (Grabbed_ && !Image_) {
            Grabbed_->DragTo(x, y);
        } else if (Image_) {
            if (Kind_ == 0) x = PressX_;
            if (!Vertical_) y = PressY_;
            if (RightLimit_ != -1) x = std::min(x, PressX_ + RightLimit_);
            if (LeftLimit_ != -1) x = std::max(x, PressX_ - LeftLimit_);
            OffsetX_ = x - PressX_;
            OffsetY_ = y - PressY_;
        } else if (FrameArmed_) {
            if (std::abs(x - PressX_) > 10 && std::abs(y - PressY_) > 10) {
                Panel_.FrameLayer(&Screen_)->SetFrame(PressX_, PressY_, y, x);
            } else if (Panel_.ExistingFrameLayer()) {
                Panel_.ClearFrameLayer(false);
            }
        }
        return;
    }
    if (buttons != 0) return;
    if (Screen_.FrameMode()) {
        const TFrameLayer* frame = Panel_.ExistingFrameLayer();
        const bool inside = frame && x >= frame->FrameLeft() && x <= frame->FrameRight() &&
                            y >= frame->FrameTop() && y <= frame->FrameBottom();
        Cursor_ = inside ? crPointing : crCross;
        return;
    }
    if (TSerialServices* mask = EditedMask()) {
        // A polygon under construction: its last vertex follows the pointer.
        if (mask->IsEditing()) {
            const auto [sx, sy] = MaskPoint(x, y);
            mask->SelectAtPoint(sx, sy);
        }
        return;
    }
    Highlight(x, y);
}

void TScreenMouse::Highlight(int x, int y) {
    auto* previous = Screen_.HighlightedMarkerSlot == 255
                         ? nullptr
                         : dynamic_cast<TParentSignalLayer*>(Screen_.SlotLayer(Screen_.HighlightedMarkerSlot));
    TParentSignalLayer* found = nullptr;
    if (x < 0)
        for (int tolerance = 0; tolerance <= 3 && !found; ++tolerance)
            found = dynamic_cast<TParentSignalLayer*>(LayerAt(tolerance, x, y));
    if (found == previous) return;
    if (previous) previous->DrawChannelMarker(previous->MarkerRow(), false);
    Screen_.HighlightedMarkerSlot = 255;
    if (!found) return;
    found->DrawChannelMarker(found->MarkerRow(), true);
    Screen_.HighlightedMarkerSlot = static_cast<std::uint8_t>(found->Slot());
}

void TScreenMouse::Leave() {
    if (Screen_.HighlightedMarkerSlot == 255) return;
    if (auto* previous = dynamic_cast<TParentSignalLayer*>(Screen_.SlotLayer(Screen_.HighlightedMarkerSlot)))
        previous->DrawChannelMarker(previous->MarkerRow(), false);
    Screen_.HighlightedMarkerSlot = 255;
}

void TScreenMouse::Release(int, int, int X, int Y) {
    if (Screen_.NoMargin()) return;
    if (Shell_) Shell_->Serial().ClearSelection(false);
    ReleaseX_ = LayerX(X);
    ReleaseY_ = Y;
    Grabbed_ = nullptr;
    FrameArmed_ = false;
    if (Screen_.FrameMode()) Cursor_ = crPointing;
    if (!Image_) return;
    Image_.reset();
    const int dx = Screen_.PixelToScreenX(OffsetX_);
    const int dy = Screen_.PixelToScreenY(OffsetY_) - Screen_.PixelToScreenY(0);
    OffsetX_ = OffsetY_ = 0;
    if (Kind_ == 2) {
        Actions_->ShiftTimebaseDelay(DraggingB_ ? 1 : 0, dx / 4000.0);
    } else {
        Actions_->MoveSignalByDivisions(Source_, dy / 1024.0, dx / 4000.0);
    }
    Actions_->StopFlagRegisterReading();
}

void TScreenMouse::Cancel() {
    Grabbed_ = nullptr;
    FrameArmed_ = false;
    // A vertex picked must not follow the next drag.
    if (Shell_) Shell_->Serial().ClearSelection(false);
    if (!Image_) return;
    Image_.reset();
    OffsetX_ = OffsetY_ = 0;
    if (Actions_) Actions_->StopFlagRegisterReading();
}

}  // namespace vt
