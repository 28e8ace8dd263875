// A text waveform file (.txt, .txty) as the load reads it: refused whole, or taken whole; a record
// taken is written back to a text that loads again.
#include <cstdlib>
#include <memory>

#include "FuzzFiles.h"
#include "acq/SignalObj.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto record = std::make_unique<vt::TSignalObj>();
    if (!record->LoadTextImage(vt::fuzz::InputBytes(data, size))) return 0;
    auto again = std::make_unique<vt::TSignalObj>();
    if (!again->LoadTextImage(record->TextImage(false))) std::abort();
    return 0;
}
