#include "core/DotNumberText.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace vt {

namespace {


// A finite non-zero value as 0.Digits × 10^Exponent; Digits carry no leading or trailing zeros.
// Zero has no digits.
struct TDecimal {
    bool Negative = false;
    std::string Digits;
    int Exponent = 0;
};

// Reads the digits and exponent of std::to_chars output ("d.ddde+xx" or "ddd.ddd").
TDecimal FromCharsText(std::string_view text, bool negative) {
    TDecimal d;
    d.Negative = negative;
    int pointAt = -1;
    int exp10 = 0;
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            pointAt = static_cast<int>(digits.size());
        } else if (c == 'e') {
            std::from_chars(text.data() + i + (text[i + 1] == '+' ? 2 : 1), text.data() + text.size(), exp10);
            break;
        } else {
            digits += c;
        }
    }
    if (pointAt < 0) pointAt = static_cast<int>(digits.size());
    std::size_t lead = 0;
    while (lead < digits.size() && digits[lead] == '0') ++lead;
    if (lead == digits.size()) return d;  // zero
    std::size_t end = digits.size();
    while (digits[end - 1] == '0') --end;
    d.Digits = digits.substr(lead, end - lead);
    d.Exponent = pointAt - static_cast<int>(lead) + exp10;
    return d;
}

// Rounded to `precision` significant digits (correctly, from the exact binary value).
TDecimal ToSignificant(double value, int precision) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                                 precision - 1);
    return FromCharsText(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), std::signbit(value));
}

// Rounded to `decimals` decimals, but to no more than `maxSignificant` significant digits.
TDecimal ToFixed(double value, int decimals, int maxSignificant) {
    char buf[400];  // the largest double has 309 integer digits
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed, decimals);
    TDecimal d = FromCharsText(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), std::signbit(value));
    if (static_cast<int>(d.Digits.size()) > maxSignificant) d = ToSignificant(value, maxSignificant);
    return d;
}

std::string SignOf(const TDecimal& d) { return d.Negative && !d.Digits.empty() ? "-" : ""; }

// "d.dddE-xx". `padTo` pads the mantissa with zeros to that many significant digits (0: none);
// the exponent gets at least `minExpDigits` digits and "+" only when `plusSign`.
std::string RenderExponent(const TDecimal& d, int padTo, int minExpDigits, bool plusSign) {
    std::string mant = d.Digits.empty() ? std::string("0") : d.Digits;
    if (static_cast<int>(mant.size()) < padTo) mant.append(static_cast<std::size_t>(padTo) - mant.size(), '0');
    std::string s = SignOf(d);
    s += mant[0];
    if (mant.size() > 1) {
        s += '.';
        s.append(mant, 1);
    }
    int exp10 = d.Digits.empty() ? 0 : d.Exponent - 1;
    s += 'E';
    if (exp10 < 0) {
        s += '-';
        exp10 = -exp10;
    } else if (plusSign) {
        s += '+';
    }
    std::string e = std::to_string(exp10);
    if (static_cast<int>(e.size()) < minExpDigits) e.insert(0, static_cast<std::size_t>(minExpDigits) - e.size(), '0');
    return s + e;
}

// "ddd.ddd" with at least `decimals` decimals (all the digits there are when `decimals` < 0).
std::string RenderFixed(const TDecimal& d, int decimals, char thousands) {
    std::string intPart;
    std::string frac;
    const int n = static_cast<int>(d.Digits.size());
    if (d.Exponent <= 0) {
        intPart = "0";
        if (n > 0) frac = std::string(static_cast<std::size_t>(-d.Exponent), '0') + d.Digits;
    } else if (d.Exponent >= n) {
        intPart = d.Digits + std::string(static_cast<std::size_t>(d.Exponent - n), '0');
    } else {
        intPart = d.Digits.substr(0, static_cast<std::size_t>(d.Exponent));
        frac = d.Digits.substr(static_cast<std::size_t>(d.Exponent));
    }
    if (decimals >= 0 && static_cast<int>(frac.size()) < decimals)
        frac.append(static_cast<std::size_t>(decimals) - frac.size(), '0');
    if (thousands != 0) {
        for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3)
            intPart.insert(static_cast<std::size_t>(i), 1, thousands);
    }
    std::string s = SignOf(d) + intPart;
    if (!frac.empty()) s += '.' + frac;
    return s;
}

std::string SpecialText(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string GeneralText(double value, int precision, int minExpDigits) {
    const TDecimal d = ToSignificant(value, precision);
    if (d.Digits.empty()) return "0";
    if (d.Exponent > precision || d.Exponent < -3) return RenderExponent(d, 0, minExpDigits, false);
    return RenderFixed(d, -1, 0);
}

constexpr int kMaxPrecision = 18;

[[noreturn]] void BadFormat(std::string_view format) {
    throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::size_t Utf8Length(std::string_view s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first `n` characters (not bytes) of a UTF-8 text.
std::string_view Utf8Prefix(std::string_view s, std::size_t n) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == n) return s.substr(0, i);
            ++chars;
        }
    }
    return s;
}

std::string UnsignedText(std::uint64_t v, int base) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, base);
    std::string s(buf, r.ptr);
    if (base == 16) std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c >= 'a' ? char(c - 32) : c; });
    return s;
}

}  // namespace

bool TryStrToFloatDot(std::string_view text, double& value) {
    std::string_view s = TrimWhite(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // Only plain decimal text: digits, one ".", an optional exponent. No "inf", "nan" or hex.
    std::size_t i = 0;
    int intSignificant = 0;
    int fracLeadingZeros = 0;
    bool anyDigit = false;
    bool nonZero = false;
    while (i < s.size() && IsDigit(s[i])) {
        if (s[i] != '0' || nonZero) {
            nonZero = true;
            ++intSignificant;
        }
        anyDigit = true;
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            if (s[i] == '0' && !nonZero) ++fracLeadingZeros;
            if (s[i] != '0') nonZero = true;
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit) return false;
    long exp10 = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) expNegative = s[i++] == '-';
        if (i == s.size() || !IsDigit(s[i])) return false;
        while (i < s.size() && IsDigit(s[i])) {
            exp10 = std::min(exp10 * 10 + (s[i] - '0'), 100000L);
            ++i;
        }
        if (expNegative) exp10 = -exp10;
    }
    if (i != s.size()) return false;
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small to hold reads as zero; too large is not a number we can keep.
        const long order = (intSignificant > 0 ? intSignificant : -fracLeadingZeros) + exp10;
        if (order > 0) return false;
        v = 0;
    } else if (r.ec != std::errc() || r.ptr != s.data() + s.size()) {
        return false;
    }
    value = negative ? -v : v;
    return true;
}

double StrToFloatDot(std::string_view text) {
    double v = 0;
    if (!TryStrToFloatDot(text, v)) throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return v;
}

bool TryStrToInt(std::string_view text, long long& value) {
    std::string_view s = TrimWhite(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s[0] == '+' || s[0] == '-') return false;
    unsigned long long u = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), u, base);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    constexpr unsigned long long maxPositive = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (negative) {
        if (u > maxPositive + 1) return false;
        value = u == maxPositive + 1 ? std::numeric_limits<long long>::min() : -static_cast<long long>(u);
    } else {
        if (u > maxPositive) return false;
        value = static_cast<long long>(u);
    }
    return true;
}

std::string FloatToStrDot(double value) { return FloatToStrFDot(TFloatFormat::General, 15, 0, value); }

std::string FloatToStrFDot(TFloatFormat format, int precision, int digits, double value) {
    if (!std::isfinite(value)) return SpecialText(value);
    precision = std::clamp(precision, 1, kMaxPrecision);
    switch (format) {
        case TFloatFormat::General:
            return GeneralText(value, precision, std::clamp(digits, 0, 4));
        case TFloatFormat::Exponent:
            return RenderExponent(ToSignificant(value, precision), precision, std::clamp(digits, 0, 4), true);
        case TFloatFormat::Fixed:
        case TFloatFormat::Number: {
            digits = std::clamp(digits, 0, kMaxPrecision);
            const TDecimal d = ToFixed(value, digits, precision);
            // Too many integer digits for the precision: the general exponent form.
            if (d.Exponent > precision) return RenderExponent(ToSignificant(value, precision), 0, 0, false);
            const TDotFormatSettings settings;
            return RenderFixed(d, digits, format == TFloatFormat::Number ? settings.ThousandSeparator : 0);
        }
    }
    return {};
}

std::string FormatDotV(std::string_view format, std::span<const TFormatArg> args) {
    std::string out;
    std::size_t next = 0;  // index of the next argument
    std::size_t i = 0;
    const auto intArg = [&](std::string_view pattern) -> long long {
        if (next >= args.size()) BadFormat(pattern);
        const TFormatArg& a = args[next++];
        if (const auto* p = std::get_if<std::int64_t>(&a)) return *p;
        if (const auto* p = std::get_if<std::uint64_t>(&a)) return static_cast<long long>(std::min<std::uint64_t>(*p, 1u << 30));
        BadFormat(pattern);
    };
    const auto readNumber = [&](std::size_t& k) {
        long long n = 0;
        while (k < format.size() && IsDigit(format[k])) n = std::min(n * 10 + (format[k++] - '0'), 1LL << 20);
        return n;
    };
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        const std::size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // "%" [index ":"] ["-"] [width | "*"] ["." (precision | "*")] type
        std::size_t k = i;
        const std::size_t digitsStart = k;
        long long n = readNumber(k);
        if (k > digitsStart && k < format.size() && format[k] == ':') {
            next = static_cast<std::size_t>(n);
            i = ++k;
        } else {
            k = i;
        }
        bool left = false;
        if (k < format.size() && format[k] == '-') {
            left = true;
            ++k;
        }
        // The pattern as far as it goes, for the error message.
        const auto pattern = [&] { return format.substr(start, std::min(k + 1, format.size()) - start); };
        long long width = 0;
        if (k < format.size() && format[k] == '*') {
            ++k;
            width = intArg(pattern());
            if (width < 0) {
                left = true;
                width = -width;
            }
        } else {
            width = readNumber(k);
        }
        long long precision = -1;
        if (k < format.size() && format[k] == '.') {
            ++k;
            if (k < format.size() && format[k] == '*') {
                ++k;
                precision = intArg(pattern());
            } else {
                precision = readNumber(k);
            }
        }
        if (k >= format.size()) BadFormat(format.substr(start));
        const char type = static_cast<char>(format[k] | 0x20);  // lower case
        const std::string_view pat = format.substr(start, k + 1 - start);
        i = k + 1;
        if (next >= args.size()) BadFormat(pat);
        const TFormatArg& arg = args[next++];
        std::string text;
        switch (type) {
            case 'd':
            case 'u':
            case 'x': {
                std::uint64_t magnitude = 0;
                bool negative = false;
                if (const auto* p = std::get_if<std::int64_t>(&arg)) {
                    if (type == 'd' && *p < 0) {
                        negative = true;
                        magnitude = 0 - static_cast<std::uint64_t>(*p);
                    } else {
                        magnitude = static_cast<std::uint64_t>(*p);
                    }
                } else if (const auto* q = std::get_if<std::uint64_t>(&arg)) {
                    magnitude = *q;
                } else {
                    BadFormat(pat);
                }
                text = UnsignedText(magnitude, type == 'x' ? 16 : 10);
                if (type != 'u' && precision > static_cast<long long>(text.size()))
                    text.insert(0, static_cast<std::size_t>(precision) - text.size(), '0');
                if (negative) text.insert(0, 1, '-');
                break;
            }
            case 'e':
            case 'f':
            case 'g':
            case 'n': {
                const auto* p = std::get_if<double>(&arg);
                if (p == nullptr) BadFormat(pat);
                const int prec = static_cast<int>(precision);
                if (type == 'e') {
                    text = FloatToStrFDot(TFloatFormat::Exponent, precision < 0 ? 15 : prec, 3, *p);
                } else if (type == 'g') {
                    text = FloatToStrFDot(TFloatFormat::General, precision < 0 ? 15 : prec, 0, *p);
                } else {
                    text = FloatToStrFDot(type == 'f' ? TFloatFormat::Fixed : TFloatFormat::Number, kMaxPrecision,
                                          precision < 0 ? 2 : prec, *p);
                }
                break;
            }
            case 's': {
                const auto* p = std::get_if<std::string>(&arg);
                if (p == nullptr) BadFormat(pat);
                text = precision < 0 ? *p : std::string(Utf8Prefix(*p, static_cast<std::size_t>(precision)));
                break;
            }
            default:
                BadFormat(pat);
        }
        const std::size_t len = Utf8Length(text);
        if (static_cast<long long>(len) < width) {
            const std::string pad(static_cast<std::size_t>(width) - len, ' ');
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return out;
}

}  // namespace vt
