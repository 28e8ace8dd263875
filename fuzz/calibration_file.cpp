// The calibration file (CalibrImit.ini) of an instrument without a connection: both sets read into
// the adjustment settings, for the model and options the first two bytes name; the rest is the file.
#include <memory>

#include "FuzzFiles.h"
#include "core/CommandTree.h"
#include "core/Shell.h"
#include "link/AdjustmentCommands.h"
#include "link/CommandSenders.h"
#include "link/DemoSimulator.h"
#include "link/InstrumentIdentity.h"
#include "link/InstrumentLink.h"

namespace {

struct TDemoAdjustShell {
    TDemoAdjustShell() {
        Shell.SetCommandTree(vt::CreateCommandTree());
        Shell.Folders.InstallFolder = vt::fuzz::FuzzFolder().string() + "/";
        Shell.SetLink(vt::MakeOwnedPart(std::make_unique<vt::TInstrumentLink>()));
        Shell.Link()->SetLinkKind(vt::TInstrumentLinkKind::Demo);
        Shell.SetIdentity(vt::MakeOwnedPart(
            std::make_unique<vt::TInstrumentIdentityUnit>(*Shell.Link(), vt::fuzz::FuzzFolder())));
        Shell.Identity()->Identity.ModelType = 4;
        Shell.SetSenders(vt::MakeOwnedPart(
            std::make_unique<vt::TInstrumentSenders>(*Shell.Link(), Shell.Identity()->Identity)));
        Shell.SetSimulator(vt::MakeOwnedPart(std::make_unique<vt::TTutorial>(Shell)));
        Adjust = std::make_unique<vt::TCalibrAdjust>(Shell);
        Adjust->RegisterAdjustCommands();
        Adjust->SetModelAdjustLimits();
    }
    vt::TShell Shell;
    std::unique_ptr<vt::TCalibrAdjust> Adjust;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static TDemoAdjustShell s;
    vt::TInstrumentIdentity& id = s.Shell.Identity()->Identity;
    id.ModelType = static_cast<std::uint8_t>(1 + data[0] % 8);
    id.Options = data[1];
    s.Adjust->SetModelAdjustLimits();
    vt::fuzz::WriteInputFile(vt::kCalibrImitFileName, vt::fuzz::InputBytes(data + 2, size - 2));
    s.Adjust->ReadAdjustmentValues(0, true);
    s.Adjust->ReadAdjustmentValues(1, true);
    return 0;
}
