// Every header of the program's command tree, sent offscreen by one automation client with a typical
// value and as a query while a second client asks "*RUN?": each line is answered, a held run within
// its time; the second client is answered within a few turns of the event loop, also while a held run
// goes on; no command opens a modal box or turns the event loop inside itself (a nested loop holds
// every other client).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "UiTestSupport.h"
#include "core/CommandService.h"
#include "core/CommandTree.h"
#include "core/EditHandlers.h"
#include "core/Handlers.h"
#include "core/SourceHandlers.h"
#include "ui/Automation.h"
#include "ui/UserDialogs.h"

namespace vt {
namespace {

// A line of the sweep, made when it is sent (a value that changes the setting from the one it has then).
struct TSweepLine {
    std::function<std::string()> Text;
};

// Headers whose typical value would take the program off the demo: they get a value that changes
// nothing lasting.
const std::map<std::string, std::string> SpecialValues = {
    {"INSTR:CURRENT:SET", "NoSuchInstrument"},
};

// A number as a script writes it, "." whatever the locale.
std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9).ptr;
    return std::string(text, end);
}

void AddLines(TCommandTree& tree, THandler& h, const std::string& path, std::vector<TSweepLine>& lines) {
    const auto fixed = [&](const std::string& value) {
        lines.push_back({[text = value.empty() ? path : path + " " + value] { return text; }});
    };
    lines.push_back({[text = path + "?"] { return text; }});
    if (auto special = SpecialValues.find(path); special != SpecialValues.end()) return fixed(special->second);
    if (auto* main = dynamic_cast<TMainCommandHandler*>(&h)) {
        // Each word of its menu: the command's menu is where its boxes hide.
        for (const std::string& word : main->MenuWords()) fixed(word);
        for (const std::string& word : main->StateWords()) fixed(word);
        if (main->MenuWords().empty() && main->StateWords().empty()) fixed(main->Variable() ? "ON" : "");
    } else if (auto* radio = dynamic_cast<TRadioSwHandler*>(&h)) {
        // The item after the one it has then.
        lines.push_back({[radio, path] {
                             const auto& items = radio->Items();
                             return items.empty() ? path : path + " " + items[(radio->GetItemIndex() + 1) % items.size()];
                         }});
    } else if (auto* source = dynamic_cast<TSourceSwHandler*>(&h)) {
        lines.push_back({[source, path] {
                             const auto& items = source->Items();
                             return items.empty() ? path : path + " " + items[(source->GetSourceIndex() + 1) % items.size()];
                         }});
    } else if (auto* check = dynamic_cast<TCheckSwHandler*>(&h)) {
        if (!check->Items().empty()) fixed(check->Items().front());
    } else if (auto* onOff = dynamic_cast<TOnOffHandler*>(&h)) {
        lines.push_back({[onOff, path] { return path + (onOff->GetOn() ? " OFF" : " ON"); }});
    } else if (auto* edit = dynamic_cast<TEditHandler*>(&h)) {
        // The default, or a value beside it where the setting holds the default already.
        lines.push_back({[edit, path] {
                             double v = edit->DefaultValue();
                             if (edit->GetValueAsDouble() == v)
                                 v = v != 0 && v * 2 <= edit->MaxValue() ? v * 2 : v + (edit->MaxValue() - edit->MinValue()) / 100;
                             return path + " " + Number(v);
                         }});
    } else if (dynamic_cast<TComplexObjectHandler*>(&h)) {
        // Its own state given back.
        lines.push_back({[&tree, path] {
                             const bool header = tree.HeaderOn();
                             tree.HeaderHandler().SetOn(false);
                             const std::string state = tree.ExecuteCommandString(path + "?", false);
                             tree.HeaderHandler().SetOn(header);
                             return path + " " + state;
                         }});
    } else {
        fixed("");
    }
}

void Walk(TCommandTree& tree, const TSpider& node, const std::string& prefix, std::vector<TSweepLine>& lines) {
    for (int i = 0; i < node.Count(); ++i) {
        const TSpider::TEntry& e = node.Entry(i);
        const std::string path = prefix + e.Mnemonic;
        if (e.Handler) AddLines(tree, *e.Handler, path, lines);
        if (e.Child) Walk(tree, *e.Child, e.Mnemonic == "*" ? path : path + ":", lines);
    }
}

TEST(CommandSweepDemo, EveryHeaderRepliesInItsTimeHoldsNoOtherClientAndOpensNoModalBox) {
    TMessageBoxDialogs dialogs;  // offscreen: the program's own dialogs see no screen
    test::TProgramRig rig({.OwnDialogs = &dialogs});
    test::TTwoClients clients(rig);  // closes a modal box, so that the sweep ends
    std::vector<TSweepLine> lines;
    std::size_t next = 0, from = 0, modalSeen = 0;
    TCOMRC* service = nullptr;
    std::string current;                     // the line under way
    std::vector<std::string> modal, nested;  // "line: what"
    std::vector<std::string> late;           // a line past its bound, or the other client kept waiting
    const auto came = [&](std::string_view who) {
        return std::any_of(clients.Arrived.begin() + from, clients.Arrived.end(),
                           [who](const std::string& line) { return line.starts_with(who); });
    };
    // Each turn of the event loop: a turn while a command string runs is a loop nested inside the
    // command; the other client is served within a few turns, a held run going on or not.
    int turns = 0, askedAt = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++turns;
        if (service && service->Running()) {
            if (nested.empty() || nested.back() != current) nested.push_back(current);
        }
        if (askedAt >= 0 && turns - askedAt > 50 && !came("other: ")) {
            late.push_back(current + ": the other client waited");
            askedAt = -1;
        }
    });
    watch.start(1);
    const auto noteModal = [&] {
        for (; modalSeen < clients.Modal.size(); ++modalSeen) modal.push_back(current + ": " + clients.Modal[modalSeen]);
    };
    rig.RunSteps(600000, [&] {
        ASSERT_TRUE(clients.Connect());
        service = &rig.Features().Automation().Automation()->Service;
        Walk(*rig.Shell.CommandTree(), rig.Shell.CommandTree()->Root(), "", lines);
        QElapsedTimer clock;
        for (; next < lines.size(); ++next) {
            noteModal();
            current = lines[next].Text();
            from = clients.Arrived.size();
            askedAt = -1;
            clients.Send(clients.Runner, current + "\n");
            clock.start();
            // The other client asks once the line has been served (or is held). Held runs (calibrations,
            // autoscale, the pattern search) take seconds; anything else is answered at once (the guard
            // only stops a hang).
            const bool served = test::RunLoopUntil([&] { return came("run: ") || service->Deferred(); }, 10000);
            const bool held = served && !came("run: ");
            if (served) {
                clients.Send(clients.Other, "*RUN?\n");
                askedAt = turns;
            }
            const qint64 bound = held ? 60000 : 10000;
            if (!served || !test::RunLoopUntil([&] { return came("run: ") && came("other: "); },
                                               static_cast<int>(std::max<qint64>(bound - clock.elapsed(), 1)))) {
                late.push_back(current + ": no reply within " + std::to_string(bound) + " ms");
                break;
            }
        }
        noteModal();
        askedAt = -1;
        ASSERT_TRUE(clients.Disconnect());
        // The sweep changed calibration and adjustment values: the close stores none, as after a signal.
        rig.Shell.CloseUnasked = true;
    });
    EXPECT_GT(lines.size(), 1000u);
    EXPECT_EQ(next, lines.size());
    EXPECT_EQ(modal, std::vector<std::string>{});
    EXPECT_EQ(nested, std::vector<std::string>{});
    EXPECT_EQ(late, std::vector<std::string>{});
}

}  // namespace
}  // namespace vt
