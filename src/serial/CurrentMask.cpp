#include "serial/CurrentMask.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "core/DotNumberText.h"
#include "core/LanguageFile.h"
#include "core/Numeric.h"

namespace vt {

// ------------------------------------------------------------------------------------------ model

void CountedVertices(const TMaskPolyRec& p, std::vector<double>& xs, std::vector<double>& ys) {
    xs.clear();
    ys.clear();
    const std::size_t n = std::min(p.X.size(), p.Y.size());
    for (std::size_t i = 0; i < n && xs.size() < p.Count; ++i) {
        if (p.X[i] == -1) continue;
        xs.push_back(p.X[i]);
        ys.push_back(p.Y[i]);
    }
}

void TCurrentMask::SetPolygonCount(int count) {
    PolygonCount = static_cast<std::uint8_t>(count);
    if (count == 0) {
        SelectedPolygon = -1;
        Kind = mkNoMask;
    }
}

// Without margins the margin polygons go too: slots 4..7 may then hold mask polygons 5..8.
void TCurrentMask::SetMarginMode(int percent) {
    Marg = percent;
    if (percent == 0) {
        MarginType = mtNoMargin;
        MarginPolygonCount = 0;
    }
}

void TCurrentMask::Clear() {
    SetPolygonCount(0);
    MarginPolygonCount = 0;
    for (TMaskPolyRec& p : Polygons) p = TMaskPolyRec{};
}

bool TCurrentMask::DeletePolygon(int slot) {
    if (slot < 0 || slot >= MaskPolygonSlots || PolygonCount == 0) return false;
    for (int i = slot; i + 1 < MaskPolygonSlots; ++i)
        Polygons[static_cast<std::size_t>(i)] = std::move(Polygons[static_cast<std::size_t>(i + 1)]);
    Polygons[MaskPolygonSlots - 1] = TMaskPolyRec{};
    SetPolygonCount(PolygonCount - 1);
    return true;
}

void TCurrentMask::StorePolygon(int n, const std::vector<TMaskVertex>& vertices, int margin, int count) {
    if (n < 1 || n > MaskPolygonSlots || count < 0) return;
    int slot;
    if (margin == 0) {
        SetPolygonCount(std::max<int>(PolygonCount, n));
        slot = n - 1;
    } else {
        if (n > MaskMaxMarginPolygons) return;
        MarginPolygonCount = static_cast<std::uint8_t>(std::max<int>(MarginPolygonCount, n));
        slot = n + 3;
    }
    count = std::min({count, static_cast<int>(vertices.size()), MaskMaxVertices});
    TMaskPolyRec& poly = Polygons[static_cast<std::size_t>(slot)];
    poly.Count = static_cast<std::uint16_t>(count);
    poly.X.assign(static_cast<std::size_t>(count) + 1, -1);
    poly.Y.assign(static_cast<std::size_t>(count) + 1, -1);
    const double g = (100.0 + margin) / 100.0;
    const double s = (100.0 - margin) / 100.0;
    const auto stretch = [s](double a) {
        if (std::fabs(a) > 10000) return a;
        return a >= 0 ? 1 - (1 - a) * s : -1 + (a + 1) * s;
    };
    for (int i = 0; i < count; ++i) {
        double x = vertices[static_cast<std::size_t>(i)].X;
        double y = vertices[static_cast<std::size_t>(i)].Y;
        if (Kind == mkStdEye) {
            x = (x - 0.5) * 2;
            y = (y - 0.5) * 2;
        }
        if (MarginType != mtNoMargin && margin != 0) {
            if (margin < 0) {
                if (x > -0.999 && x < 0.991) x *= g;
                y *= (y > -1 && y < 1) ? g : 2 - g;
            } else if (y < -1 || y > 1) {
                y = stretch(y);
            } else {
                switch (MarginType) {
                    case mtSquare: x = stretch(x), y = stretch(y); break;
                    case mtHexagon:
                        if (y != 0) y = stretch(y);
                        else x = stretch(x);
                        break;
                    case mtPolar: x *= g, y *= g; break;
                    default: break;
                }
            }
        }
        double X = x, Y = y;
        if (Kind == mkStdEye) {
            X = x * 1200 + 2000;
            Y = (y * 0.25 + 0.5) * 1024;
        } else if (Kind == mkStdPulse) {
            X = TB != 0 ? x * BitP / TB * 400 + X0 : X0;
            Y = VDiv != 0 ? ((y - V0) / VDiv + 4) * 128 : 512;
        }
        if (!std::isfinite(X)) X = 1;
        if (!std::isfinite(Y)) Y = 1;
        poly.X[static_cast<std::size_t>(i)] = std::clamp(X, 1.0, 3999.0);
        poly.Y[static_cast<std::size_t>(i)] = std::clamp(Y, 1.0, 1023.0);
    }
}

void TCurrentMask::AppendPolygon(const std::vector<int>& xs, const std::vector<int>& ys) {
    if (PolygonCount >= MaskPolygonSlots) return;
    TMaskPolyRec& poly = Polygons[PolygonCount];
    const std::size_t n = std::min({xs.size(), ys.size(), static_cast<std::size_t>(MaskMaxVertices)});
    poly.Count = static_cast<std::uint16_t>(n);
    poly.X.assign(xs.begin(), xs.begin() + static_cast<std::ptrdiff_t>(n));
    poly.Y.assign(ys.begin(), ys.begin() + static_cast<std::ptrdiff_t>(n));
    SetPolygonCount(PolygonCount + 1);
}

// ------------------------------------------------------------------------------------ state text

namespace {

std::string General(int digits, double v) { return FloatToStrFDot(TFloatFormat::General, digits, 0, v); }

std::string PolygonText(const TMaskPolyRec& p) {
    std::vector<double> xs, ys;
    CountedVertices(p, xs, ys);
    std::string text;
    for (std::size_t i = 0; i < xs.size(); ++i)
        text += std::to_string(RoundHalfEven(xs[i])) + ',' + std::to_string(RoundHalfEven(ys[i])) + '_';
    return text;
}

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

bool ReadPolygon(std::string_view text, TMaskPolyRec& poly) {
    poly = TMaskPolyRec{};
    std::size_t pos = 0;
    int counted = 0;
    while (pos < text.size() && poly.X.size() < static_cast<std::size_t>(MaskMaxVertices)) {
        const std::size_t comma = text.find(',', pos);
        const std::string_view xs = text.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
        pos = comma == std::string_view::npos ? text.size() : comma + 1;
        const std::size_t bar = text.find('_', pos);
        const std::string_view ys = text.substr(pos, bar == std::string_view::npos ? std::string_view::npos : bar - pos);
        pos = bar == std::string_view::npos ? text.size() : bar + 1;
        double x = 0, y = 0;
        if (!TryStrToFloatDot(xs, x) || !TryStrToFloatDot(ys, y) || !std::isfinite(x) || !std::isfinite(y)) return false;
        if (x != -1) {
            x = std::clamp(x, 0.0, 4000.0);
            ++counted;
        }
        poly.X.push_back(x);
        poly.Y.push_back(std::clamp(y, 0.0, 1024.0));
    }
    poly.Count = static_cast<std::uint16_t>(counted);
    return true;
}

}  // namespace

std::string TCurrentMask::StateText() const {
    std::vector<std::string> items;
    items.push_back("#Poly=" + std::to_string(PolygonCount));
    if (PolygonCount != 0) {
        items.push_back("BitP=" + General(6, BitP));
        items.push_back("TB=" + General(6, TB));
        items.push_back("X0=" + std::to_string(X0));
        items.push_back("VDiv=" + General(3, VDiv));
        items.push_back("V0=" + General(3, V0));
        items.push_back("StdI=" + std::to_string(StdI));
        items.push_back("MskI=" + std::to_string(MskI));
        items.push_back("MskNm=" + MskNm);
        items.push_back("Marg=" + std::to_string(Marg));
        items.push_back("Kind=" + std::to_string(Kind));
        for (int k = 1; k <= PolygonCount && k <= MaskPolygonSlots; ++k)
            items.push_back("Poly" + std::to_string(k) + "=" + PolygonText(Polygons[static_cast<std::size_t>(k - 1)]));
        if (Marg != 0) {
            items.push_back("#MgPly=" + std::to_string(MarginPolygonCount));
            for (int k = 1; k <= MarginPolygonCount && k <= MaskMaxMarginPolygons; ++k)
                items.push_back("MgPly" + std::to_string(k) + "=" +
                                PolygonText(Polygons[static_cast<std::size_t>(k + 3)]));
        }
    }
    return LangCommaText(items);
}

void TCurrentMask::Apply(const TMaskState& state) {
    Clear();
    if (state.PolygonCount == 0) return;
    BitP = state.BitP;
    TB = state.TB;
    X0 = static_cast<std::uint16_t>(state.X0);
    VDiv = state.VDiv;
    V0 = state.V0;
    StdI = state.StdI;
    SetMarginMode(state.Marg);
    Kind = static_cast<std::uint8_t>(state.Kind);
    MskI = state.MskI;
    MskNm = state.MskNm;
    Polygons = state.Polygons;
    MarginPolygonCount = static_cast<std::uint8_t>(state.Marg != 0 ? state.MarginPolygonCount : 0);
    SetPolygonCount(state.PolygonCount);
    // A kind read as 0 would read as no mask beside polygons.
    if (Kind == mkNoMask) Kind = mkUserMask;
}

std::optional<TMaskState> ParseMaskStateText(std::string_view text, std::string* reason) {
    const auto refuse = [reason](const char* why) -> std::optional<TMaskState> {
        if (reason) *reason = why;
        return std::nullopt;
    };
    std::map<std::string, std::string> values;
    for (const std::string& item : LangItemsFromCommaText(text)) {
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos) continue;
        values.emplace(Upper(std::string_view(item).substr(0, eq)), item.substr(eq + 1));
    }
    const auto integer = [&values](const char* key, long long& v) {
        const auto it = values.find(key);
        return it != values.end() && TryStrToInt(it->second, v);
    };
    const auto real = [&values](const char* key, double& v) {
        const auto it = values.find(key);
        return it != values.end() && TryStrToFloatDot(it->second, v) && std::isfinite(v);
    };
    TMaskState state;
    long long count = 0;
    if (!integer("#POLY", count)) return refuse("no polygon count");
    if (count < 0 || count > MaskPolygonSlots) return refuse("polygon count out of range");
    state.PolygonCount = static_cast<int>(count);
    if (count == 0) return state;
    long long x0 = 0, stdI = 0, mskI = 0, marg = 0, kind = 0;
    if (!real("BITP", state.BitP) || !real("TB", state.TB) || !integer("X0", x0) || !real("VDIV", state.VDiv) ||
        !real("V0", state.V0) || !integer("STDI", stdI) || !integer("MSKI", mskI) || !integer("MARG", marg) ||
        !integer("KIND", kind))
        return refuse("a value is missing or no number");
    if (x0 < 0 || x0 > 65535) return refuse("X0 out of range");
    if (marg < -100 || marg > 100) return refuse("margin out of range");
    if (kind < 0 || kind > mkUserMask) return refuse("kind out of range");
    if (stdI < INT32_MIN || stdI > INT32_MAX || mskI < INT32_MIN || mskI > INT32_MAX) return refuse("index out of range");
    if (marg != 0 && count > MaskMaxMarginPolygons) return refuse("too many polygons for margins");
    state.X0 = static_cast<int>(x0);
    state.StdI = static_cast<int>(stdI);
    state.MskI = static_cast<int>(mskI);
    state.Marg = static_cast<int>(marg);
    state.Kind = static_cast<int>(kind);
    if (const auto it = values.find("MSKNM"); it != values.end()) state.MskNm = it->second;
    for (int k = 1; k <= count; ++k) {
        const auto it = values.find("POLY" + std::to_string(k));
        if (it != values.end() && !ReadPolygon(it->second, state.Polygons[static_cast<std::size_t>(k - 1)]))
            return refuse("a polygon is no list of numbers");
    }
    if (marg != 0) {
        long long margins = 0;
        if (!integer("#MGPLY", margins)) return refuse("no margin polygon count");
        if (margins < 0 || margins > MaskMaxMarginPolygons) return refuse("margin polygon count out of range");
        state.MarginPolygonCount = static_cast<int>(margins);
        for (int k = 1; k <= margins; ++k) {
            const auto it = values.find("MGPLY" + std::to_string(k));
            if (it != values.end() && !ReadPolygon(it->second, state.Polygons[static_cast<std::size_t>(k + 3)]))
                return refuse("a margin polygon is no list of numbers");
        }
    }
    return state;
}

// ------------------------------------------------------------------------------------------ automask

std::vector<int> AutomaskTrace(const std::vector<std::pair<int, int>>& points) {
    std::vector<int> trace(MaskColumns, 0);
    bool any = false;
    for (const auto& [column, row] : points) {
        if (column < 0 || column >= MaskColumns) continue;
        trace[static_cast<std::size_t>(column)] = std::clamp(row, 1, 1023);
        any = true;
    }
    if (!any) return {};
    int first = -1, last = -1;
    for (int c = 0; c < MaskColumns; ++c) {
        if (trace[static_cast<std::size_t>(c)] == 0) continue;
        if (first < 0) first = c;
        if (last >= 0 && c - last > 1) {
            const double a = trace[static_cast<std::size_t>(last)], b = trace[static_cast<std::size_t>(c)];
            for (int j = last + 1; j < c; ++j)
                trace[static_cast<std::size_t>(j)] = static_cast<int>(RoundHalfEven(a + (b - a) * (j - last) / (c - last)));
        }
        last = c;
    }
    for (int c = 0; c < first; ++c) trace[static_cast<std::size_t>(c)] = trace[static_cast<std::size_t>(first)];
    for (int c = last + 1; c < MaskColumns; ++c) trace[static_cast<std::size_t>(c)] = trace[static_cast<std::size_t>(last)];
    return trace;
}

std::array<TAutomaskPolygon, 2> BuildAutomaskPolygons(const std::vector<int>& trace, int dx, int dy) {
    std::array<TAutomaskPolygon, 2> result;
    if (trace.size() != static_cast<std::size_t>(MaskColumns) || dx < 0 || dy < 0 || 2 * dx >= MaskColumns - 1)
        return result;
    constexpr int Last = MaskColumns - 1;
    constexpr int Removed = -555;
    const int end = Last - dx;
    const double tolerance = std::max(std::min(dx, dy) / 10.0, 0.53);
    std::vector<int> offset(MaskColumns), row(MaskColumns);
    std::vector<char> removed(MaskColumns);
    for (int p = 0; p < 2; ++p) {
        const int shift = p == 0 ? -dy : dy;
        for (int i = 0; i <= Last; ++i)
            offset[static_cast<std::size_t>(i)] = std::clamp(trace[static_cast<std::size_t>(i)] + shift, 1, 1023);
        std::copy(offset.begin(), offset.end(), row.begin());
        for (int k = -dx; k <= dx; ++k) {
            const int a = std::abs(k);
            for (int i = a; i <= Last - a; ++i) {
                const int v = offset[static_cast<std::size_t>(i + k)];
                int& r = row[static_cast<std::size_t>(i)];
                if (p == 0 ? v < r : v > r) r = v;
            }
        }
        std::fill(removed.begin(), removed.end(), 0);
        for (int i = 0; i < dx; ++i) removed[static_cast<std::size_t>(i)] = removed[static_cast<std::size_t>(Last - i)] = 1;
        // Flat runs keep only their two ends.
        for (int i = dx; i <= Last - 100 - dx;) {
            const int v = row[static_cast<std::size_t>(i)];
            bool flat = true;
            for (int j = i + 1; j <= i + 100 && flat; ++j) flat = row[static_cast<std::size_t>(j)] == v;
            if (!flat) {
                ++i;
                continue;
            }
            int runEnd = i + 100;
            while (runEnd + 1 <= end && row[static_cast<std::size_t>(runEnd + 1)] == v) ++runEnd;
            for (int j = i + 1; j < runEnd; ++j) removed[static_cast<std::size_t>(j)] = 1;
            i = runEnd;
        }
        // Straightening: the longest reach whose inner columns lie near the straight line.
        const auto value = [&](int c) -> double {
            return removed[static_cast<std::size_t>(c)] ? Removed : row[static_cast<std::size_t>(c)];
        };
        const auto fits = [&](int i, int b) {
            const double a = value(i), z = value(i + b);
            const int mid = i + b / 2;
            for (int d = 0; mid - d > i || mid + d < i + b; ++d) {
                for (int c : {mid - d, mid + d}) {
                    if (c <= i || c >= i + b) continue;
                    const double line = a + (z - a) * (c - i) / b;
                    if (std::fabs(value(c) - line) > tolerance) return false;
                }
            }
            return true;
        };
        for (int i = dx; i < end;) {
            int b = std::min(512, end - i);
            int step = 256;
            int best = 0;
            while (true) {
                const bool fit = b >= 1 && fits(i, b);
                if (fit) {
                    best = b;
                    if (i + b == end) break;
                }
                if (step == 0) break;
                b = fit ? std::min(b + step, end - i) : b - step;
                step /= 2;
            }
            for (int j = i + 1; j < i + best; ++j) removed[static_cast<std::size_t>(j)] = 1;
            i = best > 0 ? i + best : i + 1;
        }
        TAutomaskPolygon& poly = result[static_cast<std::size_t>(p)];
        const int edge = p == 0 ? 1 : 1023;
        poly.X.push_back(dx);
        poly.Y.push_back(edge);
        for (int c = dx; c <= end; ++c) {
            if (removed[static_cast<std::size_t>(c)]) continue;
            poly.X.push_back(c);
            poly.Y.push_back(row[static_cast<std::size_t>(c)]);
        }
        poly.X.push_back(end);
        poly.Y.push_back(edge);
    }
    return result;
}

}  // namespace vt
