#pragma once
// The chosen TDR/TDT parameters: one list per side (reflection, transmission) of at most four, each
// parameter with its last reading and running statistics. The check lists of the sources drive them.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/RunningStat.h"
#include "serial/TdrMeasurements.h"

namespace vt {

struct TReflectParam {
    std::int32_t Side = TdrSideReflection;
    double Value = 0;
    TModedStat Stat;
    std::uint8_t SourceIndex = 0;  // signal source of the measured record
    std::string Unit;
    std::uint8_t Source = 0;  // 0 Ch1, 1 Ch2, 2 NormCh1, 3 NormCh2
    std::uint8_t Item = 0;
    TTdrReading Annotation;
};

class TTdrParamLists {
public:
    static constexpr int MaxParams = 4;
    static constexpr int Slots = 10;

    // Unchecks an item in its source's check list; that list's callback then removes the parameter.
    std::function<void(int side, int source, int item)> Uncheck;

    // Nothing when listed already; a fifth parameter first evicts the oldest of its side.
    void AddReflectionParam(int side, int source, int item);
    void RemoveReflectionParam(int side, int source, int item);
    // Clears the statistics of both sides.
    void ClearReflectionParams();

    int Count(int side) const { return Counts_.at(Slot(side)); }
    TReflectParam& Param(int side, int i) { return *Lists_.at(Slot(side)).at(static_cast<std::size_t>(i)); }
    int Find(int side, int source, int item) const;

    // The parameter whose points are annotated (-1 none).
    int Annotated = -1;

private:
    static std::size_t Slot(int side) { return side == TdrSideTransmission ? 1 : 0; }
    std::array<std::array<std::unique_ptr<TReflectParam>, Slots>, 2> Lists_{};
    std::array<int, 2> Counts_{};
};

}  // namespace vt
