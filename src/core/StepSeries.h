#pragma once
// Shared pure number helpers: engineering formatting, the roundings behind numeric stepping,
// decibels, colours, small text functions, IPv4 address text, hexadecimal lists and the
// simulator's Gaussian noise.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/Color.h"

namespace vt {

// Engineering text of a value: " 0 " below 1e-15, "  Undefined" for the undefined marker, "%d " for
// integers, else `digits` significant digits in plain or exponent form by mode (0 plain; 1 plain from
// magnitude 1 up; 2 plain below magnitude 1; else exponent), an exponent from -15 to 14 replaced by a
// blank and a prefix ("f" … "m", "", "k", "M" or "MEG" when exact, "G", "T").
std::string FloatToEngStr(int mode, int digits, bool isInteger, bool exact, double value);

// 1-2-5 series: boundaries at 1.5, 3.5 and 7 times a power of ten. Magnitudes below 1e-64, and above
// 1e-32 but below 1e-30, give 0; from 1e-64 up to 1e-32 raises EInternalError. A negative value keeps
// its sign.
double CorrectNewVal1_2_5(double value);
// The power of two nearest on the 1.5 boundary; 0 up to 1e-32. A negative value keeps its sign.
double RoundToPowerOf2(double value);
// The dB ladder 0, 6, 10, 15, 20, 26, 30 … (either sign).
double RoundDbStep(double valueDb);
// step × round(value / step), ties to even.
double RoundToMultiple(double step, double value);
// Snap to 1.0, 1.2, 1.5, 1.8, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0 times a power of ten; direction
// < 0 down, > 0 up, 0 nearest. Small values as CorrectNewVal1_2_5; a negative value keeps its sign.
double CorrectValueE12(int direction, double value);

double FromDb(double x);       // 10^(x/20)
double FromDbPower(double x);  // 10^(x/10)
double Db20(double x);         // 20 log10 x; -4000 below 1e-200
double Db10(double x);         // 10 log10 x

// Red, green and blue divided by the factor, each rounded; a factor below 1 counts as 1. Alpha stays.
TColor DivideColor(TColor color, double factor);
// Black on a light colour (0.33 red + 0.66 green + 0.11 blue above 128), else white.
TColor ContrastTextColor(TColor color);

std::string StripParentheses(std::string_view text);
std::string RemoveBlanks(std::string_view text);
// Zero-fills field[0 .. n] (n + 1 wide characters) and copies at most n + 1 characters of the text.
void StrToWideBuf(char16_t* field, int n, std::u16string_view text);
int BitLength(std::int32_t n);
double LinearInterpolate(double x, double y1, double x1, double y0, double x0);
// Hexadecimal numbers separated by runs of tab, blank and ","; returns how many were read, or minus
// that count when another character stopped the reading.
int ParseIntList(std::string_view text, std::span<std::int32_t> values);

struct TIpAddress {
    std::uint8_t Valid = 0;
    std::uint8_t Bytes[4] = {255, 255, 255, 255};
};
bool TextToIpAddress(std::string_view text, TIpAddress& address);
bool SameIpAddress(const TIpAddress& a, const TIpAddress& b);
std::string FormatIpAddress(const TIpAddress& address, int layout);
std::string IpAddressToText(const TIpAddress& address);

// The simulator's noise: a fixed sequence from seed 3, the same on every run.
class TGaussianRandom {
public:
    double RandomGaussian(double spread, double centre);
    std::uint64_t Seed() const { return Seed_; }
    void SetSeed(std::uint64_t seed) { Seed_ = seed & 0xFFFFFFFFu; }

private:
    std::uint64_t Seed_ = 3;
};

}  // namespace vt
