#include "serial/MaskFiles.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "core/DotNumberText.h"
#include "core/IniFiles.h"

namespace vt {

namespace {

constexpr std::string_view Common = "COMMON";
constexpr double MaxValue = 1e6;  // "MAX"; "MIN" is its negative

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char p, char q) {
               return (p >= 'a' && p <= 'z' ? p - 32 : p) == (q >= 'a' && q <= 'z' ? q - 32 : q);
           });
}

std::string PolygonSection(int n) { return "Polygon " + std::to_string(n); }

bool ReadNumber(std::string_view text, double& value) {
    return TryStrToFloatDot(Trim(text), value) && std::isfinite(value);
}

// A number key as the loaders read it: a text that is no number reads as 0.
double ReadLenient(const TMemIniFile_Dot& ini, std::string_view key) {
    double v = 0;
    return ReadNumber(ini.ReadString(Common, key, ""), v) ? v : 0;
}

std::string General5(double v) { return FloatToStrFDot(TFloatFormat::General, 5, 0, v); }

bool HasVertices(const TMaskPolyRec& p) {
    std::vector<double> xs, ys;
    CountedVertices(p, xs, ys);
    return !xs.empty();
}

struct TVertexText {
    double X = 0;
    double Y = 0;
    bool Numeric = true;  // y was a number, not "MAX" or "MIN"
};

bool ReadVertex(std::string_view text, TVertexText& v) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos || !ReadNumber(text.substr(0, comma), v.X)) return false;
    const std::string_view y = Trim(text.substr(comma + 1));
    if (SameText(y, "MAX")) {
        v.Y = MaxValue, v.Numeric = false;
        return true;
    }
    if (SameText(y, "MIN")) {
        v.Y = -MaxValue, v.Numeric = false;
        return true;
    }
    return ReadNumber(y, v.Y);
}

// Drops the inner vertices of straight runs: the first and last vertex stay, and a vertex stays where
// the outline leaves the line from the last kept one by more than the tolerance. A run whose ends share
// their x is tested in x: a slope stand-in would drop vertices that bound the polygon.
std::vector<TMaskVertex> DropStraightRuns(const std::vector<TMaskVertex>& v, double tolX, double tolY) {
    const std::size_t n = v.size();
    if (n < 3) return v;
    const auto within = [&](std::size_t s, std::size_t k) {
        for (std::size_t j = s + 1; j < k; ++j) {
            if (v[k].X == v[s].X) {
                if (std::fabs(v[j].X - v[s].X) > tolX) return false;
            } else {
                const double line = v[s].Y + (v[j].X - v[s].X) * (v[k].Y - v[s].Y) / (v[k].X - v[s].X);
                if (!(std::fabs(v[j].Y - line) <= tolY)) return false;
            }
        }
        return true;
    };
    std::vector<TMaskVertex> kept{v[0]};
    std::size_t s = 0;
    for (std::size_t k = 2; k < n;) {
        if (within(s, k)) {
            ++k;
        } else {
            s = k - 1;
            kept.push_back(v[s]);
            k = s + 2;
        }
    }
    kept.push_back(v[n - 1]);
    // Fewer than three vertices bound nothing: the outline stays as written.
    return kept.size() < 3 ? v : kept;
}

bool ReadPolygon(const TMemIniFile_Dot& ini, int n, TCurrentMask& mask) {
    const std::string section = PolygonSection(n);
    const long long count = ini.ReadInteger(section, "Number of Vertex", 0);
    if (count <= 0 || count > MaskFileMaxVertices) return false;
    std::vector<TMaskVertex> vertices;
    vertices.reserve(static_cast<std::size_t>(count));
    double largest = -MaxValue, smallest = MaxValue, right = -MaxValue, left = MaxValue;
    for (long long i = 1; i <= count; ++i) {
        TVertexText v;
        if (!ReadVertex(ini.ReadString(section, "Vertex " + std::to_string(i), ""), v)) return false;
        if (v.Numeric) largest = std::max(largest, v.Y), smallest = std::min(smallest, v.Y);
        right = std::max(right, v.X), left = std::min(left, v.X);
        vertices.push_back({v.X, v.Y});
    }
    const double tolY = largest >= smallest ? (largest - smallest) / 500 : 0;
    const double tolX = (right - left) / 500;
    const std::vector<TMaskVertex> kept = DropStraightRuns(vertices, tolX, tolY);
    const int keptCount = static_cast<int>(kept.size());
    mask.StorePolygon(n, kept, 0, keptCount);
    if (mask.Marg != 0) mask.StorePolygon(n, kept, mask.Marg, keptCount);
    return true;
}

}  // namespace

void WriteMaskPolygons(TMemIniFile_Dot& ini, int n, const TMaskPolyRec& p, bool eyeUnits) {
    const std::string section = PolygonSection(n);
    std::vector<double> xs, ys;
    CountedVertices(p, xs, ys);
    ini.WriteInteger(section, "Number of Vertex", static_cast<long long>(xs.size()));
    for (std::size_t i = 0; i < xs.size(); ++i) {
        std::string x, y;
        if (eyeUnits) {
            x = General5((xs[i] - 800) / 2400);
            y = ys[i] >= 1022.5 ? "MAX" : ys[i] > 1.5 ? General5(ys[i] * 2 / 1024 - 0.5) : "MIN";
        } else {
            x = std::to_string(std::lround(xs[i]));
            y = std::to_string(std::lround(ys[i]));
        }
        ini.WriteString(section, "Vertex " + std::to_string(i + 1), x + ", " + y);
    }
}

bool ReadMaskPolygons(const TMemIniFile_Dot& ini, TCurrentMask& mask) {
    const std::string list = ini.ReadString(Common, "List of Polygons", "");
    bool ok = true;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view item = Trim(std::string_view(list).substr(start, comma - start));
        long long n = 0;
        if (!item.empty() && TryStrToInt(item, n) && n >= 1 && n <= MaskPolygonSlots)
            ok = ReadPolygon(ini, static_cast<int>(n), mask) && ok;
        start = comma + 1;
    }
    return ok;
}

void WriteUserMask(TMemIniFile_Dot& ini, const TCurrentMask& mask, const TUserMaskScales& scales) {
    ini.WriteString(Common, "Signature", "User Mask");
    for (const char* key : {"Mask Name", "Bit Rate", "Type of Mask", "Type of Line"}) ini.WriteString(Common, key, "");
    ini.WriteString(Common, "Time by Division", General5(scales.TB));
    ini.WriteString(Common, "X of Begin Time", "0");
    ini.WriteString(Common, "Value by Division", General5(scales.VDiv));
    ini.WriteString(Common, "Middle Value", General5(scales.V0));
    for (const char* key : {"Divisions by 1 of Eye", "Central Value of Eye", "Margins Possible"})
        ini.WriteString(Common, key, "");
    // Only polygons with vertices, numbered on without gaps: the loader refuses an empty one.
    std::string list;
    int written = 0;
    for (int i = 0; i < mask.PolygonCount && i < MaskPolygonSlots; ++i) {
        const TMaskPolyRec& p = mask.Polygons[static_cast<std::size_t>(i)];
        if (!HasVertices(p)) continue;
        ++written;
        list += (written > 1 ? ", " : "") + std::to_string(written);
        WriteMaskPolygons(ini, written, p, false);
    }
    ini.WriteString(Common, "List of Polygons", list);
}

std::optional<TCurrentMask> ReadUserMask(const TMemIniFile_Dot& ini) {
    if (ini.ReadString(Common, "Signature", "") != "User Mask") return std::nullopt;
    TCurrentMask mask;
    mask.SetKind(mkUserMask);
    mask.Marg = 0;
    mask.TB = ReadLenient(ini, "Time by Division");
    if (mask.TB < 1e-12) return std::nullopt;
    mask.X0 = 0;
    // The save writes Ch1's volt scale, which a channel fed by the optical converter takes far below
    // the 1e-4 a standard mask must reach (1e-6 W a division times the converter's gain): any positive
    // scale reads back.
    mask.VDiv = ReadLenient(ini, "Value by Division");
    if (!(mask.VDiv > 0)) return std::nullopt;
    mask.V0 = ReadLenient(ini, "Middle Value");
    if (!ReadMaskPolygons(ini, mask)) return std::nullopt;
    // A list with gaps ("1, 3") leaves empty slots between the polygons read: they close up.
    int kept = 0;
    for (int i = 0; i < mask.PolygonCount; ++i) {
        TMaskPolyRec& p = mask.Polygons[static_cast<std::size_t>(i)];
        if (!HasVertices(p)) continue;
        if (i != kept) mask.Polygons[static_cast<std::size_t>(kept)] = std::exchange(p, TMaskPolyRec{});
        ++kept;
    }
    mask.SetPolygonCount(kept);
    mask.SetKind(mkUserMask);
    return mask;
}

}  // namespace vt
