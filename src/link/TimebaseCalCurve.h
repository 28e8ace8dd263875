#pragma once
// The sampling-timebase calibration curve, which the timebase keeps: the calibration values hand it
// what they read through this.
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

class TTimebaseCalCurveAccess {
public:
    virtual ~TTimebaseCalCurveAccess() = default;
    virtual bool SetTimebaseCalCurve(std::int32_t interval, std::string_view text) = 0;
    virtual std::string TimebaseCalCurveText() const = 0;
};

}  // namespace vt
