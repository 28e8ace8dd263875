// The program driven from outside as a script drives it: started as its own process, a client connects
// the moment the automation port opens and sends at once, while the start-up is still under way.
// Every line gets its one reply, whatever the program was doing when it came.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ProgramProcess.h"
#include "UiTestSupport.h"
#include "acq/SaveRecall.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/TcpTransport.h"
#include "program/ProgramLife.h"
#include "support/FakeInstrument.h"
#include "ui/Automation.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using TScriptedProgram = test::TProgramProcess;
using test::FreePort;

TEST(ScriptedClient, AnInstrumentSwitchSentAtOnceRepliesOkAndEndsWithTheGuiReady) {
    TScriptedProgram program("Absent");
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.ConnectAtOnce());
    EXPECT_EQ(program.Ask("INSTR:CURRENT:SET DEFAULT_DEMO"), " OK");
    EXPECT_EQ(program.Ask("INSTR:GUIREADY?"), "INSTR:GUIREADY ON");
    const std::string current = program.Ask("INSTR:CURRENT:GET?");
    EXPECT_NE(current.find("[DEFAULT_DEMO]"), std::string::npos) << current;
    // And back, once the demo runs.
    EXPECT_EQ(program.Ask("INSTR:CURRENT:SET ABSENT"), " OK");
    EXPECT_EQ(program.Ask("INSTR:GUIREADY?"), "INSTR:GUIREADY ON");
}

TEST(ScriptedClient, AutoscaleSentAtOnceEndsWithARunOnOrOffAndWithoutAnInstrument) {
    {
        TScriptedProgram program("Default_Demo");
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.ConnectAtOnce());
        EXPECT_EQ(program.Ask("*AUTOSCALE"), "");
        EXPECT_EQ(program.Ask("*RUN?"), "*RUN ON") << "the acquisition runs on after the autoscale";
        EXPECT_EQ(program.Ask("*STOPSINGLE STOP"), "");
        EXPECT_EQ(program.Ask("*AUTOSCALE"), "") << "with Run off";
        EXPECT_EQ(program.Ask("HEADER?"), "HEADER ON");
        // The other runs a command starts end as well: the channels' calibration, the pattern search.
        EXPECT_NE(program.Ask("FLASH:CALIBR:AUTOCALCH"), "(no reply)");
        EXPECT_NE(program.Ask("TRIG:PATTERNLOCKMODE AUTODETECT"), "(no reply)");
        EXPECT_EQ(program.Ask("HEADER?"), "HEADER ON");
    }
    {
        TScriptedProgram program("Absent");
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.ConnectAtOnce());
        EXPECT_EQ(program.Ask("*AUTOSCALE"), "Trigger not found") << "a failed run never replies as one that worked";
        EXPECT_NE(program.Ask("FLASH:CALIBR:AUTOCALCH"), "(no reply)");
        EXPECT_NE(program.Ask("TRIG:PATTERNLOCKMODE AUTODETECT"), "(no reply)");
        EXPECT_EQ(program.Ask("HEADER?"), "HEADER ON");
    }
}

// A question the program asks by itself waits only for the step that needs its answer: without a screen
// it takes Cancel's answer and says so on standard error, and every line a client sent at once gets
// its reply within 5 s.
TEST(ScriptedClient, QuestionsTheProgramAsksByItselfHoldNoClientWithoutAScreen) {
    const auto stopped = [](const std::string& r) { return r == "*STOPSINGLE STOP"; };
    {
        // The demo with the power-on calibration due: asked at the first due check, 5 s after the start.
        TScriptedProgram program("Default_Demo");
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.ConnectAtOnce());
        EXPECT_EQ(program.Ask("UTIL:CALIBRWHEN POWERON", 5), "");
        const auto asked = Clock::now() + std::chrono::seconds(20);
        while (program.ErrorLog().find("Time Base Calibration") == std::string::npos && Clock::now() < asked)
            QThread::msleep(50);
        EXPECT_EQ(program.Ask("*STOPSINGLE SINGLE", 5), "");
        EXPECT_EQ(program.AskUntil("*STOPSINGLE?", stopped, 5), "*STOPSINGLE STOP") << "the single acquisition ends";
        EXPECT_EQ(program.Ask("*RUN", 5), "");
        EXPECT_EQ(program.Ask("*RUN?", 5), "*RUN ON");
        const std::string log = program.ErrorLog();
        for (const char* part : {"ready to perform Time Base Calibration", "ready to perform Channels Calibration"}) {
            const std::size_t at = log.find(part);
            ASSERT_NE(at, std::string::npos) << part << " was not asked:\n" << log;
            EXPECT_NE(log.find("Cancel", at), std::string::npos) << log;
        }
        EXPECT_EQ(program.Ask("FLASH:CALIBR:AUTOCALRESULT?", 5).find("(no reply)"), std::string::npos);
    }
    {
        // A LAN instrument that reports no calibration values: the question comes in the start-up.
        test::TFakeInstrument fake(InstrumentTcpPort);
        if (!fake.Listening()) GTEST_SKIP() << "the instrument port is taken on this machine";
        fake.SetReply("Calibr:ReRead?", "0");
        TScriptedProgram program("Bench_Scope", [](const fs::path& root) {
            std::ofstream(root / "Configuration.ini")
                << "[Instrument1 Instrument]\nName=Bench Scope\nInterface=LAN\nIP Address=127.0.0.1\n";
        });
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.ConnectAtOnce());
        EXPECT_EQ(program.Ask("INSTR:GUIREADY?", 5), "INSTR:GUIREADY ON");
        EXPECT_EQ(program.Ask("*RUN?", 5), "*RUN ON");
        EXPECT_EQ(program.Ask("*STOPSINGLE SINGLE", 5), "");
        EXPECT_EQ(program.AskUntil("*STOPSINGLE?", stopped, 5), "*STOPSINGLE STOP") << "the instrument acquires";
        const std::string log = program.ErrorLog();
        const std::size_t at = log.find("The calibration Values is absent!");
        ASSERT_NE(at, std::string::npos) << log;
        EXPECT_NE(log.find("Cancel", at), std::string::npos) << log;
        const std::vector<std::string> lines = fake.Lines();
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), "Calibr:ReRead?") != lines.end());
        EXPECT_TRUE(std::find(lines.begin(), lines.end(), "Calibr:SetInitialVal?") == lines.end())
            << "Cancel's answer sets no initial values";
    }
}

// A start-up without a screen whose instrument cannot be linked asks nobody: the start-up question takes
// its "Exit", standard error says so and names the instrument and the reason, and the program ends with
// a non-zero status, promptly: at once where nothing listens or the instrument is held, at the link's
// reply time-out (5 s) where the instrument takes the connection and never answers.
TEST(ScriptedClient, AStartUpThatCannotLinkWithoutAScreenEndsWithItsReason) {
    const auto endsWith = [](test::TProgramProcess& program, const std::string& reason) {
        SCOPED_TRACE(reason);
        ASSERT_TRUE(program.Started());
        EXPECT_EQ(program.ExitStatusWithin(30000), std::optional<int>(1)) << program.ErrorLog();
        const std::string log = program.ErrorLog();
        const std::size_t asked = log.find("veltrane: SW didn't link with the Veltrane. How do you want");
        ASSERT_NE(asked, std::string::npos) << log;
        EXPECT_NE(log.find("-- Exit (no screen to answer on)", asked), std::string::npos) << log;
        EXPECT_NE(log.find("veltrane: SW didn't link with the Veltrane: The instrument " + reason + " The program ends."),
                  std::string::npos)
            << log;
    };
    const auto benchAt = [](const char* address) {
        return [address](const fs::path& root) {
            std::ofstream(root / "Configuration.ini")
                << "[Instrument1 Instrument]\nName=Bench Scope\nInterface=LAN\nIP Address=" << address << "\n";
        };
    };
    {
        // Nothing listens at that loopback address (a fake instrument of a test beside takes 127.0.0.1 only).
        test::TProgramProcess program("Bench_Scope", benchAt("127.0.0.2"));
        endsWith(program, "\"Bench Scope  [Instrument1]\" was not found.");
    }
    {
        // The demo held by another copy of one desktop user: both share the instrument locks.
        test::TProgramProcess holder("Default_Demo");
        ASSERT_TRUE(holder.Started());
        ASSERT_TRUE(holder.ConnectAtOnce());
        test::TProgramProcess second("Default_Demo", {}, false, holder.LockFolder());
        endsWith(second, "\"Default Demo\" is used by another copy of the program.");
        EXPECT_EQ(holder.Ask("*RUN?", 5), "*RUN ON") << "the copy that holds the demo runs on";
    }
    test::TFakeInstrument fake(InstrumentTcpPort);
    if (!fake.Listening()) GTEST_SKIP() << "the instrument port is taken on this machine";
    fake.SetFaults({.NoReply = true});
    const auto start = Clock::now();
    test::TProgramProcess program("Bench_Scope", benchAt("127.0.0.1"));
    endsWith(program, "\"Bench Scope  [Instrument1]\" at 127.0.0.1 took the connection but did not answer.");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(15)) << "ended at the link's own time-out";
    EXPECT_EQ(fake.Connections(), 1);
}

// A loopback client on a thread of its own, so that the program runs in this process's event loop.
class TThreadClient {
public:
    ~TThreadClient() { Close(); }
    // Connects the moment the port answers (tried every few milliseconds for up to 30 s).
    bool ConnectAtOnce(std::uint16_t port) {
        const auto end = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < end) {
            Fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(port);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(Fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return true;
            Close();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    std::string Ask(const std::string& line, int timeoutS = 90) {
        const std::string out = line + "\n";
        if (::send(Fd_, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size())) return "(not sent)";
        const auto end = Clock::now() + std::chrono::seconds(timeoutS);
        for (;;) {
            const std::size_t eol = Input_.find('\n');
            if (eol != std::string::npos) {
                std::string reply = Input_.substr(0, eol);
                Input_.erase(0, eol + 1);
                return reply;
            }
            if (Clock::now() >= end) return "(no reply)";
            pollfd p{Fd_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::recv(Fd_, buffer, sizeof buffer, 0);
            if (n <= 0) return "(no reply)";
            Input_.append(buffer, static_cast<std::size_t>(n));
        }
    }
    void Close() {
        if (Fd_ >= 0) ::close(Fd_);
        Fd_ = -1;
    }

private:
    int Fd_ = -1;
    std::string Input_;
};

TEST(ScriptedClient, ARefusedLoadThatACommandAskedForShowsNoBoxAndLaterLoadsGoOn) {
    const std::uint16_t port = FreePort();
    test::TProgramRig rig({.AutomationPort = port});
    TShell& shell = rig.Shell;
    test::TScriptedDialogs& dialogs = rig.Dialogs;
    const fs::path& home = rig.Home.Path();
    const fs::path damaged = home / "damaged.wfm";
    std::ofstream(damaged, std::ios::binary) << "not a waveform";
    const fs::path good = home / "good";

    std::vector<std::string> replies;
    std::string memories;
    std::atomic<bool> done = false;
    std::atomic<int> step = 0;
    bool ours = false;
    std::thread script([&] {
        TThreadClient client;
        if (client.ConnectAtOnce(port) && (ours = test::ListensOn(::getpid(), port))) {
            replies.push_back(client.Ask("SAVE:DISK:FILEFORMAT BINARY;:SAVE:DISK:TOMEMO M1;:SAVE:DISK:FILENAME " +
                                         damaged.string() + ";:SAVE:DISK:LOAD"));
            // A script's load is made before its reply.
            step = 1;
            while (step != 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            // A sound file of the program's own, saved and loaded into another memory.
            replies.push_back(
                client.Ask("SAVE:DISK:SOURCE CH1;:SAVE:DISK:FILENAME " + good.string() + ";:SAVE:DISK:SAVE"));
            const auto end = Clock::now() + std::chrono::seconds(60);
            while (!fs::exists(good.string() + ".wfm") && Clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            replies.push_back(client.Ask("SAVE:DISK:TOMEMO M2;:SAVE:DISK:LOAD"));
            do {
                memories = client.Ask("SAVE:MEMO:ON?");
                if (memories.find("M2") != std::string::npos) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            } while (Clock::now() < end);
        }
        client.Close();
        done = true;
    });
    rig.Run(120000, 20, [&] {
        if (step == 1 && shell.SaveRecall() && !shell.SaveRecall()->DiskLoadRequest) step = 2;
        // Closed once the program has seen the client go: no question about connected clients.
        TAutomation* automation = rig.Features().Automation().Automation();
        if (!done || (automation && automation->Server.ClientCount() > 0)) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = dynamic_cast<TMorda_fr*>(w); m && m->isVisible()) m->close();
    });
    script.join();
    ASSERT_TRUE(ours) << "port " << port << " answers, but not for the program under test";

    EXPECT_EQ(replies, (std::vector<std::string>{"ERROR", "", ""}));
    EXPECT_TRUE(fs::exists(good.string() + ".wfm"));
    EXPECT_NE(memories.find("M2"), std::string::npos) << memories;
    // The refusal went to the hint and the log: no box waits for a person.
    for (const std::string& asked : dialogs.Asked) ADD_FAILURE() << asked;
}

}  // namespace
}  // namespace vt

namespace vt {
namespace {

// A signal that asks the program to end, at any moment, ends it with a status, never by the signal:
// before the window is up with 1 and its reason as the last line; afterwards as the window's close
// box does, a client still connected: the power-off setup is written and the status is 0. The
// temporary files a killed program left are gone once the next one has started; those of a program
// still running stay.
TEST(ScriptedClient, ASignalAtAnyMomentEndsWithAStatusAndAStartClearsWhatAKilledSaveLeft) {
    char running[32];
    std::snprintf(running, sizeof running, ".vt%08x-00000001.tmp", static_cast<unsigned>(::getpid()));
    const std::vector<std::pair<std::string, bool>> planted = {
        {"Database/.vt7ffffff0-00c0ffee.tmp", true},
        {".db.cgs.tmp2147483600_4711_0", true},
        {"Setup Files/.mine.set.tmp2147483601_1_2", true},
        {std::string("Database/") + running, false},
        {"Setup Files/.notes", false},
    };
    enum class TMoment { FirstStep, PortAccepts, StartUpEnded };
    const std::pair<const char*, TMoment> moments[] = {
        {"its first step: it catches the signal", TMoment::FirstStep},
        {"the moment its port accepts", TMoment::PortAccepts},
        {"its start-up has ended", TMoment::StartUpEnded},
    };
    const std::pair<int, std::string> endSignals[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};
    for (const auto& [momentName, moment] : moments) {
        for (const auto& [signal, name] : endSignals) {
            SCOPED_TRACE(name + " at " + momentName);
            TScriptedProgram program("Default_Demo", [&](const fs::path& root) {
                for (const auto& [file, _] : planted) {
                    fs::create_directories((root / file).parent_path());
                    std::ofstream(root / file) << "half a file";
                }
            });
            ASSERT_TRUE(program.Started());
            if (moment == TMoment::FirstStep) {
                ASSERT_TRUE(program.CatchesSignal(signal)) << program.ErrorLog();
            } else {
                ASSERT_TRUE(program.ConnectAtOnce()) << program.ErrorLog();
            }
            if (moment == TMoment::StartUpEnded) {
                ASSERT_EQ(program.Ask("*RUN?"), "*RUN ON");
                for (const auto& [file, stale] : planted) EXPECT_NE(fs::exists(program.Root() / file), stale) << file;
            }
            program.SendSignal(signal);
            // More of them while it ends, to its last step, change nothing.
            const auto end = Clock::now() + std::chrono::seconds(30);
            while (program.Running() && Clock::now() < end) {
                program.SendSignal(signal);
                program.ExitStatusWithin(1);
            }
            const std::optional<int> status = program.ExitStatusWithin(30000);
            const std::string log = program.ErrorLog();
            ASSERT_TRUE(status == 0 || status == 1) << "it ends by itself, not by the signal\n" << log;
            // Its first step is long before the window.
            if (moment == TMoment::FirstStep) {
                EXPECT_EQ(status, 1);
            }
            if (*status == 1) {
                // Scripts read the last line.
                const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
                EXPECT_TRUE(last.starts_with("veltrane: " + name + " during the start-up: ") &&
                            last.ends_with(" The program ends.\n"))
                    << log;
                EXPECT_NE(moment, TMoment::StartUpEnded);
                continue;
            }
            EXPECT_NE(log.find("veltrane: " + name + ": the program ends as its window closes\n"), std::string::npos)
                << log;
            // Before the instrument has started there are no settings of its own to keep.
            if (moment != TMoment::StartUpEnded) continue;
            bool powerOff = false;
            for (const auto& entry : fs::directory_iterator(program.Root() / "Setup Files"))
                powerOff = powerOff || entry.path().filename().string().starts_with("~SetpPwrOffFor");
            EXPECT_TRUE(powerOff);
        }
    }
}

}  // namespace
}  // namespace vt
