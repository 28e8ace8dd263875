#pragma once
// What the edit switcher does with typed characters and held arrows, free of any window: the typed
// text's acceptor, the suffix letters' factors and the timing of a repeated step run.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vt {

// True when the text is a number as the dot-decimal reader takes it.
bool IsTypedNumber(std::string_view text);
// True when the text is a number or can still become one with more characters ("", "-", "1e-").
bool IsTypedNumberBeginning(std::string_view text);
// The factor of a letter that ends an entry: 1 for Enter and "x", the engineering letters "t" 1e12,
// "g" 1e9, "a" 1e6, "k" 1e3, "m" 1e-3, "u" 1e-6, "n" 1e-9, "p" 1e-12; 0 for any other character.
double TypedSuffixFactor(char c);

// Characters of the typing state machine besides the printable ones.
inline constexpr char TypedBackspace = 8;
inline constexpr char TypedEnter = 13;
inline constexpr char TypedEscape = 27;

// The typed text of an edit switcher and whether it is in typing mode.
struct TTypingState {
    bool Typing = false;
    std::string Text;
};

enum class TTypeOutcome {
    Ignored,   // nothing changed
    Accepted,  // the typed text changed (typing mode may have begun)
    Refused,   // nothing changed and the beep sounds
    Left,      // typing mode ended without a value
    Commit,    // typing mode ended with Value
};

struct TTypeResult {
    TTypeOutcome Outcome = TTypeOutcome::Ignored;
    double Value = 0;
};

// One character typed at the control; letters are taken in lower case, a comma as the decimal point.
TTypeResult TypeChar(TTypingState& state, char c);

// The interval before the next repeat of a held arrow: 250 ms after the first step, 40 ms after that.
inline constexpr int FirstRepeatDelayMs = 250;
inline constexpr int RepeatIntervalMs = 40;
constexpr int StepRepeatInterval(int repeatsSoFar) { return repeatsSoFar == 0 ? FirstRepeatDelayMs : RepeatIntervalMs; }

// The repeat timer of a held arrow. The control creates one when a run starts and frees it when the run
// ends; tests give the control a factory of fake timers.
class IStepTimer {
public:
    virtual ~IStepTimer() = default;
    virtual void SetInterval(int ms) = 0;
    virtual int Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};
using TStepTimerFactory = std::function<std::unique_ptr<IStepTimer>(std::function<void()> onTick)>;

}  // namespace vt
