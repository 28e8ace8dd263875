#pragma once
// The language set-up of a test: its files in root, its configuration below it, no questions asked.
#include <filesystem>
#include <string>

#include "core/LanguageState.h"

namespace vt::test {

inline TLanguageSetup QuietLanguageSetup(const std::filesystem::path& root) {
    TLanguageSetup setup;
    setup.DataRoot = root;
    setup.ConfigFolder = root / "config";
    setup.ProgramFile = "/opt/veltrane/bin/veltrane";
    setup.ShowMessage = [](const std::string&) {};
    setup.AskYesNo = [](const std::string&) { return false; };
    return setup;
}

}  // namespace vt::test
