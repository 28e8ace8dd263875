// Configuration.ini, the instrument list: read and repaired at the start, written back, and read once
// more as the next start reads it.
#include "FuzzFiles.h"
#include "core/TextFiles.h"
#include "link/InstrumentList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = vt::fuzz::WriteInputFile(vt::kConfigurationFileName, vt::fuzz::InputBytes(data, size));
    std::filesystem::remove(file.string() + ".bak");
    vt::TInstrumentList list(file);
    list.LoadInstrumentList({});
    for (int i = 0; i < list.Count(); ++i) list.InstrumentDisplayName(i);
    list.NewInstrumentName();
    list.NewDemoName();
    try {
        list.SaveInstrumentList();
    } catch (const vt::EFileError&) {
        return 0;
    }
    vt::TInstrumentList next(file);
    next.LoadInstrumentList({});
    return 0;
}
