// The automation server over loopback: pipelined throughput on one connection, the memory it keeps
// over many requests, and how long a second client waits while the first floods.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "BenchApp.h"
#include "core/CommandService.h"
#include "core/CommandTree.h"
#include "ui/AutomationServer.h"

namespace vt {
namespace {

int Connect(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

// Sends what the socket takes and reads what has come, counting line ends; the server runs between.
struct TPipe {
    explicit TPipe(int fd) : Fd(fd) {}
    int Fd;
    std::string Out;
    std::size_t Lines = 0;
    void Pump() {
        if (!Out.empty()) {
            const ssize_t n = ::send(Fd, Out.data(), Out.size(), MSG_NOSIGNAL);
            if (n > 0) Out.erase(0, static_cast<std::size_t>(n));
        }
        char chunk[65536];
        for (ssize_t n; (n = ::recv(Fd, chunk, sizeof chunk, 0)) > 0;)
            for (ssize_t i = 0; i < n; ++i) Lines += chunk[i] == '\n';
        QCoreApplication::processEvents();
    }
};

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

struct TServer {
    TServer() {
        BenchApp();
        Server.Listen(0);
    }
    std::unique_ptr<TCommandTree> Tree = CreateCommandTree();
    TCOMRC Service{*Tree};
    TAutomationServer Server{Service};
};

void BM_PipelinedRequestsOnOneConnection(benchmark::State& state) {
    TServer s;
    TPipe c(Connect(s.Server.Port()));
    const std::size_t batch = 1000;
    std::string requests;
    for (std::size_t i = 0; i < batch; ++i) requests += "HEADER?\n";
    std::size_t expected = 0;
    const long before = ResidentKiB();
    for (auto _ : state) {
        c.Out += requests;
        expected += batch;
        while (c.Lines < expected) c.Pump();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(expected));
    state.counters["rss_growth_KiB"] = static_cast<double>(ResidentKiB() - before);
    ::close(c.Fd);
}
// 100 iterations of 1000: memory is measured over 100,000 requests.
BENCHMARK(BM_PipelinedRequestsOnOneConnection)->Iterations(100)->Unit(benchmark::kMillisecond);

void BM_SecondClientWhileOneFloods(benchmark::State& state) {
    TServer s;
    TPipe flood(Connect(s.Server.Port()));
    TPipe one(Connect(s.Server.Port()));
    std::string requests;
    for (int i = 0; i < 2000; ++i) requests += "HEADER?\n";
    for (auto _ : state) {
        // The flood always has thousands of lines waiting.
        flood.Out += requests;
        flood.Pump();
        one.Out += "HEADER?\n";
        const std::size_t want = one.Lines + 1;
        QElapsedTimer waited;
        waited.start();
        while (one.Lines < want) {
            one.Pump();
            flood.Pump();
        }
        state.SetIterationTime(static_cast<double>(waited.nsecsElapsed()) * 1e-9);
    }
    ::close(flood.Fd);
    ::close(one.Fd);
}
BENCHMARK(BM_SecondClientWhileOneFloods)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vt
