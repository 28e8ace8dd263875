// The demo simulator read through the acquisition's word source, as the engine reads it: whole
// records of simulated points, and the 125 polls of one idle step at the slowest settings.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "core/CommandTree.h"
#include "core/Shell.h"
#include "link/DemoSimulator.h"
#include "link/UtilSettings.h"

namespace {

struct TDemo {
    TDemo() {
        Shell.SetCommandTree(vt::CreateCommandTree());
        Shell.SetSimulator(vt::MakeOwnedPart(std::make_unique<vt::TTutorial>(Shell)));
        vt::CreateUtilHandlers(Shell);
    }
    vt::TTutorial& Sim() { return *Shell.Simulator(); }
    // Both channels on one kind of generator A.
    void Setup(const std::string& waveform, const std::string& circuit, int averages, std::uint16_t length) {
        const std::string commands[] = {"GSS:Ch1 A", "GSS:Ch2 A", "GSS:A:Waweform " + waveform,
                                        "GSS:A:TDRCircuit " + circuit, "GSS:A:Noise 0.01", "GSS:A:Frequency 1e9"};
        for (const std::string& c : commands) Shell.ExecuteCommandString(c);
        Sim().SetChannels(vt::chCodeBoth);
        Sim().SetRecordLength(length);
        Sim().SetAverages(static_cast<std::uint16_t>(averages));
        Sim().SetTimeDiv(1e-8);
    }
    // One record read to its end word; returns the words read.
    std::size_t Record() {
        Sim().DemoStartAcquisition();
        std::size_t words = 0;
        for (;;) {
            const std::uint16_t* w = nullptr;
            std::uint16_t count = 0;
            Sim().ReadAcqWords(w, count);
            words += count;
            if (count > 0 && w[count - 1] == vt::TTutorial::EndOfRecord) break;
        }
        Sim().SetAcquisitionRunning(false);
        return words - 1;
    }
    vt::TShell Shell;
};

const char* const Kinds[] = {"PRBS", "Sinewave", "Pulse", "TDR"};

// A 4,096-point two-channel record; items are points (one word of one channel).
void BM_DemoRecord(benchmark::State& state) {
    TDemo demo;
    demo.Setup(Kinds[state.range(0)], "Cx", static_cast<int>(state.range(1)), 4096);
    std::size_t points = 0;
    for (auto _ : state) points += demo.Record();
    state.SetItemsProcessed(static_cast<std::int64_t>(points));
    state.SetLabel(Kinds[state.range(0)]);
}
BENCHMARK(BM_DemoRecord)->Args({0, 1})->Args({1, 1})->Args({2, 1})->Args({3, 1})->Args({1, 64})->Args({2, 64})->Args({3, 64});

// Every idle step's read (125 polls) of a whole record at 64 averages, each timed by hand: the
// slowest must stay far below the 5 ms an idle step may take.
void BM_DemoIdleStepRead(benchmark::State& state) {
    TDemo demo;
    demo.Setup(Kinds[state.range(0)], "Cx", 64, 4096);
    double worst = 0;
    for (auto _ : state) {
        demo.Sim().DemoStartAcquisition();
        for (bool end = false; !end;) {
            const std::uint16_t* w = nullptr;
            std::uint16_t count = 0;
            const auto start = std::chrono::steady_clock::now();
            demo.Sim().ReadAcqWords(w, count);
            worst = std::max(worst, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            end = count > 0 && w[count - 1] == vt::TTutorial::EndOfRecord;
        }
        demo.Sim().SetAcquisitionRunning(false);
    }
    state.counters["worst_step_ms"] = worst * 1e3;
    state.SetLabel(Kinds[state.range(0)]);
}
BENCHMARK(BM_DemoIdleStepRead)->DenseRange(0, 3)->Iterations(2);

}  // namespace
