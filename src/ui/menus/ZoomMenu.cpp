#include "ui/menus/ZoomMenu.h"

#include "acq/SignalSources.h"
#include "core/Handlers.h"
#include "core/Shell.h"
#include "ui/controls/ButtonSwitchers.h"
#include "ui/controls/EditSwitcher.h"
#include "ui/controls/SourceSwitcher.h"
#include "ui/menus/MenuPageLayout.h"

namespace vt {

namespace {

constexpr int FirstTop = 18;
constexpr int Gap = 2;

}  // namespace

TZoom_Form::TZoom_Form(TSideMenus& menus, QWidget* mainWindow, TShell& shell, const TZoomViews& zoom)
    : TSideMenuForm(menus, mainWindow), Shell_(shell), ZoomViews_(zoom) {
    setObjectName("Zoom_Form");

    Zoom_ = NewMenuPage(this, "rmpZoom", "Zoom");
    TPageStacker zoomPage(*Zoom_, FirstTop, Gap);
    Source_ = zoomPage.Add<TRC_SignalSourceSwitcher>("sswSource", "Source", ":Shadow:ZoomSource");
    Source_->SetOnUpdateMe([this](TRC_Switcher&) { FollowSource(); });
    ScalingButton_ = zoomPage.AddButton("btnScaling", "Scaling...");
    zoomPage.AddLabel("lbComplexSignal", "Complex Signal");
    auto* complex = zoomPage.Add<TRC_RadioSwitcher>("rswComplexScale", "Complex Scale", "ComplexScale",
                                                    TPageStacker::ButtonsHeight(4));
    complex->SetItems({"Magnitude", "Phase", "Real", "Imaginary"});
    auto* suppress = zoomPage.Add<TRC_CheckSwitcher>("cswSuppress", "Suppression", "Suppress",
                                                     TPageStacker::ButtonsHeight(2));
    suppress->SetItems({"DC", "Phase"});
    zoomPage.Add<TRC_EditSwitcher>("edswSupprLevel", "SUPPRESS LEVEL", "SupprLevel");

    Scaling_ = NewMenuPage(this, "rmpScaling", "Scaling");
    TPageStacker scaling(*Scaling_, FirstTop, Gap);
    QPushButton* back = scaling.AddButton("btnBack", "Back");
    auto* type = scaling.Add<TRC_RadioSwitcher>("rswVScaleType", "Vertical ScaleType", "VScaleType",
                                                TPageStacker::ButtonsHeight(2));
    type->SetItems({"Linear", "Logarithmic"});
    VertScale_ = scaling.Add<TRC_EditSwitcher>("edswVertScale", "VERTICAL SCALE", "VertScale");
    VertPosition_ = scaling.Add<TRC_EditSwitcher>("edswVertPosition", "VERT POSITION", "Offset");
    scaling.Add<TRC_EditSwitcher>("edswHorScale", "HORIZ  SCALE", "HorScale");
    scaling.Add<TRC_EditSwitcher>("edswHorPosition", "HORIZ  POSITION", "HorPosition");

    QObject::connect(ScalingButton_, &QPushButton::clicked, this, [this] { SetTopPanel(2); });
    QObject::connect(back, &QPushButton::clicked, this, [this] { SetTopPanel(1); });
    FollowSource();
}

void TZoom_Form::FollowSource() {
    if (Following_) return;
    TResetOnExit<bool> done(Following_, false);
    Following_ = true;
    const int source = ZoomViews_.ChosenSource();
    const std::string group = "Zoom:" + SourceShortName(source);
    if (Zoom_->GroupMnemonics() != group) {
        Zoom_->SetGroupMnemonics(group);
        Scaling_->SetGroupMnemonics(group);
    }
    UpdateMenu();
}

void TZoom_Form::UpdateMenu() {
    const int source = ZoomViews_.ChosenSource();
    const bool on = ZoomViews_.SourceOn(source);
    ScalingButton_->setEnabled(on);
    const bool phase = ZoomViews_.VerticalView(source) == 2;
    const bool db = ZoomViews_.VerticalView(source) == 1;
    RetargetSwitcher(*VertScale_, phase ? "PhaseScale" : db ? "VertDBScale" : "VertScale");
    RetargetSwitcher(*VertPosition_, phase ? "OffsPhase" : db ? "OffsInDB" : "Offset");
    VertScale_->SetCaption(QString::fromStdString(Shell_.LangStr(phase ? "PHASE_SCALE" : "VERTICAL_SCALE")));
    VertPosition_->SetCaption(QString::fromStdString(Shell_.LangStr(phase ? "PHASE_POSITION" : "VERT_POSITION")));
    if (!on && Scaling_->isVisible()) SetTopPanel(1);
}

void TZoom_Form::SetTopPanel(int page) {
    const bool scaling = page == 2 && ZoomViews_.SourceOn(ZoomViews_.ChosenSource());
    ShowPanel(scaling ? Scaling_ : Zoom_);
    TSideMenuForm::SetTopPanel(scaling ? 2 : 1);
}

void TZoomMenuFeature::RegisterForms(TSideMenus& menus) {
    menus.RegisterForm(mkZoom, [this](TSideMenus& m, QWidget* window, bool) -> TSideMenuForm* {
        return new TZoom_Form(m, window, Shell_, Zoom_);
    });
}

}  // namespace vt
