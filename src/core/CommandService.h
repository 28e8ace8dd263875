#pragma once
// The automation command service: the one way text commands from outside the user interface (the
// automation server's clients and the console) reach the command tree. Commands run with the internal
// flag off, so every change they make counts as remote and opens an undo step.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

class TCommandTree;
struct TLineHold;

// Gives the reply of a command string whose work ended after the string had returned.
using TLaterReply = std::function<void(const std::string& reply)>;

class TCOMRC {
public:
    // The tree is asked for on every command: the program's tree is built after the server starts.
    using TTreeSource = std::function<TCommandTree*()>;
    explicit TCOMRC(TTreeSource tree) : Tree_(std::move(tree)) {}
    explicit TCOMRC(TCommandTree& tree) : Tree_([&tree] { return &tree; }) {}

    // Receives each traffic line of ExecCommand (the console's log); may be empty.
    std::function<void(const std::string& line)> OnLog;

    // Runs the command string and puts its reply in respond (cleared first). Logs "Received --> "
    // + command before and "    Returned --> " + reply after. False when the command string was
    // refused; respond then holds the failure text. Failures of single commands ("ERROR") are part
    // of a successful reply.
    // maxReply (0: none) bounds the reply: a command string whose reply grows past it stops there and
    // raises EReplyTooLong, rather than building all of it first.
    // later (none: the string cannot wait) receives the reply of a string that left work running
    // (DeferReply): respond then stays empty, Deferred() holds, and no return line is logged.
    bool ExecCommand(std::string_view command, std::string& respond, std::size_t maxReply = 0, TLaterReply later = {});

    // The same run without traffic lines (the console's own sends).
    bool Execute(std::string_view command, std::string& respond, std::size_t maxReply = 0, TLaterReply later = {});

    // Whether the string run last left its reply to work still running.
    bool Deferred() const { return Deferred_; }
    // Called by a command whose work runs on after its string has returned (a calibration stepped by
    // the acquisition): the string's reply waits for that work, and so do the string's later
    // commands. Answers the function that ends the work's wait (once; its text joins what the string
    // replied so far, after ";"; then the rest of the string runs and its reply follows); null where
    // the running string cannot wait (none runs, it was given no later, or its reply is already
    // taken). Work that ends within its command lets the rest of the string go on at once.
    TLaterReply DeferReply();
    // The rest of a string whose held work has ended waits until no string runs: OnReady (none: at
    // once) says one waits, RunReady runs those that wait while no string runs.
    std::function<void()> OnReady;
    void RunReady();

    // True while a command string runs: the automation server holds further lines until it ends. A
    // command that leaves work running holds its reply (DeferReply) instead, and the string has ended.
    bool Running() const { return Depth_ > 0; }
    // Called each time the outermost running command string has ended.
    std::function<void()> OnFinished;
    // A line of the console's log that is no command traffic (the server's own messages).
    void LogLine(const std::string& line) const { Log(line); }
    // A message for the user raised while a command string runs: logged, and added to the end of
    // the command's reply (after ";"), in place of a dialog that would hold the reply.
    void Report(const std::string& message);

private:
    struct TLaterState;
    // Runs the command string, or with from the rest of one that stopped at its held command.
    bool RunLine(std::string_view command, const TLineHold* from, std::string& respond, std::size_t maxReply,
                 TLaterReply later);
    bool Run(std::string_view command, const TLineHold* from, std::string& respond, std::size_t maxReply,
             TLineHold* hold);
    // The rest of a line whose held work has ended, after what the line replied so far.
    void Resume(const std::shared_ptr<TLaterState>& ended, std::string lead);
    void Log(const std::string& line) const {
        if (OnLog) OnLog(line);
    }
    TTreeSource Tree_;
    int Depth_ = 0;
    std::vector<std::string> Messages_;  // reported during the running command strings, innermost last
    std::vector<std::shared_ptr<TLaterState>> Strings_;  // the running strings' waits, innermost last
    bool Deferred_ = false;
    std::vector<std::function<void()>> Ready_;  // rests of lines waiting for no string to run
    // Work may end after the service has gone: its rest then runs nowhere.
    std::shared_ptr<TCOMRC*> Alive_ = std::make_shared<TCOMRC*>(this);
};

}  // namespace vt
