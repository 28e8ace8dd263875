#pragma once
// The stack of timed hint messages shown over the display: the newest hint is shown on top; a hint
// kept under a newer one returns with the rest of its time when the newer one goes.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "display/DrawingSurfaces.h"

namespace vt {

inline constexpr std::string_view HintUnitName = "_SHELL\\SRC\\HintUnit";
inline constexpr int HintAlarmStyle = 1;
inline constexpr int HintMaxChars = 2048;

// Text and background of a style: alarm yellow on dark red, normal black on light yellow.
TColor HintTextColor(int style);
TColor HintBackColor(int style);

struct THintSplit {
    QString First;
    QString Rest;
    bool TwoLines = false;
};
// Splits a hint into a first line that fits room pixels and the rest (texts past 2048 characters are
// cut). When the rest fits one more line, the break moves back to a "\", blank or "-" (tried in that
// order) as long as the second line still fits.
THintSplit SplitHintLine(const QString& text, int room, const std::function<int(QChar)>& charWidth);

// The window of one hint: one or two lines over the display.
class TMyHintWindow : public TScanLinesTextScreen {
public:
    using TScanLinesTextScreen::TScanLinesTextScreen;
    void Draw(const std::string& text, TColor textColor, int left, int top, int width, TColor background);
    bool Shown() const { return Shown_; }
    int Lines() const { return Lines_; }

private:
    bool Shown_ = false;
    int Lines_ = 0;
};

// The one-shot timer of the stack (a Qt timer in the program, a fake in tests).
class THintTimer {
public:
    virtual ~THintTimer() = default;
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
};
// Makes a one-shot timer that calls fired when it runs out: Qt's in the program, fakes in tests.
using TTimerFactory = std::function<std::unique_ptr<THintTimer>(std::function<void()> fired)>;
std::unique_ptr<THintTimer> MakeQtTimer(std::function<void()> fired);
using THintClock = std::function<std::int64_t()>;  // milliseconds, steadily increasing
std::int64_t SteadyClockMs();

class THintStack {
public:
    // Without a timer or a clock the stack uses a Qt timer and the steady clock; the timer calls
    // TimerFired.
    explicit THintStack(std::unique_ptr<THintTimer> timer = nullptr, THintClock clock = {});
    ~THintStack();
    THintStack(const THintStack&) = delete;
    THintStack& operator=(const THintStack&) = delete;

    // A time-out of 0 or less never expires; keepUnder 1 keeps the hint under a newer one. At most 16
    // timed hints are kept: a new one beyond them drops the oldest timed hint.
    int Push(const std::string& text, int timeOutMs, int style, int keepUnder);
    // Refreshes the top hint when it is this one (same style and keep-under): only its text and time.
    int PushOrRefresh(int id, const std::string& text, int style, int keepUnder, int timeOutMs);
    void Remove(int id);
    // The windows draw through the sink (none: detached) at the left, width and top given.
    void Attach(TScreenSink* sink, int left, int width, int top);
    void TimerFired();

    struct TEntry {
        std::string Text;
        int Id = 0;
        int Style = 0;
        int KeepUnder = 0;
        int TimeOut = 0;
        std::unique_ptr<TMyHintWindow> Window;
    };
    const std::vector<TEntry>& Entries() const { return Entries_; }
    bool Attached() const { return Sink_ != nullptr; }

private:
    int PushWithId(const std::string& text, int timeOutMs, int style, int keepUnder, int id);
    void Show(TEntry& entry);
    void StartTimer(int ms);
    void DeleteTop();

    std::unique_ptr<THintTimer> Timer_;
    THintClock Clock_;
    std::vector<TEntry> Entries_;
    int LastId_ = 0;
    std::int64_t ShownAt_ = 0;
    TScreenSink* Sink_ = nullptr;
    int Left_ = 0;
    int Width_ = 0;
    int Top_ = 0;
};

}  // namespace vt
