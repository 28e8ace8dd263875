#pragma once
// What the display benchmarks share: a window sink that counts the copies and reads the copied pixels
// at once, as if each copy were painted in a frame of its own (a screen composes the pixels it held
// back when they are read). The GUI application their fonts need is made by the benchmarks' main.
#include <cstdint>

#include "display/DrawingSurfaces.h"

namespace vt::bench {

struct TCountingSink : TScreenSink {
    void CopyToWindow(const TScanLinesScreen& screen, const TPixelRect& rect) override {
        ++Copies;
        Read += screen.Bitmap().Row(rect.Top)[rect.Left];
    }
    std::uint32_t Read = 0;
    std::int64_t Copies = 0;
};

}  // namespace vt::bench
