#pragma once
// The program's own version as four numbers, from the version CMake compiles in.
#include <string>
#include <string_view>

namespace vt {

// "0.1.0" -> "0.1.0.0": missing parts are 0, parts past the fourth are dropped.
std::string FourPartVersion(std::string_view version);
std::string GetOwnFileVersion();

}  // namespace vt
