#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "acq/SaveRecall.h"
#include "acq/SignalSources.h"
#include "acq/WaveformDatabase.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "core/TextFiles.h"
#include "core/UndoBuffer.h"

using namespace vt;
namespace fs = std::filesystem;

namespace {

constexpr int SetupLines = 2000;

// A context with 2,000 saveable settings and a setup file of them all.
struct TSetupRig {
    TSetupRig() {
        Folder = fs::temp_directory_path() / ("vt_bench_setup_" + std::to_string(::getpid()));
        fs::create_directories(Folder);
        Shell.Folders = InitInstallFolders(Folder);
        Shell.SetCommandTree(CreateCommandTree());
        for (int i = 0; i < SetupLines; ++i)
            Shell.CommandTree()->Root().AddRadioHandler("Bench:Group" + std::to_string(i / 50) + ":S" + std::to_string(i),
                                                        {.Items = "Alpha,Beta,Gamma"});
        Shell.SetUndoBuffer(std::make_unique<TUndoBuffer>());
        Shell.UndoBuffer()->SetEnabled(true);
        Path = (Folder / "bench.set").string();
        SaveSetupFile(Shell, Path, false);
    }
    ~TSetupRig() {
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
    fs::path Folder;
    std::string Path;
    TShell Shell;
};

// Read, check, one undo step and the load of every line: under 5 ms.
void BM_RecallSetupFile(benchmark::State& state) {
    TSetupRig rig;
    for (auto _ : state) benchmark::DoNotOptimize(RecallSetupFile(rig.Shell, rig.Path, false));
}
BENCHMARK(BM_RecallSetupFile)->Unit(benchmark::kMillisecond);

// One housekeeping pass over the four memories when none of their settings changed.
void BM_UpdateMemorySignalsUnchanged(benchmark::State& state) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TSaveRecallFeature feature;
    feature.FillRows(shell);
    RegisterAllCommandHandlers(shell);
    shell.ExecuteCommandString("Save:Memo:On M1,M2,M3,M4");
    TSaveRecall& save = *shell.SaveRecall();
    save.UpdateMemorySignals();
    for (auto _ : state) save.UpdateMemorySignals();
}
BENCHMARK(BM_UpdateMemorySignalsUnchanged);

// The whole ".cgs" record written to a file, and read back and checked: under 100 ms each.
void BM_DatabaseSave(benchmark::State& state) {
    TSetupRig rig;
    TWaveDatabase db;
    db.Start(2, 0.1, 0.2);
    for (int i = 0; i < 100; ++i) db.Add(512);
    const fs::path path = rig.Folder / "bench.cgs";
    for (auto _ : state) WriteFileAtomic(path, db.Serialize());
}
BENCHMARK(BM_DatabaseSave)->Unit(benchmark::kMillisecond);

void BM_DatabaseLoad(benchmark::State& state) {
    TSetupRig rig;
    TWaveDatabase db;
    db.Start(2, 0.1, 0.2);
    const fs::path path = rig.Folder / "bench.cgs";
    WriteFileAtomic(path, db.Serialize());
    for (auto _ : state) benchmark::DoNotOptimize(db.Parse(ReadFileBytes(path)));
}
BENCHMARK(BM_DatabaseLoad)->Unit(benchmark::kMillisecond);

}  // namespace
