#pragma once
// The program's log: one line on standard error for each message the program gives by itself and for
// each question it answered for a person who could not (no screen, a remote command running).
#include <string_view>

namespace vt {

// Writes "veltrane: " + text as one line.
void LogProgramLine(std::string_view text);

}  // namespace vt
