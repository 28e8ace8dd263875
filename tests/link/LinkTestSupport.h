#pragma once
// What the link tests share: a clock that never sleeps, a link aimed at the fake instrument.
#include <memory>
#include <string>
#include <vector>

#include "link/InstrumentLink.h"
#include "support/FakeInstrument.h"

namespace vt::test {

class TFakeLinkClock final : public TLinkClock {
public:
    std::int64_t NowMs() override { return Now += AutoAdvanceMs; }
    void SleepMs(int ms) override {
        Sleeps.push_back(ms);
        Now += ms;
    }
    std::int64_t Now = 1000000;
    int AutoAdvanceMs = 0;  // time that passes on each look at the clock
    std::vector<int> Sleeps;
};

// The link's texts: every splash status is recorded; the product has the name given.
struct TStatusLog : TLinkTexts {
    void SplashStatus(const std::string& status) override { Status.push_back(status); }
    std::string ProductName() override { return Product; }
    std::vector<std::string> Status;
    std::string Product;
};

inline TLinkTiming FastTiming(int port) {
    TLinkTiming t;
    t.TcpPort = port;
    t.TcpConnectWaitMs = 2000;
    t.TcpReplyTimeoutMs = 500;
    t.TcpProbeTimeoutMs = 300;
    t.TcpBlockWaitMs = 20;
    t.CommErrIdleCalls = 3;
    return t;
}

inline TIpAddress Loopback() {
    TIpAddress a;
    a.Valid = 1;
    a.Bytes[0] = 127;
    a.Bytes[1] = 0;
    a.Bytes[2] = 0;
    a.Bytes[3] = 1;
    return a;
}

// A link connected to a fresh fake instrument over loopback.
struct TLinkOnFake {
    explicit TLinkOnFake(std::size_t chunkBytes = 1024) : Fake(0, chunkBytes), Link(FastTiming(Fake.Port()), &Clock) {}
    bool Open() { return Link.OpenInstrumentLink(false, Loopback()); }

    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    TInstrumentLink Link;
};

}  // namespace vt::test
