#pragma once
// The instrument over USB as a byte pipe: out pipe 0x02, in pipe 0x81.
#include <memory>

#include "link/LinkTransport.h"
#include "link/UsbBinding.h"

namespace vt {

class TUsbTransport final : public TLinkTransport {
public:
    explicit TUsbTransport(std::unique_ptr<TUsbApi> api) : Usb_(std::move(api)) {}

    // Opens the device and flushes what the instrument still had queued. Raises on failure.
    void Open(unsigned flushTimeoutMs);
    bool IsOpen() const override { return Usb_.IsOpen(); }
    void Close() override { Usb_.WinUsbClose(); }
    TTransferResult Send(std::span<const std::uint8_t> bytes) override;
    TTransferResult Receive(std::span<std::uint8_t> into, int timeoutMs) override;
    void DiscardReceived() override { Usb_.DropCarry(); }
    TVltWinUsb& Binding() { return Usb_; }

private:
    TVltWinUsb Usb_;
};

}  // namespace vt
