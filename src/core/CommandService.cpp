#include "core/CommandService.h"

#include "core/CommandTree.h"
#include "core/ScopeGuards.h"

namespace vt {

void TCOMRC::Report(const std::string& message) {
    Log("    Message --> " + message);
    if (Depth_ > 0) Messages_.push_back(message);
}

bool TCOMRC::Execute(std::string_view command, std::string& respond, std::size_t maxReply) {
    respond.clear();
    const bool outermost = Depth_ == 0;
    bool ok = false;
    try {
        ok = Run(command, respond, maxReply);
    } catch (...) {
        if (outermost) Messages_.clear();
        throw;
    }
    if (outermost) {
        for (const std::string& m : Messages_) respond += (respond.empty() ? "" : ";") + m;
        Messages_.clear();
    }
    return ok;
}

bool TCOMRC::Run(std::string_view command, std::string& respond, std::size_t maxReply) {
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
