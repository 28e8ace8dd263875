#pragma once
// The factory service functions offered only as named settings: the register ramp test, the DAC ramp
// test and its DAC choice, the bench values of the sampler test, and at program end the switches of
// the sampler test stand. Each change goes to the instrument as one text command; the program does
// not interpret the values.
#include "core/Feature.h"

namespace vt {

class TShell;
class TCommandTree;
class TCalibrAdjust;
class TRadioSwHandler;

class TRampTest : public TFeature {
public:
    // calibration: refreshes the fine timebase after the instrument corrected the DAC choice (may be null).
    TRampTest(TShell& shell, TCalibrAdjust* calibration) : Shell_(shell), Calibration_(calibration) {}

    void FillRows(TShell& shell) override;
    void ProgramEnded(TShell& shell) override;

    void CreateRampTestHandlers(TCommandTree& tree);
    void CreateRampDACHandlers(TCommandTree& tree);
    // At every instrument start, once the model is known: model type 8 offers DACs 17 and 18.
    void CreateRampDACSelectHandler(TCommandTree& tree);
    // Applies the stand's switches; reset returns the stand to normal operation first.
    void SetStandSamplerModes(bool reset);

private:
    void SelectChanged();
    bool Connected() const;

    TShell& Shell_;
    TCalibrAdjust* Calibration_ = nullptr;
    TRadioSwHandler* Select_ = nullptr;
    bool TakingBack_ = false;
};

}  // namespace vt
