#include "link/UsbTransport.h"

#include <exception>

namespace vt {

void TUsbTransport::Open(unsigned flushTimeoutMs) {
    Usb_.WinUsbOpen();
    Usb_.FlushPipe(UsbPipeIn, flushTimeoutMs);
}

TTransferResult TUsbTransport::Send(std::span<const std::uint8_t> bytes) {
    TTransferResult r;
    try {
        Usb_.WinUsbWritePipe(UsbPipeOut, bytes);
        r.Ok = true;
        r.Count = bytes.size();
    } catch (const std::exception& e) {
        r.Error = e.what();
    }
    return r;
}

TTransferResult TUsbTransport::Receive(std::span<std::uint8_t> into, int timeoutMs) {
    TTransferResult r;
    try {
        r.Count = Usb_.WinUsbReadPipe(UsbPipeIn, into, static_cast<unsigned>(timeoutMs < 0 ? 0 : timeoutMs));
        r.Ok = true;
    } catch (const EVltWinUSBTimeout& e) {
        r.TimedOut = true;
        r.Error = e.what();
    } catch (const std::exception& e) {
        r.Error = e.what();
    }
    return r;
}

}  // namespace vt
