// Recalling a setup: a 2,000-line settings list through LoadAllSettings (lookup, parse, set, undo
// record), alternating two setups so that every recall changes every value. Aim: far below a frame.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/CommandTree.h"
#include "core/UndoBuffer.h"

namespace {

constexpr int Nodes = 40;
constexpr int PerNode = 50;  // 2,000 settings

void RegisterSettings(vt::TSpider& root) {
    for (int n = 0; n < Nodes; ++n) {
        const std::string node = "Feature" + std::to_string(n) + ":";
        for (int i = 0; i < PerNode; ++i) {
            const std::string path = node + "Set" + std::to_string(i);
            switch (i % 5) {
                case 0: root.AddRadioHandler(path, {.Items = "Off,Low,Mid,High,Auto"}); break;
                case 1: root.AddOnOffHandler(path, {}); break;
                case 2:
                    root.AddIntEditHandler(path, {.Initial = 1, .Config = {.Minimum = 1, .Maximum = 65536,
                                                                           .Units = "pts"}});
                    break;
                case 3:
                    root.AddDoubleEditHandler(path, {.Initial = 1e-9,
                                                     .Config = {.Minimum = 1e-12, .Maximum = 1, .Resolution = 1e-15,
                                                                .Units = "s", .FormatMode = 3, .Digits = 4}});
                    break;
                default: root.AddCheckHandler(path, {.Items = "A,B,C,D,E,F"}); break;
            }
        }
    }
}

std::vector<std::string> MakeSetup(int variant) {
    std::vector<std::string> lines;
    for (int n = 0; n < Nodes; ++n) {
        for (int i = 0; i < PerNode; ++i) {
            std::string line = "FEATURE" + std::to_string(n) + ":SET" + std::to_string(i) + " ";
            switch (i % 5) {
                case 0: line += variant ? "HIGH" : "LOW"; break;
                case 1: line += variant ? "ON" : "OFF"; break;
                case 2: line += std::to_string(100 + i + variant) + " (pts)"; break;
                case 3: line += variant ? "2.5 n(s)" : "125 p(s)"; break;
                default: line += variant ? "A,C,E" : "B,D"; break;
            }
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

void BM_LoadAllSettings2000(benchmark::State& state) {
    auto tree = vt::CreateCommandTree();
    RegisterSettings(tree->Root());
    vt::TUndoBuffer undo;
    undo.SetEnabled(true);
    tree->SetUndoBuffer(&undo);
    const std::vector<std::string> setups[2] = {MakeSetup(0), MakeSetup(1)};
    int which = 0;
    for (auto _ : state) {
        undo.BeginStep();  // a recall is one undo step
        benchmark::DoNotOptimize(tree->Root().LoadAllSettings(setups[which]));
        which ^= 1;
    }
    state.SetItemsProcessed(state.iterations() * Nodes * PerNode);
}
BENCHMARK(BM_LoadAllSettings2000)->Unit(benchmark::kMillisecond);

void BM_SaveAllSettings2000(benchmark::State& state) {
    auto tree = vt::CreateCommandTree();
    RegisterSettings(tree->Root());
    for (auto _ : state) {
        std::vector<std::string> lines;
        lines.reserve(Nodes * PerNode);
        tree->Root().SaveAllSettings(lines);
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_SaveAllSettings2000)->Unit(benchmark::kMillisecond);

}  // namespace
