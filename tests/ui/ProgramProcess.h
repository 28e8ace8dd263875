#pragma once
// The program as its own process, driven over its automation port as a script drives it.
#include <QProcess>
#include <QTcpSocket>
#include <QThread>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "UiTestSupport.h"

namespace vt::test {

// A loopback port free at the moment of asking.
std::uint16_t FreePort();
// Whether the process pid itself listens on 127.0.0.1:port (and not some other program given the same port).
bool ListensOn(qint64 pid, std::uint16_t port);

// The program on one instrument choice, offscreen, with its own data root, settings, instrument locks
// and temporary folder (a program home); prepare may put files into the data root before the start.
// Its standard error goes to a file the test reads. With ownWorkingFolder it starts in a folder of its
// own (WorkingFolder()), else in the test's. With sharedLocks it takes another program's instrument
// locks, as two programs of one desktop user share them.
class TProgramProcess {
public:
    explicit TProgramProcess(const char* instrument, const std::function<void(const std::filesystem::path&)>& prepare = {},
                             bool ownWorkingFolder = false, const std::filesystem::path& sharedLocks = {});
    ~TProgramProcess();
    TProgramProcess(const TProgramProcess&) = delete;
    TProgramProcess& operator=(const TProgramProcess&) = delete;

    bool Started() const { return Started_; }
    bool Running() const { return Program_.state() != QProcess::NotRunning; }
    std::filesystem::path Root() const { return Home_.Path() / "root"; }
    std::filesystem::path WorkingFolder() const { return Home_.Path() / "cwd"; }
    std::filesystem::path LockFolder() const { return Home_.LockFolder(); }
    // What the program wrote to its standard error so far.
    std::string ErrorLog() const;
    // The exit status once the program has ended by itself within ms, else nothing.
    std::optional<int> ExitStatusWithin(int ms);
    // Sends the running program a signal (SIGTERM, ...).
    void SendSignal(int signal);
    // Waits until the running program has its own handler for signal (its first step); false when it
    // ended or had none within 30 s.
    bool CatchesSignal(int signal);

    // Connects the moment the port answers (tried every few milliseconds for up to 30 s).
    bool ConnectAtOnce();
    // Sends one line and reads its one reply line (without its end), or "(no reply)" after timeoutS.
    std::string Ask(const std::string& line, int timeoutS = 90);
    // Asks until the reply satisfies done (for up to timeoutS); answers the last reply.
    template <class Done>
    std::string AskUntil(const std::string& line, Done done, int timeoutS = 60) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutS);
        std::string reply;
        do {
            reply = Ask(line, timeoutS);
            if (done(reply)) break;
            QThread::msleep(50);
        } while (std::chrono::steady_clock::now() < end);
        return reply;
    }

private:
    std::filesystem::path ErrorFile() const { return Home_.Path() / "stderr.txt"; }

    TProgramHome Home_;
    std::uint16_t Port_;
    QProcess Program_;
    QTcpSocket Socket_;
    bool Started_ = false;
};

}  // namespace vt::test
