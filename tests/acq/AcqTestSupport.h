#pragma once
// A context with the acquisition settings registered: records, the command tree, the engine, and on
// request a link with its senders aimed at the fake instrument.
#include <functional>
#include <memory>
#include <string>

#include "acq/SignalAcq.h"
#include "acq/SignalSources.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "link/CommandSenders.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"
#include "link/LinkTestSupport.h"

namespace vt::test {

struct TUserLog : TUserServices {
    int Beeps = 0;
    std::vector<std::string> Errors;
    std::vector<TSaveDialogRequest> Dialogs;
    bool Accept = false;
    TSaveDialogRequest Answer;
    void Beep() override { ++Beeps; }
    // What runs while the message box waits in its own event loop.
    std::function<void()> WhileErrorShown;
    void ShowErrorDlg(const std::string& text) override {
        Errors.push_back(text);
        if (WhileErrorShown) WhileErrorShown();
    }
    // The boxes that hold nothing: nothing runs meanwhile, as nothing waits.
    std::vector<std::string> Boxes;
    std::function<void()> WhenBoxShown;
    void ShowNonModalError(const std::string& text) override {
        Boxes.push_back(text);
        if (WhenBoxShown) WhenBoxShown();
    }
    bool ExecSaveDialog(TSaveDialogRequest& request) override {
        Dialogs.push_back(request);
        if (Accept) request = Answer;
        return Accept;
    }
};

struct TAcqContext {
    TAcqContext() {
        Shell.Folders.WaveformFilesFolder = "/data/Waveforms/";
        Shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
        auto user = std::make_unique<TUserLog>();
        User = user.get();
        Shell.SetUserServices(std::move(user));
        Acq.FillRows(Shell);
    }
    // The registrations (and, when asked, the refresh) as at an instrument start.
    void Register(bool refresh = true) {
        RegisterAllCommandHandlers(Shell);
        ConnectSignalEnablity(Shell.Records()->SignalsOn(), Shell.CommandTree()->SignalEnablity());
        if (refresh) Shell.Refresh.RunRow(Shell, TRefreshRow::RefreshAcqHandlers);
    }
    std::string Cmd(std::string_view text) { return Shell.CommandTree()->ExecuteCommandString(text, false); }
    TCommandTree& Tree() { return *Shell.CommandTree(); }

    TShell Shell;
    TSignalAcq Acq;
    TUserLog* User = nullptr;
};

// The context with a link to a fake instrument, the senders and the engine attached to the link.
struct TAcqOnFake : TAcqContext {
    TAcqOnFake() {
        Shell.SetLink(MakeOwnedPart(std::make_unique<TInstrumentLink>(FastTiming(Fake.Port()), &Clock)));
        Identity.ModelType = 4;
        Shell.SetSenders(MakeOwnedPart(std::make_unique<TInstrumentSenders>(*Shell.Link(), Identity)));
        Acq.AttachToProgram(Shell);
    }
    bool Open() { return Shell.Link()->OpenInstrumentLink(false, Loopback()); }
    // The lines the fake received after the opening identity query.
    std::vector<std::string> Sent() {
        std::vector<std::string> lines = Fake.Lines();
        if (!lines.empty()) lines.erase(lines.begin());
        return lines;
    }

    TFakeInstrument Fake;
    TFakeLinkClock Clock;
    TInstrumentIdentity Identity;
};

}  // namespace vt::test
