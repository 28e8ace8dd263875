#pragma once
// Decibels of amplitude (20 log10) and of power (10 log10), and back.

namespace vt {

double FromDb(double x);       // 10^(x/20)
double FromDbPower(double x);  // 10^(x/10)
double Db20(double x);         // 20 log10 x; -4000 below 1e-200
double Db10(double x);         // 10 log10 x

}  // namespace vt
