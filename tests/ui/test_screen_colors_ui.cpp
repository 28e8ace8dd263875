#include <gtest/gtest.h>

#include <string>

#include "acq/SignalSources.h"
#include "core/Shell.h"
#include "display/ColorSettings.h"
#include "display/ScopeDisplayServices.h"
#include "test_switcher_support.h"
#include "ui/ScreenColorsFeature.h"
#include "ui/controls/SourceSwitcher.h"

using namespace vt;

TEST(ScreenColorsUi, SourceSwitchersListTheSourcesInTheColoursOfTheSettings) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    shell.SetCommandTree(CreateCommandTree());
    TCommandTree& tree = *shell.CommandTree();
    shell.SetDisplayServices(std::make_unique<TScopeDisplayServices>(shell));
    auto& display = dynamic_cast<TScopeDisplayServices&>(shell.Display());
    CreateColorHandlers(shell, display);
    shell.Records()->BuildSourceCaptions([](std::string_view key) { return std::string(key); });
    TKitContext kit([&tree](std::string_view path) { return tree.Root().FindHandler(path); });
    InitSourceSwitcherItems(kit, *shell.Records(), display.Colors());
    test::TKitHostWidget host(kit);
    tree.SignalEnablity().SetSourceOnQuery([](int) { return true; });
    tree.Root().AddSignalSourceHandler("Meas:Source", {.Items = "A,B,C,D,E,F,G,H,I,J,K,L,M,N,O,P,Q,R", .Initial = 0});
    auto* sw = new TRC_SignalSourceSwitcher(&host);
    sw->SetMnemonics("Meas:Source");
    sw->BindToHandler(true);
    ASSERT_EQ(sw->List().count(), 18);
    EXPECT_EQ(sw->List().itemText(17).toStdString(), shell.Records()->Caption(17));
    EXPECT_EQ(sw->List().ItemTextColor(0), TColor(0x80FFFF));
    EXPECT_EQ(sw->List().ItemBackColor(2), TColor(0x1F1F00));
    EXPECT_EQ(kit.SourceItems.ColorOf(ssNone), TRC_SignalSourceSwitcher::PlainTextColor);
    tree.ExecuteCommandString("Displ:Color:Ch1 65280", false);
    EXPECT_EQ(sw->List().ItemTextColor(0), TColor(0x00FF00));
    EXPECT_EQ(sw->List().ItemTextColor(2), TColor(0xFFFF80));
}
