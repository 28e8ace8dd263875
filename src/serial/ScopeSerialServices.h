#pragma once
// The serial-data library's services to the program: one object that the serial feature registers in
// the shell, owning the serial-data analyses (so far the eye measurements).
#include "core/Feature.h"
#include "core/SerialServices.h"
#include "serial/EyeMeasurement.h"

namespace vt {

class TScopeSerialServices : public TSerialServices {
public:
    explicit TScopeSerialServices(TShell& shell) : Eye_(shell) {}

    void RestartEyeAccumulation() override { Eye_.RestartEyeAccumulation(); }
    void UpdateEyeMeasurements() override { Eye_.UpdateEyeMeasurements(); }
    void SwitchOffEyeMeasurement() override { Eye_.SwitchOffEyeMeasurement(); }

    TEyeMeasurement& Eye() { return Eye_; }

private:
    TEyeMeasurement Eye_;
};

// Installs the serial-data services and fills their rows of registration and refresh.
class TSerialFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
