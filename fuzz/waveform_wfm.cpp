// A binary waveform file (.wfm) as the load reads it: refused whole, or taken whole; a record taken
// holds only finite numbers and is written back to a file that loads again.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "FuzzFiles.h"
#include "acq/SignalObj.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto record = std::make_unique<vt::TSignalObj>();
    if (!record->LoadBinaryImage(vt::fuzz::InputBytes(data, size))) return 0;
    // Every number a loaded record holds is finite: the readouts and the drawing divide by them.
    for (double v : {record->Origin(), record->SampleInterval(), record->VertOffset(), record->VertScale(),
                     record->Dielectric(), record->TdrScale(), record->TdrOffset()})
        if (!std::isfinite(v)) std::abort();
    for (int i = 0; i < record->Length(); ++i)
        if (!std::isfinite(record->Data1()[i])) std::abort();
    auto again = std::make_unique<vt::TSignalObj>();
    if (!again->LoadBinaryImage(record->BinaryImage())) std::abort();
    return 0;
}
