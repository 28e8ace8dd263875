#pragma once
// The two markers: their "Mark:" settings, the marker layers they place on the screens, and their
// readouts in the bottom strip with the differences, 1/dX, the slope and the reference ratios.
#include <array>
#include <string>
#include <utility>

#include "core/Color.h"

namespace vt {

class TShell;
class TCommandTree;
class THandler;
class TRadioSwHandler;
class TOnOffHandler;
class TIntEditHandler;
class TSignalSourceSwHandler;
class TRightCommandHandler;
class TGpibStringHandler;
class TSignalObj;
class TScopeCRT;
class TNizText;

// Marker types of "Mark:Type".
inline constexpr int mtOff = 0;
inline constexpr int mtMX = 1;
inline constexpr int mtMY = 2;
inline constexpr int mtXY = 3;

// A slope or reference ratio that cannot be formed; shown as "Undefined".
inline constexpr double UndefinedRatio = 1.234567e95;

// What the readouts show, computed from the settings and the records.
struct TMarkerTexts {
    std::array<bool, 2> Shown{};
    bool Deltas = false;
    bool TimeOrFrequency = false;  // marker 1's horizontal unit is "s" or "Hz"
    std::array<double, 2> XM{};
    std::array<double, 2> YM{};
    double dXM = 0;
    double dYM = 0;
    double Slope = 0;
    double RatioX = 0;
    double RatioY = 0;
    std::array<std::string, 2> XText;
    std::array<std::string, 2> YText;
    std::string dXText, InvText, dYText, SlopeText;
    std::string RefXPercent, RefXDegrees, RefYPercent, RefYDb;
};

class TMarkers {
public:
    explicit TMarkers(TShell& shell);

    void RegisterMarkerCommands(TCommandTree& tree);
    void RefreshMarkerHandlers();

    int Type() const;
    int MarkerSource(int n) const;
    bool MarkerShown(int n) const;
    double MarkerXValue(int n) const;
    double MarkerYValue(int n) const;
    double MarkerXYValue(int n) const;
    // Whether the differences apply, and whether marker 1's horizontal unit is "s" or "Hz".
    std::pair<bool, bool> MarkerDeltasShown() const;
    TMarkerTexts ComputeTexts() const;

    void UpdateMarkerLayer(int n);
    void RemoveMarkerLayer(int n);
    void ApplyMarkerMode();
    void EnableMarkerSettings(int n);
    void MarkerTypeChanged();
    void UpdateMarkerTypeChoice();
    void RefreshMarkersOnScaleChange();
    void SyncPairedMarkers(bool marker1Moved);
    void SnapXYMarkers();
    void SetMarkerReference();
    void InvalidateMarkerValues();
    void DrawMarkerLabels();
    void UpdateMarkerReadouts(bool withSlots);
    void RefreshMarkerReadouts();
    std::string MarkerResultQuery(std::string_view argument) const;
    // Another analysis mode came on.
    void SwitchOffMarkers();

    // The paired distance (columns, rows).
    std::pair<int, int> PairedDistance() const { return {PairDx_, PairDy_}; }
    std::pair<double, double> Reference() const { return {RefDX_, RefDY_}; }

private:
    TScopeCRT* Panel() const;
    TNizText* Strip() const;
    bool DatabaseShown() const;
    TColor SourceColour(int source) const;
    const TSignalObj* Record(int n) const;
    int XPos(int n) const;
    int YPos(int n) const;
    std::string Text(double value, int digits) const;
    void XPosBefore(int n);
    void XPosAfter(int n, THandler& h);
    void YPosAfter(int n, THandler& h);
    void SourceAfter(int n);
    void ReferAfter();
    bool UserChange(const THandler& h) const;
    void Out(const std::string& text, int row, int column, bool value, int slot, int colour);

    TShell& Shell_;
    TRadioSwHandler* Type_ = nullptr;
    std::array<TSignalSourceSwHandler*, 2> Source_{};
    std::array<TIntEditHandler*, 2> X_{};
    std::array<TIntEditHandler*, 2> Y_{};
    TRadioSwHandler* Motion_ = nullptr;
    TOnOffHandler* Refer_ = nullptr;
    TRightCommandHandler* SetRef_ = nullptr;
    TGpibStringHandler* Result_ = nullptr;

    // The values last drawn: XM1, XM2, dXM, YM1, YM2, dYM, slope, reference ratios X and Y.
    std::array<double, 9> Cache_{};
    double RefDX_ = 0;
    double RefDY_ = 0;
    int PairDx_ = 2000;
    int PairDy_ = 300;
    std::array<int, 2> OldX_{};
    bool Snapping_ = false;
    bool SnapByUser_ = false;
};

}  // namespace vt
