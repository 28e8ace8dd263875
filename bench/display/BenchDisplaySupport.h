#pragma once
// What the display benchmarks share: a window sink that only counts the copies. The GUI application
// their fonts need is made by the benchmarks' main.
#include <cstdint>

#include "display/DrawingSurfaces.h"

namespace vt::bench {

struct TCountingSink : TScreenSink {
    void CopyToWindow(const TScanLinesScreen&, const TPixelRect&) override { ++Copies; }
    std::int64_t Copies = 0;
};

}  // namespace vt::bench
