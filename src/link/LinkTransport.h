#pragma once
// A byte pipe to the instrument. The text and data channel (TInstrumentLink) speaks the protocol
// over one of these: USB bulk pipes or a TCP connection.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vt {

struct TTransferResult {
    bool Ok = false;
    std::size_t Count = 0;   // bytes sent or received
    bool TimedOut = false;   // nothing arrived within the time-out
    bool Closed = false;     // the peer closed the connection or the device went away
    std::string Error;       // the failure's text
};

class TLinkTransport {
public:
    virtual ~TLinkTransport() = default;
    virtual bool IsOpen() const = 0;
    virtual void Close() = 0;
    // Sends all bytes or fails.
    virtual TTransferResult Send(std::span<const std::uint8_t> bytes) = 0;
    // Waits at most timeoutMs for bytes and delivers up to into.size() of them. Bytes that arrived
    // beyond what the caller asked for are kept for the next call.
    virtual TTransferResult Receive(std::span<std::uint8_t> into, int timeoutMs) = 0;
    // Drops whatever was received and not yet delivered (a stale reply before a new command).
    virtual void DiscardReceived() = 0;
};

}  // namespace vt
