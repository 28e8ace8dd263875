#include "core/CommandService.h"

#include "core/CommandTree.h"
#include "core/ScopeGuards.h"

namespace vt {

bool TCOMRC::Execute(std::string_view command, std::string& respond, std::size_t maxReply) {
    respond.clear();
    // Counts the running command strings; the end of the outermost one is reported.
    const TDepthScope scope(Depth_, &OnFinished);
    try {
        TCommandTree* tree = Tree_ ? Tree_() : nullptr;
        // Before the settings exist no header is known.
        if (!tree) {
            respond = "ERROR";
            return true;
        }
        // A nested run (a command that opens an event loop) keeps the bound of the run around it.
        TResetOnExit<std::size_t> bound(tree->MaxReplyBytes, tree->MaxReplyBytes);
        if (maxReply != 0) tree->MaxReplyBytes = maxReply;
        respond = tree->ExecuteCommandString(command, false);
        return true;
    } catch (const ECommandStringError& e) {
        respond = e.what();
        return false;
    }
}

bool TCOMRC::ExecCommand(std::string_view command, std::string& respond, std::size_t maxReply) {
    respond.clear();
    Log("Received --> " + std::string(command));
    const bool ok = Execute(command, respond, maxReply);
    Log("    Returned --> " + respond);
    return ok;
}

}  // namespace vt
