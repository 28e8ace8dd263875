// A setup file recalled by the program: checked whole, then every line applied to the program's full
// command tree.
#include "FuzzFiles.h"
#include "ProgramHarness.h"
#include "acq/SaveRecall.h"

int main(int argc, char** argv) {
    return vt::fuzz::RunProgramFuzzer(argc, argv, [](vt::TShell& shell, vt::TProgramFeatures&, std::string_view bytes) {
        const auto file = vt::fuzz::WriteInputFile("Fuzz.set", bytes);
        bool damaged = false;
        vt::RecallSetupFile(shell, file.string(), false, &damaged);
    });
}
