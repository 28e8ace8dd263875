#pragma once
// What the display benchmarks share: a window sink that only counts the copies, and the frame that
// reads a screen as the window's paint does (a screen composes the pixels it held back when read).
// The GUI application their fonts need is made by the benchmarks' main.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "display/DrawingSurfaces.h"

namespace vt::bench {

struct TCountingSink : TScreenSink {
    void CopyToWindow(const TScanLinesScreen&, const TPixelRect&) override { ++Copies; }
    std::int64_t Copies = 0;
};

// A frame of the window: the screen's picture read whole, as its paint reads it.
inline void ReadFrame(const TScanLinesScreen& screen) { benchmark::DoNotOptimize(screen.Bitmap().Image().constBits()); }

}  // namespace vt::bench
