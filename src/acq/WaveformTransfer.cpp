#include "acq/WaveformTransfer.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "acq/SignalSources.h"
#include "core/Handlers.h"
#include "core/DotNumberText.h"

namespace vt {

namespace {

constexpr std::string_view Absent = "SIGNAL IS ABSENT";

enum TPreambItem : unsigned { piPoints = 1, piXInc = 2, piXOrig = 4, piXU = 8, piYU = 16, piAll = 31 };

}  // namespace

std::string WfmNumber(double value) { return FloatToStrFDot(TFloatFormat::General, 5, 0, value); }

std::string WfmDataReply(const TSignalRecords& records, int source, int complexView, bool header) {
    std::string reply = header ? " " : "";
    const TSignalObj* r = records.StoredRecord(source);
    if (r == nullptr || !records.SignalsOn().IsOn(source)) return reply += Absent;
    const int n = r->Length();
    reply.reserve(reply.size() + static_cast<std::size_t>(n) * 13);
    for (int i = 0; i < n; ++i) {
        double v = 0;
        if (!r->IsSpectrum()) {
            v = r->GetPoint(i);
        } else {
            const double re = r->GetPoint(i);
            const double im = r->GetSecondPoint(i);
            switch (complexView) {
                case wfmMod: v = std::sqrt(re * re + im * im); break;
                case wfmPh: v = PhaseDegrees(re, im); break;
                case wfmRe: v = re; break;
                default: v = im; break;
            }
        }
        if (i > 0) reply += ", ";
        reply += WfmNumber(v);
    }
    return reply;
}

std::string WfmPreambReply(const TSignalRecords& records, int source, std::string_view argument, bool header) {
    const std::string arg = UpperCase(TrimWhite(argument));
    unsigned items = 0;
    if (arg.empty()) items = piAll;
    else if (arg == "POIN") items = piPoints;
    else if (arg == "XINC") items = piXInc;
    else if (arg == "XORG") items = piXOrig;
    else if (arg == "XU") items = piXU;
    else if (arg == "YU") items = piYU;
    if (items == 0) return header ? ":" + arg + " ERROR" : "ERROR";

    std::string reply = header ? ":" + arg + " " : "";
    const TSignalObj* r = records.StoredRecord(source);
    if (r == nullptr) return reply += Absent;
    bool first = true;
    auto add = [&](unsigned item, std::string_view label, const std::string& value) {
        if (!(items & item)) return;
        if (!first) reply += ", ";
        first = false;
        if (header) reply += label;
        reply += value;
    };
    add(piPoints, "Points = ", std::to_string(r->Length()));
    add(piXInc, "XInc = ", WfmNumber(r->SampleInterval()));
    add(piXOrig, "XOrig = ", WfmNumber(r->Origin()));
    add(piXU, "XU = ", r->HorUnit());
    add(piYU, "YU = ", r->GetDisplayUnit());
    return reply;
}

void SmoothMovingAverage(std::span<double> values, int lastIndex, int width, int limit) {
    if (width % 2 == 0 && width >= 3) --width;
    if (width < 3) width = 3;
    const int h = width / 2;
    int last = (limit != 0 && lastIndex >= limit) ? limit - 1 : lastIndex;
    last = std::min(last, static_cast<int>(values.size()) - 1);
    if (last < 0) return;

    // Input value j with both ends padded by the end values.
    auto input = [&](int j) { return values[std::clamp(j, 0, last)]; };
    double sum = 0;
    for (int j = 0; j < h; ++j) sum += values[0];
    for (int j = 0; j <= h; ++j) sum += input(j);
    // Originals of the points that leave the window on the left (already overwritten in place).
    std::vector<double> ring(static_cast<std::size_t>(h) + 1, values[0]);
    std::size_t oldest = 0;
    for (int g = 0; g <= last; ++g) {
        const double leaving = ring[oldest];
        const double entering = input(g + h + 1);
        if (g < last) ring[oldest] = values[g + 1];
        oldest = (oldest + 1) % ring.size();
        values[g] = sum / width;
        sum -= leaving;
        sum += entering;
    }
}

}  // namespace vt
