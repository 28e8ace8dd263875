#include "core/IpAddress.h"

#include <algorithm>

#include "core/DotNumberText.h"

namespace vt {

bool TextToIpAddress(std::string_view text, TIpAddress& address) {
    address = TIpAddress{};
    std::string s(text);
    std::replace(s.begin(), s.end(), '.', ' ');
    std::string_view rest(s);
    for (int b = 0; b < 4; ++b) {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        std::string_view part = rest;
        if (b < 3) {
            const std::size_t blank = rest.find(' ');
            if (blank == std::string_view::npos) return false;
            part = rest.substr(0, blank);
            rest.remove_prefix(blank);
        }
        long long v = 0;
        if (!TryStrToInt(part, v)) return false;
        address.Bytes[b] = static_cast<std::uint8_t>(v & 0xFF);
    }
    address.Valid = 1;
    return true;
}

bool SameIpAddress(const TIpAddress& a, const TIpAddress& b) {
    return a.Valid != 0 && b.Valid != 0 && std::equal(a.Bytes, a.Bytes + 4, b.Bytes);
}

std::string FormatIpAddress(const TIpAddress& address, int layout) {
    const auto* b = address.Bytes;
    if (layout == 0) return FormatDot("%d %d %d %d", b[0], b[1], b[2], b[3]);
    if (layout == 1) {
        if (address.Valid == 0) return "___ . ___ . ___ . ___";
        return FormatDot("  %d . %d . %d . %d", b[0], b[1], b[2], b[3]);
    }
    return FormatDot("%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
}

std::string IpAddressToText(const TIpAddress& address) {
    if (address.Valid == 0) return "???.???.???.???";
    return FormatIpAddress(address, 2);
}

}  // namespace vt
