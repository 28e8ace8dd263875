#pragma once
// A context with the adjustment settings over the fake instrument (connected) or the demo link, the
// identity of a chosen model type, the senders and the demo simulator, and a data root of its own.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "core/CommandTree.h"
#include "core/SettingReaders.h"
#include "core/Shell.h"
#include "core/temp_folder.h"
#include "link/AdjustmentCommands.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

#include "link/LinkTestSupport.h"

namespace vt::test {

// The user's dialogs: every message is kept, the OK/Cancel question answers as told.
struct TRecordingUser : TUserServices {
    void ShowErrorDlg(const std::string& text) override { Messages->push_back(text); }
    // The boxes that wait for nobody.
    void ShowNonModalError(const std::string& text) override { Asides.push_back(text); }
    bool ConfirmOkCancel(const std::string& text) override {
        Messages->push_back(text);
        return Ok;
    }
    // The program's own questions: kept in Pending to be answered later by the test when Later is set,
    // else answered as ConfirmOkCancel answers.
    void ConfirmOkCancelLater(const std::string& text, std::function<void(bool ok)> answered) override {
        if (!Later) {
            answered(ConfirmOkCancel(text));
            return;
        }
        Messages->push_back(text);
        Pending.push_back(std::move(answered));
    }
    // Answers the oldest waiting question.
    void Answer(bool ok) {
        auto answered = std::move(Pending.front());
        Pending.erase(Pending.begin());
        answered(ok);
    }
    std::vector<std::string>* Messages = nullptr;
    bool Ok = false;
    bool Later = false;
    std::vector<std::function<void(bool)>> Pending;
    std::vector<std::string> Asides;
};

struct TAdjustShell {
    explicit TAdjustShell(bool connected, int modelType = 4, std::uint8_t options = 0) {
        Shell.SetCommandTree(CreateCommandTree());
        Shell.Folders.InstallFolder = Root.Path().string() + "/";
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(FastTiming(Fake.Port()), &Clock)));
        if (connected) {
            EXPECT_TRUE(Shell.Link()->OpenInstrumentLink(false, Loopback()));
            Shell.Link()->SetLinkKind(TInstrumentLinkKind::Tcp);
        } else {
            Shell.Link()->SetLinkKind(TInstrumentLinkKind::Demo);
        }
        Shell.SetIdentity(MakeOwnedPart(std::make_unique<TInstrumentIdentityUnit>(*Shell.Link(), Root.Path())));
        Shell.Identity()->Identity.ModelType = static_cast<std::uint8_t>(modelType);
        Shell.Identity()->Identity.Options = options;
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Shell.Identity()->Identity)));
        Shell.SetSimulator(MakeOwnedPart(std::make_unique<TTutorial>(Shell)));
        auto user = std::make_unique<TRecordingUser>();
        User = user.get();
        User->Messages = &Messages;
        Shell.SetUserServices(std::move(user));
        Adjust = std::make_unique<TCalibrAdjust>(Shell);
        Adjust->RegisterAdjustCommands();
        Adjust->SetModelAdjustLimits();
    }
    template <class H>
    H& Setting(std::string_view path) {
        return *FindSetting<H>(Shell.CommandTree(), path);
    }
    double Value(std::string_view path) { return ReadRealSetting(Shell.CommandTree(), path, -1e300); }
    // The lines the fake received after the opening's identity query.
    std::vector<std::string> Lines() {
        std::vector<std::string> lines = Fake.Lines();
        if (!lines.empty() && lines.front() == "Info:IndivData?") lines.erase(lines.begin());
        return lines;
    }

    TempFolder Root;
    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    std::vector<std::string> Messages;
    TShell Shell;
    TRecordingUser* User = nullptr;
    std::unique_ptr<TCalibrAdjust> Adjust;
};

}  // namespace vt::test
