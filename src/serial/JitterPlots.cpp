#include "serial/JitterPlots.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/EngineeringText.h"
#include "display/DrawingSurfaces.h"
#include "serial/JitterAnalyser.h"

namespace vt {

namespace {

constexpr TColor RjColour{0x3366FF};
constexpr TColor DdjColour{0xFF6666};
constexpr TColor TjColour{0x80FF80};
constexpr TColor RisingColour{0x66FFFF};
constexpr TColor FallingColour{0x9966CC};
constexpr TColor PatternColour{0xFF0000};
constexpr TColor PointColour{0x00FFFF};
constexpr TColor EarliestColour{0x008000};
constexpr TColor LatestColour{0x0000FF};

void Fill(TSLBMP& b, int left, int top, int right, int bottom, TColor c) { b.Fill({left, top, right, bottom}, c); }

void Line(TSLBMP& b, int x0, int y0, int x1, int y1, TColor c) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        b.SetPixel(x0, y0, c);
        if (x0 == x1 && y0 == y1) return;
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

void Disc(TSLBMP& b, int x, int y, int r, TColor c) {
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (dx * dx + dy * dy <= r * r) b.SetPixel(x + dx, y + dy, c);
}

// The text centred on x (hAlign 1) at y, in black.
void Label(TScanLinesScreen& s, int x, int y, const std::string& text, int hAlign) {
    s.SetFontColor(clBlack);
    s.TextOut(x, y, text, hAlign, 0);
}

std::string Format(const std::string& pattern, int n) {
    std::string text = pattern;
    const std::size_t at = text.find("%d");
    if (at != std::string::npos) text.replace(at, 2, std::to_string(n));
    return text;
}

}  // namespace

void DrawHist(TScanLinesScreen& surface, const TJitterHist& hist, TColor colour, double scale, bool clear, bool axis) {
    TSLBMP& b = surface.Bitmap();
    const int width = b.Width(), height = b.Height();
    const int base = height - 20;
    if (width < 40 || height < 30) return;
    surface.BeginUpdate();
    if (clear) Fill(b, 20, 1, width - 1, base, JitterPlotBack);
    const int w = width - 31;
    const double peak = scale < 1e-15 ? hist.PeakCount : scale;
    if (peak > 0) {
        for (int f = 0; f < TJitterHist::BinCount; ++f) {
            const int count = hist.Counts[static_cast<std::size_t>(f)];
            if (count == 0) continue;
            const int x0 = 23 + f * w / TJitterHist::BinCount;
            const int x1 = std::max(x0, 23 + (f + 1) * w / TJitterHist::BinCount - 1);
            const int h = static_cast<int>(std::lround(count * (height - 26) / peak));
            if (h > 0) Fill(b, x0, base - h + 1, x1, base, colour);
        }
    }
    if (axis) {
        const std::array<int, 3> xs = {23, 23 + w / 2, 23 + w};
        const std::array<double, 3> values = {-hist.HalfRange, 0, hist.HalfRange};
        for (std::size_t i = 0; i < 3; ++i) {
            Fill(b, xs[i], base + 1, xs[i], base + 4, clBlack);
            // Plain digits: an engineering prefix on picoseconds would read "500 mps".
            const std::string text = FloatToEngStr(0, 6, false, false, values[i] * 1e12) + "ps";
            Label(surface, xs[i], base + 5, text, i == 0 ? 0 : (i == 1 ? 1 : 2));
        }
    }
    surface.InvalidateAll();
    surface.EndUpdate();
}

void DrawJitterPlot(TJ_Obj& analyser, TJitterPlotWindow& window, int type, int action, int position, const TLangText& lang) {
    if (window.ResizePending() || !window.Surface()) return;
    auto& h = analyser.Histograms;
    TScanLinesScreen& s = *window.Surface();
    const auto samples = [&] { window.SetInfoText(Format(lang("Samples_n"), static_cast<int>(h[4].Count()))); };
    const auto single = [&](const TJitterHist& hist, TColor colour) {
        if (hist.Empty()) return;
        samples();
        DrawHist(s, hist, colour, 0, true, true);
    };
    const auto composite = [&](const std::array<const TJitterHist*, 3>& items, const std::array<TColor, 3>& colours,
                               const std::array<double, 3>& scales) {
        const std::array<int, 3> order = {window.Third(), window.Previous(), window.Front()};
        bool cleared = false;
        int last = -1;
        for (int k : order)
            if (k >= 0 && k < 3 && !items[static_cast<std::size_t>(k)]->Empty()) last = k;
        for (int k : order) {
            if (k < 0 || k > 2) continue;
            const auto i = static_cast<std::size_t>(k);
            // An empty histogram has no peak to divide by.
            if (items[i]->Empty()) continue;
            DrawHist(s, *items[i], colours[i], scales[i], !cleared, k == last);
            cleared = true;
        }
    };
    switch (type) {
        case jpRjPjHist: single(h[3], RjColour); break;
        case jpDdjHist: single(h[0], DdjColour); break;
        case jpTjHist: single(h[4], TjColour); break;
        case jpCompHist:
            window.SetChoiceButtons({lang("TJ"), lang("RJ_PJ"), lang("DDJ")}, {TjColour, RjColour, DdjColour},
                                    {true, true, true});
            if (h[4].Empty() && h[6].Empty() && h[5].Empty()) return;
            samples();
            composite({&h[4], &h[6], &h[5]}, {TjColour, RjColour, DdjColour}, {0, 0, 0});
            break;
        case jpCompDdjHist: {
            window.SetChoiceButtons({lang("All Edges"), lang("Rising Edges"), lang("Falling Edges")},
                                    {DdjColour, RisingColour, FallingColour}, {true, true, true});
            if (h[0].Empty()) return;
            samples();
            const double peak = h[0].PeakCount;
            composite({&h[0], &h[1], &h[2]}, {DdjColour, RisingColour, FallingColour}, {0, peak, peak});
            break;
        }
        case jpDdjVsBit: DrawDDJvsBit(analyser, window, action, position, lang); break;
        default: break;
    }
}

void DrawDDJvsBit(TJ_Obj& a, TJitterPlotWindow& window, int action, int position, const TLangText& lang) {
    if (window.ResizePending() || !window.Surface()) return;
    const int pressed = window.TakePressedButton();
    const TJitterHist& h0 = a.Histograms[0];
    if (h0.Count() == 0) return;
    TScanLinesScreen& s = *window.Surface();
    TSLBMP& b = s.Bitmap();
    const int width = b.Width(), height = b.Height();
    if (width < 60 || height < 40) return;
    const int pl = a.PatternLength;
    const int x0 = 43, w = width - 51, yc = (height - 21) / 2 + 1, half = (height - 31) / 2;
    if (action == 2) ZoomIn(a.Zoom, pl, position - x0, w);
    if (action == 1 && pressed == 1) ZoomOut(a.Zoom, pl);
    s.BeginUpdate();
    Fill(b, 0, 0, width - 1, height - 1, JitterFaceColour);
    Fill(b, 40, 1, width - 2, height - 21, JitterPlotBack);
    const int first = a.Zoom.First, last = a.Zoom.Last;
    const int n = last - first + 1;
    const double p = static_cast<double>(w) / n;
    const double range = h0.FullRange();
    const double scale = range > 0 ? (height - 31) / range : 0;
    const auto bitAt = [&](int i) { return a.BitMap[static_cast<std::size_t>(((i % pl) + pl) % pl)] != 0; };
    const auto xOf = [&](double i) { return x0 + static_cast<int>(std::lround((i - first) * p)); };
    if (p >= 3) {
        int y = bitAt(first - 1) ? yc - half : yc + half;
        for (int i = first; i <= last; ++i) {
            const int ny = bitAt(i) ? yc - half : yc + half;
            const int xa = xOf(i), xb = xOf(i + 1);
            Line(b, xa, y, xa, ny, PatternColour);
            Line(b, xa, ny, xb, ny, PatternColour);
            y = ny;
        }
    }
    int px = -1, py = 0, early = -1, late = -1;
    for (int i = first; i <= last; ++i) {
        const float e = a.ShownEdgeDeviation[static_cast<std::size_t>(i)];
        if (e == -2.0f) continue;
        const int x = xOf(i), y = yc - static_cast<int>(std::lround(e * scale));
        Fill(b, x - 1, y - 1, x + 1, y + 1, PointColour);
        if (px >= 0) Line(b, px, py, x, y, PointColour);
        px = x, py = y;
        if (early < 0 || e < a.ShownEdgeDeviation[static_cast<std::size_t>(early)]) early = i;
        if (late < 0 || e > a.ShownEdgeDeviation[static_cast<std::size_t>(late)]) late = i;
    }
    const auto mark = [&](int i, TColor c) {
        if (i < 0) return;
        Disc(b, xOf(i), yc - static_cast<int>(std::lround(a.ShownEdgeDeviation[static_cast<std::size_t>(i)] * scale)), 4, c);
    };
    mark(early, EarliestColour);
    mark(late, LatestColour);
    const std::array<int, 3> rows = {yc - half, yc, yc + half};
    const std::array<double, 3> times = {range / 2, 0, -range / 2};
    for (std::size_t i = 0; i < 3; ++i) {
        Fill(b, 36, rows[i], 39, rows[i], clBlack);
        Label(s, 35, rows[i] - 6, FloatToEngStr(3, 3, false, false, times[i]) + "s", 2);
    }
    const std::array<int, 3> bits = {first, first + (last - first) / 2, last};
    for (std::size_t i = 0; i < 3; ++i) {
        const int x = xOf(bits[i]);
        Fill(b, x, height - 20, x, height - 17, clBlack);
        Label(s, x, height - 16, Format(lang("n_bit"), bits[i]), i == 0 ? 0 : (i == 1 ? 1 : 2));
    }
    s.InvalidateAll();
    s.EndUpdate();
    const bool zoomed = a.Zoom.First != 0 || a.Zoom.Last != pl - 1;
    window.SetChoiceButtons({lang("EarlestEdge"), lang("UNDO_ZOOM"), lang("LatestEdge")},
                            {EarliestColour, PatternColour, LatestColour}, {false, zoomed, false});
}

}  // namespace vt
