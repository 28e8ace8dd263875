#pragma once
// The timebase and the channels as one feature of the program: their registration, late-registration
// and refresh rows, and the settings the resend of every setting reads and changes at instrument start
// and link recovery. The trigger's holdoff and source are reached by header until the trigger exists.
#include "acq/Channels.h"
#include "acq/Timebase.h"
#include "core/Feature.h"
#include "link/CommandSenders.h"

namespace vt {

class TTimebaseChannelsFeature : public TFeature, public TInstrumentSettingsAccess {
public:
    explicit TTimebaseChannelsFeature(TShell& shell);
    ~TTimebaseChannelsFeature() override;

    void FillRows(TShell& shell) override;
    void AttachToProgram(TShell& shell) override;

    TTimebase& Timebase() { return Timebase_; }
    TChannels& Channels() { return Channels_; }

    // --- TInstrumentSettingsAccess ---
    double ChannelOffset(int channel) const override;
    double TrigHoldoff() const override;
    void SetTrigHoldoff(double value) override;
    double TBScaleA() const override;
    double TBScaleB() const override;
    double TBDelay() const override;
    void SetTBScaleA(double value) override;
    void SetTBScaleB(double value) override;
    void SetTBDelay(double value) override;
    int TrigSource() const override;
    void SetTrigSource(int index) override;

private:
    TShell& Shell_;
    TTimebase Timebase_;
    TChannels Channels_;
    bool Attached_ = false;
};

}  // namespace vt
