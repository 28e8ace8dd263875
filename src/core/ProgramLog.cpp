#include "core/ProgramLog.h"

#include <iostream>

namespace vt {

void LogProgramLine(std::string_view text) { std::cerr << "veltrane: " << text << '\n'; }

}  // namespace vt
