#include "ui/AutomationServer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/CommandService.h"
#include "core/CommandTree.h"

namespace vt {

namespace {
// Stop taking bytes from a client while this much of its input waits to be served.
constexpr qsizetype MaxPendingInput = TAutomationServer::MaxLineLength;
}  // namespace

TAutomationServer::TAutomationServer(TCOMRC& service, QObject* parent) : QObject(parent), Service_(service) {
    // Lines held while another command string ran are served once it has ended; so is the rest of
    // a line whose held command has ended.
    Service_.OnFinished = [this] { ScheduleServe(); };
    Service_.OnReady = [this] { ScheduleServe(); };
}

TAutomationServer::~TAutomationServer() {
    Service_.OnFinished = nullptr;
    Service_.OnReady = nullptr;
    CloseListener();
    for (auto& c : Clients_) Release(*c);
}

bool TAutomationServer::Listen(std::uint16_t port) {
    ErrorText_.clear();
    CloseListener();
    auto refuse = [&](int error) {
        ErrorText_ = "Automation server: port " + std::to_string(port) + " on 127.0.0.1 is not available (" +
                     std::strerror(error) + "); the program runs without it.";
        CloseListener();
        return false;
    };
    ListenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (ListenFd_ < 0) return refuse(errno);
    const int on = 1;
    ::setsockopt(ListenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(ListenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return refuse(errno);
    if (::listen(ListenFd_, SOMAXCONN) != 0) return refuse(errno);
    socklen_t length = sizeof address;
    ::getsockname(ListenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    Port_ = ntohs(address.sin_port);
    AcceptNotifier_ = new QSocketNotifier(ListenFd_, QSocketNotifier::Read, this);
    connect(AcceptNotifier_, &QSocketNotifier::activated, this, [this] { Accept(); });
    AcceptNotifier_->setEnabled(true);
    return true;
}

void TAutomationServer::CloseListener() {
    delete AcceptNotifier_;
    AcceptNotifier_ = nullptr;
    if (ListenFd_ >= 0) ::close(ListenFd_);
    ListenFd_ = -1;
    Port_ = 0;
}

int TAutomationServer::ClientCount() const {
    return static_cast<int>(std::count_if(Clients_.begin(), Clients_.end(), [](const auto& c) { return !c->Closed; }));
}

int TAutomationServer::EndedClientCount() const {
    return static_cast<int>(
        std::count_if(Clients_.begin(), Clients_.end(), [](const auto& c) { return !c->Closed && c->InputEnded; }));
}

void TAutomationServer::DisconnectAll() {
    for (auto& c : Clients_) Drop(*c, "disconnected by the user");
    Serve();
}

void TAutomationServer::Accept() {
    while (ListenFd_ >= 0) {
        const int fd = ::accept4(ListenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            AddClient(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED) continue;
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // The connection stays waiting, and the listening socket would report it again at once,
            // for ever: wait for a client to leave instead.
            AcceptPaused_ = true;
            AcceptNotifier_->setEnabled(false);
            Service_.LogLine("Automation server: no resources for a new connection (" + std::string(std::strerror(errno)) +
                             "); accepting again in " + std::to_string(AcceptRetryMs) + " ms");
            QTimer::singleShot(AcceptRetryMs, this, [this] {
                AcceptPaused_ = false;
                if (AcceptNotifier_) AcceptNotifier_->setEnabled(true);
            });
        }
        return;  // EAGAIN: none waiting
    }
}

void TAutomationServer::AddClient(int fd) {
    // A reply goes out at once, not after the acknowledgement of the one before: a pipelining client
    // would otherwise wait for the delayed acknowledgement at the end of each block.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto client = std::make_unique<TClient>();
    TClient* c = client.get();
    c->Fd = fd;
    c->Number = ++ClientNumbers_;
    c->Readable = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    c->Writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    c->Writable->setEnabled(false);
    Clients_.push_back(std::move(client));
    connect(c->Readable, &QSocketNotifier::activated, this, [this, c] {
        Receive(*c);
        Serve();
    });
    connect(c->Writable, &QSocketNotifier::activated, this, [this, c] {
        Flush(*c);
        Reap();
    });
}

void TAutomationServer::Receive(TClient& c) {
    if (c.Closed || c.InputEnded) return;
    qsizetype pending = 0;
    for (std::size_t i = c.NextLine; i < c.Lines.size(); ++i) pending += c.Lines[i].Text.size();
    if (pending >= MaxPendingInput) {
        // The rest stays with the system until these have been served.
        c.ReadPaused = true;
        c.Readable->setEnabled(false);
        return;
    }
    // At most a line's worth each time: a flood is read in turns with the other sockets.
    qsizetype budget = MaxLineLength + 2;
    while (budget > 0) {
        const qsizetype old = c.Input.size();
        const qsizetype want = std::min<qsizetype>(budget, 65536);
        c.Input.resize(old + want);
        const ssize_t n = ::recv(c.Fd, c.Input.data() + old, static_cast<std::size_t>(want), 0);
        c.Input.resize(old + std::max<qsizetype>(n, 0));
        if (n > 0) {
            budget -= n;
            continue;
        }
        if (n == 0) {
            // The client has closed its sending side: its lines are still answered.
            c.InputEnded = true;
            c.Readable->setEnabled(false);
            break;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) break;
        // Reset by the client: nobody reads the replies.
        c.Closed = true;
        c.Lines.clear();
        c.NextLine = 0;
        Release(c);
        return;
    }
    qsizetype start = 0;
    for (qsizetype end; (end = c.Input.indexOf('\n', start)) >= 0; start = end + 1) {
        qsizetype length = end - start;
        if (length > 0 && c.Input[end - 1] == '\r') --length;
        if (c.SkippingLine || length > MaxLineLength) {
            // The client is not dropped: closing on its unread bytes would reset the connection and
            // lose the replies it has not read yet.
            c.SkippingLine = false;
            c.Lines.push_back({{}, true});
            continue;
        }
        c.Lines.push_back({c.Input.mid(start, length), false});
    }
    c.Input.remove(0, start);
    // A line end may still come after its CR.
    if (c.SkippingLine || c.Input.size() > MaxLineLength + 1) {
        c.SkippingLine = true;
        c.Input.clear();
    }
}

TAutomationServer::TClient* TAutomationServer::NextWaiting() {
    const std::size_t n = Clients_.size();
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (RoundRobin_ + k) % n;
        TClient& c = *Clients_[i];
        if (!c.Awaiting && c.NextLine < c.Lines.size()) {
            RoundRobin_ = i + 1;
            return &c;
        }
    }
    return nullptr;
}

void TAutomationServer::ScheduleServe() {
    if (ServePosted_) return;
    ServePosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            ServePosted_ = false;
            Serve();
        },
        Qt::QueuedConnection);
}

void TAutomationServer::SetHolding(bool hold) {
    Holding_ = hold;
    if (!hold) ScheduleServe();
}

void TAutomationServer::Serve() {
    if (Serving_ || Holding_) return;
    if (!Service_.Running()) {
        Serving_ = true;
        // The rests of lines whose held commands have ended run before further lines.
        Service_.RunReady();
        QElapsedTimer slice;
        slice.start();
        int served = 0;
        TClient* c = nullptr;
        // One line per client in turn; after a slice the event loop reads every socket and paints.
        while ((c = NextWaiting()) != nullptr) {
            if (served == SliceLines || slice.elapsed() >= SliceMs) {
                ScheduleServe();
                break;
            }
            ++served;
            const TLine next = std::move(c->Lines[c->NextLine++]);
            if (c->NextLine == c->Lines.size()) {
                c->Lines.clear();
                c->NextLine = 0;
            }
            std::string reply = "ERROR";
            if (next.TooLong) {
                Service_.LogLine("Automation client " + std::to_string(c->Number) +
                                 ": a line longer than 1 MiB is not run");
            } else {
                const QPointer<TAutomationServer> self(this);
                auto later = [self, number = c->Number](const std::string& text) {
                    if (self) self->LaterReply(number, text);
                };
                try {
                    reply.clear();
                    Service_.ExecCommand(std::string_view(next.Text.constData(), static_cast<std::size_t>(next.Text.size())),
                                         reply, static_cast<std::size_t>(OutputLimit_), std::move(later));
                    if (Service_.Deferred()) {
                        c->Awaiting = true;
                        continue;
                    }
                } catch (const EReplyTooLong& e) {
                    Drop(*c, e.what());
                    continue;
                } catch (const std::exception& e) {
                    // No exception crosses the event loop: the client gets its text as the reply.
                    reply = e.what();
                } catch (...) {
                    reply = "ERROR";
                }
            }
            Reply(*c, reply);
            // Input held back while the lines waited.
            if (c->Lines.empty() && !c->Closed && c->ReadPaused) {
                c->ReadPaused = false;
                c->Readable->setEnabled(true);
                Receive(*c);
            }
        }
        Serving_ = false;
    }
    KeepTotalOutputBound();
    Reap();
}

qint64 TAutomationServer::PendingOutput() const {
    qint64 total = 0;
    for (const auto& c : Clients_)
        if (!c->Closed) total += c->Pending();
    return total;
}

void TAutomationServer::KeepTotalOutputBound() {
    for (;;) {
        qint64 total = 0;
        TClient* largest = nullptr;
        for (auto& c : Clients_) {
            if (c->Closed) continue;
            const qint64 pending = c->Pending();
            total += pending;
            if (!largest || pending > largest->Pending()) largest = c.get();
        }
        if (total <= TotalOutputLimit_ || !largest) return;
        Drop(*largest, "the clients together do not read their replies");
    }
}

void TAutomationServer::Reply(TClient& c, const std::string& reply) {
    if (c.Closed) return;
    // One line per reply: each line break inside it becomes a tab, which no entry holds (a tab of the
    // reply's own goes out as a blank); breaks at its start and end go.
    QByteArray out;
    out.reserve(static_cast<qsizetype>(reply.size()) + 1);
    bool pendingBreak = false;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        const char ch = reply[i];
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && i + 1 < reply.size() && reply[i + 1] == '\n') ++i;
            if (!out.isEmpty()) {
                if (pendingBreak) out.append(ReplyLineSeparator);
                pendingBreak = true;
            }
            continue;
        }
        if (pendingBreak) out.append(ReplyLineSeparator);
        pendingBreak = false;
        out.append(ch == ReplyLineSeparator ? ' ' : ch);
    }
    out.append('\n');
    // Written out when the event loop next runs, so that a slice's replies go out together.
    c.Output.append(out);
    c.Writable->setEnabled(true);
    if (c.Pending() > OutputLimit_) Drop(c, "does not read its replies");
    if (!c.Closed) KeepTotalOutputBound();
}

void TAutomationServer::LaterReply(int number, const std::string& reply) {
    const auto it = std::find_if(Clients_.begin(), Clients_.end(), [number](const auto& c) { return c->Number == number; });
    if (it == Clients_.end()) return;
    TClient& c = **it;
    c.Awaiting = false;
    Service_.LogLine("    Returned --> " + reply);
    Reply(c, reply);
    ScheduleServe();
}

void TAutomationServer::Drop(TClient& c, const std::string& why) {
    if (c.Closed) return;
    c.Closed = true;
    c.Lines.clear();
    c.NextLine = 0;
    Service_.LogLine("Automation client " + std::to_string(c.Number) + " disconnected: " + why);
    Release(c);
}

void TAutomationServer::Release(TClient& c) {
    c.Closed = true;
    // Gone with the client, later: a notifier may be the one whose signal runs now.
    for (QSocketNotifier* n : {c.Readable, c.Writable}) {
        if (!n) continue;
        n->setEnabled(false);
        n->disconnect(this);
        n->deleteLater();
    }
    c.Readable = c.Writable = nullptr;
    if (c.Fd >= 0) ::close(c.Fd);
    c.Fd = -1;
    c.Output.clear();
    c.Sent = 0;
}

bool TAutomationServer::Answered(const TClient& c) const {
    return c.InputEnded && !c.Closed && !c.Awaiting && c.NextLine >= c.Lines.size() && c.Pending() == 0;
}

void TAutomationServer::Flush(TClient& c) {
    while (!c.Closed && c.Sent < c.Output.size()) {
        const ssize_t n = ::send(c.Fd, c.Output.constData() + c.Sent, static_cast<std::size_t>(c.Output.size() - c.Sent),
                                 MSG_NOSIGNAL);
        if (n > 0) {
            c.Sent += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The rest when the system takes more; what it took goes now.
            if (c.Sent > MaxLineLength) {
                c.Output.remove(0, c.Sent);
                c.Sent = 0;
            }
            return;
        }
        // The client has gone: nobody reads the replies.
        c.Lines.clear();
        c.NextLine = 0;
        Release(c);
        return;
    }
    if (c.Closed) return;
    // A buffer that took a large reply is given back; a small one is kept for the next replies.
    if (c.Output.capacity() > MaxLineLength) c.Output.clear();
    else c.Output.resize(0);
    c.Sent = 0;
    c.Writable->setEnabled(false);
    if (Answered(c)) Release(c);
}

void TAutomationServer::Reap() {
    if (Serving_) return;
    for (auto& c : Clients_)
        if (Answered(*c)) Release(*c);
    const std::size_t removed = std::erase_if(Clients_, [](const std::unique_ptr<TClient>& c) {
        return c->Closed && c->NextLine >= c->Lines.size();
    });
    // The turn goes on where it was, so that the clients first in the list get no more turns than
    // the rest from one slice to the next.
    if (removed > 0) RoundRobin_ = Clients_.empty() ? 0 : RoundRobin_ % Clients_.size();
}

}  // namespace vt
