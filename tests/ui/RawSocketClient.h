#pragma once
// A loopback client of the automation server on a plain non-blocking socket, as a script talks to it.
// The waiting calls run the event loop, so that a server in this process is served meanwhile; Polled()
// reads what has come without waiting, for a step of a running program.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "UiTestSupport.h"

namespace vt::test {

class TRawClient {
public:
    explicit TRawClient(std::uint16_t port, int receiveBuffer = 0) {
        Fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0) ::setsockopt(Fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Connected_ = ::connect(Fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::fcntl(Fd_, F_SETFL, ::fcntl(Fd_, F_GETFL) | O_NONBLOCK);
    }
    ~TRawClient() { Close(); }
    TRawClient(const TRawClient&) = delete;
    TRawClient& operator=(const TRawClient&) = delete;

    bool Connected() const { return Connected_; }
    void Close() {
        if (Fd_ >= 0) ::close(Fd_);
        Fd_ = -1;
    }
    // Sends no more: the server still answers what was sent.
    void ShutdownSending() { ::shutdown(Fd_, SHUT_WR); }
    // Sends a few bytes at once, without running the event loop.
    bool SendNow(std::string_view bytes) {
        return ::send(Fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    // Sends every byte (one send call when the system takes it at once).
    bool Send(std::string_view bytes) {
        return RunLoopUntil([&] {
            while (!bytes.empty()) {
                const ssize_t n = ::send(Fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (n <= 0) return false;
                bytes.remove_prefix(static_cast<std::size_t>(n));
            }
            return true;
        });
    }
    // The next count reply lines (without their LF); fewer when they do not come within 5 s.
    std::vector<std::string> Lines(std::size_t count) {
        RunLoopUntil([&] {
            Pull();
            return Complete() >= count || PeerClosed_;
        });
        std::vector<std::string> lines;
        while (lines.size() < count) {
            const auto end = Buffer_.find('\n');
            if (end == std::string::npos) break;
            lines.push_back(Buffer_.substr(0, end));
            Buffer_.erase(0, end + 1);
        }
        return lines;
    }
    // True when the server has closed the connection (within 5 s).
    bool ClosedByServer() {
        RunLoopUntil([&] {
            Pull();
            return PeerClosed_;
        });
        return PeerClosed_;
    }
    // Without waiting: every reply line come so far (a trailing blank of a number's reply goes).
    const std::vector<std::string>& Polled() {
        Pull();
        for (std::size_t end; (end = Buffer_.find('\n')) != std::string::npos; Buffer_.erase(0, end + 1)) {
            std::string line = Buffer_.substr(0, end);
            while (!line.empty() && line.back() == ' ') line.pop_back();
            Polled_.push_back(line);
        }
        return Polled_;
    }
    // Without waiting: whether the server has closed the connection (as far as Polled() read).
    bool PeerClosed() const { return PeerClosed_; }

private:
    std::size_t Complete() const { return static_cast<std::size_t>(std::count(Buffer_.begin(), Buffer_.end(), '\n')); }
    void Pull() {
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::recv(Fd_, chunk, sizeof chunk, 0);
            if (n > 0) {
                Buffer_.append(chunk, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) PeerClosed_ = true;
            return;
        }
    }
    int Fd_ = -1;
    bool Connected_ = false;
    bool PeerClosed_ = false;
    std::string Buffer_;
    std::vector<std::string> Polled_;
};

}  // namespace vt::test
