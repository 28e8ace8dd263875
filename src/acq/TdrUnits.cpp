#include "acq/TdrUnits.h"

#include <algorithm>

namespace vt {

namespace {
constexpr double SpeedOfLight = 2.997925e8;
constexpr double MetresPerFoot = 0.3048;
constexpr double MetresPerInch = 0.0254;

double PathFactor(bool transmission) { return transmission ? 1.0 : 2.0; }
}  // namespace

double RhoToOhm(double rho) {
    if (rho >= 0.9999) return 1e6;
    return 50.0 * (1.0 + rho) / (1.0 - rho);
}

double OhmToRho(double ohm) {
    const double z = std::clamp(ohm, 0.0, 1e6);
    return (z - 50.0) / (z + 50.0);
}

double TdrTimeToMeters(double time, bool transmission, double velocityFactor) {
    return time * SpeedOfLight / PathFactor(transmission) * velocityFactor;
}
double TdrTimeToFeet(double time, bool transmission, double velocityFactor) {
    return TdrTimeToMeters(time, transmission, velocityFactor) / MetresPerFoot;
}
double TdrTimeToInches(double time, bool transmission, double velocityFactor) {
    return TdrTimeToMeters(time, transmission, velocityFactor) / MetresPerInch;
}
double TdrMetersToTime(double meters, bool transmission, double velocityFactor) {
    return meters * PathFactor(transmission) / (SpeedOfLight * velocityFactor);
}
double TdrFeetToTime(double feet, bool transmission, double velocityFactor) {
    return TdrMetersToTime(feet * MetresPerFoot, transmission, velocityFactor);
}
double TdrInchesToTime(double inches, bool transmission, double velocityFactor) {
    return TdrMetersToTime(inches * MetresPerInch, transmission, velocityFactor);
}

}  // namespace vt
