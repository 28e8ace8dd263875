// What the program says by itself, driven as an unattended bench drives it: the program runs as its own
// process on the demo, offscreen, and a client on the automation port provokes each message of the
// start-up and of the acquisition cycle. Every message reaches the log, no box holds anything: the
// acquisition counts on afterwards and every line gets its reply.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "ProgramProcess.h"
#include "UiTestSupport.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentList.h"
#include "serial/ShippedMaskData.h"
#include "ui/UserDialogs.h"

namespace vt {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The demo program with what the messages scenario asks of it: its log and its acquisitions.
class TDemoProgram : public test::TProgramProcess {
public:
    explicit TDemoProgram(const std::function<void(const fs::path& root)>& prepare)
        : TProgramProcess("Default_Demo", prepare) {}
    std::string Log() const { return ErrorLog(); }

    // Waits for n acquisitions: the demo's noise makes every acquired Ch1 trace differ from the one
    // before, so each new trace read back is one more acquisition (a lower bound of their number).
    // False when they do not come within a minute.
    bool Acquire(int n) {
        const auto end = Clock::now() + std::chrono::minutes(1);
        std::string last = Ask("WFM:DATA?", 5);
        int count = 0;
        while (count < n && Clock::now() < end) {
            QThread::msleep(20);
            const std::string trace = Ask("WFM:DATA?", 5);
            if (trace == "(no reply)") return false;
            if (trace != last) ++count;
            last = trace;
        }
        return count >= n;
    }
    // Whether the log got text within a minute.
    bool Logged(const std::string& text) {
        const auto end = Clock::now() + std::chrono::minutes(1);
        do {
            if (Log().find(text) != std::string::npos) return true;
            QThread::msleep(50);
        } while (Clock::now() < end);
        return false;
    }
};

// The demo with the generator option (for the TDR readouts), and a standards folder whose first
// standard holds only a mask without a bit rate; a second standard holds a sound shipped mask.
void PrepareRoot(const fs::path& root) {
    WriteDemoIdentity(root, kDefaultDemoName, 1, 1, true, 7, 12, 0xFF & ~(optGenerators | optTDT));
    const fs::path standards = root / "Masks" / "Standard";
    fs::create_directories(standards / "SONET SDH");
    std::ofstream(standards / "StandardMasks.ini") << "[RANGE]\n1=SONET SDH\n";
    std::ofstream(standards / "SONET SDH" / "a.msk")
        << "[COMMON]\nSignature=Standard Mask\nMask Name=No rate\nType of Mask=Eye\n";
    fs::create_directories(standards / "Sound");
    for (const TShippedMaskFile& shipped : ShippedStandardMaskFiles()) {
        const std::string path = shipped.Path;
        if (path.size() > 4 && path.substr(path.size() - 4) == ".msk") {
            std::ofstream(standards / "Sound" / fs::path(path).filename(), std::ios::binary) << shipped.Text;
            break;
        }
    }
}

TEST(ProgramMessagesDemo, MessagesOfTheStartUpAndTheAcquisitionCycleHoldNothingAndTheAcquisitionCountsOn) {
    TDemoProgram program(PrepareRoot);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.ConnectAtOnce());

    // The standard without a usable mask is skipped with its message: the start-up ends and lines are
    // answered (the mask test below loads the sound standard's mask).
    ASSERT_EQ(program.Ask("HEADER?"), "HEADER ON") << program.Log();
    EXPECT_TRUE(program.Logged("No Bit Rate in Mask File a.msk")) << program.Log();
    EXPECT_TRUE(program.Acquire(3)) << "the demo acquires before any message";

    // Each message in the log, the acquisition counting on, *RUN? telling the truth; where no message
    // is named, the log gets no internal error (its text names the unit and the line).
    const auto provoke = [&](const std::vector<std::string>& lines, const std::string& message) {
        SCOPED_TRACE(message);
        const std::size_t logged = program.Log().size();
        for (const std::string& line : lines) EXPECT_EQ(program.Ask(line), "") << line;
        EXPECT_TRUE(program.Acquire(3));
        if (message.empty()) EXPECT_EQ(program.Log().find(", line ", logged), std::string::npos) << program.Log();
        else EXPECT_TRUE(program.Logged(message)) << program.Log();
        EXPECT_EQ(program.Ask("*RUN?"), "*RUN ON");
        EXPECT_TRUE(program.Acquire(2)) << "still acquiring after the message";
    };
    // An inverse FFT of a channel, also with a function as the source.
    provoke({"F1:OPERAT IFFT", "F1:SOURCE1 CH1", "F1:DISPLAY ON"}, "Inverse FFT needs a spectrum, but Ch1 is not a spectrum");
    provoke({"F2:OPERAT INVERT", "F2:SOURCE1 CH1", "F2:DISPLAY ON", "F1:SOURCE1 F2"},
            "Inverse FFT needs a spectrum, but F2 is not a spectrum");
    // A spectrum of a spectrum, where the source setting takes one.
    for (const char* line : {"F1:DISPLAY OFF", "F2:DISPLAY OFF", "SPECTR1:SOURCE CH1", "SPECTR1:DISPLAY ON"})
        EXPECT_EQ(program.Ask(line), "") << line;
    // A spectrum is refused as the source of a spectrum; a memory holding one is taken, and its
    // spectrum gives the message.
    EXPECT_EQ(program.Ask("SPECTR2:SOURCE S1"), "ERROR");
    for (const char* line : {"SAVE:MEMO:SOURCE S1", "SAVE:MEMO:TOMEMO M1", "SAVE:MEMO:SAVE"})
        EXPECT_EQ(program.Ask(line), "") << line;
    EXPECT_TRUE(program.Acquire(1)) << "the cycle stores the memory";
    provoke({"SPECTR2:SOURCE M1", "SPECTR2:DISPLAY ON"}, "M1 is a spectrum: its spectrum cannot be computed");
    EXPECT_EQ(program.Ask("SPECTR1:DISPLAY OFF"), "");
    EXPECT_EQ(program.Ask("SPECTR2:DISPLAY OFF"), "");

    // A failing mask test, then a failing limit test, saving to a name that cannot be written: the
    // save goes off with its message, the test runs on.
    provoke({"STDMASK:MASKINDEX 0", "MASK:FILENAME /proc/self/nope", "MASK:ACTION INCLUDE SAVE", "MASK:TEST ON"},
            "Write Error to file \"/proc/self/nope");
    const std::string tested = program.Ask("MASK:RES? ALLWFM");
    EXPECT_NE(program.AskUntil("MASK:RES? ALLWFM", [&](const std::string& r) { return r != tested; }), tested)
        << "the mask test counts on";
    EXPECT_EQ(program.Ask("MASK:TEST OFF"), "");
    const std::size_t maskWrites = program.Log().size();
    provoke({"MEAS:CH1:YPARAM PP ON", "LIMIT1:ACTIV ON", "LIMIT1:FAILWHEN ALWAYS", "LIMIT:FILENAME /proc/self/nope",
             "LIMIT:ACTION INCLUDE SAVE", "LIMIT:TESTON ON"},
            "Write Error to file \"/proc/self/nope");
    EXPECT_NE(program.Log().find("Write Error to file", maskWrites), std::string::npos) << program.Log();
    EXPECT_EQ(program.Ask("LIMIT:TESTON OFF"), "");

    // Markers on None and on the histogram: the sources a marker cannot use are refused, and the
    // markers with a scale change (the cycle then looks at their sources) give no internal error.
    EXPECT_EQ(program.Ask("MARK:M1:SOURCE NONE"), "ERROR");
    EXPECT_EQ(program.Ask("MARK:M2:SOURCE HIST"), "ERROR");
    provoke({"MEAS:DISPLAY OFF", "MARK:TYPE XY", "CH1:SCALE 0.05", "TB:SCALEA 2E-9"}, "");
    EXPECT_EQ(program.Ask("MARK:TYPE?"), "MARK:TYPE XY");
    EXPECT_EQ(program.Log().find("Range check"), std::string::npos) << program.Log();
    EXPECT_EQ(program.Ask("MARK:TYPE OFF"), "");

    // TDR readouts on a channel that was never calibrated: the message from the idle pass.
    provoke({"TDR:MODE TDR", "TDR:CH1:TDRPARAMS INCLUDE MINREFLECT", "TDR:MEASURE ON"},
            "Perform the TDR calibration before TDR measurements on Channel 1.");
    EXPECT_EQ(program.Ask("HEADER?"), "HEADER ON");
}

// The boxes themselves: none is made without a screen; on one, they return at once, one per text while
// it is open, the box of a cause that has gone closes, and the question's No reaches its caller when
// the user clicks it.
TEST(ProgramMessagesDemo, BoxesThatHoldNothingOpenOncePerTextOnAScreenOnlyAndPassOnTheNo) {
    // The message boxes in existence, closed ones deleted first.
    const auto boxes = [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        int n = 0;
        for (QWidget* w : QApplication::allWidgets()) n += qobject_cast<QMessageBox*>(w) != nullptr;
        return n;
    };
    const int before = boxes();
    QWidget window;
    {
        TMessageBoxDialogs offscreen;
        EXPECT_TRUE(offscreen.ShowErrorNonModal(&window, "Write Error to file \"a\""));
        EXPECT_TRUE(offscreen.ShowErrorNonModal(&window, "Write Error to file \"a\""));
        int noes = 0;
        EXPECT_TRUE(offscreen.AskErrorYesNoNonModal(&window, "Continue?", [&] { ++noes; }));
        QApplication::processEvents();
        EXPECT_EQ(boxes(), before) << "no box is made where nobody sees it";
        EXPECT_EQ(noes, 0) << "the question keeps its Yes";
    }
    TMessageBoxDialogs dialogs([] { return true; });
    const auto open = [] {
        std::vector<QMessageBox*> boxes;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) boxes.push_back(box);
        return boxes;
    };
    EXPECT_TRUE(dialogs.ShowErrorNonModal(&window, "Write Error to file \"a\""));
    EXPECT_FALSE(dialogs.ShowErrorNonModal(&window, "Write Error to file \"a\"")) << "the same cause once";
    EXPECT_TRUE(dialogs.ShowErrorNonModal(&window, "Write Error to file \"b\""));
    ASSERT_EQ(open().size(), 2u);
    for (QMessageBox* box : open()) EXPECT_EQ(box->windowModality(), Qt::NonModal);
    for (QMessageBox* box : open()) box->close();
    QApplication::processEvents();
    EXPECT_TRUE(open().empty());
    EXPECT_TRUE(dialogs.ShowErrorNonModal(&window, "Write Error to file \"a\"")) << "again once its box has gone";
    EXPECT_TRUE(dialogs.ShowErrorNonModal(&window, "Write Error to file \"b\""));
    // The cause of "a" has gone: its box closes, "b" stays.
    dialogs.CloseErrorNonModal("Write Error to file \"a\"");
    QApplication::processEvents();
    ASSERT_EQ(open().size(), 1u);
    EXPECT_EQ(open().front()->text(), "Write Error to file \"b\"");
    for (QMessageBox* box : open()) box->close();

    int noes = 0;
    EXPECT_TRUE(dialogs.AskErrorYesNoNonModal(&window, "Continue?", [&] { ++noes; }));
    ASSERT_EQ(open().size(), 1u);
    open().front()->button(QMessageBox::No)->click();
    QApplication::processEvents();
    EXPECT_EQ(noes, 1);
    EXPECT_TRUE(open().empty());

    // The boxes and questions of a window that goes go with it.
    auto owner = std::make_unique<QWidget>();
    EXPECT_TRUE(dialogs.ShowErrorNonModal(owner.get(), "Write Error to file \"c\""));
    dialogs.AskOkCancelLater(owner.get(), "Calibrate?", [](bool) { ADD_FAILURE() << "no answer from a window gone"; });
    ASSERT_EQ(open().size(), 2u);
    owner.reset();
    QApplication::processEvents();
    EXPECT_TRUE(open().empty());
    EXPECT_EQ(boxes(), before);
}

}  // namespace
}  // namespace vt
