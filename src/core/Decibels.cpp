#include "core/Decibels.h"

#include <cmath>

namespace vt {

double FromDb(double x) { return std::pow(10.0, x / 20); }

double FromDbPower(double x) { return FromDb(2 * x); }

double Db20(double x) {
    if (x < 1e-200) return -4000;
    return 20 * std::log10(x);
}

double Db10(double x) { return Db20(x) / 2; }

}  // namespace vt
