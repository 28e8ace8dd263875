#pragma once
// A window sink that records every copy a screen makes.
#include <vector>

#include "display/DrawingSurfaces.h"

namespace vt::test {

struct TRecordingSink : TScreenSink {
    void CopyToWindow(const TScanLinesScreen&, const TPixelRect& rect) override { Copies.push_back(rect); }
    void PlaceChanged(const TScanLinesScreen&) override { ++PlaceChanges; }
    std::vector<TPixelRect> Copies;
    int PlaceChanges = 0;
};

}  // namespace vt::test
