#pragma once
// A context with the command tree, the utility settings and the demo simulator, and the reading of
// whole simulated records through the word source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "link/DemoSimulator.h"
#include "link/UtilSettings.h"

namespace vt::test {

struct TSimulatorShell {
    TSimulatorShell() {
        Shell.SetCommandTree(CreateCommandTree());
        Shell.SetSimulator(MakeOwnedPart(std::make_unique<TTutorial>(Shell)));
        CreateUtilHandlers(Shell);
    }
    TTutorial& Sim() { return *Shell.Simulator(); }
    // Commands separated by ";", each from the root.
    void Exec(const std::string& commands) {
        std::size_t start = 0;
        while (start <= commands.size()) {
            const std::size_t end = std::min(commands.find(';', start), commands.size());
            Shell.ExecuteCommandString(commands.substr(start, end - start));
            start = end + 1;
        }
    }
    template <class H>
    H& Setting(std::string_view path) {
        H* h = FindSetting<H>(Shell.CommandTree(), path);
        EXPECT_NE(h, nullptr) << path;
        return *h;
    }
    // One acquisition read to its end word; the end word is not part of the result.
    std::vector<std::int16_t> Acquire() {
        Sim().DemoStartAcquisition();
        std::vector<std::int16_t> codes;
        for (int reads = 0; reads < 1000000; ++reads) {
            const std::uint16_t* words = nullptr;
            std::uint16_t count = 0;
            EXPECT_TRUE(Sim().ReadAcqWords(words, count));
            for (std::uint16_t i = 0; i < count; ++i) {
                if (words[i] == TTutorial::EndOfRecord) {
                    Sim().SetAcquisitionRunning(false);
                    return codes;
                }
                codes.push_back(static_cast<std::int16_t>(words[i]));
            }
        }
        ADD_FAILURE() << "no end word";
        return codes;
    }

    TShell Shell;
};

}  // namespace vt::test
