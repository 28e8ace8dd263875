#pragma once
// The measurement and analysis library's services to the program: one object that the analysis
// feature registers in the shell, owning the analysis engines (so far the measurement engine).
#include "analysis/Markers.h"
#include "analysis/MeasCalc.h"
#include "core/AnalysisServices.h"
#include "core/Feature.h"

namespace vt {

class TShell;

class TScopeAnalysisServices : public TAnalysisServices {
public:
    explicit TScopeAnalysisServices(TShell& shell);

    void MeasureAcquisition() override { Meas_.MeasureAcquisition(); }
    void UpdateMarkerLayer(int marker) override { Markers_.UpdateMarkerLayer(marker); }
    void RefreshMarkerReadouts() override { Markers_.RefreshMarkerReadouts(); }
    void RefreshMarkersOnScaleChange() override { Markers_.RefreshMarkersOnScaleChange(); }
    void InvalidateMarkerValues() override { Markers_.InvalidateMarkerValues(); }
    void UpdateMarkerTypeChoice() override { Markers_.UpdateMarkerTypeChoice(); }

    TMeasCalc& Meas() { return Meas_; }
    TMarkers& Markers() { return Markers_; }

private:
    // The switch-offs the analysis modes built so far answer.
    class TModeSwitches : public TAnalysisModeSwitches {
    public:
        explicit TModeSwitches(TMarkers& markers) : Markers_(markers) {}
        void SwitchOffMarkers() override { Markers_.SwitchOffMarkers(); }

    private:
        TMarkers& Markers_;
    };

    TMeasCalc Meas_;
    TMarkers Markers_;
    TModeSwitches ModeSwitches_{Markers_};
};

// Installs the analysis services in the shell when the program is put together.
class TAnalysisFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
