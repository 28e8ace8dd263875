#pragma once
// The instrument's information and network settings as texts and exchanges: version texts, MAC and
// IP address forms, the demo model's option bits, and the echoed writes of the TCP/IP settings and of
// the MAC address.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "core/IpAddress.h"
#include "link/InstrumentIdentity.h"

namespace vt {

class TInstrumentLink;

// "3.10.4  (12, Mar 2010)": the numbers up to the first absent one, then the date (day, month name,
// year) when the record has one; a month outside 1..12 is written as its number.
std::string VersionText(const TSHW_Ver& version);

// "00-1a-2b-3c-4d-5e".
std::string MacAddressText(const TMacAddress& mac);
// "0 26 43 60 77 94": the form of the instrument's commands.
std::string MacCommandText(const TMacAddress& mac);
// "-" reads as a blank; then exactly six hexadecimal numbers 0..255.
bool ParseMacAddress(std::string_view text, TMacAddress& mac);

// The option bits a demo instrument of that model type has.
int ModelOptionFlags(int type);

// The ini file that remembers the folder of the last information file: in $TMPDIR, else /tmp.
std::filesystem::path InfoFileDirIni(const std::function<const char*(const char*)>& getEnv);
std::filesystem::path TempFolderPath(const std::function<const char*(const char*)>& getEnv);

// Reads one address query of the instrument ("Info:TCPIP:MyIP?" ...); invalid when the reply is none.
TIpAddress QueryIpAddress(TInstrumentLink& link, std::string_view query);

// Writes the gateway, the subnet mask and the own address in that order, each answered by its echo
// after 1500 ms on the link's clock; the first wrong echo stops. Answers the language key of the
// failed step, or empty when all three were echoed.
std::string WriteTcpIpProperties(TInstrumentLink& link, const TIpAddress& ip, const TIpAddress& mask,
                                 const TIpAddress& gateway);
// Writes the MAC address; true when the instrument echoed it.
bool WriteMacAddress(TInstrumentLink& link, const TMacAddress& mac);

}  // namespace vt
