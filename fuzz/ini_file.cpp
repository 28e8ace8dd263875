// The ini reader every ini file of the program goes through (DemoUnits.ini, the folder of the
// information file, the program's own settings): the file's bytes decoded, then every section and
// key read as the program reads them. The text written back reads the same entries.
#include <cstdlib>

#include "FuzzFiles.h"
#include "core/IniFiles.h"

namespace {

// Every entry as "section/key=value" through the reader's own look-ups.
std::vector<std::string> Entries(const vt::TMemIniFile_Dot& ini) {
    std::vector<std::string> entries;
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            entries.push_back(section + "/" + key + "=" + ini.ReadString(section, key, "<none>"));
            ini.ReadInteger(section, key, 0);
            ini.ReadBool(section, key, false);
            ini.ReadFloatOrDefault(section, key, 0, {});
            ini.ValueExists(section, key);
        }
        ini.ReadSectionValues(section);
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vt::TMemIniFile_Dot ini(vt::fuzz::WriteInputFile("Fuzz.ini", vt::fuzz::InputBytes(data, size)));
    const std::vector<std::string> entries = Entries(ini);
    vt::TMemIniFile_Dot again;
    again.SetText(ini.GetText());
    if (Entries(again) != entries) std::abort();
    return 0;
}
