#pragma once
// What the program calls in the measurement and analysis library: only what has a caller today. The
// analysis library registers its implementation in the shell context; until then every operation
// does nothing.

namespace vt {

class TAnalysisServices {
public:
    virtual ~TAnalysisServices() = default;

    // The clearing of the display ("*ClrDispl").
    virtual void ClearSharedHistogram() {}
    virtual void ResetAllTrendAverages() {}
    virtual void RestartMeasStatistics() {}
    virtual void InvalidateMarkerValues() {}
};

}  // namespace vt
