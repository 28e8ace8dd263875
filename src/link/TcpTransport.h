#pragma once
// The instrument over TCP: a non-blocking client socket waited on with poll(); no SIGPIPE, Nagle off
// so that each command and chunk request leaves at once.
#include <string>

#include "link/LinkTransport.h"

namespace vt {

inline constexpr int InstrumentTcpPort = 55555;

class TMyTSPIPPribor final : public TLinkTransport {
public:
    static constexpr int SendTimeoutMs = 1000;

    TMyTSPIPPribor(std::string address, int port);
    ~TMyTSPIPPribor() override;
    TMyTSPIPPribor(const TMyTSPIPPribor&) = delete;
    TMyTSPIPPribor& operator=(const TMyTSPIPPribor&) = delete;

    // Starts the connection and waits at most waitMs for it to complete; false (with LastError) when
    // it was refused, failed or is not complete in time.
    bool Connect(int waitMs);
    const std::string& LastError() const { return LastError_; }
    const std::string& Address() const { return Address_; }
    int Port() const { return Port_; }

    bool IsOpen() const override { return Fd_ >= 0 && Connected_; }
    void Close() override;
    TTransferResult Send(std::span<const std::uint8_t> bytes) override;
    // A closed connection is reported once with Closed set, and the socket is closed.
    TTransferResult Receive(std::span<std::uint8_t> into, int timeoutMs) override;
    void DiscardReceived() override;

private:
    TTransferResult Lost(const std::string& why);

    std::string Address_;
    int Port_;
    int Fd_ = -1;
    bool Connected_ = false;
    std::string LastError_;
};

}  // namespace vt
