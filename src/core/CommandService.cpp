#include "core/CommandService.h"

#include "core/CommandTree.h"
#include "core/ScopeGuards.h"

namespace vt {

namespace {
std::string JoinReplies(const std::string& first, const std::string& second) {
    if (first.empty()) return second;
    return second.empty() ? first : first + ";" + second;
}
}  // namespace

// The wait of one running string: shared by the string and the work that took its reply, so that
// either may end first.
struct TCOMRC::TLaterState {
    TLaterReply Sink;
    bool Taken = false;   // work took the reply
    bool Ended = false;   // the string has returned
    bool Given = false;   // the work has ended
    std::string Lead;     // what the string replied itself
    std::string Text;     // the work's text, given before the string returned
};

TLaterReply TCOMRC::DeferReply() {
    if (Strings_.empty() || !Strings_.back() || Strings_.back()->Taken) return nullptr;
    std::shared_ptr<TLaterState> state = Strings_.back();
    state->Taken = true;
    return [state](const std::string& text) {
        if (state->Given) return;
        state->Given = true;
        if (!state->Ended) {
            state->Text = text;
            return;
        }
        const TLaterReply sink = std::move(state->Sink);
        if (sink) sink(JoinReplies(state->Lead, text));
    };
}

void TCOMRC::Report(const std::string& message) {
    Log("    Message --> " + message);
    if (Depth_ > 0) Messages_.push_back(message);
}

bool TCOMRC::Execute(std::string_view command, std::string& respond, std::size_t maxReply, TLaterReply later) {
    respond.clear();
    Deferred_ = false;
    // A string run inside another's event loop (the console while a held command waits) answers the
    // messages raised while it ran; the outer string keeps only its own.
    const std::size_t first = Messages_.size();
    std::shared_ptr<TLaterState> state;
    if (later) {
        state = std::make_shared<TLaterState>();
        state->Sink = std::move(later);
    }
    Strings_.push_back(state);
    bool ok = false;
    try {
        ok = Run(command, respond, maxReply);
    } catch (...) {
        Messages_.resize(first);
        Strings_.pop_back();
        throw;
    }
    Strings_.pop_back();
    for (std::size_t i = first; i < Messages_.size(); ++i) respond += (respond.empty() ? "" : ";") + Messages_[i];
    Messages_.resize(first);
    Deferred_ = false;
    if (state && state->Taken) {
        state->Ended = true;
        if (state->Given) {
            respond = JoinReplies(respond, state->Text);
        } else {
            state->Lead = std::move(respond);
            respond.clear();
            Deferred_ = true;
        }
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

bool TCOMRC::ExecCommand(std::string_view command, std::string& respond, std::size_t maxReply, TLaterReply later) {
    respond.clear();
    Log("Received --> " + std::string(command));
    const bool ok = Execute(command, respond, maxReply, std::move(later));
    // A reply left to running work is logged by whoever receives it.
    if (!Deferred_) Log("    Returned --> " + respond);
    return ok;
}

}  // namespace vt
