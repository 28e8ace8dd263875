#pragma once
// The serial-data library's services to the program: one object that the serial feature registers in
// the shell, owning the serial-data analyses (so far the eye measurements).
#include "core/Feature.h"
#include "core/SerialServices.h"
#include "serial/EyeMeasurement.h"
#include "serial/JitterSettings.h"

namespace vt {

class TScopeSerialServices : public TSerialServices {
public:
    explicit TScopeSerialServices(TShell& shell) : Eye_(shell), Jitter_(shell) {}

    void RestartEyeAccumulation() override { Eye_.RestartEyeAccumulation(); }
    void UpdateEyeMeasurements() override { Eye_.UpdateEyeMeasurements(); }
    void SwitchOffEyeMeasurement() override { Eye_.SwitchOffEyeMeasurement(); }

    TEyeMeasurement& Eye() { return Eye_; }

    void JitterStep() override { Jitter_.Step(); }
    bool JitterAnalyserExists() const override { return Jitter_.Exists(); }
    void JitterDrawPlot(int plot, int kind, int value) override { Jitter_.DrawPlot(plot, kind, value); }
    TJitterAnalysis& Jitter() { return Jitter_; }

private:
    TEyeMeasurement Eye_;
    TJitterAnalysis Jitter_;
};

// Installs the serial-data services and fills their rows of registration and refresh.
class TSerialFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
