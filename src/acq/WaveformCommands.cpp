#include "acq/WaveformCommands.h"

#include <memory>

#include "acq/SignalSources.h"
#include "acq/WaveformTransfer.h"
#include "core/CommandTree.h"
#include "core/Shell.h"

namespace vt {

TWaveformCommands RegisterWaveformCommands(TCommandTree& tree, const TSignalRecords& records) {
    TSpider& root = tree.Root();
    // The replies read handlers registered after them: they share the set, filled in at the end.
    auto handlers = std::make_shared<TWaveformCommands>();
    handlers->Source = &root.AddSignalSourceHandler(
        "Wfm:Source", {.Items = std::string(WfmSourceItems), .Initial = ssCh1, .ExcludedMask = WfmSourceDisabledMask});
    handlers->Data = &root.AddGpibStringHandler(
        "Wfm:Data", 0, [&tree, &records, handlers](std::string_view, bool isQuery, std::uint8_t, std::string& reply) {
            if (isQuery)
                reply += WfmDataReply(records, handlers->Source->GetSource(), handlers->Complex->GetItemIndex(),
                                      tree.HeaderOn());
        });
    handlers->Preamb = &root.AddGpibStringHandler(
        "Wfm:Preamb", 0,
        [&tree, &records, handlers](std::string_view parameter, bool isQuery, std::uint8_t, std::string& reply) {
            if (isQuery) reply += WfmPreambReply(records, handlers->Source->GetSource(), parameter, tree.HeaderOn());
        });
    handlers->Complex = &root.AddRadioHandler("Wfm:Complex", {.Items = std::string(WfmComplexItems), .Initial = wfmMod});
    handlers->Source->SetNoSave(true);
    handlers->Data->SetNoSave(true);
    handlers->Preamb->SetNoSave(true);
    handlers->Complex->SetNoSave(true);
    return *handlers;
}

void TWaveformCommandsFeature::FillRows(TShell& shell) {
    shell.Registration.Add(TRegistrationRow::RegisterWaveformCommands, [](TShell& s) {
        // The records exist from the program's start; a context without them has no waveforms to serve.
        if (!s.Records()) return;
        // Every source choice of the tree offers the sources that are on.
        ConnectSignalEnablity(s.Records()->SignalsOn(), s.CommandTree()->SignalEnablity());
        RegisterWaveformCommands(*s.CommandTree(), *s.Records());
    });
}

}  // namespace vt
