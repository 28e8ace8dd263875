#include "link/UsbBinding.h"

#include <algorithm>
#include <cstring>

#include "core/InternalError.h"
#include "core/DotNumberText.h"

namespace vt {

namespace {
constexpr const char* LoadPrefix = "Error loading WinUSB.dll. Mare sure device USB driver is installed.\r\n\r\n";
constexpr const char* OpenPrefix =
    "Cannot connect to device via USB. Make sure the device is connected and device USB driver is "
    "installed.\r\n\r\n";
}  // namespace

EVltWinUSBTimeout::EVltWinUSBTimeout(unsigned timeoutMs)
    : std::runtime_error("WinUSB ReadPipe Timeout (" + std::to_string(timeoutMs) + " ms)") {}

TVltWinUsb::TVltWinUsb(std::unique_ptr<TUsbApi> api) : Api_(std::move(api)) {}

TVltWinUsb::~TVltWinUsb() {
    WinUsbClose();
    UnloadWinUsb();
}

void TVltWinUsb::EnsureWinUsbLoaded() {
    if (Loaded_) return;
    const int rc = Api_->Init();
    if (rc != TUsbApi::Success) throw EOSError(LoadPrefix + Api_->ErrorText(rc));
    Loaded_ = true;
}

void TVltWinUsb::UnloadWinUsb() {
    if (!Loaded_) return;
    Api_->Exit();
    Loaded_ = false;
}

void TVltWinUsb::WinUsbOpen() {
    EnsureWinUsbLoaded();
    if (Open_) VT_INTERNAL_ERROR("VltWinUSB", "USB device already open");
    const int rc = Api_->Open(InstrumentUsbVendorId, InstrumentUsbProductId, InstrumentUsbSerial);
    if (rc != TUsbApi::Success) {
        throw EOSError(OpenPrefix + FormatDot("No device %.4x:%.4x with serial \"%s\" (%s)", InstrumentUsbVendorId,
                                              InstrumentUsbProductId, InstrumentUsbSerial, Api_->ErrorText(rc)));
    }
    const int packet = Api_->MaxPacketSize(UsbPipeIn);
    PacketSize_ = packet > 0 ? static_cast<std::size_t>(packet) : 512;
    ReadBuffer_.assign((LargestRead + PacketSize_ - 1) / PacketSize_ * PacketSize_, 0);
    DropCarry();
    Open_ = true;
}

void TVltWinUsb::WinUsbClose() {
    if (!Open_) return;
    Api_->Close();
    Open_ = false;
    DropCarry();
}

void TVltWinUsb::WinUsbWritePipe(std::uint8_t pipe, std::span<const std::uint8_t> bytes) {
    if (!Open_) VT_INTERNAL_ERROR("VltWinUSB", "USB device not open");
    std::size_t done = 0;
    // libusb may move some of the buffer before it fails; the rest is sent on the next round.
    while (done < bytes.size()) {
        int moved = 0;
        const int rc = Api_->BulkTransfer(pipe, const_cast<std::uint8_t*>(bytes.data() + done),
                                          static_cast<int>(bytes.size() - done), moved, WriteTimeoutMs_);
        done += static_cast<std::size_t>(std::max(moved, 0));
        if (rc != TUsbApi::Success) throw EOSError(Api_->ErrorText(rc));
        if (moved <= 0) throw EOSError("WinUSB WritePipe moved no bytes");
    }
}

void TVltWinUsb::FlushPipe(std::uint8_t pipe, unsigned timeoutMs) {
    if (!Open_) VT_INTERNAL_ERROR("VltWinUSB", "USB device not open");
    int got = 0;
    Api_->BulkTransfer(pipe, ReadBuffer_.data(), static_cast<int>(ReadBuffer_.size()), got, timeoutMs);
    DropCarry();
}

std::size_t TVltWinUsb::WinUsbReadPipe(std::uint8_t pipe, std::span<std::uint8_t> into, unsigned timeoutMs) {
    if (!Open_) VT_INTERNAL_ERROR("VltWinUSB", "USB device not open");
    if (into.empty()) return 0;
    if (CarryCount() == 0) {
        // Ask for whole packets: a device packet larger than the space asked for would be an
        // overflow that loses it.
        std::size_t want = std::min(into.size(), LargestRead);
        want = (want + PacketSize_ - 1) / PacketSize_ * PacketSize_;
        int got = 0;
        const int rc = Api_->BulkTransfer(pipe, ReadBuffer_.data(), static_cast<int>(want), got, timeoutMs);
        got = std::clamp(got, 0, static_cast<int>(want));
        CarryBegin_ = 0;
        CarryEnd_ = static_cast<std::size_t>(got);
        if (rc == TUsbApi::ErrorTimeout && got == 0) throw EVltWinUSBTimeout(timeoutMs);
        if (rc != TUsbApi::Success && rc != TUsbApi::ErrorTimeout) throw EOSError(Api_->ErrorText(rc));
    }
    const std::size_t n = std::min(into.size(), CarryCount());
    std::memcpy(into.data(), ReadBuffer_.data() + CarryBegin_, n);
    CarryBegin_ += n;
    if (CarryBegin_ == CarryEnd_) DropCarry();
    return n;
}

}  // namespace vt
