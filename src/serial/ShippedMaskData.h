#pragma once
// The standard masks shipped with the program, built in as text: paths relative to the standards
// folder ("/" separated), contents as the files hold them.
#include <span>

namespace vt {

struct TShippedMaskFile {
    const char* Path;
    const char* Text;
};

std::span<const TShippedMaskFile> ShippedStandardMaskFiles();

}  // namespace vt
