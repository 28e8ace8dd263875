// The user-interface benchmarks' main: the program's own application object lives in main, so that
// every benchmark (the program starts among them) has it and it ends before Qt's static objects do.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "ui/VeltraneApplication.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int appArgc = 1;
    vt::TVeltraneApplication app(appArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
