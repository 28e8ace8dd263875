#pragma once
// The side-menu kinds. Kinds 0 to 20 are the main-menu buttons in their order (the button's index is
// its kind); 21 to 23 are opened by the utility menu in its own place (20 + the deferred target);
// 24 closes a slot. Kinds travel as plain ints through the slots and the main-window steps, so the
// enum converts to int.
namespace vt {

enum TMenuKind : int {
    mkChannels = 0,
    mkOEConverter = 1,
    mkTimebase = 2,
    mkTrigger = 3,
    mkAcquisition = 4,
    mkDisplay = 5,
    mkSaveRecall = 6,
    mkMarkers = 7,
    mkMeasurements = 8,
    mkLimitTest = 9,
    mkMath = 10,
    mkFFT = 11,
    mkZoom = 12,
    mkHistogram = 13,
    mkEye = 14,
    mkMask = 15,
    mkGenerators = 16,
    mkTdr = 17,
    mkJitter = 18,
    mkService = 19,  // reserved: never has a form
    mkUtility = 20,
    mkCalibration = 21,
    mkAdjustment = 22,
    mkSimGenerator = 23,
    mkNone = 24,  // closes the slot
};
inline constexpr int MenuKindCount = mkNone + 1;

}  // namespace vt
