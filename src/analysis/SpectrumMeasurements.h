#pragma once
// Frequency and magnitude of spectral peaks of a spectrum record: the fundamental and its harmonics
// (Harmonic method) or the peaks above a level (Peak method), interpolated between bins and corrected
// for the record's FFT window.
#include <string>

#include "analysis/MeasSettings.h"
#include "display/Annotations.h"

namespace vt {

class TSignalObj;

struct TSpectrumPeak {
    bool Found = false;
    double Bin = 0;        // fractional bin
    double Amplitude = 0;  // corrected for the window
};

// The lower bin of the pair around position x, or -1 when x lies beyond half the record.
int RefinePeakBin(const TSignalObj& spectrum, double x);
// The interpolated peak of the pair k, k + 1.
TSpectrumPeak InterpolatePeak(const TSignalObj& spectrum, int k);
// The amplitude after the sinc step, corrected for a cosine-sum window's response at offset h.
double WindowCorrectedAmplitude(const TSignalObj& spectrum, double amplitude, double h);

struct TSpectrumTexts {
    std::string PeakLeft;   // "anPeak_L_"
    std::string PeakRight;  // "anPeak_R_"
};

enum TXFftKind : int { xfFreq = 0, xfDFreq = 1 };
enum TYFftKind : int { yfMagn = 0, yfDMagn = 1, yfTDH = 2 };

// The X-FFT (xGroup) or Y-FFT kind of the spectrum.
double CalcSpectrumKind(bool xGroup, int kind, const TSignalObj& spectrum, const TMeasSourceSettings& settings,
                        TAnnLabelArray& ann, const TSpectrumTexts& texts);

}  // namespace vt
