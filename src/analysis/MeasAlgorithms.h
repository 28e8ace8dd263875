#pragma once
// The value of each time and amplitude measurement kind of one source (and of a second source for the
// dual kinds) from the source's record and measurement state, with the points of its annotation.
#include <string>

#include "analysis/SignalLevels.h"
#include "display/Annotations.h"

namespace vt {

class TSignalObj;

// A source as the algorithms see it: its record and its measurement state.
struct TMeasSourceView {
    const TSignalObj* Signal = nullptr;
    const MeasSourceState* State = nullptr;
};

// The texts the annotations take: the crossing label and the threshold labels.
struct TMeasAnnotationTexts {
    std::string RisingCross;  // "an_R_Cross"
    TThresholdTexts Thresholds;
};

// The kinds of each group, by their index in the group's value list.
enum TXKind : int {
    xkPeriod, xkFreq, xkPosWidth, xkNegWidth, xkRise, xkFall, xkPosDuty, xkNegDuty, xkPosCross, xkNegCross,
    xkBurstWidth, xkCycles, xkTimeOfMax, xkTimeOfMin, xkPosJitterPp, xkPosJitterRMS, xkNegJitterPp, xkNegJitterRMS,
};
enum TYKind : int {
    ykMax, ykMin, ykPP, ykTop, ykBase, ykAmpl, ykMiddle, ykMean, ykDcRMS, ykAcRMS, ykArea, ykCycMean, ykCycDcRMS,
    ykCycAcRMS, ykCycArea, ykPosOver, ykNegOver,
};
enum TXDualKind : int { xdPhaseDeg = 8, xdPhaseRad = 9, xdPhasePerc = 10 };
enum TYDualKind : int { ydGain = 0, ydDBGain = 1 };
inline constexpr int XKindCount = 18, YKindCount = 17, XDualKindCount = 11, YDualKindCount = 2;

// X kinds 0..13 (the jitter kinds are the engine's).
double CalcXKind(int kind, const TMeasSourceView& src, TAnnLabelArray& ann, const TMeasAnnotationTexts& texts);
double CalcYKind(int kind, const TMeasSourceView& src, TAnnLabelArray& ann);
// second is undefined-valued (no Signal) when the second source is off or has no levels.
double CalcXDualKind(int kind, const TMeasSourceView& src, const TMeasSourceView& second, TAnnLabelArray& ann);
// Marks the top and base of both sources (points 1, 2 on the source, 3, 4 on the second source).
double CalcYDualKind(int kind, const TMeasSourceView& src, const TMeasSourceView& second, TAnnLabelArray& ann);

}  // namespace vt
