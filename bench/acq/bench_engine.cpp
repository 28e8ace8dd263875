// The acquisition engine without Qt: 4096-point shared passes streamed from the fake instrument over
// loopback in 16 KB chunks into the records, per acquisition mode; and the stream reader alone on
// words from memory, per store mode. The engine's waits run on a clock that jumps past them.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "acq/AcqSettings.h"
#include "acq/SignalAcq.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "support/FakeInstrument.h"

namespace {

using namespace vt;

// Every look moves the clock on, so that no wait after a start is ever pending.
class TJumpingClock final : public TLinkClock {
public:
    std::int64_t NowMs() override { return Now += 1000; }
    void SleepMs(int) override {}
    std::int64_t Now = 0;
};

// The same shared 4096-point record from memory on every read.
class TMemoryWords final : public TAcqWordSource {
public:
    TMemoryWords() {
        for (int i = 0; i < 4096 * 2; ++i) Words.push_back(static_cast<std::uint16_t>((i * 37) % 16000));
        Words.push_back(EndOfAcquisitionWord);
    }
    bool ReadAcqWords(const std::uint16_t*& words, std::uint16_t& count) override {
        words = Words.data();
        count = static_cast<std::uint16_t>(Words.size());
        return true;
    }
    std::vector<std::uint16_t> Words;
};

struct TEngine {
    TEngine() {
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        Acq.FillRows(Shell);
    }
    void Start(int mode, TLinkTiming timing) {
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(timing)));
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Identity)));
        Acq.AttachToProgram(Shell);
        Acq.SetClock(&Clock);
        RegisterAllCommandHandlers(Shell);
        static const char* const Modes[] = {"SAMPLE", "AVGSTAB", "", "", "ENVMINMAX"};
        Shell.ExecuteCommandString(std::string("ACQ:SAMPL SIMULT;:ACQ:CH1:RECLEN 4096;:ACQ:CH1:MODE ") + Modes[mode]);
        Shell.ExecuteCommandString("ACQ:CH1:NAVG 4096;:ACQ:CH1:NENV 8192");
        Shell.Records()->SignalsOn().SetOn(ssCh1, true);
        Shell.Records()->SignalsOn().SetOn(ssCh2, true);
        Shell.AcqEnabled = true;
        Shell.RunOn = true;
    }
    // Steps until n more passes have ended; false when the link failed.
    bool Passes(int n) {
        for (int ended = 0; ended < n;) {
            const bool reading = Acq.AcqReading();
            Acq.AcquisitionIdleStep();
            if (Shell.Link()->CommErrorFlag()) return false;
            if (reading && !Acq.AcqReading()) ++ended;
        }
        return true;
    }

    TShell Shell;
    TSignalAcq Acq;
    TJumpingClock Clock;
    TInstrumentIdentity Identity;
};

void BM_EngineFromFakeInstrument(benchmark::State& state) {
    test::TFakeInstrument fake(0, 16384);
    TEngine e;
    TLinkTiming timing;
    timing.TcpPort = fake.Port();
    timing.TcpPreConnectWaitMs = 0;
    e.Start(static_cast<int>(state.range(0)), timing);
    TIpAddress loopback;
    loopback.Valid = 1;
    loopback.Bytes[0] = 127, loopback.Bytes[1] = 0, loopback.Bytes[2] = 0, loopback.Bytes[3] = 1;
    if (!e.Shell.Link()->OpenInstrumentLink(false, loopback)) {
        state.SkipWithError("cannot connect to the fake instrument");
        return;
    }
    e.Shell.Senders()->ClearCommandCache();
    std::int64_t words = 0;
    for (auto _ : state) {
        if (!e.Passes(20)) {
            state.SkipWithError("link failed");
            return;
        }
        words += 20 * 4096 * 2;
    }
    state.counters["words/s"] = benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EngineFromFakeInstrument)->Arg(amSample)->Arg(amAvgStab)->Arg(amEnvMinMax)->Unit(benchmark::kMillisecond);

void BM_ReadAcqStreamFromMemory(benchmark::State& state) {
    TEngine e;
    TMemoryWords memory;
    e.Acq.SetWordSources(&memory, &memory);
    e.Start(static_cast<int>(state.range(0)), TLinkTiming{});
    std::int64_t words = 0;
    for (auto _ : state) {
        e.Passes(10);
        words += 10 * 4096 * 2;
    }
    state.counters["words/s"] = benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadAcqStreamFromMemory)->Arg(amSample)->Arg(amAvgStab)->Arg(amEnvMinMax)->Unit(benchmark::kMicrosecond);

}  // namespace
