#include "link/TcpTransport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace vt {

namespace {

std::int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// poll() on one descriptor, restarted after signals, within one overall limit.
int PollOne(int fd, short events, int timeoutMs) {
    const std::int64_t end = SteadyMs() + (timeoutMs < 0 ? 0 : timeoutMs);
    for (int round = 0; round < 1000; ++round) {
        pollfd p{fd, events, 0};
        const std::int64_t left = end - SteadyMs();
        const int rc = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (rc >= 0) return rc == 0 ? 0 : p.revents;
        if (errno != EINTR) return -1;
    }
    return 0;
}

}  // namespace

TMyTSPIPPribor::TMyTSPIPPribor(std::string address, int port) : Address_(std::move(address)), Port_(port) {}

TMyTSPIPPribor::~TMyTSPIPPribor() { Close(); }

void TMyTSPIPPribor::Close() {
    if (Fd_ >= 0) ::close(Fd_);
    Fd_ = -1;
    Connected_ = false;
}

bool TMyTSPIPPribor::Connect(int waitMs) {
    Close();
    LastError_.clear();
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(Port_));
    if (::inet_pton(AF_INET, Address_.c_str(), &sa.sin_addr) != 1) {
        LastError_ = "invalid address " + Address_;
        return false;
    }
    Fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (Fd_ < 0) {
        LastError_ = std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(Fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int rc = ::connect(Fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (rc != 0 && errno == EINPROGRESS) {
        const int ev = PollOne(Fd_, POLLOUT, waitMs);
        if (ev == 0) {
            LastError_ = "connection not complete in time";
            Close();
            return false;
        }
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(Fd_, SOL_SOCKET, SO_ERROR, &err, &len);
        rc = err == 0 && ev > 0 ? 0 : -1;
        errno = err;
    }
    if (rc != 0) {
        LastError_ = std::strerror(errno);
        Close();
        return false;
    }
    Connected_ = true;
    return true;
}

TTransferResult TMyTSPIPPribor::Lost(const std::string& why) {
    TTransferResult r;
    r.Closed = true;
    r.Error = why;
    LastError_ = why;
    Close();
    return r;
}

TTransferResult TMyTSPIPPribor::Send(std::span<const std::uint8_t> bytes) {
    if (!IsOpen()) {
        TTransferResult r;
        r.Closed = true;
        r.Error = "not connected";
        return r;
    }
    std::size_t done = 0;
    const std::int64_t end = SteadyMs() + SendTimeoutMs;
    while (done < bytes.size()) {
        const ssize_t n = ::send(Fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const std::int64_t left = end - SteadyMs();
            if (left > 0 && PollOne(Fd_, POLLOUT, static_cast<int>(left)) > 0) continue;
            TTransferResult r;
            r.TimedOut = true;
            r.Count = done;
            r.Error = "send timed out";
            return r;
        }
        return Lost(n < 0 ? std::strerror(errno) : "connection closed");
    }
    TTransferResult r;
    r.Ok = true;
    r.Count = done;
    return r;
}

TTransferResult TMyTSPIPPribor::Receive(std::span<std::uint8_t> into, int timeoutMs) {
    TTransferResult r;
    if (!IsOpen()) {
        r.Closed = true;
        r.Error = "not connected";
        return r;
    }
    if (into.empty()) {
        r.Ok = true;
        return r;
    }
    const int ev = PollOne(Fd_, POLLIN, timeoutMs);
    if (ev < 0) return Lost(std::strerror(errno));
    if (ev == 0) {
        r.TimedOut = true;
        return r;
    }
    for (;;) {
        const ssize_t n = ::recv(Fd_, into.data(), into.size(), 0);
        if (n > 0) {
            r.Ok = true;
            r.Count = static_cast<std::size_t>(n);
            return r;
        }
        if (n == 0) return Lost("connection closed by the instrument");
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            r.TimedOut = true;
            return r;
        }
        return Lost(std::strerror(errno));
    }
}

void TMyTSPIPPribor::DiscardReceived() {
    std::uint8_t sink[4096];
    // Bounded: a peer that keeps sending cannot hold us here.
    for (int round = 0; round < 64 && IsOpen(); ++round) {
        const ssize_t n = ::recv(Fd_, sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0) continue;
        if (n == 0) {
            Lost("connection closed by the instrument");
            return;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) Lost(std::strerror(errno));
        return;
    }
}

}  // namespace vt
