// Command lines from an automation client, run as the automation server runs them: the input split
// into lines at "\n" (a "\r" before it dropped), each run by the program's automation service against
// the program's full command tree, with the server's bound on a reply.
#include <exception>
#include <string>

#include "ProgramHarness.h"
#include "core/CommandService.h"
#include "ui/Automation.h"
#include "ui/ProgramFeatures.h"

int main(int argc, char** argv) {
    return vt::fuzz::RunProgramFuzzer(argc, argv, [](vt::TShell&, vt::TProgramFeatures& features, std::string_view input) {
        vt::TAutomation* automation = features.Automation().Automation();
        if (!automation) return;
        while (!input.empty()) {
            const std::size_t end = input.find('\n');
            std::string_view line = input.substr(0, end);
            input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            std::string reply;
            try {
                automation->Service.Execute(line, reply, 1 << 20);
            } catch (const std::exception&) {
                // The server replies the exception's text.
            }
        }
    });
}
