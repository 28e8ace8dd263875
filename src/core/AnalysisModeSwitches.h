#pragma once
// The analysis modes that exclude each other: they own the bottom strip and the shared hit map, so
// switching one on switches the others off.
#include "core/MenuKinds.h"

namespace vt {

// Implemented by the features; every switch does nothing until its feature exists.
class TAnalysisModeSwitches {
public:
    virtual ~TAnalysisModeSwitches() = default;
    virtual void SwitchOffMarkers() {}
    virtual void SwitchOffMeasurements() {}
    virtual void SwitchOffHistogram() {}
    virtual void SwitchOffMaskTest() {}
    virtual void SwitchOffEyeMeasurement() {}
    virtual void SwitchOffTdr() {}
    virtual void SwitchOffJitter() {}
};

// Switches off every analysis mode except the one of the given menu kind.
void SwitchOffOtherModes(int menuKind, TAnalysisModeSwitches& modes);

}  // namespace vt
