// The program's whole command tree once every feature has registered: each setting is reached by the
// header it was registered under, and the records a command reads before any acquisition are the
// default ones.
#include <gtest/gtest.h>

#include <QApplication>
#include <cmath>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "core/CommandTree.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "ui/MainBlock.h"
#include "ui/MainWindow.h"
#include "ui/ProgramFeatures.h"
#include "ui/VeltraneApplication.h"

namespace vt {
namespace {

struct TTreeWalk {
    explicit TTreeWalk(const TSpider& root) : Root(root) {}
    const TSpider& Root;
    std::vector<std::string> Unreachable;  // a handler its own header does not reach
    std::vector<std::string> Shared;       // a node that is both a setting and a group
    int Handlers = 0;

    void Walk(const TSpider& node, const std::string& prefix) {
        for (int i = 0; i < node.Count(); ++i) {
            const TSpider::TEntry& e = node.Entry(i);
            const std::string path = prefix + e.Mnemonic;
            if (e.Handler) {
                ++Handlers;
                if (Root.FindHandler(path) != e.Handler.get()) Unreachable.push_back(path);
                if (e.Child) Shared.push_back(path);
            }
            // The common commands follow the star directly.
            if (e.Child) Walk(*e.Child, e.Mnemonic == "*" ? path : path + ":");
        }
    }
};

std::vector<std::string> Items(const std::string& reply) {
    std::vector<std::string> items;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = reply.find(", ", from);
        items.push_back(reply.substr(from, comma - from));
        if (comma == std::string::npos) return items;
        from = comma + 2;
    }
}

TEST(ProgramTree, EverySettingIsReachedByItsHeaderAndTheDefaultRecordsHoldTheirScales) {
    test::TProgramRig rig({.Instrument = "Absent"});
    TShell& shell = rig.Shell;
    bool checked = false;
    rig.Run(60000, 5, [&] {
        if (!shell.AcqEnabled || checked) return;
        checked = true;
        TCommandTree& tree = *shell.CommandTree();
        TTreeWalk walk(tree.Root());
        walk.Walk(tree.Root(), "");
        EXPECT_GT(walk.Handlers, 500);
        EXPECT_EQ(walk.Unreachable, std::vector<std::string>{});
        EXPECT_EQ(walk.Shared, std::vector<std::string>{});

        // The database trace's own settings beside the database style: each answers by its own header,
        // and setting one leaves the other.
        const std::string dbStyle = tree.ExecuteCommandString("DISPL:DBSTYLE?", false);
        EXPECT_EQ(dbStyle, "DISPL:DBSTYLE INFGRAYSCAL");
        EXPECT_EQ(tree.ExecuteCommandString("DISPL:DB:STYLE DOTS", false), "");
        EXPECT_EQ(tree.ExecuteCommandString("DISPL:DB:STYLE?", false).rfind("DISPL:DB:STYLE ", 0), 0u);
        EXPECT_EQ(tree.ExecuteCommandString("DISPL:DB:PERSISTTIME?", false).rfind("DISPL:DB:PERSISTTIME ", 0), 0u);
        EXPECT_EQ(tree.ExecuteCommandString("DISPL:DBSTYLE?", false), dbStyle);

        // A channel's default record: 512 points every 0.1 ns from 0, in seconds and volts.
        tree.HeaderHandler().SetOn(false);
        const std::vector<std::string> preamble = Items(tree.ExecuteCommandString("WFM:PREAMB?", false));
        tree.HeaderHandler().SetOn(true);
        ASSERT_EQ(preamble.size(), 5u);
        EXPECT_EQ(preamble[0], "512");
        EXPECT_NEAR(std::stod(preamble[1]), 1e-10, 1e-22);
        EXPECT_EQ(std::stod(preamble[2]), 0);
        EXPECT_EQ(preamble[3], "s");
        EXPECT_EQ(preamble[4], "V");
        test::CloseMainWindows();
    });
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace vt
