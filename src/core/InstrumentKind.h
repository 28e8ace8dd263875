#pragma once
// Which kind of instrument the program works with: none ("Absent"), one over USB or LAN, or the demo
// simulator. The instrument list, the link and the shell context all speak of it.
#include <cstdint>

namespace vt {

enum class TInstrumentLinkKind : std::uint8_t { None = 0, Usb = 1, Tcp = 2, Demo = 3 };

}  // namespace vt
