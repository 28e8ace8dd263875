// The program out of file descriptors: more clients than it may open connect to its automation port.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <sys/resource.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramProcess.h"
#include "UiTestSupport.h"
#include "core/temp_folder.h"

namespace vt {
namespace {

// Processor time (user + system, in clock ticks) the process has used so far.
long CpuTicks(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
}

// A blocking loopback client of the automation port.
class TClient {
public:
    explicit TClient(std::uint16_t port) {
        Socket_.connectToHost(QHostAddress::LocalHost, port);
        Connected_ = Socket_.waitForConnected(200);
    }
    bool Connected() const { return Connected_; }
    std::string Ask(const char* line) {
        Socket_.write(line);
        if (!Socket_.waitForReadyRead(5000)) return "(no reply)";
        while (!Socket_.canReadLine() && Socket_.waitForReadyRead(1000)) {
        }
        return Socket_.readLine().toStdString();
    }

private:
    QTcpSocket Socket_;
    bool Connected_ = false;
};

TEST(AutomationDescriptors, RunningOutOfDescriptorsDoesNotSpinAndAcceptingResumes) {
    const test::TProgramHome programHome;
    const std::filesystem::path& home = programHome.Path();
    const std::uint16_t port = test::FreePort();
    QProcess program;
    program.setProcessEnvironment([&] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }());
    program.setChildProcessModifier([] {
        const rlimit few{96, 96};
        ::setrlimit(RLIMIT_NOFILE, &few);
    });
    program.start(VT_PROGRAM_PATH, {"--home", QString::fromStdString((home / "root").string()), "--automation-port",
                                    QString::number(port), "Absent"});
    ASSERT_TRUE(program.waitForStarted(10000));
    std::unique_ptr<TClient> first;
    ASSERT_TRUE(test::RunLoopUntil([&] {
        first = std::make_unique<TClient>(port);
        return first->Connected() && first->Ask("HEADER?\n") == "HEADER ON\n";
    }, 20000)) << "the program serves its automation port";
    ASSERT_TRUE(test::ListensOn(program.processId(), port)) << "port " << port << " is another program's";
    {
        // A client that comes and goes before the crowd.
        TClient passing(port);
        ASSERT_EQ(passing.Ask("HEADER?\n"), "HEADER ON\n");
    }
    test::RunLoopFor(200);

    // Far more connections than the program has descriptors for: the system queues them; the
    // program takes what it can and waits instead of retrying at once for ever.
    std::vector<std::unique_ptr<TClient>> crowd;
    for (int i = 0; i < 150; ++i) crowd.push_back(std::make_unique<TClient>(port));
    // Kept short: the sanitizers' own type check needs a pipe, so the longer the program runs without
    // descriptors, the likelier that check reports a sound object as invalid and stops it.
    test::RunLoopFor(300);
    const long before = CpuTicks(program.processId());
    test::RunLoopFor(1000);
    const long used = CpuTicks(program.processId()) - before;
    EXPECT_LT(used, 30) << "ticks of processor time in one second while out of descriptors";

    // Once clients leave, a newcomer is served again.
    crowd.clear();
    first.reset();
    ASSERT_TRUE(test::RunLoopUntil([&] {
        TClient late(port);
        return late.Connected() && late.Ask("HEADER?\n") == "HEADER ON\n";
    }, 20000));
    program.kill();
    program.waitForFinished(5000);
}

}  // namespace
}  // namespace vt
