// Reading the sample stream over loopback: 1,000 acquisitions of 4,096 points from the fake
// instrument, in chunks of the size given, as the acquisition engine reads them.
#include <benchmark/benchmark.h>

#include <string>

#include "link/InstrumentLink.h"
#include "support/FakeInstrument.h"

namespace {

void BM_StreamOf1000Acquisitions(benchmark::State& state) {
    vt::test::TFakeInstrument fake(0, static_cast<std::size_t>(state.range(0)));
    vt::TLinkTiming timing;
    timing.TcpPort = fake.Port();
    timing.TcpPreConnectWaitMs = 0;
    vt::TInstrumentLink link(timing);
    struct TSettings : vt::TLinkAcquisition {
        explicit TSettings(vt::TInstrumentLink& l) : Link(l) {}
        void SendAcquisitionSettings(std::uint8_t, std::uint16_t len, std::uint16_t, double) override {
            Link.SendCommand("Acq:Channels Ch1", true);
            Link.SendCommand("Acq:RecLen " + std::to_string(len), true);
        }
        vt::TInstrumentLink& Link;
    } settings(link);
    link.SetAcquisition(&settings);
    vt::TIpAddress loopback;
    loopback.Valid = 1;
    loopback.Bytes[0] = 127, loopback.Bytes[1] = 0, loopback.Bytes[2] = 0, loopback.Bytes[3] = 1;
    if (!link.OpenInstrumentLink(false, loopback)) {
        state.SkipWithError("cannot connect to the fake instrument");
        return;
    }
    std::int64_t words = 0;
    std::int64_t checksum = 0;
    for (auto _ : state) {
        for (int acq = 0; acq < 1000; ++acq) {
            link.StartAcquisition(2, 4096, 1, 0, true);
            bool ended = false;
            for (int reads = 0; reads < 100000 && !ended; ++reads) {
                const std::uint16_t* block = nullptr;
                std::uint16_t n = 0;
                if (!link.ReadBinaryBlock(block, n, false)) {
                    state.SkipWithError("stream read failed");
                    return;
                }
                for (std::uint16_t i = 0; i < n; ++i) {
                    if (block[i] == vt::EndOfAcquisitionWord) {
                        ended = true;
                        break;
                    }
                    checksum += block[i];
                    ++words;
                }
            }
            link.SetAcquisitionRunning(false);
        }
    }
    benchmark::DoNotOptimize(checksum);
    state.counters["words/s"] = benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_StreamOf1000Acquisitions)->Arg(1024)->Arg(16384)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
