#pragma once
// The measurement and analysis library's services to the program: one object that the analysis
// feature registers in the shell, owning the analysis engines (so far the measurement engine).
#include "analysis/MeasCalc.h"
#include "core/AnalysisServices.h"
#include "core/Feature.h"

namespace vt {

class TShell;

class TScopeAnalysisServices : public TAnalysisServices {
public:
    explicit TScopeAnalysisServices(TShell& shell);

    void MeasureAcquisition() override { Meas_.MeasureAcquisition(); }

    TMeasCalc& Meas() { return Meas_; }

private:
    TMeasCalc Meas_;
};

// Installs the analysis services in the shell when the program is put together.
class TAnalysisFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
