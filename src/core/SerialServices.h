#pragma once
// What the program calls in the mask test and the jitter analysis: only what has a caller today; the
// serial-data library adds what its callers need when it lands. It registers its implementation in
// the shell context; until then every operation does nothing and every question answers false.

namespace vt {

class TSerialServices {
public:
    virtual ~TSerialServices() = default;

    // Mask test.
    virtual void RefreshStdMaskFamily() {}

    // Jitter analyser.
    virtual bool JitterAnalyserExists() const { return false; }
    virtual void JitterDrawPlot(int /*plot*/, int /*kind*/, int /*value*/) {}
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
