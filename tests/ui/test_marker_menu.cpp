// The markers' side menu offscreen: its captions fit, its switchers are whole and bound, and the
// position edits follow the marker type.
#include <gtest/gtest.h>

#include <QFont>

#include "UiTestSupport.h"
#include "acq/SignalSources.h"
#include "analysis/ScopeAnalysisServices.h"
#include "core/CommandTree.h"
#include "core/MenuKinds.h"
#include "core/Shell.h"
#include "display/ScopeDisplayServices.h"
#include "test_sidemenu_support.h"
#include "test_switcher_support.h"
#include "ui/SideMenu.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/menus/MarkerMenu.h"

using namespace vt;
using namespace vt::test;

TEST(MarkerMenu, CaptionsFitAndThePositionEditsFollowTheType) {
    TShell shell;
    shell.SetRecords(MakeOwnedPart(std::make_unique<TSignalRecords>()));
    TDisplayFeature().FillRows(shell);
    TAnalysisFeature().FillRows(shell);
    RegisterAllCommandHandlers(shell);
    ConnectSignalEnablity(shell.Records()->SignalsOn(), shell.CommandTree()->SignalEnablity());
    shell.Records()->SignalsOn().SetOn(ssCh1, true);
    TKitContext kit{[&shell](std::string_view path) { return shell.CommandTree()->Root().FindHandler(path); }};
    TKitHostWidget window{kit};
    window.setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    window.resize(800, 600);
    TSideMenus menus{kit, &window};
    TMarkerMenuFeature feature;
    feature.RegisterForms(menus);
    menus.ShowSideMenu(mkMarkers, 0);
    auto* form = dynamic_cast<TMark_Form*>(menus.Form(0));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(TextsThatDoNotFit(*form), std::vector<std::string>{});
    EXPECT_EQ(SwitchersNotWhole(*form->Page()), std::vector<std::string>{});
    EXPECT_EQ(UnboundSwitchersOf(*form), std::vector<std::string>{});

    auto handler = [&shell](const char* path) { return shell.CommandTree()->Root().FindHandler(path); };
    shell.CommandTree()->ExecuteCommandString("Mark:Type MY", false);
    EXPECT_EQ(form->Position(1)->GetHandler(), handler("Mark:M1:YPos"));
    EXPECT_EQ(form->Position(2)->GetHandler(), handler("Mark:M2:YPos"));
    shell.CommandTree()->ExecuteCommandString("Mark:Type XY", false);
    EXPECT_EQ(form->Position(1)->GetHandler(), handler("Mark:M1:XPos"));
    EXPECT_EQ(form->Position(2)->GetHandler(), handler("Mark:M2:XPos"));
    SaveScreenshot(*form, "marker_menu.png");
    menus.ShowSideMenu(mkNone, 0);
    FlushDeletes();
}
