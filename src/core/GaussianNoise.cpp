#include "core/GaussianNoise.h"

#include <array>
#include <cstddef>

namespace vt {

namespace {

// Phi(0.2 i), the standard normal distribution, to five decimals; the last entry closes the table.
constexpr std::array<double, 21> kGaussTable = {
    0.5,     0.57926, 0.65542, 0.72575, 0.78814, 0.84134, 0.88493, 0.91924, 0.94520, 0.96407, 0.97725,
    0.98610, 0.99180, 0.99534, 0.99744, 0.99865, 0.99931, 0.99966, 0.99984, 0.99993, 1.0};

// The signed normal value of one 15-bit draw, by the table search.
double NormalOfDraw(unsigned draw) {
    double u = static_cast<double>(draw) / 32768.0;
    double sign = 1;
    if (u < 0.5) {
        sign = -1;
        u += 0.5;
    }
    std::size_t i = 1;
    while (i < 20 && kGaussTable[i] < u) ++i;
    const double z = 0.2 * (static_cast<double>(i) - (kGaussTable[i] - u) / (kGaussTable[i] - kGaussTable[i - 1]));
    return sign * z;
}

// A draw has only 32768 values: the simulator's hot loop looks them up instead of searching. The
// sign is exact, so sign x z x spread gives the same double either way.
struct TNormalTable {
    std::array<double, 32768> Values{};
    TNormalTable() {
        for (unsigned d = 0; d < Values.size(); ++d) Values[d] = NormalOfDraw(d);
    }
};

const TNormalTable& NormalTable() {
    static const TNormalTable table;
    return table;
}

}  // namespace

TGaussianRandom::TGaussianRandom() : Table_(NormalTable().Values.data()) {}

}  // namespace vt
