#include <gtest/gtest.h>

#include <QFontMetrics>
#include <memory>
#include <string>

#include "core/InternalError.h"
#include "core/Shell.h"
#include "display/HintStack.h"
#include "display/ScopeDisplayServices.h"
#include "RecordingSink.h"

using namespace vt;
using vt::test::TRecordingSink;

namespace {

struct TFakeTimer : THintTimer {
    void Start(int ms) override { RunningMs = ms; }
    void Stop() override { RunningMs = 0; }
    int RunningMs = 0;
};

struct Hints : ::testing::Test {
    Hints() {
        auto timer = std::make_unique<TFakeTimer>();
        Timer = timer.get();
        Stack = std::make_unique<THintStack>(std::move(timer), [this] { return Now; });
        Stack->Attach(&Sink, 0, 400, 0);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& e : Stack->Entries()) texts.push_back(e.Text);
        return texts;
    }
    void Expire() {
        Now += Timer->RunningMs;
        Stack->TimerFired();
    }
    std::int64_t Now = 1000;
    TRecordingSink Sink;
    TFakeTimer* Timer = nullptr;
    std::unique_ptr<THintStack> Stack;
};

int FixedWidth(QChar) { return 10; }

}  // namespace

TEST_F(Hints, SameTextTwiceKeepsOneEntryAndTakesTheNewStyle) {
    const int id = Stack->Push("hello", 2000, 0, 0);
    Now += 500;
    EXPECT_EQ(Stack->Push("hello", 3000, HintAlarmStyle, 1), id);
    ASSERT_EQ(Stack->Entries().size(), 1u);
    EXPECT_EQ(Stack->Entries()[0].Style, HintAlarmStyle);
    EXPECT_EQ(Timer->RunningMs, 3000) << "the time-out restarts";
    EXPECT_EQ(Stack->Entries()[0].Window->Color(), HintBackColor(HintAlarmStyle));

    // The restart notes the time: a newer hint leaves this one the rest counted from the restart.
    Now += 2800;
    Stack->Push("hello", 1000, HintAlarmStyle, 1);
    Now += 800;
    Stack->Push("newer", 0, 0, 0);
    ASSERT_EQ(Stack->Entries().size(), 2u);
    EXPECT_EQ(Stack->Entries()[0].TimeOut, 200);
}

TEST_F(Hints, KeepUnderHintReturnsWithItsRest) {
    Stack->Push("normal", 1000, 0, 0);
    Stack->Push("under", 5000, 0, 1);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"under"})) << "a normal hint goes when another comes";
    Now += 2000;
    Stack->Push("newer", 1000, 0, 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"under", "newer"}));
    Expire();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"under"}));
    EXPECT_EQ(Timer->RunningMs, 3000) << "the rest of its time";

    // The rest is measured from the restart, not from the first showing.
    Now += 2950;
    Stack->Push("last", 1000, 0, 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"last"})) << "under 100 ms left: dropped";

    // A keep-under hint without time-out stays; PushOrRefresh of the top changes only text and time.
    const int sticky = Stack->Push("sticky", 0, 0, 1);
    const int top = Stack->Push("top", 0, 0, 1);
    EXPECT_EQ(Stack->PushOrRefresh(top, "top again", 0, 1, 700), top);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"sticky", "top again"}));
    EXPECT_EQ(Timer->RunningMs, 700);
    EXPECT_EQ(Stack->PushOrRefresh(sticky, "sticky", 0, 1, 0), sticky) << "not the top: pushed again, same id";
    EXPECT_EQ(Texts(), (std::vector<std::string>{"top again", "sticky"}));
    Stack->Remove(999);
    Stack->Remove(top);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"sticky"}));
    Stack->Remove(sticky);
    EXPECT_THROW(Stack->TimerFired(), EInternalError);
}

// Messages raised faster than they time out, each of its own text (a script's errors naming its files):
// the stack keeps the newest 16 timed hints and every hint without a time-out, not one window per message.
TEST_F(Hints, HintsRaisedFasterThanTheyGoKeepTheNewestSixteen) {
    const int sticky = Stack->Push("sticky", 0, HintAlarmStyle, 1);
    for (int i = 0; i < 1000; ++i) {
        Now += 50;
        Stack->Push("message " + std::to_string(i), 5000, 0, 1);
        ASSERT_LE(Stack->Entries().size(), 17u) << i;
    }
    std::vector<std::string> expected = {"sticky"};
    for (int i = 984; i < 1000; ++i) expected.push_back("message " + std::to_string(i));
    EXPECT_EQ(Texts(), expected);
    // They go one by one down to the hint without a time-out, which stays until it is removed.
    for (int i = 0; i < 16; ++i) Expire();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"sticky"}));
    Stack->Remove(sticky);
    EXPECT_TRUE(Stack->Entries().empty());
}

TEST_F(Hints, WindowsFollowTheSplitAndTheAttachment) {
    const THintSplit cut = SplitHintLine(QString(3000, QChar('a')), 100000, FixedWidth);
    EXPECT_EQ(cut.First.size(), HintMaxChars);
    EXPECT_FALSE(cut.TwoLines);

    const THintSplit word = SplitHintLine(QStringLiteral("abc def-ghij"), 100, FixedWidth);
    EXPECT_EQ(word.First, QStringLiteral("abc ")) << "a blank before a dash";
    EXPECT_EQ(word.Rest, QStringLiteral("def-ghij"));
    EXPECT_EQ(SplitHintLine(QStringLiteral("abcdef-ghijk"), 100, FixedWidth).First, QStringLiteral("abcdef-"));
    const THintSplit path = SplitHintLine(QStringLiteral("ab\\cd efghijk"), 100, FixedWidth);
    EXPECT_EQ(path.First, QStringLiteral("ab\\")) << "a backslash is tried first";
    const THintSplit none = SplitHintLine(QStringLiteral("abcdefghijklmn"), 100, FixedWidth);
    EXPECT_EQ(none.First, QStringLiteral("abcdefghij"));

    Stack->Push("one line", 0, 0, 0);
    const TMyHintWindow& w = *Stack->Entries().back().Window;
    const int h = QFontMetrics(w.Bitmap().Font()).height();
    EXPECT_EQ(w.Height(), h + 3);
    EXPECT_EQ(w.Width(), 400);
    Stack->Push(std::string(200, 'w'), 0, 0, 0);
    EXPECT_EQ(Stack->Entries().back().Window->Height(), 2 * h + 3);

    // Detached stacks keep their hints without windows; attaching shows them again.
    Stack->Attach(nullptr, 0, 0, 0);
    EXPECT_EQ(Stack->Entries().back().Window, nullptr);
    Stack->Attach(&Sink, 10, 300, 20);
    EXPECT_EQ(Stack->Entries().back().Window->Left(), 10);
}

TEST(DisplayServices, CommunicationErrorHintAfterFiveSeconds) {
    TShell shell;
    std::int64_t now = 0;
    auto timer = std::make_unique<TFakeTimer>();
    auto stack = std::make_unique<THintStack>(std::move(timer), [&now] { return now; });
    THintStack& hints = *stack;
    TScopeDisplayServices services(shell, std::move(stack), [&now] { return now; });
    services.ReportCommError("");
    now = 4999;
    services.ReportCommError("");
    EXPECT_TRUE(hints.Entries().empty());
    now = 5000;
    services.ReportCommError(" on start");
    services.ReportCommError(" on start");
    ASSERT_EQ(hints.Entries().size(), 1u);
    EXPECT_EQ(hints.Entries()[0].Text, shell.LangStr("CommunicationErr") + " on start");
    EXPECT_EQ(hints.Entries()[0].Style, HintAlarmStyle);
    services.PushHint("Version", 5000);
    services.ClearCommError();
    ASSERT_EQ(hints.Entries().size(), 1u);
    EXPECT_EQ(hints.Entries()[0].Text, "Version");
    now = 6000;
    services.ReportCommError("");
    EXPECT_EQ(hints.Entries().size(), 1u) << "the time is noted again after a clear";
}
