#pragma once
// What the core, the link and the acquisition call in the eye measurements, jitter analysis, mask
// test and TDR/TDT. The serial-data library registers its implementation in the shell context; until
// then every operation does nothing and every question answers false or its "none" value.

namespace vt {

class TSerialServices {
public:
    virtual ~TSerialServices() = default;

    // Mask test.
    virtual void RefreshStdMaskFamily() {}
    virtual void MaskTestSample(int /*source*/, int /*pointIndex*/) {}
    virtual void MaskTestStep() {}
    virtual void UpdateMaskScales() {}
    // `Mask:CompareWith` as a signal source index.
    virtual int MaskCompareChannel() const { return 0; }
    virtual void RedrawMaskLayer() {}
    virtual void ResetMaskCounters() {}
    virtual void SetMaskPolygonCount(int /*count*/) {}
    // Leaves the mask editor page as its "Back" button does; called before any side menu is replaced.
    virtual void MaskEditBackClick() {}

    // Eye diagram.
    virtual void UpdateEyeMeasurements() {}
    virtual void RestartEyeAccumulation() {}
    virtual void ShowEyeAnnotations() {}

    // Jitter analyser: while one exists its step replaces the remaining hooks.
    virtual bool JitterAnalyserExists() const { return false; }
    virtual void JitterStep() {}
    virtual void JitterDrawPlot(int /*plot*/, int /*kind*/, int /*value*/) {}

    // TDR/TDT.
    virtual bool IsTdrActive() const { return false; }
    // Channel 2 or 3: 0 none, 1 rho, 2 ohm, 3 gain.
    virtual int TdrChannelState(int /*channel*/) const { return 0; }
    virtual void UpdateTdrChannelChoice() {}
    virtual void ClearTdrNormalizedFunctions() {}
    virtual void ApplyPendingTdrClear() {}
    virtual void ClearReflectionParams() {}
    virtual void TdrChannelCalibrationStep() {}
    virtual void UpdateTDRNormalizationForm() {}
    virtual void ShowExcess() {}
    virtual void RecalcTdrReflections() {}
    virtual void TdrNormalizationNotify() {}
};

// Reflection coefficient to impedance on a 50 ohm line; 1e6 from rho 0.9999 on.
double RhoToOhm(double rho);

// TDR distance: the signal travels there and back (TDR) or once (TDT), at velocityFactor × c.
double TdrTimeToMeters(double time, bool transmission, double velocityFactor);
double TdrTimeToFeet(double time, bool transmission, double velocityFactor);
double TdrTimeToInches(double time, bool transmission, double velocityFactor);
double TdrMetersToTime(double meters, bool transmission, double velocityFactor);
double TdrFeetToTime(double feet, bool transmission, double velocityFactor);
double TdrInchesToTime(double inches, bool transmission, double velocityFactor);

}  // namespace vt
