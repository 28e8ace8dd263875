#pragma once
// What the console window keeps besides its widgets: the command history, the log with its limits,
// the waveform preview and the send procedure that ties them together.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vt {

class TCOMRC;

// The command line's list: presets first, then every command sent that the list did not hold yet.
class TConsoleHistory {
public:
    static constexpr std::size_t MaxEntries = 100;
    TConsoleHistory();
    // Adds the command unless the list holds it; beyond MaxEntries the oldest entry goes.
    void Add(const std::string& command);
    const std::vector<std::string>& Items() const { return Items_; }

private:
    std::vector<std::string> Items_;
};

// The log of replies and automation traffic. Every append keeps it within LogLimit characters.
class TConsoleLog {
public:
    static constexpr std::size_t MaxLineLength = 25000;
    static constexpr std::size_t LogLimit = 30000;
    static constexpr std::size_t TrimTo = 28000;
    static constexpr std::string_view CutMark = " . . . . . . .";

    // Appends prefix + text as one line, the text cut to MaxLineLength followed by CutMark when
    // longer; when the log would pass LogLimit, its front is deleted first so that it ends up at most
    // TrimTo long.
    void AppendLine(std::string_view prefix, std::string_view text);
    const std::string& Text() const { return Text_; }
    void Clear() {
        Text_.clear();
        ++Trims_;
    }
    // Counts the times the front was deleted (or all of it): a view that showed the text before
    // may add only what follows while this stays the same.
    std::uint64_t Trims() const { return Trims_; }

private:
    std::string Text_;
    std::uint64_t Trims_ = 0;
};

// The 256 by 64 preview of a waveform reply.
class TWaveformPreview {
public:
    static constexpr int Width = 256;
    static constexpr int Height = 64;
    static constexpr std::size_t MaxPoints = 4096;

    // Draws the reply's numbers white on black. A reply that holds "SIGNAL IS ABSENT" clears the
    // preview instead and answers false. Items that are not numbers are skipped.
    bool Draw(std::string_view reply);
    // Back to the form's face colour.
    void Clear();
    bool Shown() const { return Shown_; }
    bool White(int column, int row) const { return Pixels_[static_cast<std::size_t>(row * Width + column)] != 0; }

private:
    bool Shown_ = false;
    std::array<std::uint8_t, Width * Height> Pixels_{};
};

// The console's send procedure.
class TConsoleSession {
public:
    static constexpr int PreviewSends = 5;
    explicit TConsoleSession(TCOMRC& service) : Service_(service) {}

    struct TSendResult {
        bool Sent = false;      // false for an empty command line
        bool Beep = false;      // the reply was empty
        bool Later = false;     // the reply waits for work the command left running
        std::string Reply;
    };
    TSendResult Send(const std::string& command);
    // A reply that came later has been added to the log.
    std::function<void()> OnLaterReply;

    TConsoleHistory History;
    TConsoleLog Log;
    TWaveformPreview Preview;
    int PreviewCountdown() const { return Countdown_; }

private:
    TCOMRC& Service_;
    int Countdown_ = 0;
    // A later reply finds the session only while it exists.
    std::shared_ptr<int> Alive_ = std::make_shared<int>(0);
};

}  // namespace vt
