#include "display/HintStack.h"

#include <QFontMetrics>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "core/InternalError.h"

namespace vt {

namespace {

constexpr int KeepUnderMinRestMs = 100;
// Timed hints kept under newer ones: messages raised faster than they time out (a script's errors)
// would keep every hint and its window. Beyond this many the oldest timed one goes; hints without a
// time-out are held by their raisers until removed and always stay.
constexpr std::size_t MaxTimedHints = 16;

class TQtHintTimer : public THintTimer {
public:
    explicit TQtHintTimer(std::function<void()> fired) {
        Timer_.setSingleShot(true);
        QObject::connect(&Timer_, &QTimer::timeout, [fired = std::move(fired)] { fired(); });
    }
    void Start(int ms) override { Timer_.start(ms); }
    void Stop() override { Timer_.stop(); }

private:
    QTimer Timer_;
};

}  // namespace

std::unique_ptr<THintTimer> MakeQtTimer(std::function<void()> fired) {
    return std::make_unique<TQtHintTimer>(std::move(fired));
}

namespace {

int WidthOf(const QString& text, qsizetype from, const std::function<int(QChar)>& charWidth) {
    int w = 0;
    for (qsizetype i = from; i < text.size(); ++i) w += charWidth(text[i]);
    return w;
}

}  // namespace

std::int64_t SteadyClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TColor HintTextColor(int style) { return style == HintAlarmStyle ? TColor(0x00FFFF) : TColor(0x000000); }
TColor HintBackColor(int style) { return style == HintAlarmStyle ? TColor(0x00007F) : TColor(0xCCFFFF); }

THintSplit SplitHintLine(const QString& whole, int room, const std::function<int(QChar)>& charWidth) {
    const QString text = whole.left(HintMaxChars);
    qsizetype fit = 0;
    for (int used = 0; fit < text.size(); ++fit) {
        used += charWidth(text[fit]);
        if (used > room) break;
    }
    if (fit >= text.size()) return {text, {}, false};
    qsizetype cut = fit;
    if (WidthOf(text, fit, charWidth) <= room) {
        bool found = false;
        for (QChar breakChar : {QChar('\\'), QChar(' '), QChar('-')}) {
            for (qsizetype k = fit - 1; k >= 0 && WidthOf(text, k + 1, charWidth) <= room; --k) {
                if (text[k] == breakChar) {
                    cut = k + 1;
                    found = true;
                    break;
                }
            }
            if (found) break;
        }
    }
    return {text.left(cut), text.mid(cut), true};
}

// ---------------------------------------------------------------------------------------------------
void TMyHintWindow::Draw(const std::string& text, TColor textColor, int left, int top, int width, TColor background) {
    const QFontMetrics metrics(Bitmap().Font());
    const THintSplit split = SplitHintLine(QString::fromStdString(text), width - 6,
                                           [&metrics](QChar c) { return metrics.horizontalAdvance(c); });
    const int lines = split.TwoLines ? 2 : 1;
    const int h = Bitmap().TextHeight(QStringLiteral(" "));
    if (!Shown_ || Lines_ != lines) {
        Resize(left, top, width, h * lines + 3);
        SetColor(background);
        Clear();
        SetVisible(true);
        Shown_ = true;
        Lines_ = lines;
    } else if (Color() != background) {
        SetColor(background);
    }
    SetFontColor(textColor);
    Bitmap().BrushColor = background;
    TextRect({0, 0, width - 7, h}, 3, 0, split.First.toStdString());
    if (split.TwoLines) TextRect({0, h, width - 7, 2 * h}, 3, 0, split.Rest.toStdString());
}

// ---------------------------------------------------------------------------------------------------
THintStack::THintStack(std::unique_ptr<THintTimer> timer, THintClock clock)
    : Timer_(std::move(timer)), Clock_(std::move(clock)) {
    if (!Timer_) Timer_ = MakeQtTimer([this] { TimerFired(); });
    if (!Clock_) Clock_ = SteadyClockMs;
}

THintStack::~THintStack() {
    Timer_->Stop();
    Entries_.clear();
}

void THintStack::StartTimer(int ms) {
    // The time is noted whenever the timer starts, so a hint kept under a newer one keeps its rest.
    ShownAt_ = Clock_();
    Timer_->Start(ms);
}

int THintStack::Push(const std::string& text, int timeOutMs, int style, int keepUnder) {
    Timer_->Stop();
    auto it = std::find_if(Entries_.begin(), Entries_.end(), [&text](const TEntry& e) { return e.Text == text; });
    if (it == Entries_.end()) return PushWithId(text, timeOutMs, style, keepUnder, 0);
    if (std::next(it) == Entries_.end()) {
        TEntry& top = *it;
        // Another style or keep-under is taken, not refused: the same text may be raised to an alarm.
        const bool restyle = top.Style != style;
        top.Style = style;
        top.KeepUnder = keepUnder;
        top.TimeOut = timeOutMs;
        if (restyle && top.Window)
            top.Window->Draw(top.Text, HintTextColor(style), Left_, Top_, Width_, HintBackColor(style));
        if (timeOutMs > 0) StartTimer(timeOutMs);
        return top.Id;
    }
    const int id = it->Id;
    Remove(id);
    return PushWithId(text, timeOutMs, style, keepUnder, id);
}

int THintStack::PushWithId(const std::string& text, int timeOutMs, int style, int keepUnder, int id) {
    if (!Entries_.empty()) {
        TEntry& top = Entries_.back();
        if (top.KeepUnder == 1 && top.TimeOut > 0) {
            const std::int64_t rest = top.TimeOut - (Clock_() - ShownAt_);
            if (rest < KeepUnderMinRestMs) {
                Entries_.pop_back();
            } else {
                top.TimeOut = static_cast<int>(rest);
            }
        } else if (top.KeepUnder != 1) {
            Entries_.pop_back();
        }
    }
    std::size_t timed = 0;
    for (const TEntry& e : Entries_) timed += e.TimeOut > 0;
    if (timeOutMs > 0 && timed >= MaxTimedHints) {
        const auto oldest = std::find_if(Entries_.begin(), Entries_.end(), [](const TEntry& e) { return e.TimeOut > 0; });
        Entries_.erase(oldest);
    }
    if (id == 0) id = ++LastId_;
    TEntry entry;
    entry.Text = text;
    entry.Id = id;
    entry.Style = style;
    entry.KeepUnder = keepUnder;
    entry.TimeOut = timeOutMs;
    Entries_.push_back(std::move(entry));
    Show(Entries_.back());
    return id;
}

int THintStack::PushOrRefresh(int id, const std::string& text, int style, int keepUnder, int timeOutMs) {
    if (!Entries_.empty()) {
        TEntry& top = Entries_.back();
        if (top.Id == id && top.Style == style && top.KeepUnder == keepUnder) {
            Timer_->Stop();
            top.Text = text;
            top.TimeOut = timeOutMs;
            if (top.Window)
                top.Window->Draw(text, HintTextColor(style), Left_, Top_, Width_, HintBackColor(style));
            if (timeOutMs > 0) StartTimer(timeOutMs);
            return id;
        }
    }
    return Push(text, timeOutMs, style, keepUnder);
}

void THintStack::Show(TEntry& entry) {
    if (!Sink_) return;
    if (!entry.Window) {
        entry.Window = std::make_unique<TMyHintWindow>(Sink_);
        entry.Window->Draw(entry.Text, HintTextColor(entry.Style), Left_, Top_, Width_, HintBackColor(entry.Style));
    }
    if (entry.TimeOut > 0) StartTimer(entry.TimeOut);
}

void THintStack::DeleteTop() {
    Entries_.pop_back();
    if (!Entries_.empty()) Show(Entries_.back());
}

void THintStack::TimerFired() {
    Timer_->Stop();
    if (Entries_.empty()) VT_INTERNAL_ERROR(HintUnitName, "Assertion failure");
    DeleteTop();
}

void THintStack::Remove(int id) {
    auto it = std::find_if(Entries_.begin(), Entries_.end(), [id](const TEntry& e) { return e.Id == id; });
    if (it == Entries_.end()) return;
    if (std::next(it) == Entries_.end()) {
        TimerFired();
        return;
    }
    Entries_.erase(it);
}

void THintStack::Attach(TScreenSink* sink, int left, int width, int top) {
    for (TEntry& e : Entries_) e.Window.reset();
    Sink_ = sink;
    Left_ = left;
    Width_ = width;
    Top_ = top;
    if (!Sink_) return;
    for (TEntry& e : Entries_) Show(e);
}

}  // namespace vt
