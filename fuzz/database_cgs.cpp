// The waveform database file (.cgs). A record is 16 MB: the input is its beginning (the header and
// the first counters), the rest of the counters 0; the input as it stands is read as well.
#include <algorithm>
#include <memory>
#include <string>

#include "FuzzFiles.h"
#include "acq/WaveformDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = vt::fuzz::InputBytes(data, size);
    static std::string record(vt::TWaveDatabase::FileBytes, '\0');
    static const auto database = std::make_unique<vt::TWaveDatabase>();
    const std::size_t head = std::min(input.size(), record.size());
    std::copy_n(input.begin(), head, record.begin());
    database->Parse(record);
    std::fill_n(record.begin(), head, '\0');
    database->Parse(input);
    return 0;
}
