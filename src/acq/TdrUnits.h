#pragma once
// The units of TDR/TDT readings: impedance from the reflection coefficient, distance from time.

namespace vt {

// Reflection coefficient to impedance on a 50 ohm line; 1e6 from rho 0.9999 on.
double RhoToOhm(double rho);
// Impedance to reflection coefficient, the clamp's inverse: z is taken within 0 .. 1e6 ohm.
double OhmToRho(double ohm);

// TDR distance: the signal travels there and back (TDR) or once (TDT), at velocityFactor × c.
double TdrTimeToMeters(double time, bool transmission, double velocityFactor);
double TdrTimeToFeet(double time, bool transmission, double velocityFactor);
double TdrTimeToInches(double time, bool transmission, double velocityFactor);
double TdrMetersToTime(double meters, bool transmission, double velocityFactor);
double TdrFeetToTime(double feet, bool transmission, double velocityFactor);
double TdrInchesToTime(double inches, bool transmission, double velocityFactor);

}  // namespace vt
