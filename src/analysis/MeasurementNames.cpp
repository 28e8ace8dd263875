#include "analysis/MeasurementNames.h"

#include <array>

#include "acq/SignalObj.h"
#include "acq/SignalSources.h"
#include "analysis/MeasCalc.h"
#include "core/TextHelpers.h"

namespace vt {

namespace {

constexpr std::array<std::string_view, 18> XKeys = {
    "Period",      "Frequency",   "PosWidth",    "NegWidth",     "RiseTime",     "FallTime",
    "PosDutyCycle", "NegDutyCycle", "PosCrossing", "NegCrossing", "BurstWidth",   "Cycles",
    "Time_Maximum", "Time_Minimum", "PosJitterPp", "PosJitterRMS", "NegJitterPp", "NegJitterRMS"};
constexpr std::array<std::string_view, 2> XFftKeys = {"FFT_Freq", "FFT_dFreq"};
constexpr std::array<std::string_view, 11> XDualKeys = {"Delay1R1R", "Delay1R1F", "Delay1F1R", "Delay1F1F",
                                                        "Delay1RnR", "Delay1RnF", "Delay1FnR", "Delay1FnF",
                                                        "PhaseDeg",  "PhaseRad",  "PhasePerc"};
constexpr std::array<std::string_view, 17> YKeys = {
    "Maximum", "Minimum", "PeakPeak", "Top",        "Base",       "Amplitude",  "Middle",       "Mean",        "dcRMS",
    "acRMS",   "Area",    "CycleMean", "CycleDcRMS", "CycleAcRMS", "CycleArea", "PosOvershoot", "NegOvershoot"};
constexpr std::array<std::string_view, 3> YFftKeys = {"FFT_Magnit", "FFT_dMagnit", "THD"};
constexpr std::array<std::string_view, 2> YDualKeys = {"Gain", "Gain_dB"};

template <std::size_t N>
std::string_view Pick(const std::array<std::string_view, N>& table, int kind) {
    return kind >= 0 && kind < static_cast<int>(N) ? table[static_cast<std::size_t>(kind)] : std::string_view{};
}

}  // namespace

int MeasKindCount(int group) {
    switch (group) {
        case mgX: return static_cast<int>(XKeys.size());
        case mgXFft: return static_cast<int>(XFftKeys.size());
        case mgXDual: return static_cast<int>(XDualKeys.size());
        case mgY: return static_cast<int>(YKeys.size());
        case mgYFft: return static_cast<int>(YFftKeys.size());
        case mgYDual: return static_cast<int>(YDualKeys.size());
        default: return 0;
    }
}

std::string_view MeasNameKey(int group, int kind) {
    switch (group) {
        case mgX: return Pick(XKeys, kind);
        case mgXFft: return Pick(XFftKeys, kind);
        case mgXDual: return Pick(XDualKeys, kind);
        case mgY: return Pick(YKeys, kind);
        case mgYFft: return Pick(YFftKeys, kind);
        case mgYDual: return Pick(YDualKeys, kind);
        default: return {};
    }
}

std::string_view MeasCheckItems(int group) {
    switch (group) {
        case mgX:
            return "Period,Freq,PosWidth,NegWidth,Rise,Fall,PosDuty,NegDuty,PosCross,NegCross,BurstWidth,Cycles,"
                   "TimeOfMax,TimeOfMin,PosJitterPp,PosJitterRMS,NegJitterPp,NegJitterRMS";
        case mgXFft: return "Freq,DFreq";
        case mgXDual:
            return "Del1R1R,Del1R1F,Del1F1R,Del1F1F,Del1RnR,Del1RnF,Del1FnR,Del1FnF,PhaseDeg,PhaseRad,PhasePerc";
        case mgY:
            return "Max,Min,PP,Top,Base,Ampl,Middle,Mean,dcRMS,acRMS,Area,CycMean,CycDcRMS,CycAcRMS,CycArea,PosOver,"
                   "NegOver";
        case mgYFft: return "Magn,DMagn,TDH";
        case mgYDual: return "Gain,DBGain";
        default: return {};
    }
}

int MeasUnitKind(int group, int kind) {
    switch (group) {
        case mgX:
            if (kind == 1) return 7;
            if (kind == 6 || kind == 7) return 3;
            if (kind == 11) return 5;
            return 6;
        case mgXFft: return 7;
        case mgXDual:
            if (kind == 8) return 8;
            if (kind == 9) return 9;
            if (kind == 10) return 3;
            return 6;
        case mgY:
            if (kind == 10 || kind == 14) return 10;
            if (kind == 15 || kind == 16) return 3;
            return 4;
        case mgYFft: return kind == 2 ? 3 : 4;
        case mgYDual: return kind == 0 ? 1 : 2;
        default: return 1;
    }
}

std::string MeasUnitText(int group, int kind, const TSignalObj* record) {
    const std::string hor = record ? record->HorUnit() : std::string();
    const std::string vert = record ? record->GetVertUnit() : std::string();
    switch (MeasUnitKind(group, kind)) {
        case 2: return "dB";
        case 3: return "%";
        case 4: return vert;
        case 6: return hor;
        case 7: return "Hz";
        case 8: return "\u00b0";
        case 9: return "rad";
        case 10: return vert + hor;
        default: return {};
    }
}

int MeasValueClass(int group, int kind) {
    switch (group) {
        case mgX: return kind == 6 || kind == 7 ? 2 : 1;
        case mgXFft: return 1;
        case mgY:
            switch (kind) {
                case 2:
                case 5:
                case 8:
                case 9:
                case 13:
                case 14:
                case 16: return 1;
                default: return 0;
            }
        case mgYFft: return kind == 1 ? 0 : 1;
        case mgYDual: return kind == 0 ? 1 : 0;
        default: return 0;
    }
}

bool IsHistogramMeasurement(int group, int kind) { return group == mgX && kind >= 14 && kind <= 17; }

std::string MeasSourceName(int source) { return StripParentheses(SourceShortName(source)); }

}  // namespace vt
