#pragma once
// The few libusb-1.0 calls the USB binding needs, behind an interface so that the binding's logic
// (whole-packet reads, carry buffer, time-outs) is tested against a mock without a device.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vt {

class TUsbApi {
public:
    // Return codes follow libusb: 0 success, negative errors.
    static constexpr int Success = 0;
    static constexpr int ErrorTimeout = -7;   // LIBUSB_ERROR_TIMEOUT
    static constexpr int ErrorNoDevice = -4;  // LIBUSB_ERROR_NO_DEVICE
    static constexpr int ErrorNotFound = -5;  // LIBUSB_ERROR_NOT_FOUND

    virtual ~TUsbApi() = default;
    virtual int Init() = 0;
    virtual void Exit() = 0;
    // Opens the first device with these ids whose serial-number text matches (without regard to
    // case) and claims its interface 0.
    virtual int Open(std::uint16_t vendorId, std::uint16_t productId, std::string_view serial) = 0;
    virtual void Close() = 0;
    // wMaxPacketSize of the endpoint of the open device (a positive number), or an error.
    virtual int MaxPacketSize(std::uint8_t endpoint) = 0;
    // A synchronous bulk transfer; `transferred` is valid also when the result is a time-out.
    virtual int BulkTransfer(std::uint8_t endpoint, std::uint8_t* data, int length, int& transferred,
                             unsigned timeoutMs) = 0;
    virtual std::string ErrorText(int code) = 0;
};

// The libusb-1.0 implementation.
std::unique_ptr<TUsbApi> MakeLibUsbApi();

}  // namespace vt
