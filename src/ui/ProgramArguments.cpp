#include "ui/ProgramArguments.h"

namespace vt {

TArgumentsCheck CheckProgramArguments(const std::vector<std::string>& args) {
    TArgumentsCheck check;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") return {TArgumentsVerdict::ShowUsage, {}};
        if (arg == "--home" || arg == "--automation-port") {
            ++i;
        } else if (arg.starts_with("--") && check.Verdict == TArgumentsVerdict::Run) {
            check = {TArgumentsVerdict::Refuse, arg};
        }
    }
    return check;
}

std::string ProgramUsageText() {
    return "Usage: veltrane [INSTRUMENT] [--home DIR] [--automation-port N] [-Embedding]\n"
           "\n"
           "  INSTRUMENT             the instrument to start on: \"Absent\" (none), \"Default_Demo\" (the\n"
           "                         demo instrument) or the name or label of an entry of the instrument\n"
           "                         list; without one, the start instrument of the instrument list\n"
           "  --home DIR             the data root (default $VELTRANE_HOME, else $XDG_DATA_HOME/veltrane)\n"
           "  --automation-port N    the automation server's port on 127.0.0.1 (default 5025; 0: off)\n"
           "  -Embedding             started by an automation client\n"
           "  -h, --help             this text\n";
}

}  // namespace vt
