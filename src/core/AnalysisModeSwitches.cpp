#include "core/AnalysisModeSwitches.h"

namespace vt {

void SwitchOffOtherModes(int menuKind, TAnalysisModeSwitches& modes) {
    if (menuKind != mkMarkers) modes.SwitchOffMarkers();
    if (menuKind != mkMeasurements) modes.SwitchOffMeasurements();
    if (menuKind != mkHistogram) modes.SwitchOffHistogram();
    if (menuKind != mkMask) modes.SwitchOffMaskTest();
    if (menuKind != mkEye) modes.SwitchOffEyeMeasurement();
    if (menuKind != mkTdr) modes.SwitchOffTdr();
    if (menuKind != mkJitter) modes.SwitchOffJitter();
}

}  // namespace vt
