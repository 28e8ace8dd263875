#include "ui/menus/MarkerMenu.h"

#include "core/MenuKinds.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/CommandSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {
constexpr int TypeMY = 2;
}  // namespace

TMark_Form::TMark_Form(TSideMenus& menus, QWidget* mainWindow) : TSideMenuForm(menus, mainWindow) {
    setObjectName(QStringLiteral("Mark_Form"));
    Marker_ = NewMenuPage(this, "rmpMarker", QStringLiteral("Marker"), "Mark");
    TPageStacker page(*Marker_);
    Type_ = page.Add<TRC_RadioSwitcher>("rswType", QStringLiteral("Type"), "Type", TPageStacker::ButtonsHeight(2));
    Type_->SetColumns(2);
    Type_->SetItems({QStringLiteral("Off"), QStringLiteral("MX"), QStringLiteral("MY"), QStringLiteral("XY")});
    Type_->SetOnUpdateMe([this](TRC_Switcher&) { UpdateMenu(); });
    page.Add<TRC_SignalSourceSwitcher>("sswSource1", QStringLiteral("M1 Source"), "M1:Source");
    Position1_ = page.Add<TRC_EditSwitcher>("edswPosition1", QStringLiteral("M1 POSITION"), "M1:XPos");
    page.Add<TRC_SignalSourceSwitcher>("sswSource2", QStringLiteral("M2 Source"), "M2:Source");
    Position2_ = page.Add<TRC_EditSwitcher>("edswPosition2", QStringLiteral("M2 POSITION"), "M2:XPos");
    auto* motion = page.Add<TRC_RadioSwitcher>("rswMotion", QStringLiteral("Motion"), "Motion",
                                               TPageStacker::ButtonsHeight(2));
    motion->SetItems({QStringLiteral("Independ"), QStringLiteral("Paired")});
    page.Add<TRC_OnOffSwitch>("oswRefer", QStringLiteral("Reference"), "Refer");
    page.Add<TRC_RightCommandSwitcher>("rcswSetRef", QStringLiteral("Set Reference"), "SetRef");
    UpdateMenu();
}

void TMark_Form::UpdateMenu() {
    const bool rows = Type_->GetHandler() && Type_->ItemIndex() == TypeMY;
    RetargetSwitcher(*Position1_, rows ? "M1:YPos" : "M1:XPos");
    RetargetSwitcher(*Position2_, rows ? "M2:YPos" : "M2:XPos");
}

void TMark_Form::SetTopPanel(int) {
    ShowPanel(Marker_);
    TSideMenuForm::SetTopPanel(1);
}

void TMarkerMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkMarkers, [](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TMark_Form(m, window);
    });
}

}  // namespace vt
