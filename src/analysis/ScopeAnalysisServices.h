#pragma once
// The measurement and analysis library's services to the program: one object that the analysis
// feature registers in the shell, owning the analysis engines (the measurement engine and list, the
// markers, the math functions, the spectra and the histogram).
#include "analysis/HistogramFeature.h"
#include "analysis/Markers.h"
#include "analysis/MeasCalc.h"
#include "analysis/Measurements.h"
#include "analysis/Spectra.h"
#include "analysis/TrendWaveform.h"
#include "analysis/WaveformMath.h"
#include "core/AnalysisServices.h"
#include "core/Feature.h"

namespace vt {

class TShell;

class TScopeAnalysisServices : public TAnalysisServices {
public:
    explicit TScopeAnalysisServices(TShell& shell);

    void MeasureAcquisition() override { Meas_.MeasureAcquisition(); }
    bool EvaluateMathFunction(int source) override { return Math_.EvaluateMathFunction(source); }
    bool CalcSpectrum(int source) override { return Spectra_.CalcSpectrum(source); }
    void ResetAllTrendAverages() override { Math_.ResetAllTrendAverages(); }

    // The registration and refresh rows of the markers, the math functions and the spectra.
    void FillRows(TShell& shell);

    void UpdateMarkerLayer(int marker) override { Markers_.UpdateMarkerLayer(marker); }
    void RefreshMarkerReadouts() override { Markers_.RefreshMarkerReadouts(); }
    void RefreshMarkersOnScaleChange() override { Markers_.RefreshMarkersOnScaleChange(); }
    void InvalidateMarkerValues() override { Markers_.InvalidateMarkerValues(); }
    void UpdateMarkerTypeChoice() override { Markers_.UpdateMarkerTypeChoice(); }

    void UpdateHistogram(int mode) override { Hist_.UpdateHistogram(mode != 0); }
    void RefreshHistWindowOnScaleChange(int which) override { Hist_.RefreshHistWindowOnScaleChange(which); }
    void UpdateHistControls() override { Hist_.UpdateHistControls(); }
    void SyncHistPlacementWithSource(int moved) override { Hist_.SyncHistPlacementWithSource(moved); }
    void ClearSharedHistogram() override { Hist_.ClearSharedHistogram(); }
    THistogramFeature& Histogram() { return Hist_; }

    TMeasCalc& Meas() { return Meas_; }
    TMarkers& Markers() { return Markers_; }
    TWaveformMath& Math() { return Math_; }
    TSpectra& Spectra() { return Spectra_; }

    // The measurement list, its readouts and settings.
    void RestartMeasStatistics() override { Measurements_.List().RestartMeasStatistics(); }
    void RefreshMeasAnnotation() override {
        Measurements_.Readouts().RefreshMeasAnnotation();
        Measurements_.Readouts().MarkFullRedraw();
    }
    TMeasurements& Measurements() { return Measurements_; }
    TTrendWaveform& Trend() { return Trend_; }

private:
    TMeasCalc Meas_;
    TWaveformMath Math_;
    TSpectra Spectra_;
    TMarkers Markers_;
    THistogramFeature Hist_;
    TMeasurements Measurements_;
    TTrendWaveform Trend_;
};

// Installs the analysis services in the shell when the program is put together.
class TAnalysisFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
    // The services installed (null before FillRows).
    TScopeAnalysisServices* Services() const { return Services_; }

private:
    TScopeAnalysisServices* Services_ = nullptr;
};

}  // namespace vt
