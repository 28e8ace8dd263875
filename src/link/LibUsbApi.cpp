#include <libusb.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "link/UsbApi.h"
#include "core/AsciiText.h"

namespace vt {
namespace {

class TLibUsbApi final : public TUsbApi {
public:
    ~TLibUsbApi() override {
        Close();
        Exit();
    }

    int Init() override {
        if (Context_) return LIBUSB_SUCCESS;
        return libusb_init(&Context_);
    }

    void Exit() override {
        if (!Context_) return;
        libusb_exit(Context_);
        Context_ = nullptr;
    }

    int Open(std::uint16_t vendorId, std::uint16_t productId, std::string_view serial) override {
        if (!Context_) return LIBUSB_ERROR_OTHER;
        libusb_device** list = nullptr;
        const ssize_t n = libusb_get_device_list(Context_, &list);
        if (n < 0) return static_cast<int>(n);
        int result = LIBUSB_ERROR_NOT_FOUND;
        for (ssize_t i = 0; i < n && !Handle_; ++i) {
            libusb_device_descriptor d{};
            if (libusb_get_device_descriptor(list[i], &d) != 0) continue;
            if (d.idVendor != vendorId || d.idProduct != productId) continue;
            libusb_device_handle* h = nullptr;
            result = libusb_open(list[i], &h);
            if (result != 0) continue;
            unsigned char text[256] = {};
            const int len = d.iSerialNumber
                                ? libusb_get_string_descriptor_ascii(h, d.iSerialNumber, text, sizeof text)
                                : -1;
            if (len < 0 || !SameText(std::string_view(reinterpret_cast<char*>(text), len), serial)) {
                libusb_close(h);
                result = LIBUSB_ERROR_NOT_FOUND;
                continue;
            }
            libusb_set_auto_detach_kernel_driver(h, 1);
            result = libusb_claim_interface(h, 0);
            if (result != 0) {
                libusb_close(h);
                continue;
            }
            Handle_ = h;
        }
        libusb_free_device_list(list, 1);
        return Handle_ ? LIBUSB_SUCCESS : result;
    }

    void Close() override {
        if (!Handle_) return;
        libusb_release_interface(Handle_, 0);
        libusb_close(Handle_);
        Handle_ = nullptr;
    }

    int MaxPacketSize(std::uint8_t endpoint) override {
        if (!Handle_) return LIBUSB_ERROR_NO_DEVICE;
        return libusb_get_max_packet_size(libusb_get_device(Handle_), endpoint);
    }

    int BulkTransfer(std::uint8_t endpoint, std::uint8_t* data, int length, int& transferred,
                     unsigned timeoutMs) override {
        transferred = 0;
        if (!Handle_) return LIBUSB_ERROR_NO_DEVICE;
        return libusb_bulk_transfer(Handle_, endpoint, data, length, &transferred, timeoutMs);
    }

    std::string ErrorText(int code) override { return libusb_strerror(code); }

private:
    libusb_context* Context_ = nullptr;
    libusb_device_handle* Handle_ = nullptr;
};

}  // namespace

std::unique_ptr<TUsbApi> MakeLibUsbApi() { return std::make_unique<TLibUsbApi>(); }

}  // namespace vt
