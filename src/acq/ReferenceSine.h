#pragma once
// The low-jitter mode's time base: a sine fitted to an averaged reference clock gives the true time
// of each sample from the reference's value at that sample.
#include <span>
#include <string>

namespace vt {

class TSignalObj;

class TRefSine {
public:
    // Fits the averaged record y (time origin t0, sample interval dt) of a reference of frequency f.
    TRefSine(std::span<const double> y, double t0, double dt, double frequency);

    // The corrected time of a reference value y seen at about time t; false where the sine is too
    // flat to tell (|e| >= sqrt(3)/2) or has no amplitude.
    bool CorrectTime(double y, double t, double& corrected) const;
    // The fit's squared error at a phase, over the steep parts of the sine.
    double Residual(double phase) const;

    double Omega() const { return Omega_; }
    double Amplitude() const { return A_; }
    double Offset() const { return C_; }
    double Phase() const { return Phi_; }

private:
    std::span<const double> Y_;  // only while fitting
    double Omega_, A_ = 0, C_ = 0, Phi_ = 0, T0_, Dt_;
};

// F4 as Ch1 re-timed by the reference on Ch2: each Ch1 point moves to the index of its corrected
// time; points without a valid correction stay where they are.
void ResampleByRefSine(const TRefSine& sine, const TSignalObj& ch1, const TSignalObj& ch2, TSignalObj& f4);

// The reference frequency's prescale from the command line: "Div2", "Div4", "Div8", "Div16".
int RefFreqPrescale(std::span<const std::string> params);

}  // namespace vt
