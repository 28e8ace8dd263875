#include "link/InstrumentInfo.h"

#include <algorithm>
#include <charconv>

#include "core/AsciiText.h"
#include "core/DotNumberText.h"
#include "link/InstrumentLink.h"
#include "link/InstrumentList.h"

namespace vt {

namespace {
constexpr int EchoWaitMs = 1500;
constexpr const char* MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

std::string VersionText(const TSHW_Ver& version) {
    std::string text;
    for (std::size_t i = 0; i < version.Parts.size() && version.Parts[i] >= 0; ++i) {
        if (i > 0) text += '.';
        text += std::to_string(version.Parts[i]);
    }
    // The date numbers are year, month and day, as the text gives them ("(2010-03-12)").
    const int year = version.Numbers[0], month = version.Numbers[1], day = version.Numbers[2];
    if (year >= 0 && month >= 0 && day >= 0) {
        const std::string name = month >= 1 && month <= 12 ? MonthNames[month - 1] : std::to_string(month);
        text += "  (" + std::to_string(day) + ", " + name + " " + std::to_string(year) + ")";
    }
    return text;
}

std::string MacAddressText(const TMacAddress& m) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : m) {
        if (!text.empty()) text += '-';
        text += Digits[byte >> 4];
        text += Digits[byte & 0xF];
    }
    return text;
}

std::string MacCommandText(const TMacAddress& m) {
    return FormatDot("%d %d %d %d %d %d", m[0], m[1], m[2], m[3], m[4], m[5]);
}

bool ParseMacAddress(std::string_view text, TMacAddress& mac) {
    std::string s(text);
    std::replace(s.begin(), s.end(), '-', ' ');
    std::string_view rest = s;
    TMacAddress out{};
    for (std::size_t i = 0; i <= out.size(); ++i) {
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        if (i == out.size()) break;
        const std::size_t end = std::min(rest.find(' '), rest.size());
        unsigned value = 0;
        const auto [stop, ec] = std::from_chars(rest.data(), rest.data() + end, value, 16);
        if (end == 0 || ec != std::errc() || stop != rest.data() + end || value > 255) return false;
        out[i] = static_cast<std::uint8_t>(value);
        rest.remove_prefix(end);
    }
    if (!rest.empty()) return false;
    mac = out;
    return true;
}

int ModelOptionFlags(int type) {
    switch (type) {
        case 2:
        case 5: return 135;
        case 3:
        case 6: return 11;
        case 7: return 143;
        default: return 0;
    }
}

std::filesystem::path TempFolderPath(const std::function<const char*(const char*)>& getEnv) {
    const char* tmp = getEnv("TMPDIR");
    return (tmp && *tmp) ? std::filesystem::path(tmp) : std::filesystem::path("/tmp");
}

std::filesystem::path InfoFileDirIni(const std::function<const char*(const char*)>& getEnv) {
    return TempFolderPath(getEnv) / "Veltrane_InfoFileDir.ini";
}

TIpAddress QueryIpAddress(TInstrumentLink& link, std::string_view query) {
    TIpAddress address;
    if (!ParseIpAddress(TrimWhite(link.QueryCommand(query).Text), address)) address = TIpAddress{};
    return address;
}

namespace {
// Sends the query with its parameter and waits for the instrument to store it; true when it echoes it.
bool WriteEchoed(TInstrumentLink& link, std::string_view query, const std::string& value) {
    if (!link.SendCommand(std::string(query) + " " + value)) return false;
    link.Clock().SleepMs(EchoWaitMs);
    return TrimWhite(link.ReadReply().Text) == value;
}
}  // namespace

std::string WriteTcpIpProperties(TInstrumentLink& link, const TIpAddress& ip, const TIpAddress& mask,
                                 const TIpAddress& gateway) {
    if (!WriteEchoed(link, "Info:TCPIP:Gateway?", FormatIpAddress(gateway, 0))) return "ERR_WrGateway";
    if (!WriteEchoed(link, "Info:TCPIP:SubMask?", FormatIpAddress(mask, 0))) return "ERR_WrSubnetMask";
    if (!WriteEchoed(link, "Info:TCPIP:MyIP?", FormatIpAddress(ip, 0))) return "ERR_WrIPAddress";
    return {};
}

bool WriteMacAddress(TInstrumentLink& link, const TMacAddress& mac) {
    return WriteEchoed(link, "Info:TCPIP:GETMAC?", MacCommandText(mac));
}

}  // namespace vt
