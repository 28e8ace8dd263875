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
    std::size_t MaxReply = 0;
    TLineHold Hold;       // where the string stopped for the work, and what is left of it
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
    return [state, alive = std::weak_ptr<TCOMRC*>(Alive_)](const std::string& text) {
        if (state->Given) return;
        state->Given = true;
        if (!state->Ended) {
            state->Text = text;
            return;
        }
        std::string reply = JoinReplies(state->Lead, text);
        if (state->Hold.Stopped) {
            if (const auto service = alive.lock()) (*service)->Resume(state, std::move(reply));
            return;
        }
        const TLaterReply sink = std::move(state->Sink);
        if (sink) sink(reply);
    };
}

void TCOMRC::Resume(const std::shared_ptr<TLaterState>& ended, std::string lead) {
    // Not from inside the work's own ending: the rest runs in its turn, as a line would.
    Ready_.push_back([this, ended, lead = std::move(lead)] {
        const TLaterReply sink = std::move(ended->Sink);
        auto after = [sink, lead](const std::string& reply) {
            if (sink) sink(JoinReplies(lead, reply));
        };
        std::string respond;
        try {
            RunLine({}, &ended->Hold, respond, ended->MaxReply, after);
            if (Deferred_) return;
        } catch (const std::exception& e) {
            respond = e.what();
        } catch (...) {
            respond = "ERROR";
        }
        Deferred_ = false;
        after(respond);
    });
    if (OnReady)
        OnReady();
    else
        RunReady();
}

void TCOMRC::RunReady() {
    while (!Running() && !Ready_.empty()) {
        const std::function<void()> next = std::move(Ready_.front());
        Ready_.erase(Ready_.begin());
        next();
    }
}

void TCOMRC::Report(const std::string& message) {
    Log("    Message --> " + message);
    if (Depth_ > 0) Messages_.push_back(message);
}

bool TCOMRC::Execute(std::string_view command, std::string& respond, std::size_t maxReply, TLaterReply later) {
    return RunLine(command, nullptr, respond, maxReply, std::move(later));
}

bool TCOMRC::RunLine(std::string_view command, const TLineHold* from, std::string& respond, std::size_t maxReply,
                     TLaterReply later) {
    respond.clear();
    Deferred_ = false;
    std::shared_ptr<TLaterState> state;
    auto wait = [&](TLaterReply sink) {
        state = std::make_shared<TLaterState>();
        state->Sink = std::move(sink);
        state->MaxReply = maxReply;
        state->Hold.Held = [raw = state.get()] { return raw->Taken; };
    };
    if (later) wait(std::move(later));
    TLineHold rest;
    bool ok = true;
    // One piece per command that holds its reply: a piece whose work ended within it goes on at once.
    for (;;) {
        // A string run while another one runs (events let through by the outer one's work) answers the
        // messages raised while it ran; the outer string keeps only its own.
        const std::size_t first = Messages_.size();
        Strings_.push_back(state);
        std::string piece;
        try {
            ok = Run(command, from, piece, maxReply, state ? &state->Hold : nullptr) && ok;
        } catch (...) {
            Messages_.resize(first);
            Strings_.pop_back();
            throw;
        }
        Strings_.pop_back();
        for (std::size_t i = first; i < Messages_.size(); ++i) piece += (piece.empty() ? "" : ";") + Messages_[i];
        Messages_.resize(first);
        respond = JoinReplies(respond, piece);
        if (!state || !state->Taken) break;
        state->Ended = true;
        if (!state->Given) {
            state->Lead = std::move(respond);
            respond.clear();
            Deferred_ = true;
            break;
        }
        respond = JoinReplies(respond, state->Text);
        if (!state->Hold.Stopped) break;
        rest = std::move(state->Hold);
        rest.Held = nullptr;
        from = &rest;
        wait(std::move(state->Sink));
    }
    return ok;
}

bool TCOMRC::Run(std::string_view command, const TLineHold* from, std::string& respond, std::size_t maxReply,
                 TLineHold* hold) {
    // Counts the running command strings; the end of the outermost one is reported.
    const TDepthScope scope(Depth_, &OnFinished);
    try {
        TCommandTree* tree = Tree_ ? Tree_() : nullptr;
        // Before the settings exist no header is known.
        if (!tree) {
            respond = "ERROR";
            return true;
        }
        // A string run while another one runs keeps the bound of the outer one.
        TResetOnExit<std::size_t> bound(tree->MaxReplyBytes, tree->MaxReplyBytes);
        if (maxReply != 0) tree->MaxReplyBytes = maxReply;
        respond = from ? tree->ContinueCommandString(*from, hold) : tree->ExecuteCommandString(command, false, hold);
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
