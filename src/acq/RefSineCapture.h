#pragma once
// The low-jitter mode's capture: the reference clock on Ch2 averaged over 127 acquisitions at two
// periods per screen, a sine fitted to it, and F4 switched to Ch1 re-timed by that sine.
#include <memory>
#include <vector>

#include "acq/ReferenceSine.h"

namespace vt {

class TShell;

inline constexpr int RefSineCaptureCount = 127;

// The time scale of the capture: two reference periods across the screen, 1-2-5 rounded.
double RefSineTimeScale(double refFreq, int refDivider);

class TRefSineCapture {
public:
    explicit TRefSineCapture(TShell& shell) : Shell_(shell) {}

    // The prescale of the reference frequency given on the command line (Div2 .. Div16).
    int Prescale = 1;

    void StartRefSineCapture();
    // After every acquisition while capturing.
    void RefSineCaptureStep();
    void StopRefSineCapture();

    bool Capturing() const { return Capturing_; }
    int Captured() const { return Count_; }
    // The fitted reference, once captured (F4's re-timing reads it).
    const TRefSine* Sine() const { return Sine_.get(); }

private:
    void RestoreCaptureSettings();

    TShell& Shell_;
    bool Capturing_ = false;
    int Count_ = 0;
    std::vector<double> Sum_;
    double Frequency_ = 0;
    double SavedScaleA_ = 0, SavedRecLen_ = 0;
    int SavedMode_ = 0;
    bool SavedDisplay_ = true, SavedAcquire_ = true;
    std::vector<double> Average_;  // the sine's points: it keeps a view of them while fitting
    std::unique_ptr<TRefSine> Sine_;
};

}  // namespace vt
