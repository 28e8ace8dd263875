#include "core/BitRates.h"

#include <algorithm>
#include <cmath>

#include "core/EngineeringText.h"
#include "core/InternalError.h"

namespace vt {

namespace {

constexpr double StandardRates[] = {
    1.544e6,    2.048e6,    3.152e6,     6.312e6,    8.448e6,    34.368e6,    44.736e6,    51.84e6,
    125e6,      132.813e6,  139.264e6,   155.52e6,   265.625e6,  393.22e6,    466.56e6,    480e6,
    531.25e6,   622.08e6,   786.43e6,    933.12e6,   1.0625e9,   1.24416e9,   1.25e9,      1.5e9,
    1.5729e9,   1.86625e9,  2.125e9,     2.1231e9,   2.48832e9,  2.5e9,       2.66606e9,   3e9,
    3.125e9,    3.187e9,    3.32e9,      4.25e9,     5e9,        8.5e9,       9.95328e9,   10.3125e9,
    10.51875e9, 10.6642e9,  10.709e9,    11.0957e9,  12.2495e9,  19.90656e9,  39.81312e9,  42.65691e9,
    43.01841e9,
};

// Engineering text with 7 significant digits: six cut "10.51875 G" to "10.5188 G", and the short
// names are command and setup values that must keep every digit.
constexpr int NameDigits = 7;
constexpr int ExponentMode = 3;

}  // namespace

TBitRateValue::TBitRateValue() {
    for (const double rate : StandardRates) {
        // "1.544 M": the mantissa without trailing zeros, a blank, the prefix letter.
        const std::string eng = FloatToEngStr(ExponentMode, NameDigits, false, false, rate);
        const std::size_t blank = eng.find(' ');
        const std::string mantissa = eng.substr(0, blank);
        const std::string prefix = blank == std::string::npos ? std::string() : eng.substr(blank + 1);
        std::string shortName = mantissa;
        if (const std::size_t point = shortName.find('.'); point != std::string::npos) {
            shortName.replace(point, 1, prefix);
        } else {
            shortName += prefix;
        }
        if (shortName.size() < 5) shortName += "000";
        Rates_.push_back({rate, shortName, mantissa + " " + prefix + "b/s"});
    }
}

const TBitRateValue::TEntry& TBitRateValue::Entry(int i) const {
    if (i < 0 || i >= Count()) VT_INTERNAL_ERROR("BitRates", "Bit rate index out of range");
    return Rates_[static_cast<std::size_t>(i)];
}

double TBitRateValue::GetRate(int i) const { return Entry(i).Rate; }
const std::string& TBitRateValue::ShortName(int i) const { return Entry(i).ShortName; }
const std::string& TBitRateValue::LongName(int i) const { return Entry(i).LongName; }

std::string TBitRateValue::GetListText() const {
    std::string text;
    for (const TEntry& e : Rates_) text += (text.empty() ? "" : ",") + e.ShortName;
    return text;
}

std::string TBitRateValue::LongNameListText() const {
    std::string text;
    for (const TEntry& e : Rates_) text += (text.empty() ? "\"" : ",\"") + e.LongName + "\"";
    return text;
}

const TBitRateValue& StandardBitRates() {
    static const TBitRateValue table;
    return table;
}

bool SameBitRate(double a, double b) {
    constexpr double Tolerance = 1e-6;
    return std::fabs(a - b) <= Tolerance * std::max(std::fabs(a), std::fabs(b));
}

}  // namespace vt
