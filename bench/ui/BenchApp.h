#pragma once
// The one application object of the user-interface benchmarks, offscreen.
#include <QApplication>
#include <cstdlib>

namespace vt {

inline QApplication& BenchApp() {
    static int argc = 1;
    static char name[] = "bench_ui";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

}  // namespace vt
