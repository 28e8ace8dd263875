#pragma once
// Number text of the waveform text files.
#include <string>

namespace vt {

// A real number in the scientific form of a text write with field width `width`: a blank or "-"
// for the sign, one digit, ".", width - 9 decimals (at most 17), "E", the exponent sign and four
// exponent digits, right-aligned in `width` characters (" 1.00000000000E-0010" for width 20).
// Infinities and not-a-number read " Inf", "-Inf" and " NaN", so that the files read them back.
std::string FloatToTextWidth(double value, int width);

}  // namespace vt
