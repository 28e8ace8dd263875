#pragma once
// The automatic measurements as one piece of the analysis services: the list, its readouts and the
// "Meas:" settings, tied to the measurement engine and put in their places in the shell.
#include "analysis/Limit.h"
#include "analysis/MeasurementList.h"
#include "analysis/MeasurementReadouts.h"
#include "analysis/MeasurementSettings.h"

namespace vt {

class TShell;
class TMeasCalc;

class TMeasurements {
public:
    TMeasurements(TShell& shell, TMeasCalc& calc);
    ~TMeasurements();
    TMeasurements(const TMeasurements&) = delete;
    TMeasurements& operator=(const TMeasurements&) = delete;

    // The registration and refresh rows, the switch-off of the mode, the strip's provider and the
    // engine's hooks.
    void FillRows(TShell& shell);

    TMeasList& List() { return List_; }
    TMeasReadouts& Readouts() { return Readouts_; }
    TMeasurementSettings& Settings() { return Settings_; }
    TLimitTest& LimitTest() { return Limit_; }

private:
    TMeasCalc& Calc_;
    TMeasList List_;
    TMeasReadouts Readouts_;
    TMeasurementSettings Settings_;
    TLimitTest Limit_;
};

}  // namespace vt
