#include "core/CommandTree.h"

#include <algorithm>

#include "core/InternalError.h"

namespace vt {

namespace {

bool HasDigit(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

[[noreturn]] void SpiderError(const std::string& message) { VT_INTERNAL_ERROR(SpiderUnitName, message); }

const std::string ErrorReply = "ERROR";

// A setup value that the command scanner would cut at ";" (or read as quoted) is written quoted;
// every other value is written exactly as its handler gives it.
bool NeedsQuotes(std::string_view value) {
    return value.find(';') != std::string_view::npos || (!value.empty() && value.front() == '"');
}

std::string Quoted(std::string_view value) {
    std::string s = "\"";
    for (char c : value) {
        if (c == '"') s += '"';
        s += c;
    }
    s += '"';
    return s;
}
}  // namespace

int CompareMnemonics(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    if (!HasDigit(a) && !HasDigit(b)) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// ---------------------------------------------------------------------------------------------------
TSpider::TSpider(TCommandTree& tree) : Tree_(&tree) {}

TSpider::~TSpider() = default;

int TSpider::FindMnemonic(std::string_view header, std::size_t& pos, bool add, std::string_view fullPath) {
    std::string m;
    if (pos == 0 && !header.empty() && header[0] == '*') {
        m = "*";
    } else {
        std::size_t i = pos;
        for (; i < header.size() && header[i] != ':'; ++i) {
            if (m.size() < MaxMnemonicLength)
                m += UpperChar(header[i]);
            else if (add)
                SpiderError("ERROR!  Mnemonic too long");
        }
        pos = (i < header.size()) ? i : (header.empty() ? 0 : header.size() - 1);
        if (m.empty()) {
            if (add) SpiderError(MnemonicsAbsentText);
            return -1;
        }
    }
    // Entries are kept in plain byte order. An exact mnemonic wins; otherwise a command may lengthen a
    // registered mnemonic without digits (TRIGGER reaches TRIG), the longest one it lengthens.
    const auto byMnemonic = [](const TEntry& e, std::string_view key) { return e.Mnemonic < key; };
    const auto at = std::lower_bound(Entries_.begin(), Entries_.end(), std::string_view(m), byMnemonic);
    const int lo = static_cast<int>(at - Entries_.begin());
    if (at != Entries_.end() && at->Mnemonic == m) return lo;
    const bool groupFollows = pos < header.size() && header[pos] == ':';
    const bool lengthens = !HasDigit(m);
    int lengthened = -1;
    for (std::size_t n = m.size() - 1; lengthens && n > 0 && lengthened < 0; --n) {
        const std::string_view prefix = std::string_view(m).substr(0, n);
        const auto p = std::lower_bound(Entries_.begin(), Entries_.end(), prefix, byMnemonic);
        if (p != Entries_.end() && p->Mnemonic == prefix) lengthened = static_cast<int>(p - Entries_.begin());
    }
    if (!add) return lengthened;
    // A registration joins a group it lengthens (DISPLAY: and DISPL: are one group); a setting of its
    // own never lands on a group or setting of another name (DBSTYLE beside the DB: group).
    if (lengthened >= 0 && groupFollows && Entries_[static_cast<std::size_t>(lengthened)].Child) return lengthened;
    if (lengthens && groupFollows)
        for (auto e = at; e != Entries_.end() && e->Mnemonic.starts_with(m); ++e)
            if (e->Child && !HasDigit(e->Mnemonic))
                SpiderError("New Mnemonik " + std::string(fullPath) + " is shorter than Old");
    if (Entries_.size() >= 65536) SpiderError("ERROR!  Too many Commands");
    TEntry e;
    // The registration ordinal is fixed once, so listings never lose or repeat an entry.
    e.Order = static_cast<std::uint16_t>(Entries_.size());
    e.Mnemonic = std::move(m);
    Entries_.insert(Entries_.begin() + lo, std::move(e));
    return lo;
}

THandler& TSpider::Register(std::string_view path, std::unique_ptr<THandler> handler, bool replace) {
    TCommandTree& tree = *Tree_;
    tree.Linked_ = false;
    tree.Resolved_.clear();
    if (path.size() > MaxHeaderLength) SpiderError("ERROR!  Command " + std::string(path) + " too long");
    {
        const std::string head = UpperCase(path.substr(0, 7));
        const std::string_view h(head);
        if (h.starts_with("*") || h.starts_with("SHADOW:") || h.starts_with("FLASH:") || h.starts_with("INSTR:"))
            handler->SetNoSave(true);
    }
    TSpider* node = this;
    std::size_t pos = 0;
    for (;;) {
        const int idx = node->FindMnemonic(path, pos, true, path);
        TEntry& entry = node->Entries_[static_cast<std::size_t>(idx)];
        const bool separator = pos < path.size() && (path[pos] == ':' || (pos == 0 && path[0] == '*'));
        if (separator) {
            if (!entry.Child) entry.Child = std::make_unique<TSpider>(tree);
            node = entry.Child.get();
            ++pos;
            continue;
        }
        if (entry.Handler && !replace) SpiderError("ERROR!  Command " + std::string(path) + " Repeated");
        handler->AttachToTree(&tree);
        entry.Handler = std::move(handler);
        return *entry.Handler;
    }
}

THandler* TSpider::FindHandler(std::string_view path) const {
    auto* node = const_cast<TSpider*>(this);
    std::size_t pos = 0;
    while (node != nullptr) {
        const int idx = node->FindMnemonic(path, pos, false, path);
        if (idx < 0) return nullptr;
        const TEntry& entry = node->Entries_[static_cast<std::size_t>(idx)];
        const bool separator = pos < path.size() && (path[pos] == ':' || (pos == 0 && path[0] == '*'));
        if (!separator) return entry.Handler.get();
        node = entry.Child.get();
        ++pos;
    }
    return nullptr;
}

TRadioSwHandler& TSpider::AddRadioHandler(std::string_view path, const TRadioOptions& o) {
    return Add(path, std::make_unique<TRadioSwHandler>(o), o.Replace);
}

TCheckSwHandler& TSpider::AddCheckHandler(std::string_view path, const TCheckOptions& o) {
    return Add(path, std::make_unique<TCheckSwHandler>(o));
}

TOnOffHandler& TSpider::AddOnOffHandler(std::string_view path, const TOnOffOptions& o) {
    return Add(path, std::make_unique<TOnOffHandler>(o));
}

TIntEditHandler& TSpider::AddIntEditHandler(std::string_view path, const TEditOptions& o) {
    TIntEditHandler& h = Add(path, std::make_unique<TIntEditHandler>(o));
    h.BindColors();
    return h;
}

TDoubleEditHandler& TSpider::AddDoubleEditHandler(std::string_view path, const TEditOptions& o) {
    TDoubleEditHandler& h = Add(path, std::make_unique<TDoubleEditHandler>(o));
    h.BindColors();
    return h;
}

TMainCommandHandler& TSpider::AddMainCommandHandler(std::string_view path, const TMainCommandOptions& o) {
    return Add(path, std::make_unique<TMainCommandHandler>(o));
}

TRightCommandHandler& TSpider::AddRightCommandHandler(std::string_view path, THandlerCallback action) {
    return Add(path, std::make_unique<TRightCommandHandler>(std::move(action)));
}

TSignalSourceSwHandler& TSpider::AddSignalSourceHandler(std::string_view path, const TSourceOptions& o) {
    // An excluded source (one this setting can never use: it would be accepted and then fail or be
    // ignored) is refused, from a setup line too, which the load then skips; the name is read as given.
    TSignalSourceSwHandler& h = AddRefusing<TSignalSourceSwHandler>(
        path,
        {.Refuses = [](const TSignalSourceSwHandler& self,
                       std::string_view name) { return self.IsExcluded(self.FindItem(name)); },
         .SetupLinesToo = true,
         .Untrimmed = true},
        o);
    h.FollowSignals(Tree_->SignalEnablity());
    return h;
}

TGpibStringHandler& TSpider::AddGpibStringHandler(std::string_view path, std::uint8_t tag,
                                                  TGpibReplyCallback callback) {
    return Add(path, std::make_unique<TGpibStringHandler>(tag, std::move(callback)));
}

TComplexObjectHandler& TSpider::AddComplexObjectHandler(std::string_view path, TStateCallback callback) {
    return Add(path, std::make_unique<TComplexObjectHandler>(std::move(callback)));
}

// ---------------------------------------------------------------------------------------------------
struct TSpider::TCommandText {
    std::string Header;
    std::string Parameter;
    bool Query = false;
    bool Quoted = false;
    bool InQuote = false;
    enum class TAt { Start, Header, BeforeValue, Value } At = TAt::Start;

    // Reads text[i], which is not a ";" that ends the command; a doubled quote inside a quoted value
    // moves i onto its second quote. True when it was a ":" that starts the command at the root.
    bool Read(std::string_view text, std::size_t& i, bool internal) {
        const char c = text[i];
        switch (At) {
            case TAt::Start:
                if (c == ' ') break;
                if (c == ':') return true;
                Header += UpperChar(c);
                At = TAt::Header;
                break;
            case TAt::Header:
                if (c == ' ' || c == '?') {
                    Query = c == '?';
                    At = TAt::BeforeValue;
                } else {
                    Header += UpperChar(c);
                }
                break;
            case TAt::BeforeValue:
                if (c == ' ') break;
                At = TAt::Value;
                // Setup lines may quote a value that holds ";" (see SaveAllSettings).
                if (internal && c == '"') {
                    Quoted = InQuote = true;
                    break;
                }
                Parameter += c;
                break;
            case TAt::Value:
                if (Quoted && !InQuote && c == ' ') break;  // blanks after the closing quote
                if (InQuote && c == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        Parameter += '"';
                        ++i;
                    } else {
                        InQuote = false;
                    }
                    break;
                }
                Parameter += c;
                break;
        }
        return false;
    }
};

std::string TSpider::ExecuteCommandString(std::string_view text, bool internal, TLineHold* hold, TSpider* from) {
    if (text.empty()) return {};
    TCommandTree& tree = *Tree_;
    // A run nested inside a callback leaves the outer string's current node where it was.
    TResetOnExit<TSpider*> restore(tree.CurrentNode_, tree.CurrentNode_);
    tree.CurrentNode_ = from ? from : this;
    if (hold) hold->Stopped = false;

    std::string reply;
    TCommandText command;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ';' && !command.InQuote) {
            RunCommandText(command, internal, true, reply);
            if (StopsForHold(text.substr(i + 1), internal, hold)) break;
            continue;
        }
        if (command.Read(text, i, internal)) tree.CurrentNode_ = this;
    }
    if (!hold || !hold->Stopped) RunCommandText(command, internal, false, reply);
    while (!reply.empty() && (reply.back() == ';' || reply.back() == '\r' || reply.back() == '\n')) reply.pop_back();
    return reply;
}

void TSpider::RunCommandText(TCommandText& command, bool internal, bool bySemicolon, std::string& reply) {
    TCommandTree& tree = *Tree_;
    if (command.Header.empty()) throw ECommandStringError(MnemonicsAbsentText);
    if (!command.Quoted)
        while (!command.Parameter.empty() && command.Parameter.back() == ' ') command.Parameter.pop_back();
    const std::string answer =
        tree.CurrentNode_->ExecuteOne(command.Header, command.Parameter, 0, internal, command.Query);
    if (answer == ErrorReply) ++tree.FailedCommands_;
    reply += answer;
    if (command.Query && bySemicolon) reply += tree.HeaderOn() ? ";\r\n" : ";";
    if (tree.MaxReplyBytes != 0 && reply.size() > tree.MaxReplyBytes)
        throw EReplyTooLong("reply longer than " + std::to_string(tree.MaxReplyBytes) + " bytes");
    command = {};
}

bool TSpider::StopsForHold(std::string_view rest, bool internal, TLineHold* hold) {
    if (internal || !hold || !hold->Held || !hold->Held()) return false;
    hold->Stopped = true;
    hold->Rest.assign(rest);
    hold->Node = Tree_->CurrentNode_;
    hold->Tree = Tree_;
    return true;
}

std::string TSpider::ExecuteOne(std::string_view header, std::string& parameter, std::size_t pos, bool internal,
                                bool query) {
    if (pos == 0) {
        if (header.size() > MaxHeaderLength) return ErrorReply;
        if (header.find("SHADOW") != std::string_view::npos) return ErrorReply;
        if (!internal && header.find("NOGPIB") != std::string_view::npos) return ErrorReply;
    }
    const int idx = FindMnemonic(header, pos, false, header);
    if (idx < 0) return ErrorReply;
    TEntry& entry = Entries_[static_cast<std::size_t>(idx)];
    const bool separator = pos < header.size() && (header[pos] == ':' || (pos == 0 && header[0] == '*'));
    if (separator && !entry.Handler) {
        if (!entry.Child) return ErrorReply;
        return entry.Child->ExecuteOne(header, parameter, pos + 1, internal, query);
    }
    if (!entry.Handler) {
        if (entry.Child && parameter.empty() && query) return entry.Child->QuerySubtree();
        return ErrorReply;
    }
    // The rest of the header after the mnemonic is a sub-address the handler reads (an item name).
    if (separator && header[pos] == ':' && pos + 1 < header.size()) {
        std::string p(header.substr(pos + 1));
        if (!parameter.empty()) {
            p += ' ';
            p += parameter;
        }
        parameter = std::move(p);
    }
    Tree_->CurrentNode_ = this;
    std::string reply;
    THandler& handler = *entry.Handler;
    handler.ExecuteCommand(parameter, query, reply, internal);
    if (query && Tree_->HeaderOn()) return GetItemHeader(idx, true) + reply;
    return reply;
}

// ---------------------------------------------------------------------------------------------------
void TSpider::LinkParents() {
    for (std::size_t i = 0; i < Entries_.size(); ++i) {
        if (TSpider* child = Entries_[i].Child.get()) {
            child->Parent_ = this;
            child->IndexInParent_ = static_cast<int>(i);
            child->LinkParents();
        }
    }
}

std::string TSpider::GetItemHeader(int index, bool withHeader) const {
    if (!withHeader) return {};
    if (index < 0 || index >= Count()) SpiderError("ERROR in CommonQuerry! Child Spider is absent");
    if (!Entries_[static_cast<std::size_t>(index)].Handler) SpiderError("ERROR  - this Item not Handler");
    if (!Tree_->Linked_) {
        Tree_->Root_->LinkParents();
        Tree_->Linked_ = true;
    }
    std::vector<const std::string*> names;
    names.push_back(&Entries_[static_cast<std::size_t>(index)].Mnemonic);
    for (const TSpider* n = this; n->Parent_ != nullptr; n = n->Parent_)
        names.push_back(&n->Parent_->Entries_[static_cast<std::size_t>(n->IndexInParent_)].Mnemonic);
    std::string h;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        // A common command follows its "*" without ":".
        if (!h.empty() && h != "*") h += ':';
        h += **it;
    }
    return h;
}

std::vector<int> TSpider::InOrder() const {
    std::vector<int> order(Entries_.size());
    for (std::size_t i = 0; i < Entries_.size(); ++i) order[Entries_[i].Order] = static_cast<int>(i);
    return order;
}

std::string TSpider::QuerySubtree() {
    std::string reply;
    std::size_t lastBreak = 0;
    QuerySubtreeInto(reply, lastBreak);
    while (!reply.empty() && (reply.back() == ';' || reply.back() == '\r' || reply.back() == '\n')) reply.pop_back();
    return reply;
}

void TSpider::QuerySubtreeInto(std::string& reply, std::size_t& lastBreak) {
    const bool headerOn = Tree_->HeaderOn();
    auto lineBreak = [&] {
        if (reply.size() - lastBreak > 32) {
            reply += "\r\n";
            lastBreak = reply.size();
        }
    };
    bool first = true;
    for (const int idx : InOrder()) {
        TEntry& entry = Entries_[static_cast<std::size_t>(idx)];
        if (!entry.Handler) {
            if (!entry.Child) SpiderError("ERROR in CommonQuerry! Child Spider is absent");
            entry.Child->QuerySubtreeInto(reply, lastBreak);
            continue;
        }
        if (entry.Handler->IsDisabled()) continue;
        if (headerOn) {
            reply += first ? GetItemHeader(idx, true) : entry.Mnemonic;
            lineBreak();
        }
        first = false;
        // Each handler writes its own reply: a reply callback may assign rather than append.
        std::string piece;
        entry.Handler->ExecuteCommand({}, true, piece, false);
        reply += piece;
        reply += ';';
        lineBreak();
    }
}

void TSpider::SaveAllSettings(std::vector<std::string>& list) { SaveInto(list, {}); }

void TSpider::SaveInto(std::vector<std::string>& list, const std::string& prefix) {
    std::string reply;
    for (const int idx : InOrder()) {
        TEntry& entry = Entries_[static_cast<std::size_t>(idx)];
        if (entry.Child) {
            std::string childPrefix = prefix + entry.Mnemonic;
            if (entry.Mnemonic != "*") childPrefix += ':';
            entry.Child->SaveInto(list, childPrefix);
            continue;
        }
        THandler* h = entry.Handler.get();
        if (h == nullptr || h->NoSave() || dynamic_cast<TGpibStringHandler*>(h) != nullptr) continue;
        reply.clear();
        h->ExecuteCommand({}, true, reply, true);
        if (reply.empty()) continue;
        std::string line = prefix + entry.Mnemonic;
        const std::string_view value = reply.front() == ' ' ? std::string_view(reply).substr(1) : reply;
        line += ' ';
        if (NeedsQuotes(value))
            line += Quoted(value);
        else
            line += value;
        list.push_back(std::move(line));
    }
}

int TSpider::LoadAllSettings(const std::vector<std::string>& list) {
    TCommandTree& tree = *Tree_;
    int skipped = 0;
    tree.BeginSettingsLoad();
    try {
        // Twice, so that a value clamped by a limit that a later line changes is set again.
        for (int pass = 0; pass < 2; ++pass) {
            for (const std::string& raw : list) {
                std::string_view line(raw);
                while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
                const std::uint64_t failedBefore = tree.FailedCommands_;
                bool bad = line.find_first_not_of(' ') == std::string_view::npos;
                if (!bad) {
                    try {
                        ExecuteCommandString(line, true);
                    } catch (const ECommandStringError&) {
                        bad = true;
                    }
                }
                if (tree.FailedCommands_ != failedBefore) bad = true;
                if (bad && pass == 0) ++skipped;
            }
        }
        if (tree.OnAfterSettingsLoad) tree.OnAfterSettingsLoad();
    } catch (...) {
        tree.AbortSettingsLoad();
        throw;
    }
    tree.EndSettingsLoad();
    return skipped;
}

// ---------------------------------------------------------------------------------------------------
TCommandTree::TCommandTree()
    : Enablity_(std::make_unique<THandlerSignalEnablity>()), Root_(std::make_unique<TSpider>(*this)) {
    CurrentNode_ = Root_.get();
    HeaderHandler_ = &Root_->AddOnOffHandler("Header", {.Initial = true});
    HeaderHandler_->SetNoSave(true);
}

TCommandTree::~TCommandTree() {
    HeaderHandler_ = nullptr;
    CurrentNode_ = nullptr;
    Root_.reset();
}

THandler* TCommandTree::Resolve(std::string_view path) {
    if (const auto kept = Resolved_.find(path); kept != Resolved_.end()) return kept->second;
    // The program's own headers are a few hundred; a header built from outside input must not make
    // the kept set grow without end.
    if (Resolved_.size() >= 4096) Resolved_.clear();
    ++TreeWalks_;
    THandler* handler = Root_->FindHandler(path);
    Resolved_.emplace(std::string(path), handler);
    return handler;
}

void TCommandTree::BeginSettingsLoad() { ++LoadDepth_; }

void TCommandTree::EndSettingsLoad() {
    if (LoadDepth_ > 0) --LoadDepth_;
    if (LoadDepth_ > 0 || !DeferredPending_) return;
    DeferredPending_ = false;
    if (OnDeferredSettingsChange) OnDeferredSettingsChange();
}

void TCommandTree::AbortSettingsLoad() {
    if (LoadDepth_ > 0) --LoadDepth_;
}

std::unique_ptr<TCommandTree> CreateCommandTree() { return std::make_unique<TCommandTree>(); }

}  // namespace vt
