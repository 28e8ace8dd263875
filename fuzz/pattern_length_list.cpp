// The pattern-length list file as the pattern search and its list dialog read it; the list the
// dialog keeps is written back, and a list written and read once more stays as it is.
#include <cstdlib>

#include "FuzzFiles.h"
#include "acq/PatternLengthList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = vt::fuzz::WriteInputFile(vt::PatternLengthListFile, vt::fuzz::InputBytes(data, size));
    const std::vector<int> values = vt::ReadPatternLengthList(file);
    vt::TPatternLengthItems items(values);
    const std::vector<int> kept = items.Values();
    vt::WritePatternLengthList(file, kept);
    const std::vector<int> once = vt::ReadPatternLengthList(file);
    vt::WritePatternLengthList(file, once);
    if (vt::ReadPatternLengthList(file) != once) std::abort();
    return 0;
}
