#pragma once
// What the display benchmarks share: the GUI application their fonts need, offscreen, and a window
// sink that only counts the copies.
#include <QGuiApplication>
#include <cstdint>
#include <memory>

#include "display/DrawingSurfaces.h"

namespace vt::bench {

inline void EnsureGuiApplication() {
    static std::unique_ptr<QGuiApplication> app;
    if (app) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_display";
    static char* argv[] = {name, nullptr};
    app = std::make_unique<QGuiApplication>(argc, argv);
}

struct TCountingSink : TScreenSink {
    void CopyToWindow(const TScanLinesScreen&, const TPixelRect&) override { ++Copies; }
    std::int64_t Copies = 0;
};

}  // namespace vt::bench
