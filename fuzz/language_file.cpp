// A language file as the program's start reads the user's chosen language: the texts of the table
// taken from it (each checked against the English one), then every entry read as the forms read their
// texts and lists. The English file beside it is the one the program writes.
#include <cstdlib>

#include "FuzzFiles.h"
#include "core/LanguageFile.h"
#include "core/LanguageState.h"

namespace {

vt::TLanguageSetup Setup() {
    vt::TLanguageSetup setup;
    setup.DataRoot = vt::fuzz::FuzzFolder();
    setup.ConfigFolder = vt::fuzz::FuzzFolder() / "config";
    setup.ProgramFile = "/opt/veltrane/bin/veltrane";
    setup.ShowMessage = [](const std::string&) {};
    setup.AskYesNo = [](const std::string&) { return false; };
    return setup;
}

// The English file as the program writes it, and German chosen for the user.
bool WriteEnglishAndChooseGerman() {
    vt::fuzz::WriteInputFile("Language-Vlt.Deu", "[Common]\nCommon:Language=Deutsch\n");
    vt::TLanguageState state(Setup());
    state.InitLanguages();
    state.CreateEnglishLanguageFile();
    state.ScanLanguageFiles();
    const int german = state.Languages() ? state.Languages()->IndexOf("DEU") : -1;
    if (german < 0) std::abort();
    state.SwitchLanguage(german);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = WriteEnglishAndChooseGerman();
    (void)ready;
    vt::fuzz::WriteInputFile("Language-Vlt.Deu", vt::fuzz::InputBytes(data, size));
    vt::TLanguageState state(Setup());
    state.InitLanguages();
    state.GetLangStr("rsPeriod");
    if (const vt::TLangIniFile* file = state.FormTextsFile()) {
        for (const std::string& section : file->ReadSections()) {
            for (const std::string& entry : file->ReadSection(section)) {
                const std::string prefix = section + ":";
                if (entry.rfind(prefix, 0) != 0) continue;
                const std::string key = entry.substr(prefix.size());
                // Lists as the list controls read them (the count they hold), every other entry as a text.
                if (key.ends_with(vt::kLangItems) || key.ends_with(vt::kLangMenu)) {
                    std::string raw, value;
                    file->FindRaw(section, key, raw);
                    vt::ReadLangValue(raw, value);
                    std::vector<std::string> items;
                    state.ReadLangItems(*file, section, key, vt::LangItemsFromCommaText(value).size(), items);
                } else {
                    std::string text;
                    state.ReadLangText(*file, section, key, text);
                }
            }
        }
    }
    std::filesystem::remove(vt::fuzz::FuzzFolder() / vt::kLangErrorFileName);
    return 0;
}
