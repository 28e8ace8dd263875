#pragma once
// An IPv4 address read from and written as text.
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

struct TIpAddress {
    std::uint8_t Valid = 0;
    std::uint8_t Bytes[4] = {255, 255, 255, 255};
};
bool TextToIpAddress(std::string_view text, TIpAddress& address);
bool SameIpAddress(const TIpAddress& a, const TIpAddress& b);
std::string FormatIpAddress(const TIpAddress& address, int layout);
std::string IpAddressToText(const TIpAddress& address);

}  // namespace vt
