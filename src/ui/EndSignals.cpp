#include "ui/EndSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

#include "core/ProgramLog.h"
#include "core/Shell.h"

namespace vt {

namespace {

constexpr int EndSignalList[] = {SIGTERM, SIGINT, SIGHUP};

// What the handler reaches: a signal handler reaches nothing but what is static.
std::atomic<int> SignalWriteFd{-1};
std::atomic<int> FirstSignal{0};

void OnEndSignal(int signal) {
    const int saved = errno;
    int none = 0;
    FirstSignal.compare_exchange_strong(none, signal);
    const int fd = SignalWriteFd.load();
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        // A full pipe already holds a signal to end: this one may be dropped.
        [[maybe_unused]] const ssize_t n = ::write(fd, &number, 1);
    }
    errno = saved;
}

}  // namespace

TEndSignals::TEndSignals() {
    FirstSignal.store(0);
    if (::pipe2(Pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        LogProgramLine("the signals to end cannot be followed: they end the program at once");
        Pipe_[0] = Pipe_[1] = -1;
        return;
    }
    SignalWriteFd.store(Pipe_[1]);
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(EndSignalList); ++i) ::sigaction(EndSignalList[i], &action, &Previous_[i]);
    Caught_ = true;
}

TEndSignals::~TEndSignals() {
    if (Caught_)
        for (std::size_t i = 0; i < std::size(EndSignalList); ++i) ::sigaction(EndSignalList[i], &Previous_[i], nullptr);
    SignalWriteFd.store(-1);
    delete Notifier_;
    for (const int fd : Pipe_)
        if (fd >= 0) ::close(fd);
}

int TEndSignals::Came() const { return FirstSignal.load(); }

void TEndSignals::Follow(std::function<void(int signal)> received) {
    Received_ = std::move(received);
    if (!Received_ || Notifier_ || Pipe_[0] < 0) return;
    // A signal already in the pipe is read as soon as the event loop runs.
    Notifier_ = new QSocketNotifier(Pipe_[0], QSocketNotifier::Read, this);
    connect(Notifier_, &QSocketNotifier::activated, this, [this] { ReadSignals(); });
}

const char* TEndSignals::Name(int signal) {
    switch (signal) {
        case SIGTERM: return "SIGTERM";
        case SIGINT: return "SIGINT";
        case SIGHUP: return "SIGHUP";
        default: return "a signal";
    }
}

void TEndSignals::ReadSignals() {
    unsigned char numbers[16];
    for (;;) {
        const ssize_t n = ::read(Pipe_[0], numbers, sizeof numbers);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i)
            if (Received_) Received_(numbers[i]);
    }
}

void CloseWindowForSignal(QWidget& window, TShell& shell, int signal) {
    // A second signal while the close runs changes nothing.
    if (shell.CloseUnasked) return;
    LogProgramLine(std::string(TEndSignals::Name(signal)) + ": the program ends as its window closes");
    shell.CloseUnasked = true;
    // The window may not be shown yet, or not be the last one: the loop ends with it all the same.
    if (window.close()) {
        QCoreApplication::exit(0);
        return;
    }
    shell.CloseUnasked = false;
    LogProgramLine("the window did not close: the program ends without its close");
    QCoreApplication::exit(1);
}

}  // namespace vt
