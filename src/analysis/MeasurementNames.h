#pragma once
// The tables of the measurement kinds: the language key of each kind's name, the item of its check
// list, the kind of its unit and its value class (what the limit test's percentages mean for it).
#include <string>
#include <string_view>

namespace vt {

class TSignalObj;

// Kinds per group (X, X-FFT, X-dual, Y, Y-FFT, Y-dual).
int MeasKindCount(int group);
// The language key of the kind's name ("" outside the table).
std::string_view MeasNameKey(int group, int kind);
// The check-list items of a group, in kind order ("Period,Freq,...").
std::string_view MeasCheckItems(int group);
// The unit kind: 1 none (gain), 2 dB, 3 %, 4 vertical, 5 none (count), 6 horizontal, 7 Hz, 8 degrees,
// 9 radians, 10 vertical times horizontal.
int MeasUnitKind(int group, int kind);
// The unit text of the kind on its record (none: the record's units read empty).
std::string MeasUnitText(int group, int kind, const TSignalObj* record);
int MeasValueClass(int group, int kind);
// Jitter kinds fill the shared hit map.
bool IsHistogramMeasurement(int group, int kind);
// The short name of a source without any "(...)" part.
std::string MeasSourceName(int source);

}  // namespace vt
