#pragma once
// The first look at the command line, before any window, file or link is touched: a request for the
// usage text and options the program does not know end the start at once.
#include <string>
#include <vector>

namespace vt {

enum class TArgumentsVerdict { Run, ShowUsage, Refuse };

struct TArgumentsCheck {
    TArgumentsVerdict Verdict = TArgumentsVerdict::Run;
    std::string Unknown;  // the refused option
};

// args: the arguments without the program name. "--help" or "-h" ask for the usage text; an option
// beginning with "--" that the program does not know is refused. The values of "--home" and
// "--automation-port" are not options, whatever they look like.
TArgumentsCheck CheckProgramArguments(const std::vector<std::string>& args);

// The usage text, ending with a line break.
std::string ProgramUsageText();

}  // namespace vt
