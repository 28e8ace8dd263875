#pragma once
// Waveform data for remote clients: the replies of the "Wfm:Data" and "Wfm:Preamb" queries, and the
// moving-average smoothing of the waveform math.
#include <span>
#include <string>
#include <string_view>

namespace vt {

class TSignalRecords;

// The part of a spectrum that "Wfm:Data" sends; the items of "Wfm:Complex".
enum TWfmComplex : int { wfmMod = 0, wfmPh = 1, wfmRe = 2, wfmIm = 3 };
inline constexpr std::string_view WfmComplexItems = "Mod,Ph,Re,Im";
inline constexpr std::string_view WfmSourceItems =
    "Ch1,Ch1B2,Ch2,Ch2B2,F1,F2,F3,F4,M1,M2,M3,M4,S1,S2,XY,DB,Hist,Const,None";
// Sources from XY up hold no record and cannot be chosen from the controls.
inline constexpr unsigned WfmSourceDisabledMask = ~((1u << 14) - 1);

// The text of a number in these replies: general format, 5 significant digits.
std::string WfmNumber(double value);

// Reply (without the header) of the "Wfm:Data" query: the points of the source joined by ", ", or
// "SIGNAL IS ABSENT" when the source is off or holds no record. Both replies read the stored record:
// during a pass, the one the last ended pass left.
std::string WfmDataReply(const TSignalRecords& records, int source, int complexView, bool header);
// Reply (without the header) of the "Wfm:Preamb" query with its argument.
std::string WfmPreambReply(const TSignalRecords& records, int source, std::string_view argument, bool header);

// Centred moving average in place over values[0 .. last], last = limit - 1 when limit is not 0 and
// lastIndex >= limit, else lastIndex; an odd width of at least 3 (an even width is lowered by one);
// both ends are padded with copies of the end values. Nothing beyond the last point is read.
void SmoothMovingAverage(std::span<double> values, int lastIndex, int width, int limit);

}  // namespace vt
