#include "ProgramProcess.h"

#include <gtest/gtest.h>

#include <QProcessEnvironment>
#include <QTcpServer>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

namespace vt::test {

std::uint16_t FreePort() {
    // Below the system's range for outgoing connections, so that no connection of a test running
    // beside takes the port before the program binds it; at random, so that two such tests seldom ask
    // for the same one.
    static std::mt19937 pick{std::random_device{}()};
    std::uniform_int_distribution<int> ports(20000, 32000);
    for (int tries = 0; tries < 100; ++tries) {
        const auto port = static_cast<std::uint16_t>(ports(pick));
        QTcpServer probe;
        if (probe.listen(QHostAddress::LocalHost, port)) return port;
    }
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool ListensOn(qint64 pid, std::uint16_t port) {
    // The listening socket on 127.0.0.1:port, by its inode, among the process's descriptors.
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::string inode;
    std::getline(table, line);
    while (inode.empty() && std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, address, remote, state, skip;
        fields >> slot >> address >> remote >> state;
        if (address != local || state != "0A") continue;
        for (int i = 0; i < 5; ++i) fields >> skip;
        fields >> inode;
    }
    if (inode.empty()) return false;
    const std::string wanted = "socket:[" + inode + "]";
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
    DIR* fds = ::opendir(folder.c_str());
    if (!fds) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(fds)) {
        char target[64];
        const std::string link = folder + "/" + entry->d_name;
        const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == wanted) {
            found = true;
            break;
        }
    }
    ::closedir(fds);
    return found;
}

TProgramProcess::TProgramProcess(const char* instrument, const std::function<void(const std::filesystem::path&)>& prepare,
                                 bool ownWorkingFolder, const std::filesystem::path& sharedLocks)
    : Port_(FreePort()) {
    std::filesystem::create_directories(Root());
    if (prepare) prepare(Root());
    if (ownWorkingFolder) {
        std::filesystem::create_directories(WorkingFolder());
        Program_.setWorkingDirectory(QString::fromStdString(WorkingFolder().string()));
    }
    Program_.setStandardErrorFile(QString::fromStdString(ErrorFile().string()));
    // The home's settings, locks and temporary folder are in this process's environment already.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    if (!sharedLocks.empty()) env.insert("XDG_RUNTIME_DIR", QString::fromStdString(sharedLocks.string()));
    Program_.setProcessEnvironment(env);
    Program_.start(VT_PROGRAM_PATH, {"--home", QString::fromStdString(Root().string()), "--automation-port",
                                     QString::number(Port_), instrument});
    Started_ = Program_.waitForStarted(10000);
}

TProgramProcess::~TProgramProcess() {
    Socket_.abort();
    Program_.kill();
    Program_.waitForFinished(10000);
}

std::optional<int> TProgramProcess::ExitStatusWithin(int ms) {
    if (Program_.state() != QProcess::NotRunning && !Program_.waitForFinished(ms)) return std::nullopt;
    if (Program_.exitStatus() != QProcess::NormalExit) return std::nullopt;
    return Program_.exitCode();
}

void TProgramProcess::SendSignal(int signal) {
    if (Program_.state() == QProcess::Running) ::kill(static_cast<pid_t>(Program_.processId()), signal);
}

bool TProgramProcess::CatchesSignal(int signal) {
    // The caught signals' mask in the process's status, as the system keeps it.
    const std::string status = "/proc/" + std::to_string(Program_.processId()) + "/status";
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end && Program_.state() == QProcess::Running) {
        std::ifstream in(status);
        for (std::string line; std::getline(in, line);)
            if (line.starts_with("SigCgt:") && (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1)) return true;
        QThread::usleep(200);
    }
    return false;
}

std::string TProgramProcess::ErrorLog() const {
    std::ifstream in(ErrorFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TProgramProcess::ConnectAtOnce() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end && Program_.state() == QProcess::Running) {
        Socket_.connectToHost(QHostAddress::LocalHost, Port_);
        if (Socket_.waitForConnected(20)) {
            if (ListensOn(Program_.processId(), Port_)) return true;
            // Another program has the port: this one runs without its server.
            ADD_FAILURE() << "port " << Port_ << " answers, but not for the program under test";
            Socket_.abort();
            return false;
        }
        Socket_.abort();
        QThread::msleep(2);
    }
    return false;
}

std::string TProgramProcess::Ask(const std::string& line, int timeoutS) {
    Socket_.write(QByteArray::fromStdString(line + "\n"));
    Socket_.flush();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutS);
    while (!Socket_.canReadLine()) {
        if (std::chrono::steady_clock::now() >= end || Socket_.state() != QAbstractSocket::ConnectedState)
            return "(no reply)";
        Socket_.waitForReadyRead(50);
    }
    std::string reply = Socket_.readLine().toStdString();
    if (!reply.empty() && reply.back() == '\n') reply.pop_back();
    return reply;
}

}  // namespace vt::test
