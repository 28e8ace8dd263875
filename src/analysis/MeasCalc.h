#pragma once
// The measurement engine: after every acquisition, and whenever a measurement setting asks for it, it
// derives for each signal source its levels, thresholds and measurement window, lets the measurement
// list compute the listed measurements of the source, and runs the limit test. It also gives the value
// of each listed measurement (`CalcMeasurement`).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "analysis/EdgeJitter.h"
#include "analysis/MeasAlgorithms.h"
#include "analysis/MeasSettings.h"
#include "analysis/SignalLevels.h"
#include "analysis/SpectrumMeasurements.h"
#include "display/Annotations.h"

namespace vt {

class TShell;
class TSignalObj;
class TStatH;

// The measurement list frees the statistics of its entries.
struct TStatHDelete {
    void operator()(TStatH* stat) const;
};

// The measurement groups.
enum TMeasGroup : int { mgX = 0, mgXFft = 1, mgXDual = 2, mgY = 3, mgYFft = 4, mgYDual = 5 };

// One listed measurement.
class TParameterOfMeas {
public:
    int Group = mgX;
    double Value = 0;
    int Source = 0;
    int Kind = 0;  // index into the group's value list
    std::string UnitText;
    int Source2 = 2;  // the second source of the dual groups
    TAnnLabelArray Annotation{};
    std::uint8_t PlacedPoints = 0;  // bit n-1: the last computation placed point n
    std::uint32_t Serial = 0;       // names the entry in the list's undo texts
    bool LimitsSeeded = false;  // the limit test seeded the slot's limits once
    bool HisticonOn = false;    // the statistic cells show the histicon instead of minimum and maximum
    bool LimitPrimed = false;   // the statistics held 10 values and the limits were applied again
    std::unique_ptr<TStatH, TStatHDelete> Statistics;  // slots 0..3, from the first stored value
    std::uint32_t TestedCount = 0;
    std::uint32_t FailedCount = 0;
};

// What the pass calls in the measurement list, the readouts and the settings; nothing until they exist.
class TMeasListHooks {
public:
    virtual ~TMeasListHooks() = default;
    // A listed measurement uses the source as its source, or as its second source in a dual group.
    virtual bool IsSourceMeasured(int /*source*/) { return false; }
    // Computes every listed slot of the source (through CalcMeasurement).
    virtual void MeasureSlotsOfSource(int /*source*/) {}
    virtual void ShowMeasDefinitionLayer() {}
    virtual void ShowFftDefinitionLayer() {}
    // The scale of the source changed: the controls of its level, threshold and marker settings follow.
    virtual void RefreshScaleControls(int /*source*/) {}
};

class TMeasCalc {
public:
    explicit TMeasCalc(TShell& shell);
    ~TMeasCalc();
    TMeasCalc(const TMeasCalc&) = delete;
    TMeasCalc& operator=(const TMeasCalc&) = delete;

    // Settings and list (the defaults read the command tree and list nothing).
    void SetSettings(std::unique_ptr<TMeasSettings> settings);
    const TMeasSettings& Settings() const { return *Settings_; }
    void SetListHooks(TMeasListHooks* hooks);
    // The limit test's step of the pass; empty until the limit test exists.
    std::function<void()> LimitTestAcquisition;

    // --- the pass
    void MeasureAcquisition();
    // stage 1 full, 2 from the level markers, 3 from the thresholds, 4 from the margins.
    void UpdateSignalMeasurements(int source, int stage);
    void ResetMeasState();

    // --- requests, consumed by the next pass
    void RequestMeasureNow() { MeasureNow_ = true; }
    void RequestLevelMarkers(int source) { StateRef(source).LevelMarkerPending = true; }
    void RequestThresholds(int source) { StateRef(source).ThresholdPending = true; }
    void RequestMargins(int source) { StateRef(source).MarginPending = true; }
    bool MeasureNowRequested() const { return MeasureNow_; }

    // --- the state of each source, read-only
    const MeasSourceState& State(int source) const;
    const TThresholdTexts& ThresholdTexts() const { return Texts_; }
    const TCrossingTable& CrossingTable() const { return Table_; }

    // --- levels and edges of a source (trend, definition layer)
    bool FindSignalLevels(int source);
    void SetLevelMarkers(int source);
    void SetReferenceLevels(int source);
    double FindRisingCrossing(int source, int& start, int sel, bool toEnd, TCrossingPlace* place = nullptr) const;
    double FindFallingCrossing(int source, int& start, int sel, bool toEnd, TCrossingPlace* place = nullptr) const;
    int FindCrossingWindow(int source, int n, int which);
    int NearestTablePoint(int index, bool left) const { return Table_.NearestTablePoint(index, left); }
    // The margin mode became Slope: the slope settings follow the current window.
    void TrackCrossingWindow(int source);
    // The margin mode became Marker: the marker settings take the current window.
    void SetCrossingWindowHandlers(int source);

    // --- the value of one listed measurement, with its annotation points
    double CalcMeasurement(TParameterOfMeas& param);

    // --- jitter kinds
    void RaiseJitterRestart() { Jitter_.RaiseRestart(); }
    void ResetJitterColumnRanges() { Jitter_.ResetColumnRanges(); }
    const TEdgeJitter& Jitter() const { return Jitter_; }

private:
    MeasSourceState& StateRef(int source);
    TSignalObj* Record(int source) const;
    bool SourceOn(int source) const;
    TMeasSourceView View(int source) const;
    std::string Lang(const char* key) const;

    TShell& Shell_;
    std::unique_ptr<TMeasSettings> Settings_;
    TMeasListHooks NoHooks_;
    TMeasListHooks* Hooks_ = &NoHooks_;
    std::array<MeasSourceState, 14> States_{};
    TThresholdTexts Texts_;
    TCrossingTable Table_;
    TEdgeJitter Jitter_;
    bool MeasureNow_ = false;
    bool Measured_ = false;  // a source's slots were computed in this pass
};

}  // namespace vt
