#include "support/FakeInstrument.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>

namespace vt::test {

namespace {

constexpr std::uint16_t EndWord = 0x8000;
constexpr std::uint16_t Filler = 0x8001;

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void AppendWord(std::string& bytes, std::uint16_t w) {
    bytes.push_back(static_cast<char>(w & 0xFF));
    bytes.push_back(static_cast<char>(w >> 8));
}

int ParseLeadingInt(const std::string& s) {
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    return v;
}

// A socket bound to the loopback port (0: an ephemeral one); -1 when the port cannot be had.
int BoundLoopbackSocket(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) return fd;
    ::close(fd);
    return -1;
}

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

std::int16_t TFakeInstrument::SampleWord(int point, int channel, int averages, int acquisition) {
    return static_cast<std::int16_t>((point * 37 + channel * 5000 + averages * 3 + acquisition * 11) % 20000 - 10000);
}

std::vector<std::uint16_t> TFakeInstrument::CleanStream(int points, int channels, int averages, int acquisition) {
    std::vector<std::uint16_t> words;
    for (int i = 0; i < points; ++i)
        for (int c = 0; c < channels; ++c)
            words.push_back(static_cast<std::uint16_t>(SampleWord(i, c, averages, acquisition)));
    words.push_back(EndWord);
    return words;
}

TFakeInstrument::TFakeInstrument(int port, std::size_t chunkBytes) : ChunkBytes_(std::max<std::size_t>(chunkBytes, 1)) {
    if (port != 0) {
        const std::string lockPath = "/tmp/veltrane-tests-port-" + std::to_string(port) + ".lock";
        PortLockFd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (PortLockFd_ >= 0) ::flock(PortLockFd_, LOCK_EX);
    }
    if (::pipe2(WakeFd_, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    ListenFd_ = BoundLoopbackSocket(port);
    if (ListenFd_ < 0 || ::listen(ListenFd_, 4) != 0) {
        if (ListenFd_ >= 0) ::close(ListenFd_);
        if (PortLockFd_ >= 0) ::close(PortLockFd_);
        ::close(WakeFd_[0]);
        ::close(WakeFd_[1]);
        throw std::runtime_error("fake instrument cannot listen on the port");
    }
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ::getsockname(ListenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
    Port_ = ntohs(sa.sin_port);
    Thread_ = std::thread([this] { Run(); });
}

TFakeInstrument::~TFakeInstrument() {
    Stop_ = true;
    const char b = 1;
    [[maybe_unused]] const auto w = ::write(WakeFd_[1], &b, 1);
    Thread_.join();
    CloseClient();
    ::close(ListenFd_);
    ::close(WakeFd_[0]);
    ::close(WakeFd_[1]);
    if (PortLockFd_ >= 0) ::close(PortLockFd_);
}

void TFakeInstrument::SetReply(const std::string& command, const std::string& reply) {
    std::lock_guard lock(Mutex_);
    Replies_[Upper(command)] = reply;
}

void TFakeInstrument::SetFaults(const TFakeFaults& faults) {
    std::lock_guard lock(Mutex_);
    Faults_ = faults;
}

void TFakeInstrument::SetChunkBytes(std::size_t bytes) {
    std::lock_guard lock(Mutex_);
    ChunkBytes_ = std::max<std::size_t>(bytes, 1);
}

void TFakeInstrument::DropConnection() {
    DropRequested_ = true;
    const char b = 1;
    [[maybe_unused]] const auto w = ::write(WakeFd_[1], &b, 1);
    WaitUntil([this] { return !DropRequested_; });
}

void TFakeInstrument::SetRefusing(bool refusing) {
    RefuseRequest_ = refusing ? 1 : 0;
    const char b = 1;
    [[maybe_unused]] const auto w = ::write(WakeFd_[1], &b, 1);
    WaitUntil([this] { return RefuseRequest_ < 0; });
}

void TFakeInstrument::ApplyRefusing(bool refusing) {
    Refusing_ = refusing;
    if (refusing) {
        // A socket bound to the port that never listens refuses connections and keeps the port.
        CloseClient();
        ::close(ListenFd_);
        ListenFd_ = BoundLoopbackSocket(Port_);
    } else {
        ::listen(ListenFd_, 4);
    }
}

std::vector<std::string> TFakeInstrument::Lines() const {
    std::lock_guard lock(Mutex_);
    return Lines_;
}

std::string TFakeInstrument::Received() const {
    std::lock_guard lock(Mutex_);
    return ReceivedBytes_;
}

int TFakeInstrument::ChunkRequests() const {
    std::lock_guard lock(Mutex_);
    return ChunkRequests_;
}

int TFakeInstrument::Connections() const {
    std::lock_guard lock(Mutex_);
    return Connections_;
}

int TFakeInstrument::Acquisitions() const {
    std::lock_guard lock(Mutex_);
    return Acquisitions_;
}

bool TFakeInstrument::WaitUntil(const std::function<bool()>& condition, int timeoutMs) const {
    const auto end = TClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (TClock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool TFakeInstrument::WaitForLine(const std::string& line, int timeoutMs) const {
    return WaitUntil([&] {
        const auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }, timeoutMs);
}

void TFakeInstrument::Run() {
    while (!Stop_) {
        int timeout = 10;
        const auto now = TClock::now();
        for (const TOutgoing& o : Outgoing_) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(o.Due - now).count();
            timeout = std::clamp(static_cast<int>(ms), 0, timeout);
        }
        // A socket that does not listen would report a hang-up on every poll.
        pollfd fds[3] = {{WakeFd_[0], POLLIN, 0}, {Refusing_ ? -1 : ListenFd_, POLLIN, 0}, {ClientFd_, POLLIN, 0}};
        if (!SendBuffer_.empty()) fds[2].events |= POLLOUT;
        const nfds_t n = ClientFd_ >= 0 ? 3 : 2;
        if (::poll(fds, n, timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) {
            char sink[64];
            while (::read(WakeFd_[0], sink, sizeof sink) > 0) {
            }
        }
        if (DropRequested_) {
            CloseClient();
            DropRequested_ = false;
        }
        if (const int r = RefuseRequest_; r >= 0) {
            ApplyRefusing(r == 1);
            RefuseRequest_ = -1;
            continue;
        }
        if (fds[1].revents & POLLIN) Accept();
        if (ClientFd_ >= 0 && n == 3 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buf[4096];
            const ssize_t got = ::recv(ClientFd_, buf, sizeof buf, 0);
            if (got > 0) {
                OnBytes(buf, static_cast<std::size_t>(got));
            } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                CloseClient();
            }
        }
        const auto t = TClock::now();
        while (!Outgoing_.empty() && Outgoing_.front().Due <= t) {
            SendBuffer_ += Outgoing_.front().Bytes;
            CloseAfterSend_ = CloseAfterSend_ || Outgoing_.front().CloseAfter;
            Outgoing_.erase(Outgoing_.begin());
        }
        Flush();
    }
}

void TFakeInstrument::Accept() {
    const int fd = ::accept4(ListenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    CloseClient();  // one client at a time: a new connection replaces the old one
    SetNonBlocking(fd);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ClientFd_ = fd;
    std::lock_guard lock(Mutex_);
    ++Connections_;
}

void TFakeInstrument::CloseClient() {
    if (ClientFd_ >= 0) ::close(ClientFd_);
    ClientFd_ = -1;
    LineBuffer_.clear();
    Outgoing_.clear();
    SendBuffer_.clear();
    CloseAfterSend_ = false;
    Stream_.clear();
    StreamActive_ = false;
}

void TFakeInstrument::Flush() {
    while (ClientFd_ >= 0 && !SendBuffer_.empty()) {
        const ssize_t n = ::send(ClientFd_, SendBuffer_.data(), SendBuffer_.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
            CloseClient();
            return;
        }
        SendBuffer_.erase(0, static_cast<std::size_t>(n));
    }
    if (CloseAfterSend_ && SendBuffer_.empty()) CloseClient();
}

void TFakeInstrument::OnBytes(const char* data, std::size_t n) {
    std::lock_guard lock(Mutex_);
    ReceivedBytes_.append(data, n);
    LineBuffer_.append(data, n);
    for (std::size_t lf; (lf = LineBuffer_.find('\n')) != std::string::npos;) {
        std::string line = LineBuffer_.substr(0, lf);
        LineBuffer_.erase(0, lf + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == std::string(1, '\0')) {
            ++ChunkRequests_;
            ++Credits_;
            if (Credits_ > 0 && StreamActive_ && !Stream_.empty()) {
                --Credits_;
                SendChunk();
            }
            continue;
        }
        OnLine(std::move(line));
    }
}

void TFakeInstrument::OnLine(std::string line) {
    Lines_.push_back(line);
    const std::string up = Upper(line);
    if (up.rfind("ACQ:RECLEN ", 0) == 0) RecLen_ = ParseLeadingInt(up.substr(11));
    if (up.rfind("ACQ:CHANNELS ", 0) == 0) Channels_ = up.substr(13) == "BOTH" ? 2 : 1;
    if (up.rfind("ACQ:NAVG ", 0) == 0) Averages_ = std::max(1, ParseLeadingInt(up.substr(9)));
    if (up == "ACQ:GO") {
        StartStream();
        return;
    }
    if (up == "ACQ:BREAK") {
        if (StreamActive_ && !Faults_.IgnoreBreak) {
            Stream_.clear();
            AppendWord(Stream_, EndWord);
            SendChunk();
        }
        return;
    }
    const auto q = up.find('?');
    if (q == std::string::npos || Faults_.NoReply) return;
    std::string reply;
    if (const auto it = Replies_.find(up); it != Replies_.end()) {
        reply = it->second;
    } else if (up == "INFO:INDIVDATA?" && Faults_.IdentityTimeout) {
        reply = "TIMEOUT";
    } else if (up == "INFO:INDIVDATA?") {
        // Block, flash code, complemented options, year after 2000, serial number.
        reply = "1 2 0 10 1234";
        if (Faults_.GoneAfterIdentity) {
            // The instrument goes away once its identity is out: the reply closes the connection.
            Faults_.GoneAfterIdentity = false;
            Faults_.CloseMidReplyAfter = static_cast<int>(reply.size() + 2);
            RefuseRequest_ = 1;
        }
    } else if (up == "INFO:GETVER:FPGAFW?") {
        reply = "1.0";
    } else if (up.compare(q, 2, "? ") == 0) {
        reply = line.substr(q + 2);  // a value query stores the value and answers it
    } else {
        reply = "0";
    }
    Reply(reply);
}

void TFakeInstrument::Reply(const std::string& text) {
    std::string bytes = text;
    if (Faults_.HighBytes) bytes += "\xB5\xFF";
    bytes += Faults_.LfOnly ? "\n" : "\r\n";
    bool close = false;
    if (Faults_.CloseMidReplyAfter >= 0) {
        bytes.resize(std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(Faults_.CloseMidReplyAfter)));
        Faults_.CloseMidReplyAfter = -1;
        close = true;
    }
    auto due = TClock::now() + std::chrono::milliseconds(Faults_.ReplyDelayMs);
    const std::size_t fragment = Faults_.ReplyFragmentBytes > 0 ? static_cast<std::size_t>(Faults_.ReplyFragmentBytes) : bytes.size();
    std::size_t at = 0;
    do {
        const std::string fragmentBytes = bytes.substr(at, fragment);
        at += fragment;
        Outgoing_.push_back({due, fragmentBytes, close && at >= bytes.size()});
        due += std::chrono::milliseconds(Faults_.FragmentGapMs);
    } while (at < bytes.size());
}

void TFakeInstrument::StartStream() {
    ++Acquisitions_;
    const int acquisition = Acquisitions_;
    Stream_.clear();
    const int points = std::max(RecLen_, 1);
    if (Faults_.OnlyFillers) {
        for (int i = 0; i < points * Channels_; ++i) AppendWord(Stream_, Filler);
    } else {
        int sinceFiller = 0;
        for (int i = 0; i < points; ++i) {
            for (int c = 0; c < Channels_; ++c) {
                AppendWord(Stream_, static_cast<std::uint16_t>(SampleWord(i, c, Averages_, acquisition)));
                if (Faults_.FillerEvery > 0 && ++sinceFiller == Faults_.FillerEvery) {
                    AppendWord(Stream_, Filler);
                    sinceFiller = 0;
                }
            }
        }
    }
    if (!Faults_.NoEndWord) AppendWord(Stream_, EndWord);
    if (Faults_.FillersAfterEnd)
        for (int i = 0; i < 4; ++i) AppendWord(Stream_, Filler);
    StreamActive_ = true;
    Credits_ = 0;
    StreamWordsSent_ = 0;
    SendChunk();
}

void TFakeInstrument::SendChunk() {
    std::size_t take = std::min(ChunkBytes_, Stream_.size());
    bool close = false;
    if (Faults_.CloseMidStreamAfterWords >= 0) {
        const long left = Faults_.CloseMidStreamAfterWords * 2L - StreamWordsSent_ * 2L;
        if (static_cast<long>(take) >= left) {
            take = static_cast<std::size_t>(std::max(left, 0L));
            close = true;
            Faults_.CloseMidStreamAfterWords = -1;
        }
    }
    SendBuffer_ += Stream_.substr(0, take);
    Stream_.erase(0, take);
    StreamWordsSent_ += static_cast<long>(take / 2);
    if (Stream_.empty() && !Faults_.NoEndWord) StreamActive_ = false;
    if (close) CloseAfterSend_ = true;
}

}  // namespace vt::test
