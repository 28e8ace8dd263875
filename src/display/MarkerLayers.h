#pragma once
// The overlays the features place over the waveforms: the two markers (lines and crosses), the
// histogram window, the definition of a measurement, the FFT levels and margins and the TDR margins.
// Every placing compares the new cells with the stored ones and redraws only the lines that move.
#include <cstdint>
#include <string>

#include "display/OverlayLayers.h"

namespace vt {

inline constexpr std::string_view MarkerLayersUnitName = "_SHELL\\SRC\\MarkerLayersUnit";

class THistWindowLayer : public TMarkerLayer {
public:
    THistWindowLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TOverlayDrags* drags)
        : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Drags_(drags) {}

    // Screen units.
    void SetWindow(int left, int right, int top, int bottom);
    void GrabAt(int x, int y) override;
    void DragTo(int x, int y) override;

    bool LeftGrabbed() const { return GrabLeft_; }
    bool RightGrabbed() const { return GrabRight_; }
    bool TopGrabbed() const { return GrabTop_; }
    bool BottomGrabbed() const { return GrabBottom_; }

private:
    TOverlayDrags* Drags_;  // the panel's
    int OffLeft_ = 0;
    int OffRight_ = 0;
    int OffTop_ = 0;
    int OffBottom_ = 0;
    bool GrabLeft_ = false;
    bool GrabRight_ = false;
    bool GrabTop_ = false;
    bool GrabBottom_ = false;
};

// A vertical marker line: marker 1 solid, marker 2 dashed (rows whose index modulo 8 is 3 or more).
class T_X_MarkerLayer : public TMarkerLayer {
public:
    T_X_MarkerLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TOverlayDrags* drags)
        : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Drags_(drags) {}

    void SetPosition(int x);
    int Column() const { return BoxLeft_; }
    void GrabAt(int x, int y) override;
    void DragTo(int x, int y) override;

protected:
    // Moves the line from the stored column to column (0: none).
    void MoveLine(int column);
    TOverlayDrags* Drags_;  // the panel's

private:
    int GrabOffset_ = 0;
};

// A marker sitting on a waveform point: the vertical line and a cross of the two diagonals.
class T_XY_MarkerLayer : public T_X_MarkerLayer {
public:
    using T_X_MarkerLayer::T_X_MarkerLayer;

    // Point n of the source layer; a point off the plot or not placed hides the marker.
    void SetPointIndex(int n);
    int Row() const { return BoxTop_; }

private:
    void Cross(bool draw);
};

// A horizontal marker line, dashed by column for marker 2.
class T_Y_MarkerLayer : public TMarkerLayer {
public:
    T_Y_MarkerLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TOverlayDrags* drags)
        : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Drags_(drags) {}

    void SetPosition(int y);
    int Row() const { return BoxTop_; }
    void DragTo(int x, int y) override;

private:
    TOverlayDrags* Drags_;  // the panel's
};

// Parts of a measurement definition a press can take.
enum TMeasPart : int { mpTop = 0, mpBase, mpUpper, mpMiddle, mpLower, mpLeft, mpRight };

// The box of the margins, top and base, with dotted threshold lines inside.
class T_Meas_ParamLayer : public TMarkerLayer {
public:
    T_Meas_ParamLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TOverlayDrags* drags)
        : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Drags_(drags) {}

    // Screen units.
    void SetParams(int left, int right, int top, int base, int upper, int middle, int lower);
    void GrabAt(int x, int y) override;
    void DragTo(int x, int y) override;
    int GrabbedPart() const { return Part_; }

private:
    void Thresholds(bool draw);
    TOverlayDrags* Drags_;  // the panel's
    std::uint16_t Upper_ = 0;
    std::uint16_t Middle_ = 0;
    std::uint16_t Lower_ = 0;
    std::uint8_t Part_ = 0;
};

// Parts of the FFT measurement layer.
enum TFftPart : int { fpLevel = 0, fpLeft, fpRight };

// The peak level line, or the two margins of a spectrum measurement.
class T_FFT_Meas_ParamLayer : public TMarkerLayer {
public:
    T_FFT_Meas_ParamLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TOverlayDrags* drags)
        : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Drags_(drags) {}

    // -1: not given. A level and margins together are refused.
    void PaintMeas_Params(int level, int left, int right);
    void GrabAt(int x, int y) override;
    void DragTo(int x, int y) override;
    int Mode() const { return Mode_; }
    int GrabbedPart() const { return Part_; }

private:
    void Draw(bool draw);
    TOverlayDrags* Drags_;  // the panel's
    std::uint8_t Mode_ = 255;  // nothing drawn yet
    int Level_ = 0;
    int Left_ = 0;
    int Right_ = 0;
    std::uint8_t Part_ = 0;
};

// The two measurement margins of a reflection trace; a left margin of -1 hides them.
class T_TDR_MarginsLayer : public TMarkerLayer {
public:
    T_TDR_MarginsLayer(std::string name, bool marginFlag, int slot, int rows, int columns, TOverlayDrags* drags)
        : TMarkerLayer(std::move(name), marginFlag, slot, rows, columns), Drags_(drags) {}

    void SetMargins(int left, int right);
    void GrabAt(int x, int y) override;
    void DragTo(int x, int y) override;
    bool Shown() const { return Shown_; }
    int GrabbedMargin() const { return Margin_; }

private:
    void Lines(bool draw);
    TOverlayDrags* Drags_;  // the panel's
    bool Shown_ = false;
    int Left_ = 0;
    int Right_ = 0;
    std::uint8_t Margin_ = 0;
};

// Registers the classes above in a panel's overlay classes; their drags reach drags.
void RegisterMarkerLayerClasses(TOverlayClasses& classes, TOverlayDrags& drags);

}  // namespace vt
