#pragma once
// Shared pieces of the link tests: a clock that never sleeps, a link aimed at the fake instrument.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "link/PriborInterface.h"
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

inline TLinkTiming FastTiming(int port) {
    TLinkTiming t;
    t.TcpPort = port;
    t.TcpConnectWaitMs = 2000;
    t.TcpReplyTimeoutMs = 300;
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

// A loopback port that refuses connections: bound, never listening, held for the test's life.
class TRefusingPort {
public:
    TRefusingPort() {
        Fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(Fd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        socklen_t len = sizeof sa;
        ::getsockname(Fd_, reinterpret_cast<sockaddr*>(&sa), &len);
        Port_ = ntohs(sa.sin_port);
    }
    ~TRefusingPort() { ::close(Fd_); }
    int Port() const { return Port_; }

private:
    int Fd_ = -1;
    int Port_ = 0;
};

// A link connected to a fresh fake instrument over loopback.
struct TLinkOnFake {
    explicit TLinkOnFake(std::size_t chunkBytes = 1024) : Fake(0, chunkBytes), Link(FastTiming(Fake.Port()), &Clock) {}
    bool Open() { return Link.OpenInstrumentLink(false, Loopback()); }

    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    TInstrumentLink Link;
};

}  // namespace vt::test
