#pragma once
// The waveform histogram the user sees: one source accumulated cycle after cycle into the shared hit
// map, drawn as bars along the vertical or the time axis with a draggable window, its fifteen readouts
// in the bottom strip, and the "Hist:" settings with their two queries.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vt {

class TShell;
class TCommandTree;
class THandler;
class TRadioSwHandler;
class TOnOffHandler;
class TIntEditHandler;
class TSignalSourceSwHandler;
class TGpibStringHandler;
class TSignalObj;
class TScopeCRT;
class TNizText;
class TFullHist;

// Values of "Hist:Axis".
inline constexpr int haOff = 0;
inline constexpr int haVert = 1;
inline constexpr int haHoriz = 2;

// The edges of a window set, in the order of their settings.
enum THistEdge : int { heTop = 0, heBottom = 1, heLeft = 2, heRight = 3 };

class THistogramFeature {
public:
    explicit THistogramFeature(TShell& shell);

    void CreateHistHandlers(TCommandTree& tree);
    void UpdateHistControls();
    // add: one more waveform of the source (the acquisition cycle); otherwise only a recomputation.
    void UpdateHistogram(bool add);
    void HistAxisChanged();
    void RefreshHistWindowOnScaleChange(int kind);
    void SyncHistPlacementWithSource(int moved);
    void ClearSharedHistogram();
    // Another analysis mode came on.
    void SwitchOffHistogram();

    int Axis() const;
    int GetHistSource() const;
    // 2 for Horiz, else 1: the window set in use.
    int HistAxisKind() const { return Axis() == haHoriz ? 2 : 1; }
    // In effect: the Manual pair of the axis and scale type, else the fixed values; linear ones as
    // fractions of the peak, logarithmic ones in dB.
    double HistScaleValue() const;
    double HistOffsetValue() const;
    // An edge of a window set (kind 1 WVert, 2 WHor) as its editor shows it: percent, or the
    // source's time or value.
    double WindowReading(int kind, THistEdge edge) const;

    // The readout texts kept for "Hist:Res", by key.
    static constexpr std::array<const char*, 13> ResultKeys = {"InBox", "Wfm",    "Peak",   "PP",     "Median",
                                                                "Mean1S", "Mean2S", "Mean3S", "Mean",   "StdDev",
                                                                "Min",    "Max-Max", "Max"};
    const std::string& ResultText(std::string_view key) const;
    std::string HistResQuery(std::string_view parameter) const;

    // The handlers, for the side menu (null before registration).
    TRadioSwHandler* AxisHandler() const { return Axis_; }
    TRadioSwHandler* RunUntilHandler() const { return RunUntil_; }
    TRadioSwHandler* ScaleTypeHandler() const { return ScaleType_; }
    TIntEditHandler* WindowHandler(int kind, THistEdge edge) const;
    // The Manual scale (0) or offset (1) editor of the axis and scale type in use.
    TIntEditHandler* ScalePairHandler(int which) const;
    // Told when the controls the side menu binds change (axis, scale type, run-until).
    std::function<void()> OnControlsChanged;
    // Told when Axis goes Off: the side menu returns to its first page.
    std::function<void()> OnAxisOff;

private:
    TScopeCRT* Panel() const;
    TNizText* Strip() const;
    TFullHist* Hist() const;
    const TSignalObj* Source() const;
    bool On(const TOnOffHandler* h) const;
    int ChoiceOf(const TRadioSwHandler* h) const;
    int Edge(int kind, THistEdge edge) const;
    void ApplyWeight();
    void EnableSettings();
    void SourceChanged();
    void EdgeChanged(int kind, THistEdge edge);
    void SetEdgeLimits(int kind);
    void FreeLayers();
    void FreeWindowLayer();
    void PlaceWindowBox();
    void WriteReadouts();
    void Out(const std::string& text, int row, int column, bool value);
    std::string Number(double value, int digits) const;
    void NotifyControls() const;

    TShell& Shell_;
    TRadioSwHandler* Axis_ = nullptr;
    TSignalSourceSwHandler* Source_ = nullptr;
    TOnOffHandler* Visible_ = nullptr;
    TRadioSwHandler* RunUntil_ = nullptr;
    TIntEditHandler* NWfm_ = nullptr;
    TIntEditHandler* NSample_ = nullptr;
    TRadioSwHandler* Limits_ = nullptr;
    std::array<std::array<TIntEditHandler*, 4>, 2> Window_{};
    TRadioSwHandler* Units_ = nullptr;
    TOnOffHandler* Display_ = nullptr;
    TRadioSwHandler* Mode_ = nullptr;
    TIntEditHandler* Weight_ = nullptr;
    TRadioSwHandler* ScaleType_ = nullptr;
    TRadioSwHandler* ScaleMode_ = nullptr;
    // VertScale, VertOffset, VertDBScale, VertDBOffs, HorScale, HorOffset, HorDBScale, HorDBOffs.
    std::array<TIntEditHandler*, 8> Scales_{};
    TGpibStringHandler* Data_ = nullptr;
    TGpibStringHandler* Res_ = nullptr;

    // Remembered width and height of each set (WVert, WHor), kept by the pairing.
    std::array<int, 2> Width_ = {4000, 2000};
    std::array<int, 2> Height_ = {1022, 16};
    bool Pairing_ = false;
    int LastAxis_ = haOff;
    bool LabelsDrawn_ = false;
    std::array<std::string, 15> CellTexts_{};  // the value texts last drawn, per cell
    std::array<std::string, ResultKeys.size()> Results_{};
};

}  // namespace vt
