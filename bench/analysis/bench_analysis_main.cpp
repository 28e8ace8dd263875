// The analysis benchmarks' main: the histogram readouts draw text on the strip, which needs the
// GUI application; it lives in main, so that it ends before Qt's own static objects do.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
