#pragma once
// The view of each derived source (F1-F4, M1-M4, S1-S2) on the screen ("Zoom:<name>:" settings): how a
// spectrum is shown (magnitude, phase, real or imaginary part, linear or logarithmic), suppression of DC
// and phase noise, and the vertical and horizontal zoom. The unit keeps their limits and enabling in
// step with the record and shows them in the record's own units.
#include <array>

#include "core/Feature.h"

namespace vt {

class TShell;
class TCommandTree;
class THandler;
class TRadioSwHandler;
class TCheckSwHandler;
class TDoubleEditHandler;
class TIntEditHandler;
class TSignalSourceSwHandler;
class TSignalObj;

inline constexpr int ZoomSourceFirst = 4;   // F1
inline constexpr int ZoomSourceLast = 13;   // S2
inline constexpr int ZoomSourceCount = ZoomSourceLast - ZoomSourceFirst + 1;
inline constexpr double SmallestHorScale = 0.0078125;

// The zoom factor of a record of n points shown at the fraction horScale: round(1 / horScale), lowered
// so that at least 8 points stay in view, and never below 1.
int ZoomFactor(int n, double horScale);
// The width of the zoom window in screen columns.
int ZoomWindowColumns(int n, double horScale);
// The points in view: n div the zoom factor.
int ZoomedPointCount(int n, double horScale);

class TZoomViews : public TFeature {
public:
    // The twelve settings of one derived source, in their order.
    struct TZoomHandlers {
        TRadioSwHandler* ComplexScale = nullptr;
        TCheckSwHandler* Suppress = nullptr;
        TDoubleEditHandler* SupprLevel = nullptr;
        TRadioSwHandler* VScaleType = nullptr;
        TDoubleEditHandler* VertScale = nullptr;
        TDoubleEditHandler* VertDBScale = nullptr;
        TDoubleEditHandler* Offset = nullptr;
        TDoubleEditHandler* OffsInDB = nullptr;
        TDoubleEditHandler* OffsPhase = nullptr;
        TDoubleEditHandler* PhaseScale = nullptr;
        TDoubleEditHandler* HorScale = nullptr;
        TIntEditHandler* HorPosition = nullptr;
    };

    explicit TZoomViews(TShell& shell) : Shell_(shell) {}
    ~TZoomViews();
    TZoomViews(const TZoomViews&) = delete;
    TZoomViews& operator=(const TZoomViews&) = delete;

    void FillRows(TShell& shell) override;

    void CreateZoomHandlers(TCommandTree& tree);
    // For each derived source: the zoom-source update and the position limits.
    void RefreshZoomHandlers();
    // The target's settings take the source's; a source that is not derived resets the target's zoom.
    void CopyZoomSettings(int target, int source);
    int ZoomWindowColumns(int source) const;
    int ZoomedPointCount(int source) const;
    // A spectrum's view stays within the half of the record below half the sampling rate.
    void LimitDerivedSignalZoom(int source);
    // The chosen source's record scales changed: its numeric settings show their texts again.
    void RefreshZoomControlsOnScaleChange();

    // The source whose settings the menu shows (4..13).
    int ChosenSource() const;
    const TZoomHandlers& Handlers(int source) const;
    // The vertical view of a source: 0 linear, 1 dB, 2 phase.
    int VerticalView(int source) const;
    bool SourceOn(int source) const;

private:
    // The derived source that owns a handler; any other handler is an internal error.
    int SourceOfHandler(const THandler& h) const;
    void ZoomSourceUpdate(int source);
    void Enabling(int source);
    void VerticalEnabling(int source);
    void SuppressionChanged(int source);
    void PositionLimits(int source);
    void RefreshOpenMenu();
    TSignalObj* Record(int source) const;
    bool Complex(int source) const;
    double Compression() const;

    TShell& Shell_;
    TSignalSourceSwHandler* ZoomSource_ = nullptr;
    std::array<TZoomHandlers, ZoomSourceCount> Handlers_{};
};

}  // namespace vt
