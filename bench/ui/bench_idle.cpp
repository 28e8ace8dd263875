// The program at rest and acquiring in demo mode, offscreen: the processor time the program takes
// over 10 s with nothing to acquire (demo with Run off, and "Absent"), the longest time between
// idle steps while the demo runs, and the processor time and paints of one acquisition pass. Each benchmark starts the program anew on the benchmarks' one
// application object.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "BenchApp.h"
#include "acq/SignalAcq.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "program/ProgramLife.h"
#include "ui/MainBlock.h"
#include "ui/FramePacedUpdates.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/UserDialogs.h"
#include "ui/VeltraneApplication.h"

namespace {

using namespace vt;

// Every question is answered No and every dialog cancelled: nothing may wait for a person.
class TQuietDialogs final : public TUserDialogs {
public:
    TDialogAnswer AskErrorYesNo(QWidget*, const QString&) override { return TDialogAnswer::No; }
    TDialogAnswer AskYesNoCancel(QWidget*, const QString&) override { return TDialogAnswer::No; }
    void ShowError(QWidget*, const QString&) override {}
    void ShowMessage(QWidget*, const QString&) override {}
    bool ExecSaveDialog(QWidget*, TSaveDialogRequest&) override { return false; }
};

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Starts the program on the instrument choice; once the instrument is started, `started` runs and
// returns how long to wait (ms) before `done` runs; then the window closes.
void RunProgram(const std::string& instrument, const std::function<void(TShell&, TProgramLife&)>& started,
                int waitMs, const std::function<void(TShell&)>& done) {
    TVeltraneApplication& app = BenchApp();
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "vt_bench_idle";
    std::filesystem::create_directories(home);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    TShell shell;
    TProgramLife life(shell);
    TQuietDialogs dialogs;
    TProgramFeatures features(shell, life, dialogs, {instrument}, 0);
    bool begun = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (begun || !shell.AcqEnabled) return;
        begun = true;
        poll.stop();
        started(shell, life);
        QTimer::singleShot(waitMs, [&] {
            done(shell);
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = dynamic_cast<TMorda_fr*>(w)) m->close();
        });
    });
    poll.start(20);
    RunMainBlock(app, shell, life, {"--home", home.string(), instrument}, dialogs);
}

void IdleLoad(benchmark::State& state, const std::string& instrument) {
    double percent = 0;
    for (auto _ : state) {
        double cpu0 = 0;
        QElapsedTimer wall;
        RunProgram(
            instrument,
            [&](TShell& shell, TProgramLife&) {
                shell.ExecuteCommandString("*StopSingle Stop");
                cpu0 = ProcessCpuSeconds();
                wall.start();
            },
            10000, [&](TShell&) { percent = 100 * (ProcessCpuSeconds() - cpu0) / (wall.elapsed() / 1000.0); });
    }
    state.counters["cpu%"] = percent;
}

void BM_IdleDemoRunOff(benchmark::State& state) { IdleLoad(state, "Default_Demo"); }
void BM_IdleAbsent(benchmark::State& state) { IdleLoad(state, "Absent"); }
BENCHMARK(BM_IdleDemoRunOff)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_IdleAbsent)->Iterations(1)->Unit(benchmark::kSecond);

// The longest time between two idle steps of the running demo over 5 s: a repaint waits at most
// that long.
void BM_DemoRunningIdleGap(benchmark::State& state) {
    double longest = 0;
    std::int64_t steps = 0;
    for (auto _ : state) {
        QElapsedTimer since;
        RunProgram(
            "Default_Demo",
            [&](TShell& shell, TProgramLife&) {
                auto step = shell.AcquisitionIdleStep;
                shell.AcquisitionIdleStep = [&, step](TShell& s) {
                    if (since.isValid()) longest = std::max(longest, static_cast<double>(since.elapsed()));
                    const bool busy = step(s);
                    since.start();
                    ++steps;
                    return busy;
                };
            },
            5000, [](TShell&) {});
    }
    state.counters["longest_ms"] = longest;
    state.counters["idle_steps"] = static_cast<double>(steps);
}
BENCHMARK(BM_DemoRunningIdleGap)->Iterations(1)->Unit(benchmark::kSecond);

TMorda_fr* MainWindowShown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = dynamic_cast<TMorda_fr*>(w)) return m;
    return nullptr;
}

std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An event stamped when another thread posted it, as a click or a request arrives from outside.
class TStampedEvent : public QEvent {
public:
    static QEvent::Type Kind() {
        static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
        return kind;
    }
    explicit TStampedEvent(std::int64_t ns) : QEvent(Kind()), PostedNs(ns) {}
    std::int64_t PostedNs;
};

// Where the stamped events arrive and their waits are noted: a measuring probe, standing in for no
// class of the program.
class TLatencyProbe : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != TStampedEvent::Kind()) return QObject::event(e);
        DelaysMs.push_back(static_cast<double>(SteadyNs() - static_cast<TStampedEvent*>(e)->PostedNs) * 1e-6);
        return true;
    }
    std::vector<double> DelaysMs;
};

// The running demo for 3 s while another thread posts an event every 2 ms: how long an event from
// outside waits for the main loop (the longest and the 99th percentile), against the idle slice;
// and how many idle steps each turn of the loop runs.
void BM_DemoEventLatency(benchmark::State& state) {
    double longest = 0, p99 = 0, stepsPerTurn = 0;
    std::size_t events = 0;
    for (auto _ : state) {
        TLatencyProbe probe;
        std::atomic<bool> posting{false}, stop{false};
        std::thread poster([&] {
            while (!stop) {
                if (posting) QCoreApplication::postEvent(&probe, new TStampedEvent(SteadyNs()));
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        std::int64_t turns0 = 0, steps0 = 0;
        RunProgram(
            "Default_Demo",
            [&](TShell&, TProgramLife&) {
                if (TMorda_fr* m = MainWindowShown()) turns0 = m->IdleDriver().Turns(), steps0 = m->IdleDriver().Steps();
                posting = true;
            },
            3000, [&](TShell&) {
                posting = false;
                if (TMorda_fr* m = MainWindowShown()) {
                    const auto turns = m->IdleDriver().Turns() - turns0;
                    if (turns > 0)
                        stepsPerTurn = static_cast<double>(m->IdleDriver().Steps() - steps0) / static_cast<double>(turns);
                }
            });
        stop = true;
        poster.join();
        QCoreApplication::removePostedEvents(&probe);
        std::vector<double>& d = probe.DelaysMs;
        events = d.size();
        if (d.empty()) {
            state.SkipWithError("no event was delivered");
            break;
        }
        std::sort(d.begin(), d.end());
        longest = d.back();
        p99 = d[d.size() * 99 / 100];
    }
    state.counters["longest_ms"] = longest;
    state.counters["p99_ms"] = p99;
    state.counters["slice_ms"] = static_cast<double>(TIdleDriver::SliceNs) * 1e-6;
    state.counters["events"] = static_cast<double>(events);
    state.counters["idle_steps_per_turn"] = stepsPerTurn;
}
BENCHMARK(BM_DemoEventLatency)->Iterations(1)->Unit(benchmark::kSecond);

// Paint events of the widgets that show the screens: the display panel and the host of the hints.
class TPaintCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++(watched->objectName() == QLatin1String("DisplayPanel") ? Panel : Host);
        return false;
    }
    std::int64_t Panel = 0;
    std::int64_t Host = 0;
};

// The running demo with nothing else on for 3 s: the processor time of one acquisition pass (the
// whole program's, the paints included) and how often the screens are painted per acquisition.
// Target: each widget painted at most once per display frame (1000 / DisplayFrameMs a second).
void BM_DemoAcquisitionPass(benchmark::State& state) {
    double cpuPerPass = 0, paintsPerPass = 0, walksPerPass = 0, passesPerSecond = 0, panelPerSecond = 0, hostPerSecond = 0;
    for (auto _ : state) {
        double cpu0 = 0;
        QElapsedTimer wall;
        std::int64_t passes = 0;
        int lastCycle = 0;
        TPaintCounter counter;
        std::uint64_t walks0 = 0;
        RunProgram(
            "Default_Demo",
            [&](TShell& shell, TProgramLife& life) {
                TSignalAcq* acquisition = nullptr;
                for (TFeature* f : life.Features())
                    if (auto* a = dynamic_cast<TSignalAcq*>(f)) acquisition = a;
                for (QWidget* w : QApplication::allWidgets())
                    if (w->objectName() == QLatin1String("DisplayPanel") || w->objectName() == QLatin1String("ScreenHost"))
                        w->installEventFilter(&counter);
                if (!acquisition) return;
                // The cycle counter goes round 0..9; a step ends at most one cycle.
                lastCycle = acquisition->CycleCounter();
                auto step = shell.AcquisitionIdleStep;
                shell.AcquisitionIdleStep = [&, step, acquisition](TShell& s) {
                    const bool busy = step(s);
                    const int cycle = acquisition->CycleCounter();
                    passes += (cycle - lastCycle + 10) % 10;
                    lastCycle = cycle;
                    return busy;
                };
                cpu0 = ProcessCpuSeconds();
                walks0 = shell.CommandTree()->TreeWalks();
                wall.start();
            },
            3000, [&](TShell& shell) {
                const double cpu = ProcessCpuSeconds() - cpu0;
                const auto walks = static_cast<double>(shell.CommandTree()->TreeWalks() - walks0);
                const double seconds = wall.elapsed() / 1000.0;
                if (passes > 0) {
                    cpuPerPass = cpu * 1000 / static_cast<double>(passes);
                    paintsPerPass = static_cast<double>(counter.Panel + counter.Host) / static_cast<double>(passes);
                    walksPerPass = walks / static_cast<double>(passes);
                }
                passesPerSecond = static_cast<double>(passes) / seconds;
                panelPerSecond = static_cast<double>(counter.Panel) / seconds;
                hostPerSecond = static_cast<double>(counter.Host) / seconds;
            });
        if (passes == 0) state.SkipWithError("the demo acquired nothing");
    }
    state.counters["cpu_ms_per_acq"] = cpuPerPass;
    state.counters["paints_per_acq"] = paintsPerPass;
    // Settings looked up in the command tree rather than answered from what was kept.
    state.counters["tree_walks_per_acq"] = walksPerPass;
    state.counters["acq_per_s"] = passesPerSecond;
    state.counters["panel_paints_per_s"] = panelPerSecond;
    state.counters["host_paints_per_s"] = hostPerSecond;
}
BENCHMARK(BM_DemoAcquisitionPass)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
