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

namespace {

// One "%" [index ":"] ["-"] [width | "*"] ["." (precision | "*")] type of a format.
struct TFormatField {
    bool Left = false;
    long long Width = 0;
    long long Precision = -1;  // -1: none given
    char Type = 0;             // lower case
    std::string_view Pattern;  // for the error message
};

// Walks a format, taking its arguments in turn (or at the index a field names).
class TFormatWalk {
public:
    TFormatWalk(std::string_view format, std::span<const TFormatArg> args) : Format_(format), Args_(args) {}

    std::string Run() {
        std::string out;
        while (At_ < Format_.size()) {
            const char c = Format_[At_++];
            if (c != '%') {
                out += c;
            } else if (At_ < Format_.size() && Format_[At_] == '%') {
                out += '%';
                ++At_;
            } else {
                const TFormatField field = ReadField(At_ - 1);
                out += Padded(field, ArgText(field, NextArg(field.Pattern)));
            }
        }
        return out;
    }

private:
    const TFormatArg& NextArg(std::string_view pattern) {
        if (Next_ >= Args_.size()) BadFormat(pattern);
        return Args_[Next_++];
    }

    long long IntArg(std::string_view pattern) {
        const TFormatArg& a = NextArg(pattern);
        if (const auto* p = std::get_if<std::int64_t>(&a)) return *p;
        if (const auto* p = std::get_if<std::uint64_t>(&a)) return static_cast<long long>(std::min<std::uint64_t>(*p, 1u << 30));
        BadFormat(pattern);
    }

    long long ReadNumber(std::size_t& k) const {
        long long n = 0;
        while (k < Format_.size() && IsDigit(Format_[k])) n = std::min(n * 10 + (Format_[k++] - '0'), 1LL << 20);
        return n;
    }

    // The field whose "%" stands at start; At_ goes past it.
    TFormatField ReadField(std::size_t start) {
        TFormatField field;
        std::size_t k = start + 1;
        const long long index = ReadNumber(k);
        if (k > start + 1 && k < Format_.size() && Format_[k] == ':') {
            Next_ = static_cast<std::size_t>(index);
            ++k;
        } else {
            k = start + 1;
        }
        if (k < Format_.size() && Format_[k] == '-') {
            field.Left = true;
            ++k;
        }
        // The pattern as far as it goes, for the error message.
        const auto pattern = [&] { return Format_.substr(start, std::min(k + 1, Format_.size()) - start); };
        if (k < Format_.size() && Format_[k] == '*') {
            ++k;
            field.Width = IntArg(pattern());
            if (field.Width < 0) {
                field.Left = true;
                field.Width = -field.Width;
            }
        } else {
            field.Width = ReadNumber(k);
        }
        if (k < Format_.size() && Format_[k] == '.') {
            ++k;
            if (k < Format_.size() && Format_[k] == '*') {
                ++k;
                field.Precision = IntArg(pattern());
            } else {
                field.Precision = ReadNumber(k);
            }
        }
        if (k >= Format_.size()) BadFormat(Format_.substr(start));
        field.Type = static_cast<char>(Format_[k] | 0x20);
        field.Pattern = Format_.substr(start, k + 1 - start);
        At_ = k + 1;
        return field;
    }

    static std::string IntegerText(const TFormatField& field, const TFormatArg& arg) {
        std::uint64_t magnitude = 0;
        bool negative = false;
        if (const auto* p = std::get_if<std::int64_t>(&arg)) {
            negative = field.Type == 'd' && *p < 0;
            magnitude = negative ? 0 - static_cast<std::uint64_t>(*p) : static_cast<std::uint64_t>(*p);
        } else if (const auto* q = std::get_if<std::uint64_t>(&arg)) {
            magnitude = *q;
        } else {
            BadFormat(field.Pattern);
        }
        std::string text = UnsignedText(magnitude, field.Type == 'x' ? 16 : 10);
        if (field.Type != 'u' && field.Precision > static_cast<long long>(text.size()))
            text.insert(0, static_cast<std::size_t>(field.Precision) - text.size(), '0');
        if (negative) text.insert(0, 1, '-');
        return text;
    }

    static std::string FloatText(const TFormatField& field, const TFormatArg& arg) {
        const auto* p = std::get_if<double>(&arg);
        if (p == nullptr) BadFormat(field.Pattern);
        const bool given = field.Precision >= 0;
        const int prec = static_cast<int>(field.Precision);
        switch (field.Type) {
            case 'e': return FloatToStrFDot(TFloatFormat::Exponent, given ? prec : 15, 3, *p);
            case 'g': return FloatToStrFDot(TFloatFormat::General, given ? prec : 15, 0, *p);
            default:
                return FloatToStrFDot(field.Type == 'f' ? TFloatFormat::Fixed : TFloatFormat::Number, kMaxPrecision,
                                      given ? prec : 2, *p);
        }
    }

    static std::string ArgText(const TFormatField& field, const TFormatArg& arg) {
        switch (field.Type) {
            case 'd':
            case 'u':
            case 'x': return IntegerText(field, arg);
            case 'e':
            case 'f':
            case 'g':
            case 'n': return FloatText(field, arg);
            case 's': {
                const auto* p = std::get_if<std::string>(&arg);
                if (p == nullptr) BadFormat(field.Pattern);
                return field.Precision < 0 ? *p : std::string(Utf8Prefix(*p, static_cast<std::size_t>(field.Precision)));
            }
            default: BadFormat(field.Pattern);
        }
    }

    static std::string Padded(const TFormatField& field, std::string text) {
        const std::size_t len = Utf8Length(text);
        if (static_cast<long long>(len) >= field.Width) return text;
        const std::string pad(static_cast<std::size_t>(field.Width) - len, ' ');
        return field.Left ? text + pad : pad + text;
    }

    std::string_view Format_;
    std::span<const TFormatArg> Args_;
    std::size_t At_ = 0;    // the next character of the format
    std::size_t Next_ = 0;  // the next argument
};

}  // namespace

std::string FormatDotV(std::string_view format, std::span<const TFormatArg> args) {
    return TFormatWalk(format, args).Run();
}

}  // namespace vt
