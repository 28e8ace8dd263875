#pragma once
// What the program calls in the measurement and analysis library: only what has a caller today. The
// analysis library registers its implementation in the shell context; until then every operation
// does nothing and every computation fails.

namespace vt {

class TAnalysisServices {
public:
    virtual ~TAnalysisServices() = default;

    // Computes the record of function source (4..7) / spectrum source (12..13) from its inputs; false
    // when it could not.
    virtual bool EvaluateMathFunction(int /*source*/) { return false; }
    virtual bool CalcSpectrum(int /*source*/) { return false; }

    // The clearing of the display ("*ClrDispl").
    virtual void ClearSharedHistogram() {}
    virtual void ResetAllTrendAverages() {}
    virtual void RestartMeasStatistics() {}
    virtual void InvalidateMarkerValues() {}
    // The per-cycle and idle work of the markers, the histogram and the measurements.
    virtual void UpdateMarkerLayer(int /*marker*/) {}
    virtual void RefreshMarkerReadouts() {}
    virtual void RefreshMarkersOnScaleChange() {}
    virtual void UpdateHistogram(int /*mode*/) {}
    virtual void RefreshHistWindowOnScaleChange(int /*which*/) {}
    virtual void MeasureAcquisition() {}
    // The histogram's controls after the shared histogram was used elsewhere (autoscale).
    virtual void UpdateHistControls() {}
    // The display placed sources anew: the histogram pseudo-source takes its source's placement
    // (moved: the source that moved, -1 after a format change).
    virtual void SyncHistPlacementWithSource(int /*moved*/) {}
    // A database came on or went off the screen: the XY marker type follows.
    virtual void UpdateMarkerTypeChoice() {}
    // The language changed: the measurements' annotation and labels take the new texts.
    virtual void RefreshMeasAnnotation() {}
};

}  // namespace vt
