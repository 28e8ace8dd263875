#include "core/ConsoleText.h"
#include "core/AsciiText.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/CommandService.h"
#include "core/DotNumberText.h"
#include "core/Numeric.h"

namespace vt {

namespace {

bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The largest cut position <= at that does not split a UTF-8 sequence.
std::size_t CutBackToCharacter(std::string_view s, std::size_t at) {
    while (at > 0 && at < s.size() && IsUtf8Continuation(s[at])) --at;
    return at;
}

std::string UpperTrimmed(std::string_view s) { return UpperCase(TrimWhite(s)); }

}  // namespace

TConsoleHistory::TConsoleHistory()
    : Items_{"Header Off",         "Header On",         "*ClrDispl",   "*Run",
             "*StopSingle Stop",   "*StopSingle Single", "Wfm:Data?",  "*Autoscale",
             "*DefSetup",          "*Undo",             "*Copy",       "*Print",
             "*Help",              "Acq:React?",        "Acq:React:Include Beep", "Acq:React:ClearAll"} {}

void TConsoleHistory::Add(const std::string& command) {
    if (std::find(Items_.begin(), Items_.end(), command) != Items_.end()) return;
    Items_.push_back(command);
    if (Items_.size() > MaxEntries) Items_.erase(Items_.begin());
}

void TConsoleLog::AppendLine(std::string_view prefix, std::string_view text) {
    std::string line(prefix);
    if (text.size() > MaxLineLength) {
        line += text.substr(0, CutBackToCharacter(text, MaxLineLength));
        line += CutMark;
    } else {
        line += text;
    }
    line += '\n';
    if (Text_.size() + line.size() > LogLimit) {
        // Delete as much of the front as makes room for the line within TrimTo, never a negative amount.
        const std::size_t keep = TrimTo > line.size() ? TrimTo - line.size() : 0;
        if (Text_.size() > keep) {
            std::size_t cut = Text_.size() - keep;
            while (cut < Text_.size() && IsUtf8Continuation(Text_[cut])) ++cut;
            Text_.erase(0, cut);
            ++Trims_;
        }
    }
    Text_ += line;
}

void TWaveformPreview::Clear() {
    Shown_ = false;
    Pixels_.fill(0);
}

bool TWaveformPreview::Draw(std::string_view reply) {
    if (reply.find("SIGNAL IS ABSENT") != std::string_view::npos) {
        Clear();
        return false;
    }
    Shown_ = true;
    Pixels_.fill(0);
    // A header ends at a blank before the first ", ".
    const auto firstSeparator = reply.find(", ");
    if (const auto blank = reply.find(' '); blank != std::string_view::npos && blank < firstSeparator)
        reply.remove_prefix(blank + 1);

    std::vector<double> values;
    values.reserve(std::min<std::size_t>(MaxPoints, reply.size() / 2 + 1));
    double minimum = 0, maximum = 0;
    std::size_t pos = 0;
    while (pos <= reply.size() && values.size() < MaxPoints) {
        auto end = reply.find(", ", pos);
        if (end == std::string_view::npos) end = reply.size();
        double v = 0;
        // An item that is no number (an "ERROR", a second header) is not drawn.
        if (TryStrToFloatDot(reply.substr(pos, end - pos), v) && std::isfinite(v)) {
            if (values.empty()) minimum = maximum = v;
            minimum = std::min(minimum, v);
            maximum = std::max(maximum, v);
            values.push_back(v);
        }
        pos = end + 2;
    }
    if (values.empty()) return true;
    const double centre = (maximum + minimum) / 2;
    const double halfRange = maximum > minimum ? (maximum - minimum) / 2 : 1;
    // The maximum lands on the first row and the minimum on the last, the centre in the middle.
    const double halfRows = (Height - 1) / 2.0;
    const std::size_t n = values.size();
    for (std::size_t j = 0; j < n; ++j) {
        const auto column = Trunc(static_cast<double>(j) * Width / static_cast<double>(n));
        const auto row = RoundHalfEven(halfRows - (values[j] - centre) * halfRows / halfRange);
        const auto r = std::clamp<std::int64_t>(row, 0, Height - 1);
        Pixels_[static_cast<std::size_t>(r * Width + column)] = 1;
    }
    return true;
}

TConsoleSession::TSendResult TConsoleSession::Send(const std::string& command) {
    TSendResult result;
    if (command.empty()) return result;
    result.Sent = true;
    History.Add(command);
    const std::weak_ptr<int> alive = Alive_;
    Service_.Execute(command, result.Reply, 0, [this, alive](const std::string& reply) {
        if (alive.expired()) return;
        if (!reply.empty()) Log.AppendLine("--> ", reply);
        if (OnLaterReply) OnLaterReply();
    });
    if (Service_.Deferred()) {
        result.Later = true;
        return result;
    }
    result.Beep = result.Reply.empty();
    if (UpperTrimmed(command) == "WFM:DATA?") {
        if (Preview.Draw(result.Reply)) Countdown_ = PreviewSends;
    }
    if (Countdown_ > 0 && --Countdown_ == 0) Preview.Clear();
    if (!result.Reply.empty() && result.Reply != " ") Log.AppendLine("--> ", result.Reply);
    return result;
}

}  // namespace vt
