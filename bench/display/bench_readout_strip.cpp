// The bottom strip as the eye keeps it: four listed parameters with statistics on, their header and
// names drawn once, then one update of every row per acquisition, as the eye rows write it (latest
// value, count, minimum, maximum, mean, deviation). The count changes with every acquisition; the
// values only when a cycle of the eye ends (every 64th), or, in the second case, every time.
#include <benchmark/benchmark.h>

#include "BenchDisplaySupport.h"

#include <array>
#include <cstdio>
#include <string>

#include "display/BottomReadoutStrip.h"

using namespace vt;

namespace {

constexpr std::int32_t Ch1Colour = 0x00FFFF;

std::string Value(double v, const char* unit) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g %s", v, unit);
    return text;
}

void BM_EyeRowsPerAcquisition(benchmark::State& state) {
    const int valuesEvery = static_cast<int>(state.range(0));
    bench::TCountingSink sink;
    TNizText strip(&sink);
    strip.Resize(7, 35, NizGridWidth, NizHeight);
    strip.Clear();
    const std::array<const char*, 7> headers = {"", "Current", "Count", "Minimum", "Maximum", "Mean", "Std Dev"};
    for (int column = 1; column <= 7; ++column) strip.DelayedTextOut(headers[column - 1], NizCellRect(-1, column), -1, 0xFFFFFF);
    const std::array<const char*, 4> names = {"Eye Height (Ch1)", "Eye Width (Ch1)", "Rise Time (Ch1)", "Crossing, percent (Ch1)"};
    const std::array<const char*, 4> units = {"mV", "ps", "ps", "%"};
    for (int row = 0; row < 4; ++row) strip.DelayedTextOut(names[row], NizCellRect(row, 1), -1, Ch1Colour);
    long long acquisition = 0;
    for (auto _ : state) {
        const long long cycle = acquisition / valuesEvery;
        for (int row = 0; row < 4; ++row) {
            const double v = 100 + 10 * row + 0.37 * static_cast<double>(cycle % 97);
            const auto out = [&](const std::string& text, int column) {
                strip.DelayedTextOut(text, NizCellRect(row, column), -1, Ch1Colour);
            };
            out(Value(v, units[row]), 2);
            out(std::to_string(acquisition % 64 + 1) + " / " + std::to_string(acquisition + 65), 3);
            out(Value(v - 3.1, units[row]), 4);
            out(Value(v + 2.9, units[row]), 5);
            out(Value(v + 0.05, units[row]), 6);
            out(Value(1.234 + 0.01 * static_cast<double>(cycle % 13), units[row]), 7);
        }
        ++acquisition;
    }
    state.SetItemsProcessed(state.iterations());
    benchmark::DoNotOptimize(sink.Copies);
}
// Argument: the acquisitions between new values.
BENCHMARK(BM_EyeRowsPerAcquisition)->Arg(64)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
