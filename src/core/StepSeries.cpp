#include "core/StepSeries.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

#include "core/InternalError.h"
#include "core/DotNumberText.h"
#include "core/Numeric.h"

namespace vt {

namespace {

constexpr std::string_view kSpiderUnit = "_SHELL\\SRC\\SpiderUnit";
constexpr std::string_view kProc555Unit = "_SHELL\\SRC\\Proc555";

// A positive finite value as Mantissa × 10^Exponent with Mantissa in [1, 10), read off the shortest
// text that gives the value back. The series roundings decide on these decimal digits, so that a
// value entered as 3.5e-5 lies on its boundary whatever binary scaling would make of it.
struct TDecade {
    double Mantissa = 0;
    int Exponent = 0;
};

TDecade SplitDecade(double value) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    const std::size_t e = text.find('e');
    TDecade d;
    std::from_chars(text.data(), text.data() + e, d.Mantissa);
    const std::size_t expFrom = text[e + 1] == '+' ? e + 2 : e + 1;
    std::from_chars(text.data() + expFrom, text.data() + text.size(), d.Exponent);
    return d;
}

// The double nearest mantissa × 10^exponent (a series value, exact in decimal); infinity beyond the
// double range.
double JoinDecade(double mantissa, int exponent) {
    double v = 0;
    if (TryStrToFloatDot(FloatToStrDot(mantissa) + "E" + std::to_string(exponent), v)) return v;
    return std::numeric_limits<double>::infinity();
}

// Phi(0.2 i), the standard normal distribution, to five decimals; the last entry closes the table.
constexpr std::array<double, 21> kGaussTable = {
    0.5,     0.57926, 0.65542, 0.72575, 0.78814, 0.84134, 0.88493, 0.91924, 0.94520, 0.96407, 0.97725,
    0.98610, 0.99180, 0.99534, 0.99744, 0.99865, 0.99931, 0.99966, 0.99984, 0.99993, 1.0};

// The twelve-step series in tenths, so that entries and midpoints are the doubles nearest their
// decimal values.
constexpr std::array<int, 12> kSeries12Tenths = {10, 12, 15, 18, 20, 25, 30, 40, 50, 60, 80, 100};

// The small-value rules of the series roundings: below 1e-64 zero, up to 1e-32 outside their
// domain, below 1e-30 zero; a value that is not finite stays. True when `result` is settled here.
bool SettledBeforeSeries(double value, std::string_view unit, std::string_view message, double& result) {
    const double m = std::fabs(value);
    if (m <= 1e-32 && m >= 1e-64) VT_INTERNAL_ERROR(unit, message);
    result = m < 1e-30 ? 0 : value;
    return m < 1e-30 || !std::isfinite(m);
}

}  // namespace

std::string FloatToEngStr(int mode, int digits, bool isInteger, bool exact, double value) {
    if (std::fabs(value) < 1e-15) return " 0 ";
    if (IsUndefinedValue(value)) return "  Undefined";
    // The rounded value's own digits: a 64-bit integer would clamp values beyond 9.2e18.
    if (isInteger) {
        char buf[400];  // the largest double has 309 digits
        const double rounded = std::nearbyint(value) + 0.0;  // -0 becomes 0
        if (!std::isfinite(rounded)) return FloatToStrDot(rounded) + " ";
        const auto r = std::to_chars(buf, buf + sizeof buf, rounded, std::chars_format::fixed, 0);
        return std::string(buf, r.ptr) + " ";
    }

    const double magnitude = std::fabs(value);
    char letter = 'e';
    if (mode == 0 || (mode == 1 && magnitude >= 1) || (mode == 2 && magnitude < 1)) letter = 'g';
    // The same text as FormatDot("%.<digits>e") or ("%.<digits>g"), without building the pattern.
    std::string text = letter == 'g' ? FloatToStrFDot(TFloatFormat::General, digits, 0, value)
                                     : FloatToStrFDot(TFloatFormat::Exponent, digits, 3, value);

    std::string_view prefix;
    const std::size_t ePos = text.find('E');
    if (letter == 'e' && ePos != std::string::npos) {
        long long exp10 = 0;
        TryStrToInt(std::string_view(text).substr(ePos + 1), exp10);
        if (exp10 >= -15 && exp10 <= 14) {
            static constexpr std::string_view kSmall[] = {"m", "\xC2\xB5", "n", "p", "f"};
            static constexpr std::string_view kLarge[] = {"", "k", "M", "G", "T"};
            int shift = 0;
            if (exp10 < 0) {
                const long long k = (-exp10 - 1) / 3;
                prefix = k < 5 ? kSmall[k] : "?";
                shift = static_cast<int>(2 - (-exp10 - 1) % 3);
            } else {
                const long long k = exp10 / 3;
                prefix = k < 5 ? kLarge[k] : "?";
                if (k == 2 && exact) prefix = "MEG";
                shift = static_cast<int>(exp10 % 3);
            }
            // Move the point right by `shift` places; where the mantissa runs out, zeros make up
            // every missing place (5E-4 with one digit is 500 µ, not 50 µ).
            std::string mantissa = text.substr(0, ePos);
            std::size_t point = mantissa.find('.');
            if (point == std::string::npos) {
                point = mantissa.size();
            } else {
                mantissa.erase(point, 1);
            }
            const std::size_t newPoint = point + static_cast<std::size_t>(shift);
            if (newPoint > mantissa.size()) mantissa.append(newPoint - mantissa.size(), '0');
            if (newPoint < mantissa.size()) {
                mantissa.insert(newPoint, 1, '.');
                while (mantissa.back() == '0') mantissa.pop_back();
                if (mantissa.back() == '.') mantissa.pop_back();
            }
            text = mantissa;
        }
    }
    text += ' ';
    text += prefix;
    return text;
}

double CorrectNewVal1_2_5(double value) {
    double settled = 0;
    if (SettledBeforeSeries(value, kSpiderUnit, "CorrectNewVal1_2_5 - Value = 0", settled)) return settled;
    // The range 1.5 to 15 of the series, seen from a mantissa in 1 to 10: below 1.5 is 10 of the
    // decade below, that is 1.
    const TDecade d = SplitDecade(std::fabs(value));
    const double snapped = d.Mantissa < 1.5 ? 1 : d.Mantissa < 3.5 ? 2 : d.Mantissa < 7 ? 5 : 10;
    return std::copysign(JoinDecade(snapped, d.Exponent), value);
}

double RoundToPowerOf2(double value) {
    const double m = std::fabs(value);
    if (m <= 1e-32) return 0;
    if (!std::isfinite(m)) return value;
    int e = 0;
    const double f = std::frexp(m, &e);  // m = f × 2^e, f in [0.5, 1)
    return std::copysign(std::ldexp(1.0, f >= 0.75 ? e : e - 1), value);
}

double RoundDbStep(double valueDb) {
    double m = std::fabs(valueDb);
    if (!std::isfinite(m)) return valueDb;
    double n = 0;
    if (m > 23) {
        n = std::ceil((m - 23) / 20);
        m -= 20 * n;
        // Settle rounding at the edges the way repeated subtraction would.
        if (m > 23) {
            m -= 20;
            ++n;
        } else if (m + 20 <= 23) {
            m += 20;
            --n;
        }
    }
    const double step = m < 3 ? 0 : m < 8 ? 6 : m < 13 ? 10 : m < 18 ? 15 : 20;
    return std::copysign(step + 20 * n, valueDb);
}

double RoundToMultiple(double step, double value) {
    if (std::fabs(step) < 1e-30) return value;
    const double q = value / step;
    if (!(std::fabs(q) <= 2147483647.0)) return value;
    return step * static_cast<double>(RoundHalfEven(q));
}

double CorrectValueE12(int direction, double value) {
    double settled = 0;
    if (SettledBeforeSeries(value, kProc555Unit, "CorrectValueE12 - Value = 0", settled)) return settled;
    const TDecade d = SplitDecade(std::fabs(value));
    const double mantissa = d.Mantissa;
    // Bisection for low < mantissa <= high; a mantissa of exactly 1 takes the first pair.
    std::size_t lo = 0;
    std::size_t hi = kSeries12Tenths.size() - 1;
    while (hi - lo > 1) {
        const std::size_t mid = (lo + hi) / 2;
        if (kSeries12Tenths[mid] / 10.0 < mantissa) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    const double low = kSeries12Tenths[lo] / 10.0;
    const double high = kSeries12Tenths[hi] / 10.0;
    const double middle = (kSeries12Tenths[lo] + kSeries12Tenths[hi]) / 20.0;
    double snapped = high;
    if (direction < 0 || (direction == 0 && mantissa < middle)) snapped = low;
    return std::copysign(JoinDecade(snapped, d.Exponent), value);
}

double FromDb(double x) { return std::pow(10.0, x / 20); }

double FromDbPower(double x) { return FromDb(2 * x); }

double Db20(double x) {
    if (x < 1e-200) return -4000;
    return 20 * std::log10(x);
}

double Db10(double x) { return Db20(x) / 2; }

TColor DivideColor(TColor color, double factor) {
    // Below 1 (or not a number) the components would leave 0..255.
    if (!(factor >= 1)) factor = 1;
    const auto part = [&](std::uint8_t c) { return static_cast<std::uint32_t>(RoundHalfEven(c / factor)); };
    return TColor(part(color.Red()) | (part(color.Green()) << 8) | (part(color.Blue()) << 16) |
                  (color.Value & 0xFF000000u));
}

TColor ContrastTextColor(TColor color) {
    const double brightness = 0.33 * color.Red() + 0.66 * color.Green() + 0.11 * color.Blue();
    return brightness > 128 ? clBlack : clWhite;
}

std::string StripParentheses(std::string_view text) {
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos) return std::string(text);
    const std::size_t close = text.find(')', open);
    if (close == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, open)) + std::string(text.substr(close + 1));
}

std::string RemoveBlanks(std::string_view text) {
    std::string s(text);
    std::erase(s, ' ');
    return s;
}

void StrToWideBuf(char16_t* field, int n, std::u16string_view text) {
    if (field == nullptr || n < 0) return;
    const std::size_t size = static_cast<std::size_t>(n) + 1;
    std::fill(field, field + size, u'\0');
    std::copy_n(text.begin(), std::min(size, text.size()), field);
}

int BitLength(std::int32_t n) {
    std::int64_t v = n < 0 ? -static_cast<std::int64_t>(n) - 1 : n;
    if (v == std::numeric_limits<std::int32_t>::max()) return 32;
    int i = 1;
    while ((std::int64_t{1} << i) <= v) ++i;
    return i;
}

double LinearInterpolate(double x, double y1, double x1, double y0, double x0) {
    return y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

int ParseIntList(std::string_view text, std::span<std::int32_t> values) {
    int count = 0;
    std::size_t i = 0;
    const auto isSeparator = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    const auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    while (static_cast<std::size_t>(count) < values.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        if (i == text.size()) break;
        std::uint64_t v = 0;
        int significant = 0;
        bool any = false;
        while (i < text.size() && hexValue(text[i]) >= 0) {
            v = (v << 4) | static_cast<std::uint64_t>(hexValue(text[i]));
            if (v != 0) ++significant;
            any = true;
            ++i;
        }
        // Another character, or a number too long for 32 bits, ends the list as an error.
        if (!any || significant > 8 || (i < text.size() && !isSeparator(text[i]))) return -count;
        values[static_cast<std::size_t>(count++)] = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    }
    return count;
}

bool TextToIpAddress(std::string_view text, TIpAddress& address) {
    address = TIpAddress{};
    std::string s(text);
    std::replace(s.begin(), s.end(), '.', ' ');
    std::string_view rest(s);
    for (int b = 0; b < 4; ++b) {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        std::string_view part = rest;
        if (b < 3) {
            const std::size_t blank = rest.find(' ');
            if (blank == std::string_view::npos) return false;
            part = rest.substr(0, blank);
            rest.remove_prefix(blank);
        }
        long long v = 0;
        if (!TryStrToInt(part, v)) return false;
        address.Bytes[b] = static_cast<std::uint8_t>(v & 0xFF);
    }
    address.Valid = 1;
    return true;
}

bool SameIpAddress(const TIpAddress& a, const TIpAddress& b) {
    return a.Valid != 0 && b.Valid != 0 && std::equal(a.Bytes, a.Bytes + 4, b.Bytes);
}

std::string FormatIpAddress(const TIpAddress& address, int layout) {
    const auto* b = address.Bytes;
    if (layout == 0) return FormatDot("%d %d %d %d", b[0], b[1], b[2], b[3]);
    if (layout == 1) {
        if (address.Valid == 0) return "___ . ___ . ___ . ___";
        return FormatDot("  %d . %d . %d . %d", b[0], b[1], b[2], b[3]);
    }
    return FormatDot("%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
}

std::string IpAddressToText(const TIpAddress& address) {
    if (address.Valid == 0) return "???.???.???.???";
    return FormatIpAddress(address, 2);
}

double TGaussianRandom::RandomGaussian(double spread, double centre) {
    Seed_ = (Seed_ * 1103515245u + 12345u) & 0xFFFFFFFFu;
    double u = static_cast<double>((Seed_ >> 16) & 0x7FFF) / 32768.0;
    double sign = 1;
    if (u < 0.5) {
        sign = -1;
        u += 0.5;
    }
    std::size_t i = 1;
    while (i < 20 && kGaussTable[i] < u) ++i;
    const double z = 0.2 * (static_cast<double>(i) - (kGaussTable[i] - u) / (kGaussTable[i] - kGaussTable[i - 1]));
    return sign * z * spread + centre;
}

}  // namespace vt
