#pragma once
// The serial-data library's services to the program: one object that the serial feature registers in
// the shell, owning the serial-data analyses (so far the eye measurements).
#include "core/Feature.h"
#include "core/SerialServices.h"
#include "serial/EyeMeasurement.h"
#include "serial/TdrNormalization.h"
#include "serial/TdrSettings.h"

namespace vt {

class TScopeSerialServices : public TSerialServices {
public:
    explicit TScopeSerialServices(TShell& shell) : Eye_(shell), Tdr_(shell), TdrNorm_(shell, Tdr_) {
        Tdr_.Normalization = &TdrNorm_;
    }

    void RestartEyeAccumulation() override { Eye_.RestartEyeAccumulation(); }
    void UpdateEyeMeasurements() override { Eye_.UpdateEyeMeasurements(); }
    void SwitchOffEyeMeasurement() override { Eye_.SwitchOffEyeMeasurement(); }

    TEyeMeasurement& Eye() { return Eye_; }

    // TDR/TDT.
    bool IsTdrActive() const override { return Tdr_.IsTdrActive(); }
    int TdrChannelState(int channelIndex) const override { return Tdr_.TdrChannelState(channelIndex); }
    int TdrDistanceUnit() const override { return Tdr_.TdrDistanceUnit(); }
    bool TdrTransmission() const override { return Tdr_.IsTdrActive() && !Tdr_.TdrModeIsTdr(); }
    double TdrVelocityFactor() const override { return Tdr_.TdrVelocityFactor(); }
    void RefreshTdrChannelChoice() override { Tdr_.UpdateTdrChannelChoice(); }
    void ApplyPendingTdrClear() override { Tdr_.ApplyPendingTdrClear(); }
    TTdrSettings& Tdr() { return Tdr_; }
    TTdrNormalization& TdrNormalization() { return TdrNorm_; }

private:
    TEyeMeasurement Eye_;
    TTdrSettings Tdr_;
    TTdrNormalization TdrNorm_;
};

// Installs the serial-data services and fills their rows of registration and refresh.
class TSerialFeature : public TFeature {
public:
    void FillRows(TShell& shell) override;
};

}  // namespace vt
