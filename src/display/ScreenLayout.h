#pragma once
// Where the display panel puts its screens: the six screen formats, the three height bands and the
// fitting of screen heights to whole pixels per division. Pure arithmetic, no screens.
#include <array>
#include <cstdint>

namespace vt {

inline constexpr int MaxScreens = 4;
inline constexpr int ScreenFormatCount = 6;  // "YT,2YT,4YT,XY,CombYTXY,Comb2YTXY"

struct TScreenLayout {
    int ScreenCount = 0;  // 0: the panel is too small for any screen
    int XYScreen = 0;     // 0 none, else 1..4
    int TimeScreenCount = 0;
    std::array<int, MaxScreens> Divisions{};
    std::array<int, MaxScreens> Top{};
    std::array<int, MaxScreens> Height{};
    std::array<int, MaxScreens> Left{};
    std::array<int, MaxScreens> Width{};
    bool TopStripShown = false;
    bool BottomStripShown = false;
    int BottomStripTop = 0;
};

// Gives each of the first count screens divisions x 4 x step rows and shares the leftover out in
// whole divisions; returns the height used.
int FitScreenHeights(int availableHeight, int count, const std::array<int, MaxScreens>& divisions,
                     std::array<int, MaxScreens>& heights);

// The layout of a format (0..5) in the panel's inner size. A panel too narrow for 50 plot columns
// or too low for two rows per quarter division gets no screens at all.
TScreenLayout ComputeScreenLayout(int mode, int innerWidth, int innerHeight);

}  // namespace vt
