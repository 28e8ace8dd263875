#pragma once
// The USB binding: opens the one instrument by vendor id, product id and serial text, writes the out
// pipe and reads the in pipe with a time-out. Raises exceptions; the link turns them into results.
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/UsbApi.h"

#ifndef VT_USB_VENDOR_ID
#define VT_USB_VENDOR_ID 0x0000
#endif

namespace vt {

inline constexpr std::uint16_t InstrumentUsbVendorId = VT_USB_VENDOR_ID;
inline constexpr std::uint16_t InstrumentUsbProductId = 0x100B;
inline constexpr const char* InstrumentUsbSerial = "2008-nnnnn";
inline constexpr std::uint8_t UsbPipeOut = 0x02;
inline constexpr std::uint8_t UsbPipeIn = 0x81;

// A failure the USB layer or the operating system reports.
class EOSError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A pipe read that received nothing within its time-out.
class EVltWinUSBTimeout : public std::runtime_error {
public:
    explicit EVltWinUSBTimeout(unsigned timeoutMs);
};

class TVltWinUsb {
public:
    // Each read asks for whole packets; the largest read is the flush after opening.
    static constexpr std::size_t LargestRead = 65576;

    explicit TVltWinUsb(std::unique_ptr<TUsbApi> api);
    ~TVltWinUsb();
    TVltWinUsb(const TVltWinUsb&) = delete;
    TVltWinUsb& operator=(const TVltWinUsb&) = delete;

    // Initialises the USB library once; a failure carries the load prefix.
    void EnsureWinUsbLoaded();
    void UnloadWinUsb();
    // Opening an open device is an internal error.
    void WinUsbOpen();
    void WinUsbClose();
    bool IsOpen() const { return Open_; }
    // A write that the device does not take within this time fails instead of blocking for ever.
    void SetWriteTimeout(unsigned ms) { WriteTimeoutMs_ = ms; }
    void WinUsbWritePipe(std::uint8_t pipe, std::span<const std::uint8_t> bytes);
    // Delivers at most into.size() bytes. Bytes already held are delivered at once; a transfer that
    // brought more than was asked for keeps the rest for the next read. A time-out with bytes
    // received delivers them; without any it raises EVltWinUSBTimeout.
    std::size_t WinUsbReadPipe(std::uint8_t pipe, std::span<std::uint8_t> into, unsigned timeoutMs);
    // One read of the largest size whose bytes are dropped, with the bytes held; a failure or
    // time-out is ignored (there was nothing stale to drop).
    void FlushPipe(std::uint8_t pipe, unsigned timeoutMs);
    // Forgets the bytes held from an earlier transfer.
    void DropCarry() { CarryBegin_ = CarryEnd_ = 0; }
    std::size_t CarryCount() const { return CarryEnd_ - CarryBegin_; }

private:
    std::unique_ptr<TUsbApi> Api_;
    bool Loaded_ = false;
    bool Open_ = false;
    std::size_t PacketSize_ = 512;
    unsigned WriteTimeoutMs_ = 1000;
    std::vector<std::uint8_t> ReadBuffer_;  // whole packets of the last transfer
    std::size_t CarryBegin_ = 0;
    std::size_t CarryEnd_ = 0;
};

}  // namespace vt
