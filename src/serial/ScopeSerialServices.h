#pragma once
// The serial-data library's services to the program: one object that the serial feature registers in
// the shell, owning the serial-data analyses (the eye measurements, the mask test, the jitter analysis and TDR/TDT).
#include "core/Feature.h"
#include "core/SerialServices.h"
#include "serial/EyeMeasurement.h"
#include "serial/EyeStripRows.h"
#include "serial/MaskTest.h"
#include "serial/JitterSettings.h"
#include "serial/TdrChannelCalibration.h"
#include "serial/TdrExcess.h"
#include "serial/TdrNormalization.h"
#include "serial/TdrReadouts.h"
#include "serial/TdrSettings.h"

namespace vt {

class TScopeSerialServices : public TSerialServices {
public:
    explicit TScopeSerialServices(TShell& shell)
        : Eye_(shell), Mask_(shell), Jitter_(shell), Tdr_(shell), TdrNorm_(shell, Tdr_), EyeRows_(shell, Eye_),
          TdrCal_(shell, Tdr_), TdrReadouts_(shell, Tdr_), Excess_(shell, Tdr_) {
        Tdr_.Normalization = &TdrNorm_;
        Tdr_.ChannelCalibration = &TdrCal_;
        Tdr_.Readouts = &TdrReadouts_;
        Eye_.SetReadouts(&EyeRows_);
    }
    // The rows go before the eye: the eye must not reach them on its way out.
    ~TScopeSerialServices() override { Eye_.SetReadouts(nullptr); }

    void RestartEyeAccumulation() override { Eye_.RestartEyeAccumulation(); }
    void UpdateEyeMeasurements() override { Eye_.UpdateEyeMeasurements(); }
    void SwitchOffEyeMeasurement() override { Eye_.SwitchOffEyeMeasurement(); }

    TEyeMeasurement& Eye() { return Eye_; }
    TEyeStripRows& EyeRows() { return EyeRows_; }
    void ShowEyeAnnotations() override { EyeRows_.ShowEyeAnnotations(); }

    void ResetMaskCounters() override { Mask_.ResetMaskCounters(); }
    void MaskTestSample(int source, int index) override { Mask_.MaskTestSample(source, index); }
    void MaskTestStep() override { Mask_.MaskTestStep(); }
    void UpdateMaskScales() override { Mask_.UpdateMaskScales(); }
    int MaskPolygonCount() const override { return Mask_.PolygonCount(); }
    void RedrawMaskLayer() override { Mask_.RedrawMaskLayer(); }
    void UpdateMaskControls() override { Mask_.UpdateMaskControls(); }
    void RefreshStdMaskFamily() override { Mask_.RefreshStdMaskFamily(); }
    void ClearCurrentMask() override { Mask_.ClearCurrentMask(); }
    TMaskTest& MaskTest() { return Mask_; }
    bool MaskEditing() const override { return Mask_.Editing(); }
    bool AddPolygonMode() const override { return Mask_.Editing() && Mask_.Mask().AddPolygonMode; }
    void MouseDownEdit(int x, int y) override { Mask_.Mask().MouseDownEdit(x, y); }
    void MoveVertex(int polygon, int vertex, int y, int x) override { Mask_.Mask().MoveVertex(polygon, vertex, y, x); }
    void SelectAtPoint(int x, int y) override { Mask_.Mask().SelectAtPoint(x, y); }
    void ClearSelection(bool pressed) override { Mask_.Mask().ClearSelection(pressed); }
    bool HasSelection() const override { return Mask_.Mask().HasSelection(); }
    bool IsEditing() const override { return Mask_.Mask().IsEditing(); }
    void CheckEditedPolygon() override { Mask_.Mask().CheckEditedPolygon(); }

    void JitterStep() override { Jitter_.Step(); }
    bool JitterAnalyserExists() const override { return Jitter_.Exists(); }
    void JitterDrawPlot(int plot, int kind, int value) override { Jitter_.DrawPlot(plot, kind, value); }
    TJitterAnalysis& Jitter() { return Jitter_; }

    // TDR/TDT.
    bool IsTdrActive() const override { return Tdr_.IsTdrActive(); }
    int TdrChannelState(int channelIndex) const override { return Tdr_.TdrChannelState(channelIndex); }
    int TdrDistanceUnit() const override { return Tdr_.TdrDistanceUnit(); }
    bool TdrTransmission() const override { return Tdr_.IsTdrActive() && !Tdr_.TdrModeIsTdr(); }
    double TdrVelocityFactor() const override { return Tdr_.TdrVelocityFactor(); }
    void RefreshTdrChannelChoice() override { Tdr_.UpdateTdrChannelChoice(); }
    void ApplyPendingTdrClear() override { Tdr_.ApplyPendingTdrClear(); }
    std::string UndoRefusal() const override {
        const std::string why = TdrCal_.UndoRefusal();
        return why.empty() ? TdrNorm_.UndoRefusal() : why;
    }
    TTdrSettings& Tdr() { return Tdr_; }
    TTdrNormalization& TdrNormalization() { return TdrNorm_; }
    TTdrChannelCalibration& TdrChannelCalibration() { return TdrCal_; }
    void RecalcTdrReflections() override { Tdr_.RecalcTdrReflections(); }
    void ClearReflectionParams() override {
        Tdr_.Params.ClearReflectionParams();
        TdrReadouts_.UpdateTdrMeasurements();
    }
    TTdrReadouts& TdrReadouts() { return TdrReadouts_; }
    THeterogeneity& Excess() { return Excess_; }
    void ShowTdrExcess() override { Excess_.ShowExcess(); }
    void UpdateTdrExcess() override { Excess_.Update(); }

private:
    TEyeMeasurement Eye_;
    TMaskTest Mask_;
    TJitterAnalysis Jitter_;
    TTdrSettings Tdr_;
    TTdrNormalization TdrNorm_;
    TEyeStripRows EyeRows_;
    TTdrChannelCalibration TdrCal_;
    TTdrReadouts TdrReadouts_;
    THeterogeneity Excess_;
};

// The mask test's rows of registration and refresh, its switch-off among the analysis modes and the
// top strip's mask field. Installed after the serial-data services.
class TMaskFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

// Installs the serial-data services and fills their rows of registration and refresh.
class TSerialFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
    // A TDR channel calibration that stalls ends here, whatever the window shows.
    int CheckDeadlines(TShell& shell) override;
};

}  // namespace vt
