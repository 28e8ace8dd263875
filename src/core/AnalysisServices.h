#pragma once
// What the core, the link and the acquisition call in the measurements, markers, histograms, limit
// test, waveform math and FFT. The analysis library registers its implementation in the shell context;
// until then every operation does nothing and every computation answers false.

namespace vt {

class TAnalysisServices {
public:
    virtual ~TAnalysisServices() = default;

    // Measurements of all shown signals for the latest data, then the limit test.
    virtual void MeasureAcquisition() {}
    virtual void RestartMeasStatistics() {}
    virtual void RefreshMeasAnnotation() {}
    virtual void DrawMeasStrip() {}

    // Markers (1 or 2).
    virtual void UpdateMarkerLayer(int /*marker*/) {}
    virtual void RefreshMarkerReadouts() {}
    virtual void ApplyMarkerMode() {}
    virtual void InvalidateMarkerValues() {}
    virtual void RefreshMarkersOnScaleChange() {}

    // Histogram.
    virtual void UpdateHistogram(int /*kind*/) {}
    virtual void RefreshHistWindowOnScaleChange(int /*which*/) {}
    virtual void HistAxisChanged() {}
    virtual void UpdateHistControls() {}

    // Math and FFT: true when the record was computed.
    virtual bool EvaluateMathFunction(int /*function*/) { return false; }
    virtual bool CalcSpectrum(int /*spectrum*/) { return false; }
    virtual void ResetAllTrendAverages() {}
    virtual void LimitDerivedSignalZoom(int /*source*/) {}
};

}  // namespace vt
