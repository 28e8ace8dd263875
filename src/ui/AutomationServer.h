#pragma once
// The automation server: other programs drive the system over a loopback TCP port with the command
// language. Each line received is one ExecCommand of the command service, answered by exactly one
// line. Sockets are non-blocking and driven by the event loop; lines are served one at a time, a
// client's turn after another's, in slices short enough that the window keeps painting and every
// socket is read while one client floods. A client that closes its sending side is answered every
// line it sent, then closed.
#include <QAbstractSocket>
#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace vt {

class TCOMRC;

class TAutomationServer : public QObject {
public:
    static constexpr std::uint16_t DefaultPort = 5025;
    // Stands for each line break inside a reply, so that every reply is one line.
    static constexpr char ReplyLineSeparator = '\t';
    // A line longer than this (without its end) is not run: it replies "ERROR" in its turn, its bytes
    // are dropped as they come, and the lines after it are served.
    static constexpr qsizetype MaxLineLength = qsizetype{1} << 20;
    // Replies a client has not read beyond this many bytes disconnect it; a reply that grows past it
    // stops being built.
    static constexpr qint64 DefaultOutputLimit = qint64{16} << 20;
    // All clients' unread replies together: past it the client holding the most is disconnected.
    static constexpr qint64 DefaultTotalOutputLimit = qint64{64} << 20;
    // One slice of serving: at most this many lines, or this long, before the event loop runs again.
    static constexpr int SliceLines = 64;
    static constexpr int SliceMs = 2;
    // While the system refuses new connections for lack of descriptors, accepting pauses this long.
    static constexpr int AcceptRetryMs = 250;

    explicit TAutomationServer(TCOMRC& service, QObject* parent = nullptr);
    ~TAutomationServer() override;
    TAutomationServer(const TAutomationServer&) = delete;
    TAutomationServer& operator=(const TAutomationServer&) = delete;

    // Listens on 127.0.0.1 at port (0: a port the system chooses). False when the port cannot be
    // had; ErrorText() then says why.
    bool Listen(std::uint16_t port);
    bool IsListening() const { return ListenFd_ >= 0; }
    std::uint16_t Port() const { return Port_; }
    const std::string& ErrorText() const { return ErrorText_; }

    // Open connections: each one holds the automation object.
    int ClientCount() const;
    // Of those, the ones that sent their last line and stay open for its reply.
    int EndedClientCount() const;
    void DisconnectAll();
    void SetOutputLimit(qint64 bytes) { OutputLimit_ = bytes; }
    void SetTotalOutputLimit(qint64 bytes) { TotalOutputLimit_ = bytes; }
    // The replies written and not yet taken by the clients, all together.
    qint64 PendingOutput() const;
    // Accepting paused after the system refused a connection for lack of resources.
    bool AcceptPaused() const { return AcceptPaused_; }
    // While held, clients connect and their lines wait their turn, unserved (the program's start-up
    // is still under way); releasing serves them in order.
    void SetHolding(bool hold);
    bool Holding() const { return Holding_; }

private:
    struct TLine {
        QByteArray Text;
        bool TooLong = false;  // its text was dropped: it replies "ERROR"
    };
    struct TClient {
        int Fd = -1;
        QSocketNotifier* Readable = nullptr;
        QSocketNotifier* Writable = nullptr;  // on while replies wait for the system to take them
        QByteArray Output;                    // replies written, taken by the system up to Sent
        qsizetype Sent = 0;
        QByteArray Input;                  // received bytes after the last line end
        std::vector<TLine> Lines;          // complete lines waiting their turn
        std::size_t NextLine = 0;
        bool SkippingLine = false;  // the line being received is too long: its bytes go until its end
        bool Closed = false;
        bool InputEnded = false;  // the client sends no more: once answered it is closed
        bool ReadPaused = false;  // its waiting lines are many: the rest stays with the system
        qint64 Pending() const { return Output.size() - Sent; }
        // Its last line's reply waits for the work that line left running: its next lines wait too.
        bool Awaiting = false;
        int Number = 0;
    };

    // Takes every waiting connection; out of descriptors it stops listening for a while.
    void Accept();
    void AddClient(int fd);
    void CloseListener();
    // Drops the client holding the most unread output while all of them hold more than the bound.
    void KeepTotalOutputBound();
    void Receive(TClient& client);
    void Serve();
    void ScheduleServe();
    void Reply(TClient& client, const std::string& reply);
    // The reply of the client's line whose work has ended (nothing when the client has gone).
    void LaterReply(int number, const std::string& reply);
    void Drop(TClient& client, const std::string& why);
    // Hands the waiting replies to the system; closes a client that has been answered in full.
    void Flush(TClient& client);
    bool Answered(const TClient& client) const;
    // Closes the connection (the client is reaped later).
    void Release(TClient& client);
    void Reap();
    TClient* NextWaiting();

    TCOMRC& Service_;
    // Our own listening socket: accepting is ours too, so that a refusal for lack of descriptors is
    // seen and waited out instead of being retried at once for ever.
    int ListenFd_ = -1;
    std::uint16_t Port_ = 0;
    QSocketNotifier* AcceptNotifier_ = nullptr;
    std::vector<std::unique_ptr<TClient>> Clients_;
    std::string ErrorText_;
    qint64 OutputLimit_ = DefaultOutputLimit;
    qint64 TotalOutputLimit_ = DefaultTotalOutputLimit;
    bool AcceptPaused_ = false;
    std::size_t RoundRobin_ = 0;
    int ClientNumbers_ = 0;
    bool Serving_ = false;
    bool Holding_ = false;
    bool ServePosted_ = false;
};

}  // namespace vt
