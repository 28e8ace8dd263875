#include "core/EngineeringText.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "core/DotNumberText.h"
#include "core/Numeric.h"

namespace vt {

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

}  // namespace vt
