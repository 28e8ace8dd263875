#pragma once
// Number text that always uses "." as decimal separator, whatever the locale. Every file, reply,
// instrument command and message formats and reads numbers only through these functions.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace vt {

// A text that is not a number, or a format pattern that does not fit its arguments.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Number-format settings: decimal separator "." always; thousands separator "," (used by %n and
// TFloatFormat::Number only).
struct TDotFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
};

enum class TFloatFormat {
    General,   // shortest of fixed and exponent, `precision` significant digits, exponent like "1E-10"
    Exponent,  // "-d.ddd…E+dddd": `precision` significant digits, at least `digits` (0..4) exponent digits
    Fixed,     // `digits` decimals; exponent form when the value has more than `precision` integer digits
    Number,    // as Fixed, with thousands separators
};

// The number read with the dot settings; blanks around it are allowed. Anything else raises
// EConvertError ("'text' is not a valid floating point value").
double StrToFloatDot(std::string_view text);
// The same without raising: false for a text that is not a number.
bool TryStrToFloatDot(std::string_view text, double& value);
// An integer: decimal, or hexadecimal after "$" or "0x", with an optional sign; blanks around it
// are allowed. False for any other text or a value beyond 64 bits.
bool TryStrToInt(std::string_view text, long long& value);

// The shortest general form, up to 15 significant digits ("1.5", "1E-10", "1E20", "-0.0005").
std::string FloatToStrDot(double value);

std::string FloatToStrFDot(TFloatFormat format, int precision, int digits, double value);

// One argument of FormatDot.
using TFormatArg = std::variant<std::int64_t, std::uint64_t, double, std::string>;

// Format patterns: "%" [index ":"] ["-"] [width | "*"] ["." (precision | "*")] type, with the types
//   d (integer; precision = least digits), u (unsigned), x (hexadecimal, upper case; precision = least
//   digits), e (exponent; precision = significant digits, default 15; exponent sign and three digits at
//   least: "5.00E-004"), f (fixed; precision = decimals, default 2), g (general; precision = significant
//   digits, default 15), n (as f with thousands separators), s (text; precision = most characters),
//   and "%%". A pattern that does not fit its arguments raises EConvertError.
std::string FormatDotV(std::string_view format, std::span<const TFormatArg> args);

template <class T>
TFormatArg ToFormatArg(const T& v) {
    if constexpr (std::is_same_v<T, bool>) {
        return TFormatArg{static_cast<std::int64_t>(v)};
    } else if constexpr (std::is_floating_point_v<T>) {
        return TFormatArg{static_cast<double>(v)};
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
        return TFormatArg{static_cast<std::int64_t>(v)};
    } else if constexpr (std::is_integral_v<T>) {
        return TFormatArg{static_cast<std::uint64_t>(v)};
    } else if constexpr (std::is_enum_v<T>) {
        return TFormatArg{static_cast<std::int64_t>(v)};
    } else {
        return TFormatArg{std::string(std::string_view(v))};
    }
}

template <class... A>
std::string FormatDot(std::string_view format, const A&... args) {
    if constexpr (sizeof...(A) == 0) {
        return FormatDotV(format, {});
    } else {
        const TFormatArg list[] = {ToFormatArg(args)...};
        return FormatDotV(format, list);
    }
}

}  // namespace vt
