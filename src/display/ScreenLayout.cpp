#include "display/ScreenLayout.h"

#include <algorithm>

namespace vt {

namespace {

struct TFormat {
    int Screens;
    int XYScreen;
    std::array<int, MaxScreens> Divisions;
};

constexpr std::array<TFormat, ScreenFormatCount> Formats = {{
    {1, 0, {8, 0, 0, 0}},
    {2, 0, {4, 4, 0, 0}},
    {4, 0, {2, 2, 2, 2}},
    {1, 1, {8, 0, 0, 0}},
    {2, 2, {4, 4, 0, 0}},
    {3, 3, {2, 2, 4, 0}},
}};

constexpr int TopStripSpace = 34;
constexpr int BottomStripHeight = 81;
constexpr int BottomStripMinimum = 16;

}  // namespace

int FitScreenHeights(int availableHeight, int count, const std::array<int, MaxScreens>& divisions,
                     std::array<int, MaxScreens>& heights) {
    const int step = std::max(2, availableHeight / 32);
    for (int n = 0; n < count; ++n) heights[static_cast<std::size_t>(n)] = divisions[static_cast<std::size_t>(n)] * 4 * step;
    int leftover = std::max(0, availableHeight - 32 * step);
    for (int n = 0; n < count; ++n) {
        const int more = divisions[static_cast<std::size_t>(n)] * 4;
        if (more < leftover) {
            heights[static_cast<std::size_t>(n)] += more;
            leftover -= more;
        }
    }
    return availableHeight - leftover;
}

TScreenLayout ComputeScreenLayout(int mode, int innerWidth, int innerHeight) {
    const TFormat& f = Formats.at(static_cast<std::size_t>(std::clamp(mode, 0, ScreenFormatCount - 1)));
    TScreenLayout l;
    l.ScreenCount = f.Screens;
    l.XYScreen = f.XYScreen;
    l.TimeScreenCount = f.Screens - (f.XYScreen != 0 ? 1 : 0);
    l.Divisions = f.Divisions;
    const int count = f.Screens;

    l.TopStripShown = innerHeight > 300;
    const int t = l.TopStripShown ? TopStripSpace : 1;
    const int available = innerHeight - t - 2 * count;
    l.BottomStripShown = true;
    int gap = 0;
    int extra = 0;
    int h = 0;
    if (available >= 273) {
        h = available - BottomStripHeight;
        const int used = FitScreenHeights(h, count, l.Divisions, l.Height);
        gap = (h - used) / (count + 2);
    } else if (available >= 208) {
        h = 192 + (available - 192) % 16;
        const int spare = h - FitScreenHeights(h, count, l.Divisions, l.Height);
        gap = spare / (count + 1);
        extra = spare - gap * (count + 1);
    } else {
        h = available;
        int spare = h - FitScreenHeights(h, count, l.Divisions, l.Height);
        l.BottomStripShown = spare >= BottomStripMinimum;
        if (l.BottomStripShown) {
            spare -= BottomStripMinimum;
            gap = spare / (count + 1);
            extra = spare - gap * (count + 1);
        } else {
            gap = spare / count;
        }
    }

    int y = t + gap;
    for (int n = 0; n < count; ++n) {
        l.Top[static_cast<std::size_t>(n)] = y;
        y += l.Height[static_cast<std::size_t>(n)] + 2 + gap;
    }
    l.BottomStripTop = y + extra;

    const int w = innerWidth - 22;
    const int w50 = w > 0 ? w / 50 * 50 : 0;
    const int r = w - w50;
    const int half = r > 10 ? (r - 10) / 2 : 0;
    // The smallest fit gives two rows per quarter division: below that, or without a single block of
    // 50 plot columns, screens would divide by zero or stand taller than the panel.
    int heightSum = 0;
    for (int n = 0; n < count; ++n) heightSum += l.Height[static_cast<std::size_t>(n)];
    if (w50 < 50 || h < 64 || heightSum > h) {
        l.ScreenCount = 0;
        l.TimeScreenCount = 0;
        l.XYScreen = 0;
        l.Height = {};
        l.Top = {};
        return l;
    }
    for (int n = 0; n < count; ++n) {
        const auto i = static_cast<std::size_t>(n);
        l.Height[i] += 1;
        if (n + 1 == l.XYScreen) {
            l.Width[i] = l.Height[i];
            l.Left[i] = std::max(0, (innerWidth - l.Width[i]) / 2);
        } else {
            l.Width[i] = w50 + 1 + 21;
            l.Left[i] = half;
        }
    }
    return l;
}

}  // namespace vt
