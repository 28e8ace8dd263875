#pragma once
// The signals that ask the program to end (SIGTERM, SIGINT, SIGHUP) reach the event loop as a call:
// their handler only writes the signal's number into a pipe that a socket notifier reads. The program
// then ends as closing its window ends it, never in the middle of a save.
#include <QObject>

#include <csignal>
#include <functional>

class QSocketNotifier;
class QWidget;

namespace vt {

class TShell;

class TEndSignals : public QObject {
public:
    // received gets each signal's number, from the event loop. One object at a time.
    explicit TEndSignals(std::function<void(int signal)> received);
    // The signals take their earlier actions again.
    ~TEndSignals() override;
    TEndSignals(const TEndSignals&) = delete;
    TEndSignals& operator=(const TEndSignals&) = delete;

    // "SIGTERM", "SIGINT", "SIGHUP".
    static const char* Name(int signal);

private:
    void ReadSignals();

    std::function<void(int)> Received_;
    int Pipe_[2] = {-1, -1};
    QSocketNotifier* Notifier_ = nullptr;
    struct sigaction Previous_[3] {};
};

// Ends the program for a signal as a click on the window's close box does, its questions answered
// unasked; a close that is refused all the same ends the event loop with status 1.
void CloseWindowForSignal(QWidget& window, TShell& shell, int signal);

}  // namespace vt
