#pragma once
// What the program calls in the waveform analysis: only what has a caller today; the analysis library
// adds what its callers need when it lands. It registers its implementation in the shell context;
// until then every computation fails.

namespace vt {

class TAnalysisServices {
public:
    virtual ~TAnalysisServices() = default;

    // Computes the record of function source (4..7) / spectrum source (12..13) from its inputs; false
    // when it could not.
    virtual bool EvaluateMathFunction(int /*source*/) { return false; }
    virtual bool CalcSpectrum(int /*source*/) { return false; }
};

}  // namespace vt
