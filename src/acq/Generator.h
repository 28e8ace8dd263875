#pragma once
// The built-in pulse and pattern generators ("Gen:" node): mode, clock periods, delays, width, pattern
// length and trigger, and per output polarity, deskew, offset and the offset zeros kept with the
// calibration values. Times go to the instrument as counts of the 8 ns generator clock; the generator
// mode takes the trigger source over while it produces a pulse or a pattern.
#include <cstdint>

#include "core/Feature.h"

namespace vt {

class TShell;
class TCommandTree;
class TCalibrAdjust;
class TRadioSwHandler;
class TDoubleEditHandler;
class TIntEditHandler;

enum TGenMode : int { gmOff = 0, gmStep = 1, gmCoarseTB = 2, gmPulse = 3, gmNRZ = 4, gmRZ = 5 };

inline constexpr double GenClock = 8e-9;

// The `Gen:Mode` index with the generators option, else Off; read by header, so it answers Off while
// the generators are not registered.
int GenModeEffective(TShell& shell);
// The generator produces a pulse or a pattern (Pulse, NRZ or RZ): the trigger follows it.
bool IsGenPulseMode(TShell& shell);

class TGenerator : public TFeature {
public:
    // calibration: marks the zeros modified and says when a read puts values (may be null).
    TGenerator(TShell& shell, TCalibrAdjust* calibration) : Shell_(shell), Calibration_(calibration) {}

    void FillRows(TShell& shell) override;

    // Registration: once; a second call does nothing.
    void CreateGeneratorHandlers(TCommandTree& tree);
    // Sends the whole generator state again, in the instrument's order.
    void UpdateGeneratorControls();
    // The TDR feature's channel destinations drive the generators' mode and polarities.
    void UpdateGeneratorOutputs();

    // Counts of the generator clock.
    int GenPeriodCount() const;

private:
    struct TOutput {
        TRadioSwHandler* Polarity = nullptr;
        TIntEditHandler* Deskew = nullptr;
        TRadioSwHandler* ModeOffset = nullptr;
        TIntEditHandler* Offset = nullptr;
        TIntEditHandler* PositiveZero = nullptr;
        TIntEditHandler* NegativeZero = nullptr;
    };
    void CreateOutput(TCommandTree& tree, int n);
    void ModeChanged();
    void WidthEnabling();
    void DelayEnabling();
    void PulsePeriodChanged();
    void NrzClockChanged();
    void RzClockChanged();
    void WidthChanged();
    void SendStepDelay();
    void SendDelay();
    void SendPatternLength();
    void TrigPrbsChanged();
    void TriggerCoupling();
    void OffsetModeChanged(int n);
    void ZeroChanged(int n, bool positive);
    bool ReadingCalibration() const;
    double CoarseTB() const;

    TShell& Shell_;
    TCalibrAdjust* Calibration_ = nullptr;
    bool Registered_ = false;
    bool TakingBack_ = false;
    TRadioSwHandler* Mode_ = nullptr;
    TDoubleEditHandler* PulsePeriod_ = nullptr;
    TDoubleEditHandler* NrzClock_ = nullptr;
    TDoubleEditHandler* RzClock_ = nullptr;
    TIntEditHandler* StepsDelay_ = nullptr;
    TDoubleEditHandler* Delay_ = nullptr;
    TDoubleEditHandler* PulseWidth_ = nullptr;
    TRadioSwHandler* Length_ = nullptr;
    TRadioSwHandler* TrigPrbs_ = nullptr;
    TOutput Out_[2];
};

}  // namespace vt
