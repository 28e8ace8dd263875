#pragma once
// The standard bit rates of serial links: the timebase's bit-rate list and the simulated generators'
// standard frequencies read the same table.
#include <string>
#include <vector>

namespace vt {

class TBitRateValue {
public:
    static constexpr int MaxCount = 64;

    // The 49 standard rates, in the order of the lists that show them.
    TBitRateValue();

    int Count() const { return static_cast<int>(Rates_.size()); }
    // The rate of entry i in bit/s; an index outside the table is an internal error.
    double GetRate(int i) const;
    // "1M544", the name commands and setups use.
    const std::string& ShortName(int i) const;
    // "1.544 Mb/s", the name the lists show.
    const std::string& LongName(int i) const;
    // The short names joined by ",".
    std::string GetListText() const;
    // The long names, each in double quotes, joined by ",".
    std::string LongNameListText() const;

private:
    struct TEntry {
        double Rate;
        std::string ShortName;
        std::string LongName;
    };
    const TEntry& Entry(int i) const;

    std::vector<TEntry> Rates_;
};

// The one table of the program; it never changes.
const TBitRateValue& StandardBitRates();

// Two bit rates a part per million apart or closer are one rate: a rate read back from its bit
// period, or typed with fewer digits, is not a rate of its own.
bool SameBitRate(double a, double b);

}  // namespace vt
