#pragma once
// The command tree: every setting's handler under a colon-separated header, the command language that
// reaches them (relative addressing, queries, replies), and the setting lines of setups.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/SourceHandlers.h"

namespace vt {

class TUndoBuffer;
class TCommandTree;

inline constexpr std::string_view SpiderUnitName = "_SHELL\\SRC\\SpiderUnit";
inline constexpr int MaxMnemonicLength = 15;
inline constexpr int MaxHeaderLength = 255;

// An empty command inside a command string ("ERROR!  Mnemonics is Absent"): the commands before it
// have run, the rest of the string has not.
class ECommandStringError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
inline constexpr const char* MnemonicsAbsentText = "ERROR!  Mnemonics is Absent";

// A reply grew past the limit its caller set: the rest of the command string has not run.
class EReplyTooLong : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Compares two mnemonics: the first differing character decides; when one ends first they are equal
// unless either holds a digit, then the shorter is smaller (TRIG equals TRIGGER, CH1 is below CH12).
int CompareMnemonics(std::string_view a, std::string_view b);

class TSpider;

// A remote string that stops at a command which held the string's reply (work left running): Held
// answers after each command whether it did; the string then stops there, and Rest keeps what is left
// of it, to run from Node once the work has ended.
struct TLineHold {
    std::function<bool()> Held;
    bool Stopped = false;
    std::string Rest;
    TSpider* Node = nullptr;
    TCommandTree* Tree = nullptr;
};

class TSpider {
public:
    struct TEntry {
        std::uint16_t Order = 0;
        std::string Mnemonic;
        std::unique_ptr<THandler> Handler;
        std::unique_ptr<TSpider> Child;
    };

    explicit TSpider(TCommandTree& tree);
    TSpider(const TSpider&) = delete;
    TSpider& operator=(const TSpider&) = delete;
    ~TSpider();

    // Registration at the root. replace frees a handler already at the path instead of refusing it.
    THandler& Register(std::string_view path, std::unique_ptr<THandler> handler, bool replace = false);
    THandler* FindHandler(std::string_view path) const;

    // Factories: create the handler, register it at the path and return it.
    TRadioSwHandler& AddRadioHandler(std::string_view path, const TRadioOptions& options);
    TCheckSwHandler& AddCheckHandler(std::string_view path, const TCheckOptions& options);
    TOnOffHandler& AddOnOffHandler(std::string_view path, const TOnOffOptions& options);
    TIntEditHandler& AddIntEditHandler(std::string_view path, const TEditOptions& options);
    TDoubleEditHandler& AddDoubleEditHandler(std::string_view path, const TEditOptions& options);
    // A handler of the kind Base that refuses what its feature cannot carry out (TRefusing).
    template <class Base, class... TArgs>
    TRefusing<Base>& AddRefusing(std::string_view path, TRefusal<Base> refusal, TArgs&&... args) {
        return Add(path, std::make_unique<TRefusing<Base>>(std::move(refusal), std::forward<TArgs>(args)...));
    }
    // A button whose work answers false when it fails: the command then replies "ERROR".
    TRefusing<TRightCommandHandler>& AddFallible(std::string_view path, std::function<bool(THandler&)> work) {
        auto& h = AddRefusing<TRightCommandHandler>(path, {}, THandlerCallback{});
        h.SetOnAfterChange([&h, work = std::move(work)](THandler& self) {
            if (!work(self)) h.Refuse();
        });
        return h;
    }
    TMainCommandHandler& AddMainCommandHandler(std::string_view path, const TMainCommandOptions& options);
    TRightCommandHandler& AddRightCommandHandler(std::string_view path, THandlerCallback action);
    TSignalSourceSwHandler& AddSignalSourceHandler(std::string_view path, const TSourceOptions& options);
    TGpibStringHandler& AddGpibStringHandler(std::string_view path, std::uint8_t tag, TGpibReplyCallback callback);
    TComplexObjectHandler& AddComplexObjectHandler(std::string_view path, TStateCallback callback);

    // Runs a command string and returns the reply. Throws ECommandStringError on an empty command.
    // hold (remote strings only) stops it after a command that held its reply; from is the node its
    // first command is relative to (this one when none).
    std::string ExecuteCommandString(std::string_view text, bool internal, TLineHold* hold = nullptr,
                                     TSpider* from = nullptr);

    // The full header of entry index (its position in the sorted entries), or "" when withHeader is
    // off.
    std::string GetItemHeader(int index, bool withHeader) const;
    // The reply to a query of this node (a node without a handler of its own).
    std::string QuerySubtree();

    // One line per saveable setting, in registration order, depth first.
    void SaveAllSettings(std::vector<std::string>& list);
    // Runs the lines twice inside one settings load; returns how many lines were skipped (blank,
    // empty command or refused) in the first pass.
    int LoadAllSettings(const std::vector<std::string>& list);

    int Count() const { return static_cast<int>(Entries_.size()); }
    const TEntry& Entry(int index) const { return Entries_[static_cast<std::size_t>(index)]; }
    TSpider* Parent() const { return Parent_; }
    int IndexInParent() const { return IndexInParent_; }
    TCommandTree& Tree() const { return *Tree_; }

private:
    friend class TCommandTree;
    struct TLookup {
        TSpider* Node;
        int Index;  // -1 when not found
    };
    template <class T>
    T& Add(std::string_view path, std::unique_ptr<T> handler, bool replace = false) {
        T& h = *handler;
        Register(path, std::move(handler), replace);
        return h;
    }
    // Mnemonic at pos (0-based) of the header; pos is left on the ":" that ended it or on the last
    // character. Returns the index of the entry, or -1; with add a missing entry is inserted.
    int FindMnemonic(std::string_view header, std::size_t& pos, bool add, std::string_view fullPath);
    std::string ExecuteOne(std::string_view header, std::string& parameter, std::size_t pos, bool internal,
                           bool query);
    // One command of a string as it is read, up to its ";" or the string's end.
    struct TCommandText;
    // Runs the command read from the current node, appends its answer (and the separator of a query
    // followed by ";") to reply, and starts the next command.
    void RunCommandText(TCommandText& command, bool internal, bool bySemicolon, std::string& reply);
    // Whether a remote string stops after the command just run because that command left work running;
    // then hold keeps rest, to run from the current node once the work has ended.
    bool StopsForHold(std::string_view rest, bool internal, TLineHold* hold);
    void QuerySubtreeInto(std::string& reply, std::size_t& lastBreak);
    void SaveInto(std::vector<std::string>& list, const std::string& prefix);
    void LinkParents();
    // Entry indices in registration order.
    std::vector<int> InOrder() const;

    TCommandTree* Tree_;
    std::vector<TEntry> Entries_;
    TSpider* Parent_ = nullptr;
    int IndexInParent_ = -1;
};

// The command tree and the state that goes with it. One per shell; tests build a fresh one each.
class TCommandTree {
public:
    // Creates the root, the Header setting (on, not saved) and the signal-enabling object.
    TCommandTree();
    TCommandTree(const TCommandTree&) = delete;
    TCommandTree& operator=(const TCommandTree&) = delete;
    ~TCommandTree();

    TSpider& Root() { return *Root_; }
    const TSpider& Root() const { return *Root_; }
    TSpider* CurrentNode() const { return CurrentNode_; }
    TOnOffHandler& HeaderHandler() const { return *HeaderHandler_; }
    bool HeaderOn() const { return HeaderHandler_ == nullptr || HeaderHandler_->GetOn(); }

    std::string ExecuteCommandString(std::string_view text, bool internal, TLineHold* hold = nullptr) {
        return Root_->ExecuteCommandString(text, internal, hold);
    }
    // Runs the rest of a remote string that stopped at its held command, as the string would have.
    std::string ContinueCommandString(const TLineHold& stopped, TLineHold* hold) {
        // A line that ended with ";" after the command is refused as it is without the wait.
        if (stopped.Rest.empty()) throw ECommandStringError(MnemonicsAbsentText);
        TSpider* from = stopped.Tree == this && stopped.Node ? stopped.Node : Root_.get();
        return Root_->ExecuteCommandString(stopped.Rest, false, hold, from);
    }

    // Bracket a run of many internal commands; brackets nest, the outermost end runs the deferred
    // change when one was asked for.
    void BeginSettingsLoad();
    void EndSettingsLoad();
    // Closes a bracket on the way out of an exception: the flag is restored, a deferred change stays
    // pending for the next end.
    void AbortSettingsLoad();
    bool SettingsLoading() const { return LoadDepth_ > 0; }
    bool DeferredChangePending() const { return DeferredPending_; }
    void SetDeferredChangePending() { DeferredPending_ = true; }
    std::function<void()> OnDeferredSettingsChange;
    std::function<void()> OnAfterSettingsLoad;

    // While set, a set step with an unchanged value still records undo and runs its after-change.
    bool ApplyUnchangedValues = false;

    // The undo buffer in use (none while no instrument is started); not owned.
    TUndoBuffer* UndoBuffer() const { return UndoBuffer_; }
    void SetUndoBuffer(TUndoBuffer* buffer) { UndoBuffer_ = buffer; }

    THandlerSignalEnablity& SignalEnablity() { return *Enablity_; }
    IColorSettings* ColorSettings() const { return ColorSettings_; }
    void SetColorSettings(IColorSettings* settings) { ColorSettings_ = settings; }

    // Set once every feature has registered its settings at start-up.
    bool RegistrationFinished() const { return RegistrationFinished_; }
    void SetRegistrationFinished() { RegistrationFinished_ = true; }

    // The longest reply a command string may build (0: no limit); past it EReplyTooLong is raised
    // instead of building the rest.
    std::size_t MaxReplyBytes = 0;

    // How many commands answered "ERROR" so far.
    std::uint64_t FailedCommands() const { return FailedCommands_; }

    // The handler at a full header from the root (none when absent). Each header is looked up in the
    // tree once and kept until a handler is registered or replaced: an acquisition pass reads a few
    // hundred settings by header.
    THandler* Resolve(std::string_view path);
    // How many headers were looked up in the tree (not answered from what was kept).
    std::uint64_t TreeWalks() const { return TreeWalks_; }

private:
    struct TPathHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    friend class TSpider;
    std::unique_ptr<THandlerSignalEnablity> Enablity_;  // outlives the handlers that follow it
    std::unique_ptr<TSpider> Root_;
    TSpider* CurrentNode_ = nullptr;
    TOnOffHandler* HeaderHandler_ = nullptr;
    bool Linked_ = false;
    int LoadDepth_ = 0;
    bool DeferredPending_ = false;
    TUndoBuffer* UndoBuffer_ = nullptr;
    IColorSettings* ColorSettings_ = nullptr;
    bool RegistrationFinished_ = false;
    std::uint64_t FailedCommands_ = 0;
    std::unordered_map<std::string, THandler*, TPathHash, std::equal_to<>> Resolved_;
    std::uint64_t TreeWalks_ = 0;
};

std::unique_ptr<TCommandTree> CreateCommandTree();

}  // namespace vt
