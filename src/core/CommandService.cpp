#include "core/CommandService.h"

#include "core/CommandTree.h"
#include "core/ScopeGuards.h"

namespace vt {

bool TCOMRC::Execute(std::string_view command, std::string& respond) {
    respond.clear();
    // Counts the running command strings; the end of the outermost one is reported.
    const TDepthScope scope(Depth_, &OnFinished);
    try {
        TCommandTree* tree = Tree_ ? Tree_() : nullptr;
        // Before the settings exist no header is known.
        respond = tree ? tree->ExecuteCommandString(command, false) : std::string("ERROR");
        return true;
    } catch (const ECommandStringError& e) {
        respond = e.what();
        return false;
    }
}

bool TCOMRC::ExecCommand(std::string_view command, std::string& respond) {
    respond.clear();
    Log("Received --> " + std::string(command));
    const bool ok = Execute(command, respond);
    Log("    Returned --> " + respond);
    return ok;
}

}  // namespace vt
