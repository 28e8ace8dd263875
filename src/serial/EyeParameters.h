#pragma once
// The eye parameters: the four lists (X and Y parameters of an NRZ and of an RZ eye), the listed
// parameter object with its value, unit, statistics and annotation points, and the computation of
// each parameter from the engine state and the hit map.
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "core/Numeric.h"
#include "core/RunningStat.h"
#include "display/Annotations.h"
#include "serial/EyeEngine.h"

namespace vt {

class TSignalObj;

enum TEyeMode : int { emOff = 0, emNrz = 1, emRz = 2 };
enum TEyeAxis : int { eaX = 0, eaY = 1 };

// The unit of a list entry: none, the vertical unit, the horizontal unit, both joined, or literal text.
enum class TEyeUnit : std::uint8_t { None, Vu, Hu, VuHu, Text };

struct TEyeParamDef {
    const char* Item;     // the setting's item
    const char* NameKey;  // language key of the shown name
    TEyeUnit Unit;
    const char* UnitText = "";  // the literal unit
};

// The list of a mode and axis (the setting's items in order).
std::span<const TEyeParamDef> EyeParamList(int mode, int axis);
// The two average-power items of a Y list.
bool IsEyePowerParam(int axis, int kind);

class TParam {
public:
    TParam(int mode, int axis, int kind) : Mode(static_cast<std::uint8_t>(mode)), Axis(static_cast<std::uint8_t>(axis)),
                                           Kind(static_cast<std::uint8_t>(kind)) {}
    virtual ~TParam() = default;

    std::uint8_t Mode;
    double Value = UndefinedValue;
    TModedStat Stat;
    std::string Unit;
    // The unit of the values the statistics hold: that of the latest defined value.
    std::string StatUnit;
    std::uint8_t Axis;
    std::uint8_t Kind;
    TAnnLabelArray Annotations{};
};

// What a computation reads beside the engine: the source's record, the extinction-ratio correction
// (dB) and the average power's inputs.
struct TEyeParamInputs {
    const TSignalObj* Record = nullptr;
    double ExtRatioCorrectionDb = 0;
    double StoredZeroPower = 0;  // the converter's stored power reading
    double DemoValue = 0;
    double ConversionGain = 1;
};

// Value and unit of one parameter; the annotation points go into the parameter's records.
double ComputeNrzParameter(TEyeEngine& engine, const TEyeParamInputs& in, TParam& param);
double ComputeRzParameter(TEyeEngine& engine, const TEyeParamInputs& in, TParam& param);
// Either, by the parameter's mode; stores Value and Unit (empty when undefined), and a defined
// value's unit as StatUnit.
void ComputeEyeParameter(TEyeEngine& engine, const TEyeParamInputs& in, TParam& param);

// The hits of the selected crossing's window at the crossing level: mean and deviation (columns).
std::pair<double, double> CrossingBandStats(TEyeEngine& engine);
// The left and right positions at row y near the selected crossing.
std::pair<double, double> SplitCrossingAt(TEyeEngine& engine, double y);

}  // namespace vt
