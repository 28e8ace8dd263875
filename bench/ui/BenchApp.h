#pragma once
// The one application object of the user-interface benchmarks, offscreen: the program's own, made by
// the benchmarks' main.
#include <QApplication>

#include "ui/VeltraneApplication.h"

namespace vt {

inline TVeltraneApplication& BenchApp() {
    return *static_cast<TVeltraneApplication*>(QCoreApplication::instance());
}

}  // namespace vt
