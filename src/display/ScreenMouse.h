#pragma once
// The mouse on a waveform screen other than the XY screen: a press takes the first layer hit (the
// overlays are dragged at once; a trace is shown as an inverted image until the release moves it), a
// drag on empty screen draws a zoom frame, a press inside the frame zooms, and the pointer over the
// left margin highlights a channel marker. While a mask is edited its presses, drags and releases go
// to the mask instead.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "display/DrawingSurfaces.h"

namespace vt {

class TScopeCRT;
class TSignalScreen;
class TScreenLayer;
class TShell;
class TSerialServices;

// What the mouse asks of the acquisition side; the program implements it.
class TScreenMouseActions {
public:
    virtual ~TScreenMouseActions() = default;
    // Suspends and resumes the acquisition for the length of a drag.
    virtual void StartFlagRegisterReading() = 0;
    virtual void StopFlagRegisterReading() = 0;
    // dy, dx: fractions of the screen height and width.
    virtual void MoveSignalByDivisions(int source, double dy, double dx) = 0;
    // which: 0 the delay, 1 the delta delay; x: fraction of the screen width.
    virtual void ShiftTimebaseDelay(int which, double x) = 0;
    virtual void DragSignalOnScreen(const std::vector<int>& sources, double h, double b, double w, double x) = 0;
    virtual bool IsTimebaseModeAB() const = 0;
    virtual bool IsTimebaseModeB() const = 0;
    // The shown fraction of a derived source's record ("Zoom:"), and whether it holds a spectrum.
    virtual double SourceZoom(int source) const = 0;
    virtual bool SourceIsSpectrum(int source) const = 0;
};

// What a press asks of the mask edit layer while a mask is edited: the polygon near a cell (-1 none)
// and, through vertex, its vertex there (-1 none).
class TMaskEditHits {
public:
    virtual ~TMaskEditHits() = default;
    virtual int FindAt(int x, int y, int& vertex) const = 0;
};

// Mouse buttons and cursors as the screen sees them.
inline constexpr int mbLeft = 1;
inline constexpr int mbRight = 2;
inline constexpr int crDefault = 0;
inline constexpr int crCross = 2;
inline constexpr int crPointing = 4;

class TScreenMouse {
public:
    // shell: where the mask being edited is asked for (none: never).
    TScreenMouse(TScopeCRT& panel, TSignalScreen& screen, TScreenMouseActions* actions, TShell* shell = nullptr)
        : Panel_(panel), Screen_(screen), Actions_(actions), Shell_(shell) {}
    ~TScreenMouse();
    TScreenMouse(const TScreenMouse&) = delete;
    TScreenMouse& operator=(const TScreenMouse&) = delete;

    // X, Y: pixels of the screen (column 0 at its left edge, margin included); shift: modifier keys
    // held (0 none); buttons: those held during a move.
    void Press(int button, int shift, int X, int Y);
    void Move(int buttons, int shift, int X, int Y);
    void Release(int button, int shift, int X, int Y);
    // The widget lost the mouse: a drag ends moving nothing and the acquisition goes on.
    void Cancel();
    // The pointer left the screen: a highlighted channel marker is drawn plain again.
    void Leave();

    // The layer of the first slot that is grabbable and hit within the tolerance, at layer point (x, y).
    TScreenLayer* LayerAt(int tolerance, int x, int y) const;
    // Layer point under a screen pixel.
    int LayerX(int X) const;

    // The drag image (white where the trace is) and where it is drawn now, in screen pixels from
    // its own place; none without a drag.
    const TSLBMP* DragImage() const { return Image_.get(); }
    int DragOffsetX() const { return OffsetX_; }
    int DragOffsetY() const { return OffsetY_; }
    int DragKind() const { return Kind_; }
    int Cursor() const { return Cursor_; }
    TScreenLayer* Grabbed() const { return Grabbed_; }
    bool FrameArmed() const { return FrameArmed_; }

private:
    void PrepareLayerDrag(int source, int x);
    void DrawRangeDragImage();
    // Within 5 pixels of range B (asked first) or A: 2 and 1; else 0.
    int RangeAt(int x) const;
    void PressInFrameMode(int button, int shift, int x, int y);
    void Highlight(int x, int y);
    // The mask services while the mask is being edited, else none.
    TSerialServices* EditedMask() const;
    void PressOnEditedMask(TSerialServices& mask, int button, int shift, int x, int y);
    // A layer point in screen units, as the mask edit layer converts it.
    std::pair<int, int> MaskPoint(int x, int y) const;

    TScopeCRT& Panel_;
    TSignalScreen& Screen_;
    TScreenMouseActions* Actions_;  // not owned; none: no drags of traces
    TShell* Shell_;                 // not owned

    TScreenLayer* Grabbed_ = nullptr;
    int PressX_ = 0;
    int PressY_ = 0;
    int PressButton_ = 0;
    int PressShift_ = 0;
    int ReleaseX_ = 0;
    int ReleaseY_ = 0;
    bool FrameArmed_ = false;
    std::unique_ptr<TSLBMP> Image_;
    int Source_ = 0;
    bool Vertical_ = true;
    int Kind_ = 0;
    int OffsetX_ = 0;
    int OffsetY_ = 0;
    int LeftLimit_ = -1;
    int RightLimit_ = -1;
    bool DraggingB_ = false;
    int Cursor_ = crDefault;
};

}  // namespace vt
