#pragma once
// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP) are caught from the program's first
// step on: their handler only notes the first one and writes its number into a pipe. The start-up asks
// Came() at its steps; once the event loop runs, a socket notifier reads the pipe and the program ends
// as closing its window ends it, never in the middle of a save.
#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;
class QWidget;

namespace vt {

class TShell;

class TEndSignals : public QObject {
public:
    // Catches the signals from here on; needs no application object yet. One object at a time.
    TEndSignals();
    // The signals take their earlier actions again.
    ~TEndSignals() override;
    TEndSignals(const TEndSignals&) = delete;
    TEndSignals& operator=(const TEndSignals&) = delete;

    // The first signal caught, 0 while none has come.
    int Came() const;
    // From the event loop, received gets each signal's number, those caught before included; empty,
    // nothing does. Needs the application object.
    void Follow(std::function<void(int signal)> received);

    // The signals stay caught after this object, to the process's exit: one that comes while the
    // program ends leaves its exit status as it is.
    void KeepCaughtToTheEnd() { Caught_ = false; }

    // "SIGTERM", "SIGINT", "SIGHUP".
    static const char* Name(int signal);

private:
    void ReadSignals();

    std::function<void(int)> Received_;
    int Pipe_[2] = {-1, -1};
    QSocketNotifier* Notifier_ = nullptr;
    bool Caught_ = false;  // the earlier actions come back with this object's end
    struct sigaction Previous_[3] {};
};

// Ends the program for a signal as a click on the window's close box does, its questions answered
// unasked; a close that is refused all the same ends the event loop with status 1.
void CloseWindowForSignal(QWidget& window, TShell& shell, int signal);

}  // namespace vt
