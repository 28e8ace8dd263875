#pragma once
// The TDR/TDT readings of one record between two record points: the reflection's extremes against
// the calibrated step, the transmission's gain and propagation delay, and the excess inductance or
// capacitance of a discontinuity. Plain computations on records; the lists, statistics and readout
// cells build on them.
#include <array>
#include <string>

namespace vt {

class TSignalObj;

inline constexpr int TdrSideReflection = 1;
inline constexpr int TdrSideTransmission = 2;
enum TTdrReflectItem : int { tdrMinReflect = 0, tdrMaxReflect = 1 };
enum TTdtItem : int { tdtPropDelay = 0, tdtGain = 1, tdtDbGain = 2 };

// What a reading marks on the screen: up to three points (time, level in display units, text key).
struct TTdrAnnotationPoint {
    double Time = 0;
    double Level = 0;
    std::string Key;
};

struct TTdrReading {
    bool Valid = false;
    double Value = 0;
    std::string Unit;
    int Point = -1;  // the record point the reading took
    int AnnotationCount = 0;
    std::array<TTdrAnnotationPoint, 3> Annotation{};
};

// The calibration a reading stands on.
struct TTdrReference {
    bool Negative = false;  // the channel's polarity is "Neg"
    double BaseLine = 0;    // volts
    double RefAmpl = 0;     // volts
    double RefPlane = 0;    // seconds
};

// The record points between two screen columns, in order and within the record.
void TdrWindowPoints(const TSignalObj& record, double leftColumn, double rightColumn, int& first, int& last);

// MinReflect / MaxReflect in per cent of the reference step, from the record's volts whatever its
// display unit.
TTdrReading ReflectionReading(const TSignalObj& record, int item, int first, int last, const TTdrReference& ref);
// PropDelay (s), Gain (no unit) or DbGain (dB).
TTdrReading TransmissionReading(const TSignalObj& record, int item, int first, int last, const TTdrReference& ref);

// The record's point spacing in time: a distance axis ("m", "ft", "in") is turned back into the
// round-trip time at the record's dielectric constant.
double TdrPointTime(const TSignalObj& record);

struct TExcessLC {
    bool Valid = false;
    double Value = 0;  // henry for "L", farad for "C"
    char Letter = 0;
};
// The excess inductance (rho rising above its first value) or capacitance (falling below it) over
// points first..last of a record in rho or ohm; none when the line at the first point is a short.
TExcessLC ComputeExcessLC(const TSignalObj& record, int first, int last);

}  // namespace vt
