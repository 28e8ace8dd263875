// The program's arguments as its start takes them (NUL separates one argument from the next): the first
// check refuses only an option that was given, and the automation options are taken out whole.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "ui/Automation.h"
#include "ui/ProgramArguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (char c : vt::fuzz::InputBytes(data, size)) {
        if (c == '\0') args.emplace_back();
        else args.back() += c;
    }
    const vt::TArgumentsCheck check = vt::CheckProgramArguments(args);
    if (check.Verdict == vt::TArgumentsVerdict::Refuse &&
        (!check.Unknown.starts_with("--") || std::find(args.begin(), args.end(), check.Unknown) == args.end()))
        std::abort();
    std::vector<std::string> rest = args;
    std::string error;
    bool embedding = false;
    vt::TakeAutomationArguments(rest, error, &embedding);
    if (rest.size() > args.size()) std::abort();
    for (const std::string& arg : rest)
        if (arg == "--automation-port") std::abort();
    return 0;
}
