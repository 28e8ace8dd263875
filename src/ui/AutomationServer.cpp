#include "ui/AutomationServer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
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
    // Lines held while another command string ran are served once it has ended.
    Service_.OnFinished = [this] { ScheduleServe(); };
}

TAutomationServer::~TAutomationServer() {
    Service_.OnFinished = nullptr;
    CloseListener();
    for (auto& c : Clients_) {
        c->Socket->disconnect(this);
        c->Socket->abort();
    }
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

void TAutomationServer::DisconnectAll() {
    for (auto& c : Clients_) Drop(*c, "disconnected by the user");
    Serve();
}

void TAutomationServer::Accept() {
    while (ListenFd_ >= 0) {
        const int fd = ::accept4(ListenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            auto* socket = new QTcpSocket(this);
            if (socket->setSocketDescriptor(fd)) {
                AddClient(socket);
            } else {
                delete socket;
                ::close(fd);
            }
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

void TAutomationServer::AddClient(QTcpSocket* socket) {
    auto client = std::make_unique<TClient>();
    TClient* c = client.get();
    c->Socket = socket;
    c->Number = ++ClientNumbers_;
    // Bytes beyond this stay with the system while the client's lines wait their turn.
    socket->setReadBufferSize(MaxLineLength + 2);
    Clients_.push_back(std::move(client));
    connect(socket, &QTcpSocket::readyRead, this, [this, c] {
        Receive(*c);
        Serve();
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, c] {
        c->Closed = true;
        Serve();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, c](QAbstractSocket::SocketError) {
        c->Closed = true;
        ScheduleServe();
    });
}

void TAutomationServer::Receive(TClient& c) {
    if (c.Closed) return;
    qsizetype pending = 0;
    for (std::size_t i = c.NextLine; i < c.Lines.size(); ++i) pending += c.Lines[i].size();
    if (pending >= MaxPendingInput) return;  // read again once they have been served
    c.Input += c.Socket->readAll();
    qsizetype start = 0;
    for (qsizetype end; (end = c.Input.indexOf('\n', start)) >= 0; start = end + 1) {
        qsizetype length = end - start;
        if (length > 0 && c.Input[end - 1] == '\r') --length;
        if (length > MaxLineLength) {
            Drop(c, "line longer than 1 MiB");
            return;
        }
        c.Lines.push_back(c.Input.mid(start, length));
    }
    c.Input.remove(0, start);
    if (c.Input.size() > MaxLineLength + 1) Drop(c, "line longer than 1 MiB");
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
            const QByteArray line = std::move(c->Lines[c->NextLine++]);
            if (c->NextLine == c->Lines.size()) {
                c->Lines.clear();
                c->NextLine = 0;
            }
            std::string reply;
            const QPointer<TAutomationServer> self(this);
            auto later = [self, number = c->Number](const std::string& text) {
                if (self) self->LaterReply(number, text);
            };
            try {
                Service_.ExecCommand(std::string_view(line.constData(), static_cast<std::size_t>(line.size())), reply,
                                     static_cast<std::size_t>(OutputLimit_), std::move(later));
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
            Reply(*c, reply);
            // Input held back while the lines waited.
            if (c->Lines.empty() && !c->Closed && c->Socket->bytesAvailable() > 0) Receive(*c);
        }
        Serving_ = false;
    }
    KeepTotalOutputBound();
    Reap();
}

qint64 TAutomationServer::PendingOutput() const {
    qint64 total = 0;
    for (const auto& c : Clients_)
        if (!c->Closed) total += c->Socket->bytesToWrite();
    return total;
}

void TAutomationServer::KeepTotalOutputBound() {
    for (;;) {
        qint64 total = 0;
        TClient* largest = nullptr;
        for (auto& c : Clients_) {
            if (c->Closed) continue;
            const qint64 pending = c->Socket->bytesToWrite();
            total += pending;
            if (!largest || pending > largest->Socket->bytesToWrite()) largest = c.get();
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
    c.Socket->write(out);
    if (!c.Closed && c.Socket->bytesToWrite() > OutputLimit_) Drop(c, "does not read its replies");
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
    c.Socket->disconnect(this);
    c.Socket->abort();
}

void TAutomationServer::Reap() {
    if (Serving_) return;
    const std::size_t removed = std::erase_if(Clients_, [](const std::unique_ptr<TClient>& c) {
        if (!c->Closed || c->NextLine < c->Lines.size()) return false;
        c->Socket->disconnect();
        c->Socket->deleteLater();
        return true;
    });
    // The turn goes on where it was, so that the clients first in the list get no more turns than
    // the rest from one slice to the next.
    if (removed > 0) RoundRobin_ = Clients_.empty() ? 0 : RoundRobin_ % Clients_.size();
}

}  // namespace vt
