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
    // A string run inside another's event loop (the console while a held command waits) answers the
    // messages raised while it ran; the outer string keeps only its own.
    const std::size_t first = Messages_.size();
    bool ok = false;
    try {
        ok = Run(command, respond, maxReply);
    } catch (...) {
        Messages_.resize(first);
        throw;
    }
    for (std::size_t i = first; i < Messages_.size(); ++i) respond += (respond.empty() ? "" : ";") + Messages_[i];
    Messages_.resize(first);
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
