#include "ProgramProcess.h"

#include <QProcessEnvironment>
#include <QTcpServer>

#include <fstream>
#include <iterator>

namespace vt::test {

std::uint16_t FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

TProgramProcess::TProgramProcess(const char* instrument, const std::function<void(const std::filesystem::path&)>& prepare,
                                 bool ownWorkingFolder)
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

std::string TProgramProcess::ErrorLog() const {
    std::ifstream in(ErrorFile(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TProgramProcess::ConnectAtOnce() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end && Program_.state() == QProcess::Running) {
        Socket_.connectToHost(QHostAddress::LocalHost, Port_);
        if (Socket_.waitForConnected(20)) return true;
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
